// Helpers the whole program leans on: on-screen message lines (also logged),
// the fatal-on-failure allocator, interned strings and the growable array.
#pragma once
#include <cstddef>

// The main loop's clock: the sum of granted frame times, in seconds.
extern double game_clock;

// Message ring: 1000 lines of up to 127 characters.
enum { MESSAGE_RING_SIZE = 1000, MESSAGE_LINE_SIZE = 128 };
void show_message(const char* text);
void show_messagef(const char* format, ...) __attribute__((format(printf, 1, 2)));
void message_ring_clear();
// The line written `age` messages ago (0 = newest).
const char* message_line(int age);
int message_visible_count();
// The "message_lines" setting: how many of the newest lines may be visible.
void message_set_line_limit(int lines);
// Hides one visible line once game_clock passes the expiry time.
void message_expire_tick();

// Allocation that cannot fail: on failure the program ends with the
// "Out of virtual memory" box and status 1.
void* xmalloc(size_t size);
void* xrealloc(void* pointer, size_t size);
char* xstrdup(const char* text);

// The stored copy of text, added on first use; never freed.
const char* intern_string(const char* text);

// Growable array: capacity 16, doubling when full. A failed growth keeps the
// old contents and reports false.
struct Array {
  void* items;
  int capacity;
  int count;
  int element_size;
};
void array_init(Array* array, int element_size);
bool array_append(Array* array, const void* element);
void array_trim(Array* array);
void array_free(Array* array);
template <typename T> T* array_at(const Array* array, int index) {
  return (T*)((char*)array->items + (size_t)index * array->element_size);
}
// Tests replace the reallocation to see the failed-growth path.
void array_set_realloc(void* (*realloc_function)(void*, size_t));
