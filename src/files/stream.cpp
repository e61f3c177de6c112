// Streams: opening data names and paths, the stored/descrambled/inflated
// byte layers, the writers with backups and replace-on-close.
#include "files/stream.h"

#include "core/helpers.h"
#include "files/data.h"
#include "files/scramble.h"
#include "platform/kuvo.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

enum { INFLATE_IN_SIZE = 16384, INFLATE_OUT_SIZE = 1024, DESCRAMBLE_SIZE = 1024, BACKUP_BLOCK = 65536 };

struct StreamInflater {
  z_stream z;
  unsigned char in[INFLATE_IN_SIZE];
  unsigned char out[INFLATE_OUT_SIZE];
  size_t out_pos, out_len;
  int64_t consumed;  // compressed bytes handed to inflate
  bool ended;
  bool started;      // inflateInit2 done, so inflateEnd is due
};

struct StreamDescrambler {
  ScrambleState state;
  unsigned char buffer[DESCRAMBLE_SIZE];
  size_t pos, len;
};

static bool is_read_mode(const char* mode) { return strchr(mode, 'r') && !strchr(mode, '+'); }

static Stream* stream_new() {
  Stream* s = (Stream*)xmalloc(sizeof(Stream));
  memset(s, 0, sizeof *s);
  s->limit = STREAM_WHOLE_FILE;
  s->pushed_back = -1;
  return s;
}

static void stream_free(Stream* s) {
  if (s->inflater) {
    if (s->inflater->started) inflateEnd(&s->inflater->z);
    free(s->inflater);
  }
  free(s->descrambler);
  free(s->memory_output);
  free(s->final_path);
  free(s->temp_path);
  free(s);
}

// ---- stored bytes: the file or memory range, never past the limit ----

static size_t stored_read(Stream* s, void* buffer, size_t count) {
  int64_t left = s->limit - s->raw_read;
  if (left <= 0 || count == 0) return 0;
  if ((int64_t)count > left) count = (size_t)left;
  size_t got;
  if (s->memory) {
    memcpy(buffer, s->memory + s->start + s->raw_read, count);
    got = count;
  } else {
    got = fread(buffer, 1, count, s->file);
  }
  s->raw_read += got;
  return got;
}

// ---- descrambled bytes ----

static size_t descrambled_read(Stream* s, void* buffer, size_t count) {
  StreamDescrambler* d = s->descrambler;
  unsigned char* out = (unsigned char*)buffer;
  size_t done = 0;
  while (done < count) {
    if (d->pos < d->len) {
      size_t n = d->len - d->pos;
      if (n > count - done) n = count - done;
      memcpy(out + done, d->buffer + d->pos, n);
      d->pos += n;
      done += n;
      continue;
    }
    if (count - done >= DESCRAMBLE_SIZE) {
      size_t got = stored_read(s, out + done, count - done);
      if (!got) break;
      scramble_apply(&d->state, out + done, got);
      done += got;
      continue;
    }
    d->len = stored_read(s, d->buffer, DESCRAMBLE_SIZE);
    d->pos = 0;
    if (!d->len) break;
    scramble_apply(&d->state, d->buffer, d->len);
  }
  return done;
}

static bool descrambler_start(Stream* s) {
  unsigned char header[SCRAMBLE_HEADER_SIZE];
  if (stored_read(s, header, sizeof header) != sizeof header) return false;
  uint32_t seed;
  if (!scramble_parse_header(header, &seed)) return false;
  s->descrambler = (StreamDescrambler*)xmalloc(sizeof(StreamDescrambler));
  memset(s->descrambler, 0, sizeof *s->descrambler);
  scramble_start(&s->descrambler->state, seed);
  return true;
}

// The bytes the inflater consumes: stored, or descrambled first.
static size_t encoded_read(Stream* s, void* buffer, size_t count) {
  return s->scrambled ? descrambled_read(s, buffer, count) : stored_read(s, buffer, count);
}

// ---- inflated bytes ----

static bool inflater_fill(Stream* s) {
  StreamInflater* f = s->inflater;
  size_t got = encoded_read(s, f->in, INFLATE_IN_SIZE);
  f->z.next_in = f->in;
  f->z.avail_in = (uInt)got;
  return got > 0;
}

static int header_byte(Stream* s) {
  StreamInflater* f = s->inflater;
  if (f->z.avail_in == 0 && !inflater_fill(s)) return -1;
  f->z.avail_in--;
  f->consumed++;
  return *f->z.next_in++;
}

// Our own gzip header parse, then a raw inflate; the trailer is not checked.
static bool inflater_start(Stream* s) {
  s->inflater = (StreamInflater*)xmalloc(sizeof(StreamInflater));
  StreamInflater* f = s->inflater;
  memset(f, 0, sizeof *f);
  if (!inflater_fill(s)) return false;
  if (header_byte(s) != 0x1f || header_byte(s) != 0x8b || header_byte(s) != 8) return false;
  int flags = header_byte(s);
  if (flags < 0 || flags >= 32) return false;
  for (int i = 0; i < 6; i++)
    if (header_byte(s) < 0) return false;
  if (flags & 4) {
    int lo = header_byte(s), hi = header_byte(s);
    if (lo < 0 || hi < 0) return false;
    for (int n = lo | hi << 8; n > 0; n--)
      if (header_byte(s) < 0) return false;
  }
  for (int bit = 8; bit <= 16; bit <<= 1) {
    if (!(flags & bit)) continue;
    int c;
    while ((c = header_byte(s)) > 0) {
    }
    if (c < 0) return false;
  }
  if ((flags & 2) && (header_byte(s) < 0 || header_byte(s) < 0)) return false;
  if (inflateInit2(&f->z, -15) != Z_OK) return false;
  f->started = true;
  return true;
}

// Inflates into out; a truncated or corrupt member simply ends the data.
static size_t inflate_into(Stream* s, unsigned char* out, size_t count) {
  StreamInflater* f = s->inflater;
  if (f->ended) return 0;
  f->z.next_out = out;
  f->z.avail_out = (uInt)count;
  while (f->z.avail_out > 0) {
    if (f->z.avail_in == 0 && !inflater_fill(s)) {
      f->ended = true;  // cut off before the end of the deflate data
      break;
    }
    uInt before = f->z.avail_in;
    int result = inflate(&f->z, Z_NO_FLUSH);
    f->consumed += before - f->z.avail_in;
    if (result == Z_STREAM_END || (result != Z_OK && result != Z_BUF_ERROR)) {
      f->ended = true;
      break;
    }
  }
  return count - f->z.avail_out;
}

static size_t inflated_read(Stream* s, unsigned char* out, size_t count) {
  StreamInflater* f = s->inflater;
  size_t done = 0;
  while (done < count) {
    if (f->out_pos < f->out_len) {
      size_t n = f->out_len - f->out_pos;
      if (n > count - done) n = count - done;
      memcpy(out + done, f->out + f->out_pos, n);
      f->out_pos += n;
      done += n;
      continue;
    }
    // Large reads skip the small buffer; nothing is ever held whole.
    if (count - done >= INFLATE_OUT_SIZE) {
      size_t got = inflate_into(s, out + done, count - done);
      done += got;
      if (!got) break;
      continue;
    }
    f->out_pos = 0;
    f->out_len = inflate_into(s, f->out, INFLATE_OUT_SIZE);
    if (!f->out_len) break;
  }
  return done;
}

// ---- reading ----

int stream_getc(Stream* s) {
  int c;
  if (s->pushed_back >= 0) {
    c = s->pushed_back;
    s->pushed_back = -1;
  } else if (s->compressed) {
    StreamInflater* f = s->inflater;
    if (f->out_pos == f->out_len) {
      f->out_pos = 0;
      f->out_len = inflate_into(s, f->out, INFLATE_OUT_SIZE);
      if (!f->out_len) return -1;
    }
    c = f->out[f->out_pos++];
  } else if (s->scrambled) {
    unsigned char byte;
    if (!descrambled_read(s, &byte, 1)) return -1;
    c = byte;
  } else if (s->memory) {
    if (s->raw_read >= s->limit) return -1;
    c = s->memory[s->start + s->raw_read++];
  } else {
    if (s->writing || s->raw_read >= s->limit) return -1;
    c = getc_unlocked(s->file);
    if (c == EOF) return -1;
    s->raw_read++;
  }
  s->position++;
  return c;
}

int stream_peekc(Stream* s) {
  int c = stream_getc(s);
  if (c >= 0) {
    s->pushed_back = c;
    s->position--;
  }
  return c;
}

char* stream_gets(Stream* s, char* buffer, int size) {
  if (size <= 1) return nullptr;
  int n = 0;
  while (n < size - 1) {
    int c = stream_getc(s);
    if (c < 0) break;
    buffer[n++] = (char)c;
    if (c == '\n') break;
  }
  if (!n) return nullptr;
  buffer[n] = 0;
  return buffer;
}

size_t stream_read(Stream* s, void* buffer, size_t count) {
  if (s->writing || count == 0) return 0;
  unsigned char* out = (unsigned char*)buffer;
  size_t done = 0;
  if (s->pushed_back >= 0) {
    out[done++] = (unsigned char)s->pushed_back;
    s->pushed_back = -1;
  }
  if (s->compressed) done += inflated_read(s, out + done, count - done);
  else if (s->scrambled) done += descrambled_read(s, out + done, count - done);
  else {
    while (done < count) {
      size_t got = stored_read(s, out + done, count - done);
      if (!got) break;
      done += got;
    }
  }
  s->position += done;
  return done;
}

int stream_read_int(Stream* s) {
  int value;
  return stream_scanf(s, "%d", &value) == 1 ? value : INT32_MIN;
}

void stream_skip_comments(Stream* s) {
  for (;;) {
    int64_t before = s->position;
    int n = 0;
    stream_scanf(s, " #%*[^\n]%n", &n);
    if (s->position == before) break;
  }
}

bool stream_seek(Stream* s, int64_t offset) {
  if (s->compressed || s->scrambled || offset < 0 || offset > s->limit) return false;
  if (s->memory) {
    if (s->writing) return false;
  } else {
    if (s->writing && fflush(s->file) != 0) return false;
    if (fseeko(s->file, (off_t)(s->start + offset), SEEK_SET) != 0) return false;
  }
  s->pushed_back = -1;
  s->raw_read = offset;
  s->position = offset;
  return true;
}

int64_t stream_position(const Stream* s) { return s->position; }

// ---- writing ----

int stream_putc(Stream* s, int c) {
  if (!s->writing) return -1;
  if (putc_unlocked(c, s->file) == EOF) {
    s->write_failed = true;
    return -1;
  }
  s->position++;
  return (unsigned char)c;
}

int stream_puts(Stream* s, const char* text) {
  size_t n = strlen(text);
  return stream_write(s, text, n) == n ? 0 : -1;
}

size_t stream_write(Stream* s, const void* bytes, size_t count) {
  if (!s->writing) return 0;
  size_t n = fwrite(bytes, 1, count, s->file);
  if (n != count) s->write_failed = true;
  s->position += n;
  return n;
}

int stream_printf(Stream* s, const char* format, ...) {
  if (!s->writing) return -1;
  va_list arguments;
  va_start(arguments, format);
  int n = vfprintf(s->file, format, arguments);
  va_end(arguments);
  if (n < 0) s->write_failed = true;
  else s->position += n;
  return n;
}

bool stream_flush(Stream* s) {
  if (!s->writing) return true;
  if (fflush(s->file) != 0) s->write_failed = true;
  return !s->write_failed;
}

const char* stream_memory_bytes(Stream* s, size_t* size) {
  if (!s->memory_output) return nullptr;  // not a memory writer
  fflush(s->file);
  *size = s->memory_output_size;
  return s->memory_output;
}

// ---- opening ----

// Every missing "/"-separated prefix of path becomes a folder.
static void create_parents(const char* path) {
  size_t length = strlen(path);
  if (length > DATA_PATH_MAX) return;
  char buffer[DATA_PATH_MAX + 1];
  memcpy(buffer, path, length + 1);
  for (size_t i = 1; i < length; i++) {
    if (buffer[i] != '/') continue;
    buffer[i] = 0;
    mkdir(buffer, 0755);
    buffer[i] = '/';
  }
}

static bool file_exists(const char* path) {
  struct stat st;
  return stat(path, &st) == 0;
}

// fopen, refusing folders (which Linux would open for reading).
static FILE* open_regular(const char* path, const char* mode) {
  FILE* file = fopen(path, mode);
  struct stat st;
  if (file && (fstat(fileno(file), &st) != 0 || S_ISDIR(st.st_mode))) {
    fclose(file);
    return nullptr;
  }
  return file;
}

// Copies the existing file to the first free "path.~N~".
static bool make_backup(const char* path) {
  if (strlen(path) > DATA_BACKUP_PATH_MAX) return false;
  if (!file_exists(path)) return true;
  char backup[DATA_BACKUP_PATH_MAX + 16];
  int i = 1;
  for (; i <= 9999; i++) {
    snprintf(backup, sizeof backup, "%s.~%d~", path, i);
    if (!file_exists(backup)) break;
  }
  if (i > 9999) return false;
  FILE* in = fopen(path, "rb");
  if (!in) return false;
  FILE* out = fopen(backup, "wb");
  if (!out) {
    fclose(in);
    return false;
  }
  unsigned char* block = (unsigned char*)xmalloc(BACKUP_BLOCK);
  bool ok = true;
  for (;;) {
    size_t got = fread(block, 1, BACKUP_BLOCK, in);
    if (got && fwrite(block, 1, got, out) != got) ok = false;
    if (got < BACKUP_BLOCK) {
      if (ferror(in)) ok = false;
      break;
    }
    if (!ok) break;
  }
  free(block);
  fclose(in);
  if (fclose(out) != 0) ok = false;
  if (!ok) remove(backup);
  return ok;
}

// Decoding set-up for a stream whose stored bytes begin at its start.
static Stream* finish_open(Stream* s) {
  if ((s->scrambled && !descrambler_start(s)) || (s->compressed && !inflater_start(s))) {
    if (s->file) fclose(s->file);
    stream_free(s);
    return nullptr;
  }
  return s;
}

Stream* stream_open_file(const char* path, const char* mode) {
  bool reading = is_read_mode(mode);
  if (!reading) create_parents(path);
  FILE* file = open_regular(path, mode);
  if (!file) return nullptr;
  Stream* s = stream_new();
  s->file = file;
  s->writing = !reading;
  return s;
}

Stream* stream_open_member(const char* path, int64_t offset, int64_t size, bool compressed, bool scrambled) {
  if (offset < 0 || size < 0) return nullptr;
  FILE* file = open_regular(path, "rb");
  if (!file) return nullptr;
  if (fseeko(file, (off_t)offset, SEEK_SET) != 0) {
    fclose(file);
    return nullptr;
  }
  Stream* s = stream_new();
  s->file = file;
  s->start = offset;
  s->limit = size;
  s->compressed = compressed;
  s->scrambled = scrambled;
  return finish_open(s);
}

Stream* stream_open_memory(const void* bytes, size_t size, bool compressed, bool scrambled) {
  static const unsigned char empty = 0;
  Stream* s = stream_new();
  s->memory = bytes ? (const unsigned char*)bytes : &empty;
  s->limit = bytes ? (int64_t)size : 0;
  s->compressed = compressed;
  s->scrambled = scrambled;
  return finish_open(s);
}

Stream* stream_open_memory_writer() {
  Stream* s = stream_new();
  s->file = open_memstream(&s->memory_output, &s->memory_output_size);
  if (!s->file) {
    stream_free(s);
    return nullptr;
  }
  fflush(s->file);  // sets memory_output, which marks a memory writer
  s->writing = true;
  return s;
}

// A path with data-name fallbacks: backups for "~", ".gz" and ".scram" variants for reads.
static Stream* open_path(const char* path, const char* mode) {
  bool backup = mode[0] == '~';
  const char* real_mode = backup ? mode + 1 : mode;
  bool reading = is_read_mode(real_mode);
  if (!reading) {
    create_parents(path);
    if (backup && !make_backup(path)) {
      kuvo_log("Warning: can't back up '%.900s'\n", path);
      return nullptr;
    }
  }
  FILE* file = open_regular(path, real_mode);
  bool compressed = false, scrambled = false;
  if (!file && reading) {
    static const char* const suffixes[] = {".gz", ".scram", ".gz.scram"};
    size_t length = strlen(path);
    char* variant = (char*)xmalloc(length + 16);
    for (int i = 0; i < 3 && !file; i++) {
      memcpy(variant, path, length);
      strcpy(variant + length, suffixes[i]);
      file = open_regular(variant, "rb");
      compressed = i != 1;
      scrambled = i != 0;
    }
    free(variant);
  }
  if (!file) return nullptr;
  Stream* s = stream_new();
  s->file = file;
  s->writing = !reading;
  s->compressed = file && reading && compressed;
  s->scrambled = file && reading && scrambled;
  return finish_open(s);
}

// folder + rest, normalised; false when it is too long.
// A data name never climbs out of its search folder: names can come from
// demos, servers and track files.
static bool climbs_out(const char* rest) {
  for (const char* p = rest; (p = strstr(p, "..")); p += 2) {
    bool starts = p == rest || p[-1] == '/' || p[-1] == '\\';
    bool ends = !p[2] || p[2] == '/' || p[2] == '\\';
    if (starts && ends) return true;
  }
  return false;
}

static bool folder_path(char* out, int folder, const char* rest) {
  const char* base = data_folder(folder);
  if (!base || climbs_out(rest)) return false;
  int n = snprintf(out, DATA_NAME_PATH_MAX + 1, "%s%s", base, rest);
  if (n < 0 || n > DATA_NAME_PATH_MAX) return false;
  normalize_path(out);
  return true;
}

static Stream* open_indexed(const char* rest) {
  static const char* const suffixes[] = {"", ".gz", ".scram", ".gz.scram"};
  size_t length = strlen(rest);
  if (length > DATA_PATH_MAX) return nullptr;
  char name[DATA_PATH_MAX + 16];
  const DataEntry* chosen = nullptr;
  int chosen_kind = 0;
  for (int i = 0; i < 4; i++) {
    memcpy(name, rest, length);
    strcpy(name + length, suffixes[i]);
    const DataEntry* entry = data_find(name);
    if (entry && (!chosen || entry->priority < chosen->priority)) {
      chosen = entry;
      chosen_kind = i;
    }
  }
  if (!chosen) return nullptr;
  return stream_open_member(chosen->path, chosen->offset, chosen->size, chosen_kind == 1 || chosen_kind == 3,
                            chosen_kind >= 2);
}

Stream* data_open(const char* name, const char* mode) {
  data_index_count();  // builds the index on first use
  if (name[0] != '@') return open_path(name, mode);
  const char* rest = name + 1;
  char path[DATA_NAME_PATH_MAX + 1];
  for (int i = 0; i < data_folder_count(); i++) {
    if (!folder_path(path, i, rest)) continue;
    Stream* s = open_path(path, mode);
    if (s) return s;
  }
  const char* real_mode = mode[0] == '~' ? mode + 1 : mode;
  if (!is_read_mode(real_mode)) return nullptr;
  return open_indexed(rest);
}

Stream* data_open_replacing(const char* name, const char* mode) {
  bool backup = mode[0] == '~';
  const char* real_mode = backup ? mode + 1 : mode;
  if (is_read_mode(real_mode) || strchr(real_mode, 'a') || strchr(real_mode, '+')) return nullptr;
  char path[DATA_PATH_MAX + 1];
  int folders = name[0] == '@' ? data_folder_count() : 1;
  for (int i = 0; i < folders; i++) {
    if (name[0] == '@') {
      if (!folder_path(path, i, name + 1)) continue;
    } else {
      if (strlen(name) > DATA_PATH_MAX - 8) return nullptr;
      strcpy(path, name);
    }
    create_parents(path);
    if (backup && !make_backup(path)) continue;
    size_t length = strlen(path);
    char* temp = (char*)xmalloc(length + 16);
    snprintf(temp, length + 16, "%s.new-XXXXXX", path);
    int fd = mkstemp(temp);
    if (fd < 0) {
      free(temp);
      continue;
    }
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    FILE* file = fdopen(fd, "wb");
    if (!file) {
      close(fd);
      remove(temp);
      free(temp);
      continue;
    }
    Stream* s = stream_new();
    s->file = file;
    s->writing = true;
    s->temp_path = temp;
    s->final_path = xstrdup(path);
    return s;
  }
  return nullptr;
}

bool data_close(Stream* s) {
  if (!s) return true;
  bool ok = true;
  if (s->file) {
    if (s->writing && fflush(s->file) != 0) s->write_failed = true;
    if (s->temp_path && !s->write_failed && fsync(fileno(s->file)) != 0) s->write_failed = true;
    if (fclose(s->file) != 0 && s->writing) s->write_failed = true;
    s->file = nullptr;
    ok = !s->write_failed;
  }
  if (s->temp_path) {
    if (ok && rename(s->temp_path, s->final_path) != 0) ok = false;
    if (!ok) {
      remove(s->temp_path);
      kuvo_log("Warning: couldn't write '%.900s'\n", s->final_path);
    }
  }
  stream_free(s);
  return ok;
}

void stream_discard(Stream* s) {
  if (!s) return;
  if (s->file) fclose(s->file);
  s->file = nullptr;
  if (s->temp_path) remove(s->temp_path);
  stream_free(s);
}

static bool home_path(char* out, const char* name) {
  if (name[0] != '@') {
    if (strlen(name) > DATA_PATH_MAX) return false;
    strcpy(out, name);
    return true;
  }
  const char* home = data_folder(0);
  if (!home || climbs_out(name + 1)) return false;
  int n = snprintf(out, DATA_PATH_MAX + 1, "%s%s", home, name + 1);
  if (n < 0 || n > DATA_PATH_MAX) return false;
  normalize_path(out);
  return true;
}

bool data_rename(const char* from, const char* to) {
  char a[DATA_PATH_MAX + 1], b[DATA_PATH_MAX + 1];
  if (!home_path(a, from) || !home_path(b, to)) return false;
  if (!file_exists(a)) return false;
  create_parents(b);
  // rename replaces the target in one step, so it is never lost on failure.
  return rename(a, b) == 0;
}

