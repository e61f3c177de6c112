// The shared physics world: ODE start-up and shutdown, the one joint group
// for contacts and per-tick helper joints, the fixed world step, and the
// race clock the bike step reads.
#pragma once
#include <ode/ode.h>

// One simulation tick.
constexpr double PHYSICS_STEP = 1.0 / 128.0;
constexpr double PHYSICS_GRAVITY = -32.0;  // ft/s^2 along y

// True when the ODE library in use was built with double precision.
bool physics_precision_ok();
// Start-up step: initialises ODE, refuses (message, false) a library that is
// not double precision, creates the world with its gravity and the joint
// group. Calling it again while running is a no-op.
bool physics_init();
// Destroys the group and the world and closes ODE. Bikes must be gone.
void physics_shutdown();
bool physics_running();

dWorldID physics_world();
dJointGroupID physics_joint_group();

// One world step of PHYSICS_STEP with the exact stepper, then the joint
// group is emptied.
void physics_step();

// Race control hands the bike step its clock before the bikes step.
void physics_set_clock(int tick, int start_tick);
int physics_tick();
int physics_start_tick();
