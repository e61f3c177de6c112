// The track's terrain: the height field with its tile map, shading,
// shadows, surface types and decals; loading it from a track folder,
// saving it, and the height, tile and normal queries the rest of the game
// makes of it.
#pragma once
#include "core/helpers.h"
#include "terrain/surface_types.h"

#include <cstdint>

enum {
  DECAL_CELLS = 8,              // the decal index is DECAL_CELLS x DECAL_CELLS
  HEIGHT_FIELD_MAX_EXPONENT = 11,  // 4097 x 4097 samples
};

// A rectangle of size x size*aspect centred on (x, z), turned by angle.
// Textures by name; the GL texture cache fills the ids.
struct TerrainDecal {
  float x, z;
  float angle, sin_angle, cos_angle;
  float size, aspect;
  const char* texture;
  const char* normal_map;    // shader mode only, null when absent
  const char* specular_map;
  unsigned texture_id, normal_map_id, specular_map_id;
};

struct HeightField {
  int n;             // size exponent
  int N;             // samples per side, 2^(n+1) + 1
  float s;           // sample spacing
  float tile_size;   // 2 s
  int T;             // tiles per side, 2^n
  float W;           // extent, 2^(n+1) s
  float min_height, max_height;
  float* heights;          // N x N, sample (i, j) at j*N + i
  uint8_t* tile_map;       // T x T, tile (a, b) at b*T + a
  uint8_t* shading;        // N x N x 3, half intensity
  uint8_t* shadows;        // N x N, 0 lit .. 255 shadowed
  uint8_t* normal_map;     // N x N x 3, shader mode only
  SurfaceType* surface_types;
  int surface_type_count;
  Array decals;                                     // TerrainDecal
  Array decal_cells[DECAL_CELLS * DECAL_CELLS];     // int decal indices, ascending
  int terrain_version;
  bool deformed;
  bool locked;
  int texture_method;  // chosen by the terrain renderer
  bool loaded;
};

struct TerrainLoadOptions {
  int texture_method;  // the configured terrain texture rendering method
  bool shaders;        // shader programs draw the terrain: normal map, decal companions
  int debug_level;     // 2 logs the terrain digest
};

// Loads the terrain files of a track folder ("@" + folder name, or a path).
// On failure reports why, frees what it built and returns false.
bool height_field_load(HeightField* hf, const char* folder, const TerrainLoadOptions* options);
void height_field_free(HeightField* hf);

// Writes terrain.hf (with the actual height range), terrain.png,
// shading.ppm, shadingx2.ppm, tilemap and decals into the folder. With
// binary_heights the samples follow terrain.hf's ":" and no terrain.png is written.
bool height_field_save(const HeightField* hf, const char* folder, bool binary_heights);
// shadows.pgm (holding brightness, as the loader expects).
bool height_field_save_shadows(const HeightField* hf, const char* folder);

// An empty terrain of 2^(n+1)+1 samples per side at height 0, one surface
// type of defaults, mid-grey shading, no shadows. For tools and tests.
void height_field_create(HeightField* hf, int n, float spacing);

// Decal records and the per-cell index.
void height_field_add_decal(HeightField* hf, float x, float z, float angle, float size, float aspect,
                            const char* texture);
void rebuild_decal_cells(HeightField* hf);
int decal_cell_of(const HeightField* hf, float p);

// Queries.
float sample(const HeightField* hf, int i, int j);
float height_at(const HeightField* hf, float x, float z);
float average_height(const HeightField* hf, float x, float z, float radius);
int tile_at(const HeightField* hf, float x, float z);
void grid_normal(const HeightField* hf, int i, int j, float normal[3]);
// The shader-mode normal map bytes from the grid normals and shadows.
void build_normal_map(HeightField* hf);
// Actual lowest and highest sample.
void height_range(const HeightField* hf, float* lowest, float* highest);
