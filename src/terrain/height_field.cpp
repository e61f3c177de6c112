// The height field's queries, its decal index, and building and freeing
// the in-memory terrain.
#include "terrain/height_field.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

// Keeps indices inside int range for huge or non-finite coordinates; far
// beyond the grid every index clamps to the edge anyway.
static inline float clamp_grid(float g) { return fminf(fmaxf(g, -1.0e7f), 1.0e7f); }

static inline float H(const HeightField* hf, int i, int j) {
  int last = hf->N - 1;
  i = i < 0 ? 0 : i > last ? last : i;
  j = j < 0 ? 0 : j > last ? last : j;
  return hf->heights[j * hf->N + i];
}

float sample(const HeightField* hf, int i, int j) { return H(hf, i, j); }

float height_at(const HeightField* hf, float x, float z) {
  float gx = clamp_grid(x / hf->s), gz = clamp_grid(z / hf->s);
  float fi = floorf(gx), fj = floorf(gz);
  int i = (int)fi, j = (int)fj;
  float fx = gx - fi, fz = gz - fj;
  if ((i ^ j) & 1) {
    // Diagonal from (i+1, j) to (i, j+1).
    if (fx + fz <= 1.0f) {
      float h00 = H(hf, i, j);
      return h00 + fx * (H(hf, i + 1, j) - h00) + fz * (H(hf, i, j + 1) - h00);
    }
    float h11 = H(hf, i + 1, j + 1);
    return h11 + (1.0f - fx) * (H(hf, i, j + 1) - h11) + (1.0f - fz) * (H(hf, i + 1, j) - h11);
  }
  // Diagonal from (i, j) to (i+1, j+1).
  if ((1.0f - fx) + fz <= 1.0f) {
    float h10 = H(hf, i + 1, j);
    return h10 + (1.0f - fx) * (H(hf, i, j) - h10) + fz * (H(hf, i + 1, j + 1) - h10);
  }
  float h01 = H(hf, i, j + 1);
  return h01 + fx * (H(hf, i + 1, j + 1) - h01) + (1.0f - fz) * (H(hf, i, j) - h01);
}

static int clamp_index(double v) {
  if (!(v > -1048576.0)) return -1048576;
  if (v > 1048576.0) return 1048576;
  return (int)v;
}

float average_height(const HeightField* hf, float x, float z, float r) {
  float s = hf->s;
  int i0 = clamp_index(floor((x - r) / s)), i1 = clamp_index(ceil((x + r) / s));
  int j0 = clamp_index(floor((z - r) / s)), j1 = clamp_index(ceil((z + r) / s));
  float total = 0.0f, weight_sum = 0.0f;
  for (int j = j0; j <= j1; j++)
    for (int i = i0; i <= i1; i++) {
      float dx = x - (float)i * s, dz = z - (float)j * s;
      float d = sqrtf(dx * dx + dz * dz);
      float w;
      if (d < r)
        w = 1.0f;
      else if (d < r + s)
        w = (r + s - d) / s;
      else
        continue;
      total += w * H(hf, i, j);
      weight_sum += w;
    }
  if (weight_sum == 0.0f) return H(hf, i0, j0);
  return total / weight_sum;
}

static int clamp_tile(float g, int T) {
  if (!(g >= 0.0f)) return 0;  // also NaN
  if (g >= (float)(T - 1)) return T - 1;
  return (int)g;
}

int tile_at(const HeightField* hf, float x, float z) {
  int a = clamp_tile(floorf(x / (2.0f * hf->s)), hf->T);
  int b = clamp_tile(floorf(z / (2.0f * hf->s)), hf->T);
  return hf->tile_map[b * hf->T + a];
}

void grid_normal(const HeightField* hf, int i, int j, float normal[3]) {
  static const int around[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}};
  float s = hf->s;
  float centre = H(hf, i, j);
  float p[8][3];
  int last = hf->N - 1;
  for (int k = 0; k < 8; k++) {
    int ni = i + around[k][0], nj = j + around[k][1];
    ni = ni < 0 ? 0 : ni > last ? last : ni;
    nj = nj < 0 ? 0 : nj > last ? last : nj;
    int ci = i < 0 ? 0 : i > last ? last : i;
    int cj = j < 0 ? 0 : j > last ? last : j;
    p[k][0] = (float)(ni - ci) * s;
    p[k][1] = H(hf, ni, nj) - centre;
    p[k][2] = (float)(nj - cj) * s;
  }
  double sum[3] = {0, 0, 0};
  for (int k = 0; k < 8; k++) {
    const float* a = p[k];
    const float* b = p[(k + 1) % 8];
    // b x a points up for neighbours taken in this order.
    double c[3] = {(double)b[1] * a[2] - (double)b[2] * a[1], (double)b[2] * a[0] - (double)b[0] * a[2],
                   (double)b[0] * a[1] - (double)b[1] * a[0]};
    double length = sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]);
    if (length == 0) continue;  // an edge neighbour clamped onto the centre
    for (int m = 0; m < 3; m++) sum[m] += c[m] / length;
  }
  double length = sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
  if (length == 0) {
    normal[0] = 0;
    normal[1] = 1;
    normal[2] = 0;
    return;
  }
  for (int m = 0; m < 3; m++) normal[m] = (float)(sum[m] / length);
}

static uint8_t normal_byte(float c) {
  int v = (int)(c * 127.0f);
  if (v < -127) v = -127;
  if (v > 127) v = 127;
  return (uint8_t)(v + 128);
}

void build_normal_map(HeightField* hf) {
  size_t count = (size_t)hf->N * hf->N;
  if (!hf->normal_map) hf->normal_map = (uint8_t*)xmalloc(count * 3);
  for (int j = 0; j < hf->N; j++)
    for (int i = 0; i < hf->N; i++) {
      float n[3];
      grid_normal(hf, i, j, n);
      size_t at = (size_t)j * hf->N + i;
      hf->normal_map[at * 3 + 0] = normal_byte(n[0]);
      hf->normal_map[at * 3 + 1] = (uint8_t)(255 - hf->shadows[at]);
      hf->normal_map[at * 3 + 2] = normal_byte(n[2]);
    }
}

void height_range(const HeightField* hf, float* lowest, float* highest) {
  size_t count = (size_t)hf->N * hf->N;
  float lo = hf->heights[0], hi = hf->heights[0];
  for (size_t k = 1; k < count; k++) {
    if (hf->heights[k] < lo) lo = hf->heights[k];
    if (hf->heights[k] > hi) hi = hf->heights[k];
  }
  *lowest = lo;
  *highest = hi;
}

// ---- decals ----

int decal_cell_of(const HeightField* hf, float p) {
  float cell = floorf(p / (hf->W / (float)DECAL_CELLS));
  if (!(cell >= 0.0f)) return 0;
  if (cell >= (float)(DECAL_CELLS - 1)) return DECAL_CELLS - 1;
  return (int)cell;
}

void rebuild_decal_cells(HeightField* hf) {
  for (int c = 0; c < DECAL_CELLS * DECAL_CELLS; c++) hf->decal_cells[c].count = 0;
  for (int d = 0; d < hf->decals.count; d++) {
    const TerrainDecal* decal = array_at<TerrainDecal>(&hf->decals, d);
    // Half extents of the turned rectangle's bounding box.
    float hx = decal->size * 0.5f, hz = decal->size * decal->aspect * 0.5f;
    float c = fabsf(decal->cos_angle), s = fabsf(decal->sin_angle);
    float ex = c * fabsf(hx) + s * fabsf(hz), ez = s * fabsf(hx) + c * fabsf(hz);
    int a0 = decal_cell_of(hf, decal->x - ex), a1 = decal_cell_of(hf, decal->x + ex);
    int b0 = decal_cell_of(hf, decal->z - ez), b1 = decal_cell_of(hf, decal->z + ez);
    for (int b = b0; b <= b1; b++)
      for (int a = a0; a <= a1; a++) array_append(&hf->decal_cells[b * DECAL_CELLS + a], &d);
  }
}

void height_field_add_decal(HeightField* hf, float x, float z, float angle, float size, float aspect,
                            const char* texture) {
  TerrainDecal decal = {};
  decal.x = x;
  decal.z = z;
  decal.angle = angle;
  decal.sin_angle = sinf(angle);
  decal.cos_angle = cosf(angle);
  decal.size = size;
  decal.aspect = aspect;
  decal.texture = intern_string(texture);
  array_append(&hf->decals, &decal);
}

// ---- lifetime ----

static void init_lists(HeightField* hf) {
  array_init(&hf->decals, sizeof(TerrainDecal));
  for (int c = 0; c < DECAL_CELLS * DECAL_CELLS; c++) array_init(&hf->decal_cells[c], sizeof(int));
}

void height_field_create(HeightField* hf, int n, float spacing) {
  memset(hf, 0, sizeof *hf);
  hf->n = n;
  hf->N = (1 << (n + 1)) + 1;
  hf->s = spacing;
  hf->tile_size = 2 * spacing;
  hf->T = 1 << n;
  hf->W = (float)(1 << (n + 1)) * spacing;
  size_t count = (size_t)hf->N * hf->N;
  hf->heights = (float*)xmalloc(count * sizeof(float));
  for (size_t k = 0; k < count; k++) hf->heights[k] = 0.0f;
  hf->tile_map = (uint8_t*)xmalloc((size_t)hf->T * hf->T);
  memset(hf->tile_map, 0, (size_t)hf->T * hf->T);
  hf->shading = (uint8_t*)xmalloc(count * 3);
  memset(hf->shading, 64, count * 3);
  hf->shadows = (uint8_t*)xmalloc(count);
  memset(hf->shadows, 0, count);
  hf->surface_types = (SurfaceType*)xmalloc(sizeof(SurfaceType));
  surface_type_defaults(&hf->surface_types[0]);
  hf->surface_type_count = 1;
  compute_transition_keys(hf->surface_types, 1);
  init_lists(hf);
  hf->loaded = true;
}

void height_field_free(HeightField* hf) {
  free(hf->heights);
  free(hf->tile_map);
  free(hf->shading);
  free(hf->shadows);
  free(hf->normal_map);
  free(hf->surface_types);
  if (hf->decals.items) array_free(&hf->decals);
  for (int c = 0; c < DECAL_CELLS * DECAL_CELLS; c++)
    if (hf->decal_cells[c].items) array_free(&hf->decal_cells[c]);
  memset(hf, 0, sizeof *hf);
}

// Shared with the loader.
void height_field_init_lists(HeightField* hf) { init_lists(hf); }
