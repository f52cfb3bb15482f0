// Tables an instance builds on demand and frees at teardown.
#include "engine/fft.h"
#include "engine/internal.h"

namespace engine_detail {

uint32_t subtractive_step(uint32_t* table, int32_t* index, uint32_t* borrow) {
    if (++*index > kRawRandWords - 1) {
        *index = 0;
        // table[j] = table[i] - table[j] - borrow with i running 13, 14, ... and
        // wrapping at 37; the borrow follows whether the difference wrapped.
        for (int j = 0, i = 13; j < kRawRandWords; ++j, ++i) {
            if (i == kRawRandWords) i = 0;
            const uint32_t t = table[i];
            const uint32_t d = t - table[j] - *borrow;
            if (d < t) *borrow = 0;
            if (d > t) *borrow = 1;
            table[j] = d;
        }
    }
    return table[*index];
}

void release_instance_tables(engine_instance* e) {
    release_fft_tables(e);
}

}  // namespace engine_detail
