// BigInt: signed integers of the instance's precision over the integer routines.
#include <cstring>

#include "engine/internal.h"
#include "engine/modular.h"
#include "engine/values.h"

using engine_detail::big_alloc_value;
using engine_detail::big_free_value;

BigInt::BigInt() : m_x(big_alloc_value(0)) {}
BigInt::BigInt(int v) : m_x(big_alloc_value(v)) {}
BigInt::BigInt(const big_rec* x) : m_x(big_alloc_value(0)) { big_copy(x, m_x); }
BigInt::BigInt(const uint8_t* bytes, int len) : m_x(big_alloc_value(0)) {
    bytes_to_big(len, bytes, m_x);
}
BigInt::BigInt(const BigInt& o) : m_x(big_alloc_value(0)) { big_copy(o.m_x, m_x); }
BigInt::BigInt(BigInt&& o) noexcept : m_x(big_alloc_value(0)) { std::swap(m_x, o.m_x); }
BigInt::~BigInt() { big_free_value(m_x); }

BigInt& BigInt::operator=(const BigInt& o) {
    big_copy(o.m_x, m_x);
    return *this;
}
BigInt& BigInt::operator=(BigInt&& o) noexcept {
    std::swap(m_x, o.m_x);
    return *this;
}
BigInt& BigInt::operator=(int v) {
    big_from_int(v, m_x);
    return *this;
}

void BigInt::negate() { big_negate(m_x, m_x); }

int BigInt::text(char* out, size_t size) const {
    if (out == nullptr || size == 0) return 0;
    out[0] = '\0';
    engine_instance* e = engine_current();
    if (e == nullptr || e->io_buffer == nullptr || e->io_buffer_size < 1) return 0;
    e->io_buffer[0] = '\0';  // an inert cotstr must not leave older text behind
    cotstr(m_x, e->io_buffer);
    size_t n = std::strlen(e->io_buffer);
    if (n > size - 1) n = size - 1;
    std::memcpy(out, e->io_buffer, n);
    out[n] = '\0';
    return static_cast<int>(n);
}

std::string BigInt::text() const {
    engine_instance* e = engine_current();
    if (e == nullptr || e->io_buffer_size < 1) return std::string();
    std::string s(static_cast<size_t>(e->io_buffer_size) + 1, '\0');
    s.resize(static_cast<size_t>(text(s.data(), s.size())));
    return s;
}

int BigInt::to_bytes(int max, uint8_t* out, bool justify) const {
    return big_to_bytes(max, m_x, out, justify);
}

BigInt& BigInt::operator+=(const BigInt& o) {
    add(m_x, o.m_x, m_x);
    return *this;
}
BigInt& BigInt::operator-=(const BigInt& o) {
    subtract(m_x, o.m_x, m_x);
    return *this;
}
BigInt& BigInt::operator*=(const BigInt& o) {
    multiply(m_x, o.m_x, m_x);
    return *this;
}
BigInt& BigInt::operator/=(const BigInt& o) {
    *this = *this / o;
    return *this;
}
BigInt& BigInt::operator%=(const BigInt& o) {
    *this = *this % o;
    return *this;
}
BigInt& BigInt::operator+=(int n) {
    incr(m_x, n, m_x);
    return *this;
}
BigInt& BigInt::operator-=(int n) {
    decr(m_x, n, m_x);
    return *this;
}
BigInt& BigInt::operator*=(int n) {
    premult(m_x, n, m_x);
    return *this;
}
BigInt& BigInt::operator/=(int n) {
    subdiv(m_x, n, m_x);
    return *this;
}
BigInt& BigInt::operator++() { return *this += 1; }
BigInt& BigInt::operator--() { return *this -= 1; }

BigInt operator-(const BigInt& x) {
    BigInt r(x);
    r.negate();
    return r;
}
BigInt operator+(const BigInt& x, const BigInt& y) {
    BigInt r;
    add(x.get(), y.get(), r.get());
    return r;
}
BigInt operator-(const BigInt& x, const BigInt& y) {
    BigInt r;
    subtract(x.get(), y.get(), r.get());
    return r;
}
BigInt operator*(const BigInt& x, const BigInt& y) {
    BigInt r;
    multiply(x.get(), y.get(), r.get());
    return r;
}
BigInt operator/(const BigInt& x, const BigInt& y) {
    BigInt rem(x), q;
    if (rem.get() == y.get()) {  // only the inert sink can coincide
        return q;
    }
    divide(rem.get(), y.get(), q.get());
    return q;
}
BigInt operator%(const BigInt& x, const BigInt& y) {
    BigInt rem(x), q;
    if (rem.get() == y.get()) return q;
    divide(rem.get(), y.get(), q.get());
    return rem;
}
BigInt operator+(const BigInt& x, int n) {
    BigInt r;
    incr(x.get(), n, r.get());
    return r;
}
BigInt operator+(int n, const BigInt& x) { return x + n; }
BigInt operator-(const BigInt& x, int n) {
    BigInt r;
    decr(x.get(), n, r.get());
    return r;
}
BigInt operator-(int n, const BigInt& x) {
    BigInt r;
    decr(x.get(), n, r.get());
    r.negate();
    return r;
}
BigInt operator*(const BigInt& x, int n) {
    BigInt r;
    premult(x.get(), n, r.get());
    return r;
}
BigInt operator*(int n, const BigInt& x) { return x * n; }
BigInt operator/(const BigInt& x, int n) {
    BigInt r;
    subdiv(x.get(), n, r.get());
    return r;
}
int operator%(const BigInt& x, int n) { return remain(x.get(), n); }

bool operator==(const BigInt& x, const BigInt& y) { return big_compare(x.get(), y.get()) == 0; }
bool operator!=(const BigInt& x, const BigInt& y) { return big_compare(x.get(), y.get()) != 0; }
bool operator<(const BigInt& x, const BigInt& y) { return big_compare(x.get(), y.get()) < 0; }
bool operator>(const BigInt& x, const BigInt& y) { return big_compare(x.get(), y.get()) > 0; }
bool operator<=(const BigInt& x, const BigInt& y) { return big_compare(x.get(), y.get()) <= 0; }
bool operator>=(const BigInt& x, const BigInt& y) { return big_compare(x.get(), y.get()) >= 0; }

BigInt pow(const BigInt& x, int n) {
    BigInt r;
    const int small = big_int_size(x.get());
    if (small > -(1 << 30) && small < (1 << 30)) {
        expint(small, n, r.get());
    } else {
        power(x.get(), n, r.get(), r.get());
    }
    return r;
}

BigInt pow(const BigInt& x, int n, const BigInt& m) {
    BigInt r;
    BigInt mod(m);  // power reduces by its third argument and must not alias w
    power(x.get(), n, mod.get(), r.get());
    return r;
}

BigInt pow(const BigInt& x, const BigInt& y, const BigInt& m) {
    BigInt r;
    powmod(x.get(), y.get(), m.get(), r.get());
    return r;
}

BigInt modmult(const BigInt& x, const BigInt& y, const BigInt& m) {
    BigInt q, r;
    mad(x.get(), y.get(), x.get(), m.get(), q.get(), r.get());
    return r;
}

BigInt inverse(const BigInt& x, const BigInt& m) {
    BigInt r;
    xgcd(x.get(), m.get(), r.get(), r.get(), r.get());
    return r;
}

BigInt sqrt(const BigInt& x) {
    BigInt r;
    nroot(x.get(), 2, r.get());
    return r;
}

BigInt sqrt(const BigInt& x, const BigInt& p) {
    BigInt r;
    sqroot(x.get(), p.get(), r.get());
    return r;
}

BigInt rand(const BigInt& w) {
    BigInt r;
    bigrand(w.get(), r.get());
    return r;
}

int bits(const BigInt& x) { return logb2(x.get()); }
