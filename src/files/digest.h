// RIPEMD-160 digests and what they identify: the game data, the stock
// collision shapes, a track's content, plus the ".trackinfo" writer.
#pragma once
#include <cstddef>
#include <cstdint>

struct Stream;

enum { DIGEST_SIZE = 20, DIGEST_HEX_SIZE = 41 };

struct Digest {
  uint32_t chain[5];
  unsigned char block[64];
  int fill;
  uint32_t count_low, count_high;  // bytes fed
};

void digest_init(Digest* digest);
void digest_update(Digest* digest, const void* bytes, size_t count);
void digest_final(Digest* digest, unsigned char out[DIGEST_SIZE]);
// Compares 40 hex digits (read two at a time) with the bytes.
bool digest_matches_hex(const char* hex, const unsigned char digest[DIGEST_SIZE]);
// 40 lower-case digits and a terminating zero.
void digest_to_hex(const unsigned char digest[DIGEST_SIZE], char hex[DIGEST_HEX_SIZE]);

// Feeds the rest of a stream, 1024 bytes at a time.
void digest_stream(Digest* digest, Stream* stream);
// Feeds a whole data name or path read through data_open; false (nothing fed) when it can't be opened.
bool digest_data_file(Digest* digest, const char* name);
// Feeds height samples as two bytes each, low byte first.
void digest_height_samples(Digest* digest, const uint16_t* samples, size_t count);

// True when folder + "zzzz.saf" (that exact file) has the expected digest
// over its first 1 048 576 bytes.
bool game_data_in_folder(const char* folder, const char* expected_hex);
// Start-up: creates the home folder, asks the log for home + "lastlog.txt",
// then returns the first search folder number holding the game data, or -1.
int find_game_data(const char* expected_hex);
// The digest of the seven stock shape files, in their fixed order.
void stock_shapes_digest(unsigned char out[DIGEST_SIZE]);
bool stock_shapes_match(const char* expected_hex);
// The track hash of the track folder ("@" + folder + "/" ...): its terrain,
// texture and surface files, timing_gates, statues, then each distinct
// statue model name once in the order given.
void track_hash(const char* folder, const char* const* statue_models, int model_count, unsigned char out[DIGEST_SIZE]);
// Writes "@" + folder + ".trackinfo" whole; false when it can't be written.
bool write_track_info(const char* folder, const char* long_name, int first_lap, int normal_lap, int gate_count,
                      const unsigned char hash[DIGEST_SIZE]);
