// Frame timing of the main loop: how much time each frame grants to the
// fixed-step simulation, the frame-time histogram and the online lag factor.
// The clock and the sleep are passed in so tests can drive them.
#pragma once
#include <cstdint>

constexpr double SIMULATION_STEP = 1.0 / 128.0;
constexpr double MAX_FRAME_TIME = 0.125;

struct LoopClock {
  double (*now)(void* context);
  void (*sleep)(void* context, double seconds);
  void* context;
};
// The real clock: the platform's millisecond clock and precise sleep.
LoopClock real_loop_clock();

struct FrameTiming {
  double last_frame_time;
  double target_time;     // sum of granted frame times
  double simulated_time;  // ticks run x step
  int64_t ticks;
  unsigned histogram[8];
  double smallest_grant, largest_grant;
};

struct FrameParams {
  float lock_fps;  // 0 = off
  bool warp;
  bool connected;
  int64_t server_tick, local_tick, race_start_tick;  // read when connected
};

void frame_timing_start(FrameTiming* timing, const LoopClock* clock);
// One frame's grant (steps 5 to 7 of the loop): measures, sleeps as needed,
// adds the grant to target time and game_clock, and returns it.
double frame_grant(FrameTiming* timing, const FrameParams* params, const LoopClock* clock);
double lag_factor(int64_t server_tick, int64_t local_tick, int64_t race_start_tick);
int histogram_bucket(double frame_seconds);
// Starts the next tick when simulated time is behind target time, and gives
// that tick's real time; false when the simulation has caught up.
bool next_tick(FrameTiming* timing, double now, double* tick_real_time);
