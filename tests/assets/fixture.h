// The asset tests' fixture: a data home folder of their own (searched with an
// empty installation folder), a captured log, and a writer for data files.
#pragma once
#include "../support/test_support.h"

#include <string>

class AssetTest : public ::testing::Test {
 protected:
  ScratchDataFolders folders{"kx_assets"};
  LogCapture captured;
  std::string home = folders.home;

  // Writes a data file in the home folder; returns its "@" name.
  std::string put(const std::string& name, const std::string& bytes) {
    write_file(home + name, bytes);
    return "@" + name;
  }

  std::string log() { return captured.text(); }

  int log_count(const std::string& needle) {
    std::string text = log();
    int n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) n++;
    return n;
  }
};
