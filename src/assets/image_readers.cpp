// Readers picked by a file's first token: PPM ("P6", "P3"), the packed
// images "Z6"/"Z7" with their predictor (and their encoder), "ANIM1"
// sequences and "LINK" files; read_image_file dispatches between them and
// the PNG reader.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "assets/image.h"
#include "core/helpers.h"
#include "files/stream.h"
#include "platform/kuvo.h"

bool read_first_token(Stream* stream, char token[16]) {
  int c;
  do {
    c = stream_getc(stream);
  } while (c != -1 && isspace(c));
  if (c == -1) {
    token[0] = 0;
    return false;
  }
  int n = 0;
  token[n++] = (char)c;
  while (n < 15) {
    c = stream_peekc(stream);
    if (c == -1 || isspace(c)) break;
    token[n++] = (char)stream_getc(stream);
  }
  token[n] = 0;
  return true;
}

// A decimal number after white space and "#" comment lines; the byte after
// it stays unread. Values beyond the int range saturate so the callers'
// range checks refuse them.
static bool read_number(Stream* stream, long long* value) {
  int c;
  for (;;) {
    c = stream_peekc(stream);
    if (c == -1) return false;
    if (isspace(c)) {
      stream_getc(stream);
    } else if (c == '#') {
      while (c != -1 && c != '\n') c = stream_getc(stream);
    } else {
      break;
    }
  }
  bool negative = false;
  if (c == '-' || c == '+') {
    negative = c == '-';
    stream_getc(stream);
    c = stream_peekc(stream);
  }
  if (c == -1 || !isdigit(c)) return false;
  long long v = 0;
  while (c != -1 && isdigit(c)) {
    stream_getc(stream);
    if (v < 100000000000LL) v = v * 10 + (c - '0');
    c = stream_peekc(stream);
  }
  *value = negative ? -v : v;
  return true;
}

bool read_ppm_body(Stream* stream, bool ascii, Image* image) {
  long long width, height, maximum;
  if (!read_number(stream, &width) || !read_number(stream, &height) || !read_number(stream, &maximum) ||
      width < 0 || height < 0 || maximum < 0) {
    image_set_error("Can't get PPM dimensions");
    return false;
  }
  // A zero maximum would divide by zero; raw files carry one byte per sample.
  if (maximum == 0 || maximum > (ascii ? 65535 : 255)) {
    image_set_error("PPM maximum value %lld not supported", maximum);
    return false;
  }
  if (width > IMAGE_MAX_SIDE || height > IMAGE_MAX_SIDE) {
    image_set_error("PPM size %lldx%lld is larger than %d per side", width, height, IMAGE_MAX_SIDE);
    return false;
  }
  if (!image_size_allowed((int)width, (int)height) || !image_alloc(image, (int)width, (int)height, 3)) return false;
  size_t count = (size_t)width * height * 3;
  unsigned char* out = image->pixels;
  if (ascii) {
    for (size_t i = 0; i < count; i++) {
      long long v;
      if (!read_number(stream, &v) || v < 0) {
        image_set_error("Truncated PPM data");
        image_free(image);
        return false;
      }
      long long scaled = v * 255 / maximum;
      out[i] = (unsigned char)(scaled > 255 ? 255 : scaled);
    }
    return true;
  }
  stream_getc(stream);
  if (stream_read(stream, out, count) != count) {
    image_set_error("Truncated PPM data");
    image_free(image);
    return false;
  }
  if (maximum != 255) {
    for (size_t i = 0; i < count; i++) {
      int scaled = out[i] * 255 / (int)maximum;
      out[i] = (unsigned char)(scaled > 255 ? 255 : scaled);
    }
  }
  return true;
}

static inline int predict(const unsigned char* row, const unsigned char* above, int x, int c, int channels) {
  if (!above) return x == 0 ? 0 : row[(x - 1) * channels + c];
  if (x == 0) return above[c];
  int p = row[(x - 1) * channels + c] + above[x * channels + c] - above[(x - 1) * channels + c];
  return p < 0 ? 0 : p > 255 ? 255 : p;
}

bool read_packed_body(Stream* stream, int file_channels, int want_channels, Image* image) {
  long long width, height;
  if (!read_number(stream, &width) || !read_number(stream, &height) || width < 1 || height < 1) {
    image_set_error("Can't get Z%d dimensions", file_channels == 4 ? 7 : 6);
    return false;
  }
  if (width > IMAGE_MAX_SIDE || height > IMAGE_MAX_SIDE) {
    image_set_error("Z%d size %lldx%lld is larger than %d per side", file_channels == 4 ? 7 : 6, width, height,
                    IMAGE_MAX_SIDE);
    return false;
  }
  if (!image_size_allowed((int)width, (int)height) || !image_alloc(image, (int)width, (int)height, want_channels))
    return false;
  stream_getc(stream);
  int w = (int)width, h = (int)height;
  size_t row_bytes = (size_t)w * file_channels;
  // Two decoded rows in the file's layout; residuals arrive in place.
  unsigned char* rows = (unsigned char*)xmalloc(row_bytes * 2);
  unsigned char* above = nullptr;
  unsigned char* row = rows;
  for (int y = 0; y < h; y++) {
    if (stream_read(stream, row, row_bytes) != row_bytes) {
      image_set_error("Truncated Z%d data", file_channels == 4 ? 7 : 6);
      free(rows);
      image_free(image);
      return false;
    }
    for (int x = 0; x < w; x++)
      for (int c = 0; c < file_channels; c++) {
        unsigned char* p = row + x * file_channels + c;
        *p = (unsigned char)(*p + predict(row, above, x, c, file_channels));
      }
    unsigned char* out = image->pixels + (size_t)y * w * want_channels;
    if (want_channels == file_channels) {
      memcpy(out, row, row_bytes);
    } else {
      for (int x = 0; x < w; x++) {
        out[x * want_channels] = row[x * file_channels];
        out[x * want_channels + 1] = row[x * file_channels + 1];
        out[x * want_channels + 2] = row[x * file_channels + 2];
        if (want_channels == 4) out[x * 4 + 3] = 255;
      }
    }
    above = row;
    row = row == rows ? rows + row_bytes : rows;
  }
  free(rows);
  return true;
}

bool write_packed_stream(Stream* stream, const unsigned char* pixels, int width, int height, int channels) {
  if ((channels != 3 && channels != 4) || width < 1 || height < 1) return false;
  stream_printf(stream, "Z%d\n%d %d\n", channels == 4 ? 7 : 6, width, height);
  size_t row_bytes = (size_t)width * channels;
  unsigned char* residuals = (unsigned char*)xmalloc(row_bytes);
  bool ok = true;
  for (int y = 0; y < height && ok; y++) {
    const unsigned char* row = pixels + (size_t)y * row_bytes;
    const unsigned char* above = y ? row - row_bytes : nullptr;
    for (int x = 0; x < width; x++)
      for (int c = 0; c < channels; c++)
        residuals[x * channels + c] = (unsigned char)(row[x * channels + c] - predict(row, above, x, c, channels));
    ok = stream_write(stream, residuals, row_bytes) == row_bytes;
  }
  free(residuals);
  return ok && !stream->write_failed;
}

bool write_packed(const char* name, const unsigned char* pixels, int width, int height, int channels) {
  Stream* stream = data_open_replacing(name, "wb");
  if (!stream) {
    kuvo_log("Can't write %.900s\n", name);
    return false;
  }
  if (!write_packed_stream(stream, pixels, width, height, channels)) {
    stream_discard(stream);
    kuvo_log("Can't write %.900s\n", name);
    return false;
  }
  return data_close(stream);
}

bool read_rgb_image(Stream* stream, Image* image) {
  char token[16];
  if (!read_first_token(stream, token)) {
    image_set_error("Empty image file");
    return false;
  }
  bool ok;
  if (!strcmp(token, "P6") || !strcmp(token, "P3"))
    ok = read_ppm_body(stream, token[1] == '3', image);
  else if (!strcmp(token, "Z6"))
    ok = read_packed_body(stream, 3, 3, image);
  else if (!strcmp(token, "Z7"))
    ok = read_packed_body(stream, 4, 3, image);
  else {
    image_set_error("Can't parse PPM header");
    return false;
  }
  if (ok) image_finish_mips(image, false);
  return ok;
}

void animation_free(ImageAnimation* animation) {
  if (animation->images)
    for (int i = 0; i < animation->image_count; i++) image_free(&animation->images[i]);
  free(animation->images);
  free(animation->frames);
  animation->images = nullptr;
  animation->frames = nullptr;
  animation->frame_count = animation->image_count = 0;
}

static void trim(char* text) {
  char* start = text;
  while (*start && isspace((unsigned char)*start)) start++;
  size_t n = strlen(start);
  while (n > 0 && isspace((unsigned char)start[n - 1])) n--;
  memmove(text, start, n);
  text[n] = 0;
}

bool read_animation_body(Stream* stream, ImageAnimation* animation) {
  memset(animation, 0, sizeof *animation);
  long long header[4];
  for (long long& v : header)
    if (!read_number(stream, &v)) {
      image_set_error("Bad .seq header");
      return false;
    }
  if (header[0] <= 0 || header[1] <= 0 || header[0] > ANIM_MAX_FRAMES || header[1] > ANIM_MAX_IMAGES) {
    image_set_error("Bad .seq header: %lld frames and %lld images (1..%d and 1..%d)", header[0], header[1],
                    ANIM_MAX_FRAMES, ANIM_MAX_IMAGES);
    return false;
  }
  if (header[2] < 1 || header[2] > 0x7fffffff) {
    image_set_error("Bad .seq period %lld", header[2]);
    return false;
  }
  animation->frame_count = (int)header[0];
  animation->period = (int)header[2];
  animation->loop = header[3] != 0;
  int image_count = (int)header[1];
  animation->frames = (int*)xmalloc(sizeof(int) * animation->frame_count);
  for (int i = 0; i < animation->frame_count; i++) {
    long long v;
    if (!read_number(stream, &v)) {
      image_set_error("Bad .seq frame list");
      animation_free(animation);
      return false;
    }
    if (v < 0 || v >= image_count) {
      image_set_error("Bad .seq frame list entry %lld (images 0..%d)", v, image_count - 1);
      animation_free(animation);
      return false;
    }
    animation->frames[i] = (int)v;
  }
  animation->images = (Image*)xmalloc(sizeof(Image) * image_count);
  size_t total_bytes = 0;
  for (int i = 0; i < image_count; i++) {
    char token[16];
    Image* image = &animation->images[i];
    bool ok = false;
    if (!read_first_token(stream, token)) {
      image_set_error("Error reading .seq frame %d", i);
    } else if (!strcmp(token, "Z7")) {
      ok = read_packed_body(stream, 4, 4, image);
      if (ok) image_finish_mips(image, false);
    } else if (!strcmp(token, "PNG")) {
      char name[1024];
      if (!stream_gets(stream, name, sizeof name)) {
        image_set_error("EOF while reading .seq");
      } else {
        trim(name);
        char* options = nullptr;
        ok = name[0] && read_png(name, image, &options);
        free(options);
        if (!ok) image_set_error("Can't read %.900s", name);
      }
    } else {
      image_set_error("Error reading .seq frame %d", i);
    }
    if (ok && i > 0) {
      const Image* first = &animation->images[0];
      if (image->width != first->width || image->height != first->height) {
        image_set_error("Width/height mismatch reading .seq");
        ok = false;
      } else if (image->channels != first->channels) {
        image_set_error("Depth mismatch reading .seq");
        ok = false;
      }
      if (!ok) image_free(image);
    }
    if (ok) {
      total_bytes += mip_chain_bytes(image->width, image->height, image->channels);
      if (total_bytes > ANIM_MAX_BYTES) {
        image_set_error(".seq images need more than %d MB", ANIM_MAX_BYTES >> 20);
        image_free(image);
        ok = false;
      }
    }
    if (!ok) {
      animation->image_count = i;
      animation_free(animation);
      return false;
    }
  }
  animation->image_count = image_count;
  return true;
}

int animation_image_at(const ImageAnimation* animation, int tick, int start_tick) {
  long long elapsed = (long long)tick - start_tick;
  long long step = (elapsed > 0 ? elapsed : 0) / animation->period;
  if (animation->loop)
    step %= animation->frame_count;
  else if (step > animation->frame_count - 1)
    step = animation->frame_count - 1;
  return animation->frames[step];
}

bool read_link_body(Stream* stream, char target[1024]) {
  size_t n = stream_read(stream, target, 1023);
  target[n] = 0;
  // A zero byte would cut the name short without saying so.
  if (strlen(target) != n) {
    image_set_error("Bad LINK target");
    return false;
  }
  trim(target);
  if (!target[0]) {
    image_set_error("Empty LINK target");
    return false;
  }
  return true;
}

void image_file_free(ImageFile* file) {
  if (file->kind == IMAGE_FILE_PICTURE) image_free(&file->image);
  if (file->kind == IMAGE_FILE_ANIMATION) animation_free(&file->animation);
  free(file->options);
  file->options = nullptr;
  file->kind = IMAGE_FILE_NONE;
}

bool read_image_file(const char* name, bool allow_special, ImageFile* file) {
  memset(file, 0, sizeof *file);
  image_set_error("%s", "");
  Stream* stream = data_open(name, "rb");
  if (!stream) {
    if (assets_debug_level()) kuvo_log("Can't open texture \"%.900s\"\n", name);
    image_set_error("Can't open %.900s", name);
    return false;
  }
  char token[16];
  bool have_token = read_first_token(stream, token);
  bool ok = false;
  if (have_token) {
    if (!strcmp(token, "Z7")) {
      ok = read_packed_body(stream, 4, 4, &file->image);
    } else if (!strcmp(token, "Z6")) {
      ok = read_packed_body(stream, 3, 3, &file->image);
    } else if (!strcmp(token, "P3") || !strcmp(token, "P6")) {
      ok = read_ppm_body(stream, token[1] == '3', &file->image);
    } else if (allow_special && !strcmp(token, "ANIM1")) {
      if (read_animation_body(stream, &file->animation)) {
        file->kind = IMAGE_FILE_ANIMATION;
        data_close(stream);
        return true;
      }
    } else if (allow_special && !strcmp(token, "LINK")) {
      if (read_link_body(stream, file->link)) {
        file->kind = IMAGE_FILE_LINK;
        data_close(stream);
        return true;
      }
    }
  }
  data_close(stream);
  if (ok) {
    file->kind = IMAGE_FILE_PICTURE;
    image_finish_mips(&file->image, false);
    return true;
  }
  // Keep the first reader's reason when the PNG attempt only adds "not a PNG".
  char first_error[IMAGE_ERROR_SIZE];
  snprintf(first_error, sizeof first_error, "%s", image_last_error());
  if (read_png(name, &file->image, &file->options)) {
    file->kind = IMAGE_FILE_PICTURE;
    file->from_png = true;
    return true;
  }
  if (first_error[0]) image_set_error("%s", first_error);
  kuvo_log("Warning: Can't read image '%.900s': %s\n", name, image_last_error());
  return false;
}

bool read_image_rgba(const char* name, Image* image) {
  Stream* stream = data_open(name, "rb");
  if (!stream) {
    image_set_error("Can't open %.900s", name);
    return false;
  }
  char token[16];
  if (read_first_token(stream, token) && !strcmp(token, "Z7")) {
    bool ok = read_packed_body(stream, 4, 4, image);
    data_close(stream);
    if (ok) image_finish_mips(image, false);
    return ok;
  }
  data_close(stream);
  char* options = nullptr;
  bool ok = read_png(name, image, &options);
  free(options);
  if (ok) image_widen_to_rgba(image);
  return ok;
}
