// Loading a track folder in its fixed order, the statue grid, the track
// hash, and freeing it all again.
#include "track/track.h"

#include "assets/shape.h"
#include "files/digest.h"
#include "files/stream.h"
#include "platform/kuvo.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

Track current_track;

static Stream* open_track_file(const Track* track, const char* file) {
  char name[TRACK_NAME_MAX + 64];
  snprintf(name, sizeof name, "@%s/%s", track->folder, file);
  return data_open(name, "rb");
}

bool read_track_description(const char* folder, char* out, int size) {
  char name[TRACK_NAME_MAX + 64];
  snprintf(name, sizeof name, "@%s/desc", folder);
  Stream* stream = data_open(name, "rb");
  if (!stream) return false;
  int length = 0, c;
  while (length < size - 1 && (c = stream_getc(stream)) != -1 && c != '\r' && c != '\n' && c != 0)
    out[length++] = (char)c;
  out[length] = 0;
  data_close(stream);
  return true;
}

static void init_lists(Track* track) {
  array_init(&track->lighting.flares, sizeof(LensFlare));
  array_init(&track->flaggers, sizeof(Flagger));
  array_init(&track->billboards, sizeof(Billboard));
  array_init(&track->statues, sizeof(Statue));
  array_init(&track->cameras, sizeof(TrackCamera));
  for (int c = 0; c < STATUE_CELLS * STATUE_CELLS; c++) array_init(&track->statue_cells[c], sizeof(int));
  for (int g = 0; g < CAMERA_GATE_TABLE; g++) track->gate_camera[g] = -1;
  track->special_flaggers[0].billboard = -1;
  track->special_flaggers[1].billboard = -1;
}

int statue_cell_of(const Track* track, float p) {
  float cell = floorf(((p / track->terrain.W) - 0.125f) * 4.0f / 3.0f * 8.0f);
  if (!(cell >= 0.0f)) return 0;
  if (cell >= (float)(STATUE_CELLS - 1)) return STATUE_CELLS - 1;
  return (int)cell;
}

void rebuild_statue_grid(Track* track) {
  for (int c = 0; c < STATUE_CELLS * STATUE_CELLS; c++) track->statue_cells[c].count = 0;
  for (int k = 0; k < track->statues.count; k++) {
    const Statue* s = array_at<Statue>(&track->statues, k);
    if (!s->shape) continue;
    float r = s->shape->radius;
    int a0 = statue_cell_of(track, s->x - r), a1 = statue_cell_of(track, s->x + r);
    int b0 = statue_cell_of(track, s->z - r), b1 = statue_cell_of(track, s->z + r);
    for (int b = b0; b <= b1; b++)
      for (int a = a0; a <= a1; a++) array_append(&track->statue_cells[b * STATUE_CELLS + a], &k);
  }
}

static void make_robot_line_store(Track* track) {
  track->robot_line_rows = track->first_lap_real + track->normal_lap_real;
  if (track->robot_line_rows == 0) return;
  size_t slots = (size_t)track->robot_line_rows * ROBOT_LINES_PER_ROW;
  track->robot_lines = (RobotLine*)xmalloc(sizeof(RobotLine) * slots);
  for (size_t k = 0; k < slots; k++) {
    RobotLine* line = &track->robot_lines[k];
    memset(line, 0, sizeof *line);
    line->best_time = line->best_time_next = 1000000;
    line->last_picked = -1000000;
  }
}

static void make_roost_billboards(Track* track) {
  Billboard empty = {};
  empty.size = 1.0f;
  empty.aspect = 1.0f;
  for (int c = 0; c < 4; c++) empty.colour[c] = 255;
  for (int k = 0; k < ROOST_BILLBOARDS; k++) array_append(&track->billboards, &empty);
}

static void compute_track_hash(Track* track) {
  // Each distinct model file once, in the order the statues first use them.
  const char** models = (const char**)xmalloc(sizeof(const char*) * (track->statues.count + 1));
  int count = 0;
  for (int k = 0; k < track->statues.count; k++) {
    const char* name = array_at<Statue>(&track->statues, k)->model_name;
    if (!name) continue;
    bool seen = false;
    for (int m = 0; m < count && !seen; m++) seen = models[m] == name;  // interned
    if (!seen) models[count++] = name;
  }
  track_hash(track->folder, models, count, track->hash);
  free(models);
}

static void free_objects(Track* track) {
  free(track->gates);
  free(track->first_lap);
  free(track->normal_lap);
  if (track->robot_lines) {
    for (int k = 0; k < track->robot_line_rows * ROBOT_LINES_PER_ROW; k++) free(track->robot_lines[k].points);
    free(track->robot_lines);
  }
  for (int c = 0; c < STATUE_CELLS * STATUE_CELLS; c++)
    if (track->statue_cells[c].items) array_free(&track->statue_cells[c]);
  for (int k = 0; k < track->statues.count; k++) free_shape(array_at<Statue>(&track->statues, k)->shape);
  if (track->lighting.flares.items) array_free(&track->lighting.flares);
  if (track->billboards.items) array_free(&track->billboards);
  if (track->statues.items) array_free(&track->statues);
  if (track->flaggers.items) array_free(&track->flaggers);
  if (track->cameras.items) array_free(&track->cameras);
}

bool track_load(Track* track, const char* folder, const char* display_name, const TrackLoadOptions* options) {
  memset(track, 0, sizeof *track);
  if (strlen(folder) >= TRACK_NAME_MAX - 32) {
    show_messagef("Track folder name too long: '%.100s...'", folder);
    return false;
  }
  snprintf(track->folder, sizeof track->folder, "%s", folder);
  snprintf(track->display_name, sizeof track->display_name, "%s",
           display_name && *display_name ? display_name : folder);
  init_lists(track);

  char prefix[TRACK_NAME_MAX + 8];
  snprintf(prefix, sizeof prefix, "@%s", folder);
  if (options->debug_level >= 1) kuvo_log("Loading '%s'\n", prefix);

  lighting_defaults(&track->lighting);
  Stream* stream = open_track_file(track, "lighting");
  if (stream) {
    read_lighting(track, stream);
    data_close(stream);
  }
  finish_lighting(&track->lighting);

  TerrainLoadOptions terrain_options = {options->texture_method, options->shaders, options->debug_level};
  if (!height_field_load(&track->terrain, prefix, &terrain_options)) {
    free_objects(track);
    memset(track, 0, sizeof *track);
    return false;
  }

  if ((stream = open_track_file(track, "timing_gates"))) {
    read_timing_gates(track, stream, options);
    data_close(stream);
  }
  make_robot_line_store(track);
  make_roost_billboards(track);

  if ((stream = open_track_file(track, "flaggers"))) {
    read_flaggers(track, stream);
    data_close(stream);
  }
  track->first_track_statue = track->statues.count;
  track->first_track_billboard = track->billboards.count;

  if ((stream = open_track_file(track, "billboards"))) {
    read_billboards(track, stream);
    data_close(stream);
  }
  if ((stream = open_track_file(track, "statues"))) {
    read_statues(track, stream, options->shaders);
    data_close(stream);
  }
  if ((stream = open_track_file(track, "map.png"))) {
    data_close(stream);
    char name[TRACK_NAME_MAX + 16];
    snprintf(name, sizeof name, "%s/map.png", prefix);
    track->map_texture = intern_string(name);
  }
  rebuild_statue_grid(track);
  compute_track_hash(track);

  if ((stream = open_track_file(track, "cameras"))) {
    read_cameras(track, stream);
    data_close(stream);
  }
  if (options->debug_level >= 1) kuvo_log("%d cameras found\n", track->cameras.count);
  track->loaded = true;
  return true;
}

void track_create_empty(Track* track, const char* folder, int n, float spacing) {
  memset(track, 0, sizeof *track);
  snprintf(track->folder, sizeof track->folder, "%s", folder);
  snprintf(track->display_name, sizeof track->display_name, "%s", folder);
  init_lists(track);
  lighting_defaults(&track->lighting);
  finish_lighting(&track->lighting);
  height_field_create(&track->terrain, n, spacing);
  track->loaded = true;
}

void track_deallocate(Track* track) {
  if (!track->loaded) return;
  kuvo_log("Deallocating track\n");
  free_objects(track);
  height_field_free(&track->terrain);
  memset(track, 0, sizeof *track);
  kuvo_log("Finished deallocating track\n");
}
