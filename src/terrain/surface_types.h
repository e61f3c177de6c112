// Surface types: what each terrain tile is made of. The tileinfo and
// texturelist readers, the tileinfo writer, the transition keys the
// renderer blends with, and the friction and rolling-resistance tables the
// wheel contact evaluates.
#pragma once
#include <cstdint>

struct Stream;

enum {
  MAX_SURFACE_TYPES = 256,
  SURFACE_POINTS = 8,
  ROOST_EMITTERS = 4,
  ROOST_UNUSED = 0,
  ROOST_SPRAY = 1,
  ROOST_SPLASH = 2,
};

// Texture references are kept by name; the GL texture cache fills the ids.
struct RoostEmitter {
  int kind;
  const char* texture;  // interned name
  unsigned texture_id;
  float count;
  float dig;
  float slip_threshold;
  float slow_angle;  // radians
  float fast_angle;
  float slow_speed;  // wheel angular speeds, rad/s
  float fast_speed;
  float size;
  float grow;
  float drag;
  float velocity_scale;
  float randomize;
  uint8_t colour[4];  // r g b a
  int8_t fade[4];     // change per simulation step
};

struct ErosionParams {
  float erode_depth;
  float erode_lower;
  float erode_upper;
  float erode_displacement;
  float erode_radius;
  float erode_max_slope;
  float erode_off_speed;
  float erode_on_speed;
};

struct FrictionPoint {
  float value;  // friction coefficient
  float key;    // slip speed; 0 ends the table
};

struct RollResistPoint {
  float a, b;  // resisting force bounds
  float key;   // ground speed; 0 ends the table
};

struct SurfaceType {
  const char* texture;          // interned name as written, null = none
  unsigned texture_id;
  const char* transition_name;  // texture name without "@" and folders
  FrictionPoint friction[SURFACE_POINTS];
  RollResistPoint roll_resist[SURFACE_POINTS];
  RoostEmitter roost[ROOST_EMITTERS];
  ErosionParams erosion;
  int transition_key;  // i * 65536 + j * 256 + mask
};

void roost_emitter_defaults(RoostEmitter* emitter);
void erosion_defaults(ErosionParams* erosion);
// All defaults: friction 1.0 and rolling resistance 5..15 at every speed,
// four unused emitters, default erosion, no texture.
void surface_type_defaults(SurfaceType* type);

// Readers fill table[0 .. max-1] and return the number of types read.
// Bad lines warn through show_message and reading goes on.
int read_tileinfo(Stream* stream, SurfaceType* table, int max);
int read_texturelist(Stream* stream, SurfaceType* table, int max);
// Parses one roost argument into the emitter (its kind becomes 1 or 2).
void parse_roost_argument(const char* argument, RoostEmitter* emitter);
// Needs every type's transition name; run after reading.
void compute_transition_keys(SurfaceType* table, int count);

// Reads "tileinfo", else "texturelist", from the track folder ("@name").
// *table is xmalloc'd. Fails with a message when texturelist is missing or
// the file defines no surface type.
bool load_surface_types(const char* folder, SurfaceType** table, int* count);

// Writes types as tileinfo lines that read back to the same table (points
// in table order; entries after the first zero key are not written).
bool write_tileinfo(Stream* stream, const SurfaceType* table, int count);

// Friction coefficient at a slip speed, linear in the square of the speed.
float friction(const SurfaceType* type, float slip_speed);
// Rolling-resistance force magnitude at a ground speed and depth fraction 0..1.
float roll_resistance(const SurfaceType* type, float ground_speed, float depth);
