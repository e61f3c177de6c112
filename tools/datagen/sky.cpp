// The sky: five faces of the sky box (north, east, south, west, up) and the
// environment image reflections use (straight up in the middle, the horizon
// at a quarter of the width from it, straight down at the rim).
#include "datagen.h"

#include "assets/image.h"
#include "core/helpers.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

static unsigned char byte(double v) { return (unsigned char)(v < 0 ? 0 : v > 255 ? 255 : lround(v)); }

// Colour of the sky (or, below the horizon, the distant ground) for a
// direction's height y in [-1, 1].
static void sky_colour(double y, double out[3]) {
  static const double zenith[3] = {70, 120, 200}, horizon[3] = {190, 210, 228}, ground[3] = {96, 100, 70};
  if (y < 0) {
    double t = fmin(1.0, -y * 8.0);
    for (int c = 0; c < 3; c++) out[c] = horizon[c] + (ground[c] - horizon[c]) * t;
    return;
  }
  double t = pow(y, 0.6);
  for (int c = 0; c < 3; c++) out[c] = horizon[c] + (zenith[c] - horizon[c]) * t;
}

// Soft clouds, kept away from the face borders so the box shows no seams
// whichever way the renderer turns each face.
static double clouds(int face, double u, double v) {
  double window = fmin(fmin(u, 1 - u), fmin(v, 1 - v)) / 0.18;
  if (window <= 0) return 0;
  if (window > 1) window = 1;
  double n = fbm(u * 6.0, v * 6.0, 0x5c1du + face * 31u, 4, 0);
  double c = (n - 0.05) * 2.2;
  if (c < 0) c = 0;
  if (c > 1) c = 1;
  return c * window * window;
}

static bool write_face(const char* root, const char* name, int face) {
  const int size = 128;
  unsigned char rgb[size * size * 3];
  for (int row = 0; row < size; row++)
    for (int col = 0; col < size; col++) {
      double u = (col + 0.5) / size, v = (row + 0.5) / size;
      double y;
      if (face == 4) {
        double px = u * 2 - 1, pz = v * 2 - 1;
        y = 1.0 / sqrt(1 + px * px + pz * pz);
      } else {
        // Row 0 is the top edge of a side face.
        double px = u * 2 - 1, py = 1 - v * 2;
        y = py / sqrt(1 + px * px + py * py);
      }
      double colour[3];
      sky_colour(y, colour);
      double cloud = y > 0.05 ? clouds(face, u, v) * fmin(1.0, (y - 0.05) * 4) : 0;
      for (int c = 0; c < 3; c++) rgb[(row * size + col) * 3 + c] = byte(colour[c] + (245 - colour[c]) * cloud * 0.8);
    }
  char path[1100];
  snprintf(path, sizeof path, "%s/%s", root, name);
  return write_packed(path, rgb, size, size, 3) || report_failure(path);
}

static bool write_environment(const char* root) {
  const int size = 256;
  unsigned char* rgb = (unsigned char*)xmalloc(size * size * 3);
  for (int row = 0; row < size; row++)
    for (int col = 0; col < size; col++) {
      double s = (col + 0.5) / size - 0.5, t = (row + 0.5) / size - 0.5;
      double a = sqrt(s * s + t * t);
      double y = a >= 0.5 ? -1.0 : cos(a * 2.0 * 3.14159265358979323846);
      double colour[3];
      sky_colour(y, colour);
      for (int c = 0; c < 3; c++) rgb[(row * size + col) * 3 + c] = byte(colour[c]);
    }
  char path[1100];
  snprintf(path, sizeof path, "%s/sky-env.ppm", root);
  bool ok = write_packed(path, rgb, size, size, 3) || report_failure(path);
  free(rgb);
  return ok;
}

bool write_sky(const char* root) {
  const char* names[5] = {"sky-n.ppm", "sky-e.ppm", "sky-s.ppm", "sky-w.ppm", "sky-u.ppm"};
  bool ok = true;
  for (int f = 0; f < 5; f++) ok = write_face(root, names[f], f) && ok;
  return write_environment(root) && ok;
}
