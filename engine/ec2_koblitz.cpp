// The tau-adic form of a scalar on Koblitz curves (Solinas 2000).
//
// On y^2 + xy = x^3 + A x^2 + 1 with A in {0, 1} the Frobenius map tau satisfies
// tau^2 - mu tau + 2 = 0 with mu = 1 for A = 1 and mu = -1 for A = 0, and tau^m
// is the identity on the points over GF(2^m). So k P = rho P for every point P
// when rho = k mod (tau^m - 1) in Z[tau]. With tau^m - 1 = s + t tau the norm
// N(s + t tau) = s^2 + mu s t + 2 t^2 is the number of points #E, which kills
// every point, so k is first reduced modulo #E; rho is then k - q (s + t tau) with
// q = round(k / (s + t tau)), computed from k conj(s + t tau) / #E. The
// non-adjacent tau-adic form of rho has about m digits; digits at positions m
// and above are folded onto position j mod m.
#include <algorithm>
#include <utility>

#include "engine/ec2_internal.h"
#include "engine/internal.h"

namespace ec2 {

namespace {

// Fixed-width two's complement integers for the digit loop.
constexpr int kSWords = kGf2MaxWords + 4;

struct SInt {
    uint64_t w[kSWords];
    int n;  // words in use (all of them take part in every operation)

    void zero(int width) {
        n = width;
        for (int i = 0; i < n; ++i) w[i] = 0;
    }
    bool is_zero() const {
        uint64_t v = 0;
        for (int i = 0; i < n; ++i) v |= w[i];
        return v == 0;
    }
    bool negative() const { return (w[n - 1] >> 63) != 0; }
    void add(const SInt& b) {
        uint64_t carry = 0;
        for (int i = 0; i < n; ++i) {
            const uint64_t s = w[i] + b.w[i];
            const uint64_t s2 = s + carry;
            carry = static_cast<uint64_t>(s < w[i]) | static_cast<uint64_t>(s2 < s);
            w[i] = s2;
        }
    }
    void sub(const SInt& b) {
        uint64_t borrow = 0;
        for (int i = 0; i < n; ++i) {
            const uint64_t x = w[i], y = b.w[i];
            const uint64_t d = x - y - borrow;
            borrow = (x < y) || (x == y && borrow) ? 1 : 0;
            w[i] = d;
        }
    }
    void add_small(int64_t v) {
        const uint64_t fill = v < 0 ? ~0ull : 0;
        uint64_t carry = 0;
        for (int i = 0; i < n; ++i) {
            const uint64_t b = i == 0 ? static_cast<uint64_t>(v) : fill;
            const uint64_t s = w[i] + b;
            const uint64_t s2 = s + carry;
            carry = static_cast<uint64_t>(s < w[i]) | static_cast<uint64_t>(s2 < s);
            w[i] = s2;
        }
    }
    void negate() {
        for (int i = 0; i < n; ++i) w[i] = ~w[i];
        add_small(1);
    }
    void sar1() {
        for (int i = 0; i < n - 1; ++i) w[i] = (w[i] >> 1) | (w[i + 1] << 63);
        w[n - 1] = static_cast<uint64_t>(static_cast<int64_t>(w[n - 1]) >> 1);
    }
    void shl1() {
        for (int i = n - 1; i > 0; --i) w[i] = (w[i] << 1) | (w[i - 1] >> 63);
        w[0] <<= 1;
    }
};

void sint_from_big(const big_rec* x, SInt* r, int width) {
    r->zero(width);
    const int len = big_len(x);
    for (int i = 0; i < len && i / 2 < width; ++i)
        r->w[i / 2] |= static_cast<uint64_t>(x->w[i]) << (32 * (i & 1));
    if (big_is_negative(x)) r->negate();
}

void sint_to_big(const SInt& v, big x) {
    SInt a = v;
    const bool neg = a.negative();
    if (neg) a.negate();
    uint32_t words[2 * kSWords];
    for (int i = 0; i < a.n; ++i) {
        words[2 * i] = static_cast<uint32_t>(a.w[i]);
        words[2 * i + 1] = static_cast<uint32_t>(a.w[i] >> 32);
    }
    engine_detail::big_set_words(x, words, 2 * a.n, neg);
}

// q = round(a / b) = floor((2a + b) / (2b)) for b > 0.
void round_div(const big_rec* a, const big_rec* b, big q, big t1, big t2) {
    premult(a, 2, t1);
    add(t1, b, t1);
    premult(b, 2, t2);
    divide(t1, t2, q);  // t1 keeps the remainder, with the sign of the dividend
    if (big_is_negative(t1)) decr(q, 1, q);
}

}  // namespace

void tau_coefficients(const Curve& c, const big_rec* k, int16_t* coef) {
    engine_instance* e = engine_current();
    const int m = c.f.m;
    const int mu = c.a_kind == 1 ? 1 : -1;
    for (int j = 0; j < m; ++j) coef[j] = 0;
    if (big_is_zero(k)) return;

    // U_0 = 0, U_1 = 1, U_(i+1) = mu U_i - 2 U_(i-1): tau^i = U_i tau - 2 U_(i-1).
    const int uw = (m / 2 + 70) / 64 + 1;
    SInt ua{}, ub{};
    SInt *u0 = &ua, *u1 = &ub;
    u0->zero(uw);
    u1->zero(uw);
    u1->w[0] = 1;
    for (int i = 1; i < m; ++i) {
        u0->shl1();
        u0->negate();
        if (mu > 0) u0->add(*u1);
        else u0->sub(*u1);
        std::swap(u0, u1);
    }
    // tau^m - 1 = s + t tau with s = -2 U_(m-1) - 1, t = U_m.
    SInt& ss = *u0;
    ss.shl1();
    ss.negate();
    ss.add_small(-1);

    ScratchFrame sf(e);
    big s = sf.number(), t = sf.number(), ne = sf.number(), kk = sf.number();
    big q0 = sf.number(), q1 = sf.number(), r0 = sf.number(), r1 = sf.number();
    big t1 = sf.number(), t2 = sf.number(), smt = sf.number();
    sint_to_big(ss, s);
    sint_to_big(*u1, t);
    // #E = s^2 + mu s t + 2 t^2
    multiply(s, s, ne);
    multiply(s, t, t1);
    if (mu < 0) big_negate(t1, t1);
    add(ne, t1, ne);
    multiply(t, t, t1);
    premult(t1, 2, t1);
    add(ne, t1, ne);
    big_copy(k, kk);
    kk->len &= ~kBigSign;
    divide(kk, ne, ne);  // kk = |k| mod #E

    // s + mu t, then the rounded quotient q = q0 + q1 tau and rho = r0 + r1 tau.
    if (mu > 0) add(s, t, smt);
    else subtract(s, t, smt);
    const int room = 32 * (e->precision_words - 1);
    if (logb2(kk) + logb2(smt) + 4 < room && logb2(kk) + logb2(t) + 4 < room) {
        multiply(kk, smt, t1);
        round_div(t1, ne, q0, t2, r1);
        multiply(kk, t, t1);
        big_negate(t1, t1);
        round_div(t1, ne, q1, t2, r1);
        // r0 = k - q0 s + 2 q1 t
        multiply(q0, s, t1);
        subtract(kk, t1, r0);
        multiply(q1, t, t1);
        premult(t1, 2, t1);
        add(r0, t1, r0);
        // r1 = -(q0 t + q1 (s + mu t))
        multiply(q0, t, t1);
        multiply(q1, smt, t2);
        add(t1, t2, r1);
        big_negate(r1, r1);
    } else {
        big_copy(kk, r0);
        big_zero(r1);
    }
    if (e->error_number != 0) return;

    // Non-adjacent tau-adic digits of r0 + r1 tau, folded modulo m.
    const int bits = std::max(logb2(r0), logb2(r1));
    const int width = std::min(kSWords, (bits + 8) / 64 + 2);
    SInt va{}, vb{};
    SInt *a = &va, *b = &vb;
    sint_from_big(r0, a, width);
    sint_from_big(r1, b, width);
    const int cap = 2 * 64 * width + 16;
    for (int i = 0; i < cap && !(a->is_zero() && b->is_zero()); ++i) {
        if (a->w[0] & 1) {
            // u = 2 - ((a - 2b) mod 4), in {1, -1}
            const int u = ((a->w[0] - 2 * b->w[0]) & 3) == 1 ? 1 : -1;
            a->add_small(-u);
            coef[i % m] = static_cast<int16_t>(coef[i % m] + u);
        }
        // (a, b) = (b + mu a/2, -a/2), in place: b becomes the new a and the
        // halved a, negated, the new b.
        a->sar1();
        if (mu > 0) b->add(*a);
        else b->sub(*a);
        a->negate();
        std::swap(a, b);
    }
}

}  // namespace ec2
