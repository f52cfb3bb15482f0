// Modular arithmetic against reference vectors computed with Python integers
// (tests/vectors/gen/gen_modular.py), every vector through each entry point that
// computes it and in its aliasing forms; error rules of the current modulus.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/big.h"
#include "engine/modular.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/test_rng.h"
#include "tests/support/vectors.h"

namespace {

using testsupport::Big;
using testsupport::get_hex;
using testsupport::is_canonical;
using testsupport::set_hex;

class Modular : public testsupport::EngineTest {
   protected:
    // Every case starts from a clean error state (a failing case must not mask the next).
    void check_clean(const testsupport::VectorCase& c) {
        ASSERT_EQ(engine_error(), 0) << c.where;
    }
};

std::vector<std::string> split_list(const std::string& s) {
    std::vector<std::string> out;
    std::stringstream ss(s);
    std::string item;
    while (std::getline(ss, item, ',')) out.push_back(item);
    return out;
}

int hex_int(const std::string& s) { return static_cast<int>(std::stol(s, nullptr, 16)); }

// xd*x + yd*y = z, checked as (xd*x - z)/y = -yd exactly (mad works at double
// length, so the products may exceed the precision).
void expect_bezout(big x, big y, big xd, big yd, big z, const std::string& where) {
    Big q, r, t;
    if (big_is_zero(y)) {
        multiply(xd, x, t);
        EXPECT_EQ(get_hex(t), get_hex(z)) << where;
        return;
    }
    big_negate(z, t);
    mad(xd, x, t, y, q, r);
    EXPECT_EQ(get_hex(r), "0") << where;
    big_negate(q, q);
    EXPECT_EQ(get_hex(q), get_hex(yd)) << where;
}

#define EXPECT_BIG(x, hex, where)                          \
    do {                                                   \
        EXPECT_EQ(get_hex(x), hex) << where << " " #x;      \
        EXPECT_TRUE(is_canonical(x)) << where << " " #x;    \
    } while (0)

TEST_F(Modular, MultiplicationAdditionAndConversionVectors) {
    const auto cases = testsupport::load_vectors("engine/modular.txt");
    int seen = 0;
    for (const auto& c : cases) {
        if (c.section != "ModMult") continue;
        ++seen;
        Big n(c.get("N")), a(c.get("A")), b(c.get("B")), w, t;
        prepare_monty(n);
        // Raw values taken as residues: the Montgomery product itself.
        nres_modmult(a, b, w);
        EXPECT_BIG(w, c.get("Mont"), c.where);
        nres_modmult(b, a, w);
        EXPECT_BIG(w, c.get("Mont"), c.where);
        big_copy(a, t);
        nres_modmult(t, b, t);  // output = first input
        EXPECT_BIG(t, c.get("Mont"), c.where);
        big_copy(b, t);
        nres_modmult(a, t, t);  // output = second input
        EXPECT_BIG(t, c.get("Mont"), c.where);
        nres_modmult(a, a, w);  // squaring
        EXPECT_BIG(w, c.get("Sqr"), c.where);
        big_copy(a, t);
        nres_modmult(t, t, t);
        EXPECT_BIG(t, c.get("Sqr"), c.where);
        // Through Montgomery form and back.
        Big ar, br, wr;
        nres(a, ar);
        nres(b, br);
        nres_modmult(ar, br, wr);
        redc(wr, w);
        EXPECT_BIG(w, c.get("Out"), c.where);
        redc(ar, w);
        EXPECT_BIG(w, c.get("A"), c.where);
        // Additive operations work the same on either form; check on the plain values.
        nres_modadd(a, b, w);
        EXPECT_BIG(w, c.get("Add"), c.where);
        big_copy(a, t);
        nres_modadd(t, t, t);
        nres_modsub(a, b, w);
        EXPECT_BIG(w, c.get("Sub"), c.where);
        big_copy(b, t);
        nres_modsub(a, t, t);
        EXPECT_BIG(t, c.get("Sub"), c.where);
        nres_negate(a, w);
        EXPECT_BIG(w, c.get("Neg"), c.where);
        big_copy(a, t);
        nres_negate(t, t);
        EXPECT_BIG(t, c.get("Neg"), c.where);
        nres_premult(a, hex_int(c.get("K")), w);
        EXPECT_BIG(w, c.get("Premult"), c.where);
        big_copy(a, t);
        nres_premult(t, hex_int(c.get("K")), t);
        EXPECT_BIG(t, c.get("Premult"), c.where);
        check_clean(c);
    }
    EXPECT_GT(seen, 150);
}

TEST_F(Modular, PowerVectorsOddAndEvenModuli) {
    const auto cases = testsupport::load_vectors("engine/modular.txt");
    int seen = 0;
    for (const auto& c : cases) {
        if (c.section != "PowMod" && c.section != "PowLtr") continue;
        ++seen;
        Big n(c.get("N")), e(c.get("E")), w, t;
        const bool odd = (n.get()->w[0] & 1u) != 0;
        // A different current modulus: the even path must leave it alone.
        Big other("FFFFFFFFFFFFFFC5");
        prepare_monty(other);
        if (c.section == "PowMod") {
            Big x(c.get("X"));
            powmod(x, e, n, w);
            EXPECT_BIG(w, c.get("Out"), c.where);
            if (big_len(n) <= 8) {  // aliasing forms on the smaller sizes
                big_copy(x, t);
                powmod(t, e, n, t);  // output = base
                EXPECT_BIG(t, c.get("Out"), c.where);
                big_copy(e, t);
                powmod(x, t, n, t);  // output = exponent
                EXPECT_BIG(t, c.get("Out"), c.where);
            }
            if (odd) {
                Big xr, wr;
                prepare_monty(n);
                nres(x, xr);
                nres_powmod(xr, e, wr);
                redc(wr, w);
                EXPECT_BIG(w, c.get("Out"), c.where);
                nres_powmod(xr, e, xr);
                redc(xr, w);
                EXPECT_BIG(w, c.get("Out"), c.where);
            }
        } else {
            const int k = hex_int(c.get("K"));
            powltr(k, e, n, w);
            EXPECT_BIG(w, c.get("Out"), c.where);
            big_copy(e, t);
            powltr(k, t, n, t);
            EXPECT_BIG(t, c.get("Out"), c.where);
            if (odd) {
                Big wr;
                prepare_monty(n);
                nres_powltr(k, e, wr);
                redc(wr, w);
                EXPECT_BIG(w, c.get("Out"), c.where);
            }
        }
        if (!odd) {
            EXPECT_EQ(get_hex(E->modulus), "FFFFFFFFFFFFFFC5") << c.where;
        }
        check_clean(c);
    }
    EXPECT_GT(seen, 150);
}

TEST_F(Modular, DivisionInverseAndGcdVectors) {
    const auto cases = testsupport::load_vectors("engine/modular.txt");
    int seen = 0;
    for (const auto& c : cases) {
        if (c.section == "ModDiv") {
            ++seen;
            Big n(c.get("N")), x(c.get("X")), y(c.get("Y")), w, t;
            prepare_monty(n);
            const std::string gcd = c.get("Gcd");
            const int expect = gcd.size() > 7 ? (1 << 30) : hex_int(gcd);
            EXPECT_EQ(nres_moddiv(x, y, w), expect) << c.where;
            EXPECT_BIG(w, c.get("Out"), c.where);
            big_copy(x, t);
            nres_moddiv(t, y, t);
            EXPECT_BIG(t, c.get("Out"), c.where);
            big_copy(y, t);
            nres_moddiv(x, t, t);
            EXPECT_BIG(t, c.get("Out"), c.where);
        } else if (c.section == "Inverse") {
            ++seen;
            Big x(c.get("X")), y(c.get("Y")), xd, yd, z, s, u;
            const std::string gcd = c.get("Gcd");
            const int expect = gcd.size() > 7 ? (1 << 30) : hex_int(gcd);
            EXPECT_EQ(xgcd(x, y, xd, yd, z), expect) << c.where;
            EXPECT_BIG(z, gcd, c.where);
            expect_bezout(x, y, xd, yd, z, c.where);
            if (c.has("Inv")) {
                big_copy(x, u);
                xgcd(u, y, u, u, u);  // all outputs the same, and equal to x
                EXPECT_BIG(u, c.get("Inv"), c.where);
                big_copy(y, u);
                xgcd(x, u, u, u, u);  // all outputs equal to y
                EXPECT_BIG(u, c.get("Inv"), c.where);
            }
            // outputs aliasing inputs: xd = x, yd = y
            Big x2(c.get("X")), y2(c.get("Y"));
            xgcd(x2, y2, x2, y2, z);
            expect_bezout(x, y, x2, y2, z, c.where);
        }
        check_clean(c);
    }
    EXPECT_GT(seen, 100);
}

TEST_F(Modular, JacobiLucasAndDotProductVectors) {
    const auto cases = testsupport::load_vectors("engine/modular.txt");
    int seen = 0;
    for (const auto& c : cases) {
        if (c.section == "Jacobi") {
            ++seen;
            Big a(c.get("A")), n(c.get("N"));
            EXPECT_EQ(jack(a, n), std::stoi(c.get("J"))) << c.where;
            if (big_len(n) == 1 && n.get()->w[0] < 0x80000000u && big_len(a) <= 1 &&
                (big_len(a) == 0 || a.get()->w[0] < 0x80000000u)) {
                EXPECT_EQ(small_jacobi(big_int_size(a), static_cast<int>(n.get()->w[0])),
                          std::stoi(c.get("J")))
                    << c.where;
            }
        } else if (c.section == "Lucas") {
            ++seen;
            Big n(c.get("N")), p(c.get("P")), r(c.get("R")), pr, vp, v;
            prepare_monty(n);
            nres(p, pr);
            nres_lucas(pr, r, vp, v);
            redc(v, v);
            redc(vp, vp);
            EXPECT_BIG(v, c.get("V"), c.where);
            EXPECT_BIG(vp, c.get("Vp"), c.where);
            Big q;
            big_copy(pr, q);
            nres_lucas(q, r, q, v);  // vp = p
            redc(q, q);
            EXPECT_BIG(q, c.get("Vp"), c.where);
            big_copy(pr, q);
            nres_lucas(q, r, vp, q);  // v = p
            redc(q, q);
            EXPECT_BIG(q, c.get("V"), c.where);
        } else if (c.section == "DotProd") {
            ++seen;
            Big n(c.get("N")), w;
            prepare_monty(n);
            std::vector<std::unique_ptr<Big>> xs, ys;
            std::vector<big> xp, yp;
            for (const auto& s : split_list(c.get("X"))) xs.push_back(std::make_unique<Big>(s));
            for (const auto& s : split_list(c.get("Y"))) ys.push_back(std::make_unique<Big>(s));
            for (size_t i = 0; i < xs.size(); ++i) {
                xp.push_back(xs[i]->get());
                yp.push_back(ys[i]->get());
            }
            nres_dotprod(static_cast<int>(xp.size()), xp.data(), yp.data(), w);
            EXPECT_BIG(w, c.get("Mont"), c.where);
            nres_dotprod(static_cast<int>(xp.size()), xp.data(), yp.data(), xp[0]);  // w = x[0]
            EXPECT_BIG(xp[0], c.get("Mont"), c.where);
        }
        check_clean(c);
    }
    EXPECT_GT(seen, 80);
}

TEST_F(Modular, MultiInverseMatchesSingleInversions) {
    auto rng = testsupport::TestRng::for_test(11);
    SCOPED_TRACE(testsupport::test_seed_note());
    // Prime moduli (every non-zero residue invertible): 2^k - c from the sympy data.
    std::vector<std::string> primes;
    for (const auto& c : testsupport::load_vectors("engine/modular_primes.txt"))
        if (c.section == "Prime" && c.get("Prime") == "1" && c.get("N").size() > 7) primes.push_back(c.get("N"));
    ASSERT_GT(primes.size(), 10u);
    for (const std::string& ph : primes) {
        Big n(ph);
        const int bits = logb2(n);
        prepare_monty(n);
        constexpr int m = 7;
        std::vector<std::unique_ptr<Big>> xs, ws;
        std::vector<big> xp, wp;
        for (int i = 0; i < m; ++i) {
            xs.push_back(std::make_unique<Big>());
            ws.push_back(std::make_unique<Big>());
            std::vector<uint32_t> v = rng.words_with_bits(bits - 1);
            testsupport::set_words(*xs.back(), v);
            xp.push_back(xs.back()->get());
            wp.push_back(ws.back()->get());
        }
        ASSERT_TRUE(nres_multi_inverse(m, xp.data(), wp.data())) << bits;
        Big one, prod, single;
        nres(Big(1), one);
        for (int i = 0; i < m; ++i) {
            nres_modmult(xp[i], wp[i], prod);
            EXPECT_EQ(get_hex(prod), get_hex(one)) << bits << " " << i;
            EXPECT_EQ(nres_moddiv(one, xp[i], single), 1);
            EXPECT_EQ(get_hex(single), get_hex(wp[i]));
        }
        // m = 1 is a plain inversion; a zero makes the single inversion fail.
        ASSERT_TRUE(nres_multi_inverse(1, xp.data(), wp.data()));
        nres_moddiv(one, xp[0], single);
        EXPECT_EQ(get_hex(wp[0]), get_hex(single));
        big_zero(xp[3]);
        EXPECT_FALSE(nres_multi_inverse(m, xp.data(), wp.data()));
        for (int i = 0; i < m; ++i) EXPECT_EQ(get_hex(wp[i]), "0");
        EXPECT_EQ(engine_error(), 0);
    }
}

TEST_F(Modular, RandomProductsAgreeWithPlainArithmetic) {
    // (a*b) mod n by the engine's multiply/divide against redc(nres(a)*nres(b)),
    // over random sizes up to the precision.
    auto rng = testsupport::TestRng::for_test(12);
    SCOPED_TRACE(testsupport::test_seed_note());
    const int iters = testsupport::test_iters(300);
    for (int it = 0; it < iters; ++it) {
        const int bits = rng.interesting_bits(32 * 69 - 1);
        Big n, a, b, ar, br, w, plain, q;
        testsupport::set_words(n, rng.words_with_bits(bits));
        n.get()->w[0] |= 1u;
        if (big_len(n) == 1 && n.get()->w[0] < 3) continue;
        testsupport::set_words(a, rng.words_with_bits(1 + static_cast<int>(rng.below(bits))));
        testsupport::set_words(b, rng.words_with_bits(1 + static_cast<int>(rng.below(bits))));
        prepare_monty(n);
        nres(a, ar);
        nres(b, br);
        nres_modmult(ar, br, w);
        redc(w, w);
        mad(a, b, a, n, q, plain);  // z = x: nothing added
        ASSERT_EQ(get_hex(w), get_hex(plain)) << "bits " << bits;
        ASSERT_EQ(engine_error(), 0);
    }
}

TEST_F(Modular, ModulusRulesAndErrors) {
    Big good("FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFEFFFFFFFFFFFFFFFF");
    const uint32_t nd = prepare_monty(good);
    EXPECT_EQ(nd * good.get()->w[0], 0xFFFFFFFFu);  // n * n' = -1 mod 2^32
    EXPECT_EQ(E->modulus_mod8, 7);
    EXPECT_EQ(E->small_qnr, -2);
    EXPECT_FALSE(E->modulus_pow2_words);
    EXPECT_EQ(prepare_monty(good), nd);  // cached
    for (const char* bad : {"0", "1", "2", "-7", "100", "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFE"}) {
        SCOPED_TRACE(bad);
        Big n(bad);
        EXPECT_EQ(prepare_monty(n), 0u);
        EXPECT_EQ(engine_error(), 19);
        EXPECT_EQ(get_hex(E->modulus), get_hex(good));  // the previous modulus stays
        engine_clear_error();
    }
    // small_qnr and n mod 8 by class
    for (auto [hex, mod8, qnr] : {std::tuple{"B", 3, -1}, std::tuple{"D", 5, -2},
                                   std::tuple{"11", 1, 0}, std::tuple{"7", 7, -2}}) {
        Big n(hex);
        prepare_monty(n);
        EXPECT_EQ(E->modulus_mod8, mod8);
        EXPECT_EQ(E->small_qnr, qnr);
    }
    // Karatsuba sizes: 481..512, 993..1024, 2017..2048 bits, with the full inverse
    for (auto [bits, kara] : {std::pair{481, true}, std::pair{512, true}, std::pair{513, false},
                              std::pair{480, false}, std::pair{993, true}, std::pair{1024, true},
                              std::pair{2048, true}, std::pair{2016, false}}) {
        Big n, one, r;
        expb2(bits - 1, n);
        incr(n, 1, n);
        prepare_monty(n);
        EXPECT_EQ(E->modulus_pow2_words, kara) << bits;
        if (kara) {
            // n * nfull = -1 mod R: the low k words of the product, by hand
            const int k = big_len(n);
            std::vector<uint32_t> low(static_cast<size_t>(k) + 1, 0);
            for (int i = 0; i < k; ++i) {
                uint64_t c = 0;
                for (int j = 0; i + j < k; ++j) {
                    const uint64_t s = static_cast<uint64_t>(n.get()->w[i]) * E->mont_ndash_full->w[j] +
                                       low[static_cast<size_t>(i + j)] + c;
                    low[static_cast<size_t>(i + j)] = static_cast<uint32_t>(s);
                    c = s >> 32;
                }
            }
            for (int i = 0; i < k; ++i) EXPECT_EQ(low[static_cast<size_t>(i)], 0xFFFFFFFFu) << bits;
        }
    }
    // No modulus: error 20.
    engine_teardown();
    SetUp();
    Big x(5), y;
    nres(x, y);
    EXPECT_EQ(engine_error(), 20);
    engine_clear_error();
    nres_modmult(x, x, y);
    EXPECT_EQ(engine_error(), 20);
    engine_clear_error();
    // Forbidden aliasing and exponents.
    Big n("65"), e(3);
    prepare_monty(n);
    EXPECT_EQ(nres_moddiv(x, x, y), 0);
    EXPECT_EQ(engine_error(), 7);
    engine_clear_error();
    powmod(x, e, n, n);
    EXPECT_EQ(engine_error(), 7);
    engine_clear_error();
    Big neg("-3");
    powmod(x, neg, n, y);
    EXPECT_EQ(engine_error(), 10);
    engine_clear_error();
    nres_powmod(x, neg, y);
    EXPECT_EQ(engine_error(), 10);
    engine_clear_error();
    big xs[2] = {x.get(), y.get()};
    EXPECT_FALSE(nres_multi_inverse(2, xs, xs));
    EXPECT_EQ(engine_error(), 7);
    engine_clear_error();
    // powmod through the modulus 1 and 2: plain arithmetic
    Big one(1), two(2), w;
    powmod(x, e, one, w);
    EXPECT_EQ(get_hex(w), "0");
    powmod(x, e, two, w);
    EXPECT_EQ(get_hex(w), "1");
    EXPECT_EQ(engine_error(), 0);
    // After any recorded error the routines leave their outputs alone.
    Big keep(42);
    report_error(3);
    nres_modmult(x, x, keep);
    powmod(x, e, n, keep);
    EXPECT_EQ(get_hex(keep), "2A");
}

TEST_F(Modular, OutOfRangeInputsAreReducedFirst) {
    // n = 101, R = 2^32; expected values from Python: 205*(-5)*R^-1 = 0x1C,
    // 205 + (-5) = 0x63, nres(205) = 0x2, redc(205) = 0x37 (all mod 101).
    Big n("65"), a("CD"), b("-5"), w;
    prepare_monty(n);
    nres_modmult(a, b, w);
    EXPECT_EQ(get_hex(w), "1C");
    nres_modadd(a, b, w);
    EXPECT_EQ(get_hex(w), "63");
    nres(a, w);
    EXPECT_EQ(get_hex(w), "2");
    redc(a, w);
    EXPECT_EQ(get_hex(w), "37");
    EXPECT_EQ(engine_error(), 0);
}

TEST(ModularPrecision, LongInputsAreReducedAtAHigherPrecision) {
    // An instance of 8,192 bits: inputs far longer than the modulus still reduce
    // (redc(nres(x)) = x mod n, checked with divide).
    engine_instance* e = engine_open(8192, 2);
    ASSERT_NE(e, nullptr);
    e->error_control = true;
    {
        auto rng = testsupport::TestRng::for_test(13);
        Big n, x, r, q, plain;
        testsupport::set_words(n, rng.words_with_bits(95));
        n.get()->w[0] |= 1u;
        testsupport::set_words(x, rng.words_with_bits(32 * 250 - 3));
        prepare_monty(n);
        nres(x, r);
        redc(r, r);
        big_copy(x, plain);
        divide(plain, n, q);  // plain = x mod n
        EXPECT_EQ(get_hex(r), get_hex(plain));
        EXPECT_EQ(engine_error(), 0);
    }
    engine_teardown();
}

}  // namespace
