// Shared helpers of the factoring methods and trial division.
#include <cstdio>
#include <cstring>

#include "engine/kernels.h"
#include "numtheory/factor_internal.h"
#include "numtheory/factor_methods.h"
#include "numtheory/prime_tables.h"

namespace factor_detail {

std::string format(const char* fmt, ...) {
    char buf[kFactorStatusLimit + 1];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return buf;
}

Bigs::Bigs(int count) : m_v(static_cast<size_t>(count), nullptr) {
    for (auto& x : m_v) {
        x = big_alloc(0);
        if (x == nullptr) m_ok = false;
    }
}

Bigs::~Bigs() {
    for (big x : m_v) big_free(x);
}

bool is_trivial_divisor(const big_rec* g, const big_rec* n) {
    return (big_len(g) == 1 && g->w[0] == 1) || big_compare_abs(g, n) == 0;
}

int take_gcd(const big_rec* x, big n, big g, FactorReport& report) {
    egcd(x, n, g);
    if (big_len(g) == 1 && g->w[0] == 1) return 0;
    if (big_is_zero(g) || big_compare_abs(g, n) >= 0) return 2;
    split_off(n, g, report);
    return 1;
}

bool split_off(big n, const big_rec* g, FactorReport& report) {
    if (big_is_zero(g) || big_is_negative(g) || (big_len(g) == 1 && g->w[0] == 1) ||
        big_compare(g, n) >= 0)
        return false;
    engine_instance* e = engine_current();
    ScratchFrame f(e);
    big r = f.number();
    big q = f.number();
    big_copy(n, r);
    divide(r, g, q);  // q = n / g, r = n mod g
    if (!big_is_zero(r)) return false;
    big_copy(q, n);
    report.record_value(g);
    return true;
}

PrimeRange::PrimeRange(uint32_t lo, uint32_t hi) : m_hi(hi) {
    // First odd number above lo (and at least 3).
    uint64_t start = static_cast<uint64_t>(lo) + 1;
    if (start < 3) start = 3;
    if ((start & 1u) == 0) ++start;
    m_seg_lo = start;
    m_pos = 0;
    m_done = start > m_hi;
    if (!m_done) fill_segment();
}

void PrimeRange::fill_segment() {
    // Bit i stands for m_seg_lo + 2i.
    constexpr uint64_t kSegment = 1u << 16;
    const uint64_t last = m_seg_lo + 2 * (kSegment - 1);
    const uint64_t top = last < m_hi ? last : m_hi;
    const size_t count = static_cast<size_t>((top - m_seg_lo) / 2 + 1);
    m_composite.assign(count, 0);
    const uint32_t* table = select_prime_table(kPrimes64K);
    if (table == nullptr) {
        m_done = true;
        return;
    }
    for (int i = 2; i <= kPrimes64K; ++i) {  // odd primes
        const uint64_t p = table[i];
        if (p * p > top) break;
        // First odd multiple of p at or above max(p^2, m_seg_lo).
        uint64_t m = (m_seg_lo + p - 1) / p * p;
        if (m < p * p) m = p * p;
        if ((m & 1u) == 0) m += p;
        for (; m <= top; m += 2 * p) m_composite[static_cast<size_t>((m - m_seg_lo) / 2)] = 1;
    }
    m_pos = 0;
}

uint32_t PrimeRange::next() {
    while (!m_done) {
        while (m_pos < m_composite.size()) {
            const size_t i = m_pos++;
            if (!m_composite[i]) return static_cast<uint32_t>(m_seg_lo + 2 * i);
        }
        m_seg_lo += 2 * static_cast<uint64_t>(m_composite.size());
        if (m_seg_lo > m_hi) {
            m_done = true;
            break;
        }
        fill_segment();
    }
    return 0;
}

uint32_t phase1_power(uint32_t q) {
    uint64_t e = static_cast<uint64_t>(q) * q;
    const uint64_t bound = (1u << 30) / q;
    while (e < bound) e *= q;
    return static_cast<uint32_t>(e);
}

std::vector<uint32_t> primes_below(uint32_t limit) {
    std::vector<uint32_t> out;
    const uint32_t* table = select_prime_table(kPrimes64K);
    if (table == nullptr) return out;
    for (int i = 1; i <= kPrimes64K && table[i] < limit; ++i) out.push_back(table[i]);
    return out;
}

}  // namespace factor_detail

using factor_detail::format;

int factor_trial_division(big n, FactorReport& report) {
    const uint32_t* table = select_prime_table(kPrimes64K);
    if (table == nullptr) return 0;
    int found = 0;
    for (int i = 1; i <= kPrimes64K; ++i) {
        const uint32_t q = table[i];
        // N <= q: nothing below q is left to find.
        if (big_len(n) <= 1 && n->w[0] <= q) break;
        while ((big_len(n) > 1 || n->w[0] > q) && mp_mod1_raw(n->w, big_len(n), q) == 0) {
            const int len = big_len(n);
            mp_divmod1_raw(n->w, n->w, len, q);
            n->len = static_cast<uint32_t>(mp_norm_len_raw(n->w, len));
            report.record_trial_prime(q);
            ++found;
        }
    }
    return found;
}
