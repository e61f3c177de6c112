// Start-up, the main loop and shutdown, in the order the game depends on.
#include "core/app.h"

#include "assets/image.h"
#include "bike/catalogue.h"
#include "bike/world.h"
#include "core/data_lists.h"
#include "core/helpers.h"
#include "core/settings.h"
#include "files/data.h"
#include "files/digest.h"
#include "gamedata_digests.h"
#include "platform/kuvo.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const BikeControl bike_control_table[BIKE_CONTROL_COUNT] = {
    {"Left", 0, +1, 0},          {"Right", 0, -1, 0},         {"Throttle", 1, +1, 0},
    {"Front Brake", 2, +1, 0},   {"Rear Brake", 3, +1, 0},    {"Upshift", 4, +1, 0},
    {"Downshift", 4, -1, 0},     {"Clutch", 5, +1, 0},        {"Sit/Dab", 6, +1, 0},
    {"Back up", 7, +1, 0},       {"Lean Forward", 8, -1, 0},  {"Lean Backward", 8, +1, 0},
};

void sum_control_channels(const BikeControl* controls, int count, float channels[CONTROL_CHANNELS]) {
  for (int i = 0; i < CONTROL_CHANNELS; i++) channels[i] = 0;
  for (int i = 0; i < count; i++) channels[controls[i].channel] += controls[i].weight * controls[i].value;
}

static bool stock_shapes = false;

static volatile sig_atomic_t quit_flag = 0;
void request_quit() { quit_flag = 1; }
bool quit_requested() { return quit_flag != 0; }
static void on_signal(int) { quit_flag = 1; }

static void install_signal_handlers() {
  struct sigaction action;
  memset(&action, 0, sizeof action);
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

// A headless run must never block on a message box, even one shown before
// the command line is parsed.
static bool wants_headless(int argc, char** argv) {
  for (int i = 1; i < argc && strcmp(argv[i], "--"); i++)
    if (!strcmp(argv[i], "--headless")) return true;
  return false;
}

static bool startup(App* app, int argc, char** argv, int* exit_status) {
  kuvo_set_headless(wants_headless(argc, argv));
  memcpy(app->controls, bike_control_table, sizeof app->controls);
  bike_catalogue_init();
  message_ring_clear();

  // The game data is the first search folder whose base archive carries the
  // digest of the data this build generated. Looking creates the home
  // folder and puts the log there unless KUVO_LOGFILE says otherwise.
  int data_folder_number = find_game_data(game_data_digest_hex);
  if (data_folder_number < 0) {
    message_box("Problem starting Kestrix", "Can't find game data\n");
    *exit_status = 0;
    return false;
  }
  kuvo_log("Game data in %s\n", data_folder(data_folder_number));
  // Only riders on the stock collision shapes may join a server.
  stock_shapes = stock_shapes_match(stock_shapes_digest_hex);

  // A physics library of the wrong precision cannot run the bikes at all.
  if (!physics_init()) {
    *exit_status = 1;
    return false;
  }

  // Settings: defaults, the stability preset, the graphics lists, then the file.
  settings_reset();
  apply_stability(100);
  settings_list_graphics();
  read_config();
  int lines = settings.message_lines;
  message_set_line_limit(lines < 0 ? 0 : lines > MESSAGE_RING_SIZE ? MESSAGE_RING_SIZE : lines);
  LaunchOptions* o = &app->options;
  derive_render_options(&settings, o);
  o->width = settings.xres, o->height = settings.yres;
  o->draw_fps = settings.draw_fps, o->draw_time = settings.draw_time, o->draw_ping = settings.draw_ping;

  if (parse_command_line(argc, argv, &app->options)) {
    *exit_status = 1;
    return false;
  }
  settings.xres = o->width, settings.yres = o->height;
  settings.draw_fps = o->draw_fps, settings.draw_time = o->draw_time, settings.draw_ping = o->draw_ping;
  assets_set_debug_level(o->debug_level);
  if (o->open_home) {
    *exit_status = open_home_folder() ? 0 : 1;
    return false;
  }

  bool debug = o->debug_level > 0;
  int tracks = list_tracks(debug);
  if (!tracks) {
    fputs("No tracks found\n", stderr);
    *exit_status = 1;
    return false;
  }
  int demos = list_demos(debug);
  kuvo_log("%d tracks, %d demos\n", tracks, demos);
  if (o->track && !settings_select_track(o->track)) kuvo_log("No track \"%.200s\"\n", o->track);
  if (app->options.nommx) kuvo_log("Ignoring MMX\n");
  app->show_paused_text = !app->options.hidden_pause;
  app->show_hud = !app->options.hidden_hud;
  return true;
}

static void run_tick(App* app) {
  sum_control_channels(app->controls, BIKE_CONTROL_COUNT, app->channels);
  if (!app->track_loaded) app->view = TITLE_VIEW;
}

static void main_loop(App* app) {
  frame_timing_start(&app->timing, &app->clock);
  FrameParams params = {};
  params.lock_fps = app->options.lock_fps;
  params.warp = app->options.warp;
  while (!quit_requested()) {
    if (app->track_loaded && app->view == TITLE_VIEW) app->view = RIDER_VIEW;
    frame_grant(&app->timing, &params, &app->clock);
    double now = app->clock.now(app->clock.context);
    double tick_time;
    while (next_tick(&app->timing, now, &tick_time)) run_tick(app);
    if (app->view != TITLE_VIEW) message_expire_tick();
    if (app->options.quit_after > 0 && app->timing.target_time >= app->options.quit_after) break;
  }
}

static void shutdown(App* app) {
  kuvo_log("Deallocating bikes\n");
  kuvo_log("Finished deallocating bikes\n");
  physics_shutdown();
  kuvo_log("Shut down after %lld ticks\n", (long long)app->timing.ticks);
  write_config();
  kuvo_log(nullptr);
  // The pause lets a restored display mode settle; a headless run has none.
  if (!app->options.headless) sleep_precise(1, 0);
}

int app_main(int argc, char** argv) {
  static App app;
  app.clock = real_loop_clock();
  install_signal_handlers();
  int status = 0;
  if (!startup(&app, argc, argv, &status)) {
    if (physics_running()) physics_shutdown();
    kuvo_log(nullptr);
    return status;
  }
  main_loop(&app);
  shutdown(&app);
  return 0;
}
