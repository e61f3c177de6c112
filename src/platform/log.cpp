// The log file: opened on the first message, time-stamped lines, flushed and
// committed to disk per message while flushing is on. Safe from any thread.
#include "platform/kuvo.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <unistd.h>

static std::recursive_mutex log_mutex;
static FILE* log_file = nullptr;
static bool log_initialised = false;
static bool log_flush = true;
static std::string last_error = "Unknown";

void kuvo_format_stamp(char* buffer, int size, uint64_t ms) {
  uint64_t hundredths = ms / 10;
  snprintf(buffer, size, "[%d:%02d:%02d.%02d] ", (int)(hundredths / 360000),
           (int)(hundredths / 6000 % 60), (int)(hundredths / 100 % 60), (int)(hundredths % 100));
}

static void open_log(const char* requested) {
  const char* name = getenv("KUVO_LOGFILE");
  if (!name) name = requested;
  log_initialised = true;
  if (!name) return;
  const char* mode = "w";
  if (!strncmp(name, ">>", 2)) {
    mode = "a";
    name += 2;
  } else if (name[0] == '>') {
    name += 1;
  }
  const char* flags = getenv("KUVO_LOGFILE_FLAGS");
  if (flags) mode = flags;
  log_file = fopen(name, mode);
  if (!log_file) return;
  kuvo_log("Logfile \"%s\" opened\n", name);
  kuvo_log("KUVO 0.31\n");
}

static void write_message(const char* format, va_list args) {
  char stamp[32];
  kuvo_format_stamp(stamp, sizeof stamp, get_time_ms());
  fputs(stamp, log_file);
  vfprintf(log_file, format, args);
  if (log_flush) {
    fflush(log_file);
    fsync(fileno(log_file));
  }
}

void kuvo_log(const char* format, ...) {
  std::lock_guard<std::recursive_mutex> lock(log_mutex);
  if (!format) {
    if (log_file) fclose(log_file);
    log_file = nullptr;
    return;
  }
  static const char request[] = "KUVO_LOGFILE=";
  if (!log_initialised) {
    if (!strncmp(format, request, sizeof request - 1)) {
      va_list args;
      va_start(args, format);
      char text[4096];
      vsnprintf(text, sizeof text, format, args);
      va_end(args);
      open_log(text + sizeof request - 1);
      return;
    }
    open_log(nullptr);
  } else if (!strncmp(format, request, sizeof request - 1)) {
    return;  // the environment or an earlier request already decided
  }
  if (format[0] == '\x13') {
    if (!strcmp(format + 1, "FLUSH")) log_flush = true;
    else if (!strcmp(format + 1, "NOFLUSH")) log_flush = false;
    return;
  }
  if (!log_file) return;
  va_list args;
  va_start(args, format);
  write_message(format, args);
  va_end(args);
}

void kuvo_log_reset() {
  std::lock_guard<std::recursive_mutex> lock(log_mutex);
  if (log_file) fclose(log_file);
  log_file = nullptr;
  log_initialised = false;
  log_flush = true;
}

void kuvo_error(const char* text) {
  kuvo_log("Error: %s\n", text);
  std::lock_guard<std::recursive_mutex> lock(log_mutex);
  last_error = text;
}

const char* kuvo_last_error() {
  std::lock_guard<std::recursive_mutex> lock(log_mutex);
  return last_error.c_str();
}
