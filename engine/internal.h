// Engine internals shared between the engine's own source files. Not part of the
// engine's interface: nothing outside engine/ includes this header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/big.h"

struct epoint;

namespace engine_detail {

/// Words in the block of every big: the capacity rounded up to an even count
/// plus two spare words, so that kernels working on 64-bit pairs stay inside.
inline size_t big_block_words(const engine_instance* e) {
    return (static_cast<size_t>(e->precision_words) + 1) / 2 * 2 + 2;
}

/// One step of the lagged subtractive generator over 37 words with a borrow,
/// shared by the raw generator and the strong generator.
uint32_t subtractive_step(uint32_t* table, int32_t* index, uint32_t* borrow);

/// Frees the tables an instance builds on demand (transform tables, ...).
void release_instance_tables(engine_instance* e);

// ---- storage of value objects ------------------------------------------------------
//
// Value classes own their numbers for their whole life and call engine routines
// on them, so they must get storage even while an error is recorded (big_alloc
// and point_block_alloc then return null): after an error their computations
// are inert, as every engine routine is, instead of crashing on a null handle.

/// Like big_alloc, but allocates while an error is recorded too. Error 18 (the
/// instance is not active) and 8 (no memory) are still recorded. When memory
/// runs out, or no instance is current, the number is placed on a shared inert
/// sink (zero, and never freed); value_free knows it.
big big_alloc_value(int initial);
/// Releases a number from big_alloc_value (wiped; the sink is left alone).
void big_free_value(big x);
/// Like point_block_alloc, but allocates while an error is recorded too (errors
/// 18 and 8 are still recorded). nullptr only when memory runs out or no
/// instance is current; point_inert() then serves as the value's point.
void* point_block_alloc_value(int count);
/// The shared inert sink number.
big value_sink();
/// A shared inert point at infinity whose coordinates live on the sink, for
/// point values that could not get a block.
epoint* point_inert();

/// Sets x from n little-endian words (normalising, clearing the words above).
/// Records error 3 and leaves x unchanged when the value needs more than the
/// precision.
bool big_set_words(big x, const uint32_t* w, int n, bool negative);

/// q = a / b and r = a mod b on magnitudes (b non-zero, normalised counts an, bn).
/// q (room for an + 1 words) or r (room for bn words) may be null when not
/// wanted; the normalised counts are stored in *qn and *rn. No output may
/// overlap an input.
void divmod_words(engine_instance* e, const uint32_t* a, int an, const uint32_t* b, int bn,
                  uint32_t* q, int* qn, uint32_t* r, int* rn);
/// g = gcd(a, b) of magnitudes (g has room for max(an, bn) words); returns its count.
int gcd_words(engine_instance* e, const uint32_t* a, int an, const uint32_t* b, int bn, uint32_t* g);

/// w = w*m + add on a word array with `*len` words in use and room for `cap`;
/// a carry out of the top word extends *len, or sets *overflow (and is lost)
/// when the array is full.
void words_mul_add(uint32_t* w, int* len, int cap, uint32_t m, uint32_t add, bool* overflow);

/// x = n/d in lowest terms, negative when `negative` (n, d magnitudes; may
/// alias x's words). A denominator of 1 gives an integer. Errors: 7 when d = 0,
/// 13 when numerator and denominator together need more than precision_words
/// words (an integer result: more than precision_words words). False on error,
/// x unchanged.
bool fraction_pack(big x, const uint32_t* n, int nn, const uint32_t* d, int dn, bool negative);

/// True (and error 12 recorded) when x is a fraction.
bool refuse_fraction(const big_rec* x);

}  // namespace engine_detail

using engine_detail::big_block_words;
