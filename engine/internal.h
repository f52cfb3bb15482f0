// Engine internals shared between the engine's own source files. Not part of the
// engine's interface: nothing outside engine/ includes this header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/big.h"

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

/// Sets x from n little-endian words (normalising, clearing the words above).
/// Records error 3 and leaves x unchanged when the value needs more than the
/// precision.
bool big_set_words(big x, const uint32_t* w, int n, bool negative);

/// True (and error 12 recorded) when x is a fraction.
bool refuse_fraction(const big_rec* x);

}  // namespace engine_detail

using engine_detail::big_block_words;
