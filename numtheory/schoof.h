// The per-modulus work of Schoof's algorithm (internal to numtheory).
#pragma once

#include <vector>

#include "engine/big.h"
#include "numtheory/schoof_moduli.h"

namespace nt {

/// Trace residues: tau[i] = t mod list[i] where known[i] is set. A residue the
/// algorithm could not settle (which the mathematics excludes, so only an engine
/// error leads there) is left unknown and kept out of the combination.
struct TraceResidues {
    std::vector<int> tau;
    std::vector<char> known;
};

/// Over GF(p) with the current modulus p and curve y^2 = x^3 + A*x + B: the
/// residue modulo 2 (its "NP mod 2" line), then every further modulus of the
/// list with its narrative. `special` (j = 0 or 1728) skips the eigenvalue test.
/// False when a stop was requested; the abort text is then in the log.
bool schoof_residues_gfp(const big_rec* A, const big_rec* B, const big_rec* p, bool special,
                         const SchoofModuli& mods, TraceResidues& out);

/// Over GF(2^m) with the curve y^2 + x y = x^3 + A x^2 + B current (A, B
/// reduced): every modulus of the list after the first (t is odd, so t mod 2
/// is known), with its narrative; powers of 2 by the 2-adic walk. False when a
/// stop was requested; the abort text is then in the log.
bool schoof_residues_gf2m(const big_rec* A, const big_rec* B, int m, const SchoofModuli& mods,
                          TraceResidues& out);

/// Restores the polynomial abort check on every exit.
class PolyAbortScope {
   public:
    PolyAbortScope();
    ~PolyAbortScope();
    PolyAbortScope(const PolyAbortScope&) = delete;
    PolyAbortScope& operator=(const PolyAbortScope&) = delete;
};

// Texts of the stop points.
inline constexpr const char* kAbort1 = "\r\n*** Aborted, thread exit ok ***\r\n";
inline constexpr const char* kAbort2 = "\r\n*** Aborted,  thread exit ok ***\r\n";
inline constexpr const char* kAbort3 = "\r\n*** Aborted, thread exit ok  ***\r\n";

}  // namespace nt
