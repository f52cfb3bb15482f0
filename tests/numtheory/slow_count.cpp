// Slow point counts: published curves (NP = n*h from standard-curves.json) over
// GF(p) and GF(2^m), and the kangaroo band searches of 32 to 48 bits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/ec2.h"
#include "engine/ecp.h"
#include "engine/modular.h"
#include "numtheory/kangaroo.h"
#include "numtheory/point_count.h"
#include "numtheory/progress_log.h"
#include "tests/numtheory/count_fixture.h"
#include "tests/numtheory/curve_data.h"
#include "tests/support/vectors.h"

using namespace testsupport;
using namespace counttest;

namespace {

class SlowCountTest : public CountTest {
   protected:
    // n*h of the curve, as hex.
    std::string published_order(const curvedata::StandardCurve& c) {
        Big n(c["n"]), np;
        premult(n, std::stoi(c["h"]), np);
        return np.hex();
    }
    void count_gfp(const std::string& name) {
        const curvedata::StandardCurve c = curvedata::standard_curve(name);
        Big A(c["a"]), B(c["b"]), P(c["p"]), result(0), z(0);
        count_points_gfp(result, A, B, P, KangarooMode::count_points, z, z, z, z, z, z);
        EXPECT_EQ(result.hex(), published_order(c)) << progress_log().text();
        EXPECT_EQ(engine_error(), 0);
    }
};

// Every GF(p) count of the PARI/GP vectors, 56 to 100 bits.
TEST_F(SlowCountTest, PariVectors) {
    for (const VectorCase& c : load_vectors("numtheory/count.txt")) {
        if (c.section != "GFp" && c.section != "GFpSpecial") continue;
        SCOPED_TRACE(c.where);
        Big A(c.get("A")), B(c.get("B")), P(c.get("P")), result(0), z(0);
        log_clear();
        count_points_gfp(result, A, B, P, KangarooMode::count_points, z, z, z, z, z, z);
        EXPECT_EQ(result.hex(), c.get("NP"));
    }
}

TEST_F(SlowCountTest, Secp160r1) { count_gfp("secp160r1"); }
TEST_F(SlowCountTest, BrainpoolP160r1) { count_gfp("brainpoolP160r1"); }
TEST_F(SlowCountTest, Prime192v1) { count_gfp("prime192v1"); }
TEST_F(SlowCountTest, Secp224r1) { count_gfp("secp224r1"); }
TEST_F(SlowCountTest, BrainpoolP224r1) { count_gfp("brainpoolP224r1"); }
TEST_F(SlowCountTest, Prime256v1) { count_gfp("prime256v1"); }

// Published binary curves: B-163, K-163, sect113r1, sect131r1.
void count_binary(const std::string& name) {
    const curvedata::StandardCurve c = curvedata::standard_curve(name);
    const std::vector<int>& e = c.poly;  // m, a[, b, c], 0
    const int b = e.size() == 5 ? e[2] : 0, cc = e.size() == 5 ? e[3] : 0;
    Big A(c["a"]), B(c["b"]), result(0), z(0), n(c["n"]), np;
    premult(n, std::stoi(c["h"]), np);
    count_points_gf2m(result, e[0], e[1], b, cc, A, B, KangarooMode::count_points, z, z, z, z, z, z);
    EXPECT_EQ(result.hex(), np.hex()) << progress_log().text();
    EXPECT_EQ(engine_error(), 0);
}

TEST_F(SlowCountTest, Sect113r1) { count_binary("sect113r1"); }
TEST_F(SlowCountTest, Sect131r1) { count_binary("sect131r1"); }
TEST_F(SlowCountTest, Sect163k1) { count_binary("sect163k1"); }
TEST_F(SlowCountTest, Sect163r2) { count_binary("sect163r2"); }

TEST_F(SlowCountTest, PariVectorsBinary) {
    for (const VectorCase& c : load_vectors("numtheory/count.txt")) {
        if (c.section != "GF2m") continue;
        SCOPED_TRACE(c.where);
        const std::vector<int> basis = int_list(c.get("Basis"));
        Big A(c.get("A")), B(c.get("B")), result(0), z(0);
        log_clear();
        count_points_gf2m(result, std::stoi(c.get("M")), basis[0], basis[1], basis[2], A, B,
                          KangarooMode::count_points, z, z, z, z, z, z);
        EXPECT_EQ(result.hex(), c.get("NP"));
    }
}

// Logarithms and orders in a band of `bits` bits on secp112r1 with
// herd_kangaroo, and logarithms with trap_kangaroo up to 40 bits (its single
// wild kangaroo needs about 2^27 additions for a 48-bit band).
void wide_band(int bits) {
    SCOPED_TRACE(bits);
    const curvedata::StandardCurve c = curvedata::standard_curve("secp112r1");
    Big A(c["a"]), B(c["b"]), P(c["p"]), Gx(c["Gx"]), Gy(c["Gy"]), n(c["n"]), one(1), zero(0);
    ecurve_init(A, B, P, 1);
    epoint* G = epoint_init();
    epoint* R = epoint_init();
    ASSERT_TRUE(epoint_set(Gx, Gy, 0, G));
    const uint64_t lo = (uint64_t{0x5A5A5A5A} << 20) ^ (static_cast<uint64_t>(bits) << 8);
    const uint64_t k = lo + (uint64_t{0x9E3779B97F4A7C15} >> (64 - bits));
    Big L(hex(lo)), H(hex(lo + (uint64_t{1} << bits))), K(hex(k)), Rx, Ry, result(0), work;
    ecurve_mult(K, G, R);
    epoint_get(R, Rx, Ry);
    log_clear();
    herd_kangaroo(result, P, zero, one, KangarooMode::logarithm, Gx, Gy, Rx, Ry, L, H);
    EXPECT_EQ(result.hex(), hex(k));

    Big lo2, hi2, off(hex(uint64_t{0x3C6EF372FE94F82B} >> (64 - bits))), span(hex(uint64_t{1} << bits));
    subtract(n, off, lo2);
    add(lo2, span, hi2);
    log_clear();
    herd_kangaroo(result, P, zero, one, KangarooMode::order_multiple, Gx, Gy, zero, zero, lo2, hi2);
    EXPECT_EQ(result.hex(), c["n"]);

    if (bits <= 40) {
        log_clear();
        EXPECT_EQ(trap_kangaroo(work, G, R, L, H), 1);
        const std::string log = progress_log().text();
        // A single trap can be missed; when found, the logarithm is right.
        if (!log.ends_with("trap stepped over\r\n")) {
            EXPECT_TRUE(log.ends_with("Discrete log:\r\n" + hex(k) + "\r\n")) << log;
        }
    }
    epoint_free(G);
    epoint_free(R);
}

TEST_F(SlowCountTest, KangarooWideBands) {
    wide_band(32);
    wide_band(40);
}

// About 45 s alone: left out of the CI pass, run by the slow preset.
TEST_F(SlowCountTest, KangarooBand48) { wide_band(48); }

}  // namespace
