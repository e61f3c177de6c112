// Track, demo and texture-variant lists, all read off the data file list.
#include "core/data_lists.h"

#include "core/settings.h"
#include "files/data.h"
#include "files/stream.h"
#include "platform/kuvo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

static Array tracks = {nullptr, 0, 0, 0};
static Array demos = {nullptr, 0, 0, 0};
int demo_page = 0;

enum { DISPLAY_NAME_MAX = 255 };

static bool ends_with(const char* text, const char* suffix) {
  size_t n = strlen(text), m = strlen(suffix);
  return n >= m && !strcasecmp(text + n - m, suffix);
}

static const char* base_name(const char* path) {
  const char* slash = strrchr(path, '/');
  return slash ? slash + 1 : path;
}

static void empty_array(Array* array, int element_size) {
  if (!array->items) array_init(array, element_size);
  array->count = 0;
}

// The first line of the folder's "desc" up to CR, LF, NUL or the end; the
// folder itself when there is no such file or the line is empty.
static const char* read_display_name(const char* folder) {
  char path[DATA_PATH_MAX + 1];
  snprintf(path, sizeof path, "@%s/desc", folder);
  Stream* stream = data_open(path, "rb");
  if (!stream) return folder;
  char name[DISPLAY_NAME_MAX + 1];
  int length = 0, c;
  while (length < DISPLAY_NAME_MAX && (c = stream_getc(stream)) > 0 && c != '\r' && c != '\n')
    name[length++] = (char)c;
  name[length] = 0;
  data_close(stream);
  return length ? intern_string(name) : folder;
}

static const char* const terrain_suffixes[] = {"/terrain.hf", "/terrain.hf.gz", "/terrain.hf.scram",
                                               "/terrain.hf.gz.scram"};

static bool track_goes_before(const TrackEntry* a, const TrackEntry* b) {
  int order = strcasecmp(a->name, b->name);
  return order < 0 || (order == 0 && strcmp(a->folder, b->folder) < 0);
}

void find_tracks(const char* const* files, Array* list, bool debug) {
  empty_array(list, sizeof(TrackEntry));
  for (int i = 0; files && files[i]; i++) {
    const char* file = files[i];
    bool terrain = false;
    for (const char* suffix : terrain_suffixes) terrain = terrain || ends_with(file, suffix);
    if (!terrain) continue;
    const char* slash = strrchr(file, '/');
    char folder[DATA_PATH_MAX + 1];
    snprintf(folder, sizeof folder, "%.*s", (int)(slash - file), file);
    // A folder holding terrain.hf and terrain.hf.gz is still one track.
    bool known = false;
    for (int j = 0; j < list->count && !known; j++)
      known = !strcasecmp(array_at<TrackEntry>(list, j)->folder, folder);
    if (known) continue;
    TrackEntry entry = {intern_string(folder), nullptr};
    entry.name = read_display_name(entry.folder);
    if (!array_append(list, &entry)) break;
  }
  // Insertion sort: a handful of tracks, and ties fall in folder order.
  for (int i = 1; i < list->count; i++) {
    TrackEntry moving = *array_at<TrackEntry>(list, i);
    int j = i;
    for (; j > 0 && track_goes_before(&moving, array_at<TrackEntry>(list, j - 1)); j--)
      *array_at<TrackEntry>(list, j) = *array_at<TrackEntry>(list, j - 1);
    *array_at<TrackEntry>(list, j) = moving;
  }
  if (debug)
    for (int i = 0; i < list->count; i++)
      kuvo_log("%s -> %s\n", array_at<TrackEntry>(list, i)->folder, array_at<TrackEntry>(list, i)->name);
}

void find_demos(const char* const* files, Array* list, bool debug) {
  empty_array(list, sizeof(DemoEntry));
  for (int i = 0; files && files[i]; i++) {
    const char* file = files[i];
    if (strncasecmp(file, "demos/", 6) || !ends_with(file, ".qvdemo")) continue;
    const char* base = base_name(file);
    char name[DATA_PATH_MAX + 1];
    snprintf(name, sizeof name, "%.*s", (int)(strlen(base) - strlen(".qvdemo")), base);
    DemoEntry entry = {intern_string(file), intern_string(name)};
    if (!array_append(list, &entry)) break;
    if (debug) kuvo_log("%s -> %s\n", entry.file, entry.name);
  }
}

int list_tracks(bool debug) {
  find_tracks(data_file_list(), &tracks, debug);
  const char** folders = (const char**)xmalloc(sizeof(char*) * (tracks.count + 1));
  const char** names = (const char**)xmalloc(sizeof(char*) * (tracks.count + 1));
  for (int i = 0; i < tracks.count; i++) {
    folders[i] = array_at<TrackEntry>(&tracks, i)->folder;
    names[i] = array_at<TrackEntry>(&tracks, i)->name;
  }
  settings_set_tracks(folders, names, tracks.count);
  free(folders);
  free(names);
  return tracks.count;
}

int list_demos(bool debug) {
  find_demos(data_file_list(), &demos, debug);
  demo_page = 0;
  return demos.count;
}

int track_count() { return tracks.count; }
const TrackEntry* track_at(int index) {
  return index >= 0 && index < tracks.count ? array_at<TrackEntry>(&tracks, index) : nullptr;
}
int demo_count() { return demos.count; }
const DemoEntry* demo_at(int index) {
  return index >= 0 && index < demos.count ? array_at<DemoEntry>(&demos, index) : nullptr;
}

// The length of a variant's image suffix, or 0 when the name is no variant
// image (normal and specular maps belong to their image).
static size_t image_suffix_length(const char* name) {
  static const char* const images[] = {".png", ".png.scram"};
  for (const char* suffix : images) {
    if (!ends_with(name, suffix)) continue;
    size_t stem = strlen(name) - strlen(suffix);
    bool map = (stem >= 5 && !strncasecmp(name + stem - 5, "_norm", 5)) ||
               (stem >= 5 && !strncasecmp(name + stem - 5, "_spec", 5));
    return map ? 0 : strlen(suffix);
  }
  return 0;
}

void list_texture_variants(const char* prefix, Array* paths, Array* names) {
  empty_array(paths, sizeof(const char*));
  empty_array(names, sizeof(const char*));
  const char* none = intern_string("");
  const char* fallback = intern_string("default");
  array_append(paths, &none);
  array_append(names, &fallback);
  const char* const* files = data_file_list();
  size_t prefix_length = strlen(prefix);
  for (int i = 0; files && files[i]; i++) {
    const char* file = files[i];
    size_t suffix = image_suffix_length(file);
    const char* base = base_name(file);
    if (!suffix || strlen(base) < prefix_length + suffix || strncasecmp(base, prefix, prefix_length))
      continue;
    size_t name_length = strlen(base) - prefix_length - suffix;
    char buffer[DATA_PATH_MAX + 2];
    snprintf(buffer, sizeof buffer, "@%s", file);
    if (ends_with(buffer, ".scram")) buffer[strlen(buffer) - strlen(".scram")] = 0;
    const char* path = intern_string(buffer);
    snprintf(buffer, sizeof buffer, "%.*s", (int)name_length, base + prefix_length);
    const char* name = intern_string(buffer);
    if (!array_append(paths, &path) || !array_append(names, &name)) break;
  }
}

