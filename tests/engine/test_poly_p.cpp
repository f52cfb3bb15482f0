// Polynomials over GF(p): the transform product against a schoolbook product
// written here on plain 32-bit words (reduced once per coefficient with the
// engine's division), reciprocal reduction against long division, powering
// against repeated multiplication, composition against Horner's rule, series
// inverses, gcds of products of known factors, and the transform tables.
// The primes are the fields of secp160r1 and P-256 (tests/vectors/engine/ecp_mult.txt),
// plus a one-word and a 16-word prime found with the engine's nxprime.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "engine/fft.h"
#include "engine/modular.h"
#include "engine/poly_p.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/test_rng.h"
#include "tests/support/vectors.h"

using namespace testsupport;

namespace {

using Words = std::vector<uint32_t>;  // a plain coefficient, little-endian

class PolyPTest : public EngineTest {
   protected:
    void SetUp() override {
        EngineTest::SetUp();
        for (const auto& v : load_vectors("engine/ecp_mult.txt"))
            if (v.has("P")) m_primes[v.section] = v.get("P");
        ASSERT_TRUE(m_primes.count("secp160r1") && m_primes.count("prime256v1"));
    }
    void TearDown() override {
        set_modulus(PolyP());  // the thread's modulus must not outlive the instance
        set_poly_abort_check(nullptr);
        EngineTest::TearDown();
    }

    // Makes the named field current.
    void use_field(const std::string& name) {
        Big p(m_primes.at(name));
        use_prime(p);
    }
    void use_prime(big p) {
        prepare_monty(p);
        ASSERT_EQ(engine_error(), 0);
        m_p.assign(p->w, p->w + big_len(p));
    }
    void use_prime_with_bits(int bits) {
        Big start, p;
        expb2(bits - 1, start);
        incr(start, 12345, start);
        nxprime(start, p);
        use_prime(p);
    }

    // A random plain residue below p: the top word below p's top word.
    Words random_residue(TestRng& rng) {
        Words w(m_p.size());
        for (auto& x : w) x = rng.next32();
        w.back() = m_p.back() > 1 ? static_cast<uint32_t>(rng.below(m_p.back())) : 0;
        return w;
    }
    std::vector<Words> random_plain(TestRng& rng, int len) {
        std::vector<Words> a(static_cast<size_t>(len));
        for (auto& c : a) c = random_residue(rng);
        // A non-zero leading coefficient keeps the degree exact.
        if (len > 0) a.back()[0] |= 1;
        return a;
    }
    static PolyP to_poly(const std::vector<Words>& a) {
        PolyP f;
        PolyTermP* hint = nullptr;
        for (int i = static_cast<int>(a.size()) - 1; i >= 0; --i) {
            BigInt b;
            set_words(b.get(), a[static_cast<size_t>(i)]);
            hint = f.add_term(ModInt(b), i, hint);
        }
        return f;
    }
    // Plain coefficients of f as hex, padded with "0" to len.
    static std::vector<std::string> plain_hex(const PolyP& f, int len) {
        std::vector<std::string> out(static_cast<size_t>(len), "0");
        for (const PolyTermP* t = f.head(); t != nullptr; t = t->next) {
            if (t->n >= len) {
                ADD_FAILURE() << "unexpected term x^" << t->n;
                continue;
            }
            out[static_cast<size_t>(t->n)] = get_hex(t->c.to_big().get());
        }
        return out;
    }
    // Schoolbook a*b mod p on plain words: 64-bit column sums of 32x32-bit
    // products per output coefficient, carried into words, then one division.
    // Only the coefficients at `sample` (all when empty); the others stay "".
    std::vector<std::string> reference_product(const std::vector<Words>& a, const std::vector<Words>& b,
                                               std::vector<size_t> sample = {}) {
        const size_t k = m_p.size();
        const size_t m = a.size() + b.size() - 1;
        std::vector<std::string> out(m);
        Big pb, v;
        set_words(pb, m_p);
        std::vector<uint64_t> col(2 * k + 2);
        if (sample.empty())
            for (size_t c = 0; c < m; ++c) sample.push_back(c);
        for (size_t c : sample) {
            std::fill(col.begin(), col.end(), 0);
            const size_t lo = c >= b.size() ? c - b.size() + 1 : 0;
            const size_t hi = c < a.size() ? c : a.size() - 1;
            for (size_t i = lo; i <= hi; ++i) {
                const Words& x = a[i];
                const Words& y = b[c - i];
                for (size_t s = 0; s < k; ++s)
                    for (size_t t = 0; t < k; ++t) {
                        const uint64_t pr = static_cast<uint64_t>(x[s]) * y[t];
                        col[s + t] += pr & 0xFFFFFFFFu;
                        col[s + t + 1] += pr >> 32;
                    }
            }
            Words w(col.size() + 2, 0);
            uint64_t carry = 0;
            for (size_t s = 0; s < col.size(); ++s) {
                const uint64_t t = col[s] + carry;
                w[s] = static_cast<uint32_t>(t);
                carry = t >> 32;
            }
            w[col.size()] = static_cast<uint32_t>(carry);
            w[col.size() + 1] = static_cast<uint32_t>(carry >> 32);
            set_words(v, w);
            divide(v, pb, pb);  // only the remainder, left in v
            set_words(pb, m_p);
            out[c] = get_hex(v);
        }
        return out;
    }

    std::map<std::string, std::string> m_primes;
    Words m_p;
};

// Random polynomial of degree deg over the current field, through the class.
PolyP random_poly(TestRng& rng, int deg) {
    PolyP f;
    PolyTermP* hint = nullptr;
    for (int i = deg; i >= 0; --i) {
        ModInt c(static_cast<int>(rng.below(1u << 30)) + (i == deg ? 1 : 0));
        c *= ModInt(static_cast<int>(rng.below(1u << 30)) + 1);
        hint = f.add_term(c, i, hint);
    }
    return f;
}

// Horner evaluation of f at g, all mod the current modulus polynomial.
PolyModP horner(const PolyP& f, const PolyModP& g) {
    PolyModP r;
    for (int i = f.degree(); i >= 0; --i) r = r * g + f.coeff(i);
    return r;
}

// ---- products ------------------------------------------------------------------------------

TEST_F(PolyPTest, TransformProductEqualsSchoolbook) {
    SCOPED_TRACE(test_seed_note());
    auto rng = TestRng::for_test(1);
    struct Case {
        const char* field;
        int na, nb;  // coefficient counts
    };
    // Degrees from 16 up, lengths on both sides of transform sizes, one
    // degree-2000 product per field (whose schoolbook reference is formed for a
    // sample of coefficients: the ends, the middle, where 2001 products meet,
    // and every 37th), a square.
    const Case cases[] = {
        {"secp160r1", 17, 17},   {"secp160r1", 17, 40},   {"secp160r1", 64, 65},
        {"secp160r1", 257, 256}, {"secp160r1", 2001, 2001}, {"prime256v1", 17, 16},
        {"prime256v1", 33, 32},  {"prime256v1", 481, 481}, {"prime256v1", 2001, 1900},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + std::to_string(c.na) + "x" + std::to_string(c.nb));
        use_field(c.field);
        const auto a = random_plain(rng, c.na);
        const auto b = random_plain(rng, c.nb);
        const PolyP fa = to_poly(a), fb = to_poly(b);
        const PolyP prod = fa * fb;
        const size_t m = static_cast<size_t>(c.na + c.nb - 1);
        EXPECT_EQ(prod.degree(), c.na + c.nb - 2);
        std::vector<size_t> sample;
        if (m > 1000) {
            for (size_t i = 0; i < m; i += 37) sample.push_back(i);
            for (size_t i : {size_t{1}, m / 2 - 1, m / 2, m / 2 + 1, m - 2, m - 1}) sample.push_back(i);
        }
        const auto want = reference_product(a, b, sample);
        const auto got = plain_hex(prod, static_cast<int>(m));
        if (sample.empty()) {
            EXPECT_EQ(got, want);
        } else {
            for (size_t i : sample) EXPECT_EQ(got[i], want[i]) << "coefficient " << i;
        }
    }
    // A square (one forward transform) and a product below the dense threshold.
    use_field("prime256v1");
    const auto a = random_plain(rng, 300);
    const PolyP fa = to_poly(a);
    EXPECT_EQ(plain_hex(fa * fa, 599), reference_product(a, a));
    const auto s = random_plain(rng, 16);
    const PolyP fs = to_poly(s);
    EXPECT_EQ(plain_hex(fs * fa, 315), reference_product(s, a));
    EXPECT_EQ(plain_hex(fs * fs, 31), reference_product(s, s));
}

TEST_F(PolyPTest, TransformProductOnOneWordAndKaratsubaSizedPrimes) {
    // A one-word prime (single-limb reduction) and a 16-word prime, whose
    // Montgomery arithmetic takes the Karatsuba path.
    auto rng = TestRng::for_test(2);
    for (int bits : {31, 512}) {
        SCOPED_TRACE(bits);
        use_prime_with_bits(bits);
        const auto a = random_plain(rng, 100), b = random_plain(rng, 77);
        EXPECT_EQ(plain_hex(to_poly(a) * to_poly(b), 176), reference_product(a, b));
    }
}

TEST_F(PolyPTest, TablesFollowThePrimeRule) {
    use_field("prime256v1");
    Big p;
    set_words(p, m_p);
    const int log_n = 12;
    const int k = fft_prepare(log_n, p, p);
    ASSERT_GT(k, 0);
    const auto* t = E->fft_tables;
    ASSERT_NE(t, nullptr);
    ASSERT_GE(t->count, k);
    // Primes (c - j)*N + 1 below 2^30, descending, each with 2^(f-1) = 1 mod f,
    // and their product just past B = p*p*(2N + 1).
    Big B, prod(1), f;
    multiply(p, p, B);
    premult(B, 2 * (1 << log_n) + 1, B);
    uint32_t prev = 1u << 30;
    for (int i = 0; i < k; ++i) {
        const uint32_t q = t->primes[static_cast<size_t>(i)].f;
        EXPECT_LT(q, prev);
        EXPECT_EQ((q - 1) % (1u << log_n), 0u);
        prev = q;
        if (i == k - 1) {
            EXPECT_LT(big_compare(prod, B), 0) << "one prime fewer must not suffice";
        }
        big_from_uint(q, f);
        multiply(prod, f, prod);
    }
    EXPECT_GT(big_compare(prod, B), 0);
    // A later request of the same kind reuses the tables.
    const uint64_t gen = t->generation;
    EXPECT_EQ(fft_prepare(10, p, p), fft_prepare(10, p, p));
    EXPECT_EQ(E->fft_tables->generation, gen);
    EXPECT_EQ(fft_prepare(0, p, p), 0);
    Big zero;
    EXPECT_EQ(fft_prepare(8, zero, p), 0);
}

// ---- division and reduction -------------------------------------------------------------

TEST_F(PolyPTest, LongDivisionIdentity) {
    use_field("secp160r1");
    auto rng = TestRng::for_test(3);
    for (auto [df, dg] : {std::pair{40, 17}, std::pair{100, 99}, std::pair{5, 9}, std::pair{300, 3}}) {
        const PolyP f = random_poly(rng, df), g = random_poly(rng, dg);
        PolyP q, r;
        divrem(f, g, q, r);
        EXPECT_EQ(q * g + r, f);
        EXPECT_TRUE(r.is_zero() || r.degree() < g.degree());
        EXPECT_EQ(f / g, q);
        EXPECT_EQ(f % g, r);
    }
    // Division by zero is error 2 and gives 0.
    PolyP q, r;
    divrem(random_poly(rng, 3), PolyP(), q, r);
    EXPECT_EQ(engine_error(), 2);
    EXPECT_TRUE(q.is_zero() && r.is_zero());
}

TEST_F(PolyPTest, ReciprocalReductionEqualsLongDivision) {
    auto rng = TestRng::for_test(4);
    for (const char* field : {"secp160r1", "prime256v1"}) {
        use_field(field);
        for (int n : {16, 17, 40, 480}) {
            SCOPED_TRACE(std::string(field) + " n=" + std::to_string(n));
            const PolyP F = random_poly(rng, n);
            set_modulus(F);
            for (int rep = 0; rep < 2; ++rep) {
                const PolyP a = random_poly(rng, n - 1 - rep), b = random_poly(rng, n - 1);
                EXPECT_EQ((PolyModP(a) * PolyModP(b)).poly(), (a * b) % F);
                EXPECT_EQ((PolyModP(a) * PolyModP(a)).poly(), (a * a) % F);
            }
            // Construction reduces polynomials of any degree (several folds).
            const PolyP big_f = random_poly(rng, 3 * n + 5);
            EXPECT_EQ(PolyModP(big_f).poly(), big_f % F);
        }
    }
}

// ---- powering ----------------------------------------------------------------------------

TEST_F(PolyPTest, PowMatchesRepeatedMultiplication) {
    use_field("prime256v1");
    auto rng = TestRng::for_test(5);
    const PolyP F = random_poly(rng, 40);
    set_modulus(F);
    // Degree 15: square-and-multiply; degree 16: window of width 5.
    for (int deg : {15, 16}) {
        SCOPED_TRACE(deg);
        const PolyModP f(random_poly(rng, deg));
        PolyModP acc(PolyP(1));
        for (int e = 0; e <= 70; ++e) {
            if (e == 0 || e == 1 || e == 2 || e == 31 || e == 32 || e == 45 || e == 70) {
                EXPECT_EQ(pow(f, BigInt(e)), acc) << "e=" << e;
            }
            acc = acc * f;
        }
    }
    // A long exponent against the product of two shorter powers.
    const PolyModP x(shift(PolyP(1), 1));
    const BigInt e1 = pow(BigInt(3), 50), e2 = pow(BigInt(7), 33);
    EXPECT_EQ(pow(x, e1 + e2), pow(x, e1) * pow(x, e2));
    // Error 10 for a negative exponent.
    EXPECT_TRUE(pow(x, BigInt(-1)).is_zero());
    EXPECT_EQ(engine_error(), 10);
}

TEST_F(PolyPTest, PowOfZeroExponentIsOneForEveryModulus) {
    use_field("secp160r1");
    auto rng = TestRng::for_test(6);
    for (int n : {1, 2, 17}) {
        set_modulus(random_poly(rng, n));
        const PolyModP r = pow(PolyModP(random_poly(rng, n - 1)), BigInt(0));
        EXPECT_TRUE(r.is_one()) << "n=" << n;
        EXPECT_TRUE(r.coeff(0).is_one());
    }
    // A constant modulus leaves only 0.
    set_modulus(PolyP(5));
    EXPECT_TRUE(pow(PolyModP(PolyP(3)), BigInt(0)).is_zero());
}

std::atomic<int> g_abort_calls{0};
bool abort_now() {
    ++g_abort_calls;
    return true;
}

TEST_F(PolyPTest, SetAbortFlagEndsPowAtOnce) {
    use_field("prime256v1");
    auto rng = TestRng::for_test(7);
    set_modulus(random_poly(rng, 200));
    const BigInt e = pow(BigInt(2), 90) + 12345;
    for (int deg : {1, 20}) {
        g_abort_calls = 0;
        set_poly_abort_check(&abort_now);
        const PolyModP f(random_poly(rng, deg));
        const PolyModP partial = pow(f, e);
        EXPECT_EQ(g_abort_calls.load(), 1) << "deg " << deg;
        set_poly_abort_check(nullptr);
        EXPECT_NE(partial, pow(f, e));
    }
}

// ---- composition, series, gcd ------------------------------------------------------------

TEST_F(PolyPTest, ComposeEqualsHornerEvaluation) {
    auto rng = TestRng::for_test(8);
    for (const char* field : {"secp160r1", "prime256v1"}) {
        use_field(field);
        for (int n : {5, 16, 60}) {
            SCOPED_TRACE(std::string(field) + " n=" + std::to_string(n));
            set_modulus(random_poly(rng, n));
            const PolyP f = random_poly(rng, n - 1);
            const PolyModP g(random_poly(rng, n - 1));
            EXPECT_EQ(compose(PolyModP(f), g), horner(f, g));
            const PolyP short_f = random_poly(rng, 3);
            EXPECT_EQ(compose(PolyModP(short_f), g), horner(short_f, g));
        }
    }
}

TEST_F(PolyPTest, InverseSeriesTimesSeriesIsOne) {
    use_field("prime256v1");
    auto rng = TestRng::for_test(9);
    for (int n : {1, 2, 17, 100, 513}) {
        const PolyP f = random_poly(rng, n + 3);
        const PolyP g = inverse_series(f, n);
        EXPECT_LT(g.degree(), n);
        EXPECT_TRUE(truncate(g * f, n).is_one()) << "n=" << n;
    }
    EXPECT_TRUE(inverse_series(shift(PolyP(1), 1), 4).is_zero());  // f(0) = 0
}

TEST_F(PolyPTest, GcdOfProductsOfKnownFactors) {
    use_field("secp160r1");
    auto rng = TestRng::for_test(10);
    for (auto [du, dv, dw] : {std::tuple{3, 5, 7}, std::tuple{20, 30, 25}, std::tuple{0, 4, 4}}) {
        PolyP u = random_poly(rng, du);
        const PolyP v = random_poly(rng, dv), w = random_poly(rng, dw);
        const PolyP g = gcd(u * v, u * w);
        u.make_monic();
        EXPECT_EQ(g, u);
        // Through the residue class: gcd of u*w with the modulus u*v.
        set_modulus(u * v);
        EXPECT_EQ(gcd(PolyModP(u * w)), u);
    }
    EXPECT_TRUE(gcd(PolyP(), PolyP()).is_zero());
}

// ---- the term list -------------------------------------------------------------------------

TEST_F(PolyPTest, TermListEdgeCases) {
    use_field("secp160r1");
    auto rng = TestRng::for_test(11);
    PolyP zero, one(1);
    EXPECT_EQ(zero.degree(), 0);
    EXPECT_EQ(one.degree(), 0);
    EXPECT_TRUE(zero.is_zero());
    EXPECT_FALSE(one.is_zero());
    EXPECT_TRUE(one.is_one());
    EXPECT_TRUE(one.coeff(0).is_one());
    EXPECT_TRUE(one.coeff(5).is_zero());

    const PolyP f = random_poly(rng, 30);
    const PolyP s = f + (-f);
    EXPECT_TRUE(s.is_zero());
    EXPECT_EQ(s.head(), nullptr);
    EXPECT_TRUE((f - f).is_zero());

    // add_term: cancelling removes the term; hints from the previous call.
    PolyP g;
    PolyTermP* h = g.add_term(ModInt(3), 10);
    h = g.add_term(ModInt(4), 5, h);
    h = g.add_term(ModInt(5), 0, h);
    EXPECT_EQ(g.terms(), 3);
    g.add_term(ModInt(-4), 5, g.add_term(ModInt(0), 7));
    EXPECT_EQ(g.terms(), 2);
    EXPECT_TRUE(g.coeff(5).is_zero());
    g.add_term(ModInt(-3), 10, g.add_term(ModInt(2), 10));  // hint at the term itself
    EXPECT_EQ(g.degree(), 10);
    EXPECT_EQ(g.coeff(10), ModInt(2));
    g.add_term(ModInt(-2), 10);
    EXPECT_EQ(g.degree(), 0);

    // reverse, truncate, shift.
    PolyP r;
    r.add_term(ModInt(7), 3);
    r.add_term(ModInt(2), 1);
    EXPECT_EQ(reverse(r, 4).coeff(1), ModInt(7));
    EXPECT_EQ(reverse(r, 4).coeff(3), ModInt(2));
    EXPECT_EQ(reverse(r, 2).terms(), 1);  // x^3 has no image
    EXPECT_EQ(truncate(r, 3).degree(), 1);
    EXPECT_EQ(shift(r, 2).degree(), 5);
    EXPECT_EQ(shift(r, -2).terms(), 1);

    // Scaling and monic.
    PolyP m = f * ModInt(9);
    m.make_monic();
    EXPECT_TRUE(m.coeff(30).is_one());
    EXPECT_EQ((f * ModInt(9)) / ModInt(9), f);
    EXPECT_TRUE((f * ModInt(0)).is_zero());
}

TEST_F(PolyPTest, ResidueClassOperators) {
    use_field("prime256v1");
    auto rng = TestRng::for_test(12);
    const PolyP F = random_poly(rng, 20);
    set_modulus(F);
    EXPECT_EQ(poly_modulus_p(), F);
    const PolyP a = random_poly(rng, 25), b = random_poly(rng, 19);
    const PolyModP ma(a), mb(b);
    EXPECT_EQ((ma + mb).poly(), (a + b) % F);
    EXPECT_EQ((ma - mb).poly(), (a - b) % F);
    EXPECT_EQ((-ma).poly(), (-a) % F);
    const ModInt c(12345);
    EXPECT_EQ((ma * c).poly(), (a * c) % F);
    EXPECT_EQ((ma / c * c), ma);
    EXPECT_EQ((ma + c).poly(), (a + PolyP(c)) % F);
    PolyModP t = ma;
    t *= mb;
    EXPECT_EQ(t.poly(), (a * b) % F);
    // The zero modulus reduces nothing.
    set_modulus(PolyP());
    EXPECT_EQ(PolyModP(a).poly(), a);
}

}  // namespace
