// The in-memory image: mip chain geometry, allocation within the caps, mip
// building, power-of-two resampling, the level drop, widening to RGBA and
// the border colour. Also the reader error text and the debug level.
#include "assets/image.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/helpers.h"

static char image_error[IMAGE_ERROR_SIZE];
static int debug_level;

void assets_set_debug_level(int level) { debug_level = level; }
int assets_debug_level() { return debug_level; }

const char* image_last_error() { return image_error; }

void image_set_error(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  vsnprintf(image_error, sizeof image_error, format, arguments);
  va_end(arguments);
}

int mip_level_count(int width, int height) {
  int count = 1;
  while (width > 1 || height > 1) {
    width = width > 1 ? width / 2 : 1;
    height = height > 1 ? height / 2 : 1;
    count++;
  }
  return count;
}

void mip_level_size(int width, int height, int level, int* level_width, int* level_height) {
  for (int i = 0; i < level; i++) {
    width = width > 1 ? width / 2 : 1;
    height = height > 1 ? height / 2 : 1;
  }
  *level_width = width;
  *level_height = height;
}

size_t mip_level_offset(int width, int height, int channels, int level) {
  size_t offset = 0;
  for (int i = 0; i < level; i++) {
    offset += (size_t)width * height * channels;
    width = width > 1 ? width / 2 : 1;
    height = height > 1 ? height / 2 : 1;
  }
  return offset;
}

size_t mip_chain_bytes(int width, int height, int channels) {
  size_t pixels = 1;
  while (width > 1 || height > 1) {
    pixels += (size_t)width * height;
    width = width > 1 ? width / 2 : 1;
    height = height > 1 ? height / 2 : 1;
  }
  return pixels * channels;
}

bool image_size_allowed(int width, int height) {
  if (width < 1 || height < 1 || width > IMAGE_MAX_SIDE || height > IMAGE_MAX_SIDE ||
      (int64_t)width * height > IMAGE_MAX_PIXELS) {
    image_set_error("Image size %dx%d outside 1..%d per side and %d pixels", width, height, IMAGE_MAX_SIDE,
                    IMAGE_MAX_PIXELS);
    return false;
  }
  return true;
}

bool image_alloc(Image* image, int width, int height, int channels) {
  image->pixels = nullptr;
  image->mips_built = false;
  if (width < 1 || height < 1 || width > 2 * IMAGE_MAX_SIDE || height > 2 * IMAGE_MAX_SIDE ||
      (int64_t)width * height > 4LL * IMAGE_MAX_PIXELS) {
    image_set_error("Image size %dx%d is too large", width, height);
    return false;
  }
  if (channels != 3 && channels != 4) {
    image_set_error("Unsupported channel count %d", channels);
    return false;
  }
  image->width = width;
  image->height = height;
  image->channels = channels;
  image->pixels = (unsigned char*)xmalloc(mip_chain_bytes(width, height, channels));
  return true;
}

void image_free(Image* image) {
  free(image->pixels);
  image->pixels = nullptr;
  image->width = image->height = 0;
  image->mips_built = false;
}

// One level from the one above. Odd last rows or columns are dropped.
static void mip_step(const unsigned char* src, int w, int h, unsigned char* dst, int channels, bool max_alpha) {
  int dw = w > 1 ? w / 2 : 1;
  int dh = h > 1 ? h / 2 : 1;
  if (w > 1 && h > 1) {
    size_t stride = (size_t)w * channels;
    for (int y = 0; y < dh; y++) {
      const unsigned char* row0 = src + (size_t)(2 * y) * stride;
      const unsigned char* row1 = row0 + stride;
      unsigned char* out = dst + (size_t)y * dw * channels;
      if (channels == 3) {
        for (int x = 0; x < dw; x++) {
          const unsigned char* a = row0 + 6 * x;
          const unsigned char* b = row1 + 6 * x;
          out[0] = (unsigned char)((a[0] + a[3] + b[0] + b[3]) >> 2);
          out[1] = (unsigned char)((a[1] + a[4] + b[1] + b[4]) >> 2);
          out[2] = (unsigned char)((a[2] + a[5] + b[2] + b[5]) >> 2);
          out += 3;
        }
      } else {
        for (int x = 0; x < dw; x++) {
          const unsigned char* p[4] = {row0 + 8 * x, row0 + 8 * x + 4, row1 + 8 * x, row1 + 8 * x + 4};
          int t = p[0][3] + p[1][3] + p[2][3] + p[3][3];
          for (int c = 0; c < 3; c++) {
            if (t != 0 && t != 1020) {
              int sum = p[0][c] * p[0][3] + p[1][c] * p[1][3] + p[2][c] * p[2][3] + p[3][c] * p[3][3];
              out[c] = (unsigned char)(sum / t);
            } else {
              out[c] = (unsigned char)((p[0][c] + p[1][c] + p[2][c] + p[3][c]) >> 2);
            }
          }
          if (max_alpha) {
            int m = p[0][3];
            for (int i = 1; i < 4; i++)
              if (p[i][3] > m) m = p[i][3];
            out[3] = (unsigned char)m;
          } else {
            out[3] = (unsigned char)(t >> 2);
          }
          out += 4;
        }
      }
    }
    return;
  }
  // 1-D: pairs of neighbours along the side that is longer than 1.
  int count = w > 1 ? dw : dh;
  size_t step = (size_t)channels;  // neighbour distance in bytes (same for either direction at w or h == 1)
  for (int i = 0; i < count; i++) {
    const unsigned char* a = src + (size_t)(2 * i) * step;
    const unsigned char* b = a + step;
    unsigned char* out = dst + (size_t)i * channels;
    if (channels == 3) {
      for (int c = 0; c < 3; c++) out[c] = (unsigned char)((a[c] + b[c]) >> 1);
    } else {
      int t = a[3] + b[3];
      for (int c = 0; c < 3; c++) {
        if (t != 0 && t != 510)
          out[c] = (unsigned char)((a[c] * a[3] + b[c] * b[3]) / t);
        else
          out[c] = (unsigned char)((a[c] + b[c]) >> 1);
      }
      out[3] = (unsigned char)(max_alpha ? (a[3] > b[3] ? a[3] : b[3]) : t >> 1);
    }
  }
}

void build_mip_chain(unsigned char* pixels, int width, int height, int channels, bool max_alpha) {
  unsigned char* level = pixels;
  while (width > 1 || height > 1) {
    unsigned char* next = level + (size_t)width * height * channels;
    mip_step(level, width, height, next, channels, max_alpha);
    width = width > 1 ? width / 2 : 1;
    height = height > 1 ? height / 2 : 1;
    level = next;
  }
}

void image_finish_mips(Image* image, bool max_alpha) {
  if (image->mips_built) return;
  build_mip_chain(image->pixels, image->width, image->height, image->channels, max_alpha);
  image->mips_built = true;
}

bool is_power_of_two(int value) { return value > 0 && (value & (value - 1)) == 0; }

static int next_power_of_two(int value) {
  int p = 1;
  while (p < value) p *= 2;
  return p;
}

bool image_resample_pow2(Image* image, bool max_alpha) {
  int w = image->width, h = image->height, channels = image->channels;
  if (is_power_of_two(w) && is_power_of_two(h)) {
    image_finish_mips(image, max_alpha);
    return true;
  }
  int dw = next_power_of_two(w), dh = next_power_of_two(h);
  Image out;
  if (!image_alloc(&out, dw, dh, channels)) return false;
  for (int y = 0; y < dh; y++) {
    const unsigned char* src_row = image->pixels + (size_t)((int64_t)y * h / dh) * w * channels;
    unsigned char* dst = out.pixels + (size_t)y * dw * channels;
    for (int x = 0; x < dw; x++) {
      memcpy(dst + (size_t)x * channels, src_row + (size_t)((int64_t)x * w / dw) * channels, channels);
    }
  }
  image_free(image);
  *image = out;
  image_finish_mips(image, max_alpha);
  return true;
}

int level_drop_count(int width, int height, int drop) {
  int skipped = 0;
  while (skipped < drop && width > 128 && height > 128) {
    width /= 2;
    height /= 2;
    skipped++;
  }
  return skipped;
}

bool image_apply_level_drop(Image* image, int drop, bool max_alpha) {
  if (!image_resample_pow2(image, max_alpha)) return false;
  int skip = level_drop_count(image->width, image->height, drop);
  if (skip == 0) return true;
  int w, h;
  mip_level_size(image->width, image->height, skip, &w, &h);
  Image out;
  if (!image_alloc(&out, w, h, image->channels)) return false;
  memcpy(out.pixels, image->pixels + mip_level_offset(image->width, image->height, image->channels, skip),
         mip_chain_bytes(w, h, image->channels));
  out.mips_built = true;
  image_free(image);
  *image = out;
  return true;
}

void image_widen_to_rgba(Image* image) {
  if (image->channels == 4) return;
  size_t pixels = mip_chain_bytes(image->width, image->height, 1);
  unsigned char* out = (unsigned char*)xmalloc(pixels * 4);
  const unsigned char* in = image->pixels;
  for (size_t i = 0; i < pixels; i++) {
    out[4 * i] = in[3 * i];
    out[4 * i + 1] = in[3 * i + 1];
    out[4 * i + 2] = in[3 * i + 2];
    out[4 * i + 3] = 255;
  }
  free(image->pixels);
  image->pixels = out;
  image->channels = 4;
}

void border_colour(const unsigned char* pixels, int width, int height, int channels, float colour[4]) {
  colour[0] = colour[1] = colour[2] = colour[3] = 0.0f;
  if (channels != 3) return;
  int bins[512];
  memset(bins, 0, sizeof bins);
  auto count = [&](int x, int y) {
    const unsigned char* p = pixels + ((size_t)y * width + x) * 3;
    bins[(p[0] * 7 / 255) * 64 + (p[1] * 7 / 255) * 8 + p[2] * 7 / 255]++;
  };
  for (int x = 0; x < width; x++) {
    count(x, 0);
    count(x, height - 1);
  }
  for (int y = 0; y < height; y++) {
    count(0, y);
    count(width - 1, y);
  }
  int best = 0;
  for (int i = 1; i < 512; i++)
    if (bins[i] > bins[best]) best = i;
  colour[0] = (float)(best / 64) / 7.0f;
  colour[1] = (float)(best / 8 % 8) / 7.0f;
  colour[2] = (float)(best % 8) / 7.0f;
}
