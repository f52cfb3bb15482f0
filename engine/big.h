// The engine's integers.
//
// A `big` is a handle to a record of a 32-bit length word and a pointer to an
// array of 32-bit words, least significant first, allocated together by big_alloc
// with room for precision_words words (69 for the workbench: 2,208 bits).
//
// Length word: bits 0-15 = words in use (the integer, or the numerator of a
// fraction); bits 16-30 = words of a denominator (0 for every integer); bit 31 =
// sign. Invariants of every value a routine returns:
//   - normalised: the top word in use is non-zero (zero is the length word 0);
//   - no negative zero;
//   - words above the length are zero.
// A fraction ("flash") keeps its numerator in words 0..n-1 and its denominator in
// words n..n+d-1; only text input forms them, and integer routines refuse them
// with error 12.
//
// Unless a routine says otherwise, an output may be the same big as an input.
// Every traced routine does nothing while an error is recorded (instance.h).
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/instance.h"

struct big_rec {
    uint32_t len;
    uint32_t* w;
};

constexpr uint32_t kBigSign = 0x80000000u;
constexpr uint32_t kBigLenMask = 0x0000FFFFu;
constexpr uint32_t kBigDenMask = 0x7FFF0000u;

/// Words of the integer (or numerator) in use.
inline int big_len(const big_rec* x) { return static_cast<int>(x->len & kBigLenMask); }
inline bool big_is_zero(const big_rec* x) { return x->len == 0; }
inline bool big_is_negative(const big_rec* x) { return (x->len & kBigSign) != 0; }

// ---- small conversions and queries (untraced, never fail) ------------------------

void big_zero(big x);
/// y = x (no-op when the same; a null x zeroes y).
void big_copy(const big_rec* x, big y);
/// y = -x.
void big_negate(const big_rec* x, big y);
void big_from_int(int n, big x);
void big_from_uint(uint32_t n, big x);
/// y = n for a 64-bit unsigned n (an implementation helper beside big_from_uint).
void big_from_u64(uint64_t n, big x);
/// The low 64 bits of |x| (implementation helper).
uint64_t big_to_u64(const big_rec* x);
/// x itself if |x| < 2^30, else +-2^30; 0 for zero.
int big_int_size(const big_rec* x);
/// -1 if the sign bit is set, else +1.
int big_sign(const big_rec* x);
/// The sign of x becomes that of s (zero stays zero).
void big_set_sign(int s, big x);
/// +1, 0, -1 as x >, =, < y (signed).
int big_compare(const big_rec* x, const big_rec* y);
/// Magnitude comparison |x| vs |y| (implementation helper).
int big_compare_abs(const big_rec* x, const big_rec* y);
bool big_is_fraction(const big_rec* x);
/// Bit n of |x|.
int big_test_bit(const big_rec* x, int n);
/// Number of digits of |x| in the apparent base.
int big_num_digits(const big_rec* x);
/// The i-th digit of |x| in the apparent base (1 = least significant).
int big_get_digit(const big_rec* x, int i);
/// Sets the i-th digit of |x| in the apparent base, extending the length
/// (error 3 past the precision while overflow checking is on).
void putdig(int d, big x, int i);
/// Lowers the word count past leading zero words; clears the sign of zero.
void big_strip(big x);

// ---- integer arithmetic (traced; error 12 on a fraction operand) -------------------

/// z = x + y.
void add(const big_rec* x, const big_rec* y, big z);
/// z = x - y.
void subtract(const big_rec* x, const big_rec* y, big z);
/// z = x + n.
void incr(const big_rec* x, int n, big z);
/// z = x - n.
void decr(const big_rec* x, int n, big z);
/// z = n*x (error 3 on overflow).
void premult(const big_rec* x, int n, big z);
/// z = x / n truncated; returns the remainder with the sign of x (error 2 on n = 0).
int subdiv(const big_rec* x, int n, big z);
/// x mod n with the sign of x; x unchanged.
int remain(const big_rec* x, int n);
/// z = x*y (x and y may be the same: squaring). Error 3 on overflow.
void multiply(const big_rec* x, const big_rec* y, big z);
/// z = x / y truncated and x = x mod y (sign of x). y the same big as z: only the
/// remainder (in x) is formed; x the same as z: only the quotient. Errors: 7 when
/// x and y are the same, 2 on y = 0, 3.
void divide(big x, const big_rec* y, big z);
/// q = (x*y + z) / w, r = remainder. z is not added when it is the same big as x
/// or y; q and r the same big: q receives the quotient. Overflow checking is off
/// inside. Error 7 when w and r are the same big; those of divide.
void mad(const big_rec* x, const big_rec* y, const big_rec* z, const big_rec* w, big q, big r);
/// Scales x and y for long division (internal); returns the scale factor.
int normalise(const big_rec* x, big y);
/// w = x^n; reduced mod z after every step when z and w are different bigs.
/// x = 0 gives 0, n = 0 gives 1. Error 10 on n < 0.
void power(const big_rec* x, int n, big z, big w);
/// w = integer n-th root of x; true when exact. Errors 9 (even root of a
/// negative), 11 (n < 1).
bool nroot(const big_rec* x, int n, big w);
/// x = b^n (small ints). Error 10 on n < 0.
void expint(int b, int n, big x);
/// x = 2^n. Error 10 on n < 0.
void expb2(int n, big x);
/// Number of bits of |x| (0 for zero).
int logb2(const big_rec* x);
/// w = x * 2^(32n); n < 0 drops -n words. Errors 3, 12.
void word_shift(const big_rec* x, int n, big w);
/// z = gcd(x, y) >= 0; returns big_int_size(z).
int egcd(const big_rec* x, const big_rec* y, big z);
/// Random x with exactly n digits in base b (b^(n-1) <= x < b^n), from bigrand.
/// Error 1 when b is outside 2..256.
void bigdig(int n, int b, big x);
/// Jacobi symbol (a/n) for odd n > 0 (0 when gcd(a, n) > 1).
int jack(const big_rec* a, const big_rec* n);
/// x = the fraction n/d in lowest terms (text input only). Errors 7 (d = 0),
/// 12 (fraction operand), 13 (numerator and denominator together too long).
void fpack(const big_rec* n, const big_rec* d, big x);

// ---- text conversion -------------------------------------------------------------

/// Reads s in the apparent base into x; returns the characters consumed, 0 on error.
int instr(big x, const char* s);
/// Writes x in the apparent base into s (NUL-terminated); returns its length.
/// s == the instance's io_buffer is bounds-checked (error 17); any other buffer
/// must have room (2,210 bytes hold any 69-word number in base 2).
int otstr(const big_rec* x, char* s);
/// Reads s in io_base into x (error 3 when the value exceeds the precision).
int cinstr(big x, const char* s);
/// Writes x in io_base into s.
int cotstr(const big_rec* x, char* s);
/// y = the value whose words (digits) in base old_base are x's words; old_base 0
/// means 2^32 (a copy).
void cbase(const big_rec* x, uint32_t old_base, big y);

// ---- byte conversion -------------------------------------------------------------

/// x = the unsigned big-endian number in bytes[0..len-1] (error 3 past the precision).
void bytes_to_big(int len, const uint8_t* bytes, big x);
/// Writes |x| big-endian; returns the byte count (with justify: exactly max bytes,
/// zero-padded on the left). 0 and nothing written when x is zero, an error is
/// recorded or max < 1 with justify. Error 14 when max > 0 and |x| needs more.
int big_to_bytes(int max, const big_rec* x, uint8_t* bytes, bool justify);
