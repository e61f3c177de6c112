// Collision shape files: reader, the shared cache by exact name and the
// per-bike copies that also hold world centres.
#include "assets/shape.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/helpers.h"
#include "files/stream.h"
#include "platform/kuvo.h"

static Array cache;  // of Shape*, capacity 16 doubling
static bool cache_ready;

// One allocation: record, spheres, world centres (copies), name.
static Shape* alloc_shape(int count, bool with_world, const char* name) {
  size_t name_bytes = strlen(name) + 1;
  size_t bytes = sizeof(Shape) + sizeof(ShapeSphere) * count + (with_world ? sizeof(float) * 3 * count : 0) + name_bytes;
  Shape* shape = (Shape*)xmalloc(bytes);
  shape->count = count;
  shape->radius = 0;
  shape->spheres = (ShapeSphere*)(shape + 1);
  float* world = (float*)(shape->spheres + count);
  shape->world = with_world ? world : nullptr;
  char* text = (char*)(with_world ? world + 3 * count : world);
  memcpy(text, name, name_bytes);
  shape->name = text;
  return shape;
}

Shape* read_shape(Stream* stream, const char* name) {
  int count;
  if (stream_scanf(stream, "%d", &count) != 1) {
    kuvo_log("Warning: shape file %.900s has no sphere count\n", name);
    return nullptr;
  }
  if (count < 0 || count > SHAPE_MAX_SPHERES) {
    kuvo_log("Warning: shape file %.900s has %d spheres (0..%d)\n", name, count, SHAPE_MAX_SPHERES);
    return nullptr;
  }
  Shape* shape = alloc_shape(count, false, name);
  for (int i = 0; i < count; i++) {
    ShapeSphere* s = &shape->spheres[i];
    if (stream_scanf(stream, "%f %f %f %f %f %f %f", &s->x, &s->y, &s->z, &s->r, &s->mu, &s->k, &s->c) != 7) {
      kuvo_log("Warning: shape file %.900s: sphere %d of %d can't be read\n", name, i, count);
      free(shape);
      return nullptr;
    }
    float values[7] = {s->x, s->y, s->z, s->r, s->mu, s->k, s->c};
    for (float v : values)
      if (!std::isfinite(v)) {
        kuvo_log("Warning: shape file %.900s: sphere %d has a value that is not a number\n", name, i);
        free(shape);
        return nullptr;
      }
    if (s->r < 0) {
      kuvo_log("Warning: shape file %.900s: sphere %d has a negative radius\n", name, i);
      free(shape);
      return nullptr;
    }
    float reach = sqrtf(s->x * s->x + s->y * s->y + s->z * s->z) + s->r;
    if (reach > shape->radius) shape->radius = reach;
  }
  return shape;
}

const Shape* load_shape(const char* name) {
  if (!cache_ready) {
    array_init(&cache, sizeof(Shape*));
    cache_ready = true;
  }
  for (int i = 0; i < cache.count; i++) {
    Shape* shape = *array_at<Shape*>(&cache, i);
    if (!strcmp(shape->name, name)) return shape;
  }
  Stream* stream = data_open(name, "rb");
  if (!stream) return nullptr;
  Shape* shape = read_shape(stream, name);
  data_close(stream);
  if (shape && !array_append(&cache, &shape)) {
    free(shape);
    return nullptr;
  }
  return shape;
}

Shape* copy_shape(const Shape* shape) {
  if (!shape) return nullptr;
  Shape* copy = alloc_shape(shape->count, true, shape->name);
  copy->radius = shape->radius;
  memcpy(copy->spheres, shape->spheres, sizeof(ShapeSphere) * shape->count);
  for (int i = 0; i < shape->count; i++) {
    copy->world[3 * i] = shape->spheres[i].x;
    copy->world[3 * i + 1] = shape->spheres[i].y;
    copy->world[3 * i + 2] = shape->spheres[i].z;
  }
  return copy;
}

void free_shape(Shape* shape) { free(shape); }

void shape_cache_reset() {
  if (!cache_ready) return;
  for (int i = 0; i < cache.count; i++) free(*array_at<Shape*>(&cache, i));
  array_free(&cache);
  cache_ready = false;
}

bool write_shape(Stream* stream, const ShapeSphere* spheres, int count) {
  bool ok = stream_printf(stream, "%d\n", count) >= 0;
  for (int i = 0; i < count && ok; i++) {
    const ShapeSphere* p = &spheres[i];
    ok = stream_printf(stream, "%.4f %.4f %.4f %.4f %.3f %.1f %.1f\n", p->x, p->y, p->z, p->r, p->mu, p->k, p->c) >= 0;
  }
  return ok;
}
