// Baking the synthesised terrain into the game's height field: samples,
// the tile map of surface types, sun shading with cast shadows, and the
// decals (scuff marks where bikes brake and turn, our logo by the start).
#include "datagen.h"

#include "core/helpers.h"
#include "terrain/height_field.h"
#include "terrain/surface_types.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

static void normalise(double v[3]) {
  double l = sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  v[0] /= l;
  v[1] /= l;
  v[2] /= l;
}

static void fill_tiles(const TrackDesign* d, const Course* c, const Terrain* t, HeightField* hf) {
  int T = hf->T;
  for (int b = 0; b < T; b++)
    for (int a = 0; a < T; a++) {
      size_t at = (size_t)(2 * b + 1) * t->N + (2 * a + 1);
      double edge = 1e9;
      if (t->near[at]) {
        double s = t->along[at];
        int k = course_index(c, s);
        edge = fabs(t->lateral[at]) - c->width[k] * 0.5;
      }
      // A ragged border between the surfaces.
      edge += (hash_unit(a, b, d->seed + 5u) - 0.5) * 1.5;
      uint8_t type;
      if (edge < -2.0) type = 0;
      else if (edge < 2.5) type = 1;
      else if (d->surfaces == STADIUM && t->natural[at] > 0.5) type = 3;
      else type = 2;
      hf->tile_map[(size_t)b * T + a] = type;
    }
}

// Shading: ambient plus the sun on the sample normal, dimmed where another
// part of the ground blocks the sun. Flat, lit ground comes out at about
// 118 of the half-intensity range (the renderer doubles it).
static void fill_shading(const TrackDesign* d, const Terrain* t, HeightField* hf) {
  int N = t->N;
  double s = t->s;
  double sun[3] = {d->sun[0], d->sun[1], d->sun[2]};
  normalise(sun);
  double horizontal = sqrt(sun[0] * sun[0] + sun[2] * sun[2]);
  double rise = sun[1] / horizontal;  // per foot towards the sun
  double hx = sun[0] / horizontal, hz = sun[2] / horizontal;
  double highest = -1e30;
  for (size_t k = 0; k < (size_t)N * N; k++) highest = fmax(highest, t->height[k]);

  uint8_t* lit = (uint8_t*)xmalloc((size_t)N * N);
  for (int j = 0; j < N; j++)
    for (int i = 0; i < N; i++) {
      double x = i * s, z = j * s, h = t->height[(size_t)j * N + i] + 0.05;
      uint8_t shadow = 0;
      for (double run = s; h + rise * run <= highest; run += s) {
        double px = x + hx * run, pz = z + hz * run;
        if (px < 0 || pz < 0 || px > (N - 1) * s || pz > (N - 1) * s) break;
        if (terrain_height(t, px, pz) > h + rise * run) {
          shadow = 255;
          break;
        }
      }
      lit[(size_t)j * N + i] = shadow;
    }
  // Soften the shadow edges over one sample.
  for (int j = 0; j < N; j++)
    for (int i = 0; i < N; i++) {
      int sum = 0, n = 0;
      for (int dj = -1; dj <= 1; dj++)
        for (int di = -1; di <= 1; di++) {
          int a = i + di, b = j + dj;
          if (a < 0 || b < 0 || a >= N || b >= N) continue;
          sum += lit[(size_t)b * N + a];
          n++;
        }
      hf->shadows[(size_t)j * N + i] = (uint8_t)(sum / n);
    }
  free(lit);

  double ambient = (d->ambient[0] + d->ambient[1] + d->ambient[2]) / 3.0;
  double flat = ambient + 0.6 * sun[1];
  for (int j = 0; j < N; j++)
    for (int i = 0; i < N; i++) {
      auto H = [t, N](int a, int b) {
        a = a < 0 ? 0 : a >= N ? N - 1 : a;
        b = b < 0 ? 0 : b >= N ? N - 1 : b;
        return t->height[(size_t)b * N + a];
      };
      double n[3] = {-(H(i + 1, j) - H(i - 1, j)) / (2 * s), 1.0, -(H(i, j + 1) - H(i, j - 1)) / (2 * s)};
      normalise(n);
      double direct = fmax(0.0, n[0] * sun[0] + n[1] * sun[1] + n[2] * sun[2]);
      double light = 1.0 - hf->shadows[(size_t)j * N + i] / 255.0 * 0.85;
      for (int ch = 0; ch < 3; ch++) {
        double value = (d->ambient[ch] + 0.6 * direct * light * d->sun_colour[ch]) / flat;
        double byte = value * 118.0;
        hf->shading[((size_t)j * N + i) * 3 + ch] = (uint8_t)(byte < 0 ? 0 : byte > 127 ? 127 : lround(byte));
      }
    }
}

static void add_decals(const TrackDesign* d, const Course* c, HeightField* hf) {
  Rng rng = {d->seed ^ 0xdeca1u};
  const char* scuffs = "@textures/decal_scuffs.png";
  // Wheelspin marks behind the gates.
  double half_line = (d->start_gates - 1) * d->gate_spacing * 0.5;
  int k = course_index(c, d->gate_line + 6);
  for (int m = 0; m < d->decal_marks / 2; m++) {
    double off = rng_range(&rng, -half_line, half_line);
    double ahead = rng_range(&rng, 2, 18);
    double x = c->x[k] + c->tx[k] * ahead + off * c->tz[k];
    double z = c->z[k] + c->tz[k] * ahead - off * c->tx[k];
    height_field_add_decal(hf, (float)x, (float)z, (float)rng_range(&rng, -3.14159, 3.14159),
                           (float)rng_range(&rng, 5, 8), 1.0f, scuffs);
  }
  // Braking and drive marks through the sharpest turns.
  int placed = 0;
  for (int i = 0; i < c->count && placed < d->decal_marks - d->decal_marks / 2; i += (int)(40 / c->ds)) {
    if (fabs(c->curvature[i]) < 1.0 / 90.0) continue;
    double off = rng_range(&rng, -d->width * 0.3, d->width * 0.3);
    double x = c->x[i] + off * c->tz[i], z = c->z[i] - off * c->tx[i];
    height_field_add_decal(hf, (float)x, (float)z, (float)rng_range(&rng, -3.14159, 3.14159),
                           (float)rng_range(&rng, 6, 10), 1.0f, scuffs);
    placed++;
  }
  // The logo on the grass beside the start.
  int g = course_index(c, d->gate_line - 20);
  double off = c->width[g] * 0.5 + 16;
  double x = c->x[g] - off * c->tz[g], z = c->z[g] + off * c->tx[g];
  height_field_add_decal(hf, (float)x, (float)z, (float)atan2(c->tz[g], c->tx[g]), 16.0f, 0.5f,
                         "@textures/decal_logo.png");
  rebuild_decal_cells(hf);
}

void bake_height_field(const TrackDesign* d, const Course* c, const Terrain* t, HeightField* hf) {
  height_field_create(hf, d->size_exponent, (float)d->spacing);
  size_t count = (size_t)t->N * t->N;
  for (size_t k = 0; k < count; k++) hf->heights[k] = (float)t->height[k];
  height_range(hf, &hf->min_height, &hf->max_height);
  fill_tiles(d, c, t, hf);
  fill_shading(d, t, hf);
  add_decals(d, c, hf);
}
