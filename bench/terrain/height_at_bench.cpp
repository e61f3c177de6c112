// height_at over random points of a 1025 x 1025 terrain: the cost of one
// query, and a count of the heap allocations made while querying (none).
#include <benchmark/benchmark.h>

#include "terrain/height_field.h"

#include <cstdint>
#include <cstdlib>
#include <random>

// Every allocation in this program passes through here.
static uint64_t allocations = 0;
extern "C" void* __libc_malloc(size_t size);
extern "C" void* __libc_calloc(size_t count, size_t size);
extern "C" void* __libc_realloc(void* pointer, size_t size);
extern "C" void* malloc(size_t size) {
  allocations++;
  return __libc_malloc(size);
}
extern "C" void* calloc(size_t count, size_t size) {
  allocations++;
  return __libc_calloc(count, size);
}
extern "C" void* realloc(void* pointer, size_t size) {
  allocations++;
  return __libc_realloc(pointer, size);
}

namespace {

struct Terrain {
  HeightField hf;
  std::vector<float> points;  // x, z pairs
  Terrain() {
    height_field_create(&hf, 9, 2.0f);
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> height(0.0f, 40.0f), where(-10.0f, hf.W + 10.0f);
    for (int k = 0; k < hf.N * hf.N; k++) hf.heights[k] = height(random);
    points.resize(2 * 65536);
    for (float& p : points) p = where(random);
  }
};

Terrain& terrain() {
  static Terrain t;
  return t;
}

void BM_height_at_random_points(benchmark::State& state) {
  Terrain& t = terrain();
  size_t count = t.points.size() / 2, k = 0;
  uint64_t before = allocations;
  for (auto _ : state) {
    benchmark::DoNotOptimize(height_at(&t.hf, t.points[2 * k], t.points[2 * k + 1]));
    k = (k + 1) & (count - 1);
  }
  state.counters["allocations"] = (double)(allocations - before);
  state.counters["seconds_per_query"] = benchmark::Counter(
      (double)state.iterations(), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_height_at_random_points);

// The same points through sample() alone: the floor of what three reads cost.
void BM_sample_reads_baseline(benchmark::State& state) {
  Terrain& t = terrain();
  size_t count = t.points.size() / 2, k = 0;
  for (auto _ : state) {
    int i = (int)(t.points[2 * k] / t.hf.s), j = (int)(t.points[2 * k + 1] / t.hf.s);
    benchmark::DoNotOptimize(sample(&t.hf, i, j) + sample(&t.hf, i + 1, j) + sample(&t.hf, i, j + 1));
    k = (k + 1) & (count - 1);
  }
}
BENCHMARK(BM_sample_reads_baseline);

}  // namespace
