// The scrambled file form. The keystream is a 32-bit xorshift generator
// seeded from the file's seed mixed with a fixed key, four bytes per step.
#include "files/scramble.h"

#include <cstring>

static const unsigned char scramble_magic[4] = {'K', 'X', 'S', '1'};
static const uint32_t scramble_key = 0x6b657374u;

void scramble_header(uint32_t seed, unsigned char header[SCRAMBLE_HEADER_SIZE]) {
  memcpy(header, scramble_magic, 4);
  for (int i = 0; i < 4; i++) header[4 + i] = (unsigned char)(seed >> (8 * i));
}

bool scramble_parse_header(const unsigned char header[SCRAMBLE_HEADER_SIZE], uint32_t* seed) {
  if (memcmp(header, scramble_magic, 4) != 0) return false;
  *seed = header[4] | header[5] << 8 | header[6] << 16 | (uint32_t)header[7] << 24;
  return true;
}

void scramble_start(ScrambleState* state, uint32_t seed) {
  uint32_t x = (seed ^ scramble_key) * 0x9e3779b1u;
  state->state = x ? x : 0x2545f491u;  // xorshift must never hold zero
  state->word = 0;
  state->left = 0;
}

static uint32_t next_word(ScrambleState* state) {
  uint32_t x = state->state;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  state->state = x;
  return x;
}

void scramble_apply(ScrambleState* state, void* bytes, size_t count) {
  unsigned char* p = (unsigned char*)bytes;
  size_t i = 0;
  while (i < count && state->left > 0) {
    p[i++] ^= (unsigned char)state->word;
    state->word >>= 8;
    state->left--;
  }
  for (; i + 4 <= count; i += 4) {
    uint32_t k = next_word(state);
    p[i] ^= (unsigned char)k;
    p[i + 1] ^= (unsigned char)(k >> 8);
    p[i + 2] ^= (unsigned char)(k >> 16);
    p[i + 3] ^= (unsigned char)(k >> 24);
  }
  if (i < count) {
    state->word = next_word(state);
    state->left = 4;
    while (i < count) {
      p[i++] ^= (unsigned char)state->word;
      state->word >>= 8;
      state->left--;
    }
  }
}
