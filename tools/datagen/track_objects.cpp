// What stands on a track: the starting gate, timing gates with their lap
// sequences, hay bales and tuff blocks, trees and banners, the flaggers
// and the trackside cameras, all placed from the course.
#include "datagen.h"

#include "core/helpers.h"
#include "files/stream.h"
#include "terrain/height_field.h"
#include "track/track.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

// A point beside the course: `off` feet to the left of the centreline at s.
static void beside(const Course* c, double s, double off, double* x, double* z) {
  int k = course_index(c, s);
  *x = c->x[k] + off * c->tz[k];
  *z = c->z[k] - off * c->tx[k];
}

// How far a point lies outside the nearest stretch of track (negative when
// on it); large where no track is near.
static double clearance(const TrackBuild* b, double x, double z) {
  const Terrain* t = &b->terrain;
  int i = (int)lround(x / t->s), j = (int)lround(z / t->s);
  if (i < 0 || j < 0 || i >= t->N || j >= t->N) return -1e9;
  size_t at = (size_t)j * t->N + i;
  if (!t->near[at]) return 1e9;
  int k = course_index(&b->course, t->along[at]);
  return fabs(t->lateral[at]) - b->course.width[k] * 0.5;
}

static bool inside_terrain(const TrackBuild* b, double x, double z, double margin) {
  double extent = (b->terrain.N - 1) * b->terrain.s;
  return x > margin && z > margin && x < extent - margin && z < extent - margin;
}

static double ground(const TrackBuild* b, double x, double z) { return height_at(b->hf, (float)x, (float)z); }

// Gate 0 is the finish line; the others follow it round the lap.
static void place_timing_gates(TrackBuild* b) {
  const TrackDesign* d = b->design;
  const Course* c = &b->course;
  int n = (int)lround(c->length / d->timing_interval);
  if (n < 4) n = 4;
  if (n > 200) n = 200;
  double step = c->length / n;
  double finish = d->gate_line - d->finish_before_gates;
  b->gate_count = n;
  for (int g = 0; g < n; g++) b->gate_s[g] = wrap_distance(c, finish + g * step);
}

static bool write_gates(TrackBuild* b, const char* folder) {
  const TrackDesign* d = b->design;
  const Course* c = &b->course;
  // Slots run across the line from the inside of the first turn.
  double first_turn = 0;
  for (int k = course_index(c, d->gate_line); first_turn == 0 && k < c->count; k++) first_turn = c->curvature[k];
  double inside = first_turn >= 0 ? 1.0 : -1.0;
  int G = d->start_gates;
  StartSlot* slots = (StartSlot*)calloc(G, sizeof(StartSlot));
  int k = course_index(c, d->gate_line);
  float angle = (float)atan2(-c->tx[k], -c->tz[k]);
  for (int i = 0; i < G; i++) {
    double off = inside * ((G - 1) * 0.5 - i) * d->gate_spacing;
    double x, z;
    beside(c, d->gate_line, off, &x, &z);
    slots[i].position[0] = (float)x;
    slots[i].position[1] = 0.0f;
    slots[i].position[2] = (float)z;
    slots[i].angle = angle;
    slots[i].model = "@startgate.zm";
    slots[i].texture = "@startgate.ppm";
    slots[i].shape = "@startgate.shp";
  }
  int n = b->gate_count;
  TimingGate* gates = (TimingGate*)calloc(n, sizeof(TimingGate));
  int* lap = (int*)calloc(n, sizeof(int));
  for (int g = 0; g < n; g++) {
    int i = course_index(c, b->gate_s[g]);
    gates[g].position[0] = (float)c->x[i];
    gates[g].position[1] = (float)ground(b, c->x[i], c->z[i]);
    gates[g].position[2] = (float)c->z[i];
    gates[g].normal[0] = (float)c->tx[i];
    gates[g].normal[1] = 0.0f;
    gates[g].normal[2] = (float)c->tz[i];
    gates[g].size = (float)(c->width[i] * 0.5 + 8.0);
    // From the start gates every lap runs gate 1 .. n-1 and ends at the finish.
    lap[g] = g + 1 < n ? g + 1 : 0;
  }
  bool ok = write_timing_gates(folder, slots, G, gates, n, lap, n, lap, n) || report_failure("timing_gates");
  free(slots);
  free(gates);
  free(lap);
  return ok;
}

static void add_statue_record(Array* statues, double x, double z, double angle, const char* model,
                              const char* texture, const char* shape) {
  Statue s;
  memset(&s, 0, sizeof s);
  s.x = (float)x;
  s.z = (float)z;
  s.height = 0.0f;
  s.angle = (float)angle;
  s.model_name = model;
  s.texture = texture;
  s.shape_name = shape;
  array_append(statues, &s);
}

static bool far_from(const Array* statues, double x, double z, double distance) {
  for (int k = 0; k < statues->count; k++) {
    const Statue* s = array_at<Statue>(statues, k);
    double dx = s->x - x, dz = s->z - z;
    if (dx * dx + dz * dz < distance * distance) return false;
  }
  return true;
}

static bool write_statue_file(TrackBuild* b, const char* folder) {
  const TrackDesign* d = b->design;
  const Course* c = &b->course;
  Array statues;
  array_init(&statues, sizeof(Statue));
  const double bale_clear = 1.5, block_clear = 1.0;
  for (int k = 0; k < c->count; k++) {
    double s = k * c->ds;
    if (c->width[k] > d->width + 0.5) continue;  // keep the start area open
    double heading = atan2(c->tz[k], c->tx[k]);
    double curve = c->curvature[k];
    double outside = curve >= 0 ? -1.0 : 1.0;
    if (d->bale_spacing > 0 && fabs(curve) > 1.0 / 120.0 &&
        fmod(s, d->bale_spacing) < c->ds) {
      double x, z;
      beside(c, s, outside * (c->width[k] * 0.5 + 3.5), &x, &z);
      if (inside_terrain(b, x, z, 10) && clearance(b, x, z) > bale_clear && far_from(&statues, x, z, 4.0))
        add_statue_record(&statues, x, z, heading, "@models/haybale.zm", "@textures/haybale.png",
                          "@models/haybale.shp");
    }
    // Tuff blocks: the insides of turns outdoors, every lane edge in the stadium.
    bool stadium = d->surfaces == STADIUM;
    double block_step = stadium ? 12.0 : 30.0;
    if ((stadium || fabs(curve) > 1.0 / 120.0) && fmod(s, block_step) < c->ds) {
      for (int side = -1; side <= 1; side += 2) {
        if (!stadium && side != -outside) continue;
        double x, z;
        beside(c, s, side * (c->width[k] * 0.5 + 3.0), &x, &z);
        if (inside_terrain(b, x, z, 10) && clearance(b, x, z) > block_clear && far_from(&statues, x, z, 5.0))
          add_statue_record(&statues, x, z, heading, "@models/tuffblock.zm", "@textures/tuffblock.png",
                            "@models/tuffblock.shp");
      }
    }
  }
  bool ok = write_statues(folder, array_at<Statue>(&statues, 0), statues.count) || report_failure("statues");
  array_free(&statues);
  return ok;
}

static void add_billboard_record(Array* billboards, double x, double height, double z, double size, double aspect,
                                 const char* texture, uint8_t r, uint8_t g, uint8_t bl) {
  Billboard bb;
  memset(&bb, 0, sizeof bb);
  bb.x = (float)x;
  bb.height = (float)height;
  bb.z = (float)z;
  bb.size = (float)size;
  bb.aspect = (float)aspect;
  bb.texture = texture;
  bb.colour[0] = r;
  bb.colour[1] = g;
  bb.colour[2] = bl;
  bb.colour[3] = 255;
  array_append(billboards, &bb);
}

static bool write_billboard_file(TrackBuild* b, const char* folder) {
  const TrackDesign* d = b->design;
  const Course* c = &b->course;
  Array billboards;
  array_init(&billboards, sizeof(Billboard));
  Rng rng = {d->seed ^ 0x72ee5u};
  // Trees well away from the track; some in darker or yellower leaf.
  static const uint8_t tints[4][3] = {{255, 255, 255}, {214, 232, 200}, {240, 236, 190}, {190, 210, 190}};
  int planted = 0;
  for (int tries = 0; planted < d->trees && tries < d->trees * 40; tries++) {
    double extent = (b->terrain.N - 1) * b->terrain.s;
    double x = rng_range(&rng, 15, extent - 15), z = rng_range(&rng, 15, extent - 15);
    double size = rng_range(&rng, 18, 34);
    int tint = (int)(rng_next(&rng) % 4);
    const char* texture = rng_next(&rng) % 3 == 0 ? "@textures/tree_pine.png" : "@textures/tree_oak.png";
    if (clearance(b, x, z) < 30) continue;
    bool crowded = false;
    for (int k = 0; k < billboards.count && !crowded; k++) {
      const Billboard* o = array_at<Billboard>(&billboards, k);
      crowded = (o->x - x) * (o->x - x) + (o->z - z) * (o->z - z) < 64.0;
    }
    if (crowded) continue;
    add_billboard_record(&billboards, x, 0, z, size, 0.55, texture, tints[tint][0], tints[tint][1], tints[tint][2]);
    planted++;
  }
  // Banners along the straights, outside the ridden width.
  for (int m = 0; m < d->banners; m++) {
    double s = wrap_distance(c, d->gate_line + 60 + m * c->length / d->banners);
    int k = course_index(c, s);
    for (int tries = 0; tries < 8 && fabs(c->curvature[k]) > 1.0 / 300.0; tries++) {
      s = wrap_distance(c, s + 25);
      k = course_index(c, s);
    }
    double side = m % 2 ? 1.0 : -1.0;
    double x, z;
    beside(c, s, side * (c->width[k] * 0.5 + 9.0), &x, &z);
    if (clearance(b, x, z) < 6 || !inside_terrain(b, x, z, 5)) continue;
    add_billboard_record(&billboards, x, 0.5, z, 3.0, 4.0,
                         m % 3 == 2 ? "@textures/banner_dirt.png" : "@textures/banner_kestrix.png", 255, 255, 255);
  }
  bool ok = write_billboards(folder, array_at<Billboard>(&billboards, 0), billboards.count) ||
            report_failure("billboards");
  array_free(&billboards);
  return ok;
}

// The gates whose stretch lies in [from, to] of course distance.
static int gates_between(const TrackBuild* b, double from, double to, int gates[4]) {
  int found = 0;
  for (int g = 0; g < b->gate_count && found < 4; g++) {
    double s = b->gate_s[g];
    if (s >= from && s <= to) gates[found++] = g;
  }
  for (int k = found; k < 4; k++) gates[k] = -1;
  return found;
}

static bool write_flagger_file(TrackBuild* b, const char* folder) {
  const TrackDesign* d = b->design;
  const Course* c = &b->course;
  Stream* out = open_output(folder, "flaggers");
  if (!out) return false;
  // The starter stands before the middle of the gate line and walks off to
  // the left once the gate has dropped.
  double sx, sz, ex, ez;
  beside(c, d->gate_line + 25, 0, &sx, &sz);
  int k = course_index(c, d->gate_line + 25);
  beside(c, d->gate_line + 25, c->width[k] * 0.5 + 8, &ex, &ez);
  stream_printf(out, "[%.3f 0 %.3f] [%.3f 0 %.3f] 6 0.5 1.5\n", sx, sz, ex, ez);
  stream_puts(out,
              "@textures/flagger_board30.png @textures/flagger_board_side.png @textures/flagger_ready.png "
              "@textures/flagger_walk.png @textures/flagger_stand.png\n");
  // The lap-board man at the finish line.
  double finish = b->gate_s[0];
  k = course_index(c, finish);
  double lx, lz;
  beside(c, finish, -(c->width[k] * 0.5 + 6), &lx, &lz);
  stream_printf(out, "[%.3f 0 %.3f] 6 0.5\n", lx, lz);
  stream_puts(out,
              "@textures/flagger_board.png @textures/flagger_board2.png @textures/flagger_white.png "
              "@textures/flagger_checkered.png\n");
  // A yellow flag before every blind jump, for riders down beyond it.
  for (int f = 0; f < d->feature_count; f++) {
    const Feature* feature = &d->features[f];
    if (!feature->blind) continue;
    double start = c->move_start[feature->move] + feature->at;
    double end = start + feature_length(feature);
    int gates[4];
    if (!gates_between(b, start, end + 220, gates)) continue;
    double x, z;
    beside(c, start - 15, -(d->width * 0.5 + 5), &x, &z);
    stream_printf(out, "[%.3f 0 %.3f] 6 0.5 %d %d %d %d @textures/flagger_stand.png @textures/flagger_yellow.png\n", x,
                  z, gates[0], gates[1], gates[2], gates[3]);
  }
  return close_output(out, "flaggers");
}

static bool write_camera_file(TrackBuild* b, const char* folder) {
  const TrackDesign* d = b->design;
  const Course* c = &b->course;
  int n = d->cameras;
  double cx[64], cz[64];
  for (int m = 0; m < n && m < 64; m++) {
    double s = wrap_distance(c, d->gate_line + 30 + m * c->length / n);
    int k = course_index(c, s);
    double off = c->width[k] * 0.5 + 18;
    double side = m % 2 ? -1.0 : 1.0;
    // Prefer the given side; fall back to the other, then closer in.
    for (int tries = 0; tries < 6; tries++) {
      beside(c, s, side * off, &cx[m], &cz[m]);
      if (clearance(b, cx[m], cz[m]) > 8 && inside_terrain(b, cx[m], cz[m], 8)) break;
      side = -side;
      if (tries % 2) off -= 4;
    }
  }
  int owner[256];
  for (int g = 0; g < b->gate_count; g++) {
    int i = course_index(c, b->gate_s[g]);
    double best = 1e30;
    owner[g] = 0;
    for (int m = 0; m < n; m++) {
      double dx = cx[m] - c->x[i], dz = cz[m] - c->z[i];
      if (dx * dx + dz * dz < best) {
        best = dx * dx + dz * dz;
        owner[g] = m;
      }
    }
  }
  Stream* out = open_output(folder, "cameras");
  if (!out) return false;
  double height = d->surfaces == STADIUM ? 16.0 : 9.0;
  for (int m = 0; m < n; m++) {
    stream_printf(out, "fov %d\nautofovsize %.1f\n", m % 3 == 0 ? 70 : 55, m % 2 ? 3.0 : 4.0);
    bool any = false;
    for (int g = 0; g < b->gate_count; g++)
      if (owner[g] == m) {
        stream_printf(out, any ? " %d" : "gate %d", g);
        any = true;
      }
    if (any) stream_puts(out, "\n");
    stream_printf(out, "addcamera %.3f %.1f %.3f\n", cx[m], height, cz[m]);
  }
  return close_output(out, "cameras");
}

bool write_track_objects(TrackBuild* b, const char* folder) {
  place_timing_gates(b);
  return write_gates(b, folder) && write_statue_file(b, folder) && write_billboard_file(b, folder) &&
         write_flagger_file(b, folder) && write_camera_file(b, folder);
}
