// Small conversions and queries, signed addition and subtraction, and products.
#include <cstring>

#include "engine/big.h"
#include "engine/internal.h"
#include "engine/kernels.h"

namespace {

int pw() { return engine_current()->precision_words; }

// Clears the words of x from n up to the end of its block.
void clear_above(big x, int n) {
    const engine_instance* e = engine_current();
    const int cap = e ? static_cast<int>(big_block_words(e)) : n;
    if (cap > n) std::memset(x->w + n, 0, sizeof(uint32_t) * static_cast<size_t>(cap - n));
}

// z = |x| + |y| (magnitudes), sign `neg`.
void add_magnitudes(const big_rec* x, const big_rec* y, big z, bool neg) {
    engine_instance* e = engine_current();
    int xn = big_len(x), yn = big_len(y);
    if (xn < yn) {
        std::swap(x, y);
        std::swap(xn, yn);
    }
    ScratchFrame f(e);
    uint32_t* r = f.words(static_cast<size_t>(xn) + 1);
    r[xn] = mp_add_raw(r, x->w, xn, y->w, yn);
    engine_detail::big_set_words(z, r, xn + 1, neg);
}

// z = |x| - |y| with sign rules applied: result sign is `neg` when |x| >= |y|,
// otherwise the opposite.
void sub_magnitudes(const big_rec* x, const big_rec* y, big z, bool neg) {
    engine_instance* e = engine_current();
    const int xn = big_len(x), yn = big_len(y);
    const int c = mp_cmp_raw(x->w, xn, y->w, yn);
    if (c == 0) {
        big_zero(z);
        return;
    }
    ScratchFrame f(e);
    if (c > 0) {
        uint32_t* r = f.words(static_cast<size_t>(xn));
        mp_sub_raw(r, x->w, xn, y->w, yn);
        engine_detail::big_set_words(z, r, xn, neg);
    } else {
        uint32_t* r = f.words(static_cast<size_t>(yn));
        mp_sub_raw(r, y->w, yn, x->w, xn);
        engine_detail::big_set_words(z, r, yn, !neg);
    }
}

void add_signed(const big_rec* x, const big_rec* y, big z, bool negate_y) {
    const bool xneg = big_is_negative(x);
    const bool yneg = big_is_negative(y) != negate_y && !big_is_zero(y);
    if (xneg == yneg)
        add_magnitudes(x, y, z, xneg);
    else
        sub_magnitudes(x, y, z, xneg);
}

}  // namespace

namespace engine_detail {

bool big_set_words(big x, const uint32_t* w, int n, bool negative) {
    n = mp_norm_len_raw(w, n);
    engine_instance* e = engine_current();
    if (n > e->precision_words) {
        if (e->overflow_check) {
            report_error(3);
            return false;
        }
        // Without checking the value still cannot outgrow the block: keep the
        // words that fit (callers that switch checking off check the length).
        const int block = static_cast<int>(big_block_words(e));
        if (n > block) n = mp_norm_len_raw(w, block);
    }
    if (x->w != w) std::memmove(x->w, w, sizeof(uint32_t) * static_cast<size_t>(n));
    clear_above(x, n);
    x->len = static_cast<uint32_t>(n);
    if (n > 0 && negative) x->len |= kBigSign;
    return true;
}

bool refuse_fraction(const big_rec* x) {
    if ((x->len & kBigDenMask) == 0) return false;
    report_error(12);
    return true;
}

}  // namespace engine_detail

using engine_detail::refuse_fraction;

// ---- small conversions and queries ----------------------------------------------------

void big_zero(big x) {
    if (x == nullptr) return;
    const int n = big_len(x) + static_cast<int>((x->len & kBigDenMask) >> 16);
    std::memset(x->w, 0, sizeof(uint32_t) * static_cast<size_t>(n));
    x->len = 0;
}

void big_copy(const big_rec* x, big y) {
    if (y == nullptr || x == y) return;
    if (x == nullptr) {
        big_zero(y);
        return;
    }
    const int n = big_len(x) + static_cast<int>((x->len & kBigDenMask) >> 16);
    const int old = big_len(y) + static_cast<int>((y->len & kBigDenMask) >> 16);
    std::memcpy(y->w, x->w, sizeof(uint32_t) * static_cast<size_t>(n));
    if (old > n) std::memset(y->w + n, 0, sizeof(uint32_t) * static_cast<size_t>(old - n));
    y->len = x->len;
}

void big_negate(const big_rec* x, big y) {
    big_copy(x, y);
    if (!big_is_zero(y)) y->len ^= kBigSign;
}

void big_from_uint(uint32_t n, big x) {
    big_zero(x);
    if (n != 0) {
        x->w[0] = n;
        x->len = 1;
    }
}

void big_from_int(int n, big x) {
    const uint32_t mag = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    big_from_uint(mag, x);
    if (n < 0) x->len |= kBigSign;
}

void big_from_u64(uint64_t n, big x) {
    big_zero(x);
    x->w[0] = static_cast<uint32_t>(n);
    x->w[1] = static_cast<uint32_t>(n >> 32);
    x->len = x->w[1] ? 2 : (x->w[0] ? 1 : 0);
}

uint64_t big_to_u64(const big_rec* x) {
    const int n = big_len(x);
    uint64_t v = n > 0 ? x->w[0] : 0;
    if (n > 1) v |= static_cast<uint64_t>(x->w[1]) << 32;
    return v;
}

int big_int_size(const big_rec* x) {
    const int n = big_len(x);
    if (n == 0) return 0;
    const bool neg = big_is_negative(x);
    if (n > 1 || x->w[0] >= (1u << 30)) return neg ? -(1 << 30) : (1 << 30);
    const int v = static_cast<int>(x->w[0]);
    return neg ? -v : v;
}

int big_sign(const big_rec* x) { return big_is_negative(x) ? -1 : 1; }

void big_set_sign(int s, big x) {
    if (big_is_zero(x)) return;
    if (s < 0)
        x->len |= kBigSign;
    else
        x->len &= ~kBigSign;
}

int big_compare_abs(const big_rec* x, const big_rec* y) {
    return mp_cmp_raw(x->w, big_len(x), y->w, big_len(y));
}

int big_compare(const big_rec* x, const big_rec* y) {
    const bool xn = big_is_negative(x), yn = big_is_negative(y);
    if (xn != yn) return xn ? -1 : 1;
    const int c = big_compare_abs(x, y);
    return xn ? -c : c;
}

bool big_is_fraction(const big_rec* x) { return (x->len & kBigDenMask) != 0; }

int big_test_bit(const big_rec* x, int n) {
    if (n < 0 || n / 32 >= big_len(x)) return 0;
    return static_cast<int>((x->w[n / 32] >> (n % 32)) & 1u);
}

void big_strip(big x) {
    int n = big_len(x);
    const uint32_t rest = x->len & ~kBigLenMask & ~kBigSign;
    n = mp_norm_len_raw(x->w, n);
    const bool neg = big_is_negative(x) && n > 0;
    x->len = static_cast<uint32_t>(n) | rest | (neg ? kBigSign : 0);
}

// ---- addition and subtraction -----------------------------------------------------------

void add(const big_rec* x, const big_rec* y, big z) {
    TraceScope t(ID_ADD);
    if (!t.ok() || refuse_fraction(x) || refuse_fraction(y)) return;
    add_signed(x, y, z, false);
}

void subtract(const big_rec* x, const big_rec* y, big z) {
    TraceScope t(ID_SUBTRACT);
    if (!t.ok() || refuse_fraction(x) || refuse_fraction(y)) return;
    add_signed(x, y, z, true);
}

namespace {

void add_small(const big_rec* x, int n, big z) {
    engine_instance* e = engine_current();
    ScratchFrame f(e);
    big t = f.number();
    big_from_int(n, t);
    add_signed(x, t, z, false);
}

}  // namespace

void incr(const big_rec* x, int n, big z) {
    TraceScope t(ID_INCR);
    if (!t.ok() || refuse_fraction(x)) return;
    add_small(x, n, z);
}

void decr(const big_rec* x, int n, big z) {
    TraceScope t(ID_DECR);
    if (!t.ok() || refuse_fraction(x)) return;
    // -n would overflow for INT_MIN: subtract in two steps then.
    if (n == (-2147483647 - 1)) {
        add_small(x, 2147483647, z);
        add_small(z, 1, z);
        return;
    }
    add_small(x, -n, z);
}

// ---- products ----------------------------------------------------------------------------

void premult(const big_rec* x, int n, big z) {
    TraceScope t(ID_PREMULT);
    if (!t.ok() || refuse_fraction(x)) return;
    const int xn = big_len(x);
    if (n == 0 || xn == 0) {
        big_zero(z);
        return;
    }
    const bool neg = big_is_negative(x) != (n < 0);
    const uint32_t m = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    ScratchFrame f(t.instance());
    uint32_t* r = f.words(static_cast<size_t>(xn) + 1);
    r[xn] = mp_mul1_raw(r, x->w, xn, m);
    engine_detail::big_set_words(z, r, xn + 1, neg);
}

void multiply(const big_rec* x, const big_rec* y, big z) {
    TraceScope t(ID_MULTIPLY);
    if (!t.ok() || refuse_fraction(x) || refuse_fraction(y)) return;
    const int xn = big_len(x), yn = big_len(y);
    if (xn == 0 || yn == 0) {
        big_zero(z);
        return;
    }
    const bool neg = big_is_negative(x) != big_is_negative(y);
    if (xn + yn - 1 > pw() && t.instance()->overflow_check) {
        report_error(3);
        return;
    }
    ScratchFrame f(t.instance());
    uint32_t* r = f.words(static_cast<size_t>(xn + yn));
    if (x == y)
        mp_sqr_raw(r, x->w, xn);
    else
        mp_mul_raw(r, x->w, xn, y->w, yn);
    engine_detail::big_set_words(z, r, xn + yn, neg);
}

int subdiv(const big_rec* x, int n, big z) {
    TraceScope t(ID_SUBDIV);
    if (!t.ok() || refuse_fraction(x)) return 0;
    if (n == 0) {
        report_error(2);
        return 0;
    }
    const int xn = big_len(x);
    const bool xneg = big_is_negative(x);
    const uint32_t d = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    ScratchFrame f(t.instance());
    uint32_t* q = f.words(static_cast<size_t>(xn) + 1);
    const uint32_t r = mp_divmod1_raw(q, x->w, xn, d);
    engine_detail::big_set_words(z, q, xn, xneg != (n < 0));
    // |remainder| < |n| <= 2^31, so it fits an int with the sign of x.
    return xneg ? -static_cast<int>(r) : static_cast<int>(r);
}

int remain(const big_rec* x, int n) {
    TraceScope t(ID_REMAIN);
    if (!t.ok() || refuse_fraction(x)) return 0;
    if (n == 0) {
        report_error(2);
        return 0;
    }
    const uint32_t d = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    const uint32_t r = mp_mod1_raw(x->w, big_len(x), d);
    return big_is_negative(x) ? -static_cast<int>(r) : static_cast<int>(r);
}
