// A fresh physics world and an empty data folder per test, a captured log,
// and helpers that step bikes the way race control does.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "assets/model.h"
#include "assets/shape.h"
#include "bike/bike.h"
#include "bike/world.h"
#include "files/data.h"
#include "platform/kuvo.h"

class PhysicsTest : public ::testing::Test {
 public:
  std::string root, home, log_path;
  int tick = 0;

  void SetUp() override {
    char pattern[] = "/tmp/kx_bike_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
    home = root + "/data/Kestrix/";
    std::filesystem::create_directories(home);
    std::filesystem::create_directories(root + "/install");
    setenv("XDG_DATA_HOME", (root + "/data").c_str(), 1);
    setenv("QV_HOME", (root + "/install").c_str(), 1);
    data_folders_init();
    log_path = root + "/log.txt";
    setenv("KUVO_LOGFILE", log_path.c_str(), 1);
    kuvo_log_reset();
    ASSERT_TRUE(physics_init());
    physics_set_clock(0, 0);
  }

  void TearDown() override {
    physics_shutdown();
    shape_cache_reset();
    model_cache_reset();
    kuvo_log_reset();
    unsetenv("KUVO_LOGFILE");
    std::filesystem::remove_all(root);
  }

  std::string put(const std::string& name, const std::string& bytes) {
    std::string path = home + name;
    std::ofstream(path, std::ios::binary) << bytes;
    data_rescan();
    return "@" + name;
  }

  std::string log() {
    std::ifstream in(log_path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

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
