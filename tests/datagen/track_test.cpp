// Every shipped track loads through the real loader, as the track maker's
// tool reports it, without a single warning.
#include <gtest/gtest.h>

#include "files/data.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string bin_dir() { return getenv("KX_BIN_DIR"); }

// Track folders: every data name ending in "/terrain.hf".
std::vector<std::string> shipped_tracks() {
  setenv("QV_HOME", bin_dir().c_str(), 1);
  data_folders_init();
  std::vector<std::string> tracks;
  for (const char* const* name = data_file_list(); *name; name++) {
    size_t n = strlen(*name);
    if (n > 11 && !strcmp(*name + n - 11, "/terrain.hf")) tracks.push_back(std::string(*name, n - 11));
  }
  return tracks;
}

struct Report {
  int status;
  std::map<std::string, std::string> values;
  std::string text;
};

Report trackinfo(const std::string& folder) {
  std::string cmd = "QV_HOME=" + bin_dir() + " " + bin_dir() + "/kestrix-data trackinfo " + folder + " 2>&1";
  Report r;
  FILE* pipe = popen(cmd.c_str(), "r");
  char line[2048];
  while (pipe && fgets(line, sizeof line, pipe)) {
    r.text += line;
    char* eq = strchr(line, '=');
    if (eq && line[0] != ' ') {
      line[strcspn(line, "\n")] = 0;
      r.values[std::string(line, eq - line)] = eq + 1;
    }
  }
  r.status = pipe ? pclose(pipe) : -1;
  return r;
}

TEST(ShippedTracks, LoadWithoutWarnings) {
  std::vector<std::string> tracks = shipped_tracks();
  ASSERT_GE(tracks.size(), 2u);
  for (const std::string& track : tracks) {
    Report r = trackinfo(track);
    EXPECT_EQ(r.status, 0) << r.text;
    EXPECT_EQ(r.values["messages"], "0") << r.text;
    EXPECT_EQ(r.text.find("arning"), std::string::npos) << r.text;
    EXPECT_EQ(r.values["dir"], track);
    EXPECT_EQ(r.values["hash"].size(), 40u) << r.text;
    EXPECT_GT(atoi(r.values["gatecount"].c_str()), 8) << r.text;
    EXPECT_GT(atoi(r.values["firstlap"].c_str()), 0) << r.text;
    EXPECT_GT(atoi(r.values["statues"].c_str()), 20) << r.text;
    EXPECT_GE(atoi(r.values["cameras"].c_str()), 8) << r.text;
    EXPECT_GE(atoi(r.values["surfacetypes"].c_str()), 3) << r.text;
  }
}

TEST(ShippedTracks, RabbitHillIsTheDefaultTrackWithFortyGates) {
  Report r = trackinfo("rabbithill");
  ASSERT_EQ(r.status, 0) << r.text;
  EXPECT_EQ(r.values["longname"], "Rabbit Hill");
  EXPECT_EQ(r.values["startslots"], "40");
  EXPECT_GE(atoi(r.values["flaggers"].c_str()), 4) << r.text;  // starter, lap board, blind jumps
  EXPECT_GE(atoi(r.values["billboards"].c_str()), 100) << r.text;
}

}  // namespace
