// The track folder's hand-written text files. The first byte picks the
// reader; the rest is the file.
#include <cstdint>

#include "../../assets/fuzz/fuzz_setup.h"
#include "files/stream.h"
#include "terrain/surface_types.h"
#include "track/track.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz_isolate_data_folders();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  Stream* stream = stream_open_memory(data + 1, size - 1);
  static SurfaceType types[256];
  Track track;
  track_create_empty(&track, "fuzz", 3, 1.0f);
  TrackLoadOptions options = {0, 0, true};
  switch (data[0] % 8) {
    case 0: read_lighting(&track, stream); finish_lighting(&track.lighting); break;
    case 1: read_timing_gates(&track, stream, &options); break;
    case 2: read_flaggers(&track, stream); break;
    case 3: read_billboards(&track, stream); break;
    case 4: read_statues(&track, stream, true); rebuild_statue_grid(&track); break;
    case 5: read_cameras(&track, stream); break;
    case 6: read_tileinfo(stream, types, 256); break;
    case 7: read_texturelist(stream, types, 256); break;
  }
  data_close(stream);
  track_deallocate(&track);
  return 0;
}
