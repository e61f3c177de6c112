// RIPEMD-160 against the published vectors, and the digests built on it:
// game data, stock shapes, track hash and the track info file.
#include "files/digest.h"
#include "files/stream.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

std::string hex_of(const std::string& bytes) {
  Digest d;
  digest_init(&d);
  digest_update(&d, bytes.data(), bytes.size());
  unsigned char out[DIGEST_SIZE];
  digest_final(&d, out);
  char hex[DIGEST_HEX_SIZE];
  digest_to_hex(out, hex);
  return hex;
}

std::string hex_of(const unsigned char digest[DIGEST_SIZE]) {
  char hex[DIGEST_HEX_SIZE];
  digest_to_hex(digest, hex);
  return hex;
}

TEST(Ripemd160, PublishedTestVectors) {
  struct Case {
    std::string input;
    const char* digest;
  } cases[] = {
      {"", "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
      {"a", "0bdc9d2d256b3ee9daae347be6f4dc835a467ffe"},
      {"abc", "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
      {"message digest", "5d0689ef49d2fae572b881b123a85ffa21595f36"},
      {"abcdefghijklmnopqrstuvwxyz", "f71c27109c692c1b56bbdceb5b9d2865b3708dbc"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq", "12a053384a9c0c88e405a06c27dcf49ada62eb2b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "b0e20b6e3116640286ed3a87a5713079b21f5189"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "9b752e45573d4b39f4dbd3323cab82bf63326bfb"},
      {std::string(1000000, 'a'), "52783243c1697bdbe16d37f97f68f08325dc1528"},
  };
  for (const Case& c : cases) EXPECT_EQ(hex_of(c.input), c.digest) << c.input.substr(0, 20);
}

TEST(Ripemd160, PiecewiseUpdatesMatchOneUpdate) {
  std::mt19937 random(9);
  for (size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u}) {
    std::string bytes(length, '\0');
    for (char& c : bytes) c = (char)random();
    Digest d;
    digest_init(&d);
    for (size_t at = 0; at < length;) {
      size_t n = std::min<size_t>(random() % 70, length - at);
      digest_update(&d, bytes.data() + at, n);
      at += n;
    }
    unsigned char out[DIGEST_SIZE];
    digest_final(&d, out);
    EXPECT_EQ(hex_of(out), hex_of(bytes)) << length;
  }
}

TEST(Ripemd160, HexComparison) {
  unsigned char digest[DIGEST_SIZE];
  for (int i = 0; i < DIGEST_SIZE; i++) digest[i] = (unsigned char)(i * 13 + 5);
  std::string hex = hex_of(digest);
  EXPECT_EQ(hex.size(), 40u);
  std::string upper = hex;
  for (char& c : upper) c = (char)toupper(c);
  struct Case {
    std::string text;
    bool matches;
  } cases[] = {
      {hex, true}, {upper, true}, {hex + "trailing", true}, {hex.substr(0, 39), false}, {hex.substr(0, 38), false},
      {"", false}, {std::string(hex).replace(39, 1, "z"), false}, {std::string(hex).replace(0, 1, "f"), false},
  };
  for (const Case& c : cases) EXPECT_EQ(digest_matches_hex(c.text.c_str(), digest), c.matches) << c.text;
}

TEST(Ripemd160, HeightSamplesLowByteFirst) {
  const uint16_t samples[] = {0x0102, 0xfffe, 0x0000, 0x8000};
  Digest d;
  digest_init(&d);
  digest_height_samples(&d, samples, 4);
  unsigned char out[DIGEST_SIZE];
  digest_final(&d, out);
  EXPECT_EQ(hex_of(out), hex_of(std::string("\x02\x01\xfe\xff\x00\x00\x00\x80", 8)));
}

TEST(GameData, FirstMegabyteOfZzzzSafDecides) {
  DataFolders folders;
  std::string genuine(1048576, '\0');
  std::mt19937 random(1);
  for (char& c : genuine) c = (char)random();
  const std::string expected = hex_of(genuine);
  struct Case {
    const char* label;
    std::string file;
    bool found;
  } cases[] = {
      {"exact", genuine, true},
      {"longer with trailing changes", genuine + "extra bytes", true},
      {"change inside the first megabyte", std::string(genuine).replace(1048575, 1, "!"), false},
      {"shorter", genuine.substr(0, 1000), false},
  };
  for (const Case& c : cases) {
    write_file(folders.install + "zzzz.saf", c.file);
    EXPECT_EQ(game_data_in_folder(folders.install.c_str(), expected.c_str()), c.found) << c.label;
  }
  // A short file counts whole.
  write_file(folders.install + "zzzz.saf", "tiny");
  EXPECT_TRUE(game_data_in_folder(folders.install.c_str(), hex_of("tiny").c_str()));

  // find_game_data: the first folder that has it; only the exact file counts.
  remove((folders.install + "zzzz.saf").c_str());
  write_file(folders.install + "zzzz.saf.gz", gzip(genuine));
  EXPECT_EQ(find_game_data(expected.c_str()), -1);
  write_file(folders.install + "zzzz.saf", genuine);
  std::string command = "rm -rf '" + folders.home + "'";
  ASSERT_EQ(system(command.c_str()), 0);
  EXPECT_EQ(find_game_data(expected.c_str()), 1);
  EXPECT_TRUE(exists(folders.home));  // created on the way
  write_file(folders.home + "zzzz.saf", genuine);
  EXPECT_EQ(find_game_data(expected.c_str()), 0);
}

TEST(StockShapes, SevenFilesInOrderMissingOnesAddNothing) {
  DataFolders folders;
  const char* names[] = {"generic_frame.shp", "generic_fork_upper.shp", "generic_fork_lower.shp",
                         "generic_swingarm.shp", "front_wheel.shp", "rear_wheel.shp", "generic_rider.shp"};
  std::string all;
  for (int i = 0; i < 7; i++) {
    std::string content = std::string("shape ") + names[i] + std::string(1500 + i * 300, (char)('a' + i));
    all += content;
    write_file(folders.install + names[i], content);
  }
  write_file(folders.install + "generic_rider.shp", "");  // empty
  all.erase(all.rfind("shape generic_rider.shp"));
  data_rescan();
  unsigned char out[DIGEST_SIZE];
  stock_shapes_digest(out);
  EXPECT_EQ(hex_of(out), hex_of(all));
  EXPECT_TRUE(stock_shapes_match(hex_of(all).c_str()));
  remove((folders.install + "generic_rider.shp").c_str());
  data_rescan();
  EXPECT_TRUE(stock_shapes_match(hex_of(all).c_str()));
  remove((folders.install + "front_wheel.shp").c_str());
  data_rescan();
  EXPECT_FALSE(stock_shapes_match(hex_of(all).c_str()));
}

TEST(TrackHash, CoversTheListedFilesDecompressedAndEachModelOnce) {
  DataFolders folders;
  const std::string track = folders.install + "dunes/";
  const std::string terrain(5000, 'h');
  write_file(track + "terrain.hf", terrain);
  write_file(track + "tilemap", "tiles");
  write_file(track + "timing_gates", "gates");
  write_file(track + "lighting", "not hashed");
  write_file(folders.install + "models/rock.zm", "rock model");
  write_file(folders.install + "models/tree.zm", "tree model");
  data_rescan();
  const char* models[] = {"@models/rock.zm", "@models/tree.zm", "@models/rock.zm", "@models/missing.zm"};
  unsigned char plain[DIGEST_SIZE], again[DIGEST_SIZE];
  track_hash("dunes", models, 4, plain);
  EXPECT_EQ(hex_of(plain), hex_of(terrain + "tiles" + "gates" + "rock model" + "tree model"));

  // The same content as "terrain.hf.gz" gives the same hash.
  remove((track + "terrain.hf").c_str());
  write_file(track + "terrain.hf.gz", gzip(terrain));
  data_rescan();
  track_hash("dunes/", models, 4, again);
  EXPECT_EQ(hex_of(again), hex_of(plain));

  // A missing "statues" and an empty one hash alike; a non-empty one does not.
  write_file(track + "statues", "");
  track_hash("dunes", models, 4, again);
  EXPECT_EQ(hex_of(again), hex_of(plain));
  write_file(track + "statues", "[ 1 2 3 ] 0 rock null null\n");
  track_hash("dunes", models, 4, again);
  EXPECT_NE(hex_of(again), hex_of(plain));

  // Model order matters.
  remove((track + "statues").c_str());
  const char* reversed[] = {"@models/tree.zm", "@models/rock.zm"};
  track_hash("dunes", reversed, 2, again);
  EXPECT_EQ(hex_of(again), hex_of(terrain + "tiles" + "gates" + "tree model" + "rock model"));
}

TEST(TrackInfo, WritesEveryLineInTheHomeFolder) {
  DataFolders folders;
  unsigned char hash[DIGEST_SIZE];
  for (int i = 0; i < DIGEST_SIZE; i++) hash[i] = (unsigned char)(0xa0 + i);
  ASSERT_TRUE(write_track_info("dunes", "Desert Dunes", 1500, 1200, 7, hash));
  EXPECT_EQ(read_file(folders.home + "dunes.trackinfo"),
            "dir=dunes\nlongname=Desert Dunes\nfirstlap=1500\nnormallap=1200\ngatecount=7\n"
            "hash=a0a1a2a3a4a5a6a7a8a9aaabacadaeafb0b1b2b3\n");
  ASSERT_TRUE(write_track_info("dunes", nullptr, 1, 2, 3, hash));
  EXPECT_EQ(read_file(folders.home + "dunes.trackinfo").substr(0, 26), "dir=dunes\nlongname=dunes\nf");
}

}  // namespace
