// Data layer speed against its yardsticks, each measured in the same run:
// gzip reading through stream_read against zlib inflating into memory,
// RIPEMD-160 against libgcrypt's RMD160, and a data-name lookup in an index
// of 20 000 entries against one of 1 000. Each reports a "ratio" counter.
#include "files/data.h"
#include "files/digest.h"
#include "files/stream.h"
#include "../../tests/support/zlib_bytes.h"

#include <benchmark/benchmark.h>
#include <gcrypt.h>
#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

// Thread CPU time, so that other work on a shared machine skews neither side.
struct Clock {
  using time_point = double;
  static double now() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
  }
};

double seconds_since(double start) { return Clock::now() - start; }

// Track-like data: repeated text records and noisy binary samples.
std::string sample_data(size_t size) {
  std::mt19937 random(7);
  std::string out;
  out.reserve(size);
  while (out.size() < size) {
    char line[96];
    int n = snprintf(line, sizeof line, "[ %d.%03d %d.%02d %d ] 0 statue%d.zm null null\n", (int)(random() % 4000),
                     (int)(random() % 1000), (int)(random() % 90), (int)(random() % 100), (int)(random() % 360),
                     (int)(random() % 40));
    out.append(line, n);
    for (int i = 0; i < 64; i++) out += (char)(128 + (int)(random() % 8) - 4);
  }
  out.resize(size);
  return out;
}

void set_ratio(benchmark::State& state, double ours, double theirs, double target, bool higher_is_better) {
  double ratio = ours / theirs;
  state.counters["ratio"] = ratio;
  state.counters["target"] = target;
  state.counters["met"] = higher_is_better ? ratio >= target : ratio <= target;
}

// The member sits in an archive-like file after some other bytes, and is
// read in chunks of state.range(0) bytes, as a loader reading large arrays does.
void BM_GzipStreamReadVsZlib(benchmark::State& state) {
  const size_t size = 16 << 20;
  static const std::string plain = sample_data(size);
  static const std::string packed = gzip(plain);
  char pattern[] = "/tmp/kx-bench-XXXXXX";
  const std::string root = mkdtemp(pattern);
  const std::string path = root + "/member.saf";
  const std::string lead(4321, 'L');
  FILE* f = fopen(path.c_str(), "wb");
  fwrite(lead.data(), 1, lead.size(), f);
  fwrite(packed.data(), 1, packed.size(), f);
  fwrite("trailing", 1, 8, f);
  fclose(f);
  std::vector<unsigned char> whole(size), chunk((size_t)state.range(0));
  double ours = 0, theirs = 0;
  for (auto _ : state) {
    double start = Clock::now();
    z_stream z = {};
    inflateInit2(&z, -15);
    z.next_in = (Bytef*)packed.data() + 10;  // zlib's own header has no optional fields
    z.avail_in = (uInt)packed.size() - 10;
    z.next_out = whole.data();
    z.avail_out = (uInt)whole.size();
    int result = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    theirs += seconds_since(start);
    if (result != Z_STREAM_END || z.total_out != size) state.SkipWithError("zlib failed");

    start = Clock::now();
    Stream* s = stream_open_member(path.c_str(), (int64_t)lead.size(), (int64_t)packed.size(), true, false);
    size_t total = 0, n;
    while (s && (n = stream_read(s, chunk.data(), chunk.size())) > 0) total += n;
    data_close(s);
    ours += seconds_since(start);
    if (total != size) state.SkipWithError("stream_read came up short");
    benchmark::DoNotOptimize(chunk.data());
  }
  remove(path.c_str());
  rmdir(root.c_str());
  double runs = (double)state.iterations();
  state.counters["stream_MBps"] = size * runs / ours / 1e6;
  state.counters["zlib_MBps"] = size * runs / theirs / 1e6;
  set_ratio(state, theirs, ours, 0.8, true);  // throughput ratio: ours / zlib's
}
BENCHMARK(BM_GzipStreamReadVsZlib)->Arg(1 << 20)->Arg(64 << 10)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_Ripemd160VsGcrypt(benchmark::State& state) {
  const size_t size = 4 << 20;
  static const std::string buffer = sample_data(size);
  if (!gcry_check_version(nullptr)) {
    state.SkipWithError("libgcrypt would not start");
    return;
  }
  gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
  double ours = 0, theirs = 0;
  unsigned char mine[DIGEST_SIZE], reference[DIGEST_SIZE];
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    gcry_md_hash_buffer(GCRY_MD_RMD160, reference, buffer.data(), buffer.size());
    theirs += seconds_since(start);
    start = Clock::now();
    Digest d;
    digest_init(&d);
    digest_update(&d, buffer.data(), buffer.size());
    digest_final(&d, mine);
    ours += seconds_since(start);
    if (memcmp(mine, reference, DIGEST_SIZE) != 0) state.SkipWithError("digests differ");
  }
  double runs = (double)state.iterations();
  state.counters["ours_MBps"] = size * runs / ours / 1e6;
  state.counters["gcrypt_MBps"] = size * runs / theirs / 1e6;
  set_ratio(state, theirs, ours, 0.8, true);
}
BENCHMARK(BM_Ripemd160VsGcrypt)->Unit(benchmark::kMillisecond)->MinTime(1.0);

// An installation folder holding one archive of `count` members.
struct LookupIndex {
  std::string root;
  std::vector<std::string> queries;
  explicit LookupIndex(int count) {
    char pattern[] = "/tmp/kx-bench-XXXXXX";
    root = mkdtemp(pattern);
    std::string install = root + "/install";
    mkdir(install.c_str(), 0755);
    std::string header;
    std::vector<std::string> names;
    for (int i = 0; i < count; i++) {
      char name[96];
      snprintf(name, sizeof name, "tracks/track%04d/%s%d.png", i / 20, i % 3 ? "decal" : "statue", i);
      names.push_back(name);
      header += "1 " + std::string(name) + "\n";
    }
    header += "-\n" + std::string(count, 'x');
    FILE* f = fopen((install + "/zzzz.saf").c_str(), "wb");
    fwrite(header.data(), 1, header.size(), f);
    fclose(f);
    setenv("XDG_DATA_HOME", (root + "/xdg").c_str(), 1);
    setenv("QV_HOME", install.c_str(), 1);
    data_folders_init();
    data_rescan();
    std::mt19937 random(11);
    for (int i = 0; i < 4096; i++) {
      std::string q = names[random() % names.size()];
      for (char& c : q)
        if (random() % 2) c = (char)toupper(c);
      queries.push_back(q);
    }
  }
  ~LookupIndex() {
    std::string command = "rm -rf '" + root + "'";
    if (system(command.c_str()) != 0) fprintf(stderr, "could not remove %s\n", root.c_str());
  }
  // Best of several rounds: nanoseconds per lookup.
  double time_lookups() {
    double best = 1e9;
    for (int round = 0; round < 15; round++) {
      Clock::time_point start = Clock::now();
      int found = 0;
      for (int repeat = 0; repeat < 20; repeat++)
        for (const std::string& q : queries) found += data_find(q.c_str()) != nullptr;
      double ns = seconds_since(start) * 1e9 / (20.0 * queries.size());
      benchmark::DoNotOptimize(found);
      if (found != 20 * (int)queries.size()) return -1;
      if (ns < best) best = ns;
    }
    return best;
  }
};

void BM_DataLookup20000Vs1000(benchmark::State& state) {
  double small, large;
  {
    LookupIndex index(1000);
    small = index.time_lookups();
  }
  LookupIndex index(20000);
  large = index.time_lookups();
  if (small <= 0 || large <= 0) {
    state.SkipWithError("a lookup failed");
    return;
  }
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(data_find(index.queries[i++ % index.queries.size()].c_str()));
  state.counters["ns_1000"] = small;
  state.counters["ns_20000"] = large;
  set_ratio(state, large, small, 2.0, false);  // time ratio: 20 000 entries / 1 000
}
BENCHMARK(BM_DataLookup20000Vs1000);

}  // namespace
