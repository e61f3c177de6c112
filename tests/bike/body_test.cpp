// The world, a bike's bodies, masses and joints as built, its assets from
// a data folder, its rest pose, physics activity changes and the net joint
// force rule.
#include <cstring>
#include <filesystem>

#include "assets/image.h"
#include "physics_fixture.h"

namespace {

using Body = PhysicsTest;

double length(const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

void expect_near3(const dReal* got, double x, double y, double z, double tolerance, const char* what) {
  EXPECT_NEAR(got[0], x, tolerance) << what;
  EXPECT_NEAR(got[1], y, tolerance) << what;
  EXPECT_NEAR(got[2], z, tolerance) << what;
}

TEST_F(Body, WorldHasGravityAndEmptiesItsGroupAfterEachStep) {
  EXPECT_TRUE(physics_precision_ok());
  dVector3 g;
  dWorldGetGravity(physics_world(), g);
  expect_near3(g, 0, -32, 0, 0, "gravity");

  // A motor in the group acts in one step only.
  dBodyID body = dBodyCreate(physics_world());
  dMass mass;
  dMassSetSphereTotal(&mass, 1, 1);
  dBodySetMass(body, &mass);
  dJointID motor = dJointCreateAMotor(physics_world(), physics_joint_group());
  dJointAttach(motor, body, 0);
  dJointSetAMotorNumAxes(motor, 1);
  dJointSetAMotorAxis(motor, 0, 0, 0, 1, 0);
  dJointSetAMotorParam(motor, dParamVel, 2);
  dJointSetAMotorParam(motor, dParamFMax, 1000);
  physics_step();
  double spin = dBodyGetAngularVel(body)[1];
  EXPECT_NEAR(spin, 2, 1e-6);
  dBodySetAngularVel(body, 0, 0, 0);
  physics_step();
  EXPECT_EQ(dBodyGetAngularVel(body)[1], 0);
  EXPECT_NEAR(dBodyGetLinearVel(body)[1], -32 * 2 * PHYSICS_STEP, 1e-12);
  dBodyDestroy(body);
}

TEST_F(Body, BodiesHaveTheirMassesAndRestPositions) {
  Bike* bike = make_bike();
  const BikeModel& m = bike->model;
  float d = 1.0f / 3;
  struct Row {
    int body;
    const float* position;
    double mass;
  } rows[] = {
      {BIKE_FRAME, m.frame_pos, m.frame_mass + (1 - d) * m.rider_mass},
      {BIKE_FRONT_WHEEL, m.front_wheel_pos, m.front_hub_mass + m.front_tire_mass},
      {BIKE_REAR_WHEEL, m.rear_wheel_pos, m.rear_hub_mass + m.rear_tire_mass},
      {BIKE_FORK_UPPER, m.fork_upper_pos, m.fork_mass},
      {BIKE_FORK_LOWER, m.fork_lower_pos, m.fork_mass},
      {BIKE_SWINGARM, m.swingarm_pos, 2 * m.swingarm_arm_mass},
      {BIKE_RIDER, m.rider_pos, d * m.rider_mass},
  };
  double total = 0;
  for (const Row& row : rows) {
    dBodyID body = bike->bodies[row.body];
    dMass mass;
    dBodyGetMass(body, &mass);
    EXPECT_NEAR(mass.mass, row.mass, 1e-5) << row.body;
    total += mass.mass;
    expect_near3(dBodyGetPosition(body), row.position[0], row.position[1], row.position[2], 1e-6, "position");
    bool wheel = row.body == BIKE_FRONT_WHEEL || row.body == BIKE_REAR_WHEEL;
    EXPECT_EQ(dBodyGetFiniteRotationMode(body), wheel ? 1 : 0) << row.body;
  }
  EXPECT_NEAR(bike->total_mass, total, 1e-5);
  destroy_bike(bike);
}

// The wheel's tyre ring lies in the wheel plane, so the axle carries the
// larger moment; the fork and swing-arm masses are turned to their slopes.
TEST_F(Body, MassShapesFollowTheGeometry) {
  Bike* bike = make_bike();
  const BikeModel& m = bike->model;
  dMass wheel;
  dBodyGetMass(bike->bodies[BIKE_FRONT_WHEEL], &wheel);
  double hub = 0.4 * m.front_hub_mass * m.front_hub_radius * m.front_hub_radius;
  double tyre = 0.4 * m.front_tire_radius * m.front_tire_radius;
  double r2 = m.front_wheel_radius * m.front_wheel_radius;
  EXPECT_NEAR(wheel.I[0], hub + m.front_tire_mass * (tyre + r2), 1e-6);        // Ixx
  EXPECT_NEAR(wheel.I[5], hub + m.front_tire_mass * (tyre + r2 / 2), 1e-6);    // Iyy
  EXPECT_NEAR(wheel.I[10], hub + m.front_tire_mass * (tyre + r2 / 2), 1e-6);   // Izz

  // The long axis of each part (smallest moment) is an eigenvector.
  struct Row {
    int body;
    double axis[3];
  } rows[] = {
      {BIKE_FORK_UPPER, {0, m.fork_upper_pos[1] - m.fork_lower_pos[1], m.fork_upper_pos[2] - m.fork_lower_pos[2]}},
      {BIKE_FORK_LOWER, {0, m.fork_upper_pos[1] - m.fork_lower_pos[1], m.fork_upper_pos[2] - m.fork_lower_pos[2]}},
      {BIKE_SWINGARM, {0, m.rear_wheel_pos[1] - m.swingarm_pivot[1], m.rear_wheel_pos[2] - m.swingarm_pivot[2]}},
  };
  for (const Row& row : rows) {
    dMass mass;
    dBodyGetMass(bike->bodies[row.body], &mass);
    double n = length(row.axis);
    double a[3] = {row.axis[0] / n, row.axis[1] / n, row.axis[2] / n};
    double ia[3];
    for (int i = 0; i < 3; ++i) ia[i] = mass.I[4 * i] * a[0] + mass.I[4 * i + 1] * a[1] + mass.I[4 * i + 2] * a[2];
    double along = ia[0] * a[0] + ia[1] * a[1] + ia[2] * a[2];
    double off[3] = {ia[0] - along * a[0], ia[1] - along * a[1], ia[2] - along * a[2]};
    EXPECT_LT(length(off), 1e-6 * length(ia)) << row.body;
    // ... and the smallest one: below the lateral moment.
    EXPECT_LT(along, mass.I[0]) << row.body;
    EXPECT_NEAR(mass.c[0], 0, 1e-12);
  }
  destroy_bike(bike);
}

TEST_F(Body, JointsConnectTheirBodiesWithTheirAxesAndLimits) {
  Bike* bike = make_bike();
  const BikeModel& m = bike->model;
  double fork[3] = {0, m.fork_upper_pos[1] - m.fork_lower_pos[1], m.fork_upper_pos[2] - m.fork_lower_pos[2]};
  double n = length(fork);
  for (double& v : fork) v /= n;
  struct Row {
    int joint;
    int type;
    int body1, body2;
    const float* anchor;
    double axis[3];
    double lo, hi;
  } rows[] = {
      {JOINT_FRONT_AXLE, dJointTypeHinge, BIKE_FORK_LOWER, BIKE_FRONT_WHEEL, m.front_wheel_pos, {1, 0, 0}, -dInfinity, dInfinity},
      {JOINT_REAR_AXLE, dJointTypeHinge, BIKE_SWINGARM, BIKE_REAR_WHEEL, m.rear_wheel_pos, {1, 0, 0}, -dInfinity, dInfinity},
      {JOINT_STEERING, dJointTypeHinge, BIKE_FORK_UPPER, BIKE_FRAME, m.fork_upper_pos, {fork[0], fork[1], fork[2]}, -M_PI / 4, M_PI / 4},
      {JOINT_FORK_SLIDE, dJointTypeSlider, BIKE_FORK_UPPER, BIKE_FORK_LOWER, nullptr, {fork[0], fork[1], fork[2]}, -m.fork_travel, 0},
      {JOINT_SWINGARM, dJointTypeHinge, BIKE_SWINGARM, BIKE_FRAME, m.swingarm_pivot, {1, 0, 0}, -m.swingarm_travel, 0},
  };
  for (const Row& row : rows) {
    dJointID j = bike->joints[row.joint];
    SCOPED_TRACE(row.joint);
    EXPECT_EQ(dJointGetType(j), row.type);
    EXPECT_EQ(dJointGetBody(j, 0), bike->bodies[row.body1]);
    EXPECT_EQ(dJointGetBody(j, 1), bike->bodies[row.body2]);
    EXPECT_EQ(dJointGetFeedback(j), &bike->feedback[row.joint]);
    dVector3 axis, anchor;
    if (row.type == dJointTypeSlider) {
      dJointGetSliderAxis(j, axis);
      EXPECT_EQ(dJointGetSliderParam(j, dParamLoStop), row.lo);
      EXPECT_EQ(dJointGetSliderParam(j, dParamHiStop), row.hi);
      EXPECT_EQ(dJointGetSliderPosition(j), 0);
    } else {
      dJointGetHingeAxis(j, axis);
      dJointGetHingeAnchor(j, anchor);
      expect_near3(anchor, row.anchor[0], row.anchor[1], row.anchor[2], 1e-6, "anchor");
      if (std::isinf(row.lo)) {
        EXPECT_EQ(dJointGetHingeParam(j, dParamLoStop), row.lo);
        EXPECT_EQ(dJointGetHingeParam(j, dParamHiStop), row.hi);
      } else {
        EXPECT_NEAR(dJointGetHingeParam(j, dParamLoStop), row.lo, 1e-6);
        EXPECT_NEAR(dJointGetHingeParam(j, dParamHiStop), row.hi, 1e-6);
      }
      EXPECT_EQ(dJointGetHingeAngle(j), 0);
    }
    expect_near3(axis, row.axis[0], row.axis[1], row.axis[2], 1e-9, "axis");
  }
  dJointID mount = bike->joints[JOINT_RIDER_MOUNT];
  EXPECT_EQ(dJointGetType(mount), dJointTypeHinge2);
  EXPECT_EQ(dJointGetBody(mount, 0), bike->bodies[BIKE_RIDER]);
  EXPECT_EQ(dJointGetBody(mount, 1), bike->bodies[BIKE_FRAME]);
  dVector3 anchor, axis1, axis2;
  dJointGetHinge2Anchor(mount, anchor);
  dJointGetHinge2Axis1(mount, axis1);
  dJointGetHinge2Axis2(mount, axis2);
  expect_near3(anchor, 0, m.rider_pos[1], -50, 1e-6, "mount anchor");
  expect_near3(axis1, 0, M_SQRT1_2, M_SQRT1_2, 1e-9, "mount axis 1");
  expect_near3(axis2, 1, 0, 0, 1e-9, "mount axis 2");
  EXPECT_EQ(dJointGetHinge2Param(mount, dParamLoStop), 0);
  EXPECT_EQ(dJointGetHinge2Param(mount, dParamHiStop), 0);
  destroy_bike(bike);
}

TEST_F(Body, RiderMassDistributionMovesMassBetweenFrameAndRider) {
  Bike* bike = make_bike();
  float rider_mass = bike->model.rider_mass;
  auto mass_of = [&](int body) {
    dMass mass;
    dBodyGetMass(bike->bodies[body], &mass);
    return mass.mass;
  };
  double frame = mass_of(BIKE_FRAME), rider = mass_of(BIKE_RIDER);
  struct Row {
    float requested, kept;
  } rows[] = {{0.5f, 0.5f}, {0.9f, 0.5f}, {0.1f, 0.33f}, {0.33f, 0.33f}};
  for (const Row& row : rows) {
    set_bike_mass_distribution(bike, row.requested);
    double moved = (row.kept - 1.0 / 3) * rider_mass;
    EXPECT_NEAR(mass_of(BIKE_RIDER), rider + moved, 1e-5) << row.requested;
    EXPECT_NEAR(mass_of(BIKE_FRAME), frame - moved, 1e-5) << row.requested;
    EXPECT_NEAR(mass_of(BIKE_RIDER) + mass_of(BIKE_FRAME), frame + rider, 1e-5);
  }
  destroy_bike(bike);
}

// From 0.33 to 0.5 the share moves 17 % of the rider; refused while moving.
TEST_F(Body, SetupMovesRiderMassOnlyAtRest) {
  Bike* bike = make_bike();
  BikeSetup setup;
  bike_setup_defaults(&setup);
  setup.rider_mass_distribution = 0.5;
  dBodySetLinearVel(bike->bodies[BIKE_FRAME], 0, 0, -10);
  EXPECT_FALSE(apply_setup(bike, &setup));
  dMass rider;
  dBodyGetMass(bike->bodies[BIKE_RIDER], &rider);
  EXPECT_NEAR(rider.mass, bike->model.rider_mass / 3, 1e-5);
  dBodySetLinearVel(bike->bodies[BIKE_FRAME], 0, 0, 0);
  EXPECT_TRUE(apply_setup(bike, &setup));
  dBodyGetMass(bike->bodies[BIKE_RIDER], &rider);
  EXPECT_NEAR(rider.mass, bike->model.rider_mass * 0.5, 1e-5);
  destroy_bike(bike);
}

TEST_F(Body, ResetAfterMoveSeatsTheRiderOnTheFrame) {
  Bike* bike = make_bike();
  const BikeModel& m = bike->model;
  // Away from its build place, a crashed rider off the mount and
  // elsewhere, the bike tumbling.
  move_bike(bike, 500, 20, -300);
  dJointAttach(bike->joints[JOINT_RIDER_MOUNT], 0, 0);
  dBodySetPosition(bike->bodies[BIKE_RIDER], 40, -3, 12);
  dBodySetAngularVel(bike->bodies[BIKE_FRAME], 1, 2, 3);
  bike->engine_speed = 900;
  bike->gear = 3;
  bike->crash_counter = 300;
  bike->collision = 100;
  reset_bike(bike);
  move_bike(bike, 120, 4, -80);

  EXPECT_EQ(dJointGetBody(bike->joints[JOINT_RIDER_MOUNT], 0), bike->bodies[BIKE_RIDER]);
  EXPECT_EQ(dJointGetBody(bike->joints[JOINT_RIDER_MOUNT], 1), bike->bodies[BIKE_FRAME]);
  EXPECT_EQ(bike->engine_speed, 0);
  EXPECT_EQ(bike->gear, 0);
  EXPECT_EQ(bike->crash_counter, 0);
  EXPECT_EQ(bike->collision, 0);
  EXPECT_EQ(bike->activity, 1);
  const dReal* frame = dBodyGetPosition(bike->bodies[BIKE_FRAME]);
  expect_near3(frame, m.frame_pos[0] + 120.0, m.frame_pos[1] + 4.0, m.frame_pos[2] - 80.0, 1e-9, "frame");
  // Dropped in free fall for a second, the rider stays seated: the mount
  // was set up where the bike is, not where it was built.
  for (int k = 0; k < 128; ++k) step(bike);
  const dReal* f = dBodyGetPosition(bike->bodies[BIKE_FRAME]);
  const dReal* r = dBodyGetPosition(bike->bodies[BIKE_RIDER]);
  expect_near3(r, f[0] + m.rider_pos[0] - m.frame_pos[0], f[1] + m.rider_pos[1] - m.frame_pos[1],
               f[2] + m.rider_pos[2] - m.frame_pos[2], 1e-3, "rider on the seat");
  EXPECT_NEAR(dJointGetHingeAngle(bike->joints[JOINT_STEERING]), 0, 1e-6);
  destroy_bike(bike);
}

TEST_F(Body, TouchedStateDrivenBikeIsSimulatedFor96Ticks) {
  Bike* bike = make_bike();
  deactivate_bike(bike);
  EXPECT_FALSE(dBodyIsEnabled(bike->bodies[BIKE_FRAME]));
  touch_bike(bike);
  int simulated = 0;
  for (int k = 0; k < 200; ++k) {
    bool enabled = true;
    for (int b = 0; b < BIKE_BODY_COUNT; ++b) enabled = enabled && dBodyIsEnabled(bike->bodies[b]);
    ASSERT_EQ(enabled, bike_simulated(bike));
    if (!enabled) break;
    ++simulated;
    fade_bike(bike);
  }
  EXPECT_EQ(simulated, 96);
  EXPECT_EQ(bike->activity, 0.25f);
  // Touched again right away: held with its states until left alone.
  touch_bike(bike);
  EXPECT_EQ(bike->activity, 0.25f);
  EXPECT_FALSE(bike_simulated(bike));
  for (int k = 0; k < 32; ++k) fade_bike(bike);
  EXPECT_EQ(bike->activity, 0);
  touch_bike(bike);
  EXPECT_TRUE(bike_simulated(bike));
  // A simulated bike is not changed by a touch.
  fade_bike(bike);
  float before = bike->activity;
  touch_bike(bike);
  EXPECT_EQ(bike->activity, before);
  destroy_bike(bike);
}

TEST_F(Body, ActivationClearsStaleForcesOfAStateDrivenBike) {
  Bike* bike = make_bike();
  deactivate_bike(bike);
  dBodyAddForce(bike->bodies[BIKE_FRAME], 100, 0, 0);
  activate_bike(bike);
  EXPECT_EQ(dBodyGetForce(bike->bodies[BIKE_FRAME])[0], 0);
  EXPECT_TRUE(dBodyIsEnabled(bike->bodies[BIKE_RIDER]));
  // A bike already simulated keeps this tick's forces.
  dBodyAddForce(bike->bodies[BIKE_FRAME], 100, 0, 0);
  activate_bike(bike);
  EXPECT_EQ(dBodyGetForce(bike->bodies[BIKE_FRAME])[0], 100);
  destroy_bike(bike);
}

// Whatever the feedback records say, the joints plus the cancellation put
// no net force and no net torque about any point on the bike.
TEST_F(Body, JointForceCancellationLeavesNoNetWrench) {
  Bike* bike = make_bike();
  move_bike(bike, 3, 1, -2);
  physics_set_clock(5, 0);
  for (int k = 0; k < BIKE_JOINT_COUNT; ++k) {
    dJointFeedback* f = &bike->feedback[k];
    for (int i = 0; i < 3; ++i) {
      f->f1[i] = 10 * k + i + 1;
      f->f2[i] = -(10 * k + i) * 0.5;
      f->t1[i] = k - i;
      f->t2[i] = 2 * i;
    }
  }
  cancel_joint_forces(bike);
  const double q[3] = {7, -4, 11};  // any point
  double force[3] = {0, 0, 0}, torque[3] = {0, 0, 0};
  auto add = [&](const double* at, const dReal* fo, const dReal* to) {
    for (int i = 0; i < 3; ++i) {
      int a = (i + 1) % 3, c = (i + 2) % 3;
      force[i] += fo[i];
      torque[i] += to[i] + (at[a] - q[a]) * fo[c] - (at[c] - q[c]) * fo[a];
    }
  };
  for (int k = 0; k < BIKE_JOINT_COUNT; ++k) {
    const dJointFeedback* f = &bike->feedback[k];
    const dReal* p1 = dBodyGetPosition(dJointGetBody(bike->joints[k], 0));
    const dReal* p2 = dBodyGetPosition(dJointGetBody(bike->joints[k], 1));
    double a1[3] = {p1[0], p1[1], p1[2]}, a2[3] = {p2[0], p2[1], p2[2]};
    add(a1, f->f1, f->t1);
    add(a2, f->f2, f->t2);
  }
  const dReal* fp = dBodyGetPosition(bike->bodies[BIKE_FRAME]);
  double frame[3] = {fp[0], fp[1], fp[2]};
  add(frame, dBodyGetForce(bike->bodies[BIKE_FRAME]), dBodyGetTorque(bike->bodies[BIKE_FRAME]));
  EXPECT_GT(std::fabs(dBodyGetForce(bike->bodies[BIKE_FRAME])[1]), 1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(force[i], 0, 1e-9);
    EXPECT_NEAR(torque[i], 0, 1e-9);
  }
  destroy_bike(bike);
}

TEST_F(Body, JointForceCancellationWaitsForTheRiderAndTheSecondTick) {
  struct Row {
    int tick;
    bool mounted;
    bool applied;
  } rows[] = {{1, true, false}, {2, true, true}, {9, false, false}};
  for (const Row& row : rows) {
    Bike* bike = make_bike();
    if (!row.mounted) dJointAttach(bike->joints[JOINT_RIDER_MOUNT], 0, 0);
    physics_set_clock(row.tick, 0);
    bike->feedback[JOINT_FRONT_AXLE].f1[1] = 50;
    cancel_joint_forces(bike);
    EXPECT_EQ(dBodyGetForce(bike->bodies[BIKE_FRAME])[1], row.applied ? -50 : 0) << row.tick;
    destroy_bike(bike);
  }
}

// In free fall with the engine driving the rear wheel, the suspension
// working and the rider bouncing, the bike as a whole only falls.
TEST_F(Body, OwnJointsDoNotAccelerateTheCentreOfMass) {
  Bike* bike = make_bike();
  dBodySetPosition(bike->bodies[BIKE_FORK_LOWER], 0, bike->model.fork_lower_pos[1] + 0.2,
                   bike->model.fork_lower_pos[2] + 0.1);
  dBodySetLinearVel(bike->bodies[BIKE_RIDER], 0, 3, 0);
  BikeControls c = controls(1, 1);
  auto momentum = [&](double p[3]) {
    p[0] = p[1] = p[2] = 0;
    for (int b = 0; b < BIKE_BODY_COUNT; ++b) {
      dMass mass;
      dBodyGetMass(bike->bodies[b], &mass);
      const dReal* v = dBodyGetLinearVel(bike->bodies[b]);
      for (int i = 0; i < 3; ++i) p[i] += mass.mass * v[i];
    }
  };
  double before[3], after[3];
  momentum(before);
  const int ticks = 256;
  for (int k = 0; k < ticks; ++k) {
    set_controls(bike, &c);
    step(bike);
  }
  momentum(after);
  EXPECT_GT(std::fabs(dBodyGetAngularVel(bike->bodies[BIKE_REAR_WHEEL])[0]), 10);
  double fall = -32 * ticks * PHYSICS_STEP * bike->total_mass;
  EXPECT_NEAR(after[0] - before[0], 0, 1e-3 * std::fabs(fall));
  EXPECT_NEAR(after[1] - before[1], fall, 1e-3 * std::fabs(fall));
  EXPECT_NEAR(after[2] - before[2], 0, 1e-3 * std::fabs(fall));
  destroy_bike(bike);
}

TEST_F(Body, WithoutDataTheBikeHasNoShapesAndTheModelsOwnTextures) {
  Bike* bike = create_bike("crf450(2013)", 3, "123456789", "@nope-red-1.png", nullptr, "default", "");
  for (int b = 0; b < BIKE_BODY_COUNT; ++b) EXPECT_EQ(bike->assets.shapes[b], nullptr);
  for (int k = 0; k < BIKE_MESH_COUNT; ++k) EXPECT_EQ(bike->assets.meshes[k], nullptr);
  EXPECT_STREQ(bike->assets.textures[BIKE_SKIN_BIKE], "@crf450v2013.png");
  EXPECT_STREQ(bike->assets.textures[BIKE_SKIN_WHEELS], "@wheels.png");
  EXPECT_STREQ(bike->assets.textures[BIKE_SKIN_RIDER], "@rider_body.png");
  EXPECT_STREQ(bike->assets.textures[BIKE_SKIN_HEAD], "@rider_head.png");
  EXPECT_STREQ(bike->number, "1234567");
  EXPECT_EQ(bike->slot, 3);
  std::string text = log();
  EXPECT_NE(text.find("Warning: Can't load @generic_frame.shp\n"), std::string::npos);
  EXPECT_NE(text.find("Warning: Can't load @crf450v2013_frame.zm"), std::string::npos);
  EXPECT_NE(text.find("Warning: Can't load @nope-red-1.png"), std::string::npos);
  EXPECT_EQ(text.find("rider_plate"), std::string::npos);
  destroy_bike(bike);
}

TEST_F(Body, ShapesAndNumberColoursComeFromTheData) {
  put("generic_frame.shp", "2\n0 0 0 0.5 1 2500 250\n0 1 0 0.25 0.5 2000 200\n");
  put("generic_rider.shp", "3\n0 0 0 0.5 1 2500 250\n");  // short: unreadable
  unsigned char pixels[4 * 3] = {};
  ASSERT_TRUE(write_png_rgb("@crf450v2013.png", pixels, 2, 2));
  put("crf450v2013.png.info", "[numberbackground:0.25,0.5,3][numberforeground:1,0,-1]");
  Bike* bike = make_bike();
  const Shape* frame = bike->assets.shapes[BIKE_FRAME];
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->count, 2);
  EXPECT_NE(frame->world, nullptr);
  EXPECT_EQ(bike->assets.shapes[BIKE_RIDER], nullptr);
  EXPECT_EQ(bike->assets.shapes[BIKE_SWINGARM], nullptr);
  const float* bg = bike->assets.number_background;
  const float* fg = bike->assets.number_foreground;
  EXPECT_EQ(bg[0], 0.25f);
  EXPECT_EQ(bg[1], 0.5f);
  EXPECT_EQ(bg[2], 1.0f);
  EXPECT_EQ(fg[0], 1.0f);
  EXPECT_EQ(fg[1], 0.0f);
  EXPECT_EQ(fg[2], 0.0f);
  // Two bikes share the cached shape but own their copies.
  Bike* other = make_bike();
  EXPECT_NE(other->assets.shapes[BIKE_FRAME], frame);
  destroy_bike(other);
  destroy_bike(bike);
}

void put_model(const char* name) {
  Mesh* mesh = make_mesh(3, 1, 0, name);
  ASSERT_TRUE(write_model(name, mesh));
  free_mesh_list(mesh);
}

// The part of the texture's file name between its first two hyphens picks
// the model variants; a group whose key model has no variant falls back to
// the model's own texture and plain models.
TEST_F(Body, TextureVariantsPickTheirModels) {
  std::filesystem::create_directories(home + "skins");
  unsigned char pixels[4 * 3] = {};
  ASSERT_TRUE(write_png_rgb("@skins/crf450v2013-red-7.png", pixels, 2, 2));
  ASSERT_TRUE(write_png_rgb("@skins/crf450v2013-blue-7.png", pixels, 2, 2));
  ASSERT_TRUE(write_png_rgb("@skins/wheels-gold-1.png", pixels, 2, 2));
  put_model("@crf450v2013_frame-red.zm");
  put_model("@crf450v2013_frame.zm");
  put_model("@crf450v2013_fork_upper.zm");
  put_model("@front_wheel-gold.zm");
  put_model("@front_wheel.zm");
  put_model("@rear_wheel.zm");
  data_rescan();
  struct Row {
    const char* bike_texture;
    const char* wheel_texture;
    const char* frame_model;
    const char* used_texture;
    bool fork_upper;
    const char* used_wheels;
  } rows[] = {
      {"@skins/crf450v2013-red-7.png", "@skins/wheels-gold-1.png", "@crf450v2013_frame-red.zm",
       "@skins/crf450v2013-red-7.png", false, "@wheels.png"},
      {"@skins/crf450v2013-blue-7.png", nullptr, "@crf450v2013_frame.zm", "@crf450v2013.png", true, "@wheels.png"},
      {nullptr, nullptr, "@crf450v2013_frame.zm", "@crf450v2013.png", true, "@wheels.png"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(&row - rows);
    Bike* bike = create_bike("crf450(2013)", 0, "1", nullptr, nullptr, row.bike_texture, row.wheel_texture);
    ASSERT_NE(bike->assets.meshes[BIKE_MESH_FRAME], nullptr);
    EXPECT_STREQ(bike->assets.meshes[BIKE_MESH_FRAME]->name, row.frame_model);
    EXPECT_STREQ(bike->assets.textures[BIKE_SKIN_BIKE], row.used_texture);
    EXPECT_EQ(bike->assets.meshes[BIKE_MESH_FORK_UPPER] != nullptr, row.fork_upper);
    EXPECT_EQ(bike->assets.meshes[BIKE_MESH_SIDE_PLATES], nullptr);
    // Gold front wheel but no gold rear wheel: both wheels go plain.
    EXPECT_STREQ(bike->assets.textures[BIKE_SKIN_WHEELS], row.used_wheels);
    ASSERT_NE(bike->assets.meshes[BIKE_MESH_FRONT_WHEEL], nullptr);
    EXPECT_STREQ(bike->assets.meshes[BIKE_MESH_FRONT_WHEEL]->name, "@front_wheel.zm");
    destroy_bike(bike);
  }
}

TEST_F(Body, UnknownModelFallsBackAndStillBuilds) {
  Bike* bike = make_bike("kx125x");
  EXPECT_STREQ(bike->model.name, "cr125");
  EXPECT_TRUE(bike_simulated(bike));
  destroy_bike(bike);
}

}  // namespace
