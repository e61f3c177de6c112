// Loading terrain files from small fixture folders: both height forms,
// shading and shadow rules, tile clamping, decals, the failure messages,
// and saving a terrain so that it loads back the same.
#include "terrain/height_field.h"

#include "assets/image.h"
#include "files/digest.h"
#include "platform/kuvo.h"
#include "track_fixture.h"

#include <cmath>

namespace {

class TerrainLoad : public TrackFolderTest {
 protected:
  HeightField hf = {};
  TerrainLoadOptions options = {0, false, 0};

  bool load(const std::string& name) { return height_field_load(&hf, ("@tracks/" + name).c_str(), &options); }
  void TearDown() override {
    height_field_free(&hf);
    TrackFolderTest::TearDown();
  }
};

TEST_F(TerrainLoad, BinaryHeightsShadingTypesAndTiles) {
  std::string dir = track_dir("t");
  write_minimal_terrain(dir);
  ASSERT_TRUE(load("t")) << (messages().empty() ? "" : messages().back());
  EXPECT_EQ(hf.n, 5);
  EXPECT_EQ(hf.N, 65);
  EXPECT_EQ(hf.T, 32);
  EXPECT_FLOAT_EQ(hf.s, 2.0f);
  EXPECT_FLOAT_EQ(hf.tile_size, 4.0f);
  EXPECT_FLOAT_EQ(hf.W, 128.0f);
  // Sample (i, j) holds v = i * 1000 of 0 .. 64.
  for (int i : {0, 1, 17, 64}) EXPECT_FLOAT_EQ(sample(&hf, i, 30), 64.0f * (float)(i * 1000) / 65535.0f);
  EXPECT_EQ(hf.shading[0], 50);  // shading.ppm is halved
  EXPECT_EQ(hf.shading[65 * 65 * 3 - 1], 50);
  EXPECT_EQ(hf.shadows[100], 0);  // no shadows.pgm: fully lit
  EXPECT_EQ(hf.surface_type_count, 2);
  EXPECT_STREQ(hf.surface_types[1].texture, "@dirt.png");
  EXPECT_EQ(tile_at(&hf, 1.0f, 1.0f), 0);
  EXPECT_EQ(tile_at(&hf, 5.0f, 1.0f), 1);
  EXPECT_EQ(hf.normal_map, nullptr);
  EXPECT_TRUE(messages().empty());
}

TEST_F(TerrainLoad, TileBytesAreClampedToTheLastType) {
  std::string dir = track_dir("t");
  write_minimal_terrain(dir);
  write_tilemap(dir, FIXTURE_TILES, [](int a, int) { return (uint8_t)(a == 3 ? 200 : a == 4 ? 1 : 0); });
  ASSERT_TRUE(load("t"));
  EXPECT_EQ(hf.tile_map[3], 1);
  EXPECT_EQ(hf.tile_map[4], 1);
  EXPECT_EQ(hf.tile_map[5], 0);
}

TEST_F(TerrainLoad, HeightsFromTerrainPng) {
  std::string dir = track_dir("t");
  write_minimal_terrain(dir);
  write_text(dir + "/terrain.hf", "5 2 10 20\n");
  // 40 x 30: a smaller image repeats its last column and row.
  std::vector<uint16_t> pixels(40 * 30);
  for (int j = 0; j < 30; j++)
    for (int i = 0; i < 40; i++) pixels[j * 40 + i] = (uint16_t)(i * 1000 + j * 7);
  ASSERT_TRUE(write_png_grey16((dir + "/terrain.png").c_str(), pixels.data(), 40, 30));
  ASSERT_TRUE(load("t"));
  auto expect = [](int i, int j) { return 10.0f + 10.0f * (float)(i * 1000 + j * 7) / 65535.0f; };
  EXPECT_FLOAT_EQ(sample(&hf, 3, 4), expect(3, 4));
  EXPECT_FLOAT_EQ(sample(&hf, 39, 29), expect(39, 29));
  EXPECT_FLOAT_EQ(sample(&hf, 64, 10), expect(39, 10));
  EXPECT_FLOAT_EQ(sample(&hf, 10, 64), expect(10, 29));
  EXPECT_FLOAT_EQ(sample(&hf, 64, 64), expect(39, 29));
}

TEST_F(TerrainLoad, WithoutTerrainPngTheTerrainIsFlatAtTheMinimum) {
  std::string dir = track_dir("t");
  write_minimal_terrain(dir);
  write_text(dir + "/terrain.hf", "5 2 -3.5 20\n");
  ASSERT_TRUE(load("t"));
  for (int k = 0; k < 65 * 65; k += 97) EXPECT_EQ(hf.heights[k], -3.5f);
}

TEST_F(TerrainLoad, ShadingX2UnchangedAndShadowsInverted) {
  std::string dir = track_dir("t");
  write_minimal_terrain(dir);
  write_ppm(dir, "shading.ppm", 65, 65, [](int, int, int) { return (uint8_t)7; });
  write_ppm(dir, "shadingx2.ppm", 65, 65, [](int i, int, int c) { return (uint8_t)(i * 3 + c); });
  write_pgm(dir, "shadows.pgm", 65, 65, [](int i, int j) { return (uint8_t)(i + j); });
  ASSERT_TRUE(load("t"));
  EXPECT_EQ(hf.shading[(10 * 65 + 5) * 3 + 2], 17);
  EXPECT_EQ(hf.shadows[10 * 65 + 5], 255 - 15);
}

TEST_F(TerrainLoad, OddShadingValuesAreRoundedDownWhenHalved) {
  std::string dir = track_dir("t");
  write_minimal_terrain(dir);
  write_ppm(dir, "shading.ppm", 65, 65, [](int i, int, int c) { return (uint8_t)(c == 0 ? 255 : i); });
  ASSERT_TRUE(load("t"));
  EXPECT_EQ(hf.shading[0], 127);
  EXPECT_EQ(hf.shading[(3 * 65 + 33) * 3 + 1], 16);
}

TEST_F(TerrainLoad, ShaderModeBuildsTheNormalMap) {
  std::string dir = track_dir("t");
  write_minimal_terrain(dir);
  options.shaders = true;
  ASSERT_TRUE(load("t"));
  ASSERT_NE(hf.normal_map, nullptr);
  EXPECT_EQ(hf.normal_map[(5 * 65 + 5) * 3 + 1], 255);
  EXPECT_LT(hf.normal_map[(5 * 65 + 5) * 3 + 0], 128);  // rising along x tilts the normal to -x
}

TEST_F(TerrainLoad, DecalsWithTexturesCompanionsAndCells) {
  std::string dir = track_dir("t");
  write_minimal_terrain(dir);
  write_text(dir + "/mark.png", "x");
  write_text(dir + "/mark_tnorm.ppm", "x");
  write_text(dir + "/mark_tspec.png", "x");
  write_text(dir + "/decals",
             "[ 8 8 ] 0 4 1 @tracks/t/mark.png\n"
             "[ 20 20 ] 0.5 4 1 @tracks/t/missing.png\n"
             "[40 100] 1.5 6 2 @tracks/t/mark.png\n"
             "[ 1 2 ] broken\n"
             "[ 60 60 ] 0 4 1 @tracks/t/mark.png\n");
  options.shaders = true;
  ASSERT_TRUE(load("t"));
  ASSERT_EQ(hf.decals.count, 2);
  const TerrainDecal* second = array_at<TerrainDecal>(&hf.decals, 1);
  EXPECT_FLOAT_EQ(second->x, 40.0f);
  EXPECT_FLOAT_EQ(second->aspect, 2.0f);
  EXPECT_FLOAT_EQ(second->sin_angle, sinf(1.5f));
  EXPECT_STREQ(second->normal_map, "@tracks/t/mark_tnorm.ppm");
  EXPECT_STREQ(second->specular_map, "@tracks/t/mark_tspec.png");
  EXPECT_EQ(hf.decal_cells[0].count, 1);
  EXPECT_EQ(hf.decal_cells[6 * DECAL_CELLS + 2].count, 1);
}

TEST_F(TerrainLoad, SuperDebugLogsTheDigestOfTheSamples) {
  std::string dir = track_dir("t");
  write_minimal_terrain(dir);
  // The samples after ":" are already two bytes each, low byte first.
  std::string bytes = read_file(dir + "/terrain.hf");
  Digest digest;
  digest_init(&digest);
  digest_update(&digest, bytes.data() + bytes.find(':') + 1, 65 * 65 * 2);
  unsigned char hash[DIGEST_SIZE];
  char hex[DIGEST_HEX_SIZE];
  digest_final(&digest, hash);
  digest_to_hex(hash, hex);

  LogCapture log;
  options.debug_level = 2;
  ASSERT_TRUE(load("t"));
  kuvo_log(nullptr);
  log.stop();
  std::string text = log.text();
  EXPECT_NE(text.find(std::string("] ") + hex + "\n"), std::string::npos) << text;
}

TEST_F(TerrainLoad, FailuresReportTheirMessage) {
  struct Case {
    const char* what;
    std::function<void(const std::string&)> spoil;
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"no terrain.hf", [](const std::string& d) { ::remove((d + "/terrain.hf").c_str()); },
       {"Can't open '@tracks/t/terrain.hf'"}},
      {"header of three numbers", [](const std::string& d) { write_text(d + "/terrain.hf", "5 2 0\n"); },
       {"Bad height field parameters", "Error reading heights"}},
      {"absurd size", [](const std::string& d) { write_text(d + "/terrain.hf", "40 2 0 10:"); },
       {"Bad height field parameters", "Error reading heights"}},
      {"negative spacing", [](const std::string& d) { write_text(d + "/terrain.hf", "5 -2 0 10:"); },
       {"Bad height field parameters", "Error reading heights"}},
      {"short binary heights",
       [](const std::string& d) {
         write_binary_terrain(d, FIXTURE_EXPONENT, 2, 0, 1, [](int, int) { return (uint16_t)1; }, 65 * 65 - 1);
       },
       {"Error reading heights"}},
      {"no shading", [](const std::string& d) { ::remove((d + "/shading.ppm").c_str()); },
       {"Can't open '@tracks/t/shading.ppm'"}},
      {"shading not an image", [](const std::string& d) { write_text(d + "/shading.ppm", "hello"); },
       {"Error reading shading"}},
      {"shading of the wrong size",
       [](const std::string& d) { write_ppm(d, "shadingx2.ppm", 64, 65, [](int, int, int) { return (uint8_t)0; }); },
       {"Bad shading dimensions (64x65)"}},
      {"shadows not a pgm", [](const std::string& d) { write_text(d + "/shadows.pgm", "P6 1 1 255 abc"); },
       {"Error reading shadows"}},
      {"shadows of the wrong size",
       [](const std::string& d) { write_pgm(d, "shadows.pgm", 65, 33, [](int, int) { return (uint8_t)0; }); },
       {"Bad shadow dimensions (65x33)\n"}},
      {"no texturelist", [](const std::string& d) { ::remove((d + "/texturelist").c_str()); },
       {"Can't open '@tracks/t/texturelist'"}},
      {"tileinfo without a type", [](const std::string& d) { write_text(d + "/tileinfo", "texture a.png\n"); },
       {"Error reading tileinfo"}},
      {"no tilemap", [](const std::string& d) { ::remove((d + "/tilemap").c_str()); },
       {"Can't open '@tracks/t/tilemap'"}},
      {"short tilemap", [](const std::string& d) { write_text(d + "/tilemap", "abc"); }, {"Error reading tilemap"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string dir = track_dir("t");
    write_minimal_terrain(dir);
    ::remove((dir + "/tileinfo").c_str());
    ::remove((dir + "/shadingx2.ppm").c_str());
    ::remove((dir + "/shadows.pgm").c_str());
    c.spoil(dir);
    message_ring_clear();
    EXPECT_FALSE(load("t"));
    EXPECT_EQ(messages(), c.messages);
    EXPECT_EQ(hf.heights, nullptr);  // everything freed
    EXPECT_EQ(hf.surface_types, nullptr);
  }
}

TEST_F(TerrainLoad, SavedTerrainLoadsBackInBothForms) {
  HeightField made;
  height_field_create(&made, FIXTURE_EXPONENT, 1.5f);
  for (int j = 0; j < made.N; j++)
    for (int i = 0; i < made.N; i++) {
      made.heights[j * made.N + i] = 5.0f + (float)((i * 37 + j * 11) % 64) * 0.25f;
      made.shading[(j * made.N + i) * 3 + 1] = (uint8_t)(i + j);
      made.shadows[j * made.N + i] = (uint8_t)(i * 2);
    }
  for (int k = 0; k < made.T * made.T; k++) made.tile_map[k] = 0;
  height_field_add_decal(&made, 10.0f, 20.0f, 0.25f, 3.0f, 0.5f, "@tracks/a/mark.png");
  for (bool binary : {false, true}) {
    SCOPED_TRACE(binary ? "binary" : "png");
    const char* name = binary ? "b" : "a";
    std::string dir = track_dir(name);
    write_text(dir + "/mark.png", "x");
    write_text(track_dir("a") + "/mark.png", "x");
    write_text(dir + "/texturelist", "grass.png\n");
    ASSERT_TRUE(height_field_save(&made, ("@tracks/" + std::string(name)).c_str(), binary));
    ASSERT_TRUE(height_field_save_shadows(&made, ("@tracks/" + std::string(name)).c_str()));
    ASSERT_TRUE(load(name)) << (messages().empty() ? "" : messages().back());
    EXPECT_FLOAT_EQ(hf.s, 1.5f);
    EXPECT_FLOAT_EQ(hf.min_height, 5.0f);
    EXPECT_FLOAT_EQ(hf.max_height, 5.0f + 63 * 0.25f);
    for (int k = 0; k < made.N * made.N; k++) ASSERT_NEAR(hf.heights[k], made.heights[k], 2e-4) << k;
    EXPECT_EQ(0, memcmp(hf.shading, made.shading, (size_t)made.N * made.N * 3));
    EXPECT_EQ(0, memcmp(hf.shadows, made.shadows, (size_t)made.N * made.N));
    ASSERT_EQ(hf.decals.count, 1);
    EXPECT_FLOAT_EQ(array_at<TerrainDecal>(&hf.decals, 0)->angle, 0.25f);
    height_field_free(&hf);
  }
  height_field_free(&made);
}

TEST_F(TerrainLoad, BrightShadingSaturatesInTheFullIntensityFile) {
  HeightField made;
  height_field_create(&made, FIXTURE_EXPONENT, 1.0f);
  for (int k = 0; k < made.N * made.N * 3; k++) made.shading[k] = (uint8_t)(k % 3 == 0 ? 200 : 60);
  for (int k = 0; k < made.T * made.T; k++) made.tile_map[k] = 0;
  std::string dir = track_dir("bright");
  write_text(dir + "/texturelist", "grass.png\n");
  ASSERT_TRUE(height_field_save(&made, "@tracks/bright", true));
  // Without the half-intensity file the loader halves shading.ppm.
  ASSERT_EQ(unlink((dir + "/shadingx2.ppm").c_str()), 0);
  data_rescan();
  ASSERT_TRUE(load("bright"));
  EXPECT_EQ(hf.shading[0], 127);
  EXPECT_EQ(hf.shading[1], 60);
  height_field_free(&hf);
  height_field_free(&made);
}

}  // namespace
