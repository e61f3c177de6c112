// Streams: the one way the game reads and writes bytes. A stream reads a
// whole file, one member of an archive, or memory, and decodes gzip and
// scrambled data on the fly; it never delivers a byte past its limit.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>

struct StreamInflater;     // zlib state with its 16 KiB in / 1 KiB out buffers
struct StreamDescrambler;  // keystream state with its buffer

enum { STREAM_WHOLE_FILE = 0x7fffffff };

struct Stream {
  FILE* file;                  // null for memory streams
  const unsigned char* memory; // bytes of a memory read stream
  int64_t start;               // offset of the data in the file
  int64_t limit;               // size of the stored data, STREAM_WHOLE_FILE for a file
  int64_t raw_read;            // stored bytes taken so far (never above limit)
  int64_t position;            // decoded bytes delivered so far
  int pushed_back;             // one byte given back, or -1
  bool compressed;
  bool scrambled;
  bool writing;
  bool write_failed;           // a write or flush came up short
  StreamInflater* inflater;
  StreamDescrambler* descrambler;
  char* memory_output;         // open_memstream buffer of a memory writer
  size_t memory_output_size;
  char* final_path;            // replacing writers: the file the temp is renamed to
  char* temp_path;             // replacing writers: the file being written
};

// Opens a data name ("@..." through the search folders and the index) or a
// path, with an fopen mode optionally prefixed with "~" (numbered backups).
// Read modes fall back to ".gz", ".scram" and ".gz.scram". Null on failure.
Stream* data_open(const char* name, const char* mode);
// For small files written whole: like data_open, but bytes go to a temporary
// file beside the target, renamed over it by a successful data_close. A "~"
// prefix still makes the numbered backup first. Write modes only.
Stream* data_open_replacing(const char* name, const char* mode);
// Exactly this path: no data names, no variants, no decoding. Write modes
// create missing parent folders.
Stream* stream_open_file(const char* path, const char* mode);
// Reads `size` stored bytes at `offset` of a file, decoding as asked.
Stream* stream_open_member(const char* path, int64_t offset, int64_t size, bool compressed, bool scrambled);
// Reads bytes in memory (they must outlive the stream), decoding as asked.
Stream* stream_open_memory(const void* bytes, size_t size, bool compressed = false, bool scrambled = false);
// A writer into a growing memory buffer; see stream_memory_bytes.
Stream* stream_open_memory_writer();
// The bytes written so far to a memory writer (valid until the next write or close).
const char* stream_memory_bytes(Stream* stream, size_t* size);
// Closes any stream; false when a write failed or a replacing rename failed
// (the old file then stays as it was). A null stream is ignored (true).
bool data_close(Stream* stream);
// Closes a replacing writer without touching the target (the temp file is removed).
void stream_discard(Stream* stream);

// Reading. All reads deliver the pushed-back byte first.
int stream_getc(Stream* stream);                              // next byte, or -1 at the end
int stream_peekc(Stream* stream);                             // next byte, left to be read again
char* stream_gets(Stream* stream, char* buffer, int size);    // fgets rules; null when nothing read
size_t stream_read(Stream* stream, void* buffer, size_t count); // up to count bytes, never past the limit
// scanf conversions d i o u x X f e g s c [ n % with widths, "*" and h hh l ll L q j z t;
// the first byte not used is pushed back. Returns the assignments made, or
// -1 when the input ended before the first conversion.
int stream_scanf(Stream* stream, const char* format, ...) __attribute__((format(scanf, 2, 3)));
int stream_vscanf(Stream* stream, const char* format, va_list arguments);
int stream_read_int(Stream* stream);                          // one "%d", or INT32_MIN when none
void stream_skip_comments(Stream* stream);                    // white space and "#" lines
bool stream_seek(Stream* stream, int64_t offset);             // plain reads only; offset below the limit
int64_t stream_position(const Stream* stream);                // decoded bytes consumed so far

// Writing (plain files and memory writers).
int stream_putc(Stream* stream, int c);                       // c, or -1
int stream_puts(Stream* stream, const char* text);            // >= 0, or -1
size_t stream_write(Stream* stream, const void* bytes, size_t count);
int stream_printf(Stream* stream, const char* format, ...) __attribute__((format(printf, 2, 3)));
bool stream_flush(Stream* stream);

// Renames a file; "@" names resolve in the home folder. The target is
// removed first. Parent folders of the target are created.
bool data_rename(const char* from, const char* to);
