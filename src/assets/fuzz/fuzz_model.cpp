// The ".zm" reader, then the LOD choice over what it read.
#include <cstdint>

#include "assets/model.h"
#include "files/stream.h"
#include "fuzz_setup.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_isolate_data_folders();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Stream* stream = stream_open_memory(data, size);
  Mesh* model = read_model(stream, "fuzz.zm");
  data_close(stream);
  if (model) {
    choose_lod(model, 50, 1, 0);
    free_model(model);
  }
  return 0;
}
