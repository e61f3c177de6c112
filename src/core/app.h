// The program's spine: start-up in order, the main loop with its fixed
// simulation step, and the orderly shutdown.
#pragma once
#include "core/frame_timing.h"
#include "core/options.h"

enum ViewMode { RIDER_VIEW = 0, EDITOR_VIEW = 2, CHASE_VIEW = 3, TRACKSIDE_VIEW = 4, TITLE_VIEW = 5 };

enum { CONTROL_CHANNELS = 9, BIKE_CONTROL_COUNT = 12 };

// One bike control: its current value (key: 1 while pressed; axis: 0..1)
// adds weight x value into its channel every tick.
struct BikeControl {
  const char* label;
  int channel;
  float weight;
  float value;
};
// The twelve controls in binding order.
extern const BikeControl bike_control_table[BIKE_CONTROL_COUNT];
void sum_control_channels(const BikeControl* controls, int count, float channels[CONTROL_CHANNELS]);

struct App {
  LaunchOptions options;
  FrameTiming timing;
  LoopClock clock;
  ViewMode view = TITLE_VIEW;
  bool paused = false;
  bool show_paused_text = true;
  bool show_hud = true;
  bool track_loaded = false;
  BikeControl controls[BIKE_CONTROL_COUNT];
  float channels[CONTROL_CHANNELS];
};

// Set from a signal handler or the menus; ends the main loop.
void request_quit();
bool quit_requested();

int app_main(int argc, char** argv);
