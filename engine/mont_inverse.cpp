// Modular inverse on 64-bit limbs by Lehmer's extended Euclid (Knuth, TAOCP
// vol. 2, 4.5.2, Algorithm L): runs of Euclid steps are simulated on the
// leading 62 bits and applied to the full numbers as one 2x2 matrix.
//
// Only the cofactor of a is kept. In the remainder sequence r_0 = m, r_1 = a,
// the cofactors s_j (s_j*a = r_j mod m) alternate in sign (s_j > 0 for odd j),
// so magnitudes suffice: every combination of two neighbours adds magnitudes.
#include <cstring>

#include "engine/kernels.h"
#include "engine/mont_kernels.h"

namespace engine_detail {

namespace {

__extension__ typedef unsigned __int128 u128;
__extension__ typedef __int128 i128;

int limb_len(const u64* a, int n) {
    while (n > 0 && a[n - 1] == 0) --n;
    return n;
}

int bit_len(const u64* a, int n) {
    n = limb_len(a, n);
    return n == 0 ? 0 : 64 * n - __builtin_clzll(a[n - 1]);
}

// Bits [shift, shift + 64) of a (n limbs).
u64 bits_at(const u64* a, int n, int shift) {
    const int q = shift / 64, r = shift % 64;
    const u64 lo = q < n ? a[q] >> r : 0;
    const u64 hi = (r != 0 && q + 1 < n) ? a[q + 1] << (64 - r) : 0;
    return lo | hi;
}

// r = x*a + y*b (magnitudes, x, y < 2^63), n limbs plus a carry limb returned.
u64 mul2_add(u64* r, const u64* a, u64 x, const u64* b, u64 y, int n) {
    u128 c = 0;
    for (int i = 0; i < n; ++i) {
        c += static_cast<u128>(a[i]) * x;
        const u128 t = static_cast<u128>(b[i]) * y;
        c += t;  // x*a[i] + y*b[i] + carry < 2^128 since x, y < 2^63
        r[i] = static_cast<u64>(c);
        c >>= 64;
    }
    return static_cast<u64>(c);
}

// r = x*a - y*b, known to be non-negative and below 2^(64n).
void mul2_sub(u64* r, const u64* a, u64 x, const u64* b, u64 y, int n) {
    i128 c = 0;
    for (int i = 0; i < n; ++i) {
        const u128 p = static_cast<u128>(a[i]) * x;
        const u128 q = static_cast<u128>(b[i]) * y;
        // c + lo(p) - lo(q), then the high halves join the carry
        c += static_cast<i128>(static_cast<u64>(p)) - static_cast<i128>(static_cast<u64>(q));
        r[i] = static_cast<u64>(c);
        c >>= 64;  // arithmetic: keeps the sign
        c += static_cast<i128>(static_cast<u64>(p >> 64)) - static_cast<i128>(static_cast<u64>(q >> 64));
    }
}

// One full Euclid step u = q*v + r by long division on 32-bit words (used when
// the leading digits cannot decide a quotient); returns u <- v, v <- r and the
// cofactors su <- sv, sv <- su + q*sv.
void full_step(u64* u, u64* v, u64* su, u64* sv, int L) {
    uint32_t uw[2 * kMontMaxLimbs + 2], vw[2 * kMontMaxLimbs + 2], qw[2 * kMontMaxLimbs + 2],
        rw[2 * kMontMaxLimbs + 2], scratch[6 * kMontMaxLimbs + 8];
    const int W = 2 * L;
    std::memcpy(uw, u, sizeof(u64) * static_cast<size_t>(L));
    std::memcpy(vw, v, sizeof(u64) * static_cast<size_t>(L));
    const int un = mp_norm_len_raw(uw, W), vn = mp_norm_len_raw(vw, W);
    std::memset(qw, 0, sizeof(qw));
    std::memset(rw, 0, sizeof(rw));
    if (vn == 1) {
        rw[0] = mp_divmod1_raw(qw, uw, un, vw[0]);
    } else {
        mp_divmod_raw(qw, rw, uw, un, vw, vn, scratch);
    }
    const int qn = mp_norm_len_raw(qw, un);
    // sv' = su + q*sv
    uint32_t sw[2 * kMontMaxLimbs + 2], tw[4 * kMontMaxLimbs + 4];
    std::memcpy(sw, sv, sizeof(u64) * static_cast<size_t>(L));
    std::memset(tw, 0, sizeof(tw));
    const int sn = mp_norm_len_raw(sw, W);
    if (sn > 0 && qn > 0) mp_mul_raw(tw, qw, qn, sw, sn);
    uint32_t aw[2 * kMontMaxLimbs + 2];
    std::memcpy(aw, su, sizeof(u64) * static_cast<size_t>(L));
    mp_add_raw(tw, tw, W, aw, W);
    std::memcpy(u, v, sizeof(u64) * static_cast<size_t>(L));
    std::memcpy(v, rw, sizeof(u64) * static_cast<size_t>(L));
    std::memcpy(su, sv, sizeof(u64) * static_cast<size_t>(L));
    std::memcpy(sv, tw, sizeof(u64) * static_cast<size_t>(L));
}

}  // namespace

bool mont_inverse_raw(const u64* a, const u64* m, int L, u64* inv, u64* g) {
    // L limbs each, with one spare limb for the matrix products.
    u64 u[kMontMaxLimbs + 1] = {}, v[kMontMaxLimbs + 1] = {};
    u64 su[kMontMaxLimbs + 1] = {}, sv[kMontMaxLimbs + 1] = {};
    u64 t1[kMontMaxLimbs + 1], t2[kMontMaxLimbs + 1];
    std::memcpy(u, m, sizeof(u64) * static_cast<size_t>(L));
    std::memcpy(v, a, sizeof(u64) * static_cast<size_t>(L));
    sv[0] = 1;
    int j = 0;  // u = r_j, v = r_(j+1)
    constexpr int kDigit = 62;
    while (limb_len(v, L) != 0) {
        const int n = bit_len(u, L);
        const int shift = n > kDigit ? n - kDigit : 0;
        int64_t uh = static_cast<int64_t>(bits_at(u, L, shift));
        int64_t vh = static_cast<int64_t>(bits_at(v, L, shift));
        int64_t A = 1, B = 0, C = 0, D = 1;
        int steps = 0;
        if (shift == 0) {
            // Everything fits in one word: exact quotients to the end (the
            // cofactors stay below u < 2^62).
            while (vh != 0) {
                const int64_t q = uh / vh;
                const int64_t nc = A - q * C, nd = B - q * D;
                A = C;
                C = nc;
                B = D;
                D = nd;
                const int64_t r = uh - q * vh;
                uh = vh;
                vh = r;
                ++steps;
            }
        } else {
            for (;;) {
                if (vh + C <= 0 || vh + D <= 0) break;
                const int64_t q = (uh + A) / (vh + C);
                if (q != (uh + B) / (vh + D)) break;
                const i128 nc = static_cast<i128>(A) - static_cast<i128>(q) * C;
                const i128 nd = static_cast<i128>(B) - static_cast<i128>(q) * D;
                if (nc > (int64_t{1} << kDigit) || nc < -(int64_t{1} << kDigit) ||
                    nd > (int64_t{1} << kDigit) || nd < -(int64_t{1} << kDigit))
                    break;
                A = C;
                C = static_cast<int64_t>(nc);
                B = D;
                D = static_cast<int64_t>(nd);
                const int64_t nv = uh - q * vh;
                uh = vh;
                vh = nv;
                ++steps;
            }
        }
        if (steps == 0) {
            full_step(u, v, su, sv, L);
            ++j;
            continue;
        }
        // (u, v) <- (A*u + B*v, C*u + D*v); of A and B (and of C and D) one is
        // positive and the other zero or negative.
        auto mag = [](int64_t x) { return static_cast<u64>(x < 0 ? -x : x); };
        if (A > 0 || B < 0)
            mul2_sub(t1, u, mag(A), v, mag(B), L + 1);
        else
            mul2_sub(t1, v, mag(B), u, mag(A), L + 1);
        if (C > 0 || D < 0)
            mul2_sub(t2, u, mag(C), v, mag(D), L + 1);
        else
            mul2_sub(t2, v, mag(D), u, mag(C), L + 1);
        std::memcpy(u, t1, sizeof(u64) * static_cast<size_t>(L));
        std::memcpy(v, t2, sizeof(u64) * static_cast<size_t>(L));
        // Cofactor magnitudes: |A|*su + |B|*sv and |C|*su + |D|*sv.
        mul2_add(t1, su, mag(A), sv, mag(B), L);
        mul2_add(t2, su, mag(C), sv, mag(D), L);
        std::memcpy(su, t1, sizeof(u64) * static_cast<size_t>(L));
        std::memcpy(sv, t2, sizeof(u64) * static_cast<size_t>(L));
        j += steps;
    }
    std::memcpy(g, u, sizeof(u64) * static_cast<size_t>(L));
    std::memset(inv, 0, sizeof(u64) * static_cast<size_t>(L));
    if (!(limb_len(u, L) == 1 && u[0] == 1)) return false;
    // s_j is negative for even j: the inverse is then m - |s_j|.
    if ((j & 1) == 0 && limb_len(su, L) != 0) {
        u64 c = 0;
        for (int i = 0; i < L; ++i) {
            const u128 d = static_cast<u128>(m[i]) - su[i] - c;
            inv[i] = static_cast<u64>(d);
            c = static_cast<u64>(d >> 64) & 1;
        }
    } else {
        std::memcpy(inv, su, sizeof(u64) * static_cast<size_t>(L));
    }
    // m = 1: everything is 0 mod 1.
    if (L == 1 && m[0] == 1) inv[0] = 0;
    return true;
}

}  // namespace engine_detail
