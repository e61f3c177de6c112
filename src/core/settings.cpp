// The settings records, their three key tables with defaults and ranges,
// and the rules that turn file text into values and back.
#include "core/settings.h"

#include "bike/catalogue.h"
#include "bike/setup.h"
#include "core/data_lists.h"
#include "core/helpers.h"
#include "files/data.h"
#include "files/stream.h"
#include "platform/keynames.h"
#include "platform/kuvo.h"

#include <cassert>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

Settings settings;

static const char* const no_yes[] = {"No", "Yes"};
static const char* const skills[] = {"Novice", "Amateur", "Expert"};
static const char* const gate_kinds[] = {"Empty", "Human", "Robot", "Robot (2 stroke)", "Robot (4 stroke)"};
static const char* const texture_dims[] = {"32x32", "64x64", "128x128", "256x256", "512x512", "1024x1024"};
static const char* const compress_modes[] = {"No", "Yes", "Always"};
static const char* const render_methods[] = {"Software", "Hardware/Copy", "Hardware/Direct",
                                             "Shaders/Copy", "Shaders/Direct"};
static const char* const playback_modes[] = {"Playback Only", "Race Against"};

// A configuration key's record with its default and range. Repeated keys
// ("slot%02d") cover `repeat` records in a row; their labels count from 1.
struct ConfigDef {
  const char* key;
  SettingKind kind;
  void* record;
  const char* label;
  double value, minimum, maximum, step;  // numbers; integers use value
  const char* text;                      // default choice, text
  const char* const* options;            // fixed choice texts, null for run-time lists
  int option_count;
  int max_length;
  int repeat;
  int flags;
};

#define INTEGER(k, field, def) {k, SETTING_INTEGER, &settings.field, nullptr, def, 0, 0, 0, nullptr, nullptr, 0, 0, 1, 0}
#define CHOICE(k, field, label, def, list) \
  {k, SETTING_CHOICE, &settings.field, label, 0, 0, 0, 0, def, list, (int)std::size(list), 0, 1, 0}
#define LISTED(k, field, label, def) {k, SETTING_CHOICE, &settings.field, label, 0, 0, 0, 0, def, nullptr, 0, 0, 1, 0}
#define NUMBER(k, field, label, def, lo, hi, st) \
  {k, SETTING_NUMBER, &settings.field, label, def, lo, hi, st, nullptr, nullptr, 0, 0, 1, 0}
#define TEXT(k, field, label, length, def) \
  {k, SETTING_TEXT, &settings.field, label, 0, 0, 0, 0, def, nullptr, 0, length, 1, 0}

// The server name has no fixed default; the local host is where a race
// server under test runs.
static const char default_server_name[] = "localhost";

static const ConfigDef config_defs[] = {
    INTEGER("xres", xres, 640),
    INTEGER("yres", yres, 480),
    INTEGER("draw_fps", draw_fps, 0),
    INTEGER("draw_time", draw_time, 0),
    INTEGER("draw_ping", draw_ping, 1),
    INTEGER("spy", spy, 0),
    LISTED("track", track, "Track", nullptr),
    CHOICE("record", record, "Record Demo", "No", no_yes),
    CHOICE("skill", skill, "Robot Skill", "Novice", skills),
    NUMBER("minutes", minutes, "Minutes", 0, 0, 60, 1),
    NUMBER("laps", laps, "Laps", 5, 0, 50, 1),
    {"slot%02d", SETTING_CHOICE, settings.gates, "Gate %d", 0, 0, 0, 0, "Empty", gate_kinds,
     (int)std::size(gate_kinds), 0, GATE_COUNT, 0},
    NUMBER("ghost_fade_distance", ghost_fade_distance, "Ghost Fade Distance", 10, 0, 40, 1),
    CHOICE("time_trial_abort", time_trial_abort, "Backing Up Aborts Attempt", "Yes", no_yes),
    LISTED("video_mode", video_mode, "Video Mode", "Default Fullscreen"),
    TEXT("server_name", server_name, "Server", 127, default_server_name),
    // A remembered server of 127 characters or more is dropped, not cut.
    {"server_name_hist%02d", SETTING_TEXT, settings.server_history, nullptr, 0, 0, 0, 0, "", nullptr, 0, 126,
     SERVER_HISTORY_COUNT, SETTING_REFUSE_LONG},
    NUMBER("ground_detail", ground_detail, "Ground Geometric Detail", 50, 0, 100, 1),
    NUMBER("ground_texture_detail", ground_texture_detail, "Ground Texture Levels", 9, 0, 10, 1),
    CHOICE("ground_texture_dim", ground_texture_dim, "Ground Texture Resolution", "128x128", texture_dims),
    CHOICE("ground_mipmaps", ground_mipmaps, "Enable Ground Mipmaps", "Yes", no_yes),
    CHOICE("texture_compress", texture_compress, "Compress Textures", "Yes", compress_modes),
    CHOICE("render_texture", render_texture, "Terrain Rendering Method", "Hardware/Direct", render_methods),
    CHOICE("use_shader", use_shader, "Use Shader Programs", "Yes", no_yes),
    NUMBER("roost_density", roost_density, "Roost Density", 250, 0, 1000, 10),
    CHOICE("lens_flare", lens_flare, "Enable Lens Flares", "Yes", no_yes),
    CHOICE("reflections", reflections, "Enable Reflections", "Yes", no_yes),
    CHOICE("hide_rider", hide_rider, "Hide 1st Person Rider", "No", no_yes),
    CHOICE("rigid_camera", rigid_camera, "Rigid 3rd person camera", "No", no_yes),
    NUMBER("model_detail", model_detail, "Model Geometric Detail", 50, 0, 100, 1),
    NUMBER("model_texture_detail", model_texture_detail, "Model Texture Detail", 9, 0, 10, 1),
    NUMBER("fov", fov, "Field Of View", 110, 10, 170, 1),
    NUMBER("first_person_height", first_person_height, "1st Person Height", 0, 0, 1, 0.03125),
    NUMBER("first_person_angle", first_person_angle, "1st Person Angle", 0, 0, 40, 1),
    NUMBER("third_person_height", third_person_height, "3rd Person Height", 5, 0, 20, 1),
    NUMBER("third_person_distance", third_person_distance, "3rd Person Distance", 10, 5, 40, 1),
    NUMBER("volume", volume, "Volume", 10, 0, 10, 1),
    NUMBER("comp_volume", comp_volume, "Competitor Volume", 8, 0, 10, 1),
    CHOICE("playback_mode", playback_mode, "Playback Mode", "Playback Only", playback_modes),
    INTEGER("billboard_optimize_lookahead", billboard_optimize_lookahead, 8),
    INTEGER("message_lines", message_lines, 5),
    INTEGER("demo_backups", demo_backups, 0),
};

// The setup keys in file order: "bike" before "bike_texture" (the bike
// resets its graphics) and "stability" before the assists it presets.
// Labels, defaults and ranges are the bike setup table's.
struct SetupDef {
  const char* key;
  SettingKind kind;
  void* record;
};
#define SETUP(k, kind) {#k, kind, &settings.k}
static const SetupDef setup_defs[] = {
    SETUP(bike, SETTING_CHOICE),
    SETUP(name, SETTING_TEXT),
    SETUP(number, SETTING_TEXT),
    SETUP(rider_texture, SETTING_CHOICE),
    SETUP(head_texture, SETTING_CHOICE),
    SETUP(bike_texture, SETTING_CHOICE),
    SETUP(wheel_texture, SETTING_CHOICE),
    SETUP(stability, SETTING_NUMBER),
    SETUP(leveling, SETTING_NUMBER),
    SETUP(roll_damping, SETTING_NUMBER),
    SETUP(roll_limit_angle, SETTING_NUMBER),
    SETUP(roll_limit_factor, SETTING_NUMBER),
    SETUP(steering_damping, SETTING_NUMBER),
    SETUP(steering_strength, SETTING_NUMBER),
    SETUP(max_steering_force, SETTING_NUMBER),
    SETUP(direct_steering, SETTING_NUMBER),
    SETUP(slow_damping_speed, SETTING_NUMBER),
    SETUP(slow_damping_factor, SETTING_NUMBER),
    SETUP(land_damping_falloff, SETTING_NUMBER),
    SETUP(land_damping_factor, SETTING_NUMBER),
    SETUP(full_lock_speed, SETTING_NUMBER),
    SETUP(restricted_lock_speed, SETTING_NUMBER),
    SETUP(restricted_lock, SETTING_NUMBER),
    SETUP(arcade, SETTING_CHOICE),
    SETUP(front_brake, SETTING_CHOICE),
    SETUP(rear_brake, SETTING_CHOICE),
    SETUP(stop_wheelies, SETTING_CHOICE),
    SETUP(auto_shift, SETTING_CHOICE),
    SETUP(auto_dab, SETTING_CHOICE),
    SETUP(auto_align, SETTING_CHOICE),
    SETUP(sticky_dab, SETTING_CHOICE),
    SETUP(reverse_steering, SETTING_CHOICE),
    SETUP(lean_indicator, SETTING_CHOICE),
    SETUP(auto_clutch_rpms, SETTING_NUMBER),
    SETUP(brake_torque, SETTING_NUMBER),
    SETUP(rear_brake_torque, SETTING_NUMBER),
    SETUP(max_dab_speed, SETTING_NUMBER),
    SETUP(front_sprocket_adjustment, SETTING_NUMBER),
    SETUP(rear_sprocket_adjustment, SETTING_NUMBER),
    SETUP(fork_compression_adjustment, SETTING_NUMBER),
    SETUP(fork_rebound_adjustment, SETTING_NUMBER),
    SETUP(fork_spring_rate_adjustment, SETTING_NUMBER),
    SETUP(fork_preload_adjustment, SETTING_NUMBER),
    SETUP(fork_oil_level_adjustment, SETTING_NUMBER),
    SETUP(shock_compression_adjustment, SETTING_NUMBER),
    SETUP(shock_rebound_adjustment, SETTING_NUMBER),
    SETUP(shock_spring_rate_adjustment, SETTING_NUMBER),
    SETUP(shock_preload_adjustment, SETTING_NUMBER),
    SETUP(rider_yspring, SETTING_NUMBER),
    SETUP(rider_ydamping, SETTING_NUMBER),
    SETUP(rider_zspring, SETTING_NUMBER),
    SETUP(rider_zdamping, SETTING_NUMBER),
    SETUP(rider_mass_distribution, SETTING_NUMBER),
};

struct BindingDef {
  const char* key;
  const char* label;
  const char* key_name;
};
static const BindingDef binding_defs[BINDING_COUNT] = {
    {"throttle_key", "Throttle", "x"},
    {"front_brake_key", "Front Brake", "c"},
    {"rear_brake_key", "Rear Brake", "v"},
    {"left_key", "Left", "left"},
    {"right_key", "Right", "right"},
    {"clutch_key", "Clutch", "z"},
    {"upshift_key", "Upshift", "up"},
    {"downshift_key", "Downshift", "down"},
    {"dab_key", "Sit/Dab", "right ctrl"},
    {"back_up_key", "Back up", "b"},
    {"lean_forward_key", "Lean Forward", "n"},
    {"lean_backward_key", "Lean Backward", "m"},
    {"pause_key", "Pause", "pause"},
    {"step_key", "Step", "."},
    {"rewind_key", "Rewind", "\\"},
    {"skip_key", "Skip", "/"},
    {"prev_key", "Previous Bike", "["},
    {"next_key", "Next Bike", "]"},
    {"console_key", "Chat", "t"},
    {"screenshot_key", "Screenshot", "s"},
};

enum { CONFIG_KEY_MAX = 64 + GATE_COUNT + SERVER_HISTORY_COUNT, KEY_TEXT_SIZE = 24, TRACK_FOLDER_SIZE = 256 };

// A graphics choice and the data names behind its texts.
struct GraphicsList {
  SettingChoice* choice;
  Array paths;
  Array names;
};

// Everything the tables and the run-time choice lists need.
static struct {
  SettingKey config[CONFIG_KEY_MAX];
  int config_count;
  int setup_position;  // the setup keys are written before this config key
  SettingKey setup[std::size(setup_defs)];
  SettingKey bindings[BINDING_COUNT];
  char repeated_keys[GATE_COUNT + SERVER_HISTORY_COUNT][KEY_TEXT_SIZE];
  char gate_labels[GATE_COUNT][KEY_TEXT_SIZE];
  const char* bike_names[BIKE_MODEL_COUNT];
  Array video_modes;
  Array track_folders;
  Array track_names;
  char configured_track[TRACK_FOLDER_SIZE];
  GraphicsList graphics[4];
  const char* source;  // where the lines being read come from, for the log
  int line;
} state;

// ----- reading values -------------------------------------------------------

static void log_refused(const SettingKey* key, const char* value, const char* why) {
  if (state.source)
    kuvo_log("%s line %d: %s=%.200s ignored: %s\n", state.source, state.line, key->key, value, why);
  else
    kuvo_log("%s=%.200s ignored: %s\n", key->key, value, why);
}

static void log_adjusted(const SettingKey* key, const char* value, const char* how) {
  if (state.source)
    kuvo_log("%s line %d: %s=%.200s %s\n", state.source, state.line, key->key, value, how);
  else
    kuvo_log("%s=%.200s %s\n", key->key, value, how);
}

static int find_option(const SettingChoice* choice, const char* text) {
  for (int i = 0; i < choice->count; i++)
    if (!strcmp(choice->options[i], text)) return i;
  return -1;
}

static bool set_integer(const SettingKey* key, const char* value) {
  char* end = nullptr;
  errno = 0;
  long number = strtol(value, &end, 10);
  if (end == value) {
    log_refused(key, value, "not a number");
    return false;
  }
  if (errno == ERANGE || number < INT32_MIN || number > INT32_MAX) {
    log_refused(key, value, "too large");
    return false;
  }
  *(int*)key->record = (int)number;
  return true;
}

static bool set_number(const SettingKey* key, const char* value) {
  SettingNumber* number = (SettingNumber*)key->record;
  double v = 0;
  if (sscanf(value, "%lf", &v) != 1 || std::isnan(v)) {
    log_refused(key, value, "not a number");
    return false;
  }
  if (v < number->minimum || v > number->maximum) {
    char how[96];
    v = v < number->minimum ? number->minimum : number->maximum;
    snprintf(how, sizeof how, "out of range %g ... %g, set to %g", number->minimum, number->maximum, v);
    log_adjusted(key, value, how);
  }
  number->value = v;
  return true;
}

static bool set_text(const SettingKey* key, const char* value) {
  SettingText* text = (SettingText*)key->record;
  size_t length = strlen(value);
  if ((int)length > text->max_length) {
    if (key->flags & SETTING_REFUSE_LONG) {
      log_refused(key, value, "too long");
      return false;
    }
    char how[64];
    snprintf(how, sizeof how, "cut to %d characters", text->max_length);
    log_adjusted(key, value, how);
    length = text->max_length;
  }
  memcpy(text->text, value, length);
  text->text[length] = 0;
  text->cursor = (int)length;
  return true;
}

// "WIDTHxHEIGHT" exactly as the mode list writes it.
static bool is_video_mode_text(const char* value) {
  int w, h, used = 0;
  if (sscanf(value, "%dx%d%n", &w, &h, &used) != 2 || value[used] || w < 1 || h < 1 || w > 16384 || h > 16384)
    return false;
  char canonical[32];
  snprintf(canonical, sizeof canonical, "%dx%d", w, h);
  return !strcmp(canonical, value);
}

static bool set_choice(const SettingKey* key, const char* value) {
  SettingChoice* choice = (SettingChoice*)key->record;
  if (choice == &settings.track) {
    // Tracks are kept by folder; before the list exists the folder waits.
    if (!choice->count) {
      if (strlen(value) >= sizeof state.configured_track) {
        log_refused(key, value, "too long");
        return false;
      }
      strcpy(state.configured_track, value);
      return true;
    }
    for (int i = 0; i < state.track_folders.count; i++)
      if (!strcmp(*array_at<const char*>(&state.track_folders, i), value)) {
        choice->index = i;
        return true;
      }
    log_refused(key, value, "no such track");
    return false;
  }
  int index = find_option(choice, value);
  // A saved display mode is kept even when this display has not offered it
  // (yet): the window decides at opening whether it can be used.
  if (index < 0 && choice == &settings.video_mode && is_video_mode_text(value)) {
    settings_add_video_mode(value);
    index = find_option(choice, value);
  }
  if (index < 0) {
    log_refused(key, value, "not one of the choices");
    return false;
  }
  choice->index = index;
  return true;
}

// A key name the input layer can bind: a fixed or special name, a scan
// value, a device button, or an alias of one of those.
static bool names_a_key(const char* name) {
  const char* target = resolve_builtin_alias(name);
  char device[DEVICE_NAME_MAX + 1];
  int button;
  return target[0] && (fixed_key_code(target) || parse_device_button(target, device, &button));
}

static bool names_an_axis(const char* name) {
  const char* target = resolve_builtin_alias(name);
  char device[DEVICE_NAME_MAX + 1];
  int axis;
  return target[0] && parse_device_axis(target, device, &axis);
}

static bool set_binding(const SettingKey* key, const char* value) {
  SettingBinding* binding = (SettingBinding*)key->record;
  while (isspace((unsigned char)*value)) value++;
  float minimum = 0, maximum = 1;
  const char* close = strchr(value, ')');
  if (value[0] == '(' && close && sscanf(value, "(%f,%f)", &minimum, &maximum) == 2) {
    const char* axis = close + 1;
    if (!names_an_axis(axis)) {
      log_refused(key, value, "no such axis");
      return false;
    }
    // An empty range would divide by zero on every read.
    if (!std::isfinite(minimum) || !std::isfinite(maximum) || minimum == maximum) {
      log_refused(key, value, "empty axis range");
      return false;
    }
    binding->key_name = nullptr;
    binding->axis_name = intern_string(axis);
  } else {
    const char* name = strncmp(value, "(k)", 3) ? value : value + 3;
    if (!names_a_key(name)) {
      log_refused(key, value, "no such key");
      return false;
    }
    binding->key_name = intern_string(name);
    binding->axis_name = nullptr;
  }
  binding->key_code = 0;
  binding->axis_minimum = minimum;
  binding->axis_maximum = maximum;
  return true;
}

bool set_setting_from_text(const SettingKey* key, const char* value) {
  switch (key->kind) {
    case SETTING_INTEGER: return set_integer(key, value);
    case SETTING_CHOICE: return set_choice(key, value);
    case SETTING_NUMBER: return set_number(key, value);
    case SETTING_TEXT: return set_text(key, value);
    case SETTING_BINDING: return set_binding(key, value);
  }
  return false;
}

bool format_setting(const SettingKey* key, char* buffer, int size) {
  switch (key->kind) {
    case SETTING_INTEGER: snprintf(buffer, size, "%d", *(const int*)key->record); return true;
    case SETTING_CHOICE: {
      const SettingChoice* choice = (const SettingChoice*)key->record;
      if (choice == &settings.track) snprintf(buffer, size, "%s", settings_track_folder());
      else snprintf(buffer, size, "%s", choice->options[choice->index]);
      return true;
    }
    case SETTING_NUMBER: snprintf(buffer, size, "%f", ((const SettingNumber*)key->record)->value); return true;
    case SETTING_TEXT: snprintf(buffer, size, "%s", ((const SettingText*)key->record)->text); return true;
    case SETTING_BINDING: {
      const SettingBinding* binding = (const SettingBinding*)key->record;
      if (binding->key_name) snprintf(buffer, size, "(k)%s", binding->key_name);
      else if (binding->axis_name)
        snprintf(buffer, size, "(%f,%f)%s", binding->axis_minimum, binding->axis_maximum, binding->axis_name);
      else return false;
      return true;
    }
  }
  return false;
}

// ----- tables ---------------------------------------------------------------

static size_t record_size(SettingKind kind) {
  switch (kind) {
    case SETTING_INTEGER: return sizeof(int);
    case SETTING_CHOICE: return sizeof(SettingChoice);
    case SETTING_NUMBER: return sizeof(SettingNumber);
    case SETTING_TEXT: return sizeof(SettingText);
    case SETTING_BINDING: return sizeof(SettingBinding);
  }
  return 0;
}

static void init_choice(SettingChoice* choice, const char* label, const char* const* options, int count,
                        const char* selected) {
  *choice = {};
  choice->label = label;
  choice->options = options;
  choice->count = count;
  if (selected && count) {
    choice->index = find_option(choice, selected);
    assert(choice->index >= 0);
    if (choice->index < 0) choice->index = 0;
  }
}

static void init_text(SettingText* text, const char* label, int max_length, const char* value) {
  *text = {};
  text->label = label;
  text->max_length = max_length < SETTING_TEXT_MAX ? max_length : SETTING_TEXT_MAX;
  snprintf(text->text, text->max_length + 1, "%s", value ? value : "");
  text->cursor = (int)strlen(text->text);
  text->insert = true;
}

static void init_number(SettingNumber* number, const char* label, double value, double minimum,
                        double maximum, double step) {
  *number = {};
  number->label = label;
  number->value = value;
  number->minimum = minimum;
  number->maximum = maximum;
  number->step = step;
}

static void reset_string_list(Array* list) {
  if (!list->items) array_init(list, sizeof(const char*));
  list->count = 0;
}

static void append_string(Array* list, const char* text) {
  const char* interned = intern_string(text);
  array_append(list, &interned);
}

static void build_config_table() {
  state.config_count = 0;
  int repeated = 0;
  for (const ConfigDef& def : config_defs) {
    for (int r = 0; r < def.repeat; r++) {
      assert(state.config_count < CONFIG_KEY_MAX);
      SettingKey* key = &state.config[state.config_count++];
      key->kind = def.kind;
      key->flags = def.flags;
      key->record = (char*)def.record + r * record_size(def.kind);
      key->key = def.key;
      const char* label = def.label;
      if (def.repeat > 1) {
        snprintf(state.repeated_keys[repeated], KEY_TEXT_SIZE, def.key, r);
        key->key = state.repeated_keys[repeated++];
        if (label) {
          snprintf(state.gate_labels[r], KEY_TEXT_SIZE, label, r + 1);
          label = state.gate_labels[r];
        }
      }
      switch (def.kind) {
        case SETTING_INTEGER: *(int*)key->record = (int)def.value; break;
        case SETTING_CHOICE: init_choice((SettingChoice*)key->record, label, def.options, def.option_count, def.text); break;
        case SETTING_NUMBER:
          init_number((SettingNumber*)key->record, label, def.value, def.minimum, def.maximum, def.step);
          break;
        case SETTING_TEXT: init_text((SettingText*)key->record, label, def.max_length, def.text); break;
        case SETTING_BINDING: break;
      }
    }
    if (!strcmp(def.key, "time_trial_abort")) state.setup_position = state.config_count;
  }
}

static void build_setup_table() {
  for (int i = 0; i < BIKE_MODEL_COUNT; i++) state.bike_names[i] = bike_model_name(i);
  for (size_t i = 0; i < std::size(setup_defs); i++) {
    const SetupDef& def = setup_defs[i];
    SettingKey* key = &state.setup[i];
    *key = {def.key, def.kind, def.record, 0};
    const SetupValueInfo* info = find_setup_value(def.key);
    assert(info);
    if (!info) continue;
    switch (info->kind) {
      case SETUP_VALUE_NUMBER:
        assert(def.kind == SETTING_NUMBER);
        init_number((SettingNumber*)def.record, info->label, info->default_number, info->minimum, info->maximum,
                    info->step);
        break;
      case SETUP_VALUE_CHOICE:
        assert(def.kind == SETTING_CHOICE);
        init_choice((SettingChoice*)def.record, info->label, info->choices, info->choice_count,
                    info->choices[(int)info->default_number]);
        break;
      case SETUP_VALUE_TEXT:
        assert(def.kind == SETTING_TEXT);
        init_text((SettingText*)def.record, info->label, info->text_size - 1, info->default_text);
        break;
      case SETUP_VALUE_NAMED_CHOICE:
        assert(def.kind == SETTING_CHOICE);
        if (def.record == &settings.bike)
          init_choice(&settings.bike, info->label, state.bike_names, BIKE_MODEL_COUNT, info->default_text);
        else
          init_choice((SettingChoice*)def.record, info->label, nullptr, 0, nullptr);
        break;
    }
  }
}

static void build_binding_table() {
  for (int i = 0; i < BINDING_COUNT; i++) {
    SettingBinding* binding = &settings.bindings[i];
    *binding = {};
    binding->label = binding_defs[i].label;
    binding->key_name = binding_defs[i].key_name;
    binding->axis_maximum = 1.0f;
    state.bindings[i] = {binding_defs[i].key, SETTING_BINDING, binding, 0};
  }
}

static void point_choice_at(SettingChoice* choice, const Array* list) {
  choice->options = (const char* const*)list->items;
  choice->count = list->count;
  if (choice->index >= choice->count) choice->index = 0;
}

// Rebuilds one graphics list; "default" is selected when the old text is gone.
static void list_graphics(GraphicsList* list, const char* prefix) {
  const char* old = list->choice->count ? list->choice->options[list->choice->index] : "default";
  list_texture_variants(prefix, &list->paths, &list->names);
  point_choice_at(list->choice, &list->names);
  int index = find_option(list->choice, old);
  list->choice->index = index < 0 ? 0 : index;
}

static void reset_graphics_lists() {
  SettingChoice* choices[4] = {&settings.rider_texture, &settings.head_texture, &settings.bike_texture,
                               &settings.wheel_texture};
  for (int i = 0; i < 4; i++) {
    GraphicsList* list = &state.graphics[i];
    list->choice = choices[i];
    reset_string_list(&list->paths);
    reset_string_list(&list->names);
    append_string(&list->paths, "");
    append_string(&list->names, "default");
    point_choice_at(list->choice, &list->names);
    list->choice->index = 0;
  }
}

void settings_reset() {
  build_config_table();
  build_setup_table();
  build_binding_table();
  int gates[][2] = {{18, GATE_ROBOT}, {19, GATE_ROBOT}, {20, GATE_HUMAN}, {21, GATE_ROBOT}, {22, GATE_ROBOT}, {23, GATE_ROBOT}};
  for (auto& gate : gates) settings.gates[gate[0] - 1].index = gate[1];

  reset_string_list(&state.video_modes);
  append_string(&state.video_modes, "Default Fullscreen");
  append_string(&state.video_modes, "Windowed");
  point_choice_at(&settings.video_mode, &state.video_modes);
  settings.video_mode.index = 0;

  reset_string_list(&state.track_folders);
  reset_string_list(&state.track_names);
  point_choice_at(&settings.track, &state.track_names);
  settings.track.index = 0;
  snprintf(state.configured_track, sizeof state.configured_track, "rabbithill");

  reset_graphics_lists();
  state.source = nullptr;
  state.line = 0;
}

int config_key_count() { return state.config_count; }
const SettingKey* config_key_at(int index) {
  return index >= 0 && index < state.config_count ? &state.config[index] : nullptr;
}
int setup_key_count() { return (int)std::size(setup_defs); }
const SettingKey* setup_key_at(int index) {
  return index >= 0 && index < setup_key_count() ? &state.setup[index] : nullptr;
}
int binding_key_count() { return BINDING_COUNT; }
const SettingKey* binding_key_at(int index) {
  return index >= 0 && index < BINDING_COUNT ? &state.bindings[index] : nullptr;
}

static const SettingKey* find_in(const SettingKey* keys, int count, const char* key) {
  for (int i = 0; i < count; i++)
    if (!strcmp(keys[i].key, key)) return &keys[i];
  return nullptr;
}

const SettingKey* find_setting_key(const char* key) {
  const SettingKey* found = find_in(state.setup, setup_key_count(), key);
  if (!found) found = find_in(state.config, state.config_count, key);
  if (!found) found = find_in(state.bindings, BINDING_COUNT, key);
  return found;
}

// ----- stability, bike setup and graphics -------------------------------

void apply_stability(int level) {
  for (int i = 0; i < STABILITY_ASSIST_COUNT; i++) {
    const StabilityAssist* assist = stability_assist_at(i);
    const SettingKey* key = find_in(state.setup, setup_key_count(), assist->key);
    assert(key && key->kind == SETTING_NUMBER);
    if (key) ((SettingNumber*)key->record)->value = stability_assist_value(i, level);
  }
}

void settings_bike_setup(BikeSetup* setup) {
  bike_setup_defaults(setup);
  for (int i = 0; i < setup_key_count(); i++) {
    const SettingKey* key = &state.setup[i];
    const SetupValueInfo* info = find_setup_value(key->key);
    if (!info) continue;
    switch (info->kind) {
      case SETUP_VALUE_NUMBER: *setup_number(setup, info) = ((const SettingNumber*)key->record)->value; break;
      case SETUP_VALUE_CHOICE: *setup_choice(setup, info) = ((const SettingChoice*)key->record)->index; break;
      case SETUP_VALUE_TEXT:
        snprintf(setup_text(setup, info), info->text_size, "%s", ((const SettingText*)key->record)->text);
        break;
      case SETUP_VALUE_NAMED_CHOICE: {
        const SettingChoice* choice = (const SettingChoice*)key->record;
        snprintf(setup_text(setup, info), info->text_size, "%s", choice->options[choice->index]);
        break;
      }
    }
  }
}

// The bike's own graphics are named after its texture: "@crf450v2013.png"
// offers "crf450v2013-<variant>.png".
static void bike_graphics_prefix(char* prefix, int size) {
  const BikeModel* model = find_bike_model(settings.bike.options[settings.bike.index]);
  const char* texture = model ? model->assets[BIKE_ASSET_BIKE_TEXTURE] : nullptr;
  if (!texture) {
    snprintf(prefix, size, "%s-", model && model->asset_prefix ? model->asset_prefix : "");
    return;
  }
  if (texture[0] == '@') texture++;
  const char* slash = strrchr(texture, '/');
  if (slash) texture = slash + 1;
  const char* dot = strrchr(texture, '.');
  int length = dot ? (int)(dot - texture) : (int)strlen(texture);
  snprintf(prefix, size, "%.*s-", length, texture);
}

void settings_list_bike_graphics() {
  char prefix[128];
  bike_graphics_prefix(prefix, sizeof prefix);
  list_texture_variants(prefix, &state.graphics[2].paths, &state.graphics[2].names);
  point_choice_at(&settings.bike_texture, &state.graphics[2].names);
  settings.bike_texture.index = 0;
}

void settings_list_graphics() {
  list_graphics(&state.graphics[0], "rider_body-");
  list_graphics(&state.graphics[1], "rider_head-");
  char prefix[128];
  bike_graphics_prefix(prefix, sizeof prefix);
  list_graphics(&state.graphics[2], prefix);
  list_graphics(&state.graphics[3], "wheels-");
}

const char* graphics_texture_path(const SettingChoice* choice) {
  for (GraphicsList& list : state.graphics)
    if (list.choice == choice && choice->index < list.paths.count)
      return *array_at<const char*>(&list.paths, choice->index);
  return "";
}

void settings_add_video_mode(const char* mode) {
  append_string(&state.video_modes, mode);
  point_choice_at(&settings.video_mode, &state.video_modes);
}

// ----- tracks ---------------------------------------------------------------

void settings_set_tracks(const char* const* folders, const char* const* names, int count) {
  reset_string_list(&state.track_folders);
  reset_string_list(&state.track_names);
  for (int i = 0; i < count; i++) {
    append_string(&state.track_folders, folders[i]);
    append_string(&state.track_names, names[i]);
  }
  point_choice_at(&settings.track, &state.track_names);
  settings.track.index = 0;
  settings_select_track(state.configured_track);
}

bool settings_select_track(const char* folder) {
  for (int i = 0; i < state.track_folders.count; i++)
    if (!strcmp(*array_at<const char*>(&state.track_folders, i), folder)) {
      settings.track.index = i;
      return true;
    }
  return false;
}

const char* settings_track_folder() {
  if (!state.track_folders.count) return state.configured_track;
  return *array_at<const char*>(&state.track_folders, settings.track.index);
}

// ----- files ----------------------------------------------------------------

bool apply_setup_key(const char* key, const char* value) {
  const SettingKey* setting = find_in(state.setup, setup_key_count(), key);
  if (!setting) return false;
  if (!set_setting_from_text(setting, value)) return true;
  if (setting->record == &settings.bike) settings_list_bike_graphics();
  if (setting->record == &settings.stability) apply_stability((int)settings.stability.value);
  return true;
}

// Keys read but never written: an older terrain setting and the switch the
// rendering method replaced.
static bool apply_compatibility_key(const char* key, const char* value) {
  if (!strcmp(key, "ground_texture_distance")) return true;
  if (strcmp(key, "use_fbo")) return false;
  static const SettingKey use_fbo = {"use_fbo", SETTING_CHOICE, nullptr, 0};
  const char* method = !strcmp(value, "Yes") ? "Hardware/Direct" : !strcmp(value, "No") ? "Hardware/Copy" : nullptr;
  if (!method) log_refused(&use_fbo, value, "not one of the choices");
  else settings.render_texture.index = find_option(&settings.render_texture, method);
  return true;
}

bool apply_config_line(const char* line) {
  const char* equals = strchr(line, '=');
  if (!equals) {
    if (line[0]) {
      if (state.source) kuvo_log("%s line %d: no \"=\", ignored\n", state.source, state.line);
      else kuvo_log("Setting line without \"=\" ignored\n");
    }
    return false;
  }
  char key[1024];
  snprintf(key, sizeof key, "%.*s", (int)(equals - line), line);
  const char* value = equals + 1;
  if (apply_setup_key(key, value)) return true;
  const SettingKey* setting = find_in(state.config, state.config_count, key);
  if (!setting) setting = find_in(state.bindings, BINDING_COUNT, key);
  if (setting) {
    set_setting_from_text(setting, value);
    return true;
  }
  if (apply_compatibility_key(key, value)) return true;
  if (state.source) kuvo_log("%s line %d: unknown key \"%.100s\" ignored\n", state.source, state.line, key);
  else kuvo_log("Unknown setting \"%.100s\" ignored\n", key);
  return false;
}

enum { LINE_SIZE = 1024 };

void read_settings_stream(Stream* stream, const char* source) {
  char line[LINE_SIZE];
  state.source = source;
  state.line = 0;
  for (;;) {
    // A byte that stays set at the very end marks a line shorter than the buffer.
    line[LINE_SIZE - 1] = 1;
    if (!stream_gets(stream, line, LINE_SIZE)) break;
    state.line++;
    if (line[LINE_SIZE - 1] == 0 && line[LINE_SIZE - 2] != '\n') {
      // Too long: the rest is dropped, never read as a line of its own.
      int c;
      do c = stream_getc(stream);
      while (c != -1 && c != '\n');
      if (state.source) kuvo_log("%s line %d: longer than %d bytes, cut\n", state.source, state.line, LINE_SIZE - 1);
    }
    size_t length = strlen(line);
    while (length && (line[length - 1] == '\n' || line[length - 1] == '\r')) line[--length] = 0;
    apply_config_line(line);
  }
  state.source = nullptr;
}

static const char config_name[] = "@config";

bool read_config() {
  Stream* stream = data_open(config_name, "rb");
  if (!stream) return false;
  read_settings_stream(stream, config_name);
  data_close(stream);
  return true;
}

static void write_keys(Stream* stream, const SettingKey* keys, int first, int end) {
  char value[LINE_SIZE];
  for (int i = first; i < end; i++)
    if (format_setting(&keys[i], value, sizeof value)) stream_printf(stream, "%s=%s\n", keys[i].key, value);
}

void write_setup(Stream* stream) { write_keys(stream, state.setup, 0, setup_key_count()); }

void write_settings_stream(Stream* stream) {
  write_keys(stream, state.config, 0, state.setup_position);
  write_setup(stream);
  write_keys(stream, state.config, state.setup_position, state.config_count);
  write_keys(stream, state.bindings, 0, BINDING_COUNT);
}

bool write_config() {
  data_create_home_folder();
  Stream* stream = data_open_replacing(config_name, "wb");
  if (!stream) {
    kuvo_log("Can't write %s\n", config_name);
    return false;
  }
  write_settings_stream(stream);
  if (!data_close(stream)) {
    kuvo_log("Writing %s failed; the previous file is kept\n", config_name);
    return false;
  }
  return true;
}
