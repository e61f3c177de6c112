// PPM, Z6/Z7 and ANIM1 bodies, read as the texture and terrain paths do.
#include <cstdint>
#include <cstring>

#include "assets/image.h"
#include "files/stream.h"
#include "fuzz_setup.h"

// A PNG frame must name a data file ("@..."), which the isolated folders
// never hold; a bare path could name a device that blocks.
static bool png_frames_are_data_names(const uint8_t* data, size_t size) {
  for (size_t i = 0; i + 3 <= size; i++) {
    if (memcmp(data + i, "PNG", 3)) continue;
    size_t j = i + 3;
    while (j < size && (data[j] == ' ' || data[j] == '\t')) j++;
    if (j < size && data[j] != '@' && data[j] != '\n') return false;
  }
  return true;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_isolate_data_folders();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Stream* stream = stream_open_memory(data, size);
  char token[16];
  if (read_first_token(stream, token)) {
    Image image;
    ImageAnimation animation;
    char link[1024];
    if (!strcmp(token, "Z7")) {
      if (read_packed_body(stream, 4, 4, &image)) {
        image_finish_mips(&image, true);
        image_apply_level_drop(&image, 2, false);
        image_free(&image);
      }
    } else if (!strcmp(token, "Z6") || !strcmp(token, "P3") || !strcmp(token, "P6")) {
      data_close(stream);
      stream = stream_open_memory(data, size);
      if (read_rgb_image(stream, &image)) {
        float colour[4];
        border_colour(image.pixels, image.width, image.height, image.channels, colour);
        image_resample_pow2(&image, false);
        image_free(&image);
      }
    } else if (!strcmp(token, "ANIM1")) {
      if (png_frames_are_data_names(data, size) && read_animation_body(stream, &animation)) {
        animation_image_at(&animation, 12345, 17);
        animation_free(&animation);
      }
    } else if (!strcmp(token, "LINK")) {
      read_link_body(stream, link);
    }
  }
  data_close(stream);
  return 0;
}
