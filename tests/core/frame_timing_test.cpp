#include "core/frame_timing.h"

#include "core/helpers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A clock that moves only when the loop sleeps or the test says a frame of
// work took some time.
struct FakeClock {
  double now = 100.0;
  std::vector<double> sleeps;
};
double fake_now(void* c) { return ((FakeClock*)c)->now; }
void fake_sleep(void* c, double s) {
  auto* f = (FakeClock*)c;
  f->sleeps.push_back(s);
  f->now += s;
}

struct TimingFixture : ::testing::Test {
  FakeClock fake;
  LoopClock clock = {fake_now, fake_sleep, &fake};
  FrameTiming timing;
  FrameParams params = {};
  void SetUp() override { frame_timing_start(&timing, &clock); }
  // Runs one frame whose work took `work` seconds; returns ticks run.
  int frame(double work) {
    fake.now += work;
    frame_grant(&timing, &params, &clock);
    double t;
    int n = 0;
    while (next_tick(&timing, fake.now, &t)) n++;
    return n;
  }
};

TEST_F(TimingFixture, FrameIsNeverShorterThanOneStep) {
  EXPECT_EQ(frame(0.001), 1);
  ASSERT_EQ(fake.sleeps.size(), 1u);
  EXPECT_NEAR(fake.sleeps[0], SIMULATION_STEP - 0.001, 1e-12);
  EXPECT_DOUBLE_EQ(timing.target_time, SIMULATION_STEP);
}

TEST_F(TimingFixture, StallIsCappedAtSixteenTicks) {
  EXPECT_EQ(frame(0.5), 16);
  EXPECT_DOUBLE_EQ(timing.largest_grant, 0.125);
  EXPECT_EQ(timing.histogram[7], 1u);
}

TEST_F(TimingFixture, LockFpsGrantsExactFrames) {
  params.lock_fps = 30;
  double before = game_clock;
  for (int i = 0; i < 30; i++) frame(0.002);
  EXPECT_DOUBLE_EQ(timing.target_time, 30 * (1.0 / 30));
  EXPECT_NEAR(game_clock - before, 1.0, 1e-9);
  for (double s : fake.sleeps) EXPECT_NEAR(s, 1.0 / 30 - 0.002, 1e-9);
  // After the tick loop simulated time has caught up, by less than a step.
  EXPECT_GE(timing.simulated_time - timing.target_time, 0.0);
  EXPECT_LT(timing.simulated_time - timing.target_time, SIMULATION_STEP);
}

TEST_F(TimingFixture, WarpGrantsHundredSteps) {
  params.warp = true;
  EXPECT_EQ(frame(0.0), 100);
  EXPECT_TRUE(fake.sleeps.empty());
}

TEST_F(TimingFixture, ConnectedIgnoresWarpAndScalesByLag) {
  params.warp = true;
  params.connected = true;
  params.local_tick = 1000;
  params.race_start_tick = 0;
  params.server_tick = 1001 + 64;  // half a second behind, race running
  double w = (fake.now += 0.02, frame_grant(&timing, &params, &clock));
  EXPECT_NEAR(w, 0.02 * 1.125, 1e-12);
}

TEST_F(TimingFixture, TickRealTimeTrailsNowByTheUnsimulatedRest) {
  fake.now += 0.03;
  frame_grant(&timing, &params, &clock);
  std::vector<double> times;
  double t;
  while (next_tick(&timing, fake.now, &t)) times.push_back(t);
  ASSERT_EQ(times.size(), 4u);  // 0.03 s = 3.84 steps: 4 ticks, the last slightly ahead
  EXPECT_DOUBLE_EQ(times.back(), fake.now - (0.03 - 4 * SIMULATION_STEP));
  EXPECT_LT(times[0], times[1]);
}

TEST(FrameHistogram, BucketsByPowersOfTwoSteps) {
  struct Case {
    double seconds;
    int bucket;
  } cases[] = {
      {0.0, 0}, {SIMULATION_STEP * 0.99, 0}, {SIMULATION_STEP, 1}, {SIMULATION_STEP * 3, 2},
      {SIMULATION_STEP * 63, 6}, {SIMULATION_STEP * 64, 7}, {10.0, 7},
  };
  for (const Case& c : cases) EXPECT_EQ(histogram_bucket(c.seconds), c.bucket) << c.seconds;
}

TEST(LagFactor, FollowsTheServerClock) {
  struct Case {
    int64_t server, local, start;
    double factor;
  } cases[] = {
      {101, 100, 0, 1.0},                 // exactly in step
      {101 + 8, 100, 0, 1.0625},          // 1/16 s behind in the race: 1 + 0.5/8
      {101 + 1280, 100, 0, 1.125},        // far behind in the race
      {101 + 64, 100, 200, 2.5},          // 0.5 s behind before the start
      {101 + 1280, 100, 200, 4.0},        // far behind before the start
      {101 - 64, 100, 0, 0.75},           // half a second ahead
      {101 - 1280, 100, 0, 0.5},          // far ahead
  };
  for (const Case& c : cases)
    EXPECT_DOUBLE_EQ(lag_factor(c.server, c.local, c.start), c.factor) << c.server;
}

}  // namespace
