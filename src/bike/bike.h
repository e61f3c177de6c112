// One participant's bike and rider: seven ODE bodies joined by six joints,
// the assets they are drawn and collided with, the rider's inputs and
// tuning, the engine and drive-line state, the physics activity that
// switches a bike between simulated and state-driven, and the bike step.
#pragma once
#include <ode/ode.h>

#include <cstdint>

#include "bike/catalogue.h"
#include "bike/setup.h"

struct Mesh;
struct Shape;

// Body order is part of the recorded bike state: body 0 is the bike's
// position, body 6 the rider.
enum BikeBody {
  BIKE_FRAME,
  BIKE_FRONT_WHEEL,
  BIKE_REAR_WHEEL,
  BIKE_FORK_UPPER,
  BIKE_FORK_LOWER,
  BIKE_SWINGARM,
  BIKE_RIDER,
  BIKE_BODY_COUNT
};

// Joint order is part of the recorded bike state too (joints 0-4).
enum BikeJoint {
  JOINT_FRONT_AXLE,   // hinge fork_lower - front_wheel; front brake
  JOINT_REAR_AXLE,    // hinge swingarm - rear_wheel; rear brake
  JOINT_STEERING,     // hinge fork_upper - frame
  JOINT_FORK_SLIDE,   // slider fork_upper - fork_lower; fork spring
  JOINT_SWINGARM,     // hinge swingarm - frame; shock
  JOINT_RIDER_MOUNT,  // hinge2 rider - frame; detached while crashed
  BIKE_JOINT_COUNT
};

enum { WHEEL_FRONT = 0, WHEEL_REAR = 1 };

// The models a bike is drawn with, by texture group.
enum BikeMesh {
  BIKE_MESH_FRAME,
  BIKE_MESH_SIDE_PLATES,
  BIKE_MESH_FORK_UPPER,
  BIKE_MESH_FRONT_PLATE,
  BIKE_MESH_FORK_LOWER,
  BIKE_MESH_SWINGARM,
  BIKE_MESH_FRONT_WHEEL,
  BIKE_MESH_REAR_WHEEL,
  BIKE_MESH_RIDER_PLATE,
  BIKE_MESH_RIDER_BODY,
  BIKE_MESH_RIDER_BODY_FP,
  BIKE_MESH_RIDER_HEAD,
  BIKE_MESH_COUNT
};

enum BikeSkin { BIKE_SKIN_BIKE, BIKE_SKIN_WHEELS, BIKE_SKIN_RIDER, BIKE_SKIN_HEAD, BIKE_SKIN_COUNT };

enum {
  BIKE_NO_SLOT = 160,
  BIKE_NUMBER_SIZE = 8,  // 7 characters
  RIDER_VELOCITY_TICKS = 4,
};

// Activity at or below this: bodies disabled, pose taken from states.
constexpr float BIKE_STATE_DRIVEN_ACTIVITY = 0.25f;

// One tick's rider inputs (robots and recorded or received states fill the
// same record).
struct BikeControls {
  float steer;        // -1 ... 1
  float throttle;     // 0 ... 1
  float front_brake;  // 0 ... 1
  float rear_brake;   // 0 ... 1
  int32_t shift;      // -1, 0, +1; acts on changes only
  float clutch;       // 0 ... 1, 1 = engaged
  float sit_dab;      // 0 ... 1
  float back_up;      // 0 ... 1
  float lean;         // -1 ... 1, forward positive
};

// Where a wheel touches something this tick; depth 0 = not touching. The
// contact code fills it before the world step.
struct WheelContact {
  float point[3];
  float velocity[3];  // of the wheel body at the point
  float normal[3];
  float depth;
  dJointFeedback feedback;
};

struct BikeWheel {
  dBodyID body;
  float axle[3];      // body coordinates
  float radius;       // torus major radius
  float tire_radius;  // torus minor radius
  WheelContact contact;
};

// What the renderer and the contacts need of a bike's assets. Meshes are
// owned by the model cache (null when missing); textures are the names the
// texture cache loads; shapes are the bike's own copies (null: no shape,
// no contacts for that body).
struct BikeAssets {
  Mesh* meshes[BIKE_MESH_COUNT];
  const char* textures[BIKE_SKIN_COUNT];  // interned names
  float number_background[3];             // default white
  float number_foreground[3];             // default black
  unsigned number_texture;                // made by the renderer, 0 = none
  Shape* shapes[BIKE_BODY_COUNT];
};

struct Bike {
  BikeModel model;  // own copy of the catalogue entry
  int slot;
  char number[BIKE_NUMBER_SIZE];
  BikeAssets assets;

  dBodyID bodies[BIKE_BODY_COUNT];
  dJointID joints[BIKE_JOINT_COUNT];
  dJointFeedback feedback[BIKE_JOINT_COUNT];
  BikeWheel wheels[2];
  float total_mass;  // of the seven bodies, fixed at creation
  float activity;    // 0 ... 1; above 0.25 simulated

  BikeTuning tuning;
  BikeControls controls;

  // Engine and drive line.
  float engine_speed;  // crankshaft, rad/s
  float crank_angle;   // engine side of the drive line, at the rear wheel, -pi ... pi
  int32_t gear;        // 0 = first gear; no neutral
  int32_t last_shift;  // shift control seen last

  // Contact and crash bookkeeping shared with the contact and rider code.
  int32_t crash_flag;  // 1 once the bike has crashed or stalled in this race
  float collision;     // bike-to-bike collision value, decays towards 0
  int32_t last_bike_contact_tick;
  int32_t first_bike_contact_tick;  // -1 until the first bike contact
  int32_t crash_counter;            // > 0 while the rider is down
  int32_t crash_count;
  float foot_down;                  // 0 ... 1
  float lean_indicator;             // 0 ... 1
  float landing_damping;            // multiplier of the roll damping
  float rider_velocity[RIDER_VELOCITY_TICKS][3];  // slot = tick mod 4
  float limb_points[2][3];
  float limb_velocities[2][3];
};

// Resolves the model (with its fallback), loads its assets with the given
// texture variants (null, "" or "default": the model's own), builds the
// bodies and joints in the physics world, gives it the tuning of a new bike
// and puts it in its rest pose. Needs physics_init.
Bike* create_bike(const char* model_name, int slot, const char* number, const char* rider_texture,
                  const char* head_texture, const char* bike_texture, const char* wheel_texture);
void destroy_bike(Bike* bike);

// Rest pose, cleared inputs and engine, simulated, rider on the mount.
void reset_bike(Bike* bike);
// Shifts every body, e.g. onto the bike's gate position.
void move_bike(Bike* bike, double dx, double dy, double dz);

// Physics activity changes.
void activate_bike(Bike* bike);
void deactivate_bike(Bike* bike);
// A simulated bike hit this state-driven one.
void touch_bike(Bike* bike);
// Every tick for state-driven bikes of other players.
void fade_bike(Bike* bike);
bool bike_simulated(const Bike* bike);

// Applies minus the net force and torque the bike's joints put on it in
// the last world step to the frame, so the joints cannot push the bike as
// a whole. Nothing while the rider is off the mount or before tick 2.
void cancel_joint_forces(Bike* bike);

// Rider mass share carried by the rider body (clamped 0.33-0.5): the frame
// and rider masses change together, the total stays.
void set_bike_mass_distribution(Bike* bike, float share);
// Converts and applies a setup (refused while the bike moves; see
// apply_setup_tuning), then moves the rider's mass. True when applied.
bool apply_setup(Bike* bike, const BikeSetup* setup);

// Stores one tick's inputs: clamped, the crashed rules applied, and a
// change of the shift control passed to shift.
void set_controls(Bike* bike, const BikeControls* controls);

// Per-tick entry after the world step; the forces it sets act in the next.
void bike_step(Bike* bike);
// Gear request from the shift control; acts on changes of the value only.
void shift(Bike* bike, int direction);
// Clamped to 0-5, walked down to a gear the model has.
void set_gear(Bike* bike, int index);
float engine_rpm(const Bike* bike);

// Overall reduction crankshaft to rear wheel in the current gear.
float bike_reduction(const Bike* bike);
bool wheel_touching(const Bike* bike, int wheel);
