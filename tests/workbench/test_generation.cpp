// Curve generation: the seed-derived value, primes = 3 (mod 4), random numbers
// of exact size and the seed/hash check boxes; then &GENERATE and GET &NP on both
// kinds of curve. References: tests/vectors/workbench/generation.txt (hashlib and
// sympy), an independent byte-level derivation of H (seed_reference.h), a
// deterministic Miller-Rabin on 64-bit numbers, naive point counts.
#include <cstdint>

#include "engine/modular.h"
#include "engine/values.h"
#include "tests/support/vectors.h"
#include "tests/workbench/actions_fixture.h"
#include "tests/workbench/seed_reference.h"
#include "workbench/generation.h"

namespace {

using testsupport::ActionsTest;
using testsupport::reference_derive;

BigInt num(const std::string& hex) {
    BigInt x;
    cinstr(x.get(), hex.c_str());
    return x;
}

__extension__ typedef unsigned __int128 u128;

uint64_t mulmod64(uint64_t a, uint64_t b, uint64_t n) { return static_cast<uint64_t>(static_cast<u128>(a) * b % n); }

// Deterministic Miller-Rabin for n < 2^64 (the first 12 primes as bases).
bool prime64(uint64_t n) {
    if (n < 2) return false;
    for (uint64_t p : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37}) {
        if (n % p == 0) return n == p;
    }
    uint64_t d = n - 1;
    int s = 0;
    for (; d % 2 == 0; d /= 2) ++s;
    for (uint64_t a : {2, 3, 5, 7, 11, 13, 17, 19, 23, 29, 31, 37}) {
        uint64_t x = 1, base = a, e = d;
        for (; e != 0; e >>= 1, base = mulmod64(base, base, n))
            if (e & 1) x = mulmod64(x, base, n);
        if (x == 1 || x == n - 1) continue;
        bool composite = true;
        for (int r = 1; r < s && composite; ++r) {
            x = mulmod64(x, x, n);
            if (x == n - 1) composite = false;
        }
        if (composite) return false;
    }
    return true;
}

using Generation = ActionsTest;

TEST_F(Generation, DeriveFromSeedAgainstHashlib) {
    for (const auto& v : testsupport::load_vectors("workbench/generation.txt")) {
        if (v.section != "derive") continue;
        SCOPED_TRACE(v.where);
        const int bits = std::stoi(v.get("Bits")), type = std::stoi(v.get("Type"));
        EXPECT_EQ(derive_from_seed(num(v.get("S")), bits, type).text(), v.get("W"));
        // The byte-level derivation agrees (it is used where no vector exists).
        if (v.get("S").size() <= 40) {
            EXPECT_EQ(reference_derive(v.get("S"), bits, type), v.get("W"));
        }
    }
    EXPECT_EQ(derive_from_seed(num("5"), 0, 0).text(), "0");
    // seed_hash of 20 zero bytes is the SHA-1 of those bytes.
    EXPECT_EQ(seed_hash(BigInt(0)).text(), "6768033E216468247BD031A0A2D9876D79818F8F");
}

TEST_F(Generation, NextPrime3Mod4AgainstSympy) {
    for (const auto& v : testsupport::load_vectors("workbench/generation.txt")) {
        if (v.section != "next_prime_3mod4") continue;
        SCOPED_TRACE(v.where);
        EXPECT_EQ(next_prime_3mod4(num(v.get("X"))).text(), v.get("P"));
    }
    EXPECT_EQ(next_prime_3mod4(BigInt(-100)).text(), "17");  // below 0 counts as 0: 23
}

TEST_F(Generation, RandomNumbersOfExactSize) {
    for (int n : {-1, 0, 1}) EXPECT_TRUE(random_exact_bits(n).is_zero());
    for (int n : {2, 3, 31, 32, 33, 64, 160, 1024}) {
        const BigInt a = random_exact_bits(n), b = random_exact_bits(n);
        EXPECT_EQ(bits(a), n);
        EXPECT_EQ(bits(b), n);
        if (n >= 31) {
            EXPECT_NE(a, b);
        }
    }
}

TEST_F(Generation, PrimeModuli) {
    for (int bits_wanted : {3, 5, 17, 32, 63, 64}) {
        SCOPED_TRACE(bits_wanted);
        const PrimeModulus pm = make_prime_modulus(bits_wanted);
        EXPECT_EQ(pm.tries, 1);
        ASSERT_LE(bits(pm.P), 64);
        const uint64_t p = big_to_u64(pm.P.get());
        EXPECT_TRUE(prime64(p));
        EXPECT_EQ(p % 4, 3u);
        EXPECT_GE(bits(pm.P), bits_wanted);
        // The search starts at least 12 above the random number: tiny sizes grow.
        EXPECT_LE(bits(pm.P), bits_wanted <= 5 ? 6 : bits_wanted + 1);
    }
    for (int bits_wanted : {65, 100, 160}) {
        SCOPED_TRACE(bits_wanted);
        const PrimeModulus pm = make_prime_modulus(bits_wanted);
        EXPECT_GE(pm.tries, 1);
        EXPECT_TRUE(isprime(pm.P.get()));
        EXPECT_EQ(pm.P % 4, 3);
        EXPECT_GE(bits(pm.P), bits_wanted - 1);
        EXPECT_LE(bits(pm.P), bits_wanted + 1);
        // P = k*q - 1 with k in 48, 52, ..., 76 and q prime.
        bool shaped = false;
        for (int k = 48; k <= 76; k += 4) {
            const BigInt q1 = pm.P + 1;
            if (q1 % k == 0 && isprime((q1 / k).get())) shaped = true;
        }
        EXPECT_TRUE(shaped);
    }
}

// "S160/L" and "Hash/H": both clear keeps S and H fresh and consistent; a
// ticked box keeps the user's value.
TEST_F(Generation, SeedAndHashCheckBoxes) {
    // Ticking S (H clear): S is kept, H derived from it with CurveBits = 64.
    ASSERT_TRUE(win->click(ctl::check_s));
    EXPECT_EQ(text(ctl::H), reference_derive("0", 64, 0));
    ASSERT_TRUE(type(ctl::S, "3045AE6FC8422F64ED579528D38120EAE12196D5"));
    ASSERT_TRUE(box(ctl::curve_bits, 192));
    // Ticking H: nothing new, H editable.
    const std::string h = text(ctl::H);
    ASSERT_TRUE(win->click(ctl::check_h));
    EXPECT_EQ(text(ctl::H), h);
    EXPECT_FALSE(win->read_only(ctl::field_edit(ctl::H)));
    // Unticking H: H derived from the typed S.
    ASSERT_TRUE(win->click(ctl::check_h));
    EXPECT_EQ(text(ctl::H), reference_derive("3045AE6FC8422F64ED579528D38120EAE12196D5", 192, 0));
    EXPECT_EQ(text(ctl::S), "3045AE6FC8422F64ED579528D38120EAE12196D5");
    // Unticking S: a fresh 160-bit S and its H; GF(2^m) derives with m and type 1.
    ASSERT_TRUE(win->choose(ctl::curve_type, 1));
    ASSERT_TRUE(box(ctl::m_box, 233));
    ASSERT_TRUE(win->click(ctl::check_s));
    EXPECT_EQ(counter(ctl::S), "160");
    EXPECT_EQ(text(ctl::H), reference_derive(text(ctl::S), 233, 1));
    EXPECT_TRUE(win->read_only(ctl::field_edit(ctl::S)));
    // m out of range is clamped to 3..1024.
    ASSERT_TRUE(box(ctl::m_box, 2000));
    ASSERT_TRUE(win->click(ctl::check_s));
    ASSERT_TRUE(win->click(ctl::check_s));
    EXPECT_EQ(text(ctl::H), reference_derive(text(ctl::S), 1024, 1));
}

}  // namespace
