// Surface types: the tileinfo and texturelist readers and writer, the
// transition keys and the friction and rolling-resistance evaluations.
#include "terrain/surface_types.h"

#include "core/helpers.h"
#include "files/stream.h"

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static const float KEY_MIN = 1.0f / 1048576.0f;  // 2^-20
static const float STEP = 1.0f / 128.0f;

void roost_emitter_defaults(RoostEmitter* e) {
  memset(e, 0, sizeof *e);
  e->kind = ROOST_UNUSED;
  e->texture = intern_string("@roost.png");
  e->count = 10.0f;
  e->dig = 1.0f;
  e->slip_threshold = 4.0f;
  e->slow_angle = (float)(M_PI / 2);
  e->fast_angle = (float)(M_PI / 16);
  e->slow_speed = 0.0f;
  e->fast_speed = 64.0f;
  e->size = 0.25f;
  e->grow = 4.0f;
  e->drag = 0.5f;
  e->velocity_scale = 1.0f;
  e->randomize = 15.0f;
  for (int c = 0; c < 4; c++) e->colour[c] = 255;
  e->fade[0] = e->fade[1] = e->fade[2] = 0;
  e->fade[3] = -2;
}

void erosion_defaults(ErosionParams* e) {
  e->erode_depth = 1.0f;
  e->erode_lower = 50.0f;
  e->erode_upper = 150.0f;
  e->erode_displacement = 2.0f;
  e->erode_radius = 4.0f;
  e->erode_max_slope = 0.25f;
  e->erode_off_speed = 10.0f;
  e->erode_on_speed = 15.0f;
}

static void table_defaults(SurfaceType* t, float friction_value, float a, float b) {
  for (int k = 0; k < SURFACE_POINTS; k++) {
    t->friction[k].value = friction_value;
    t->friction[k].key = k == 0 ? 1.0f : 0.0f;
    t->roll_resist[k].a = a;
    t->roll_resist[k].b = b;
    t->roll_resist[k].key = k == 0 ? 1.0f : 0.0f;
  }
}

void surface_type_defaults(SurfaceType* t) {
  memset(t, 0, sizeof *t);
  table_defaults(t, 1.0f, 5.0f, 15.0f);
  for (int r = 0; r < ROOST_EMITTERS; r++) roost_emitter_defaults(&t->roost[r]);
  erosion_defaults(&t->erosion);
}

// The name the transition keys work on: no leading "@", no folders.
static const char* transition_name_of(const char* texture) {
  if (!texture) return nullptr;
  if (texture[0] == '@') texture++;
  const char* slash = strrchr(texture, '/');
  if (slash) texture = slash + 1;
  return intern_string(texture);
}

// ---- roost arguments ----

// A float field's offset, or one of these codes.
enum { P_TEXTURE = -1, P_COLOUR = -2, P_FADE = -3, P_SPLASH = -4 };

#define FLOAT_AT(f) (int)offsetof(RoostEmitter, f)
static const struct {
  const char* name;
  int field;
  int channel;
} roost_parameters[] = {
    {"texture=", P_TEXTURE, 0},
    {"count=", FLOAT_AT(count), 0},
    {"dig=", FLOAT_AT(dig), 0},
    {"slip_threshold=", FLOAT_AT(slip_threshold), 0},
    {"slow_angle=", FLOAT_AT(slow_angle), 0},
    {"fast_angle=", FLOAT_AT(fast_angle), 0},
    {"slow_speed=", FLOAT_AT(slow_speed), 0},
    {"fast_speed=", FLOAT_AT(fast_speed), 0},
    {"size=", FLOAT_AT(size), 0},
    {"grow=", FLOAT_AT(grow), 0},
    {"drag=", FLOAT_AT(drag), 0},
    {"vscale=", FLOAT_AT(velocity_scale), 0},
    {"randomize=", FLOAT_AT(randomize), 0},
    {"r=", P_COLOUR, 0},
    {"g=", P_COLOUR, 1},
    {"b=", P_COLOUR, 2},
    {"a=", P_COLOUR, 3},
    {"fade_r=", P_FADE, 0},
    {"fade_g=", P_FADE, 1},
    {"fade_b=", P_FADE, 2},
    {"fade_a=", P_FADE, 3},
    {"splash=", P_SPLASH, 0},
};
#undef FLOAT_AT

// NaN goes to the low end, so a byte is always in range.
static int clamp_to_int(double v, int lo, int hi) {
  if (!(v >= lo)) return lo;
  if (v > hi) return hi;
  return (int)v;
}

static bool is_roost_separator(char c) {
  return c == ' ' || c == '\f' || c == '\n' || c == '\r' || c == '\t' || c == '\b';
}

static void apply_roost_word(const char* word, RoostEmitter* e) {
  for (const auto& p : roost_parameters) {
    size_t length = strlen(p.name);
    if (strncmp(word, p.name, length) != 0) continue;
    const char* value = word + length;
    if (p.field == P_TEXTURE) {
      e->texture = intern_string(value);
      return;
    }
    char* end = nullptr;
    double number = strtod(value, &end);
    if (end == value || !std::isfinite(number)) {
      // The value read is still stored, as 0.
      char base[32];
      snprintf(base, sizeof base, "%.*s", (int)length - 1, p.name);
      show_messagef("tileinfo warning: bad %s\n", base);
      number = 0.0;
    }
    if (p.field == P_SPLASH) {
      if (number != 0.0) e->kind = ROOST_SPLASH;
    } else if (p.field == P_COLOUR) {
      e->colour[p.channel] = (uint8_t)clamp_to_int(number, 0, 255);
    } else if (p.field == P_FADE) {
      // Given per second, kept per step, truncated toward zero.
      e->fade[p.channel] = (int8_t)clamp_to_int(std::trunc((float)number * STEP), -128, 127);
    } else {
      *(float*)((char*)e + p.field) = (float)number;
    }
    return;
  }
  show_messagef("tileinfo warning: unknown roost parameter '%.40s'\n", word);
}

void parse_roost_argument(const char* argument, RoostEmitter* e) {
  e->kind = ROOST_SPRAY;
  size_t size = strlen(argument) + 1;
  char* word = (char*)xmalloc(size);
  const char* p = argument;
  for (;;) {
    while (*p && is_roost_separator(*p)) p++;
    if (!*p) break;
    size_t n = 0;
    bool quoted = false;
    while (*p && (quoted || !is_roost_separator(*p))) {
      if (*p == '"')
        quoted = !quoted;
      else
        word[n++] = *p;
      p++;
    }
    word[n] = 0;
    apply_roost_word(word, e);
  }
  free(word);
}

// ---- tileinfo ----

static void sort_points(SurfaceType* t, int friction_count, int roll_count) {
  for (int i = 0; i < friction_count; i++)
    for (int k = i + 1; k < friction_count; k++)
      if (t->friction[k].key < t->friction[i].key) {
        FrictionPoint swap = t->friction[i];
        t->friction[i] = t->friction[k];
        t->friction[k] = swap;
      }
  for (int i = 0; i < roll_count; i++)
    for (int k = i + 1; k < roll_count; k++)
      if (t->roll_resist[k].key < t->roll_resist[i].key) {
        RollResistPoint swap = t->roll_resist[i];
        t->roll_resist[i] = t->roll_resist[k];
        t->roll_resist[k] = swap;
      }
}

static bool is_tileinfo_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

static bool read_erosion_value(const char* keyword, const char* argument, ErosionParams* e) {
  static const struct {
    const char* name;
    size_t offset;
  } values[] = {
      {"erode_depth", offsetof(ErosionParams, erode_depth)},
      {"erode_lower", offsetof(ErosionParams, erode_lower)},
      {"erode_upper", offsetof(ErosionParams, erode_upper)},
      {"erode_displacement", offsetof(ErosionParams, erode_displacement)},
      {"erode_radius", offsetof(ErosionParams, erode_radius)},
      {"erode_max_slope", offsetof(ErosionParams, erode_max_slope)},
      {"erode_off_speed", offsetof(ErosionParams, erode_off_speed)},
      {"erode_on_speed", offsetof(ErosionParams, erode_on_speed)},
  };
  for (const auto& v : values) {
    if (strcmp(keyword, v.name) != 0) continue;
    float value;
    if (sscanf(argument, "%f", &value) == 1 && std::isfinite(value))
      *(float*)((char*)e + v.offset) = value;
    else
      show_messagef("tileinfo warning: bad %s\n", v.name);
    return true;
  }
  return false;
}

int read_tileinfo(Stream* stream, SurfaceType* table, int max) {
  SurfaceType pending;
  surface_type_defaults(&pending);
  int friction_count = 0, roll_count = 0, roost_count = 0, count = 0;
  char line[1024];
  while (count < max && stream_gets(stream, line, sizeof line)) {
    char* p = line;
    while (*p && is_tileinfo_blank(*p)) p++;
    if (!*p) continue;
    char* keyword = p;
    while (*p && !is_tileinfo_blank(*p)) p++;
    if (*p) *p++ = 0;
    while (*p == ' ' || *p == '\t') p++;
    char* argument = p;
    argument[strcspn(argument, "\r\n")] = 0;

    if (strcmp(keyword, "addtile") == 0) {
      sort_points(&pending, friction_count, roll_count);
      pending.transition_name = transition_name_of(pending.texture);
      table[count++] = pending;
      surface_type_defaults(&pending);
      friction_count = roll_count = roost_count = 0;
    } else if (strcmp(keyword, "texture") == 0) {
      pending.texture = intern_string(argument);
    } else if (strcmp(keyword, "friction") == 0) {
      float value, key;
      if (sscanf(argument, "%f %f", &value, &key) != 2 || !std::isfinite(value) || !std::isfinite(key)) {
        show_message("tileinfo warning: bad friction parameters\n");
      } else if (friction_count == SURFACE_POINTS) {
        show_message("tileinfo warning: too many friction points\n");
      } else {
        if (value < 0) value = 0;
        if (!(key > KEY_MIN)) key = KEY_MIN;
        pending.friction[friction_count++] = {value, key};
      }
    } else if (strcmp(keyword, "roll_resist") == 0) {
      float a, b, key;
      if (sscanf(argument, "%f %f %f", &a, &b, &key) != 3 || !std::isfinite(a) || !std::isfinite(b) ||
          !std::isfinite(key)) {
        show_message("tileinfo warning: bad roll_resist parameters\n");
      } else if (roll_count == SURFACE_POINTS) {
        show_message("tileinfo warning: too many roll_resist points\n");
      } else {
        if (a < 0) a = 0;
        if (b < 0) b = 0;
        if (!(key > KEY_MIN)) key = KEY_MIN;
        pending.roll_resist[roll_count++] = {a, b, key};
      }
    } else if (strcmp(keyword, "roost") == 0) {
      if (roost_count == ROOST_EMITTERS)
        show_message("tileinfo warning: too many roost types\n");
      else
        parse_roost_argument(argument, &pending.roost[roost_count++]);
    } else if (!read_erosion_value(keyword, argument, &pending.erosion)) {
      show_messagef("tileinfo warning: Unknown identifier '%.950s'\n", keyword);
    }
  }
  return count;
}

// ---- texturelist ----

int read_texturelist(Stream* stream, SurfaceType* table, int max) {
  int count = 0;
  char line[1024];
  while (count < max && stream_gets(stream, line, sizeof line)) {
    char* p = line;
    while (*p && isspace((unsigned char)*p)) p++;
    if (!*p) continue;
    float f = 1.0f, a = 5.0f, b = 15.0f;
    int used = 0;
    float values[3];
    const char* name = p;
    if (sscanf(p, "%f %f %f %n", &values[0], &values[1], &values[2], &used) == 3 && used > 0) {
      f = values[0];
      a = values[1];
      b = values[2];
      name = p + used;
    }
    // The line break goes; a CR before it too, or the name could not be found.
    size_t length = strlen(name);
    while (length && (name[length - 1] == '\n' || name[length - 1] == '\r')) length--;
    char texture[1030];
    snprintf(texture, sizeof texture, "@%.*s", (int)length, name);

    SurfaceType* t = &table[count++];
    surface_type_defaults(t);
    table_defaults(t, f, a, b);
    t->roost[0].kind = ROOST_SPRAY;
    t->texture = intern_string(texture);
    t->transition_name = transition_name_of(t->texture);
  }
  return count;
}

// ---- transition keys ----

// Length of a type's name before its ".", or -1 when it has no name.
static int stem_length(const SurfaceType* t) {
  if (!t->transition_name || !*t->transition_name) return -1;
  const char* dot = strchr(t->transition_name, '.');
  return dot ? (int)(dot - t->transition_name) : (int)strlen(t->transition_name);
}

// "<stem of i>-" at the start of name: the rest, or null.
static const char* after_stem(const char* name, const SurfaceType* type) {
  int length = stem_length(type);
  if (length <= 0) return nullptr;
  if (strncmp(name, type->transition_name, length) != 0 || name[length] != '-') return nullptr;
  return name + length + 1;
}

static bool ends_name(const char* p) { return *p == 0 || *p == '.'; }

static int transition_key_of(const SurfaceType* table, int count, int t) {
  const char* name = table[t].transition_name;
  int own = t * 65536 + t * 256;
  if (!name || !*name) return own;
  for (int i = 0; i < count; i++) {
    const char* rest = after_stem(name, &table[i]);
    if (!rest) continue;
    if (strncmp(rest, "alt", 3) == 0 && rest[3] >= '0' && rest[3] <= '9' && ends_name(rest + 4))
      return i * 65536 + i * 256;
    for (int j = 0; j < count; j++) {
      const char* digits = after_stem(rest, &table[j]);
      if (!digits) continue;
      int mask = 0;
      bool ok = true;
      for (int d = 0; d < 4 && ok; d++) {
        if (digits[d] != '0' && digits[d] != '1') ok = false;
        else mask = mask * 2 + (digits[d] - '0');
      }
      if (ok && ends_name(digits + 4)) return i * 65536 + j * 256 + mask;
    }
  }
  return own;
}

void compute_transition_keys(SurfaceType* table, int count) {
  for (int t = 0; t < count; t++) table[t].transition_key = transition_key_of(table, count, t);
}

// ---- loading from a track folder ----

bool load_surface_types(const char* folder, SurfaceType** table_out, int* count_out) {
  *table_out = nullptr;
  *count_out = 0;
  char name[1100];
  snprintf(name, sizeof name, "%s/tileinfo", folder);
  Stream* stream = data_open(name, "rb");
  bool tileinfo = stream != nullptr;
  if (!stream) {
    snprintf(name, sizeof name, "%s/texturelist", folder);
    stream = data_open(name, "rb");
    if (!stream) {
      show_messagef("Can't open '%.950s'", name);
      return false;
    }
  }
  SurfaceType* table = (SurfaceType*)xmalloc(sizeof(SurfaceType) * MAX_SURFACE_TYPES);
  int count = tileinfo ? read_tileinfo(stream, table, MAX_SURFACE_TYPES)
                       : read_texturelist(stream, table, MAX_SURFACE_TYPES);
  data_close(stream);
  // Every tile must name a type, so a table without one cannot serve a terrain.
  if (count == 0) {
    free(table);
    show_message("Error reading tileinfo");
    return false;
  }
  compute_transition_keys(table, count);
  *table_out = (SurfaceType*)xrealloc(table, sizeof(SurfaceType) * count);
  *count_out = count;
  return true;
}

// ---- writing ----

bool write_tileinfo(Stream* out, const SurfaceType* table, int count) {
  for (int t = 0; t < count; t++) {
    const SurfaceType* type = &table[t];
    if (type->texture) stream_printf(out, "texture %s\n", type->texture);
    for (int k = 0; k < SURFACE_POINTS && type->friction[k].key != 0; k++)
      stream_printf(out, "friction %.9g %.9g\n", type->friction[k].value, type->friction[k].key);
    for (int k = 0; k < SURFACE_POINTS && type->roll_resist[k].key != 0; k++)
      stream_printf(out, "roll_resist %.9g %.9g %.9g\n", type->roll_resist[k].a, type->roll_resist[k].b,
                    type->roll_resist[k].key);
    for (int r = 0; r < ROOST_EMITTERS && type->roost[r].kind != ROOST_UNUSED; r++) {
      const RoostEmitter* e = &type->roost[r];
      stream_printf(out,
                    "roost texture=\"%s\" count=%.9g dig=%.9g slip_threshold=%.9g slow_angle=%.9g "
                    "fast_angle=%.9g slow_speed=%.9g fast_speed=%.9g size=%.9g grow=%.9g drag=%.9g "
                    "vscale=%.9g randomize=%.9g r=%d g=%d b=%d a=%d fade_r=%d fade_g=%d fade_b=%d "
                    "fade_a=%d%s\n",
                    e->texture ? e->texture : "", e->count, e->dig, e->slip_threshold, e->slow_angle,
                    e->fast_angle, e->slow_speed, e->fast_speed, e->size, e->grow, e->drag, e->velocity_scale,
                    e->randomize, e->colour[0], e->colour[1], e->colour[2], e->colour[3], e->fade[0] * 128,
                    e->fade[1] * 128, e->fade[2] * 128, e->fade[3] * 128,
                    e->kind == ROOST_SPLASH ? " splash=1" : "");
    }
    const ErosionParams* e = &type->erosion;
    stream_printf(out,
                  "erode_depth %.9g\nerode_lower %.9g\nerode_upper %.9g\nerode_displacement %.9g\n"
                  "erode_radius %.9g\nerode_max_slope %.9g\nerode_off_speed %.9g\nerode_on_speed %.9g\n",
                  e->erode_depth, e->erode_lower, e->erode_upper, e->erode_displacement, e->erode_radius,
                  e->erode_max_slope, e->erode_off_speed, e->erode_on_speed);
    stream_puts(out, "addtile\n");
  }
  return !out->write_failed;
}

// ---- evaluation ----

float friction(const SurfaceType* type, float slip_speed) {
  const FrictionPoint* p = type->friction;
  float v2 = slip_speed * slip_speed;
  int k = 0;
  while (k < SURFACE_POINTS && p[k].key != 0 && !(p[k].key * p[k].key > v2)) k++;
  if (k == 0) return p[0].value;
  if (k == SURFACE_POINTS || p[k].key == 0) return p[k - 1].value;
  float lo = p[k - 1].key * p[k - 1].key, hi = p[k].key * p[k].key;
  float t = (v2 - lo) / (hi - lo);
  if (t < 0) t = 0;
  if (t > 1) t = 1;
  return p[k - 1].value + t * (p[k].value - p[k - 1].value);
}

float roll_resistance(const SurfaceType* type, float ground_speed, float depth) {
  const RollResistPoint* p = type->roll_resist;
  float v = ground_speed;
  int k = 0;
  while (k < SURFACE_POINTS && p[k].key != 0 && !(p[k].key > v)) k++;
  float a, b;
  if (k == 0) {
    a = p[0].a;
    b = p[0].b;
  } else if (k == SURFACE_POINTS || p[k].key == 0) {
    a = p[k - 1].a;
    b = p[k - 1].b;
  } else {
    float u = (v - p[k - 1].key) / (p[k].key - p[k - 1].key);
    if (u < 0) u = 0;
    if (u > 1) u = 1;
    a = p[k - 1].a + u * (p[k].a - p[k - 1].a);
    b = p[k - 1].b + u * (p[k].b - p[k - 1].b);
  }
  return a + (b - a) * depth;
}
