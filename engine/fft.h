// Number-theoretic transform products of polynomials over GF(p).
//
// A product of coefficient arrays is formed modulo k word primes f < 2^30 of the
// form c*N + 1 (so each has primitive N-th roots of unity), and the exact integer
// coefficients are recovered by the Chinese remainder theorem and reduced mod p.
// With coefficients below bound1 and bound2 and N = 2^log_n, every coefficient
// of the integer product is below B = bound1*bound2*(2N + 1); the primes are
// taken until their product exceeds B.
//
// Transforms: forward by decimation in frequency (natural order in, bit-reversed
// out), inverse by decimation in time (bit-reversed in, natural order out), so no
// permutation pass is needed. Butterflies use Shoup's multiplication by a fixed
// twiddle w with the precomputed quotient floor(w*2^32/f) and keep values lazily
// in [0, 2f) or [0, 4f) (D. Harvey, "Faster arithmetic for number-theoretic
// transforms", J. Symbolic Computation 60, 2014). Pointwise products are 32-bit
// Montgomery products; their factor 2^-32, the scaling by N^-1 and the
// Chinese-remainder weights are folded into one constant per prime.
//
// Reconstruction ("explicit CRT"): with M = f_0*...*f_(k-1) and
// y_i = x_i*(M/f_i)^-1 mod f_i, the coefficient is sum y_i*(M/f_i) - t*M where
// t = round(sum y_i/f_i) (computed in floating point; every coefficient lies in
// (-M/2, M/2) with a margin of at least M/(8N), far above the rounding error).
// Reduced mod p directly, with p's Montgomery factor R^-1 folded into the
// weights, so products of Montgomery residues come out as Montgomery residues.
//
// The tables (primes, twiddles, reduction constants) live in the engine instance
// (engine_instance::fft_tables), built on demand and reused while later requests
// need no larger transform and no more primes; they are freed at teardown.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/big.h"
#include "engine/mont_kernels.h"

/// Prepares the transform tables of the current instance for products of length
/// up to 2^log_n whose coefficients are below bound1 and bound2, and returns the
/// number k of word primes such a product needs; 0 when log_n is outside 1..24,
/// a bound is not positive, or not enough primes of the required form exist
/// below 2^30 (the product must then be formed another way).
int fft_prepare(int log_n, const big_rec* bound1, const big_rec* bound2);

namespace engine_detail {

/// Allocator that wipes memory before releasing it (number data in containers).
template <class T>
struct WipeAlloc {
    using value_type = T;
    WipeAlloc() = default;
    template <class U>
    WipeAlloc(const WipeAlloc<U>&) {}  // NOLINT(google-explicit-constructor)
    T* allocate(size_t n) { return static_cast<T*>(::operator new(n * sizeof(T))); }
    void deallocate(T* p, size_t n) {
        engine_wipe(p, n * sizeof(T));
        ::operator delete(p);
    }
    template <class U>
    bool operator==(const WipeAlloc<U>&) const { return true; }
};
template <class T>
using WipedVector = std::vector<T, WipeAlloc<T>>;

/// One word prime with its tables for transforms up to the tables' length.
struct FftPrime {
    uint32_t f = 0;
    uint32_t mont = 0;      // -f^-1 mod 2^32
    uint64_t barrett = 0;   // floor((2^64 - 1)/f)
    uint64_t r64 = 0;       // 2^64 mod f
    double inv = 0;         // 1/f
    uint32_t* tw = nullptr;   // tw[m + j] = w_2m^j for 0 <= j < m (w_2m a primitive 2m-th root)
    uint32_t* twq = nullptr;  // floor(tw*2^32/f)
    uint32_t* itw = nullptr;  // the inverse roots
    uint32_t* itwq = nullptr;
    uint32_t* pow32 = nullptr;  // 2^(32j) mod f for j < kMontMaxWords + 2
};

/// Reduction constants of a product size: one scale per prime and the weights
/// mod p for the current modulus.
struct FftCrt {
    int log_n = -1;
    int k = 0;
    int limbs = 0;
    u64 p[kMontMaxLimbs] = {};   // the modulus they were made for
    u64 ninv = 0;                // its Montgomery constant (with p, the key)
    WipedVector<uint32_t> scale;   // (M/f_i)^-1 * N^-1 * 2^32 mod f_i
    WipedVector<uint32_t> scaleq;  // Shoup quotients of scale
    WipedVector<u64> weight;       // k x L limbs: (M/f_i) R^-1 mod p
    WipedVector<u64> offset;       // (k + 1) x L limbs: -t M R^-1 mod p
    double ptop = 0;               // leading bits of p for quotient estimates
    int pshift = 0;
};

struct FftTables {
    int log_n = 0;   // largest transform the tables serve
    int count = 0;   // primes held
    uint64_t generation = 0;  // changes whenever primes or twiddles change
    std::vector<FftPrime> primes;
    WipedVector<uint32_t> storage;  // twiddles and powers of all primes
    FftCrt crt;
    WipedVector<uint32_t> crt_scratch;  // weighted residues of one chunk of coefficients
    WipedVector<uint32_t> work[3];  // transform buffers, k x N words each
};

/// What one product uses: the tables, the length 2^log_n and the first k primes.
struct FftPlan {
    FftTables* t = nullptr;
    int log_n = 0;
    int k = 0;
    size_t n() const { return size_t{1} << log_n; }
    size_t words() const { return static_cast<size_t>(k) << log_n; }
};

/// A plan for products of length up to 2^log_n of residues below the current
/// modulus p (bounds p and p), with the reduction constants for p made ready.
/// k = 0 when the transform cannot serve (see fft_prepare).
FftPlan fft_plan(engine_instance* e, int log_n, const MontParams& p);
/// Work buffer i (0..2) of the tables, with room for k x N words.
uint32_t* fft_work(const FftPlan& plan, int i);

/// out (k rows of N) = the count coefficients (L limbs each, below 2^(64L)) mod
/// each prime, zero-padded to N, in [0, 2f).
void fft_load(const FftPlan& plan, const u64* coeffs, int count, int limbs, uint32_t* out);
/// As fft_load with the coefficients taken in reverse order: row[j] = coeffs[count-1-j].
void fft_load_reversed(const FftPlan& plan, const u64* coeffs, int count, int limbs,
                       uint32_t* out);
/// Forward transform of every row (values in [0, 2f) in and out).
void fft_forward(const FftPlan& plan, uint32_t* data);
/// Inverse transform of every row, unscaled (in [0, 2f), out [0, 4f)).
void fft_inverse(const FftPlan& plan, uint32_t* data);
/// a = a*b*2^-32 pointwise (inputs in [0, 2f), output in [0, 2f)); b may be a.
void fft_pointwise(const FftPlan& plan, uint32_t* a, const uint32_t* b);
/// out[j] for j < count = coefficient from + j of the inverse-transformed data,
/// reduced mod p with the factor R^-1: the Montgomery residue of the product of
/// Montgomery residues.
void fft_store(const FftPlan& plan, const MontParams& p, const uint32_t* data, size_t from,
               int count, u64* out);
/// out[j] = (coefficient from + j of a) - (the same of b), as fft_store.
void fft_store_diff(const FftPlan& plan, const MontParams& p, const uint32_t* a,
                    const uint32_t* b, size_t from, int count, u64* out);

/// Frees the instance's transform tables (at teardown).
void release_fft_tables(engine_instance* e);

}  // namespace engine_detail
