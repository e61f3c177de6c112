// What the tests share to work with files: a scratch folder of their own, a
// data-folder scope pointing the search folders into it, a captured log, and
// whole-file helpers. Header-only; tests include it by relative path.
#pragma once
#include "files/data.h"
#include "platform/kuvo.h"

#include <gtest/gtest.h>

#include "zlib_bytes.h"

#include <cstdio>
#include <cstdlib>
#include <ftw.h>
#include <string>
#include <sys/stat.h>
#include <zlib.h>

// Makes every folder on the way to path's last '/' (the folders a file at
// path needs; a path ending in '/' names a folder and gets it too).
inline void make_parents(const std::string& path) {
  for (size_t i = 1; i < path.size(); i++)
    if (path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
}

inline void make_folders(const std::string& path) { make_parents(path + "/"); }

// Writes bytes as the whole file, making its folders first.
inline bool write_file(const std::string& path, const std::string& bytes) {
  make_parents(path);
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) {
    ADD_FAILURE() << "cannot write " << path;
    return false;
  }
  bool ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (fclose(f) != 0) ok = false;
  if (!ok) ADD_FAILURE() << "short write to " << path;
  return ok;
}

// The whole file, or if_missing when it cannot be opened; the default never
// equals a real file's bytes in a comparison, so a missing file cannot pass
// for an empty one.
inline std::string read_file(const std::string& path, const char* if_missing = "<missing>") {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return if_missing;
  std::string bytes;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  fclose(f);
  return bytes;
}

inline bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}


inline int remove_scratch_entry(const char* path, const struct stat*, int, struct FTW*) { return ::remove(path); }

// A fresh folder under /tmp, removed with everything in it (links are
// removed, never followed) when the object goes.
struct TempFolder {
  std::string root;
  explicit TempFolder(const char* prefix = "kx_test") {
    std::string pattern = std::string("/tmp/") + prefix + "_XXXXXX";
    if (!mkdtemp(&pattern[0])) {
      perror(pattern.c_str());
      abort();
    }
    root = pattern;
  }
  ~TempFolder() {
    if (nftw(root.c_str(), remove_scratch_entry, 16, FTW_DEPTH | FTW_PHYS) != 0)
      fprintf(stderr, "could not remove %s\n", root.c_str());
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  std::string path(const std::string& relative) const { return root + "/" + relative; }
  // Writes a file below the folder, making its folders; returns its path.
  std::string write(const std::string& relative, const std::string& bytes) const {
    std::string full = path(relative);
    write_file(full, bytes);
    return full;
  }
  std::string read(const std::string& relative) const { return read_file(path(relative)); }
  // Makes a folder below this one (and those on the way); returns its path.
  std::string make_folder(const std::string& relative) const {
    std::string full = path(relative);
    make_folders(full);
    return full;
  }
};

// While it lives, the data layer searches xdg (as XDG_DATA_HOME, so the home
// data folder is xdg/Kestrix/) and install (as QV_HOME) and nothing else:
// neither the build folder nor the real home is seen. The environment it
// found is put back, and the folders found again, when it goes.
struct DataFolderScope {
  std::string old_xdg, old_install;
  bool had_xdg, had_install;
  DataFolderScope(const std::string& xdg, const std::string& install) {
    const char* value = getenv("XDG_DATA_HOME");
    had_xdg = value != nullptr;
    if (value) old_xdg = value;
    value = getenv("QV_HOME");
    had_install = value != nullptr;
    if (value) old_install = value;
    setenv("XDG_DATA_HOME", xdg.c_str(), 1);
    setenv("QV_HOME", install.c_str(), 1);
    data_folders_init();
  }
  ~DataFolderScope() {
    if (had_xdg) setenv("XDG_DATA_HOME", old_xdg.c_str(), 1);
    else unsetenv("XDG_DATA_HOME");
    if (had_install) setenv("QV_HOME", old_install.c_str(), 1);
    else unsetenv("QV_HOME");
    data_folders_init();
  }
  DataFolderScope(const DataFolderScope&) = delete;
  DataFolderScope& operator=(const DataFolderScope&) = delete;
};

// A scratch folder holding both search folders: temp/xdg with the home data
// folder in it, and temp/install; home and install end in '/'.
struct ScratchDataFolders {
  TempFolder temp;
  std::string home, install;
  DataFolderScope scope;
  explicit ScratchDataFolders(const char* prefix = "kx-files")
      : temp(prefix),
        home(temp.make_folder("xdg/Kestrix/")),
        install(temp.make_folder("install/")),
        scope(temp.path("xdg"), temp.path("install")) {}
};

// Sends the log to a file of its own from construction until stop() or the
// end of the object; text() is what reached it so far (lines are flushed as
// they are logged; nothing logged reads as "").
struct LogCapture {
  TempFolder folder{"kx_log"};
  std::string path = folder.path("log.txt");
  LogCapture() {
    kuvo_log_reset();
    setenv("KUVO_LOGFILE", path.c_str(), 1);
  }
  ~LogCapture() { stop(); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  void stop() {
    kuvo_log_reset();
    unsetenv("KUVO_LOGFILE");
  }
  std::string text() const { return read_file(path, ""); }
};
