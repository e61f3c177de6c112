// Small track folders written by the tests: a temporary home folder as the
// data folder, and writers for the exact bytes of each terrain file.
#pragma once
#include "../support/test_support.h"
#include "assets/model.h"
#include "assets/shape.h"
#include "core/helpers.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

inline void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  write_file(path, std::string(bytes.begin(), bytes.end()));
}

inline void write_text(const std::string& path, const std::string& text) { write_file(path, text); }

// A 65 x 65 terrain: n = 5, T = 32.
enum { FIXTURE_N = 65, FIXTURE_EXPONENT = 5, FIXTURE_TILES = 32 };

// "n s min max:" followed by N x N little-endian samples from v(i, j).
inline void write_binary_terrain(const std::string& dir, int n, float s, float lo, float hi,
                                 const std::function<uint16_t(int, int)>& v, int sample_count = -1) {
  int N = (1 << (n + 1)) + 1;
  char header[128];
  int length = snprintf(header, sizeof header, "%d %g %g %g:", n, s, lo, hi);
  std::vector<uint8_t> bytes(header, header + length);
  int total = sample_count < 0 ? N * N : sample_count;
  for (int k = 0; k < total; k++) {
    uint16_t value = v(k % N, k / N);
    bytes.push_back((uint8_t)(value & 255));
    bytes.push_back((uint8_t)(value >> 8));
  }
  write_bytes(dir + "/terrain.hf", bytes);
}

inline void write_ppm(const std::string& dir, const char* file, int width, int height,
                      const std::function<uint8_t(int, int, int)>& value) {
  char header[64];
  int length = snprintf(header, sizeof header, "P6\n%d %d\n255\n", width, height);
  std::vector<uint8_t> bytes(header, header + length);
  for (int j = 0; j < height; j++)
    for (int i = 0; i < width; i++)
      for (int c = 0; c < 3; c++) bytes.push_back(value(i, j, c));
  write_bytes(dir + "/" + file, bytes);
}

inline void write_pgm(const std::string& dir, const char* file, int width, int height,
                      const std::function<uint8_t(int, int)>& value) {
  char header[64];
  int length = snprintf(header, sizeof header, "P5\n# shadows\n%d %d\n255\n", width, height);
  std::vector<uint8_t> bytes(header, header + length);
  for (int j = 0; j < height; j++)
    for (int i = 0; i < width; i++) bytes.push_back(value(i, j));
  write_bytes(dir + "/" + file, bytes);
}

inline void write_tilemap(const std::string& dir, int T, const std::function<uint8_t(int, int)>& value) {
  std::vector<uint8_t> bytes;
  for (int b = 0; b < T; b++)
    for (int a = 0; a < T; a++) bytes.push_back(value(a, b));
  write_bytes(dir + "/tilemap", bytes);
}

// The smallest complete track: heights rising along x, shading 100, two
// texturelist types, tiles alternating 0 and 1.
inline void write_minimal_terrain(const std::string& dir) {
  write_binary_terrain(dir, FIXTURE_EXPONENT, 2.0f, 0.0f, 64.0f,
                       [](int i, int) { return (uint16_t)(i * 1000); });
  write_ppm(dir, "shading.ppm", FIXTURE_N, FIXTURE_N, [](int, int, int) { return (uint8_t)100; });
  write_text(dir + "/texturelist", "grass.png\n0.8 4 12 dirt.png\n");
  write_tilemap(dir, FIXTURE_TILES, [](int a, int b) { return (uint8_t)((a + b) & 1); });
}

// A temporary home folder serving as the data folder; tracks live under
// "tracks/" in it.
class TrackFolderTest : public ::testing::Test {
 protected:
  TempFolder folder{"kx-track"};
  std::string root = folder.root;
  std::string data = folder.make_folder("Kestrix");
  DataFolderScope scope{root, root};  // QV_HOME too: keeps the build folder out of the index

  void SetUp() override {
    shape_cache_reset();
    model_cache_reset();
    message_ring_clear();
    message_set_line_limit(MESSAGE_RING_SIZE);
  }

  void TearDown() override {
    shape_cache_reset();
    model_cache_reset();
    message_set_line_limit(5);
  }

  // Makes tracks/<name> and returns its path.
  std::string track_dir(const std::string& name) {
    return folder.make_folder("Kestrix/tracks/" + name);
  }

  // Every message shown since the last clear, oldest first.
  std::vector<std::string> messages() {
    std::vector<std::string> lines;
    for (int age = message_visible_count() - 1; age >= 0; age--) lines.push_back(message_line(age));
    return lines;
  }

  bool shown(const std::string& text) {
    for (const std::string& line : messages())
      if (line == text) return true;
    return false;
  }
};
