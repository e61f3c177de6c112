// PNG through libpng over our streams: the image reader with its options
// text, the ".info" file and the "[mip_custom]" layout; the 16-bit grey
// reader; the 8-bit and 16-bit writers.
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "assets/image.h"
#include "core/helpers.h"
#include "files/stream.h"
#include "platform/kuvo.h"

enum { OPTIONS_MAX = 1 << 20, PNG_CHUNK_MAX = 8 << 20 };

static void png_fail(png_structp png, png_const_charp message) {
  image_set_error("PNG: %s", message);
  png_longjmp(png, 1);
}

static void png_warn(png_structp, png_const_charp message) {
  if (assets_debug_level()) kuvo_log("PNG warning: %s\n", message);
}

// libpng's own buffers (rows, zlib state, chunk data) never need much;
// refusing anything larger stops a damaged chunk length (libpng lets an
// oversized ancillary chunk pass as a benign error) from asking for
// gigabytes. The image itself is allocated by us, within the size caps.
static png_voidp png_capped_malloc(png_structp, png_alloc_size_t size) {
  return size <= PNG_CHUNK_MAX ? malloc(size) : nullptr;
}

static void png_capped_free(png_structp, png_voidp pointer) { free(pointer); }

static void png_read_from_stream(png_structp png, png_bytep data, size_t length) {
  Stream* stream = (Stream*)png_get_io_ptr(png);
  if (stream_read(stream, data, length) != length) png_error(png, "Truncated PNG data");
}

static void png_write_to_stream(png_structp png, png_bytep data, size_t length) {
  Stream* stream = (Stream*)png_get_io_ptr(png);
  if (stream_write(stream, data, length) != length) png_error(png, "Write failed");
}

static void png_flush_stream(png_structp png) { stream_flush((Stream*)png_get_io_ptr(png)); }

// Growing text buffer for the options, capped so a file of huge text
// chunks can't make us hold more than OPTIONS_MAX bytes.
struct Text {
  char* bytes;
  size_t length;
};

static void text_append(Text* text, const char* bytes, size_t count) {
  if (text->length + count > OPTIONS_MAX) count = OPTIONS_MAX - text->length;
  if (count == 0) return;
  text->bytes = (char*)xrealloc(text->bytes, text->length + count + 1);
  memcpy(text->bytes + text->length, bytes, count);
  text->length += count;
  text->bytes[text->length] = 0;
}

static void append_text_chunks(png_structp png, png_infop info, Text* text) {
  png_textp chunks;
  int count = 0;
  if (png_get_text(png, info, &chunks, &count) > 0)
    for (int i = 0; i < count; i++)
      if (chunks[i].text) text_append(text, chunks[i].text, strlen(chunks[i].text));
}

// Everything a longjmp must find intact lives here, not in locals.
struct PngRead {
  png_structp png;
  png_infop info;
  png_infop end_info;
  png_bytep* rows;
  unsigned char* samples;
  Image image;
  Text text;
};

static bool png_open(PngRead* r, Stream* stream) {
  unsigned char signature[8];
  if (stream_read(stream, signature, 8) != 8 || png_sig_cmp(signature, 0, 8)) {
    image_set_error("Not a PNG file");
    return false;
  }
  r->png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, png_fail, png_warn, nullptr, png_capped_malloc,
                                    png_capped_free);
  if (!r->png) return false;
  r->info = png_create_info_struct(r->png);
  r->end_info = png_create_info_struct(r->png);
  png_set_read_fn(r->png, stream, png_read_from_stream);
  png_set_sig_bytes(r->png, 8);
  png_set_chunk_malloc_max(r->png, PNG_CHUNK_MAX);
  return r->info && r->end_info;
}

static void png_close(PngRead* r) {
  if (r->png) png_destroy_read_struct(&r->png, &r->info, &r->end_info);
  free(r->rows);
  free(r->samples);
  r->rows = nullptr;
  r->samples = nullptr;
}

bool read_png_stream(Stream* stream, const char* name, Image* image, char** options) {
  (void)name;
  if (options) *options = nullptr;
  PngRead context = {};
  PngRead* r = &context;
  if (!png_open(r, stream)) {
    png_close(r);
    return false;
  }
  if (setjmp(png_jmpbuf(r->png))) {
    image_free(&r->image);
    free(r->text.bytes);
    png_close(r);
    return false;
  }
  png_read_info(r->png, r->info);
  append_text_chunks(r->png, r->info, &r->text);
  int colour = png_get_color_type(r->png, r->info);
  int depth = png_get_bit_depth(r->png, r->info);
  bool alpha = (colour & PNG_COLOR_MASK_ALPHA) != 0;
  if (colour == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(r->png);
  if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(r->png);
  if (depth == 16) png_set_strip_16(r->png);
  if (png_get_valid(r->png, r->info, PNG_INFO_tRNS)) {
    png_set_tRNS_to_alpha(r->png);
    alpha = true;
  }
  if (colour == PNG_COLOR_TYPE_GRAY || colour == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(r->png);
  png_set_interlace_handling(r->png);
  png_read_update_info(r->png, r->info);
  int width = (int)png_get_image_width(r->png, r->info);
  int height = (int)png_get_image_height(r->png, r->info);
  int channels = alpha ? 4 : 3;
  if (png_get_channels(r->png, r->info) != channels || png_get_bit_depth(r->png, r->info) != 8)
    png_error(r->png, "unexpected pixel layout after conversion");
  if (!image_size_allowed(width, height) || !image_alloc(&r->image, width, height, channels)) png_longjmp(r->png, 1);
  r->rows = (png_bytep*)xmalloc(sizeof(png_bytep) * height);
  for (int y = 0; y < height; y++) r->rows[y] = r->image.pixels + (size_t)y * width * channels;
  png_read_image(r->png, r->rows);
  png_read_end(r->png, r->end_info);
  append_text_chunks(r->png, r->end_info, &r->text);
  *image = r->image;
  if (options)
    *options = r->text.bytes;
  else
    free(r->text.bytes);
  png_close(r);
  return true;
}

bool options_have(const char* options, const char* tag) { return options && strstr(options, tag); }

bool apply_custom_mips(Image* image, const char* name) {
  int w = image->width, file_height = image->height, channels = image->channels;
  if (file_height * 2 % 3 != 0) {
    kuvo_log("Warning: Invalid height for custom MIP map in '%.950s'\n", name);
    return false;
  }
  int h = file_height * 2 / 3;
  // Every level must lie inside the file, whatever its width.
  int x = 0, y = 0, lw = w, lh = h;
  for (;;) {
    if (x + lw > w || y + lh > file_height) {
      kuvo_log("Warning: Invalid custom MIP map layout in '%.950s'\n", name);
      return false;
    }
    if (lw == 1 && lh == 1) break;
    if (y + lh < file_height)
      y += lh;
    else
      x += lw;
    lw = lw > 1 ? lw / 2 : 1;
    lh = lh > 1 ? lh / 2 : 1;
  }
  Image out;
  if (!image_alloc(&out, w, h, channels)) return false;
  x = y = 0;
  lw = w;
  lh = h;
  unsigned char* dst = out.pixels;
  for (;;) {
    for (int row = 0; row < lh; row++) {
      memcpy(dst, image->pixels + ((size_t)(y + row) * w + x) * channels, (size_t)lw * channels);
      dst += (size_t)lw * channels;
    }
    if (lw == 1 && lh == 1) break;
    if (y + lh < file_height)
      y += lh;
    else
      x += lw;
    lw = lw > 1 ? lw / 2 : 1;
    lh = lh > 1 ? lh / 2 : 1;
  }
  out.mips_built = true;
  image_free(image);
  *image = out;
  return true;
}

bool read_png(const char* name, Image* image, char** options) {
  if (options) *options = nullptr;
  Stream* stream = data_open(name, "rb");
  if (!stream) {
    image_set_error("Can't open %.900s", name);
    return false;
  }
  Text text = {};
  char* chunks = nullptr;
  bool ok = read_png_stream(stream, name, image, &chunks);
  data_close(stream);
  if (!ok) return false;
  if (chunks) {
    text_append(&text, chunks, strlen(chunks));
    free(chunks);
  }
  size_t name_length = strlen(name);
  char* info_name = (char*)xmalloc(name_length + 6);
  memcpy(info_name, name, name_length);
  memcpy(info_name + name_length, ".info", 6);
  Stream* info = data_open(info_name, "rb");
  free(info_name);
  if (info) {
    char buffer[4096];
    size_t n;
    while ((n = stream_read(info, buffer, sizeof buffer)) > 0) text_append(&text, buffer, n);
    data_close(info);
  }
  bool custom = options_have(text.bytes, "[mip_custom]") && apply_custom_mips(image, name);
  if (!custom) image_finish_mips(image, options_have(text.bytes, "[mip_max_alpha]"));
  if (options)
    *options = text.bytes;
  else
    free(text.bytes);
  return true;
}

bool read_grey16_png(const char* name, uint16_t** samples, int* width, int* height) {
  *samples = nullptr;
  Stream* stream = data_open(name, "rb");
  if (!stream) {
    image_set_error("Can't open %.900s", name);
    return false;
  }
  bool ok = read_grey16_png_stream(stream, name, samples, width, height);
  data_close(stream);
  return ok;
}

bool read_grey16_png_stream(Stream* stream, const char* name, uint16_t** samples, int* width, int* height) {
  *samples = nullptr;
  PngRead context = {};
  PngRead* r = &context;
  if (!png_open(r, stream)) {
    png_close(r);
    return false;
  }
  if (setjmp(png_jmpbuf(r->png))) {
    png_close(r);
    return false;
  }
  png_read_info(r->png, r->info);
  int colour = png_get_color_type(r->png, r->info);
  int depth = png_get_bit_depth(r->png, r->info);
  if (colour == PNG_COLOR_TYPE_PALETTE) {
    image_set_error("%.900s is a palette PNG; a height image must be grey or true colour", name);
    png_longjmp(r->png, 1);
  }
  if (colour == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(r->png);
  if (colour & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(r->png);
  if (colour & PNG_COLOR_MASK_COLOR) png_set_rgb_to_gray_fixed(r->png, 1, -1, -1);
  png_set_interlace_handling(r->png);
  png_read_update_info(r->png, r->info);
  int w = (int)png_get_image_width(r->png, r->info);
  int h = (int)png_get_image_height(r->png, r->info);
  int bytes = png_get_bit_depth(r->png, r->info) == 16 ? 2 : 1;
  if (png_get_channels(r->png, r->info) != 1) png_error(r->png, "unexpected pixel layout after conversion");
  if (!image_size_allowed(w, h)) png_longjmp(r->png, 1);
  size_t count = (size_t)w * h;
  r->samples = (unsigned char*)xmalloc(count * 2);
  // Rows land in the upper half of their final place when 8-bit, so the
  // widening below can run in place from the front.
  r->rows = (png_bytep*)xmalloc(sizeof(png_bytep) * h);
  for (int y = 0; y < h; y++) r->rows[y] = r->samples + (size_t)y * w * 2 + (bytes == 1 ? w : 0);
  png_read_image(r->png, r->rows);
  png_read_end(r->png, nullptr);
  uint16_t* out = (uint16_t*)xmalloc(count * sizeof(uint16_t));
  for (int y = 0; y < h; y++) {
    const unsigned char* row = r->rows[y];
    uint16_t* dst = out + (size_t)y * w;
    if (bytes == 1)
      for (int x = 0; x < w; x++) dst[x] = (uint16_t)(row[x] * 257);
    else
      for (int x = 0; x < w; x++) dst[x] = (uint16_t)(row[2 * x] << 8 | row[2 * x + 1]);
  }
  png_close(r);
  *samples = out;
  *width = w;
  *height = h;
  return true;
}

// Shared writer: `row_at` gives the bytes of output row y.
struct PngWrite {
  png_structp png;
  png_infop info;
  unsigned char* scratch;
};

static bool write_png_rows(Stream* stream, int width, int height, int colour, int depth,
                           const unsigned char* (*row_at)(const void* source, int y, unsigned char* scratch),
                           const void* source, size_t scratch_bytes) {
  if (width < 1 || height < 1 || width > PNG_USER_WIDTH_MAX || height > PNG_USER_HEIGHT_MAX) {
    image_set_error("Can't write a %dx%d PNG", width, height);
    return false;
  }
  PngWrite context = {};
  PngWrite* w = &context;
  w->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_fail, png_warn);
  if (!w->png) return false;
  w->info = png_create_info_struct(w->png);
  if (!w->info) {
    png_destroy_write_struct(&w->png, nullptr);
    return false;
  }
  if (scratch_bytes) w->scratch = (unsigned char*)xmalloc(scratch_bytes);
  if (setjmp(png_jmpbuf(w->png))) {
    png_destroy_write_struct(&w->png, &w->info);
    free(w->scratch);
    return false;
  }
  png_set_write_fn(w->png, stream, png_write_to_stream, png_flush_stream);
  png_set_IHDR(w->png, w->info, width, height, depth, colour, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(w->png, w->info);
  for (int y = 0; y < height; y++) png_write_row(w->png, (png_const_bytep)row_at(source, y, w->scratch));
  png_write_end(w->png, nullptr);
  png_destroy_write_struct(&w->png, &w->info);
  free(w->scratch);
  return !stream->write_failed;
}

struct Rows8 {
  const unsigned char* pixels;
  int width, height, channels;
  bool last_first;
};

static const unsigned char* row8(const void* source, int y, unsigned char*) {
  const Rows8* s = (const Rows8*)source;
  int row = s->last_first ? s->height - 1 - y : y;
  return s->pixels + (size_t)row * s->width * s->channels;
}

struct Rows16 {
  const uint16_t* samples;
  int width, height;
};

static const unsigned char* row16(const void* source, int y, unsigned char* scratch) {
  const Rows16* s = (const Rows16*)source;
  const uint16_t* row = s->samples + (size_t)y * s->width;
  for (int x = 0; x < s->width; x++) {
    scratch[2 * x] = (unsigned char)(row[x] >> 8);
    scratch[2 * x + 1] = (unsigned char)row[x];
  }
  return scratch;
}

bool write_png_rgb_stream(Stream* stream, const unsigned char* pixels, int width, int height) {
  Rows8 source = {pixels, width, height, 3, true};
  return write_png_rows(stream, width, height, PNG_COLOR_TYPE_RGB, 8, row8, &source, 0);
}

bool write_png_grey16_stream(Stream* stream, const uint16_t* samples, int width, int height) {
  Rows16 source = {samples, width, height};
  return write_png_rows(stream, width, height, PNG_COLOR_TYPE_GRAY, 16, row16, &source, (size_t)width * 2);
}

// Writes through a replacing stream so a failed write leaves the old file.
static bool write_named(const char* name, bool (*write)(Stream*, const void*), const void* context) {
  Stream* stream = data_open_replacing(name, "wb");
  if (!stream) {
    kuvo_log("Can't write %.900s\n", name);
    return false;
  }
  if (!write(stream, context)) {
    stream_discard(stream);
    kuvo_log("Can't write %.900s: %s\n", name, image_last_error());
    return false;
  }
  if (!data_close(stream)) {
    kuvo_log("Can't write %.900s\n", name);
    return false;
  }
  return true;
}

static bool write_rows8(Stream* stream, const void* context) {
  const Rows8* s = (const Rows8*)context;
  return write_png_rows(stream, s->width, s->height, s->channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, 8,
                        row8, s, 0);
}

static bool write_rows16(Stream* stream, const void* context) {
  const Rows16* s = (const Rows16*)context;
  return write_png_grey16_stream(stream, s->samples, s->width, s->height);
}

bool write_png_rgb(const char* name, const unsigned char* pixels, int width, int height) {
  Rows8 source = {pixels, width, height, 3, true};
  return write_named(name, write_rows8, &source);
}

bool write_png(const char* name, const unsigned char* pixels, int width, int height, int channels) {
  if (channels != 3 && channels != 4) return false;
  Rows8 source = {pixels, width, height, channels, false};
  return write_named(name, write_rows8, &source);
}

bool write_png_grey16(const char* name, const uint16_t* samples, int width, int height) {
  Rows16 source = {samples, width, height};
  return write_named(name, write_rows16, &source);
}
