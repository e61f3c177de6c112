// The allocator that cannot fail, interned strings and the growable array.
#include "core/helpers.h"
#include "platform/kuvo.h"

#include <cstdlib>
#include <cstring>

[[noreturn]] static void out_of_memory() {
  // Audio and the window are closed by the platform's exit handlers, which
  // restore the display mode before the box is shown.
  message_box("Error", "Out of virtual memory");
  exit(1);
}

void* xmalloc(size_t size) {
  void* p = malloc(size ? size : 1);
  if (!p) out_of_memory();
  return p;
}

void* xrealloc(void* pointer, size_t size) {
  void* p = realloc(pointer, size ? size : 1);
  if (!p) out_of_memory();
  return p;
}

char* xstrdup(const char* text) {
  size_t n = strlen(text) + 1;
  char* copy = (char*)xmalloc(n);
  memcpy(copy, text, n);
  return copy;
}

// The copies, in the order they were added, and an open-addressing index
// over them so that interning stays cheap however many names a session sees.
static Array interned = {nullptr, 0, 0, 0};
static const char** intern_slots = nullptr;
static size_t intern_mask = 0;

static size_t text_hash(const char* text) {
  size_t h = 14695981039346656037ull;
  for (const unsigned char* p = (const unsigned char*)text; *p; p++) h = (h ^ *p) * 1099511628211ull;
  return h;
}

static void intern_index_insert(const char* copy) {
  size_t slot = text_hash(copy) & intern_mask;
  while (intern_slots[slot]) slot = (slot + 1) & intern_mask;
  intern_slots[slot] = copy;
}

const char* intern_string(const char* text) {
  if (!interned.items) array_init(&interned, sizeof(char*));
  if (intern_slots) {
    for (size_t slot = text_hash(text) & intern_mask; intern_slots[slot]; slot = (slot + 1) & intern_mask)
      if (!strcmp(intern_slots[slot], text)) return intern_slots[slot];
  }
  char* copy = xstrdup(text);
  if (!array_append(&interned, &copy)) out_of_memory();
  // Keep the index at most half full, rebuilding it from the copies.
  if ((size_t)interned.count * 2 > intern_mask) {
    size_t size = intern_mask ? (intern_mask + 1) * 2 : 64;
    free(intern_slots);
    intern_slots = (const char**)xmalloc(size * sizeof(const char*));
    memset(intern_slots, 0, size * sizeof(const char*));
    intern_mask = size - 1;
    for (int i = 0; i < interned.count; i++) intern_index_insert(*array_at<char*>(&interned, i));
  } else {
    intern_index_insert(copy);
  }
  return copy;
}

static void* (*array_realloc)(void*, size_t) = realloc;

void array_set_realloc(void* (*realloc_function)(void*, size_t)) {
  array_realloc = realloc_function ? realloc_function : realloc;
}

void array_init(Array* array, int element_size) {
  array->element_size = element_size;
  array->capacity = 16;
  array->count = 0;
  array->items = xmalloc((size_t)16 * element_size);
}

bool array_append(Array* array, const void* element) {
  if (array->count == array->capacity) {
    void* grown = array_realloc(array->items, (size_t)array->capacity * 2 * array->element_size);
    if (!grown) return false;
    array->items = grown;
    array->capacity *= 2;
  }
  memcpy((char*)array->items + (size_t)array->count * array->element_size, element,
         array->element_size);
  array->count++;
  return true;
}

void array_trim(Array* array) {
  if (array->count == 0 || array->count == array->capacity) return;
  void* trimmed = realloc(array->items, (size_t)array->count * array->element_size);
  if (!trimmed) return;  // the larger block still holds everything
  array->items = trimmed;
  array->capacity = array->count;
}

void array_free(Array* array) {
  free(array->items);
  array->items = nullptr;
  array->capacity = array->count = 0;
}
