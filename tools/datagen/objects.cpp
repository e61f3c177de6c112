// Solid track objects: the starting gate, hay bales and tuff blocks, each a
// ".zm" model, a texture and a ".shp" collision shape that matches it.
#include "datagen.h"

#include "assets/image.h"
#include "assets/model.h"
#include "core/helpers.h"
#include "files/stream.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

struct MeshBuilder {
  std::vector<float> vertices;  // x y z nx ny nz u v
  std::vector<int> triangles;
};

static void add_vertex(MeshBuilder* m, const float p[3], const float n[3], float u, float v) {
  float values[8] = {p[0], p[1], p[2], n[0], n[1], n[2], u, v};
  m->vertices.insert(m->vertices.end(), values, values + 8);
}

// A quad a b c d with normal n; wound counter-clockwise seen from outside.
static void add_quad(MeshBuilder* m, const float a[3], const float b[3], const float c[3], const float d[3],
                     const float n[3], const float uv[8]) {
  float e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  float cross[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2], e1[0] * e2[1] - e1[1] * e2[0]};
  bool flip = cross[0] * n[0] + cross[1] * n[1] + cross[2] * n[2] < 0;
  int base = (int)(m->vertices.size() / 8);
  add_vertex(m, a, n, uv[0], uv[1]);
  add_vertex(m, b, n, uv[2], uv[3]);
  add_vertex(m, c, n, uv[4], uv[5]);
  add_vertex(m, d, n, uv[6], uv[7]);
  int order[6] = {0, 1, 2, 0, 2, 3};
  if (flip) {
    order[1] = 2, order[2] = 1, order[4] = 3, order[5] = 2;
  }
  for (int k = 0; k < 6; k++) m->triangles.push_back(base + order[k]);
}

// An axis-aligned box; `repeat` texture units per foot.
static void add_box(MeshBuilder* m, float x0, float y0, float z0, float x1, float y1, float z1, float repeat) {
  float lo[3] = {x0, y0, z0}, hi[3] = {x1, y1, z1};
  for (int axis = 0; axis < 3; axis++)
    for (int side = 0; side < 2; side++) {
      int u = (axis + 1) % 3, v = (axis + 2) % 3;
      float n[3] = {0, 0, 0};
      n[axis] = side ? 1.0f : -1.0f;
      float corner[4][3];
      float uvs[8];
      for (int k = 0; k < 4; k++) {
        corner[k][axis] = side ? hi[axis] : lo[axis];
        corner[k][u] = (k == 1 || k == 2) ? hi[u] : lo[u];
        corner[k][v] = (k >= 2) ? hi[v] : lo[v];
        uvs[2 * k] = corner[k][u] * repeat;
        uvs[2 * k + 1] = corner[k][v] * repeat;
      }
      add_quad(m, corner[0], corner[1], corner[2], corner[3], n, uvs);
    }
}

struct Material {
  float shininess, r, g, b;
};

// Builds the meshes in memory and writes them with the model writer.
static bool write_zm(const char* root, const char* name, const MeshBuilder* meshes, const Material* materials,
                     int count) {
  Mesh* first = nullptr;
  Mesh** link = &first;
  for (int k = 0; k < count; k++) {
    const MeshBuilder* m = &meshes[k];
    int V = (int)(m->vertices.size() / 8), T = (int)(m->triangles.size() / 3);
    Mesh* mesh = make_mesh(V, T, 0, name);
    mesh->shininess = materials[k].shininess;
    mesh->reflectivity = 1.0f;
    mesh->colour[0] = materials[k].r;
    mesh->colour[1] = materials[k].g;
    mesh->colour[2] = materials[k].b;
    for (int v = 0; v < V; v++) {
      const float* p = &m->vertices[v * 8];
      for (int c = 0; c < 3; c++) {
        mesh->positions[3 * v + c] = p[c];
        mesh->normals[3 * v + c] = p[3 + c];
      }
      mesh->texcoords[2 * v] = p[6];
      mesh->texcoords[2 * v + 1] = 1.0f - p[7];  // kept flipped in memory
    }
    for (int t = 0; t < 3 * T; t++) mesh->triangles[t] = m->triangles[t];
    *link = mesh;
    link = &mesh->next;
  }
  char path[1100];
  snprintf(path, sizeof path, "%s/%s", root, name);
  bool ok = write_model(path, first) || report_failure(path);
  free_mesh_list(first);
  return ok;
}

bool write_shape_file(const char* root, const char* name, const ShapeSphere* spheres, int count) {
  Stream* out = open_output(root, name);
  if (!out) return false;
  bool written = write_shape(out, spheres, count);
  return close_output(out, name) && written;
}

static unsigned char clamp_byte(double v) { return (unsigned char)(v < 0 ? 0 : v > 255 ? 255 : lround(v)); }

static bool write_picture(const char* root, const char* name, const unsigned char* pixels, int w, int h, int channels,
                          bool packed) {
  char path[1100];
  snprintf(path, sizeof path, "%s/%s", root, name);
  bool ok = packed ? write_packed(path, pixels, w, h, channels) : write_png(path, pixels, w, h, channels);
  return ok || report_failure(path);
}

// The starting gate lies flat at rest (the race tilts it up about its
// hinge at z = 0): a steel grate reaching back towards the riders.
static bool write_start_gate(const char* root) {
  MeshBuilder plate, hinge;
  add_box(&plate, -1.55f, 0.0f, 0.0f, 1.55f, 0.12f, 2.6f, 0.4f);
  add_box(&plate, -1.55f, 0.0f, 2.45f, 1.55f, 0.22f, 2.6f, 0.4f);
  add_box(&hinge, -1.6f, 0.0f, -0.12f, 1.6f, 0.2f, 0.12f, 0.4f);
  MeshBuilder meshes[2] = {plate, hinge};
  Material materials[2] = {{24, 0.85f, 0.85f, 0.85f}, {8, 0.5f, 0.5f, 0.5f}};
  bool ok = write_zm(root, "startgate.zm", meshes, materials, 2);
  ShapeSphere spheres[16];
  for (int row = 0; row < 4; row++)
    for (int col = 0; col < 4; col++)
      spheres[row * 4 + col] = {-1.1f + col * 0.7333f, 0.12f, 0.45f + row * 0.68f, 0.22f, 0.6f, 25000, 2500};
  ok = ok && write_shape_file(root, "startgate.shp", spheres, 16);
  // Galvanised grate with a yellow band.
  const int size = 64;
  unsigned char rgb[size * size * 3];
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      double grey = 150 + 40 * hash_unit(x / 2, y, 0x6a7eu) - ((x % 8 == 0 || y % 8 == 0) ? 50 : 0);
      unsigned char* p = &rgb[(y * size + x) * 3];
      if (y > 44 && y < 56) {
        bool black = ((x + y) / 6) % 2;
        p[0] = black ? 30 : 230, p[1] = black ? 30 : 190, p[2] = black ? 30 : 20;
      } else {
        p[0] = p[1] = p[2] = clamp_byte(grey);
      }
    }
  return ok && write_picture(root, "startgate.ppm", rgb, size, size, 3, true);
}

static bool write_bale_and_block(const char* root) {
  MeshBuilder bale;
  add_box(&bale, -2.0f, 0.0f, -1.0f, 2.0f, 2.0f, 1.0f, 0.25f);
  Material straw = {4, 1, 1, 1};
  bool ok = write_zm(root, "models/haybale.zm", &bale, &straw, 1);
  ShapeSphere bale_spheres[3];
  for (int k = 0; k < 3; k++) bale_spheres[k] = {-1.0f + k, 1.0f, 0.0f, 1.0f, 0.7f, 6000, 600};
  ok = ok && write_shape_file(root, "models/haybale.shp", bale_spheres, 3);

  MeshBuilder block;
  add_box(&block, -2.0f, 0.0f, -1.1f, 2.0f, 2.2f, 1.1f, 0.25f);
  Material plastic = {32, 1, 1, 1};
  ok = ok && write_zm(root, "models/tuffblock.zm", &block, &plastic, 1);
  ShapeSphere block_spheres[3];
  for (int k = 0; k < 3; k++) block_spheres[k] = {-0.9f + 0.9f * k, 1.1f, 0.0f, 1.1f, 0.5f, 12000, 1200};
  ok = ok && write_shape_file(root, "models/tuffblock.shp", block_spheres, 3);

  const int size = 128;
  unsigned char* rgb = (unsigned char*)xmalloc(size * size * 3);
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      double streak = hash_unit(x, y / 5, 0xba1eu) * 0.6 + value_noise(x / 8.0, y / 8.0, 0xba1fu, 16) * 0.2;
      bool twine = (y % 64) > 28 && (y % 64) < 32;
      unsigned char* p = &rgb[(y * size + x) * 3];
      p[0] = clamp_byte(twine ? 150 : 190 + 50 * streak);
      p[1] = clamp_byte(twine ? 60 : 160 + 45 * streak);
      p[2] = clamp_byte(twine ? 40 : 80 + 30 * streak);
    }
  ok = ok && write_picture(root, "textures/haybale.png", rgb, size, size, 3, false);
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      double grain = hash_unit(x, y, 0x70ffu) * 14;
      bool ridge = (x % 32) < 3;
      bool band = y > 52 && y < 76;
      unsigned char* p = &rgb[(y * size + x) * 3];
      p[0] = clamp_byte((band ? 230 : 30) + grain - (ridge ? 20 : 0));
      p[1] = clamp_byte((band ? 230 : 90) + grain - (ridge ? 20 : 0));
      p[2] = clamp_byte((band ? 230 : 190) + grain - (ridge ? 20 : 0));
    }
  ok = ok && write_picture(root, "textures/tuffblock.png", rgb, size, size, 3, false);
  free(rgb);
  return ok;
}

// ---- Pictures drawn as billboards and decals.

struct Canvas {
  int w, h;
  unsigned char* p;  // RGBA
};

static Canvas canvas(int w, int h) {
  Canvas c = {w, h, (unsigned char*)xmalloc((size_t)w * h * 4)};
  memset(c.p, 0, (size_t)w * h * 4);
  return c;
}

static void plot(Canvas* c, int x, int y, int r, int g, int b, int a) {
  if (x < 0 || y < 0 || x >= c->w || y >= c->h) return;
  unsigned char* p = &c->p[((size_t)y * c->w + x) * 4];
  p[0] = (unsigned char)r, p[1] = (unsigned char)g, p[2] = (unsigned char)b, p[3] = (unsigned char)a;
}

static void rect(Canvas* c, int x0, int y0, int x1, int y1, int r, int g, int b) {
  for (int y = y0; y < y1; y++)
    for (int x = x0; x < x1; x++) plot(c, x, y, r, g, b, 255);
}

static void disc(Canvas* c, double cx, double cy, double radius, int r, int g, int b) {
  for (int y = (int)(cy - radius); y <= (int)(cy + radius); y++)
    for (int x = (int)(cx - radius); x <= (int)(cx + radius); x++)
      if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius) plot(c, x, y, r, g, b, 255);
}

static bool save(const char* root, const char* name, Canvas* c) {
  bool ok = write_picture(root, name, c->p, c->w, c->h, 4, false);
  free(c->p);
  return ok;
}

// A marshal in an orange vest, 64 x 128, feet at the bottom row.
enum Pose { STAND, READY, WALK, BOARD30, BOARD_SIDE, LAP_BOARD, LAP_BOARD2, WHITE_FLAG, CHECKERED, YELLOW_FLAG };
static void draw_flagger(Canvas* c, Pose pose) {
  int legs = pose == WALK ? 6 : 3;
  rect(c, 32 - legs - 5, 80, 32 - legs, 127, 40, 40, 60);   // left leg
  rect(c, 32 + legs, 80, 32 + legs + 5, 127, 40, 40, 60);   // right leg
  rect(c, 22, 44, 42, 84, 240, 120, 20);                      // vest
  disc(c, 32, 34, 9, 230, 190, 150);                          // head
  rect(c, 23, 22, 41, 28, 30, 30, 30);                        // cap
  bool arm_up = pose == READY || pose == BOARD30 || pose == LAP_BOARD || pose == LAP_BOARD2 || pose == WHITE_FLAG ||
                pose == CHECKERED || pose == YELLOW_FLAG;
  if (arm_up) rect(c, 42, 18, 47, 50, 240, 120, 20);
  else rect(c, 42, 46, 47, 76, 240, 120, 20);
  rect(c, 17, 46, 22, 76, 240, 120, 20);
  switch (pose) {
    case BOARD30:
    case LAP_BOARD:
    case LAP_BOARD2:
      rect(c, 36, 2, 62, 22, 245, 245, 245);
      if (pose == BOARD30) {
        rect(c, 40, 6, 47, 18, 20, 20, 20);
        rect(c, 51, 6, 58, 18, 20, 20, 20);
        rect(c, 53, 9, 56, 15, 245, 245, 245);
      } else {
        rect(c, 46, 6, 52, 18, 20, 20, 20);
        if (pose == LAP_BOARD2) rect(c, 40, 6, 44, 18, 20, 20, 20);
      }
      break;
    case BOARD_SIDE: rect(c, 46, 4, 49, 40, 200, 200, 200); break;
    case WHITE_FLAG:
    case YELLOW_FLAG:
    case CHECKERED:
      for (int y = 2; y < 20; y++)
        for (int x = 44; x < 64; x++) {
          int r = 250, g = 250, b = 250;
          if (pose == YELLOW_FLAG) b = 30, g = 220;
          if (pose == CHECKERED && (((x - 44) / 5 + (y - 2) / 5) % 2)) r = g = b = 20;
          plot(c, x, y + (int)(2 * sin(x * 0.4)), r, g, b, 255);
        }
      break;
    default: break;
  }
}

static bool write_flaggers(const char* root) {
  struct {
    const char* name;
    Pose pose;
  } poses[] = {
      {"textures/flagger_stand.png", STAND},        {"textures/flagger_ready.png", READY},
      {"textures/flagger_walk.png", WALK},          {"textures/flagger_board30.png", BOARD30},
      {"textures/flagger_board_side.png", BOARD_SIDE}, {"textures/flagger_board.png", LAP_BOARD},
      {"textures/flagger_board2.png", LAP_BOARD2},  {"textures/flagger_white.png", WHITE_FLAG},
      {"textures/flagger_checkered.png", CHECKERED}, {"textures/flagger_yellow.png", YELLOW_FLAG},
  };
  bool ok = true;
  for (auto& p : poses) {
    Canvas c = canvas(64, 128);
    draw_flagger(&c, p.pose);
    ok = save(root, p.name, &c) && ok;
  }
  return ok;
}

static bool write_trees_and_banners(const char* root) {
  bool ok = true;
  // Broadleaf: a trunk under a lumpy crown.
  Canvas oak = canvas(128, 256);
  rect(&oak, 58, 150, 70, 256, 90, 64, 40);
  for (int y = 0; y < 180; y++)
    for (int x = 0; x < 128; x++) {
      double dx = (x - 64) / 60.0, dy = (y - 95) / 85.0;
      double edge = 1.0 + 0.25 * fbm(x / 14.0, y / 14.0, 0x0a6u, 3, 0);
      if (dx * dx + dy * dy < edge * edge * 0.85) {
        double shade = 0.75 + 0.35 * fbm(x / 6.0, y / 6.0, 0x0a7u, 2, 0) - 0.2 * (x - 40) / 128.0;
        plot(&oak, x, y, clamp_byte(60 * shade), clamp_byte(110 * shade), clamp_byte(45 * shade), 255);
      }
    }
  ok = save(root, "textures/tree_oak.png", &oak) && ok;
  // Conifer: stacked tiers.
  Canvas pine = canvas(128, 256);
  rect(&pine, 60, 200, 68, 256, 80, 56, 36);
  for (int y = 4; y < 220; y++) {
    double tier = fmod(y, 40.0) / 40.0;
    double half = (y / 220.0) * 58 * (0.6 + 0.4 * tier);
    for (int x = 0; x < 128; x++)
      if (fabs(x - 64.0) < half) {
        double shade = 0.7 + 0.3 * hash_unit(x / 2, y / 2, 0x91eu);
        plot(&pine, x, y, clamp_byte(30 * shade), clamp_byte(80 * shade), clamp_byte(50 * shade), 255);
      }
  }
  ok = save(root, "textures/tree_pine.png", &pine) && ok;
  // Banners: our colours with a chevron, and a plain dirt-brown one.
  for (int v = 0; v < 2; v++) {
    Canvas b = canvas(256, 64);
    int r = v ? 120 : 20, g = v ? 80 : 60, bl = v ? 40 : 140;
    rect(&b, 0, 0, 256, 64, r, g, bl);
    rect(&b, 0, 0, 256, 6, 250, 250, 250);
    rect(&b, 0, 58, 256, 64, 250, 250, 250);
    for (int x = 0; x < 256; x++)
      for (int y = 12; y < 52; y++) {
        int u = (x + (y > 32 ? y - 32 : 32 - y)) % 48;
        if (u < 12) plot(&b, x, y, v ? 240 : 250, v ? 200 : 180, v ? 120 : 30, 255);
      }
    ok = save(root, v ? "textures/banner_dirt.png" : "textures/banner_kestrix.png", &b) && ok;
  }
  return ok;
}

static bool write_decals_and_effects(const char* root) {
  bool ok = true;
  Canvas scuffs = canvas(128, 128);
  for (int y = 0; y < 128; y++)
    for (int x = 0; x < 128; x++) {
      double dx = (x - 64) / 64.0, dy = (y - 64) / 64.0;
      double fall = 1.0 - sqrt(dx * dx + dy * dy);
      double n = fbm(x / 10.0, y / 10.0, 0x5cu, 3, 0);
      double a = (n + fall - 0.55) * 600;
      plot(&scuffs, x, y, 40, 28, 18, clamp_byte(a > 170 ? 170 : a));
    }
  ok = save(root, "textures/decal_scuffs.png", &scuffs) && ok;
  // Our emblem: a kestrel's wing chevron in a diamond.
  Canvas logo = canvas(256, 128);
  for (int y = 0; y < 128; y++)
    for (int x = 0; x < 256; x++) {
      double u = fabs(x - 128.0) / 124.0, v = fabs(y - 64.0) / 60.0;
      if (u + v < 1.0) plot(&logo, x, y, 245, 245, 240, 230);
      if (u + v < 0.86) plot(&logo, x, y, 200, 40, 30, 230);
      double wing = (y - 40.0) - 0.35 * fabs(x - 128.0);
      if (u + v < 0.86 && wing > 0 && wing < 14) plot(&logo, x, y, 250, 250, 250, 230);
    }
  ok = save(root, "textures/decal_logo.png", &logo) && ok;
  // Flares are added, so black means nothing.
  unsigned char rgb[64 * 64 * 3];
  for (int kind = 0; kind < 2; kind++) {
    for (int y = 0; y < 64; y++)
      for (int x = 0; x < 64; x++) {
        double r = sqrt((x - 31.5) * (x - 31.5) + (y - 31.5) * (y - 31.5)) / 31.5;
        double v = kind == 0 ? pow(fmax(0.0, 1.0 - r), 2.2) : exp(-pow((r - 0.8) / 0.08, 2.0)) * 0.8;
        rgb[(y * 64 + x) * 3] = rgb[(y * 64 + x) * 3 + 1] = rgb[(y * 64 + x) * 3 + 2] = clamp_byte(255 * v);
      }
    ok = write_picture(root, kind == 0 ? "textures/flare_glow.png" : "textures/flare_ring.png", rgb, 64, 64, 3, false) &&
         ok;
  }
  // Roost: a soft clod, white so the emitter's colour tints it.
  Canvas roost = canvas(32, 32);
  for (int y = 0; y < 32; y++)
    for (int x = 0; x < 32; x++) {
      double r = sqrt((x - 15.5) * (x - 15.5) + (y - 15.5) * (y - 15.5)) / 15.5;
      double a = (1.0 - r) * 1.6 + 0.5 * fbm(x / 4.0, y / 4.0, 0x2005u, 2, 0);
      int shade = 200 + (int)(55 * hash_unit(x, y, 0x2006u));
      plot(&roost, x, y, shade, shade, shade, clamp_byte(255 * fmin(1.0, fmax(0.0, a))));
    }
  ok = save(root, "roost.png", &roost) && ok;
  unsigned char white[8 * 8 * 3];
  memset(white, 255, sizeof white);
  ok = write_picture(root, "colors/white.png", white, 8, 8, 3, false) && ok;
  return ok;
}

bool write_object_assets(const char* root) {
  bool ok = write_start_gate(root);
  ok = write_bale_and_block(root) && ok;
  ok = write_flaggers(root) && ok;
  ok = write_trees_and_banners(root) && ok;
  ok = write_decals_and_effects(root) && ok;
  return ok;
}
