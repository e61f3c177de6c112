// The command line: the option table, option matching and the values the
// options leave for start-up.
#pragma once

struct OptionCursor {
  int remaining;       // arguments not yet consumed
  char** next;         // the next argument
  bool end_of_options;  // "--" was seen
};

// Tries one option on the next argument. For a valued option, *value is the
// value text, or null when the option is the last argument.
bool match_option(OptionCursor* cursor, const char* name, bool wants_value, const char** value);

struct LaunchOptions {
  bool fugly = false;
  bool nosound = false;
  bool novertexarrays = false;
  bool learn = false;
  bool nommx = false;
  int debug_level = 0;
  bool practice = false;
  bool warp = false;
  int texture_level_drop = 0;         // model textures
  int ground_texture_level_drop = 0;
  int ground_texture_size = 128;      // pixels per side of a ground tile texture
  int roost_frequency = 0;
  float erode = 0.0f;
  float terrain_detail = 0.0f;
  float max_detail_distance = 0.0f;   // accepted, no effect
  float lod_scale = 1.0f;
  float lod_bias = 0.0f;
  float lock_fps = 0.0f;
  float fake_lag = 0.0f;              // seconds
  int fake_loss = 0;                  // percent
  const char* record_audio = nullptr;
  bool record_video = false;
  int rotate_lineup = 0;
  bool editor = false;
  bool hidden_pause = false;
  bool hidden_hud = false;
  int width = 800;
  int height = 600;
  int depth = 16;
  int zdepth = 16;
  int draw_fps = 0;
  int draw_time = 0;
  int draw_ping = 0;
  int draw_render_stats = 0;
  bool accurate_skip = false;
  const char* track = nullptr;
  const char* connect = nullptr;
  const char* password = nullptr;
  float chase_center[3] = {0.0f, 2.52f, 0.52f};
  bool open_home = false;
  bool glfinish = false;
  bool print_orientation = false;
  // Ours: no window, GL, audio or input devices; and a run-time limit.
  bool headless = false;
  double quit_after = 0.0;            // seconds of granted time, 0 = none
  const char* file = nullptr;         // the demo to play at start
};

struct Settings;
// The render values the configuration implies; the command line then
// overrides them.
void derive_render_options(const Settings* settings, LaunchOptions* options);

// Parses argv[1..] into options, which hold the defaults (and the values
// derived from the configuration) on entry. Returns 0, or 1 after printing
// the error to standard error.
int parse_command_line(int argc, char** argv, LaunchOptions* options);
