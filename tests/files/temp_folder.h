// Test fixtures for the data layer: a scratch folder with a home and an
// installation folder inside, and helpers to put files there.
#pragma once
#include "files/data.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <zlib.h>

struct TempFolder {
  std::string root;
  TempFolder() {
    char pattern[] = "/tmp/kx-files-XXXXXX";
    root = mkdtemp(pattern);
  }
  ~TempFolder() {
    std::string command = "rm -rf '" + root + "'";
    if (system(command.c_str()) != 0) fprintf(stderr, "could not remove %s\n", root.c_str());
  }
  std::string path(const std::string& relative) const { return root + "/" + relative; }
};

inline void make_parents(const std::string& path) {
  for (size_t i = 1; i < path.size(); i++)
    if (path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
}

inline void write_file(const std::string& path, const std::string& bytes) {
  make_parents(path);
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) abort();
  fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

inline std::string read_file(const std::string& path) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return "<missing>";
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

// A gzip member (zlib's own header and trailer) of the bytes.
inline std::string gzip(const std::string& bytes) {
  z_stream z = {};
  deflateInit2(&z, 6, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, bytes.size()) + 64, '\0');
  z.next_in = (Bytef*)bytes.data();
  z.avail_in = (uInt)bytes.size();
  z.next_out = (Bytef*)&out[0];
  z.avail_out = (uInt)out.size();
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Points the search folders at root/home (as XDG_DATA_HOME) and root/install (QV_HOME).
struct DataFolders {
  TempFolder temp;
  std::string home, install;
  DataFolders() {
    setenv("XDG_DATA_HOME", temp.path("xdg").c_str(), 1);
    setenv("QV_HOME", temp.path("install").c_str(), 1);
    home = temp.path("xdg/Kestrix/");
    install = temp.path("install/");
    mkdir(temp.path("xdg").c_str(), 0755);
    mkdir(home.c_str(), 0755);
    mkdir(install.c_str(), 0755);
    data_folders_init();
  }
  ~DataFolders() {
    unsetenv("QV_HOME");
    data_folders_init();
  }
};
