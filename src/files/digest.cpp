// Placeholder bodies; replaced by the real module.
#include "files/digest.h"
#include "files/stream.h"
void digest_init(Digest* digest) {  }
void digest_update(Digest* digest, const void* bytes, size_t count) {  }
void digest_final(Digest* digest, unsigned char out[DIGEST_SIZE]) {  }
bool digest_matches_hex(const char* hex, const unsigned char digest[DIGEST_SIZE]) { return 0; }
void digest_to_hex(const unsigned char digest[DIGEST_SIZE], char hex[DIGEST_HEX_SIZE]) {  }
void digest_stream(Digest* digest, Stream* stream) {  }
bool digest_data_file(Digest* digest, const char* name) { return 0; }
void digest_height_samples(Digest* digest, const uint16_t* samples, size_t count) {  }
bool game_data_in_folder(const char* folder, const char* expected_hex) { return 0; }
int find_game_data(const char* expected_hex) { return 0; }
void stock_shapes_digest(unsigned char out[DIGEST_SIZE]) {  }
bool stock_shapes_match(const char* expected_hex) { return 0; }
void track_hash(const char* folder, const char* const* statue_models, int model_count, unsigned char out[DIGEST_SIZE]) {  }
bool write_track_info(const char* folder, const char* long_name, int first_lap, int normal_lap, int gate_count,
                      const unsigned char hash[DIGEST_SIZE]) { return 0; }
