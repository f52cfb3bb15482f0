#include "workbench/polynomial.h"

#include <cstdio>
#include <span>
#include <utility>

#include "engine/gf2m.h"
#include "engine/values.h"

namespace {

std::string printf_text(const char* fmt, int m, int a, int b, int c) {
    char buf[96];
    std::snprintf(buf, sizeof buf, fmt, m, a, b, c);
    return buf;
}

// Degree of a bit-string polynomial (-1 for 0).
int degree(const BigInt& x) { return bits(x) - 1; }

// True when gcd(x, y) = 1 over GF(2)[t], by Euclid's algorithm on bit strings:
// the remainder step cancels the top term of the longer one with the other
// shifted by the difference of degrees. x and y are overwritten.
bool coprime(BigInt& x, BigInt& y) {
    BigInt* a = &x;
    BigInt* b = &y;
    BigInt t;
    while (!b->is_zero()) {
        const int db = degree(*b);
        for (int da = degree(*a); da >= db; da = degree(*a)) {
            big_copy(b->get(), t.get());
            gf2_shift_left(t.get(), da - db);
            gf2_add(a->get(), t.get(), a->get());
        }
        std::swap(a, b);
        if (engine_error() != 0) return false;
    }
    return degree(*a) == 0;
}

}  // namespace

std::string format_polynomial(int m, int a, int b, int c) {
    if (a == 1) return printf_text("f(t) = t^%d + t + 1", m, 0, 0, 0);
    if (b == 0) return printf_text("f(t) = t^%d + t^%d + 1", m, a, 0, 0);
    if (c == 1) return printf_text("f(t) = t^%d + t^%d + t^%d + t + 1", m, a, b, 0);
    return printf_text("f(t) = t^%d + t^%d + t^%d + t^%d + 1", m, a, b, c);
}

bool is_irreducible(int m, int a, int b, int c) {
    const engine_instance* e = engine_current();
    if (e == nullptr || e->precision_words < m / 32 + 1) return false;
    if (b == 0) c = 0;
    // f becomes the current basis: the squarings below reduce modulo it.
    if (!prepare_basis(m, a, b, c, false)) return false;
    // f = t^m + t^a + 1, plus t^b + t^c for a pentanomial.
    BigInt f, term;
    expb2(m, f.get());
    const int trinomial[] = {a, 0};
    const int pentanomial[] = {a, b, c, 0};
    for (int k : b == 0 ? std::span<const int>(trinomial) : std::span<const int>(pentanomial)) {
        expb2(k, term.get());
        gf2_add(f.get(), term.get(), f.get());
    }
    BigInt u = 2;  // t
    BigInt g, h;
    for (int i = 1; i <= m / 2; ++i) {
        gf2_square(u.get(), u.get());
        gf2_incr(u.get(), 2, g.get());  // u + t
        big_copy(f.get(), h.get());
        if (!coprime(g, h)) return false;
    }
    return engine_error() == 0;
}

std::string check_polynomial(int m, int a, int b, int c) {
    if (m <= 1 || a <= 0 || a >= m || b >= a || b < 0) return "BAD POLY, make sure: m > a  > b >= 0";
    if (b == 1 || (b >= 2 && (c >= b || c <= 0))) return "BAD POLY, when b != 0, make sure: b > c >= 1";
    if (b == 0) c = 0;
    if (is_irreducible(m, a, b, c)) return "";
    const std::string f = format_polynomial(m, a, b, c);
    return (b == 0 ? "Trinomial: " : "Pentanomial: ") + f + " is NOT irreducible.";
}
