// Single-word number theory: inverse, Jacobi symbol, powers, square roots and
// the Chinese remainder construction over word moduli.
#include <cstdint>
#include <cstring>

#include "engine/modular.h"

namespace {

// a mod m in 0..m-1 for m > 0.
int64_t mod_pos(int64_t a, int64_t m) {
    const int64_t r = a % m;
    return r < 0 ? r + m : r;
}

uint64_t mulmod(uint64_t a, uint64_t b, uint64_t m) { return a * b % m; }

uint64_t powmod_u(uint64_t a, uint64_t e, uint64_t m) {
    uint64_t r = 1 % m;
    a %= m;
    while (e) {
        if (e & 1) r = mulmod(r, a, m);
        a = mulmod(a, a, m);
        e >>= 1;
    }
    return r;
}

}  // namespace

int small_inverse(int a, int m) {
    if (m <= 1) return 0;
    int64_t r0 = m, r1 = mod_pos(a, m), s0 = 0, s1 = 1;
    while (r1 != 0) {
        const int64_t q = r0 / r1;
        const int64_t r2 = r0 - q * r1;
        r0 = r1;
        r1 = r2;
        const int64_t s2 = s0 - q * s1;
        s0 = s1;
        s1 = s2;
    }
    if (r0 != 1) return 0;  // not invertible
    return static_cast<int>(mod_pos(s0, m));
}

int small_jacobi(int a, int n) {
    if (n <= 0 || (n & 1) == 0) return 0;
    int64_t x = mod_pos(a, n), y = n;
    int result = 1;
    while (x != 0) {
        while ((x & 1) == 0) {
            x >>= 1;
            const int64_t r = y & 7;
            if (r == 3 || r == 5) result = -result;
        }
        const int64_t t = x;
        x = y;
        y = t;
        if ((x & 3) == 3 && (y & 3) == 3) result = -result;
        x %= y;
    }
    return y == 1 ? result : 0;
}

int small_powmod(int a, int e, int m) {
    if (m <= 1) return 0;
    uint64_t base = static_cast<uint64_t>(mod_pos(a, m));
    int64_t ex = e;
    if (ex < 0) {
        base = static_cast<uint64_t>(small_inverse(static_cast<int>(base), m));
        ex = -ex;
    }
    return static_cast<int>(powmod_u(base, static_cast<uint64_t>(ex), static_cast<uint64_t>(m)));
}

int small_sqrt(int a, int p) {
    if (p <= 1) return 0;
    const uint64_t P = static_cast<uint64_t>(p);
    const uint64_t x = static_cast<uint64_t>(mod_pos(a, p));
    if (x == 0) return 0;
    if (x == 1) return 1;
    if (p == 2) return static_cast<int>(x);
    if (powmod_u(x, (P - 1) / 2, P) != 1) return 0;  // no root
    if ((P & 3) == 3) return static_cast<int>(powmod_u(x, (P + 1) / 4, P));
    // Tonelli-Shanks: P - 1 = q*2^s, z a non-residue.
    uint64_t q = P - 1;
    int s = 0;
    while ((q & 1) == 0) {
        q >>= 1;
        ++s;
    }
    uint64_t z = 2;
    while (powmod_u(z, (P - 1) / 2, P) != P - 1) ++z;
    uint64_t c = powmod_u(z, q, P), r = powmod_u(x, (q + 1) / 2, P), t = powmod_u(x, q, P);
    int m = s;
    while (t != 1) {
        int i = 0;
        uint64_t tt = t;
        while (tt != 1) {
            tt = mulmod(tt, tt, P);
            ++i;
        }
        uint64_t b = c;
        for (int j = 0; j < m - i - 1; ++j) b = mulmod(b, b, P);
        r = mulmod(r, b, P);
        c = mulmod(b, b, P);
        t = mulmod(t, c, P);
        m = i;
    }
    return static_cast<int>(r);
}

bool small_crt_init(small_crt_ctx* ctx, int count, const int* moduli) {
    if (ctx == nullptr) return false;
    *ctx = small_crt_ctx{};
    if (count < 1 || moduli == nullptr) return false;
    for (int i = 0; i < count; ++i)
        if (moduli[i] < 2) return false;
    const size_t pairs = static_cast<size_t>(count) * static_cast<size_t>(count - 1) / 2;
    auto* m = static_cast<int*>(engine_alloc(static_cast<size_t>(count), sizeof(int)));
    auto* inv = static_cast<int*>(engine_alloc(pairs == 0 ? 1 : pairs, sizeof(int)));
    auto* work = static_cast<int*>(engine_alloc(static_cast<size_t>(count), sizeof(int)));
    ctx->moduli = m;
    ctx->inverses = inv;
    ctx->work = work;
    ctx->count = count;
    if (m == nullptr || inv == nullptr || work == nullptr) {
        small_crt_free(ctx);
        return false;
    }
    std::memcpy(m, moduli, sizeof(int) * static_cast<size_t>(count));
    // inverses[i(i-1)/2 + j] = m_j^-1 mod m_i for j < i (Garner's constants)
    for (int i = 1; i < count; ++i) {
        for (int j = 0; j < i; ++j) {
            const int v = small_inverse(m[j] % m[i], m[i]);
            if (v == 0 && m[i] != 1) {
                small_crt_free(ctx);
                return false;
            }
            inv[static_cast<size_t>(i) * static_cast<size_t>(i - 1) / 2 + static_cast<size_t>(j)] = v;
        }
    }
    return true;
}

void small_crt(small_crt_ctx* ctx, const int* residues, big x) {
    if (ctx == nullptr || ctx->count < 1 || ctx->moduli == nullptr) {
        big_zero(x);
        return;
    }
    const int n = ctx->count;
    const int* m = ctx->moduli;
    int* v = ctx->work;
    // Garner: x = v0 + v1*m0 + v2*m0*m1 + ..., each v_i in 0..m_i-1.
    for (int i = 0; i < n; ++i) {
        int64_t t = mod_pos(residues[i], m[i]);
        for (int j = 0; j < i; ++j) {
            const int64_t inv = ctx->inverses[static_cast<size_t>(i) * static_cast<size_t>(i - 1) / 2 +
                                              static_cast<size_t>(j)];
            t = mod_pos((t - v[j]) % m[i] * inv, m[i]);
        }
        v[i] = static_cast<int>(t);
    }
    big_from_int(v[n - 1], x);
    for (int i = n - 2; i >= 0; --i) {
        premult(x, m[i], x);
        incr(x, v[i], x);
    }
}

void small_crt_free(small_crt_ctx* ctx) {
    if (ctx == nullptr) return;
    const size_t n = static_cast<size_t>(ctx->count);
    if (ctx->moduli != nullptr) {
        engine_wipe(ctx->moduli, n * sizeof(int));
        engine_free(ctx->moduli);
    }
    if (ctx->inverses != nullptr) {
        engine_wipe(ctx->inverses, (n * (n > 0 ? n - 1 : 0) / 2) * sizeof(int));
        engine_free(ctx->inverses);
    }
    if (ctx->work != nullptr) {
        engine_wipe(ctx->work, n * sizeof(int));
        engine_free(ctx->work);
    }
    *ctx = small_crt_ctx{};
}
