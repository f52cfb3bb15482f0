#include "random/meter.h"

#include <cstdio>
#include <cstring>

namespace {

void put_u64(uint8_t out[8], uint64_t v) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(v >> (8 * i));
}

// The box text in a zero-filled 256-byte buffer.
void padding_buffer(EntropyView& view, uint8_t buf[256]) {
    std::memset(buf, 0, 256);
    const std::string text = view.seed_padding();
    std::memcpy(buf, text.data(), std::min<size_t>(text.size(), 256));
}

}  // namespace

void CpuMeter::toggle_suspend() {
    {
        std::lock_guard<std::mutex> lock(m_suspend_mutex);
        m_suspended.store(!m_suspended.load());
    }
    m_suspend_cv.notify_all();
}

void CpuMeter::run(StopToken& stop) {
    Clock& clock = m_state.clock();
    m_view.enable_meter_buttons();
    m_view.show_cpu("CPU Frequency");
    const uint64_t frequency = clock.perf_frequency();
    const bool use_counter = frequency != 0;
    uint64_t start_tsc = 0, start_count = 0, count = 0;
    int b = 0;
    while (!stop.stop_requested()) {
        {
            // A suspended meter waits here, outside the seed lock.
            std::unique_lock<std::mutex> lock(m_suspend_mutex);
            while (m_suspended.load() && !stop.stop_requested())
                m_suspend_cv.wait_for(lock, std::chrono::milliseconds(50));
        }
        if (stop.stop_requested()) break;
        uint64_t tsc;
        {
            std::lock_guard<std::mutex> lock(m_lock);
            tsc = clock.tsc();
            if (b == 0 || b == 7 || b == 8 || b == 15) count = use_counter ? clock.perf_counter() : clock.tick_ms();
        }
        const int h = (b + 1) % 16;
        if (h == 1 || h == 9) {
            start_tsc = tsc;
            start_count = count;
        }
        if ((h == 8 || h == 0) && count > start_count && tsc >= start_tsc) {
            char text[64];
            const double dt = static_cast<double>(tsc - start_tsc);
            const double dc = static_cast<double>(count - start_count);
            if (use_counter)
                std::snprintf(text, sizeof text, "%.2f MHz", dt * static_cast<double>(frequency) / dc * 1e-6);
            else
                std::snprintf(text, sizeof text, "%.2f GHz", dt / dc * 1e-6);
            m_view.show_cpu(text);
        }
        uint8_t pad[256];
        padding_buffer(m_view, pad);
        uint8_t extra[8];
        put_u64(extra, tsc);
        m_state.stir_seed(pad, sizeof pad, extra, sizeof extra);
        m_view.show_salt(m_type.load() ? m_state.salt_characters() : m_state.seed_text());
        ++m_rounds;
        b = h;
        if (h <= 4 || (h >= 8 && h <= 12)) {
            if (!stop.sleep_ms(static_cast<unsigned>(256 + clock.tsc() % 16))) break;
        } else {
            for (int k = 0; k < 4; ++k) {
                const uint64_t now = clock.tsc();
                char text[32];
                std::snprintf(text, sizeof text, "%05x:%08x", static_cast<unsigned>(now >> 32),
                              static_cast<unsigned>(now & 0xFFFFFFFFu));
                m_view.show_cpu(text);
                if (!stop.sleep_ms(60)) return;
            }
        }
    }
}

SeedTyping::~SeedTyping() { stop(); }

bool SeedTyping::start() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_running.load()) return false;
    if (m_thread.joinable()) m_thread.join();
    m_running.store(true);
    m_thread = std::thread([this] { run(); });
    return true;
}

void SeedTyping::stop() {
    m_stop.request_stop();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_thread.joinable()) m_thread.join();
}

void SeedTyping::run() {
    Clock& clock = m_state.clock();
    const int rounds = static_cast<int>((clock.tsc() >> 9) % 8) + 10;
    for (int r = 0; r < rounds && !m_stop.stop_requested(); ++r) {
        uint8_t extra[8];
        const uint64_t tsc = clock.tsc();
        put_u64(extra, tsc);
        uint8_t pad[256];
        padding_buffer(m_view, pad);
        m_state.stir_seed(pad, 256 - static_cast<size_t>(clock.tsc() % 16), extra, sizeof extra);
        m_view.show_salt(m_state.seed_text());
        m_view.large_pane("Rand Seed & Salt updated OK :)");
        if (!m_stop.sleep_ms(static_cast<unsigned>((clock.tsc() >> 11) % 16 + 15))) break;
    }
    m_running.store(false);
}
