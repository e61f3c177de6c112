// Arbitrary bytes as a ".saf" archive: the header check must hold.
#include "files/archive.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static char path[] = "/tmp/kx-fuzz-saf-XXXXXX";
  static int fd = mkstemp(path);
  if (fd < 0) abort();
  if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != (ssize_t)size) abort();
  Array members;
  char error[256];
  if (saf_read_header(path, &members, error, sizeof error)) {
    for (int i = 0; i < members.count; i++) {
      SafMember* m = array_at<SafMember>(&members, i);
      if (!saf_name_is_safe(m->name) || (uint64_t)m->offset + m->size > size) abort();
    }
    saf_free_members(&members);
  }
  return 0;
}
