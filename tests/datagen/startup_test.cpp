// The game started the way a user starts it finds the game data the build
// generated beside it, and says so plainly when it is not there.
#include "../support/test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace {

struct Outcome {
  int status;
  std::string err;
};

Outcome start(const std::string& env) {
  TempFolder scratch{"kx_startup"};
  std::string home = scratch.root;
  std::string err = home + "/err";
  std::string cmd = "env -u QV_HOME XDG_DATA_HOME=" + home + " KUVO_LOGFILE=" + home + "/log.txt " + env + " " +
                    getenv("KX_BIN_DIR") + "/kestrix --headless --quit-after 0.2 2>" + err + " >/dev/null";
  int raw = system(cmd.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(err)};
}

TEST(Startup, FindsTheGeneratedGameData) {
  Outcome r = start("");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("Can't find game data"), std::string::npos) << r.err;
}

TEST(Startup, WithoutGameDataSaysSo) {
  TempFolder empty{"kx_nodata"};
  Outcome r = start("QV_HOME=" + empty.root);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Problem starting Kestrix"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Can't find game data"), std::string::npos) << r.err;
}

}  // namespace
