// Runs the real program the way a user or a script would.
#include "../support/test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string program() { return std::string(getenv("KX_BIN_DIR")) + "/kestrix"; }

struct ProgramRun {
  int status;
  std::string err;
};

ProgramRun run(const std::string& args, const std::string& env = "") {
  TempFolder scratch{"kx_program"};
  std::string err_path = scratch.path("err");
  std::string cmd = env + " " + program() + " " + args + " 2>" + err_path + " >/dev/null";
  int raw = system(cmd.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, read_file(err_path)};
}

TEST(Program, RefusesBadCommandLines) {
  struct Case {
    const char* args;
    const char* message;
  } cases[] = {
      {"--frobnicate", "bad option '--frobnicate'\n"},
      {"a b", "Too many files!\n"},
      {"--erode x", "Bad arg for --erode\n"},
  };
  for (const Case& c : cases) {
    ProgramRun r = run(c.args);
    EXPECT_EQ(r.status, 1) << c.args;
    EXPECT_EQ(r.err, c.message) << c.args;
  }
}

TEST(Program, HeadlessRunLogsAndShutsDownInOrder) {
  TempFolder scratch{"kx_program"};
  std::string log = scratch.path("log.txt");
  ProgramRun r = run("--headless --quit-after 0.3", "KUVO_LOGFILE=" + log);
  EXPECT_EQ(r.status, 0) << r.err;
  std::string text = read_file(log);
  EXPECT_NE(text.find("] KUVO 0.31\n"), std::string::npos) << text;
  EXPECT_NE(text.find("] Finished deallocating bikes\n"), std::string::npos) << text;
}

TEST(Program, TerminationSignalShutsDownInOrder) {
  TempFolder scratch{"kx_program"};
  std::string log = scratch.path("log.txt");
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    setenv("KUVO_LOGFILE", log.c_str(), 1);
    std::string exe = program();
    execl(exe.c_str(), exe.c_str(), "--headless", "--quit-after", "60", (char*)nullptr);
    _exit(127);
  }
  // Wait until the program has started its log, then ask it to stop.
  for (int i = 0; i < 500 && read_file(log).find("KUVO 0.31") == std::string::npos; i++) usleep(10000);
  usleep(100000);
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_NE(read_file(log).find("] Finished deallocating bikes\n"), std::string::npos);
}

}  // namespace
