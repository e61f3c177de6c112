// The track info report behind "kestrix-data trackinfo".
#include "track/track_info.h"

#include "core/helpers.h"
#include "files/digest.h"
#include "track/track.h"

#include <cstdlib>
#include <cstring>

static void print_messages(FILE* out, int count) {
  fprintf(out, "messages=%d\n", count);
  for (int age = count - 1; age >= 0; age--) {
    const char* line = message_line(age);
    size_t length = strlen(line);
    fprintf(out, "  %s%s", line, length && line[length - 1] == '\n' ? "" : "\n");
  }
}

int track_info_report(const char* folder, FILE* out) {
  // Every message of the load stays countable in the ring.
  message_ring_clear();
  message_set_line_limit(MESSAGE_RING_SIZE);
  char description[TRACK_NAME_MAX];
  const char* display_name = read_track_description(folder, description, sizeof description) ? description : folder;
  TrackLoadOptions options = {};
  Track* track = (Track*)xmalloc(sizeof(Track));
  bool loaded = track_load(track, folder, display_name, &options);
  int messages = message_visible_count();
  if (!loaded) {
    fprintf(out, "Can't load track '%s'\n", folder);
    print_messages(out, messages);
    free(track);
    return 1;
  }
  char hex[DIGEST_HEX_SIZE];
  digest_to_hex(track->hash, hex);
  fprintf(out, "dir=%s\nlongname=%s\nfirstlap=%d\nnormallap=%d\ngatecount=%d\nhash=%s\n", track->folder,
          track->display_name, track->first_lap_count, track->normal_lap_count, track->gate_count, hex);
  int specials = (track->special_flaggers[0].billboard >= 0) + (track->special_flaggers[1].billboard >= 0);
  fprintf(out, "surfacetypes=%d\n", track->terrain.surface_type_count);
  fprintf(out, "startslots=%d\n", track->start_slot_count);
  fprintf(out, "statues=%d\n", track->statues.count - track->first_track_statue);
  fprintf(out, "billboards=%d\n", track->billboards.count - track->first_track_billboard);
  fprintf(out, "flaggers=%d\n", track->flaggers.count + specials);
  fprintf(out, "cameras=%d\n", track->cameras.count);
  fprintf(out, "decals=%d\n", track->terrain.decals.count);
  print_messages(out, messages);
  track_deallocate(track);
  free(track);
  return 0;
}
