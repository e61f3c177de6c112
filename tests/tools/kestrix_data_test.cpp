// The kestrix-data tool, run as a program: its output, files and exit codes.
#include "../files/temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/wait.h>

namespace {

struct ToolRun {
  int status;
  std::string out;
};

// Runs the tool with the search folders of `folders`; standard error is kept apart.
ToolRun run_tool(const DataFolders& folders, const std::string& arguments) {
  const char* bin = getenv("KX_BIN_DIR");
  std::string command = "cd '" + folders.temp.root + "' && XDG_DATA_HOME='" + folders.temp.path("xdg") +
                        "' QV_HOME='" + folders.install + "' '" + (bin ? bin : ".") + "/kestrix-data' " +
                        arguments + " 2>'" + folders.temp.path("stderr") + "'";
  FILE* pipe = popen(command.c_str(), "r");
  ToolRun run = {-1, ""};
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(KestrixData, DigestPrintsThePublishedValues) {
  DataFolders folders;
  write_file(folders.temp.path("empty"), "");
  write_file(folders.temp.path("abc"), "abc");
  ToolRun run = run_tool(folders, "digest empty abc");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "9c1185a5c5e9fc54612808977ee8f548b2258d31  empty\n"
            "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc  abc\n");
  run = run_tool(folders, "digest abc missing");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc  abc\n");
  EXPECT_NE(read_file(folders.temp.path("stderr")).find("missing"), std::string::npos);
}

TEST(KestrixData, PackUnpackRoundTrip) {
  DataFolders folders;
  write_file(folders.temp.path("src/a.txt"), "alpha");
  write_file(folders.temp.path("src/sub/b.bin"), std::string("\0\xff\n", 3));
  ASSERT_EQ(run_tool(folders, "pack src one.saf").status, 0);
  ASSERT_EQ(run_tool(folders, "unpack one.saf out").status, 0);
  EXPECT_EQ(read_file(folders.temp.path("out/sub/b.bin")), std::string("\0\xff\n", 3));
  ASSERT_EQ(run_tool(folders, "pack out two.saf").status, 0);
  EXPECT_EQ(read_file(folders.temp.path("one.saf")), read_file(folders.temp.path("two.saf")));
  write_file(folders.temp.path("evil.saf"), "1 ../x\n-\nx");
  EXPECT_EQ(run_tool(folders, "unpack evil.saf out3").status, 1);
  EXPECT_FALSE(exists(folders.temp.path("x")));
  EXPECT_EQ(run_tool(folders, "pack nothing-here x.saf").status, 1);
}

TEST(KestrixData, ListAndCatGoThroughTheDataLayer) {
  DataFolders folders;
  write_file(folders.install + "Tracks/Dunes/desc.gz", gzip("Desert Dunes\n"));
  write_file(folders.install + "zzzz.saf", "5 base.txt\n-\nbases");
  write_file(folders.home + "config", "x=1\n");
  ToolRun run = run_tool(folders, "list dunes");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "Tracks/Dunes/desc.gz -> " + folders.install + "Tracks/Dunes/desc.gz\n");
  run = run_tool(folders, "list");
  EXPECT_NE(run.out.find("base.txt -> " + folders.install + "zzzz.saf\n"), std::string::npos);
  EXPECT_NE(run.out.find("config -> " + folders.home + "config\n"), std::string::npos);
  EXPECT_EQ(run_tool(folders, "cat tracks/dunes/desc").out, "Desert Dunes\n");
  EXPECT_EQ(run_tool(folders, "cat @base.txt").out, "bases");
  EXPECT_EQ(run_tool(folders, "cat nothing").status, 1);
}

TEST(KestrixData, ScrambleRoundTripReadableByTheGame) {
  DataFolders folders;
  std::string text;
  for (int i = 0; i < 3000; i++) text += (char)(i * 7);
  write_file(folders.temp.path("plain.bin"), text);
  ASSERT_EQ(run_tool(folders, "scramble plain.bin '" + folders.install + "secret.bin.scram'").status, 0);
  std::string scrambled = read_file(folders.install + "secret.bin.scram");
  EXPECT_EQ(scrambled.size(), text.size() + 8);
  EXPECT_EQ(scrambled.find(text.substr(100, 16)), std::string::npos);
  EXPECT_EQ(run_tool(folders, "cat secret.bin").out, text);
  ASSERT_EQ(run_tool(folders, "unscramble '" + folders.install + "secret.bin.scram' back.bin").status, 0);
  EXPECT_EQ(read_file(folders.temp.path("back.bin")), text);
  EXPECT_EQ(run_tool(folders, "unscramble plain.bin again.bin").status, 1);
  EXPECT_FALSE(exists(folders.temp.path("again.bin")));
}

TEST(KestrixData, UsageErrors) {
  DataFolders folders;
  for (const char* arguments : {"", "frobnicate", "cat", "pack onlyone", "digest", "scramble a"}) {
    ToolRun run = run_tool(folders, arguments);
    EXPECT_EQ(run.status, 2) << arguments;
    EXPECT_NE(read_file(folders.temp.path("stderr")).find("Usage: kestrix-data"), std::string::npos) << arguments;
  }
  ToolRun help = run_tool(folders, "--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("unpack ARCHIVE.saf FOLDER"), std::string::npos);
}

}  // namespace
