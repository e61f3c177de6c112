// The program keeps its configuration across runs: written at shutdown,
// read at start-up, a broken line logged and otherwise harmless; and a
// game data folder without tracks refuses to start.
#include "settings_fixture.h"

#include <sys/wait.h>

#include <vector>

namespace {

struct ProgramRun {
  int status;
  std::string err;
};

// The installation folder gets the build's own game data, so start-up's
// digest check passes; `bytes` cuts the archive short.
void install_game_data(const DataFolders& data, size_t bytes = std::string::npos) {
  std::string archive = read_file(std::string(getenv("KX_BIN_DIR")) + "/zzzz.saf");
  ASSERT_GT(archive.size(), 0u);
  data.install.write("zzzz.saf", archive.substr(0, bytes));
}

ProgramRun run_program(const DataFolders& data, const std::string& args) {
  std::string err = data.home.path("stderr.txt");
  std::string command = "XDG_DATA_HOME='" + data.home.root + "' QV_HOME='" + data.install.root +
                        "' KUVO_LOGFILE='" + data.home.path("log.txt") + "' '" + getenv("KX_BIN_DIR") +
                        "/kestrix' --headless --quit-after 0.05 " + args + " >/dev/null 2>'" + err + "'";
  int raw = system(command.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(err)};
}

std::string replace_line(const std::string& text, const std::string& from, const std::string& to) {
  size_t at = text.find(from + "\n");
  return at == std::string::npos ? text : text.substr(0, at) + to + "\n" + text.substr(at + from.size() + 1);
}

TEST(ProgramConfig, WrittenWithDefaultsThenKeptAcrossRuns) {
  DataFolders data;
  install_game_data(data);
  ProgramRun first = run_program(data, "");
  ASSERT_EQ(first.status, 0) << first.err;
  std::string config = read_file(data.home.path("Kestrix/config"));
  settings_reset();
  apply_stability(100);
  EXPECT_EQ(config, written_settings(write_settings_stream));
  EXPECT_EQ(config.substr(0, 9), "xres=640\n");
  EXPECT_NE(config.find("\nroll_damping=80.000000\n"), std::string::npos);

  std::string edited = replace_line(config, "laps=5.000000", "laps=7\nlaps=abc\nthis line is broken");
  edited = replace_line(edited, "skill=Novice", "skill=Expert");
  data.home.write("Kestrix/config", edited);
  ProgramRun second = run_program(data, "");
  ASSERT_EQ(second.status, 0) << second.err;
  std::string kept = read_file(data.home.path("Kestrix/config"));
  std::string expected = replace_line(replace_line(config, "laps=5.000000", "laps=7.000000"), "skill=Novice",
                                      "skill=Expert");
  EXPECT_EQ(kept, expected);
  std::string log = read_file(data.home.path("log.txt"));
  EXPECT_NE(log.find("@config line 12: laps=abc ignored: not a number\n"), std::string::npos) << log;
  EXPECT_NE(log.find("@config line 13: no \"=\", ignored\n"), std::string::npos) << log;
}

TEST(ProgramConfig, GameDataWithoutTracksRefusesToStart) {
  DataFolders data;
  // The digest covers the first MiB only; cut there, the archive's members
  // run past its end, so it is ignored and no track remains.
  install_game_data(data, 1048576);
  ProgramRun none = run_program(data, "");
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err, "No tracks found\n");

  data.install.write("rabbithill/terrain.hf", "hf");
  data.install.write("rabbithill/desc", "Rabbit Hill\n");
  data.install.write("canyon/terrain.hf.gz", "gz");
  ProgramRun some = run_program(data, "--track canyon");
  EXPECT_EQ(some.status, 0) << some.err;
  EXPECT_NE(read_file(data.home.path("Kestrix/config")).find("\ntrack=canyon\n"), std::string::npos);
}

}  // namespace
