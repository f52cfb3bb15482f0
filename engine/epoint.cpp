#include "engine/epoint.h"

#include <cstdlib>

#include "engine/internal.h"

namespace {

// Block layout: a header word holding whether z is present, then per point the
// epoint record, three big records and three word arrays (z's only when
// projective). Every part is 8-byte aligned.
struct BlockHeader {
    int32_t count;
    int32_t has_z;
};

size_t round8(size_t n) { return (n + 7) / 8 * 8; }

size_t point_stride(const engine_instance* e, bool has_z) {
    const size_t words = big_block_words(e) * sizeof(uint32_t);
    const size_t per_coord = round8(sizeof(big_rec)) + words;
    return round8(sizeof(epoint)) + per_coord * (has_z ? 3 : 2);
}

size_t block_bytes(const engine_instance* e, int count, bool has_z) {
    return round8(sizeof(BlockHeader)) + static_cast<size_t>(count) * point_stride(e, has_z);
}

}  // namespace

void* point_block_alloc(int count) {
    engine_instance* e = engine_current();
    if (e == nullptr || e->error_number != 0 || count < 1) return nullptr;
    if (!e->active) {
        report_error(18);
        return nullptr;
    }
    const bool has_z = e->coord_mode != 1;
    void* mem = std::calloc(1, block_bytes(e, count, has_z));
    if (mem == nullptr) {
        report_error(8);
        return nullptr;
    }
    auto* h = static_cast<BlockHeader*>(mem);
    h->count = count;
    h->has_z = has_z ? 1 : 0;
    return mem;
}

namespace engine_detail {

void* point_block_alloc_value(int count) {
    engine_instance* e = engine_current();
    if (e == nullptr || count < 1) return nullptr;
    if (!e->active) report_error(18);
    const bool has_z = e->coord_mode != 1;
    void* mem = std::calloc(1, block_bytes(e, count, has_z));
    if (mem == nullptr) {
        report_error(8);
        return nullptr;
    }
    auto* h = static_cast<BlockHeader*>(mem);
    h->count = count;
    h->has_z = has_z ? 1 : 0;
    return mem;
}

epoint* point_inert() {
    // Every coordinate is the shared sink number; the marker says infinity.
    static thread_local epoint inert;
    big sink = engine_detail::value_sink();
    inert = epoint{EPOINT_INFINITY, sink, sink, sink};
    return &inert;
}

}  // namespace engine_detail

epoint* point_block_item(void* block, int i) {
    if (block == nullptr) return nullptr;
    const engine_instance* e = engine_current();
    auto* h = static_cast<BlockHeader*>(block);
    if (i < 0 || i >= h->count) return nullptr;
    const bool has_z = h->has_z != 0;
    unsigned char* base = static_cast<unsigned char*>(block) + round8(sizeof(BlockHeader)) +
                          static_cast<size_t>(i) * point_stride(e, has_z);
    auto* p = reinterpret_cast<epoint*>(base);
    unsigned char* q = base + round8(sizeof(epoint));
    const size_t words = big_block_words(e) * sizeof(uint32_t);
    auto coord = [&]() {
        big b = reinterpret_cast<big>(q);
        q += round8(sizeof(big_rec));
        b->w = reinterpret_cast<uint32_t*>(q);
        q += words;
        big_zero(b);
        return b;
    };
    p->x = coord();
    p->y = coord();
    p->z = has_z ? coord() : nullptr;
    p->marker = EPOINT_INFINITY;
    return p;
}

void point_block_free(void* block, int count) {
    if (block == nullptr) return;
    const engine_instance* e = engine_current();
    auto* h = static_cast<BlockHeader*>(block);
    // The block knows its own size: a caller's larger count must not make the
    // wipe run past the allocation.
    (void)count;
    if (e != nullptr) engine_wipe(block, block_bytes(e, h->count, h->has_z != 0));
    std::free(block);
}

epoint* epoint_init() {
    void* b = point_block_alloc(1);
    return b ? point_block_item(b, 0) : nullptr;
}

void epoint_free(epoint* p) {
    if (p == nullptr) return;
    // The point is item 0 of its own block: the header sits just before it.
    auto* block = reinterpret_cast<unsigned char*>(p) - round8(sizeof(BlockHeader));
    point_block_free(block, 1);
}
