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
// Number bases. The internal word base is always 2^32 (`base` = 0): engine_open
// accepts only binary bases (others give error 26) and the requested base
// becomes `apparent_base`, the digit base of instr/otstr, putdig,
// big_get_digit and big_num_digits. cinstr/cotstr use `io_base` instead; the
// instance's bases are not switched for them. Text bases run from 2 to 256:
//   - 2..62: digits 0-9, A-Z (10-35), a-z (36-61; above base 16 only, below
//     it lower case reads as upper case), an optional sign, leading blanks, and
//     the fraction forms "n/d" and "i.f";
//   - 64: the alphabet A-Z a-z 0-9 + / (0..63), no sign, "=" and characters
//     below "!" skipped on input, "=" appended on output until the length is a
//     multiple of 3;
//   - other bases above 62: each byte is one digit, no sign.
// Conversion regroups bits for power-of-two bases and works in word-sized
// chunks of digits (10^9 for base 10) otherwise. cbase(x, old_base, y) still
// reads x's words as digits of any old_base.
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
/// (error 3 past the precision while overflow checking is on; error 7 for
/// i < 1 or a digit outside 0..base-1; error 12 on a fraction).
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
/// w = integer n-th root of x, truncated towards zero (odd roots of negatives
/// are negative); true when exact. Errors 9 (even root of a negative), 11 (n < 1).
bool nroot(const big_rec* x, int n, big w);
/// x = b^n (small ints; b^0 = 1 for every b). Errors 10 on n < 0, 3 on overflow.
void expint(int b, int n, big x);
/// x = 2^n. Error 10 on n < 0.
void expb2(int n, big x);
/// Number of bits of |x| (0 for zero).
int logb2(const big_rec* x);
/// w = x * 2^(32n); n < 0 drops -n words. Errors 3, 12.
void word_shift(const big_rec* x, int n, big w);
/// z = gcd(x, y) >= 0; returns big_int_size(z).
int egcd(const big_rec* x, const big_rec* y, big z);
/// Random x with exactly n digits in base b (b^(n-1) <= x < b^n), from bigrand
/// (modular.h; raw generator). n < 1 gives 0. Errors 1 when b is outside
/// 2..256, 3 when b^n - 1 does not fit.
void bigdig(int n, int b, big x);
/// Jacobi symbol (a/n) for odd n > 0 (0 when gcd(a, n) > 1).
int jack(const big_rec* a, const big_rec* n);
/// x = the fraction n/d in lowest terms, sign in the sign bit (text input only);
/// a denominator of 1 gives an integer. Errors 7 (d = 0), 12 (fraction operand),
/// 13 (numerator and denominator together longer than the precision).
void fpack(const big_rec* n, const big_rec* d, big x);

// ---- text conversion -------------------------------------------------------------

/// Reads s in the apparent base into x; returns the characters consumed (the
/// text up to the NUL, up to a newline in bases up to 62, or exactly
/// input_length characters when that is set; it is reset to 0), 0 on error.
/// Any text is safe: x is zeroed first; errors 1 (base outside 2..256), 18
/// (instance not active), 5 (a character that is not a digit), 3 (too long
/// while checking is on; with checking off the low words are kept), 7 and 13
/// (fractions), 17 (reading past the end of the instance's I/O buffer).
int instr(big x, const char* s);
/// Writes x in the apparent base into s (NUL-terminated); returns its length.
/// Zero is "0" in bases up to 62, "A==" in base 64 and one zero byte in the
/// raw-byte bases (each reads back as 0). Fractions print as n/d, or with
/// radix_point on as a radix-point expansion truncated to (32 * precision_words
/// / log2 base) - 1 digits; bases above 62 refuse fractions (error 12). Output
/// into the instance's io_buffer records error 17 (and writes "") once it
/// would reach io_buffer_size - 5 characters; any other buffer must have room
/// (2,210 bytes hold any 69-word integer or radix expansion in base 2; a
/// fraction as n/d may need one byte more).
int otstr(const big_rec* x, char* s);
/// Reads s in io_base into x. x is written only on success; error 3 when the
/// value needs more than precision_words words (2,209 bits or more).
int cinstr(big x, const char* s);
/// Writes x in io_base into s (as otstr).
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
