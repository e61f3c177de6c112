// Shared by the harnesses: data names resolve in folders that do not
// exist, so an input naming another file can only miss.
#pragma once
#include <cstdlib>

#include "files/data.h"

inline void fuzz_isolate_data_folders() {
  setenv("XDG_DATA_HOME", "/nonexistent-kestrix-fuzz/home", 1);
  setenv("QV_HOME", "/nonexistent-kestrix-fuzz/install", 1);
  unsetenv("KUVO_LOGFILE");
  data_folders_init();
}
