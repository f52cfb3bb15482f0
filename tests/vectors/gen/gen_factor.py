#!/usr/bin/env python3
"""Reference numbers for the factoring methods, each built so that its method
is certain to find the wanted factor.

Run by hand from the repository root (needs sympy and PARI/GP's `gp`):
    python3 tests/vectors/gen/gen_factor.py
Writes tests/vectors/numtheory/factor.txt. Fixed seed; all numbers hexadecimal.

- Rho: Brent's search on f(y) = y^2 + 3 from y = 3, batches of 10 differences,
  simulated here step for step; the case records the iteration at which the gcd
  first shows P (well inside 2000) and checks that it is not N.
- Pm1 / Pp1: P - 1 (P + 1) is a product of prime powers q^a with q below 10000
  and q^a dividing the phase-1 exponent e_q (q^2, times q while below 2^30/q),
  times at most one prime in phase 2 (above 9973, at most L2). For P + 1 the
  Lucas start 8 has (8^2 - 4 | P) = -1, so V_n(8) has order dividing P + 1.
  Every other prime Q has Q - 1 and Q + 1 with a prime factor above L2.
- Ecm: the Suyama curve of the recorded sigma modulo P has a group order whose
  factorisation (computed with PARI's ellcard, factored with sympy) is recorded:
  every prime power below 10000 divides its e_q and at most one prime lies in
  phase 2, so the first curve finds P.
- Mpqs: balanced semiprimes (random primes of half the size each).
"""
import math
import random
import subprocess
import sympy

rng = random.Random(20240620)
OUT = "tests/vectors/numtheory/factor.txt"
L1 = 10000
L2_PM1 = 11259375
L2_ECM = 22518750
LAST1 = 9973


def rand_prime(lo, hi):
    """A prime in [lo, hi) drawn from the script's own generator (reproducible)."""
    while True:
        p = sympy.nextprime(rng.randrange(lo, hi) - 1)
        if p < hi:
            return p


def h(x):
    return format(x, "X")


def phase1_power(q):
    e = q * q
    while e < (1 << 30) // q:
        e *= q
    return e


def phase_ok(m, l2):
    """True when m's prime powers below 10000 divide their e_q and at most one
    prime factor lies in (9973, l2] and none above."""
    big = 0
    for q, a in sympy.factorint(m).items():
        if q < L1:
            if q ** a > phase1_power(q) or phase1_power(q) % (q ** a):
                return False
        elif q <= l2 and a == 1:
            big += 1
        else:
            return False
    return big <= 1


def largest_factor(m):
    return max(sympy.factorint(m))


def hard_prime(bits, l2=L2_ECM):
    """A random prime whose p - 1 and p + 1 both have a prime factor above l2
    (checked by factoring up to 128 bits; above that a random prime fails the
    check with probability below 1e-9, by Dickman's function)."""
    while True:
        p = rand_prime(1 << (bits - 1), 1 << bits)
        if bits > 128 or (largest_factor(p - 1) > l2 and largest_factor(p + 1) > l2):
            return p


def smooth_prime(bits, sign, phase2):
    """A prime p of `bits` bits with p - sign smooth as phase_ok says; with
    phase2 one prime factor lies in phase 2."""
    primes = list(sympy.primerange(3, 2000))
    while True:
        m = 2
        if phase2:
            m *= rand_prime(20000, 2000000)
        while m.bit_length() < bits - 12:
            m *= rng.choice(primes)
        # Fill up to the size with a cofactor made of small primes.
        for _ in range(200):
            c = m
            while c.bit_length() < bits:
                c *= rng.choice(primes[:30])
            if c.bit_length() != bits:
                continue
            p = c + sign
            if sympy.isprime(p) and phase_ok(p - sign, L2_PM1):
                if sign == -1 and sympy.jacobi_symbol(60, p) != -1:
                    continue
                return p


def rho_simulate(n, tries=2000):
    """Brent's rho exactly as the C++ code runs it; returns (g, iteration)."""
    f = lambda y: (y * y + 3) % n
    it = 0
    y = 3
    q = 1
    r = 1
    while True:
        x = y
        for _ in range(r):
            it += 1
            if it > tries:
                return None
            y = f(y)
        k = 0
        while k < r:
            ys = y
            m = min(10, r - k)
            for _ in range(m):
                it += 1
                if it > tries:
                    return None
                y = f(y)
                q = q * (x - y) % n
            g = math.gcd(q, n)
            if g == n:
                return None  # keep the cases simple: no replay needed
            if g > 1:
                return g, it
            k += 10
        r *= 2


def gp_orders(primes, sigma):
    """Group orders of the Suyama curve with `sigma` modulo each prime (PARI)."""
    lines = []
    for p in primes:
        u = (sigma * sigma - 5) % p
        v = (4 * sigma) % p
        a = ((v - u) ** 3 * (3 * u + v) * pow(4 * u ** 3 * v, -1, p) - 2) % p
        x0 = u ** 3 * pow(v ** 3, -1, p) % p
        g = (x0 ** 3 + a * x0 * x0 + x0) % p
        # B y^2 = x^3 + A x^2 + x with B = g(x0): the curve itself when g is a
        # square, else its quadratic twist.
        lines.append(f"print(ellcard(ellinit([0,{a},0,1,0],{p})), \" \", kronecker({g},{p}))")
    out = subprocess.run(["gp", "-q", "-f"], input="\n".join(lines) + "\n", capture_output=True,
                         text=True, check=True).stdout.split("\n")
    result = []
    for p, line in zip(primes, out):
        card, chi = (int(t) for t in line.split())
        result.append(card if chi == 1 else 2 * (p + 1) - card)
    return result


def ecm_case(digits, sigma, total_bits):
    while True:
        cands = [rand_prime(10 ** (digits - 1), 10 ** digits) for _ in range(400)]
        cands = [p for p in cands if largest_factor(p - 1) > L2_ECM and largest_factor(p + 1) > L2_ECM]
        for p, order in zip(cands, gp_orders(cands, sigma)):
            if order % 12 == 0 and phase_ok(order, L2_ECM):
                q = hard_prime(total_bits - p.bit_length())
                return p, q, order


def fmt_fact(m):
    return "*".join(f"{q}^{a}" if a > 1 else str(q) for q, a in sorted(sympy.factorint(m).items()))


def main():
    out = ["# Generated by tests/vectors/gen/gen_factor.py (sympy, PARI/GP ellcard); do not edit.",
           "# Hexadecimal numbers. Each case is built so that its method must find P (see the script).", ""]

    # Rho: N = P * Q with P found within 2000 iterations.
    for pbits, qbits in ((18, 42), (20, 60), (21, 120), (22, 178)):
        while True:
            p = rand_prime(1 << (pbits - 1), 1 << pbits)
            q = hard_prime(qbits)
            sim = rho_simulate(p * q)
            if sim and sim[0] == p and sim[1] <= 1500:
                break
        out += ["[Rho]", f"N = {h(p * q)}", f"P = {h(p)}", f"Q = {h(q)}", f"Iteration = {sim[1]}", ""]

    # P - 1 and P + 1: phase 1 alone and phase 1 + phase 2.
    for sec, sign in (("Pm1", 1), ("Pp1", -1)):
        for pbits, qbits, phase2 in ((64, 64, False), (70, 110, True), (90, 112, True)):
            p = smooth_prime(pbits, sign, phase2)
            q = hard_prime(qbits)
            out += [f"[{sec}]", f"N = {h(p * q)}", f"P = {h(p)}", f"Q = {h(q)}",
                    f"# P {'-' if sign == 1 else '+'} 1 = {fmt_fact(p - sign)}", ""]

    # ECM: 20 digits in a 320-bit N with sigma = 101 (the default ecm_k).
    p, q, order = ecm_case(20, 101, 320)
    out += ["[Ecm]", f"N = {h(p * q)}", f"P = {h(p)}", f"Q = {h(q)}", "Sigma = 101",
            f"# order = {fmt_fact(order)}", ""]

    # MPQS: balanced semiprimes.
    for bits in (120, 160, 200):
        p = hard_prime(bits // 2)
        q = hard_prime(bits - bits // 2)
        while (p * q).bit_length() != bits:
            q = hard_prime(bits - bits // 2)
        out += ["[Mpqs]", f"N = {h(p * q)}", f"P = {h(min(p, q))}", f"Q = {h(max(p, q))}", ""]

    # Benchmarks: MPQS sizes, ECM at 20 and 25 digits, rho on a 50-bit factor.
    for bits in (130, 160, 200, 230):
        p = hard_prime(bits // 2)
        q = hard_prime(bits - bits // 2)
        while (p * q).bit_length() != bits:
            q = hard_prime(bits - bits // 2)
        out += ["[BenchMpqs]", f"Bits = {bits}", f"N = {h(p * q)}", ""]
    for digits, sigma in ((20, 1000), (25, 2000)):
        p, q, order = ecm_case(digits, sigma, 320)
        out += ["[BenchEcm]", f"Digits = {digits}", f"N = {h(p * q)}", f"P = {h(p)}", f"Sigma = {sigma}",
                f"# order = {fmt_fact(order)}", ""]
    p = hard_prime(50)
    q = hard_prime(100)
    out += ["[BenchRho]", f"N = {h(p * q)}", f"P = {h(p)}", ""]

    # P - 1 degenerate: both primes have their phase-2 prime between the gcds at
    # steps 32100 and 64200 (primes about 393000 and 820000), so that gcd is N.
    def degenerate_prime():
        primes = list(sympy.primerange(3, 2000))
        while True:
            r = rand_prime(420000, 780000)
            m = 2 * r
            while m.bit_length() < 64:
                m *= rng.choice(primes)
            if m.bit_length() == 64 and sympy.isprime(m + 1) and phase_ok(m, L2_PM1):
                return m + 1, r
    (p1, r1), (p2, r2) = degenerate_prime(), degenerate_prime()
    out += ["[Pm1Degenerate]", f"N = {h(p1 * p2)}", f"P = {h(p1)}", f"Q = {h(p2)}",
            f"# phase-2 primes {r1} and {r2}", ""]

    with open(OUT, "w") as f:
        f.write("\n".join(out))


if __name__ == "__main__":
    main()
