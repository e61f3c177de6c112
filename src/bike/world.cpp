// The shared ODE world and its joint group. No ODE collision is used: the
// bikes make their own contacts and feed them in as contact joints.
#include "bike/world.h"

#include "core/helpers.h"
#include "platform/kuvo.h"

struct PhysicsState {
  bool running;
  dWorldID world;
  dJointGroupID group;
  int tick;
  int start_tick;
};

static PhysicsState physics;

bool physics_precision_ok() {
  static_assert(sizeof(dReal) == sizeof(double), "ODE headers must be double precision");
  return dCheckConfiguration("ODE_double_precision") != 0;
}

bool physics_init() {
  if (physics.running) return true;
  if (!dInitODE2(0)) {
    show_message("The physics library could not be initialised.");
    return false;
  }
  if (!physics_precision_ok()) {
    show_message("The physics library is not built with double precision; it cannot run the bikes.");
    kuvo_log("ODE configuration: %.900s\n", dGetConfiguration());
    dCloseODE();
    return false;
  }
  physics.world = dWorldCreate();
  dWorldSetGravity(physics.world, 0, PHYSICS_GRAVITY, 0);
  physics.group = dJointGroupCreate(0);
  physics.tick = 0;
  physics.start_tick = 0;
  physics.running = true;
  return true;
}

void physics_shutdown() {
  if (!physics.running) return;
  dJointGroupDestroy(physics.group);
  dWorldDestroy(physics.world);
  dCloseODE();
  physics = PhysicsState{};
}

bool physics_running() { return physics.running; }

dWorldID physics_world() { return physics.world; }

dJointGroupID physics_joint_group() { return physics.group; }

void physics_step() {
  dWorldStep(physics.world, PHYSICS_STEP);
  dJointGroupEmpty(physics.group);
}

void physics_set_clock(int tick, int start_tick) {
  physics.tick = tick;
  physics.start_tick = start_tick;
}

int physics_tick() { return physics.tick; }

int physics_start_tick() { return physics.start_tick; }
