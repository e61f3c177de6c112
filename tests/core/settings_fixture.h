// Shared by the settings tests: throw-away folders with files in them, a
// captured log, and the settings read from or written to memory.
#pragma once
#include "core/settings.h"
#include "files/data.h"
#include "files/stream.h"
#include "platform/kuvo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

inline std::string slurp_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

struct TempFolder {
  std::string path;
  TempFolder() {
    char pattern[] = "/tmp/kx_settings_XXXXXX";
    path = mkdtemp(pattern);
  }
  ~TempFolder() {
    std::string command = "rm -rf '" + path + "'";
    (void)system(command.c_str());
  }
  std::string at(const std::string& relative) const { return path + "/" + relative; }
  void write(const std::string& relative, const std::string& bytes) const {
    std::string full = at(relative);
    for (size_t slash = full.find('/', path.size() + 1); slash != std::string::npos;
         slash = full.find('/', slash + 1))
      mkdir(full.substr(0, slash).c_str(), 0755);
    std::ofstream(full, std::ios::binary) << bytes;
  }
};

// The log of everything between construction and text().
struct CapturedLog {
  TempFolder folder;
  CapturedLog() {
    kuvo_log_reset();
    setenv("KUVO_LOGFILE", folder.at("log.txt").c_str(), 1);
  }
  std::string text() {
    kuvo_log_reset();
    unsetenv("KUVO_LOGFILE");
    return slurp_file(folder.at("log.txt"));
  }
  ~CapturedLog() {
    kuvo_log_reset();
    unsetenv("KUVO_LOGFILE");
  }
};

// Points the data layer at a home and an installation folder of the test's
// own, so nothing of the build folder or the real home is seen.
struct DataFolders {
  TempFolder home, install;
  std::string old_home;
  DataFolders() {
    if (const char* old = getenv("XDG_DATA_HOME")) old_home = old;
    setenv("XDG_DATA_HOME", home.path.c_str(), 1);
    setenv("QV_HOME", install.path.c_str(), 1);
    data_folders_init();
  }
  ~DataFolders() {
    if (old_home.empty()) unsetenv("XDG_DATA_HOME");
    else setenv("XDG_DATA_HOME", old_home.c_str(), 1);
    unsetenv("QV_HOME");
    data_folders_init();
  }
};

inline void read_settings_text(const std::string& text) {
  Stream* stream = stream_open_memory(text.data(), text.size());
  ASSERT_NE(stream, nullptr);
  read_settings_stream(stream, "test");
  data_close(stream);
}

inline std::string written_settings(void (*write)(Stream*)) {
  Stream* stream = stream_open_memory_writer();
  if (!stream) return "";
  write(stream);
  stream_flush(stream);
  size_t size = 0;
  const char* bytes = stream_memory_bytes(stream, &size);
  std::string text(bytes ? bytes : "", size);
  data_close(stream);
  return text;
}

inline std::string setting_text(const char* key) {
  const SettingKey* setting = find_setting_key(key);
  if (!setting) return "<no key " + std::string(key) + ">";
  char buffer[1024];
  if (!format_setting(setting, buffer, sizeof buffer)) return "<unbound>";
  return buffer;
}
