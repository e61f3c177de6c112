#include "platform/kuvo.h"

#include "../support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace {

// Each test gets its own log file and a clean log state.
struct LogFixture : ::testing::Test {
  TempFolder folder{"kuvo_test"};
  std::string dir = folder.root, path = folder.path("log.txt");
  void SetUp() override {
    kuvo_log_reset();
    unsetenv("KUVO_LOGFILE");
    unsetenv("KUVO_LOGFILE_FLAGS");
  }
  void TearDown() override {
    kuvo_log_reset();
    unsetenv("KUVO_LOGFILE");
    unsetenv("KUVO_LOGFILE_FLAGS");
    unsetenv("KUVO_OPTIONS");
    kuvo_options_reset();
  }
};

TEST_F(LogFixture, OptionsParseFlagsAndIntegers) {
  struct Case {
    const char* text;
    const char* name;
    bool is_flag;
    int default_value;
    int expected;
    bool warns;
  } cases[] = {
      {"[sound-rate:44100]", "sound-rate", false, 22050, 44100, false},
      {"[sound-rate:fast]", "sound-rate", false, 22050, 22050, true},
      {"[sound-rate:-12x]", "sound-rate", false, 22050, -12, false},
      {"[threaded:on]", "threaded", true, 0, 1, false},
      {"[threaded:yes][threaded:no]", "threaded", true, 0, 1, false},  // first wins
      {"[threaded:off]", "threaded", true, 1, 0, false},
      {"[threaded:true]", "threaded", true, 0, 0, true},
      {"[dsnd:no]", "threaded", true, 1, 1, false},  // not set
      {"", "sound-mixahead", false, 125, 125, false},
  };
  setenv("KUVO_LOGFILE", path.c_str(), 1);
  for (const Case& c : cases) {
    setenv("KUVO_OPTIONS", c.text, 1);
    kuvo_options_reset();
    int got = c.is_flag ? option_flag(c.name, c.default_value) : option_int(c.name, c.default_value);
    EXPECT_EQ(got, c.expected) << c.text;
  }
  kuvo_log(nullptr);
  std::string log = read_file(path);
  // Exactly the two malformed values were reported, by name.
  size_t first = log.find("unrecognized setting for sound-rate\n");
  EXPECT_NE(first, std::string::npos);
  EXPECT_EQ(log.find("unrecognized setting for sound-rate\n", first + 1), std::string::npos);
  EXPECT_NE(log.find("unrecognized setting for threaded\n"), std::string::npos);
}

TEST(LogStamp, FormatsHoursMinutesSecondsHundredths) {
  struct Case {
    uint64_t ms;
    const char* text;
  } cases[] = {
      {0, "[0:00:00.00] "},
      {(1 * 3600 + 2 * 60 + 3) * 1000 + 450, "[1:02:03.45] "},
      {(30ull * 3600 + 59 * 60 + 59) * 1000 + 999, "[30:59:59.99] "},  // hours do not wrap
  };
  for (const Case& c : cases) {
    char buffer[32];
    kuvo_format_stamp(buffer, sizeof buffer, c.ms);
    EXPECT_STREQ(buffer, c.text);
  }
}

TEST_F(LogFixture, RequestNamesFileAndStampsLines) {
  kuvo_log("KUVO_LOGFILE=%s", path.c_str());
  kuvo_log("hello %d\n", 42);
  kuvo_error("disk on fire");
  kuvo_log(nullptr);
  std::string log = read_file(path);
  EXPECT_NE(log.find("] Logfile \"" + path + "\" opened\n"), std::string::npos);
  EXPECT_NE(log.find("] KUVO 0.31\n"), std::string::npos);
  EXPECT_NE(log.find("] hello 42\n"), std::string::npos);
  EXPECT_NE(log.find("] Error: disk on fire\n"), std::string::npos);
  EXPECT_EQ(log.find("KUVO_LOGFILE="), std::string::npos);  // the request is not a message
  EXPECT_STREQ(kuvo_last_error(), "disk on fire");
  // Every line starts with a stamp.
  std::istringstream lines(log);
  std::string line;
  while (std::getline(lines, line)) EXPECT_EQ(line[0], '[') << line;
}

TEST_F(LogFixture, EnvironmentAppendModeOverridesRequest) {
  {
    std::ofstream out(path);
    out << "earlier\n";
  }
  std::string other = dir + "/other.txt";
  setenv("KUVO_LOGFILE", (">>" + path).c_str(), 1);
  kuvo_log("KUVO_LOGFILE=%s", other.c_str());
  kuvo_log("appended\n");
  kuvo_log(nullptr);
  std::string log = read_file(path);
  EXPECT_EQ(log.rfind("earlier\n", 0), 0u);
  EXPECT_NE(log.find("appended\n"), std::string::npos);
  EXPECT_NE(access(other.c_str(), F_OK), 0);
}

TEST_F(LogFixture, FlagsReplaceModeAndDc3CommandsWriteNothing) {
  {
    std::ofstream out(path);
    out << "kept\n";
  }
  setenv("KUVO_LOGFILE", path.c_str(), 1);
  setenv("KUVO_LOGFILE_FLAGS", "a", 1);
  kuvo_log("\x13NOFLUSH");
  kuvo_log("buffered\n");
  kuvo_log("\x13" "FLUSH");
  kuvo_log("flushed\n");
  // Flushing is back on, so the file holds everything before it is closed.
  std::string log = read_file(path);
  EXPECT_EQ(log.rfind("kept\n", 0), 0u);
  EXPECT_NE(log.find("buffered\n"), std::string::npos);
  EXPECT_NE(log.find("flushed\n"), std::string::npos);
  EXPECT_EQ(log.find("FLUSH"), std::string::npos);
}

TEST_F(LogFixture, UnopenableFileDropsMessages) {
  setenv("KUVO_LOGFILE", (dir + "/no/such/folder/log.txt").c_str(), 1);
  kuvo_log("lost\n");
  kuvo_log(nullptr);
  EXPECT_NE(access((dir + "/no").c_str(), F_OK), 0);
}

TEST(Clock, SubMillisecondSleepIsPrecise) {
  long s0, us0, s1, us1;
  get_time(&s0, &us0);
  EXPECT_EQ(us0 % 1000, 0);  // millisecond clock
  timespec a, b;
  clock_gettime(CLOCK_MONOTONIC, &a);
  sleep_precise(0, 500);
  clock_gettime(CLOCK_MONOTONIC, &b);
  double elapsed = (b.tv_sec - a.tv_sec) + (b.tv_nsec - a.tv_nsec) * 1e-9;
  EXPECT_GE(elapsed, 0.0005);
  get_time(&s1, &us1);
  EXPECT_GE(s1 * 1000000 + us1, s0 * 1000000 + us0);
}

TEST(Mutex, IsRecursiveForItsOwner) {
  KuvoMutex* m = mutex_create();
  ASSERT_TRUE(mutex_lock(m));
  ASSERT_TRUE(mutex_lock(m));
  mutex_unlock(m);
  mutex_unlock(m);
  mutex_close(m);
}

TEST(Threads, DetachedThreadRuns) {
  static volatile int ran = 0;
  ASSERT_TRUE(start_thread([](void* p) { *(volatile int*)p = 1; }, (void*)&ran));
  for (int i = 0; i < 1000 && !ran; i++) sleep_precise(0, 1000);
  EXPECT_EQ(ran, 1);
}

}  // namespace
