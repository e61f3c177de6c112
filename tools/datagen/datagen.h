// The data generator's shared records: deterministic noise, the course of a
// track (centreline, width and feature profile), the track designs, the
// synthesised terrain, and the writers of each kind of content.
#pragma once
#include "assets/shape.h"

#include <cstdint>
#include <cstdio>

struct HeightField;
struct SurfaceType;
struct Stream;

// ---- Noise: integer hashing only, so every machine gets the same bytes.
uint32_t hash_u32(uint32_t x);
uint32_t hash3(int x, int y, uint32_t seed);
double hash_unit(int x, int y, uint32_t seed);  // [0, 1)
// Value noise in [-1, 1] with a quintic fade; `period` > 0 makes it tile
// with that many lattice cells.
double value_noise(double x, double y, uint32_t seed, int period);
// Octaves of value noise, each twice the frequency and half the amplitude;
// roughly [-1, 1].
double fbm(double x, double y, uint32_t seed, int octaves, int period);

// A tiny deterministic random stream for placements.
struct Rng {
  uint32_t state;
};
uint32_t rng_next(Rng* rng);
double rng_unit(Rng* rng);                     // [0, 1)
double rng_range(Rng* rng, double lo, double hi);

// ---- Course layout: straights and arcs, closed by stretching two straights
// and sizing the closing arc.
enum MoveKind { STRAIGHT, LEFT, RIGHT };
struct Move {
  MoveKind kind;
  double length;  // straight: feet; ignored for arcs
  double radius;  // arcs: feet
  double angle;   // arcs: degrees; 0 on the last arc = whatever closes the lap
  bool stretch;   // straights whose length the closure may grow
};

enum FeatureKind { TABLETOP, DOUBLE, STEP_UP, RHYTHM, WHOOPS };
// Feature geometry along the course, in feet from the start of the straight
// it sits on. Every ramp is a smooth curve whose steepest slope is bounded
// (faces and landings stay under about 30 degrees).
struct Feature {
  FeatureKind kind;
  int move;        // index of the straight in the layout
  double at;       // distance from the start of that straight
  double face;     // take-off ramp length
  double height;   // take-off (or mound) height
  double top;      // flat top / plateau length, or the gap of a double
  double height2;  // landing mound (double) or plateau (step-up) height
  double landing;  // landing ramp length
  int count;       // rhythm mounds or whoops
  double spacing;  // their period
  bool blind;      // a flagger stands at its landing
};

// A widening of the track, e.g. the start area, in course distance from the
// start line.
struct WidthZone {
  double from, to;   // full width between these
  double width;
  double taper;      // length of the blend at each end
};

enum SurfaceSet { OUTDOOR, STADIUM };

// Everything that makes one track, in one table (see rabbithill.cpp).
struct TrackDesign {
  const char* folder;
  const char* display_name;
  int size_exponent;
  double spacing;
  uint32_t seed;
  SurfaceSet surfaces;
  // Layout, starting at (start_x, start_z) heading `start_heading` degrees
  // (0 = +x, 90 = +z); the start gates stand `gate_line` feet down the
  // first straight.
  double start_x, start_z, start_heading;
  const Move* moves;
  int move_count;
  const Feature* features;
  int feature_count;
  const WidthZone* zones;
  int zone_count;
  double width;       // normal track width
  double gate_line;   // course distance of the start gates
  int start_gates;
  double gate_spacing;
  double finish_before_gates;  // the finish line lies this far before the gates
  double timing_interval;      // about this far between timing gates
  // Ground: rolling noise (amplitude, feature size), or a flat floor with a
  // rim of stands for the stadium.
  double hill_amplitude, hill_scale;
  double bed_smoothing;   // half window of the track bed's smoothing, feet
  double berm_degrees_per_curvature;  // bank angle per unit curvature
  double berm_max_degrees;
  double shoulder;        // least width of the edge blend
  double stand_height;    // stadium rim
  // Objects.
  double bale_spacing;    // along the outside of turns
  int trees;
  int banners;
  int cameras;
  int decal_marks;
  // Lighting.
  float sun[3];
  float sun_colour[3];
  float ambient[3];
  float fog[4];  // colour, density
};

extern const TrackDesign rabbithill_design;
extern const TrackDesign harborarena_design;

// ---- The course built from a design: points every `ds` feet, s = 0 at
// the start of the first move.
struct Course {
  int count;
  double ds;
  double length;
  double* x;
  double* z;
  double* tx;  // unit tangent
  double* tz;
  double* curvature;  // signed, left turns positive (1/ft)
  double* profile;    // feature height along the centre
  double* width;
  double* bank;       // bank angle in radians; raises the outside of turns
  double move_start[64];  // course distance at the start of each move
  double closing_arc;     // degrees the closing arc turned
};

// False with a message when the layout does not close.
bool build_course(const TrackDesign* design, Course* course, char* error, int error_size);
void free_course(Course* course);
// Index of the course point nearest to distance s (wrapped).
int course_index(const Course* course, double s);
double wrap_distance(const Course* course, double s);
// Smallest distance between two course points more than `apart` feet
// apart along the course (self-overlap check), with where.
double course_clearance(const Course* course, double apart, double* at_a, double* at_b);
// Height of one feature at distance u from its start, and its length.
double feature_height(const Feature* feature, double u);
double feature_length(const Feature* feature);

// ---- Terrain synthesis.
struct Terrain {
  int N;
  double s;
  double* natural;    // N x N ground without the track
  double* height;     // final
  float* lateral;     // signed distance from the centreline, left positive
  float* along;       // course distance of the nearest centreline point
  uint8_t* near;      // 1 where the nearest centreline point is meaningful
  double* bed;        // course.count: bed height along the centreline
};

void synthesize_terrain(const TrackDesign* design, const Course* course, Terrain* terrain);
void free_terrain(Terrain* terrain);
double terrain_height(const Terrain* terrain, double x, double z);  // bilinear
// Track height at course distance s and lateral offset d (bed + features + bank).
double track_height(const TrackDesign* design, const Course* course, const Terrain* terrain, double s, double d);

// The surface types of a set, in tile map order (tile 0 is the racing surface).
int surface_type_count(SurfaceSet set);
void build_surface_types(SurfaceSet set, SurfaceType* types);

// Fills the HeightField (heights, tile map, shading, shadows, decals).
void bake_height_field(const TrackDesign* design, const Course* course, const Terrain* terrain, HeightField* hf);
// Steepest slope in the direction of travel across the ridden width.
double steepest_track_slope(const TrackDesign* design, const Course* course, const Terrain* terrain, double* at);

// Everything built for one track while its files are written.
struct TrackBuild {
  const TrackDesign* design;
  Course course;
  Terrain terrain;
  HeightField* hf;
  double gate_s[256];  // course distance of each timing gate; gate 0 is the finish line
  int gate_count;
};

// Timing gates, starting gate, statues, billboards, flaggers and cameras of
// a track, written into `folder`.
bool write_track_objects(TrackBuild* build, const char* folder);

// ---- Writers, one per kind of content. Each writes below `root` (the
// staging folder that becomes the archive) and returns false with a line on
// standard error.
bool write_track(const TrackDesign* design, const char* root);
bool write_surface_textures(const char* root);
bool write_object_assets(const char* root);  // start gate, bales, tuff blocks, billboards, flaggers, decals
bool write_stock_shapes(const char* root);
bool write_sky(const char* root);
bool write_series(const char* root, const TrackDesign* const* designs, int count);

// The seven stock shape names in digest order.
extern const char* const stock_shape_names[7];

// Writes a ".shp" collision shape below root.
bool write_shape_file(const char* root, const char* name, const ShapeSphere* spheres, int count);

// Helpers shared by the writers.
bool write_text_file(const char* root, const char* name, const char* text);
Stream* open_output(const char* root, const char* name);
bool close_output(Stream* stream, const char* name);
bool report_failure(const char* what);
