#include "numtheory/nt_support.h"

#include <array>
#include <cstdio>

#include "engine/modular.h"
#include "numtheory/progress_log.h"

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

std::string vformat(const char* fmt, va_list ap) {
    va_list ap2;
    va_copy(ap2, ap);
    const int n = std::vsnprintf(nullptr, 0, fmt, ap);
    std::string s;
    if (n > 0) {
        s.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(s.data(), s.size(), fmt, ap2);
        s.resize(static_cast<size_t>(n));
    }
    va_end(ap2);
    return s;
}

std::string format(const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    std::string s = vformat(fmt, ap);
    va_end(ap);
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

// The classification line of a point count: NP trial-divided by the first
// 6541 primes, and the cofactor tested for primality.
void classify_count(const big_rec* np) {
    constexpr int kClassifyPrimes = 6541;  // 2 .. 65519
    Num cof, small;
    if (engine_error() != 0) return;
    big_copy(np, cof);
    int nf = 0;
    const std::vector<int>& primes = primes_below_65536();
    if (big_compare(cof, small) > 0) {  // small is 0 here: positive NP only
        for (int i = 0; i < kClassifyPrimes; ++i) {
            const int p = primes[static_cast<size_t>(i)];
            // A prime not below the remaining cofactor ends the division: no
            // smaller prime divides the cofactor, so it is 1 or a prime itself
            // and is named as such rather than divided out.
            if (big_len(cof) <= 1 && low32(cof) < 0x80000000u && static_cast<uint32_t>(p) >= low32(cof))
                break;
            while (remain(cof, p) == 0) {
                subdiv(cof, p, cof);
                ++nf;
            }
            if (engine_error() != 0) return;
        }
    }
    if (is_one(cof)) {
        log_append(format("NP (nf#%d small factored) = %s\r\n", nf, text(np).c_str()));
        return;
    }
    Num rest;
    big_copy(np, small);
    divide(small, cof, rest);  // rest = NP / cof
    if (isprime(cof)) {
        log_append(format("NP(nf#%d * Prime) = %s * %s\r\n", nf, text(rest).c_str(), text(cof).c_str()));
    } else if (nf > 0) {
        log_append(
            format("NP(nf#%d * Composite) = %s * %s\r\n", nf, text(rest).c_str(), text(cof).c_str()));
    } else {
        log_append(format("NP(Composite) = %s\r\n", text(np).c_str()));
    }
}

}  // namespace nt
