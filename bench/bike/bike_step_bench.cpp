// One race tick's physics for a field of bikes: every bike's step plus one
// world step, as bike steps per second and as the share of real time the
// simulation takes (160 bikes at 128 ticks per second must fit in one core).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "bike/bike.h"
#include "bike/world.h"

static void BM_bike_tick(benchmark::State& state) {
  int count = (int)state.range(0);
  if (!physics_init()) {
    state.SkipWithError("physics did not start");
    return;
  }
  std::vector<Bike*> bikes;
  for (int i = 0; i < count; ++i) {
    Bike* bike = create_bike("crf450(2013)", i, "1", nullptr, nullptr, nullptr, nullptr);
    move_bike(bike, (i % 16) * 20.0, 0, (i / 16) * 20.0);
    set_auto_clutch_rpm(&bike->tuning, 2000);
    bikes.push_back(bike);
  }
  int tick = 0;
  for (auto _ : state) {
    physics_step();
    physics_set_clock(++tick, 0);
    BikeControls c = {};
    c.throttle = 0.5f + 0.5f * (float)((tick >> 6) & 1);
    c.clutch = 1;
    c.rear_brake = (tick & 255) > 200 ? 0.5f : 0;
    c.shift = (tick >> 7) & 1;
    for (Bike* bike : bikes) {
      // Falling with no ground to land on: start over now and then.
      if ((tick & 1023) == 0) reset_bike(bike);
      set_controls(bike, &c);
      bike_step(bike);
    }
  }
  double ticks = (double)state.iterations();
  state.counters["bike_steps_per_s"] = benchmark::Counter(ticks * count, benchmark::Counter::kIsRate);
  state.counters["sim_per_wall"] = benchmark::Counter(ticks * PHYSICS_STEP, benchmark::Counter::kIsRate);
  // Share of one core spent per second of simulated time at this field size.
  state.counters["budget_used"] =
      benchmark::Counter(ticks * PHYSICS_STEP, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  for (Bike* bike : bikes) destroy_bike(bike);
  physics_shutdown();
}
BENCHMARK(BM_bike_tick)->Arg(1)->Arg(10)->Arg(40)->Arg(160)->Unit(benchmark::kMicrosecond);
