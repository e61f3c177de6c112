// Writing a terrain back to a track folder in the formats the loader reads.
#include "assets/image.h"
#include "files/stream.h"
#include "terrain/height_field.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

static Stream* open_output(const char* folder, const char* file) {
  char name[1100];
  snprintf(name, sizeof name, "%s/%s", folder, file);
  Stream* stream = data_open_replacing(name, "wb");
  if (!stream) show_messagef("Can't open '%.950s'", name);
  return stream;
}

static bool finish(Stream* stream) { return data_close(stream); }

static uint16_t quantise(float h, float lo, float hi) {
  if (!(hi > lo)) return 0;
  double v = std::round((double)(h - lo) / (double)(hi - lo) * 65535.0);
  if (!(v >= 0)) return 0;
  if (v > 65535) return 65535;
  return (uint16_t)v;
}

static bool write_ppm(const char* folder, const char* file, const uint8_t* shading, int N, bool doubled) {
  Stream* out = open_output(folder, file);
  if (!out) return false;
  size_t count = (size_t)N * N;
  stream_printf(out, "P6\n%d %d\n255\n", N, N);
  uint8_t buffer[3 * 1024];
  for (size_t k = 0; k < count * 3; k += sizeof buffer) {
    size_t n = count * 3 - k < sizeof buffer ? count * 3 - k : sizeof buffer;
    // Values above half intensity saturate in the full-intensity file; the
    // half-intensity file keeps them exactly.
    for (size_t m = 0; m < n; m++)
      buffer[m] = doubled ? (uint8_t)std::min(255, shading[k + m] << 1) : shading[k + m];
    stream_write(out, buffer, n);
  }
  return finish(out);
}

bool height_field_save(const HeightField* hf, const char* folder, bool binary_heights) {
  int N = hf->N;
  size_t count = (size_t)N * N;
  float lo, hi;
  height_range(hf, &lo, &hi);
  uint16_t* samples = (uint16_t*)xmalloc(count * sizeof(uint16_t));
  for (size_t k = 0; k < count; k++) samples[k] = quantise(hf->heights[k], lo, hi);

  bool ok = true;
  Stream* out = open_output(folder, "terrain.hf");
  if (out) {
    stream_printf(out, "%d %.9g %.9g %.9g", hf->n, hf->s, lo, hi);
    if (binary_heights) {
      stream_putc(out, ':');
      uint8_t* bytes = (uint8_t*)xmalloc((size_t)N * 2);
      for (int j = 0; j < N; j++) {
        for (int i = 0; i < N; i++) {
          uint16_t v = samples[(size_t)j * N + i];
          bytes[2 * i] = (uint8_t)(v & 255);
          bytes[2 * i + 1] = (uint8_t)(v >> 8);
        }
        stream_write(out, bytes, (size_t)N * 2);
      }
      free(bytes);
    } else {
      stream_putc(out, '\n');
    }
    ok = finish(out) && ok;
  } else {
    ok = false;
  }
  if (!binary_heights) {
    char name[1100];
    snprintf(name, sizeof name, "%s/terrain.png", folder);
    if (!write_png_grey16(name, samples, N, N)) {
      show_messagef("Can't open '%.950s'", name);
      ok = false;
    }
  }
  free(samples);

  ok = write_ppm(folder, "shading.ppm", hf->shading, N, true) && ok;
  ok = write_ppm(folder, "shadingx2.ppm", hf->shading, N, false) && ok;

  if ((out = open_output(folder, "tilemap"))) {
    stream_write(out, hf->tile_map, (size_t)hf->T * hf->T);
    ok = finish(out) && ok;
  } else {
    ok = false;
  }

  if ((out = open_output(folder, "decals"))) {
    for (int d = 0; d < hf->decals.count; d++) {
      const TerrainDecal* decal = array_at<TerrainDecal>(&hf->decals, d);
      stream_printf(out, "[%f %f] %f %f %f %s\n", decal->x, decal->z, decal->angle, decal->size, decal->aspect,
                    decal->texture);
    }
    ok = finish(out) && ok;
  } else {
    ok = false;
  }
  return ok;
}

bool height_field_save_shadows(const HeightField* hf, const char* folder) {
  Stream* out = open_output(folder, "shadows.pgm");
  if (!out) return false;
  size_t count = (size_t)hf->N * hf->N;
  stream_printf(out, "P5\n%d %d\n255\n", hf->N, hf->N);
  uint8_t* bytes = (uint8_t*)xmalloc(count);
  for (size_t k = 0; k < count; k++) bytes[k] = (uint8_t)(255 - hf->shadows[k]);
  stream_write(out, bytes, count);
  free(bytes);
  return finish(out);
}
