// Polynomial arithmetic behind point counting.
//
//   build/release/bench/bench_poly [--benchmark_filter=...]
//
// PolyModP: one product and one powering step (a squaring with its reduction)
// of residues of degree 480 and 2,000 modulo a modulus one degree higher, over
// a 160-bit and a 256-bit prime; x^p modulo a polynomial of degree 1,860 (the
// division polynomial size of l = 61) over the 256-bit prime, once.
// Poly2 and PolyMod2: one product at degree 480 and 2,000 over GF(2^163)
// (basis x^163 + x^7 + x^6 + x^3 + 1).
// Fixed inputs: the primes are the first primes after 2^159 + 12345 and
// 2^255 + 12345, the coefficients come from a fixed linear congruential sequence.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "engine/big.h"
#include "engine/gf2m.h"
#include "engine/modular.h"
#include "engine/poly_2.h"
#include "engine/poly_p.h"

namespace {

// One engine instance per benchmark run, set up as the workbench sets its own.
class Engine {
   public:
    explicit Engine(int bits) {
        m_e = engine_open(2176, 2);
        m_e->error_control = true;
        big start = big_alloc(0), p = big_alloc(0);
        expb2(bits - 1, start);
        incr(start, 12345, start);
        nxprime(start, p);
        prepare_monty(p);
        big_free(start);
        big_free(p);
    }
    ~Engine() {
        set_modulus(PolyP());
        engine_teardown();
    }
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

   private:
    engine_instance* m_e;
};

PolyP fixed_poly(int deg, uint64_t seed) {
    PolyP f;
    PolyTermP* hint = nullptr;
    uint64_t s = seed;
    for (int i = deg; i >= 0; --i) {
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        ModInt c(static_cast<int>(s >> 34) | 1);
        s = s * 6364136223846793005ull + 1442695040888963407ull;
        c *= ModInt(static_cast<int>(s >> 34) | 1);
        hint = f.add_term(c, i, hint);
    }
    return f;
}

void BM_PolyModP_Product(benchmark::State& state) {
    const int bits = static_cast<int>(state.range(0)), deg = static_cast<int>(state.range(1));
    Engine eng(bits);
    set_modulus(fixed_poly(deg + 1, 1));
    const PolyModP a(fixed_poly(deg, 2)), b(fixed_poly(deg, 3));
    for (auto _ : state) {
        PolyModP c = a * b;
        benchmark::DoNotOptimize(c);
    }
}

void BM_PolyModP_PowStep(benchmark::State& state) {
    const int bits = static_cast<int>(state.range(0)), deg = static_cast<int>(state.range(1));
    Engine eng(bits);
    set_modulus(fixed_poly(deg + 1, 1));
    const PolyModP a(fixed_poly(deg, 2));
    for (auto _ : state) {
        PolyModP c = a * a;
        benchmark::DoNotOptimize(c);
    }
}

void BM_PolyP_Product(benchmark::State& state) {
    const int bits = static_cast<int>(state.range(0)), deg = static_cast<int>(state.range(1));
    Engine eng(bits);
    const PolyP a(fixed_poly(deg, 2)), b(fixed_poly(deg, 3));
    for (auto _ : state) {
        PolyP c = a * b;
        benchmark::DoNotOptimize(c);
    }
}

void BM_PolyModP_XtoP(benchmark::State& state) {
    Engine eng(256);
    set_modulus(fixed_poly(1860, 1));
    const PolyModP x(shift(PolyP(1), 1));
    const BigInt p(engine_current()->modulus);
    for (auto _ : state) {
        PolyModP c = pow(x, p);
        benchmark::DoNotOptimize(c);
    }
}

Poly2 fixed_poly2(int deg, uint64_t seed) {
    Poly2 f;
    PolyTerm2* hint = nullptr;
    uint64_t s = seed;
    for (int i = deg; i >= 0; --i) {
        BigInt c;
        for (int w = 0; w < 6; ++w) {
            s = s * 6364136223846793005ull + 1442695040888963407ull;
            c.get()->w[w] = static_cast<uint32_t>(s >> 32);
        }
        c.get()->w[5] &= 7;
        c.get()->w[0] |= 1;
        c.get()->len = 6;
        hint = f.add_term(Gf2Elem(c), i, hint);
    }
    return f;
}

void BM_Poly2_Product(benchmark::State& state) {
    const int deg = static_cast<int>(state.range(0));
    Engine eng(160);
    prepare_basis(163, 7, 6, 3, true);
    const Poly2 a = fixed_poly2(deg, 2), b = fixed_poly2(deg, 3);
    for (auto _ : state) {
        Poly2 c = a * b;
        benchmark::DoNotOptimize(c);
    }
}

void BM_PolyMod2_Product(benchmark::State& state) {
    const int deg = static_cast<int>(state.range(0));
    Engine eng(160);
    prepare_basis(163, 7, 6, 3, true);
    set_modulus(fixed_poly2(deg + 1, 1));
    const PolyMod2 a(fixed_poly2(deg, 2)), b(fixed_poly2(deg, 3));
    for (auto _ : state) {
        PolyMod2 c = a * b;
        benchmark::DoNotOptimize(c);
    }
    set_modulus(Poly2());
}

void sizes(benchmark::internal::Benchmark* b) {
    for (int bits : {160, 256})
        for (int deg : {480, 2000}) b->Args({bits, deg});
}

BENCHMARK(BM_PolyModP_Product)->Apply(sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolyModP_PowStep)->Apply(sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolyP_Product)->Apply(sizes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Poly2_Product)->Arg(480)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolyMod2_Product)->Arg(480)->Arg(2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PolyModP_XtoP)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
