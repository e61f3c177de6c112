// The loaded track: its lighting, terrain, starting gate, timing gates,
// flaggers, billboards, statues with their collision grid, overview map,
// cameras, robot line store and track hash; loading a track folder in its
// fixed order, freeing it, and the writers of its object files.
#pragma once
#include "core/helpers.h"
#include "files/digest.h"
#include "terrain/height_field.h"

#include <cstdint>

struct Mesh;
struct Shape;
struct Stream;

enum {
  MAX_START_SLOTS = 160,
  MAX_TIMING_GATES = 256,
  MAX_LAP_GATES = 256,
  GATE_FLAG = 100000,          // a lap reference plus this is passed, not timed
  ROOST_BILLBOARDS = 2000,     // the first billboards, lent to roost particles
  STATUE_CELLS = 8,            // the statue grid is STATUE_CELLS x STATUE_CELLS
  ROBOT_LINES_PER_ROW = 45,
  MAX_FLARE_ELEMENTS = 8,
  CAMERA_GATE_TABLE = 256,
  SKY_FACES = 5,               // north, east, south, west, up
  TRACK_NAME_MAX = 512,
};

// Textures and models are kept by name; the GL caches fill the ids.
struct LensFlareElement {
  float position[2];
  float colour[3];
  float size;
  const char* texture;
  unsigned texture_id;
};

struct LensFlare {
  float position[3];  // a point, or a direction when `directional`
  bool directional;
  int element_count;
  LensFlareElement elements[MAX_FLARE_ELEMENTS];
};

struct Lighting {
  float sun_vector[3];  // normalised
  float sun_colour[3];
  float ambient[3];
  float global_ambient[3];
  float near_plane, far_plane;
  bool dynamic_lighting;
  float fog_colour[3];
  float fog_density;
  const char* sky[SKY_FACES];
  const char* sky_env;
  unsigned sky_id[SKY_FACES], sky_env_id;
  Array flares;  // LensFlare
};

struct TimingGate {
  float position[3];
  float normal[3];
  float size;
};

struct StartSlot {
  float position[3];  // y above ground, as given
  float angle;        // within [-pi, pi]
  int statue;         // the statue drawing this slot's gate
  const char* model;  // null = none ("null" in the file)
  const char* texture;
  const char* shape;
};

struct Billboard {
  float x, y, z;  // y absolute: terrain height plus `height`
  float height;   // above ground, as given
  float size;     // quad height
  float aspect;   // quad width = aspect x size
  const char* texture;  // null = none
  unsigned texture_id;
  uint8_t colour[4];
};

struct Statue {
  const char* model_name;  // null = none
  const Mesh* model;       // from the model cache, null when missing
  Shape* shape;            // the statue's own copy, null = none
  const char* shape_name;
  const char* texture;
  const char* normal_map;
  const char* specular_map;
  unsigned texture_id, normal_map_id, specular_map_id;
  float x, y, z;  // y absolute
  float height;   // above ground, as given
  float angle;
  float orientation[9];  // rows
  float extra;           // 2^angle for angles of 3.25 and more, else 0
  int touch_tick;
};

struct Flagger {
  int billboard;
  const char* textures[2];
  int gates[4];  // -1 = none
};

// The two flaggers of the flaggers file's header; billboard -1 when absent.
struct SpecialFlagger {
  int billboard;
  float second_point[3];  // first flagger only
  float scale;            // first flagger only
  int texture_count;
  const char* textures[5];
};

struct TrackCamera {
  float x, y, z;  // y absolute
  float state[4];
  float fov;       // degrees
  float auto_fov_size;
};

struct RobotLinePoint {
  float x, y, z, speed, lean;
};

struct RobotLine {
  RobotLinePoint* points;
  int count;  // 0 = empty slot
  int recorded_time, recorded_time_next;
  int tests;
  int best_time, best_time_next;
  int time_sum, time_next_sum;
  int failures;
  int last_picked;
  int id;
};

struct Track {
  char folder[TRACK_NAME_MAX];
  char display_name[TRACK_NAME_MAX];
  unsigned char hash[DIGEST_SIZE];
  Lighting lighting;
  HeightField terrain;
  StartSlot start_slots[MAX_START_SLOTS];
  int start_slot_count;
  TimingGate* gates;
  int gate_count;
  int* first_lap;  // gate references
  int first_lap_count, first_lap_real;
  int* normal_lap;
  int normal_lap_count, normal_lap_real;
  RobotLine* robot_lines;  // robot_line_rows x ROBOT_LINES_PER_ROW
  int robot_line_rows;
  SpecialFlagger special_flaggers[2];
  Array flaggers;    // Flagger
  Array billboards;  // Billboard; the first ROOST_BILLBOARDS serve roost particles
  Array statues;     // Statue
  Array statue_cells[STATUE_CELLS * STATUE_CELLS];  // int statue indices
  const char* map_texture;  // null when the folder has no map.png
  unsigned map_texture_id;
  Array cameras;  // TrackCamera
  int gate_camera[CAMERA_GATE_TABLE];  // camera index, -1 = none
  int first_track_statue, first_track_billboard;
  bool loaded;
};

struct TrackLoadOptions {
  int debug_level;     // 1 logs progress, 2 also the terrain digest
  int texture_method;  // the configured terrain texture rendering method
  bool shaders;        // shader programs: normal and specular companions
};

// The process's track, loaded and freed by race control.
extern Track current_track;

// Loads a track folder ("@" + folder is the prefix of every file). The
// display name falls back to the folder name. On failure the names are
// cleared, everything is freed and false is returned.
bool track_load(Track* track, const char* folder, const char* display_name, const TrackLoadOptions* options);
void track_deallocate(Track* track);
// A loaded-looking track over a flat terrain of 2^(n+1)+1 samples with no
// objects, for tools that build tracks and for tests.
void track_create_empty(Track* track, const char* folder, int n, float spacing);

// The first line of the folder's "desc" file, or false when it has none.
bool read_track_description(const char* folder, char* out, int size);

// The pieces of a load, each on an open stream (tests and tools use them).
void lighting_defaults(Lighting* lighting);
void read_lighting(Track* track, Stream* stream);
void finish_lighting(Lighting* lighting);
void read_timing_gates(Track* track, Stream* stream, const TrackLoadOptions* options);
void read_flaggers(Track* track, Stream* stream);
void read_billboards(Track* track, Stream* stream);
void read_statues(Track* track, Stream* stream, bool shaders);
void read_cameras(Track* track, Stream* stream);
void rebuild_statue_grid(Track* track);
int statue_cell_of(const Track* track, float p);

// "#rrggbb#name": sets colour and returns the name after it; else the whole
// name and white.
const char* billboard_colour_prefix(const char* name, uint8_t colour[4]);
// Adds a statue the way the statues file does; returns its index.
int add_statue(Track* track, float x, float height, float z, float angle, const char* model, const char* texture,
               const char* shape, bool shaders);
int add_billboard(Track* track, float x, float height, float z, float size, float aspect, const char* texture,
                  const uint8_t colour[4]);

// Writers of the object files into a folder (a path or "@" name). A null
// name is written as "null"; a billboard without a texture is written in its
// colour form with an empty name. Billboards and statues are written with
// their height above ground.
bool write_timing_gates(const char* folder, const StartSlot* slots, int slot_count, const TimingGate* gates,
                        int gate_count, const int* first_lap, int first_count, const int* normal_lap,
                        int normal_count);
bool write_billboards(const char* folder, const Billboard* billboards, int count);
bool write_statues(const char* folder, const Statue* statues, int count);
