// Byte-string conversion: unsigned big-endian numbers.
#include <cstring>

#include "engine/big.h"
#include "engine/internal.h"
#include "engine/kernels.h"

using engine_detail::big_set_words;
using engine_detail::refuse_fraction;

void bytes_to_big(int len, const uint8_t* bytes, big x) {
    TraceScope t(ID_BYTES_TO_BIG);
    if (!t.ok()) return;
    engine_instance* e = t.instance();
    size_t n = len > 0 && bytes != nullptr ? static_cast<size_t>(len) : 0;
    while (n > 0 && *bytes == 0) {
        ++bytes;
        --n;
    }
    const size_t words = (n + 3) / 4;
    if (words > static_cast<size_t>(e->precision_words)) {
        if (e->overflow_check) {
            report_error(3);
            return;
        }
        // Without checking keep the low words that fit the block.
        const size_t keep = 4 * big_block_words(e);
        if (n > keep) {
            bytes += n - keep;
            n = keep;
        }
    }
    ScratchFrame f(e);
    uint32_t* w = f.words(big_block_words(e) + 1);
    // Groups of four bytes from the right; the top group may be shorter.
    for (size_t i = 0; i < n; ++i) {
        const size_t from_right = n - 1 - i;
        w[from_right / 4] |= static_cast<uint32_t>(bytes[i]) << (8 * (from_right % 4));
    }
    big_set_words(x, w, static_cast<int>((n + 3) / 4), false);
}

int big_to_bytes(int max, const big_rec* x, uint8_t* bytes, bool justify) {
    TraceScope t(ID_BIG_TO_BYTES);
    if (!t.ok() || refuse_fraction(x)) return 0;
    const int n = big_len(x);
    if (n == 0 || (justify && max < 1) || bytes == nullptr) return 0;
    const uint32_t top = x->w[n - 1];
    const int top_bytes = top >= 0x1000000u ? 4 : top >= 0x10000u ? 3 : top >= 0x100u ? 2 : 1;
    const int count = top_bytes + 4 * (n - 1);
    if (max > 0 && count > max) {
        report_error(14);
        return 0;
    }
    int pos = 0;
    if (justify) {
        std::memset(bytes, 0, static_cast<size_t>(max - count));
        pos = max - count;
    }
    for (int i = count - 1; i >= 0; --i) bytes[pos++] = static_cast<uint8_t>(x->w[i / 4] >> (8 * (i % 4)));
    return justify ? max : count;
}
