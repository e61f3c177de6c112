// Feeds arbitrary bytes through every decoding of a stream and the readers.
#include "files/stream.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  Stream* s = stream_open_memory(data + 1, size - 1, data[0] & 1, data[0] & 2);
  if (!s) return 0;
  char line[64], word[32];
  int number;
  float value;
  for (int round = 0; round < 1000 && stream_peekc(s) >= 0; round++) {
    switch (round % 4) {
      case 0: stream_skip_comments(s); break;
      case 1: stream_scanf(s, "%d %31s %f %*[^\n]", &number, word, &value); break;
      case 2: stream_gets(s, line, sizeof line); break;
      default: stream_read(s, line, (size_t)(round % 64)); break;
    }
  }
  data_close(s);
  return 0;
}
