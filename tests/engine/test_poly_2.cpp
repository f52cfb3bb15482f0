// Polynomials over GF(2^163) (basis x^163 + x^7 + x^6 + x^3 + 1): the Karatsuba
// product against a schoolbook product written here over gf2_mul, reciprocal
// reduction against long division, powering against repeated multiplication,
// composition against Horner's rule, series inverses, gcds of known factors;
// Gf2Elem against the field routines and Point2 against OpenSSL key pairs
// (tests/vectors/engine/ec2_openssl.txt) on sect163k1 (tests/data).
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "engine/ec2.h"
#include "engine/gf2m.h"
#include "engine/poly_2.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/standard_curves.h"
#include "tests/support/test_rng.h"
#include "tests/support/vectors.h"

using namespace testsupport;

namespace {

class Poly2Test : public EngineTest {
   protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_TRUE(prepare_basis(163, 7, 6, 3, true));
    }
    void TearDown() override {
        set_modulus(Poly2());
        set_poly_abort_check(nullptr);
        EngineTest::TearDown();
    }
};

Gf2Elem random_elem(TestRng& rng) {
    BigInt x;
    std::vector<uint32_t> w(6);
    for (auto& v : w) v = rng.next32();
    w[5] &= 7;  // below 2^163
    set_words(x.get(), w);
    return Gf2Elem(x);
}

Poly2 random_poly(TestRng& rng, int deg) {
    Poly2 f;
    PolyTerm2* hint = nullptr;
    for (int i = deg; i >= 0; --i) {
        Gf2Elem c = random_elem(rng);
        if (i == deg && c.is_zero()) c = Gf2Elem(1);
        hint = f.add_term(c, i, hint);
    }
    return f;
}

// The coefficients of f, densely (element i is the coefficient of x^i).
std::vector<Gf2Elem> dense(const Poly2& f) {
    std::vector<Gf2Elem> d(static_cast<size_t>(f.degree() + 1));
    for (const PolyTerm2* t = f.head(); t != nullptr; t = t->next) d[static_cast<size_t>(t->n)] = t->c;
    return d;
}

// Schoolbook coefficient k of f*g: sum of gf2_mul products, added with gf2_add.
std::string reference_coeff(const std::vector<Gf2Elem>& f, const std::vector<Gf2Elem>& g, int k) {
    Big sum, prod;
    const int nf = static_cast<int>(f.size()), ng = static_cast<int>(g.size());
    for (int i = 0; i <= k && i < nf; ++i) {
        if (k - i >= ng) continue;
        gf2_mul(f[static_cast<size_t>(i)].get(), g[static_cast<size_t>(k - i)].get(), prod);
        gf2_add(sum, prod, sum);
    }
    return get_hex(sum);
}

std::string strip_zeros(const std::string& h) {
    const size_t i = h.find_first_not_of('0');
    return i == std::string::npos ? "0" : h.substr(i);
}

PolyMod2 horner(const Poly2& f, const PolyMod2& g) {
    PolyMod2 r;
    for (int i = f.degree(); i >= 0; --i) r = r * g + f.coeff(i);
    return r;
}

TEST_F(Poly2Test, KaratsubaProductEqualsSchoolbook) {
    SCOPED_TRACE(test_seed_note());
    auto rng = TestRng::for_test(31);
    // Full comparison up to a few hundred coefficients; for degree 2000 the
    // ends, the middle and every 41st coefficient.
    for (auto [da, db] : {std::pair{16, 16}, std::pair{16, 40}, std::pair{15, 70}, std::pair{100, 257},
                          std::pair{2000, 2000}}) {
        SCOPED_TRACE(std::to_string(da) + "x" + std::to_string(db));
        const Poly2 f = random_poly(rng, da), g = random_poly(rng, db);
        const Poly2 p = f * g;
        EXPECT_EQ(p.degree(), da + db);
        const int m = da + db + 1;
        const auto fd = dense(f), gd = dense(g), pd = dense(p);
        for (int k = 0; k < m; ++k) {
            if (m > 1000 && k % 41 != 0 && k != m / 2 && k != m - 1) continue;
            EXPECT_EQ(get_hex(pd[static_cast<size_t>(k)].get()), reference_coeff(fd, gd, k))
                << "coefficient " << k;
        }
    }
    // A square: only the squared terms survive.
    const Poly2 f = random_poly(rng, 300);
    const Poly2 s = f * f;
    const auto fd = dense(f), sd = dense(s);
    for (int k : {0, 1, 2, 299, 300, 301, 600})
        EXPECT_EQ(get_hex(sd[static_cast<size_t>(k)].get()), reference_coeff(fd, fd, k)) << "coefficient " << k;
}

TEST_F(Poly2Test, DivisionAndReciprocalReduction) {
    auto rng = TestRng::for_test(32);
    const Poly2 f = random_poly(rng, 90), g = random_poly(rng, 31);
    Poly2 q, r;
    divrem(f, g, q, r);
    EXPECT_EQ(q * g + r, f);
    EXPECT_LT(r.degree(), g.degree());
    for (int n : {16, 17, 60, 300}) {
        SCOPED_TRACE(n);
        const Poly2 F = random_poly(rng, n);
        set_modulus(F);
        EXPECT_EQ(poly_modulus_2(), F);
        const Poly2 a = random_poly(rng, n - 1), b = random_poly(rng, n - 2);
        EXPECT_EQ((PolyMod2(a) * PolyMod2(b)).poly(), (a * b) % F);
        EXPECT_EQ((PolyMod2(a) * PolyMod2(a)).poly(), (a * a) % F);
        const Poly2 big_f = random_poly(rng, 3 * n + 2);
        EXPECT_EQ(PolyMod2(big_f).poly(), big_f % F);
    }
}

TEST_F(Poly2Test, PowMatchesRepeatedMultiplication) {
    auto rng = TestRng::for_test(33);
    set_modulus(random_poly(rng, 40));
    for (int deg : {15, 16}) {
        SCOPED_TRACE(deg);
        const PolyMod2 f(random_poly(rng, deg));
        PolyMod2 acc(Poly2(1));
        for (int e = 0; e <= 45; ++e) {
            if (e == 0 || e == 1 || e == 2 || e == 31 || e == 32 || e == 45) {
                EXPECT_EQ(pow(f, BigInt(e)), acc) << "e=" << e;
            }
            acc = acc * f;
        }
    }
    // A long exponent against the product of two shorter powers.
    const PolyMod2 x(shift(Poly2(1), 1));
    const BigInt e1 = pow(BigInt(3), 50), e2 = pow(BigInt(7), 33);
    EXPECT_EQ(pow(x, e1 + e2), pow(x, e1) * pow(x, e2));
    // e = 0 gives 1 even modulo a polynomial of degree 1.
    set_modulus(random_poly(rng, 1));
    EXPECT_TRUE(pow(PolyMod2(Poly2(3)), BigInt(0)).is_one());
}

std::atomic<int> g_calls{0};
bool abort_now() {
    ++g_calls;
    return true;
}

TEST_F(Poly2Test, AbortFlagEndsPowAtOnce) {
    auto rng = TestRng::for_test(34);
    set_modulus(random_poly(rng, 50));
    set_poly_abort_check(&abort_now);
    const PolyMod2 f(random_poly(rng, 20));
    g_calls = 0;
    const PolyMod2 partial = pow(f, pow(BigInt(2), 80) + 3);
    EXPECT_EQ(g_calls.load(), 1);
    set_poly_abort_check(nullptr);
    EXPECT_NE(partial, pow(f, pow(BigInt(2), 80) + 3));
}

TEST_F(Poly2Test, ComposeSeriesAndGcd) {
    auto rng = TestRng::for_test(35);
    for (int n : {7, 16, 50}) {
        SCOPED_TRACE(n);
        set_modulus(random_poly(rng, n));
        const Poly2 f = random_poly(rng, n - 1);
        const PolyMod2 g(random_poly(rng, n - 1));
        EXPECT_EQ(compose(PolyMod2(f), g), horner(f, g));
    }
    for (int n : {1, 2, 17, 200}) {
        const Poly2 f = random_poly(rng, n + 5);
        EXPECT_TRUE(truncate(inverse_series(f, n) * f, n).is_one()) << "n=" << n;
    }
    Poly2 u = random_poly(rng, 12);
    const Poly2 v = random_poly(rng, 20), w = random_poly(rng, 17);
    const Poly2 g = gcd(u * v, u * w);
    u.make_monic();
    EXPECT_EQ(g, u);
    set_modulus(u * v);
    EXPECT_EQ(gcd(PolyMod2(u * w)), u);
}

TEST_F(Poly2Test, TermListEdgeCasesAndGf2Elem) {
    auto rng = TestRng::for_test(36);
    Poly2 zero, one(1);
    EXPECT_EQ(zero.degree(), 0);
    EXPECT_TRUE(zero.is_zero() && !one.is_zero() && one.is_one());
    const Poly2 f = random_poly(rng, 25);
    EXPECT_TRUE((f + f).is_zero());
    EXPECT_TRUE((f + (-f)).is_zero());
    EXPECT_EQ((f * Gf2Elem(5)) / Gf2Elem(5), f);

    // Gf2Elem against the field routines.
    for (int i = 0; i < 5; ++i) {
        const Gf2Elem x = random_elem(rng), y = random_elem(rng);
        Big r, inv;
        gf2_add(x.get(), y.get(), r);
        EXPECT_EQ(get_hex((x + y).get()), get_hex(r));
        EXPECT_EQ(x - y, x + y);
        gf2_mul(x.get(), y.get(), r);
        EXPECT_EQ(get_hex((x * y).get()), get_hex(r));
        gf2_square(x.get(), r);
        EXPECT_EQ(get_hex((x * x).get()), get_hex(r));
        ASSERT_TRUE(gf2_inverse(y.get(), inv));
        gf2_mul(x.get(), inv, r);
        EXPECT_EQ(get_hex((x / y).get()), get_hex(r));
        gf2_sqrt(x.get(), r);
        EXPECT_EQ(get_hex(sqrt(x).get()), get_hex(r));
        EXPECT_EQ(pow(x, BigInt(5)), x * x * x * x * x);
        EXPECT_EQ(BigInt(x.to_big().get()), x.to_big());
    }
    EXPECT_TRUE((Gf2Elem(7) / Gf2Elem(0)).is_zero());
    EXPECT_TRUE(Gf2Elem(1).is_one());
}

TEST_F(Poly2Test, Point2MatchesOpenSslKeyPairs) {
    const auto& c = standard_curve("sect163k1");
    const auto& e = c.poly_exponents;
    ASSERT_EQ(e.size(), 5u);
    BigInt A, B, gx, gy;
    set_hex(A.get(), c.a);
    set_hex(B.get(), c.b);
    set_hex(gx.get(), c.gx);
    set_hex(gy.get(), c.gy);
    ASSERT_TRUE(ecurve2_init(c.m, e[1], e[2], e[3], A, B, 1));
    Point2 G;
    ASSERT_TRUE(G.set(gx, gy));
    int checked = 0;
    for (const auto& v : load_vectors("engine/ec2_openssl.txt")) {
        if (v.section != "sect163k1" || !v.has("Priv")) continue;
        SCOPED_TRACE(v.where);
        BigInt d, x, y;
        set_hex(d.get(), v.get("Priv"));
        mul(d, G).get(x, y);
        EXPECT_EQ(get_hex(x.get()), strip_zeros(v.get("Qx")));
        EXPECT_EQ(get_hex(y.get()), strip_zeros(v.get("Qy")));
        ++checked;
    }
    EXPECT_GT(checked, 0);
    const Point2 g2 = G + G, g3 = g2 + G;
    EXPECT_EQ(g2, mul(BigInt(2), G));
    EXPECT_EQ(g3 - G, g2);
    EXPECT_TRUE((G + (-G)).is_infinity());
    EXPECT_EQ(mul(BigInt(3), G, BigInt(4), g2), mul(BigInt(11), G));
    Point2 xs[2] = {G, g2}, ws[2] = {g3, g3};
    multi_add(2, xs, ws);
    EXPECT_EQ(ws[0], mul(BigInt(4), G));
    EXPECT_EQ(ws[1], mul(BigInt(5), G));
    BigInt x, y;
    const int bit = g3.get(x, y);
    Point2 cpt;
    ASSERT_TRUE(cpt.set(x, bit));
    EXPECT_EQ(cpt, g3);
    EXPECT_TRUE(mul(BigInt(0), G).is_infinity());
}

}  // namespace
