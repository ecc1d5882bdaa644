//===- special_functions_bench.cpp - Special functions against the C and C++ libraries ===//
//
// Each benchmark evaluates one function over the same 256 arguments per
// iteration; the peers are the C library's (j0, y0, jn, erf, tgamma) and the
// C++ library's mathematical special functions.
//
//===----------------------------------------------------------------------===//

#include "numerics/special_functions.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

namespace {

namespace vm = vyx::math;

/// 256 arguments spread over (from, to].
std::vector<double> Arguments(double from, double to) {
  std::vector<double> xs(256);
  for (std::size_t i = 0; i < xs.size(); ++i)
    xs[i] = from + (to - from) * static_cast<double>(i + 1) / static_cast<double>(xs.size());
  return xs;
}

template <class F> void Run(benchmark::State &state, F f, double from, double to) {
  const std::vector<double> xs = Arguments(from, to);
  for (auto _ : state)
    for (double x : xs)
      benchmark::DoNotOptimize(f(x));
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(xs.size()));
}

#define VYX_BENCH_PAIR(Name, Ours, Peer, From, To)                                                 \
  void BM_##Name##_Vyx(benchmark::State &s) { Run(s, Ours, From, To); }                            \
  void BM_##Name##_Peer(benchmark::State &s) { Run(s, Peer, From, To); }                           \
  BENCHMARK(BM_##Name##_Vyx);                                                                      \
  BENCHMARK(BM_##Name##_Peer)

VYX_BENCH_PAIR(
    J0_vs_j0, vm::J0, [](double x) { return ::j0(x); }, 0.0, 30.0);
VYX_BENCH_PAIR(
    J0_vs_cyl_bessel_j, vm::J0, [](double x) { return std::cyl_bessel_j(0.0, x); }, 0.0, 30.0);
VYX_BENCH_PAIR(
    Y1_vs_y1, vm::Y1, [](double x) { return ::y1(x); }, 0.0, 30.0);
VYX_BENCH_PAIR(
    J5_vs_jn, [](double x) { return vm::J(5, x); }, [](double x) { return ::jn(5, x); }, 0.0, 30.0);
VYX_BENCH_PAIR(
    I0_vs_cyl_bessel_i, vm::I0, [](double x) { return std::cyl_bessel_i(0.0, x); }, 0.0, 30.0);
VYX_BENCH_PAIR(
    K1_vs_cyl_bessel_k, vm::K1, [](double x) { return std::cyl_bessel_k(1.0, x); }, 0.0, 30.0);
VYX_BENCH_PAIR(
    K5_vs_cyl_bessel_k, [](double x) { return vm::K(5, x); },
    [](double x) { return std::cyl_bessel_k(5.0, x); }, 0.0, 30.0);
VYX_BENCH_PAIR(
    In_vs_cyl_bessel_i, [](double x) { return vm::In(0.3, x); },
    [](double x) { return std::cyl_bessel_i(0.3, x); }, 0.0, 30.0);
VYX_BENCH_PAIR(
    Kn_vs_cyl_bessel_k, [](double x) { return vm::Kn(0.3, x); },
    [](double x) { return std::cyl_bessel_k(0.3, x); }, 0.0, 30.0);
VYX_BENCH_PAIR(
    Gamma_vs_tgamma, vm::Gamma, [](double x) { return std::tgamma(x); }, 0.0, 12.0);
VYX_BENCH_PAIR(
    erf_vs_erf, vm::erf, [](double x) { return std::erf(x); }, -4.0, 4.0);

/// sn, cn and dn have no library peer; sin, cos and 1 stand for m = 0.
void BM_JacobiSnCnDn_Vyx(benchmark::State &s) {
  Run(
      s, [](double u) { return vm::sn(u, 0.7) + vm::cn(u, 0.7) + vm::dn(u, 0.7); }, -5.0, 5.0);
}
BENCHMARK(BM_JacobiSnCnDn_Vyx);

} // namespace
