#include "numtheory/nt_support.h"

#include <array>
#include <cstdio>

namespace nt {

PointBlock::PointBlock(int count)
    : m_count(count), m_block(point_block_alloc(count)), m_points(static_cast<size_t>(count), nullptr) {
    if (m_block == nullptr) return;
    for (int i = 0; i < count; ++i) m_points[static_cast<size_t>(i)] = point_block_item(m_block, i);
}

std::string text(const big_rec* x) {
    // Room for any full-precision number in base 2 (see otstr).
    std::array<char, 2304> buf{};
    cotstr(x, buf.data());
    std::string s(buf.data());
    engine_wipe(buf.data(), buf.size());
    return s;
}

std::string format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    va_list ap2;
    va_copy(ap2, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, ap);
    va_end(ap);
    std::string s;
    if (n > 0) {
        s.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(s.data(), s.size(), fmt, ap2);
        s.resize(static_cast<size_t>(n));
    }
    va_end(ap2);
    return s;
}

const std::vector<int>& primes_below_65536() {
    static const std::vector<int> primes = [] {
        constexpr int kLimit = 1 << 16;
        std::vector<char> composite(kLimit, 0);
        std::vector<int> v;
        for (int i = 2; i < kLimit; ++i) {
            if (composite[static_cast<size_t>(i)]) continue;
            v.push_back(i);
            if (i < 256)
                for (int j = i * i; j < kLimit; j += i) composite[static_cast<size_t>(j)] = 1;
        }
        return v;
    }();
    return primes;
}

}  // namespace nt
