// Runtime prime tables: a bit sieve over the odd numbers, built once per process.
#include "numtheory/prime_tables.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace {

uint32_t g_table64k[kPrimes64K + 1];
uint32_t g_table1024k[kPrimes1024K + 1];

struct TableSlot {
    uint32_t* table;
    int words;
    uint32_t limit;
    std::once_flag once;
    int error = 0;
};

TableSlot g_slot64k{g_table64k, kPrimes64K + 1, kLimit64K, {}, 0};
TableSlot g_slot1024k{g_table1024k, kPrimes1024K + 1, kLimit1024K, {}, 0};

TableSlot& slot(RuntimeTable which) { return which == RuntimeTable::k64K ? g_slot64k : g_slot1024k; }

inline bool bit_set(const uint8_t* bits, uint32_t j) { return (bits[j >> 3] >> (j & 7)) & 1u; }

}  // namespace

int build_prime_table(uint32_t* table, int words, uint32_t x) {
    if (table[0] == kPrimeTableMarker) return 0;
    // Bit j stands for the odd number 2j + 3, j = 0 .. x/2 - 1. The array is
    // x/16 + 4097 bytes rounded down to whole 4096-byte pages (room to spare).
    const size_t bytes = (static_cast<size_t>(x) / 16 + 4097) / 4096 * 4096;
    auto* bits = static_cast<uint8_t*>(std::calloc(bytes, 1));
    if (bits == nullptr) return 2;
    const uint32_t half = x / 2;
    const auto root = static_cast<uint32_t>(std::sqrt(static_cast<double>(x)));
    for (uint32_t i = 0; i <= root && i < half; ++i) {
        if (bit_set(bits, i)) continue;
        const uint32_t step = 2 * i + 3;
        for (uint64_t b = 3 * static_cast<uint64_t>(i) + 3; b < half; b += step)
            bits[b >> 3] |= static_cast<uint8_t>(1u << (b & 7));
    }
    int count = 1;  // the prime 2
    for (uint32_t j = 0; j < half; ++j)
        if (!bit_set(bits, j)) ++count;
    if (count + 1 != words) {
        std::free(bits);
        return 1;
    }
    int n = 1;
    table[n++] = 2;
    for (uint32_t j = 0; j < half; ++j)
        if (!bit_set(bits, j)) table[n++] = 2 * j + 3;
    std::free(bits);
    // The marker goes last, so that a reader that sees it sees a whole table.
    table[0] = kPrimeTableMarker;
    return 0;
}

int prepare_runtime_table(RuntimeTable which) {
    TableSlot& s = slot(which);
    std::call_once(s.once, [&s] { s.error = build_prime_table(s.table, s.words, s.limit); });
    return s.error;
}

const uint32_t* select_prime_table(int prime_count) {
    const RuntimeTable which = prime_count == kPrimes1024K ? RuntimeTable::k1024K : RuntimeTable::k64K;
    if (prepare_runtime_table(which) != 0) return nullptr;
    return slot(which).table;
}
