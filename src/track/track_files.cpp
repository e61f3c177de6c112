// The track folder's object files: lighting, timing_gates, flaggers,
// billboards, statues and cameras, read into the Track and written back.
#include "assets/model.h"
#include "assets/shape.h"
#include "files/stream.h"
#include "platform/kuvo.h"
#include "track/track.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const char* name_or_none(const char* name) {
  return !name || strcmp(name, "null") == 0 ? nullptr : intern_string(name);
}

// ---- lighting ----

void lighting_defaults(Lighting* l) {
  Array flares = l->flares;
  memset(l, 0, sizeof *l);
  l->flares = flares;
  for (int c = 0; c < 3; c++) {
    l->sun_vector[c] = 1.0f;
    l->sun_colour[c] = 1.0f;
    l->ambient[c] = 0.5f;
    l->global_ambient[c] = 0.2f;
  }
  l->near_plane = 0.25f;
  l->far_plane = 5000.0f;
}

static bool scan_vector(const char* argument, float out[3]) {
  float v[3];
  if (sscanf(argument, " [ %f %f %f ] ", &v[0], &v[1], &v[2]) != 3) return false;
  memcpy(out, v, sizeof v);
  return true;
}

void read_lighting(Track* track, Stream* stream) {
  Lighting* l = &track->lighting;
  LensFlare pending = {};
  char line[1024];
  while (stream_gets(stream, line, sizeof line)) {
    char* p = line;
    while (*p == ' ' || *p == '\t') p++;
    size_t length = strlen(p);
    while (length && isspace((unsigned char)p[length - 1])) p[--length] = 0;
    if (!*p) continue;
    char* keyword = p;
    while (*p && *p != ' ' && *p != '\t') p++;
    if (*p) *p++ = 0;
    while (*p == ' ' || *p == '\t') p++;
    const char* argument = p;

    static const char* const sky_keys[SKY_FACES] = {"sky_n", "sky_e", "sky_s", "sky_w", "sky_u"};
    int sky = -1;
    for (int f = 0; f < SKY_FACES; f++)
      if (strcmp(keyword, sky_keys[f]) == 0) sky = f;

    if (strcmp(keyword, "sun_vector") == 0) {
      scan_vector(argument, l->sun_vector);
    } else if (strcmp(keyword, "sun_color") == 0) {
      scan_vector(argument, l->sun_colour);
    } else if (strcmp(keyword, "ambient") == 0) {
      scan_vector(argument, l->ambient);
    } else if (strcmp(keyword, "global_ambient") == 0) {
      scan_vector(argument, l->global_ambient);
    } else if (sky >= 0) {
      l->sky[sky] = intern_string(argument);
    } else if (strcmp(keyword, "sky_env") == 0) {
      l->sky_env = intern_string(argument);
    } else if (strcmp(keyword, "flare_element") == 0) {
      LensFlareElement e = {};
      char texture[1024];
      if (sscanf(argument, " [ %f %f ] [ %f %f %f ] %f %1023s", &e.position[0], &e.position[1], &e.colour[0],
                 &e.colour[1], &e.colour[2], &e.size, texture) == 7 &&
          pending.element_count < MAX_FLARE_ELEMENTS) {
        e.texture = intern_string(texture);
        pending.elements[pending.element_count++] = e;
      }
    } else if (strcmp(keyword, "flare_point") == 0 || strcmp(keyword, "flare_vector") == 0) {
      if (scan_vector(argument, pending.position)) {
        pending.directional = keyword[6] == 'v';
        array_append(&l->flares, &pending);
        pending = LensFlare{};
      }
    } else if (strcmp(keyword, "fog") == 0) {
      float v[4];
      if (sscanf(argument, " [ %f %f %f ] %f ", &v[0], &v[1], &v[2], &v[3]) == 4) {
        memcpy(l->fog_colour, v, sizeof l->fog_colour);
        l->fog_density = v[3];
      }
    } else if (strcmp(keyword, "dynamic_lighting") == 0) {
      int on;
      if (sscanf(argument, "%d", &on) == 1) l->dynamic_lighting = on > 0;
    } else if (strcmp(keyword, "near_plane") == 0) {
      sscanf(argument, "%f", &l->near_plane);
    } else if (strcmp(keyword, "far_plane") == 0) {
      sscanf(argument, "%f", &l->far_plane);
    } else {
      show_messagef("Error reading lighting: Unknown identifier '%.950s'\n", keyword);
      return;
    }
  }
}

void finish_lighting(Lighting* l) {
  float* v = l->sun_vector;
  float length = sqrtf(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (!(length > 0.0f) || !std::isfinite(length)) {
    // No direction to keep: back to the default sun.
    v[0] = v[1] = v[2] = 1.0f;
    length = sqrtf(3.0f);
  }
  for (int c = 0; c < 3; c++) v[c] /= length;
  const float near_min = 1.0f / 1024.0f;
  if (!(l->near_plane >= near_min)) l->near_plane = near_min;
  if (l->near_plane > 0.875f) l->near_plane = 0.875f;
  if (!(l->far_plane > l->near_plane)) l->far_plane = l->near_plane;
  if (l->far_plane > 1048576.0f) l->far_plane = 1048576.0f;
  static const char* const sky_defaults[SKY_FACES] = {"@sky-n.ppm", "@sky-e.ppm", "@sky-s.ppm", "@sky-w.ppm",
                                                      "@sky-u.ppm"};
  for (int f = 0; f < SKY_FACES; f++)
    if (!l->sky[f]) l->sky[f] = intern_string(sky_defaults[f]);
  if (!l->sky_env) l->sky_env = intern_string("@sky-env.ppm");
}

// ---- statues and billboards ----

static bool data_exists(const char* name) {
  Stream* stream = data_open(name, "rb");
  if (!stream) return false;
  data_close(stream);
  return true;
}

// Tries base + each suffix; the first that exists, or null.
static const char* first_existing(const char* base, int base_length, const char* const* suffixes) {
  for (int k = 0; k < 3; k++) {
    char name[1200];
    snprintf(name, sizeof name, "%.*s%s", base_length, base, suffixes[k]);
    if (data_exists(name)) return intern_string(name);
  }
  return nullptr;
}

static int stem_length(const char* name) {
  const char* slash = strrchr(name, '/');
  const char* dot = strrchr(slash ? slash : name, '.');
  return dot ? (int)(dot - name) : (int)strlen(name);
}

// A statue's normal ("_norm") or specular ("_spec") map: beside the
// texture, then beside the model.
static const char* statue_companion(const char* texture, const char* model, const char* kind) {
  char plain[3][32], repeat[3][32];
  static const char* const extensions[3] = {".seq", ".png", ".ppm"};
  const char* plain_list[3];
  const char* repeat_list[3];
  for (int k = 0; k < 3; k++) {
    snprintf(plain[k], sizeof plain[k], "%s%s", kind, extensions[k]);
    snprintf(repeat[k], sizeof repeat[k], "%s-repeat%s", kind, extensions[k]);
    plain_list[k] = plain[k];
    repeat_list[k] = repeat[k];
  }
  if (texture) {
    int stem = stem_length(texture);
    const char* found;
    if (stem >= 7 && strncmp(texture + stem - 7, "-repeat", 7) == 0)
      found = first_existing(texture, stem - 7, repeat_list);
    else
      found = first_existing(texture, stem, plain_list);
    if (found) return found;
  }
  if (model) return first_existing(model, stem_length(model), plain_list);
  return nullptr;
}

static void statue_orientation(const HeightField* hf, Statue* s) {
  float a = s->angle;
  float* m = s->orientation;
  if (a >= 3.25f) {
    static const float identity[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    memcpy(m, identity, sizeof identity);
    s->extra = powf(2.0f, a);
    return;
  }
  s->extra = 0.0f;
  float x[3] = {cosf(a), 0.0f, -sinf(a)};
  float up[3] = {0.0f, 1.0f, 0.0f};
  if (a > (float)(-2.0 * M_PI)) {
    // The slope under the statue, from the heights one unit along x and z.
    float h0 = height_at(hf, s->x, s->z);
    float hx = height_at(hf, s->x + 1.0f, s->z);
    float hz = height_at(hf, s->x, s->z + 1.0f);
    float n[3] = {-(hx - h0), 1.0f, -(hz - h0)};
    float length = sqrtf(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (length > 0.0f && std::isfinite(length))
      for (int c = 0; c < 3; c++) up[c] = n[c] / length;
  }
  float z[3] = {x[1] * up[2] - x[2] * up[1], x[2] * up[0] - x[0] * up[2], x[0] * up[1] - x[1] * up[0]};
  float length = sqrtf(z[0] * z[0] + z[1] * z[1] + z[2] * z[2]);
  if (length > 0.0f)
    for (int c = 0; c < 3; c++) z[c] /= length;
  for (int c = 0; c < 3; c++) {
    m[c] = x[c];
    m[3 + c] = up[c];
    m[6 + c] = z[c];
  }
}

int add_statue(Track* track, float x, float height, float z, float angle, const char* model, const char* texture,
               const char* shape, bool shaders) {
  Statue s = {};
  s.model_name = name_or_none(model);
  s.shape_name = name_or_none(shape);
  if (s.model_name) {
    s.model = load_model(s.model_name);
    if (!s.model) kuvo_log("Warning: Can't load %.900s\n", s.model_name);
  }
  // The name is kept either way; only a statue with a model draws it.
  s.texture = name_or_none(texture);
  if (s.model) {
    if (shaders) {
      s.normal_map = statue_companion(s.texture, s.model_name, "_norm");
      s.specular_map = statue_companion(s.texture, s.model_name, "_spec");
    }
  }
  if (s.shape_name) {
    const Shape* cached = load_shape(s.shape_name);
    if (cached)
      s.shape = copy_shape(cached);
    else
      show_messagef("Warning: missing shape file %.900s", s.shape_name);
  }
  s.x = x;
  s.z = z;
  s.height = height;
  s.y = height_at(&track->terrain, x, z) + height;
  s.angle = angle;
  statue_orientation(&track->terrain, &s);
  s.touch_tick = 0;
  array_append(&track->statues, &s);
  return track->statues.count - 1;
}

static int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

const char* billboard_colour_prefix(const char* name, uint8_t colour[4]) {
  colour[0] = colour[1] = colour[2] = colour[3] = 255;
  if (strlen(name) < 8 || name[0] != '#' || name[7] != '#') return name;
  for (int k = 1; k < 7; k++)
    if (hex_digit(name[k]) < 0) return name;
  for (int c = 0; c < 3; c++) colour[c] = (uint8_t)(hex_digit(name[1 + 2 * c]) * 16 + hex_digit(name[2 + 2 * c]));
  return name + 8;
}

int add_billboard(Track* track, float x, float height, float z, float size, float aspect, const char* texture,
                  const uint8_t colour[4]) {
  Billboard b = {};
  b.x = x;
  b.z = z;
  b.height = height;
  b.y = height_at(&track->terrain, x, z) + height;
  b.size = size;
  b.aspect = aspect;
  b.texture = texture && *texture ? intern_string(texture) : nullptr;
  memcpy(b.colour, colour, 4);
  array_append(&track->billboards, &b);
  return track->billboards.count - 1;
}

void read_billboards(Track* track, Stream* stream) {
  float v[5];
  char name[1024];
  while (stream_scanf(stream, " [ %f %f %f ] %f %f %1023s ", &v[0], &v[1], &v[2], &v[3], &v[4], name) == 6) {
    uint8_t colour[4];
    const char* texture = billboard_colour_prefix(name, colour);
    add_billboard(track, v[0], v[1], v[2], v[3], v[4], texture, colour);
  }
}

void read_statues(Track* track, Stream* stream, bool shaders) {
  float v[4];
  char model[1024], texture[1024], shape[1024];
  while (stream_scanf(stream, "[ %f %f %f ] %f %1023s %1023s %1023s ", &v[0], &v[1], &v[2], &v[3], model, texture,
                      shape) == 7)
    add_statue(track, v[0], v[1], v[2], v[3], model, texture, shape, shaders);
}

// ---- timing gates ----

static float wrap_angle(float a) {
  if (a >= (float)-M_PI && a <= (float)M_PI) return a;
  if (!std::isfinite(a)) return 0.0f;
  double two_pi = 2.0 * M_PI;
  double wrapped = a - two_pi * floor((a + M_PI) / two_pi);
  return (float)wrapped;
}

static bool find_word(Stream* stream, const char* word) {
  char token[1024];
  while (stream_scanf(stream, " %1023s", token) == 1)
    if (strcmp(token, word) == 0) return true;
  return false;
}

static void read_start_slots(Track* track, Stream* stream, const TrackLoadOptions* options) {
  char line[4096];
  while (stream_gets(stream, line, sizeof line)) {
    char* p = line;
    while (isspace((unsigned char)*p)) p++;
    if (strncmp(p, "checkpoints:", 12) == 0 && (p[12] == 0 || isspace((unsigned char)p[12]))) return;
    float v[4];
    char model[1024] = "@startgate.zm", texture[1024] = "@startgate.ppm", shape[1024] = "@startgate.shp";
    if (sscanf(p, " [ %f %f %f ] %f %1023s %1023s %1023s", &v[0], &v[1], &v[2], &v[3], model, texture, shape) < 4)
      break;
    if (track->start_slot_count == MAX_START_SLOTS) continue;
    float angle = wrap_angle(v[3]);
    StartSlot* slot = &track->start_slots[track->start_slot_count++];
    slot->position[0] = v[0];
    slot->position[1] = v[1];
    slot->position[2] = v[2];
    slot->angle = angle;
    slot->model = name_or_none(model);
    slot->texture = name_or_none(texture);
    slot->shape = name_or_none(shape);
    slot->statue = add_statue(track, v[0] - 3.0f * sinf(angle), v[1], v[2] - 3.0f * cosf(angle), angle, model,
                              texture, shape, options->shaders);
  }
  // Ended by a line that is no slot: the gates start after "checkpoints:".
  find_word(stream, "checkpoints:");
}

static int read_lap(Stream* stream, int gate_count, int* refs, int* real) {
  int count = 0, value;
  *real = 0;
  while (count < MAX_LAP_GATES && stream_scanf(stream, "%d", &value) == 1) {
    if (value < 0) value = 0;
    bool flagged = value >= GATE_FLAG;
    int index = value % GATE_FLAG;
    if (index > gate_count - 1) index = gate_count > 0 ? gate_count - 1 : 0;
    refs[count++] = index + (flagged ? GATE_FLAG : 0);
    if (!flagged) (*real)++;
  }
  return count;
}

void read_timing_gates(Track* track, Stream* stream, const TrackLoadOptions* options) {
  char token[1024];
  if (stream_scanf(stream, " %1023s", token) != 1) return;
  if (strcmp(token, "startinggate:") == 0) {
    stream_gets(stream, token, sizeof token);  // the rest of the header line
    read_start_slots(track, stream, options);
  } else if (strcmp(token, "checkpoints:") != 0) {
    if (!find_word(stream, "checkpoints:")) return;
  }

  TimingGate* gates = (TimingGate*)xmalloc(sizeof(TimingGate) * MAX_TIMING_GATES);
  int gate_count = 0;
  float v[7];
  while (gate_count < MAX_TIMING_GATES &&
         stream_scanf(stream, "%f [ %f %f %f ] [ %f %f %f ] ", &v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6]) == 7) {
    TimingGate* g = &gates[gate_count++];
    g->size = v[0];
    memcpy(g->position, &v[1], sizeof g->position);
    memcpy(g->normal, &v[4], sizeof g->normal);
  }

  int* first = (int*)xmalloc(sizeof(int) * MAX_LAP_GATES);
  int* normal = (int*)xmalloc(sizeof(int) * MAX_LAP_GATES);
  int first_count = 0, normal_count = 0, first_real = 0, normal_real = 0;
  if (find_word(stream, "firstlap:")) first_count = read_lap(stream, gate_count, first, &first_real);
  if (find_word(stream, "normallap:")) normal_count = read_lap(stream, gate_count, normal, &normal_real);

  if (gate_count >= 1 && first_count >= 1 && normal_count >= 1 && first_real >= 1 && normal_real >= 1) {
    track->gates = (TimingGate*)xrealloc(gates, sizeof(TimingGate) * gate_count);
    track->gate_count = gate_count;
    track->first_lap = (int*)xrealloc(first, sizeof(int) * first_count);
    track->first_lap_count = first_count;
    track->first_lap_real = first_real;
    track->normal_lap = (int*)xrealloc(normal, sizeof(int) * normal_count);
    track->normal_lap_count = normal_count;
    track->normal_lap_real = normal_real;
  } else {
    free(gates);
    free(first);
    free(normal);
  }
  if (options->debug_level >= 1)
    kuvo_log("Found %d timing gates, first lap has %d gates, normal lap has %d\n", track->gate_count,
             track->first_lap_count, track->normal_lap_count);
}

// ---- flaggers ----

static int limit_gate(int gate, int gate_count) {
  if (gate < -1) return -1;
  if (gate > gate_count - 1) return gate_count - 1;
  return gate;
}

static bool read_names(Stream* stream, char names[][1024], int count) {
  for (int k = 0; k < count; k++)
    if (stream_scanf(stream, " %1023s ", names[k]) != 1) return false;
  return true;
}

void read_flaggers(Track* track, Stream* stream) {
  static const uint8_t white[4] = {255, 255, 255, 255};
  float a[9], b[5];
  char first_names[5][1024], second_names[4][1024];
  int scanned = stream_scanf(stream, " [ %f %f %f ] [ %f %f %f ] %f %f %f ", &a[0], &a[1], &a[2], &a[3], &a[4],
                             &a[5], &a[6], &a[7], &a[8]);
  if (scanned < 8) return;
  if (scanned == 8) a[8] = 1.0f;
  if (!read_names(stream, first_names, 5)) return;
  if (stream_scanf(stream, " [ %f %f %f ] %f %f ", &b[0], &b[1], &b[2], &b[3], &b[4]) != 5) return;
  if (!read_names(stream, second_names, 4)) return;

  SpecialFlagger* f = &track->special_flaggers[0];
  f->billboard = add_billboard(track, a[0], a[1], a[2], a[6], a[7], first_names[0], white);
  memcpy(f->second_point, &a[3], sizeof f->second_point);
  f->scale = a[8];
  f->texture_count = 5;
  for (int k = 0; k < 5; k++) f->textures[k] = intern_string(first_names[k]);
  f = &track->special_flaggers[1];
  f->billboard = add_billboard(track, b[0], b[1], b[2], b[3], b[4], second_names[0], white);
  f->scale = 1.0f;
  f->texture_count = 4;
  for (int k = 0; k < 4; k++) f->textures[k] = intern_string(second_names[k]);

  float v[5];
  int g[4];
  char names[2][1024];
  while (stream_scanf(stream, " [ %f %f %f ] %f %f %d %d %d %d", &v[0], &v[1], &v[2], &v[3], &v[4], &g[0], &g[1],
                      &g[2], &g[3]) == 9 &&
         read_names(stream, names, 2)) {
    Flagger flagger = {};
    flagger.billboard = add_billboard(track, v[0], v[1], v[2], v[3], v[4], names[0], white);
    flagger.textures[0] = intern_string(names[0]);
    flagger.textures[1] = intern_string(names[1]);
    for (int k = 0; k < 4; k++) flagger.gates[k] = limit_gate(g[k], track->gate_count);
    array_append(&track->flaggers, &flagger);
  }
}

// ---- cameras ----

void read_cameras(Track* track, Stream* stream) {
  float fov = 90.0f, auto_size = 0.0f;
  char line[4096];
  while (stream_gets(stream, line, sizeof line)) {
    char* p = line;
    while (isspace((unsigned char)*p)) p++;
    char keyword[32];
    int used = 0;
    if (sscanf(p, "%31s%n", keyword, &used) != 1) continue;
    const char* argument = p + used;
    float v[3];
    if (strcmp(keyword, "addcamera") == 0) {
      if (sscanf(argument, "%f %f %f", &v[0], &v[1], &v[2]) != 3) continue;
      TrackCamera camera = {};
      camera.x = v[0];
      camera.z = v[2];
      camera.y = height_at(&track->terrain, v[0], v[2]) + v[1];
      camera.fov = fov;
      camera.auto_fov_size = auto_size;
      array_append(&track->cameras, &camera);
      fov = 90.0f;
      auto_size = 0.0f;
    } else if (strcmp(keyword, "fov") == 0) {
      if (sscanf(argument, "%f", &v[0]) == 1) fov = fabsf(v[0]);
    } else if (strcmp(keyword, "autofovsize") == 0) {
      if (sscanf(argument, "%f", &v[0]) == 1) auto_size = fabsf(v[0]);
    } else if (strcmp(keyword, "gate") == 0) {
      const char* q = argument;
      for (;;) {
        char* end;
        long gate = strtol(q, &end, 10);
        if (end == q || gate < 0 || gate >= CAMERA_GATE_TABLE) break;
        track->gate_camera[gate] = track->cameras.count;
        q = end;
      }
    }
  }
}

// ---- writers ----

static Stream* open_output(const char* folder, const char* file) {
  char name[1100];
  snprintf(name, sizeof name, "%s/%s", folder, file);
  return data_open_replacing(name, "wb");
}

static const char* written_name(const char* name) { return name ? name : "null"; }

bool write_timing_gates(const char* folder, const StartSlot* slots, int slot_count, const TimingGate* gates,
                        int gate_count, const int* first_lap, int first_count, const int* normal_lap,
                        int normal_count) {
  Stream* out = open_output(folder, "timing_gates");
  if (!out) {
    show_message("Can't open 'timing_gates'\n");
    return false;
  }
  stream_puts(out, "startinggate:\n");
  for (int k = 0; k < slot_count; k++) {
    const StartSlot* s = &slots[k];
    stream_printf(out, "[%f %f %f]", s->position[0], s->position[1], s->position[2]);
    stream_printf(out, " %f", s->angle);
    stream_printf(out, " %s %s %s\n", written_name(s->model), written_name(s->texture), written_name(s->shape));
  }
  stream_puts(out, "checkpoints:\n");
  for (int k = 0; k < gate_count; k++) {
    const TimingGate* g = &gates[k];
    stream_printf(out, "%f ", g->size);
    stream_printf(out, "[%f %f %f]", g->position[0], g->position[1], g->position[2]);
    stream_puts(out, " ");
    stream_printf(out, "[%f %f %f]", g->normal[0], g->normal[1], g->normal[2]);
    stream_puts(out, "\n");
  }
  stream_puts(out, "firstlap:\n");
  for (int k = 0; k < first_count; k++) stream_printf(out, "%d ", first_lap[k]);
  stream_puts(out, "\n");
  stream_puts(out, "normallap:\n");
  for (int k = 0; k < normal_count; k++) stream_printf(out, "%d ", normal_lap[k]);
  stream_puts(out, "\n");
  return data_close(out);
}

bool write_billboards(const char* folder, const Billboard* billboards, int count) {
  Stream* out = open_output(folder, "billboards");
  if (!out) {
    show_message("Can't open 'billboards'\n");
    return false;
  }
  for (int k = 0; k < count; k++) {
    const Billboard* b = &billboards[k];
    stream_printf(out, "[%f %f %f] %f %f ", b->x, b->height, b->z, b->size, b->aspect);
    const char* texture = b->texture ? b->texture : "";
    // The colour form also carries an empty name, which reads back as none.
    if (b->texture && b->colour[0] == 255 && b->colour[1] == 255 && b->colour[2] == 255)
      stream_printf(out, "%s\n", b->texture);
    else
      stream_printf(out, "#%02x%02x%02x#%s\n", b->colour[0], b->colour[1], b->colour[2], texture);
  }
  return data_close(out);
}

bool write_statues(const char* folder, const Statue* statues, int count) {
  Stream* out = open_output(folder, "statues");
  if (!out) {
    show_message("Can't open 'statues'\n");
    return false;
  }
  for (int k = 0; k < count; k++) {
    const Statue* s = &statues[k];
    stream_printf(out, "[%f %f %f] %f %s %s %s\n", s->x, s->height, s->z, s->angle, written_name(s->model_name),
                  written_name(s->texture), written_name(s->shape_name));
  }
  return data_close(out);
}
