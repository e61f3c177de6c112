// Loading a track folder's terrain files in their fixed order: heights,
// shading, shadows, surface types, tile map, normal map and decals.
#include "assets/image.h"
#include "files/digest.h"
#include "files/stream.h"
#include "platform/kuvo.h"
#include "terrain/height_field.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void height_field_init_lists(HeightField* hf);

static void file_name(char* out, size_t size, const char* folder, const char* file) {
  snprintf(out, size, "%s/%s", folder, file);
}

static Stream* open_required(const char* folder, const char* file) {
  char name[1100];
  file_name(name, sizeof name, folder, file);
  Stream* stream = data_open(name, "rb");
  if (!stream) show_messagef("Can't open '%.950s'", name);
  return stream;
}

static Stream* open_optional(const char* folder, const char* file) {
  char name[1100];
  file_name(name, sizeof name, folder, file);
  return data_open(name, "rb");
}

static bool bad_parameters() {
  show_message("Bad height field parameters");
  show_message("Error reading heights");
  return false;
}

static bool read_heights(HeightField* hf, const char* folder, Stream* stream, const TerrainLoadOptions* options) {
  int n;
  float s, lo, hi;
  if (stream_scanf(stream, "%d %f %f %f", &n, &s, &lo, &hi) != 4) return bad_parameters();
  // Refuse sizes no track can have before allocating for them.
  if (n < 0 || n > HEIGHT_FIELD_MAX_EXPONENT || !(s > 0.0f) || !std::isfinite(s) || !std::isfinite(lo) ||
      !std::isfinite(hi))
    return bad_parameters();
  hf->n = n;
  hf->N = (1 << (n + 1)) + 1;
  hf->s = s;
  hf->tile_size = 2.0f * s;
  hf->T = 1 << n;
  hf->W = (float)(1 << (n + 1)) * s;
  hf->min_height = lo;
  hf->max_height = hi;
  int N = hf->N;
  hf->heights = (float*)xmalloc(sizeof(float) * (size_t)N * N);

  bool digesting = options->debug_level >= 2;
  Digest digest;
  digest_init(&digest);
  float range = hi - lo;
  uint16_t* row = (uint16_t*)xmalloc(sizeof(uint16_t) * N);

  if (stream_getc(stream) == ':') {
    unsigned char* bytes = (unsigned char*)xmalloc((size_t)N * 2);
    for (int j = 0; j < N; j++) {
      if (stream_read(stream, bytes, (size_t)N * 2) != (size_t)N * 2) {
        free(bytes);
        free(row);
        show_message("Error reading heights");
        return false;
      }
      float* out = hf->heights + (size_t)j * N;
      for (int i = 0; i < N; i++) {
        uint16_t v = (uint16_t)(bytes[2 * i] | bytes[2 * i + 1] << 8);
        row[i] = v;
        out[i] = lo + range * (float)v / 65535.0f;
      }
      if (digesting) digest_height_samples(&digest, row, N);
    }
    free(bytes);
  } else {
    char name[1100];
    file_name(name, sizeof name, folder, "terrain.png");
    uint16_t* pixels = nullptr;
    int width = 0, height = 0;
    if (read_grey16_png(name, &pixels, &width, &height) && width > 0 && height > 0) {
      // A smaller image repeats its last column and row.
      for (int j = 0; j < N; j++) {
        const uint16_t* source = pixels + (size_t)(j < height ? j : height - 1) * width;
        float* out = hf->heights + (size_t)j * N;
        for (int i = 0; i < N; i++) {
          uint16_t v = source[i < width ? i : width - 1];
          row[i] = v;
          out[i] = lo + range * (float)v / 65535.0f;
        }
        if (digesting) digest_height_samples(&digest, row, N);
      }
    } else {
      kuvo_log("Warning: can't read %.900s, the terrain is flat\n", name);
      for (size_t k = 0; k < (size_t)N * N; k++) hf->heights[k] = lo;
    }
    free(pixels);
  }
  free(row);
  if (digesting) {
    unsigned char hash[DIGEST_SIZE];
    char hex[DIGEST_HEX_SIZE];
    digest_final(&digest, hash);
    digest_to_hex(hash, hex);
    kuvo_log("%s\n", hex);
  }
  return true;
}

// Applies a byte-wise operation eight bytes at a time (the arrays are megabytes).
template <typename F> static void each_byte_word(uint8_t* bytes, size_t count, F op) {
  size_t k = 0;
  for (; k + 8 <= count; k += 8) {
    uint64_t w;
    memcpy(&w, bytes + k, 8);
    w = op(w);
    memcpy(bytes + k, &w, 8);
  }
  for (; k < count; k++) bytes[k] = (uint8_t)op(bytes[k]);
}

// Takes an N x N RGB image (P6, also P3, Z6 or Z7) as the shading; false
// (with the message) otherwise. No mip levels: the shading is not a texture.
static bool take_shading(HeightField* hf, Stream* stream, bool halve) {
  Image image = {};
  char token[16];
  bool ok = read_first_token(stream, token);
  if (ok && (!strcmp(token, "P6") || !strcmp(token, "P3")))
    ok = read_ppm_body(stream, token[1] == '3', &image);
  else if (ok && (!strcmp(token, "Z6") || !strcmp(token, "Z7")))
    ok = read_packed_body(stream, token[1] == '6' ? 3 : 4, 3, &image);
  else
    ok = false;
  if (!ok) {
    show_message("Error reading shading");
    return false;
  }
  if (image.width != hf->N || image.height != hf->N) {
    show_messagef("Bad shading dimensions (%dx%d)", image.width, image.height);
    image_free(&image);
    return false;
  }
  // Level 0 leads the buffer: keep it and give back the room of the chain.
  size_t bytes = (size_t)hf->N * hf->N * 3;
  uint8_t* shading = (uint8_t*)xrealloc(image.pixels, bytes);
  if (halve) each_byte_word(shading, bytes, [](uint64_t w) { return (w >> 1) & 0x7f7f7f7f7f7f7f7full; });
  hf->shading = shading;
  return true;
}

static bool read_pgm_number(Stream* stream, int* value) {
  stream_skip_comments(stream);
  return stream_scanf(stream, "%d", value) == 1;
}

// A binary greyscale image ("P5") that must be N x N; stored inverted.
static bool read_shadows(HeightField* hf, Stream* stream) {
  stream_skip_comments(stream);
  int first = stream_getc(stream), second = stream_getc(stream);
  int width, height, max;
  if (first != 'P' || second != '5' || !read_pgm_number(stream, &width) || !read_pgm_number(stream, &height) ||
      !read_pgm_number(stream, &max) || max < 1 || max > 255) {
    show_message("Error reading shadows");
    return false;
  }
  if (width != hf->N || height != hf->N) {
    show_messagef("Bad shadow dimensions (%dx%d)\n", width, height);
    return false;
  }
  stream_getc(stream);  // the one separator after the maximum
  size_t count = (size_t)hf->N * hf->N;
  uint8_t* shadows = (uint8_t*)xmalloc(count);
  hf->shadows = shadows;
  if (stream_read(stream, shadows, count) != count) {
    show_message("Error reading shadows");
    return false;
  }
  if (max != 255)
    for (size_t k = 0; k < count; k++) shadows[k] = (uint8_t)(shadows[k] >= max ? 255 : shadows[k] * 255 / max);
  // The file holds brightness.
  each_byte_word(shadows, count, [](uint64_t w) { return ~w; });
  return true;
}

static bool read_tile_map(HeightField* hf, Stream* stream) {
  size_t count = (size_t)hf->T * hf->T;
  uint8_t* tiles = (uint8_t*)xmalloc(count);
  hf->tile_map = tiles;
  if (stream_read(stream, tiles, count) != count) {
    show_message("Error reading tilemap");
    return false;
  }
  uint8_t last = (uint8_t)(hf->surface_type_count - 1);
  for (size_t k = 0; k < count; k++) tiles[k] = tiles[k] > last ? last : tiles[k];
  return true;
}

static bool data_exists(const char* name) {
  Stream* stream = data_open(name, "rb");
  if (!stream) return false;
  data_close(stream);
  return true;
}

// The first of the companion names (extension replaced by each suffix) that exists.
static const char* find_companion(const char* texture, const char* const* suffixes, int count) {
  const char* slash = strrchr(texture, '/');
  const char* dot = strrchr(slash ? slash : texture, '.');
  int stem = dot ? (int)(dot - texture) : (int)strlen(texture);
  for (int k = 0; k < count; k++) {
    char name[1100];
    snprintf(name, sizeof name, "%.*s%s", stem, texture, suffixes[k]);
    if (data_exists(name)) return intern_string(name);
  }
  return nullptr;
}

static void read_decals(HeightField* hf, Stream* stream, bool shaders) {
  static const char* const normal_suffixes[] = {"_tnorm.png", "_tnorm.ppm"};
  static const char* const specular_suffixes[] = {"_tspec.png", "_tspec.ppm"};
  float x, z, angle, size, aspect;
  char texture[1024];
  while (stream_scanf(stream, "[ %f %f ] %f %f %f %1023s ", &x, &z, &angle, &size, &aspect, texture) == 6) {
    if (!data_exists(texture)) continue;  // a decal without its texture is not drawn
    height_field_add_decal(hf, x, z, angle, size, aspect, texture);
    if (shaders) {
      TerrainDecal* decal = array_at<TerrainDecal>(&hf->decals, hf->decals.count - 1);
      decal->normal_map = find_companion(texture, normal_suffixes, 2);
      decal->specular_map = find_companion(texture, specular_suffixes, 2);
    }
  }
  rebuild_decal_cells(hf);
}

static bool load_steps(HeightField* hf, const char* folder, const TerrainLoadOptions* options) {
  Stream* stream = open_required(folder, "terrain.hf");
  if (!stream) return false;
  bool ok = read_heights(hf, folder, stream, options);
  data_close(stream);
  if (!ok) return false;

  hf->texture_method = options->texture_method;

  if ((stream = open_optional(folder, "shadingx2.ppm"))) {
    ok = take_shading(hf, stream, false);
  } else {
    if (!(stream = open_required(folder, "shading.ppm"))) return false;
    ok = take_shading(hf, stream, true);
  }
  data_close(stream);
  if (!ok) return false;

  if ((stream = open_optional(folder, "shadows.pgm"))) {
    ok = read_shadows(hf, stream);
    data_close(stream);
    if (!ok) return false;
  } else {
    hf->shadows = (uint8_t*)xmalloc((size_t)hf->N * hf->N);
    memset(hf->shadows, 0, (size_t)hf->N * hf->N);
  }

  if (!load_surface_types(folder, &hf->surface_types, &hf->surface_type_count)) return false;

  if (!(stream = open_required(folder, "tilemap"))) return false;
  ok = read_tile_map(hf, stream);
  data_close(stream);
  if (!ok) return false;

  if (options->shaders) build_normal_map(hf);

  if ((stream = open_optional(folder, "decals"))) {
    read_decals(hf, stream, options->shaders);
    data_close(stream);
  }
  return true;
}

bool height_field_load(HeightField* hf, const char* folder, const TerrainLoadOptions* options) {
  memset(hf, 0, sizeof *hf);
  height_field_init_lists(hf);
  if (!load_steps(hf, folder, options)) {
    height_field_free(hf);
    return false;
  }
  hf->terrain_version = 0;
  hf->deformed = false;
  hf->locked = false;
  hf->loaded = true;
  return true;
}
