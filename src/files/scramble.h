// The scrambled file form: obfuscation, not security. A file is the 4 bytes
// "KXS1", a 32-bit little-endian seed, then the data XORed with a keystream
// drawn from the seed and a fixed key.
#pragma once
#include <cstddef>
#include <cstdint>

enum { SCRAMBLE_HEADER_SIZE = 8 };

struct ScrambleState {
  uint32_t state;
  uint32_t word;  // keystream bytes not yet used
  int left;       // how many bytes of word are left
};

void scramble_header(uint32_t seed, unsigned char header[SCRAMBLE_HEADER_SIZE]);
// False when the header is not ours.
bool scramble_parse_header(const unsigned char header[SCRAMBLE_HEADER_SIZE], uint32_t* seed);
void scramble_start(ScrambleState* state, uint32_t seed);
// XORs the keystream into bytes in place; the same call scrambles and unscrambles.
void scramble_apply(ScrambleState* state, void* bytes, size_t count);
