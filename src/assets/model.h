// The ".zm" model format without GL: meshes with materials, bone weights
// and tangents, the level-of-detail chain found in the data file list, the
// model cache by name and generation, the skin-variant rule and the LOD
// choice. Drawing and display lists belong to the renderer.
#pragma once

struct Stream;

// Untrusted files may not ask for more than this; the reader says so.
enum {
  MODEL_MAX_VERTICES = 1 << 20,
  MODEL_MAX_TRIANGLES = 1 << 21,
  MODEL_MAX_BONES = 256,
};

// One allocation: this header, then its arrays, then its name. A model is
// the first mesh of the `next` list; the first mesh also holds the
// model-level fields (generation, has_reflective, lod_distance, next_lod).
struct Mesh {
  const char* name;
  Mesh* next;
  int generation;      // 0 = permanent
  int has_reflective;  // some mesh of the file has shininess -1
  int display_list;    // set by the renderer, 0 = none
  int vertex_count;
  int triangle_count;
  int bone_count;
  float colour[3];
  float reflectivity;
  float shininess;  // >= 0 exponent, -1 reflective, -2 self-lit
  // With bones each of these three holds 2V entries: current, then rest.
  float* positions;
  float* normals;
  float* tangents;
  float* texcoords;     // 2V, v already flipped
  float* bone_weights;  // 4V, only with bones
  int* bone_indices;    // 4V, only with bones
  int* triangles;       // 3T, every index within 0 .. V-1
  bool headerless;      // the "%d %d" form (always gets a display list)
  float lod_distance;
  Mesh* next_lod;
};

// Parses a whole ".zm" stream; null with a log line on any fault. `name`
// is stored in the first mesh and used in warnings.
Mesh* read_model(Stream* stream, const char* name);
// Opens `name` through the data layer ("rb") and reads it, without LODs.
Mesh* read_model_file(const char* name);
// A zeroed mesh (white, shininess 32) for writers that build models in memory.
Mesh* make_mesh(int vertices, int triangles, int bones, const char* name);
// Writes one version ("ZM1", or "ZM2" when the meshes have bones; every mesh
// of the list must have the same bone count). The current positions and
// normals are written, so skin a loaded model back to rest first.
bool write_model_stream(Stream* stream, const Mesh* model);
bool write_model(const char* name, const Mesh* model);
// Frees one version's meshes (not its LOD chain).
void free_mesh_list(Mesh* model);
// Frees every version of a model.
void free_model(Mesh* model);

void compute_tangents(Mesh* mesh);

// Inserts `version` before the first version of `base`'s chain whose LOD
// distance is not smaller.
void insert_lod(Mesh* base, Mesh* version);
// LOD files of a model requested by an "@" name: each data file that is
// the stem, "_lod", a number and at least one more character. Calls
// found(load name, distance 2^number) in data-list order.
void find_lod_files(const char* name, void (*found)(const char* file, float distance, void* context), void* context);
// The base model and its LOD chain.
Mesh* read_model_with_lods(const char* name);

// The version drawn at distance d (|object - camera|) for the LOD scale and
// bias; a scale of 0 keeps the base model.
const Mesh* choose_lod(const Mesh* model, float distance, float scale, float bias);

// Model cache: load order, exact or case-insensitive name (with the
// case-mismatch warning), stamped with the current generation.
Mesh* load_model(const char* name);
int model_generation();
void set_model_generation(int generation);
// Frees every cached model whose generation is neither 0 nor the current
// one; the hook (may be null) runs on every version first, so the renderer
// can delete display lists.
void purge_models(void (*release)(Mesh* version));
// Empties the cache (tests, shutdown).
void model_cache_reset();
int model_cache_count();

// The variant name of model M for skin S ("frame.zm" + "frame-red-plain.png"
// gives "frame-red.zm"); false when S's base name has fewer than two "-".
// `in_skin_folder` gets the variant's base name placed in S's folder.
bool skin_variant_names(const char* model, const char* skin, char* variant, int variant_size, char* in_skin_folder, int folder_size);
Mesh* load_model_for_skin(const char* model, const char* skin, bool warn);
