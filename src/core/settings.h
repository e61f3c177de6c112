// Every user setting as a named, typed record: choices, numbers, texts and
// control bindings. The menus edit these records in place (each carries the
// widget's label and screen rectangle), the configuration file and the
// setup files keep them by key, and the rest of the program reads them.
#pragma once
#include <cstddef>

struct Stream;
struct BikeSetup;
struct InputAxis;  // an open axis handle of the input layer

// The widget's rectangle in pixels, refreshed whenever it is drawn.
struct WidgetRect {
  int left, top, right, bottom;
};

struct SettingChoice {
  const char* label;
  const char* const* options;  // the texts, `count` of them
  int count;
  int index;
  WidgetRect rect;
};

struct SettingNumber {
  const char* label;
  double value;
  double step;
  double minimum;
  double maximum;
  WidgetRect rect;
};

enum { SETTING_TEXT_MAX = 127 };

struct SettingText {
  const char* label;
  int max_length;  // at most SETTING_TEXT_MAX
  char text[SETTING_TEXT_MAX + 1];
  int cursor;
  bool insert;
  WidgetRect rect;
};

// Either a key name (resolved to key_code when the window opens) or an axis
// name with the raw range that maps to 0..1; neither means unbound.
struct SettingBinding {
  const char* label;
  const char* key_name;   // interned, or null
  int key_code;           // 0 until resolved
  const char* axis_name;  // interned, or null
  InputAxis* axis;        // open handle, or null
  float axis_minimum;
  float axis_maximum;
  WidgetRect rect;
};

enum SettingKind {
  SETTING_INTEGER,  // plain int, "%d", no range
  SETTING_CHOICE,
  SETTING_NUMBER,
  SETTING_TEXT,
  SETTING_BINDING,
};

enum {
  SETTING_REFUSE_LONG = 1,  // a text that does not fit is refused, not cut
};

// One key of a table: the file key and the record it reads and writes.
struct SettingKey {
  const char* key;
  SettingKind kind;
  void* record;  // int, SettingChoice, SettingNumber, SettingText or SettingBinding
  int flags;
};

enum {
  GATE_COUNT = 40,
  SERVER_HISTORY_COUNT = 16,
};

// The twelve bike controls, then the action keys, in file order.
enum BindingIndex {
  BIND_THROTTLE,
  BIND_FRONT_BRAKE,
  BIND_REAR_BRAKE,
  BIND_LEFT,
  BIND_RIGHT,
  BIND_CLUTCH,
  BIND_UPSHIFT,
  BIND_DOWNSHIFT,
  BIND_DAB,
  BIND_BACK_UP,
  BIND_LEAN_FORWARD,
  BIND_LEAN_BACKWARD,
  BIND_PAUSE,
  BIND_STEP,
  BIND_REWIND,
  BIND_SKIP,
  BIND_PREVIOUS_BIKE,
  BIND_NEXT_BIKE,
  BIND_CHAT,
  BIND_SCREENSHOT,
  BINDING_COUNT
};

// Gate lineup choice indices.
enum { GATE_EMPTY, GATE_HUMAN, GATE_ROBOT, GATE_ROBOT_TWO_STROKE, GATE_ROBOT_FOUR_STROKE };

struct Settings {
  // Configuration keys, in file order.
  int xres, yres;
  int draw_fps, draw_time, draw_ping;
  int spy;
  SettingChoice track;  // display names; track_folders holds the folder of each
  SettingChoice record;
  SettingChoice skill;
  SettingNumber minutes;
  SettingNumber laps;
  SettingChoice gates[GATE_COUNT];
  SettingNumber ghost_fade_distance;
  SettingChoice time_trial_abort;
  // (the bike setup keys are written here)
  SettingChoice video_mode;
  SettingText server_name;
  SettingText server_history[SERVER_HISTORY_COUNT];
  SettingNumber ground_detail;
  SettingNumber ground_texture_detail;
  SettingChoice ground_texture_dim;
  SettingChoice ground_mipmaps;
  SettingChoice texture_compress;
  SettingChoice render_texture;
  SettingChoice use_shader;
  SettingNumber roost_density;
  SettingChoice lens_flare;
  SettingChoice reflections;
  SettingChoice hide_rider;
  SettingChoice rigid_camera;
  SettingNumber model_detail;
  SettingNumber model_texture_detail;
  SettingNumber fov;
  SettingNumber first_person_height;
  SettingNumber first_person_angle;
  SettingNumber third_person_height;
  SettingNumber third_person_distance;
  SettingNumber volume;
  SettingNumber comp_volume;
  SettingChoice playback_mode;
  int billboard_optimize_lookahead;
  int message_lines;
  int demo_backups;

  // The bike setup keys, in file order.
  SettingChoice bike;
  SettingText name;
  SettingText number;
  SettingChoice rider_texture;
  SettingChoice head_texture;
  SettingChoice bike_texture;
  SettingChoice wheel_texture;
  SettingNumber stability;
  SettingNumber leveling;
  SettingNumber roll_damping;
  SettingNumber roll_limit_angle;
  SettingNumber roll_limit_factor;
  SettingNumber steering_damping;
  SettingNumber steering_strength;
  SettingNumber max_steering_force;
  SettingNumber direct_steering;
  SettingNumber slow_damping_speed;
  SettingNumber slow_damping_factor;
  SettingNumber land_damping_falloff;
  SettingNumber land_damping_factor;
  SettingNumber full_lock_speed;
  SettingNumber restricted_lock_speed;
  SettingNumber restricted_lock;
  SettingChoice arcade;
  SettingChoice front_brake;
  SettingChoice rear_brake;
  SettingChoice stop_wheelies;
  SettingChoice auto_shift;
  SettingChoice auto_dab;
  SettingChoice auto_align;
  SettingChoice sticky_dab;
  SettingChoice reverse_steering;
  SettingChoice lean_indicator;
  SettingNumber auto_clutch_rpms;
  SettingNumber brake_torque;
  SettingNumber rear_brake_torque;
  SettingNumber max_dab_speed;
  SettingNumber front_sprocket_adjustment;
  SettingNumber rear_sprocket_adjustment;
  SettingNumber fork_compression_adjustment;
  SettingNumber fork_rebound_adjustment;
  SettingNumber fork_spring_rate_adjustment;
  SettingNumber fork_preload_adjustment;
  SettingNumber fork_oil_level_adjustment;
  SettingNumber shock_compression_adjustment;
  SettingNumber shock_rebound_adjustment;
  SettingNumber shock_spring_rate_adjustment;
  SettingNumber shock_preload_adjustment;
  SettingNumber rider_yspring;
  SettingNumber rider_ydamping;
  SettingNumber rider_zspring;
  SettingNumber rider_zdamping;
  SettingNumber rider_mass_distribution;

  SettingBinding bindings[BINDING_COUNT];
};

// The process-long settings; read everywhere, written by the menus, the
// console and the configuration file.
extern Settings settings;

// Every record to its compiled-in default; the graphics lists hold only
// "default" and the track list is emptied. Start-up and tests call it.
void settings_reset();

// The three tables, in file order. The configuration table holds every
// configuration key; write_config puts the setup table after
// "time_trial_abort" and the bindings last.
int config_key_count();
const SettingKey* config_key_at(int index);
int setup_key_count();
const SettingKey* setup_key_at(int index);
int binding_key_count();
const SettingKey* binding_key_at(int index);
// Any key of the three tables, or null.
const SettingKey* find_setting_key(const char* key);

// Sets one record from its file text, as the file rules say. The log names
// every value refused, cut or clamped. True when the record took a value.
bool set_setting_from_text(const SettingKey* key, const char* value);
// The record's value as the file writes it (without key and line feed);
// false for an unbound control, which is not written.
bool format_setting(const SettingKey* key, char* buffer, int size);

// One "key=value" line of a configuration or setup file, without its line
// feed. Lines without "=" and unknown keys are ignored. True when handled.
bool apply_config_line(const char* line);
// Reads every line of a stream (lines up to 1024 bytes); the log names
// `source` and the line of every value it refuses.
void read_settings_stream(Stream* stream, const char* source);
// "@config": missing or unreadable keeps every value. False when absent.
bool read_config();
// Writes every key; the old file survives a failed write. False on failure.
bool write_config();
void write_settings_stream(Stream* stream);

// The bike setup keys only (the console's readsetup and writesetup).
bool apply_setup_key(const char* key, const char* value);
void write_setup(Stream* stream);

// The assist values of the stability preset at this level, unclamped.
void apply_stability(int level);

// The setup as the bike code takes it.
void settings_bike_setup(BikeSetup* setup);

// Graphics variant lists (start-up): "Riding Gear", "Helmet", "Bike
// Graphics" (for the current bike) and "Wheel Graphics".
void settings_list_graphics();
// Rebuilds "Bike Graphics" for the current bike and resets it to "default".
void settings_list_bike_graphics();
// The texture data name behind a graphics choice ("" for "default").
const char* graphics_texture_path(const SettingChoice* choice);

// Video modes after "Default Fullscreen" and "Windowed" ("%dx%d").
void settings_add_video_mode(const char* mode);

// The track choice: fills it from the sorted track list (folders and
// display names) and selects by folder name.
void settings_set_tracks(const char* const* folders, const char* const* names, int count);
bool settings_select_track(const char* folder);
// The folder of the selected track: the configured one while no list exists.
const char* settings_track_folder();
