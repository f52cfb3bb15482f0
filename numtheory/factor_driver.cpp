#include "numtheory/factor_driver.h"

#include "numtheory/factor_internal.h"
#include "numtheory/factor_methods.h"
#include "numtheory/prime_tables.h"

using factor_detail::format;
using factor_detail::prp_default;

namespace {

constexpr int kRhoTries = 2000;

struct Driver {
    big n;
    const FactorInputs& in;
    FactorReport& report;
    big before;

    // The run's ending: its status text, the cofactor recorded, then the code.
    FactorOutcome end(const char* text, int code, FactorOutcome outcome) {
        report.set_status_text(text);
        report.record_value(n);
        if (in.before_final) in.before_final();
        report.set_status(text, code);
        return outcome;
    }
    FactorOutcome stop(const char* text) { return end(text, kStatusStopped, FactorOutcome::stopped); }
    FactorOutcome done(const char* text) { return end(text, kStatusFactored, FactorOutcome::factored); }
    FactorOutcome exhausted() { return end("All Factor Method Done.\r\n", kStatusExhausted, FactorOutcome::exhausted); }
    void mark() { big_copy(n, before); }
    // The method recorded new factors and the remaining N passes the test.
    bool success() { return big_compare(n, before) != 0 && prp_default(n); }
};

}  // namespace

FactorOutcome factor_driver(big n, const FactorInputs& inputs, FactorReport& report) {
    if (big_is_negative(n)) big_negate(n, n);
    if (logb2(n) <= 1) return FactorOutcome::too_small;
    report.clear_stop();
    report.clear();
    report.set_status_code(kStatusShown);
    report.set_status(format("Brute method, %d small primes...\r\n", kPrimes64K), kStatusHeader);

    factor_detail::Bigs keep(1);
    Driver d{n, inputs, report, keep[0]};

    const int found = factor_trial_division(n, report);
    if (logb2(n) < 32 || prp_default(n))
        return d.done(found > 0 ? "Done all Prime Factors ." : "N is Prime!");

    // Pollard rho.
    int bits = logb2(n);
    const int tries = bits > 300 ? 3072000 / (bits + 256) : kRhoTries;
    report.set_status(format("Pollard Rho\r\n%d of %d tries...\r\n", 1, tries), kStatusHeader);
    d.mark();
    if (factor_rho(n, tries, report) == kFactorStopped) return d.stop("Factor Aborted in Pollard Rho...\r\n");
    if (d.success()) return d.done("Done all Factors in Pollard Rho.\r\n");

    if (logb2(n) > 170) {
        report.set_status("Williams P+1 method\r\n", kStatusHeader);
        d.mark();
        if (factor_pp1(n, kPm1Limit1, kPm1Limit2, report) == kFactorStopped)
            return d.stop("Factor Aborted in Williams P+1 method...\r\n");
        if (d.success()) return d.done("Done all Factors in Williams P+1 method.\r\n");
    }
    if (logb2(n) > 170) {
        report.set_status("Pollard P-1 method\r\n", kStatusHeader);
        d.mark();
        if (factor_pm1(n, kPm1Limit1, kPm1Limit2, report) == kFactorStopped)
            return d.stop("Factor Aborted in Pollard P-1 method...\r\n");
        if (d.success()) return d.done("Done all Factors in Pollard P-1 method.\r\n");
    }
    if (logb2(n) > 300) {
        const uint32_t curves = ecm_clamp_curves(inputs.ecm_curves ? inputs.ecm_curves() : 0);
        const uint32_t k = ecm_clamp_k(inputs.ecm_k ? inputs.ecm_k() : 0);
        report.set_status(format("Lenstra's Elliptic Curve Method, %d of %d curves...\r\n", 1, static_cast<int>(curves)),
                          kStatusHeader);
        d.mark();
        const auto reread = [&inputs]() -> uint32_t {
            return ecm_clamp_curves(inputs.ecm_curves ? inputs.ecm_curves() : 0);
        };
        if (factor_ecm(n, kPm1Limit1, kEcmLimit2, reread, k, report) == kFactorStopped)
            return d.stop("Factor Aborted in Lenstra's Elliptic Curve Method...\r\n");
        if (d.success()) return d.done("Done all Factors in Lenstra's ECM.\r\n");
    }
    if (logb2(n) > 300) return d.exhausted();

    report.set_status("MPQS(Multiple Polynomial Quadratic Sieve)Method:\r\n", kStatusHeader);
    d.mark();
    if (factor_mpqs(n, report) == kFactorStopped) return d.stop("Factor Aborted in QS Method...\r\n");
    if (d.success()) return d.done("Done all Factors in QS Method.\r\n");
    return d.exhausted();
}
