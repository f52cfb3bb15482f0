// Primality, square roots, the small-prime table and the single-word helpers.
// Reference labels come from sympy (tests/vectors/engine/modular_primes.txt) and
// from naive computation on small inputs.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/big.h"
#include "engine/modular.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/test_rng.h"
#include "tests/support/vectors.h"

namespace {

using testsupport::Big;
using testsupport::get_hex;

class Primes : public testsupport::EngineTest {};

int g_rounds = 0;
bool g_hook_answer = true;
bool counting_hook() {
    ++g_rounds;
    return g_hook_answer;
}

TEST_F(Primes, PrimalityVectors) {
    const auto cases = testsupport::load_vectors("engine/modular_primes.txt");
    int seen = 0;
    for (const auto& c : cases) {
        if (c.section != "Prime") continue;
        ++seen;
        Big n(c.get("N"));
        const bool prime = c.get("Prime") == "1";
        EXPECT_EQ(isprime(n), prime) << c.where << " " << c.get("Note");
        EXPECT_EQ(quick_is_prime(n, 0), prime) << c.where << " " << c.get("Note");
        EXPECT_EQ(engine_error(), 0) << c.where;
    }
    EXPECT_GT(seen, 60);
}

TEST_F(Primes, SquareRootVectors) {
    const auto cases = testsupport::load_vectors("engine/modular_primes.txt");
    int seen = 0;
    for (const auto& c : cases) {
        if (c.section != "Sqroot") continue;
        ++seen;
        Big p(c.get("P")), x(c.get("X")), w(7), other;
        const std::string root = c.get("Root");
        const bool ok = sqroot(x, p, w);
        if (root == "none") {
            EXPECT_FALSE(ok) << c.where;
            EXPECT_EQ(get_hex(w), "0") << c.where;
        } else {
            EXPECT_TRUE(ok) << c.where << " " << c.get("Note");
            Big r(root);
            subtract(p, r, other);
            if (get_hex(r) == "0") big_zero(other);
            EXPECT_TRUE(get_hex(w) == root || get_hex(w) == get_hex(other)) << c.where;
            // the Montgomery entry point, with the output on the input
            Big xr;
            nres(x, xr);
            EXPECT_TRUE(nres_sqroot(xr, xr)) << c.where;
            redc(xr, xr);
            EXPECT_TRUE(get_hex(xr) == root || get_hex(xr) == get_hex(other)) << c.where;
        }
        EXPECT_EQ(engine_error(), 0) << c.where;
    }
    EXPECT_GT(seen, 100);
}

TEST_F(Primes, SmallCasesOfTheRoutines) {
    for (int v : {0, 1, -1, -7, 4, 9, 561}) EXPECT_FALSE(isprime(Big(v))) << v;
    for (int v : {2, 3, 5, 997, 1009}) EXPECT_TRUE(isprime(Big(v))) << v;
    Big x;
    EXPECT_TRUE(nxprime(Big(13), x));
    EXPECT_EQ(get_hex(x), "11");
    EXPECT_TRUE(nxprime(Big(0), x));
    EXPECT_EQ(get_hex(x), "2");
    EXPECT_TRUE(nxprime(Big(2), x));
    EXPECT_EQ(get_hex(x), "3");
    EXPECT_TRUE(nxprime(Big("FFFFFFFB"), x));  // 2^32 - 5 -> 2^32 + 15
    EXPECT_EQ(get_hex(x), "10000000F");

    Big w;
    EXPECT_TRUE(sqroot(Big(4), Big(7), w));
    EXPECT_EQ(get_hex(w), "2");
    EXPECT_TRUE(sqroot(Big(2), Big(7), w));
    EXPECT_TRUE(get_hex(w) == "3" || get_hex(w) == "4");
    Big w9(9);
    EXPECT_FALSE(sqroot(Big(3), Big(7), w9));
    EXPECT_EQ(get_hex(w9), "0");
    EXPECT_FALSE(sqroot(Big(4), Big(8), w9));  // even p
    EXPECT_TRUE(sqroot(Big(0), Big(13), w9));
    EXPECT_EQ(get_hex(w9), "0");
    // A composite modulus that is a square: no non-residue exists, the bounded
    // search ends with false.
    EXPECT_FALSE(sqroot(Big(4 * 11), Big(17 * 17), w9));
    EXPECT_EQ(engine_error(), 0);
    // Exhaustive over small primes of all classes: every residue gets a root,
    // every non-residue false.
    for (int p : {3, 5, 7, 11, 13, 17, 41, 73, 97, 257}) {
        for (int a = 0; a < p; ++a) {
            bool residue = a == 0;
            for (int r = 1; r < p && !residue; ++r) residue = r * r % p == a;
            Big s;
            ASSERT_EQ(sqroot(Big(a), Big(p), s), residue) << a << " mod " << p;
            if (residue) {
                EXPECT_EQ(big_int_size(s) * big_int_size(s) % p, a) << a << " mod " << p;
            }
        }
    }
}

TEST_F(Primes, RoundCountsAndUserHook) {
    // Primes of the sizes where the round count changes (2^k - c, sympy).
    const auto cases = testsupport::load_vectors("engine/modular_primes.txt");
    E->user_hook = counting_hook;
    int checked = 0;
    for (const auto& c : cases) {
        if (c.section != "Prime" || c.get("Prime") != "1") continue;
        Big n(c.get("N"));
        const int bits = logb2(n);
        if (bits < 32) continue;
        int expect = 6;
        if (bits > 220) expect = 60 / (bits - 210) + 2;
        g_rounds = 0;
        EXPECT_TRUE(isprime(n));
        EXPECT_EQ(g_rounds, expect) << c.get("Note");
        if (bits == 160) {
            EXPECT_EQ(g_rounds, 6);
        }
        if (bits == 256) {
            EXPECT_EQ(g_rounds, 3);
        }
        if (bits >= 271) {
            EXPECT_EQ(g_rounds, 2);
        }
        ++checked;
    }
    EXPECT_GT(checked, 20);
    // A hook answering false stops the test (false) and the next-prime search.
    g_hook_answer = false;
    Big p("FFFFFFFFFFFFFFC5");  // 2^64 - 59, prime
    g_rounds = 0;
    EXPECT_FALSE(isprime(p));
    EXPECT_EQ(g_rounds, 1);
    Big x;
    EXPECT_FALSE(nxprime(Big("FFFFFFFFFFFFFF00"), x));
    g_hook_answer = true;
    E->user_hook = nullptr;
    // The test leaves the current modulus alone.
    Big m("F1");
    prepare_monty(m);
    EXPECT_TRUE(isprime(p));
    EXPECT_EQ(get_hex(E->modulus), "F1");
    // With an error recorded the answer is true at once.
    Big four(4);
    report_error(3);
    EXPECT_TRUE(isprime(four));
}

TEST_F(Primes, PrimeTableAndTrialDivision) {
    gprime(1);
    int count = 0;
    for (const int32_t* p = E->small_primes; *p; ++p) ++count;
    EXPECT_EQ(count, 168);  // primes below 1001
    EXPECT_EQ(E->small_primes[0], 2);
    EXPECT_EQ(E->small_primes[167], 997);
    gprime(10000);
    count = 0;
    for (const int32_t* p = E->small_primes; *p; ++p) ++count;
    EXPECT_EQ(count, 1229);  // pi(10001)
    gprime(0);
    EXPECT_EQ(E->small_primes, nullptr);
    gprime(1 << 30);
    EXPECT_EQ(engine_error(), 14);
    engine_clear_error();

    struct Row {
        const char* x;
        int same;      // trial_division(x, x)
        int other;     // trial_division(x, y)
        const char* y; // y afterwards
    };
    const Row rows[] = {
        {"2", 1, 1, "2"},
        {"C", 0, 1, "3"},     // 12 = 2^2 * 3: the cofactor 3 is prime
        {"3E5", 1, 1, "3E5"}, // 997
        {"3F1", 1, 1, "3F1"}, // 1009 (1009 > 31^2... its square root is below the table)
        // 2^3 * 1000003 * 1000033: cofactor undecided
        {"746B6530B18", 0, 2, "E8D6CA6163"},
        {"1", 0, 0, "1"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.x);
        Big x(r.x), y;
        EXPECT_EQ(trial_division(x, x), r.same);
        EXPECT_EQ(get_hex(x), r.x);
        EXPECT_EQ(trial_division(x, y), r.other);
        EXPECT_EQ(get_hex(y), r.y);
    }
}

TEST_F(Primes, SingleWordHelpersAgainstNaive) {
    auto rng = testsupport::TestRng::for_test(21);
    SCOPED_TRACE(testsupport::test_seed_note());
    auto naive_pow = [](int64_t a, int64_t e, int64_t m) {  // square and multiply
        int64_t r = 1 % m;
        a = ((a % m) + m) % m;
        for (; e > 0; e >>= 1, a = a * a % m)
            if (e & 1) r = r * a % m;
        return r;
    };
    for (int m = 2; m < 120; ++m) {
        for (int a = -m; a < 2 * m; ++a) {
            const int inv = small_inverse(a, m);
            int64_t brute = 0;
            for (int64_t t = 1; t < m; ++t)
                if (((static_cast<int64_t>(a) * t) % m + m) % m == 1) {
                    brute = t;
                    break;
                }
            ASSERT_EQ(inv, brute) << a << " mod " << m;
            ASSERT_EQ(small_powmod(a, 13, m), naive_pow(a, 13, m)) << a << " " << m;
        }
    }
    // Jacobi symbol: product of Legendre symbols by Euler's criterion.
    auto naive_jacobi = [&](int a, int n) {
        int result = 1, rest = n;
        for (int q = 3; rest > 1; q += 2) {
            while (rest % q == 0) {
                rest /= q;
                const int64_t l = naive_pow(a, (q - 1) / 2, q);
                result *= l == 0 ? 0 : (l == 1 ? 1 : -1);
            }
        }
        return result;
    };
    for (int n = 1; n < 200; n += 2)
        for (int a = -20; a < 2 * n; ++a) ASSERT_EQ(small_jacobi(a, n), naive_jacobi(a, n)) << a << "/" << n;
    EXPECT_EQ(small_jacobi(3, 10), 0);
    EXPECT_EQ(small_jacobi(5, 1), 1);
    // Square roots modulo primes, including p - 1 with many factors of two.
    for (int p : {2, 3, 5, 13, 17, 97, 193, 257, 7681, 12289, 40961, 65537, 786433}) {
        const int step = p > 5000 ? p / 997 : 1;
        for (int a = 0; a < p; a += step) {
            const int r = small_sqrt(a, p);
            if (naive_pow(a, (p - 1) / 2, p) <= 1 || p == 2) {
                ASSERT_EQ(static_cast<int64_t>(r) * r % p, a % p) << a << " mod " << p;
            }
        }
    }
    EXPECT_EQ(small_sqrt(1, 97), 1);
    EXPECT_EQ(small_sqrt(0, 97), 0);
    EXPECT_EQ(small_sqrt(97 * 3, 97), 0);
    EXPECT_EQ(small_powmod(97 * 2, 5, 97), 0);
    EXPECT_EQ(small_powmod(3, -1, 7), 5);  // 3^-1 = 5 mod 7
    EXPECT_EQ(small_powmod(1, INT32_MIN, 7), 1);
    EXPECT_EQ(small_powmod(2, 0, 1), 0);
    // Chinese remainders over random pairwise-coprime moduli (distinct primes and
    // a prime power), checked residue by residue.
    const int iters = testsupport::test_iters(50);
    for (int it = 0; it < iters; ++it) {
        std::vector<int> mods = {1 << static_cast<int>(1 + rng.below(20))};
        for (int q : {3, 5, 7, 11, 13, 65521, 2147483647}) {
            if (rng.coin()) mods.push_back(q);
        }
        small_crt_ctx ctx;
        ASSERT_TRUE(small_crt_init(&ctx, static_cast<int>(mods.size()), mods.data()));
        std::vector<int> res;
        for (int m : mods) res.push_back(static_cast<int>(rng.below(static_cast<uint64_t>(m))));
        Big x;
        small_crt(&ctx, res.data(), x);
        for (size_t i = 0; i < mods.size(); ++i) EXPECT_EQ(remain(x, mods[i]), res[i]);
        Big prod(1);
        for (int m : mods) premult(prod, m, prod);
        EXPECT_LT(big_compare(x, prod), 0);
        small_crt_free(&ctx);
        EXPECT_EQ(ctx.moduli, nullptr);
    }
    int single = 7, not_coprime[] = {6, 9};
    small_crt_ctx ctx;
    ASSERT_TRUE(small_crt_init(&ctx, 1, &single));
    int r = 12;
    Big x;
    small_crt(&ctx, &r, x);
    EXPECT_EQ(get_hex(x), "5");
    small_crt_free(&ctx);
    EXPECT_FALSE(small_crt_init(&ctx, 2, not_coprime));
    // quick_is_prime: exact below 2^30
    for (int v = -3; v < 3000; ++v) {
        bool naive = v >= 2;
        for (int q = 2; q * q <= v && naive; ++q) naive = v % q != 0;
        ASSERT_EQ(quick_is_prime(Big(v), 1), naive) << v;
    }
    EXPECT_TRUE(quick_is_prime(Big(1073741789), 1));  // largest prime below 2^30
    EXPECT_FALSE(quick_is_prime(Big("40000000"), 5));  // 2^30, even
    EXPECT_EQ(engine_error(), 0);
}

}  // namespace
