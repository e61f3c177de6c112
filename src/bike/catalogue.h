// The compiled-in bike catalogue: 45 models with their shared geometry,
// per-model masses, springs, gearing and torque tables, asset names, the
// rider's posture points, the lookup with its fallback and the legacy aliases.
#pragma once

// Unit conversions used wherever a simulated value is shown to the rider.
constexpr double RPM_PER_RAD_S = 9.549296585513721;
constexpr double KG_MM_PER_LBF_FT = 0.0014881639448175144;
constexpr double MM_PER_FT = 304.8;

enum {
  BIKE_MODEL_COUNT = 45,
  BIKE_GEAR_COUNT = 6,
  TORQUE_POINT_COUNT = 50,  // one point per 500 rpm, index 0 = 0 rpm
  RIDER_BONE_COUNT = 9,
};

// The 23 asset names every model carries, in this order.
enum BikeAsset {
  BIKE_ASSET_FRAME_MODEL,
  BIKE_ASSET_FRAME_SHAPE,
  BIKE_ASSET_BIKE_TEXTURE,
  BIKE_ASSET_FORK_UPPER_MODEL,
  BIKE_ASSET_FORK_UPPER_SHAPE,
  BIKE_ASSET_FORK_LOWER_MODEL,
  BIKE_ASSET_FORK_LOWER_SHAPE,
  BIKE_ASSET_SWINGARM_MODEL,
  BIKE_ASSET_SWINGARM_SHAPE,
  BIKE_ASSET_FRONT_WHEEL_MODEL,
  BIKE_ASSET_FRONT_WHEEL_SHAPE,
  BIKE_ASSET_REAR_WHEEL_MODEL,
  BIKE_ASSET_REAR_WHEEL_SHAPE,
  BIKE_ASSET_WHEEL_TEXTURE,
  BIKE_ASSET_RIDER_HEAD_MODEL,
  BIKE_ASSET_RIDER_HEAD_TEXTURE,
  BIKE_ASSET_RIDER_BODY_MODEL,
  BIKE_ASSET_RIDER_BODY_FP_MODEL,
  BIKE_ASSET_RIDER_SHAPE,
  BIKE_ASSET_RIDER_BODY_TEXTURE,
  BIKE_ASSET_SIDE_PLATES_MODEL,
  BIKE_ASSET_FRONT_PLATE_MODEL,
  BIKE_ASSET_RIDER_PLATE_MODEL,
  BIKE_ASSET_COUNT
};

// Left point first, right second, for every paired posture point.
enum { RIDER_LEFT = 0, RIDER_RIGHT = 1 };

// One catalogue model. Lengths in ft, masses in slugs, spring rates in
// lbf/ft, damping in lbf*s/ft, torque in lbf*ft, angles in radians.
// Positions are rest positions of body centres in the bike's build frame:
// y up, x lateral (x = 0 is the centre plane), front towards -z.
struct BikeModel {
  const char* name;         // used in setup files and menus
  const char* sound_class;  // "450f", "250f", "250", "125" or "50"
  float front_wheel_pos[3];
  float front_wheel_radius;  // axle to tyre-section centre (torus major radius)
  float front_tire_radius;   // tyre section (torus minor radius)
  float front_tire_mass;
  float front_hub_radius;    // hub sphere used for inertia
  float front_hub_mass;
  float rear_wheel_pos[3];
  float rear_wheel_radius;
  float rear_tire_radius;
  float rear_tire_mass;
  float rear_hub_radius;
  float rear_hub_mass;
  float frame_pos[3];
  float frame_mass;  // without the rider
  float frame_size[3];
  float fork_upper_pos[3];  // also the steering-axis anchor
  float swingarm_pos[3];
  float swingarm_pivot[3];
  float fork_lower_pos[3];
  float fork_width;
  float fork_length;
  float fork_mass;  // each of the upper and lower fork bodies
  float fork_spring_min, fork_spring_max;  // both legs together
  float fork_preload_min, fork_preload_max;
  float fork_air_min, fork_air_max;  // air column; more oil, shorter column
  float fork_compression_base;       // at the middle setting
  float fork_rebound_base;
  float fork_travel;
  float swingarm_arm_mass;  // each of the two arms
  float shock_spring_min, shock_spring_max;
  float shock_preload_min, shock_preload_max;
  float shock_compression_base;
  float shock_rebound_base;
  float swingarm_travel;  // full extension to full compression
  float shock_ratio_start, shock_ratio_end;  // shock travel per radian of swing arm
  float primary_ratio;
  float front_sprocket, rear_sprocket;  // stock teeth
  float gear_ratios[BIKE_GEAR_COUNT];   // <= 0: the gear does not exist
  float engine_inertia;                 // slug*ft^2
  float drive_stiffness;                // lbf*ft/rad
  float drive_damping;
  float closed_torque[TORQUE_POINT_COUNT];  // throttle closed, 0 ... 24500 rpm
  float full_torque[TORQUE_POINT_COUNT];    // throttle fully open
  float shift_down_rpm, shift_up_rpm;       // automatic shifting thresholds
  float rider_pos[3];
  float rider_mass;  // the whole rider
  const char* asset_prefix;  // the art this model's per-model assets are named after
  const char* assets[BIKE_ASSET_COUNT];  // data names, each beginning with "@"
  // Rider posture: neck, shoulders and hips in rider body coordinates,
  // grips in upper fork coordinates, pegs in frame coordinates.
  float neck[3];
  float shoulders[2][3];
  float hips[2][3];
  float grips[2][3];
  float pegs[2][3];
  float upper_arm_length, forearm_length, thigh_length, shin_length;
  // Rest-pose centres of the rider model's nine bones (shared by all models).
  const float (*rest_bone_centres)[3];
};

// The nine rest-pose bone centres in rider model coordinates: forearms,
// upper arms, shins, thighs (left, right each) and the torso.
extern const float rider_rest_bone_centres[RIDER_BONE_COUNT][3];

// Builds the catalogue; the lookups below call it on first use, so calling
// it at start-up only moves the work there.
void bike_catalogue_init();

int bike_model_count();
// Catalogue order, 0 ... BIKE_MODEL_COUNT - 1.
const BikeModel* bike_model_at(int index);
const char* bike_model_name(int index);
// The model's catalogue position, -1 for a record not in the catalogue.
int bike_model_index(const BikeModel* model);

// Exact, case-sensitive name match; null when no model has that name.
const BikeModel* find_bike_model(const char* name);
// As find_bike_model, but never null: an unknown name falls back to the
// first model whose name contains "125" (when the name does) or "250f",
// else the first model, and says so on the message line.
const BikeModel* resolve_bike_model(const char* name);

// Legacy and short bike names (robot roster, old demos) mapped to catalogue
// names; any other name comes back unchanged.
const char* bike_alias(const char* name);

// The gear a request lands on: clamped to 0-5, then walked down past gears
// the model does not have.
int walk_down_gear(const BikeModel* model, int gear);
