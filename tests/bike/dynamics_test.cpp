// The mechanical bike step on a bike in the air or on a stand: engine and
// torque tables, clutch and automatic clutch, drive line, gears, brakes
// with their assists, fork and shock, bookkeeping, determinism.
#include <cstring>
#include <vector>

#include "physics_fixture.h"

namespace {

using Dynamics = PhysicsTest;

float rad_s(float rpm) { return rpm / (float)RPM_PER_RAD_S; }

// Torque on the rear wheel about its axle from the last bike step.
double drive_torque(const Bike* bike) { return -dBodyGetTorque(bike->bodies[BIKE_REAR_WHEEL])[0]; }

void touch(Bike* bike, int wheel, float speed) {
  WheelContact* c = &bike->wheels[wheel].contact;
  c->depth = 0.05f;
  c->normal[1] = 1;
  c->velocity[0] = 0;
  c->velocity[1] = 0;
  c->velocity[2] = speed;
}

void lift(Bike* bike, int wheel) { std::memset(&bike->wheels[wheel].contact, 0, sizeof(WheelContact)); }

// Turns the swing arm about its pivot, negative = compressed.
void turn_swingarm(Bike* bike, double angle) {
  const BikeModel& m = bike->model;
  dMatrix3 r;
  dRFromAxisAndAngle(r, 1, 0, 0, angle);
  double y = m.swingarm_pos[1] - m.swingarm_pivot[1], z = m.swingarm_pos[2] - m.swingarm_pivot[2];
  dBodySetRotation(bike->bodies[BIKE_SWINGARM], r);
  dBodySetPosition(bike->bodies[BIKE_SWINGARM], 0, m.swingarm_pivot[1] + r[5] * y + r[6] * z,
                   m.swingarm_pivot[2] + r[9] * y + r[10] * z);
}

TEST_F(Dynamics, FreeEngineWithClutchPulledSettlesAt1500Rpm) {
  for (const char* name : {"crf450(2013)", "cr125", "rs50cr"}) {
    Bike* bike = make_bike(name);
    dJointID hold = hold_frame(bike);
    BikeControls c = controls(0, 0);
    for (int k = 0; k < 1280; ++k) {
      set_controls(bike, &c);
      step(bike);
    }
    EXPECT_NEAR(engine_rpm(bike), 1500, 1) << name;
    // From above it comes down to the same speed.
    bike->engine_speed = rad_s(4000);
    for (int k = 0; k < 1280; ++k) {
      set_controls(bike, &c);
      step(bike);
    }
    EXPECT_NEAR(engine_rpm(bike), 1500, 1) << name;
    dJointDestroy(hold);
    destroy_bike(bike);
  }
}

TEST_F(Dynamics, TorqueTablesAreReadAtTheirLastEntryFrom24500Rpm) {
  Bike* bike = make_bike();
  const BikeModel& m = bike->model;
  struct Row {
    float rpm;
    float torque;
  } rows[] = {
      {24000, m.full_torque[48]},
      {24250, (m.full_torque[48] + m.full_torque[49]) / 2},
      {24500, m.full_torque[49]},
      {30000, m.full_torque[49]},
      {200000, m.full_torque[49]},
  };
  ASSERT_NE(m.full_torque[48], m.full_torque[49]);
  BikeControls c = controls(1, 0);
  for (const Row& row : rows) {
    reset_bike(bike);
    set_controls(bike, &c);
    bike->engine_speed = rad_s(row.rpm);
    float before = bike->engine_speed;
    bike_step(bike);
    double expected = PHYSICS_STEP * row.torque / m.engine_inertia;
    EXPECT_NEAR(bike->engine_speed - before, expected, 1e-3 * std::fabs(expected) + 1e-3) << row.rpm;
  }
  // Closed throttle reads the closed table the same way.
  c.throttle = 0;
  reset_bike(bike);
  set_controls(bike, &c);
  bike->engine_speed = rad_s(50000);
  float before = bike->engine_speed;
  bike_step(bike);
  double expected = PHYSICS_STEP * m.closed_torque[49] / m.engine_inertia;
  EXPECT_NEAR(bike->engine_speed - before, expected, 1e-3 * std::fabs(expected));
  destroy_bike(bike);
}

TEST_F(Dynamics, GearsStayWithinTheModelsRatios) {
  struct Row {
    const char* model;
    int request;
    int gear;
  } rows[] = {
      {"crf450(2013)", 5, 4}, {"crf450(2013)", 9, 4},   {"crf450(2013)", -2, 0},
      {"crf450(2013)", 3, 3}, {"250sxf(2013)", 5, 5},   {"250sxf(2013)", 7, 5},
  };
  for (const Row& row : rows) {
    Bike* bike = make_bike(row.model);
    set_gear(bike, row.request);
    EXPECT_EQ(bike->gear, row.gear) << row.model << " " << row.request;
    destroy_bike(bike);
  }
  // Shifting up through a five-speed box ends in index 4.
  Bike* bike = make_bike("crf450(2013)");
  for (int k = 0; k < 12; ++k) shift(bike, k % 2 ? 0 : 1);
  EXPECT_EQ(bike->gear, 4);
  shift(bike, 1);
  EXPECT_EQ(bike->gear, 4);
  destroy_bike(bike);
}

TEST_F(Dynamics, GearChangesActOnEdgesOnly) {
  Bike* bike = make_bike("250sxf(2013)");
  struct Row {
    int shift;
    int gear;
  } rows[] = {{1, 1}, {1, 1}, {1, 1}, {0, 1}, {1, 2}, {-1, 1}, {-1, 1}, {1, 2}, {5, 2}, {0, 2}, {-1, 1}};
  BikeControls c = controls(0, 1);
  for (const Row& row : rows) {
    c.shift = row.shift;
    set_controls(bike, &c);
    EXPECT_EQ(bike->gear, row.gear) << row.shift;
  }
  // Not while crashed.
  bike->crash_counter = 100;
  c.shift = 1;
  set_controls(bike, &c);
  EXPECT_EQ(bike->gear, 1);
  destroy_bike(bike);
}

TEST_F(Dynamics, ClutchOpenTransmitsNothingAndTheCrankFollowsTheWheel) {
  Bike* bike = make_bike();
  dJointID hold = hold_frame(bike);
  set_gear(bike, 2);
  BikeControls c = controls(1, 0);
  float engine = 0;
  for (int k = 0; k < 64; ++k) {
    dBodySetAngularVel(bike->bodies[BIKE_REAR_WHEEL], -20, 0, 0);
    set_controls(bike, &c);
    step(bike);
    EXPECT_EQ(drive_torque(bike), 0);
    float wheel = (float)dJointGetHingeAngle(bike->joints[JOINT_REAR_AXLE]);
    float advance = (float)PHYSICS_STEP * bike->engine_speed / bike_reduction(bike);
    float gap = std::remainder(bike->crank_angle - (wheel + advance), 2 * (float)M_PI);
    EXPECT_NEAR(gap, 0, 1e-5) << k;
    EXPECT_GT(bike->engine_speed, engine);  // the engine revs freely
    engine = bike->engine_speed;
  }
  dJointDestroy(hold);
  destroy_bike(bike);
}

// Engine at a given speed, rear wheel turning at a given rate, no windup:
// the drive torque is the engagement squared times the clamped damping term.
TEST_F(Dynamics, AutomaticClutchBitesOverTwoThousandRpmAboveItsSetting) {
  struct Row {
    float auto_rpm;
    float rpm;
    float lever;
    float wheel_rate;  // rear axle hinge rate
    float engagement;
  } rows[] = {
      {5000, 4000, 1, 0, 0},      {5000, 5000, 1, 0, 0},     {5000, 6000, 1, 0, 0.5f},
      {5000, 7000, 1, 0, 1},      {5000, 9000, 1, 0, 1},     {5000, 9000, 0.5f, 0, 0.5f},
      {5000, 6000, 0.25f, 0, 0.25f}, {0, 1000, 1, 0, 0.5f},  {0, 2500, 1, 0, 1},
      // Engine braking (the wheel drives the engine) uses the lever as it is.
      {5000, 3000, 1, 100, 1},    {5000, 3000, 0.5f, 100, 0.5f},
  };
  for (const Row& row : rows) {
    Bike* bike = make_bike();
    set_auto_clutch_rpm(&bike->tuning, row.auto_rpm);
    BikeControls c = controls(0, row.lever);
    set_controls(bike, &c);
    bike->engine_speed = rad_s(row.rpm);
    dBodySetAngularVel(bike->bodies[BIKE_REAR_WHEEL], -row.wheel_rate, 0, 0);
    float reduction = bike_reduction(bike);
    double term = (bike->engine_speed - row.wheel_rate * reduction) * bike->model.drive_damping;
    term = std::fmax(-500, std::fmin(500, term));
    bike_step(bike);
    EXPECT_NEAR(drive_torque(bike), row.engagement * row.engagement * term, 1e-3)
        << row.auto_rpm << " " << row.rpm << " " << row.lever;
    destroy_bike(bike);
  }
}

TEST_F(Dynamics, EngagedDriveLineSpinsTheRearWheelForwards) {
  Bike* bike = make_bike();
  dJointID hold = hold_frame(bike);
  set_auto_clutch_rpm(&bike->tuning, 0);
  BikeControls c = controls(1, 1);
  for (int k = 0; k < 256; ++k) {
    set_controls(bike, &c);
    step(bike);
  }
  // Forward rolling turns the wheel negatively about x.
  EXPECT_LT(dBodyGetAngularVel(bike->bodies[BIKE_REAR_WHEEL])[0], -5);
  EXPECT_GT(dJointGetHingeAngleRate(bike->joints[JOINT_REAR_AXLE]), 5);
  // Engine and wheel are locked together through the gearing.
  double wheel_rpm = dJointGetHingeAngleRate(bike->joints[JOINT_REAR_AXLE]) * bike_reduction(bike) * RPM_PER_RAD_S;
  EXPECT_NEAR(engine_rpm(bike), wheel_rpm, 0.05 * wheel_rpm);
  dJointDestroy(hold);
  destroy_bike(bike);
}

TEST_F(Dynamics, BrakesReleaseForAntilockAndStoppies) {
  enum { AIR, STILL, SLIDING };
  struct Row {
    bool antilock_front, antilock_rear, stop_front;
    int front, rear;  // contact states
    float front_torque, rear_torque;
  } rows[] = {
      {true, true, false, SLIDING, SLIDING, 0, 0},
      {true, true, false, STILL, STILL, 200, 150},  // holds at standstill
      {true, true, false, AIR, AIR, 200, 150},      // a wheel in the air may lock
      {false, false, false, SLIDING, SLIDING, 200, 150},
      {true, false, false, SLIDING, SLIDING, 0, 150},
      {false, false, true, STILL, AIR, 0, 150},     // stoppie: front released
      {false, false, true, STILL, STILL, 200, 150},
      {false, false, true, AIR, STILL, 200, 150},
  };
  for (const Row& row : rows) {
    Bike* bike = make_bike();
    set_front_antilock(&bike->tuning, row.antilock_front);
    set_rear_antilock(&bike->tuning, row.antilock_rear);
    set_stop_wheelies(&bike->tuning, row.stop_front ? STOP_WHEELIES_FRONT_ONLY : STOP_WHEELIES_NO);
    set_front_brake_torque(&bike->tuning, 400);
    set_rear_brake_torque(&bike->tuning, 300);
    BikeControls c = controls(0, 1);
    c.front_brake = 0.5f;
    c.rear_brake = 0.5f;
    set_controls(bike, &c);
    int states[2] = {row.front, row.rear};
    for (int w = 0; w < 2; ++w) {
      if (states[w] == AIR) lift(bike, w);
      if (states[w] == STILL) touch(bike, w, 1.9f);
      if (states[w] == SLIDING) touch(bike, w, 2.1f);
    }
    bike_step(bike);
    SCOPED_TRACE(&row - rows);
    EXPECT_EQ(dJointGetHingeParam(bike->joints[JOINT_FRONT_AXLE], dParamFMax), row.front_torque);
    EXPECT_EQ(dJointGetHingeParam(bike->joints[JOINT_REAR_AXLE], dParamFMax), row.rear_torque);
    EXPECT_EQ(dJointGetHingeParam(bike->joints[JOINT_FRONT_AXLE], dParamVel), 0);
    destroy_bike(bike);
  }
}

TEST_F(Dynamics, WheelieCutTakesPositiveTorqueOnlyWhenTheFrontLifts) {
  struct Row {
    bool flag;
    bool front_down, rear_down;
    float pitch_rate;  // frame x angular velocity
    bool cut;
  } rows[] = {
      {true, false, true, 0, true},        {true, false, true, 1, true},
      {true, false, true, -0.1f, false},   {true, true, true, 0, false},
      {true, false, false, 0, false},      {false, false, true, 0, false},
  };
  for (const Row& row : rows) {
    Bike* bike = make_bike();
    set_stop_wheelies(&bike->tuning, row.flag ? STOP_WHEELIES_YES : STOP_WHEELIES_NO);
    BikeControls c = controls(1, 0);
    set_controls(bike, &c);
    bike->engine_speed = rad_s(7000);
    if (row.front_down) touch(bike, WHEEL_FRONT, 0);
    if (row.rear_down) touch(bike, WHEEL_REAR, 0);
    dBodySetAngularVel(bike->bodies[BIKE_FRAME], row.pitch_rate, 0, 0);
    float before = bike->engine_speed;
    bike_step(bike);
    SCOPED_TRACE(&row - rows);
    if (row.cut) {
      EXPECT_EQ(bike->engine_speed, before);
    } else {
      EXPECT_GT(bike->engine_speed, before + 1);
    }
    destroy_bike(bike);
  }
}

TEST_F(Dynamics, AutomaticShiftingOnALoadedRearEveryThirtySecondTick) {
  struct Row {
    bool flag;
    double swingarm;
    int tick;
    float wheel_rate;
    int rear;  // 0 air, 1 rolling, 2 sliding
    int start_gear, gear;
  } rows[] = {
      {true, -0.1, 64, 90, 0, 1, 2},  {true, -0.1, 64, 90, 1, 1, 2},  {true, -0.1, 64, 90, 2, 1, 1},
      {true, -0.1, 65, 90, 0, 1, 1},  {true, 0, 64, 90, 0, 1, 1},     {false, -0.1, 64, 90, 0, 1, 1},
      {true, -0.1, 32, 2, 0, 2, 1},   {true, -0.1, 32, 2, 0, 0, 0},
  };
  for (const Row& row : rows) {
    Bike* bike = make_bike();
    set_auto_shift(&bike->tuning, row.flag);
    set_gear(bike, row.start_gear);
    turn_swingarm(bike, row.swingarm);
    physics_set_clock(row.tick, 0);
    dBodySetAngularVel(bike->bodies[BIKE_REAR_WHEEL], -row.wheel_rate, 0, 0);
    if (row.rear == 1) touch(bike, WHEEL_REAR, 1);
    if (row.rear == 2) touch(bike, WHEEL_REAR, 5);
    BikeControls c = controls(0, 0);
    set_controls(bike, &c);
    bike_step(bike);
    EXPECT_EQ(bike->gear, row.gear) << (&row - rows);
    destroy_bike(bike);
  }
}

TEST_F(Dynamics, ForkAndShockExertNothingAtFullExtension) {
  struct Row {
    float preload_s, oil_s;
    double fork_compression, swingarm_angle;
    bool pushes;
  } rows[] = {
      {0, 0, 0, 0, false}, {1, 1, 0, 0, false}, {0.5f, 0.5f, 0, 0, false},
      {0, 0, 0.25, -0.2, true}, {1, 1, 0.5, -0.4, true},
  };
  for (const Row& row : rows) {
    Bike* bike = make_bike();
    const BikeModel& m = bike->model;
    set_fork_values(&bike->tuning, &m, 1, 1, 0.5f, row.preload_s, row.oil_s);
    set_shock_values(&bike->tuning, &m, 1, 1, 0.5f, row.preload_s);
    double axis[3] = {0, m.fork_upper_pos[1] - m.fork_lower_pos[1], m.fork_upper_pos[2] - m.fork_lower_pos[2]};
    double n = std::sqrt(axis[1] * axis[1] + axis[2] * axis[2]);
    dBodySetPosition(bike->bodies[BIKE_FORK_LOWER], 0, m.fork_lower_pos[1] + row.fork_compression * axis[1] / n,
                     m.fork_lower_pos[2] + row.fork_compression * axis[2] / n);
    turn_swingarm(bike, row.swingarm_angle);
    bike_step(bike);
    dJointID fork = bike->joints[JOINT_FORK_SLIDE], shock = bike->joints[JOINT_SWINGARM];
    SCOPED_TRACE(&row - rows);
    EXPECT_NEAR(dJointGetSliderPosition(fork), -row.fork_compression, 1e-9);
    if (!row.pushes) {
      EXPECT_EQ(dJointGetSliderParam(fork, dParamFMax), 0);
      EXPECT_EQ(dJointGetHingeParam(shock, dParamFMax), 0);
      destroy_bike(bike);
      continue;
    }
    const BikeTuning& t = bike->tuning;
    double x = -row.fork_compression;
    double column = m.fork_travel + t.fork_air_length;
    double air = 82.46169 * (std::pow(column / (column + x), 1.4) - 1);
    double spring = (t.fork_preload - x) * t.fork_spring;
    EXPECT_NEAR(dJointGetSliderParam(fork, dParamFMax), air + spring, 1e-3 * (air + spring));
    EXPECT_EQ(dJointGetSliderParam(fork, dParamVel), 100);
    EXPECT_GT(dJointGetHingeParam(shock, dParamFMax), 100);
    EXPECT_EQ(dJointGetHingeParam(shock, dParamVel), 100);
    destroy_bike(bike);
  }
}

// The suspension holds the bike up: on a stand, the wheels hang from the
// springs at full extension; pushed up, they come back down.
TEST_F(Dynamics, SuspensionReturnsToFullExtension) {
  Bike* bike = make_bike();
  dJointID hold = hold_frame(bike);
  const BikeModel& m = bike->model;
  double axis[3] = {0, m.fork_upper_pos[1] - m.fork_lower_pos[1], m.fork_upper_pos[2] - m.fork_lower_pos[2]};
  double n = std::sqrt(axis[1] * axis[1] + axis[2] * axis[2]);
  dBodySetPosition(bike->bodies[BIKE_FORK_LOWER], 0, m.fork_lower_pos[1] + 0.5 * axis[1] / n,
                   m.fork_lower_pos[2] + 0.5 * axis[2] / n);
  dBodySetPosition(bike->bodies[BIKE_FRONT_WHEEL], 0, m.front_wheel_pos[1] + 0.5 * axis[1] / n,
                   m.front_wheel_pos[2] + 0.5 * axis[2] / n);
  BikeControls c = controls(0, 0);
  for (int k = 0; k < 256; ++k) {
    set_controls(bike, &c);
    step(bike);
  }
  EXPECT_GT(dJointGetSliderPosition(bike->joints[JOINT_FORK_SLIDE]), -0.01);
  EXPECT_GT(dJointGetHingeAngle(bike->joints[JOINT_SWINGARM]), -0.01);
  dJointDestroy(hold);
  destroy_bike(bike);
}

TEST_F(Dynamics, CrashFlagAndCollisionValueBookkeeping) {
  struct Row {
    int tick;
    float speed;
    int flag;
  } rows[] = {{1000 + 256, 0, 0}, {1000 + 257, 0, 1}, {1000 + 257, 4.9f, 1}, {1000 + 257, 5.1f, 0}};
  for (const Row& row : rows) {
    Bike* bike = make_bike();
    physics_set_clock(row.tick, 1000);
    dBodySetLinearVel(bike->bodies[BIKE_FRAME], 0, 0, -row.speed);
    bike_step(bike);
    EXPECT_EQ(bike->crash_flag, row.flag) << row.tick << " " << row.speed;
    destroy_bike(bike);
  }
  struct Decay {
    float from, to;
  } decays[] = {{192, 191}, {1.5f, 0.5f}, {1, 0}, {0.5f, 0}, {-1, 0}, {-640, -639}};
  Bike* bike = make_bike();
  for (const Decay& d : decays) {
    bike->collision = d.from;
    bike_step(bike);
    EXPECT_EQ(bike->collision, d.to) << d.from;
  }
  destroy_bike(bike);
}

TEST_F(Dynamics, StateDrivenBikeIsNotStepped) {
  Bike* bike = make_bike();
  deactivate_bike(bike);
  BikeControls c = controls(1, 1);
  c.front_brake = 1;
  set_controls(bike, &c);
  bike->engine_speed = rad_s(6000);
  bike->collision = 10;
  bike_step(bike);
  EXPECT_EQ(bike->engine_speed, rad_s(6000));
  EXPECT_EQ(bike->collision, 10);
  EXPECT_EQ(dJointGetHingeParam(bike->joints[JOINT_FRONT_AXLE], dParamFMax), 0);
  destroy_bike(bike);
}

TEST_F(Dynamics, ControlsAreClampedAndCrashedRidersIgnored) {
  Bike* bike = make_bike();
  BikeControls in = {-3, 2, -1, NAN, 0, 1.5f, 4, -2, 9};
  set_controls(bike, &in);
  const BikeControls& c = bike->controls;
  EXPECT_EQ(c.steer, -1);
  EXPECT_EQ(c.throttle, 1);
  EXPECT_EQ(c.front_brake, 0);
  EXPECT_EQ(c.rear_brake, 0);
  EXPECT_EQ(c.clutch, 1);
  EXPECT_EQ(c.sit_dab, 1);
  EXPECT_EQ(c.back_up, 0);
  EXPECT_EQ(c.lean, 1);
  bike->crash_counter = 1;
  BikeControls riding = {0.5f, 1, 1, 1, 1, 1, 1, 1, 1};
  set_controls(bike, &riding);
  EXPECT_EQ(c.throttle, 0);
  EXPECT_EQ(c.sit_dab, 0);
  EXPECT_EQ(c.back_up, 0);
  EXPECT_EQ(c.lean, 0);
  EXPECT_EQ(c.steer, 0.5f);
  EXPECT_EQ(c.front_brake, 1);
  EXPECT_EQ(bike->gear, 0);
  destroy_bike(bike);
}

struct Snapshot {
  std::vector<double> values;
};

Snapshot run_script(PhysicsTest* test) {
  Bike* bike = PhysicsTest::make_bike("kx250f(2013)");
  dJointID hold = PhysicsTest::hold_frame(bike);
  set_auto_clutch_rpm(&bike->tuning, 2000);
  Snapshot s;
  for (int k = 0; k < 384; ++k) {
    BikeControls c = PhysicsTest::controls(0.5f + 0.5f * std::sin(k * 0.05f), k < 40 ? 0.2f : 1);
    c.shift = (k / 50) % 2;
    c.rear_brake = k > 300 ? 0.7f : 0;
    c.front_brake = k > 340 ? 1 : 0;
    set_controls(bike, &c);
    test->step(bike);
  }
  for (int b = 0; b < BIKE_BODY_COUNT; ++b) {
    dBodyID body = bike->bodies[b];
    for (const dReal* v : {dBodyGetPosition(body), dBodyGetLinearVel(body), dBodyGetAngularVel(body)})
      s.values.insert(s.values.end(), v, v + 3);
    const dReal* q = dBodyGetQuaternion(body);
    s.values.insert(s.values.end(), q, q + 4);
  }
  s.values.push_back(bike->engine_speed);
  s.values.push_back(bike->crank_angle);
  s.values.push_back(bike->gear);
  dJointDestroy(hold);
  destroy_bike(bike);
  return s;
}

TEST_F(Dynamics, SameInputsGiveBitIdenticalStates) {
  Snapshot a = run_script(this);
  physics_shutdown();
  ASSERT_TRUE(physics_init());
  tick = 0;
  Snapshot b = run_script(this);
  ASSERT_EQ(a.values.size(), b.values.size());
  EXPECT_EQ(std::memcmp(a.values.data(), b.values.data(), a.values.size() * sizeof(double)), 0);
  EXPECT_GT(a.values.back(), 0);  // the script did shift
}

}  // namespace
