// The per-modulus work of Schoof's algorithm (internal to numtheory).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/big.h"
#include "engine/modular.h"
#include "numtheory/nt_support.h"
#include "numtheory/progress_log.h"
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

// ---- Steps shared by both fields: the arithmetic of the residues, the
// candidate bookkeeping and the narrative; the field code supplies the tests.

/// v mod l in 0 .. l-1 (l > 0).
inline int mod_l(long long v, int l) { return static_cast<int>(((v % l) + l) % l); }

/// True, with abort_text appended to the log, when a stop was requested or
/// `done` is false (the last step was cut short by one).
bool stop_point(const char* abort_text, bool done = true);

/// Replaces the previous step's label (its last `drop` characters) by `label`.
void log_step(int drop, const char* label);

/// Records t mod list[t] = tau as known.
void record_residue(TraceResidues& out, size_t t, int tau);

/// Records t mod l = tau and writes the whole residue np = NP mod l of the
/// "NP mod l = " line: padded to 5, then " *** " (np = 0) or " ", and the line end.
void settle_residue(TraceResidues& out, size_t t, int tau, int np);

/// Ends an "NP mod l = " line whose residue stayed unknown (excluded by the
/// mathematics, so only after an engine error): "?" padded to 5, then `end`.
void log_unknown_residue(const char* end);

/// The eigenvalue test of the prime l (k = q mod l) found no pair of
/// eigenvalues: with one eigenvalue r (r^2 = q) only t = +-2r stays; with none,
/// only the t with t^2 - 4q a non-residue modulo l. cand[i] stands for t = +-i.
void narrow_by_eigenvalues(std::vector<char>& cand, int l, int k, bool one_eigenvalue);

/// For l a power of the prime `base`: only the t that reduce to the residue
/// already known modulo base stay (all stay when it is not known).
void narrow_by_base(std::vector<char>& cand, int l, int base, const SchoofModuli& mods,
                    const TraceResidues& out);

/// residue = (q + 1 - T) mod M with T, M the Chinese-remainder combination of
/// the known residues of the moduli from mods.aw on: NP = residue (mod M).
void count_class(const SchoofModuli& mods, const TraceResidues& res, const big_rec* q, big residue,
                 big M);

/// The least number of multiplications 1 .. steps after which
/// v = 1 * q * ... * q = 1 (mod n); 0 when there is none (or after an engine error).
int unit_power(const big_rec* q, const big_rec* n, int steps);

/// What a candidate's test found: no match in x, or a match in x whose y
/// coordinate says t = +tau or t = -tau.
enum class Match { none, plus, minus };

/// One try of a residue search on an "NP mod l = " line: writes NP mod l
/// = np_plus - tau, asks `test`; on a match records tau (or -tau) and ends
/// the line with end_zero (NP = 0 mod l) or end; without one, takes the
/// residue back. True on a match.
template <class Test>
bool try_residue(int l, int np_plus, int tau, const char* end_zero, const char* end,
                 TraceResidues& out, size_t t, Test&& test) {
    log_append_width(std::to_string(mod_l(np_plus - tau, l)), 5);
    const Match found = test();
    if (found == Match::none) {
        log_drop(5);
        return false;
    }
    if (found == Match::minus) {
        tau = mod_l(-tau, l);
        log_drop(5);
        log_append_width(std::to_string(mod_l(np_plus - tau, l)), 5);
    }
    record_residue(out, t, tau);
    log_append(mod_l(np_plus - tau, l) == 0 ? end_zero : end);
    return true;
}

/// The two-eigenvalue case of the prime l (k = q mod l): writes "NP mod l = "
/// and tries i = 1 .. (l-1)/2, each standing for the eigenvalue pair i, k/i;
/// `test(i)` tells whether Frobenius acts as [+-i] on a factor of the modulus.
/// False (with abort_text in the log) when stopped.
template <class Test>
bool search_eigenvalues(int l, int k, const char* abort_text, TraceResidues& out, size_t t,
                        Test&& test) {
    log_append(format("NP mod %d = ", l));
    for (int i = 1; i <= (l - 1) / 2; ++i) {
        if (stop_point(abort_text)) return false;
        const int tau_i = mod_l(i + static_cast<long long>(k) * small_inverse(i, l), l);
        if (try_residue(l, mod_l(k + 1, l), tau_i, " ***\r\n", "\r\n", out, t,
                        [&] { return test(i); }))
            return true;
    }
    log_unknown_residue("\r\n");
    return true;
}

/// The candidate search of the modulus l, with "NP mod l = " written and
/// np_plus = (q + 1) mod l: tries t = +-tau for every tau = 1 .. l/2 left in
/// cand; `test(tau)` compares [tau] phi with phi^2 + [k]. False (with the
/// abort text) when stopped.
template <class Test>
bool search_candidates(int l, int np_plus, const std::vector<char>& cand, TraceResidues& out,
                       size_t t, Test&& test) {
    for (int tau = 1; tau <= l / 2; ++tau) {
        if (!cand[static_cast<size_t>(tau)]) continue;
        if (stop_point(kAbort3)) return false;
        if (try_residue(l, np_plus, tau, " *** \r\n", " \r\n", out, t, [&] { return test(tau); }))
            return true;
    }
    log_unknown_residue(" \r\n");
    return true;
}

}  // namespace nt
