// Scalar multiplication on the NIST binary curves, and OpenSSL's ECDH on the
// same curves measured in the same run when `openssl` is installed.
//
//   build/release/bench/bench_curve_2 [--benchmark_filter=...]
//
// Times ecurve2_mult on B-163, K-163, B-283 and B-571 in affine and projective
// (Lopez-Dahab) coordinates, plus the field kernels underneath, then runs
// `openssl speed -seconds 2 ecdhb163 ecdhk163 ecdhb283 ecdhb571` and prints our
// time per scalar multiplication (the faster of the two modes) beside OpenSSL's
// time per ECDH (one scalar multiplication), as a ratio. Curve constants are
// read from tests/data/standard-curves.json.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/big.h"
#include "engine/ec2.h"
#include "engine/gf2m.h"
#include "engine/gf2m_kernels.h"

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

struct CurveText {
    std::map<std::string, std::string> hex;  // a, b, Gx, Gy, n
    std::vector<int> exps;                   // basis exponents, highest first
};

// The named curve's constants from the standard-curves data file.
CurveText standard_curve(const std::string& name) {
    std::ifstream in(std::string(KORVATH_SOURCE_DIR) + "/tests/data/standard-curves.json");
    std::stringstream ss;
    ss << in.rdbuf();
    const std::string text = ss.str();
    CurveText out;
    const auto at = text.find("\"name\": \"" + name + "\"");
    if (at == std::string::npos) return out;
    const std::string obj = text.substr(at, text.find('}', at) - at);
    std::regex field("\"(a|b|Gx|Gy|n)\": \"([0-9A-F]+)\"");
    for (std::sregex_iterator it(obj.begin(), obj.end(), field), e; it != e; ++it)
        out.hex[(*it)[1]] = (*it)[2];
    std::smatch m;
    if (std::regex_search(obj, m, std::regex("\"poly_exponents\": \\[([0-9, \\n]+)\\]"))) {
        std::stringstream list(std::regex_replace(m[1].str(), std::regex("[,\\n]"), " "));
        for (int e; list >> e;) out.exps.push_back(e);
    }
    return out;
}

struct Setup {
    big k = big_alloc(0);
    void* block = nullptr;
    epoint* g = nullptr;
    epoint* r = nullptr;
    bool ok = false;
    ~Setup() {
        point_block_free(block, 2);
        big_free(k);
    }
};

// Makes the curve current in the given mode with G and the scalar n - 12345.
void setup(Setup& s, const char* name, int mode) {
    const CurveText c = standard_curve(name);
    if (c.exps.size() != 3 && c.exps.size() != 5) return;
    big a = big_alloc(0), b = big_alloc(0), x = big_alloc(0), y = big_alloc(0);
    cinstr(a, c.hex.at("a").c_str());
    cinstr(b, c.hex.at("b").c_str());
    cinstr(x, c.hex.at("Gx").c_str());
    cinstr(y, c.hex.at("Gy").c_str());
    cinstr(s.k, c.hex.at("n").c_str());
    decr(s.k, 12345, s.k);
    const auto& e = c.exps;
    const bool init = e.size() == 3 ? ecurve2_init(e[0], e[1], 0, 0, a, b, true, mode)
                                    : ecurve2_init(e[0], e[1], e[2], e[3], a, b, true, mode);
    s.block = point_block_alloc(2);
    s.g = point_block_item(s.block, 0);
    s.r = point_block_item(s.block, 1);
    s.ok = init && epoint2_set(x, y, 0, s.g) && engine_error() == 0;
    for (big v : {a, b, x, y}) big_free(v);
}

void BM_ecurve2_mult(benchmark::State& state, const char* name, int mode) {
    Engine engine;
    Setup s;
    setup(s, name, mode);
    if (!s.ok) {
        state.SkipWithError("curve set-up failed");
        return;
    }
    for (auto _ : state) ecurve2_mult(s.k, s.g, s.r);
    if (engine_error() != 0) state.SkipWithError("engine error");
}

#define CURVE_BENCH(label, name)                                                       \
    BENCHMARK_CAPTURE(BM_ecurve2_mult, label##_affine, name, 1)->Unit(benchmark::kMicrosecond); \
    BENCHMARK_CAPTURE(BM_ecurve2_mult, label##_projective, name, 0)->Unit(benchmark::kMicrosecond)

CURVE_BENCH(B163, "sect163r2");
CURVE_BENCH(K163, "sect163k1");
CURVE_BENCH(B283, "sect283r1");
CURVE_BENCH(B571, "sect571r1");

// ---- field kernels ------------------------------------------------------------------------

struct FieldSetup {
    gf2_field_raw f;
    uint64_t a[kGf2MaxWords], b[kGf2MaxWords], r[kGf2MaxWords];
};

void field_setup(FieldSetup& s, int m, int a, int b, int c) {
    prepare_basis(m, a, b, c, true);
    gf2_field_current(&s.f);
    uint64_t v = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < s.f.words; ++i) {
        v = v * 6364136223846793005ull + 1442695040888963407ull;
        s.a[i] = v;
        v = v * 6364136223846793005ull + 1442695040888963407ull;
        s.b[i] = v;
    }
    if (m & 63) {
        s.a[s.f.words - 1] &= (1ull << (m & 63)) - 1;
        s.b[s.f.words - 1] &= (1ull << (m & 63)) - 1;
    }
}

void BM_gf2_mulmod(benchmark::State& state, int m, int a, int b, int c) {
    Engine engine;
    FieldSetup s;
    field_setup(s, m, a, b, c);
    for (auto _ : state) {
        gf2_mulmod_raw(&s.f, s.a, s.a, s.b);
        benchmark::DoNotOptimize(s.a);
    }
}

void BM_gf2_sqrmod(benchmark::State& state, int m, int a, int b, int c) {
    Engine engine;
    FieldSetup s;
    field_setup(s, m, a, b, c);
    for (auto _ : state) {
        gf2_sqrmod_raw(&s.f, s.a, s.a);
        benchmark::DoNotOptimize(s.a);
    }
}

void BM_gf2_inverse(benchmark::State& state, int m, int a, int b, int c) {
    Engine engine;
    FieldSetup s;
    field_setup(s, m, a, b, c);
    for (auto _ : state) {
        gf2_inv_raw(&s.f, s.r, s.a);
        benchmark::DoNotOptimize(s.r);
    }
}

// Product of two polynomials of n coefficients over GF(2^163) (Schoof's
// algorithm in characteristic 2 multiplies such polynomials).
void BM_gf2_poly_mul(benchmark::State& state) {
    Engine engine;
    prepare_basis(163, 7, 6, 3, true);
    const int n = static_cast<int>(state.range(0));
    std::vector<big> x(n), y(n), w(2 * n - 1), work(gf2_poly_mul_work_size(n) + 1);
    for (auto* v : {&x, &y, &w, &work})
        for (big& b : *v) b = big_alloc(0);
    for (int i = 0; i < n; ++i) {
        expb2(162, x[i]);
        decr(x[i], 977 * i + 1, x[i]);
        expb2(161, y[i]);
        incr(y[i], 7919 * i + 3, y[i]);
    }
    for (auto _ : state) gf2_poly_mul(n, work.data(), x.data(), y.data(), w.data());
    for (auto* v : {&x, &y, &w, &work})
        for (big b : *v) big_free(b);
}
BENCHMARK(BM_gf2_poly_mul)->Arg(16)->Arg(64)->Arg(256)->Unit(benchmark::kMicrosecond);

BENCHMARK_CAPTURE(BM_gf2_mulmod, m163, 163, 7, 6, 3);
BENCHMARK_CAPTURE(BM_gf2_mulmod, m283, 283, 12, 7, 5);
BENCHMARK_CAPTURE(BM_gf2_mulmod, m571, 571, 10, 5, 2);
BENCHMARK_CAPTURE(BM_gf2_sqrmod, m163, 163, 7, 6, 3);
BENCHMARK_CAPTURE(BM_gf2_sqrmod, m571, 571, 10, 5, 2);
BENCHMARK_CAPTURE(BM_gf2_inverse, m163, 163, 7, 6, 3);
BENCHMARK_CAPTURE(BM_gf2_inverse, m571, 571, 10, 5, 2);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchsupport::TimesReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    const auto theirs = benchsupport::openssl_ecdh_us("ecdhb163 ecdhk163 ecdhb283 ecdhb571");
    std::printf("\nBinary-curve scalar multiplication, CPU time per operation (us)\n");
    std::printf("  curve    affine  projective   openssl   ratio (faster mode / openssl, target <= 2.0)\n");
    const struct {
        const char* label;
        const char* openssl;
    } rows[] = {{"B163", "nistb163"}, {"K163", "nistk163"}, {"B283", "nistb283"}, {"B571", "nistb571"}};
    for (const auto& r : rows) {
        const double aff = rep.time(std::string("BM_ecurve2_mult/") + r.label + "_affine");
        const double proj = rep.time(std::string("BM_ecurve2_mult/") + r.label + "_projective");
        if (aff == 0 && proj == 0) continue;
        const double ours = (aff > 0 && (proj == 0 || aff < proj)) ? aff : proj;
        auto it = theirs.find(r.openssl);
        if (it != theirs.end())
            std::printf("  %-6s %8.1f %11.1f %9.1f   %.2f\n", r.label, aff, proj, it->second, ours / it->second);
        else
            std::printf("  %-6s %8.1f %11.1f         -   (openssl not available)\n", r.label, aff, proj);
    }
    benchmark::Shutdown();
    return 0;
}
