// A whole track load against reading the same files' bytes through the
// data layer, in the same run. The track is written once by the terrain
// and track writers: a 1025 x 1025 terrain with shading and shadows, 40
// starting-gate slots, 20 gates, 200 billboards and 100 statues.
#include <benchmark/benchmark.h>

#include "core/helpers.h"
#include "files/data.h"
#include "files/digest.h"
#include "files/stream.h"
#include "track/track.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

const char* const FOLDER = "tracks/bench";

struct BenchTrack {
  std::string root, dir;
  std::vector<std::string> files;  // data names of every file in the folder

  BenchTrack() {
    char pattern[] = "/tmp/kx-bench-track-XXXXXX";
    if (!mkdtemp(pattern)) abort();
    root = pattern;
    setenv("XDG_DATA_HOME", root.c_str(), 1);
    setenv("QV_HOME", root.c_str(), 1);
    data_folders_init();
    dir = root + "/Kestrix/" + FOLDER;
    std::string prefix = std::string("@") + FOLDER;

    HeightField hf;
    height_field_create(&hf, 9, 2.0f);
    for (int j = 0; j < hf.N; j++)
      for (int i = 0; i < hf.N; i++) {
        hf.heights[j * hf.N + i] = 20.0f + 8.0f * sinf(i * 0.05f) * cosf(j * 0.03f);
        hf.shadows[j * hf.N + i] = (uint8_t)((i * j) & 255);
        for (int c = 0; c < 3; c++) hf.shading[(j * hf.N + i) * 3 + c] = (uint8_t)((i + j + c) & 127);
      }
    for (int k = 0; k < hf.T * hf.T; k++) hf.tile_map[k] = (uint8_t)(k % 3);
    if (!height_field_save(&hf, prefix.c_str(), true) || !height_field_save_shadows(&hf, prefix.c_str())) abort();
    remove((dir + "/shadingx2.ppm").c_str());  // the halving path

    auto write = [&](const char* file, const std::string& text) {
      FILE* f = fopen((dir + "/" + file).c_str(), "wb");
      fwrite(text.data(), 1, text.size(), f);
      fclose(f);
    };
    std::string tileinfo;
    for (int t = 0; t < 3; t++)
      tileinfo += "texture @ground" + std::to_string(t) +
                  ".png\nfriction 1.1 2\nfriction 0.9 8\nroll_resist 3 12 4\nroost count=2 size=0.3\naddtile\n";
    write("tileinfo", tileinfo);
    write("rock.zm", "ZM1\n32 0 1 1 1 3 1\n0 0 0 0 1 0 0 0\n1 0 0 0 1 0 1 0\n0 0 1 0 1 0 0 1\n0 1 2\n");
    write("rock.shp", "2\n0 0 0 1 1 2500 250\n0 2 0 1 1 2500 250\n");
    write("lighting", "sun_vector [ 1 2 1 ]\nfog [ 0.5 0.5 0.5 ] 0.001\n");
    write("cameras", "addcamera 100 10 100\naddcamera 900 10 900\ngate 0 1\naddcamera 1500 10 400\n");

    Track track;
    track_create_empty(&track, FOLDER, 9, 2.0f);
    std::string model = prefix + "/rock.zm", shape = prefix + "/rock.shp";
    for (int k = 0; k < 40; k++) {
      StartSlot* slot = &track.start_slots[track.start_slot_count++];
      *slot = {{1000.0f + k * 4.0f, 0.0f, 1000.0f}, 0.0f, -1, model.c_str(), nullptr, shape.c_str()};
    }
    std::vector<TimingGate> gates;
    std::vector<int> laps;
    for (int k = 0; k < 20; k++) {
      gates.push_back({{100.0f + k * 90.0f, 0.0f, 500.0f}, {1.0f, 0.0f, 0.0f}, 20.0f});
      laps.push_back(k);
    }
    if (!write_timing_gates(prefix.c_str(), track.start_slots, 40, gates.data(), 20, laps.data(), 20, laps.data(),
                            20))
      abort();
    std::vector<Billboard> billboards(200);
    std::vector<Statue> statues(100);
    for (int k = 0; k < 200; k++)
      billboards[k] = {k * 10.0f, 0, 300.0f, 1.0f, 4.0f, 0.5f, "@tree.png", 0, {255, 255, 255, 255}};
    for (int k = 0; k < 100; k++) {
      statues[k] = {};
      statues[k].model_name = model.c_str();
      statues[k].shape_name = shape.c_str();
      statues[k].x = 50.0f + k * 19.0f;
      statues[k].z = 700.0f + (k % 7) * 50.0f;
      statues[k].angle = k * 0.1f;
    }
    if (!write_billboards(prefix.c_str(), billboards.data(), 200) ||
        !write_statues(prefix.c_str(), statues.data(), 100))
      abort();
    track_deallocate(&track);
    height_field_free(&hf);

    DIR* d = opendir(dir.c_str());
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') files.push_back(prefix + "/" + e->d_name);
    closedir(d);
  }
  ~BenchTrack() { nftw(root.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS); }
  static int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }
};

BenchTrack& bench_track() {
  static BenchTrack t;
  return t;
}

size_t raw_read(const BenchTrack& t) {
  static char buffer[65536];
  size_t total = 0;
  for (const std::string& name : t.files) {
    Stream* s = data_open(name.c_str(), "rb");
    size_t n;
    while ((n = stream_read(s, buffer, sizeof buffer)) > 0) total += n;
    data_close(s);
  }
  return total;
}

void load_once() {
  static Track track;
  TrackLoadOptions options = {};
  if (!track_load(&track, FOLDER, nullptr, &options)) abort();
  benchmark::DoNotOptimize(track.hash[0]);
  track_deallocate(&track);
}

void BM_raw_read_of_the_track_files(benchmark::State& state) {
  BenchTrack& t = bench_track();
  size_t bytes = 0;
  for (auto _ : state) bytes = raw_read(t);
  state.counters["bytes"] = (double)bytes;
}
BENCHMARK(BM_raw_read_of_the_track_files)->Unit(benchmark::kMillisecond);

void BM_track_load(benchmark::State& state) {
  bench_track();
  for (auto _ : state) load_once();
}
BENCHMARK(BM_track_load)->Unit(benchmark::kMillisecond);

// Both in alternation, so the ratio compares like with like. Target: at most 3.
void BM_track_load_over_raw_read(benchmark::State& state) {
  BenchTrack& t = bench_track();
  double load_seconds = 0, raw_seconds = 0;
  for (auto _ : state) {
    auto a = std::chrono::steady_clock::now();
    raw_read(t);
    auto b = std::chrono::steady_clock::now();
    load_once();
    auto c = std::chrono::steady_clock::now();
    raw_seconds += std::chrono::duration<double>(b - a).count();
    load_seconds += std::chrono::duration<double>(c - b).count();
  }
  state.counters["raw_ms"] = raw_seconds * 1e3 / (double)state.iterations();
  state.counters["load_ms"] = load_seconds * 1e3 / (double)state.iterations();
  state.counters["ratio"] = load_seconds / raw_seconds;
}
BENCHMARK(BM_track_load_over_raw_read)->Unit(benchmark::kMillisecond);

// The part of a load that the track hash alone costs: the digest must read
// and hash terrain.hf, tilemap and the object files whatever the loader does.
void BM_track_hash_over_raw_read(benchmark::State& state) {
  BenchTrack& t = bench_track();
  const char* model = "@tracks/bench/rock.zm";
  double hash_seconds = 0, raw_seconds = 0;
  for (auto _ : state) {
    unsigned char hash[DIGEST_SIZE];
    auto a = std::chrono::steady_clock::now();
    raw_read(t);
    auto b = std::chrono::steady_clock::now();
    track_hash(FOLDER, &model, 1, hash);
    auto c = std::chrono::steady_clock::now();
    benchmark::DoNotOptimize(hash[0]);
    raw_seconds += std::chrono::duration<double>(b - a).count();
    hash_seconds += std::chrono::duration<double>(c - b).count();
  }
  state.counters["raw_ms"] = raw_seconds * 1e3 / (double)state.iterations();
  state.counters["hash_ms"] = hash_seconds * 1e3 / (double)state.iterations();
  state.counters["ratio"] = hash_seconds / raw_seconds;
}
BENCHMARK(BM_track_hash_over_raw_read)->Unit(benchmark::kMillisecond);

}  // namespace
