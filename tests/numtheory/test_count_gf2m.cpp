// Point counting over GF(2^m): the direct and kangaroo ranges against naive
// counts, Schoof's range against PARI/GP (tests/vectors/numtheory/count.txt),
// the narrative line by line, the warnings, the refusals and the stop points.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ec2.h"
#include "engine/gf2m.h"
#include "engine/modular.h"
#include "numtheory/point_count.h"
#include "numtheory/progress_log.h"
#include "numtheory/schoof_moduli.h"
#include "tests/numtheory/count_fixture.h"
#include "tests/numtheory/curve_data.h"
#include "tests/support/test_rng.h"
#include "tests/support/vectors.h"

using namespace testsupport;
using namespace counttest;

namespace {

class CountGf2mTest : public CountTest {
   protected:
    // Counts in mode 0 with the basis {a, b, c}; returns NP as hex ("" when untouched).
    std::string count(int m, const std::vector<int>& basis, const std::string& a, const std::string& b) {
        Big A(a), B(b), result("0"), z(0);
        count_points_gf2m(result, m, basis[0], basis[1], basis[2], A, B, KangarooMode::count_points, z, z, z,
                          z, z, z);
        return result.hex() == "0" ? "" : result.hex();
    }
    std::string count(const VectorCase& c) {
        return count(std::stoi(c.get("M")), int_list(c.get("Basis")), c.get("A"), c.get("B"));
    }
};

curvedata::BinaryField field_of(int m, const std::vector<int>& basis) {
    uint64_t poly = (uint64_t{1} << m) | 1;
    for (int e : basis)
        if (e) poly |= uint64_t{1} << e;
    return {m, poly};
}

// m <= 11 point by point (with the random-point check), 12 <= m <= 20 by the
// kangaroo; both against the naive count.
TEST_F(CountGf2mTest, DirectAndKangarooRangesAgainstNaive) {
    TestRng rng = TestRng::for_test(31);
    SCOPED_TRACE(test_seed_note());
    for (int m = 3; m <= 20; ++m) {
        const std::vector<int> basis = curvedata::low_weight_basis(m);
        const uint64_t a = rng.below(uint64_t{1} << m), b = 1 + rng.below((uint64_t{1} << m) - 1);
        const uint64_t np = curvedata::naive_count_gf2m(field_of(m, basis), a, b);
        SCOPED_TRACE("m=" + std::to_string(m) + " a=" + hex(a) + " b=" + hex(b));
        log_clear();
        EXPECT_EQ(count(m, basis, hex(a), hex(b)), hex(np));
        const std::vector<std::string> lines = curvedata::split_lines(progress_log().text());
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(lines[0], "Counting the number of points (NP) on the curve");
        EXPECT_EQ(lines[1], "y^2 + xy = x^3 + " + hex(a) + " *x + " + hex(b) + " mod (2^" + std::to_string(m) + ")");
        const bool kangaroo = progress_log().text().find("Pollard") != std::string::npos;
        EXPECT_EQ(kangaroo, m >= 12);
        if (kangaroo)
            EXPECT_NE(progress_log().text().find("\r\nReleasing 5 Tame & 5 Wild Kangaroos\r\n"), std::string::npos);
        else  // NP < 2^16: its largest prime factor is named as the cofactor
            EXPECT_EQ(lines[2] + "\r\n", curvedata::classification_line(np));
        EXPECT_EQ(progress_log().text().find("Sanity"), std::string::npos);
    }
}

TEST_F(CountGf2mTest, AgainstPari) {
    for (const VectorCase& c : load_vectors("numtheory/count.txt")) {
        if (c.section != "GF2m" || std::stoi(c.get("M")) > 64) continue;  // wider ones: slow_count.cpp
        SCOPED_TRACE(c.where);
        log_clear();
        EXPECT_EQ(count(c), c.get("NP")) << progress_log().text();
        EXPECT_EQ(progress_log().text().find(" primes used") != std::string::npos, std::stoi(c.get("M")) >= 56);
        EXPECT_EQ(engine_error(), 0);
    }
}

// The narrative of a count over GF(2^64): no "NP mod 2" line; one line per
// further modulus with NP mod l from PARI/GP (the power of 2 included), with
// no blank after the residue only where the two-eigenvalue branch settled it
// (t^2 - 4q a non-zero square mod the prime l); this form's kangaroo texts.
TEST_F(CountGf2mTest, NarrativeLineByLine) {
    const VectorCase* c = nullptr;
    const std::vector<VectorCase> all = load_vectors("numtheory/count.txt");
    for (const VectorCase& v : all)
        if (v.section == "GF2mNarrative") c = &v;
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(count(*c), c->get("NP"));
    const std::vector<std::string> lines = curvedata::split_lines(progress_log().text());
    const std::vector<int> moduli = int_list(c->get("Moduli")), residues = int_list(c->get("Residues"));
    ASSERT_EQ(lines.size(), 3 + (moduli.size() - 1) + 5 + 1) << progress_log().text();
    const int m = std::stoi(c->get("M"));
    size_t i = 0;
    EXPECT_EQ(lines[i++], "Counting the number of points (NP) on the curve");
    EXPECT_EQ(lines[i++], "y^2 + xy = x^3 + " + c->get("A") + " *x + " + c->get("B") + " mod (2^" + std::to_string(m) + ")");
    int primes = 0, largest = 0;
    for (int l : moduli)
        if (curvedata::is_prime64(static_cast<uint64_t>(l))) {
            ++primes;
            largest = l;
        }
    EXPECT_EQ(lines[i++], std::to_string(primes) + " primes used (plus largest prime powers), largest is " +
                              std::to_string(largest) + " ");
    for (size_t k = 1; k < moduli.size(); ++k) {
        const int l = moduli[k];
        const std::string head = "NP mod " + std::to_string(l) + " = " + pad5(residues[k]);
        const std::string mark = residues[k] == 0 ? " ***" : "";
        const int ql = static_cast<int>(curvedata::powmod64(2, static_cast<uint64_t>(m), static_cast<uint64_t>(l)));
        const int t = ((ql + 1 - residues[k]) % l + l) % l, disc = ((t * t - 4 * ql) % l + l) % l;
        const bool two = curvedata::is_prime64(static_cast<uint64_t>(l)) && disc != 0 &&
                         curvedata::powmod64(static_cast<uint64_t>(disc), static_cast<uint64_t>(l - 1) / 2,
                                             static_cast<uint64_t>(l)) == 1;
        EXPECT_EQ(lines[i++], head + mark + (two ? "" : " "));
    }
    EXPECT_EQ(lines[i++], "Pollard Lambda (kangaroo) algorithm, try 1");
    EXPECT_EQ(lines[i++], "leaps " + c->get("Leaps") + ", disting 0X" + c->get("Disting") + ", table size " +
                              c->get("Table"));
    EXPECT_EQ(lines[i++], "Releasing 5 Tame & 5 Wild Kangaroos");
    EXPECT_TRUE(curvedata::only_of(lines[i++], ".+"));
    EXPECT_EQ(lines[i++], class_line(c->get("Class")));
    EXPECT_EQ(lines[i++], "");
}

TEST_F(CountGf2mTest, ChoiceOfModuli) {
    Big q(0);
    expb2(163, q);
    const nt::SchoofModuli m = nt::choose_moduli(q, nt::schoof_e_gf2m(163), true);
    // e = 64 (m <= 160 would be 64 too; 161..200 gives 72): d = 2^49.
    EXPECT_EQ(nt::schoof_e_gf2m(160), 64);
    EXPECT_EQ(nt::schoof_e_gf2m(163), 72);
    // The power of 2 rises while 2^(e+1) < 16 q_i: 2^8 = 256 < 16*31.
    EXPECT_EQ(m.largest, 31);
    EXPECT_NE(std::find(m.list.begin(), m.list.end(), 256), m.list.end());
    EXPECT_EQ(std::find(m.list.begin(), m.list.end(), 512), m.list.end());
}

// An anomalous curve (NP = 2^m) gets only its warning; other small curves the
// embedding test against NP without its factors 2, counting from i = 0.
TEST_F(CountGf2mTest, Warnings) {
    bool anomalous = false, mov = false;
    for (int m = 5; m <= 9 && !(anomalous && mov); ++m) {
        const std::vector<int> basis = curvedata::low_weight_basis(m);
        const curvedata::BinaryField f = field_of(m, basis);
        const uint64_t q = uint64_t{1} << m;
        for (uint64_t a = 0; a < 2; ++a)
            for (uint64_t b = 1; b < q && !(anomalous && mov); ++b) {
                const uint64_t np = curvedata::naive_count_gf2m(f, a, b);
                uint64_t odd = np;
                while (odd % 2 == 0) odd /= 2;
                // The expected line by the rule: v = q^(i+1) mod N', first v = 1.
                std::string line;
                uint64_t v = 1;
                for (int i = 0; i < 50 && odd > 1; ++i) {
                    v = v * q % odd;
                    if (v == 1) {
                        line = (i == 1 || curvedata::is_prime64(odd) ? "WARNING: Curve fails MOV condition, k= "
                                                                      : "WARNING: Curve fails MOV condition, k<= ") +
                               std::to_string(i) + "\r\n";
                        break;
                    }
                }
                const bool is_anom = np == q;
                if ((is_anom && anomalous) || (!is_anom && (mov || line.empty()))) continue;
                log_clear();
                ASSERT_EQ(count(m, basis, hex(a), hex(b)), hex(np));
                const std::string log = progress_log().text();
                if (is_anom) {
                    anomalous = true;
                    EXPECT_TRUE(log.ends_with("\r\nWARNING: Curve is anomalous, NP = 2^M\r\n")) << log;
                    EXPECT_EQ(log.find("MOV"), std::string::npos);
                } else {
                    mov = true;
                    EXPECT_TRUE(log.ends_with("\r\n" + line)) << log << line;
                }
            }
    }
    EXPECT_TRUE(anomalous && mov);
}

TEST_F(CountGf2mTest, Refusals) {
    EXPECT_EQ(count(4, {2, 0, 0}, "1", "1"), "");  // x^4 + x^2 + 1 = (x^2 + x + 1)^2
    EXPECT_EQ(progress_log().text(), "Illegal Curve Parameters\r\n");
    engine_clear_error();
    log_clear();
    EXPECT_EQ(count(7, {1, 0, 0}, "5", "0"), "");
    EXPECT_EQ(progress_log().text(),
              "Counting the number of points (NP) on the curve\r\ny^2 + xy = x^3 + 5 *x + 0 mod (2^7)\r\n"
              "Not Allowed! B = 0\r\n");
}

// Modes 1 and 2 go to the kangaroo over every residue class: an odd logarithm
// is found (a search restricted to even values would never meet it).
TEST_F(CountGf2mTest, BandSearchesTakeEveryClass) {
    const curvedata::StandardCurve c = curvedata::standard_curve("sect113r1");
    Big A(c["a"]), B(c["b"]), Gx(c["Gx"]), Gy(c["Gy"]), K("2468ACE13579B"), Rx, Ry;
    ASSERT_TRUE(ecurve2_init(c.poly[0], c.poly[1], 0, 0, A, B, true, 1));
    epoint* G = epoint_init();
    epoint* R = epoint_init();
    ASSERT_TRUE(epoint2_set(Gx, Gy, 0, G));
    ecurve2_mult(K, G, R);
    epoint2_get(R, Rx, Ry);
    Big L("2468ACE100000"), H("2468ACE200000"), result(0);
    count_points_gf2m(result, c.poly[0], c.poly[1], 0, 0, A, B, KangarooMode::logarithm, Gx, Gy, Rx, Ry, L, H);
    EXPECT_EQ(result.hex(), "2468ACE13579B");
    EXPECT_TRUE(progress_log().text().ends_with("Check OK, k * G = R.\r\n")) << progress_log().text();
    epoint_free(G);
    epoint_free(R);
}

// The stop points over GF(2^m): the test after "Y^P " of the two-eigenvalue
// branch writes the one-blank text, every other one the text with two blanks
// before the stars (also right after "X^P ").
TEST_F(CountGf2mTest, StopPoints) {
    const VectorCase* c = nullptr;
    const std::vector<VectorCase> all = load_vectors("numtheory/count.txt");
    for (const VectorCase& v : all)
        if (v.section == "GF2mStop") c = &v;
    ASSERT_NE(c, nullptr);
    const int m = std::stoi(c->get("M"));
    const std::vector<int> moduli = int_list(c->get("Moduli")), residues = int_list(c->get("Residues"));
    // The branches, from NP: two distinct eigenvalues when t^2 - 4q is a
    // non-zero square mod l; none when it is a non-square.
    int two = -1, none = -1;
    for (size_t k = 1; k < moduli.size(); ++k) {
        const int l = moduli[k];
        if (!curvedata::is_prime64(static_cast<uint64_t>(l)) || l == 2) continue;
        const int ql = static_cast<int>(curvedata::powmod64(2, static_cast<uint64_t>(m), static_cast<uint64_t>(l)));
        const int t = ((ql + 1 - residues[k]) % l + l) % l;
        const int disc = ((t * t - 4 * ql) % l + l) % l;
        if (disc == 0) continue;
        const bool square = curvedata::powmod64(static_cast<uint64_t>(disc), static_cast<uint64_t>(l - 1) / 2,
                                                static_cast<uint64_t>(l)) == 1;
        if (square && two < 0) {
            int first = l;
            for (int z = 1; z < l; ++z)
                if ((z * z - t * z + ql) % l == 0) first = std::min(first, std::min(z, l - z));
            if (first > 1) two = static_cast<int>(k);
        }
        if (!square && none < 0) {
            int firstc = 0;
            for (int i = 1; i <= l / 2 && firstc == 0; ++i)
                if (curvedata::powmod64(static_cast<uint64_t>(((i * i - 4 * ql) % l + l) % l),
                                        static_cast<uint64_t>(l - 1) / 2, static_cast<uint64_t>(l)) ==
                    static_cast<uint64_t>(l - 1))
                    firstc = i;
            if (firstc != std::min(t, l - t) && t != 0) none = static_cast<int>(k);
        }
    }
    ASSERT_GE(two, 1);
    ASSERT_GE(none, 1);
    const std::string two_line = "NP mod " + std::to_string(moduli[static_cast<size_t>(two)]) + " = ";
    const std::string none_line = "NP mod " + std::to_string(moduli[static_cast<size_t>(none)]) + " = ";
    // While modulus k is in hand the log holds k - 1 complete "NP mod" lines.
    auto at_modulus = [](int k) {
        return [k](const std::string& log) { return occurrences(log, "NP mod ") == k - 1; };
    };
    struct Row {
        const char* name;
        StopHook::Predicate when;
        std::string tail;
    };
    const std::string A1 = "\r\n*** Aborted, thread exit ok ***\r\n", A3 = "\r\n*** Aborted, thread exit ok  ***\r\n";
    const std::vector<Row> rows = {
        {"after X^P", [](const std::string& log) { return log.ends_with("X^P "); }, "\r\nX^P " + A3},
        {"after Y^P with two eigenvalues",
         [&](const std::string& log) { return at_modulus(two)(log) && log.ends_with("Y^P "); }, "\r\n" + A1},
        {"in the two-eigenvalue loop",
         [&](const std::string& log) {
             return last_line(log).starts_with(two_line) && last_line(log).size() > two_line.size();
         },
         "\r\n" + two_line + A3},
        {"before X^PP", [&](const std::string& log) { return at_modulus(none)(log) && log.ends_with("Y^P "); },
         "\r\nX^PP " + A3},
        {"before Y^PP", [&](const std::string& log) { return at_modulus(none)(log) && log.ends_with("X^PP "); },
         "\r\nY^PP " + A3},
        {"in the candidate loop",
         [&](const std::string& log) {
             return last_line(log).starts_with(none_line) && last_line(log).size() > none_line.size();
         },
         "\r\n" + none_line + A3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        log_clear();
        set_run_state(RunState::running);
        StopHook hook(E, row.when);
        EXPECT_EQ(count(*c), "");
        EXPECT_TRUE(hook.fired());
        EXPECT_TRUE(progress_log().text().ends_with(row.tail)) << progress_log().text() << "\n--- expected tail:\n"
                                                               << row.tail;
    }
    // A full run for reference.
    log_clear();
    set_run_state(RunState::running);
    EXPECT_EQ(count(*c), c->get("NP"));
}

}  // namespace
