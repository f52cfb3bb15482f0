#!/usr/bin/env python3
"""Scalar-multiplication vectors k*G on standard GF(p) curves.

Random pairs come from OpenSSL (`openssl ecparam -genkey` then `openssl ec -text`
prints the private key k and the public point k*G); the fixed small and
boundary scalars are computed here with plain Python integers (affine
double-and-add). Curve constants come from shared/data/standard-curves.json.
Run by hand:  python3 tests/vectors/gen/gen_ecp.py > tests/vectors/engine/ecp_mult.txt
"""
import json, os, re, subprocess, sys, tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
CURVES = json.load(open(os.path.join(HERE, "../../data/standard-curves.json")))["curves"]
OPENSSL_NAMES = {"secp160r1": "secp160r1", "prime192v1": "prime192v1",
                 "prime256v1": "prime256v1", "brainpoolP256r1": "brainpoolP256r1"}


def ec_add(P, Q, a, p):
    if P is None: return Q
    if Q is None: return P
    if P[0] == Q[0]:
        if (P[1] + Q[1]) % p == 0: return None
        lam = (3 * P[0] * P[0] + a) * pow(2 * P[1], -1, p) % p
    else:
        lam = (Q[1] - P[1]) * pow(Q[0] - P[0], -1, p) % p
    x = (lam * lam - P[0] - Q[0]) % p
    return (x, (lam * (P[0] - x) - P[1]) % p)


def ec_mul(k, P, a, p):
    R = None
    for bit in bin(k)[2:]:
        R = ec_add(R, R, a, p)
        if bit == "1": R = ec_add(R, P, a, p)
    return R


def openssl_pairs(name, count):
    out = []
    with tempfile.TemporaryDirectory() as d:
        for i in range(count):
            key = os.path.join(d, "k.pem")
            subprocess.run(["openssl", "ecparam", "-name", name, "-genkey", "-noout", "-out", key], check=True)
            text = subprocess.run(["openssl", "ec", "-in", key, "-text", "-noout"], check=True,
                                  capture_output=True, text=True).stdout
            priv = re.search(r"priv:\s*([0-9a-f:\s]+?)\s*pub:", text).group(1)
            pub = re.search(r"pub:\s*([0-9a-f:\s]+?)\s*ASN1", text).group(1)
            k = int(re.sub(r"[:\s]", "", priv), 16)
            pb = bytes.fromhex(re.sub(r"[:\s]", "", pub))
            assert pb[0] == 4
            n = (len(pb) - 1) // 2
            out.append((k, int.from_bytes(pb[1:1 + n], "big"), int.from_bytes(pb[1 + n:], "big"), "openssl"))
    return out


def main():
    print("# k*G on standard curves; see tests/vectors/gen/gen_ecp.py for how they were made.")
    for c in CURVES:
        if c["name"] not in OPENSSL_NAMES:
            continue
        p, a, b = int(c["p"], 16), int(c["a"], 16), int(c["b"], 16)
        G = (int(c["Gx"], 16), int(c["Gy"], 16))
        n = int(c["n"], 16)
        print(f"\n[{c['name']}]")
        print(f"P = {p:X}\nA = {a:X}\nB = {b:X}\nGx = {G[0]:X}\nGy = {G[1]:X}\nN = {n:X}\n")
        cases = [(k, *ec_mul(k, G, a, p), "python") for k in (1, 2, 3, 5, 21, 22, 23, 0xFFFFFFFF, 2**64 + 1, n - 1, n - 2, n // 2)]
        cases += openssl_pairs(OPENSSL_NAMES[c["name"]], 6)
        for k, x, y, src in cases:
            print(f"K = {k:X}\nX = {x:X}\nY = {y:X}\n# from {src}\n")


if __name__ == "__main__":
    sys.exit(main())
