// PNG through libpng: the image reader with its text chunks and custom mip
// layout, and the 16-bit grey reader.
#include <cstdint>
#include <cstdlib>

#include "assets/image.h"
#include "files/stream.h"
#include "fuzz_setup.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_isolate_data_folders();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Stream* stream = stream_open_memory(data, size);
  Image image;
  char* options = nullptr;
  if (read_png_stream(stream, "fuzz.png", &image, &options)) {
    if (!options_have(options, "[mip_custom]") || !apply_custom_mips(&image, "fuzz.png"))
      image_finish_mips(&image, options_have(options, "[mip_max_alpha]"));
    image_free(&image);
    free(options);
  }
  data_close(stream);
  stream = stream_open_memory(data, size);
  uint16_t* samples;
  int width, height;
  if (read_grey16_png_stream(stream, "fuzz.png", &samples, &width, &height)) free(samples);
  data_close(stream);
  return 0;
}
