// Pieces shared by the benchmark programs: a reporter that keeps each
// benchmark's processor time, and OpenSSL's ECDH timings as an anchor.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace benchsupport {

/// The console reporter, also keeping each run's processor time (in the
/// benchmark's own unit) by benchmark name.
class TimesReporter : public benchmark::ConsoleReporter {
   public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0)
                m_times[r.benchmark_name()] = r.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }
    /// The time of `name`, 0 when it did not run.
    double time(const std::string& name) const {
        auto it = m_times.find(name);
        return it == m_times.end() ? 0.0 : it->second;
    }

   private:
    std::map<std::string, double> m_times;
};

/// OpenSSL's time per ECDH in microseconds for each of `algorithms` (its
/// `speed` names, blank-separated), by the curve name it prints ("nistb163",
/// "brainpoolP256r1", ...); empty when openssl is not available.
inline std::map<std::string, double> openssl_ecdh_us(const std::string& algorithms) {
    std::map<std::string, double> out;
    const std::string cmd = "openssl speed -seconds 2 " + algorithms + " 2>/dev/null";
    FILE* f = popen(cmd.c_str(), "r");
    if (f == nullptr) return out;
    char line[512];
    const std::regex row("ecdh \\((\\w+)\\)\\s+([0-9.]+)s\\s+([0-9.]+)");
    while (std::fgets(line, sizeof line, f)) {
        std::cmatch m;
        if (std::regex_search(line, m, row)) out[m[1]] = 1e6 / std::stod(m[3]);
    }
    pclose(f);
    return out;
}

}  // namespace benchsupport
