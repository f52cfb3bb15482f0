// korvath-count run as a process: curves from standard input and from a file,
// answers checked against a naive count and against published orders, the -v
// narrative, and the messages for lines it cannot count.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/numtheory/count_fixture.h"
#include "tests/numtheory/curve_data.h"
#include "tests/support/process.h"

namespace {

using testsupport::ProcessRun;

// korvath-count with `args`, reading `input` on standard input.
ProcessRun run_tool(const std::vector<std::string>& args, const std::string& input) {
    return testsupport::run_program(KORVATH_COUNT, args, input);
}

// The lines of `text` that start with `prefix`, with the prefix removed.
std::vector<std::string> lines_starting(const std::string& text, const std::string& prefix) {
    std::vector<std::string> out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line.substr(prefix.size()));
        at = end + 1;
    }
    return out;
}

// "NP <hex> <seconds>" without the seconds.
std::string np_of(const std::string& rest) { return rest.substr(0, rest.find(' ')); }

// Points of y^2 = x^3 + a x + b over GF(p), point at infinity included.
uint64_t naive_count(uint64_t p, uint64_t a, uint64_t b) {
    std::vector<int> squares(p, 0);
    for (uint64_t y = 0; y < p; ++y) ++squares[y * y % p];
    uint64_t n = 1;
    for (uint64_t x = 0; x < p; ++x) n += squares[(x * x % p * x + a * x + b) % p];
    return n;
}

// Twice a hexadecimal number, in upper-case hexadecimal.
std::string twice(const std::string& hex) {
    std::string out(hex.size(), '0');
    int carry = 0;
    for (size_t i = hex.size(); i-- > 0;) {
        const int d = counttest::hex_mod(hex.substr(i, 1), 16) * 2 + carry;
        out[i] = "0123456789ABCDEF"[d % 16];
        carry = d / 16;
    }
    return carry ? "1" + out : out;
}

}  // namespace

TEST(CountTool, CountsCurvesOfBothKindsAndReportsBadLines) {
    const curvedata::StandardCurve p112 = curvedata::standard_curve("secp112r1");
    const curvedata::StandardCurve t113 = curvedata::standard_curve("sect113r1");
    ASSERT_EQ(p112["h"], "1");
    ASSERT_EQ(t113["h"], "2");
    ASSERT_EQ(t113.poly, (std::vector<int>{113, 9, 0}));
    const std::string input =
        "# a comment, then a blank line\n"
        "\n"
        "gfp 3FB 2 3\n"
        "gfp " + p112["p"] + " " + p112["a"] + " " + p112["b"] + "\n"
        "gfp 3FB 2\n"                 // line 5: too few numbers
        "gfp 3F9 2 3\n"               // line 6: 1017 = 3^2 * 113 is no prime
        "gf2m 113 9 0 0 " + t113["a"] + " " + t113["b"] + "\n"
        "gfp 3FB 2 xyz\n";            // line 8: no hexadecimal number
    const ProcessRun r = run_tool({}, input);
    EXPECT_EQ(r.code, 1);
    const std::vector<std::string> nps = lines_starting(r.out, "NP ");
    ASSERT_EQ(nps.size(), 3u) << r.out;
    EXPECT_EQ(np_of(nps[0]), counttest::hex(naive_count(0x3FB, 2, 3)));
    EXPECT_EQ(np_of(nps[1]), p112["n"]);
    EXPECT_EQ(np_of(nps[2]), twice(t113["n"]));
    for (const std::string& rest : nps) {
        const std::string secs = rest.substr(rest.find(' ') + 1);
        EXPECT_NE(secs.find('.'), std::string::npos) << rest;
    }
    EXPECT_NE(r.err.find("stdin:5: expected 'gfp P A B' or 'gf2m m a b c A B'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("stdin:6: not counted: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("stdin:8: 'xyz' is not a hexadecimal number"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("stdin:3"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("stdin:7"), std::string::npos) << r.err;
}

TEST(CountTool, VerboseNarrativeAndFileInput) {
    const std::string path = testsupport::temp_path("curves.txt");
    std::ofstream(path) << "gfp 3FB 2 3\n";
    const ProcessRun r = run_tool({"-v", path}, "");
    std::remove(path.c_str());
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // The narrative comes first, with plain line ends, then the answer.
    EXPECT_EQ(r.out.find('\r'), std::string::npos);
    const size_t np = r.out.rfind("NP " + counttest::hex(naive_count(0x3FB, 2, 3)) + " ");
    ASSERT_NE(np, std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("Counting the number of points (NP) on the curve\n"), 0u) << r.out;
    EXPECT_EQ(r.out.find('\n', np), r.out.size() - 1);
}

TEST(CountTool, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {{"-x"}, {"a.txt", "b.txt"}, {"/nonexistent/curves.txt"}};
    for (const std::vector<std::string>& args : cases) {
        SCOPED_TRACE(args[0]);
        const ProcessRun r = run_tool(args, "gfp 3FB 2 3\n");
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err, "");
    }
}
