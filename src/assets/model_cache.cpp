// The model cache: base models in load order, found by exact or
// case-insensitive name, stamped with the model generation and purged by it;
// and the skin-variant rule of bike models.
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "assets/image.h"
#include "assets/model.h"
#include "core/helpers.h"
#include "platform/kuvo.h"

static Array cache;  // of Mesh*
static bool cache_ready;
static int generation;

static void ensure_cache() {
  if (!cache_ready) {
    array_init(&cache, sizeof(Mesh*));
    cache_ready = true;
  }
}

int model_generation() { return generation; }
void set_model_generation(int value) { generation = value; }
int model_cache_count() { return cache_ready ? cache.count : 0; }

Mesh* load_model(const char* name) {
  ensure_cache();
  for (int i = 0; i < cache.count; i++) {
    Mesh* model = *array_at<Mesh*>(&cache, i);
    bool exact = !strcmp(model->name, name);
    if (!exact && strcasecmp(model->name, name)) continue;
    if (!exact) kuvo_log("Warning: case mismatch on '%.900s'\n", name);
    if (model->generation != 0) model->generation = generation;
    return model;
  }
  Mesh* model = read_model_with_lods(name);
  if (!model) return nullptr;
  model->lod_distance = 0;
  model->generation = generation;
  if (!array_append(&cache, &model)) {
    free_model(model);
    return nullptr;
  }
  return model;
}

void purge_models(void (*release)(Mesh* version)) {
  if (!cache_ready) return;
  int kept = 0;
  for (int i = 0; i < cache.count; i++) {
    Mesh* model = *array_at<Mesh*>(&cache, i);
    if (model->generation == 0 || model->generation == generation) {
      *array_at<Mesh*>(&cache, kept++) = model;
      continue;
    }
    if (assets_debug_level()) kuvo_log("deleting model %.900s\n", model->name);
    if (release)
      for (Mesh* version = model; version; version = version->next_lod) release(version);
    free_model(model);
  }
  cache.count = kept;
}

void model_cache_reset() {
  if (!cache_ready) return;
  for (int i = 0; i < cache.count; i++) free_model(*array_at<Mesh*>(&cache, i));
  array_free(&cache);
  cache_ready = false;
  generation = 0;
}

static bool copy_text(char* out, int size, const char* a, size_t a_length, const char* b, size_t b_length,
                      const char* c) {
  size_t c_length = strlen(c);
  if (a_length + b_length + c_length + 1 > (size_t)size) return false;
  memcpy(out, a, a_length);
  memcpy(out + a_length, b, b_length);
  memcpy(out + a_length + b_length, c, c_length + 1);
  return true;
}

bool skin_variant_names(const char* model, const char* skin, char* variant, int variant_size, char* in_skin_folder,
                        int folder_size) {
  const char* slash = strrchr(skin, '/');
  const char* base = slash ? slash + 1 : skin;
  const char* first = strchr(base, '-');
  const char* second = first ? strchr(first + 1, '-') : nullptr;
  if (!second) return false;
  const char* dot = strrchr(model, '.');
  size_t model_length = dot ? (size_t)(dot - model) : strlen(model);
  if (!copy_text(variant, variant_size, model, model_length, first, (size_t)(second - first), ".zm")) return false;
  const char* variant_slash = strrchr(variant, '/');
  // The "@" of a data name is no part of its base name.
  const char* variant_base = variant_slash ? variant_slash + 1 : variant + (variant[0] == '@');
  // A data name without a folder lies in the data root, "@".
  size_t folder_length = slash ? (size_t)(slash + 1 - skin) : skin[0] == '@' ? 1 : 0;
  return copy_text(in_skin_folder, folder_size, skin, folder_length, variant_base, strlen(variant_base), "");
}

Mesh* load_model_for_skin(const char* model, const char* skin, bool warn) {
  char variant[1024], in_folder[1024];
  if (skin && skin_variant_names(model, skin, variant, sizeof variant, in_folder, sizeof in_folder)) {
    Mesh* found = load_model(variant);
    bool one_place = !strcmp(variant, in_folder);  // model and skin share a folder
    if (!found && !one_place) found = load_model(in_folder);
    if (!found && warn) {
      if (one_place) kuvo_log("Warning: Can't load %.900s\n", variant);
      else kuvo_log("Warning: Can't load %.450s or %.450s\n", variant, in_folder);
    }
    return found;
  }
  Mesh* found = load_model(model);
  if (!found && warn) kuvo_log("Warning: Can't load %.900s\n", model);
  return found;
}
