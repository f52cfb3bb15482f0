// Scalar multiplication on GF(p) curves, and OpenSSL's ECDH on brainpoolP256r1
// measured in the same run when `openssl` is installed.
//
//   build/release/bench/bench_curve_p [--benchmark_filter=...]
//
// Times ecurve_mult on a fixed random 256-bit curve with A = -3 (affine, the
// workbench's mode) and on brainpoolP256r1 (affine and projective), then runs
// `openssl speed -seconds 2 ecdhbrp256r1` and prints our time per scalar
// multiplication beside OpenSSL's (one ECDH = one scalar multiplication), as a
// ratio. The brainpool constants are read from tests/data/standard-curves.json.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "bench/bench_support.h"
#include "engine/big.h"
#include "engine/ecp.h"
#include "engine/modular.h"

#ifndef KORVATH_SOURCE_DIR
#define KORVATH_SOURCE_DIR "."
#endif

namespace {

struct Engine {
    Engine() {
        engine_open(2176, 2);
        engine_current()->error_control = true;
        engine_current()->io_base = 16;
    }
    ~Engine() { engine_teardown(); }
};

// The named curve's hex constants from the standard-curves data file.
std::map<std::string, std::string> standard_curve(const std::string& name) {
    std::ifstream in(std::string(KORVATH_SOURCE_DIR) + "/tests/data/standard-curves.json");
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    std::map<std::string, std::string> out;
    const auto at = text.find("\"name\": \"" + name + "\"");
    if (at == std::string::npos) return out;
    const auto end = text.find('}', at);
    const std::string obj = text.substr(at, end - at);
    std::regex field("\"(p|a|b|Gx|Gy|n)\": \"([0-9A-F]+)\"");
    for (std::sregex_iterator it(obj.begin(), obj.end(), field), e; it != e; ++it)
        out[(*it)[1]] = (*it)[2];
    return out;
}

void hex(big x, const std::string& s) { cinstr(x, s.c_str()); }

struct CurveSetup {
    big k = big_alloc(0);
    void* block = nullptr;
    epoint* g = nullptr;
    epoint* r = nullptr;
    ~CurveSetup() {
        point_block_free(block, 2);
        big_free(k);
    }
};

// brainpoolP256r1, or (name empty) a fixed 256-bit curve y^2 = x^3 - 3x + 7 over
// the prime 2^256 - 189 with a point found from x = 1, 2, ...
void setup(CurveSetup& s, const std::string& name, int mode) {
    big p = big_alloc(0), a = big_alloc(0), b = big_alloc(0), x = big_alloc(0), y = big_alloc(0);
    if (!name.empty()) {
        auto c = standard_curve(name);
        hex(p, c["p"]);
        hex(a, c["a"]);
        hex(b, c["b"]);
        hex(x, c["Gx"]);
        hex(y, c["Gy"]);
        hex(s.k, c["n"]);
    } else {
        hex(p, "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF43");
        big_from_int(-3, a);
        big_from_int(7, b);
        big_copy(p, s.k);
    }
    ecurve_init(a, b, p, mode);
    s.block = point_block_alloc(2);
    s.g = point_block_item(s.block, 0);
    s.r = point_block_item(s.block, 1);
    if (!name.empty()) {
        epoint_set(x, y, 0, s.g);
    } else {
        big_from_int(1, x);
        while (!epoint_set(x, x, 0, s.g)) incr(x, 1, x);
    }
    // a fixed scalar just below the group order (or p) with a dense bit pattern
    decr(s.k, 12345, s.k);
    for (big v : {p, a, b, x, y}) big_free(v);
}

void BM_ecurve_mult(benchmark::State& state, const char* name, int mode) {
    Engine engine;
    CurveSetup s;
    setup(s, name, mode);
    for (auto _ : state) ecurve_mult(s.k, s.g, s.r);
    if (engine_error() != 0) state.SkipWithError("engine error");
}

BENCHMARK_CAPTURE(BM_ecurve_mult, random256_a3_affine, "", 1)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ecurve_mult, random256_a3_projective, "", 0)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ecurve_mult, brainpoolP256r1_affine, "brainpoolP256r1", 1)
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ecurve_mult, brainpoolP256r1_projective, "brainpoolP256r1", 0)
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchsupport::TimesReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    const double aff = rep.time("BM_ecurve_mult/brainpoolP256r1_affine");
    const double proj = rep.time("BM_ecurve_mult/brainpoolP256r1_projective");
    const double ours = (aff > 0 && (proj == 0 || aff < proj)) ? aff : proj;
    const auto ecdh = benchsupport::openssl_ecdh_us("ecdhbrp256r1");
    const double theirs = ecdh.count("brainpoolP256r1") ? ecdh.at("brainpoolP256r1") : 0.0;
    std::printf("\nbrainpoolP256r1 scalar multiplication (CPU time per operation)\n");
    std::printf("  engine affine      %10.1f us\n  engine projective  %10.1f us\n", aff, proj);
    if (theirs > 0)
        std::printf("  openssl ecdh       %10.1f us\n  ratio (faster engine mode / openssl) %.2f (target 2.0)\n",
                    theirs, ours / theirs);
    else
        std::printf("  openssl not available: no anchor\n");
    benchmark::Shutdown();
    return 0;
}
