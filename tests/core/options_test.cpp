#include "core/options.h"

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

}  // namespace
