// Keeps the benchmark harness honest before the subsystems bring their own.
#include <benchmark/benchmark.h>

#include "core/helpers.h"

static void BM_intern_string(benchmark::State& state) {
  char name[32];
  for (int i = 0; i < 200; i++) {
    snprintf(name, sizeof name, "name%d", i);
    intern_string(name);
  }
  for (auto _ : state) benchmark::DoNotOptimize(intern_string("name150"));
}
BENCHMARK(BM_intern_string);
