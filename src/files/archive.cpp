// ".saf" archives: reading and validating the header, packing a folder and
// unpacking into one without ever leaving it.
#include "files/archive.h"

#include "files/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

enum { SAF_LINE_MAX = 1024, COPY_BLOCK = 65536 };

static bool fail(char* error, int size, const char* format, const char* detail) {
  if (error && size > 0) snprintf(error, size, format, detail);
  return false;
}

bool saf_name_is_safe(const char* name) {
  if (!name[0] || name[0] == '/') return false;
  const char* component = name;
  for (const char* p = name;; p++) {
    if (*p && (unsigned char)*p < 32) return false;
    if (*p == '/' || !*p) {
      size_t n = (size_t)(p - component);
      if (n == 0 || (n == 1 && component[0] == '.') || (n == 2 && component[0] == '.' && component[1] == '.'))
        return false;
      if (!*p) return true;
      component = p + 1;
    }
  }
}

void saf_free_members(Array* members) {
  for (int i = 0; i < members->count; i++) free(array_at<SafMember>(members, i)->name);
  array_free(members);
}

static void collapse_slashes(char* name) {
  char* out = name;
  for (char* p = name; *p; p++) {
    if (*p == '/' && out > name && out[-1] == '/') continue;
    *out++ = *p;
  }
  *out = 0;
}

bool saf_read_header(const char* path, Array* members, char* error, int error_size) {
  array_init(members, sizeof(SafMember));
  FILE* file = fopen(path, "rb");
  if (!file) return fail(error, error_size, "can't open %s", strerror(errno));
  struct stat st;
  if (fstat(fileno(file), &st) != 0) {
    fclose(file);
    return fail(error, error_size, "can't read %s", strerror(errno));
  }
  char line[SAF_LINE_MAX];
  uint64_t header_length = 0, data_length = 0;
  bool ok = false;
  const char* why = "header has no end line";
  while (fgets(line, sizeof line, file)) {
    size_t n = strlen(line);
    header_length += n;
    if (n == 0 || line[n - 1] != '\n') {
      why = "header line too long or cut off";
      break;
    }
    line[--n] = 0;
    if (!strcmp(line, "-")) {
      ok = true;
      break;
    }
    char* p = line;
    uint64_t size = 0;
    if (*p < '0' || *p > '9') {
      why = "header line does not begin with a size";
      break;
    }
    while (*p >= '0' && *p <= '9' && size <= 0xffffffffu) size = size * 10 + (uint64_t)(*p++ - '0');
    if (size > 0xffffffffu) {
      why = "member size too large";
      break;
    }
    if (*p != ' ' && *p != '\t') {
      why = "header line lacks the blank after the size";
      break;
    }
    char* name = p + 1;
    collapse_slashes(name);
    if (!saf_name_is_safe(name)) {
      why = "unsafe member name";
      break;
    }
    SafMember member = {xstrdup(name), 0, (uint32_t)size};
    array_append(members, &member);
    data_length += size;
  }
  fclose(file);
  if (ok && header_length + data_length > (uint64_t)st.st_size) {
    ok = false;
    why = "member sizes run past the end of the file";
  }
  if (ok && header_length + data_length > 0xffffffffu) {
    ok = false;
    why = "archive too large";
  }
  if (!ok) {
    saf_free_members(members);  // leaves nothing to free
    return fail(error, error_size, "%s", why);
  }
  uint64_t offset = header_length;
  for (int i = 0; i < members->count; i++) {
    SafMember* member = array_at<SafMember>(members, i);
    member->offset = (uint32_t)offset;
    offset += member->size;
  }
  return true;
}

// ---- packing ----

enum { PACK_DEPTH_MAX = 32 };

// `trail` holds the folders being walked, so a link loop is not followed.
static void collect(const char* folder, const char* relative, Array* names, int depth, struct stat* skip,
                    struct stat* trail) {
  char directory[4096];
  snprintf(directory, sizeof directory, "%s/%s", folder, relative);
  struct stat self;
  if (depth > PACK_DEPTH_MAX || stat(directory, &self) != 0) return;
  for (int i = 0; i < depth; i++)
    if (trail[i].st_dev == self.st_dev && trail[i].st_ino == self.st_ino) return;
  trail[depth] = self;
  DIR* dir = opendir(directory);
  if (!dir) return;
  while (struct dirent* d = readdir(dir)) {
    if (!strcmp(d->d_name, ".") || !strcmp(d->d_name, "..")) continue;
    char name[4096], path[8192];
    snprintf(name, sizeof name, "%s%s%s", relative, relative[0] ? "/" : "", d->d_name);
    snprintf(path, sizeof path, "%s/%s", folder, name);
    struct stat st;
    if (stat(path, &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) collect(folder, name, names, depth + 1, skip, trail);
    else if (S_ISREG(st.st_mode) && !(st.st_dev == skip->st_dev && st.st_ino == skip->st_ino)) {
      char* copy = xstrdup(name);
      array_append(names, &copy);
    }
  }
  closedir(dir);
}

static bool copy_bytes(FILE* in, Stream* out, uint64_t count) {
  unsigned char* block = (unsigned char*)xmalloc(COPY_BLOCK);
  bool ok = true;
  while (count > 0 && ok) {
    size_t want = count < COPY_BLOCK ? (size_t)count : (size_t)COPY_BLOCK;
    size_t got = fread(block, 1, want, in);
    if (got != want || stream_write(out, block, got) != got) ok = false;
    count -= got;
  }
  free(block);
  return ok;
}

bool saf_pack_folder(const char* folder, const char* archive, char* error, int error_size) {
  struct stat st;
  if (stat(folder, &st) != 0 || !S_ISDIR(st.st_mode)) return fail(error, error_size, "'%s' is not a folder", folder);
  // An archive written inside the folder must not pack itself.
  struct stat skip = {};
  if (stat(archive, &skip) != 0) skip.st_ino = 0, skip.st_dev = 0;
  Array names;
  array_init(&names, sizeof(char*));
  struct stat trail[PACK_DEPTH_MAX + 1];
  collect(folder, "", &names, 0, &skip, trail);
  char** first = array_at<char*>(&names, 0);
  std::sort(first, first + names.count, [](const char* a, const char* b) { return strcmp(a, b) < 0; });
  bool ok = true;
  uint64_t* sizes = (uint64_t*)xmalloc(sizeof(uint64_t) * (names.count + 1));
  uint64_t total = 0;
  char path[8192];
  for (int i = 0; i < names.count && ok; i++) {
    snprintf(path, sizeof path, "%s/%s", folder, first[i]);
    if (!saf_name_is_safe(first[i]) || strlen(first[i]) + 12 > SAF_LINE_MAX - 1)
      ok = fail(error, error_size, "can't pack the name '%s'", first[i]);
    else if (stat(path, &st) != 0) ok = fail(error, error_size, "can't read '%s'", path);
    else {
      sizes[i] = (uint64_t)st.st_size;
      total += sizes[i] + strlen(first[i]) + 12;
      if (sizes[i] > 0xffffffffu || total > 0xffffffffu) ok = fail(error, error_size, "'%s' makes the archive too large", path);
    }
  }
  Stream* out = ok ? data_open_replacing(archive, "wb") : nullptr;
  if (ok && !out) ok = fail(error, error_size, "can't write '%s'", archive);
  for (int i = 0; i < names.count && ok; i++) stream_printf(out, "%llu %s\n", (unsigned long long)sizes[i], first[i]);
  if (ok) stream_puts(out, "-\n");
  for (int i = 0; i < names.count && ok; i++) {
    snprintf(path, sizeof path, "%s/%s", folder, first[i]);
    FILE* in = fopen(path, "rb");
    if (!in || !copy_bytes(in, out, sizes[i])) ok = fail(error, error_size, "can't read '%s' whole", path);
    if (in) fclose(in);
  }
  if (out) {
    if (ok) {
      if (!data_close(out)) ok = fail(error, error_size, "can't write '%s'", archive);
    } else {
      stream_discard(out);
    }
  }
  for (int i = 0; i < names.count; i++) free(first[i]);
  array_free(&names);
  free(sizes);
  return ok;
}

// ---- unpacking ----

// Makes every folder of `name` below `root`, refusing anything that is not
// a real folder already (a link could lead outside).
static bool make_member_folders(const char* root, const char* name, char* error, int error_size) {
  char path[8192];
  int base = snprintf(path, sizeof path, "%s/", root);
  for (const char* p = name; (p = strchr(p, '/')); p++) {
    snprintf(path + base, sizeof path - base, "%.*s", (int)(p - name), name);
    struct stat st;
    if (lstat(path, &st) == 0) {
      if (!S_ISDIR(st.st_mode)) return fail(error, error_size, "'%s' is in the way", path);
    } else if (mkdir(path, 0755) != 0) {
      return fail(error, error_size, "can't create the folder '%s'", path);
    }
  }
  return true;
}

bool saf_unpack(const char* archive, const char* folder, char* error, int error_size) {
  Array members;
  char why[256];
  if (!saf_read_header(archive, &members, why, sizeof why)) {
    if (error && error_size > 0) snprintf(error, error_size, "'%s': %s", archive, why);
    return false;
  }
  mkdir(folder, 0755);
  struct stat st;
  bool ok = stat(folder, &st) == 0 && S_ISDIR(st.st_mode);
  if (!ok) fail(error, error_size, "can't create the folder '%s'", folder);
  FILE* in = ok ? fopen(archive, "rb") : nullptr;
  if (ok && !in) ok = fail(error, error_size, "can't open '%s'", archive);
  for (int i = 0; i < members.count && ok; i++) {
    SafMember* member = array_at<SafMember>(&members, i);
    char path[8192];
    snprintf(path, sizeof path, "%s/%s", folder, member->name);
    if (!make_member_folders(folder, member->name, error, error_size)) {
      ok = false;
      break;
    }
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0644);
    if (fd < 0) {
      ok = fail(error, error_size, "can't write '%s'", path);
      break;
    }
    FILE* file = fdopen(fd, "wb");
    if (!file) {
      close(fd);
      ok = fail(error, error_size, "can't write '%s'", path);
      break;
    }
    unsigned char* block = (unsigned char*)xmalloc(COPY_BLOCK);
    uint64_t left = member->size;
    if (fseeko(in, member->offset, SEEK_SET) != 0) ok = false;
    while (ok && left > 0) {
      size_t want = left < COPY_BLOCK ? (size_t)left : (size_t)COPY_BLOCK;
      if (fread(block, 1, want, in) != want || fwrite(block, 1, want, file) != want) ok = false;
      left -= want;
    }
    free(block);
    if (fclose(file) != 0) ok = false;
    if (!ok) fail(error, error_size, "can't copy '%s' whole", member->name);
  }
  if (in) fclose(in);
  saf_free_members(&members);
  return ok;
}
