// Track, demo and graphics lists over a small data folder, and the track
// and graphics choices built from them.
#include "settings_fixture.h"

#include "bike/setup.h"
#include "core/data_lists.h"

#include <vector>

namespace {

// One installation folder holding tracks, demos and texture variants.
struct DataFixture : DataFolders {
  DataFixture() {
    install.write("rabbithill/terrain.hf", "hf");
    install.write("rabbithill/desc", "Rabbit Hill\r\nA second line\n");
    install.write("zebra/terrain.hf.gz", "gz");
    install.write("zebra/desc", "alpha track");
    install.write("mud/terrain.hf.scram", "scram");
    install.write("mud/desc", "");
    install.write("dup/terrain.hf", "hf");
    install.write("dup/terrain.hf.gz", "gz");
    install.write("deep/er/terrain.hf.gz.scram", "x");
    install.write("nothere/terrain.hfx", "x");
    install.write("nothere/terrain.hf.bak", "x");
    install.write("demos/race1.qvdemo", "d");
    install.write("demos/old/heat2.qvdemo", "d");
    install.write("demos/notes.txt", "t");
    install.write("other/stray.qvdemo", "d");
    install.write("rider_body-red.png", "p");
    install.write("rider_body-red_norm.png", "p");
    install.write("rider_body-blue_spec.png", "p");
    install.write("gear/rider_body-green.png.scram", "p");
    install.write("gear/rider_body-gold_norm.png.scram", "p");
    install.write("rider_body.png", "p");
    install.write("rider_body-old.jpg", "p");
    install.write("rider_head-star.png", "p");
    install.write("wheels-gold.png", "p");
    install.write("450sxfv2013-red-7.png", "p");
    install.write("crf450v2013-white.png", "p");
    data_rescan();
  }
};

std::vector<std::string> strings(const Array& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.count; i++) out.push_back(*array_at<const char*>(&list, i));
  return out;
}

TEST(TrackList, OneEntryPerFolderSortedByDisplayNameIgnoringCase) {
  DataFixture data;
  Array tracks = {};
  find_tracks(data_file_list(), &tracks, false);
  std::vector<std::pair<std::string, std::string>> found;
  for (int i = 0; i < tracks.count; i++)
    found.push_back({array_at<TrackEntry>(&tracks, i)->folder, array_at<TrackEntry>(&tracks, i)->name});
  std::vector<std::pair<std::string, std::string>> expected = {
      {"zebra", "alpha track"}, {"deep/er", "deep/er"}, {"dup", "dup"},
      {"mud", "mud"},           {"rabbithill", "Rabbit Hill"},
  };
  EXPECT_EQ(found, expected);
  array_free(&tracks);
}

TEST(TrackList, DebugModeLogsFolderAndName) {
  DataFixture data;
  CapturedLog log;
  Array tracks = {};
  find_tracks(data_file_list(), &tracks, true);
  array_free(&tracks);
  std::string text = log.text();
  EXPECT_NE(text.find("] rabbithill -> Rabbit Hill\n"), std::string::npos) << text;
  EXPECT_NE(text.find("] zebra -> alpha track\n"), std::string::npos) << text;
}

TEST(TrackList, FillsTheTrackChoiceAndSelectsByFolder) {
  DataFixture data;
  settings_reset();
  read_settings_text("track=mud\n");  // before the list: the folder waits
  ASSERT_EQ(list_tracks(false), 5);
  EXPECT_STREQ(settings.track.options[settings.track.index], "mud");
  EXPECT_EQ(setting_text("track"), "mud");
  read_settings_text("track=Rabbit Hill\ntrack=nosuch\n");  // folders only
  EXPECT_EQ(setting_text("track"), "mud");
  read_settings_text("track=rabbithill\n");
  EXPECT_STREQ(settings.track.options[settings.track.index], "Rabbit Hill");
  EXPECT_TRUE(settings_select_track("zebra"));
  EXPECT_FALSE(settings_select_track("Zebra"));
  EXPECT_EQ(setting_text("track"), "zebra");

  // Without a configured track the default one is chosen.
  settings_reset();
  list_tracks(false);
  EXPECT_EQ(setting_text("track"), "rabbithill");
}

TEST(DemoList, DemosFolderOnlyWithBaseNames) {
  DataFixture data;
  ASSERT_EQ(list_demos(false), 2);
  std::vector<std::string> files, names;
  for (int i = 0; i < demo_count(); i++) {
    files.push_back(demo_at(i)->file);
    names.push_back(demo_at(i)->name);
  }
  EXPECT_EQ(files, (std::vector<std::string>{"demos/old/heat2.qvdemo", "demos/race1.qvdemo"}));
  EXPECT_EQ(names, (std::vector<std::string>{"heat2", "race1"}));
  EXPECT_EQ(demo_page, 0);
}

TEST(TextureVariants, ImagesWithThePrefixWithoutMaps) {
  DataFixture data;
  Array paths = {}, names = {};
  list_texture_variants("rider_body-", &paths, &names);
  EXPECT_EQ(strings(paths), (std::vector<std::string>{"", "@gear/rider_body-green.png", "@rider_body-red.png"}));
  EXPECT_EQ(strings(names), (std::vector<std::string>{"default", "green", "red"}));
  list_texture_variants("nosuch-", &paths, &names);
  EXPECT_EQ(strings(names), (std::vector<std::string>{"default"}));
  array_free(&paths);
  array_free(&names);
}

TEST(GraphicsChoices, ListedAtStartAndRebuiltByTheBikeKey) {
  DataFixture data;
  settings_reset();
  settings_list_graphics();
  EXPECT_EQ(settings.rider_texture.count, 3);
  EXPECT_EQ(settings.head_texture.count, 2);
  EXPECT_EQ(settings.wheel_texture.count, 2);
  ASSERT_EQ(settings.bike_texture.count, 2);  // the default bike, 450sxf(2013)
  EXPECT_STREQ(settings.bike_texture.options[1], "red-7");

  struct Case {
    const char* lines;
    const char* bike_texture;
    const char* path;
  } cases[] = {
      {"bike=450sxf(2013)\nbike_texture=red-7\n", "red-7", "@450sxfv2013-red-7.png"},
      {"bike_texture=red-7\nbike=450sxf(2013)\n", "default", ""},  // the bike resets its graphics
      {"bike_texture=red-7\nbike=crf450(2013)\nbike_texture=white\n", "white", "@crf450v2013-white.png"},
      {"bike=crf450(2013)\nbike_texture=red-7\n", "default", ""},  // not a graphic of that bike
      {"bike_texture=red-7\nbike=nosuchbike\n", "red-7", "@450sxfv2013-red-7.png"},
  };
  for (const Case& c : cases) {
    settings_reset();
    settings_list_graphics();
    read_settings_text(c.lines);
    EXPECT_EQ(setting_text("bike_texture"), c.bike_texture) << c.lines;
    EXPECT_STREQ(graphics_texture_path(&settings.bike_texture), c.path) << c.lines;
  }

  settings_reset();
  settings_list_graphics();
  read_settings_text("rider_texture=green\nwheel_texture=gold\nhead_texture=star\n");
  EXPECT_STREQ(graphics_texture_path(&settings.rider_texture), "@gear/rider_body-green.png");
  BikeSetup setup;
  settings_bike_setup(&setup);
  EXPECT_STREQ(setup.rider_texture, "green");
  EXPECT_STREQ(setup.wheel_texture, "gold");
  EXPECT_STREQ(setup.head_texture, "star");
}

TEST(ConfigFile, WrittenToTheHomeFolderAndReadBack) {
  DataFolders data;
  settings_reset();
  EXPECT_FALSE(read_config());  // none yet: defaults stay
  EXPECT_EQ(setting_text("laps"), "5.000000");
  read_settings_text("laps=12\nname=Kim\nthrottle_key=(0.1,0.9)mouse-y\n");
  std::string written = written_settings(write_settings_stream);
  ASSERT_TRUE(write_config());
  EXPECT_EQ(read_file(data.home.path("Kestrix/config")), written);
  settings_reset();
  ASSERT_TRUE(read_config());
  EXPECT_EQ(setting_text("laps"), "12.000000");
  EXPECT_EQ(setting_text("name"), "Kim");
  EXPECT_EQ(setting_text("throttle_key"), "(0.100000,0.900000)mouse-y");
}

}  // namespace
