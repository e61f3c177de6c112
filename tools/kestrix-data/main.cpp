// kestrix-data: lists, reads, packs, unpacks, digests and scrambles game
// data through the same layer the game uses.
#include "files/archive.h"
#include "files/data.h"
#include "files/digest.h"
#include "files/scramble.h"
#include "files/stream.h"
#include "track/track_info.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

// Exit codes: 0 done, 1 a file could not be read or written, 2 bad usage.
enum { EXIT_OK = 0, EXIT_FAILED = 1, EXIT_USAGE = 2 };

static const char usage_text[] =
    "Usage: kestrix-data COMMAND [ARGUMENTS]\n"
    "  list [TEXT]                 data names and their files (\"name -> path\"),\n"
    "                              only those containing TEXT (any letter case)\n"
    "  cat NAME                    the bytes of a data name as the game reads them\n"
    "  pack FOLDER ARCHIVE.saf     pack every file below FOLDER into an archive\n"
    "  unpack ARCHIVE.saf FOLDER   write every member of an archive into FOLDER\n"
    "  digest FILE...              the RIPEMD-160 digest of each file\n"
    "  scramble IN OUT             write IN in the scrambled form\n"
    "  unscramble IN OUT           write the plain bytes of a scrambled IN\n"
    "  trackinfo TRACK             load a track folder and report what it holds\n"
    "The search folders are $XDG_DATA_HOME/Kestrix/ (or ~/.local/share/Kestrix/),\n"
    "then $QV_HOME/ or the folder of this program.\n";

static int usage() {
  fputs(usage_text, stderr);
  return EXIT_USAGE;
}

static bool contains_ignoring_case(const char* text, const char* part) {
  size_t n = strlen(part);
  for (; *text; text++)
    if (strncasecmp(text, part, n) == 0) return true;
  return n == 0;
}

static int list(const char* filter) {
  char line[4096];
  for (int i = 0; describe_data_file(i, line, sizeof line); i++)
    if (!filter || contains_ignoring_case(line, filter)) puts(line);
  return EXIT_OK;
}

// Copies a stream to a file (or standard output for null); false on a short write.
static bool copy_stream(Stream* in, FILE* out) {
  static unsigned char buffer[65536];
  size_t n;
  while ((n = stream_read(in, buffer, sizeof buffer)) > 0)
    if (fwrite(buffer, 1, n, out) != n) return false;
  return fflush(out) == 0;
}

static int cat(const char* name) {
  char data_name[2048];
  snprintf(data_name, sizeof data_name, "%s%s", name[0] == '@' ? "" : "@", name);
  Stream* in = data_open(data_name, "rb");
  if (!in) {
    fprintf(stderr, "kestrix-data: no data file '%s'\n", name);
    return EXIT_FAILED;
  }
  bool ok = copy_stream(in, stdout);
  data_close(in);
  if (!ok) fprintf(stderr, "kestrix-data: can't write the output\n");
  return ok ? EXIT_OK : EXIT_FAILED;
}

static int digest(int count, char** files) {
  int status = EXIT_OK;
  for (int i = 0; i < count; i++) {
    Stream* in = stream_open_file(files[i], "rb");
    if (!in) {
      fprintf(stderr, "kestrix-data: can't read '%s'\n", files[i]);
      status = EXIT_FAILED;
      continue;
    }
    Digest state;
    digest_init(&state);
    digest_stream(&state, in);
    data_close(in);
    unsigned char result[DIGEST_SIZE];
    char hex[DIGEST_HEX_SIZE];
    digest_final(&state, result);
    digest_to_hex(result, hex);
    printf("%s  %s\n", hex, files[i]);
  }
  return status;
}

// Reads a whole file into memory; null on failure.
static unsigned char* read_file(const char* path, size_t* size) {
  Stream* in = stream_open_file(path, "rb");
  if (!in) return nullptr;
  size_t capacity = 65536, n = 0, got;
  unsigned char* bytes = (unsigned char*)xmalloc(capacity);
  while ((got = stream_read(in, bytes + n, capacity - n)) > 0) {
    n += got;
    if (n == capacity) bytes = (unsigned char*)xrealloc(bytes, capacity *= 2);
  }
  data_close(in);
  *size = n;
  return bytes;
}

static int scramble(const char* in_path, const char* out_path) {
  size_t size;
  unsigned char* bytes = read_file(in_path, &size);
  if (!bytes) {
    fprintf(stderr, "kestrix-data: can't read '%s'\n", in_path);
    return EXIT_FAILED;
  }
  // The seed comes from the content, so the same file always scrambles the same.
  Digest state;
  unsigned char sum[DIGEST_SIZE];
  digest_init(&state);
  digest_update(&state, bytes, size);
  digest_final(&state, sum);
  uint32_t seed = sum[0] | sum[1] << 8 | sum[2] << 16 | (uint32_t)sum[3] << 24;
  unsigned char header[SCRAMBLE_HEADER_SIZE];
  scramble_header(seed, header);
  ScrambleState keystream;
  scramble_start(&keystream, seed);
  scramble_apply(&keystream, bytes, size);
  Stream* out = data_open_replacing(out_path, "wb");
  bool ok = out && stream_write(out, header, sizeof header) == sizeof header && stream_write(out, bytes, size) == size;
  if (out) ok = ok ? data_close(out) : (stream_discard(out), false);
  free(bytes);
  if (!ok) fprintf(stderr, "kestrix-data: can't write '%s'\n", out_path);
  return ok ? EXIT_OK : EXIT_FAILED;
}

static int unscramble(const char* in_path, const char* out_path) {
  Stream* in = stream_open_member(in_path, 0, STREAM_WHOLE_FILE, false, true);
  if (!in) {
    fprintf(stderr, "kestrix-data: '%s' is not a scrambled file\n", in_path);
    return EXIT_FAILED;
  }
  Stream* out = data_open_replacing(out_path, "wb");
  bool ok = out != nullptr;
  static unsigned char buffer[65536];
  size_t n;
  while (ok && (n = stream_read(in, buffer, sizeof buffer)) > 0) ok = stream_write(out, buffer, n) == n;
  data_close(in);
  if (out) ok = ok ? data_close(out) : (stream_discard(out), false);
  if (!ok) fprintf(stderr, "kestrix-data: can't write '%s'\n", out_path);
  return ok ? EXIT_OK : EXIT_FAILED;
}

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const char* command = argv[1];
  int rest = argc - 2;
  char error[1024];
  if (!strcmp(command, "list") && rest <= 1) return list(rest ? argv[2] : nullptr);
  if (!strcmp(command, "cat") && rest == 1) return cat(argv[2]);
  if (!strcmp(command, "digest") && rest >= 1) return digest(rest, argv + 2);
  if (!strcmp(command, "scramble") && rest == 2) return scramble(argv[2], argv[3]);
  if (!strcmp(command, "unscramble") && rest == 2) return unscramble(argv[2], argv[3]);
  if (!strcmp(command, "trackinfo") && rest == 1) return track_info_report(argv[2], stdout);
  if (!strcmp(command, "pack") && rest == 2) {
    if (saf_pack_folder(argv[2], argv[3], error, sizeof error)) return EXIT_OK;
    fprintf(stderr, "kestrix-data: %s\n", error);
    return EXIT_FAILED;
  }
  if (!strcmp(command, "unpack") && rest == 2) {
    if (saf_unpack(argv[2], argv[3], error, sizeof error)) return EXIT_OK;
    fprintf(stderr, "kestrix-data: %s\n", error);
    return EXIT_FAILED;
  }
  if (!strcmp(command, "--help") || !strcmp(command, "-h") || !strcmp(command, "help")) {
    fputs(usage_text, stdout);
    return EXIT_OK;
  }
  return usage();
}
