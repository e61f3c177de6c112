// The game started the way a user starts it finds the game data the build
// generated beside it, and says so plainly when it is not there.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

int remove_entry(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }

struct Outcome {
  int status;
  std::string err;
};

Outcome start(const std::string& env) {
  char dir[] = "/tmp/kx_startup_XXXXXX";
  std::string home = mkdtemp(dir);
  std::string err = home + "/err";
  std::string cmd = "env -u QV_HOME XDG_DATA_HOME=" + home + " KUVO_LOGFILE=" + home + "/log.txt " + env + " " +
                    getenv("KX_BIN_DIR") + "/kestrix --headless --quit-after 0.2 2>" + err + " >/dev/null";
  int raw = system(cmd.c_str());
  Outcome r = {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(err)};
  unlink(err.c_str());
  unlink((home + "/log.txt").c_str());
  nftw(home.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
  return r;
}

TEST(Startup, FindsTheGeneratedGameData) {
  Outcome r = start("");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.find("Can't find game data"), std::string::npos) << r.err;
}

TEST(Startup, WithoutGameDataSaysSo) {
  char dir[] = "/tmp/kx_nodata_XXXXXX";
  std::string empty = mkdtemp(dir);
  Outcome r = start("QV_HOME=" + empty);
  rmdir(empty.c_str());
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.err.find("Problem starting Kestrix"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Can't find game data"), std::string::npos) << r.err;
}

}  // namespace
