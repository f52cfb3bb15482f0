// Counts in Schoof's range checked against the group law rather than a stored
// answer: NP lies in the Hasse interval |NP - q - 1| <= 2 sqrt(q), and NP * P is
// the point at infinity for random points P of random curves over GF(p) and
// GF(2^m).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ec2.h"
#include "engine/ecp.h"
#include "engine/epoint.h"
#include "engine/modular.h"
#include "numtheory/point_count.h"
#include "tests/numtheory/count_fixture.h"
#include "tests/support/test_rng.h"

using namespace testsupport;
using namespace counttest;

namespace {

constexpr int kPointsPerCurve = 5;

// A random number of exactly `bits` bits as hex.
std::string random_hex(TestRng& rng, int bits) {
    std::vector<uint32_t> words = rng.words_with_bits(bits);
    words.back() |= uint32_t{1} << ((bits - 1) % 32);
    Big x;
    set_words(x, words);
    return x.hex();
}

// (NP - q - 1)^2 <= 4 q.
::testing::AssertionResult in_hasse_interval(const Big& np, const Big& q) {
    Big t, t2, four_q;
    subtract(np, q, t);
    decr(t, 1, t);
    multiply(t, t, t2);
    premult(q, 4, four_q);
    if (big_compare(t2, four_q) <= 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "NP " << np.hex() << " is outside the Hasse interval of " << q.hex();
}

class CountGroupLawTest : public CountTest {};

TEST_F(CountGroupLawTest, GfpCountsAnnihilateRandomPoints) {
    TestRng rng = TestRng::for_test(41);
    SCOPED_TRACE(test_seed_note());
    for (int bits : {57, 64, 80, 100}) {
        Big p(random_hex(rng, bits)), A(random_hex(rng, bits - 1)), B(random_hex(rng, bits - 1)), np, z(0);
        ASSERT_TRUE(nxprime(p, p));
        SCOPED_TRACE("p=" + p.hex() + " A=" + A.hex() + " B=" + B.hex());
        count_points_gfp(np, A, B, p, KangarooMode::count_points, z, z, z, z, z, z);
        ASSERT_EQ(engine_error(), 0);
        EXPECT_TRUE(in_hasse_interval(np, p));
        ecurve_init(A, B, p, 1);
        epoint* P = epoint_init();
        epoint* R = epoint_init();
        for (int found = 0; found < kPointsPerCurve;) {
            Big x(random_hex(rng, bits - 1));
            if (!epoint_set(x, x, rng.coin() ? 1 : 0, P)) continue;
            ++found;
            ecurve_mult(np, P, R);
            EXPECT_EQ(R->marker, EPOINT_INFINITY) << "x=" << x.hex();
        }
        epoint_free(P);
        epoint_free(R);
    }
}

TEST_F(CountGroupLawTest, Gf2mCountsAnnihilateRandomPoints) {
    TestRng rng = TestRng::for_test(42);
    SCOPED_TRACE(test_seed_note());
    // Irreducible trinomials x^m + x^a + 1 (checked with PARI/GP's polisirreducible).
    const struct {
        int m, a;
    } fields[] = {{57, 4}, {60, 1}, {63, 1}};
    for (const auto& [m, a] : fields) {
        const std::vector<int> basis = {a, 0, 0};
        Big A(random_hex(rng, m - 1)), B(random_hex(rng, m - 1)), np, z(0);
        SCOPED_TRACE("m=" + std::to_string(m) + " A=" + A.hex() + " B=" + B.hex());
        count_points_gf2m(np, m, basis[0], basis[1], basis[2], A, B, KangarooMode::count_points, z, z, z, z, z, z);
        ASSERT_EQ(engine_error(), 0);
        Big q;
        expint(2, m, q);
        EXPECT_TRUE(in_hasse_interval(np, q));
        ASSERT_TRUE(ecurve2_init(m, basis[0], basis[1], basis[2], A, B, true, 1));
        epoint* P = epoint_init();
        epoint* R = epoint_init();
        for (int found = 0; found < kPointsPerCurve;) {
            Big x(random_hex(rng, m - 1));
            if (!epoint2_set(x, x, rng.coin() ? 1 : 0, P)) continue;
            ++found;
            ecurve2_mult(np, P, R);
            EXPECT_EQ(R->marker, EPOINT_INFINITY) << "x=" << x.hex();
        }
        epoint_free(P);
        epoint_free(R);
    }
}

}  // namespace
