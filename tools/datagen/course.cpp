// The course of a track: the centreline laid out from straights and arcs,
// closed exactly, sampled every foot, with the width, the jump profile and
// the banking of the berms along it.
#include "datagen.h"

#include "core/helpers.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

static const double kPi = 3.14159265358979323846;
// Steepest slope of a generated ramp: about 28.8 degrees.
static const double kMaxSlope = 0.55;

static double radians(double degrees) { return degrees * kPi / 180.0; }

// Length of a half-cosine ramp of height h at the steepest allowed slope.
static double ramp_length(double h) { return kPi * fabs(h) / (2.0 * kMaxSlope); }

// Take-off face: concave, steepest at the lip (slope 1.5 h / length).
static double face_curve(double t) { return t <= 0 ? 0 : t >= 1 ? 1 : t * sqrt(t); }
// Smooth ramp from 0 to 1 with zero slope at both ends.
static double cos_ramp(double t) { return t <= 0 ? 0 : t >= 1 ? 1 : 0.5 - 0.5 * cos(kPi * t); }

double feature_length(const Feature* f) {
  switch (f->kind) {
    case TABLETOP: return f->face + f->top + f->landing;
    case DOUBLE: return f->face + ramp_length(f->height) + f->top + ramp_length(f->height2) + 2.0 + f->landing;
    case STEP_UP: {
      double dip = 0.6 * f->height;
      return f->face + ramp_length(dip) + ramp_length(f->height2 - (f->height - dip)) + f->top + f->landing;
    }
    case RHYTHM:
    case WHOOPS: return f->count * f->spacing;
  }
  return 0;
}

double feature_height(const Feature* f, double u) {
  if (u <= 0) return 0;
  double h = f->height, h2 = f->height2;
  switch (f->kind) {
    case TABLETOP:
      if (u < f->face) return h * face_curve(u / f->face);
      u -= f->face;
      if (u < f->top) return h;
      u -= f->top;
      return h * (1.0 - cos_ramp(u / f->landing));
    case DOUBLE: {
      if (u < f->face) return h * face_curve(u / f->face);
      u -= f->face;
      double back = ramp_length(h);
      if (u < back) return h * (1.0 - cos_ramp(u / back));
      u -= back;
      if (u < f->top) return 0;
      u -= f->top;
      double front = ramp_length(h2);
      if (u < front) return h2 * cos_ramp(u / front);
      u -= front;
      if (u < 2.0) return h2;
      u -= 2.0;
      return h2 * (1.0 - cos_ramp(u / f->landing));
    }
    case STEP_UP: {
      if (u < f->face) return h * face_curve(u / f->face);
      u -= f->face;
      double dip = 0.6 * h, low = h - dip;
      double down = ramp_length(dip);
      if (u < down) return h - dip * cos_ramp(u / down);
      u -= down;
      double rise = ramp_length(h2 - low);
      if (u < rise) return low + (h2 - low) * cos_ramp(u / rise);
      u -= rise;
      if (u < f->top) return h2;
      u -= f->top;
      return h2 * (1.0 - cos_ramp(u / f->landing));
    }
    case RHYTHM:
    case WHOOPS: {
      if (u >= f->count * f->spacing) return 0;
      double phase = fmod(u, f->spacing) / f->spacing;
      return h * (0.5 - 0.5 * cos(2.0 * kPi * phase));
    }
  }
  return 0;
}

// One move's geometry once laid out.
struct Laid {
  double x, z, heading;  // at its start
  double length;
  double turn;           // signed radians, positive = towards larger heading (right)
  double radius;
};

static void advance(const Laid* m, double u, double* x, double* z, double* heading) {
  if (m->turn == 0) {
    *x = m->x + u * cos(m->heading);
    *z = m->z + u * sin(m->heading);
    *heading = m->heading;
    return;
  }
  double side = m->turn > 0 ? 1.0 : -1.0;  // right turns bend towards heading + 90
  double cx = m->x + m->radius * cos(m->heading + side * kPi / 2);
  double cz = m->z + m->radius * sin(m->heading + side * kPi / 2);
  double a = side * u / m->radius;
  double h = m->heading + a;
  *x = cx - m->radius * cos(h + side * kPi / 2);
  *z = cz - m->radius * sin(h + side * kPi / 2);
  *heading = h;
}

static void lay_out(const TrackDesign* d, const double* lengths, const double* turns, Laid* laid, double* end_x,
                    double* end_z, double* end_heading) {
  double x = d->start_x, z = d->start_z, h = radians(d->start_heading);
  for (int k = 0; k < d->move_count; k++) {
    Laid* m = &laid[k];
    m->x = x;
    m->z = z;
    m->heading = h;
    m->turn = turns[k];
    m->radius = d->moves[k].radius;
    m->length = m->turn == 0 ? lengths[k] : fabs(m->turn) * m->radius;
    advance(m, m->length, &x, &z, &h);
  }
  *end_x = x;
  *end_z = z;
  *end_heading = h;
}

bool build_course(const TrackDesign* d, Course* c, char* error, int error_size) {
  memset(c, 0, sizeof *c);
  int n = d->move_count;
  if (n > 64) {
    snprintf(error, error_size, "%s: too many moves", d->folder);
    return false;
  }
  double lengths[64], turns[64];
  int closing = -1, stretch[2] = {-1, -1}, stretches = 0;
  double turned = 0;
  for (int k = 0; k < n; k++) {
    const Move* m = &d->moves[k];
    lengths[k] = m->length;
    turns[k] = 0;
    if (m->kind == STRAIGHT) {
      if (m->stretch && stretches < 2) stretch[stretches++] = k;
      continue;
    }
    if (m->angle == 0) {
      closing = k;
      continue;
    }
    turns[k] = (m->kind == RIGHT ? 1 : -1) * radians(m->angle);
    turned += turns[k];
  }
  if (closing < 0 || stretches < 2) {
    snprintf(error, error_size, "%s: the layout needs one closing arc and two stretch straights", d->folder);
    return false;
  }
  // The closing arc turns whatever brings the heading back round.
  double full = 2.0 * kPi;
  double need = d->moves[closing].kind == RIGHT ? fmod(-turned, full) : fmod(turned, full);
  if (need <= 0) need += full;
  turns[closing] = (d->moves[closing].kind == RIGHT ? 1 : -1) * need;
  c->closing_arc = need * 180.0 / kPi;

  // With every angle fixed the end point moves linearly with the two
  // stretch lengths: solve for the extra lengths that close the lap.
  Laid laid[64];
  double ex, ez, eh;
  lay_out(d, lengths, turns, laid, &ex, &ez, &eh);
  double ax = cos(laid[stretch[0]].heading), az = sin(laid[stretch[0]].heading);
  double bx = cos(laid[stretch[1]].heading), bz = sin(laid[stretch[1]].heading);
  double rx = d->start_x - ex, rz = d->start_z - ez;
  double det = ax * bz - az * bx;
  if (fabs(det) < 1e-6) {
    snprintf(error, error_size, "%s: the stretch straights are parallel", d->folder);
    return false;
  }
  double ea = (rx * bz - rz * bx) / det, eb = (ax * rz - az * rx) / det;
  lengths[stretch[0]] += ea;
  lengths[stretch[1]] += eb;
  if (lengths[stretch[0]] < 20 || lengths[stretch[1]] < 20) {
    snprintf(error, error_size, "%s: closing the lap needs straights of %.1f and %.1f ft", d->folder,
             lengths[stretch[0]], lengths[stretch[1]]);
    return false;
  }
  lay_out(d, lengths, turns, laid, &ex, &ez, &eh);

  double total = 0;
  for (int k = 0; k < n; k++) {
    c->move_start[k] = total;
    total += laid[k].length;
  }
  c->length = total;
  c->count = (int)lround(total);
  c->ds = total / c->count;
  int N = c->count;
  c->x = (double*)xmalloc(sizeof(double) * N);
  c->z = (double*)xmalloc(sizeof(double) * N);
  c->tx = (double*)xmalloc(sizeof(double) * N);
  c->tz = (double*)xmalloc(sizeof(double) * N);
  c->curvature = (double*)xmalloc(sizeof(double) * N);
  c->profile = (double*)xmalloc(sizeof(double) * N);
  c->width = (double*)xmalloc(sizeof(double) * N);
  c->bank = (double*)xmalloc(sizeof(double) * N);
  double* raw = (double*)xmalloc(sizeof(double) * N);
  int move = 0;
  for (int k = 0; k < N; k++) {
    double s = k * c->ds;
    while (move + 1 < n && s >= c->move_start[move + 1]) move++;
    double h;
    advance(&laid[move], s - c->move_start[move], &c->x[k], &c->z[k], &h);
    c->tx[k] = cos(h);
    c->tz[k] = sin(h);
    // Left turns (heading decreasing) count positive.
    raw[k] = laid[move].turn == 0 ? 0 : (laid[move].turn > 0 ? -1.0 : 1.0) / laid[move].radius;
  }

  // Curvature smoothed over 40 ft, so banking ramps in and out of a turn.
  int half = (int)lround(20.0 / c->ds);
  for (int k = 0; k < N; k++) {
    double sum = 0;
    for (int m = -half; m <= half; m++) sum += raw[((k + m) % N + N) % N];
    c->curvature[k] = sum / (2 * half + 1);
  }
  free(raw);
  for (int k = 0; k < N; k++) {
    double degrees = fmin(d->berm_max_degrees, d->berm_degrees_per_curvature * fabs(c->curvature[k]));
    c->bank[k] = (c->curvature[k] >= 0 ? 1 : -1) * radians(degrees);
  }

  for (int k = 0; k < N; k++) {
    double s = k * c->ds;
    double w = d->width;
    for (int z = 0; z < d->zone_count; z++) {
      const WidthZone* zone = &d->zones[z];
      double rel = s - d->gate_line;
      double t = 1.0;
      if (rel < zone->from) t = 1.0 - (zone->from - rel) / zone->taper;
      else if (rel > zone->to) t = 1.0 - (rel - zone->to) / zone->taper;
      if (t <= 0) continue;
      double blended = d->width + (zone->width - d->width) * cos_ramp(t);
      if (blended > w) w = blended;
    }
    c->width[k] = w;
    c->profile[k] = 0;
  }

  for (int f = 0; f < d->feature_count; f++) {
    const Feature* feature = &d->features[f];
    if (feature->move < 0 || feature->move >= n || d->moves[feature->move].kind != STRAIGHT) {
      snprintf(error, error_size, "%s: feature %d is not on a straight", d->folder, f);
      free_course(c);
      return false;
    }
    double start = c->move_start[feature->move] + feature->at;
    double end = start + feature_length(feature);
    if (feature->at < 20 || end > c->move_start[feature->move] + laid[feature->move].length - 20) {
      snprintf(error, error_size, "%s: feature %d (%.0f ft long) does not fit its straight of %.0f ft", d->folder, f,
               feature_length(feature), laid[feature->move].length);
      free_course(c);
      return false;
    }
    for (int k = (int)floor(start / c->ds); k <= (int)ceil(end / c->ds) && k < N; k++)
      c->profile[k] += feature_height(feature, k * c->ds - start);
  }
  return true;
}

void free_course(Course* c) {
  free(c->x);
  free(c->z);
  free(c->tx);
  free(c->tz);
  free(c->curvature);
  free(c->profile);
  free(c->width);
  free(c->bank);
  memset(c, 0, sizeof *c);
}

double wrap_distance(const Course* c, double s) {
  double w = fmod(s, c->length);
  return w < 0 ? w + c->length : w;
}

int course_index(const Course* c, double s) {
  int k = (int)lround(wrap_distance(c, s) / c->ds);
  return k >= c->count ? k - c->count : k;
}

double course_clearance(const Course* c, double apart, double* at_a, double* at_b) {
  double best = 1e30;
  int step = 2;
  for (int a = 0; a < c->count; a += step)
    for (int b = a + step; b < c->count; b += step) {
      double along = (b - a) * c->ds;
      if (along < apart || c->length - along < apart) continue;
      double dx = c->x[a] - c->x[b], dz = c->z[a] - c->z[b];
      double d2 = dx * dx + dz * dz;
      if (d2 < best) {
        best = d2;
        *at_a = a * c->ds;
        *at_b = b * c->ds;
      }
    }
  return sqrt(best);
}
