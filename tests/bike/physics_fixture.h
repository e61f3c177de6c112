// A fresh physics world and an empty data folder per test, a captured log,
// and helpers that step bikes the way race control does.
#pragma once
#include "../support/test_support.h"
#include "assets/model.h"
#include "assets/shape.h"
#include "bike/bike.h"
#include "bike/world.h"

#include <cmath>
#include <string>

class PhysicsTest : public ::testing::Test {
 public:
  ScratchDataFolders folders{"kx_bike"};
  LogCapture captured;
  std::string home = folders.home;
  int tick = 0;

  void SetUp() override {
    ASSERT_TRUE(physics_init());
    physics_set_clock(0, 0);
  }

  void TearDown() override {
    physics_shutdown();
    shape_cache_reset();
    model_cache_reset();
  }

  std::string put(const std::string& name, const std::string& bytes) {
    write_file(home + name, bytes);
    data_rescan();
    return "@" + name;
  }

  std::string log() { return captured.text(); }

  static Bike* make_bike(const char* model = "crf450(2013)") {
    return create_bike(model, 0, "7", nullptr, nullptr, nullptr, nullptr);
  }

  // One race tick for one bike: world step, then the bike step.
  void step(Bike* bike) {
    physics_step();
    physics_set_clock(++tick, 0);
    bike_step(bike);
  }

  // Holds the frame fixed in the world (a bike on a stand).
  static dJointID hold_frame(Bike* bike) {
    dJointID hold = dJointCreateFixed(physics_world(), 0);
    dJointAttach(hold, bike->bodies[BIKE_FRAME], 0);
    dJointSetFixed(hold);
    return hold;
  }

  static BikeControls controls(float throttle, float clutch) {
    BikeControls c = {};
    c.throttle = throttle;
    c.clutch = clutch;
    return c;
  }
};
