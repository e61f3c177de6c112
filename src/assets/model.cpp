// The ".zm" reader and writer: versions 1 and 2 and the headerless form,
// bone weights folded into four slots, tangents, the level-of-detail chain
// from the data file list, and the LOD choice.
#include "assets/model.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "core/helpers.h"
#include "files/data.h"
#include "files/stream.h"
#include "platform/kuvo.h"

// Numbers are read byte by byte rather than through stream_scanf: a model
// holds tens of thousands of them. Non-finite values are refused.
static bool skip_space(Stream* stream) {
  int c;
  while ((c = stream_peekc(stream)) != -1 && isspace(c)) stream_getc(stream);
  return c != -1;
}

static bool read_word(Stream* stream, char* word, int size, const char* allowed) {
  if (!skip_space(stream)) return false;
  int n = 0;
  int c;
  bool cut = false;
  while ((c = stream_peekc(stream)) != -1 && strchr(allowed, c) && c) {
    stream_getc(stream);
    if (n < size - 1)
      word[n++] = (char)c;
    else
      cut = true;
  }
  word[n] = 0;
  // A number cut to the buffer would parse as some other value.
  return n > 0 && !cut;
}

static bool read_float(Stream* stream, float* value) {
  char word[64];
  if (!read_word(stream, word, sizeof word, "0123456789+-.eE")) return false;
  char* end;
  *value = strtof(word, &end);
  return end != word && *end == 0 && std::isfinite(*value);
}

static bool read_int(Stream* stream, int* value) {
  char word[24];
  if (!read_word(stream, word, sizeof word, "0123456789+-")) return false;
  char* end;
  long long v = strtoll(word, &end, 10);
  if (end == word || *end || v < -2147483647LL || v > 2147483647LL) return false;
  *value = (int)v;
  return true;
}

// One allocation: header, arrays, name.
static Mesh* alloc_mesh(int vertices, int triangles, int bones, const char* name) {
  size_t lists = bones > 0 ? 2 : 1;
  size_t floats = (size_t)vertices * (3 * lists * 3 + 2 + (bones > 0 ? 4 : 0));
  size_t ints = (size_t)vertices * (bones > 0 ? 4 : 0) + (size_t)triangles * 3;
  size_t name_bytes = strlen(name) + 1;
  size_t bytes = sizeof(Mesh) + floats * sizeof(float) + ints * sizeof(int) + name_bytes;
  Mesh* mesh = (Mesh*)xmalloc(bytes);
  memset(mesh, 0, sizeof *mesh);
  float* f = (float*)(mesh + 1);
  mesh->positions = f;
  f += 3 * lists * vertices;
  mesh->normals = f;
  f += 3 * lists * vertices;
  mesh->tangents = f;
  f += 3 * lists * vertices;
  mesh->texcoords = f;
  f += 2 * (size_t)vertices;
  if (bones > 0) {
    mesh->bone_weights = f;
    f += 4 * (size_t)vertices;
  }
  int* i = (int*)f;
  if (bones > 0) {
    mesh->bone_indices = i;
    i += 4 * (size_t)vertices;
  }
  mesh->triangles = i;
  i += 3 * (size_t)triangles;
  char* text = (char*)i;
  memcpy(text, name, name_bytes);
  mesh->name = text;
  mesh->vertex_count = vertices;
  mesh->triangle_count = triangles;
  mesh->bone_count = bones;
  return mesh;
}

static float dot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

static void cross(const float* a, const float* b, float* out) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}

void compute_tangents(Mesh* mesh) {
  const float tiny = 1.0f / 1048576.0f;  // 2^-20
  int v_count = mesh->vertex_count;
  float* tangents = mesh->tangents;
  memset(tangents, 0, sizeof(float) * 3 * v_count);
  for (int t = 0; t < mesh->triangle_count; t++) {
    const int* tri = mesh->triangles + 3 * t;
    const float* p0 = mesh->positions + 3 * tri[0];
    const float* p1 = mesh->positions + 3 * tri[1];
    const float* p2 = mesh->positions + 3 * tri[2];
    const float* t0 = mesh->texcoords + 2 * tri[0];
    const float* t1 = mesh->texcoords + 2 * tri[1];
    const float* t2 = mesh->texcoords + 2 * tri[2];
    float e1[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
    float e2[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
    float ds1 = t1[0] - t0[0], dt1 = t1[1] - t0[1];
    float ds2 = t2[0] - t0[0], dt2 = t2[1] - t0[1];
    float det = ds1 * dt2 - ds2 * dt1;
    float tangent[3];
    if (fabsf(det) >= tiny) {
      float bitangent[3];
      for (int k = 0; k < 3; k++) {
        tangent[k] = (e1[k] * dt2 - e2[k] * dt1) / det;
        bitangent[k] = (e2[k] * ds1 - e1[k] * ds2) / det;
      }
      float tb[3], face[3];
      cross(tangent, bitangent, tb);
      cross(e1, e2, face);
      if (!(dot(tb, face) > 0))
        for (float& k : tangent) k = -k;
    } else {
      float l1 = dot(e1, e1), l2 = dot(e2, e2);
      const float* longer = l1 > l2 ? e1 : e2;
      float length = sqrtf(l1 > l2 ? l1 : l2);
      if (length > 0) {
        for (int k = 0; k < 3; k++) tangent[k] = tiny * longer[k] / length;
      } else {
        tangent[0] = tiny;
        tangent[1] = tangent[2] = 0;
      }
    }
    for (int corner = 0; corner < 3; corner++)
      for (int k = 0; k < 3; k++) tangents[3 * tri[corner] + k] += tangent[k];
  }
  for (int v = 0; v < v_count; v++) {
    float* t = tangents + 3 * v;
    float length = sqrtf(dot(t, t));
    if (length > 0)
      for (int k = 0; k < 3; k++) t[k] /= length;
  }
  if (mesh->bone_count > 0) memcpy(tangents + 3 * v_count, tangents, sizeof(float) * 3 * v_count);
}

// Folds one vertex's weights into the four strongest slots. A weight
// replaces the weakest slot only when it is stronger, so the four kept are
// the four largest whatever the order of the bones.
static void add_weight(float* weights, int* indices, float w, int bone, bool* warned, const char* name) {
  int slot = 0;
  for (int i = 1; i < 4; i++)
    if (weights[i] < weights[slot]) slot = i;
  if (weights[slot] != 0 && !*warned) {
    kuvo_log("Warning: vertex with more than 4 bone influences in '%.900s'\n", name);
    *warned = true;
  }
  if (weights[slot] == 0 || w > weights[slot]) {
    weights[slot] = w;
    indices[slot] = bone;
  }
}

static Mesh* read_mesh_body(Stream* stream, const char* name, int bones, int vertices, int triangles, int number) {
  if (vertices < 0 || triangles < 0 || vertices > MODEL_MAX_VERTICES || triangles > MODEL_MAX_TRIANGLES) {
    kuvo_log("Warning: mesh %d of '%.900s' has %d vertices and %d triangles (at most %d and %d)\n", number, name,
             vertices, triangles, MODEL_MAX_VERTICES, MODEL_MAX_TRIANGLES);
    return nullptr;
  }
  Mesh* mesh = alloc_mesh(vertices, triangles, bones, name);
  bool warned = false;
  for (int v = 0; v < vertices; v++) {
    float* p = mesh->positions + 3 * v;
    float* n = mesh->normals + 3 * v;
    float* uv = mesh->texcoords + 2 * v;
    bool ok = read_float(stream, &p[0]) && read_float(stream, &p[1]) && read_float(stream, &p[2]) &&
              read_float(stream, &n[0]) && read_float(stream, &n[1]) && read_float(stream, &n[2]) &&
              read_float(stream, &uv[0]) && read_float(stream, &uv[1]);
    if (!ok) {
      kuvo_log("Warning: bad vertex %d in mesh %d of '%.900s'\n", v, number, name);
      free(mesh);
      return nullptr;
    }
    uv[1] = 1.0f - uv[1];
    if (bones > 0) {
      memcpy(mesh->positions + 3 * (vertices + v), p, sizeof(float) * 3);
      memcpy(mesh->normals + 3 * (vertices + v), n, sizeof(float) * 3);
      float* weights = mesh->bone_weights + 4 * v;
      int* indices = mesh->bone_indices + 4 * v;
      for (int i = 0; i < 4; i++) {
        weights[i] = 0;
        indices[i] = 0;
      }
      for (int b = 0; b < bones; b++) {
        float w;
        if (!read_float(stream, &w)) {
          kuvo_log("Warning: bad bone weight of vertex %d in mesh %d of '%.900s'\n", v, number, name);
          free(mesh);
          return nullptr;
        }
        if (w > 0) add_weight(weights, indices, w, b, &warned, name);
      }
      float sum = weights[0] + weights[1] + weights[2] + weights[3];
      for (int i = 0; i < 4; i++) weights[i] = sum != 0 ? weights[i] / sum : 0.25f;
    }
  }
  for (int t = 0; t < triangles; t++) {
    int* tri = mesh->triangles + 3 * t;
    if (!read_int(stream, &tri[0]) || !read_int(stream, &tri[1]) || !read_int(stream, &tri[2])) {
      kuvo_log("Warning: bad triangle %d in mesh %d of '%.900s'\n", t, number, name);
      free(mesh);
      return nullptr;
    }
    for (int k = 0; k < 3; k++)
      if (tri[k] < 0 || tri[k] >= vertices) {
        kuvo_log("Warning: triangle %d in mesh %d of '%.900s' names vertex %d of %d\n", t, number, name, tri[k],
                 vertices);
        free(mesh);
        return nullptr;
      }
  }
  compute_tangents(mesh);
  return mesh;
}

Mesh* read_model(Stream* stream, const char* name) {
  int version = 0;
  if (stream_scanf(stream, " ZM%d", &version) != 1) {
    // Headerless: one white mesh.
    int vertices, triangles;
    if (!read_int(stream, &vertices) || !read_int(stream, &triangles)) {
      kuvo_log("Warning: '%.900s' is not a model file\n", name);
      return nullptr;
    }
    Mesh* mesh = read_mesh_body(stream, name, 0, vertices, triangles, 0);
    if (!mesh) return nullptr;
    mesh->colour[0] = mesh->colour[1] = mesh->colour[2] = 1.0f;
    mesh->reflectivity = 1.0f;
    mesh->shininess = 32.0f;
    mesh->headerless = true;
    return mesh;
  }
  int bones = 0;
  if (version == 2) {
    char bone_name[1024];
    if (stream_scanf(stream, "%d %1023s", &bones, bone_name) != 2 || bones < 0 || bones > MODEL_MAX_BONES) {
      kuvo_log("Warning: bad bone header in '%.900s' (0..%d bones)\n", name, MODEL_MAX_BONES);
      return nullptr;
    }
  } else if (version != 1) {
    kuvo_log("Warning: '%.900s' has unknown model version %d\n", name, version);
    return nullptr;
  }
  Mesh* first = nullptr;
  Mesh* last = nullptr;
  for (int number = 0;; number++) {
    float header[5];
    int vertices, triangles;
    int got = 0;
    while (got < 5 && read_float(stream, &header[got])) got++;
    if (got == 5 && read_int(stream, &vertices)) got++;
    if (got == 6 && read_int(stream, &triangles)) got++;
    if (got < 7) {
      // The end of the file ends the list; anything else is a damaged header.
      if (skip_space(stream) || got > 0) kuvo_log("Warning: bad mesh header %d in '%.900s'\n", number, name);
      break;
    }
    Mesh* mesh = read_mesh_body(stream, name, bones, vertices, triangles, number);
    if (!mesh) break;
    mesh->shininess = header[0];
    mesh->reflectivity = header[0] >= 0 ? 1.0f : header[1];
    mesh->colour[0] = header[2];
    mesh->colour[1] = header[3];
    mesh->colour[2] = header[4];
    if (last)
      last->next = mesh;
    else
      first = mesh;
    last = mesh;
  }
  if (!first) {
    kuvo_log("Warning: '%.900s' has no readable mesh\n", name);
    return nullptr;
  }
  for (const Mesh* mesh = first; mesh; mesh = mesh->next)
    if (mesh->shininess == -1.0f) first->has_reflective = 1;
  return first;
}

Mesh* read_model_file(const char* name) {
  Stream* stream = data_open(name, "rb");
  if (!stream) return nullptr;
  Mesh* model = read_model(stream, name);
  data_close(stream);
  return model;
}

bool write_model_stream(Stream* stream, const Mesh* model) {
  if (!model) return false;
  int bones = model->bone_count;
  if (bones > 0)
    stream_printf(stream, "ZM2\n%d skeleton\n", bones);
  else
    stream_printf(stream, "ZM1\n");
  for (const Mesh* mesh = model; mesh; mesh = mesh->next) {
    if (mesh->bone_count != bones) return false;
    stream_printf(stream, "%.9g %.9g %.9g %.9g %.9g %d %d\n", mesh->shininess,
                  mesh->shininess >= 0 ? 0.0f : mesh->reflectivity, mesh->colour[0], mesh->colour[1],
                  mesh->colour[2], mesh->vertex_count, mesh->triangle_count);
    for (int v = 0; v < mesh->vertex_count; v++) {
      const float* p = mesh->positions + 3 * v;
      const float* n = mesh->normals + 3 * v;
      const float* uv = mesh->texcoords + 2 * v;
      stream_printf(stream, "%.9g %.9g %.9g %.9g %.9g %.9g %.9g %.9g", p[0], p[1], p[2], n[0], n[1], n[2], uv[0],
                    1.0f - uv[1]);
      for (int b = 0; b < bones; b++) {
        float w = 0;
        for (int s = 0; s < 4; s++)
          if (mesh->bone_indices[4 * v + s] == b) w += mesh->bone_weights[4 * v + s];
        stream_printf(stream, " %.9g", w);
      }
      stream_putc(stream, '\n');
    }
    for (int t = 0; t < mesh->triangle_count; t++)
      stream_printf(stream, "%d %d %d\n", mesh->triangles[3 * t], mesh->triangles[3 * t + 1],
                    mesh->triangles[3 * t + 2]);
  }
  return !stream->write_failed;
}

bool write_model(const char* name, const Mesh* model) {
  Stream* stream = data_open_replacing(name, "wb");
  if (!stream) {
    kuvo_log("Can't write %.900s\n", name);
    return false;
  }
  if (!write_model_stream(stream, model)) {
    stream_discard(stream);
    kuvo_log("Can't write %.900s\n", name);
    return false;
  }
  return data_close(stream);
}

Mesh* make_mesh(int vertices, int triangles, int bones, const char* name) {
  if (vertices < 0 || triangles < 0 || bones < 0 || vertices > MODEL_MAX_VERTICES || triangles > MODEL_MAX_TRIANGLES ||
      bones > MODEL_MAX_BONES)
    return nullptr;
  Mesh* mesh = alloc_mesh(vertices, triangles, bones, name);
  size_t lists = bones > 0 ? 2 : 1;
  memset(mesh->positions, 0, sizeof(float) * 3 * lists * vertices * 3 + sizeof(float) * 2 * vertices);
  if (bones > 0) {
    memset(mesh->bone_weights, 0, sizeof(float) * 4 * vertices);
    memset(mesh->bone_indices, 0, sizeof(int) * 4 * vertices);
  }
  memset(mesh->triangles, 0, sizeof(int) * 3 * triangles);
  mesh->colour[0] = mesh->colour[1] = mesh->colour[2] = 1.0f;
  mesh->reflectivity = 1.0f;
  mesh->shininess = 32.0f;
  return mesh;
}

void free_mesh_list(Mesh* model) {
  while (model) {
    Mesh* next = model->next;
    free(model);
    model = next;
  }
}

void free_model(Mesh* model) {
  while (model) {
    Mesh* next = model->next_lod;
    free_mesh_list(model);
    model = next;
  }
}

void insert_lod(Mesh* base, Mesh* version) {
  Mesh* previous = base;
  while (previous->next_lod && previous->next_lod->lod_distance < version->lod_distance) previous = previous->next_lod;
  version->next_lod = previous->next_lod;
  previous->next_lod = version;
}

// Length of a decimal number at text (sign, digits, fraction, exponent), 0 if none.
static size_t decimal_length(const char* text) {
  size_t n = 0, digits = 0;
  if (text[n] == '+' || text[n] == '-') n++;
  while (isdigit((unsigned char)text[n])) n++, digits++;
  if (text[n] == '.') {
    n++;
    while (isdigit((unsigned char)text[n])) n++, digits++;
  }
  if (!digits) return 0;
  if (text[n] == 'e' || text[n] == 'E') {
    size_t e = n + 1;
    if (text[e] == '+' || text[e] == '-') e++;
    if (isdigit((unsigned char)text[e])) {
      while (isdigit((unsigned char)text[e])) e++;
      n = e;
    }
  }
  return n;
}

void find_lod_files(const char* name, void (*found)(const char* file, float distance, void* context), void* context) {
  if (name[0] != '@') return;
  const char* stem = name + 1;
  const char* dot = strrchr(stem, '.');
  size_t stem_length = dot ? (size_t)(dot - stem) : strlen(stem);
  const char* const* list = data_file_list();
  for (int i = 0; list && list[i]; i++) {
    const char* file = list[i];
    if (strncasecmp(file, stem, stem_length) || strncasecmp(file + stem_length, "_lod", 4)) continue;
    const char* number = file + stem_length + 4;
    size_t length = decimal_length(number);
    if (!length || !number[length]) continue;
    char text[64];
    if (length >= sizeof text) continue;
    memcpy(text, number, length);
    text[length] = 0;
    float distance = powf(2.0f, strtof(text, nullptr));
    char load[1024];
    size_t file_length = strlen(file);
    if (file_length > 3 && !strcasecmp(file + file_length - 3, ".gz")) file_length -= 3;
    if (file_length + 2 > sizeof load) continue;
    load[0] = '@';
    memcpy(load + 1, file, file_length);
    load[file_length + 1] = 0;
    found(load, distance, context);
  }
}

static void add_lod(const char* file, float distance, void* context) {
  Mesh* base = (Mesh*)context;
  Mesh* version = read_model_file(file);
  if (!version) {
    kuvo_log("Warning: Can't load %.900s\n", file);
    return;
  }
  version->lod_distance = distance;
  insert_lod(base, version);
}

Mesh* read_model_with_lods(const char* name) {
  Mesh* model = read_model_file(name);
  if (!model) return nullptr;
  model->lod_distance = 0;
  find_lod_files(name, add_lod, model);
  return model;
}

const Mesh* choose_lod(const Mesh* model, float distance, float scale, float bias) {
  if (scale == 0) return model;
  const Mesh* version = model;
  float scaled = scale * distance;
  while (version->next_lod) {
    float limit = version->next_lod->lod_distance - bias;
    if (limit > 0 && scaled * scaled < limit * limit) break;
    version = version->next_lod;
  }
  return version;
}
