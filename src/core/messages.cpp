// The message ring: every user-visible status line, logged and kept for the
// HUD, which shows the newest few until they expire.
#include "core/helpers.h"
#include "platform/kuvo.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

double game_clock = 0.0;

static char ring[MESSAGE_RING_SIZE][MESSAGE_LINE_SIZE];
static int write_index = 0;
static int visible_count = 0;
static int line_limit = 5;
static double expiry_time = 0.0;

void message_ring_clear() {
  memset(ring, 0, sizeof ring);
  write_index = 0;
  visible_count = 0;
  expiry_time = 0.0;
}

void show_message(const char* text) {
  size_t length = strlen(text);
  const char* reset = strchr(text, 27) ? "\x1b[0m" : "";
  if (length && text[length - 1] == '\n')
    kuvo_log("%s%s", text, reset);
  else
    kuvo_log("%s%s\n", text, reset);
  char* entry = ring[write_index];
  memset(entry, 0, MESSAGE_LINE_SIZE);
  strncpy(entry, text, MESSAGE_LINE_SIZE - 1);
  write_index = (write_index + 1) % MESSAGE_RING_SIZE;
  if (visible_count < line_limit) visible_count++;
  expiry_time = game_clock + 2.0;
}

void show_messagef(const char* format, ...) {
  char text[1024];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  show_message(text);
}

const char* message_line(int age) {
  int index = ((write_index - 1 - age) % MESSAGE_RING_SIZE + MESSAGE_RING_SIZE) % MESSAGE_RING_SIZE;
  return ring[index];
}

int message_visible_count() { return visible_count; }

void message_set_line_limit(int lines) {
  line_limit = lines;
  if (visible_count > line_limit) visible_count = line_limit;
}

void message_expire_tick() {
  if (game_clock > expiry_time && visible_count > 0) {
    visible_count--;
    expiry_time = game_clock + 5.0;
  }
}
