// Limb kernels. Long division follows Knuth, TAOCP vol. 2, 4.3.1, Algorithm D.
#include "engine/kernels.h"

#include <cstring>

#include "engine/instance.h"

namespace {

using u64 = uint64_t;

inline int clz32(uint32_t x) { return x == 0 ? 32 : __builtin_clz(x); }

}  // namespace

int mp_norm_len_raw(const uint32_t* a, int n) {
    while (n > 0 && a[n - 1] == 0) --n;
    return n;
}

int mp_cmp_raw(const uint32_t* a, int an, const uint32_t* b, int bn) {
    if (an != bn) return an > bn ? 1 : -1;
    for (int i = an - 1; i >= 0; --i)
        if (a[i] != b[i]) return a[i] > b[i] ? 1 : -1;
    return 0;
}

uint32_t mp_add_raw(uint32_t* r, const uint32_t* a, int an, const uint32_t* b, int bn) {
    ENGINE_CHECK(an >= bn);
    u64 c = 0;
    int i = 0;
    for (; i < bn; ++i) {
        c += static_cast<u64>(a[i]) + b[i];
        r[i] = static_cast<uint32_t>(c);
        c >>= 32;
    }
    for (; i < an; ++i) {
        c += a[i];
        r[i] = static_cast<uint32_t>(c);
        c >>= 32;
    }
    return static_cast<uint32_t>(c);
}

uint32_t mp_sub_raw(uint32_t* r, const uint32_t* a, int an, const uint32_t* b, int bn) {
    ENGINE_CHECK(an >= bn);
    u64 borrow = 0;
    int i = 0;
    for (; i < bn; ++i) {
        const u64 d = static_cast<u64>(a[i]) - b[i] - borrow;
        r[i] = static_cast<uint32_t>(d);
        borrow = (d >> 63) & 1;
    }
    for (; i < an; ++i) {
        const u64 d = static_cast<u64>(a[i]) - borrow;
        r[i] = static_cast<uint32_t>(d);
        borrow = (d >> 63) & 1;
    }
    return static_cast<uint32_t>(borrow);
}

uint32_t mp_add1_raw(uint32_t* r, const uint32_t* a, int an, uint32_t c) {
    u64 t = c;
    for (int i = 0; i < an; ++i) {
        t += a[i];
        r[i] = static_cast<uint32_t>(t);
        t >>= 32;
    }
    return static_cast<uint32_t>(t);
}

uint32_t mp_sub1_raw(uint32_t* r, const uint32_t* a, int an, uint32_t c) {
    u64 borrow = c;
    for (int i = 0; i < an; ++i) {
        const u64 d = static_cast<u64>(a[i]) - borrow;
        r[i] = static_cast<uint32_t>(d);
        borrow = (d >> 63) & 1;
    }
    return static_cast<uint32_t>(borrow);
}

uint32_t mp_mul1_raw(uint32_t* r, const uint32_t* a, int an, uint32_t m) {
    u64 c = 0;
    for (int i = 0; i < an; ++i) {
        c += static_cast<u64>(a[i]) * m;
        r[i] = static_cast<uint32_t>(c);
        c >>= 32;
    }
    return static_cast<uint32_t>(c);
}

uint32_t mp_addmul1_raw(uint32_t* r, const uint32_t* a, int an, uint32_t m) {
    // a[i]*m + r[i] + c < 2^64 since (2^32-1)^2 + 2(2^32-1) = 2^64 - 1.
    u64 c = 0;
    for (int i = 0; i < an; ++i) {
        c += static_cast<u64>(a[i]) * m + r[i];
        r[i] = static_cast<uint32_t>(c);
        c >>= 32;
    }
    return static_cast<uint32_t>(c);
}

void mp_mul_raw(uint32_t* r, const uint32_t* a, int an, const uint32_t* b, int bn) {
    ENGINE_CHECK(an >= 1 && bn >= 1);
    r[an] = mp_mul1_raw(r, a, an, b[0]);
    for (int j = 1; j < bn; ++j) r[an + j] = mp_addmul1_raw(r + j, a, an, b[j]);
}

void mp_sqr_raw(uint32_t* r, const uint32_t* a, int an) {
    ENGINE_CHECK(an >= 1);
    // Cross products once, doubled, then the squares on the diagonal.
    std::memset(r, 0, sizeof(uint32_t) * 2 * static_cast<size_t>(an));
    for (int i = 0; i + 1 < an; ++i) r[an + i] = mp_addmul1_raw(r + 2 * i + 1, a + i + 1, an - i - 1, a[i]);
    mp_shl_raw(r, r, 2 * an, 1);
    u64 c = 0;
    for (int i = 0; i < an; ++i) {
        const u64 sq = static_cast<u64>(a[i]) * a[i];
        c += static_cast<u64>(r[2 * i]) + static_cast<uint32_t>(sq);
        r[2 * i] = static_cast<uint32_t>(c);
        c >>= 32;
        c += static_cast<u64>(r[2 * i + 1]) + (sq >> 32);
        r[2 * i + 1] = static_cast<uint32_t>(c);
        c >>= 32;
    }
}

uint32_t mp_divmod1_raw(uint32_t* q, const uint32_t* a, int an, uint32_t d) {
    u64 rem = 0;
    for (int i = an - 1; i >= 0; --i) {
        const u64 cur = (rem << 32) | a[i];
        q[i] = static_cast<uint32_t>(cur / d);
        rem = cur % d;
    }
    return static_cast<uint32_t>(rem);
}

uint32_t mp_mod1_raw(const uint32_t* a, int an, uint32_t d) {
    u64 rem = 0;
    for (int i = an - 1; i >= 0; --i) rem = ((rem << 32) | a[i]) % d;
    return static_cast<uint32_t>(rem);
}

uint32_t mp_shl_raw(uint32_t* r, const uint32_t* a, int n, int bits) {
    if (bits == 0) {
        if (r != a) std::memmove(r, a, sizeof(uint32_t) * static_cast<size_t>(n));
        return 0;
    }
    uint32_t carry = 0;
    for (int i = 0; i < n; ++i) {
        const uint32_t w = a[i];
        r[i] = (w << bits) | carry;
        carry = w >> (32 - bits);
    }
    return carry;
}

uint32_t mp_shr_raw(uint32_t* r, const uint32_t* a, int n, int bits) {
    if (bits == 0) {
        if (r != a) std::memmove(r, a, sizeof(uint32_t) * static_cast<size_t>(n));
        return 0;
    }
    uint32_t carry = 0;
    for (int i = n - 1; i >= 0; --i) {
        const uint32_t w = a[i];
        r[i] = (w >> bits) | carry;
        carry = w << (32 - bits);
    }
    return carry;
}

int mp_bits_raw(const uint32_t* a, int n) {
    if (n == 0) return 0;
    return 32 * (n - 1) + 32 - clz32(a[n - 1]);
}

void mp_divmod_raw(uint32_t* q, uint32_t* r, const uint32_t* a, int an, const uint32_t* b, int bn,
                   uint32_t* scratch) {
    ENGINE_CHECK(bn >= 2 && an >= bn && b[bn - 1] != 0);
    // D1: normalise so that the divisor's top bit is set.
    const int s = clz32(b[bn - 1]);
    uint32_t* u = scratch;           // an + 1 words
    uint32_t* v = scratch + an + 1;  // bn words
    mp_shl_raw(v, b, bn, s);
    u[an] = mp_shl_raw(u, a, an, s);
    const u64 vtop = v[bn - 1];
    const u64 vnext = v[bn - 2];
    for (int j = an - bn; j >= 0; --j) {
        // D3: estimate qhat from the top two words, correct it with the third.
        const u64 num = (static_cast<u64>(u[j + bn]) << 32) | u[j + bn - 1];
        u64 qhat = num / vtop;
        u64 rhat = num % vtop;
        while (qhat >> 32 || qhat * vnext > ((rhat << 32) | u[j + bn - 2])) {
            --qhat;
            rhat += vtop;
            if (rhat >> 32) break;
        }
        // D4: multiply and subtract.
        u64 borrow = 0, carry = 0;
        for (int i = 0; i < bn; ++i) {
            const u64 p = qhat * v[i] + carry;
            carry = p >> 32;
            const u64 t = static_cast<u64>(u[i + j]) - static_cast<uint32_t>(p) - borrow;
            u[i + j] = static_cast<uint32_t>(t);
            borrow = (t >> 63) & 1;
        }
        const u64 t = static_cast<u64>(u[j + bn]) - carry - borrow;
        u[j + bn] = static_cast<uint32_t>(t);
        // D6: add back when the estimate was one too large (rare).
        if ((t >> 63) & 1) {
            --qhat;
            u[j + bn] += mp_add_raw(u + j, u + j, bn, v, bn);
        }
        if (q != nullptr) q[j] = static_cast<uint32_t>(qhat);
    }
    // D8: unnormalise the remainder.
    if (r != nullptr) mp_shr_raw(r, u, bn, s);
}
