// The search folders and the data index: loose files below each folder and
// the members of ".saf" archives, sorted case-insensitively, searched by
// binary search.
#include "files/data.h"

#include "core/helpers.h"
#include "files/archive.h"
#include "platform/kuvo.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

enum { WALK_DEPTH_MAX = 32 };

static struct {
  bool folders_ready;
  int folder_count;
  char folders[DATA_FOLDER_MAX][DATA_PATH_MAX + 1];
  bool home_known;
  char home[DATA_PATH_MAX + 1];
  bool index_ready;
  Array entries;  // DataEntry
  Array list;     // const char*, null-terminated
  Array strings;  // char*, everything the entries point at
  int* slots;     // open-addressing table of winning entry indices, -1 empty
  uint32_t slot_mask;
} data;

// Case-insensitive FNV-1a, so lookups cost the same however big the index.
static uint32_t name_hash(const char* name) {
  uint32_t h = 2166136261u;
  for (const unsigned char* p = (const unsigned char*)name; *p; p++) {
    unsigned char c = *p >= 'A' && *p <= 'Z' ? *p + 32 : *p;
    h = (h ^ c) * 16777619u;
  }
  return h;
}

void normalize_path(char* path) {
  char* out = path;
  for (char* p = path; *p; p++) {
    char c = *p == '\\' ? '/' : *p;
    if (c == '/' && out > path && out[-1] == '/') continue;
    *out++ = c;
  }
  *out = 0;
}

static void free_index() {
  if (!data.index_ready) return;
  for (int i = 0; i < data.strings.count; i++) free(*array_at<char*>(&data.strings, i));
  array_free(&data.strings);
  array_free(&data.entries);
  array_free(&data.list);
  free(data.slots);
  data.slots = nullptr;
  data.index_ready = false;
}

static bool set_folder(char* out, const char* base, const char* tail) {
  int n = snprintf(out, DATA_PATH_MAX + 1, "%s%s", base, tail);
  if (n < 0 || n > DATA_PATH_MAX - 1) return false;
  normalize_path(out);
  return true;
}

void data_folders_init() {
  free_index();
  data.folder_count = 0;
  data.home_known = false;
  char base[DATA_PATH_MAX + 1];
  const char* xdg = getenv("XDG_DATA_HOME");
  const char* home = getenv("HOME");
  bool have_base = true;
  if (xdg && xdg[0]) snprintf(base, sizeof base, "%s", xdg);
  else if (home && home[0]) snprintf(base, sizeof base, "%s/.local/share", home);
  else have_base = false;
  if (have_base && set_folder(data.home, base, "/Kestrix/")) {
    data.home_known = true;
    strcpy(data.folders[data.folder_count++], data.home);
  }
  // An empty QV_HOME would make the whole file system the installation folder.
  const char* install = getenv("QV_HOME");
  if (install && install[0]) {
    if (set_folder(data.folders[data.folder_count], install, "/")) data.folder_count++;
  } else {
    char exe[DATA_PATH_MAX + 1];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n > 0 && n < (ssize_t)sizeof exe - 1) {
      exe[n] = 0;
      char* slash = strrchr(exe, '/');
      if (slash) {
        slash[1] = 0;
        if (set_folder(data.folders[data.folder_count], exe, "")) data.folder_count++;
      }
    }
  }
  data.folders_ready = true;
}

static void ensure_folders() {
  if (!data.folders_ready) data_folders_init();
}

int data_folder_count() {
  ensure_folders();
  return data.folder_count;
}

const char* data_folder(int number) {
  ensure_folders();
  return number >= 0 && number < data.folder_count ? data.folders[number] : nullptr;
}

const char* data_home_folder() {
  ensure_folders();
  return data.home_known ? data.home : nullptr;
}

bool data_create_home_folder() {
  const char* home = data_home_folder();
  if (!home) return false;
  char path[DATA_PATH_MAX + 1];
  strcpy(path, home);
  for (char* p = path + 1; *p; p++) {
    if (*p != '/') continue;
    *p = 0;
    mkdir(path, 0755);
    *p = '/';
  }
  struct stat st;
  return stat(home, &st) == 0 && S_ISDIR(st.st_mode);
}

// ---- building the index ----

static char* keep(const char* text) {
  char* copy = xstrdup(text);
  array_append(&data.strings, &copy);
  return copy;
}

static void add_entry(const char* path, const char* name, uint32_t offset, uint32_t size, int priority) {
  DataEntry entry = {path, name, offset, size, priority};
  array_append(&data.entries, &entry);
}

// The folders being walked, outermost first: a link back to one of them is
// not followed again, so link loops cannot multiply the walk.
struct WalkPath {
  dev_t device[WALK_DEPTH_MAX + 1];
  ino_t inode[WALK_DEPTH_MAX + 1];
};

static bool on_walk_path(const WalkPath* path, int depth, const struct stat* st) {
  for (int i = 0; i < depth; i++)
    if (path->device[i] == st->st_dev && path->inode[i] == st->st_ino) return true;
  return false;
}

static void walk(const char* directory, size_t prefix_length, int priority, int depth, WalkPath* trail) {
  struct stat self;
  if (depth > WALK_DEPTH_MAX || stat(directory, &self) != 0 || on_walk_path(trail, depth, &self)) return;
  trail->device[depth] = self.st_dev;
  trail->inode[depth] = self.st_ino;
  DIR* dir = opendir(directory);
  if (!dir) return;
  char base[DATA_PATH_MAX + 1];
  snprintf(base, sizeof base, "%s", directory);
  size_t length = strlen(base);
  while (length > 1 && base[length - 1] == '/') base[--length] = 0;
  // Entries are collected first so the folder is not held open while recursing.
  Array names;
  array_init(&names, sizeof(char*));
  while (struct dirent* d = readdir(dir)) {
    if (!strcmp(d->d_name, ".") || !strcmp(d->d_name, "..")) continue;
    char* name = xstrdup(d->d_name);
    array_append(&names, &name);
  }
  closedir(dir);
  for (int i = 0; i < names.count; i++) {
    char* name = *array_at<char*>(&names, i);
    char path[DATA_PATH_MAX + 1];
    int n = snprintf(path, sizeof path, "%s/%s", base, name);
    free(name);
    struct stat st;
    if (n < 0 || n > DATA_PATH_MAX || stat(path, &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      walk(path, prefix_length, priority, depth + 1, trail);
    } else if (S_ISREG(st.st_mode)) {
      if ((uint64_t)st.st_size > 0xffffffffu || (size_t)n < prefix_length) continue;
      char* kept = keep(path);
      add_entry(kept, kept + prefix_length, 0, (uint32_t)st.st_size, priority);
    }
  }
  array_free(&names);
}

static bool entry_less(const DataEntry& a, const DataEntry& b) {
  int c = strcasecmp(a.name, b.name);
  if (c) return c < 0;
  if (a.priority != b.priority) return a.priority < b.priority;
  c = strcmp(a.name, b.name);
  if (c) return c < 0;
  c = strcmp(a.path, b.path);
  if (c) return c < 0;
  return a.offset < b.offset;
}

static void sort_entries() {
  DataEntry* first = array_at<DataEntry>(&data.entries, 0);
  std::sort(first, first + data.entries.count, entry_less);
}

static bool is_archive_name(const char* name) {
  size_t n = strlen(name);
  return n >= 5 && strcasecmp(name + n - 4, ".saf") == 0;
}

static void build_index() {
  ensure_folders();
  array_init(&data.entries, sizeof(DataEntry));
  array_init(&data.list, sizeof(const char*));
  array_init(&data.strings, sizeof(char*));
  data.index_ready = true;
  WalkPath trail;
  for (int i = 0; i < data.folder_count; i++) walk(data.folders[i], strlen(data.folders[i]), i, 0, &trail);
  sort_entries();
  int loose = data.entries.count, ordinal = 0;
  for (int i = 0; i < loose; i++) {
    DataEntry entry = *array_at<DataEntry>(&data.entries, i);
    if (!is_archive_name(entry.name)) continue;
    Array members;
    char error[256];
    int priority = data.folder_count + ordinal++;
    if (!saf_read_header(entry.path, &members, error, sizeof error)) {
      kuvo_log("Warning: ignoring archive '%.900s': %s\n", entry.path, error);
      continue;
    }
    for (int m = 0; m < members.count; m++) {
      SafMember* member = array_at<SafMember>(&members, m);
      add_entry(entry.path, keep(member->name), member->offset, member->size, priority);
    }
    saf_free_members(&members);
  }
  sort_entries();
  uint32_t slot_count = 16;
  while (slot_count < 2u * (uint32_t)data.entries.count) slot_count *= 2;
  data.slots = (int*)xmalloc(slot_count * sizeof(int));
  memset(data.slots, 0xff, slot_count * sizeof(int));
  data.slot_mask = slot_count - 1;
  const char* previous = nullptr;
  for (int i = 0; i < data.entries.count; i++) {
    const char* name = array_at<DataEntry>(&data.entries, i)->name;
    if (previous && strcasecmp(previous, name) == 0) continue;
    array_append(&data.list, &name);
    previous = name;
    // The first entry of a name sorts by priority, so it is the one found.
    uint32_t slot = name_hash(name) & data.slot_mask;
    while (data.slots[slot] >= 0) slot = (slot + 1) & data.slot_mask;
    data.slots[slot] = i;
  }
  const char* end = nullptr;
  array_append(&data.list, &end);
}

static void ensure_index() {
  if (!data.index_ready) build_index();
}

void data_rescan() {
  ensure_folders();
  free_index();
  build_index();
}

int data_index_count() {
  ensure_index();
  return data.entries.count;
}

const DataEntry* data_index_entry(int index) {
  ensure_index();
  return index >= 0 && index < data.entries.count ? array_at<DataEntry>(&data.entries, index) : nullptr;
}

const DataEntry* data_find(const char* name) {
  ensure_index();
  for (uint32_t slot = name_hash(name) & data.slot_mask; data.slots[slot] >= 0; slot = (slot + 1) & data.slot_mask) {
    DataEntry* entry = array_at<DataEntry>(&data.entries, data.slots[slot]);
    if (strcasecmp(entry->name, name) == 0) return entry;
  }
  return nullptr;
}

const char* const* data_file_list() {
  ensure_index();
  return array_at<const char*>(&data.list, 0);
}

int data_file_count() {
  ensure_index();
  return data.list.count - 1;
}

bool describe_data_file(int index, char* buffer, int size) {
  const DataEntry* entry = data_index_entry(index);
  if (!entry || size <= 0) return false;
  snprintf(buffer, size, "%s -> %s", entry->name, entry->path);
  return true;
}

// ---- the file browser ----

static bool find_in_path(const char* program, char* out, size_t size) {
  const char* path = getenv("PATH");
  if (!path) return false;
  while (*path) {
    const char* end = strchr(path, ':');
    size_t n = end ? (size_t)(end - path) : strlen(path);
    if (n > 0 && (size_t)snprintf(out, size, "%.*s/%s", (int)n, path, program) < size && access(out, X_OK) == 0)
      return true;
    path += n;
    if (*path == ':') path++;
  }
  return false;
}

bool open_home_folder() {
  if (!data_create_home_folder()) {
    kuvo_log("Can't create the home folder\n");
    return false;
  }
  char folder[DATA_PATH_MAX + 1];
  strcpy(folder, data_home_folder());
  size_t n = strlen(folder);
  while (n > 1 && folder[n - 1] == '/') folder[--n] = 0;
  char program[DATA_PATH_MAX + 1];
  if (!find_in_path("xdg-open", program, sizeof program)) {
    printf("%s\n", folder);
    return true;
  }
  char* argv[] = {program, folder, nullptr};
  pid_t pid;
  if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) {
    printf("%s\n", folder);
    return true;
  }
  int status;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}
