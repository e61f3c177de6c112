// The bike step's mechanical half: fork and shock, engine torque, clutch
// and drive line, gear changes and automatic shifting, brakes with their
// antilock and wheelie and stoppie prevention; and the order of the step.
#include <cmath>

#include "bike/bike.h"
#include "bike/world.h"

constexpr float STEP = (float)PHYSICS_STEP;
constexpr float PI = (float)M_PI;

static float clampf(float value, float low, float high) {
  return value < low ? low : value > high ? high : value;
}

static float wrap_angle(float angle) {
  while (angle > PI) angle -= 2 * PI;
  while (angle < -PI) angle += 2 * PI;
  return angle;
}

static float squared(const float v[3]) { return v[0] * v[0] + v[1] * v[1] + v[2] * v[2]; }

bool wheel_touching(const Bike* bike, int wheel) { return bike->wheels[wheel].contact.depth > 0; }

// Sliding faster than 2 ft/s at the contact point.
static bool wheel_sliding(const Bike* bike, int wheel) {
  return wheel_touching(bike, wheel) && squared(bike->wheels[wheel].contact.velocity) > 4;
}

float engine_rpm(const Bike* bike) { return bike->engine_speed * (float)RPM_PER_RAD_S; }

float bike_reduction(const Bike* bike) {
  return bike->model.gear_ratios[bike->gear] * bike->model.primary_ratio * bike->tuning.final_drive;
}

void set_gear(Bike* bike, int index) { bike->gear = walk_down_gear(&bike->model, index); }

void shift(Bike* bike, int direction) {
  if (bike->crash_counter > 0 || direction == bike->last_shift || direction < -1 || direction > 1) return;
  bike->last_shift = direction;
  set_gear(bike, bike->gear + direction);
}

void set_controls(Bike* bike, const BikeControls* in) {
  BikeControls* c = &bike->controls;
  c->steer = clampf(in->steer, -1, 1);
  c->throttle = clampf(in->throttle, 0, 1);
  c->front_brake = clampf(in->front_brake, 0, 1);
  c->rear_brake = clampf(in->rear_brake, 0, 1);
  c->clutch = clampf(in->clutch, 0, 1);
  c->sit_dab = clampf(in->sit_dab, 0, 1);
  c->back_up = clampf(in->back_up, 0, 1);
  c->lean = clampf(in->lean, -1, 1);
  // NaN fails every comparison above; no input may carry it into the bodies.
  float* fields[] = {&c->steer, &c->throttle, &c->front_brake, &c->rear_brake,
                     &c->clutch, &c->sit_dab, &c->back_up, &c->lean};
  for (float* f : fields) {
    if (std::isnan(*f)) *f = 0;
  }
  if (bike->crash_counter > 0) {
    c->throttle = 0;
    c->sit_dab = 0;
    c->back_up = 0;
    c->lean = 0;
  } else {
    shift(bike, in->shift);
    c->shift = in->shift < -1 ? -1 : in->shift > 1 ? 1 : in->shift;
  }
}

// --- Suspension ---

static void fork_step(Bike* bike) {
  const BikeTuning* t = &bike->tuning;
  float travel = bike->model.fork_travel;
  dJointID slide = bike->joints[JOINT_FORK_SLIDE];
  float x = (float)dJointGetSliderPosition(slide);
  float v = (float)dJointGetSliderPositionRate(slide);
  float damping = v * (v >= 0 ? t->fork_rebound : t->fork_compression);
  float spring = (t->fork_preload - x) * t->fork_spring - damping;
  float compression = clampf(-x, 0, travel);
  float column = travel + t->fork_air_length;
  float air = 82.46169f * (std::pow(column / (column - compression), 1.4f) - 1);
  // Fades in over the first 1/32 of the travel: nothing at full extension.
  float ramp = x / (-travel / 32);
  float force = ramp >= 0 ? (air + spring) * std::fmin(ramp, 1.0f) : 0;
  dJointSetSliderParam(slide, dParamVel, force >= 0 ? 100 : 0);
  dJointSetSliderParam(slide, dParamFMax, std::fabs(force));
}

static void shock_step(Bike* bike) {
  const BikeTuning* t = &bike->tuning;
  const BikeModel* m = &bike->model;
  dJointID hinge = bike->joints[JOINT_SWINGARM];
  float a = (float)dJointGetHingeAngle(hinge);
  float w = (float)dJointGetHingeAngleRate(hinge);
  float travel = m->swingarm_travel;
  float k1 = m->shock_ratio_start, k2 = m->shock_ratio_end;
  float q = -a / travel;
  float u = (k2 - k1) / travel * q;
  float ratio = k1 + u;
  float displacement = k1 * q + 0.5f * q * u;
  float damping = -w * (w >= 0 ? t->shock_rebound : t->shock_compression);
  float ramp = clampf(a / (-travel / 32), 0, 1);
  float torque = (ratio * ((displacement + t->shock_preload) * t->shock_spring) + ratio * (ratio * damping)) * ramp;
  dJointSetHingeParam(hinge, dParamVel, torque >= 0 ? 100 : 0);
  dJointSetHingeParam(hinge, dParamFMax, std::fabs(torque));
}

// --- Engine and drive line ---

static void automatic_shifting(Bike* bike) {
  if (!bike->tuning.auto_shift) return;
  if (dJointGetHingeAngle(bike->joints[JOINT_SWINGARM]) >= -0.01) return;
  if (physics_tick() % 32 != 0) return;
  if (wheel_sliding(bike, WHEEL_REAR)) return;
  float wheel_rate = (float)dJointGetHingeAngleRate(bike->joints[JOINT_REAR_AXLE]);
  float rpm = wheel_rate * bike_reduction(bike) * (float)RPM_PER_RAD_S;
  if (rpm < bike->model.shift_down_rpm) {
    set_gear(bike, bike->gear - 1);
  } else if (rpm > bike->model.shift_up_rpm) {
    set_gear(bike, bike->gear + 1);
  }
}

static float table_torque(const float* table, int i, int j, float f) {
  return table[i] + f * (table[j] - table[i]);
}

static float engine_torque(Bike* bike, float rpm) {
  const BikeModel* m = &bike->model;
  // A speed that is not a number (a blown-up body) reads the first entry
  // rather than an index far outside the tables.
  float p = rpm * 0.002f;
  p = p > 0 ? clampf(p, 0, TORQUE_POINT_COUNT - 1) : 0;
  int i = (int)std::floor(p);
  float f = p - i;
  int j = i + 1 < TORQUE_POINT_COUNT ? i + 1 : TORQUE_POINT_COUNT - 1;
  float closed = table_torque(m->closed_torque, i, j, f);
  float full = table_torque(m->full_torque, i, j, f);
  float torque = closed + bike->controls.throttle * (full - closed);
  if (torque > 0 && bike->tuning.stop_wheelies_throttle && !wheel_touching(bike, WHEEL_FRONT) &&
      wheel_touching(bike, WHEEL_REAR)) {
    const dReal* w = dBodyGetAngularVel(bike->bodies[BIKE_FRAME]);
    dVector3 local;
    dBodyVectorFromWorld(bike->bodies[BIKE_FRAME], w[0], w[1], w[2], local);
    if (local[0] > -0.03125) torque = 0;
  }
  return torque;
}

static void drive_line(Bike* bike) {
  const BikeModel* m = &bike->model;
  float rpm = engine_rpm(bike);
  float torque = engine_torque(bike, rpm);

  float lever = bike->controls.clutch;
  float auto_rpm = bike->tuning.auto_clutch_rpm;
  float engagement = rpm > auto_rpm + 2000 ? lever : std::fmin(clampf((rpm - auto_rpm) / 2000, 0, 1), lever);

  float reduction = bike_reduction(bike);
  dJointID axle = bike->joints[JOINT_REAR_AXLE];
  float wheel_angle = (float)dJointGetHingeAngle(axle);
  float wheel_rate = (float)dJointGetHingeAngleRate(axle);
  float windup = bike->crank_angle - wheel_angle;
  if (windup > PI) {
    windup -= 2 * PI;
  } else if (windup < -PI) {
    windup += 2 * PI;
  }
  float spring = clampf((bike->engine_speed - wheel_rate * reduction) * m->drive_damping, -500, 500) +
                 windup * m->drive_stiffness;
  // Engine braking is not limited by the automatic clutch.
  float c = spring >= 0 ? engagement : lever;
  spring = clampf(spring, -1000000, 1000000);
  // The clutch slips beyond a quarter turn of windup times the engagement.
  float slip = c * PI / 4;
  if (windup > slip) {
    bike->crank_angle = wheel_angle + slip;
  } else if (windup < -slip) {
    bike->crank_angle = wheel_angle - slip;
  }
  float drive = c * c * spring;
  dBodyAddRelTorque(bike->bodies[BIKE_REAR_WHEEL], -drive, 0, 0);
  dBodyAddRelTorque(bike->bodies[BIKE_FRAME], drive, 0, 0);

  bike->engine_speed += STEP * (torque - drive / reduction) / m->engine_inertia;
  bike->crank_angle = wrap_angle(bike->crank_angle + STEP * bike->engine_speed / reduction);
}

// A motor with zero target speed and limited torque is a brake that can
// lock the wheel.
static void brakes(Bike* bike) {
  const BikeTuning* t = &bike->tuning;
  float front = t->front_brake_torque * bike->controls.front_brake;
  if (t->front_antilock && wheel_sliding(bike, WHEEL_FRONT)) front = 0;
  if (t->stop_wheelies_front_brake && wheel_touching(bike, WHEEL_FRONT) && !wheel_touching(bike, WHEEL_REAR))
    front = 0;
  dJointSetHingeParam(bike->joints[JOINT_FRONT_AXLE], dParamVel, 0);
  dJointSetHingeParam(bike->joints[JOINT_FRONT_AXLE], dParamFMax, front);

  float rear = t->rear_brake_torque * bike->controls.rear_brake;
  if (t->rear_antilock && wheel_sliding(bike, WHEEL_REAR)) rear = 0;
  dJointSetHingeParam(bike->joints[JOINT_REAR_AXLE], dParamVel, 0);
  dJointSetHingeParam(bike->joints[JOINT_REAR_AXLE], dParamFMax, rear);
}

// --- The step ---

static void crash_flag_and_collision(Bike* bike) {
  if (bike->crash_flag == 0 && (physics_tick() - physics_start_tick()) * PHYSICS_STEP > 2) {
    const dReal* v = dBodyGetLinearVel(bike->bodies[BIKE_FRAME]);
    if (v[0] * v[0] + v[1] * v[1] + v[2] * v[2] < 25) bike->crash_flag = 1;
  }
  if (bike->collision > 1) {
    bike->collision -= 1;
  } else if (bike->collision < -1) {
    bike->collision += 1;
  } else {
    bike->collision = 0;
  }
}

void bike_step(Bike* bike) {
  if (!bike_simulated(bike)) return;
  crash_flag_and_collision(bike);
  // Inputs the rider's stop-and-hold may override for this tick only.
  float sit_dab = bike->controls.sit_dab;
  float front_brake = bike->controls.front_brake;
  float rear_brake = bike->controls.rear_brake;
  fork_step(bike);
  shock_step(bike);
  automatic_shifting(bike);
  drive_line(bike);
  brakes(bike);
  cancel_joint_forces(bike);
  bike->controls.sit_dab = sit_dab;
  bike->controls.front_brake = front_brake;
  bike->controls.rear_brake = rear_brake;
}
