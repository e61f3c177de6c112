// The command-line option table and its parser.
#include "core/options.h"

#include "core/settings.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

bool match_option(OptionCursor* cursor, const char* name, bool wants_value, const char** value) {
  if (cursor->remaining <= 0 || cursor->end_of_options) return false;
  const char* arg = cursor->next[0];
  if (!wants_value) {
    if (strcmp(arg, name)) return false;
    cursor->next++;
    cursor->remaining--;
    return true;
  }
  if (!strcmp(arg, "--")) {
    cursor->next++;
    cursor->remaining--;
    cursor->end_of_options = true;
    return false;
  }
  if (!strcmp(arg, name)) {
    cursor->next++;
    cursor->remaining--;
    *value = nullptr;
    if (cursor->remaining > 0) {
      *value = cursor->next[0];
      cursor->next++;
      cursor->remaining--;
    }
    return true;
  }
  size_t n = strlen(name);
  if (!strncmp(arg, name, n) && arg[n] == '=') {
    *value = arg + n + 1;
    cursor->next++;
    cursor->remaining--;
    return true;
  }
  return false;
}

namespace {

// How an option's value is read and where it goes.
enum Kind {
  FLAG,        // sets a bool
  DEBUG,       // sets the debug level to `level`
  INT_STRICT,  // "%d", "Bad arg for" when unreadable, clamped
  FLOAT_STRICT,// "%f", "Bad arg for" when unreadable, clamped when min < max
  INT_KEEP,    // "%d", previous value kept when unreadable
  INT_LEADING, // the decimal number at the start, 0 when none
  TEXT,        // the value text itself
};

struct OptionDef {
  const char* name;
  Kind kind;
  size_t offset;    // into LaunchOptions
  double min, max;  // clamping; min == max means none
  int level;        // DEBUG level, or the FLAG value written
};

#define AT(field) offsetof(LaunchOptions, field)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
const OptionDef option_table[] = {
    {"--fugly", FLAG, AT(fugly), 0, 0, 1},
    {"--nosound", FLAG, AT(nosound), 0, 0, 1},
    {"--novertexarrays", FLAG, AT(novertexarrays), 0, 0, 1},
    {"--learn", FLAG, AT(learn), 0, 0, 1},
    {"--nolearn", FLAG, AT(learn), 0, 0, 0},
    {"--nommx", FLAG, AT(nommx), 0, 0, 1},
    {"--debug", DEBUG, AT(debug_level), 0, 0, 1},
    {"--super-debug", DEBUG, AT(debug_level), 0, 0, 2},
    {"--practice", FLAG, AT(practice), 0, 0, 1},
    {"--warp", FLAG, AT(warp), 0, 0, 1},
    {"--texture-detail", INT_STRICT, AT(texture_level_drop), 0, 4, 0},
    {"--ground-texture-detail", INT_STRICT, AT(ground_texture_level_drop), 0, 4, 0},
    {"--roostfrequency", INT_STRICT, AT(roost_frequency), 0, 1000, 0},
    {"--erode", FLOAT_STRICT, AT(erode), 0, 100, 0},
    {"--detail", FLOAT_STRICT, AT(terrain_detail), 0, 0, 0},
    {"--max-detail-distance", FLOAT_STRICT, AT(max_detail_distance), 0, 0, 0},
    {"--lod-scale", FLOAT_STRICT, AT(lod_scale), 1e-6, 1e6, 0},
    {"--lod-bias", FLOAT_STRICT, AT(lod_bias), 0, 0, 0},
    {"--lock-fps", FLOAT_STRICT, AT(lock_fps), 0, 0, 0},
    {"--fake-lag", FLOAT_STRICT, AT(fake_lag), 0, 1, 0},
    {"--fake-loss", INT_STRICT, AT(fake_loss), 0, 100, 0},
    {"--record-audio", TEXT, AT(record_audio), 0, 0, 0},
    {"--record-video", FLAG, AT(record_video), 0, 0, 1},
    {"--rotate-lineup", INT_KEEP, AT(rotate_lineup), 0, 0, 0},
    {"--editor", FLAG, AT(editor), 0, 0, 1},
    {"--hidden-pause", FLAG, AT(hidden_pause), 0, 0, 1},
    {"--hidden-hud", FLAG, AT(hidden_hud), 0, 0, 1},
    {"--bikes", TEXT, 0, 0, 0, 0},
    {"--width", INT_KEEP, AT(width), 0, 0, 0},
    {"--height", INT_KEEP, AT(height), 0, 0, 0},
    {"--depth", INT_LEADING, AT(depth), 0, 0, 0},
    {"--zdepth", INT_LEADING, AT(zdepth), 0, 0, 0},
    {"--draw-fps", INT_LEADING, AT(draw_fps), 0, 0, 0},
    {"--draw-time", INT_LEADING, AT(draw_time), 0, 0, 0},
    {"--draw-ping", INT_LEADING, AT(draw_ping), 0, 0, 0},
    {"--draw-render-stats", INT_LEADING, AT(draw_render_stats), 0, 0, 0},
    {"--accurate-skip", FLAG, AT(accurate_skip), 0, 0, 1},
    {"--track", TEXT, AT(track), 0, 0, 0},
    {"--connect", TEXT, AT(connect), 0, 0, 0},
    {"--password", TEXT, AT(password), 0, 0, 0},
    {"--chase-center", TEXT, AT(chase_center), 0, 0, 0},
    {"--open-home", FLAG, AT(open_home), 0, 0, 1},
    {"--glfinish", FLAG, AT(glfinish), 0, 0, 1},
    {"--print-orientation", FLAG, AT(print_orientation), 0, 0, 1},
    {"--headless", FLAG, AT(headless), 0, 0, 1},
    {"--quit-after", FLOAT_STRICT, AT(quit_after), 0, 0, 0},
};
#pragma GCC diagnostic pop
#undef AT

double clamp_to(const OptionDef& def, double v) {
  if (def.min < def.max) v = v < def.min ? def.min : v > def.max ? def.max : v;
  return v;
}

int bad_arg(const char* name) {
  fprintf(stderr, "Bad arg for %s\n", name);
  return 1;
}

// Applies one matched option; returns 1 after printing an error.
int apply_option(const OptionDef& def, const char* value, LaunchOptions* options) {
  char* field = (char*)options + def.offset;
  if (def.kind == FLAG) {
    *(bool*)field = def.level != 0;
    return 0;
  }
  if (def.kind == DEBUG) {
    *(int*)field = def.level;
    return 0;
  }
  if (!value) return bad_arg(def.name);
  if (!strcmp(def.name, "--bikes")) {
    fprintf(stderr, "--bikes doesn't do anything anymore\n");
    return 0;
  }
  if (!strcmp(def.name, "--chase-center")) {
    float c[3];
    if (sscanf(value, "%f,%f,%f", &c[0], &c[1], &c[2]) != 3) return bad_arg(def.name);
    memcpy(options->chase_center, c, sizeof c);
    return 0;
  }
  if (!strcmp(def.name, "--fake-lag")) {
    float ms;
    if (sscanf(value, "%f", &ms) != 1) return bad_arg(def.name);
    options->fake_lag = (float)clamp_to(def, ms * 0.001);
    return 0;
  }
  switch (def.kind) {
    case INT_STRICT: {
      int v;
      if (sscanf(value, "%d", &v) != 1) return bad_arg(def.name);
      *(int*)field = (int)clamp_to(def, v);
      if (!strcmp(def.name, "--texture-detail")) options->ground_texture_level_drop = *(int*)field;
      return 0;
    }
    case FLOAT_STRICT: {
      float v;
      if (sscanf(value, "%f", &v) != 1) return bad_arg(def.name);
      if (!strcmp(def.name, "--quit-after")) {
        if (!(v >= 0)) return bad_arg(def.name);
        options->quit_after = v;
      } else {
        *(float*)field = (float)clamp_to(def, v);
      }
      return 0;
    }
    case INT_KEEP:
      sscanf(value, "%d", (int*)field);
      return 0;
    case INT_LEADING:
      *(int*)field = atoi(value);
      return 0;
    case TEXT:
      *(const char**)field = value;
      return 0;
    default:
      return 0;
  }
}

}  // namespace

static double clamp_double(double v, double lo, double hi) { return v < lo ? lo : v > hi ? hi : v; }

void derive_render_options(const Settings* s, LaunchOptions* o) {
  o->ground_texture_level_drop = (int)clamp_double(10 - s->ground_texture_detail.value, 0, 10);
  o->ground_texture_size = 32 << s->ground_texture_dim.index;
  double x = clamp_double(100 - s->model_detail.value, 0, 100) * 0.02;
  o->lod_scale = (float)(x <= 1 ? x : x * x * x);
  o->lod_bias = (float)(50 - 50 * clamp_double((s->model_detail.value - 10) * 0.05, 0, 1));
  o->texture_level_drop = (int)rint(clamp_double(10 - s->model_texture_detail.value, 0, 10));
  o->roost_frequency = (int)rint(s->roost_density.value);
  // A detail of 0 would divide by zero; the coarsest real setting is 1.
  o->terrain_detail = (float)(0.125 / (s->ground_detail.value < 1 ? 1 : s->ground_detail.value));
}

int parse_command_line(int argc, char** argv, LaunchOptions* options) {
  OptionCursor cursor = {argc - 1, argv + 1, false};
  while (cursor.remaining > 0) {
    bool matched = false;
    for (const OptionDef& def : option_table) {
      const char* value = nullptr;
      bool wants_value = def.kind != FLAG && def.kind != DEBUG;
      if (match_option(&cursor, def.name, wants_value, &value)) {
        if (apply_option(def, value, options)) return 1;
        matched = true;
        break;
      }
      if (cursor.remaining == 0) break;  // a trailing "--" was consumed
    }
    if (matched || cursor.remaining == 0) continue;
    const char* arg = cursor.next[0];
    if (arg[0] == '-' && !cursor.end_of_options) {
      fprintf(stderr, "bad option '%s'\n", arg);
      return 1;
    }
    if (options->file) {
      fprintf(stderr, "Too many files!\n");
      return 1;
    }
    options->file = arg;
    cursor.next++;
    cursor.remaining--;
  }
  if (options->connect) {
    if (!strncmp(options->connect, "kestrix:", 8)) options->connect += 8;
    options->track = nullptr;  // the server chooses the track
  }
  return 0;
}
