// The generator's own geometry: seamless noise, ridable feature profiles,
// closed and clear course layouts, and terrain whose ridden surface stays
// under the face angle a bike can take.
#include <gtest/gtest.h>

#include "datagen.h"

#include <cmath>
#include <cstring>

namespace {

const double kMaxFace = tan(30.5 * 3.14159265358979 / 180.0);
const TrackDesign* const designs[] = {&rabbithill_design, &harborarena_design};

TEST(Noise, PeriodicNoiseTilesAndStaysInRange) {
  for (int period : {4, 8, 32}) {
    for (double y = 0; y < period; y += 0.37) {
      for (double x = 0; x < period; x += 0.41) {
        double v = value_noise(x, y, 7u, period);
        EXPECT_GE(v, -1.0);
        EXPECT_LE(v, 1.0);
        EXPECT_NEAR(v, value_noise(x + period, y, 7u, period), 1e-9);
        EXPECT_NEAR(v, value_noise(x, y - period, 7u, period), 1e-9);
      }
    }
    // Octaves tile too: a texture painted with them has no seam.
    EXPECT_NEAR(fbm(0.25, 1.5, 3u, 4, period), fbm(0.25 + period, 1.5 + period, 3u, 4, period), 1e-9);
  }
  // Different seeds give different ground.
  EXPECT_NE(value_noise(1.5, 2.5, 1u, 0), value_noise(1.5, 2.5, 2u, 0));
}

TEST(Features, EveryShippedFeatureIsRidable) {
  for (const TrackDesign* d : designs) {
    for (int f = 0; f < d->feature_count; f++) {
      const Feature* feature = &d->features[f];
      double length = feature_length(feature);
      ASSERT_GT(length, 0) << d->folder << " feature " << f;
      EXPECT_EQ(feature_height(feature, 0), 0) << d->folder << " feature " << f;
      EXPECT_NEAR(feature_height(feature, length), 0, 1e-9) << d->folder << " feature " << f;
      double steepest = 0, highest = 0, step = 0.05;
      for (double u = 0; u < length; u += step) {
        double a = feature_height(feature, u), b = feature_height(feature, u + step);
        steepest = fmax(steepest, fabs(b - a) / step);
        highest = fmax(highest, a);
      }
      EXPECT_LT(steepest, kMaxFace) << d->folder << " feature " << f;
      EXPECT_GT(highest, 1.0) << d->folder << " feature " << f;
    }
  }
}

TEST(Features, ShapesHaveTheirParts) {
  // A double dips back to the ground between take-off and landing; a
  // step-up lands higher than it took off; a tabletop holds its height.
  Feature dbl = {DOUBLE, 0, 0, 18, 6, 30, 6.5, 24, 0, 0, false};
  double lip = feature_height(&dbl, 18 - 1e-9);
  EXPECT_NEAR(lip, 6, 1e-6);
  double gap = feature_height(&dbl, 18 + M_PI * 6 / (2 * 0.55) + 15);
  EXPECT_EQ(gap, 0);
  Feature step = {STEP_UP, 0, 0, 16, 4.5, 60, 7.5, 40, 0, 0, false};
  double top = feature_height(&step, feature_length(&step) - 40 - 30);
  EXPECT_NEAR(top, 7.5, 1e-9);
  Feature table = {TABLETOP, 0, 0, 17, 5.5, 36, 0, 24, 0, 0, false};
  EXPECT_EQ(feature_height(&table, 17 + 18), 5.5);
  Feature whoops = {WHOOPS, 0, 0, 0, 1.4, 0, 0, 0, 14, 9, false};
  EXPECT_NEAR(feature_height(&whoops, 4.5), 1.4, 1e-9);
  EXPECT_NEAR(feature_height(&whoops, 9.0), 0, 1e-9);
}

TEST(Course, ShippedLayoutsCloseAndKeepTheirDistance) {
  for (const TrackDesign* d : designs) {
    Course c;
    char error[256] = "";
    ASSERT_TRUE(build_course(d, &c, error, sizeof error)) << error;
    // The lap closes: the last point runs into the first, heading the same way.
    double dx = c.x[0] - c.x[c.count - 1], dz = c.z[0] - c.z[c.count - 1];
    EXPECT_NEAR(sqrt(dx * dx + dz * dz), c.ds, 0.05) << d->folder;
    EXPECT_NEAR(c.tx[0] * c.tx[c.count - 1] + c.tz[0] * c.tz[c.count - 1], 1.0, 1e-3) << d->folder;
    // Separate stretches of track never come close enough to merge.
    double a, b;
    double clear = course_clearance(&c, 150, &a, &b);
    EXPECT_GT(clear, 2 * d->width) << d->folder << " at " << a << " and " << b;
    // Everything stays on the terrain with room for trackside objects.
    double extent = (1 << (d->size_exponent + 1)) * d->spacing;
    for (int k = 0; k < c.count; k++) {
      double margin = c.width[k] * 0.5 + 15;
      ASSERT_GT(c.x[k], margin) << d->folder;
      ASSERT_GT(c.z[k], margin) << d->folder;
      ASSERT_LT(c.x[k], extent - margin) << d->folder;
      ASSERT_LT(c.z[k], extent - margin) << d->folder;
    }
    // The start line holds every gate.
    int gate = course_index(&c, d->gate_line);
    EXPECT_GE(c.width[gate], (d->start_gates - 1) * d->gate_spacing + 6) << d->folder;
    free_course(&c);
  }
}

TEST(Course, RabbitHillIsAMileLongAndBanked) {
  const TrackDesign* d = &rabbithill_design;
  Course c;
  char error[256] = "";
  ASSERT_TRUE(build_course(d, &c, error, sizeof error)) << error;
  EXPECT_GT(c.length, 4800);
  EXPECT_LT(c.length, 5800);
  EXPECT_GE(d->width, 25);
  EXPECT_LE(d->width, 30);
  EXPECT_EQ(d->start_gates, 40);
  EXPECT_EQ(d->size_exponent, 9);
  // Turns bank towards their inside: the outside is raised.
  double most = 0;
  for (int k = 0; k < c.count; k++) most = fmax(most, fabs(c.bank[k]));
  EXPECT_GT(most, 8 * M_PI / 180);
  free_course(&c);
}

TEST(Course, BrokenLayoutsAreRefused) {
  static const Move no_closing[] = {{STRAIGHT, 100, 0, 0, true}, {LEFT, 0, 50, 180, false},
                                    {STRAIGHT, 100, 0, 0, true}, {LEFT, 0, 50, 180, false}};
  static const Move parallel[] = {{STRAIGHT, 100, 0, 0, true}, {LEFT, 0, 50, 180, false},
                                  {STRAIGHT, 100, 0, 0, true}, {LEFT, 0, 50, 0, false}};
  // Closing this one would shrink the first straight to 10 ft.
  static const Move too_short[] = {{STRAIGHT, 400, 0, 0, true}, {LEFT, 0, 50, 90, false},
                                   {STRAIGHT, 100, 0, 0, false}, {LEFT, 0, 50, 90, false},
                                   {STRAIGHT, 10, 0, 0, false},  {LEFT, 0, 50, 90, false},
                                   {STRAIGHT, 100, 0, 0, true},  {LEFT, 0, 50, 0, false}};
  static const Feature too_long[] = {{TABLETOP, 0, 40, 20, 5, 700, 0, 30, 0, 0, false}};
  static const Feature on_a_turn[] = {{TABLETOP, 1, 40, 20, 5, 20, 0, 30, 0, 0, false}};
  struct Case {
    const Move* moves;
    int count;
    const Feature* features;
    const char* message;
  } cases[] = {
      {no_closing, 4, nullptr, "closing arc"},
      {parallel, 4, nullptr, "parallel"},
      {too_short, 8, nullptr, "closing the lap needs"},
      {parallel + 0, 0, nullptr, "closing arc"},
      {rabbithill_design.moves, rabbithill_design.move_count, too_long, "does not fit"},
      {rabbithill_design.moves, rabbithill_design.move_count, on_a_turn, "not on a straight"},
  };
  for (const Case& k : cases) {
    TrackDesign d = rabbithill_design;
    d.moves = k.moves;
    d.move_count = k.count;
    d.features = k.features;
    d.feature_count = k.features ? 1 : 0;
    Course c;
    char error[256] = "";
    EXPECT_FALSE(build_course(&d, &c, error, sizeof error)) << k.message;
    EXPECT_NE(strstr(error, k.message), nullptr) << error;
  }
}

TEST(Terrain, RiddenSurfaceStaysUnderThirtyDegrees) {
  for (const TrackDesign* d : designs) {
    Course c;
    char error[256] = "";
    ASSERT_TRUE(build_course(d, &c, error, sizeof error)) << error;
    Terrain t;
    synthesize_terrain(d, &c, &t);
    EXPECT_EQ(t.N, (1 << (d->size_exponent + 1)) + 1);
    double at;
    double slope = steepest_track_slope(d, &c, &t, &at);
    EXPECT_LT(slope, kMaxFace) << d->folder << " at " << at << " ft";
    // The track is cut into the ground: on the centreline the height is the
    // track's own, and far away the natural ground is untouched.
    for (int k = 0; k < c.count; k += 97) {
      double want = track_height(d, &c, &t, k * c.ds, 0);
      EXPECT_NEAR(terrain_height(&t, c.x[k], c.z[k]), want, 0.35) << d->folder << " at " << k * c.ds;
    }
    EXPECT_EQ(t.height[0], t.natural[0]);
    free_terrain(&t);
    free_course(&c);
  }
}

}  // namespace
