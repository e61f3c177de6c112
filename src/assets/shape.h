// Collision shape files (".shp"): a count, then x y z r mu k c per sphere.
// Shapes are cached by exact name and shared; each bike takes its own copy,
// which also holds the spheres' current world centres.
#pragma once

struct Stream;

enum { SHAPE_MAX_SPHERES = 4096 };

struct ShapeSphere {
  float x, y, z;  // centre in body coordinates, ft
  float r;        // radius, ft
  float mu;       // friction coefficient
  float k;        // spring rate, lbf/ft
  float c;        // damping, lbf s/ft
};

struct Shape {
  const char* name;
  int count;
  float radius;          // largest |centre| + r
  ShapeSphere* spheres;
  float* world;          // 3 x count world centres (copies only; null in the cache)
};

// Null (with a log line) when the count or any record cannot be read.
Shape* read_shape(Stream* stream, const char* name);
// Cached by exact name; null when the file is missing or unreadable (a
// failed name is tried again on its next load).
const Shape* load_shape(const char* name);
// A bike's own copy with room for world centres; free with free_shape.
Shape* copy_shape(const Shape* shape);
void free_shape(Shape* shape);
// Writes spheres in the form read_shape reads; false when a write failed.
bool write_shape(Stream* stream, const ShapeSphere* spheres, int count);
void shape_cache_reset();
