// Modular multiplication and exponentiation against GMP, measured in the same run.
//
//   build/release/bench/bench_big [--benchmark_filter=...]
//
// Times nres_modmult, nres_powmod and powmod at 160, 256, 512, 1024 and 2048
// bits, GMP's mpz_mul + mpz_mod and mpz_powm at the same sizes and operands, and
// prints a summary table with the ratios (engine time / GMP time) at the end.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/big.h"
#include "engine/modular.h"
#include "engine/mont_kernels.h"

#ifdef KORVATH_HAVE_GMP
#include <gmp.h>
#endif

namespace {

constexpr int kSizes[] = {160, 256, 512, 1024, 2048};

// Fixed operands: an odd modulus of exactly `bits` bits and two values below it,
// from a fixed linear congruential sequence.
struct Operands {
    std::vector<uint32_t> n, a, b, e;
};

Operands make_operands(int bits) {
    uint64_t s = 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(bits);
    auto next = [&s]() {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(s >> 32);
    };
    const int k = (bits + 31) / 32;
    Operands o;
    for (auto* v : {&o.n, &o.a, &o.b, &o.e}) {
        v->resize(static_cast<size_t>(k));
        for (auto& w : *v) w = next();
    }
    const int top = bits - 32 * (k - 1);  // bits in the top word
    const uint32_t mask = top == 32 ? 0xFFFFFFFFu : (1u << top) - 1;
    o.n.back() = (o.n.back() & mask) | (1u << (top - 1));
    o.n[0] |= 1u;
    o.a.back() &= mask >> 1;
    o.b.back() &= mask >> 1;
    o.e.back() = (o.e.back() & mask) | (1u << (top - 1));
    return o;
}

void set_big(big x, const std::vector<uint32_t>& w) {
    big_zero(x);
    for (size_t i = 0; i < w.size(); ++i) x->w[i] = w[i];
    size_t n = w.size();
    while (n > 0 && w[n - 1] == 0) --n;
    x->len = static_cast<uint32_t>(n);
}

// One engine instance for the whole program, set up as the workbench does.
struct Engine {
    Engine() {
        engine_open(2176, 2);
        engine_current()->error_control = true;
    }
    ~Engine() { engine_teardown(); }
};

struct EngineOperands {
    big n, a, b, e, w;
    explicit EngineOperands(int bits) {
        const Operands o = make_operands(bits);
        n = big_alloc(0);
        a = big_alloc(0);
        b = big_alloc(0);
        e = big_alloc(0);
        w = big_alloc(0);
        set_big(n, o.n);
        set_big(a, o.a);
        set_big(b, o.b);
        set_big(e, o.e);
    }
    ~EngineOperands() {
        for (big x : {n, a, b, e, w}) big_free(x);
    }
};

void BM_nres_modmult(benchmark::State& st) {
    EngineOperands op(static_cast<int>(st.range(0)));
    prepare_monty(op.n);
    nres(op.a, op.a);
    nres(op.b, op.b);
    for (auto _ : st) {
        nres_modmult(op.a, op.b, op.w);
        benchmark::DoNotOptimize(op.w->w[0]);
    }
    if (engine_error() != 0) st.SkipWithError("engine error");
}

void BM_nres_powmod(benchmark::State& st) {
    EngineOperands op(static_cast<int>(st.range(0)));
    prepare_monty(op.n);
    nres(op.a, op.a);
    for (auto _ : st) {
        nres_powmod(op.a, op.e, op.w);
        benchmark::DoNotOptimize(op.w->w[0]);
    }
    if (engine_error() != 0) st.SkipWithError("engine error");
}

void BM_nres_moddiv(benchmark::State& st) {
    EngineOperands op(static_cast<int>(st.range(0)));
    prepare_monty(op.n);
    nres(op.a, op.a);
    nres(op.b, op.b);
    for (auto _ : st) {
        nres_moddiv(op.a, op.b, op.w);
        benchmark::DoNotOptimize(op.w->w[0]);
    }
    if (engine_error() != 0) st.SkipWithError("engine error");
}

// The limb kernels at the Karatsuba sizes, both paths (same residues).
void BM_kernel_mul(benchmark::State& st, bool kara) {
    const int bits = static_cast<int>(st.range(0));
    const Operands o = make_operands(bits);
    const int k = static_cast<int>(o.n.size());
    engine_detail::MontParams p;
    engine_detail::mont_params_set(&p, o.n.data(), k, engine_detail::mont_ndash32_raw(o.n[0]), nullptr);
    engine_detail::u64 a[engine_detail::kMontMaxLimbs], b[engine_detail::kMontMaxLimbs];
    engine_detail::mont_load_raw(a, o.a.data(), k, p.limbs);
    engine_detail::mont_load_raw(b, o.b.data(), k, p.limbs);
    for (auto _ : st) {
        if (kara)
            engine_detail::mont_mul_raw(p, a, a, b);
        else
            engine_detail::mont_mul_basic_raw(p, a, a, b);
        benchmark::DoNotOptimize(a[0]);
    }
}

void BM_powmod(benchmark::State& st) {
    EngineOperands op(static_cast<int>(st.range(0)));
    for (auto _ : st) {
        powmod(op.a, op.e, op.n, op.w);
        benchmark::DoNotOptimize(op.w->w[0]);
    }
    if (engine_error() != 0) st.SkipWithError("engine error");
}

#ifdef KORVATH_HAVE_GMP
struct GmpOperands {
    mpz_t n, a, b, e, w;
    explicit GmpOperands(int bits) {
        const Operands o = make_operands(bits);
        for (auto* z : {&n, &a, &b, &e, &w}) mpz_init(*z);
        auto load = [](mpz_t z, const std::vector<uint32_t>& v) {
            mpz_import(z, v.size(), -1, sizeof(uint32_t), 0, 0, v.data());
        };
        load(n, o.n);
        load(a, o.a);
        load(b, o.b);
        load(e, o.e);
    }
    ~GmpOperands() {
        for (auto* z : {&n, &a, &b, &e, &w}) mpz_clear(*z);
    }
};

void BM_gmp_mul_mod(benchmark::State& st) {
    GmpOperands op(static_cast<int>(st.range(0)));
    for (auto _ : st) {
        mpz_mul(op.w, op.a, op.b);
        mpz_mod(op.w, op.w, op.n);
        benchmark::DoNotOptimize(op.w);
    }
}

void BM_gmp_powm(benchmark::State& st) {
    GmpOperands op(static_cast<int>(st.range(0)));
    for (auto _ : st) {
        mpz_powm(op.w, op.a, op.e, op.n);
        benchmark::DoNotOptimize(op.w);
    }
}
#endif

void sizes(benchmark::internal::Benchmark* b) {
    for (int s : kSizes) b->Arg(s);
}

BENCHMARK(BM_nres_modmult)->Apply(sizes);
BENCHMARK(BM_nres_powmod)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_powmod)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_nres_moddiv)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_kernel_mul, karatsuba, true)->Arg(512)->Arg(1024)->Arg(2048);
BENCHMARK_CAPTURE(BM_kernel_mul, word_path, false)->Arg(512)->Arg(1024)->Arg(2048);
#ifdef KORVATH_HAVE_GMP
BENCHMARK(BM_gmp_mul_mod)->Apply(sizes);
BENCHMARK(BM_gmp_powm)->Apply(sizes)->Unit(benchmark::kMicrosecond);
#endif

// Console output as usual, plus the time per iteration of every run for the
// summary table.
class SummaryReporter : public benchmark::ConsoleReporter {
   public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0) continue;
            // CPU time: the figures stay comparable on a shared, loaded machine.
            m_ns[r.benchmark_name()] = r.GetAdjustedCPUTime() *
                                       (r.time_unit == benchmark::kMicrosecond ? 1e3 : 1.0);
        }
        ConsoleReporter::ReportRuns(runs);
    }
    double ns(const std::string& name, int bits) const {
        auto it = m_ns.find(name + "/" + std::to_string(bits));
        return it == m_ns.end() ? 0.0 : it->second;
    }

   private:
    std::map<std::string, double> m_ns;
};

void print_summary(const SummaryReporter& rep) {
    std::printf("\nSummary (ratio = engine time / GMP time, lower is better)\n");
    std::printf("%6s  %12s %12s %6s  %12s %12s %12s %7s %7s\n", "bits", "modmult ns",
                "gmp mulmod", "ratio", "nres_powmod", "powmod us", "gmp powm us", "ratio",
                "target");
    for (int bits : kSizes) {
        const double mm = rep.ns("BM_nres_modmult", bits);
        const double gm = rep.ns("BM_gmp_mul_mod", bits);
        const double np = rep.ns("BM_nres_powmod", bits) / 1e3;
        const double pp = rep.ns("BM_powmod", bits) / 1e3;
        const double gp = rep.ns("BM_gmp_powm", bits) / 1e3;
        const char* target = bits == 256 ? "3.0" : bits == 2048 ? "4.0" : "-";
        if (mm == 0.0 && np == 0.0 && pp == 0.0) continue;
        std::printf("%6d  %12.1f %12.1f %6.2f  %12.2f %12.2f %12.2f %7.2f %7s\n", bits, mm, gm,
                    gm > 0 ? mm / gm : 0.0, np, pp, gp, gp > 0 ? pp / gp : 0.0, target);
    }
#ifndef KORVATH_HAVE_GMP
    std::printf("(built without GMP: no anchor figures)\n");
#endif
}

}  // namespace

int main(int argc, char** argv) {
    Engine engine;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    SummaryReporter rep;
    benchmark::RunSpecifiedBenchmarks(&rep);
    print_summary(rep);
    benchmark::Shutdown();
    return 0;
}
