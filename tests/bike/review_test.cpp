// The bike step's spring and damper terms away from their rest points:
// drive-line windup with the clutch letting go, fork and shock damping and
// ramps, and a broken engine speed that must not index past the tables.
#include <cmath>

#include "physics_fixture.h"

namespace {

using BikeReview = PhysicsTest;

const float PI_F = (float)M_PI;

float rad_s(float rpm) { return rpm / (float)RPM_PER_RAD_S; }

float wrapped(float angle) {
  while (angle > PI_F) angle -= 2 * PI_F;
  while (angle < -PI_F) angle += 2 * PI_F;
  return angle;
}

// Engine torque with the throttle closed at a speed on the table's grid.
float closed_torque_at(const BikeModel& m, float rpm) { return m.closed_torque[(int)(rpm / 500)]; }

TEST_F(BikeReview, DriveLineWindupAndClutchSlip) {
  struct Row {
    float crank;       // crank angle before the step; the wheel is at 0 or turned
    float wheel_turn;  // rear wheel body turned this far about x
    float lever;
    float rpm, auto_rpm;
    float c;  // clutch factor the drive uses
  } rows[] = {
      {0.5f, 0, 1, 9000, 5000, 1},        // winds up, holds
      {1.0f, 0, 1, 9000, 5000, 1},        // beyond a quarter turn: lets go there
      {0.5f, 0, 0.5f, 9000, 5000, 0.5f},  // half engaged lets go at an eighth
      {-0.5f, 0, 0.5f, 9000, 5000, 0.5f},
      {0.5f, 0, 1, 6000, 5000, 0.5f},     // automatic clutch half in while driving
      {-0.5f, 0, 1, 6000, 5000, 1},       // engine braking ignores it
      {3.0f, 3.0f, 1, 9000, 5000, 1},     // crank 3, wheel -3: windup wraps to 6 - 2 pi
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(&row - rows);
    Bike* bike = make_bike();
    const BikeModel& m = bike->model;
    set_auto_clutch_rpm(&bike->tuning, row.auto_rpm);
    BikeControls c = controls(0, row.lever);
    set_controls(bike, &c);
    if (row.wheel_turn != 0) {
      dMatrix3 r;
      dRFromAxisAndAngle(r, 1, 0, 0, row.wheel_turn);
      dBodySetRotation(bike->bodies[BIKE_REAR_WHEEL], r);
    }
    float wheel = (float)dJointGetHingeAngle(bike->joints[JOINT_REAR_AXLE]);
    ASSERT_NEAR(wheel, -row.wheel_turn, 1e-6);
    bike->engine_speed = rad_s(row.rpm);
    bike->crank_angle = row.crank;
    float reduction = bike_reduction(bike);
    float windup = wrapped(row.crank - wheel);
    // Wheel at rest: the damping term is the engine speed alone, clamped.
    float x = std::fmin(500, bike->engine_speed * m.drive_damping) + windup * m.drive_stiffness;
    ASSERT_EQ(x >= 0, windup > 0);
    float before = bike->engine_speed;
    bike_step(bike);

    float drive = row.c * row.c * x;
    EXPECT_NEAR(-dBodyGetTorque(bike->bodies[BIKE_REAR_WHEEL])[0], drive, 1e-3 * std::fabs(drive));
    EXPECT_NEAR(dBodyGetTorque(bike->bodies[BIKE_FRAME])[0], drive, 1e-3 * std::fabs(drive));
    float engine = before + (float)PHYSICS_STEP * (closed_torque_at(m, row.rpm) - drive / reduction) /
                                m.engine_inertia;
    EXPECT_NEAR(bike->engine_speed, engine, 1e-4 * std::fabs(engine));
    float limit = row.c * PI_F / 4;
    float held = std::fmax(-limit, std::fmin(limit, windup));
    float crank = wrapped(wheel + held + (float)PHYSICS_STEP * bike->engine_speed / reduction);
    EXPECT_NEAR(bike->crank_angle, crank, 1e-5);
    destroy_bike(bike);
  }
}

// Places the lower fork `compression` ft up the fork axis, moving at `rate`
// (positive = extending), and the swing arm at `angle`, turning at `turn`.
void pose_suspension(Bike* bike, double compression, double rate, double angle, double turn) {
  const BikeModel& m = bike->model;
  double axis[3] = {0, m.fork_upper_pos[1] - m.fork_lower_pos[1], m.fork_upper_pos[2] - m.fork_lower_pos[2]};
  double n = std::sqrt(axis[1] * axis[1] + axis[2] * axis[2]);
  dBodySetPosition(bike->bodies[BIKE_FORK_LOWER], 0, m.fork_lower_pos[1] + compression * axis[1] / n,
                   m.fork_lower_pos[2] + compression * axis[2] / n);
  dBodySetLinearVel(bike->bodies[BIKE_FORK_LOWER], 0, -rate * axis[1] / n, -rate * axis[2] / n);
  dMatrix3 r;
  dRFromAxisAndAngle(r, 1, 0, 0, angle);
  double y = m.swingarm_pos[1] - m.swingarm_pivot[1], z = m.swingarm_pos[2] - m.swingarm_pivot[2];
  dBodySetRotation(bike->bodies[BIKE_SWINGARM], r);
  dBodySetPosition(bike->bodies[BIKE_SWINGARM], 0, m.swingarm_pivot[1] + r[5] * y + r[6] * z,
                   m.swingarm_pivot[2] + r[9] * y + r[10] * z);
  dBodySetAngularVel(bike->bodies[BIKE_SWINGARM], turn, 0, 0);
}

TEST_F(BikeReview, ForkAndShockDampingAndRamps) {
  struct Row {
    double compression, rate;  // fork
    double angle, turn;        // swing arm
  } rows[] = {
      {0.5, 0, -0.2, 0},         // springs only
      {0.5, -2, -0.2, -1},       // compressing: compression damping
      {0.5, 2, -0.2, 1},         // extending: rebound damping
      {1.0 / 64, 0, -0.55 / 64, 0},  // half way up the ramps
      {0.1, 20, -0.1, 20},       // fast rebound outweighs the springs
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(&row - rows);
    Bike* bike = make_bike();
    const BikeModel& m = bike->model;
    // Distinct damping both ways so a swapped pair shows.
    set_fork_values(&bike->tuning, &m, 1.5f, 0.75f, 0.3f, 0.8f, 0.6f);
    set_shock_values(&bike->tuning, &m, 0.6f, 1.8f, 0.7f, 0.4f);
    const BikeTuning& t = bike->tuning;
    pose_suspension(bike, row.compression, row.rate, row.angle, row.turn);
    dJointID slide = bike->joints[JOINT_FORK_SLIDE], hinge = bike->joints[JOINT_SWINGARM];
    double x = dJointGetSliderPosition(slide), v = dJointGetSliderPositionRate(slide);
    double a = dJointGetHingeAngle(hinge), w = dJointGetHingeAngleRate(hinge);
    ASSERT_NEAR(x, -row.compression, 1e-9);
    ASSERT_NEAR(v, row.rate, 1e-9);
    ASSERT_NEAR(a, row.angle, 1e-9);
    ASSERT_NEAR(w, row.turn, 1e-9);
    bike_step(bike);

    double column = m.fork_travel + t.fork_air_length;
    double air = 82.46169 * (std::pow(column / (column - row.compression), 1.4) - 1);
    double damping = row.rate * (row.rate >= 0 ? t.fork_rebound : t.fork_compression);
    double spring = (t.fork_preload + row.compression) * t.fork_spring - damping;
    double force = (air + spring) * std::fmin(row.compression * 32 / m.fork_travel, 1);
    EXPECT_NEAR(dJointGetSliderParam(slide, dParamFMax), std::fabs(force), 1e-3 * std::fabs(force));
    EXPECT_EQ(dJointGetSliderParam(slide, dParamVel), force >= 0 ? 100 : 0);

    double q = -row.angle / m.swingarm_travel;  // equal ratios: no progression
    double ratio = m.shock_ratio_start;
    double shock_damping = -row.turn * (row.turn >= 0 ? t.shock_rebound : t.shock_compression);
    double ramp = std::fmin(-row.angle * 32 / m.swingarm_travel, 1);
    double torque = (ratio * ((ratio * q + t.shock_preload) * t.shock_spring) + ratio * ratio * shock_damping) * ramp;
    EXPECT_NEAR(dJointGetHingeParam(hinge, dParamFMax), std::fabs(torque), 1e-3 * std::fabs(torque));
    EXPECT_EQ(dJointGetHingeParam(hinge, dParamVel), torque >= 0 ? 100 : 0);
    destroy_bike(bike);
  }
}

// A body that has blown up leaves the engine speed not a number; the step
// must still read inside the torque tables and finish.
TEST_F(BikeReview, EngineSpeedNotANumberStaysInsideTheTables) {
  Bike* bike = make_bike();
  set_front_brake_torque(&bike->tuning, 300);
  set_front_antilock(&bike->tuning, false);
  BikeControls c = controls(1, 1);
  c.front_brake = 0.5f;
  set_controls(bike, &c);
  bike->engine_speed = NAN;
  bike_step(bike);
  // The brakes come after the engine in the step.
  EXPECT_EQ(dJointGetHingeParam(bike->joints[JOINT_FRONT_AXLE], dParamFMax), 150);
  destroy_bike(bike);
}

}  // namespace
