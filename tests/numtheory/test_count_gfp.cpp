// Point counting over GF(p): the direct and kangaroo ranges against naive
// counts, Schoof's range against PARI/GP (tests/vectors/numtheory/count.txt,
// made by tests/vectors/gen/gen_count.py), the narrative line by line, the
// warnings, the refusals, the choice of moduli and the stop points.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "engine/ecp.h"
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

class CountGfpTest : public CountTest {
   protected:
    // Counts (A, B, p) in mode 0; returns NP as hex ("" when untouched).
    std::string count(const std::string& a, const std::string& b, const std::string& p) {
        Big A(a), B(b), P(p), result("0"), z(0);
        count_points_gfp(result, A, B, P, KangarooMode::count_points, z, z, z, z, z, z);
        return result.hex() == "0" ? "" : result.hex();
    }
};

// Every size up to 13 bits is counted point by point, 14 bits and more (up to
// 55) by the kangaroo; both against the naive count.
TEST_F(CountGfpTest, DirectAndKangarooRangesAgainstNaive) {
    TestRng rng = TestRng::for_test(21);
    SCOPED_TRACE(test_seed_note());
    for (int bits = 3; bits <= 22; ++bits) {
        uint64_t p;
        do {
            p = (uint64_t{1} << (bits - 1)) | rng.below(uint64_t{1} << (bits - 1)) | 1;
        } while (!curvedata::is_prime64(p));
        uint64_t a, b;
        do {
            a = rng.below(p);
            b = rng.below(p);
        } while ((4 * a % p * a % p * a + 27 * b % p * b) % p == 0);
        SCOPED_TRACE("p=" + hex(p) + " a=" + hex(a) + " b=" + hex(b));
        const uint64_t np = curvedata::naive_count_gfp(a, b, p);
        log_clear();
        EXPECT_EQ(count(hex(a), hex(b), hex(p)), hex(np));
        const std::vector<std::string> lines = curvedata::split_lines(progress_log().text());
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(lines[0], "Counting the number of points (NP) on the curve");
        EXPECT_EQ(lines[1], "y^2 = x^3 + " + hex(a) + " *x + " + hex(b) + " mod " + hex(p));
        EXPECT_TRUE(lines[2].starts_with("j-invariant = ")) << lines[2];
        if (bits <= 13) {
            const std::string expected = curvedata::is_prime64(np) ? "NP (Prime) = " + hex(np)
                                                                   : "NP (Composite)= " + hex(np);
            EXPECT_EQ(lines[lines.size() - 2], expected);
            EXPECT_EQ(progress_log().text().find("Pollard"), std::string::npos);
        } else {
            EXPECT_NE(progress_log().text().find("\r\nPollard Lambda (kangaroo) algorithm, try 1\r\n"),
                      std::string::npos);
            EXPECT_EQ(progress_log().text().find("primes used"), std::string::npos);
        }
    }
}

// Schoof's range from 56 to 64 bits (wider ones in slow_count.cpp), j = 0 and
// j = 1728 included: those name the curve "Anomalous" and skip the eigenvalue
// test, whose "GCD " label (erased when done) is watched for while counting.
TEST_F(CountGfpTest, SchoofAgainstPari) {
    for (const VectorCase& c : load_vectors("numtheory/count.txt")) {
        if (c.section != "GFp" && c.section != "GFpSpecial") continue;
        if (c.get("P").size() > 16) continue;
        SCOPED_TRACE(c.where);
        log_clear();
        bool gcd_seen = false;
        {
            StopHook watch(E, [&](const std::string& log) {
                gcd_seen = gcd_seen || log.ends_with("GCD ");
                return false;
            });
            EXPECT_EQ(count(c.get("A"), c.get("B"), c.get("P")), c.get("NP"));
        }
        const std::string log = progress_log().text();
        EXPECT_NE(log.find(" primes used (plus largest prime powers), largest is "), std::string::npos);
        const bool special = c.get("A") == "0" || c.get("B") == "0";
        EXPECT_EQ(log.find("Anomalous curve! j-invariant = 0 or (64*27), A or B = 0\r\n") != std::string::npos,
                  special)
            << log;
        EXPECT_EQ(gcd_seen, !special);
        EXPECT_EQ(engine_error(), 0);
    }
}

// The whole narrative of one 100-bit count: header, j-invariant, moduli line,
// one "NP mod l" line per modulus with NP mod l from PARI/GP, the kangaroo's
// lines and the classification. The trailing blank of a residue line tells
// the branch: none after the two-eigenvalue branch (Frobenius has two distinct
// eigenvalues mod the prime l: t^2 - 4p a non-zero square, t from PARI/GP's NP),
// one after the candidate search.
TEST_F(CountGfpTest, NarrativeLineByLine) {
    const std::vector<VectorCase> all = load_vectors("numtheory/count.txt");
    const VectorCase* c = nullptr;
    for (const VectorCase& v : all)
        if (v.section == "GFpNarrative") c = &v;
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(count(c->get("A"), c->get("B"), c->get("P")), c->get("NP"));
    const std::vector<std::string> lines = curvedata::split_lines(progress_log().text());
    const std::vector<int> moduli = int_list(c->get("Moduli")), residues = int_list(c->get("Residues"));
    ASSERT_EQ(lines.size(), 4 + moduli.size() + 5 + 1) << progress_log().text();
    size_t i = 0;
    EXPECT_EQ(lines[i++], "Counting the number of points (NP) on the curve");
    EXPECT_EQ(lines[i++], "y^2 = x^3 + " + c->get("A") + " *x + " + c->get("B") + " mod " + c->get("P"));
    EXPECT_EQ(lines[i++], "j-invariant = " + c->get("J"));
    int primes = 0, largest = 0;
    for (int l : moduli)
        if (curvedata::is_prime64(static_cast<uint64_t>(l))) {
            ++primes;
            largest = l;
        }
    EXPECT_EQ(lines[i++], std::to_string(primes) + " primes used (plus largest prime powers), largest is " +
                              std::to_string(largest));
    int two_branch = 0;
    for (size_t k = 0; k < moduli.size(); ++k) {
        const int l = moduli[k];
        const std::string head = "NP mod " + std::to_string(l) + " = " + pad5(residues[k]);
        const std::string& line = lines[i++];
        const std::string mark = residues[k] == 0 ? " ***" : "";
        if (k == 0) {  // the mod-2 line: " " or " ***"
            EXPECT_EQ(line, head + (residues[k] == 0 ? " ***" : " "));
            continue;
        }
        const int pl = hex_mod(c->get("P"), l), t = ((pl + 1 - residues[k]) % l + l) % l;
        const int disc = ((t * t - 4 * pl) % l + l) % l;
        const bool two = curvedata::is_prime64(static_cast<uint64_t>(l)) && disc != 0 &&
                         curvedata::powmod64(static_cast<uint64_t>(disc), static_cast<uint64_t>(l - 1) / 2,
                                             static_cast<uint64_t>(l)) == 1;
        two_branch += two;
        EXPECT_EQ(line, head + mark + (two ? "" : " "));
    }
    EXPECT_GE(two_branch, 1);  // the curve shows both kinds of line
    EXPECT_EQ(lines[i++], "Pollard Lambda (kangaroo) algorithm, try 1");
    EXPECT_EQ(lines[i++], "leaps " + c->get("Leaps") + ", disting 0X" + c->get("Disting") + ", table size " +
                              c->get("Table"));
    EXPECT_EQ(lines[i++], "Releasing 5 Tame and 5 Wild Kangaroos");
    EXPECT_TRUE(curvedata::only_of(lines[i++], ".+"));
    EXPECT_EQ(lines[i++], class_line(c->get("Class")));
    EXPECT_EQ(lines[i++], "");
}

// Classification lines with composite cofactors (counts of 60 bits).
TEST_F(CountGfpTest, CompositeCofactorLines) {
    for (const VectorCase& c : load_vectors("numtheory/count.txt")) {
        if (c.section != "GFpClass") continue;
        SCOPED_TRACE(c.where);
        log_clear();
        EXPECT_EQ(count(c.get("A"), c.get("B"), c.get("P")), c.get("NP"));
        EXPECT_NE(progress_log().text().find("\r\n" + class_line(c.get("Class")) + "\r\n"), std::string::npos)
            << progress_log().text();
    }
}

TEST_F(CountGfpTest, Warnings) {
    for (const VectorCase& c : load_vectors("numtheory/count.txt")) {
        if (c.section != "GFpWarning") continue;
        SCOPED_TRACE(c.where);
        log_clear();
        EXPECT_EQ(count(c.get("A"), c.get("B"), c.get("P")), c.get("NP"));
        const std::string log = progress_log().text();
        const std::string kind = c.get("Kind");
        if (kind == "anomalous") {
            // NP = p: only the anomaly warning, no embedding test.
            EXPECT_TRUE(log.ends_with(" = 1 * " + c.get("NP") + "\r\nWARNING: Curve is anomalous, np = p, HOT!!!\r\n"))
                << log;
        } else if (kind == "supersingular") {
            // NP = p + 1 (even, so not prime): p^2 = 1 mod NP.
            EXPECT_TRUE(log.ends_with("WARNING: Curve is supersingular, np = p+1, HOT!!!\r\n"
                                      "WARNING: Curve fails MOV condition - K <= 2 \r\n"))
                << log;
        } else {
            // NP = p - 1: p = 1 mod NP.
            EXPECT_TRUE(log.ends_with("\r\nWARNING: Curve fails MOV condition - K = 1 \r\n")) << log;
        }
    }
}

TEST_F(CountGfpTest, Refusals) {
    EXPECT_EQ(count("1", "1", "F"), "");  // 15 is not prime
    EXPECT_EQ(progress_log().text(), "P is not prime!\r\n");
    log_clear();
    // A = -3, B = 2 over p = 1000003: 4A^3 + 27B^2 = -108 + 108 = 0.
    EXPECT_EQ(count("F4240", "2", "F4243"), "");
    EXPECT_EQ(progress_log().text(),
              "Counting the number of points (NP) on the curve\r\ny^2 = x^3 + F4240 *x + 2 mod F4243\r\n"
              "Not Allowed! 4A^3+27B^2 = 0\r\n");
}

// The moduli for 160 and 256 bits as the walk gives them.
TEST_F(CountGfpTest, ChoiceOfModuli) {
    Big p160(std::string(40, 'F')), p256(std::string(64, 'F'));
    const nt::SchoofModuli m160 = nt::choose_moduli(p160, nt::schoof_e_gfp(160), false);
    EXPECT_EQ(m160.list, (std::vector<int>{2, 3, 5, 7, 11, 13, 16, 17, 19, 23, 25, 27, 29, 31}));
    EXPECT_EQ(m160.aw, 3);
    EXPECT_EQ(m160.primes, 11);
    EXPECT_EQ(m160.largest, 31);
    const nt::SchoofModuli m256 = nt::choose_moduli(p256, nt::schoof_e_gfp(256), false);
    EXPECT_EQ(m256.largest, 61);
    std::vector<int> powers;
    for (int l : m256.list)
        if (nt::prime_power_base(l) != 0) powers.push_back(l);
    EXPECT_EQ(powers, (std::vector<int>{25, 27, 32, 49}));
    EXPECT_EQ(m256.aw, 4);
    EXPECT_EQ(nt::schoof_e_gfp(100), 48);
    EXPECT_EQ(nt::schoof_e_gfp(101), 56);
    EXPECT_EQ(nt::schoof_e_gfp(141), 72);
    EXPECT_EQ(nt::schoof_e_gfp(201), 80);
}

// Modes 1 and 2 go to the kangaroo with the caller's band.
TEST_F(CountGfpTest, BandSearchesGoToTheKangaroo) {
    const curvedata::StandardCurve c = curvedata::standard_curve("secp112r1");
    Big A(c["a"]), B(c["b"]), P(c["p"]), Gx(c["Gx"]), Gy(c["Gy"]), K("123456789ABCDE"), Rx, Ry, zero(0);
    ecurve_init(A, B, P, 1);
    epoint* G = epoint_init();
    epoint* R = epoint_init();
    ASSERT_TRUE(epoint_set(Gx, Gy, 0, G));
    ecurve_mult(K, G, R);
    epoint_get(R, Rx, Ry);
    Big L("123456789A0000"), H("12345678A00000"), result(0);
    count_points_gfp(result, A, B, P, KangarooMode::logarithm, Gx, Gy, Rx, Ry, L, H);
    EXPECT_EQ(result.hex(), "123456789ABCDE");
    EXPECT_TRUE(progress_log().text().ends_with("Check OK, k * G = R.\r\n"));
    EXPECT_EQ(progress_log().text().find("primes used"), std::string::npos);
    epoint_free(G);
    epoint_free(R);
}

// ---- stop points ------------------------------------------------------------------------

// The stop-point curve (chosen by the generator for a two-eigenvalue modulus
// whose loop runs past i = 1 and a prime power whose first candidate is not
// the answer) is counted once in full to learn the branch each prime modulus
// took (a residue line with no blank after the padded residue comes from the
// two-eigenvalue branch). Each row then raises the stop request when the log
// reaches a chosen state and names the text the count must end with.
TEST_F(CountGfpTest, StopPoints) {
    const std::vector<VectorCase> all = load_vectors("numtheory/count.txt");
    const VectorCase* c = nullptr;
    for (const VectorCase& v : all)
        if (v.section == "GFpStop") c = &v;
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(count(c->get("A"), c->get("B"), c->get("P")), c->get("NP"));
    const std::vector<int> moduli = int_list(c->get("Moduli")), residues = int_list(c->get("Residues"));
    const std::string full = progress_log().text();
    const std::vector<std::string> lines = curvedata::split_lines(full);

    // A two-eigenvalue modulus whose loop does not stop at i = 1: the loop
    // stops at the first i in 1..(l-1)/2 with phi = +-i on a factor, i.e. at
    // the smaller of +-lambda for the eigenvalues lambda (roots of
    // z^2 - t z + p mod l).
    int two = -1, power = -1;
    for (size_t k = 1; k < moduli.size(); ++k) {
        const int l = moduli[k];
        const std::string line = "NP mod " + std::to_string(l) + " = ";
        const size_t at = full.find(line);
        ASSERT_NE(at, std::string::npos);
        const std::string text = full.substr(at, full.find("\r\n", at) - at);
        const int pl = hex_mod(c->get("P"), l);
        const int t = ((pl + 1 - residues[k]) % l + l) % l;
        const bool two_branch = text.size() == line.size() + 5;  // no blank after the residue
        if (nt::prime_power_base(l) == 0 && two_branch && two < 0) {
            int first = l;
            for (int z = 1; z < l; ++z)
                if ((z * z - t * z + pl) % l == 0) first = std::min(first, std::min(z, l - z));
            if (first > 1) two = static_cast<int>(k);
        }
        if (nt::prime_power_base(l) != 0 && power < 0) {
            // Candidates i in 1..l/2 with i = +-t mod q: the loop must not
            // stop at the first of them.
            const int q = nt::prime_power_base(l), tq = t % q;
            int firstc = 0;
            for (int i = 1; i <= l / 2 && firstc == 0; ++i)
                if (i % q == tq || (l - i) % q == tq) firstc = i;
            if (firstc != std::min(t, l - t) && t != 0) power = static_cast<int>(k);
        }
    }
    ASSERT_GE(two, 0) << "the stop-point curve needs a suitable two-eigenvalue modulus";
    ASSERT_GE(power, 0);
    const std::string two_line = "NP mod " + std::to_string(moduli[static_cast<size_t>(two)]) + " = ";
    const std::string pow_line = "NP mod " + std::to_string(moduli[static_cast<size_t>(power)]) + " = ";
    // While modulus k is in hand the log holds k complete "NP mod" lines.
    auto at_modulus = [](int k) {
        return [k](const std::string& log) { return occurrences(log, "NP mod ") == k; };
    };
    struct Row {
        const char* name;
        StopHook::Predicate when;
        std::string tail;
    };
    const std::vector<Row> rows = {
        {"after X^P", [](const std::string& log) { return log.ends_with("X^P "); },
         "\r\nX^P \r\n*** Aborted, thread exit ok ***\r\n"},
        {"after Y^P with two eigenvalues",
         [&](const std::string& log) { return at_modulus(two)(log) && log.ends_with("Y^P "); },
         lines[3 + static_cast<size_t>(two)] + "\r\n\r\n*** Aborted,  thread exit ok ***\r\n"},
        {"in the two-eigenvalue loop",
         [&](const std::string& log) { return last_line(log).starts_with(two_line) && last_line(log).size() > two_line.size(); },
         "\r\n" + two_line + "\r\n*** Aborted, thread exit ok ***\r\n"},
        {"before X^PP",
         [&](const std::string& log) { return at_modulus(power)(log) && log.ends_with("Y^P "); },
         "\r\nX^PP \r\n*** Aborted, thread exit ok  ***\r\n"},
        {"before Y^PP",
         [&](const std::string& log) { return at_modulus(power)(log) && log.ends_with("X^PP "); },
         "\r\nY^PP \r\n*** Aborted, thread exit ok  ***\r\n"},
        {"in the candidate loop",
         [&](const std::string& log) { return last_line(log).starts_with(pow_line) && last_line(log).size() > pow_line.size(); },
         "\r\n" + pow_line + "\r\n*** Aborted, thread exit ok  ***\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        log_clear();
        set_run_state(RunState::running);
        StopHook hook(E, row.when);
        EXPECT_EQ(count(c->get("A"), c->get("B"), c->get("P")), "");
        EXPECT_TRUE(hook.fired());
        EXPECT_TRUE(progress_log().text().ends_with(row.tail)) << progress_log().text() << "\n--- expected tail:\n" << row.tail;
    }
    // Inside the kangaroo: nothing more is written and NP is not stored.
    log_clear();
    set_run_state(RunState::running);
    {
        StopHook hook(E, [](const std::string& log) { return log.ends_with("Wild Kangaroos\r\n"); });
        EXPECT_EQ(count(c->get("A"), c->get("B"), c->get("P")), "");
        EXPECT_TRUE(hook.fired());
    }
    EXPECT_TRUE(curvedata::only_of(curvedata::split_lines(progress_log().text()).back(), ".+"))
        << progress_log().text();
}

}  // namespace
