// prepare_basis: parameter checks, the irreducibility test against brute-force
// factoring, caching and the stored bit pattern.
#include <gtest/gtest.h>

#include "engine/gf2m.h"
#include "tests/engine/gf2_naive.h"
#include "tests/support/engine_fixture.h"

using testsupport::Big;
using testsupport::EngineTest;

namespace {

class Gf2Basis : public EngineTest {};

TEST_F(Gf2Basis, AcceptsAndRejectsAsDocumented) {
    struct Row {
        int m, a, b, c;
        bool ok;
        int error;
    };
    const Row rows[] = {
        {163, 7, 6, 3, true, 0},   // the B-163 pentanomial
        {4, 1, 0, 0, true, 0},     // x^4 + x + 1
        {4, 2, 0, 0, false, 24},   // x^4 + x^2 + 1 = (x^2 + x + 1)^2
        {4, 1, 0, 7, true, 0},     // b = 0 forces c = 0
        {5, 2, 2, 1, false, 19},   // b must be below a
        {5, 5, 0, 0, false, 19},   // a must be below m
        {5, 0, 0, 0, false, 19},   // a must be positive
        {0, 1, 0, 0, false, 19},   // m must be positive
        {5, 3, -1, 0, false, 19},  // negative b
        {5, 3, 2, 9, false, 19},   // c past m
        {8, 4, 3, 0, false, 24},   // x^8 + x^4 + x^3: divisible by x
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.m << "," << r.a << "," << r.b << "," << r.c);
        engine_clear_error();
        EXPECT_EQ(prepare_basis(r.m, r.a, r.b, r.c, true), r.ok);
        EXPECT_EQ(engine_error(), r.error);
        if (!r.ok) {
            EXPECT_EQ(E->basis_m, 0) << "a failed set-up leaves no basis";
        }
    }
}

TEST_F(Gf2Basis, AgreesWithTrialDivisionForEveryTrinomialBelowDegree16) {
    int irreducible = 0;
    for (int m = 2; m < 16; ++m) {
        for (int a = 1; a < m; ++a) {
            const bool expect = naive::irreducible_by_trial(naive::basis(m, a, 0, 0));
            engine_clear_error();
            ASSERT_EQ(prepare_basis(m, a, 0, 0, true), expect) << "x^" << m << " + x^" << a << " + 1";
            ASSERT_EQ(engine_error(), expect ? 0 : 24);
            irreducible += expect;
        }
    }
    EXPECT_GT(irreducible, 10);
}

TEST_F(Gf2Basis, AgreesWithTrialDivisionForPentanomialsBelowDegree12) {
    for (int m = 5; m < 12; ++m)
        for (int a = 3; a < m; ++a)
            for (int b = 2; b < a; ++b)
                for (int c = 1; c < b; ++c) {
                    const bool expect = naive::irreducible_by_trial(naive::basis(m, a, b, c));
                    engine_clear_error();
                    ASSERT_EQ(prepare_basis(m, a, b, c, true), expect)
                        << m << "," << a << "," << b << "," << c;
                }
}

TEST_F(Gf2Basis, StoresTheBitPatternAndCachesTheBasis) {
    ASSERT_TRUE(prepare_basis(163, 7, 6, 3, true));
    EXPECT_EQ(naive::from_big(E->modulus), naive::basis(163, 7, 6, 3));
    EXPECT_EQ(E->basis_m, 163);
    EXPECT_EQ(E->basis_a, 7);
    EXPECT_EQ(E->basis_b, 6);
    EXPECT_EQ(E->basis_c, 3);
    // The same basis again: accepted at once, and the pattern is back in the
    // modulus even when something replaced it meanwhile.
    big_from_int(12345, E->modulus);
    EXPECT_TRUE(prepare_basis(163, 7, 6, 3, true));
    EXPECT_EQ(naive::from_big(E->modulus), naive::basis(163, 7, 6, 3));

    // A reducible polynomial set without the check is not trusted by a later
    // checking call with the same arguments.
    EXPECT_TRUE(prepare_basis(4, 2, 0, 0, false));
    EXPECT_FALSE(prepare_basis(4, 2, 0, 0, true));
    EXPECT_EQ(engine_error(), 24);
    engine_clear_error();
    // ...and a basis refused once is tested again, not remembered.
    EXPECT_FALSE(prepare_basis(4, 2, 0, 0, true));
    EXPECT_EQ(engine_error(), 24);
}

TEST_F(Gf2Basis, TooLongForThePrecision) {
    engine_teardown();
    E = engine_open(256, 2);  // 9 words: m/32 + 1 <= 9 allows m < 288
    ASSERT_NE(E, nullptr);
    E->error_control = true;
    EXPECT_TRUE(prepare_basis(283, 12, 7, 5, true));
    EXPECT_FALSE(prepare_basis(409, 87, 0, 0, true));
    EXPECT_EQ(engine_error(), 3);
}

TEST_F(Gf2Basis, ReducibleBasisSetWithoutCheckDoesNotHang) {
    // x^4 + x^2 + 1 = (x^2 + x + 1)^2 has no field structure: inverses of common
    // factors fail, quadratic equations give up, nothing loops.
    ASSERT_TRUE(prepare_basis(4, 2, 0, 0, false));
    Big x("7"), w("9");  // x^2 + x + 1 divides the basis
    EXPECT_FALSE(gf2_inverse(x, w));
    EXPECT_EQ(w.hex(), "9");
    Big a("3");
    gf2_quad_solve(a, w);
    EXPECT_EQ(engine_error(), 0);
}

}  // namespace
