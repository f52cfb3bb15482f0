// Integer roots and small powers.
#include <cstring>

#include "engine/big.h"
#include "engine/internal.h"
#include "engine/kernels.h"

using engine_detail::big_set_words;
using engine_detail::refuse_fraction;
using engine_detail::words_mul_add;

namespace {

// Compares c^n with x (magnitudes, c >= 1, n >= 1): -1, 0, +1. Powers from the
// top bit of n never decrease, so an intermediate longer than x decides.
int power_compare(engine_instance* e, const uint32_t* c, int cn, int n, const uint32_t* x, int xn) {
    ScratchFrame f(e);
    const size_t room = 2 * static_cast<size_t>(xn) + 4;
    uint32_t* acc = f.words(room);
    uint32_t* tmp = f.words(room);
    std::memcpy(acc, c, sizeof(uint32_t) * static_cast<size_t>(cn));
    int an = cn;
    int top = 30;
    while (((n >> top) & 1) == 0) --top;
    for (int bit = top - 1; bit >= 0; --bit) {
        if (an > xn) return 1;
        mp_sqr_raw(tmp, acc, an);
        an = mp_norm_len_raw(tmp, 2 * an);
        std::swap(acc, tmp);
        if ((n >> bit) & 1) {
            if (an > xn) return 1;
            mp_mul_raw(tmp, acc, an, c, cn);
            an = mp_norm_len_raw(tmp, an + cn);
            std::swap(acc, tmp);
        }
    }
    return mp_cmp_raw(acc, an, x, xn);
}

}  // namespace

bool nroot(const big_rec* x, int n, big w) {
    TraceScope t(ID_NROOT);
    if (!t.ok() || refuse_fraction(x)) return false;
    if (n < 1) {
        report_error(11);
        return false;
    }
    const bool negative = big_is_negative(x);
    if (negative && n % 2 == 0) {
        report_error(9);
        return false;
    }
    const int xn = big_len(x);
    if (xn == 0 || n == 1) {
        big_copy(x, w);
        return true;
    }
    engine_instance* e = t.instance();
    // The root has at most ceil(bits / n) bits: set them from the top down,
    // keeping each bit while r^n <= |x|.
    const int bits = mp_bits_raw(x->w, xn);
    const int rbits = (bits + n - 1) / n;
    ScratchFrame f(e);
    const int rn_max = (rbits + 31) / 32;
    uint32_t* r = f.words(static_cast<size_t>(rn_max) + 1);
    int last = 1;
    for (int bit = rbits - 1; bit >= 0; --bit) {
        r[bit / 32] |= 1u << (bit % 32);
        last = power_compare(e, r, mp_norm_len_raw(r, rn_max), n, x->w, xn);
        if (last > 0) r[bit / 32] &= ~(1u << (bit % 32));
        if (last == 0) break;
    }
    const int rn = mp_norm_len_raw(r, rn_max);
    const bool exact = last == 0 || power_compare(e, r, rn, n, x->w, xn) == 0;
    big_set_words(w, r, rn, negative);
    return exact;
}

void expint(int b, int n, big x) {
    TraceScope t(ID_EXPINT);
    if (!t.ok()) return;
    if (n < 0) {
        report_error(10);
        return;
    }
    engine_instance* e = t.instance();
    if (n == 0) {
        big_from_int(1, x);
        return;
    }
    if (b == 0) {
        big_zero(x);
        return;
    }
    const uint32_t m = b < 0 ? 0u - static_cast<uint32_t>(b) : static_cast<uint32_t>(b);
    const bool negative = b < 0 && (n & 1);
    if (m == 1) {
        big_from_int(negative ? -1 : 1, x);
        return;
    }
    // |b| >= 2, so the loop meets the capacity within 32 * precision_words steps.
    const int cap = e->precision_words;
    ScratchFrame f(e);
    uint32_t* w = f.words(static_cast<size_t>(cap) + 1);
    w[0] = 1;
    int len = 1;
    bool over = false;
    for (int i = 0; i < n && !over; ++i) words_mul_add(w, &len, cap, m, 0, &over);
    if (over) {
        report_error(3);
        return;
    }
    big_set_words(x, w, len, negative);
}
