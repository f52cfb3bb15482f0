# Fixed random curves for bench_count.sh, written to standard output in
# korvath-count's format with a "# name order" line above each; orders from
# PARI/GP's ellcard. Run once: python3 bench/gen_count_curves.py (needs gp).
import random, subprocess
rng = random.Random(20261210)
def is_prime(n):
    if n < 2: return False
    for q in [2,3,5,7,11,13,17,19,23,29,31,37]:
        if n % q == 0: return n == q
    d, s = n-1, 0
    while d % 2 == 0: d//=2; s+=1
    for _ in range(40):
        a = rng.randrange(2, n-1); x = pow(a, d, n)
        if x in (1, n-1): continue
        for _ in range(s-1):
            x = x*x % n
            if x == n-1: break
        else: return False
    return True
out = []
for bits in [64, 96, 128, 160, 192, 256]:
    p = rng.getrandbits(bits) | (1 << (bits-1)) | 1
    while not is_prime(p): p += 2
    while True:
        a, b = rng.randrange(p), rng.randrange(p)
        if (4*a**3 + 27*b*b) % p: break
    out.append(("random-p%d" % bits, "gfp %X %X %X" % (p, a, b),
                "print(ellcard(ellinit([%d,%d],%d)))" % (a, b, p)))
for m, t in [(63, (1,0,0)), (113, (9,0,0)), (163, (7,6,3))]:
    a = rng.getrandbits(m); b = rng.getrandbits(m) | 1
    poly = "x^%d+x^%d" % (m, t[0]) + ("+x^%d+x^%d" % (t[1], t[2]) if t[1] else "") + "+1"
    out.append(("random-2^%d" % m, "gf2m %d %d %d %d %X %X" % (m, t[0], t[1], t[2], a, b),
                "g=ffgen(Mod(1,2)*(%s),'g)\nel(h)=subst(Pol(binary(h)),'x,g)\nprint(ellcard(ellinit([1,el(%d),0,0,el(%d)])))" % (poly, a, b)))
for name, line, gpcmd in out:
    n = subprocess.run(["gp", "-q", "-f"], input="default(parisizemax,2^30);\n" + gpcmd + "\n",
                       capture_output=True, text=True).stdout.strip().splitlines()[-1]
    print("# %s %X" % (name, int(n)))
    print(line)
