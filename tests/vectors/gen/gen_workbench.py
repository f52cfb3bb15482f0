#!/usr/bin/env python3
"""Reference data for the workbench's curve actions, made with plain Python
integers, hashlib and sympy (never with KORVATH itself).

- polynomials.txt: irreducibility of GF(2) trinomials and pentanomials (sympy's
  Poly(..., modulus=2).is_irreducible), listed in the order the workbench visits
  them (a ascending, then b, then c).
- keys.txt: point values on secp112r1 and sect113r1 (constants from
  tests/data/standard-curves.json): k*G, L*G + H*R, the two y for an x, an x
  with no point, by affine formulas (GF(2^m): y^2 + xy = x^3 + a x^2 + b, the
  y-bit of a point being bit 0 of y/x).
- generation.txt: the seed-derived value H (SHA-1 of 20-byte big-endian seeds
  through hashlib) and the first prime = 3 (mod 4), = 7 or 11 (mod 12), from
  x + 23 - (x mod 12) on (sympy.isprime).

Run by hand:  python3 tests/vectors/gen/gen_workbench.py
(writes the three files under tests/vectors/workbench/).
"""
import hashlib, json, os, random

from sympy import Poly, isprime, symbols, sqrt_mod

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "../workbench")
CURVES = {c["name"]: c for c in json.load(open(os.path.join(HERE, "../../data/standard-curves.json")))["curves"]}
rng = random.Random(20240611)
t = symbols("t")


def H(x):
    return "%X" % x


def irreducible(exps):
    return Poly(sum(t**e for e in exps), t, modulus=2).is_irreducible


# ---- polynomials ------------------------------------------------------------------------

def polynomials():
    out = ["# Irreducible GF(2) polynomials in the workbench's visiting order; made by",
           "# tests/vectors/gen/gen_workbench.py with sympy's is_irreducible.", ""]
    for m in (163, 113):
        tri = [a for a in range(1, m) if irreducible([m, a, 0])]
        out.append("[m%d]" % m)
        out.append("M = %d" % m)
        out.append("Trinomials = %s" % " ".join(str(a) for a in tri) if tri else "Trinomials = none")
        found, tried = [], 0
        for a in range(3, m):
            for b in range(2, a):
                for c in range(1, b):
                    tried += 1
                    if irreducible([m, a, b, c, 0]):
                        found.append("%d,%d,%d" % (a, b, c))
                        if len(found) == 20:
                            break
                if len(found) == 20: break
            if len(found) == 20: break
        out.append("Pentanomials = %s" % " ".join(found))
        out.append("Tried = %d" % tried)
        out.append("")
    return out


# ---- GF(p) ----------------------------------------------------------------------------------

def p_add(P, Q, a, p):
    if P is None: return Q
    if Q is None: return P
    if P[0] == Q[0]:
        if (P[1] + Q[1]) % p == 0: return None
        lam = (3 * P[0] * P[0] + a) * pow(2 * P[1], -1, p) % p
    else:
        lam = (Q[1] - P[1]) * pow(Q[0] - P[0], -1, p) % p
    x = (lam * lam - P[0] - Q[0]) % p
    return (x, (lam * (P[0] - x) - P[1]) % p)


def p_mul(k, P, a, p):
    R = None
    if k < 0: k, P = -k, (P[0], (-P[1]) % p)
    for bit in bin(k)[2:]:
        R = p_add(R, R, a, p)
        if bit == "1": R = p_add(R, P, a, p)
    return R


# ---- GF(2^m) --------------------------------------------------------------------------------

class F2m:
    def __init__(self, exps):
        self.m = exps[0]
        self.f = sum(1 << e for e in exps)

    def red(self, x):
        m, f = self.m, self.f
        while x.bit_length() > m:
            x ^= f << (x.bit_length() - 1 - m)
        return x

    def mul(self, x, y):
        r = 0
        while y:
            if y & 1: r ^= x
            x <<= 1
            y >>= 1
        return self.red(r)

    def pow(self, x, e):
        r = 1
        while e:
            if e & 1: r = self.mul(r, x)
            x = self.mul(x, x)
            e >>= 1
        return r

    def inv(self, x):
        return self.pow(x, (1 << self.m) - 2)

    def trace(self, x):
        s, y = 0, x
        for _ in range(self.m):
            s ^= y
            y = self.mul(y, y)
        return s

    def half_trace(self, x):  # odd m
        s, y = 0, x
        for _ in range((self.m - 1) // 2 + 1):
            s ^= y
            y = self.mul(self.mul(y, y), self.mul(y, y))
        return s


def b_add(F, P, Q, a):
    if P is None: return Q
    if Q is None: return P
    x1, y1 = P
    x2, y2 = Q
    if x1 == x2:
        if y1 != y2 or x1 == 0: return None
        lam = x1 ^ F.mul(y1, F.inv(x1))
        x3 = F.mul(lam, lam) ^ lam ^ a
        y3 = F.mul(x1, x1) ^ F.mul(lam ^ 1, x3)
        return (x3, y3)
    lam = F.mul(y1 ^ y2, F.inv(x1 ^ x2))
    x3 = F.mul(lam, lam) ^ lam ^ x1 ^ x2 ^ a
    y3 = F.mul(lam, x1 ^ x3) ^ x3 ^ y1
    return (x3, y3)


def b_mul(F, k, P, a):
    R = None
    for bit in bin(k)[2:]:
        R = b_add(F, R, R, a)
        if bit == "1": R = b_add(F, R, P, a)
    return R


def b_points_for_x(F, x, a, b):
    """The points with abscissa x as (y with y-bit 0, y with y-bit 1), or None."""
    if x == 0:
        s = F.pow(b, 1 << (F.m - 1))
        return (s, s)
    # (x^3 + a x^2 + b) / x^2 = x + a + b/x^2
    beta = x ^ a ^ F.mul(b, F.inv(F.mul(x, x)))
    if F.trace(beta) != 0: return None
    z = F.half_trace(beta)
    assert F.mul(z, z) ^ z == beta
    z0 = z if z & 1 == 0 else z ^ 1
    return (F.mul(z0, x), F.mul(z0 ^ 1, x))


def keys():
    out = ["# Point values for the key actions; made by tests/vectors/gen/gen_workbench.py with",
           "# plain Python integers (affine formulas), curve constants from standard-curves.json.", ""]
    # GF(p): secp112r1.
    c = CURVES["secp112r1"]
    p, a, b = int(c["p"], 16), int(c["a"], 16), int(c["b"], 16)
    n = int(c["n"], 16)
    G = (int(c["Gx"], 16), int(c["Gy"], 16))
    k = rng.randrange(1, n)
    R = p_mul(k, G, a, p)
    L, Hm = rng.randrange(1, n), rng.randrange(1, n)
    W = p_add(p_mul(L, G, a, p), p_mul(Hm, R, a, p), a, p)
    while True:  # an x with two points
        x2 = rng.randrange(p)
        y = sqrt_mod((x2**3 + a * x2 + b) % p, p)
        if y is not None and y != 0: break
    y_even, y_odd = (y, p - y) if y % 2 == 0 else (p - y, y)
    while True:  # an x with none
        x0 = rng.randrange(p)
        if sqrt_mod((x0**3 + a * x0 + b) % p, p) is None: break
    out += ["[secp112r1]", "K = " + H(k), "Rx = " + H(R[0]), "Ry = " + H(R[1]),
            "L = " + H(L), "H = " + H(Hm), "Wx = " + H(W[0]), "Wy = " + H(W[1]),
            "X2 = " + H(x2), "Y0 = " + H(y_even), "Y1 = " + H(y_odd), "X0 = " + H(x0), ""]
    # GF(2^m): sect113r1.
    c = CURVES["sect113r1"]
    F = F2m(c["poly_exponents"])
    a, b = int(c["a"], 16), int(c["b"], 16)
    n = int(c["n"], 16)
    G = (int(c["Gx"], 16), int(c["Gy"], 16))
    assert b_mul(F, n, G, a) is None
    k = rng.randrange(1, n)
    R = b_mul(F, k, G, a)
    L, Hm = rng.randrange(1, n), rng.randrange(1, n)
    W = b_add(F, b_mul(F, L, G, a), b_mul(F, Hm, R, a), a)
    while True:
        x2 = rng.randrange(1, 1 << F.m)
        ys = b_points_for_x(F, x2, a, b)
        if ys is not None: break
    while True:
        x0 = rng.randrange(1, 1 << F.m)
        if b_points_for_x(F, x0, a, b) is None: break
    sqrt_b = b_points_for_x(F, 0, a, b)[0]
    out += ["[sect113r1]", "K = " + H(k), "Rx = " + H(R[0]), "Ry = " + H(R[1]),
            "L = " + H(L), "H = " + H(Hm), "Wx = " + H(W[0]), "Wy = " + H(W[1]),
            "X2 = " + H(x2), "Y0 = " + H(ys[0]), "Y1 = " + H(ys[1]), "X0 = " + H(x0),
            "SqrtB = " + H(sqrt_b), ""]
    return out


# ---- generation -----------------------------------------------------------------------------

def seed_hash(s):
    return int.from_bytes(hashlib.sha1((s % (1 << 160)).to_bytes(20, "big")).digest(), "big")


def derive(s, bits, typ):
    if bits < 1: return 0
    s %= 1 << 160
    w = seed_hash(s)
    c = (bits - 1) % 160 + (1 if typ == 1 else 0)
    w = 0 if c < 1 else w % (1 << c)
    for i in range(1, (bits - 1) // 160 + 1):
        w = (w << 160) + seed_hash((s + i) % (1 << 160))
    return w


def next_prime_3mod4(x):
    y = x + 23 - x % 12
    while not (isprime(y) and y % 12 in (7, 11)):
        y += 1
    return y


def generation():
    out = ["# Seed-derived values and primes = 3 (mod 4); made by tests/vectors/gen/gen_workbench.py",
           "# (hashlib SHA-1 of 20-byte big-endian seeds, sympy.isprime).", ""]
    out.append("[derive]")
    seeds = [0, 1, int("3045AE6FC8422F64ED579528D38120EAE12196D5", 16), (1 << 160) - 1, (1 << 200) + 12345]
    for s in seeds:
        for bits, typ in [(1, 0), (2, 0), (64, 0), (64, 1), (160, 0), (160, 1), (161, 0), (192, 0), (233, 1),
                          (521, 0), (571, 1)]:
            out += ["S = " + H(s), "Bits = %d" % bits, "Type = %d" % typ, "W = " + H(derive(s, bits, typ)), ""]
    out.append("[next_prime_3mod4]")
    xs = [0, 1, 4, 7, 11, 12, 100, 2**31 - 1, 2**32, 2**64 - 59, 2**100 + 7, rng.getrandbits(160), rng.getrandbits(255)]
    for x in xs:
        out += ["X = " + H(x), "P = " + H(next_prime_3mod4(x)), ""]
    return out


def write(name, lines):
    with open(os.path.join(OUT, name), "w") as f:
        f.write("\n".join(lines).rstrip("\n") + "\n")


if __name__ == "__main__":
    write("polynomials.txt", polynomials())
    write("keys.txt", keys())
    write("generation.txt", generation())
