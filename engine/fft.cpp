// Transform tables, transforms and Chinese remaindering of polynomial products.
#include "engine/fft.h"

#include <cmath>
#include <cstring>
#include <new>

#include "engine/internal.h"
#include "engine/kernels.h"
#include "engine/modular.h"

namespace engine_detail {

namespace {

__extension__ typedef unsigned __int128 u128;

constexpr int kMaxLogN = 24;
constexpr int kPow32Words = kMontMaxWords + 2;

uint32_t pow_mod32(uint64_t a, uint64_t e, uint32_t m) {
    uint64_t r = 1 % m;
    a %= m;
    while (e != 0) {
        if (e & 1) r = r * a % m;
        a = a * a % m;
        e >>= 1;
    }
    return static_cast<uint32_t>(r);
}

// Deterministic Miller-Rabin for n < 2^32 (bases 2, 7, 61).
bool is_prime32(uint32_t n) {
    if (n < 2) return false;
    for (uint32_t q : {2u, 3u, 5u, 7u, 11u, 13u, 61u})
        if (n % q == 0) return n == q;
    uint32_t d = n - 1;
    int s = 0;
    while ((d & 1) == 0) {
        d >>= 1;
        ++s;
    }
    for (uint32_t a : {2u, 7u, 61u}) {
        uint64_t x = pow_mod32(a, d, n);
        if (x == 1 || x == n - 1) continue;
        bool pass = false;
        for (int r = 1; r < s && !pass; ++r) {
            x = x * x % n;
            pass = x == n - 1;
        }
        if (!pass) return false;
    }
    return true;
}

uint32_t shoup_quotient(uint32_t w, uint32_t f) {
    return static_cast<uint32_t>((static_cast<uint64_t>(w) << 32) / f);
}

#define FFT_INLINE inline __attribute__((always_inline))

bool have_avx2() {
#if defined(__x86_64__) && defined(__GNUC__)
    static const bool yes = __builtin_cpu_supports("avx2");
    return yes;
#else
    return false;
#endif
}

// a*w mod f in [0, 2f) for any a < 2^32 (w < f, wq its Shoup quotient).
inline uint32_t mul_shoup(uint32_t a, uint32_t w, uint32_t wq, uint32_t f) {
    const uint32_t q = static_cast<uint32_t>((static_cast<uint64_t>(a) * wq) >> 32);
    return a * w - q * f;
}

// x mod f in [0, 2f) for any 64-bit x.
inline uint64_t barrett(uint64_t x, const FftPrime& P) {
    const uint64_t q = static_cast<uint64_t>((static_cast<u128>(x) * P.barrett) >> 64);
    return x - q * P.f;
}

// The product of the first `count` primes is at least B (given as words)?
// Returns the number of primes taken until B / (f_0 ... f_(j-1)) reaches 0, or
// -1 when `count` primes do not suffice.
int primes_needed(const std::vector<FftPrime>& primes, int count, uint32_t* b, int bn) {
    int j = 0;
    while (bn > 0) {
        if (j >= count) return -1;
        mp_divmod1_raw(b, b, bn, primes[static_cast<size_t>(j)].f);
        bn = mp_norm_len_raw(b, bn);
        ++j;
    }
    return j;
}

// B = bound1 * bound2 * (2N + 1) as words; returns its word count (0 for a
// non-positive bound).
int product_bound(const big_rec* b1, const big_rec* b2, int log_n, uint32_t* out) {
    if (big_is_zero(b1) || big_is_zero(b2) || big_is_negative(b1) || big_is_negative(b2) ||
        big_is_fraction(b1) || big_is_fraction(b2))
        return 0;
    const int n1 = big_len(b1), n2 = big_len(b2);
    mp_mul_raw(out, b1->w, n1, b2->w, n2);
    int n = n1 + n2;
    const uint32_t c = mp_mul1_raw(out, out, n, (2u << log_n) + 1u);
    out[n++] = c;
    return mp_norm_len_raw(out, n);
}

// Word primes for transforms up to 2^log_n, taken downward from 2^30: the
// candidates (c - j)*N + 1 with c = 2^(30 - log_n), each accepted when
// 2^(f-1) = 1 mod f and it is prime (a base-2 pseudoprime would have no root
// table). Taken until their product exceeds the bound b (bn words, destroyed)
// and at least min_count are held. Empty when the candidates run out.
std::vector<uint32_t> find_primes(int log_n, uint32_t* b, int bn, int min_count) {
    const uint64_t n = uint64_t{1} << log_n;
    const uint64_t c = uint64_t{1} << (30 - log_n);
    std::vector<uint32_t> found;
    for (uint64_t j = 1; j < c; ++j) {
        if (bn == 0 && static_cast<int>(found.size()) >= min_count) return found;
        const uint64_t f = (c - j) * n + 1;
        if (pow_mod32(2, f - 1, static_cast<uint32_t>(f)) != 1) continue;
        if (!is_prime32(static_cast<uint32_t>(f))) continue;
        found.push_back(static_cast<uint32_t>(f));
        if (bn > 0) {
            mp_divmod1_raw(b, b, bn, static_cast<uint32_t>(f));
            bn = mp_norm_len_raw(b, bn);
        }
    }
    if (bn == 0 && static_cast<int>(found.size()) >= min_count) return found;
    return {};
}

// Builds the tables for transforms up to 2^log_n over the given primes: roots
// of unity, twiddles with their Shoup quotients, powers of 2^32.
void build_tables(FftTables* t, int log_n, const std::vector<uint32_t>& found) {
    const uint64_t n = uint64_t{1} << log_n;
    const int count = static_cast<int>(found.size());
    const size_t per_prime = 4 * n + kPow32Words;
    WipedVector<uint32_t> storage(per_prime * static_cast<size_t>(count));
    std::vector<FftPrime> primes(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        FftPrime& P = primes[static_cast<size_t>(i)];
        const uint32_t f = found[static_cast<size_t>(i)];
        P.f = f;
        uint32_t inv = 1;  // f^-1 mod 2^32 by Newton's iteration
        for (int r = 0; r < 5; ++r) inv *= 2u - f * inv;
        P.mont = 0u - inv;
        P.barrett = ~uint64_t{0} / f;
        P.r64 = static_cast<uint64_t>((u128{1} << 64) % f);
        P.inv = 1.0 / static_cast<double>(f);
        uint32_t* base = storage.data() + per_prime * static_cast<size_t>(i);
        P.tw = base;
        P.twq = base + n;
        P.itw = base + 2 * n;
        P.itwq = base + 3 * n;
        P.pow32 = base + 4 * n;
        // A primitive N-th root of unity from -1 by log_n - 1 square roots (a
        // square root of an element of order 2^s has order 2^(s+1)).
        int w = static_cast<int>(f - 1);
        for (int s = 1; s < log_n; ++s) w = small_sqrt(w, static_cast<int>(f));
        const uint64_t root = static_cast<uint32_t>(w);
        const uint64_t iroot = static_cast<uint32_t>(small_inverse(w, static_cast<int>(f)));
        // Top level m = N/2 holds w^j; each lower level takes every other entry.
        const uint64_t half = n / 2;
        uint64_t a = 1, b = 1;
        for (uint64_t j = 0; j < half; ++j) {
            P.tw[half + j] = static_cast<uint32_t>(a);
            P.itw[half + j] = static_cast<uint32_t>(b);
            a = a * root % f;
            b = b * iroot % f;
        }
        for (uint64_t m = half / 2; m >= 1; m /= 2)
            for (uint64_t j = 0; j < m; ++j) {
                P.tw[m + j] = P.tw[2 * m + 2 * j];
                P.itw[m + j] = P.itw[2 * m + 2 * j];
            }
        for (uint64_t j = 1; j < n; ++j) {
            P.twq[j] = shoup_quotient(P.tw[j], f);
            P.itwq[j] = shoup_quotient(P.itw[j], f);
        }
        uint64_t pw = 1;
        for (int j = 0; j < kPow32Words; ++j) {
            P.pow32[j] = static_cast<uint32_t>(pw);
            pw = (pw << 32) % f;
        }
    }
    static std::atomic<uint64_t> s_generation{0};
    t->storage.swap(storage);
    t->primes.swap(primes);
    t->log_n = log_n;
    t->count = count;
    t->generation = ++s_generation;
    t->crt.log_n = -1;  // the reduction constants refer to the old primes
    for (auto& w : t->work) WipedVector<uint32_t>().swap(w);
}

FftTables* tables_of(engine_instance* e) {
    if (e->fft_tables == nullptr) e->fft_tables = new (std::nothrow) FftTables();
    return e->fft_tables;
}

// Ensures tables for 2^log_n with enough primes for the bound b (bn words,
// destroyed); returns the number k of primes the product uses, or 0.
int prepare_words(engine_instance* e, int log_n, uint32_t* b, int bn) {
    FftTables* t = tables_of(e);
    if (t == nullptr) {
        report_error(8);
        return 0;
    }
    if (t->count > 0 && log_n <= t->log_n) {
        std::vector<uint32_t> copy(b, b + bn);
        const int k = primes_needed(t->primes, t->count, copy.data(), bn);
        if (k > 0) return k;
    }
    // Rebuild for the larger of the two lengths, keeping at least as many primes
    // as before so that earlier requests stay served.
    const int target = log_n > t->log_n ? log_n : t->log_n;
    std::vector<uint32_t> copy(b, b + bn);
    std::vector<uint32_t> primes = find_primes(target, copy.data(), bn, 0);
    if (primes.empty()) return 0;
    const int k = static_cast<int>(primes.size());
    if (k < t->count) {
        copy.assign(b, b + bn);
        primes = find_primes(target, copy.data(), bn, t->count);
        if (primes.empty()) return 0;
    }
    build_tables(t, target, primes);
    return k;
}

// Reduction constants of the plan for the modulus p.
void ensure_crt(const FftPlan& plan, const MontParams& p) {
    FftCrt& c = plan.t->crt;
    const int L = p.limbs;
    if (c.log_n == plan.log_n && c.k == plan.k && c.limbs == L && c.ninv == p.ninv &&
        std::memcmp(c.p, p.n, sizeof(u64) * static_cast<size_t>(L)) == 0)
        return;
    const int k = plan.k;
    c.scale.assign(static_cast<size_t>(k), 0);
    c.scaleq.assign(static_cast<size_t>(k), 0);
    c.weight.assign(static_cast<size_t>(k) * static_cast<size_t>(L), 0);
    c.offset.assign(static_cast<size_t>(k + 1) * static_cast<size_t>(L), 0);
    const auto& primes = plan.t->primes;
    for (int i = 0; i < k; ++i) {
        const uint32_t f = primes[static_cast<size_t>(i)].f;
        // (M/f_i) mod f_i, then the scale (M/f_i)^-1 * N^-1 * 2^32.
        uint64_t mi = 1;
        for (int j = 0; j < k; ++j)
            if (j != i) mi = mi * (primes[static_cast<size_t>(j)].f % f) % f;
        const uint64_t inv_mi = static_cast<uint64_t>(small_inverse(static_cast<int>(mi), static_cast<int>(f)));
        const uint64_t inv_n = static_cast<uint64_t>(small_inverse(1 << plan.log_n, static_cast<int>(f)));
        const uint64_t two32 = (uint64_t{1} << 32) % f;
        const uint32_t s = static_cast<uint32_t>(inv_mi * inv_n % f * two32 % f);
        c.scale[static_cast<size_t>(i)] = s;
        c.scaleq[static_cast<size_t>(i)] = shoup_quotient(s, f);
        // Weight (M/f_i) R^-1 mod p: the product by words, then one REDC.
        u64 acc[kMontMaxLimbs] = {};
        acc[0] = 1;
        for (int j = 0; j < k; ++j)
            if (j != i) mont_mul_word_raw(p, acc, acc, primes[static_cast<size_t>(j)].f);
        u64 wide[2 * kMontMaxLimbs] = {};
        std::memcpy(wide, acc, sizeof(u64) * static_cast<size_t>(L));
        mont_redc_raw(p, c.weight.data() + static_cast<size_t>(i) * L, wide);
    }
    // Offsets -t M R^-1 mod p for t = 0..k.
    u64 m[kMontMaxLimbs] = {};
    m[0] = 1;
    for (int j = 0; j < k; ++j) mont_mul_word_raw(p, m, m, primes[static_cast<size_t>(j)].f);
    u64 wide[2 * kMontMaxLimbs] = {};
    std::memcpy(wide, m, sizeof(u64) * static_cast<size_t>(L));
    u64 mr[kMontMaxLimbs];
    mont_redc_raw(p, mr, wide);
    for (int t = 1; t <= k; ++t)
        mont_sub_raw(p, c.offset.data() + static_cast<size_t>(t) * L,
                     c.offset.data() + static_cast<size_t>(t - 1) * L, mr);
    // Leading bits of p: ptop = p / 2^pshift as a double with 64 significant bits.
    int top = L - 1;
    while (top > 0 && p.n[top] == 0) --top;
    const int pbits = 64 * top + (64 - __builtin_clzll(p.n[top]));
    c.pshift = pbits > 64 ? pbits - 64 : 0;
    u64 lead = 0;
    {
        const int limb = c.pshift / 64, bit = c.pshift % 64;
        lead = p.n[limb] >> bit;
        if (bit != 0 && limb + 1 < L) lead |= p.n[limb + 1] << (64 - bit);
    }
    c.ptop = static_cast<double>(lead);
    std::memcpy(c.p, p.n, sizeof(u64) * static_cast<size_t>(L));
    c.ninv = p.ninv;
    c.limbs = L;
    c.k = k;
    c.log_n = plan.log_n;
}

// v (L + 1 limbs, below 2^40 p) -> v mod p in out (L limbs).
void reduce_small_multiple(const FftCrt& c, const MontParams& p, u64* v, u64* out) {
    const int L = p.limbs;
    // Estimate q = floor(v / p) from the leading bits, from below, then correct.
    // v < 2^40 p, so v / 2^pshift < 2^104 comes from three limbs.
    const int limb = c.pshift / 64, bit = c.pshift % 64;
    auto at = [&](int j) -> u64 { return j <= L ? v[j] : 0; };
    u128 lead = (static_cast<u128>(at(limb + 1)) << 64) | at(limb);
    if (bit != 0) {
        lead >>= bit;
        lead |= static_cast<u128>(at(limb + 2)) << (128 - bit);
    }
    const double qd = (static_cast<double>(static_cast<u64>(lead >> 64)) * 18446744073709551616.0 +
                       static_cast<double>(static_cast<u64>(lead))) / c.ptop;
    uint64_t q = qd >= 1.0 ? static_cast<uint64_t>(qd) - 1 : 0;
    if (q != 0) {
        u64 borrow = 0, carry = 0;
        for (int j = 0; j < L; ++j) {
            const u128 prod = static_cast<u128>(p.n[j]) * q + carry;
            carry = static_cast<u64>(prod >> 64);
            const u64 lo = static_cast<u64>(prod);
            const u64 d = v[j] - lo;
            const u64 b1 = v[j] < lo;
            v[j] = d - borrow;
            borrow = b1 | (d < borrow);
        }
        v[L] = v[L] - carry - borrow;
    }
    for (;;) {  // at most a few subtractions of p remain
        bool ge = v[L] != 0;
        if (!ge) {
            ge = true;
            for (int j = L - 1; j >= 0; --j)
                if (v[j] != p.n[j]) {
                    ge = v[j] > p.n[j];
                    break;
                }
        }
        if (!ge) break;
        u64 borrow = 0;
        for (int j = 0; j < L; ++j) {
            const u64 d = v[j] - p.n[j];
            const u64 b1 = v[j] < p.n[j];
            v[j] = d - borrow;
            borrow = b1 | (d < borrow);
        }
        v[L] -= borrow;
    }
    std::memcpy(out, v, sizeof(u64) * static_cast<size_t>(L));
}

// The weighted residues y_i = x_i * scale_i mod f_i in [0, f_i) of `count`
// coefficients (rows of the plan's stride, from `from`) into y (k rows of
// count), and t_j = round(sum y_i / f_i) into t. With `b`, x is the difference
// a - b of two transforms.
FFT_INLINE void crt_prepare(const FftPlan& plan, const uint32_t* a, const uint32_t* b, size_t from,
                            int count, uint32_t* y, int32_t* t, double* s) {
    const FftCrt& c = plan.t->crt;
    const size_t n = plan.n(), cnt = static_cast<size_t>(count);
    for (size_t j = 0; j < cnt; ++j) s[j] = 0.5;
    for (int i = 0; i < plan.k; ++i) {
        const FftPrime& P = plan.t->primes[static_cast<size_t>(i)];
        const uint32_t f = P.f, f2 = 2 * f;
        const uint32_t w = c.scale[static_cast<size_t>(i)], wq = c.scaleq[static_cast<size_t>(i)];
        const double inv = P.inv;
        const uint32_t* x = a + static_cast<size_t>(i) * n + from;
        const uint32_t* z = b != nullptr ? b + static_cast<size_t>(i) * n + from : nullptr;
        uint32_t* yi = y + static_cast<size_t>(i) * cnt;
        for (size_t j = 0; j < cnt; ++j) {
            uint32_t v = x[j];
            if (z != nullptr) {
                uint32_t u = z[j];
                v -= v >= f2 ? f2 : 0;
                u -= u >= f2 ? f2 : 0;
                v = v - u + f2;
            }
            uint32_t r = mul_shoup(v, w, wq, f);
            r -= r >= f ? f : 0;
            yi[j] = r;
            s[j] += static_cast<double>(r) * inv;
        }
    }
    for (size_t j = 0; j < cnt; ++j) t[j] = static_cast<int32_t>(s[j]);
}

// out_j = sum y_ij * weight_i + offset[t_j] mod p.
void crt_combine(const FftPlan& plan, const MontParams& p, const uint32_t* y, const int32_t* t,
                 int count, u64* out) {
    const FftCrt& c = plan.t->crt;
    const int k = plan.k, L = p.limbs;
    const size_t cnt = static_cast<size_t>(count);
    for (size_t j = 0; j < cnt; ++j) {
        // Column sums without carries (each below k * 2^94, far inside 128
        // bits), then one carry pass that also adds the offset.
        u128 col[kMontMaxLimbs] = {};
        for (int i = 0; i < k; ++i) {
            const u64 yi = y[static_cast<size_t>(i) * cnt + j];
            const u64* wgt = c.weight.data() + static_cast<size_t>(i) * L;
            for (int l = 0; l < L; ++l) col[l] += static_cast<u128>(wgt[l]) * yi;
        }
        const u64* off = c.offset.data() + static_cast<size_t>(t[j]) * L;
        u64 acc[kMontMaxLimbs + 1];
        u128 carry = 0;
        for (int l = 0; l < L; ++l) {
            carry += col[l] + off[l];
            acc[l] = static_cast<u64>(carry);
            carry >>= 64;
        }
        acc[L] = static_cast<u64>(carry);
        reduce_small_multiple(c, p, acc, out + j * static_cast<size_t>(L));
    }
}

void crt_prepare_base(const FftPlan& plan, const uint32_t* a, const uint32_t* b, size_t from,
                      int count, uint32_t* y, int32_t* t, double* s) {
    crt_prepare(plan, a, b, from, count, y, t, s);
}
#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) void crt_prepare_avx2(const FftPlan& plan, const uint32_t* a,
                                                      const uint32_t* b, size_t from, int count,
                                                      uint32_t* y, int32_t* t, double* s) {
    crt_prepare(plan, a, b, from, count, y, t, s);
}
#else
#define crt_prepare_avx2 crt_prepare_base
#endif

// Combines coefficients from .. from + count - 1 of a (minus b) in chunks that
// keep the scratch small.
void crt_store(const FftPlan& plan, const MontParams& p, const uint32_t* a, const uint32_t* b,
               size_t from, int count, u64* out) {
    ensure_crt(plan, p);
    constexpr int kChunk = 256;
    const int k = plan.k;
    WipedVector<uint32_t>& scratch = plan.t->crt_scratch;
    if (scratch.size() < static_cast<size_t>(k) * kChunk) scratch.resize(static_cast<size_t>(k) * kChunk);
    int32_t t[kChunk];
    double s[kChunk];
    auto* prepare = have_avx2() ? crt_prepare_avx2 : crt_prepare_base;
    for (int done = 0; done < count; done += kChunk) {
        const int cnt = count - done < kChunk ? count - done : kChunk;
        prepare(plan, a, b, from + static_cast<size_t>(done), cnt, scratch.data(), t, s);
        crt_combine(plan, p, scratch.data(), t, cnt, out + static_cast<size_t>(done) * p.limbs);
    }
}

template <bool Reversed>
void load_rows(const FftPlan& plan, const u64* coeffs, int count, int limbs, uint32_t* out) {
    const size_t n = plan.n();
    for (int i = 0; i < plan.k; ++i) {
        const FftPrime& P = plan.t->primes[static_cast<size_t>(i)];
        const uint32_t* pw = P.pow32;
        uint32_t* row = out + static_cast<size_t>(i) * n;
        for (int j = 0; j < count; ++j) {
            const int src = Reversed ? count - 1 - j : j;
            const u64* c = coeffs + static_cast<size_t>(src) * limbs;
            // Sums of four word products stay below 2^64; each is reduced to
            // [0, 2f) and the few partial results once more.
            uint64_t r = 0;
            int q = 0;
            for (; q + 2 <= limbs; q += 2) {
                const uint64_t g = (c[q] & 0xFFFFFFFFu) * pw[2 * q] + (c[q] >> 32) * pw[2 * q + 1] +
                                   (c[q + 1] & 0xFFFFFFFFu) * pw[2 * q + 2] +
                                   (c[q + 1] >> 32) * pw[2 * q + 3];
                r += barrett(g, P);
            }
            if (q < limbs) r += barrett((c[q] & 0xFFFFFFFFu) * pw[2 * q] + (c[q] >> 32) * pw[2 * q + 1], P);
            if (limbs > 2) {
                r = barrett(r, P);
            } else if (r >= 2 * uint64_t{P.f}) {
                r -= 2 * uint64_t{P.f};
            }
            row[j] = static_cast<uint32_t>(r);
        }
        std::memset(row + count, 0, sizeof(uint32_t) * (n - static_cast<size_t>(count)));
    }
}

}  // namespace

FftPlan fft_plan(engine_instance* e, int log_n, const MontParams& p) {
    FftPlan plan;
    if (log_n < 1 || log_n > kMaxLogN) return plan;
    uint32_t b[2 * kMontMaxWords + 4];
    uint32_t n32[kMontMaxWords + 2];
    std::memcpy(n32, p.n, sizeof(uint32_t) * static_cast<size_t>(p.words));
    const int k = p.words;
    mp_mul_raw(b, n32, k, n32, k);
    int bn = 2 * k;
    b[bn] = mp_mul1_raw(b, b, bn, (2u << log_n) + 1u);
    bn = mp_norm_len_raw(b, bn + 1);
    const int primes = prepare_words(e, log_n, b, bn);
    if (primes == 0) return plan;
    plan.t = e->fft_tables;
    plan.log_n = log_n;
    plan.k = primes;
    ensure_crt(plan, p);
    return plan;
}

uint32_t* fft_work(const FftPlan& plan, int i) {
    const size_t need = size_t{static_cast<size_t>(plan.t->count)} << plan.t->log_n;
    auto& w = plan.t->work[i];
    if (w.size() < need) w.resize(need);
    return w.data();
}

void fft_load(const FftPlan& plan, const u64* coeffs, int count, int limbs, uint32_t* out) {
    load_rows<false>(plan, coeffs, count, limbs, out);
}

void fft_load_reversed(const FftPlan& plan, const u64* coeffs, int count, int limbs,
                       uint32_t* out) {
    load_rows<true>(plan, coeffs, count, limbs, out);
}

namespace {

// Row kernels. Each is compiled twice, for the baseline instruction set and for
// AVX2, and picked at run time; the loops are written so that the compiler
// vectorises them (eight butterflies per step with AVX2).

// Forward transform of one row: decimation in frequency, values in [0, 2f).
// The spans 2 and 1 run fused over blocks of four.
FFT_INLINE void dif_row_body(uint32_t* a, size_t n, const FftPrime& P) {
    const uint32_t f = P.f, f2 = 2 * f;
    for (size_t m = n / 2; m >= 4; m /= 2) {
        const uint32_t* w = P.tw + m;
        const uint32_t* wq = P.twq + m;
        for (size_t s = 0; s < n; s += 2 * m) {
            uint32_t* x = a + s;
            uint32_t* y = x + m;
            for (size_t j = 0; j < m; ++j) {
                const uint32_t u = x[j], v = y[j];
                uint32_t t = u + v;
                t -= t >= f2 ? f2 : 0;
                y[j] = mul_shoup(u - v + f2, w[j], wq[j], f);
                x[j] = t;
            }
        }
    }
    if (n < 4) {
        if (n == 2) {
            const uint32_t u = a[0], v = a[1];
            uint32_t t = u + v, d = u - v + f2;
            a[0] = t - (t >= f2 ? f2 : 0);
            a[1] = d - (d >= f2 ? f2 : 0);
        }
        return;
    }
    const uint32_t w3 = P.tw[3], w3q = P.twq[3];
    for (size_t b = 0; b < n; b += 4) {
        const uint32_t a0 = a[b], a1 = a[b + 1], a2 = a[b + 2], a3 = a[b + 3];
        uint32_t t0 = a0 + a2, t1 = a1 + a3, d0 = a0 - a2 + f2;
        t0 -= t0 >= f2 ? f2 : 0;
        t1 -= t1 >= f2 ? f2 : 0;
        d0 -= d0 >= f2 ? f2 : 0;
        const uint32_t d1 = mul_shoup(a1 - a3 + f2, w3, w3q, f);
        uint32_t b0 = t0 + t1, b1 = t0 - t1 + f2, b2 = d0 + d1, b3 = d0 - d1 + f2;
        b0 -= b0 >= f2 ? f2 : 0;
        b1 -= b1 >= f2 ? f2 : 0;
        b2 -= b2 >= f2 ? f2 : 0;
        b3 -= b3 >= f2 ? f2 : 0;
        a[b] = b0;
        a[b + 1] = b1;
        a[b + 2] = b2;
        a[b + 3] = b3;
    }
}

// Inverse transform of one row: decimation in time, in [0, 2f), out [0, 4f).
// The spans 1 and 2 run fused over blocks of four.
FFT_INLINE void dit_row_body(uint32_t* a, size_t n, const FftPrime& P) {
    const uint32_t f = P.f, f2 = 2 * f;
    if (n == 2) {
        const uint32_t u = a[0], v = a[1];
        a[0] = u + v;
        a[1] = u - v + f2;
        return;
    }
    if (n >= 4) {
        const uint32_t w3 = P.itw[3], w3q = P.itwq[3];
        for (size_t b = 0; b < n; b += 4) {
            const uint32_t a0 = a[b], a1 = a[b + 1], a2 = a[b + 2], a3 = a[b + 3];
            // Span 1 (twiddle 1): results in [0, 4f), brought to [0, 2f).
            uint32_t x0 = a0 + a1, x1 = a0 - a1 + f2, x2 = a2 + a3, x3 = a2 - a3 + f2;
            x0 -= x0 >= f2 ? f2 : 0;
            x1 -= x1 >= f2 ? f2 : 0;
            x2 -= x2 >= f2 ? f2 : 0;  // x3 stays below 4f: it only meets w3
            // Span 2: (x0, x2) with twiddle 1, (x1, x3) with w3.
            const uint32_t t3 = mul_shoup(x3, w3, w3q, f);
            a[b] = x0 + x2;
            a[b + 2] = x0 - x2 + f2;
            a[b + 1] = x1 + t3;
            a[b + 3] = x1 - t3 + f2;
        }
    }
    for (size_t m = 4; m < n; m *= 2) {
        const uint32_t* w = P.itw + m;
        const uint32_t* wq = P.itwq + m;
        for (size_t s = 0; s < n; s += 2 * m) {
            uint32_t* x = a + s;
            uint32_t* y = x + m;
            for (size_t j = 0; j < m; ++j) {
                uint32_t u = x[j];
                u -= u >= f2 ? f2 : 0;
                const uint32_t t = mul_shoup(y[j], w[j], wq[j], f);
                x[j] = u + t;
                y[j] = u - t + f2;
            }
        }
    }
}

FFT_INLINE void pointwise_row_body(uint32_t* x, const uint32_t* y, size_t n, const FftPrime& P) {
    const uint32_t f = P.f, mont = P.mont;
    for (size_t j = 0; j < n; ++j) {
        const uint64_t t = static_cast<uint64_t>(x[j]) * y[j];
        const uint32_t m = static_cast<uint32_t>(t) * mont;
        x[j] = static_cast<uint32_t>((t + static_cast<uint64_t>(m) * f) >> 32);
    }
}

void dif_row_base(uint32_t* a, size_t n, const FftPrime& P) { dif_row_body(a, n, P); }
void dit_row_base(uint32_t* a, size_t n, const FftPrime& P) { dit_row_body(a, n, P); }
void pointwise_row_base(uint32_t* x, const uint32_t* y, size_t n, const FftPrime& P) {
    pointwise_row_body(x, y, n, P);
}

#if defined(__x86_64__) && defined(__GNUC__)
__attribute__((target("avx2"))) void dif_row_avx2(uint32_t* a, size_t n, const FftPrime& P) {
    dif_row_body(a, n, P);
}
__attribute__((target("avx2"))) void dit_row_avx2(uint32_t* a, size_t n, const FftPrime& P) {
    dit_row_body(a, n, P);
}
__attribute__((target("avx2"))) void pointwise_row_avx2(uint32_t* x, const uint32_t* y, size_t n,
                                                        const FftPrime& P) {
    pointwise_row_body(x, y, n, P);
}
#else
#define dif_row_avx2 dif_row_base
#define dit_row_avx2 dit_row_base
#define pointwise_row_avx2 pointwise_row_base
#endif

}  // namespace

void fft_forward(const FftPlan& plan, uint32_t* data) {
    const size_t n = plan.n();
    auto* row = have_avx2() ? dif_row_avx2 : dif_row_base;
    for (int i = 0; i < plan.k; ++i)
        row(data + static_cast<size_t>(i) * n, n, plan.t->primes[static_cast<size_t>(i)]);
}

void fft_inverse(const FftPlan& plan, uint32_t* data) {
    const size_t n = plan.n();
    auto* row = have_avx2() ? dit_row_avx2 : dit_row_base;
    for (int i = 0; i < plan.k; ++i)
        row(data + static_cast<size_t>(i) * n, n, plan.t->primes[static_cast<size_t>(i)]);
}

void fft_pointwise(const FftPlan& plan, uint32_t* a, const uint32_t* b) {
    const size_t n = plan.n();
    auto* row = have_avx2() ? pointwise_row_avx2 : pointwise_row_base;
    for (int i = 0; i < plan.k; ++i)
        row(a + static_cast<size_t>(i) * n, b + static_cast<size_t>(i) * n, n,
            plan.t->primes[static_cast<size_t>(i)]);
}

void fft_store(const FftPlan& plan, const MontParams& p, const uint32_t* data, size_t from,
               int count, u64* out) {
    crt_store(plan, p, data, nullptr, from, count, out);
}

void fft_store_diff(const FftPlan& plan, const MontParams& p, const uint32_t* a,
                    const uint32_t* b, size_t from, int count, u64* out) {
    crt_store(plan, p, a, b, from, count, out);
}

void release_fft_tables(engine_instance* e) {
    delete e->fft_tables;
    e->fft_tables = nullptr;
}

}  // namespace engine_detail

int fft_prepare(int log_n, const big_rec* bound1, const big_rec* bound2) {
    TraceScope t(ID_FFT_MULT);
    if (!t.ok()) return 0;
    if (log_n < 1 || log_n > engine_detail::kMaxLogN) return 0;
    const int cap = 2 * t.instance()->precision_words + 4;
    engine_detail::WipedVector<uint32_t> b(static_cast<size_t>(cap));
    const int bn = engine_detail::product_bound(bound1, bound2, log_n, b.data());
    if (bn == 0) return 0;
    return engine_detail::prepare_words(t.instance(), log_n, b.data(), bn);
}
