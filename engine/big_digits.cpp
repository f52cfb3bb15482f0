// Digit access in the apparent base (putdig, big_get_digit, big_num_digits),
// base conversion of word arrays (cbase) and fraction packing (fpack).
//
// Digits are those of the value |x| in the apparent base b (0 meaning 2^32):
// for power-of-two bases a digit is a group of log2(b) bits; for other bases
// digit i is (|x| / b^(i-1)) mod b.
#include <cstring>

#include "engine/big.h"
#include "engine/internal.h"
#include "engine/kernels.h"

using engine_detail::big_set_words;
using engine_detail::divmod_words;
using engine_detail::gcd_words;
using engine_detail::refuse_fraction;

namespace engine_detail {

void words_mul_add(uint32_t* w, int* len, int cap, uint32_t m, uint32_t add, bool* overflow) {
    // w*m + add < 2^(32 len) * 2^32, so the two carries sum to at most one word.
    uint32_t top = mp_mul1_raw(w, w, *len, m);
    if (*len > 0) {
        top += mp_add1_raw(w, w, *len, add);
    } else {
        top = add;
    }
    if (top == 0) return;
    if (*len < cap)
        w[(*len)++] = top;
    else
        *overflow = true;
}

bool fraction_pack(big x, const uint32_t* n, int nn, const uint32_t* d, int dn, bool negative) {
    engine_instance* e = engine_current();
    nn = mp_norm_len_raw(n, nn);
    dn = mp_norm_len_raw(d, dn);
    if (dn == 0) {
        report_error(7);
        return false;
    }
    if (nn == 0) {
        big_zero(x);
        return true;
    }
    ScratchFrame f(e);
    const int wide = (nn > dn ? nn : dn) + 2;
    uint32_t* g = f.words(static_cast<size_t>(wide));
    uint32_t* num = f.words(static_cast<size_t>(nn) + 2);
    uint32_t* den = f.words(static_cast<size_t>(dn) + 2);
    int gn = gcd_words(e, n, nn, d, dn, g);
    int rn = 0;
    if (gn == 1 && g[0] == 1) {
        std::memcpy(num, n, sizeof(uint32_t) * static_cast<size_t>(nn));
        std::memcpy(den, d, sizeof(uint32_t) * static_cast<size_t>(dn));
    } else {
        divmod_words(e, n, nn, g, gn, num, &nn, nullptr, &rn);
        divmod_words(e, d, dn, g, gn, den, &dn, nullptr, &rn);
    }
    if (dn == 1 && den[0] == 1) dn = 0;  // an integer
    if (nn + dn > e->precision_words) {
        report_error(13);
        return false;
    }
    if (dn == 0) return big_set_words(x, num, nn, negative);
    const size_t block = big_block_words(e);
    std::memset(x->w, 0, sizeof(uint32_t) * block);
    std::memcpy(x->w, num, sizeof(uint32_t) * static_cast<size_t>(nn));
    std::memcpy(x->w + nn, den, sizeof(uint32_t) * static_cast<size_t>(dn));
    x->len = static_cast<uint32_t>(nn) | (static_cast<uint32_t>(dn) << 16) | (negative ? kBigSign : 0);
    return true;
}

}  // namespace engine_detail

using engine_detail::words_mul_add;

namespace {

bool is_pow2_base(uint32_t b) { return b == 0 || (b & (b - 1)) == 0; }
int bits_per_digit(uint32_t b) { return b == 0 ? 32 : 31 - __builtin_clz(b); }

// Bits k..k+width-1 of a[0..an-1] (width <= 32).
uint32_t bit_field(const uint32_t* a, int an, uint64_t k, int width) {
    const uint64_t wi = k / 32;
    if (wi >= static_cast<uint64_t>(an)) return 0;
    uint64_t pair = a[wi];
    if (wi + 1 < static_cast<uint64_t>(an)) pair |= static_cast<uint64_t>(a[wi + 1]) << 32;
    const uint64_t mask = width == 32 ? 0xFFFFFFFFull : (1ull << width) - 1;
    return static_cast<uint32_t>((pair >> (k % 32)) & mask);
}

// q[0..n-1] (in place) = q / b^k for a non-power-of-two base; returns the count.
int divide_by_base_power(uint32_t* q, int n, uint32_t b, long long k) {
    uint64_t chunk = 1;
    int m = 0;
    while (chunk * b <= 0xFFFFFFFFull) {
        chunk *= b;
        ++m;
    }
    while (k > 0 && n > 0) {
        uint32_t d = static_cast<uint32_t>(chunk);
        if (k < m) {
            d = 1;
            for (long long j = 0; j < k; ++j) d *= b;
            k = 0;
        } else {
            k -= m;
        }
        mp_divmod1_raw(q, q, n, d);
        n = mp_norm_len_raw(q, n);
    }
    return n;
}

}  // namespace

int big_num_digits(const big_rec* x) {
    engine_instance* e = engine_current();
    const int n = big_len(x);
    if (e == nullptr || n == 0) return 0;
    const uint32_t b = e->apparent_base;
    if (b == 1) return 0;
    if (is_pow2_base(b)) {
        const int k = bits_per_digit(b);
        return (mp_bits_raw(x->w, n) + k - 1) / k;
    }
    ScratchFrame f(e);
    uint32_t* q = f.words(static_cast<size_t>(n));
    std::memcpy(q, x->w, sizeof(uint32_t) * static_cast<size_t>(n));
    int qn = n, count = 0;
    while (qn > 0) {
        mp_divmod1_raw(q, q, qn, b);
        qn = mp_norm_len_raw(q, qn);
        ++count;
    }
    return count;
}

int big_get_digit(const big_rec* x, int i) {
    engine_instance* e = engine_current();
    const int n = big_len(x);
    if (e == nullptr || n == 0 || i < 1) return 0;
    const uint32_t b = e->apparent_base;
    if (b == 1) return 0;
    if (is_pow2_base(b)) {
        const int k = bits_per_digit(b);
        return static_cast<int>(bit_field(x->w, n, static_cast<uint64_t>(i - 1) * k, k));
    }
    ScratchFrame f(e);
    uint32_t* q = f.words(static_cast<size_t>(n));
    std::memcpy(q, x->w, sizeof(uint32_t) * static_cast<size_t>(n));
    const int qn = divide_by_base_power(q, n, b, i - 1);
    return static_cast<int>(mp_mod1_raw(q, qn, b));
}

void putdig(int d, big x, int i) {
    TraceScope t(ID_PUTDIG);
    if (!t.ok() || refuse_fraction(x)) return;
    engine_instance* e = t.instance();
    const uint32_t b = e->apparent_base;
    if (i < 1 || d < 0 || b == 1 || (b != 0 && static_cast<uint32_t>(d) >= b)) {
        report_error(7);
        return;
    }
    const int cap = static_cast<int>(big_block_words(e));
    const int n = big_len(x);
    ScratchFrame f(e);
    uint32_t* w = f.words(static_cast<size_t>(cap) + 2);
    std::memcpy(w, x->w, sizeof(uint32_t) * static_cast<size_t>(n));
    bool over = false;
    if (is_pow2_base(b)) {
        const int k = bits_per_digit(b);
        const uint64_t bit = static_cast<uint64_t>(i - 1) * k;
        if ((bit + k + 31) / 32 > static_cast<uint64_t>(cap)) {
            if (d == 0) return;  // a digit past the block is zero already
            over = true;
        } else {
            const uint64_t mask = (k == 32 ? 0xFFFFFFFFull : (1ull << k) - 1) << (bit % 32);
            const uint64_t value = static_cast<uint64_t>(static_cast<uint32_t>(d)) << (bit % 32);
            const size_t wi = bit / 32;
            uint64_t pair = w[wi] | (static_cast<uint64_t>(w[wi + 1]) << 32);
            pair = (pair & ~mask) | value;
            w[wi] = static_cast<uint32_t>(pair);
            w[wi + 1] = static_cast<uint32_t>(pair >> 32);
        }
    } else {
        // |x| - old*P + d*P with P = b^(i-1)
        uint32_t* p = f.words(static_cast<size_t>(cap) + 2);
        int pn = 1;
        p[0] = 1;
        bool big_p = false;
        for (int j = 1; j < i && !big_p; ++j) words_mul_add(p, &pn, cap, b, 0, &big_p);
        if (big_p) {
            if (d == 0) return;
            over = true;
        } else {
            uint32_t* q = f.words(static_cast<size_t>(n) + 2);
            int qn = 0, rn = 0;
            divmod_words(e, x->w, n, p, pn, q, &qn, nullptr, &rn);
            const uint32_t old = qn > 0 ? mp_mod1_raw(q, qn, b) : 0;
            uint32_t* t2 = f.words(static_cast<size_t>(cap) + 2);
            if (static_cast<uint32_t>(d) >= old) {
                t2[pn] = mp_mul1_raw(t2, p, pn, static_cast<uint32_t>(d) - old);
                const int tn = mp_norm_len_raw(t2, pn + 1);
                if (tn > 0) {
                    const int top = (n > tn ? n : tn);
                    w[top] = mp_add_raw(w, w, top, t2, tn);
                }
            } else {
                t2[pn] = mp_mul1_raw(t2, p, pn, old - static_cast<uint32_t>(d));
                const int tn = mp_norm_len_raw(t2, pn + 1);
                mp_sub_raw(w, w, n, t2, tn);  // old*P <= |x|
            }
        }
    }
    int wn = mp_norm_len_raw(w, cap + 2);
    if (over || wn > e->precision_words) {
        if (e->overflow_check || over) {
            if (e->overflow_check) report_error(3);
            return;
        }
    }
    if (wn > cap) wn = cap;
    big_set_words(x, w, wn, big_is_negative(x));
}

void cbase(const big_rec* x, uint32_t old_base, big y) {
    TraceScope t(ID_CBASE);
    if (!t.ok()) return;
    engine_instance* e = t.instance();
    if (old_base == 0) {
        big_copy(x, y);
        return;
    }
    const int nn = big_len(x);
    const int dn = static_cast<int>((x->len & kBigDenMask) >> 16);
    const int cap = static_cast<int>(big_block_words(e));
    ScratchFrame f(e);
    uint32_t* num = f.words(static_cast<size_t>(cap));
    uint32_t* den = f.words(static_cast<size_t>(cap));
    bool over = false;
    // Horner from the top word: value = sum of word[i] * old_base^i.
    auto convert = [&](const uint32_t* w, int n, uint32_t* out) {
        std::memset(out, 0, sizeof(uint32_t) * static_cast<size_t>(cap));
        int len = 0;
        for (int i = n - 1; i >= 0; --i) words_mul_add(out, &len, cap, old_base, w[i], &over);
        return mp_norm_len_raw(out, cap);
    };
    const int rn = convert(x->w, nn, num);
    const int rd = dn > 0 ? convert(x->w + nn, dn, den) : 0;
    if (over || rn > e->precision_words) {
        report_error(3);
        return;
    }
    if (dn > 0) {
        engine_detail::fraction_pack(y, num, rn, den, rd, big_is_negative(x));
        return;
    }
    big_set_words(y, num, rn, big_is_negative(x));
}

void fpack(const big_rec* n, const big_rec* d, big x) {
    TraceScope t(ID_FPACK);
    if (!t.ok() || refuse_fraction(n) || refuse_fraction(d)) return;
    const bool negative = big_is_negative(n) != big_is_negative(d);
    engine_detail::fraction_pack(x, n->w, big_len(n), d->w, big_len(d), negative);
}
