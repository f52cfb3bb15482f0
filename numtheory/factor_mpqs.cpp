// The multiple-polynomial quadratic sieve (Silverman's variant: A = D^2 with a
// prime D), with the Knuth-Schroeppel multiplier, single large primes and
// incremental elimination over GF(2).
//
// For the polynomial with A = D^2 and B^2 = kN (mod A), t = A x + B gives
// t^2 - kN = A Q(x) with Q(x) = A x^2 + 2 B x + C, so u = t / D (mod kN) has
// u^2 = Q(x) (mod kN). The sieve runs over x in [-M, M) in blocks of 100000 byte
// cells and adds floor(log2 p) for every factor-base prime p at the two roots of
// Q modulo p; cells whose sum reaches the threshold are trial divided. A set of
// relations whose exponent vectors sum to zero over GF(2) gives X^2 = Y^2 (mod N)
// and so, with luck, a factor gcd(X - Y, N).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/kernels.h"
#include "numtheory/factor_internal.h"
#include "numtheory/factor_methods.h"
#include "numtheory/gf2_elimination.h"
#include "numtheory/prime_tables.h"

using factor_detail::Bigs;
using factor_detail::format;

namespace {

constexpr int kBlock = 100000;
constexpr int kMultipliers[] = {1,  3,  5,  7,  11, 13, 15, 17, 19, 21,
                                23, 29, 31, 33, 35, 37, 39, 41, 43, 47};
constexpr int kMaxBits = 330;
/// Spare vectors of the elimination beyond its column count: each further
/// relation gives a dependency, and each dependency splits N with probability
/// at least 1/2.
constexpr int kSpareRelations = 256;

using Words = std::vector<uint32_t>;

Words to_words(const big_rec* x) { return Words(x->w, x->w + big_len(x)); }

void from_words(const Words& w, big x) {
    big_zero(x);
    if (w.empty()) return;
    std::memcpy(x->w, w.data(), w.size() * sizeof(uint32_t));
    x->len = static_cast<uint32_t>(mp_norm_len_raw(x->w, static_cast<int>(w.size())));
}

// a^-1 mod p for 0 < a < p (p prime, so gcd = 1).
uint32_t inverse_mod(uint32_t a, uint32_t p) {
    uint32_t r0 = p, r1 = a;
    int64_t s0 = 0, s1 = 1;
    while (r1 != 0) {
        const uint32_t q = r0 / r1;
        const uint32_t r2 = r0 - q * r1;
        r0 = r1;
        r1 = r2;
        const int64_t s2 = s0 - static_cast<int64_t>(q) * s1;
        s0 = s1;
        s1 = s2;
    }
    return static_cast<uint32_t>(s0 < 0 ? s0 + p : s0);
}

int bits_of(uint64_t v) { return v == 0 ? 0 : 64 - __builtin_clzll(v); }

struct Relation {
    std::vector<std::pair<int, int>> exps;  // (factor-base index, exponent)
    bool negative = false;
    std::vector<Words> us;                  // u values (one, or two for a combined pair)
    uint32_t large = 1;                     // large prime whose square is in the product
};

struct Partial {
    uint32_t large = 0;  // 0 = empty slot
    Relation rel;
};

int decimal_digits(const big_rec* n) {
    engine_instance* e = engine_current();
    char text[2304];
    const int saved = e->io_base;
    e->io_base = 10;
    const int len = cotstr(n, text);
    e->io_base = saved;
    return len;
}

class Mpqs {
   public:
    Mpqs(big n, FactorReport& report) : m_n(n), m_report(report), m_v(16) {}
    int run();

   private:
    int split_small_and_powers();
    bool choose_multiplier();
    void setup_sieve();
    bool next_polynomial();
    int sieve_polynomial();
    void check_cell(int64_t x);
    bool add_full(Relation& rel);
    bool try_dependency(const std::vector<int>& dep);

    big m_n;
    FactorReport& m_report;
    Bigs m_v;

    int m_size = 0;      // factor base size (2 and the odd primes)
    int m_k = 1;
    std::vector<uint32_t> m_cand;  // candidate odd primes
    std::vector<uint32_t> m_fb;    // factor base: index 0 is 2
    std::vector<uint32_t> m_sqrt;  // sqrt(kN) mod p
    std::vector<uint8_t> m_logp;
    std::vector<uint32_t> m_root1, m_root2;  // roots of Q modulo p, as x mod p
    std::vector<int64_t> m_pos1, m_pos2;     // next sieve positions relative to the block
    int64_t m_m = 0;     // half interval M
    int m_threshold = 0;
    uint64_t m_large_bound = 0;
    uint32_t m_pmax = 0;

    std::vector<Partial> m_partials;
    int m_partial_count = 0;
    int m_hash_size = 0;
    std::vector<Relation> m_relations;
    std::unique_ptr<IncrementalGf2> m_matrix;
    std::vector<uint8_t> m_sieve;
    std::vector<uint8_t> m_pattern;   // one period of the smallest primes' sums, repeated
    size_t m_pattern_period = 1;
    size_t m_pattern_primes = 0;
    int m_polys = 0;
    bool m_found = false;
    bool m_found_small = false;
    bool m_stopped = false;

    // Bigs: kN, sqrt(kN), D, B, A, Dinv, temporaries.
    big kn() { return m_v[0]; }
    big root_kn() { return m_v[1]; }
    big d() { return m_v[2]; }
    big b() { return m_v[3]; }
    big a() { return m_v[4]; }
    big dinv() { return m_v[5]; }
    big tmp(int i) { return m_v[6 + i]; }  // 0..9
};

// Factors the sieve could never separate: factor-base-sized primes dividing N
// (the sieve takes them for factor-base primes) and perfect powers (every
// congruence of squares modulo p^j is trivial). Returns 0 to go on sieving,
// kFactorFound when that left N prime, kFactorRefused for a perfect power (its
// root recorded and divided out until N is the root).
int Mpqs::split_small_and_powers() {
    const uint32_t* table = select_prime_table(kPrimes1024K);
    if (table == nullptr) return kFactorNone;
    bool found = false;
    big g = tmp(0);
    for (int i = 1; i <= kPrimes1024K; ++i) {
        const uint32_t p = table[i];
        if (big_len(m_n) == 1 && m_n->w[0] <= p) break;
        while (!(big_len(m_n) == 1 && m_n->w[0] == p) && mp_mod1_raw(m_n->w, big_len(m_n), p) == 0) {
            big_from_uint(p, g);
            if (!factor_detail::split_off(m_n, g, m_report)) break;
            found = true;
        }
    }
    m_found_small = found;
    if (found && (big_len(m_n) == 1 || isprime(m_n))) return kFactorFound;
    for (int j = logb2(m_n); j >= 2; --j) {
        if (!nroot(m_n, j, g)) continue;
        if (big_len(g) == 1 && g->w[0] == 1) continue;
        for (int r = 1; r < j; ++r) factor_detail::split_off(m_n, g, m_report);
        return kFactorRefused;
    }
    return 0;
}

bool Mpqs::choose_multiplier() {
    // Candidate primes: about the 2(size + 100)-th prime from the 1024K table.
    const uint32_t* table = select_prime_table(kPrimes1024K);
    if (table == nullptr) return false;
    const int want = std::min(2 * (m_size + 100), kPrimes1024K - 1);
    m_cand.assign(table + 2, table + 2 + want);  // odd primes

    std::vector<uint32_t> nmod(m_cand.size());
    for (size_t i = 0; i < m_cand.size(); ++i) nmod[i] = mp_mod1_raw(m_n->w, big_len(m_n), m_cand[i]);

    const uint32_t n8 = m_n->w[0] & 7u;
    double best = -1e300;
    for (int k : kMultipliers) {
        const uint32_t kn8 = (static_cast<uint32_t>(k) * n8) & 7u;
        const double w = kn8 == 1 ? 4 : kn8 == 5 ? 2 : 1;
        double score = w * std::log(2.0) / 2 - std::log(static_cast<double>(k)) / 2;
        int taken = 0;
        for (size_t i = 0; i < m_cand.size() && taken < m_size - 1; ++i) {
            const uint32_t p = m_cand[i];
            const uint32_t r = static_cast<uint32_t>((static_cast<uint64_t>(nmod[i]) * static_cast<uint32_t>(k)) % p);
            if (small_jacobi(static_cast<int>(r), static_cast<int>(p)) < 0) continue;
            ++taken;
            const double lp = std::log(static_cast<double>(p));
            score += (k % static_cast<int>(p) == 0) ? lp / p : 2 * lp / (p - 1);
        }
        if (score > best) {
            best = score;
            m_k = k;
        }
    }
    premult(m_n, m_k, kn());
    // The factor base for the winning multiplier.
    m_fb.assign(1, 2);
    for (size_t i = 0; i < m_cand.size() && static_cast<int>(m_fb.size()) < m_size; ++i) {
        const uint32_t p = m_cand[i];
        const uint32_t r = static_cast<uint32_t>((static_cast<uint64_t>(nmod[i]) * static_cast<uint32_t>(m_k)) % p);
        if (small_jacobi(static_cast<int>(r), static_cast<int>(p)) >= 0) m_fb.push_back(p);
    }
    return true;
}

void Mpqs::setup_sieve() {
    const size_t n = m_fb.size();
    m_pmax = m_fb.back();
    m_sqrt.resize(n);
    m_logp.resize(n);
    m_root1.resize(n);
    m_root2.resize(n);
    m_pos1.resize(n);
    m_pos2.resize(n);
    const uint32_t kn8 = kn()->w[0] & 7u;
    for (size_t i = 0; i < n; ++i) {
        const uint32_t p = m_fb[i];
        const uint32_t r = mp_mod1_raw(kn()->w, big_len(kn()), p);
        m_sqrt[i] = p == 2 ? 1 : r == 0 ? 0 : static_cast<uint32_t>(small_sqrt(static_cast<int>(r), static_cast<int>(p)));
        m_logp[i] = static_cast<uint8_t>(bits_of(p) - 1);
    }
    m_logp[0] = static_cast<uint8_t>(1 + (kn8 == 5 ? 1 : kn8 == 1 ? 2 : 0));

    const int blocks = (50 * m_size + kBlock - 1) / kBlock;
    m_m = static_cast<int64_t>(blocks) * kBlock;
    nroot(kn(), 2, root_kn());
    m_threshold = bits_of(static_cast<uint64_t>(m_m / 2)) + logb2(root_kn()) - 2 * (bits_of(m_pmax) - 1);
    m_large_bound = static_cast<uint64_t>(m_size / 50 + 1) * m_pmax;

    // Partial relations: open addressing in the largest prime <= 4 size + 1.
    int h = 4 * m_size + 1;
    auto is_prime_int = [](int v) {
        if (v < 2) return false;
        for (int q = 2; q * q <= v; ++q)
            if (v % q == 0) return false;
        return true;
    };
    while (h > 3 && !is_prime_int(h)) h -= 2;
    m_hash_size = h;
    m_partials.assign(static_cast<size_t>(h), Partial{});

    m_matrix = std::make_unique<IncrementalGf2>(1 + static_cast<int>(n), static_cast<int>(n) + 1 + kSpareRelations);
    m_sieve.resize(kBlock);
    // Primes whose sums go into the repeating pattern: the first ones while the
    // product stays at most 2^16.
    m_pattern_period = 1;
    m_pattern_primes = 0;
    while (m_pattern_primes < n && m_pattern_period * m_fb[m_pattern_primes] <= 65536) {
        m_pattern_period *= m_fb[m_pattern_primes];
        ++m_pattern_primes;
    }
    m_pattern.resize(m_pattern_period + kBlock);

    // D starts near sqrt(sqrt(2 kN) / M), raised to 3 mod 4.
    big t = tmp(0);
    premult(kn(), 2, t);
    nroot(t, 2, t);
    big q = tmp(1);
    big mm = tmp(2);
    big_from_u64(static_cast<uint64_t>(m_m), mm);
    divide(t, mm, q);
    nroot(q, 2, d());
    // D must stay above the factor base, so that A is invertible modulo every
    // factor-base prime (only tiny N get near).
    big_from_uint(m_pmax, t);
    if (big_compare(d(), t) <= 0) big_copy(t, d());
    const int r4 = remain(d(), 4);
    incr(d(), (3 - r4 + 4) % 4, d());
}

bool Mpqs::next_polynomial() {
    big t = tmp(0), u = tmp(1), w = tmp(2), e = tmp(3);
    // D prime, D = 3 mod 4, (kN / D) = 1.
    for (;;) {
        if (m_report.stop_requested()) return false;
        incr(d(), 4, d());
        if (!isprime(d())) continue;
        decr(d(), 1, e);
        subdiv(e, 2, e);
        powmod(kn(), e, d(), t);
        if (big_len(t) == 1 && t->w[0] == 1) break;
    }
    // B1 = kN^((D+1)/4) mod D; lift to a root of kN modulo D^2.
    incr(d(), 1, e);
    subdiv(e, 4, e);
    powmod(kn(), e, d(), t);  // B1
    multiply(t, t, u);
    subtract(kn(), u, u);     // kN - B1^2, divisible by D
    divide(u, d(), w);        // w = (kN - B1^2) / D
    premult(t, 2, u);
    xgcd(u, d(), u, u, u);    // (2 B1)^-1 mod D
    multiply(w, u, w);
    divide(w, d(), e);        // w = w mod D (quotient into e)
    if (big_is_negative(w)) add(w, d(), w);
    multiply(w, d(), w);
    add(t, w, b());           // B
    multiply(d(), d(), a());  // A = D^2
    xgcd(d(), kn(), dinv(), dinv(), dinv());
    ++m_polys;
    return true;
}

int Mpqs::sieve_polynomial() {
    const size_t n = m_fb.size();
    const uint32_t dl = static_cast<uint32_t>(big_len(d()));
    const uint32_t bl = static_cast<uint32_t>(big_len(b()));
    for (size_t i = 0; i < n; ++i) {
        const uint32_t p = m_fb[i];
        const uint64_t dm = mp_mod1_raw(d()->w, static_cast<int>(dl), p);
        const uint32_t am = static_cast<uint32_t>(dm * dm % p);
        const uint32_t bm = mp_mod1_raw(b()->w, static_cast<int>(bl), p);
        const uint64_t ainv = inverse_mod(am, p);
        const uint32_t s = m_sqrt[i];
        const uint64_t r1 = (static_cast<uint64_t>(s + p - bm) % p) * ainv % p;
        const uint64_t r2 = (static_cast<uint64_t>(2 * static_cast<uint64_t>(p) - s - bm) % p) * ainv % p;
        m_root1[i] = static_cast<uint32_t>(r1);
        m_root2[i] = static_cast<uint32_t>(r2);
        const uint64_t mmod = static_cast<uint64_t>(m_m) % p;
        m_pos1[i] = static_cast<int64_t>((r1 + mmod) % p);
        m_pos2[i] = static_cast<int64_t>((r2 + mmod) % p);
    }
    // The smallest primes hit most cells: their sums repeat with the period P
    // (the product of those primes), so one period is sieved into a pattern and
    // each block starts as a copy of it. The cell sums are the same as sieving
    // every prime block by block.
    const size_t period = m_pattern_period;
    uint8_t* pat = m_pattern.data();
    std::memset(pat, 0, period);
    for (size_t i = 0; i < m_pattern_primes; ++i) {
        const size_t p = m_fb[i];
        const uint8_t lg = m_logp[i];
        for (size_t j = static_cast<size_t>(m_pos1[i]); j < period; j += p) pat[j] = static_cast<uint8_t>(pat[j] + lg);
        if (m_root2[i] != m_root1[i])
            for (size_t j = static_cast<size_t>(m_pos2[i]); j < period; j += p) pat[j] = static_cast<uint8_t>(pat[j] + lg);
    }
    for (size_t filled = period; filled < m_pattern.size();) {
        const size_t chunk = std::min(filled, m_pattern.size() - filled);
        std::memcpy(pat + filled, pat, chunk);
        filled += chunk;
    }

    const int blocks = static_cast<int>(2 * m_m / kBlock);
    const uint8_t thr = static_cast<uint8_t>(std::clamp(m_threshold, 0, 255));
    uint8_t* sv = m_sieve.data();
    for (int blk = 0; blk < blocks; ++blk) {
        const size_t offset = static_cast<size_t>(static_cast<uint64_t>(blk) * kBlock % period);
        std::memcpy(sv, pat + offset, kBlock);
        for (size_t i = m_pattern_primes; i < n; ++i) {
            const int64_t p = m_fb[i];
            const uint8_t lg = m_logp[i];
            int64_t j1 = m_pos1[i];
            if (m_root2[i] == m_root1[i]) {
                for (; j1 < kBlock; j1 += p) sv[j1] = static_cast<uint8_t>(sv[j1] + lg);
                m_pos1[i] = j1 - kBlock;
                m_pos2[i] = m_pos1[i];
                continue;
            }
            // Both roots in one pass: the hits alternate between them.
            int64_t j2 = m_pos2[i];
            int64_t lo = std::min(j1, j2), hi = std::max(j1, j2);
            for (; hi < kBlock; lo += p, hi += p) {
                sv[lo] = static_cast<uint8_t>(sv[lo] + lg);
                sv[hi] = static_cast<uint8_t>(sv[hi] + lg);
            }
            if (lo < kBlock) {
                sv[lo] = static_cast<uint8_t>(sv[lo] + lg);
                lo += p;
            }
            m_pos1[i] = lo - kBlock;
            m_pos2[i] = hi - kBlock;
        }
        const int64_t base = static_cast<int64_t>(blk) * kBlock - m_m;
        for (int j = 0; j < kBlock; j += 16) {
            uint8_t mx = 0;
            for (int t = 0; t < 16; ++t) mx = std::max(mx, sv[j + t]);
            if (mx < thr) continue;
            for (int t = 0; t < 16; ++t) {
                if (sv[j + t] < thr) continue;
                check_cell(base + j + t);
                if (m_found) return kFactorFound;
                if (m_matrix->full()) return kFactorNone;
            }
        }
    }
    return 0;
}

void Mpqs::check_cell(int64_t x) {
    big t = tmp(4), v = tmp(5), q = tmp(6);
    // t = A x + B; v = |t^2 - kN| / A = |Q(x)|, negative when t^2 < kN.
    big_from_u64(static_cast<uint64_t>(x < 0 ? -x : x), q);
    if (x < 0) big_negate(q, q);
    multiply(a(), q, t);
    add(t, b(), t);
    multiply(t, t, v);
    subtract(v, kn(), v);
    const bool negative = big_is_negative(v);
    if (negative) big_negate(v, v);
    divide(v, a(), v);
    if (big_is_zero(v)) return;

    Relation rel;
    rel.negative = negative;
    uint32_t rest[16];
    int len = big_len(v);
    if (len > 16) return;
    std::memcpy(rest, v->w, sizeof(uint32_t) * static_cast<size_t>(len));
    bool full = false, partial = false;
    uint32_t large = 1;
    const size_t n = m_fb.size();
    for (size_t i = 0; i < n && !full && !partial; ++i) {
        const uint32_t p = m_fb[i];
        const int64_t xm = ((x % static_cast<int64_t>(p)) + p) % p;
        if (static_cast<uint32_t>(xm) != m_root1[i] && static_cast<uint32_t>(xm) != m_root2[i]) continue;
        int e = 0;
        while (len > 0 && mp_mod1_raw(rest, len, p) == 0) {
            mp_divmod1_raw(rest, rest, len, p);
            len = mp_norm_len_raw(rest, len);
            ++e;
        }
        if (e == 0) continue;
        rel.exps.emplace_back(static_cast<int>(i), e);
        if (len == 1 && rest[0] == 1) {
            full = true;
            break;
        }
        // Below p^2 the rest is 1 or a prime.
        const uint64_t p2 = static_cast<uint64_t>(p) * p;
        if (len > 2 || (len == 2 && (static_cast<uint64_t>(rest[1]) << 32 | rest[0]) >= p2) ||
            (len == 1 && rest[0] >= p2))
            continue;
        const uint64_t r = len == 1 ? rest[0] : (static_cast<uint64_t>(rest[1]) << 32 | rest[0]);
        if (r >= (1u << 30)) return;
        if (r > m_large_bound) return;
        const auto it = std::lower_bound(m_fb.begin() + static_cast<long>(i) + 1, m_fb.end(), static_cast<uint32_t>(r));
        if (it != m_fb.end() && *it == r) {
            rel.exps.emplace_back(static_cast<int>(it - m_fb.begin()), 1);
            full = true;
        } else {
            large = static_cast<uint32_t>(r);
            partial = true;
        }
    }
    if (!full && !partial) return;

    // u = t / D mod kN, made non-negative.
    big u = tmp(7);
    multiply(t, dinv(), u);
    divide(u, kn(), q);
    if (big_is_negative(u)) add(u, kn(), u);
    rel.us.push_back(to_words(u));

    if (full) {
        add_full(rel);
        return;
    }
    // Partial: combine with a held partial of the same large prime, or hold it.
    const int h = m_hash_size;
    int slot = static_cast<int>(large % static_cast<uint32_t>(h));
    const int stepw = h - 2;
    for (int probe = 0; probe < h; ++probe) {
        Partial& pr = m_partials[static_cast<size_t>(slot)];
        if (pr.large == 0) {
            if (m_partial_count < 2 * m_size) {
                pr.large = large;
                pr.rel = std::move(rel);
                ++m_partial_count;
            }
            return;
        }
        if (pr.large == large) {
            Relation both = pr.rel;
            both.negative = both.negative != rel.negative;
            for (const auto& pe : rel.exps) both.exps.push_back(pe);
            both.us.push_back(rel.us[0]);
            both.large = large;
            add_full(both);
            return;
        }
        slot = (slot + stepw) % h;
    }
}

bool Mpqs::add_full(Relation& rel) {
    std::vector<int> ones;
    if (rel.negative) ones.push_back(0);
    for (const auto& pe : rel.exps)
        if (pe.second & 1) ones.push_back(1 + pe.first);
    std::vector<int> dep;
    m_relations.push_back(std::move(rel));
    if (!m_matrix->add(ones, dep)) return false;
    if (try_dependency(dep)) {
        m_found = true;
        return true;
    }
    m_report.set_status(format("working...%d\r\n", m_matrix->pivot_rows()), kStatusMpqs);
    return false;
}

bool Mpqs::try_dependency(const std::vector<int>& dep) {
    big x = tmp(0), y = tmp(1), t = tmp(2), q = tmp(3), g = tmp(8);
    std::vector<uint32_t> total(m_fb.size(), 0);
    big_from_int(1, x);
    big_from_int(1, y);
    auto mulmod = [&](big acc, const big_rec* f) {
        multiply(acc, f, acc);
        divide(acc, m_n, q);
    };
    for (int r : dep) {
        const Relation& rel = m_relations[static_cast<size_t>(r)];
        for (const Words& w : rel.us) {
            from_words(w, t);
            mulmod(x, t);
        }
        if (rel.large != 1) {
            big_from_uint(rel.large, t);
            mulmod(y, t);
        }
        for (const auto& pe : rel.exps) total[static_cast<size_t>(pe.first)] += static_cast<uint32_t>(pe.second);
    }
    for (size_t i = 0; i < total.size(); ++i) {
        uint32_t e = total[i] / 2;
        while (e > 0) {
            uint64_t f = 1;
            while (e > 0 && f * m_fb[i] < (1u << 30)) {
                f *= m_fb[i];
                --e;
            }
            big_from_uint(static_cast<uint32_t>(f), t);
            mulmod(y, t);
        }
    }
    subtract(x, y, t);
    if (big_is_negative(t)) add(t, m_n, t);
    egcd(t, m_n, g);
    if (factor_detail::is_trivial_divisor(g, m_n) || big_is_zero(g)) return false;
    return factor_detail::split_off(m_n, g, m_report);
}

int Mpqs::run() {
    if (!m_v.ok()) return kFactorNone;
    const int pre = split_small_and_powers();
    if (pre != 0) return pre;
    const int digits = decimal_digits(m_n);
    m_size = digits <= 9 ? digits : digits <= 20 ? 25 : digits * digits * digits * digits / 4096;
    if (m_size < 2) m_size = 2;
    if (!choose_multiplier()) return kFactorNone;
    if (nroot(kn(), 2, tmp(0))) {
        factor_detail::split_off(m_n, tmp(0), m_report);
        return kFactorRefused;
    }
    m_report.set_status(format("QS Method,\r\nK=%d.\r\nFactor Base=%d.\r\n", m_k, m_size), kStatusMpqs);
    setup_sieve();
    for (;;) {
        if (!next_polynomial()) return kFactorStopped;
        m_report.set_status(format("Multiple Polynomial Quadratic Sieve, try poly=%d\r\n", m_polys), kStatusMpqs);
        if (m_report.stop_requested()) return kFactorStopped;
        const int r = sieve_polynomial();
        if (r == kFactorFound) return kFactorFound;
        if (r == kFactorNone) return m_found_small ? kFactorFound : kFactorNone;
    }
}

}  // namespace

int factor_mpqs(big n, FactorReport& report) {
    if (isprime(n)) return kFactorPrime;
    if (logb2(n) > kMaxBits) return kFactorRefused;
    Mpqs q(n, report);
    return q.run();
}
