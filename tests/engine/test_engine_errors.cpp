// The error mechanism: the fixed messages, stickiness, and the report with the
// routine trace that an error prints when error control is off (run in a child
// process, whose standard output is compared byte for byte).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/big.h"
#include "engine/strong_rng.h"
#include "tests/support/engine_fixture.h"

using namespace testsupport;

namespace {

struct ChildResult {
    int exit_status = -1;  // -1 when the child did not exit normally
    std::string out;
};

// Runs fn in a child process with standard output captured. A child that
// returns from fn exits with status 3.
ChildResult run_in_child(const std::function<void()>& fn) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    std::fflush(stdout);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], 1);
        close(fds[1]);
        fn();
        std::fflush(stdout);
        _exit(3);
    }
    close(fds[1]);
    ChildResult r;
    char buf[512];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) r.out.append(buf, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) r.exit_status = WEXITSTATUS(status);
    return r;
}

TEST(EngineErrors, MessagesAreExact) {
    const char* expected[] = {
        nullptr,
        "Number base too big for representation\n",
        "Division by zero attempted\n",
        "Overflow - Number too big\n",
        "Internal result is negative\n",
        "Input format error\n",
        "Illegal number base\n",
        "Illegal parameter usage\n",
        "Out of space\n",
        "Even root of a negative number\n",
        "Raising integer to negative power\n",
        "Attempt to take illegal root\n",
        "Integer operation attempted on Flash number\n",
        "Flash overflow\n",
        "Numbers too big\n",
        "Log of a non-positive number\n",
        "Flash to double conversion failure\n",
        "I/O buffer overflow\n",
        "Engine not initialised - no call to engine_open()\n",
        "Illegal modulus \n",
        "No modulus defined\n",
        "Exponent too big\n",
        "Unsupported Feature - check build configuration\n",
        "Specified double length type isn't double length\n",
        "Specified basis is NOT irreducible\n",
        "Unable to control Floating-point rounding\n",
        "Base must be binary\n",
        "No irreducible basis defined\n",
        "Composite modulus\n",
    };
    for (int code = 1; code <= 28; ++code) EXPECT_STREQ(error_message(code), expected[code]) << code;
    for (int code : {0, -1, 29, 1000}) EXPECT_STREQ(error_message(code), "Undefined error\n") << code;
    EXPECT_STREQ(routine_name(0), "your program");
    EXPECT_STREQ(routine_name(44), "");
    EXPECT_STREQ(routine_name(172), "fp2_div2");
    EXPECT_STREQ(routine_name(173), "???");
}

class EngineErrorState : public EngineTest {};

TEST_F(EngineErrorState, ErrorsAreStickyAndLeaveOutputsAlone) {
    Big x(5), y(7), z(11);
    divide(x, x, z);  // error 7
    ASSERT_EQ(engine_error(), 7);
    add(x, y, z);
    EXPECT_EQ(z.hex(), "B");
    multiply(x, y, z);
    EXPECT_EQ(z.hex(), "B");
    EXPECT_EQ(cinstr(z, "123"), 0);
    EXPECT_EQ(z.hex(), "B");
    EXPECT_EQ(big_alloc(1), nullptr);
    EXPECT_EQ(engine_alloc(4, 4), nullptr);
    strong_generator g;
    strong_generator_init(&g, 0, nullptr, 1);
    strong_bigrand(&g, y, z);
    EXPECT_EQ(z.hex(), "B");
    EXPECT_EQ(engine_error(), 7);  // the first code stays
    EXPECT_EQ(E->trace_depth, 0);  // every routine left its trace level
    engine_clear_error();
    add(x, y, z);
    EXPECT_EQ(z.hex(), "C");
}

TEST_F(EngineErrorState, InactiveInstanceRefusesAllocation) {
    E->active = false;
    EXPECT_EQ(big_alloc(0), nullptr);
    EXPECT_EQ(engine_error(), 18);
    E->active = true;
}

TEST(EngineErrors, ReportNamesTheTraceAndExitsWithZero) {
    const ChildResult r = run_in_child([] {
        engine_open(2176, 2);  // error control off, as after engine_open
        big x = big_alloc(5), zero = big_alloc(0), w = big_alloc(0);
        power(x, 3, zero, w);  // power reduces through divide: division by zero
    });
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.out,
              "\nEngine error from routine divide\n"
              "              called from power\n"
              "              called from your program\n"
              "Division by zero attempted\n");
}

TEST(EngineErrors, ReportBeyondTheStoredTraceDepthPrintsQuestionMarks) {
    const ChildResult r = run_in_child([] {
        engine_open(2176, 2);
        std::vector<std::unique_ptr<TraceScope>> scopes;
        for (int i = 0; i < 25; ++i) scopes.push_back(std::make_unique<TraceScope>(i % 2 ? ID_ADD : ID_MULTIPLY));
        report_error(99);
    });
    std::string expected = "\nEngine error from routine ???\n";
    expected += "              called from ???\n";  // level 24
    for (int level = 23; level >= 1; --level)
        expected += std::string("              called from ") + (level % 2 ? "multiply" : "add") + "\n";
    expected += "              called from your program\n";
    expected += "Undefined error\n";
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.out, expected);
}

TEST(EngineErrors, TracePrintShowsEveryEntry) {
    const ChildResult r = run_in_child([] {
        engine_open(2176, 2);
        engine_current()->error_control = true;
        big x = big_alloc(0);
        engine_current()->trace_print = true;
        incr(x, 1, x);
        bigdig(3, 10, x);
        std::exit(0);
    });
    EXPECT_EQ(r.exit_status, 0);
    EXPECT_EQ(r.out, "->incr\n->bigdig\n-->expint\n-->premult\n-->bigrand\n-->add\n");
}

TEST(EngineErrors, OpenRejectsIllegalAndNonBinaryBases) {
    const struct {
        uint32_t base;
        const char* message;
    } cases[] = {{1, "Illegal number base\n"}, {(1u << 31) + 1, "Illegal number base\n"},
                 {10, "Base must be binary\n"}, {3, "Base must be binary\n"}};
    for (const auto& c : cases) {
        const ChildResult r = run_in_child([&] { engine_open(100, c.base); });
        EXPECT_EQ(r.exit_status, 0) << c.base;
        EXPECT_EQ(r.out, std::string("\nEngine error from routine engine_open\n"
                                     "              called from your program\n") +
                             c.message)
            << c.base;
    }
    // Binary bases open; the requested base becomes the text base.
    for (uint32_t b : {2u, 4u, 8u, 16u, 64u, 256u, 65536u}) {
        engine_instance* e = engine_open(2176, b);
        ASSERT_NE(e, nullptr) << b;
        EXPECT_EQ(e->apparent_base, b);
        EXPECT_EQ(e->base, 0u);
        engine_teardown();
    }
    engine_instance* e = engine_open(2176, 2);
    EXPECT_EQ(e->precision_words, 69);
    EXPECT_EQ(e->io_base, 10);
    EXPECT_FALSE(e->error_control);
    engine_teardown();
    EXPECT_EQ(engine_current(), nullptr);
}

}  // namespace
