#include "numtheory/progress_log.h"

#include <algorithm>

#include "engine/instance.h"

void ProgressLog::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    // Zero the old bytes before forgetting them: the log may have held numbers.
    std::fill(m_text.begin(), m_text.end(), '\0');
    m_text.clear();
}

void ProgressLog::append(std::string_view text, size_t limit) {
    if (text.empty()) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_text.size() + text.size() > std::min(limit, kLogCapacity - 1)) return;
    m_text.append(text);
}

void ProgressLog::append_line(std::string_view text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_text.size() + text.size() + 2 > kLogAppendLimit) return;
    m_text.append(text);
    m_text.append("\r\n");
}

void ProgressLog::append_width(std::string_view text, int w) {
    if (w < 1) return;
    const size_t width = static_cast<size_t>(w);
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_text.size() + width > kLogAppendLimit) return;
    const size_t take = std::min(width, text.size());
    m_text.append(text.substr(0, take));
    m_text.append(width - take, ' ');
}

void ProgressLog::drop(long n) {
    if (n <= 0) return;
    std::lock_guard<std::mutex> lock(m_mutex);
    const size_t k = static_cast<size_t>(n);
    if (k < m_text.size()) {
        std::fill(m_text.end() - static_cast<std::ptrdiff_t>(k), m_text.end(), '\0');
        m_text.resize(m_text.size() - k);
    } else {
        std::fill(m_text.begin(), m_text.end(), '\0');
        m_text.clear();
    }
}

std::string ProgressLog::text() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_text;
}

size_t ProgressLog::length() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_text.size();
}

ProgressLog::Mark ProgressLog::mark() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    Mark m;
    m.length = m_text.size();
    const size_t n = std::min<size_t>(4, m_text.size());
    for (size_t i = 0; i < n; ++i) m.tail[i] = m_text[m_text.size() - n + i];
    return m;
}

void ProgressLog::set_run_state(RunState s) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.store(s, std::memory_order_release);
}

void ProgressLog::settle() {
    std::lock_guard<std::mutex> lock(m_mutex);
    const RunState s = m_state.load();
    if (s != RunState::finished && s != RunState::idle) return;
    m_state.store(RunState::idle, std::memory_order_release);
    std::fill(m_text.begin(), m_text.end(), '\0');
    m_text.clear();
}

ProgressLog& progress_log() {
    static ProgressLog log;
    return log;
}

// Every write is a worker checkpoint: a paused worker waits here, a stopped one
// writes nothing more.
void log_clear() {
    engine_checkpoint();
    progress_log().clear();
}
void log_append(std::string_view text) {
    engine_checkpoint();
    progress_log().append(text);
}
void log_append_line(std::string_view text) {
    engine_checkpoint();
    progress_log().append_line(text);
}
void log_append_width(std::string_view text, int w) {
    engine_checkpoint();
    progress_log().append_width(text, w);
}
void log_drop(long n) {
    engine_checkpoint();
    progress_log().drop(n);
}
RunState run_state() { return progress_log().run_state(); }
void set_run_state(RunState s) { progress_log().set_run_state(s); }
bool abort_requested() { return progress_log().run_state() == RunState::abort_requested; }
