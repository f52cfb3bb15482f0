// prepare_basis: validation, the irreducibility test and the data derived from
// the basis (bit pattern, sqrt(x), trace mask).
#include "engine/gf2m.h"
#include "engine/gf2m_kernels.h"
#include "engine/internal.h"

namespace {

// a = a mod b for b != 0 (degrees da, db known); returns the new degree of a.
int poly_mod(uint64_t* a, int da, const uint64_t* b, int db) {
    const int bw = db / 64 + 1;
    while (da >= db) {
        const int j = da - db;
        const int w = j >> 6, s = j & 63;
        if (s == 0) {
            for (int i = 0; i < bw; ++i) a[i + w] ^= b[i];
        } else {
            uint64_t carry = 0;
            for (int i = 0; i < bw; ++i) {
                a[i + w] ^= (b[i] << s) | carry;
                carry = b[i] >> (64 - s);
            }
            a[bw + w] ^= carry;
        }
        int top = da / 64;
        while (top >= 0 && a[top] == 0) --top;
        if (top < 0) return -1;
        da = 64 * top + 63 - __builtin_clzll(a[top]);
    }
    return da;
}

// Degree of gcd(a, b) by Euclid's algorithm on bit strings; a and b are
// overwritten. Both have `cap` words of room.
int poly_gcd_degree(uint64_t* a, uint64_t* b, int cap) {
    int da = gf2_degree_raw(a, cap), db = gf2_degree_raw(b, cap);
    if (da < db) {
        std::swap(a, b);
        std::swap(da, db);
    }
    while (db >= 0) {
        da = poly_mod(a, da, b, db);
        std::swap(a, b);
        std::swap(da, db);
    }
    return da;
}

// Ben-Or: f of degree m is irreducible when gcd(x^(2^i) - x, f) = 1 for every
// i = 1..m/2 (a factor of degree d <= m/2 divides x^(2^d) - x).
bool is_irreducible(const gf2_field_raw* f) {
    const int n = f->words;
    const int cap = n + 3;
    uint64_t u[kGf2MaxWords] = {};
    uint64_t a[kGf2MaxWords + 3], g[kGf2MaxWords + 3];
    u[0] = 2;  // x (m >= 2)
    for (int i = 1; i <= f->m / 2; ++i) {
        gf2_sqrmod_raw(f, u, u);
        gf2_zero_raw(a, cap);
        gf2_zero_raw(g, cap);
        gf2_copy_raw(a, u, n);
        a[0] ^= 2;
        g[f->m >> 6] |= 1ull << (f->m & 63);
        for (int k = 0; k < f->count; ++k) g[f->exps[k] >> 6] ^= 1ull << (f->exps[k] & 63);
        if (poly_gcd_degree(g, a, cap) != 0) return false;
        if ((i & 63) == 0) engine_checkpoint();
    }
    return true;
}

// Tr(x^k) for k < m from Newton's identities: with f = x^m + sum c_j x^j the
// power sums p_k of the roots satisfy p_k = sum_{j=1}^{k-1} c_{m-j} p_{k-j}
// + k c_{m-k} in characteristic 2, and p_0 = m mod 2.
void make_trace_mask(const gf2_field_raw* f, uint64_t* mask) {
    gf2_zero_raw(mask, kGf2MaxWords);
    const int m = f->m;
    // p[k] for k < m, packed bits.
    auto bit = [&](int k) { return static_cast<int>((mask[k >> 6] >> (k & 63)) & 1); };
    if (m & 1) mask[0] |= 1;
    for (int k = 1; k < m; ++k) {
        int p = 0;
        for (int t = 0; t < f->count; ++t) {
            const int j = m - f->exps[t];
            if (j < k) p ^= bit(k - j);
            else if (j == k) p ^= k & 1;
        }
        if (p) mask[k >> 6] |= 1ull << (k & 63);
    }
}

void clear_basis(engine_instance* e) {
    e->basis_m = e->basis_a = e->basis_b = e->basis_c = 0;
    e->gf2_basis_checked = false;
}

void store_pattern(engine_instance* e, const gf2_field_raw* f) {
    uint64_t p[kGf2MaxWords + 1] = {};
    p[f->m >> 6] |= 1ull << (f->m & 63);
    for (int k = 0; k < f->count; ++k) p[f->exps[k] >> 6] ^= 1ull << (f->exps[k] & 63);
    gf2_store_raw(p, f->m / 64 + 1, e->modulus);
    // The modulus no longer holds an odd modulus with Montgomery constants.
    e->mont_ndash = 0;
}

}  // namespace

bool prepare_basis(int m, int a, int b, int c, bool check) {
    TraceScope trace(ID_PREPARE_BASIS);
    if (!trace.ok()) return false;
    engine_instance* e = trace.instance();
    if (b == 0) c = 0;
    if (m > 0 && m == e->basis_m && a == e->basis_a && b == e->basis_b && c == e->basis_c &&
        (!check || e->gf2_basis_checked)) {
        gf2_field_raw f;
        gf2_field_describe(&f, m, a, b, c);
        store_pattern(e, &f);
        return true;
    }
    if (m <= 0 || a <= 0 || a >= m || b < 0 || b >= a || c < 0 || c >= m) {
        clear_basis(e);
        report_error(19);
        return false;
    }
    if (e->precision_words < m / 32 + 1 || (m + 63) / 64 > kGf2MaxWords) {
        clear_basis(e);
        report_error(3);
        return false;
    }
    gf2_field_raw f;
    gf2_field_describe(&f, m, a, b, c);
    if (check && !is_irreducible(&f)) {
        clear_basis(e);
        report_error(24);
        return false;
    }
    e->basis_m = m;
    e->basis_a = a;
    e->basis_b = b;
    e->basis_c = c;
    e->gf2_basis_checked = check;
    store_pattern(e, &f);

    // sqrt(x) = x^(2^(m-1)).
    uint64_t s[kGf2MaxWords] = {};
    s[0] = 2;
    for (int i = 1; i < m; ++i) gf2_sqrmod_raw(&f, s, s);
    gf2_zero_raw(e->gf2_sqrt_x, kGf2MaxWords);
    gf2_copy_raw(e->gf2_sqrt_x, s, f.words);
    make_trace_mask(&f, e->gf2_trace_mask);
    return true;
}
