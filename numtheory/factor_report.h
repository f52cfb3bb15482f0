// What the factoring run shows: the factor list, the status text with its code,
// and the stop word.
//
// The factor list is one text of at most kFactorListLimit characters, one line
// per recorded factor, each ended by "\r\n"; a line that would pass the limit is
// dropped whole. The status text holds at most kFactorStatusLimit characters
// (longer texts are cut). A display poller on its own thread copies both into
// the window; the worker writes them. Both texts are guarded by one mutex, the
// status code and the stop word are atomic words.
#pragma once

#include <atomic>
#include <functional>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "engine/big.h"

constexpr size_t kFactorListLimit = 16380;
constexpr size_t kFactorStatusLimit = 1020;

/// Status codes of the factoring run.
enum FactorStatus : int {
    kStatusIdle = 0,       // set by the poller after a finish
    kStatusStopped = 2,
    kStatusExhausted = 4,  // all methods done, cofactor left
    kStatusFactored = 5,
    kStatusShown = 6,      // set by the poller
    kStatusHeader = 8,     // a method has started
    kStatusRho = 17,
    kStatusPm1 = 18,
    kStatusPp1 = 19,
    kStatusEcm = 20,
    kStatusMpqs = 21,
};

/// Method return codes.
enum FactorCode : int {
    kFactorStopped = 2,
    kFactorFound = 10,
    kFactorNone = 11,
    kFactorRefused = 13,
    kFactorRhoTries = 14,
    kFactorPrime = 15,
};

/// The stop word's value for a requested stop.
constexpr int kStopRequested = 2;

class FactorReport {
   public:
    /// Empties both texts and the line count.
    void clear();
    /// clear() unless a run has set a status code since the last finish (the
    /// poller's clearing must not wipe a run that has just started).
    void clear_if_idle();

    /// Appends `line` and "\r\n" unless the list would pass its limit.
    void add_line(std::string_view line);
    /// "P-%X": a prime found by trial division.
    void record_trial_prime(uint32_t q);
    /**
     * Records a value v of b bits: "P-" and v's text when b < 32; otherwise
     * "P(b)-" when v passes a probable-prime test with one random base, else
     * "N(b)-", followed by v's text (the engine's output in its I/O base).
     */
    void record_value(const big_rec* v);

    /// Replaces the status text (cut to its limit) and sets the code.
    void set_status(std::string_view text, int code);
    /// Replaces the status text only (no code change, no listener call).
    void set_status_text(std::string_view text);
    void set_status_code(int code) { m_code.store(code, std::memory_order_release); }
    int status_code() const { return m_code.load(std::memory_order_acquire); }
    /// Sets the code to `desired` only while it still is `expected` (the poller's
    /// acknowledgement must not overwrite a newer code of the worker).
    bool acknowledge_status(int expected, int desired) {
        return m_code.compare_exchange_strong(expected, desired, std::memory_order_acq_rel);
    }

    /// Called (on the writing thread, after the change) with the new code and
    /// text of every set_status; an empty function removes it. Lets a caller
    /// follow the run step by step, e.g. to stop it at a given method.
    void set_listener(std::function<void(int code, const std::string& text)> listener);

    std::string list_text() const;
    int line_count() const { return m_lines.load(std::memory_order_acquire); }
    std::string status_text() const;

    void request_stop() { m_stop.store(kStopRequested, std::memory_order_release); }
    void clear_stop() { m_stop.store(0, std::memory_order_release); }
    bool stop_requested() const { return m_stop.load(std::memory_order_acquire) == kStopRequested; }

   private:
    mutable std::mutex m_mutex;
    std::string m_list;
    std::string m_status;
    std::atomic<int> m_lines{0};
    std::atomic<int> m_code{kStatusIdle};
    std::atomic<int> m_stop{0};
    std::function<void(int, const std::string&)> m_listener;
};

/// The process-wide record shared by the factoring worker, its display poller
/// and the start-up self test.
FactorReport& factor_report();
