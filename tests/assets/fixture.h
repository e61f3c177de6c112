// Temp folders for the asset tests: a data home folder with its index, a
// captured log, and small file helpers.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "files/data.h"
#include "platform/kuvo.h"

class AssetTest : public ::testing::Test {
 protected:
  std::string root, home, log_path;

  void SetUp() override {
    char pattern[] = "/tmp/kx_assets_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
    home = root + "/data/Kestrix/";
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(root + "/install");
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    setenv("QV_HOME", (root + "/install").c_str(), 1);
    data_folders_init();
    log_path = root + "/log.txt";
    setenv("KUVO_LOGFILE", log_path.c_str(), 1);
    kuvo_log_reset();
  }

  void TearDown() override {
    kuvo_log_reset();
    unsetenv("KUVO_LOGFILE");
    std::filesystem::remove_all(root);
  }

  // Writes a data file in the home folder; returns its "@" name.
  std::string put(const std::string& name, const std::string& bytes) {
    std::string path = home + name;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return "@" + name;
  }

  std::string log() {
    std::ifstream in(log_path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  int log_count(const std::string& needle) {
    std::string text = log();
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) n++;
    return n;
  }
};
