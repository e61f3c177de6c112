// One track folder from its design: the terrain files, tileinfo, lighting,
// the objects, the overview map and the description.
#include "datagen.h"

#include "assets/image.h"
#include "core/helpers.h"
#include "files/stream.h"
#include "terrain/height_field.h"
#include "terrain/surface_types.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool report_failure(const char* what) {
  fprintf(stderr, "kestrix-datagen: can't write %s\n", what);
  return false;
}

Stream* open_output(const char* root, const char* name) {
  char path[1100];
  snprintf(path, sizeof path, "%s/%s", root, name);
  Stream* stream = data_open(path, "wb");
  if (!stream) report_failure(path);
  return stream;
}

bool close_output(Stream* stream, const char* name) { return data_close(stream) || report_failure(name); }

bool write_text_file(const char* root, const char* name, const char* text) {
  Stream* out = open_output(root, name);
  if (!out) return false;
  stream_puts(out, text);
  return close_output(out, name);
}

static bool write_lighting(const TrackDesign* d, const char* folder) {
  Stream* out = open_output(folder, "lighting");
  if (!out) return false;
  stream_printf(out, "sun_vector [%.3f %.3f %.3f]\n", d->sun[0], d->sun[1], d->sun[2]);
  stream_printf(out, "sun_color [%.3f %.3f %.3f]\n", d->sun_colour[0], d->sun_colour[1], d->sun_colour[2]);
  stream_printf(out, "ambient [%.3f %.3f %.3f]\n", d->ambient[0], d->ambient[1], d->ambient[2]);
  stream_printf(out, "global_ambient [%.3f %.3f %.3f]\n", d->ambient[0] * 0.4, d->ambient[1] * 0.4,
                d->ambient[2] * 0.4);
  stream_puts(out,
              "sky_n @sky-n.ppm\nsky_e @sky-e.ppm\nsky_s @sky-s.ppm\nsky_w @sky-w.ppm\nsky_u @sky-u.ppm\n"
              "sky_env @sky-env.ppm\n");
  // The sun's flare: a glow on the sun and rings along the line through
  // the middle of the screen.
  stream_puts(out,
              "flare_element [0 0] [1 0.95 0.85] 0.35 @textures/flare_glow.png\n"
              "flare_element [0.45 0] [0.55 0.7 1] 0.08 @textures/flare_ring.png\n"
              "flare_element [0.8 0] [1 0.8 0.5] 0.05 @textures/flare_glow.png\n"
              "flare_element [1.3 0] [0.6 1 0.7] 0.12 @textures/flare_ring.png\n");
  stream_printf(out, "flare_vector [%.3f %.3f %.3f]\n", d->sun[0], d->sun[1], d->sun[2]);
  if (d->fog[3] > 0)
    stream_printf(out, "fog [%.3f %.3f %.3f] %.5f\n", d->fog[0], d->fog[1], d->fog[2], d->fog[3]);
  stream_puts(out, "dynamic_lighting 1\nnear_plane 0.25\nfar_plane 5000\n");
  return close_output(out, "lighting");
}

static bool write_tileinfo_file(const TrackDesign* d, const char* folder) {
  int count = surface_type_count(d->surfaces);
  SurfaceType* types = (SurfaceType*)xmalloc(sizeof(SurfaceType) * count);
  build_surface_types(d->surfaces, types);
  Stream* out = open_output(folder, "tileinfo");
  bool ok = out && write_tileinfo(out, types, count);
  ok = out && close_output(out, "tileinfo") && ok;
  free(types);
  return ok;
}

// Top view of the course for the HUD: the track in dirt colours over a
// faint ground, x to the right and z downwards.
static bool write_map(const TrackBuild* b, const char* folder) {
  const int size = 256;
  unsigned char* rgba = (unsigned char*)xmalloc(size * size * 4);
  const Terrain* t = &b->terrain;
  double extent = (t->N - 1) * t->s;
  for (int y = 0; y < size; y++)
    for (int x = 0; x < size; x++) {
      double wx = (x + 0.5) * extent / size, wz = (y + 0.5) * extent / size;
      int i = (int)(wx / t->s), j = (int)(wz / t->s);
      size_t at = (size_t)j * t->N + i;
      unsigned char* p = &rgba[(y * size + x) * 4];
      double edge = 1e9;
      if (t->near[at]) edge = fabs(t->lateral[at]) - b->course.width[course_index(&b->course, t->along[at])] * 0.5;
      if (edge < -1.5) {
        p[0] = 214, p[1] = 180, p[2] = 132, p[3] = 235;
      } else if (edge < 1.5) {
        p[0] = 60, p[1] = 40, p[2] = 24, p[3] = 235;
      } else {
        p[0] = 30, p[1] = 40, p[2] = 30, p[3] = 70;
      }
    }
  // Start line in white.
  const Course* c = &b->course;
  int k = course_index(c, b->design->gate_line);
  double half = c->width[k] * 0.5;
  for (double off = -half; off <= half; off += extent / size * 0.5) {
    double wx = c->x[k] + off * c->tz[k], wz = c->z[k] - off * c->tx[k];
    int x = (int)(wx * size / extent), y = (int)(wz * size / extent);
    if (x >= 0 && y >= 0 && x < size && y < size) {
      unsigned char* p = &rgba[(y * size + x) * 4];
      p[0] = p[1] = p[2] = p[3] = 255;
    }
  }
  char path[1100];
  snprintf(path, sizeof path, "%s/map.png", folder);
  bool ok = write_png(path, rgba, size, size, 4) || report_failure(path);
  free(rgba);
  return ok;
}

bool write_track(const TrackDesign* d, const char* root) {
  char folder[1024];
  snprintf(folder, sizeof folder, "%s/%s", root, d->folder);
  TrackBuild build;
  memset(&build, 0, sizeof build);
  build.design = d;
  char error[256];
  if (!build_course(d, &build.course, error, sizeof error)) {
    fprintf(stderr, "kestrix-datagen: %s\n", error);
    return false;
  }
  synthesize_terrain(d, &build.course, &build.terrain);
  HeightField hf;
  bake_height_field(d, &build.course, &build.terrain, &hf);
  build.hf = &hf;

  bool ok = height_field_save(&hf, folder, true) || report_failure("the terrain");
  ok = ok && (height_field_save_shadows(&hf, folder) || report_failure("shadows.pgm"));
  ok = ok && write_tileinfo_file(d, folder);
  ok = ok && write_lighting(d, folder);
  ok = ok && write_track_objects(&build, folder);
  ok = ok && write_map(&build, folder);
  char desc[256];
  snprintf(desc, sizeof desc, "%s\n", d->display_name);
  ok = ok && write_text_file(folder, "desc", desc);

  height_field_free(&hf);
  free_terrain(&build.terrain);
  free_course(&build.course);
  return ok;
}
