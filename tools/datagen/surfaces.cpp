// Surface types of both sets (outdoor dirt and grass; stadium hard-pack,
// loose dirt, arena floor and concrete) with their grip, rolling resistance,
// roost and wear, and their seamless 256 x 256 ground textures.
#include "datagen.h"

#include "assets/image.h"
#include "core/helpers.h"
#include "terrain/surface_types.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct RoostSpec {
  float count, size, grow, drag, vscale, randomize, slip;
  uint8_t r, g, b, a;
  float fade_a;  // per second
};

// Friction by slip speed (ft/s) and rolling resistance by ground speed:
// grip peaks at small slip and falls off as the tyre slides; soft ground
// resists rolling more, and more so the deeper the tyre sinks (a to b).
struct SurfaceSpec {
  const char* texture;
  float friction[4][2];     // value, slip speed
  float roll[3][3];         // a, b, ground speed
  RoostSpec roost[2];       // count 0 = unused
  float erode_depth, erode_lower, erode_upper, erode_displacement;
  // Texture colours: base and variation, grain size.
  uint8_t base[3];
  uint8_t dark[3];
  uint8_t light[3];
  float grain;
  uint32_t seed;
  int style;  // 0 dirt, 1 loose clods, 2 grass, 3 concrete
};

static const SurfaceSpec outdoor[] = {
    {"@textures/groomed_dirt.png",
     {{1.15f, 2}, {1.05f, 8}, {0.92f, 20}, {0.80f, 45}},
     {{4, 14, 1}, {5, 18, 30}, {6, 22, 80}},
     {{1.5f, 0.30f, 3.0f, 0.6f, 0.9f, 12, 4, 104, 80, 58, 255, -300},
      {0.6f, 0.70f, 6.0f, 1.5f, 0.5f, 8, 8, 150, 128, 100, 140, -160}},
     1.0f, 50, 150, 2.0f,
     {118, 88, 62}, {84, 60, 42}, {146, 114, 84}, 1.0f, 101, 0},
    {"@textures/loose_dirt.png",
     {{1.00f, 2}, {0.90f, 8}, {0.78f, 20}, {0.66f, 45}},
     {{7, 26, 1}, {8, 32, 30}, {9, 38, 80}},
     {{2.5f, 0.35f, 3.5f, 0.6f, 1.0f, 15, 3, 122, 96, 70, 255, -280},
      {1.0f, 0.80f, 6.0f, 1.4f, 0.5f, 8, 6, 160, 138, 108, 150, -150}},
     1.6f, 40, 130, 2.5f,
     {138, 106, 76}, {96, 72, 50}, {170, 140, 108}, 1.6f, 202, 1},
    {"@textures/grass.png",
     {{0.95f, 2}, {0.82f, 8}, {0.68f, 20}, {0.55f, 45}},
     {{5, 16, 1}, {6, 20, 30}, {7, 24, 80}},
     {{0.8f, 0.25f, 2.0f, 0.8f, 0.8f, 10, 6, 70, 96, 44, 255, -320}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
     0.5f, 70, 200, 1.5f,
     {74, 112, 50}, {48, 80, 34}, {110, 148, 72}, 1.0f, 303, 2},
};

static const SurfaceSpec stadium[] = {
    {"@textures/hardpack.png",
     {{1.25f, 2}, {1.12f, 8}, {0.98f, 20}, {0.85f, 45}},
     {{3, 10, 1}, {4, 13, 30}, {5, 16, 80}},
     {{1.0f, 0.25f, 3.0f, 0.6f, 0.9f, 10, 5, 92, 72, 56, 255, -320},
      {0.4f, 0.60f, 6.0f, 1.5f, 0.5f, 8, 9, 140, 120, 100, 120, -150}},
     0.6f, 60, 170, 1.5f,
     {96, 74, 58}, {70, 52, 40}, {124, 100, 80}, 0.8f, 404, 0},
    {"@textures/stadium_loose.png",
     {{1.05f, 2}, {0.94f, 8}, {0.82f, 20}, {0.70f, 45}},
     {{6, 22, 1}, {7, 28, 30}, {8, 34, 80}},
     {{2.0f, 0.30f, 3.5f, 0.6f, 1.0f, 14, 3, 112, 88, 66, 255, -280}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
     1.4f, 45, 140, 2.2f,
     {116, 90, 68}, {82, 62, 46}, {148, 120, 94}, 1.4f, 505, 1},
    {"@textures/arena_floor.png",
     {{1.10f, 2}, {1.00f, 8}, {0.88f, 20}, {0.75f, 45}},
     {{4, 12, 1}, {5, 15, 30}, {6, 18, 80}},
     {{0.8f, 0.25f, 3.0f, 0.7f, 0.8f, 10, 5, 110, 84, 64, 255, -320}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
     0.8f, 55, 160, 1.8f,
     {128, 92, 70}, {96, 66, 50}, {156, 118, 92}, 0.9f, 606, 0},
    {"@textures/concrete.png",
     {{0.90f, 2}, {0.80f, 8}, {0.70f, 20}, {0.60f, 45}},
     {{2, 6, 1}, {2, 7, 30}, {3, 8, 80}},
     {{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
     0.0f, 1000, 2000, 0.0f,
     {150, 150, 146}, {118, 118, 116}, {176, 176, 172}, 0.6f, 707, 3},
};

static void specs_for(SurfaceSet set, const SurfaceSpec** specs, int* count) {
  if (set == STADIUM) {
    *specs = stadium;
    *count = sizeof stadium / sizeof stadium[0];
  } else {
    *specs = outdoor;
    *count = sizeof outdoor / sizeof outdoor[0];
  }
}

int surface_type_count(SurfaceSet set) {
  const SurfaceSpec* specs;
  int count;
  specs_for(set, &specs, &count);
  return count;
}

void build_surface_types(SurfaceSet set, SurfaceType* types) {
  const SurfaceSpec* specs;
  int count;
  specs_for(set, &specs, &count);
  for (int t = 0; t < count; t++) {
    const SurfaceSpec* spec = &specs[t];
    SurfaceType* type = &types[t];
    surface_type_defaults(type);
    type->texture = intern_string(spec->texture);
    for (int k = 0; k < SURFACE_POINTS; k++) {
      type->friction[k] = {0, 0};
      type->roll_resist[k] = {0, 0, 0};
    }
    for (int k = 0; k < 4; k++) type->friction[k] = {spec->friction[k][0], spec->friction[k][1]};
    for (int k = 0; k < 3; k++) type->roll_resist[k] = {spec->roll[k][0], spec->roll[k][1], spec->roll[k][2]};
    for (int r = 0; r < 2; r++) {
      const RoostSpec* rs = &spec->roost[r];
      if (rs->count <= 0) break;
      RoostEmitter* e = &type->roost[r];
      roost_emitter_defaults(e);
      e->kind = ROOST_SPRAY;
      e->texture = intern_string("@roost.png");
      e->count = rs->count;
      e->size = rs->size;
      e->grow = rs->grow;
      e->drag = rs->drag;
      e->velocity_scale = rs->vscale;
      e->randomize = rs->randomize;
      e->slip_threshold = rs->slip;
      e->colour[0] = rs->r;
      e->colour[1] = rs->g;
      e->colour[2] = rs->b;
      e->colour[3] = rs->a;
      e->fade[0] = e->fade[1] = e->fade[2] = 0;
      e->fade[3] = (int8_t)(rs->fade_a / 128.0f);
    }
    erosion_defaults(&type->erosion);
    type->erosion.erode_depth = spec->erode_depth;
    type->erosion.erode_lower = spec->erode_lower;
    type->erosion.erode_upper = spec->erode_upper;
    type->erosion.erode_displacement = spec->erode_displacement;
  }
}

static uint8_t mix(uint8_t a, uint8_t b, double t) {
  double v = a + (b - a) * t;
  return (uint8_t)(v < 0 ? 0 : v > 255 ? 255 : lround(v));
}

// Seamless ground texture: colour from tiling noise, with clods, blades or
// aggregate depending on the style.
static void paint_surface(const SurfaceSpec* spec, unsigned char* rgb) {
  const int size = 256;
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      double broad = fbm(x / 64.0, y / 64.0, spec->seed, 3, 4);
      int cells = (int)lround(size / (8.0 * spec->grain));
      double fine = fbm(x * cells / (double)size, y * cells / (double)size, spec->seed + 9u, 3, cells);
      double t = 0.5 + 0.35 * broad + 0.25 * fine;
      if (spec->style == 1) {
        // Clods: bright tops on a darker base.
        double c2 = fbm(x / 16.0, y / 16.0, spec->seed + 41u, 2, 16);
        if (c2 > 0.25) t += 0.35 * (c2 - 0.25) * 3;
      } else if (spec->style == 2) {
        // Blades: streaks along y from hashed columns.
        double blade = hash_unit(x, (y / 3) & 255, spec->seed + 55u);
        t += (blade - 0.5) * 0.35;
      } else if (spec->style == 3) {
        double grit = hash_unit(x, y, spec->seed + 77u);
        t += (grit - 0.5) * 0.18;
        if ((x % 128 == 0) || (y % 128 == 0)) t -= 0.25;  // joints
      } else {
        double speck = hash_unit(x, y, spec->seed + 88u);
        if (speck > 0.985) t += 0.3;
        if (speck < 0.01) t -= 0.3;
      }
      unsigned char* p = &rgb[(y * size + x) * 3];
      for (int c = 0; c < 3; c++)
        p[c] = t < 0.5 ? mix(spec->dark[c], spec->base[c], t / 0.5) : mix(spec->base[c], spec->light[c], (t - 0.5) / 0.5);
    }
}

bool write_surface_textures(const char* root) {
  unsigned char* rgb = (unsigned char*)xmalloc(256 * 256 * 3);
  bool ok = true;
  for (int set = 0; set < 2 && ok; set++) {
    const SurfaceSpec* specs;
    int count;
    specs_for(set ? STADIUM : OUTDOOR, &specs, &count);
    for (int t = 0; t < count && ok; t++) {
      paint_surface(&specs[t], rgb);
      char path[1024];
      snprintf(path, sizeof path, "%s/%s", root, specs[t].texture + 1);
      ok = write_png(path, rgb, 256, 256, 3) || report_failure(path);
    }
  }
  free(rgb);
  return ok;
}
