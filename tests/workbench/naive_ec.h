// A deliberately naive reference for curves over GF(p) of up to 416 bits and
// over GF(2^m) with m < 192, kept apart from the engine: fixed arrays of words,
// modular products by double-and-add (shift-and-add over GF(2)), inverses by
// the (binary) extended Euclidean algorithm,
// affine points and double-and-add scalar products. Slow but short enough to
// check by eye; used to check the signature dialog's results independently.
#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace naive {

constexpr int kWords = 14;  // 448 bits: room for a sum of two 416-bit values

struct U {
    std::array<uint32_t, kWords> w{};
};

inline int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

inline U from_hex(std::string_view s) {
    U x;
    int bit = 0;
    for (size_t i = s.size(); i-- > 0; bit += 4) {
        const int v = hex_value(s[i]);
        if (v <= 0) continue;
        if (bit >= kWords * 32) throw std::length_error("naive::from_hex: too long");
        x.w[bit / 32] |= static_cast<uint32_t>(v) << (bit % 32);
    }
    return x;
}

inline std::string to_hex(const U& x) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (int i = kWords * 8 - 1; i >= 0; --i) {
        const int v = (x.w[i / 8] >> (4 * (i % 8))) & 15;
        if (v != 0 || !s.empty()) s += digits[v];
    }
    return s.empty() ? "0" : s;
}

inline int cmp(const U& a, const U& b) {
    for (int i = kWords - 1; i >= 0; --i)
        if (a.w[i] != b.w[i]) return a.w[i] < b.w[i] ? -1 : 1;
    return 0;
}
inline bool is_zero(const U& a) { return cmp(a, U{}) == 0; }
inline int bit(const U& a, int i) { return (a.w[i / 32] >> (i % 32)) & 1; }
inline int bits(const U& a) {
    for (int i = kWords * 32 - 1; i >= 0; --i)
        if (bit(a, i)) return i + 1;
    return 0;
}

inline U add(const U& a, const U& b) {
    U r;
    uint64_t c = 0;
    for (int i = 0; i < kWords; ++i) {
        c += uint64_t{a.w[i]} + b.w[i];
        r.w[i] = static_cast<uint32_t>(c);
        c >>= 32;
    }
    return r;
}
// a - b for a >= b.
inline U sub(const U& a, const U& b) {
    U r;
    int64_t c = 0;
    for (int i = 0; i < kWords; ++i) {
        c += int64_t{a.w[i]} - b.w[i];
        r.w[i] = static_cast<uint32_t>(c);
        c = c < 0 ? -1 : 0;
    }
    return r;
}
inline U shr1(const U& a) {
    U r;
    for (int i = 0; i < kWords; ++i) r.w[i] = (a.w[i] >> 1) | (i + 1 < kWords ? a.w[i + 1] << 31 : 0);
    return r;
}
inline U shl(const U& a, int n) {
    U r = a;
    for (int k = 0; k < n; ++k)
        for (int i = kWords - 1; i >= 0; --i) r.w[i] = (r.w[i] << 1) | (i > 0 ? r.w[i - 1] >> 31 : 0);
    return r;
}

// a mod m by shift and subtract (m > 0).
inline U mod(U a, const U& m) {
    for (int s = bits(a) - bits(m); s >= 0; --s) {
        const U t = shl(m, s);
        if (cmp(a, t) >= 0) a = sub(a, t);
    }
    return a;
}
inline U addmod(const U& a, const U& b, const U& m) {
    const U r = add(a, b);
    return cmp(r, m) >= 0 ? sub(r, m) : r;
}
inline U submod(const U& a, const U& b, const U& m) { return cmp(a, b) >= 0 ? sub(a, b) : sub(add(a, m), b); }
// The value of a hexadecimal text of any length, mod m (digit by digit).
inline U mod_hex(std::string_view hex, const U& m) {
    U r;
    for (char c : hex) {
        r = shl(r, 4);
        r.w[0] |= static_cast<uint32_t>(hex_value(c));
        r = mod(r, m);
    }
    return r;
}
// a*b mod m for a, b < m, by double-and-add over the bits of b.
inline U mulmod(const U& a, const U& b, const U& m) {
    U r;
    for (int i = bits(b) - 1; i >= 0; --i) {
        r = addmod(r, r, m);
        if (bit(b, i)) r = addmod(r, a, m);
    }
    return r;
}
// a^-1 mod m for an odd m and 0 < a < m with gcd 1 (binary extended Euclid).
inline U invmod(const U& a, const U& m) {
    U u = a, v = m, x1, x2;
    x1.w[0] = 1;
    auto halve = [&](U& x) { x = (x.w[0] & 1) ? shr1(add(x, m)) : shr1(x); };
    const U one = from_hex("1");
    while (cmp(u, one) != 0 && cmp(v, one) != 0) {
        while ((u.w[0] & 1) == 0) {
            u = shr1(u);
            halve(x1);
        }
        while ((v.w[0] & 1) == 0) {
            v = shr1(v);
            halve(x2);
        }
        if (cmp(u, v) >= 0) {
            u = sub(u, v);
            x1 = submod(x1, x2, m);
        } else {
            v = sub(v, u);
            x2 = submod(x2, x1, m);
        }
    }
    return cmp(u, one) == 0 ? x1 : x2;
}

struct Point {
    bool inf = true;
    U x, y;
};

struct Curve {
    U p, a, b, n;
    Point g;
};

inline Point add(const Curve& c, const Point& P, const Point& Q) {
    if (P.inf) return Q;
    if (Q.inf) return P;
    U lam;
    if (cmp(P.x, Q.x) == 0) {
        if (is_zero(addmod(P.y, Q.y, c.p))) return Point{};
        const U three_x2 = mulmod(from_hex("3"), mulmod(P.x, P.x, c.p), c.p);
        lam = mulmod(addmod(three_x2, c.a, c.p), invmod(addmod(P.y, P.y, c.p), c.p), c.p);
    } else {
        lam = mulmod(submod(Q.y, P.y, c.p), invmod(submod(Q.x, P.x, c.p), c.p), c.p);
    }
    Point R;
    R.inf = false;
    R.x = submod(submod(mulmod(lam, lam, c.p), P.x, c.p), Q.x, c.p);
    R.y = submod(mulmod(lam, submod(P.x, R.x, c.p), c.p), P.y, c.p);
    return R;
}

inline Point mul(const Curve& c, const U& k, const Point& P) {
    Point R;
    for (int i = bits(k) - 1; i >= 0; --i) {
        R = add(c, R, R);
        if (bit(k, i)) R = add(c, R, P);
    }
    return R;
}

/// ECDSA verification with the whole hash h: x(u1 G + u2 Q) = r (mod n), u1 =
/// h/s, u2 = r/s; r and s must lie in 1..n-1.
inline bool ecdsa_verify(const Curve& c, const Point& pub, const U& h, const U& r, const U& s) {
    if (is_zero(r) || is_zero(s) || cmp(r, c.n) >= 0 || cmp(s, c.n) >= 0) return false;
    const U w = invmod(s, c.n);
    const U u1 = mulmod(mod(h, c.n), w, c.n);
    const U u2 = mulmod(r, w, c.n);
    const Point X = add(c, mul(c, u1, c.g), mul(c, u2, pub));
    return !X.inf && cmp(mod(X.x, c.n), r) == 0;
}

}  // namespace naive

namespace naive2 {

// GF(2^m), m < 192: bit strings in three 64-bit words (bit i = coefficient of t^i).
struct F {
    std::array<uint64_t, 3> w{};
    bool operator==(const F& o) const { return w == o.w; }
};

inline F from_hex(std::string_view s) {
    F x;
    int bit = 0;
    for (size_t i = s.size(); i-- > 0; bit += 4) {
        const int v = naive::hex_value(s[i]);
        if (v <= 0) continue;
        if (bit >= 192) throw std::length_error("naive2::from_hex: too long");
        x.w[bit / 64] |= static_cast<uint64_t>(v) << (bit % 64);
    }
    return x;
}
inline std::string to_hex(const F& x) {
    naive::U u;
    for (int i = 0; i < 6; ++i) u.w[i] = static_cast<uint32_t>(x.w[i / 2] >> (32 * (i % 2)));
    return naive::to_hex(u);
}
inline F xor_of(const F& a, const F& b) {
    F r;
    for (int i = 0; i < 3; ++i) r.w[i] = a.w[i] ^ b.w[i];
    return r;
}
inline bool is_zero(const F& a) { return a == F{}; }

struct Curve {
    int m = 0;
    F f;  // the basis polynomial, t^m included
    F a, b;
    naive::U n;
    F gx, gy;

    int bit(const F& x, int i) const { return static_cast<int>((x.w[i / 64] >> (i % 64)) & 1); }
    // x*y mod f, one bit of y at a time.
    F mul(F x, const F& y) const {
        F r;
        for (int i = 0; i < m; ++i) {
            if (bit(y, i)) r = xor_of(r, x);
            x.w[2] = (x.w[2] << 1) | (x.w[1] >> 63);
            x.w[1] = (x.w[1] << 1) | (x.w[0] >> 63);
            x.w[0] <<= 1;
            if (bit(x, m)) x = xor_of(x, f);
        }
        return r;
    }
    static int deg(const F& x) {
        for (int i = 2; i >= 0; --i)
            if (x.w[i] != 0) return 64 * i + 63 - __builtin_clzll(x.w[i]);
        return -1;
    }
    // x * t^j (bits past 192 dropped).
    static F shifted(const F& x, int j) {
        F r;
        const int w = j / 64, b = j % 64;
        for (int i = 2; i >= w; --i) {
            uint64_t v = x.w[i - w] << b;
            if (b != 0 && i - w - 1 >= 0) v |= x.w[i - w - 1] >> (64 - b);
            r.w[i] = v;
        }
        return r;
    }
    // 1/x for x != 0 by the extended Euclidean algorithm over GF(2)[t]:
    // g1*x = u and g2*x = v (mod f) throughout.
    F inv(const F& x) const {
        F u = x, v = f, g1, g2;
        g1.w[0] = 1;
        while (deg(u) > 0) {
            int j = deg(u) - deg(v);
            if (j < 0) {
                std::swap(u, v);
                std::swap(g1, g2);
                j = -j;
            }
            u = xor_of(u, shifted(v, j));
            g1 = xor_of(g1, shifted(g2, j));
        }
        return g1;
    }
};

struct Point {
    bool inf = true;
    F x, y;
};

inline Point add(const Curve& c, const Point& P, const Point& Q) {
    if (P.inf) return Q;
    if (Q.inf) return P;
    F one;
    one.w[0] = 1;
    Point R;
    R.inf = false;
    if (P.x == Q.x) {
        if (!(P.y == Q.y) || is_zero(P.x)) return Point{};
        const F lam = xor_of(P.x, c.mul(P.y, c.inv(P.x)));
        R.x = xor_of(xor_of(c.mul(lam, lam), lam), c.a);
        R.y = xor_of(c.mul(P.x, P.x), c.mul(xor_of(lam, one), R.x));
        return R;
    }
    const F lam = c.mul(xor_of(P.y, Q.y), c.inv(xor_of(P.x, Q.x)));
    R.x = xor_of(xor_of(xor_of(xor_of(c.mul(lam, lam), lam), P.x), Q.x), c.a);
    R.y = xor_of(xor_of(c.mul(lam, xor_of(P.x, R.x)), R.x), P.y);
    return R;
}

inline Point mul(const Curve& c, const naive::U& k, const Point& P) {
    Point R;
    for (int i = naive::bits(k) - 1; i >= 0; --i) {
        R = add(c, R, R);
        if (naive::bit(k, i)) R = add(c, R, P);
    }
    return R;
}

/// The compression bit: bit 0 of y/x (0 for x = 0).
inline int ybit(const Curve& c, const Point& P) {
    if (is_zero(P.x)) return 0;
    return c.bit(c.mul(P.y, c.inv(P.x)), 0);
}

}  // namespace naive2
