// The ".shp" reader and the per-bike copy.
#include <cstdint>

#include "assets/shape.h"
#include "files/stream.h"
#include "fuzz_setup.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_isolate_data_folders();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Stream* stream = stream_open_memory(data, size);
  Shape* shape = read_shape(stream, "fuzz.shp");
  data_close(stream);
  if (shape) {
    free_shape(copy_shape(shape));
    free_shape(shape);
  }
  return 0;
}
