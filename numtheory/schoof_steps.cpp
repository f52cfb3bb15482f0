// The field-independent steps of a Schoof count: stop points and labels of the
// narrative, the residue lines, the candidate bookkeeping, and the combination
// of the residues into the class of NP the kangaroo search finishes.
#include <algorithm>
#include <string>
#include <vector>

#include "engine/modular.h"
#include "engine/poly_p.h"
#include "numtheory/nt_support.h"
#include "numtheory/progress_log.h"
#include "numtheory/schoof.h"

namespace nt {

PolyAbortScope::PolyAbortScope() { set_poly_abort_check(&abort_requested); }
PolyAbortScope::~PolyAbortScope() { set_poly_abort_check(nullptr); }

bool stop_point(const char* abort_text, bool done) {
    if (done && !abort_requested()) return false;
    log_append(abort_text);
    return true;
}

void log_step(int drop, const char* label) {
    log_drop(drop);
    log_append(label);
}

void record_residue(TraceResidues& out, size_t t, int tau) {
    out.tau[t] = tau;
    out.known[t] = 1;
}

void settle_residue(TraceResidues& out, size_t t, int tau, int np) {
    record_residue(out, t, tau);
    log_append_width(std::to_string(np), 5);
    log_append(np == 0 ? " *** \r\n" : " \r\n");
}

void log_unknown_residue(const char* end) {
    log_append_width("?", 5);
    log_append(end);
}

void narrow_by_eigenvalues(std::vector<char>& cand, int l, int k, bool one_eigenvalue) {
    if (one_eigenvalue) {
        const int r = small_sqrt(k, l), v = (2 * r) % l;
        std::fill(cand.begin(), cand.end(), 0);
        cand[static_cast<size_t>(std::min(v, l - v))] = 1;
        return;
    }
    for (int i = 0; i <= l / 2; ++i)
        if (small_jacobi(mod_l(static_cast<long long>(i) * i - 4LL * k, l), l) != -1)
            cand[static_cast<size_t>(i)] = 0;
}

void narrow_by_base(std::vector<char>& cand, int l, int base, const SchoofModuli& mods,
                    const TraceResidues& out) {
    const size_t n = mods.list.size();
    size_t at = 0;
    while (at < n && mods.list[at] != base) ++at;
    if (at == n || !out.known[at]) return;
    const int tq = out.tau[at];
    for (int i = 0; i <= l / 2; ++i)
        cand[static_cast<size_t>(i)] = (i % base == tq || (l - i) % base == tq) ? 1 : 0;
}

void count_class(const SchoofModuli& mods, const TraceResidues& res, const big_rec* q, big residue,
                 big M) {
    std::vector<int> moduli, residues;
    for (size_t i = static_cast<size_t>(mods.aw); i < mods.list.size(); ++i) {
        if (!res.known[i]) continue;
        moduli.push_back(mods.list[i]);
        residues.push_back(res.tau[i]);
    }
    Num T, t;
    crt_combine(moduli, residues, T, M);
    incr(q, 1, residue);
    subtract(residue, T, residue);
    big_copy(M, t);
    divide(residue, t, t);  // residue mod M (sign of residue)
    if (big_is_negative(residue)) add(residue, M, residue);
}

int unit_power(const big_rec* q, const big_rec* n, int steps) {
    Num v, quo;
    big_from_int(1, v);
    for (int K = 1; K <= steps; ++K) {
        mad(v, q, v, n, quo, v);
        if (is_one(v)) return K;
        if (engine_error() != 0) return 0;
    }
    return 0;
}

}  // namespace nt
