// The start-up self test: builds the two runtime prime tables of the factoring
// methods and times them, then times ECDSA signing with verification and plain
// point multiplication on the binary curves B-163 .. B-571 (FIPS 186-2), in
// projective coordinates, and reports everything in the status pane.
//
// Times are in units of 10 microseconds (counter ticks * 100000 / frequency),
// although the report prints them with "us".
//
// The self test reaches everything outside this directory (the prime tables,
// the progress log and factor list, the window) through SelfTestView, so random/
// keeps to the engine and the platform interfaces.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/threads.h"

class SelfTestView {
   public:
    virtual ~SelfTestView() = default;
    /// Builds the 64K (false) or 1024K (true) runtime prime table; returns the
    /// build's error code (0 built, 1 wrong count, 2 out of memory).
    virtual int build_prime_table(bool large) = 0;
    /// Empties the progress log.
    virtual void clear_log() = 0;
    /// A benchmark failure: run state running, the text appended as a line to
    /// the factor list (shown in the large pane), run state abort requested.
    virtual void report_failure(const std::string& text) = 0;
    /// Status pane := text, scrolled to its end.
    virtual void show_status(const std::string& text) = 0;
    virtual void message_box(const std::string& title, const std::string& text) = 0;
};

/// Benchmark modes.
constexpr int kBenchEcdsa = 1;
constexpr int kBenchMultiply = 2;

/**
 * Times `count` rounds of mode 1 (ECDSA sign and verify of SHA-1("test ecdsa"))
 * or mode 2 (d*G) on the binary curve of degree m: 163, 233, 283 and 409 select
 * their own curves, any other m in range B-571. Uses the calling thread's engine
 * instance and leaves its current curve set to that curve. Returns the time in
 * 10-microsecond units, 0 at once for count outside 1..10 or m outside
 * 163..571, -count when the curve or G cannot be set, and the bitwise
 * complement of (count - 1 - rounds done) when a signature does not verify;
 * failures are reported through `view`.
 */
int64_t bench_binary_curve(int count, int m, int mode, Clock& clock, SelfTestView& view);

/// The status-pane report of the self test.
std::string self_test_report(int e1, int64_t t1, int e2, int64_t t2, const int64_t ecdsa[5], const int64_t mul[5]);

/**
 * The start-up thread's body: sleep 10 ms; build and time the 64K and 1024K
 * tables; sleep 10 ms; clear the progress log; run both benchmark modes on the
 * five curves; show the report; a message box when a table failed; sleep 10 s
 * and return (at once when `stop` is requested). Needs an engine instance open
 * on the calling thread.
 */
void run_self_test(SelfTestView& view, Clock& clock, StopToken& stop);
