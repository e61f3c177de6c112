// RIPEMD-160 and the digests built on it: the game data, the stock shapes,
// the track hash, and the ".trackinfo" file that records a track's hash.
#include "files/digest.h"

#include "files/data.h"
#include "files/stream.h"
#include "platform/kuvo.h"

#include <cstdio>
#include <cstring>

enum { GAME_DATA_DIGEST_BYTES = 1048576 };

static inline uint32_t rol(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

#define F1(x, y, z) ((x) ^ (y) ^ (z))
#define F2(x, y, z) ((((y) ^ (z)) & (x)) ^ (z))
#define F3(x, y, z) (((x) | ~(y)) ^ (z))
#define F4(x, y, z) ((((x) ^ (y)) & (z)) ^ (y))
#define F5(x, y, z) ((x) ^ ((y) | ~(z)))
// One step; the five words rotate through the argument positions instead of moving.
#define STEP(f, a, b, c, d, e, word, k, s) \
  a += f(b, c, d) + (word) + (k);          \
  a = rol(a, s) + e;                       \
  c = rol(c, 10);

static void compress(uint32_t chain[5], const unsigned char* block) {
  uint32_t x[16];
  for (int i = 0; i < 16; i++)
    x[i] = block[4 * i] | block[4 * i + 1] << 8 | block[4 * i + 2] << 16 | (uint32_t)block[4 * i + 3] << 24;
  uint32_t a = chain[0], b = chain[1], c = chain[2], d = chain[3], e = chain[4];
  uint32_t pa = a, pb = b, pc = c, pd = d, pe = e;
  // The two lines are independent; interleaving them lets both run at once.
  STEP(F1, a, b, c, d, e, x[0], 0, 11);
  STEP(F5, pa, pb, pc, pd, pe, x[5], 0x50a28be6u, 8);
  STEP(F1, e, a, b, c, d, x[1], 0, 14);
  STEP(F5, pe, pa, pb, pc, pd, x[14], 0x50a28be6u, 9);
  STEP(F1, d, e, a, b, c, x[2], 0, 15);
  STEP(F5, pd, pe, pa, pb, pc, x[7], 0x50a28be6u, 9);
  STEP(F1, c, d, e, a, b, x[3], 0, 12);
  STEP(F5, pc, pd, pe, pa, pb, x[0], 0x50a28be6u, 11);
  STEP(F1, b, c, d, e, a, x[4], 0, 5);
  STEP(F5, pb, pc, pd, pe, pa, x[9], 0x50a28be6u, 13);
  STEP(F1, a, b, c, d, e, x[5], 0, 8);
  STEP(F5, pa, pb, pc, pd, pe, x[2], 0x50a28be6u, 15);
  STEP(F1, e, a, b, c, d, x[6], 0, 7);
  STEP(F5, pe, pa, pb, pc, pd, x[11], 0x50a28be6u, 15);
  STEP(F1, d, e, a, b, c, x[7], 0, 9);
  STEP(F5, pd, pe, pa, pb, pc, x[4], 0x50a28be6u, 5);
  STEP(F1, c, d, e, a, b, x[8], 0, 11);
  STEP(F5, pc, pd, pe, pa, pb, x[13], 0x50a28be6u, 7);
  STEP(F1, b, c, d, e, a, x[9], 0, 13);
  STEP(F5, pb, pc, pd, pe, pa, x[6], 0x50a28be6u, 7);
  STEP(F1, a, b, c, d, e, x[10], 0, 14);
  STEP(F5, pa, pb, pc, pd, pe, x[15], 0x50a28be6u, 8);
  STEP(F1, e, a, b, c, d, x[11], 0, 15);
  STEP(F5, pe, pa, pb, pc, pd, x[8], 0x50a28be6u, 11);
  STEP(F1, d, e, a, b, c, x[12], 0, 6);
  STEP(F5, pd, pe, pa, pb, pc, x[1], 0x50a28be6u, 14);
  STEP(F1, c, d, e, a, b, x[13], 0, 7);
  STEP(F5, pc, pd, pe, pa, pb, x[10], 0x50a28be6u, 14);
  STEP(F1, b, c, d, e, a, x[14], 0, 9);
  STEP(F5, pb, pc, pd, pe, pa, x[3], 0x50a28be6u, 12);
  STEP(F1, a, b, c, d, e, x[15], 0, 8);
  STEP(F5, pa, pb, pc, pd, pe, x[12], 0x50a28be6u, 6);
  STEP(F2, e, a, b, c, d, x[7], 0x5a827999u, 7);
  STEP(F4, pe, pa, pb, pc, pd, x[6], 0x5c4dd124u, 9);
  STEP(F2, d, e, a, b, c, x[4], 0x5a827999u, 6);
  STEP(F4, pd, pe, pa, pb, pc, x[11], 0x5c4dd124u, 13);
  STEP(F2, c, d, e, a, b, x[13], 0x5a827999u, 8);
  STEP(F4, pc, pd, pe, pa, pb, x[3], 0x5c4dd124u, 15);
  STEP(F2, b, c, d, e, a, x[1], 0x5a827999u, 13);
  STEP(F4, pb, pc, pd, pe, pa, x[7], 0x5c4dd124u, 7);
  STEP(F2, a, b, c, d, e, x[10], 0x5a827999u, 11);
  STEP(F4, pa, pb, pc, pd, pe, x[0], 0x5c4dd124u, 12);
  STEP(F2, e, a, b, c, d, x[6], 0x5a827999u, 9);
  STEP(F4, pe, pa, pb, pc, pd, x[13], 0x5c4dd124u, 8);
  STEP(F2, d, e, a, b, c, x[15], 0x5a827999u, 7);
  STEP(F4, pd, pe, pa, pb, pc, x[5], 0x5c4dd124u, 9);
  STEP(F2, c, d, e, a, b, x[3], 0x5a827999u, 15);
  STEP(F4, pc, pd, pe, pa, pb, x[10], 0x5c4dd124u, 11);
  STEP(F2, b, c, d, e, a, x[12], 0x5a827999u, 7);
  STEP(F4, pb, pc, pd, pe, pa, x[14], 0x5c4dd124u, 7);
  STEP(F2, a, b, c, d, e, x[0], 0x5a827999u, 12);
  STEP(F4, pa, pb, pc, pd, pe, x[15], 0x5c4dd124u, 7);
  STEP(F2, e, a, b, c, d, x[9], 0x5a827999u, 15);
  STEP(F4, pe, pa, pb, pc, pd, x[8], 0x5c4dd124u, 12);
  STEP(F2, d, e, a, b, c, x[5], 0x5a827999u, 9);
  STEP(F4, pd, pe, pa, pb, pc, x[12], 0x5c4dd124u, 7);
  STEP(F2, c, d, e, a, b, x[2], 0x5a827999u, 11);
  STEP(F4, pc, pd, pe, pa, pb, x[4], 0x5c4dd124u, 6);
  STEP(F2, b, c, d, e, a, x[14], 0x5a827999u, 7);
  STEP(F4, pb, pc, pd, pe, pa, x[9], 0x5c4dd124u, 15);
  STEP(F2, a, b, c, d, e, x[11], 0x5a827999u, 13);
  STEP(F4, pa, pb, pc, pd, pe, x[1], 0x5c4dd124u, 13);
  STEP(F2, e, a, b, c, d, x[8], 0x5a827999u, 12);
  STEP(F4, pe, pa, pb, pc, pd, x[2], 0x5c4dd124u, 11);
  STEP(F3, d, e, a, b, c, x[3], 0x6ed9eba1u, 11);
  STEP(F3, pd, pe, pa, pb, pc, x[15], 0x6d703ef3u, 9);
  STEP(F3, c, d, e, a, b, x[10], 0x6ed9eba1u, 13);
  STEP(F3, pc, pd, pe, pa, pb, x[5], 0x6d703ef3u, 7);
  STEP(F3, b, c, d, e, a, x[14], 0x6ed9eba1u, 6);
  STEP(F3, pb, pc, pd, pe, pa, x[1], 0x6d703ef3u, 15);
  STEP(F3, a, b, c, d, e, x[4], 0x6ed9eba1u, 7);
  STEP(F3, pa, pb, pc, pd, pe, x[3], 0x6d703ef3u, 11);
  STEP(F3, e, a, b, c, d, x[9], 0x6ed9eba1u, 14);
  STEP(F3, pe, pa, pb, pc, pd, x[7], 0x6d703ef3u, 8);
  STEP(F3, d, e, a, b, c, x[15], 0x6ed9eba1u, 9);
  STEP(F3, pd, pe, pa, pb, pc, x[14], 0x6d703ef3u, 6);
  STEP(F3, c, d, e, a, b, x[8], 0x6ed9eba1u, 13);
  STEP(F3, pc, pd, pe, pa, pb, x[6], 0x6d703ef3u, 6);
  STEP(F3, b, c, d, e, a, x[1], 0x6ed9eba1u, 15);
  STEP(F3, pb, pc, pd, pe, pa, x[9], 0x6d703ef3u, 14);
  STEP(F3, a, b, c, d, e, x[2], 0x6ed9eba1u, 14);
  STEP(F3, pa, pb, pc, pd, pe, x[11], 0x6d703ef3u, 12);
  STEP(F3, e, a, b, c, d, x[7], 0x6ed9eba1u, 8);
  STEP(F3, pe, pa, pb, pc, pd, x[8], 0x6d703ef3u, 13);
  STEP(F3, d, e, a, b, c, x[0], 0x6ed9eba1u, 13);
  STEP(F3, pd, pe, pa, pb, pc, x[12], 0x6d703ef3u, 5);
  STEP(F3, c, d, e, a, b, x[6], 0x6ed9eba1u, 6);
  STEP(F3, pc, pd, pe, pa, pb, x[2], 0x6d703ef3u, 14);
  STEP(F3, b, c, d, e, a, x[13], 0x6ed9eba1u, 5);
  STEP(F3, pb, pc, pd, pe, pa, x[10], 0x6d703ef3u, 13);
  STEP(F3, a, b, c, d, e, x[11], 0x6ed9eba1u, 12);
  STEP(F3, pa, pb, pc, pd, pe, x[0], 0x6d703ef3u, 13);
  STEP(F3, e, a, b, c, d, x[5], 0x6ed9eba1u, 7);
  STEP(F3, pe, pa, pb, pc, pd, x[4], 0x6d703ef3u, 7);
  STEP(F3, d, e, a, b, c, x[12], 0x6ed9eba1u, 5);
  STEP(F3, pd, pe, pa, pb, pc, x[13], 0x6d703ef3u, 5);
  STEP(F4, c, d, e, a, b, x[1], 0x8f1bbcdcu, 11);
  STEP(F2, pc, pd, pe, pa, pb, x[8], 0x7a6d76e9u, 15);
  STEP(F4, b, c, d, e, a, x[9], 0x8f1bbcdcu, 12);
  STEP(F2, pb, pc, pd, pe, pa, x[6], 0x7a6d76e9u, 5);
  STEP(F4, a, b, c, d, e, x[11], 0x8f1bbcdcu, 14);
  STEP(F2, pa, pb, pc, pd, pe, x[4], 0x7a6d76e9u, 8);
  STEP(F4, e, a, b, c, d, x[10], 0x8f1bbcdcu, 15);
  STEP(F2, pe, pa, pb, pc, pd, x[1], 0x7a6d76e9u, 11);
  STEP(F4, d, e, a, b, c, x[0], 0x8f1bbcdcu, 14);
  STEP(F2, pd, pe, pa, pb, pc, x[3], 0x7a6d76e9u, 14);
  STEP(F4, c, d, e, a, b, x[8], 0x8f1bbcdcu, 15);
  STEP(F2, pc, pd, pe, pa, pb, x[11], 0x7a6d76e9u, 14);
  STEP(F4, b, c, d, e, a, x[12], 0x8f1bbcdcu, 9);
  STEP(F2, pb, pc, pd, pe, pa, x[15], 0x7a6d76e9u, 6);
  STEP(F4, a, b, c, d, e, x[4], 0x8f1bbcdcu, 8);
  STEP(F2, pa, pb, pc, pd, pe, x[0], 0x7a6d76e9u, 14);
  STEP(F4, e, a, b, c, d, x[13], 0x8f1bbcdcu, 9);
  STEP(F2, pe, pa, pb, pc, pd, x[5], 0x7a6d76e9u, 6);
  STEP(F4, d, e, a, b, c, x[3], 0x8f1bbcdcu, 14);
  STEP(F2, pd, pe, pa, pb, pc, x[12], 0x7a6d76e9u, 9);
  STEP(F4, c, d, e, a, b, x[7], 0x8f1bbcdcu, 5);
  STEP(F2, pc, pd, pe, pa, pb, x[2], 0x7a6d76e9u, 12);
  STEP(F4, b, c, d, e, a, x[15], 0x8f1bbcdcu, 6);
  STEP(F2, pb, pc, pd, pe, pa, x[13], 0x7a6d76e9u, 9);
  STEP(F4, a, b, c, d, e, x[14], 0x8f1bbcdcu, 8);
  STEP(F2, pa, pb, pc, pd, pe, x[9], 0x7a6d76e9u, 12);
  STEP(F4, e, a, b, c, d, x[5], 0x8f1bbcdcu, 6);
  STEP(F2, pe, pa, pb, pc, pd, x[7], 0x7a6d76e9u, 5);
  STEP(F4, d, e, a, b, c, x[6], 0x8f1bbcdcu, 5);
  STEP(F2, pd, pe, pa, pb, pc, x[10], 0x7a6d76e9u, 15);
  STEP(F4, c, d, e, a, b, x[2], 0x8f1bbcdcu, 12);
  STEP(F2, pc, pd, pe, pa, pb, x[14], 0x7a6d76e9u, 8);
  STEP(F5, b, c, d, e, a, x[4], 0xa953fd4eu, 9);
  STEP(F1, pb, pc, pd, pe, pa, x[12], 0, 8);
  STEP(F5, a, b, c, d, e, x[0], 0xa953fd4eu, 15);
  STEP(F1, pa, pb, pc, pd, pe, x[15], 0, 5);
  STEP(F5, e, a, b, c, d, x[5], 0xa953fd4eu, 5);
  STEP(F1, pe, pa, pb, pc, pd, x[10], 0, 12);
  STEP(F5, d, e, a, b, c, x[9], 0xa953fd4eu, 11);
  STEP(F1, pd, pe, pa, pb, pc, x[4], 0, 9);
  STEP(F5, c, d, e, a, b, x[7], 0xa953fd4eu, 6);
  STEP(F1, pc, pd, pe, pa, pb, x[1], 0, 12);
  STEP(F5, b, c, d, e, a, x[12], 0xa953fd4eu, 8);
  STEP(F1, pb, pc, pd, pe, pa, x[5], 0, 5);
  STEP(F5, a, b, c, d, e, x[2], 0xa953fd4eu, 13);
  STEP(F1, pa, pb, pc, pd, pe, x[8], 0, 14);
  STEP(F5, e, a, b, c, d, x[10], 0xa953fd4eu, 12);
  STEP(F1, pe, pa, pb, pc, pd, x[7], 0, 6);
  STEP(F5, d, e, a, b, c, x[14], 0xa953fd4eu, 5);
  STEP(F1, pd, pe, pa, pb, pc, x[6], 0, 8);
  STEP(F5, c, d, e, a, b, x[1], 0xa953fd4eu, 12);
  STEP(F1, pc, pd, pe, pa, pb, x[2], 0, 13);
  STEP(F5, b, c, d, e, a, x[3], 0xa953fd4eu, 13);
  STEP(F1, pb, pc, pd, pe, pa, x[13], 0, 6);
  STEP(F5, a, b, c, d, e, x[8], 0xa953fd4eu, 14);
  STEP(F1, pa, pb, pc, pd, pe, x[14], 0, 5);
  STEP(F5, e, a, b, c, d, x[11], 0xa953fd4eu, 11);
  STEP(F1, pe, pa, pb, pc, pd, x[0], 0, 15);
  STEP(F5, d, e, a, b, c, x[6], 0xa953fd4eu, 8);
  STEP(F1, pd, pe, pa, pb, pc, x[3], 0, 13);
  STEP(F5, c, d, e, a, b, x[15], 0xa953fd4eu, 5);
  STEP(F1, pc, pd, pe, pa, pb, x[9], 0, 11);
  STEP(F5, b, c, d, e, a, x[13], 0xa953fd4eu, 6);
  STEP(F1, pb, pc, pd, pe, pa, x[11], 0, 11);
  uint32_t t = chain[1] + c + pd;
  chain[1] = chain[2] + d + pe;
  chain[2] = chain[3] + e + pa;
  chain[3] = chain[4] + a + pb;
  chain[4] = chain[0] + b + pc;
  chain[0] = t;
}

void digest_init(Digest* digest) {
  static const uint32_t initial[5] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u, 0xc3d2e1f0u};
  memcpy(digest->chain, initial, sizeof initial);
  digest->fill = 0;
  digest->count_low = digest->count_high = 0;
}

void digest_update(Digest* digest, const void* bytes, size_t count) {
  const unsigned char* p = (const unsigned char*)bytes;
  uint64_t total = ((uint64_t)digest->count_high << 32 | digest->count_low) + count;
  digest->count_low = (uint32_t)total;
  digest->count_high = (uint32_t)(total >> 32);
  if (digest->fill) {
    size_t n = 64 - digest->fill;
    if (n > count) n = count;
    memcpy(digest->block + digest->fill, p, n);
    digest->fill += (int)n;
    p += n;
    count -= n;
    if (digest->fill < 64) return;
    compress(digest->chain, digest->block);
    digest->fill = 0;
  }
  for (; count >= 64; p += 64, count -= 64) compress(digest->chain, p);
  memcpy(digest->block, p, count);
  digest->fill = (int)count;
}

void digest_final(Digest* digest, unsigned char out[DIGEST_SIZE]) {
  uint64_t bits = ((uint64_t)digest->count_high << 32 | digest->count_low) << 3;
  unsigned char pad[72] = {0x80};
  size_t padding = (digest->fill < 56 ? 56 : 120) - digest->fill;
  for (int i = 0; i < 8; i++) pad[padding + i] = (unsigned char)(bits >> (8 * i));
  // The length bytes go in after the padding, in the same update.
  digest_update(digest, pad, padding + 8);
  for (int i = 0; i < 5; i++)
    for (int j = 0; j < 4; j++) out[4 * i + j] = (unsigned char)(digest->chain[i] >> (8 * j));
}

static int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool digest_matches_hex(const char* hex, const unsigned char digest[DIGEST_SIZE]) {
  for (int i = 0; i < DIGEST_SIZE; i++) {
    int high = hex_digit(hex[2 * i]);
    if (high < 0) return false;  // checked first: the text may end here
    int low = hex_digit(hex[2 * i + 1]);
    if (low < 0 || (high << 4 | low) != digest[i]) return false;
  }
  return true;
}

void digest_to_hex(const unsigned char digest[DIGEST_SIZE], char hex[DIGEST_HEX_SIZE]) {
  static const char digits[] = "0123456789abcdef";
  for (int i = 0; i < DIGEST_SIZE; i++) {
    hex[2 * i] = digits[digest[i] >> 4];
    hex[2 * i + 1] = digits[digest[i] & 15];
  }
  hex[2 * DIGEST_SIZE] = 0;
}

void digest_stream(Digest* digest, Stream* stream) {
  unsigned char buffer[1024];
  size_t n;
  while ((n = stream_read(stream, buffer, sizeof buffer)) > 0) digest_update(digest, buffer, n);
}

bool digest_data_file(Digest* digest, const char* name) {
  Stream* stream = data_open(name, "rb");
  if (!stream) return false;
  digest_stream(digest, stream);
  data_close(stream);
  return true;
}

void digest_height_samples(Digest* digest, const uint16_t* samples, size_t count) {
  unsigned char pair[2];
  for (size_t i = 0; i < count; i++) {
    pair[0] = (unsigned char)samples[i];
    pair[1] = (unsigned char)(samples[i] >> 8);
    digest_update(digest, pair, 2);
  }
}

bool game_data_in_folder(const char* folder, const char* expected_hex) {
  char path[DATA_PATH_MAX + 1];
  int n = snprintf(path, sizeof path, "%szzzz.saf", folder);
  if (n < 0 || n >= (int)sizeof path) return false;
  Stream* stream = stream_open_file(path, "rb");
  if (!stream) return false;
  Digest digest;
  digest_init(&digest);
  unsigned char buffer[256];
  size_t total = 0, got;
  while (total < GAME_DATA_DIGEST_BYTES && (got = stream_read(stream, buffer, sizeof buffer)) > 0) {
    if (got > GAME_DATA_DIGEST_BYTES - total) got = GAME_DATA_DIGEST_BYTES - total;
    digest_update(&digest, buffer, got);
    total += got;
  }
  data_close(stream);
  unsigned char result[DIGEST_SIZE];
  digest_final(&digest, result);
  return digest_matches_hex(expected_hex, result);
}

int find_game_data(const char* expected_hex) {
  data_create_home_folder();
  if (const char* home = data_home_folder()) kuvo_log("KUVO_LOGFILE=%slastlog.txt", home);
  for (int i = 0; i < data_folder_count(); i++)
    if (game_data_in_folder(data_folder(i), expected_hex)) return i;
  return -1;
}

void stock_shapes_digest(unsigned char out[DIGEST_SIZE]) {
  static const char* const shapes[] = {
      "@generic_frame.shp", "@generic_fork_upper.shp", "@generic_fork_lower.shp", "@generic_swingarm.shp",
      "@front_wheel.shp",   "@rear_wheel.shp",         "@generic_rider.shp",
  };
  Digest digest;
  digest_init(&digest);
  for (const char* name : shapes) digest_data_file(&digest, name);
  digest_final(&digest, out);
}

bool stock_shapes_match(const char* expected_hex) {
  unsigned char result[DIGEST_SIZE];
  stock_shapes_digest(result);
  return digest_matches_hex(expected_hex, result);
}

static void digest_track_file(Digest* digest, const char* folder, int folder_length, const char* file) {
  char name[DATA_PATH_MAX + 1];
  int n = snprintf(name, sizeof name, "@%.*s/%s", folder_length, folder, file);
  if (n > 0 && n < (int)sizeof name) digest_data_file(digest, name);
}

void track_hash(const char* folder, const char* const* statue_models, int model_count, unsigned char out[DIGEST_SIZE]) {
  static const char* const files[] = {"terrain.hf", "terrain.png", "texturelist", "tilemap", "tileinfo",
                                      "timing_gates", "statues"};
  int length = (int)strlen(folder);
  while (length > 0 && folder[length - 1] == '/') length--;
  Digest digest;
  digest_init(&digest);
  for (const char* file : files) digest_track_file(&digest, folder, length, file);
  for (int i = 0; i < model_count; i++) {
    bool seen = false;
    for (int j = 0; j < i && !seen; j++) seen = strcmp(statue_models[j], statue_models[i]) == 0;
    if (!seen) digest_data_file(&digest, statue_models[i]);
  }
  digest_final(&digest, out);
}

bool write_track_info(const char* folder, const char* long_name, int first_lap, int normal_lap, int gate_count,
                      const unsigned char hash[DIGEST_SIZE]) {
  char name[DATA_PATH_MAX + 1];
  int n = snprintf(name, sizeof name, "@%s.trackinfo", folder);
  if (n < 0 || n >= (int)sizeof name) return false;
  Stream* stream = data_open_replacing(name, "wb");
  if (!stream) return false;
  char hex[DIGEST_HEX_SIZE];
  digest_to_hex(hash, hex);
  stream_printf(stream, "dir=%s\n", folder);
  stream_printf(stream, "longname=%s\n", long_name && long_name[0] ? long_name : folder);
  stream_printf(stream, "firstlap=%d\n", first_lap);
  stream_printf(stream, "normallap=%d\n", normal_lap);
  stream_printf(stream, "gatecount=%d\n", gate_count);
  stream_printf(stream, "hash=%s\n", hex);
  return data_close(stream);
}
