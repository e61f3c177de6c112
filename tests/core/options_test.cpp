#include "core/options.h"

#include "core/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Parsed {
  int status;
  LaunchOptions options;
  std::string err;
};

Parsed parse(std::vector<std::string> args) {
  args.insert(args.begin(), "kestrix");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  Parsed p;
  testing::internal::CaptureStderr();
  p.status = parse_command_line((int)args.size(), argv.data(), &p.options);
  p.err = testing::internal::GetCapturedStderr();
  // Text values point into args, which dies here: keep copies where checked.
  return p;
}

TEST(Options, ErrorsPrintAndFail) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{"--frobnicate"}, "bad option '--frobnicate'\n"},
      {{"a", "b"}, "Too many files!\n"},
      {{"--erode", "lots"}, "Bad arg for --erode\n"},
      {{"--texture-detail=x"}, "Bad arg for --texture-detail\n"},
      {{"--fake-loss", "?"}, "Bad arg for --fake-loss\n"},
      {{"--chase-center", "1,2"}, "Bad arg for --chase-center\n"},
      {{"--lock-fps"}, "Bad arg for --lock-fps\n"},  // valued option with no value
      {{"--quit-after", "-3"}, "Bad arg for --quit-after\n"},
      {{"-x"}, "bad option '-x'\n"},
  };
  for (const Case& c : cases) {
    Parsed p = parse(c.args);
    EXPECT_EQ(p.status, 1) << c.args[0];
    EXPECT_EQ(p.err, c.message) << c.args[0];
  }
}

TEST(Options, ValuesAreReadAndClamped) {
  struct Case {
    std::vector<std::string> args;
    bool (*check)(const LaunchOptions&);
  } cases[] = {
      {{"--width=800", "--height", "640"}, [](const LaunchOptions& o) { return o.width == 800 && o.height == 640; }},
      {{"--width", "wide"}, [](const LaunchOptions& o) { return o.width == LaunchOptions().width; }},
      {{"--texture-detail", "9"},
       [](const LaunchOptions& o) { return o.texture_level_drop == 4 && o.ground_texture_level_drop == 4; }},
      {{"--texture-detail", "2", "--ground-texture-detail", "-1"},
       [](const LaunchOptions& o) { return o.texture_level_drop == 2 && o.ground_texture_level_drop == 0; }},
      {{"--fake-loss", "-5"}, [](const LaunchOptions& o) { return o.fake_loss == 0; }},
      {{"--fake-lag", "2500"}, [](const LaunchOptions& o) { return o.fake_lag == 1.0f; }},
      {{"--fake-lag=250"}, [](const LaunchOptions& o) { return o.fake_lag == 0.25f; }},
      {{"--roostfrequency", "5000"}, [](const LaunchOptions& o) { return o.roost_frequency == 1000; }},
      {{"--erode", "150"}, [](const LaunchOptions& o) { return o.erode == 100.0f; }},
      {{"--lod-scale", "0"}, [](const LaunchOptions& o) { return o.lod_scale == 1e-6f; }},
      {{"--lod-bias", "-7.5"}, [](const LaunchOptions& o) { return o.lod_bias == -7.5f; }},
      {{"--depth", "32bits", "--draw-fps", "x"}, [](const LaunchOptions& o) { return o.depth == 32 && o.draw_fps == 0; }},
      {{"--chase-center", "1,2.5,-3"},
       [](const LaunchOptions& o) { return o.chase_center[0] == 1 && o.chase_center[1] == 2.5f && o.chase_center[2] == -3; }},
      {{"--debug"}, [](const LaunchOptions& o) { return o.debug_level == 1; }},
      {{"--super-debug"}, [](const LaunchOptions& o) { return o.debug_level == 2; }},
      {{"--learn", "--nolearn"}, [](const LaunchOptions& o) { return !o.learn; }},
      {{"--headless", "--quit-after", "2"}, [](const LaunchOptions& o) { return o.headless && o.quit_after == 2.0; }},
      {{"--warp", "--editor", "--hidden-hud"}, [](const LaunchOptions& o) { return o.warp && o.editor && o.hidden_hud; }},
      {{}, [](const LaunchOptions& o) { return o.chase_center[1] == 2.52f && o.depth == 16 && !o.file; }},
  };
  for (const Case& c : cases) {
    Parsed p = parse(c.args);
    EXPECT_EQ(p.status, 0) << (c.args.empty() ? "" : c.args[0]) << p.err;
    EXPECT_TRUE(c.check(p.options)) << (c.args.empty() ? "" : c.args[0]);
  }
}

TEST(Options, TextValuesFilesAndEndOfOptions) {
  std::vector<std::string> args = {"kestrix", "--track", "mudpit", "--", "-odd.qvdemo"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  LaunchOptions o;
  ASSERT_EQ(parse_command_line((int)argv.size(), argv.data(), &o), 0);
  EXPECT_STREQ(o.track, "mudpit");
  EXPECT_STREQ(o.file, "-odd.qvdemo");

  // After "--" nothing matches, not even a known option.
  std::vector<std::string> args2 = {"kestrix", "--", "--warp"};
  argv.clear();
  for (std::string& a : args2) argv.push_back(a.data());
  LaunchOptions o2;
  ASSERT_EQ(parse_command_line((int)argv.size(), argv.data(), &o2), 0);
  EXPECT_FALSE(o2.warp);
  EXPECT_STREQ(o2.file, "--warp");
}

TEST(Options, ConnectStripsSchemeAndDropsTrack) {
  for (const char* address : {"kestrix:race.example.org", "race.example.org"}) {
    std::vector<std::string> args = {"kestrix", "--track", "mudpit", "--connect", address};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    LaunchOptions o;
    ASSERT_EQ(parse_command_line((int)argv.size(), argv.data(), &o), 0);
    EXPECT_STREQ(o.connect, "race.example.org");
    EXPECT_EQ(o.track, nullptr);
  }
}

TEST(Options, BikesIsIgnoredWithANote) {
  Parsed p = parse({"--bikes", "8"});
  EXPECT_EQ(p.status, 0);
  EXPECT_EQ(p.err, "--bikes doesn't do anything anymore\n");
}

TEST(MatchOption, ConsumesWhatItMatches) {
  std::vector<std::string> args = {"--width", "800", "--width=640", "--width"};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  OptionCursor c = {(int)argv.size(), argv.data(), false};
  const char* v = nullptr;
  EXPECT_FALSE(match_option(&c, "--height", true, &v));
  ASSERT_TRUE(match_option(&c, "--width", true, &v));
  EXPECT_STREQ(v, "800");
  ASSERT_TRUE(match_option(&c, "--width", true, &v));
  EXPECT_STREQ(v, "640");
  ASSERT_TRUE(match_option(&c, "--width", true, &v));
  EXPECT_EQ(v, nullptr);
  EXPECT_EQ(c.remaining, 0);
  EXPECT_FALSE(match_option(&c, "--width", true, &v));
}

TEST(RenderOptions, FollowTheConfiguration) {
  struct Case {
    double ground_levels, model_detail, model_texture, roost, ground_detail;
    int dim_index;
    int ground_drop, size, texture_drop, roost_frequency;
    float lod_scale, lod_bias, terrain_detail;
  } cases[] = {
      // The defaults: 9 levels, detail 50, texture 9, roost 250, ground 50, 128x128.
      {9, 50, 9, 250, 50, 2, 1, 128, 1, 250, 1.0f, 0.0f, 0.0025f},
      {0, 0, 0, 0, 100, 0, 10, 32, 10, 0, 8.0f, 50.0f, 0.00125f},     // x = 2 gives 2^3
      {10, 100, 10, 1000, 1, 5, 0, 1024, 0, 1000, 0.0f, 0.0f, 0.125f},
      {9.5, 20, 8.5, 10.5, 0, 3, 0, 256, 2, 10, 1.6f * 1.6f * 1.6f, 25.0f, 0.125f},  // no division by zero
  };
  for (const Case& c : cases) {
    settings_reset();
    settings.ground_texture_detail.value = c.ground_levels;
    settings.model_detail.value = c.model_detail;
    settings.model_texture_detail.value = c.model_texture;
    settings.roost_density.value = c.roost;
    settings.ground_detail.value = c.ground_detail;
    settings.ground_texture_dim.index = c.dim_index;
    LaunchOptions o;
    derive_render_options(&settings, &o);
    EXPECT_EQ(o.ground_texture_level_drop, c.ground_drop) << c.ground_levels;
    EXPECT_EQ(o.ground_texture_size, c.size);
    EXPECT_EQ(o.texture_level_drop, c.texture_drop) << c.model_texture;
    EXPECT_EQ(o.roost_frequency, c.roost_frequency);
    EXPECT_FLOAT_EQ(o.lod_scale, c.lod_scale) << c.model_detail;
    EXPECT_FLOAT_EQ(o.lod_bias, c.lod_bias) << c.model_detail;
    EXPECT_FLOAT_EQ(o.terrain_detail, c.terrain_detail) << c.ground_detail;
  }
}

}  // namespace
