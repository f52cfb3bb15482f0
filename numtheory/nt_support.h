// Small helpers shared by the point-counting and kangaroo engines: owning
// handles for engine numbers and point blocks (released on every exit path,
// also when a worker stop unwinds the stack), text of numbers in the
// instance's output base, and printf-style formatting of log lines.
//
// Not a public interface of numtheory: only its .cpp files include it.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/big.h"
#include "engine/epoint.h"

namespace nt {

/// One engine number owned by the holder. Null when the allocation was refused
/// (an engine error is recorded); callers check engine_error() after
/// allocating and before using untraced helpers.
class Num {
   public:
    Num() : m_x(big_alloc(0)) {}
    explicit Num(int v) : m_x(big_alloc(v)) {}
    ~Num() { big_free(m_x); }
    Num(const Num&) = delete;
    Num& operator=(const Num&) = delete;
    operator big() const { return m_x; }
    big get() const { return m_x; }

   private:
    big m_x;
};

/// A block of points of the current coordinate mode, owned by the holder. The
/// points start as infinity; their handles stay valid while the holder lives.
class PointBlock {
   public:
    explicit PointBlock(int count);
    ~PointBlock() { point_block_free(m_block, m_count); }
    PointBlock(const PointBlock&) = delete;
    PointBlock& operator=(const PointBlock&) = delete;
    bool ok() const { return m_block != nullptr; }
    epoint* operator[](int i) const { return m_points[static_cast<size_t>(i)]; }

   private:
    int m_count;
    void* m_block;
    std::vector<epoint*> m_points;
};

/// x as text in the instance's io_base (hexadecimal at rest), as cotstr writes it.
std::string text(const big_rec* x);
/// printf-style formatting into a string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
/// The same with the arguments as a va_list (left consumed).
std::string vformat(const char* fmt, va_list ap) __attribute__((format(printf, 1, 0)));

/// Appends the classification line of a point count NP > 0: NP trial-divided
/// by the first 6541 primes (2 .. 65519), nf the number of divisions, the
/// cofactor named "small factored" (1), "Prime" or "Composite".
void classify_count(const big_rec* np);

/// The 6542 primes below 2^16 in increasing order (2, 3, 5, ..., 65521).
const std::vector<int>& primes_below_65536();

/// The low 64 bits of |x|.
inline uint64_t low64(const big_rec* x) { return big_to_u64(x); }
/// True when x = 1.
inline bool is_one(const big_rec* x) { return x->len == 1 && x->w[0] == 1; }
/// x's low word (0 for zero).
inline uint32_t low32(const big_rec* x) { return big_len(x) > 0 ? x->w[0] : 0; }
/// True when |x| < 2^64.
inline bool fits64(const big_rec* x) { return big_len(x) <= 2; }

}  // namespace nt
