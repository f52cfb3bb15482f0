// Shared helpers of the modular-arithmetic sources (engine internals only).
#pragma once

#include <cstdint>

#include "engine/big.h"
#include "engine/mont_kernels.h"

namespace engine_detail {

/// The current modulus in limb form, or nullptr with error 20 when none is set.
const MontParams* mont_current(engine_instance* e);
/// out = x as a residue below n (L limbs): taken as it stands when 0 <= x < n,
/// otherwise reduced (negatives made positive; a fraction is error 12 and 0).
void mont_load_residue(const MontParams& p, const big_rec* x, u64* out);
/// w = the L-limb value v (below n), normalised.
void mont_store(const MontParams& p, const u64* v, big w);
/// out = a^-1 in Montgomery form (a in Montgomery form); false and out = 0 when
/// gcd(a, n) > 1. gcd (optional) receives the gcd of the plain value and n.
bool mont_inverse(engine_instance* e, const MontParams& p, const u64* a, u64* out, big gcd);

/// r = a^e in Montgomery form (a in Montgomery form, e a plain magnitude of en
/// words) by a sliding window.
void mont_pow_raw(const MontParams& p, u64* r, const u64* a, const uint32_t* e, int en);

/// Miller-Rabin round with witness a (1 < a < n) for odd n > 2 in p; n - 1 =
/// 2^s * d with d of dn words. True when n passes.
bool miller_rabin_round(const MontParams& p, uint32_t a, const uint32_t* d, int dn, int s);

}  // namespace engine_detail
