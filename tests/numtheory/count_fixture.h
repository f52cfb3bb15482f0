// Shared pieces of the point-counting tests: a fixture with a fresh engine and
// a running log, small text helpers, and a stop hook that raises the stop
// request from inside the count when the log reaches a chosen state.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/instance.h"
#include "numtheory/progress_log.h"
#include "tests/support/engine_fixture.h"

namespace counttest {

inline std::string hex(uint64_t v) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
    return buf;
}

/// "1,2,3" as numbers.
inline std::vector<int> int_list(const std::string& s) {
    std::vector<int> out;
    std::stringstream ss(s);
    std::string item;
    while (std::getline(ss, item, ',')) out.push_back(std::stoi(item));
    return out;
}

/// A residue as the log shows it: decimal, padded with blanks to 5.
inline std::string pad5(int r) {
    std::string s = std::to_string(r);
    s.resize(5, ' ');
    return s;
}

/// The value of a hexadecimal text modulo a small m.
inline int hex_mod(const std::string& hexs, int m) {
    long long r = 0;
    for (char ch : hexs) {
        const int d = ch <= '9' ? ch - '0' : (ch | 0x20) - 'a' + 10;
        r = (r * 16 + d) % m;
    }
    return static_cast<int>(r);
}

/// A classification line from the vector files, which write its "#" as "@"
/// ("#" starts a comment there).
inline std::string class_line(std::string s) {
    for (char& ch : s)
        if (ch == '@') ch = '#';
    return s;
}

/// Occurrences of s in text.
inline int occurrences(const std::string& text, const std::string& s) {
    int n = 0;
    for (size_t at = text.find(s); at != std::string::npos; at = text.find(s, at + 1)) ++n;
    return n;
}

/// The text after the last line end.
inline std::string last_line(const std::string& text) {
    const size_t at = text.rfind("\r\n");
    return at == std::string::npos ? text : text.substr(at + 2);
}

// Raises the abort request once the log contains `marker` (or at once for "").
class AbortWhen {
   public:
    explicit AbortWhen(std::string marker) : m_marker(std::move(marker)), m_thread([this] { run(); }) {}
    ~AbortWhen() {
        m_done = true;
        m_thread.join();
    }

   private:
    void run() {
        while (!m_done) {
            if (progress_log().text().find(m_marker) != std::string::npos) {
                set_run_state(RunState::abort_requested);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    std::string m_marker;
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

class CountTest : public testsupport::EngineTest {
   protected:
    void SetUp() override {
        EngineTest::SetUp();
        raw_rand_seed(99991u);
        log_clear();
        set_run_state(RunState::running);
    }
    void TearDown() override {
        set_run_state(RunState::idle);
        EngineTest::TearDown();
    }
};

/// While it lives, every traced engine routine first asks `when` about the
/// log (when its length has changed); the first time it answers true the stop
/// request is raised. This places a stop at an exact point of a count.
class StopHook {
   public:
    using Predicate = std::function<bool(const std::string& log)>;
    StopHook(engine_instance* e, Predicate when) : m_e(e), m_when(std::move(when)) {
        m_e->poll_flag = &m_on;
        m_e->poll_handler = &StopHook::handler;
        m_e->poll_context = this;
    }
    ~StopHook() {
        m_e->poll_flag = nullptr;
        m_e->poll_handler = nullptr;
        m_e->poll_context = nullptr;
    }
    StopHook(const StopHook&) = delete;
    StopHook& operator=(const StopHook&) = delete;
    bool fired() const { return m_fired; }

   private:
    static void handler(engine_instance*, void* context) {
        auto* self = static_cast<StopHook*>(context);
        if (self->m_fired) return;
        const size_t len = progress_log().length();
        if (len == self->m_seen) return;
        self->m_seen = len;
        if (self->m_when(progress_log().text())) {
            self->m_fired = true;
            set_run_state(RunState::abort_requested);
        }
    }
    engine_instance* m_e;
    Predicate m_when;
    std::atomic<bool> m_on{true};
    bool m_fired = false;
    size_t m_seen = static_cast<size_t>(-1);
};

}  // namespace counttest
