// The generated game data as the game meets it: generated the same way
// every time, named by the digests built into the game, complete, and with
// collision shapes that fit the bike.
#include <gtest/gtest.h>

#include "../support/test_support.h"
#include "assets/shape.h"
#include "bike/catalogue.h"
#include "datagen.h"
#include "files/archive.h"
#include "files/data.h"
#include "files/digest.h"
#include "files/stream.h"
#include "gamedata_digests.h"
#include "track/track.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <unistd.h>

namespace {

std::string bin_dir() { return getenv("KX_BIN_DIR"); }

// Search folders: an empty home, then the build's installation folder.
struct InstalledData : ::testing::Test {
  TempFolder home{"kx_datagen"};
  DataFolderScope scope{home.root, bin_dir()};
};

int generate(const std::string& stage, const std::string& archive, const std::string& digests) {
  std::string cmd = bin_dir() + "/kestrix-datagen generate " + stage + " " + archive + " " + digests;
  return system(cmd.c_str());
}

TEST(Generation, TwiceGivesIdenticalBytes) {
  TempFolder a{"kx_datagen"}, b{"kx_datagen"};
  ASSERT_EQ(generate(a.path("stage"), a.path("zzzz.saf"), a.path("digests.cpp")), 0);
  ASSERT_EQ(generate(b.path("stage"), b.path("zzzz.saf"), b.path("digests.cpp")), 0);
  std::string first = read_file(a.path("zzzz.saf")), second = read_file(b.path("zzzz.saf"));
  ASSERT_GT(first.size(), 1048576u);
  EXPECT_LT(first.size(), 64u * 1048576u);
  EXPECT_TRUE(first == second);
  // And the same bytes the build shipped beside the game.
  EXPECT_TRUE(first == read_file(bin_dir() + "/zzzz.saf"));
  EXPECT_EQ(read_file(a.path("digests.cpp")), read_file(b.path("digests.cpp")));
  EXPECT_NE(read_file(a.path("digests.cpp")).find(game_data_digest_hex), std::string::npos);
}

TEST(Generation, LeavesForeignFoldersAlone) {
  TempFolder dir{"kx_datagen"};
  std::string precious = dir.path("precious");
  FILE* f = fopen(precious.c_str(), "w");
  ASSERT_TRUE(f);
  fclose(f);
  EXPECT_NE(generate(dir.root, dir.path("zzzz.saf"), dir.path("d.cpp")), 0);
  EXPECT_EQ(access(precious.c_str(), F_OK), 0);
  EXPECT_NE(access(dir.path("zzzz.saf").c_str(), F_OK), 0);
}

TEST_F(InstalledData, BuiltInDigestsNameTheShippedData) {
  EXPECT_EQ(strlen(game_data_digest_hex), 40u);
  EXPECT_TRUE(game_data_in_folder((bin_dir() + "/").c_str(), game_data_digest_hex));
  EXPECT_EQ(find_game_data(game_data_digest_hex), 1);
  EXPECT_TRUE(stock_shapes_match(stock_shapes_digest_hex));
  // A changed first megabyte is not our data.
  TempFolder other{"kx_datagen"};
  std::string bytes = read_file(bin_dir() + "/zzzz.saf");
  bytes[1000] ^= 1;
  other.write("zzzz.saf", bytes);
  EXPECT_FALSE(game_data_in_folder((other.root + "/").c_str(), game_data_digest_hex));
}

TEST_F(InstalledData, ArchiveHoldsTheSharedFiles) {
  const char* names[] = {
      "generic_frame.shp", "generic_fork_upper.shp", "generic_fork_lower.shp", "generic_swingarm.shp",
      "front_wheel.shp",   "rear_wheel.shp",         "generic_rider.shp",      "startgate.zm",
      "startgate.ppm",     "startgate.shp",          "roost.png",              "colors/white.png",
      "sky-n.ppm",         "sky-e.ppm",              "sky-s.ppm",              "sky-w.ppm",
      "sky-u.ppm",         "sky-env.ppm",            "kestrix_cup.series",
  };
  for (const char* name : names) EXPECT_NE(data_find(name), nullptr) << name;
  const char* track_files[] = {"terrain.hf", "shading.ppm", "shadows.pgm", "tileinfo", "tilemap", "decals",
                               "lighting", "timing_gates", "statues", "billboards", "flaggers", "cameras",
                               "map.png", "desc"};
  for (const char* track : {"rabbithill", "harborarena"}) {
    for (const char* file : track_files) {
      std::string name = std::string(track) + "/" + file;
      EXPECT_NE(data_find(name.c_str()), nullptr) << name;
    }
  }
}

// Every name a loaded track refers to is in the data, so nothing falls
// back to a missing texture, model or shape.
TEST_F(InstalledData, TracksReferToShippedFilesOnly) {
  for (const char* folder : {"rabbithill", "harborarena"}) {
    Track* track = (Track*)calloc(1, sizeof(Track));
    TrackLoadOptions options = {};
    ASSERT_TRUE(track_load(track, folder, folder, &options)) << folder;
    std::set<std::string> names;
    auto add = [&names](const char* name) {
      if (name && name[0]) names.insert(name);
    };
    for (int s = 0; s < track->statues.count; s++) {
      const Statue* statue = array_at<Statue>(&track->statues, s);
      add(statue->model_name);
      add(statue->texture);
      add(statue->shape_name);
      if (statue->shape_name) {
        EXPECT_NE(statue->shape, nullptr) << statue->shape_name;
      }
    }
    for (int b = track->first_track_billboard; b < track->billboards.count; b++)
      add(array_at<Billboard>(&track->billboards, b)->texture);
    for (int f = 0; f < track->flaggers.count; f++) {
      const Flagger* flagger = array_at<Flagger>(&track->flaggers, f);
      add(flagger->textures[0]);
      add(flagger->textures[1]);
      EXPECT_GE(flagger->gates[0], 0) << folder;
    }
    for (int k = 0; k < 2; k++) {
      ASSERT_GE(track->special_flaggers[k].billboard, 0) << folder;
      for (int t = 0; t < track->special_flaggers[k].texture_count; t++) add(track->special_flaggers[k].textures[t]);
    }
    for (int f = 0; f < SKY_FACES; f++) add(track->lighting.sky[f]);
    add(track->lighting.sky_env);
    for (int f = 0; f < track->lighting.flares.count; f++) {
      const LensFlare* flare = array_at<LensFlare>(&track->lighting.flares, f);
      for (int e = 0; e < flare->element_count; e++) add(flare->elements[e].texture);
    }
    const HeightField* hf = &track->terrain;
    for (int t = 0; t < hf->surface_type_count; t++) {
      add(hf->surface_types[t].texture);
      for (int r = 0; r < ROOST_EMITTERS; r++)
        if (hf->surface_types[t].roost[r].kind) add(hf->surface_types[t].roost[r].texture);
    }
    for (int d = 0; d < hf->decals.count; d++) add(array_at<TerrainDecal>(&hf->decals, d)->texture);
    EXPECT_GE(hf->surface_type_count, 3) << folder;
    EXPECT_GT(hf->decals.count, 0) << folder;
    EXPECT_GE(track->cameras.count, 8) << folder;
    EXPECT_EQ(track->lighting.flares.count, 1) << folder;
    for (const std::string& name : names) {
      ASSERT_EQ(name[0], '@') << name;
      EXPECT_NE(data_find(name.c_str() + 1), nullptr) << folder << ": " << name;
    }
    // Timing gates are level and keep a sensible spacing.
    ASSERT_GT(track->gate_count, 8);
    for (int g = 0; g < track->gate_count; g++) {
      const TimingGate* a = &track->gates[g];
      const TimingGate* b = &track->gates[(g + 1) % track->gate_count];
      EXPECT_NEAR(a->normal[0] * a->normal[0] + a->normal[2] * a->normal[2], 1.0, 1e-3);
      EXPECT_EQ(a->normal[1], 0.0f);
      EXPECT_GT(hypot(b->position[0] - a->position[0], b->position[2] - a->position[2]), 40) << folder << " gate " << g;
    }
    track_deallocate(track);
    free(track);
  }
}

TEST_F(InstalledData, RabbitHillSpacesItsGatesAndCamerasOverTheLap) {
  Track* track = (Track*)calloc(1, sizeof(Track));
  TrackLoadOptions options = {};
  ASSERT_TRUE(track_load(track, "rabbithill", "Rabbit Hill", &options));
  EXPECT_EQ(track->start_slot_count, 40);
  EXPECT_EQ(track->terrain.n, 9);
  EXPECT_NEAR(track->terrain.s, 1.25, 0.01);
  double lap = 0;
  for (int g = 0; g < track->gate_count; g++) {
    const TimingGate* a = &track->gates[g];
    const TimingGate* b = &track->gates[(g + 1) % track->gate_count];
    double d = hypot(b->position[0] - a->position[0], b->position[2] - a->position[2]);
    lap += d;
    EXPECT_LE(d, 250) << "gate " << g;  // straight-line distance: at most the course distance
  }
  EXPECT_GT(lap / track->gate_count, 120);
  // Every gate shows on some camera.
  int mapped = 0;
  for (int g = 0; g < track->gate_count; g++) mapped += track->gate_camera[g] >= 0;
  EXPECT_EQ(mapped, track->gate_count);
  track_deallocate(track);
  free(track);
}

// The bike's sphere sets sit where the catalogue puts its bodies: wheels
// as tyre-sized rings round the axle, nothing else low enough to touch
// flat ground while the bike stands on its wheels (that would be a crash).
TEST_F(InstalledData, StockShapesFitTheBike) {
  const BikeModel* m = bike_model_at(0);
  ASSERT_TRUE(m);
  struct Body {
    const char* shape;
    const float* centre;
  } bodies[] = {
      {"@generic_frame.shp", m->frame_pos},       {"@generic_fork_upper.shp", m->fork_upper_pos},
      {"@generic_fork_lower.shp", m->fork_lower_pos}, {"@generic_swingarm.shp", m->swingarm_pos},
      {"@generic_rider.shp", m->rider_pos},
  };
  float ground = fminf(m->front_wheel_pos[1] - m->front_wheel_radius - m->front_tire_radius,
                       m->rear_wheel_pos[1] - m->rear_wheel_radius - m->rear_tire_radius);
  for (const Body& body : bodies) {
    const Shape* shape = load_shape(body.shape);
    ASSERT_TRUE(shape) << body.shape;
    ASSERT_GT(shape->count, 2) << body.shape;
    for (int s = 0; s < shape->count; s++) {
      const ShapeSphere* p = &shape->spheres[s];
      EXPECT_GT(body.centre[1] + p->y - p->r, ground + 0.5) << body.shape << " sphere " << s;
      EXPECT_GE(p->k, 1000) << body.shape;
      EXPECT_LE(p->k, 30000) << body.shape;
      EXPECT_GE(p->c, 100) << body.shape;
      EXPECT_LE(p->c, 3000) << body.shape;
      EXPECT_GT(p->mu, 0) << body.shape;
    }
    EXPECT_LT(shape->radius, 3.0f) << body.shape;
  }
  struct Wheel {
    const char* shape;
    float radius, tire;
  } wheels[] = {{"@front_wheel.shp", m->front_wheel_radius, m->front_tire_radius},
                {"@rear_wheel.shp", m->rear_wheel_radius, m->rear_tire_radius}};
  for (const Wheel& w : wheels) {
    const Shape* shape = load_shape(w.shape);
    ASSERT_TRUE(shape) << w.shape;
    EXPECT_GE(shape->count, 12) << w.shape;
    for (int s = 0; s < shape->count; s++) {
      const ShapeSphere* p = &shape->spheres[s];
      EXPECT_NEAR(p->x, 0, 1e-4) << w.shape;
      EXPECT_NEAR(hypotf(p->y, p->z), w.radius, 1e-3) << w.shape;
      EXPECT_NEAR(p->r, w.tire, 1e-3) << w.shape;
    }
  }
  // The lower fork carries the front axle, the swing arm the rear one.
  const Shape* fork = load_shape("@generic_fork_lower.shp");
  const Shape* arm = load_shape("@generic_swingarm.shp");
  ASSERT_TRUE(fork && arm);
  auto nearest = [](const Shape* shape, const float* centre, const float* point) {
    float best = 1e9f;
    for (int s = 0; s < shape->count; s++) {
      const ShapeSphere* p = &shape->spheres[s];
      float dy = centre[1] + p->y - point[1], dz = centre[2] + p->z - point[2];
      best = fminf(best, hypotf(dy, dz));
    }
    return best;
  };
  EXPECT_LT(nearest(fork, m->fork_lower_pos, m->front_wheel_pos), 0.1f);
  EXPECT_LT(nearest(arm, m->swingarm_pos, m->rear_wheel_pos), 0.1f);
  EXPECT_LT(nearest(arm, m->swingarm_pos, m->swingarm_pivot), 0.1f);
}

TEST_F(InstalledData, SeriesRunsOverShippedTracks) {
  Stream* in = data_open("@kestrix_cup.series", "rb");
  ASSERT_TRUE(in);
  char title[1024];
  ASSERT_EQ(stream_scanf(in, " \"%1023[^\"]\"", title), 1);
  int riders = 0, events = 0;
  char skill[1024];
  ASSERT_EQ(stream_scanf(in, "%d %1023s", &riders, skill), 2);
  EXPECT_GE(riders, 15);
  EXPECT_LE(riders, 39);
  EXPECT_STREQ(skill, "Amateur");
  std::set<int> numbers;
  for (int r = 0; r < riders; r++) {
    int n = -1;
    ASSERT_EQ(stream_scanf(in, "%d", &n), 1);
    EXPECT_GE(n, 20);
    EXPECT_LE(n, 99);
    numbers.insert(n);
  }
  EXPECT_EQ((int)numbers.size(), riders);
  ASSERT_EQ(stream_scanf(in, "%d", &events), 1);
  EXPECT_EQ(events, 8);
  int rounds = 0;
  for (int e = 0; e < events; e++) {
    char name[1024], folder[1024];
    int minutes, laps;
    ASSERT_EQ(stream_scanf(in, " \"%1023[^\"]\" %1023s %d %d", name, folder, &minutes, &laps), 4) << e;
    std::string terrain = std::string(folder) + "/terrain.hf";
    EXPECT_NE(data_find(terrain.c_str()), nullptr) << folder;
    EXPECT_GT(minutes * 60 + laps, 0);
    int points[80];
    for (int p = 0; p < 80; p++) ASSERT_EQ(stream_scanf(in, "%d", &points[p]), 1) << e;
    for (int p = 1; p < 40; p++) EXPECT_LE(points[p], points[p - 1]);
    EXPECT_GT(points[0], 0);
    rounds += points[40] != 0;
    // Two motos make a round: every second event ends one.
    EXPECT_EQ(points[40] != 0, e % 2 == 1) << e;
  }
  EXPECT_EQ(rounds, 4);
  data_close(in);
}

}  // namespace
