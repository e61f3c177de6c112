// Decoding a 1024 x 1024 PNG: our reader against libpng's simplified API
// reading the same file into memory. "ratio" is libpng's time over ours
// (1.0 = as fast; the target is at least 0.9).
#include <benchmark/benchmark.h>
#include <png.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "assets/image.h"
#include "files/stream.h"

namespace {

const int SIDE = 1024;

const std::string& fixture() {
  static std::string path;
  if (path.empty()) {
    char folder[] = "/tmp/kx_png_bench_XXXXXX";
    if (!mkdtemp(folder)) abort();
    path = std::string(folder) + "/big.png";
    // Smooth gradients with a little noise: a photo-like texture.
    std::vector<unsigned char> pixels((size_t)SIDE * SIDE * 3);
    unsigned seed = 7;
    for (int y = 0; y < SIDE; y++)
      for (int x = 0; x < SIDE; x++) {
        unsigned char* p = &pixels[((size_t)y * SIDE + x) * 3];
        seed = seed * 1103515245 + 12345;
        int noise = (seed >> 16) % 9;
        p[0] = (unsigned char)(x / 4 + noise);
        p[1] = (unsigned char)(y / 4 + noise);
        p[2] = (unsigned char)((x + y) / 8 + noise);
      }
    if (!write_png(path.c_str(), pixels.data(), SIDE, SIDE, 3)) abort();
    std::atexit([] { std::filesystem::remove_all(std::filesystem::path(path).parent_path()); });
  }
  return path;
}

double libpng_simplified(const std::string& path, std::vector<unsigned char>& buffer) {
  auto start = std::chrono::steady_clock::now();
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) abort();
  image.format = PNG_FORMAT_RGB;
  buffer.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, buffer.data(), 0, nullptr)) abort();
  benchmark::DoNotOptimize(buffer.data());
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double ours(const std::string& path, bool with_chain) {
  auto start = std::chrono::steady_clock::now();
  Image image;
  if (with_chain) {
    if (!read_png(path.c_str(), &image, nullptr)) abort();
  } else {
    Stream* stream = data_open(path.c_str(), "rb");
    if (!stream || !read_png_stream(stream, path.c_str(), &image, nullptr)) abort();
    data_close(stream);
  }
  benchmark::DoNotOptimize(image.pixels);
  image_free(&image);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_LibpngSimplified(benchmark::State& state) {
  const std::string& path = fixture();
  std::vector<unsigned char> buffer;
  for (auto _ : state) libpng_simplified(path, buffer);
}
BENCHMARK(BM_LibpngSimplified)->Unit(benchmark::kMillisecond);

// Our reader alone: the pixels land in a buffer with room for the chain.
void BM_ReadPngStream(benchmark::State& state) {
  const std::string& path = fixture();
  for (auto _ : state) ours(path, false);
}
BENCHMARK(BM_ReadPngStream)->Unit(benchmark::kMillisecond);

// The texture path: also the ".info" lookup and building the chain.
void BM_ReadPngWithChain(benchmark::State& state) {
  const std::string& path = fixture();
  for (auto _ : state) ours(path, true);
}
BENCHMARK(BM_ReadPngWithChain)->Unit(benchmark::kMillisecond);

// Both in turn, so the ratio is measured under the same conditions.
void BM_Ratio(benchmark::State& state) {
  const std::string& path = fixture();
  std::vector<unsigned char> buffer;
  double library = 0, reader = 0, with_chain = 0;
  for (auto _ : state) {
    library += libpng_simplified(path, buffer);
    reader += ours(path, false);
    with_chain += ours(path, true);
  }
  state.counters["ratio"] = library / reader;
  state.counters["ratio_with_chain"] = library / with_chain;
}
BENCHMARK(BM_Ratio)->Unit(benchmark::kMillisecond);

}  // namespace
