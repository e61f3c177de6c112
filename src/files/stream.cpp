// Placeholder bodies; replaced by the real module.
#include "files/stream.h"
#include "files/stream.h"
Stream* data_open(const char* name, const char* mode) { return 0; }
Stream* data_open_replacing(const char* name, const char* mode) { return 0; }
Stream* stream_open_file(const char* path, const char* mode) { return 0; }
Stream* stream_open_member(const char* path, int64_t offset, int64_t size, bool compressed, bool scrambled) { return 0; }
Stream* stream_open_memory(const void* bytes, size_t size, bool compressed, bool scrambled) { return 0; }
Stream* stream_open_memory_writer() { return 0; }
const char* stream_memory_bytes(Stream* stream, size_t* size) { return 0; }
bool data_close(Stream* stream) { return 0; }
void stream_discard(Stream* stream) {  }
int stream_getc(Stream* stream) { return 0; }
int stream_peekc(Stream* stream) { return 0; }
char* stream_gets(Stream* stream, char* buffer, int size) { return 0; }
size_t stream_read(Stream* stream, void* buffer, size_t count) { return 0; }
int stream_scanf(Stream* stream, const char* format, ...) { return 0; }
int stream_vscanf(Stream* stream, const char* format, va_list arguments) { return 0; }
int stream_read_int(Stream* stream) { return 0; }
void stream_skip_comments(Stream* stream) {  }
bool stream_seek(Stream* stream, int64_t offset) { return 0; }
int64_t stream_position(const Stream* stream) { return 0; }
int stream_putc(Stream* stream, int c) { return 0; }
int stream_puts(Stream* stream, const char* text) { return 0; }
size_t stream_write(Stream* stream, const void* bytes, size_t count) { return 0; }
int stream_printf(Stream* stream, const char* format, ...) { return 0; }
bool stream_flush(Stream* stream) { return 0; }
bool data_rename(const char* from, const char* to) { return 0; }
