// The GF(2^m) field routines on bigs: thin wrappers that load operands into
// 64-bit words, call the kernels and store the result.
#include "engine/gf2m.h"

#include <algorithm>
#include <cstring>

#include "engine/gf2m_kernels.h"
#include "engine/internal.h"

namespace {

// True while the engine may work (an instance, no error recorded).
inline bool live() {
    const engine_instance* e = engine_current();
    return e != nullptr && e->error_number == 0;
}

// The current field, or error 27.
inline bool field(gf2_field_raw* f) {
    if (gf2_field_current(f)) return true;
    report_error(27);
    return false;
}

}  // namespace

void gf2_add(const big_rec* x, const big_rec* y, big w) {
    if (!live() || w == nullptr) return;
    if (x == y) {
        big_zero(w);
        return;
    }
    const int xn = x ? big_len(x) : 0, yn = y ? big_len(y) : 0;
    const int n = std::max(xn, yn);
    const int old = big_len(w);
    for (int i = 0; i < n; ++i) {
        const uint32_t a = i < xn ? x->w[i] : 0, b = i < yn ? y->w[i] : 0;
        w->w[i] = a ^ b;
    }
    int len = n;
    while (len > 0 && w->w[len - 1] == 0) --len;
    for (int i = len; i < old; ++i) w->w[i] = 0;
    w->len = static_cast<uint32_t>(len);
}

void gf2_incr(const big_rec* x, int n, big w) {
    if (!live() || w == nullptr) return;
    big_copy(x, w);
    w->len &= kBigLenMask;
    const int len = big_len(w);
    const uint32_t v = static_cast<uint32_t>(n);
    if (len == 0) {
        w->w[0] = v;
        w->len = v != 0 ? 1 : 0;
        return;
    }
    w->w[0] ^= v;
    if (len == 1 && w->w[0] == 0) w->len = 0;
}

void gf2_square(const big_rec* x, big w) {
    gf2_field_raw f;
    if (!live() || !field(&f)) return;
    uint64_t a[kGf2MaxWords];
    gf2_load_reduced_raw(&f, x, a);
    gf2_sqrmod_raw(&f, a, a);
    gf2_store_raw(a, f.words, w);
}

void gf2_mul(const big_rec* x, const big_rec* y, big w) {
    gf2_field_raw f;
    if (!live() || !field(&f)) return;
    if (x == nullptr || y == nullptr || big_is_zero(x) || big_is_zero(y)) {
        big_zero(w);
        return;
    }
    uint64_t a[kGf2MaxWords], b[kGf2MaxWords];
    gf2_load_reduced_raw(&f, x, a);
    if (x == y) {
        gf2_sqrmod_raw(&f, a, a);
    } else {
        gf2_load_reduced_raw(&f, y, b);
        gf2_mulmod_raw(&f, a, a, b);
    }
    gf2_store_raw(a, f.words, w);
}

void gf2_reduce(const big_rec* x, big w) {
    gf2_field_raw f;
    if (!live() || !field(&f)) return;
    uint64_t a[kGf2MaxWords];
    gf2_load_reduced_raw(&f, x, a);
    gf2_store_raw(a, f.words, w);
}

void gf2_sqrt(const big_rec* x, big w) {
    gf2_field_raw f;
    if (!live() || !field(&f)) return;
    uint64_t a[kGf2MaxWords];
    gf2_load_reduced_raw(&f, x, a);
    gf2_sqrt_raw(&f, a, a);
    gf2_store_raw(a, f.words, w);
}

bool gf2_inverse(const big_rec* x, big w) {
    gf2_field_raw f;
    if (!live() || !field(&f)) return false;
    uint64_t a[kGf2MaxWords];
    gf2_load_reduced_raw(&f, x, a);
    if (!gf2_inv_raw(&f, a, a)) return false;
    gf2_store_raw(a, f.words, w);
    return true;
}

bool gf2_multi_inverse(int m, const big* x, big* w) {
    if (!live()) return false;
    if (m > 0 && x == w) {
        report_error(7);
        return false;
    }
    gf2_field_raw f;
    if (!field(&f)) return false;
    if (m <= 0) return true;
    const int n = f.words;
    // Work in chunks so that the scratch needed stays bounded; each chunk costs
    // one inversion (one in all for up to `chunk` elements).
    const int chunk = std::max(1, 2048 / n);
    ScratchFrame sf(engine_current());
    auto* xs = reinterpret_cast<uint64_t*>(sf.words(2 * static_cast<size_t>(std::min(m, chunk)) * n));
    auto* pre = reinterpret_cast<uint64_t*>(sf.words(2 * static_cast<size_t>(std::min(m, chunk)) * n));
    // Check every element first so that a zero leaves all of w unchanged.
    for (int i = 0; i < m; ++i) {
        uint64_t t[kGf2MaxWords];
        gf2_load_reduced_raw(&f, x[i], t);
        if (gf2_is_zero_raw(t, n)) return false;
    }
    for (int base = 0; base < m; base += chunk) {
        const int k = std::min(chunk, m - base);
        for (int i = 0; i < k; ++i) {
            gf2_load_reduced_raw(&f, x[base + i], xs + i * n);
            if (i == 0) gf2_copy_raw(pre, xs, n);
            else gf2_mulmod_raw(&f, pre + i * n, pre + (i - 1) * n, xs + i * n);
        }
        uint64_t acc[kGf2MaxWords], t[kGf2MaxWords];
        if (!gf2_inv_raw(&f, acc, pre + (k - 1) * n)) return false;  // reducible basis
        for (int i = k - 1; i > 0; --i) {
            gf2_mulmod_raw(&f, t, acc, pre + (i - 1) * n);
            gf2_mulmod_raw(&f, acc, acc, xs + i * n);
            gf2_store_raw(t, n, w[base + i]);
        }
        gf2_store_raw(acc, n, w[base]);
    }
    return true;
}

int gf2_trace(const big_rec* x) {
    gf2_field_raw f;
    if (!live() || !field(&f)) return 0;
    uint64_t a[kGf2MaxWords];
    gf2_load_reduced_raw(&f, x, a);
    return gf2_trace_raw(&f, a);
}

int gf2_lsb(const big_rec* x) {
    if (x == nullptr || big_is_zero(x)) return 0;
    return static_cast<int>(x->w[0] & 1);
}

bool gf2_quad_solve(const big_rec* a, big z) {
    gf2_field_raw f;
    if (!live() || !field(&f)) return false;
    uint64_t v[kGf2MaxWords];
    gf2_load_reduced_raw(&f, a, v);
    if (!gf2_quad_solve_raw(&f, v, v)) return false;
    gf2_store_raw(v, f.words, z);
    return true;
}

void gf2_dotprod(int m, const big* x, const big* y, big w) {
    gf2_field_raw f;
    if (!live() || !field(&f)) return;
    const int n = f.words;
    uint64_t acc[2 * kGf2MaxWords] = {}, t[2 * kGf2MaxWords], a[kGf2MaxWords], b[kGf2MaxWords];
    for (int i = 0; i < m; ++i) {
        if (x[i] == nullptr || y[i] == nullptr || big_is_zero(x[i]) || big_is_zero(y[i])) continue;
        gf2_load_reduced_raw(&f, x[i], a);
        if (x[i] == y[i]) {
            gf2_sqr_raw(t, a, n);
        } else {
            gf2_load_reduced_raw(&f, y[i], b);
            f.mul(t, a, b, n);
        }
        for (int k = 0; k < 2 * n; ++k) acc[k] ^= t[k];
    }
    gf2_reduce_raw(&f, acc, 2 * n);
    gf2_store_raw(acc, n, w);
}

void gf2_shift_left(big x, int n) {
    engine_instance* e = engine_current();
    if (!live() || x == nullptr || n == 0 || big_is_zero(x)) return;
    x->len &= kBigLenMask;
    const int len = big_len(x);
    const int bits = 32 * (len - 1) + 32 - __builtin_clz(x->w[len - 1]);
    if (n > 0) {
        if (bits + static_cast<long long>(n) > 32LL * e->precision_words) {
            report_error(3);
            return;
        }
        const int ws = n / 32, bs = n % 32;
        const int nl = (bits + n + 31) / 32;
        for (int i = nl - 1; i >= 0; --i) {
            const int s = i - ws;
            const uint32_t hi = s >= 0 && s < len ? x->w[s] : 0;
            const uint32_t lo = s - 1 >= 0 && s - 1 < len ? x->w[s - 1] : 0;
            x->w[i] = bs == 0 ? hi : (hi << bs) | (lo >> (32 - bs));
        }
        x->len = static_cast<uint32_t>(nl);
        return;
    }
    const long long r = -static_cast<long long>(n);
    if (r >= bits) {
        big_zero(x);
        return;
    }
    const int ws = static_cast<int>(r / 32), bs = static_cast<int>(r % 32);
    const int nl = (bits - static_cast<int>(r) + 31) / 32;
    for (int i = 0; i < len; ++i) {
        const int s = i + ws;
        const uint32_t lo = s < len ? x->w[s] : 0;
        const uint32_t hi = s + 1 < len ? x->w[s + 1] : 0;
        x->w[i] = i < nl ? (bs == 0 ? lo : (lo >> bs) | (hi << (32 - bs))) : 0;
    }
    x->len = static_cast<uint32_t>(nl);
}
