// The track's object files read from text: timing gates with their
// references, flaggers, billboard colours, statue orientation, lighting and
// cameras; and the writers read back.
#include "track/track.h"

#include "../terrain/track_fixture.h"
#include "files/stream.h"

#include <cmath>

namespace {

class TrackFiles : public TrackFolderTest {
 protected:
  Track track;
  TrackLoadOptions options = {};

  void SetUp() override {
    TrackFolderTest::SetUp();
    track_create_empty(&track, "tracks/t", FIXTURE_EXPONENT, 2.0f);
    // A slope: height = x / 4 + z / 8.
    HeightField* hf = &track.terrain;
    for (int j = 0; j < hf->N; j++)
      for (int i = 0; i < hf->N; i++) hf->heights[j * hf->N + i] = (float)i * hf->s / 4 + (float)j * hf->s / 8;
    std::string dir = track_dir("t");
    write_text(dir + "/gate.zm", "3 1\n0 0 0 0 1 0 0 0\n1 0 0 0 1 0 1 0\n0 0 1 0 1 0 0 1\n0 1 2\n");
    write_text(dir + "/gate.shp", "1\n0 1 0 0.5 1 2500 250\n");
    write_text(data + "/startgate.zm", "3 1\n0 0 0 0 1 0 0 0\n1 0 0 0 1 0 1 0\n0 0 1 0 1 0 0 1\n0 1 2\n");
    write_text(data + "/startgate.shp", "1\n0 0 0 2 1 2500 250\n");
  }
  void TearDown() override {
    track_deallocate(&track);
    TrackFolderTest::TearDown();
  }

  template <typename F> void read_text(const std::string& text, F reader) {
    Stream* stream = stream_open_memory(text.data(), text.size());
    reader(stream);
    data_close(stream);
  }
  void gates(const std::string& text) {
    read_text(text, [&](Stream* s) { read_timing_gates(&track, s, &options); });
  }
  const Statue* statue(int k) { return array_at<Statue>(&track.statues, k); }
  const Billboard* billboard(int k) { return array_at<Billboard>(&track.billboards, k); }
  std::vector<int> first_lap() { return std::vector<int>(track.first_lap, track.first_lap + track.first_lap_count); }
  std::vector<int> normal_lap() {
    return std::vector<int>(track.normal_lap, track.normal_lap + track.normal_lap_count);
  }
};

TEST_F(TrackFiles, TimingGatesWithStartingGateSlots) {
  gates(
      "startinggate:\n"
      "[ 10 0.5 20 ] 0.5 @tracks/t/gate.zm @tracks/t/gate.png @tracks/t/gate.shp\n"
      "[ 30 0 40 ] 4\n"
      "[ 50 0 60 ] -1 null null null\n"
      "checkpoints:\n"
      "4 [ 1 2 3 ] [ 1 0 0 ]\n"
      "5 [ 4 5 6 ] [ 0 0 1 ]\n"
      "6 [ 7 8 9 ] [ -1 0 0 ]\n"
      "firstlap:\n0 1 2\n"
      "normallap:\n0 100001 2 1\n");
  ASSERT_EQ(track.start_slot_count, 3);
  const StartSlot* s = track.start_slots;
  EXPECT_FLOAT_EQ(s[0].angle, 0.5f);
  EXPECT_STREQ(s[0].model, "@tracks/t/gate.zm");
  EXPECT_FLOAT_EQ(s[1].angle, (float)(4.0 - 2 * M_PI));  // wrapped into [-pi, pi]
  EXPECT_STREQ(s[1].model, "@startgate.zm");
  EXPECT_STREQ(s[1].texture, "@startgate.ppm");
  EXPECT_STREQ(s[1].shape, "@startgate.shp");
  EXPECT_EQ(s[2].model, nullptr);
  ASSERT_EQ(track.statues.count, 3);
  for (int k = 0; k < 3; k++) EXPECT_EQ(s[k].statue, k);
  const Statue* g = statue(0);
  EXPECT_FLOAT_EQ(g->x, 10 - 3 * sinf(0.5f));
  EXPECT_FLOAT_EQ(g->z, 20 - 3 * cosf(0.5f));
  EXPECT_NEAR(g->y, g->x / 4 + g->z / 8 + 0.5f, 1e-4);
  EXPECT_NE(g->model, nullptr);
  ASSERT_NE(g->shape, nullptr);
  EXPECT_FLOAT_EQ(g->shape->radius, 1.5f);
  EXPECT_NE(statue(1)->shape, nullptr);  // the default start gate shape
  EXPECT_EQ(statue(2)->model, nullptr);
  EXPECT_EQ(statue(2)->shape, nullptr);

  ASSERT_EQ(track.gate_count, 3);
  EXPECT_FLOAT_EQ(track.gates[1].size, 5.0f);
  EXPECT_FLOAT_EQ(track.gates[2].position[2], 9.0f);
  EXPECT_FLOAT_EQ(track.gates[2].normal[0], -1.0f);
  EXPECT_EQ(first_lap(), std::vector<int>({0, 1, 2}));
  EXPECT_EQ(normal_lap(), std::vector<int>({0, 100001, 2, 1}));
  EXPECT_EQ(track.first_lap_real, 3);
  EXPECT_EQ(track.normal_lap_real, 3);
  EXPECT_TRUE(messages().empty());
}

TEST_F(TrackFiles, GateReferencesAreLimitedAndTheFileMustHaveRealGates) {
  struct Case {
    const char* laps;
    int gate_count;
    std::vector<int> first, normal;
  };
  const Case cases[] = {
      {"firstlap: 0 1 normallap: 100003 -4 5", 2, {0, 1}, {100001, 0, 1}},
      {"firstlap: 1 normallap: 100000 0 200007", 2, {1}, {100000, 0, 100001}},
      {"firstlap: 0 normallap: 100000 100001", 0, {}, {}},  // only flagged: no timing gates
      {"firstlap: 100001 normallap: 0", 0, {}, {}},
      {"firstlap: normallap: 0 1", 0, {}, {}},
      {"firstlap: 0 1", 0, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.laps);
    track_deallocate(&track);
    track_create_empty(&track, "tracks/t", FIXTURE_EXPONENT, 2.0f);
    gates(std::string("checkpoints:\n1 [0 0 0] [1 0 0]\n2 [5 0 0] [1 0 0]\n") + c.laps + "\n");
    EXPECT_EQ(track.gate_count, c.gate_count);
    EXPECT_EQ(first_lap(), c.first);
    EXPECT_EQ(normal_lap(), c.normal);
    EXPECT_EQ(track.start_slot_count, 0);
  }
  track_deallocate(&track);
  track_create_empty(&track, "tracks/t", FIXTURE_EXPONENT, 2.0f);
  gates("startinggate:\n[ 1 0 1 ] 0\ncheckpoints:\nfirstlap: 0\nnormallap: 0\n");
  EXPECT_EQ(track.gate_count, 0);  // no gate at all
  EXPECT_EQ(track.start_slot_count, 1);
}

TEST_F(TrackFiles, FlaggersWithGateLimits) {
  gates("checkpoints:\n1 [0 0 0] [1 0 0]\n2 [5 0 0] [1 0 0]\nfirstlap: 0 1\nnormallap: 0 1\n");
  read_text(
      "[ 10 2 10 ] [ 11 2 11 ] 3 0.5\n a.png b.png c.png d.png e.png\n"
      "[ 20 1 20 ] 4 0.25 f.png g.png h.png i.png\n"
      "[ 30 0 30 ] 5 1 -7 0 1 9 j.png k.png\n"
      "[ 40 0 40 ] 5 1 -1 -1 -1 -1 l.png m.png\n"
      "[ 50 0 50 ] 5 1 0 0 0 0 n.png\n",
      [&](Stream* s) { read_flaggers(&track, s); });
  const SpecialFlagger* f = track.special_flaggers;
  ASSERT_EQ(f[0].billboard, 0);
  EXPECT_FLOAT_EQ(f[0].scale, 1.0f);  // not given
  EXPECT_FLOAT_EQ(f[0].second_point[2], 11.0f);
  EXPECT_STREQ(f[0].textures[4], "e.png");
  EXPECT_STREQ(billboard(0)->texture, "a.png");
  EXPECT_FLOAT_EQ(billboard(0)->size, 3.0f);
  EXPECT_NEAR(billboard(0)->y, 10.0f / 4 + 10.0f / 8 + 2, 1e-4);
  ASSERT_EQ(f[1].billboard, 1);
  EXPECT_STREQ(f[1].textures[0], "f.png");
  EXPECT_FLOAT_EQ(billboard(1)->aspect, 0.25f);
  ASSERT_EQ(track.flaggers.count, 2);  // the record without its second texture ends the file
  const Flagger* flagger = array_at<Flagger>(&track.flaggers, 0);
  EXPECT_EQ(flagger->billboard, 2);
  EXPECT_EQ(std::vector<int>(flagger->gates, flagger->gates + 4), std::vector<int>({-1, 0, 1, 1}));
  EXPECT_STREQ(flagger->textures[1], "k.png");
}

TEST_F(TrackFiles, FlaggersWithAnIncompleteHeaderAreAbsent) {
  read_text("[ 10 2 10 ] [ 11 2 11 ] 3 0.5 1 a.png b.png\n", [&](Stream* s) { read_flaggers(&track, s); });
  EXPECT_EQ(track.special_flaggers[0].billboard, -1);
  EXPECT_EQ(track.special_flaggers[1].billboard, -1);
  EXPECT_EQ(track.billboards.count, 0);
}

TEST_F(TrackFiles, BillboardColoursFromTheName) {
  read_text(
      "[ 8 1 16 ] 2 0.5 #ff0000#@tracks/t/sign.png\n"
      "[ 0 0 0 ] 1 1 #ff00#sign.png\n"
      "[ 0 0 0 ] 1 1 #12ab9F#\n"
      "[ 0 0 0 ] 1 1 #12ag9F#x.png\n"
      "[ 0 0 0 ] 1 1 plain.png\n"
      "[ 0 0 ] 1 1 broken.png\n"
      "[ 0 0 0 ] 1 1 unread.png\n",
      [&](Stream* s) { read_billboards(&track, s); });
  ASSERT_EQ(track.billboards.count, 5);
  struct Case {
    const char* texture;
    uint8_t r, g, b;
  };
  const Case cases[] = {{"@tracks/t/sign.png", 255, 0, 0},
                        {"#ff00#sign.png", 255, 255, 255},
                        {nullptr, 0x12, 0xab, 0x9f},
                        {"#12ag9F#x.png", 255, 255, 255},
                        {"plain.png", 255, 255, 255}};
  for (int k = 0; k < 5; k++) {
    SCOPED_TRACE(k);
    const Billboard* b = billboard(k);
    if (cases[k].texture)
      EXPECT_STREQ(b->texture, cases[k].texture);
    else
      EXPECT_EQ(b->texture, nullptr);
    EXPECT_EQ(b->colour[0], cases[k].r);
    EXPECT_EQ(b->colour[1], cases[k].g);
    EXPECT_EQ(b->colour[2], cases[k].b);
    EXPECT_EQ(b->colour[3], 255);
  }
  EXPECT_FLOAT_EQ(billboard(0)->y, 8.0f / 4 + 16.0f / 8 + 1);
  EXPECT_FLOAT_EQ(billboard(0)->height, 1.0f);
}

TEST_F(TrackFiles, StatueAnglesAndOrientation) {
  read_text(
      "[ 20 0 20 ] 4 @tracks/t/gate.zm null @tracks/t/gate.shp\n"
      "[ 20 1 20 ] -7 @tracks/t/gate.zm null null\n"
      "[ 20 0 20 ] 0.3 @tracks/t/gate.zm tex.png @tracks/t/missing.shp\n"
      "[ 20 0 20 ] 0 @tracks/t/nothing.zm null null\n"
      "[ 1 2 ] 0 a b c\n"
      "[ 20 0 20 ] 0 @tracks/t/gate.zm null null\n",  // after the broken record: not read
      [&](Stream* s) { read_statues(&track, s, false); });
  ASSERT_EQ(track.statues.count, 4);
  // Angle 4: unrotated, extra 2^4.
  const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  for (int k = 0; k < 9; k++) EXPECT_EQ(statue(0)->orientation[k], identity[k]);
  EXPECT_FLOAT_EQ(statue(0)->extra, 16.0f);
  EXPECT_NE(statue(0)->shape, nullptr);
  // Angle -7: upright, turned by -7 radians.
  const float* m = statue(1)->orientation;
  EXPECT_FLOAT_EQ(m[0], cosf(-7.0f));
  EXPECT_FLOAT_EQ(m[2], -sinf(-7.0f));
  EXPECT_EQ(m[3], 0.0f);
  EXPECT_EQ(m[4], 1.0f);
  EXPECT_EQ(m[5], 0.0f);
  EXPECT_FLOAT_EQ(statue(1)->extra, 0.0f);
  EXPECT_FLOAT_EQ(statue(1)->y, 20.0f / 4 + 20.0f / 8 + 1);
  EXPECT_EQ(statue(1)->shape, nullptr);
  // Angle 0.3: its up axis is the slope's normal (-1/4, 1, -1/8) normalised.
  m = statue(2)->orientation;
  float length = sqrtf(1.0f / 16 + 1 + 1.0f / 64);
  EXPECT_NEAR(m[3], -0.25f / length, 1e-4);
  EXPECT_NEAR(m[4], 1.0f / length, 1e-4);
  EXPECT_NEAR(m[5], -0.125f / length, 1e-4);
  EXPECT_FLOAT_EQ(m[0], cosf(0.3f));
  EXPECT_STREQ(statue(2)->texture, "tex.png");
  EXPECT_EQ(statue(2)->shape, nullptr);
  EXPECT_EQ(statue(3)->model, nullptr);
  EXPECT_STREQ(statue(3)->model_name, "@tracks/t/nothing.zm");
  EXPECT_EQ(messages(), std::vector<std::string>({"Warning: missing shape file @tracks/t/missing.shp"}));
}

TEST_F(TrackFiles, StatueCompanionMapsInShaderMode) {
  std::string dir = track_dir("t");
  write_text(dir + "/rock-repeat.png", "x");
  write_text(dir + "/rock_norm-repeat.ppm", "x");
  write_text(dir + "/gate_spec.png", "x");
  read_text("[ 20 0 20 ] 0 @tracks/t/gate.zm @tracks/t/rock-repeat.png null\n",
            [&](Stream* s) { read_statues(&track, s, true); });
  ASSERT_EQ(track.statues.count, 1);
  EXPECT_STREQ(statue(0)->normal_map, "@tracks/t/rock_norm-repeat.ppm");
  EXPECT_STREQ(statue(0)->specular_map, "@tracks/t/gate_spec.png");
}

TEST_F(TrackFiles, StatueGridCoversTheMiddleOfTheTerrain) {
  // W = 128; cell = clamp(floor((p / 128 - 0.125) * 32 / 3), 0, 7).
  EXPECT_EQ(statue_cell_of(&track, 0.0f), 0);
  EXPECT_EQ(statue_cell_of(&track, 16.0f), 0);
  EXPECT_EQ(statue_cell_of(&track, 28.0f), 1);
  EXPECT_EQ(statue_cell_of(&track, 64.0f), 4);
  EXPECT_EQ(statue_cell_of(&track, 111.9f), 7);
  EXPECT_EQ(statue_cell_of(&track, 500.0f), 7);
  EXPECT_EQ(statue_cell_of(&track, NAN), 0);
  read_text(
      "[ 64 0 64 ] 0 null null @tracks/t/gate.shp\n"    // radius 1.5: cells 3..4 in x and z
      "[ 10 0 100 ] 0 null null @tracks/t/gate.shp\n"   // x cell 0, z cell 6
      "[ 64 0 64 ] 0 null null null\n",                 // no shape: not in the grid
      [&](Stream* s) { read_statues(&track, s, false); });
  rebuild_statue_grid(&track);
  auto cell = [&](int a, int b) {
    std::vector<int> list;
    const Array* c = &track.statue_cells[b * STATUE_CELLS + a];
    for (int k = 0; k < c->count; k++) list.push_back(*array_at<int>(c, k));
    return list;
  };
  for (int b = 3; b <= 4; b++)
    for (int a = 3; a <= 4; a++) EXPECT_EQ(cell(a, b), std::vector<int>({0}));
  EXPECT_EQ(cell(0, 6), std::vector<int>({1}));
  EXPECT_EQ(cell(5, 4), std::vector<int>());
}

TEST_F(TrackFiles, LightingKeywordsDefaultsAndUnknownStop) {
  lighting_defaults(&track.lighting);
  read_text(
      "sun_vector [ 0 2 0 ]\n"
      "   \n"
      "ambient [0.1 0.2 0.3]\n"
      "sky_n  @my sky.ppm  \r\n"
      "flare_element [ 1 2 ] [ 0.5 0.5 0.5 ] 3 @flare.png\n"
      "flare_element [ 1 2 ] [ 0.5 0.5 ] 3 @broken.png\n"
      "flare_point [ 100 200 300 ]\n"
      "flare_vector [ 0 1 0 ]\n"
      "fog [ 0.5 0.6 0.7 ] 0.01\n"
      "dynamic_lighting 1\n"
      "near_plane 2\n"
      "far_plane 0.5\n"
      "sunny yes\n"
      "global_ambient [ 1 1 1 ]\n",
      [&](Stream* s) { read_lighting(&track, s); });
  finish_lighting(&track.lighting);
  const Lighting& l = track.lighting;
  EXPECT_EQ(messages(), std::vector<std::string>({"Error reading lighting: Unknown identifier 'sunny'\n"}));
  EXPECT_FLOAT_EQ(l.sun_vector[1], 1.0f);
  EXPECT_FLOAT_EQ(l.ambient[2], 0.3f);
  EXPECT_FLOAT_EQ(l.global_ambient[0], 0.2f);  // after the unknown keyword: not applied
  EXPECT_STREQ(l.sky[0], "@my sky.ppm");
  EXPECT_STREQ(l.sky[1], "@sky-e.ppm");
  EXPECT_STREQ(l.sky_env, "@sky-env.ppm");
  ASSERT_EQ(l.flares.count, 2);
  const LensFlare* flare = array_at<LensFlare>(&l.flares, 0);
  EXPECT_FALSE(flare->directional);
  EXPECT_FLOAT_EQ(flare->position[2], 300.0f);
  ASSERT_EQ(flare->element_count, 1);
  EXPECT_STREQ(flare->elements[0].texture, "@flare.png");
  EXPECT_TRUE(array_at<LensFlare>(&l.flares, 1)->directional);
  EXPECT_EQ(array_at<LensFlare>(&l.flares, 1)->element_count, 0);
  EXPECT_FLOAT_EQ(l.fog_density, 0.01f);
  EXPECT_FLOAT_EQ(l.fog_colour[1], 0.6f);
  EXPECT_TRUE(l.dynamic_lighting);
  EXPECT_FLOAT_EQ(l.near_plane, 0.875f);
  EXPECT_FLOAT_EQ(l.far_plane, 0.875f);
}

TEST_F(TrackFiles, LightingDefaultsAndPlaneLimits) {
  struct Case {
    const char* text;
    float near_plane, far_plane, sun_x;
  };
  const float unit = 1.0f / sqrtf(3.0f);
  const Case cases[] = {
      {"", 0.25f, 5000.0f, unit},
      {"near_plane 0\nfar_plane 1e9\n", 1.0f / 1024, 1048576.0f, unit},
      {"near_plane 0.5\nfar_plane 100\nsun_vector [ 0 0 0 ]\n", 0.5f, 100.0f, unit},
      {"sun_vector [ 3 0 4 ]\n", 0.25f, 5000.0f, 0.6f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    lighting_defaults(&track.lighting);
    read_text(c.text, [&](Stream* s) { read_lighting(&track, s); });
    finish_lighting(&track.lighting);
    EXPECT_FLOAT_EQ(track.lighting.near_plane, c.near_plane);
    EXPECT_FLOAT_EQ(track.lighting.far_plane, c.far_plane);
    EXPECT_FLOAT_EQ(track.lighting.sun_vector[0], c.sun_x);
  }
}

TEST_F(TrackFiles, CamerasFovAndGateTable) {
  read_text(
      "gate 3 7 300 9\n"
      "fov -60\nautofovsize -12\n"
      "addcamera 10 5 20\n"
      "rubbish line\n"
      "gate 0 255\n"
      "addcamera 30 0 40\n"
      "fov 45\n",
      [&](Stream* s) { read_cameras(&track, s); });
  ASSERT_EQ(track.cameras.count, 2);
  const TrackCamera* a = array_at<TrackCamera>(&track.cameras, 0);
  const TrackCamera* b = array_at<TrackCamera>(&track.cameras, 1);
  EXPECT_FLOAT_EQ(a->fov, 60.0f);
  EXPECT_FLOAT_EQ(a->auto_fov_size, 12.0f);
  EXPECT_FLOAT_EQ(a->y, 10.0f / 4 + 20.0f / 8 + 5);
  EXPECT_FLOAT_EQ(b->fov, 90.0f);  // reset after each camera; the last fov has no camera
  EXPECT_FLOAT_EQ(b->auto_fov_size, 0.0f);
  EXPECT_EQ(track.gate_camera[3], 0);
  EXPECT_EQ(track.gate_camera[7], 0);
  EXPECT_EQ(track.gate_camera[9], -1);  // after 300 the list stops
  EXPECT_EQ(track.gate_camera[0], 1);
  EXPECT_EQ(track.gate_camera[255], 1);
  EXPECT_EQ(track.gate_camera[1], -1);
}

TEST_F(TrackFiles, WrittenObjectFilesReadBack) {
  gates("startinggate:\n[ 10 0.5 20 ] 0.5 @tracks/t/gate.zm null @tracks/t/gate.shp\n[ 30 0 40 ] -2\n"
        "checkpoints:\n4 [ 1 2 3 ] [ 1 0 0 ]\n5 [ 4 5 6 ] [ 0 0 1 ]\nfirstlap:\n0 1\nnormallap:\n100000 1\n");
  read_text("[ 8 1 16 ] 2 0.5 #0a0b0c#@sign.png\n[ 1 2 3 ] 4 5 plain.png\n",
            [&](Stream* s) { read_billboards(&track, s); });
  read_text("[ 20 3 20 ] 1.25 @tracks/t/gate.zm null @tracks/t/gate.shp\n",
            [&](Stream* s) { read_statues(&track, s, false); });
  ASSERT_TRUE(write_timing_gates("@tracks/out", track.start_slots, track.start_slot_count, track.gates,
                                 track.gate_count, track.first_lap, track.first_lap_count, track.normal_lap,
                                 track.normal_lap_count));
  ASSERT_TRUE(write_billboards("@tracks/out", billboard(0), track.billboards.count));
  ASSERT_TRUE(write_statues("@tracks/out", statue(2), 1));

  Track back;
  track_create_empty(&back, "tracks/out", FIXTURE_EXPONENT, 2.0f);
  memcpy(back.terrain.heights, track.terrain.heights, sizeof(float) * 65 * 65);
  for (const char* file : {"timing_gates", "billboards", "statues"}) {
    Stream* s = data_open((std::string("@tracks/out/") + file).c_str(), "rb");
    ASSERT_NE(s, nullptr) << file;
    if (file[0] == 't') read_timing_gates(&back, s, &options);
    if (file[0] == 'b') read_billboards(&back, s);
    if (file[0] == 's') read_statues(&back, s, false);
    data_close(s);
  }
  ASSERT_EQ(back.start_slot_count, 2);
  EXPECT_STREQ(back.start_slots[0].model, "@tracks/t/gate.zm");
  EXPECT_EQ(back.start_slots[0].texture, nullptr);
  EXPECT_STREQ(back.start_slots[1].shape, "@startgate.shp");
  EXPECT_FLOAT_EQ(back.start_slots[1].angle, -2.0f);
  ASSERT_EQ(back.gate_count, 2);
  EXPECT_FLOAT_EQ(back.gates[1].position[1], 5.0f);
  EXPECT_EQ(std::vector<int>(back.normal_lap, back.normal_lap + 2), std::vector<int>({100000, 1}));
  ASSERT_EQ(back.billboards.count, 2);
  const Billboard* b = array_at<Billboard>(&back.billboards, 0);
  EXPECT_EQ(b->colour[1], 0x0b);
  EXPECT_STREQ(b->texture, "@sign.png");
  EXPECT_FLOAT_EQ(b->y, billboard(0)->y);
  ASSERT_EQ(back.statues.count, 3);  // two start gates, then the written statue
  const Statue* s = array_at<Statue>(&back.statues, 2);
  EXPECT_FLOAT_EQ(s->height, 3.0f);
  EXPECT_FLOAT_EQ(s->angle, 1.25f);
  EXPECT_EQ(s->texture, nullptr);
  EXPECT_NE(s->shape, nullptr);
  track_deallocate(&back);
}

}  // namespace
