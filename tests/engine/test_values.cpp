// Value classes: each operator against the engine routine it wraps, the
// published k*G multiples of tests/vectors/engine/ecp_mult.txt through PointP,
// and values made after an engine error staying usable and inert.
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <memory>
#include <string>

#include "engine/ecp.h"
#include "engine/modular.h"
#include "engine/poly_p.h"
#include "engine/values.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/test_rng.h"
#include "tests/support/vectors.h"

using namespace testsupport;

namespace {

BigInt from_hex(const std::string& h) {
    BigInt x;
    set_hex(x.get(), h);
    return x;
}
std::string hex(const BigInt& x) { return get_hex(x.get()); }

using Values = EngineTest;

TEST_F(Values, BigIntOperatorsMatchTheRoutinesTheyWrap) {
    const char* const pairs[][2] = {
        {"0", "1"},
        {"FFFFFFFF", "1"},
        {"-123456789ABCDEF0123456789", "FEDCBA987654321"},
        {"1000000000000000000000000000000000000001", "-7"},
        {"-5", "-3"},
    };
    for (const auto& pr : pairs) {
        SCOPED_TRACE(std::string(pr[0]) + " " + pr[1]);
        const BigInt x = from_hex(pr[0]), y = from_hex(pr[1]);
        Big r, q, t;
        add(x.get(), y.get(), r);
        EXPECT_EQ(hex(x + y), get_hex(r));
        subtract(x.get(), y.get(), r);
        EXPECT_EQ(hex(x - y), get_hex(r));
        multiply(x.get(), y.get(), r);
        EXPECT_EQ(hex(x * y), get_hex(r));
        big_copy(x.get(), t);
        divide(t, y.get(), q);
        EXPECT_EQ(hex(x / y), get_hex(q));
        EXPECT_EQ(hex(x % y), get_hex(t));
        EXPECT_EQ(x < y, big_compare(x.get(), y.get()) < 0);
        EXPECT_EQ(x > y, big_compare(x.get(), y.get()) > 0);
        EXPECT_EQ(x == x, true);
        EXPECT_EQ(x != y, true);
        incr(x.get(), 77, r);
        EXPECT_EQ(hex(x + 77), get_hex(r));
        EXPECT_EQ(hex(77 + x), get_hex(r));
        decr(x.get(), 77, r);
        EXPECT_EQ(hex(x - 77), get_hex(r));
        EXPECT_EQ(hex(-(77 - x)), get_hex(r));
        premult(x.get(), -9, r);
        EXPECT_EQ(hex(x * -9), get_hex(r));
        EXPECT_EQ(hex(-9 * x), get_hex(r));
        const int rem = subdiv(x.get(), 1000, r);
        EXPECT_EQ(hex(x / 1000), get_hex(r));
        EXPECT_EQ(x % 1000, rem);
        BigInt z = x;
        z += y;
        z -= y;
        z *= 3;
        z /= 3;
        EXPECT_EQ(z, x);
        ++z;
        --z;
        z.negate();
        EXPECT_EQ(z, -x);
    }
    // Division by zero records error 2 and leaves the results inert.
    const BigInt one(1);
    EXPECT_EQ(hex(one / BigInt(0)), "0");
    EXPECT_EQ(engine_error(), 2);
}

TEST_F(Values, BigIntNumberTheoryAndConversions) {
    // 2^127 - 1 is prime; small cases checked by hand.
    BigInt p = pow(BigInt(2), 127) - 1;
    EXPECT_EQ(hex(p), "7FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF");
    EXPECT_EQ(bits(p), 127);
    EXPECT_EQ(pow(BigInt(3), 5), BigInt(243));
    EXPECT_EQ(pow(from_hex("100000000000000000"), 2), from_hex("10000000000000000000000000000000000"));
    EXPECT_EQ(pow(BigInt(3), 200, BigInt(1000)), BigInt(1));  // 3^100 = 1 mod 1000 (order 100)
    EXPECT_EQ(pow(BigInt(2), BigInt(10), BigInt(1000)), BigInt(24));
    EXPECT_EQ(modmult(BigInt(123456), BigInt(654321), BigInt(1000003)),
              BigInt(static_cast<int>(123456LL * 654321LL % 1000003LL)));
    const BigInt inv = inverse(BigInt(17), p);
    EXPECT_EQ(modmult(inv, BigInt(17), p), BigInt(1));
    EXPECT_EQ(sqrt(BigInt(1000000)), BigInt(1000));
    EXPECT_EQ(sqrt(BigInt(99)), BigInt(9));
    const BigInt r = sqrt(BigInt(2), BigInt(7));
    EXPECT_TRUE(r == BigInt(3) || r == BigInt(4));
    EXPECT_TRUE(sqrt(BigInt(3), BigInt(7)).is_zero());
    for (int i = 0; i < 20; ++i) {
        const BigInt x = rand(BigInt(1000));
        EXPECT_TRUE(x >= BigInt(0) && x < BigInt(1000));
    }
    // Bytes and text.
    const uint8_t bytes[] = {0x00, 0x00, 0x01, 0x00};
    EXPECT_EQ(BigInt(bytes, 4), BigInt(256));
    uint8_t out[32];
    EXPECT_EQ(BigInt(1).to_bytes(32, out, true), 32);
    EXPECT_EQ(out[31], 1);
    EXPECT_EQ(out[0], 0);
    EXPECT_EQ(BigInt(-255).text(), "-FF");
    char buf[4];
    EXPECT_EQ(from_hex("123456").text(buf, sizeof buf), 3);
    EXPECT_STREQ(buf, "123");
    // Text too long for the 560-byte I/O buffer: error 17 and "" (never older text).
    E->io_base = 2;
    EXPECT_EQ(pow(BigInt(2), 600).text(), "");
    EXPECT_EQ(engine_error(), 17);
}

TEST_F(Values, ModIntOperatorsMatchTheRoutinesTheyWrap) {
    const BigInt p = pow(BigInt(2), 127) - 1;
    prepare_monty(p.get());
    auto rng = TestRng::for_test(21);
    for (int i = 0; i < 5; ++i) {
        const BigInt xa = rand(p), ya = rand(p);
        const ModInt x(xa), y(ya);
        Big r;
        nres(xa.get(), r);
        EXPECT_EQ(get_hex(x.get()), get_hex(r));
        nres_modadd(x.get(), y.get(), r);
        EXPECT_EQ(get_hex((x + y).get()), get_hex(r));
        nres_modsub(x.get(), y.get(), r);
        EXPECT_EQ(get_hex((x - y).get()), get_hex(r));
        nres_negate(x.get(), r);
        EXPECT_EQ(get_hex((-x).get()), get_hex(r));
        nres_modmult(x.get(), y.get(), r);
        EXPECT_EQ(get_hex((x * y).get()), get_hex(r));
        nres_moddiv(x.get(), y.get(), r);
        EXPECT_EQ(get_hex((x / y).get()), get_hex(r));
        nres_premult(x.get(), 1234, r);
        EXPECT_EQ(get_hex((x * 1234).get()), get_hex(r));
        EXPECT_EQ(x + 5, x + ModInt(5));
        EXPECT_EQ(5 - x, ModInt(5) - x);
        EXPECT_EQ(x / 7 * 7, x);
        EXPECT_EQ(x / x, ModInt(1));
        EXPECT_EQ(hex(x.to_big()), hex(xa));
        const BigInt e(static_cast<int>(rng.below(100000)));
        nres_powmod(x.get(), e.get(), r);
        EXPECT_EQ(get_hex(pow(x, e).get()), get_hex(r));
        const ModInt sq = x * x;
        const ModInt root = sqrt(sq);
        EXPECT_EQ(root * root, sq);
    }
    EXPECT_TRUE(ModInt(0).is_zero());
    EXPECT_EQ(big_len(ModInt(0).get()), 0);
    EXPECT_TRUE(ModInt(1).is_one());
    EXPECT_FALSE(ModInt(2).is_one());
    EXPECT_EQ(ModInt(-1) + 1, ModInt(0));
    ModInt root;
    // 3 is a non-residue mod 2^127 - 1 (p = 7 mod 12 makes (3/p) = -1).
    EXPECT_FALSE(sqrt(ModInt(3), root));
    EXPECT_TRUE(root.is_zero());
}

class PointValues : public EngineTest {
   protected:
    void SetUp() override {
        EngineTest::SetUp();
        for (const auto& v : load_vectors("engine/ecp_mult.txt")) {
            if (v.section != "secp160r1") continue;
            if (v.has("P")) m_curve = v.values;
            if (v.has("K")) m_multiples.push_back({v.get("K"), v.get("X"), v.get("Y")});
        }
        ASSERT_FALSE(m_curve.empty());
        ASSERT_GE(m_multiples.size(), 3u);
        ecurve_init(from_hex(m_curve["A"]), from_hex(m_curve["B"]), from_hex(m_curve["P"]), 1);
        m_point = std::make_unique<PointP>();
        ASSERT_TRUE(m_point->set(from_hex(m_curve["Gx"]), from_hex(m_curve["Gy"])));
    }
    void TearDown() override {
        m_point.reset();
        EngineTest::TearDown();
    }
    std::map<std::string, std::string> m_curve;
    std::vector<std::array<std::string, 3>> m_multiples;
    std::unique_ptr<PointP> m_point;  // made once the instance exists
    const PointP& g() const { return *m_point; }
};

TEST_F(PointValues, MultiplesMatchPublishedVectors) {
    for (const auto& m : m_multiples) {
        SCOPED_TRACE(m[0]);
        const PointP r = mul(from_hex(m[0]), g());
        BigInt x, y;
        r.get(x, y);
        EXPECT_EQ(hex(x), m[1]);
        EXPECT_EQ(hex(y), m[2]);
    }
    EXPECT_TRUE(mul(from_hex(m_curve["N"]), g()).is_infinity());
}

TEST_F(PointValues, GroupOperators) {
    const PointP g2 = g() + g(), g3 = g2 + g();
    EXPECT_EQ(g2, mul(BigInt(2), g()));
    EXPECT_EQ(g3 - g(), g2);
    EXPECT_TRUE((g() - g()).is_infinity());
    EXPECT_TRUE((g() + (-g())).is_infinity());
    EXPECT_EQ(mul(BigInt(-1), g()), -g());
    EXPECT_EQ(mul(BigInt(5), g(), BigInt(7), g2), mul(BigInt(19), g()));
    PointP acc;
    EXPECT_TRUE(acc.is_infinity());
    acc += g3;
    acc -= g();
    EXPECT_EQ(acc, g2);
    // multi_add against single additions.
    PointP xs[3] = {g(), g2, g3};
    PointP ws[3] = {g3, g3, g()};
    multi_add(3, xs, ws);
    EXPECT_EQ(ws[0], mul(BigInt(4), g()));
    EXPECT_EQ(ws[1], mul(BigInt(5), g()));
    EXPECT_EQ(ws[2], mul(BigInt(4), g()));
    // Compressed set and the compression bit.
    BigInt x, y;
    const int bit = g3.get(x, y);
    PointP c;
    ASSERT_TRUE(c.set(x, bit));
    EXPECT_EQ(c, g3);
    EXPECT_EQ(c.get(x), bit);
    // Off the curve: false and infinity.
    PointP bad;
    EXPECT_FALSE(bad.set(x, y + 1));
    EXPECT_TRUE(bad.is_infinity());
    BigInt ix(7), iy(7);
    EXPECT_EQ(PointP().get(ix, iy), 0);
    EXPECT_TRUE(ix.is_zero() && iy.is_zero());
}

TEST_F(Values, ValuesMadeAfterAnErrorAreInert) {
    const BigInt p = pow(BigInt(2), 127) - 1;
    prepare_monty(p.get());
    report_error(3);
    {
        BigInt a(5), b(7);
        const BigInt c = a * b + 3;
        EXPECT_EQ(c, BigInt(0));
        ModInt m(3), n(a);
        const ModInt k = m * n / m;
        EXPECT_TRUE(k.is_zero());
        PointP pt, q;
        pt += q;
        EXPECT_FALSE(pt.set(a, b));
        const PointP r = mul(a, pt);
        EXPECT_TRUE(r.is_infinity());
        PolyP f(3), g(4);
        const PolyP h = f * g + f;
        set_modulus(shift(PolyP(1), 20));
        const PolyModP pm = pow(PolyModP(h), BigInt(12345));
        EXPECT_TRUE(pm.is_zero());
        set_modulus(PolyP());
        EXPECT_EQ(a.text(), "");
    }
    EXPECT_EQ(engine_error(), 3);
}

}  // namespace
