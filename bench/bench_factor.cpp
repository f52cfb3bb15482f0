// Factoring speed: MPQS on balanced semiprimes of 130, 160, 200 and 230 bits,
// ECM finding a 20- and a 25-digit factor in a 320-bit number (one curve, with
// the sigma whose curve is known to succeed), and rho finding a 50-bit factor.
// When PARI/GP's `gp` is installed, the same numbers are factored with
// `factor` in the same run and the ratios printed.
//
//   build/release/bench/bench_factor [--benchmark_filter=...]
//
// Times are processor time of the calling thread (and gp's getabstime), so a
// busy machine does not distort the ratio. The numbers come from
// tests/vectors/numtheory/factor.txt ([BenchMpqs], [BenchEcm], [BenchRho]).
#include <benchmark/benchmark.h>

#include <time.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/big.h"
#include "numtheory/factor_methods.h"
#include "numtheory/factor_report.h"

#ifndef KORVATH_SOURCE_DIR
#define KORVATH_SOURCE_DIR "."
#endif

namespace {

struct Case {
    std::string section;
    std::map<std::string, std::string> kv;
};

std::vector<Case> load_cases() {
    std::ifstream in(std::string(KORVATH_SOURCE_DIR) + "/tests/vectors/numtheory/factor.txt");
    std::vector<Case> out;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line[0] == '[') {
            out.push_back(Case{line.substr(1, line.find(']') - 1), {}});
        } else if (!out.empty()) {
            const size_t eq = line.find(" = ");
            if (eq != std::string::npos) out.back().kv[line.substr(0, eq)] = line.substr(eq + 3);
        }
    }
    return out;
}

const Case* find_case(const std::string& section, const std::string& key, const std::string& value) {
    static const std::vector<Case> cases = load_cases();
    for (const Case& c : cases)
        if (c.section == section && (key.empty() || c.kv.at(key) == value)) return &c;
    return nullptr;
}

double thread_cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

struct Engine {
    Engine() {
        engine_open(2176, 2);
        engine_current()->error_control = true;
        engine_current()->io_base = 16;
    }
    ~Engine() { engine_teardown(); }
};

// Our processor time per named number, and the hex number, for the gp run.
std::map<std::string, std::pair<double, std::string>>& results() {
    static std::map<std::string, std::pair<double, std::string>> r;
    return r;
}

template <class Fn>
void timed(benchmark::State& state, const std::string& name, const std::string& n_hex, Fn&& fn) {
    Engine engine;
    big n = big_alloc(0);
    double total = 0;
    int found = 0;
    for (auto _ : state) {
        cinstr(n, n_hex.c_str());
        FactorReport report;
        const double t0 = thread_cpu_seconds();
        const int code = fn(n, report);
        total += thread_cpu_seconds() - t0;
        found += code == kFactorFound || code == kFactorPrime;
    }
    big_free(n);
    state.counters["cpu_s"] = total / static_cast<double>(state.iterations());
    state.counters["found"] = found;
    results()[name] = {total / static_cast<double>(state.iterations()), n_hex};
}

void BM_Mpqs(benchmark::State& state) {
    const std::string bits = std::to_string(state.range(0));
    const Case* c = find_case("BenchMpqs", "Bits", bits);
    if (c == nullptr) return state.SkipWithError("no vector");
    timed(state, "MPQS " + bits + " bits", c->kv.at("N"), [](big n, FactorReport& r) { return factor_mpqs(n, r); });
}
BENCHMARK(BM_Mpqs)->Arg(130)->Arg(160)->Arg(200)->Arg(230)->Iterations(1)->Unit(benchmark::kSecond);

void BM_Ecm(benchmark::State& state) {
    const std::string digits = std::to_string(state.range(0));
    const Case* c = find_case("BenchEcm", "Digits", digits);
    if (c == nullptr) return state.SkipWithError("no vector");
    const auto sigma = static_cast<uint32_t>(std::stoul(c->kv.at("Sigma")));
    timed(state, "ECM " + digits + "-digit factor (1 curve)", c->kv.at("N"), [sigma](big n, FactorReport& r) {
        return factor_ecm(n, kPm1Limit1, kEcmLimit2, [] { return 1u; }, sigma, r);
    });
}
BENCHMARK(BM_Ecm)->Arg(20)->Arg(25)->Iterations(1)->Unit(benchmark::kSecond);

void BM_Rho(benchmark::State& state) {
    const Case* c = find_case("BenchRho", "", "");
    if (c == nullptr) return state.SkipWithError("no vector");
    timed(state, "rho 50-bit factor", c->kv.at("N"),
          [](big n, FactorReport& r) { return factor_rho(n, 1000000000, r); });
}
BENCHMARK(BM_Rho)->Iterations(1)->Unit(benchmark::kSecond);

// gp's processor time (ms) for factor() of each number, or -1.
std::map<std::string, double> gp_times() {
    std::map<std::string, double> out;
    const std::string script = "/tmp/korvath_bench_factor.gp";
    {
        std::ofstream f(script);
        f << "default(parisizemax, 2*10^9);\n";
        for (const auto& [name, r] : results())
            f << "N=0x" << r.second << "; t=getabstime(); f=factor(N); print(getabstime()-t);\n";
        f << "quit;\n";
    }
    FILE* p = popen(("gp -q " + script + " 2>/dev/null").c_str(), "r");
    if (p == nullptr) return out;
    for (const auto& entry : results()) {
        double ms = -1;
        if (std::fscanf(p, "%lf", &ms) != 1) break;
        out[entry.first] = ms;
    }
    pclose(p);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (results().empty()) return 0;
    const bool have_gp = std::system("command -v gp >/dev/null 2>&1") == 0;
    const std::map<std::string, double> gp = have_gp ? gp_times() : std::map<std::string, double>{};
    std::printf("\n%-34s %12s %12s %8s\n", "processor time", "KORVATH s", "PARI/GP s", "ratio");
    for (const auto& [name, r] : results()) {
        const auto it = gp.find(name);
        if (it != gp.end() && it->second > 0)
            std::printf("%-34s %12.3f %12.3f %8.2f\n", name.c_str(), r.first, it->second / 1000, r.first * 1000 / it->second);
        else
            std::printf("%-34s %12.3f %12s %8s\n", name.c_str(), r.first, "-", "-");
    }
    if (!have_gp) std::printf("(gp not installed: no anchor)\n");
    std::printf("(ECM rows time the one curve known to succeed, rho the method alone; gp factors those\n"
                " numbers from scratch with its own choice of methods, so only the MPQS ratios compare\n"
                " like with like.)\n");
    return 0;
}
