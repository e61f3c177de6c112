// Placeholder bodies; replaced by the real module.
#include "files/scramble.h"
#include "files/stream.h"
void scramble_header(uint32_t seed, unsigned char header[SCRAMBLE_HEADER_SIZE]) {  }
bool scramble_parse_header(const unsigned char header[SCRAMBLE_HEADER_SIZE], uint32_t* seed) { return 0; }
void scramble_start(ScrambleState* state, uint32_t seed) {  }
void scramble_apply(ScrambleState* state, void* bytes, size_t count) {  }
