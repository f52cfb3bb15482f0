#include "numtheory/factor_report.h"

#include <cstdio>

#include "engine/modular.h"

void FactorReport::clear() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_list.clear();
    m_status.clear();
    m_lines.store(0, std::memory_order_release);
}

void FactorReport::clear_if_idle() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_code.load(std::memory_order_acquire) != kStatusIdle) return;
    m_list.clear();
    m_status.clear();
    m_lines.store(0, std::memory_order_release);
}

void FactorReport::add_line(std::string_view line) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_list.size() + line.size() + 2 > kFactorListLimit) return;
    m_list.append(line);
    m_list.append("\r\n");
    m_lines.fetch_add(1, std::memory_order_acq_rel);
}

void FactorReport::record_trial_prime(uint32_t q) {
    char line[16];
    std::snprintf(line, sizeof line, "P-%X", q);
    add_line(line);
}

void FactorReport::record_value(const big_rec* v) {
    engine_instance* e = engine_current();
    if (e == nullptr) return;
    // A 69-word value needs at most 2,209 characters in base 2.
    char text[2304];
    text[0] = '\0';
    cotstr(v, text);
    const int b = logb2(v);
    std::string line;
    if (b < 32) {
        line = "P-";
    } else {
        char head[32];
        std::snprintf(head, sizeof head, quick_is_prime(v, 1) ? "P(%d)-" : "N(%d)-", b);
        line = head;
    }
    line += text;
    add_line(line);
}

void FactorReport::set_status(std::string_view text, int code) {
    std::function<void(int, const std::string&)> listener;
    std::string copy;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_status.assign(text.substr(0, kFactorStatusLimit));
        set_status_code(code);
        if (m_listener) {
            listener = m_listener;
            copy = m_status;
        }
    }
    if (listener) listener(code, copy);
}

void FactorReport::set_status_text(std::string_view text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_status.assign(text.substr(0, kFactorStatusLimit));
}

void FactorReport::set_listener(std::function<void(int code, const std::string& text)> listener) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listener = std::move(listener);
}

std::string FactorReport::list_text() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_list;
}

std::string FactorReport::status_text() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_status;
}

FactorReport& factor_report() {
    static FactorReport report;
    return report;
}
