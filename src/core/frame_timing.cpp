// Frame timing: grants whole frames of time to the fixed-step simulation.
#include "core/frame_timing.h"

#include "core/helpers.h"
#include "platform/kuvo.h"

#include <algorithm>
#include <cmath>

static double real_now(void*) { return get_time_seconds(); }
static void real_sleep(void*, double seconds) {
  if (seconds <= 0) return;
  long s = (long)seconds;
  sleep_precise(s, (long)((seconds - s) * 1e6));
}

LoopClock real_loop_clock() { return {real_now, real_sleep, nullptr}; }

void frame_timing_start(FrameTiming* timing, const LoopClock* clock) {
  *timing = {};
  timing->smallest_grant = INFINITY;
  timing->last_frame_time = clock->now(clock->context);
}

int histogram_bucket(double frame_seconds) {
  for (int k = 0; k <= 6; k++)
    if (frame_seconds < SIMULATION_STEP * (1 << k)) return k;
  return 7;
}

double lag_factor(int64_t server_tick, int64_t local_tick, int64_t race_start_tick) {
  double g = (double)(server_tick - local_tick - 1) * SIMULATION_STEP;
  if (g >= 0) {
    if (local_tick >= race_start_tick) return 1 + std::clamp(8 * g, 0.0, 1.0) / 8;
    return 1 + 3 * std::clamp(g, 0.0, 1.0);
  }
  return 0.5 + 0.5 * std::clamp(g + 1, 0.0, 1.0);
}

double frame_grant(FrameTiming* timing, const FrameParams* params, const LoopClock* clock) {
  double now = clock->now(clock->context);
  double dt = now - timing->last_frame_time;
  timing->histogram[histogram_bucket(dt)]++;
  double w;
  for (;;) {
    if (!params->connected && params->lock_fps > 0) {
      double frame = 1.0 / params->lock_fps;
      if (dt < frame) {
        clock->sleep(clock->context, frame - dt);
        now = clock->now(clock->context);
      }
      w = frame;
      break;
    }
    if (!params->connected && params->warp) {
      w = 100 * SIMULATION_STEP;
      break;
    }
    if (dt >= SIMULATION_STEP) {
      w = std::min(dt, MAX_FRAME_TIME);
      break;
    }
    clock->sleep(clock->context, SIMULATION_STEP - dt);
    now = clock->now(clock->context);
    dt = now - timing->last_frame_time;
  }
  timing->smallest_grant = std::min(timing->smallest_grant, w);
  timing->largest_grant = std::max(timing->largest_grant, w);
  if (params->connected)
    w *= lag_factor(params->server_tick, params->local_tick, params->race_start_tick);
  timing->target_time += w;
  game_clock += w;
  timing->last_frame_time = now;
  return w;
}

bool next_tick(FrameTiming* timing, double now, double* tick_real_time) {
  if (timing->simulated_time >= timing->target_time) return false;
  timing->ticks++;
  timing->simulated_time = (double)timing->ticks * SIMULATION_STEP;
  *tick_real_time = now - (timing->target_time - timing->simulated_time);
  return true;
}
