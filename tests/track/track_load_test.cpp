// Loading whole fixture track folders: every object list, the reserved
// roost billboards, the robot line store, the track hash and its byte
// sequence, the progress and deallocation log lines, failure, and the
// track info report.
#include "track/track.h"

#include "../terrain/track_fixture.h"
#include "files/digest.h"
#include "platform/kuvo.h"
#include "track/track_info.h"

#include <sys/wait.h>

namespace {

const char* const MODEL = "3 1\n0 0 0 0 1 0 0 0\n1 0 0 0 1 0 1 0\n0 0 1 0 1 0 0 1\n0 1 2\n";

class TrackLoad : public TrackFolderTest {
 protected:
  Track track = {};
  TrackLoadOptions options = {};
  std::string dir;

  void SetUp() override {
    TrackFolderTest::SetUp();
    dir = track_dir("full");
    write_minimal_terrain(dir);
    write_text(dir + "/desc", "Full Track\r\nmore text\n");
    write_text(dir + "/lighting", "sun_vector [ 0 1 0 ]\nfar_plane 900\n");
    write_text(dir + "/gate.zm", MODEL);
    write_text(dir + "/rock.zm", std::string(MODEL) + "\n");
    write_text(dir + "/rock.shp", "2\n0 0 0 1 1 2500 250\n0 2 0 1 1 2500 250\n");
    write_text(dir + "/timing_gates",
               "startinggate:\n"
               "[ 60 0 60 ] 0 @tracks/full/gate.zm null null\n"
               "[ 64 0 60 ] 0 @tracks/full/gate.zm null null\n"
               "checkpoints:\n"
               "10 [ 60 0 70 ] [ 0 0 1 ]\n10 [ 100 0 100 ] [ 1 0 0 ]\n10 [ 20 0 100 ] [ -1 0 0 ]\n"
               "firstlap:\n0 1 2\nnormallap:\n1 100002\n");
    write_text(dir + "/flaggers",
               "[ 10 0 10 ] [ 11 0 11 ] 3 0.5 1 f1.png f2.png f3.png f4.png f5.png\n"
               "[ 20 0 20 ] 3 0.5 g1.png g2.png g3.png g4.png\n"
               "[ 30 0 30 ] 3 0.5 0 1 2 -1 h1.png h2.png\n");
    write_text(dir + "/billboards", "[ 40 1 40 ] 2 1 #00ff00#tree.png\n[ 41 1 41 ] 2 1 bush.png\n");
    write_text(dir + "/statues",
               "[ 64 0 64 ] 0 @tracks/full/rock.zm null @tracks/full/rock.shp\n"
               "[ 30 0 90 ] 1 @tracks/full/gate.zm null null\n"
               "[ 90 0 30 ] 2 @tracks/full/rock.zm null @tracks/full/rock.shp\n");
    write_text(dir + "/cameras", "fov 70\naddcamera 50 10 50\ngate 1 2\naddcamera 80 10 80\n");
    write_text(dir + "/map.png", "x");
  }
  void TearDown() override {
    track_deallocate(&track);
    TrackFolderTest::TearDown();
  }

  bool load(const char* name = "tracks/full") { return track_load(&track, name, nullptr, &options); }

  std::string hash_hex() {
    char hex[DIGEST_HEX_SIZE];
    digest_to_hex(track.hash, hex);
    return hex;
  }
};

TEST_F(TrackLoad, EverythingInItsPlace) {
  ASSERT_TRUE(load()) << (messages().empty() ? "" : messages().back());
  EXPECT_TRUE(messages().empty());
  EXPECT_STREQ(track.folder, "tracks/full");
  EXPECT_STREQ(track.display_name, "tracks/full");  // no track list entry given
  EXPECT_FLOAT_EQ(track.lighting.far_plane, 900.0f);
  EXPECT_EQ(track.terrain.N, 65);
  EXPECT_EQ(track.start_slot_count, 2);
  EXPECT_EQ(track.gate_count, 3);
  EXPECT_EQ(track.first_lap_count, 3);
  EXPECT_EQ(track.normal_lap_count, 2);
  // Robot line store: one row per real gate reference of each lap.
  EXPECT_EQ(track.robot_line_rows, 3 + 1);
  ASSERT_NE(track.robot_lines, nullptr);
  EXPECT_EQ(track.robot_lines[4 * ROBOT_LINES_PER_ROW - 1].count, 0);

  // Billboards: 2000 empty ones first, then the flaggers', then the track's.
  ASSERT_EQ(track.billboards.count, ROOST_BILLBOARDS + 3 + 2);
  const Billboard* roost = array_at<Billboard>(&track.billboards, ROOST_BILLBOARDS - 1);
  EXPECT_EQ(roost->texture, nullptr);
  EXPECT_EQ(roost->x, 0.0f);
  EXPECT_EQ(roost->size, 1.0f);
  EXPECT_EQ(roost->aspect, 1.0f);
  EXPECT_EQ(roost->colour[3], 255);
  EXPECT_EQ(track.special_flaggers[0].billboard, ROOST_BILLBOARDS);
  EXPECT_EQ(track.special_flaggers[1].billboard, ROOST_BILLBOARDS + 1);
  ASSERT_EQ(track.flaggers.count, 1);
  const Flagger* flagger = array_at<Flagger>(&track.flaggers, 0);
  EXPECT_EQ(flagger->billboard, ROOST_BILLBOARDS + 2);
  EXPECT_EQ(flagger->gates[2], 2);
  EXPECT_EQ(track.first_track_billboard, ROOST_BILLBOARDS + 3);
  EXPECT_EQ(array_at<Billboard>(&track.billboards, ROOST_BILLBOARDS + 3)->colour[0], 0);

  // Statues: the starting gate's first, then the track's.
  EXPECT_EQ(track.first_track_statue, 2);
  ASSERT_EQ(track.statues.count, 5);
  const Statue* rock = array_at<Statue>(&track.statues, 2);
  ASSERT_NE(rock->shape, nullptr);
  EXPECT_FLOAT_EQ(rock->shape->radius, 3.0f);
  EXPECT_NE(rock->model, nullptr);
  // The statue grid holds the shaped statues only: rock at 64 spans cells 3..4.
  EXPECT_EQ(track.statue_cells[3 * STATUE_CELLS + 3].count, 1);
  int entries = 0;
  for (int c = 0; c < STATUE_CELLS * STATUE_CELLS; c++) entries += track.statue_cells[c].count;
  EXPECT_EQ(entries, 4 + 4);  // the rock at (90, 30): x cells 5..6, z cells 0..1

  ASSERT_EQ(track.cameras.count, 2);
  EXPECT_FLOAT_EQ(array_at<TrackCamera>(&track.cameras, 0)->fov, 70.0f);
  EXPECT_EQ(track.gate_camera[1], 1);
  EXPECT_EQ(track.gate_camera[0], -1);
  EXPECT_STREQ(track.map_texture, "@tracks/full/map.png");
  EXPECT_EQ(track.terrain.decals.count, 0);
}

TEST_F(TrackLoad, HashCoversTheListedFilesAndEachModelOnce) {
  ASSERT_TRUE(load());
  Digest digest;
  digest_init(&digest);
  for (const char* file : {"terrain.hf", "texturelist", "tilemap", "timing_gates", "statues", "gate.zm", "rock.zm"}) {
    std::string bytes = read_file(dir + "/" + file);
    digest_update(&digest, bytes.data(), bytes.size());
  }
  unsigned char expected[DIGEST_SIZE];
  digest_final(&digest, expected);
  EXPECT_EQ(0, memcmp(track.hash, expected, DIGEST_SIZE));
}

TEST_F(TrackLoad, HashIsTheSameForGzipTerrainAndForEmptyOrMissingStatues) {
  ASSERT_TRUE(load());
  std::string plain = hash_hex();
  track_deallocate(&track);

  std::string bytes = read_file(dir + "/terrain.hf");
  write_file(dir + "/terrain.hf.gz", gzip(bytes));
  ::remove((dir + "/terrain.hf").c_str());
  ASSERT_TRUE(load());
  EXPECT_EQ(hash_hex(), plain);
  EXPECT_FLOAT_EQ(sample(&track.terrain, 10, 0), 64.0f * 10000 / 65535.0f);
  track_deallocate(&track);

  write_text(dir + "/statues", "");
  ASSERT_TRUE(load());
  std::string empty = hash_hex();
  EXPECT_NE(empty, plain);
  track_deallocate(&track);
  ::remove((dir + "/statues").c_str());
  ASSERT_TRUE(load());
  EXPECT_EQ(hash_hex(), empty);
}

TEST_F(TrackLoad, LogLinesAtVerbosityOneAndOnDeallocation) {
  LogCapture log;
  options.debug_level = 1;
  ASSERT_TRUE(load());
  track_deallocate(&track);
  kuvo_log(nullptr);
  log.stop();
  std::string text = log.text();
  const char* const lines[] = {"Loading '@tracks/full'\n",
                               "Found 3 timing gates, first lap has 3 gates, normal lap has 2\n",
                               "2 cameras found\n", "Deallocating track\n", "Finished deallocating track\n"};
  size_t at = 0;
  for (const char* line : lines) {
    size_t found = text.find(line, at);
    ASSERT_NE(found, std::string::npos) << line << " in\n" << text;
    at = found;
  }
}

TEST_F(TrackLoad, ABareTerrainFolderLoads) {
  std::string bare = track_dir("bare");
  write_minimal_terrain(bare);
  ASSERT_TRUE(load("tracks/bare"));
  EXPECT_EQ(track.gate_count, 0);
  EXPECT_EQ(track.robot_line_rows, 0);
  EXPECT_EQ(track.billboards.count, ROOST_BILLBOARDS);
  EXPECT_EQ(track.statues.count, 0);
  EXPECT_EQ(track.cameras.count, 0);
  EXPECT_EQ(track.map_texture, nullptr);
  EXPECT_EQ(track.special_flaggers[0].billboard, -1);
  EXPECT_STREQ(track.lighting.sky[4], "@sky-u.ppm");
}

TEST_F(TrackLoad, AFailedTerrainFailsTheTrack) {
  ::remove((dir + "/tilemap").c_str());
  EXPECT_FALSE(track_load(&track, "tracks/full", "Full", &options));
  EXPECT_STREQ(track.folder, "");
  EXPECT_STREQ(track.display_name, "");
  EXPECT_FALSE(track.loaded);
  EXPECT_EQ(messages(), std::vector<std::string>({"Can't open '@tracks/full/tilemap'"}));
  track_deallocate(&track);  // nothing to free, no crash
}

std::string report(const char* folder, int* status) {
  char* text = nullptr;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  *status = track_info_report(folder, out);
  fclose(out);
  std::string result(text, size);
  free(text);
  return result;
}

TEST_F(TrackLoad, TrackInfoReport) {
  write_text(dir + "/statues", "[ 64 0 64 ] 0 @tracks/full/rock.zm null @tracks/full/nope.shp\n");
  int status;
  std::string text = report("tracks/full", &status);
  EXPECT_EQ(status, 0);
  ASSERT_TRUE(load());
  std::string expected = "dir=tracks/full\nlongname=Full Track\nfirstlap=3\nnormallap=2\ngatecount=3\nhash=" +
                         hash_hex() +
                         "\nsurfacetypes=2\nstartslots=2\nstatues=1\nbillboards=2\nflaggers=3\ncameras=2\n"
                         "decals=0\nmessages=1\n  Warning: missing shape file @tracks/full/nope.shp\n";
  EXPECT_EQ(text, expected);

  text = report("tracks/none", &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(text, "Can't load track 'tracks/none'\nmessages=1\n  Can't open '@tracks/none/terrain.hf'\n");
}

TEST_F(TrackLoad, KestrixDataTrackinfoCommand) {
  const char* bin = getenv("KX_BIN_DIR");
  ASSERT_NE(bin, nullptr);
  std::string out = root + "/out.txt";
  int status = system((std::string(bin) + "/kestrix-data trackinfo tracks/full > " + out).c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  ASSERT_TRUE(load());
  std::string text = read_file(out);
  EXPECT_EQ(text.rfind("dir=tracks/full\nlongname=Full Track\n", 0), 0u) << text;
  EXPECT_NE(text.find("hash=" + hash_hex() + "\n"), std::string::npos) << text;
  EXPECT_NE(text.find("statues=3\nbillboards=2\nflaggers=3\ncameras=2\n"), std::string::npos) << text;
  status = system((std::string(bin) + "/kestrix-data trackinfo tracks/missing > " + out).c_str());
  EXPECT_EQ(WEXITSTATUS(status), 1);
}

}  // namespace
