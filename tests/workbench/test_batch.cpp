// korvath-batch as a process: its runs must leave exactly what the same clicks
// leave in the window, and bad usage must end with exit code 2 and one line.
#include <cstdio>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "platform/files.h"
#include "tests/support/process.h"
#include "tests/workbench/fixture.h"
#include "workbench/config_file.h"

namespace {

using testsupport::ProcessRun;

std::string temp(const std::string& name) { return testsupport::temp_path("batch_" + name); }

ProcessRun batch(const std::vector<std::string>& args) { return testsupport::run_program(KORVATH_BATCH, args); }

std::string read_all(const std::string& path) {
    std::string s;
    file_read_prefix(path, 1 << 20, s);
    return s;
}

// The final dump the batch prints, made from the window state.
std::string dump(HeadlessWindow& win) {
    const char* names[] = {"NP", "A/a2", "B/a6", "P", "Q[Order]", "k[Priv]",
                           "Gx[Base]", "Gy[Base]", "Rx[Pub]", "Ry[Pub]", "Hash/H", "S160/L"};
    std::string s;
    for (int i = 0; i < ctl::kFieldCount; ++i) s += std::string(names[i]) + " = " + win.text(ctl::field_edit(i)) + "\n";
    return s;
}

using Batch = testsupport::WorkbenchTest;

TEST_F(Batch, SameResultAsTheSameClicks) {
    const std::string out_path = temp("out.txt");
    const ProcessRun r = batch({"--set", "NumberBase=10", "--set", "NP=255", "--set", "Q[Order]=-77", "--press",
                         "&CLEAR ECC", "--set", "check:S160/L=1", "--set", "S160/L=12x", "--save", out_path});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");

    // The same clicks in a window.
    ASSERT_TRUE(win->choose(ctl::number_base, 0));
    ASSERT_TRUE(type(ctl::NP, "255"));
    ASSERT_TRUE(type(ctl::Q, "-77"));
    ASSERT_TRUE(win->click(ctl::clear_ecc));
    const std::string pane_after_clear = pane();
    ASSERT_TRUE(win->click(ctl::check_s));
    ASSERT_TRUE(type(ctl::S, "12x"));

    EXPECT_EQ(read_all(out_path), configuration_text(*wb));
    const std::string expected = "== &CLEAR ECC ==\n" + pane_after_clear + "\n-- status --\n" + dump(*win);
    EXPECT_EQ(r.out.substr(0, expected.size()), expected);
    EXPECT_EQ(r.out.substr(expected.size(), 7), "Cost = ");
    EXPECT_NE(r.out.find("S160/L = 12\n"), std::string::npos);
    EXPECT_NE(r.out.find("Q[Order] = -77\n"), std::string::npos);
}

TEST_F(Batch, LoadPrintsTheFieldsInTheFileBase) {
    const ProcessRun r = batch({"--load", std::string(KORVATH_VECTOR_DIR) + "/workbench/config_gfp_base16.txt", "--press",
                         "CLEAR KEY"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("== CLEAR KEY ==\n"), std::string::npos);
    EXPECT_NE(r.out.find("NP = FFFFFFFFFFFFFFFFFFFFFFFF99DEF836146BC9B1B4D22831\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("A/a2 = -3\n"), std::string::npos);
    EXPECT_NE(r.out.find("k[Priv] = \n"), std::string::npos);
}

TEST_F(Batch, BadUsageExitsWithTwoAndOneLine) {
    const struct {
        std::vector<std::string> args;
        const char* message_part;
    } cases[] = {
        {{"--press", "NO SUCH BUTTON"}, "unknown button"},
        {{"--set", "NoSuchBox=1"}, "unknown control"},
        {{"--set", "NP"}, "missing \"=VALUE\""},
        {{"--set"}, "missing value"},
        {{"--load", "/nonexistent/korvath.txt"}, "No such file or directory"},
        {{"--save", "/nonexistent/dir/x.txt"}, "No such file or directory"},
        {{"--set", "NumberBase=12"}, "no entry"},
        {{"--set", "S160/L=5"}, "does not take input"},  // read-only until its box is ticked
        {{"--frobnicate"}, "unknown option"},
        {{"--timeout", "soon"}, "not a number"},
        {{"--close-dialog"}, "no dialog"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + (c.args.size() > 1 ? c.args[1] : ""));
        const ProcessRun r = batch(c.args);
        EXPECT_EQ(r.code, 2);
        EXPECT_NE(r.err.find(c.message_part), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

// A count that outlives --timeout is stopped: exit 3 with the worker's own
// abort text in the pane and the fields printed (NP as it was); the
// options after the press are skipped, since they may rely on its result.
TEST_F(Batch, TimeoutStopsALongCount) {
    const std::string out_path = temp("timeout.txt");
    std::remove(out_path.c_str());
    const ProcessRun r = batch({"--load", std::string(KORVATH_VECTOR_DIR) + "/workbench/config_gfp_base16.txt", "--set",
                              "NP=0", "--timeout", "0.3", "--press", "GET &NP", "--save", out_path});
    EXPECT_EQ(r.code, 3) << r.out << r.err;
    EXPECT_NE(r.out.find("== GET &NP ==\n"), std::string::npos) << r.out;
    // The abort line's spacing depends on where the count was stopped.
    EXPECT_NE(r.out.find("\n*** Aborted, thread exit ok "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nNP = 0\n"), std::string::npos) << r.out;
    EXPECT_EQ(read_all(out_path), "");
}

TEST_F(Batch, ListsAndCheckBoxesByEntryText) {
    const ProcessRun r = batch({"--set", "CurveType=GF(2^M)", "--set", "ThreadPriority=Idle/4", "--set", "m=163",
                         "--set", "check:Hash/H=1", "--set", "Hash/H=abc", "--set", "NumberBase=64"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.out.find("Hash/H = Crw\n"), std::string::npos) << r.out;  // 0x0ABC in Base64
}

}  // namespace
