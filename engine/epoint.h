// Points of the current curve (GF(p) or GF(2^m)), allocated in blocks.
//
// A point has a marker (general = projective with any Z, normalised = affine
// x, y with Z = 1, infinity) and coordinates x, y (and z in projective mode).
// GF(p) coordinates are Montgomery residues; GF(2^m) coordinates are bit strings.
#pragma once

#include <cstdint>

#include "engine/big.h"

enum EpointMarker : int32_t {
    EPOINT_GENERAL = 0,
    EPOINT_NORMALIZED = 1,
    EPOINT_INFINITY = 2,
};

struct epoint {
    int32_t marker;
    big x;
    big y;
    big z;  // null when the block was made for affine mode
};

/// A zero-filled block for `count` points in the current coordinate mode
/// (z present when projective). nullptr (and error 8) when memory runs out, or
/// at once while an error is recorded.
void* point_block_alloc(int count);
/// Point i of the block, set to infinity.
epoint* point_block_item(void* block, int i);
/// Wipes and frees a block of `count` points (nullptr ignored).
void point_block_free(void* block, int count);

/// A point on its own (a block of one); release with epoint_free.
epoint* epoint_init();
void epoint_free(epoint* p);
