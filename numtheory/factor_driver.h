// The factoring driver: trial division, Pollard rho, Williams P+1, Pollard P-1,
// ECM and MPQS in a fixed order, stopping as soon as the cofactor is prime.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/big.h"
#include "numtheory/factor_report.h"

/// The window inputs the driver reads while it runs.
struct FactorInputs {
    /// "ecm_n" and "ecm_k" as unsigned integers (limits applied by the driver).
    /// The curve count is read again before every curve.
    std::function<uint64_t()> ecm_curves;
    std::function<uint64_t()> ecm_k;
    /// Runs just before the final status code (2, 4 or 5) is set, when the
    /// texts and the cofactor are already in the report: the worker finishes
    /// its slot here, so that a display of the final status comes after the
    /// window has returned to its idle state. May be empty.
    std::function<void()> before_final;
};

enum class FactorOutcome {
    too_small,  // N <= 1: nothing done, the report untouched
    stopped,    // abort text, cofactor recorded, status 2
    exhausted,  // "All Factor Method Done.", cofactor recorded, status 4
    factored,   // cofactor recorded as the last prime, status 5
};

/**
 * Factors n (its magnitude; divided in place down to the last cofactor) and
 * fills `report`: clears it, writes the method headers and outcomes as status
 * texts, records every factor. The caller's worker bookkeeping (slot state,
 * buttons, elapsed time) and the texts for N <= 1 are not done here. The stop
 * word is cleared at the start. Runs on the calling thread's engine instance.
 */
FactorOutcome factor_driver(big n, const FactorInputs& inputs, FactorReport& report);
