// Deterministic noise for terrain and textures: integer hashes on a
// lattice, smoothed into value noise and summed into octaves.
#include "datagen.h"

#include <cmath>

uint32_t hash_u32(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

uint32_t hash3(int x, int y, uint32_t seed) {
  uint32_t h = hash_u32((uint32_t)x * 0x9e3779b1U ^ hash_u32((uint32_t)y + 0x632be5abU) ^ seed * 0x85ebca6bU);
  return hash_u32(h + seed);
}

double hash_unit(int x, int y, uint32_t seed) { return (double)(hash3(x, y, seed) >> 8) * (1.0 / 16777216.0); }

static double fade(double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); }

static int wrap(int v, int period) {
  if (period <= 0) return v;
  int m = v % period;
  return m < 0 ? m + period : m;
}

double value_noise(double x, double y, uint32_t seed, int period) {
  double fx = std::floor(x), fy = std::floor(y);
  int ix = (int)fx, iy = (int)fy;
  double u = fade(x - fx), v = fade(y - fy);
  int x0 = wrap(ix, period), x1 = wrap(ix + 1, period);
  int y0 = wrap(iy, period), y1 = wrap(iy + 1, period);
  double a = hash_unit(x0, y0, seed), b = hash_unit(x1, y0, seed);
  double c = hash_unit(x0, y1, seed), d = hash_unit(x1, y1, seed);
  double top = a + (b - a) * u, bottom = c + (d - c) * u;
  return (top + (bottom - top) * v) * 2.0 - 1.0;
}

double fbm(double x, double y, uint32_t seed, int octaves, int period) {
  double sum = 0.0, amplitude = 0.5, norm = 0.0;
  for (int o = 0; o < octaves; o++) {
    sum += amplitude * value_noise(x, y, seed + (uint32_t)o * 1013U, period);
    norm += amplitude;
    x *= 2.0;
    y *= 2.0;
    if (period > 0) period *= 2;
    amplitude *= 0.5;
  }
  return sum / norm;
}

uint32_t rng_next(Rng* rng) {
  rng->state += 0x6d2b79f5U;
  return hash_u32(rng->state);
}

double rng_unit(Rng* rng) { return (double)(rng_next(rng) >> 8) * (1.0 / 16777216.0); }

double rng_range(Rng* rng, double lo, double hi) { return lo + (hi - lo) * rng_unit(rng); }
