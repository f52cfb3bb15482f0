// Curves over GF(2^m): the FIPS 186 binary curves (orders from the published
// parameters), key pairs made by OpenSSL, agreement of the affine, projective
// and tau-adic methods, and the edge cases of the point routines.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "engine/ec2.h"
#include "engine/gf2m.h"
#include "engine/gf2m_kernels.h"
#include "tests/engine/gf2_naive.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/standard_curves.h"
#include "tests/support/test_rng.h"
#include "tests/support/vectors.h"

using testsupport::Big;
using testsupport::EngineTest;
using testsupport::TestRng;

namespace {

class Point {
   public:
    Point() : m_p(epoint_init()) {}
    ~Point() { epoint_free(m_p); }
    Point(const Point&) = delete;
    Point& operator=(const Point&) = delete;
    operator epoint*() const { return m_p; }
    epoint* get() const { return m_p; }

   private:
    epoint* m_p;
};

// Affine coordinates of P as hex ("inf" for infinity), P left as it was.
std::string coords(epoint* P) {
    if (P->marker == EPOINT_INFINITY) return "inf";
    Point q;
    epoint2_copy(P, q);
    Big x, y;
    epoint2_get(q, x, y);
    return x.hex() + "," + y.hex();
}

// Sets up a standard binary curve; mode 1 affine, 0 projective.
void init_curve(const testsupport::StandardCurve& c, int mode) {
    const auto& e = c.poly_exponents;
    Big a(c.a), b(c.b);
    const bool ok = e.size() == 3 ? ecurve2_init(e[0], e[1], 0, 0, a, b, true, mode)
                                  : ecurve2_init(e[0], e[1], e[2], e[3], a, b, true, mode);
    ASSERT_TRUE(ok) << c.name << " error " << engine_error();
}

void set_generator(const testsupport::StandardCurve& c, epoint* G) {
    Big gx(c.gx), gy(c.gy);
    ASSERT_TRUE(epoint2_set(gx, gy, 0, G)) << c.name;
}

const char* const kFipsCurves[] = {"sect163r2", "sect233r1", "sect283r1", "sect409r1", "sect571r1",
                                   "sect163k1", "sect233k1", "sect283k1", "sect409k1", "sect571k1"};

class Ec2Standard : public EngineTest,
                    public ::testing::WithParamInterface<std::tuple<const char*, int>> {
   protected:
    const testsupport::StandardCurve& curve() const {
        return testsupport::standard_curve(std::get<0>(GetParam()));
    }
    int mode() const { return std::get<1>(GetParam()); }
};

TEST_P(Ec2Standard, OrderAnnihilatesGeneratorAndRandomPoints) {
    const auto& c = curve();
    init_curve(c, mode());
    EXPECT_EQ(E->koblitz, c.name.find('k') != std::string::npos);
    Point G, R;
    set_generator(c, G);
    Big n(c.n);
    ecurve2_mult(n, G, R);
    EXPECT_EQ(R.get()->marker, EPOINT_INFINITY);
    // (n - 1) G = -G
    Big n1;
    decr(n, 1, n1);
    ecurve2_mult(n1, G, R);
    Point negG;
    epoint2_copy(G, negG);
    epoint2_negate(negG);
    EXPECT_TRUE(epoint2_comp(R, negG));
    EXPECT_EQ(coords(R), coords(negG));

    // A random point from a compressed x: h n P = O.
    SCOPED_TRACE(testsupport::test_seed_note());
    TestRng rng = TestRng::for_test(31);
    Big x, hn;
    premult(n, c.h, hn);
    Point P;
    int found = 0;
    while (found < 2) {
        naive::to_big(naive::random(rng, c.m), x);
        if (!epoint2_set(x, x, static_cast<int>(rng.below(2)), P)) continue;
        ++found;
        ecurve2_mult(hn, P, R);
        EXPECT_EQ(R.get()->marker, EPOINT_INFINITY);
    }
    EXPECT_EQ(engine_error(), 0);
}

TEST_P(Ec2Standard, AffineProjectiveAndTauAdicAgree) {
    SCOPED_TRACE(testsupport::test_seed_note());
    const auto& c = curve();
    TestRng rng = TestRng::for_test(32);
    Big x, y;
    for (int it = 0; it < testsupport::test_iters(2); ++it) {
        // k below n, k past n, negative k.
        Big k;
        naive::to_big(naive::random(rng, c.m + (it == 1 ? 40 : 0)), k);
        if (it == 2) big_negate(k, k);
        std::string results[3];
        for (int variant = 0; variant < 3; ++variant) {
            init_curve(c, variant == 0 ? 1 : 0);
            if (variant == 2) {
                if (!E->koblitz) break;
                E->koblitz = false;  // the plain window method on the same curve
            }
            Point G, R;
            set_generator(c, G);
            ecurve2_mult(k, G, R);
            results[variant] = coords(R);
        }
        EXPECT_EQ(results[0], results[1]) << "affine vs projective";
        if (!results[2].empty()) {
            EXPECT_EQ(results[1], results[2]) << "tau-adic vs plain";
        }
    }
    (void)mode();
}

TEST_P(Ec2Standard, DoubleScalarProductMatchesTwoProducts) {
    SCOPED_TRACE(testsupport::test_seed_note());
    const auto& c = curve();
    init_curve(c, mode());
    TestRng rng = TestRng::for_test(33);
    Point G, Q, R, S, T;
    set_generator(c, G);
    Big k, e, f;
    naive::to_big(naive::random(rng, c.m), k);
    ecurve2_mult(k, G, Q);
    naive::to_big(naive::random(rng, c.m), e);
    naive::to_big(naive::random(rng, c.m), f);
    big_negate(f, f);
    ecurve2_mult2(e, G, f, Q, R);
    ecurve2_mult(e, G, S);
    ecurve2_mult(f, Q, T);
    ecurve2_add(T, S);
    EXPECT_EQ(coords(R), coords(S));
    // e = 0 gives f Q; Q = P works.
    Big zero(0);
    ecurve2_mult2(zero, G, f, Q, R);
    EXPECT_EQ(coords(R), coords(T));
    ecurve2_mult2(e, G, e, G, R);
    Big e2;
    premult(e, 2, e2);
    ecurve2_mult(e2, G, S);
    EXPECT_EQ(coords(R), coords(S));
}

std::string standard_name(const ::testing::TestParamInfo<std::tuple<const char*, int>>& info) {
    return std::string(std::get<0>(info.param)) + (std::get<1>(info.param) == 1 ? "_affine" : "_projective");
}

INSTANTIATE_TEST_SUITE_P(Fips, Ec2Standard,
                         ::testing::Combine(::testing::ValuesIn(kFipsCurves), ::testing::Values(1, 0)),
                         standard_name);

// ---- key pairs made by OpenSSL -------------------------------------------------------------

class Ec2Vectors : public EngineTest {};

TEST_F(Ec2Vectors, OpensslKeyPairs) {
    const auto cases = testsupport::load_vectors("engine/ec2_openssl.txt");
    ASSERT_GE(cases.size(), 8u);
    for (const auto& v : cases) {
        SCOPED_TRACE(v.where);
        const auto& c = testsupport::standard_curve(v.section);
        // Affine, projective, and projective on the portable product kernel.
        for (int mode : {1, 0, 2}) {
            const bool prev = gf2_force_portable(mode == 2);
            init_curve(c, mode);
            Point G, R;
            set_generator(c, G);
            Big d(v.get("Priv")), qx(v.get("Qx")), qy(v.get("Qy"));
            ecurve2_mult(d, G, R);
            Big x, y;
            epoint2_get(R, x, y);
            gf2_force_portable(prev);
            EXPECT_EQ(x.hex(), qx.hex());
            EXPECT_EQ(y.hex(), qy.hex());
        }
    }
}

// ---- edge cases ------------------------------------------------------------------------------

class Ec2Edges : public EngineTest, public ::testing::WithParamInterface<int> {
   protected:
    void SetUp() override {
        EngineTest::SetUp();
        init_curve(testsupport::standard_curve("sect163r2"), GetParam());
    }
};

TEST_P(Ec2Edges, AdditionSlopeNegationAndInfinity) {
    const auto& c = testsupport::standard_curve("sect163r2");
    Point G, Q, P2, O;
    set_generator(c, G);
    Big three(3);
    ecurve2_mult(three, G, Q);
    // Q = 3G; Q + G returns the slope (y1 + y2)/(x1 + x2) in affine mode.
    Big x1, y1, x2, y2;
    epoint2_get(G, x1, y1);
    epoint2_get(Q, x2, y2);
    big s = ecurve2_add(G, Q);
    if (GetParam() == 1) {
        ASSERT_NE(s, nullptr);
        Big dx, dy, t;
        gf2_add(x1, x2, dx);
        gf2_add(y1, y2, dy);
        gf2_mul(s, dx, t);
        EXPECT_EQ(t.hex(), dy.hex());
    } else {
        EXPECT_EQ(s, nullptr);
    }
    Big four(4);
    ecurve2_mult(four, G, P2);
    EXPECT_TRUE(epoint2_comp(Q, P2));
    EXPECT_EQ(coords(Q), coords(P2));

    // P + (-P) = O with no slope; negating twice gives P back.
    Point N;
    epoint2_copy(G, N);
    epoint2_negate(N);
    EXPECT_FALSE(epoint2_comp(N, G));
    epoint2_copy(N, O);
    EXPECT_EQ(ecurve2_add(G, O), nullptr);
    EXPECT_EQ(O.get()->marker, EPOINT_INFINITY);
    epoint2_negate(N);
    EXPECT_TRUE(epoint2_comp(N, G));
    // Projective points negate in place too.
    epoint2_negate(P2);
    epoint2_negate(P2);
    EXPECT_EQ(coords(P2), coords(Q));

    // Infinity: O + G = G; G + O leaves G; get gives zeros and 0.
    Point inf;
    EXPECT_TRUE(epoint2_set(nullptr, nullptr, 0, inf));
    EXPECT_EQ(ecurve2_add(inf, G), nullptr);
    EXPECT_EQ(coords(G), coords(G));
    ecurve2_add(G, inf);
    EXPECT_TRUE(epoint2_comp(inf, G));
    Point inf2;
    Big x("55"), y("66");
    EXPECT_EQ(epoint2_get(inf2, x, y), 0);
    EXPECT_TRUE(big_is_zero(x));
    EXPECT_TRUE(big_is_zero(y));
    EXPECT_TRUE(epoint2_comp(inf2, O));

    // P - P = O (the same point); Q - G = 3G.
    Point D;
    epoint2_copy(G, D);
    ecurve2_sub(D, D);
    EXPECT_EQ(D.get()->marker, EPOINT_INFINITY);
    ecurve2_sub(G, P2);  // 4G - G
    ecurve2_mult(three, G, D);
    EXPECT_EQ(coords(P2), coords(D));
    EXPECT_EQ(coords(G), x1.hex() + "," + y1.hex());  // G untouched by sub

    // Doubling by adding a point to itself, and the point of order 2.
    Point T;
    epoint2_copy(G, T);
    ecurve2_add(T, T);
    Big two(2);
    ecurve2_mult(two, G, D);
    EXPECT_EQ(coords(T), coords(D));
    Big zero(0);
    Point H;
    ASSERT_TRUE(epoint2_set(zero, zero, 0, H));
    ecurve2_add(H, H);
    EXPECT_EQ(H.get()->marker, EPOINT_INFINITY);
    EXPECT_EQ(engine_error(), 0);
}

TEST_P(Ec2Edges, ScalarEdgeValues) {
    const auto& c = testsupport::standard_curve("sect163r2");
    Point G, R, N;
    set_generator(c, G);
    Big zero(0), one(1), minus1(-1), n(c.n);
    ecurve2_mult(zero, G, R);
    EXPECT_EQ(R.get()->marker, EPOINT_INFINITY);
    ecurve2_mult(one, G, R);
    EXPECT_EQ(coords(R), coords(G));
    ecurve2_mult(minus1, G, R);
    epoint2_copy(G, N);
    epoint2_negate(N);
    EXPECT_EQ(coords(R), coords(N));
    ecurve2_mult(n, G, R);
    EXPECT_EQ(R.get()->marker, EPOINT_INFINITY);
    // R may be P.
    Point P;
    epoint2_copy(G, P);
    Big k("123456789ABCDEF");
    ecurve2_mult(k, G, R);
    ecurve2_mult(k, P, P);
    EXPECT_EQ(coords(P), coords(R));
    // The scalar times infinity.
    Point inf;
    ecurve2_mult(k, inf, R);
    EXPECT_EQ(R.get()->marker, EPOINT_INFINITY);
}

TEST_P(Ec2Edges, CompressedPointsAndOffCurvePoints) {
    SCOPED_TRACE(testsupport::test_seed_note());
    const auto& c = testsupport::standard_curve("sect163r2");
    TestRng rng = TestRng::for_test(34);
    Point P, Q;
    Big x, y, x2, y2;
    int round_trips = 0;
    while (round_trips < testsupport::test_iters(6)) {
        naive::to_big(naive::random(rng, c.m), x);
        const int bit = static_cast<int>(rng.below(2));
        if (!epoint2_set(x, x, bit, P)) continue;
        ++round_trips;
        EXPECT_EQ(epoint2_get(P, x2, y2), bit);
        EXPECT_EQ(x2.hex(), x.hex());
        ASSERT_TRUE(epoint2_set(x2, y2, 0, Q));  // on the curve
        EXPECT_FALSE(epoint2_set(x, x, 1 - bit, Q) && epoint2_comp(P, Q));
        epoint2_negate(P);
        EXPECT_EQ(epoint2_get(P, x2, y2), 1 - bit);
    }
    // x = 0: y = sqrt(B) whatever the bit.
    Big zero(0), b(c.b), s;
    gf2_sqrt(b, s);
    for (int bit : {0, 1}) {
        ASSERT_TRUE(epoint2_set(zero, zero, bit, P));
        EXPECT_EQ(epoint2_get(P, x2, y2), 0);
        EXPECT_TRUE(big_is_zero(x2));
        EXPECT_EQ(y2.hex(), s.hex());
    }
    // Off the curve: false and the point is left as it was.
    Point G;
    set_generator(c, G);
    const std::string before = coords(G);
    Big gx(c.gx), bad(c.gy);
    gf2_incr(bad, 1, bad);
    EXPECT_FALSE(epoint2_set(gx, bad, 0, G));
    EXPECT_EQ(coords(G), before);
    // An x of no curve point (the quadratic has no solution) for some x.
    int refused = 0;
    for (int i = 0; i < 20; ++i) {
        naive::to_big(naive::random(rng, c.m), x);
        if (!epoint2_set(x, x, 0, G)) ++refused;
    }
    EXPECT_GT(refused, 0);
    EXPECT_EQ(engine_error(), 0);
}

TEST_P(Ec2Edges, MultiAddMatchesSingleAdditions) {
    const auto& c = testsupport::standard_curve("sect163r2");
    Point G;
    set_generator(c, G);
    constexpr int kN = 40;  // more than one chunk
    Point xs[kN], ws[kN], expect[kN];
    epoint* xp[kN];
    epoint* wp[kN];
    for (int i = 0; i < kN; ++i) {
        Big a(3 * i + 1), b(5 * i + 2);
        ecurve2_mult(a, G, xs[i]);
        ecurve2_mult(b, G, ws[i]);
        if (i == 3) epoint2_copy(xs[i], ws[i]);  // doubling
        if (i == 4) {
            epoint2_copy(xs[i], ws[i]);
            epoint2_negate(ws[i]);  // gives infinity
        }
        if (i == 5) epoint2_set(nullptr, nullptr, 0, ws[i]);
        epoint2_copy(ws[i], expect[i]);
        ecurve2_add(xs[i], expect[i]);
        xp[i] = xs[i];
        wp[i] = ws[i];
    }
    ecurve2_multi_add(kN, xp, wp);
    for (int i = 0; i < kN; ++i) {
        EXPECT_EQ(coords(ws[i]), coords(expect[i])) << i;
        EXPECT_NE(ws[i].get()->marker, EPOINT_GENERAL) << i;
    }
}

std::string mode_name(const ::testing::TestParamInfo<int>& info) {
    return info.param == 1 ? "affine" : "projective";
}

INSTANTIATE_TEST_SUITE_P(Modes, Ec2Edges, ::testing::Values(1, 0), mode_name);

class Ec2Init : public EngineTest {};

TEST_F(Ec2Init, RefusesBadParameters) {
    Big one(1), two(2), minus(-5), b("20A601907B8C953CA1481EB10512F78744A3205FD");
    EXPECT_FALSE(ecurve2_init(-163, 7, 6, 3, two, one, true, 1));   // supersingular needs A = 1
    EXPECT_FALSE(ecurve2_init(-163, 7, 6, 3, one, two, true, 1));   // ... and B <= 1
    EXPECT_TRUE(ecurve2_init(-163, 7, 6, 3, one, one, true, 1));
    EXPECT_TRUE(E->supersingular);
    EXPECT_FALSE(E->koblitz);
    EXPECT_FALSE(ecurve2_init(163, 7, 6, 3, minus, one, true, 1));  // negative A
    EXPECT_FALSE(E->supersingular) << "flags are cleared first";
    EXPECT_EQ(engine_error(), 0);
    EXPECT_TRUE(ecurve2_init(163, 7, 6, 3, one, b, true, 2));
    EXPECT_EQ(E->coord_mode, 0) << "mode 2 is projective";
    EXPECT_EQ(E->curve_a_small, 1);
    EXPECT_EQ(E->curve_b_small, 1 << 30);
    EXPECT_FALSE(E->koblitz);
    EXPECT_FALSE(ecurve2_init(163, 170, 6, 3, one, b, true, 1));
    EXPECT_EQ(engine_error(), 19);
}

TEST_F(Ec2Init, PointRoutinesNeedABasis) {
    Point P, Q;
    Big x(1), k(5);
    epoint2_set(x, x, 0, P);
    EXPECT_EQ(engine_error(), 27);
    engine_clear_error();
    P.get()->marker = EPOINT_NORMALIZED;
    ecurve2_mult(k, P, Q);
    EXPECT_EQ(engine_error(), 27);
}

// Supersingular curves: y^2 + y = x^3 + x + B. Over GF(2^m) with odd m the
// group has 2^m + 1 +- 2^((m+1)/2) points; the order of a random point divides
// one of those, checked here on a mid-size field against the formula.
TEST_F(Ec2Init, SupersingularCurveOrders) {
    SCOPED_TRACE(testsupport::test_seed_note());
    TestRng rng = TestRng::for_test(35);
    Big one(1), zero(0);
    for (int mode : {1, 0}) {
        ASSERT_TRUE(ecurve2_init(-113, 9, 0, 0, one, zero, true, mode));
        // #E = 2^113 + 1 +- 2^57; one of the two kills every point.
        Big n1, n2, p57;
        expb2(113, n1);
        incr(n1, 1, n1);
        expb2(57, p57);
        add(n1, p57, n2);
        subtract(n1, p57, n1);
        Point P, R1, R2;
        Big x;
        int found = 0;
        while (found < 3) {
            naive::to_big(naive::random(rng, 113), x);
            if (!epoint2_set(x, x, found & 1, P)) continue;
            ++found;
            ecurve2_mult(n1, P, R1);
            ecurve2_mult(n2, P, R2);
            const bool killed = R1.get()->marker == EPOINT_INFINITY || R2.get()->marker == EPOINT_INFINITY;
            EXPECT_TRUE(killed);
        }
    }
}

}  // namespace

namespace {

// A free with a count larger than the block's own wiped past the allocation
// (seen under AddressSanitizer); the block's recorded size is what counts.
TEST_F(Ec2Init, PointBlockFreeUsesTheBlocksOwnSize) {
    void* block = point_block_alloc(2);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(point_block_item(block, 1)->marker, EPOINT_INFINITY);
    point_block_free(block, 5);
}

}  // namespace
