// The points series: four rounds over the shipped tracks, two motos each,
// twenty robots, scored on the usual 25-22-20-18 ... table.
#include "datagen.h"

#include "files/stream.h"

#include <cstdio>

struct Round {
  int track;       // index into the designs
  int minutes;     // 0 = laps only
  int laps;
};

static const Round rounds[] = {
    {0, 0, 4},
    {1, 0, 8},
    {0, 8, 1},
    {1, 0, 10},
};

static const int robots[] = {21, 24, 28, 33, 37, 41, 45, 48, 52, 56, 61, 64, 68, 72, 77, 81, 85, 89, 93, 97};

static const int points[40] = {25, 22, 20, 18, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1};

static void print_points(Stream* out, bool zero) {
  for (int p = 0; p < 40; p++) stream_printf(out, p ? " %d" : "%d", zero ? 0 : points[p]);
  stream_puts(out, "\n");
}

bool write_series(const char* root, const TrackDesign* const* designs, int count) {
  Stream* out = open_output(root, "kestrix_cup.series");
  if (!out) return false;
  int robot_count = (int)(sizeof robots / sizeof robots[0]);
  int round_count = (int)(sizeof rounds / sizeof rounds[0]);
  stream_puts(out, "\"Kestrix Cup\"\n");
  stream_printf(out, "%d Amateur\n", robot_count);
  for (int r = 0; r < robot_count; r++) stream_printf(out, r ? " %d" : "%d", robots[r]);
  stream_printf(out, "\n%d\n", round_count * 2);
  for (int r = 0; r < round_count; r++) {
    const TrackDesign* d = designs[rounds[r].track % count];
    for (int moto = 1; moto <= 2; moto++) {
      stream_printf(out, "\"Round %d %s Moto %d\" %s %d %d\n", r + 1, d->display_name, moto, d->folder,
                    rounds[r].minutes, rounds[r].laps);
      print_points(out, false);
      // The second moto ends the round; the first scores towards it.
      print_points(out, moto == 1);
    }
  }
  return close_output(out, "kestrix_cup.series");
}
