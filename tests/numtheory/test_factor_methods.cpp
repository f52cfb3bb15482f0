// The factoring methods on numbers built for them (tests/vectors/gen/
// gen_factor.py): each case is constructed so that its method must find P, as
// the script's notes explain, and the tests check the factorisation by
// multiplying back and against the primes the script produced with sympy.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "numtheory/factor_methods.h"
#include "numtheory/gf2_elimination.h"
#include "tests/numtheory/factor_test_util.h"
#include "tests/support/engine_fixture.h"
#include "tests/support/test_rng.h"
#include "tests/support/vectors.h"

namespace {

using factortest::expect_factors;
using testsupport::Big;

class FactorMethods : public testsupport::EngineTest {
   protected:
    std::vector<testsupport::VectorCase> cases(const std::string& section) {
        std::vector<testsupport::VectorCase> out;
        for (auto& c : testsupport::load_vectors("numtheory/factor.txt"))
            if (c.section == section) out.push_back(c);
        if (out.empty()) ADD_FAILURE() << "no [" << section << "] case";
        return out;
    }
    /// The first case of a section (a failing test and an empty case if none).
    testsupport::VectorCase first(const std::string& section) {
        auto all = cases(section);
        return all.empty() ? testsupport::VectorCase{} : all.front();
    }
    FactorReport report;
};

// Naive factorisation of a 64-bit value (the oracle for trial division).
std::vector<uint64_t> naive_factors(uint64_t n) {
    std::vector<uint64_t> f;
    for (uint64_t d = 2; d * d <= n; ++d)
        while (n % d == 0) {
            f.push_back(d);
            n /= d;
        }
    if (n > 1) f.push_back(n);
    return f;
}

TEST_F(FactorMethods, TrialDivisionStopsBelowTheLastPrime) {
    // The last prime is left as the cofactor (trial division stops once N <= q),
    // every other prime factor gives one "P-%X" line per occurrence.
    const uint64_t values[] = {2,        4,          24,         65536,         65537ull * 65537,
                               3 * 3 * 3 * 5 * 65521ull, 2ull * 65521 * 65521, 0xFFFFFFFFFFFFFFFFull,
                               1000003ull * 65537 * 3};
    for (uint64_t v : values) {
        SCOPED_TRACE(v);
        FactorReport r;
        Big n;
        big_from_u64(v, n);
        factor_trial_division(n, r);
        std::vector<uint64_t> want = naive_factors(v);
        std::vector<uint64_t> got;
        for (const std::string& line : factortest::lines(r)) {
            ASSERT_EQ(line.rfind("P-", 0), 0u);
            got.push_back(std::stoull(line.substr(2), nullptr, 16));
        }
        got.push_back(big_to_u64(n));
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, want);
    }
}

TEST_F(FactorMethods, RhoFindsSmallFactorWithinItsTries) {
    for (const auto& c : cases("Rho")) {
        SCOPED_TRACE(c.where);
        FactorReport r;
        Big n(c.get("N"));
        EXPECT_EQ(factor_rho(n, 2000, r), kFactorFound);
        expect_factors(r, n, {c.get("P"), c.get("Q")}, c.get("N"));
    }
}

TEST_F(FactorMethods, RhoOutOfTries) {
    // The smallest factor has 64 bits: 100 iterations cannot find it.
    const auto c = first("Pm1");
    Big n(c.get("N"));
    std::vector<std::string> seen;
    report.set_listener([&](int code, const std::string& text) {
        if (code == kStatusRho) seen.push_back(text);
    });
    EXPECT_EQ(factor_rho(n, 250, report), kFactorRhoTries);
    EXPECT_EQ(seen, (std::vector<std::string>{"Pollard Rho\r\n100 of 250 tries.\r\n",
                                              "Pollard Rho\r\n200 of 250 tries.\r\n"}));
    EXPECT_EQ(report.line_count(), 0);
}

TEST_F(FactorMethods, PollardPm1FindsSmoothPMinusOne) {
    for (const auto& c : cases("Pm1")) {
        SCOPED_TRACE(c.where);
        FactorReport r;
        Big n(c.get("N"));
        EXPECT_EQ(factor_pm1(n, kPm1Limit1, kPm1Limit2, r), kFactorFound);
        expect_factors(r, n, {c.get("P"), c.get("Q")}, c.get("N"));
    }
}

TEST_F(FactorMethods, WilliamsPp1FindsSmoothPPlusOne) {
    for (const auto& c : cases("Pp1")) {
        SCOPED_TRACE(c.where);
        FactorReport r;
        Big n(c.get("N"));
        EXPECT_EQ(factor_pp1(n, kPm1Limit1, kPm1Limit2, r), kFactorFound);
        expect_factors(r, n, {c.get("P"), c.get("Q")}, c.get("N"));
    }
}

TEST_F(FactorMethods, Pm1DegenerateCaseText) {
    // Both primes have their phase-2 prime in the same gcd interval: the gcd is N.
    const auto c = first("Pm1Degenerate");
    Big n(c.get("N"));
    EXPECT_EQ(factor_pm1(n, kPm1Limit1, kPm1Limit2, report), kFactorNone);
    EXPECT_EQ(report.line_count(), 0);
    EXPECT_EQ(report.status_code(), kStatusPm1);
    const std::string s = report.status_text();
    EXPECT_EQ(s.rfind("Pollard P-1 degenerate case...\r\nL2=0x00ABCDEF\r\nP2=0x", 0), 0u) << s;
}

TEST_F(FactorMethods, PrimeInputAndLimits) {
    Big p("D4AC5796ECA03F83");  // a prime of the P-1 vectors
    EXPECT_EQ(factor_pm1(p, 1, 1, report), kFactorPrime);
    EXPECT_EQ(factor_pp1(p, kPm1Limit1, kPm1Limit2, report), kFactorPrime);
    EXPECT_EQ(factor_mpqs(p, report), kFactorPrime);
    Big big330("1" + std::string(83, '0') + "1");  // 333 bits, divisible by 3? no matter: refused
    EXPECT_EQ(factor_mpqs(big330, report), kFactorRefused);

    struct Clamp {
        uint64_t in, curves, k;
    };
    for (const Clamp& c : {Clamp{0, 1, 9}, Clamp{1, 1, 9}, Clamp{8, 8, 9}, Clamp{9, 9, 9}, Clamp{50, 50, 50},
                           Clamp{1737075661, 1737075661, 305419896}, Clamp{1737075662, 1737075661, 305419896},
                           Clamp{305419896, 305419896, 305419896}, Clamp{305419897, 305419897, 305419896},
                           Clamp{UINT64_MAX, 1737075661, 305419896}}) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(ecm_clamp_curves(c.in), c.curves);
        EXPECT_EQ(ecm_clamp_k(c.in), c.k);
    }
}

TEST_F(FactorMethods, EcmCurveCountAndFirstK) {
    // ecm_n = 0 runs one curve, ecm_k = 3 starts at K = 9; the count is read
    // again before every curve.
    const auto c = first("Mpqs");  // 120 bits, factors of 60 bits
    Big n(c.get("N"));
    std::vector<std::string> seen;
    report.set_listener([&](int code, const std::string& text) {
        if (code == kStatusEcm && text.rfind("ECM ", 0) == 0) seen.push_back(text);
    });
    int reads = 0;
    factor_ecm(n, kPm1Limit1, 185360, [&] {
        ++reads;
        return ecm_clamp_curves(0);
    }, ecm_clamp_k(3),
               report);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), "ECM 1/1 curves\r\nK=9\r\n");
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_GE(reads, 1);

    // A count that grows while the run goes on is followed.
    FactorReport r2;
    seen.clear();
    r2.set_listener([&](int code, const std::string& text) {
        if (code == kStatusEcm && text.rfind("ECM ", 0) == 0) seen.push_back(text);
    });
    Big n2(c.get("N"));
    reads = 0;
    factor_ecm(n2, kPm1Limit1, 185360, [&] { return reads++ < 1 ? 1u : 2u; }, 1000, r2);
    if (seen.size() == 2) {  // unless curve 1 split N
        EXPECT_EQ(seen[1], "ECM 2/2 curves\r\nK=1001\r\n");
    }
}

TEST_F(FactorMethods, MpqsSplitsBalancedSemiprime) {
    const auto c = first("Mpqs");  // 120 bits; 160 and 200 bits run in the slow suite
    Big n(c.get("N"));
    std::vector<std::string> seen;
    report.set_listener([&](int code, const std::string& text) {
        if (code == kStatusMpqs && text.rfind("QS Method", 0) == 0) seen.push_back(text);
    });
    EXPECT_EQ(factor_mpqs(n, report), kFactorFound);
    expect_factors(report, n, {c.get("P"), c.get("Q")}, c.get("N"));
    // 36 digits: factor base 36^4 / 4096 = 410.
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].substr(seen[0].find("Factor Base")), "Factor Base=410.\r\n");
}

TEST_F(FactorMethods, MpqsSquaresAndPowers) {
    // A square N: its root is recorded and divided out (MPQS refuses such N).
    Big p("C38607A8EC0BDBD");
    Big n;
    multiply(p, p, n);
    EXPECT_EQ(factor_mpqs(n, report), kFactorRefused);
    EXPECT_EQ(factortest::recorded_values(report), (std::vector<std::string>{"C38607A8EC0BDBD"}));
    EXPECT_EQ(testsupport::get_hex(n), "C38607A8EC0BDBD");
    // A cube: every congruence of squares modulo p^3 is trivial, so the root is
    // split off until N is the root itself.
    FactorReport r;
    Big cube;
    multiply(p, p, cube);
    multiply(cube, p, cube);
    EXPECT_EQ(factor_mpqs(cube, r), kFactorRefused);
    EXPECT_EQ(r.line_count(), 2);
    EXPECT_EQ(testsupport::get_hex(cube), "C38607A8EC0BDBD");
}

TEST_F(FactorMethods, MpqsFactorBasePrimeDividingN) {
    // A prime inside the factor-base range divides N: it is split off first.
    Big n("B752DDE3D540926CB95C009F18A6ED");  // 120-bit semiprime of the vectors
    Big q(1000003);
    multiply(n, q, n);
    EXPECT_EQ(factor_mpqs(n, report), kFactorFound);
    expect_factors(report, n, {"F4243", "C38607A8EC0BDBD", "F006D38A8CAA8F1"},
                   "AED4E583E4E640A0536A2448F9FC65FCA07");
}

TEST_F(FactorMethods, StopWordEndsEveryMethod) {
    Big n("B752DDE3D540926CB95C009F18A6ED");
    report.request_stop();
    EXPECT_EQ(factor_rho(n, 2000, report), kFactorStopped);
    EXPECT_EQ(factor_pm1(n, kPm1Limit1, kPm1Limit2, report), kFactorStopped);
    EXPECT_EQ(factor_pp1(n, kPm1Limit1, kPm1Limit2, report), kFactorStopped);
    EXPECT_EQ(factor_ecm(n, kPm1Limit1, kEcmLimit2, [] { return 3u; }, 9, report), kFactorStopped);
    EXPECT_EQ(factor_mpqs(n, report), kFactorStopped);
    EXPECT_EQ(testsupport::get_hex(n), "B752DDE3D540926CB95C009F18A6ED");
    EXPECT_EQ(report.line_count(), 0);
}

// ---- elimination over GF(2) --------------------------------------------------------

int naive_rank(std::vector<std::vector<uint8_t>> m, int cols) {
    int rank = 0;
    for (int c = 0; c < cols && rank < static_cast<int>(m.size()); ++c) {
        size_t piv = static_cast<size_t>(rank);
        while (piv < m.size() && !m[piv][static_cast<size_t>(c)]) ++piv;
        if (piv == m.size()) continue;
        std::swap(m[piv], m[static_cast<size_t>(rank)]);
        for (size_t r = 0; r < m.size(); ++r)
            if (r != static_cast<size_t>(rank) && m[r][static_cast<size_t>(c)])
                for (int k = 0; k < cols; ++k) m[r][static_cast<size_t>(k)] ^= m[static_cast<size_t>(rank)][static_cast<size_t>(k)];
        ++rank;
    }
    return rank;
}

TEST(Gf2Elimination, DependenciesSumToZeroAndRankMatches) {
    auto rng = testsupport::TestRng::for_test(7);
    SCOPED_TRACE(testsupport::test_seed_note());
    for (int round = 0; round < testsupport::test_iters(30); ++round) {
        const int cols = 1 + static_cast<int>(rng.below(150));
        const int count = cols + 10;
        IncrementalGf2 m(cols, count);
        std::vector<std::vector<uint8_t>> rows;
        std::vector<int> dep;
        for (int i = 0; i < count; ++i) {
            std::vector<int> ones;
            std::vector<uint8_t> dense(static_cast<size_t>(cols), 0);
            const int weight = static_cast<int>(rng.below(6));
            for (int k = 0; k < weight; ++k) {
                const int c = static_cast<int>(rng.below(static_cast<uint64_t>(cols)));
                ones.push_back(c);
                dense[static_cast<size_t>(c)] ^= 1;
            }
            rows.push_back(dense);
            if (m.add(ones, dep)) {
                ASSERT_FALSE(dep.empty());
                EXPECT_EQ(dep.back(), i);  // the new vector is part of it
                std::vector<uint8_t> sum(static_cast<size_t>(cols), 0);
                for (int r : dep)
                    for (int k = 0; k < cols; ++k) sum[static_cast<size_t>(k)] ^= rows[static_cast<size_t>(r)][static_cast<size_t>(k)];
                EXPECT_EQ(sum, std::vector<uint8_t>(static_cast<size_t>(cols), 0));
            }
            ASSERT_EQ(m.pivot_rows(), naive_rank(rows, cols));
        }
        EXPECT_TRUE(m.full());
        EXPECT_FALSE(m.add({0}, dep));  // beyond the limit nothing is added
    }
}

}  // namespace
