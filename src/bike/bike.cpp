// Bike assembly: assets, bodies, masses and joints of one bike, its rest
// pose, physics activity, rider mass split and the net joint force rule.
#include "bike/bike.h"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "assets/image.h"
#include "assets/model.h"
#include "assets/shape.h"
#include "bike/world.h"
#include "core/helpers.h"
#include "platform/kuvo.h"

// A far anchor lets the rider body move only in the bike's plane: rotating
// about the lateral axis 50 ft ahead is nearly vertical travel at the seat.
constexpr double RIDER_MOUNT_AHEAD = -50.0;

static void set_vector(float to[3], const float from[3]) {
  to[0] = from[0];
  to[1] = from[1];
  to[2] = from[2];
}

// Composite masses are symmetric about the body origin; only rounding
// leaves a centre offset, which ODE would refuse.
static void centre_mass(dMass* mass) {
  assert(std::fabs(mass->c[0]) < 1e-9 && std::fabs(mass->c[1]) < 1e-9 &&
           std::fabs(mass->c[2]) < 1e-9);
  mass->c[0] = mass->c[1] = mass->c[2] = 0;
}

static void wheel_mass(dMass* mass, float hub_mass, float hub_radius, float tire_mass,
                       float tire_radius, float wheel_radius) {
  dMassSetSphereTotal(mass, hub_mass, hub_radius);
  for (int k = 0; k < 16; ++k) {
    dMass ring;
    dMassSetSphereTotal(&ring, tire_mass / 16, tire_radius);
    dMassTranslate(&ring, 0, wheel_radius, 0);
    dMatrix3 rotation;
    dRFromAxisAndAngle(rotation, 1, 0, 0, k * (M_PI / 8));
    dMassRotate(&ring, rotation);
    dMassAdd(mass, &ring);
  }
  centre_mass(mass);
}

static void fork_mass(dMass* mass, const BikeModel* model) {
  dMass legs[2];
  for (int side = 0; side < 2; ++side) {
    dMassSetCylinderTotal(&legs[side], model->fork_mass / 2, 2, model->fork_width / 8,
                          model->fork_length * 2 / 3);
    dMassTranslate(&legs[side], side == 0 ? model->fork_width / 2 : -model->fork_width / 2, 0, 0);
  }
  *mass = legs[0];
  dMassAdd(mass, &legs[1]);
  double dy = model->fork_lower_pos[1] - model->fork_upper_pos[1];
  double dz = model->fork_lower_pos[2] - model->fork_upper_pos[2];
  dMatrix3 rotation;
  dRFromAxisAndAngle(rotation, 1, 0, 0, std::atan(dz / dy));
  dMassRotate(mass, rotation);
  centre_mass(mass);
}

static void swingarm_mass(dMass* mass, const BikeModel* model) {
  double dx = model->rear_wheel_pos[0] - model->swingarm_pivot[0];
  double dy = model->rear_wheel_pos[1] - model->swingarm_pivot[1];
  double dz = model->rear_wheel_pos[2] - model->swingarm_pivot[2];
  double length = std::sqrt(dx * dx + dy * dy + dz * dz);
  double side = model->frame_size[0] / 4;
  dMass arms[2];
  for (int k = 0; k < 2; ++k) {
    dMassSetBoxTotal(&arms[k], model->swingarm_arm_mass, side, side, length);
    dMassTranslate(&arms[k], k == 0 ? model->frame_size[0] / 2 : -model->frame_size[0] / 2, 0, 0);
  }
  *mass = arms[0];
  dMassAdd(mass, &arms[1]);
  dMatrix3 rotation;
  dRFromAxisAndAngle(rotation, 1, 0, 0, -std::atan(dy / dz));
  dMassRotate(mass, rotation);
  centre_mass(mass);
}

static void set_rider_masses(Bike* bike, float share) {
  RiderMassSplit split = rider_mass_split(&bike->model, share);
  dMass frame, rider;
  dMassSetBoxTotal(&frame, split.frame_mass, split.frame_size[0], split.frame_size[1],
                   split.frame_size[2]);
  dMassSetSphereTotal(&rider, split.rider_mass, split.rider_radius);
  dBodySetMass(bike->bodies[BIKE_FRAME], &frame);
  dBodySetMass(bike->bodies[BIKE_RIDER], &rider);
}

void set_bike_mass_distribution(Bike* bike, float share) {
  set_rider_mass_distribution(&bike->tuning, share);
  set_rider_masses(bike, bike->tuning.rider_mass_distribution);
}

bool apply_setup(Bike* bike, const BikeSetup* setup) {
  const dReal* v = dBodyGetLinearVel(bike->bodies[BIKE_FRAME]);
  float speed = (float)std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
  if (!apply_setup_tuning(&bike->tuning, &bike->model, setup, speed, game_clock)) return false;
  set_rider_masses(bike, bike->tuning.rider_mass_distribution);
  return true;
}

// --- Assets ---

struct SkinGroup {
  BikeSkin skin;
  int default_texture;  // BikeAsset of the model's own texture
  BikeMesh key;         // the group falls back when this one is missing
  BikeMesh second_key;  // either wheel counts; same as key otherwise
  int mesh_count;
  BikeMesh meshes[6];
};

static const SkinGroup skin_groups[BIKE_SKIN_COUNT] = {
    {BIKE_SKIN_BIKE, BIKE_ASSET_BIKE_TEXTURE, BIKE_MESH_FRAME, BIKE_MESH_FRAME, 6,
     {BIKE_MESH_FRAME, BIKE_MESH_SIDE_PLATES, BIKE_MESH_FORK_UPPER, BIKE_MESH_FRONT_PLATE,
      BIKE_MESH_FORK_LOWER, BIKE_MESH_SWINGARM}},
    {BIKE_SKIN_WHEELS, BIKE_ASSET_WHEEL_TEXTURE, BIKE_MESH_FRONT_WHEEL, BIKE_MESH_REAR_WHEEL, 2,
     {BIKE_MESH_FRONT_WHEEL, BIKE_MESH_REAR_WHEEL}},
    {BIKE_SKIN_RIDER, BIKE_ASSET_RIDER_BODY_TEXTURE, BIKE_MESH_RIDER_BODY, BIKE_MESH_RIDER_BODY, 3,
     {BIKE_MESH_RIDER_PLATE, BIKE_MESH_RIDER_BODY, BIKE_MESH_RIDER_BODY_FP}},
    {BIKE_SKIN_HEAD, BIKE_ASSET_RIDER_HEAD_TEXTURE, BIKE_MESH_RIDER_HEAD, BIKE_MESH_RIDER_HEAD, 1,
     {BIKE_MESH_RIDER_HEAD}},
};

// Model asset of each mesh, and whether a missing one is reported.
static const struct {
  int asset;
  bool warn;
} mesh_assets[BIKE_MESH_COUNT] = {
    {BIKE_ASSET_FRAME_MODEL, true},       {BIKE_ASSET_SIDE_PLATES_MODEL, true},
    {BIKE_ASSET_FORK_UPPER_MODEL, true},  {BIKE_ASSET_FRONT_PLATE_MODEL, true},
    {BIKE_ASSET_FORK_LOWER_MODEL, true},  {BIKE_ASSET_SWINGARM_MODEL, true},
    {BIKE_ASSET_FRONT_WHEEL_MODEL, true}, {BIKE_ASSET_REAR_WHEEL_MODEL, true},
    {BIKE_ASSET_RIDER_PLATE_MODEL, false}, {BIKE_ASSET_RIDER_BODY_MODEL, true},
    {BIKE_ASSET_RIDER_BODY_FP_MODEL, false}, {BIKE_ASSET_RIDER_HEAD_MODEL, true},
};

static const int body_shapes[BIKE_BODY_COUNT] = {
    BIKE_ASSET_FRAME_SHAPE,      BIKE_ASSET_FRONT_WHEEL_SHAPE, BIKE_ASSET_REAR_WHEEL_SHAPE,
    BIKE_ASSET_FORK_UPPER_SHAPE, BIKE_ASSET_FORK_LOWER_SHAPE,  BIKE_ASSET_SWINGARM_SHAPE,
    BIKE_ASSET_RIDER_SHAPE,
};

static bool default_texture_name(const char* texture) {
  return !texture || !texture[0] || std::strcmp(texture, "default") == 0;
}

// The texture's file loads as a picture or sequence (following links a
// few levels); its options text is handed back (xmalloc'd or null) when
// asked for.
static bool texture_loads(const char* name, char** options) {
  char target[1024];
  for (int depth = 0; depth < 4; ++depth) {
    ImageFile file;
    if (!read_image_file(name, true, &file)) return false;
    bool link = file.kind == IMAGE_FILE_LINK;
    if (link) std::snprintf(target, sizeof target, "%s", file.link);
    if (!link && options && file.options) *options = xstrdup(file.options);
    image_file_free(&file);
    if (!link) return true;
    name = target;
  }
  return false;
}

static void read_colour(const char* options, const char* tag, float colour[3]) {
  const char* at = options ? std::strstr(options, tag) : nullptr;
  if (!at) return;
  float rgb[3];
  if (std::sscanf(at + std::strlen(tag), "%f,%f,%f", &rgb[0], &rgb[1], &rgb[2]) != 3) return;
  for (int k = 0; k < 3; ++k) colour[k] = std::isnan(rgb[k]) ? 0 : std::fmin(1, std::fmax(0, rgb[k]));
}

// Loads each model of one texture group, the variants of `texture` first;
// falls back to the model's own texture and plain models when the texture
// or the group's key model is missing.
static void load_skin_group(Bike* bike, const SkinGroup* group, const char* texture) {
  const char* fallback = bike->model.assets[group->default_texture];
  char* options = nullptr;
  bool want_options = group->skin == BIKE_SKIN_BIKE;
  bool loaded = false;
  if (!default_texture_name(texture)) {
    loaded = texture_loads(texture, want_options ? &options : nullptr);
    if (!loaded) kuvo_log("Warning: Can't load %.900s\n", texture);
  }
  if (loaded) {
    for (int k = 0; k < group->mesh_count; ++k) {
      BikeMesh mesh = group->meshes[k];
      bike->assets.meshes[mesh] = load_model_for_skin(bike->model.assets[mesh_assets[mesh].asset],
                                                      texture, mesh_assets[mesh].warn);
    }
    loaded = bike->assets.meshes[group->key] && bike->assets.meshes[group->second_key];
  }
  if (!loaded) {
    std::free(options);
    options = nullptr;
    texture = fallback;
    // Only the bike texture's options matter here; the texture cache
    // reports a missing default when it loads it.
    if (want_options && !texture_loads(texture, &options)) kuvo_log("Warning: Can't load %.900s\n", texture);
    for (int k = 0; k < group->mesh_count; ++k) {
      BikeMesh mesh = group->meshes[k];
      const char* name = bike->model.assets[mesh_assets[mesh].asset];
      bike->assets.meshes[mesh] = load_model(name);
      if (!bike->assets.meshes[mesh] && mesh_assets[mesh].warn) kuvo_log("Warning: Can't load %.900s\n", name);
    }
  }
  bike->assets.textures[group->skin] = intern_string(texture);
  if (want_options) {
    read_colour(options, "[numberbackground:", bike->assets.number_background);
    read_colour(options, "[numberforeground:", bike->assets.number_foreground);
  }
  std::free(options);
}

static void load_bike_assets(Bike* bike, const char* textures[BIKE_SKIN_COUNT]) {
  for (int k = 0; k < 3; ++k) {
    bike->assets.number_background[k] = 1;
    bike->assets.number_foreground[k] = 0;
  }
  for (int g = 0; g < BIKE_SKIN_COUNT; ++g) load_skin_group(bike, &skin_groups[g], textures[g]);
  for (int b = 0; b < BIKE_BODY_COUNT; ++b) {
    const char* name = bike->model.assets[body_shapes[b]];
    const Shape* shape = load_shape(name);
    if (shape) {
      bike->assets.shapes[b] = copy_shape(shape);
    } else {
      kuvo_log("Warning: Can't load %.900s\n", name);
    }
  }
}

// --- Bodies and joints ---

static void model_position(const Bike* bike, int body, double position[3]) {
  const BikeModel* m = &bike->model;
  const float* p = nullptr;
  switch (body) {
    case BIKE_FRAME: p = m->frame_pos; break;
    case BIKE_FRONT_WHEEL: p = m->front_wheel_pos; break;
    case BIKE_REAR_WHEEL: p = m->rear_wheel_pos; break;
    case BIKE_FORK_UPPER: p = m->fork_upper_pos; break;
    case BIKE_FORK_LOWER: p = m->fork_lower_pos; break;
    case BIKE_SWINGARM: p = m->swingarm_pos; break;
    default: p = m->rider_pos; break;
  }
  for (int k = 0; k < 3; ++k) position[k] = p[k];
}

// The mount's anchor for the frame where it stands now.
static void attach_rider_mount(Bike* bike) {
  const BikeModel* m = &bike->model;
  dJointID mount = bike->joints[JOINT_RIDER_MOUNT];
  dBodyID frame = bike->bodies[BIKE_FRAME];
  dJointAttach(mount, bike->bodies[BIKE_RIDER], frame);
  dVector3 anchor, axis1, axis2;
  dBodyGetRelPointPos(frame, 0 - m->frame_pos[0], m->rider_pos[1] - m->frame_pos[1],
                      RIDER_MOUNT_AHEAD - m->frame_pos[2], anchor);
  dBodyVectorToWorld(frame, 0, 1, 1, axis1);
  dBodyVectorToWorld(frame, 1, 0, 0, axis2);
  dJointSetHinge2Anchor(mount, anchor[0], anchor[1], anchor[2]);
  dJointSetHinge2Axes(mount, axis1, axis2);
  dJointSetHinge2Param(mount, dParamLoStop, 0);
  dJointSetHinge2Param(mount, dParamHiStop, 0);
}

static void create_bodies(Bike* bike) {
  const BikeModel* m = &bike->model;
  dWorldID world = physics_world();
  for (int b = 0; b < BIKE_BODY_COUNT; ++b) {
    bike->bodies[b] = dBodyCreate(world);
    double p[3];
    model_position(bike, b, p);
    dBodySetPosition(bike->bodies[b], p[0], p[1], p[2]);
  }
  dMass mass;
  wheel_mass(&mass, m->front_hub_mass, m->front_hub_radius, m->front_tire_mass, m->front_tire_radius,
             m->front_wheel_radius);
  dBodySetMass(bike->bodies[BIKE_FRONT_WHEEL], &mass);
  wheel_mass(&mass, m->rear_hub_mass, m->rear_hub_radius, m->rear_tire_mass, m->rear_tire_radius,
             m->rear_wheel_radius);
  dBodySetMass(bike->bodies[BIKE_REAR_WHEEL], &mass);
  fork_mass(&mass, m);
  dBodySetMass(bike->bodies[BIKE_FORK_UPPER], &mass);
  dBodySetMass(bike->bodies[BIKE_FORK_LOWER], &mass);
  swingarm_mass(&mass, m);
  dBodySetMass(bike->bodies[BIKE_SWINGARM], &mass);
  set_rider_masses(bike, bike->tuning.rider_mass_distribution);
  dBodySetFiniteRotationMode(bike->bodies[BIKE_FRONT_WHEEL], 1);
  dBodySetFiniteRotationMode(bike->bodies[BIKE_REAR_WHEEL], 1);

  bike->total_mass = 0;
  for (int b = 0; b < BIKE_BODY_COUNT; ++b) {
    dMass body_mass;
    dBodyGetMass(bike->bodies[b], &body_mass);
    bike->total_mass += (float)body_mass.mass;
  }

  static const float lateral[3] = {1, 0, 0};
  for (int w = 0; w < 2; ++w) {
    BikeWheel* wheel = &bike->wheels[w];
    wheel->body = bike->bodies[w == WHEEL_FRONT ? BIKE_FRONT_WHEEL : BIKE_REAR_WHEEL];
    set_vector(wheel->axle, lateral);
    wheel->radius = w == WHEEL_FRONT ? m->front_wheel_radius : m->rear_wheel_radius;
    wheel->tire_radius = w == WHEEL_FRONT ? m->front_tire_radius : m->rear_tire_radius;
  }
}

static void create_joints(Bike* bike) {
  const BikeModel* m = &bike->model;
  dWorldID world = physics_world();
  dBodyID* body = bike->bodies;
  double fork[3];
  for (int k = 0; k < 3; ++k) fork[k] = m->fork_upper_pos[k] - m->fork_lower_pos[k];

  dJointID j = dJointCreateHinge(world, 0);
  dJointAttach(j, body[BIKE_FORK_LOWER], body[BIKE_FRONT_WHEEL]);
  dJointSetHingeAnchor(j, m->front_wheel_pos[0], m->front_wheel_pos[1], m->front_wheel_pos[2]);
  dJointSetHingeAxis(j, 1, 0, 0);
  bike->joints[JOINT_FRONT_AXLE] = j;

  j = dJointCreateHinge(world, 0);
  dJointAttach(j, body[BIKE_SWINGARM], body[BIKE_REAR_WHEEL]);
  dJointSetHingeAnchor(j, m->rear_wheel_pos[0], m->rear_wheel_pos[1], m->rear_wheel_pos[2]);
  dJointSetHingeAxis(j, 1, 0, 0);
  bike->joints[JOINT_REAR_AXLE] = j;

  j = dJointCreateHinge(world, 0);
  dJointAttach(j, body[BIKE_FORK_UPPER], body[BIKE_FRAME]);
  dJointSetHingeAnchor(j, m->fork_upper_pos[0], m->fork_upper_pos[1], m->fork_upper_pos[2]);
  dJointSetHingeAxis(j, fork[0], fork[1], fork[2]);
  dJointSetHingeParam(j, dParamLoStop, -M_PI / 4);
  dJointSetHingeParam(j, dParamHiStop, M_PI / 4);
  bike->joints[JOINT_STEERING] = j;

  j = dJointCreateSlider(world, 0);
  dJointAttach(j, body[BIKE_FORK_UPPER], body[BIKE_FORK_LOWER]);
  dJointSetSliderAxis(j, fork[0], fork[1], fork[2]);
  dJointSetSliderParam(j, dParamBounce, 0);
  dJointSetSliderParam(j, dParamLoStop, -m->fork_travel);
  dJointSetSliderParam(j, dParamHiStop, 0);
  bike->joints[JOINT_FORK_SLIDE] = j;

  j = dJointCreateHinge(world, 0);
  dJointAttach(j, body[BIKE_SWINGARM], body[BIKE_FRAME]);
  dJointSetHingeAnchor(j, m->swingarm_pivot[0], m->swingarm_pivot[1], m->swingarm_pivot[2]);
  dJointSetHingeAxis(j, 1, 0, 0);
  dJointSetHingeParam(j, dParamBounce, 0);
  dJointSetHingeParam(j, dParamLoStop, -m->swingarm_travel);
  dJointSetHingeParam(j, dParamHiStop, 0);
  bike->joints[JOINT_SWINGARM] = j;

  bike->joints[JOINT_RIDER_MOUNT] = dJointCreateHinge2(world, 0);
  attach_rider_mount(bike);

  for (int k = 0; k < BIKE_JOINT_COUNT; ++k) dJointSetFeedback(bike->joints[k], &bike->feedback[k]);
}

Bike* create_bike(const char* model_name, int slot, const char* number, const char* rider_texture,
                  const char* head_texture, const char* bike_texture, const char* wheel_texture) {
  assert(physics_running());
  Bike* bike = (Bike*)xmalloc(sizeof(Bike));
  std::memset(bike, 0, sizeof *bike);
  bike->model = *resolve_bike_model(model_name ? model_name : "");
  bike->slot = slot;
  std::snprintf(bike->number, sizeof bike->number, "%s", number ? number : "");
  const char* textures[BIKE_SKIN_COUNT] = {bike_texture, wheel_texture, rider_texture, head_texture};
  load_bike_assets(bike, textures);
  init_bike_tuning(&bike->tuning, &bike->model);
  create_bodies(bike);
  create_joints(bike);
  reset_bike(bike);
  return bike;
}

void destroy_bike(Bike* bike) {
  if (!bike) return;
  for (int k = 0; k < BIKE_JOINT_COUNT; ++k) dJointDestroy(bike->joints[k]);
  for (int b = 0; b < BIKE_BODY_COUNT; ++b) dBodyDestroy(bike->bodies[b]);
  for (int b = 0; b < BIKE_BODY_COUNT; ++b) free_shape(bike->assets.shapes[b]);
  // The number plate texture is the renderer's; it deletes it with the bike.
  std::free(bike);
}

static void clear_accumulators(Bike* bike) {
  for (int b = 0; b < BIKE_BODY_COUNT; ++b) {
    dBodySetForce(bike->bodies[b], 0, 0, 0);
    dBodySetTorque(bike->bodies[b], 0, 0, 0);
  }
}

static void enable_bodies(Bike* bike, bool on) {
  for (int b = 0; b < BIKE_BODY_COUNT; ++b) {
    if (on) {
      dBodyEnable(bike->bodies[b]);
    } else {
      dBodyDisable(bike->bodies[b]);
    }
  }
}

void reset_bike(Bike* bike) {
  const BikeModel* m = &bike->model;
  dMatrix3 identity;
  dRSetIdentity(identity);
  for (int b = 0; b < BIKE_RIDER; ++b) {
    double p[3];
    model_position(bike, b, p);
    dBodySetPosition(bike->bodies[b], p[0], p[1], p[2]);
    dBodySetRotation(bike->bodies[b], identity);
  }
  dBodyID frame = bike->bodies[BIKE_FRAME];
  dBodyID rider = bike->bodies[BIKE_RIDER];
  dVector3 seat;
  dBodyGetRelPointPos(frame, m->rider_pos[0] - m->frame_pos[0], m->rider_pos[1] - m->frame_pos[1],
                      m->rider_pos[2] - m->frame_pos[2], seat);
  dBodySetPosition(rider, seat[0], seat[1], seat[2]);
  dBodySetRotation(rider, dBodyGetRotation(frame));
  for (int b = 0; b < BIKE_BODY_COUNT; ++b) {
    dBodySetLinearVel(bike->bodies[b], 0, 0, 0);
    dBodySetAngularVel(bike->bodies[b], 0, 0, 0);
  }
  clear_accumulators(bike);
  attach_rider_mount(bike);
  // Motors are set every step; none may act on the first step after a reset.
  dJointSetHingeParam(bike->joints[JOINT_FRONT_AXLE], dParamFMax, 0);
  dJointSetHingeParam(bike->joints[JOINT_REAR_AXLE], dParamFMax, 0);
  dJointSetSliderParam(bike->joints[JOINT_FORK_SLIDE], dParamFMax, 0);
  dJointSetHingeParam(bike->joints[JOINT_SWINGARM], dParamFMax, 0);

  std::memset(&bike->controls, 0, sizeof bike->controls);
  bike->gear = 0;
  bike->last_shift = 0;
  bike->engine_speed = 0;
  bike->crank_angle = 0;
  bike->crash_flag = 0;
  bike->crash_counter = 0;
  bike->collision = 0;
  bike->last_bike_contact_tick = -1;
  bike->first_bike_contact_tick = -1;
  bike->foot_down = 0;
  bike->lean_indicator = 0;
  bike->landing_damping = 1;
  std::memset(bike->rider_velocity, 0, sizeof bike->rider_velocity);
  std::memset(bike->feedback, 0, sizeof bike->feedback);
  for (int w = 0; w < 2; ++w) std::memset(&bike->wheels[w].contact, 0, sizeof bike->wheels[w].contact);
  bike->activity = 1;
  enable_bodies(bike, true);
}

void move_bike(Bike* bike, double dx, double dy, double dz) {
  for (int b = 0; b < BIKE_BODY_COUNT; ++b) {
    const dReal* p = dBodyGetPosition(bike->bodies[b]);
    dBodySetPosition(bike->bodies[b], p[0] + dx, p[1] + dy, p[2] + dz);
  }
}

// --- Physics activity ---

void activate_bike(Bike* bike) {
  if (bike->activity <= BIKE_STATE_DRIVEN_ACTIVITY) clear_accumulators(bike);
  bike->activity = 1;
  enable_bodies(bike, true);
}

void deactivate_bike(Bike* bike) {
  if (bike->activity <= BIKE_STATE_DRIVEN_ACTIVITY) clear_accumulators(bike);
  bike->activity = 0;
  enable_bodies(bike, false);
}

void touch_bike(Bike* bike) {
  if (bike->activity <= 0) {
    clear_accumulators(bike);
    bike->activity = 1;
    enable_bodies(bike, true);
  } else if (bike->activity <= BIKE_STATE_DRIVEN_ACTIVITY) {
    // Recently handed back to its states: keep it there until it has
    // been left alone for a while.
    clear_accumulators(bike);
    bike->activity = BIKE_STATE_DRIVEN_ACTIVITY;
    enable_bodies(bike, false);
  }
}

void fade_bike(Bike* bike) {
  if (bike->activity > 0) {
    if (bike->activity <= BIKE_STATE_DRIVEN_ACTIVITY) clear_accumulators(bike);
    bike->activity = std::fmin(1.0f, std::fmax(0.0f, bike->activity - (float)PHYSICS_STEP));
  }
  enable_bodies(bike, bike->activity > BIKE_STATE_DRIVEN_ACTIVITY);
}

bool bike_simulated(const Bike* bike) { return bike->activity > BIKE_STATE_DRIVEN_ACTIVITY; }

// --- Net joint force ---

void cancel_joint_forces(Bike* bike) {
  if (physics_tick() < 2 || bike->crash_counter > 0) return;
  const dReal* origin = dBodyGetPosition(bike->bodies[BIKE_FRAME]);
  double force[3] = {0, 0, 0};
  double torque[3] = {0, 0, 0};
  for (int k = 0; k < BIKE_JOINT_COUNT; ++k) {
    dBodyID b1 = dJointGetBody(bike->joints[k], 0);
    dBodyID b2 = dJointGetBody(bike->joints[k], 1);
    if (!b1 || !b2) return;
    const dJointFeedback* f = &bike->feedback[k];
    const dReal* p1 = dBodyGetPosition(b1);
    const dReal* p2 = dBodyGetPosition(b2);
    double r1[3] = {p1[0] - origin[0], p1[1] - origin[1], p1[2] - origin[2]};
    double r2[3] = {p2[0] - origin[0], p2[1] - origin[1], p2[2] - origin[2]};
    for (int i = 0; i < 3; ++i) {
      int a = (i + 1) % 3, c = (i + 2) % 3;
      force[i] += f->f1[i] + f->f2[i];
      torque[i] += f->t1[i] + f->t2[i] + (r1[a] * f->f1[c] - r1[c] * f->f1[a]) +
                   (r2[a] * f->f2[c] - r2[c] * f->f2[a]);
    }
  }
  dBodyAddForce(bike->bodies[BIKE_FRAME], -force[0], -force[1], -force[2]);
  dBodyAddTorque(bike->bodies[BIKE_FRAME], -torque[0], -torque[1], -torque[2]);
}
