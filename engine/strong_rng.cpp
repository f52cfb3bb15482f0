#include "engine/strong_rng.h"

#include <cstring>

#include "engine/hash.h"
#include "engine/internal.h"
#include "engine/kernels.h"

using engine_detail::big_set_words;
using engine_detail::divmod_words;
using engine_detail::refuse_fraction;
using engine_detail::words_mul_add;

namespace {

uint32_t step(strong_generator* rng) {
    return engine_detail::subtractive_step(rng->table, &rng->index, &rng->borrow);
}

// Mixes w in and discards the number of steps the mix asks for.
void mix_and_discard(strong_generator* rng, uint32_t w) {
    const int count = strong_generator_mix(rng, w);
    const int steps = count + static_cast<int>(rng->table[0] & 0xFFFFu) % count;
    for (int i = 0; i < steps; ++i) step(rng);
}

// pool = SHA-1 of the low bytes of 128 successive steps.
void fill_pool(strong_generator* rng) {
    sha1_ctx ctx;
    sha1_init(&ctx);
    for (int i = 0; i < 128; ++i) sha1_process(&ctx, static_cast<int>(step(rng) & 0xFFu));
    sha1_hash(&ctx, rng->pool);
    engine_wipe(&ctx, sizeof ctx);
    rng->pool_pos = 0;
}

}  // namespace

int strong_generator_mix(strong_generator* rng, uint32_t w) {
    rng->borrow = 0;
    rng->index = 0;
    rng->table[0] ^= w;
    uint32_t c = 1, a = w;
    for (int k = 14; k < 518; k += 14) {
        rng->table[k % 37] ^= c;
        const uint32_t t = c;
        c = a - c;
        a = t;
    }
    return static_cast<int>((a & 0xFFFFu) % 263u) + 263;
}

void strong_generator_init(strong_generator* rng, int raw_len, const uint8_t* raw, uint32_t tod) {
    engine_wipe(rng, sizeof *rng);
    if (raw_len > 0 && raw != nullptr) {
        uint8_t d[kSha1Bytes];
        sha1_ctx ctx;
        sha1_init(&ctx);
        sha1_process_bytes(&ctx, raw, static_cast<size_t>(raw_len));
        sha1_hash(&ctx, d);
        for (int i = 0; i < 5; ++i) {
            // the digest's words in memory order, least significant byte first
            const uint32_t word = static_cast<uint32_t>(d[4 * i]) |
                                  (static_cast<uint32_t>(d[4 * i + 1]) << 8) |
                                  (static_cast<uint32_t>(d[4 * i + 2]) << 16) |
                                  (static_cast<uint32_t>(d[4 * i + 3]) << 24);
            mix_and_discard(rng, word);
        }
        engine_wipe(d, sizeof d);
        engine_wipe(&ctx, sizeof ctx);
    }
    mix_and_discard(rng, tod);
    fill_pool(rng);
}

uint8_t strong_generator_byte(strong_generator* rng) {
    if (rng->pool_pos < 0 || rng->pool_pos >= 20) fill_pool(rng);  // a damaged position
    const uint8_t b = rng->pool[rng->pool_pos++];
    if (rng->pool_pos >= 20) fill_pool(rng);
    return b;
}

void strong_bigrand(strong_generator* rng, const big_rec* w, big x) {
    TraceScope t(ID_STRONG_BIGRAND);
    if (!t.ok() || refuse_fraction(w)) return;
    const int wn = big_len(w);
    if (wn == 0 || big_is_negative(w)) {
        big_zero(x);
        return;
    }
    engine_instance* e = t.instance();
    ScratchFrame f(e);
    // t < w before each byte, so t = 256 t + byte stays below 256 w: wn + 1 words.
    const int cap = wn + 1;
    uint32_t* r = f.words(static_cast<size_t>(cap) + 1);
    int rn = 0;
    bool over = false;
    do {
        words_mul_add(r, &rn, cap, 256, strong_generator_byte(rng), &over);
        rn = mp_norm_len_raw(r, rn);
    } while (mp_cmp_raw(r, rn, w->w, wn) < 0 && e->error_number == 0);
    uint32_t* rem = f.words(static_cast<size_t>(wn) + 1);
    int remn = 0, qn = 0;
    divmod_words(e, r, rn, w->w, wn, nullptr, &qn, rem, &remn);
    big_set_words(x, rem, remn, false);
}

void strong_generator_wipe(strong_generator* rng) { engine_wipe(rng, sizeof *rng); }
