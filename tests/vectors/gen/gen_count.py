#!/usr/bin/env python3
"""Point counts for the point-counting tests, computed with PARI/GP's ellcard.

Curves are drawn with Python's random module from a fixed seed; primes and
factorisations come from sympy; every NP comes from `gp` (ellcard), run once
here. The moduli lists of the narrative cases are made here with Python
integers by the walk the counting engines use (primes multiplied in while the
product stays at most max(floor(sqrt(q / 2^e)), 256), earlier primes raised
while their next power stays below the new prime, for GF(2^m) the power of 2
while it stays below 16 times the new prime).

Run by hand:  python3 tests/vectors/gen/gen_count.py > tests/vectors/numtheory/count.txt
"""
import random
import subprocess
import sys

from sympy import isprime, nextprime, primerange, integer_nthroot

random.seed(20240607)


def gp(lines):
    """Runs gp on the given commands; returns its output lines."""
    out = subprocess.run(["gp", "-q", "-f", "--default", "parisizemax=1000000000"],
                         input="\n".join(lines) + "\n", capture_output=True, text=True, check=True)
    return out.stdout.split()


def card_gfp(cases):
    return [int(v) for v in gp([f"print(ellcard(ellinit([0,0,0,{a},{b}],{p})))" for p, a, b in cases])]


def gf2_elt(v):
    """A GP expression for the field element whose bit i is the coefficient of g^i."""
    terms = [f"g^{i}" for i in range(v.bit_length()) if v >> i & 1]
    return "+".join(terms) if terms else "0"


def card_gf2m(cases):
    cmds = []
    for m, basis, a, b in cases:
        poly = f"x^{m}" + "".join(f"+x^{e}" for e in basis if e) + "+1"
        cmds.append(f"g=ffgen(Mod(1,2)*({poly}),'g); "
                    f"print(ellcard(ellinit([1,{gf2_elt(a)},0,0,{gf2_elt(b)}],g)))")
    return [int(v) for v in gp(cmds)]


def e_gfp(bits):
    return 48 if bits <= 100 else 56 if bits <= 120 else 64 if bits <= 140 else 72 if bits <= 200 else 80


def e_gf2m(m):
    return 48 if m <= 100 else 56 if m <= 120 else 64 if m <= 160 else 72 if m <= 200 else 80


def moduli(q, e, binary):
    d = max(integer_nthroot(q // 2**e, 2)[0], 256)
    primes = list(primerange(2, 2000))
    exps, prod, i = [], 1, 0
    while prod <= d:
        qi = primes[i]
        exps.append(1)
        prod *= qi
        for k in range(i):
            bound = 16 * qi if (binary and primes[k] == 2) else qi
            while primes[k] ** (exps[k] + 1) < bound:
                prod *= primes[k]
                exps[k] += 1
                if not (binary and primes[k] == 2):
                    break
        i += 1
    lst = primes[:i] + [primes[k] ** exps[k] for k in range(len(exps)) if exps[k] > 1]
    return sorted(lst)


def kangaroo_sizes(q, modulus):
    """leaps, D and table size of the herd search over the Hasse band of q."""
    r = integer_nthroot(q, 2)[0]
    w = 1 + (4 * r + 6) // modulus
    leaps = integer_nthroot(w, 2)[0]
    d = 1 << (leaps // 16).bit_length()
    mean, s, m = 5 * leaps // 2, 1, 0
    while True:
        m += 1
        s *= 2
        if 2 * s // m > mean or m == 50:
            return leaps, d, m


def classification(np):
    """The classification line of a count: primes below 65520 divided out
    until one is not below the remaining cofactor.
    Its "#" is written as "@" ("#" starts a comment in the vector files)."""
    cof, nf = np, 0
    for q in primerange(2, 65520):
        if cof < 2**31 and q >= cof:
            break  # the cofactor is 1 or a prime: named, not divided out
        while cof % q == 0:
            cof //= q
            nf += 1
    if cof == 1:
        return f"NP (nf@{nf} small factored) = {np:X}"
    if isprime(cof):
        return f"NP(nf@{nf} * Prime) = {np // cof:X} * {cof:X}"
    if nf > 0:
        return f"NP(nf@{nf} * Composite) = {np // cof:X} * {cof:X}"
    return f"NP(Composite) = {np:X}"


def narrative_extras(q, np, lst):
    """J-free extras of a narrative case: the combined modulus's kangaroo sizes
    and the classification line."""
    powers = [l for l in lst if sum(1 for k in lst if k > l and k % l == 0 and isprime(l)) and isprime(l)]
    modulus = 1
    for l in lst:
        if l not in powers:
            modulus *= l
    leaps, d, m = kangaroo_sizes(q, modulus)
    return (f"Leaps = {leaps:X}\nDisting = {d:08X}\nTable = {m}\n"
            f"Class = {classification(np)}\n")


def random_prime(bits):
    while True:
        p = random.getrandbits(bits) | (1 << (bits - 1)) | 1
        if isprime(p):
            return p


def random_curve(p):
    while True:
        a, b = random.randrange(p), random.randrange(p)
        if (4 * a**3 + 27 * b**2) % p:
            return a, b


def main():
    w = sys.stdout.write
    w("# Point counts from PARI/GP ellcard; see tests/vectors/gen/gen_count.py.\n")

    # Random GF(p) curves in the Schoof range (56 bits and more).
    cases = []
    for bits in (56, 57, 60, 64, 72, 80, 96, 100):
        p = random_prime(bits)
        cases.append((p,) + random_curve(p))
    for (p, a, b), np in zip(cases, card_gfp(cases)):
        w(f"\n[GFp]\nP = {p:X}\nA = {a:X}\nB = {b:X}\nNP = {np:X}\n")

    # j = 0 and j = 1728.
    cases = []
    for bits in (58, 64, 70):
        p = random_prime(bits)
        cases.append((p, 0, random.randrange(1, p)))
        cases.append((p, random.randrange(1, p), 0))
    for (p, a, b), np in zip(cases, card_gfp(cases)):
        w(f"\n[GFpSpecial]\nP = {p:X}\nA = {a:X}\nB = {b:X}\nNP = {np:X}\n")

    # The narrative of one curve: its moduli and NP mod each of them.
    p = random_prime(100)
    a, b = random_curve(p)
    np = card_gfp([(p, a, b)])[0]
    lst = moduli(p, e_gfp(100), False)
    w(f"\n[GFpNarrative]\nP = {p:X}\nA = {a:X}\nB = {b:X}\nNP = {np:X}\n")
    w("Moduli = " + ",".join(str(l) for l in lst) + "\n")
    w("Residues = " + ",".join(str(np % l) for l in lst) + "\n")
    a3 = 4 * a**3 % p
    w(f"J = {1728 * a3 * pow(a3 + 27 * b * b, -1, p) % p:X}\n")
    w(narrative_extras(p, np, lst))

    # A curve for the stop points: some prime modulus with two distinct
    # eigenvalues of Frobenius (t^2 - 4p a non-zero square mod l) whose smaller
    # representative +-lambda is not 1, and a prime power l = q^k whose first
    # candidate (i = +-t mod q, 1 <= i <= l/2) is not the answer.
    while True:
        p = random_prime(76)
        a, b = random_curve(p)
        np = card_gfp([(p, a, b)])[0]
        t = p + 1 - np
        lst = moduli(p, e_gfp(76), False)
        two = power = False
        for l in lst[1:]:
            tl, pl = t % l, p % l
            if isprime(l):
                disc = (tl * tl - 4 * pl) % l
                if disc and pow(disc, (l - 1) // 2, l) == 1:
                    roots = [z for z in range(1, l) if (z * z - tl * z + pl) % l == 0]
                    two = two or min(min(z, l - z) for z in roots) > 1
            else:
                q = [r for r in primerange(2, l + 1) if l % r == 0][0]
                cands = [i for i in range(1, l // 2 + 1) if i % q == tl % q or (l - i) % q == tl % q]
                power = power or (tl != 0 and cands and cands[0] != min(tl, l - tl))
        if two and power:
            break
    w(f"\n[GFpStop]\nP = {p:X}\nA = {a:X}\nB = {b:X}\nNP = {np:X}\n")
    w("Moduli = " + ",".join(str(l) for l in lst) + "\n")
    w("Residues = " + ",".join(str(np % l) for l in lst) + "\n")

    # Composite cofactors for the classification lines: counts of 56 to 64 bits
    # whose cofactor after the small primes is composite, with and without
    # small factors.
    found = {}
    while len(found) < 2:
        p = random_prime(60)
        a, b = random_curve(p)
        np = card_gfp([(p, a, b)])[0]
        line = classification(np)
        kind = "nf0" if line.startswith("NP(Composite)") else "nf" if "Composite" in line else None
        if kind and kind not in found:
            found[kind] = (p, a, b, np, line)
    for p, a, b, np, line in found.values():
        w(f"\n[GFpClass]\nP = {p:X}\nA = {a:X}\nB = {b:X}\nNP = {np:X}\nClass = {line}\n")

    # Warnings. Anomalous: 4p = 1 + 3v^2 and a j = 0 twist of trace 1.
    # Embedding degree 1: p = 1 + 3w^2 and a j = 0 twist of trace 2 (NP = p - 1).
    # Supersingular: p = 3 mod 4 and B = 0 (NP = p + 1).
    warn = []
    v = (1 << 29) + 1
    while True:
        v += 2
        if (1 + 3 * v * v) % 4 == 0 and isprime((1 + 3 * v * v) // 4):
            p = (1 + 3 * v * v) // 4
            break
    for b in range(1, 200):
        if card_gfp([(p, 0, b)])[0] == p:
            warn.append((p, 0, b, "anomalous"))
            break
    wv = (1 << 29) + 7
    while not isprime(1 + 3 * wv * wv):
        wv += 1
    p = 1 + 3 * wv * wv
    for b in range(1, 200):
        if card_gfp([(p, 0, b)])[0] == p - 1:
            warn.append((p, 0, b, "mov1"))
            break
    p = random_prime(62)
    while p % 4 != 3:
        p = random_prime(62)
    warn.append((p, random.randrange(1, p), 0, "supersingular"))
    for (p, a, b, kind), np in zip(warn, card_gfp([c[:3] for c in warn])):
        w(f"\n[GFpWarning]\nP = {p:X}\nA = {a:X}\nB = {b:X}\nNP = {np:X}\nKind = {kind}\n")

    # GF(2^m): random ordinary curves for the kangaroo (m <= 55) and Schoof ranges.
    def basis_of(m):
        for k in range(1, m):
            if gp([f"print(polisirreducible(Mod(1,2)*(x^{m}+x^{k}+1)))"])[0] == "1":
                return (k, 0, 0)
        for a in range(3, m):
            for b in range(2, a):
                for c in range(1, b):
                    if gp([f"print(polisirreducible(Mod(1,2)*(x^{m}+x^{a}+x^{b}+x^{c}+1)))"])[0] == "1":
                        return (a, b, c)

    cases = []
    for m in (24, 40, 56, 57, 60, 64, 72, 80):
        basis = basis_of(m)
        cases.append((m, basis, random.getrandbits(m), random.getrandbits(m) | 1))
    for (m, basis, a, b), np in zip(cases, card_gf2m(cases)):
        w(f"\n[GF2m]\nM = {m}\nBasis = {basis[0]},{basis[1]},{basis[2]}\nA = {a:X}\nB = {b:X}\nNP = {np:X}\n")

    # A curve for the stop points over GF(2^84) (moduli 2, 3, 5, 7, 9, 11, 128): a prime
    # with two distinct eigenvalues whose smaller representative is not 1, and
    # a prime with none (t^2 - 4q a non-square) whose first candidate (i with
    # (i^2 - 4q | l) = -1) is not the answer.
    m = 84
    basis = basis_of(m)
    lst = moduli(2**m, e_gf2m(m), True)
    for attempt in range(2000):
        a, b = random.getrandbits(m), random.getrandbits(m) | 1
        np = card_gf2m([(m, basis, a, b)])[0]
        q, t = 2**m, 2**m + 1 - np
        two = none = False
        for l in [l for l in lst if l > 2 and isprime(l)]:
            tl, ql = t % l, q % l
            disc = (tl * tl - 4 * ql) % l
            if disc and pow(disc, (l - 1) // 2, l) == 1:
                roots = [z for z in range(1, l) if (z * z - tl * z + ql) % l == 0]
                two = two or min(min(z, l - z) for z in roots) > 1
            elif disc:
                cands = [i for i in range(1, l // 2 + 1)
                         if pow((i * i - 4 * ql) % l, (l - 1) // 2, l) == l - 1]
                none = none or (cands and cands[0] != min(tl, l - tl) and tl != 0)
        if two and none:
            break
    else:
        raise SystemExit("no stop-point curve found over GF(2^84)")
    lst = moduli(2**m, e_gf2m(m), True)
    w(f"\n[GF2mStop]\nM = {m}\nBasis = {basis[0]},{basis[1]},{basis[2]}\nA = {a:X}\nB = {b:X}\nNP = {np:X}\n")
    w("Moduli = " + ",".join(str(l) for l in lst) + "\n")
    w("Residues = " + ",".join(str(np % l) for l in lst) + "\n")

    m = 64
    basis = basis_of(m)
    a, b = random.getrandbits(m), random.getrandbits(m) | 1
    np = card_gf2m([(m, basis, a, b)])[0]
    lst = moduli(2**m, e_gf2m(m), True)
    w(f"\n[GF2mNarrative]\nM = {m}\nBasis = {basis[0]},{basis[1]},{basis[2]}\nA = {a:X}\nB = {b:X}\nNP = {np:X}\n")
    w("Moduli = " + ",".join(str(l) for l in lst) + "\n")
    w("Residues = " + ",".join(str(np % l) for l in lst) + "\n")
    w(narrative_extras(2**m, np, lst))


if __name__ == "__main__":
    main()
