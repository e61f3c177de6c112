// Height synthesis: the natural ground (rolling hills, or a stadium floor
// with its stands), the track bed cut along the course with its jumps and
// banked turns, and the shoulders that blend the two.
#include "datagen.h"

#include "core/helpers.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

static double smoothstep(double t) { return t <= 0 ? 0 : t >= 1 ? 1 : t * t * (3 - 2 * t); }

static double natural_height(const TrackDesign* d, double x, double z, double extent) {
  if (d->surfaces == STADIUM) {
    // Terraced stands around a flat floor.
    double edge = fmin(fmin(x, z), fmin(extent - x, extent - z));
    double t = (24.0 - edge) / 14.0;
    if (t <= 0) return 0;
    if (t > 1) t = 1;
    return d->stand_height * floor(t * 4.0 + 0.999) / 4.0;
  }
  double hills = d->hill_amplitude * fbm(x / d->hill_scale, z / d->hill_scale, d->seed, 5, 0);
  double bumps = 0.35 * fbm(x / 24.0, z / 24.0, d->seed + 17u, 3, 0);
  return 40.0 + hills + bumps;
}

// Linear interpolation of a course array at distance s.
static double course_value(const Course* c, const double* values, double s) {
  double w = wrap_distance(c, s) / c->ds;
  int k = (int)floor(w);
  double f = w - k;
  int k0 = k % c->count, k1 = (k + 1) % c->count;
  return values[k0] + (values[k1] - values[k0]) * f;
}

double track_height(const TrackDesign* design, const Course* c, const Terrain* t, double s, double d) {
  (void)design;
  double half = course_value(c, c->width, s) * 0.5;
  if (d > half) d = half;
  if (d < -half) d = -half;
  double bank = course_value(c, c->bank, s);
  return course_value(c, t->bed, s) + course_value(c, c->profile, s) - tan(bank) * d;
}

double terrain_height(const Terrain* t, double x, double z) {
  double gx = x / t->s, gz = z / t->s;
  int i = (int)floor(gx), j = (int)floor(gz);
  double fx = gx - i, fz = gz - j;
  auto at = [t](int a, int b) {
    a = a < 0 ? 0 : a >= t->N ? t->N - 1 : a;
    b = b < 0 ? 0 : b >= t->N ? t->N - 1 : b;
    return t->height[(size_t)b * t->N + a];
  };
  double top = at(i, j) + (at(i + 1, j) - at(i, j)) * fx;
  double bottom = at(i, j + 1) + (at(i + 1, j + 1) - at(i, j + 1)) * fx;
  return top + (bottom - top) * fz;
}

// Cyclic box filter along the course.
static void smooth_cyclic(double* values, int count, int half) {
  double* copy = (double*)xmalloc(sizeof(double) * count);
  memcpy(copy, values, sizeof(double) * count);
  for (int k = 0; k < count; k++) {
    double sum = 0;
    for (int m = -half; m <= half; m++) sum += copy[((k + m) % count + count) % count];
    values[k] = sum / (2 * half + 1);
  }
  free(copy);
}

void synthesize_terrain(const TrackDesign* d, const Course* c, Terrain* t) {
  int N = (1 << (d->size_exponent + 1)) + 1;
  double s = d->spacing, extent = (N - 1) * s;
  size_t count = (size_t)N * N;
  memset(t, 0, sizeof *t);
  t->N = N;
  t->s = s;
  t->natural = (double*)xmalloc(sizeof(double) * count);
  t->height = (double*)xmalloc(sizeof(double) * count);
  t->lateral = (float*)xmalloc(sizeof(float) * count);
  t->along = (float*)xmalloc(sizeof(float) * count);
  t->near = (uint8_t*)xmalloc(count);
  t->bed = (double*)xmalloc(sizeof(double) * c->count);
  for (int j = 0; j < N; j++)
    for (int i = 0; i < N; i++) t->natural[(size_t)j * N + i] = natural_height(d, i * s, j * s, extent);

  // The bed follows the ground along the course, smoothed so the track
  // rolls gently instead of copying every hump.
  for (int k = 0; k < c->count; k++) t->bed[k] = natural_height(d, c->x[k], c->z[k], extent);
  int half = (int)lround(d->bed_smoothing / c->ds);
  for (int pass = 0; pass < 3; pass++) smooth_cyclic(t->bed, c->count, half);

  // Nearest centreline point of every sample within reach of the track.
  float* best = (float*)xmalloc(sizeof(float) * count);
  int* nearest = (int*)xmalloc(sizeof(int) * count);
  for (size_t k = 0; k < count; k++) {
    best[k] = 1e30f;
    nearest[k] = -1;
  }
  // One reach for every point, so the point found is the true nearest one
  // and neighbouring stretches of track meet where they are equally far.
  double reach = 0;
  for (int k = 0; k < c->count; k++) {
    double centre = t->bed[k] + c->profile[k];
    double rise = fabs(centre - natural_height(d, c->x[k], c->z[k], extent)) + 3.0;
    reach = fmax(reach, c->width[k] * 0.5 + fmax(d->shoulder, rise / 0.6) + 4.0);
  }
  for (int k = 0; k < c->count; k++) {
    int i0 = (int)floor((c->x[k] - reach) / s), i1 = (int)ceil((c->x[k] + reach) / s);
    int j0 = (int)floor((c->z[k] - reach) / s), j1 = (int)ceil((c->z[k] + reach) / s);
    if (i0 < 0) i0 = 0;
    if (j0 < 0) j0 = 0;
    if (i1 > N - 1) i1 = N - 1;
    if (j1 > N - 1) j1 = N - 1;
    float reach2 = (float)(reach * reach);
    for (int j = j0; j <= j1; j++)
      for (int i = i0; i <= i1; i++) {
        float dx = (float)(i * s - c->x[k]), dz = (float)(j * s - c->z[k]);
        float d2 = dx * dx + dz * dz;
        size_t at = (size_t)j * N + i;
        if (d2 < reach2 && d2 < best[at]) {
          best[at] = d2;
          nearest[at] = k;
        }
      }
  }

  for (int j = 0; j < N; j++)
    for (int i = 0; i < N; i++) {
      size_t at = (size_t)j * N + i;
      double natural = t->natural[at];
      t->height[at] = natural;
      t->near[at] = 0;
      t->lateral[at] = 1e9f;
      t->along[at] = 0;
      int k = nearest[at];
      if (k < 0) continue;
      double px = i * s - c->x[k], pz = j * s - c->z[k];
      double u = px * c->tx[k] + pz * c->tz[k];
      double lateral = px * c->tz[k] - pz * c->tx[k];
      if (u > c->ds) u = c->ds;
      if (u < -c->ds) u = -c->ds;
      double along = wrap_distance(c, k * c->ds + u);
      t->near[at] = 1;
      t->lateral[at] = (float)lateral;
      t->along[at] = (float)along;
      double half_width = course_value(c, c->width, along) * 0.5;
      double on_track = track_height(d, c, t, along, lateral);
      double outside = fabs(lateral) - half_width;
      if (outside <= 0) {
        t->height[at] = on_track;
        continue;
      }
      double shoulder = fmax(d->shoulder, fabs(on_track - natural) / 0.6);
      if (outside >= shoulder) continue;
      double h = on_track + (natural - on_track) * smoothstep(outside / shoulder);
      // Loose dirt pushed to the edge by the groomer.
      if (d->surfaces == OUTDOOR && outside < 3.0) h += 0.35 * sin(3.14159265358979 * outside / 3.0);
      t->height[at] = h;
    }
  free(best);
  free(nearest);
}

void free_terrain(Terrain* t) {
  free(t->natural);
  free(t->height);
  free(t->lateral);
  free(t->along);
  free(t->near);
  free(t->bed);
  memset(t, 0, sizeof *t);
}

double steepest_track_slope(const TrackDesign* d, const Course* c, const Terrain* t, double* at) {
  double steepest = 0;
  *at = 0;
  for (int k = 0; k < c->count; k++) {
    int next = (k + 1) % c->count;
    double half = c->width[k] * 0.5 - 2.0;
    if (d->width * 0.5 - 2.0 < half) half = d->width * 0.5 - 2.0;
    for (int side = -1; side <= 1; side++) {
      double off = side * half;
      double x0 = c->x[k] + off * c->tz[k], z0 = c->z[k] - off * c->tx[k];
      double x1 = c->x[next] + off * c->tz[next], z1 = c->z[next] - off * c->tx[next];
      double run = sqrt((x1 - x0) * (x1 - x0) + (z1 - z0) * (z1 - z0));
      if (run < 1e-6) continue;
      double slope = fabs(terrain_height(t, x1, z1) - terrain_height(t, x0, z0)) / run;
      if (slope > steepest) {
        steepest = slope;
        *at = k * c->ds;
      }
    }
  }
  return steepest;
}
