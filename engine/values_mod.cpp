// ModInt: residues modulo the current modulus in Montgomery form.
#include <cstring>
#include <utility>

#include "engine/internal.h"
#include "engine/kernels.h"
#include "engine/modular.h"
#include "engine/mont_kernels.h"
#include "engine/values.h"

using engine_detail::big_alloc_value;
using engine_detail::big_free_value;

ModInt::ModInt() : m_x(big_alloc_value(0)) {}
ModInt::ModInt(int v) : m_x(big_alloc_value(0)) {
    if (v == 0) return;
    big_from_int(v, m_x);
    nres(m_x, m_x);
}
ModInt::ModInt(const BigInt& x) : m_x(big_alloc_value(0)) { nres(x.get(), m_x); }
ModInt::ModInt(const ModInt& o) : m_x(big_alloc_value(0)) { big_copy(o.m_x, m_x); }
ModInt::ModInt(ModInt&& o) noexcept : m_x(big_alloc_value(0)) { std::swap(m_x, o.m_x); }
ModInt::~ModInt() { big_free_value(m_x); }

ModInt& ModInt::operator=(const ModInt& o) {
    big_copy(o.m_x, m_x);
    return *this;
}
ModInt& ModInt::operator=(ModInt&& o) noexcept {
    std::swap(m_x, o.m_x);
    return *this;
}
ModInt& ModInt::operator=(int v) {
    big_from_int(v, m_x);
    if (v != 0) nres(m_x, m_x);
    return *this;
}

BigInt ModInt::to_big() const {
    BigInt r;
    redc(m_x, r.get());
    return r;
}

bool ModInt::is_one() const {
    const engine_instance* e = engine_current();
    if (e == nullptr || big_is_zero(e->modulus) || big_is_zero(m_x)) return false;
    const engine_detail::MontParams& p = *e->mont_params;
    if (big_len(m_x) > p.words || big_is_negative(m_x)) return false;
    uint32_t one[engine_detail::kMontMaxWords + 2];
    std::memcpy(one, p.one, sizeof(uint32_t) * static_cast<size_t>(p.words));
    const int n = mp_norm_len_raw(one, p.words);
    return mp_cmp_raw(m_x->w, big_len(m_x), one, n) == 0;
}

ModInt& ModInt::operator+=(const ModInt& o) {
    nres_modadd(m_x, o.m_x, m_x);
    return *this;
}
ModInt& ModInt::operator-=(const ModInt& o) {
    nres_modsub(m_x, o.m_x, m_x);
    return *this;
}
ModInt& ModInt::operator*=(const ModInt& o) {
    nres_modmult(m_x, o.m_x, m_x);
    return *this;
}
ModInt& ModInt::operator/=(const ModInt& o) {
    *this = *this / o;
    return *this;
}
ModInt& ModInt::operator*=(int k) {
    nres_premult(m_x, k, m_x);
    return *this;
}

ModInt operator-(const ModInt& x) {
    ModInt r;
    nres_negate(x.get(), r.get());
    return r;
}
ModInt operator+(const ModInt& x, const ModInt& y) {
    ModInt r;
    nres_modadd(x.get(), y.get(), r.get());
    return r;
}
ModInt operator-(const ModInt& x, const ModInt& y) {
    ModInt r;
    nres_modsub(x.get(), y.get(), r.get());
    return r;
}
ModInt operator*(const ModInt& x, const ModInt& y) {
    ModInt r;
    nres_modmult(x.get(), y.get(), r.get());
    return r;
}
ModInt operator/(const ModInt& x, const ModInt& y) {
    ModInt r;
    if (x.get() == y.get()) {  // nres_moddiv refuses aliased operands
        ModInt c(y);
        nres_moddiv(x.get(), c.get(), r.get());
    } else {
        nres_moddiv(x.get(), y.get(), r.get());
    }
    return r;
}
ModInt operator+(const ModInt& x, int n) { return x + ModInt(n); }
ModInt operator+(int n, const ModInt& x) { return ModInt(n) + x; }
ModInt operator-(const ModInt& x, int n) { return x - ModInt(n); }
ModInt operator-(int n, const ModInt& x) { return ModInt(n) - x; }
ModInt operator*(const ModInt& x, int k) {
    ModInt r;
    nres_premult(x.get(), k, r.get());
    return r;
}
ModInt operator*(int k, const ModInt& x) { return x * k; }
ModInt operator/(const ModInt& x, int n) { return x / ModInt(n); }
bool operator==(const ModInt& x, const ModInt& y) { return big_compare(x.get(), y.get()) == 0; }
bool operator!=(const ModInt& x, const ModInt& y) { return big_compare(x.get(), y.get()) != 0; }

ModInt pow(const ModInt& x, int e) { return pow(x, BigInt(e)); }

ModInt pow(const ModInt& x, const BigInt& e) {
    ModInt r;
    nres_powmod(x.get(), e.get(), r.get());
    return r;
}

ModInt sqrt(const ModInt& x) {
    ModInt r;
    nres_sqroot(x.get(), r.get());
    return r;
}

bool sqrt(const ModInt& x, ModInt& root) { return nres_sqroot(x.get(), root.get()); }
