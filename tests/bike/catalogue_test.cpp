// Catalogue data against the published figures of every model, the torque
// families, asset names, gear walk-down, the fallback lookup and aliases.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "bike/catalogue.h"
#include "core/helpers.h"

namespace {

struct Expected {
  const char* name;
  const char* sound_class;
  float peak;
  int peak_rpm, zero_rpm;
  int front, rear;
  int gears;
  const char* prefix;
};

// Typed from the published catalogue, independently of the code's rows.
const Expected expected_models[BIKE_MODEL_COUNT] = {
    {"crf450(2013)", "450f", 31.0f, 7000, 12000, 13, 48, 5, "crf450v2013"},
    {"kx450f(2013)", "450f", 31.2f, 7000, 12000, 13, 50, 5, "kx450f"},
    {"rmz450(2013)", "450f", 33.3f, 7500, 12000, 13, 50, 5, "rmz450"},
    {"yz450f(2013)", "450f", 29.7f, 7500, 12000, 13, 48, 5, "yz450f"},
    {"450sxf(2013)", "450f", 33.9f, 7500, 12000, 14, 50, 5, "450sxfv2013"},
    {"350sxf(2013)", "250f", 27.1f, 8500, 13500, 14, 50, 5, "350sxfv2013"},
    {"crf450(2011)", "450f", 34.6f, 6500, 12000, 13, 48, 5, "crf450"},
    {"kx450f(2011)", "450f", 35.8f, 6500, 12000, 13, 50, 5, "kx450f"},
    {"rmz450(2011)", "450f", 36.1f, 7000, 12000, 13, 50, 5, "rmz450"},
    {"yz450f(2011)", "450f", 33.0f, 7000, 12000, 13, 48, 5, "yz450f"},
    {"450sxf(2011)", "450f", 35.4f, 7500, 12500, 14, 52, 5, "450sxf"},
    {"350sxf(2011)", "450f", 27.7f, 8000, 12000, 14, 50, 5, "350sxf"},
    {"250sx(2012)", "250", 32.6f, 8000, 10500, 13, 48, 5, "250sx"},
    {"cr250(2007)", "250", 32.8f, 7500, 10500, 13, 49, 5, "cr250"},
    {"kx250(2006)", "250", 32.1f, 7500, 10500, 13, 51, 5, "kx250"},
    {"rm250(2008)", "250", 31.5f, 7500, 10500, 13, 50, 5, "rm250"},
    {"yz250(2012)", "250", 29.9f, 7500, 10500, 14, 50, 5, "yz250"},
    {"crf250(2013)", "250f", 18.6f, 9000, 14000, 13, 49, 5, "crf250v2010"},
    {"kx250f(2013)", "250f", 19.2f, 8500, 14000, 13, 50, 5, "kx250fv2013"},
    {"rmz250(2013)", "250f", 18.5f, 8500, 14000, 13, 49, 5, "rmz250v2010"},
    {"yz250f(2013)", "250f", 18.7f, 8000, 14000, 13, 50, 5, "yz250fv2010"},
    {"250sxf(2013)", "250f", 18.9f, 8500, 14000, 13, 50, 6, "250sxfv2013"},
    {"crf250(2009)", "250f", 20.4f, 8500, 14000, 13, 51, 5, "crf250"},
    {"kx250f(2009)", "250f", 19.8f, 8000, 14000, 13, 48, 5, "kx250f"},
    {"rmz250(2009)", "250f", 20.2f, 8500, 14000, 13, 48, 5, "rmz250"},
    {"yz250f(2009)", "250f", 20.1f, 8500, 14000, 13, 48, 5, "yz250f"},
    {"250sxf(2009)", "250f", 20.2f, 8500, 14000, 13, 48, 6, "250sxf"},
    {"crf250(2008)", "250f", 19.1f, 9500, 13500, 13, 51, 5, "crf250"},
    {"kx250f(2008)", "250f", 19.0f, 8500, 13500, 13, 48, 5, "kx250f"},
    {"rmz250(2008)", "250f", 19.3f, 8500, 13500, 13, 48, 5, "rmz250"},
    {"yz250f(2008)", "250f", 19.0f, 8500, 13500, 13, 48, 5, "yz250f"},
    {"cr125", "125", 16.0f, 10000, 13000, 13, 52, 5, "cr125"},
    {"kx125", "125", 16.8f, 9500, 13000, 13, 51, 6, "kx125"},
    {"rm125", "125", 16.5f, 10500, 14000, 12, 50, 6, "rm125"},
    {"yz125", "125", 15.9f, 10000, 13000, 13, 48, 6, "yz125"},
    {"125sx", "125", 17.4f, 10500, 13000, 13, 50, 6, "125sx"},
    {"crf250(2007)", "250f", 19.0f, 8000, 13500, 13, 51, 5, "crf250"},
    {"kx250f(2007)", "250f", 19.6f, 8000, 13500, 13, 48, 5, "kx250f"},
    {"rmz250(2007)", "250f", 19.9f, 8000, 13500, 13, 48, 5, "rmz250"},
    {"yz250f(2007)", "250f", 18.3f, 8000, 13500, 13, 48, 5, "yz250f"},
    {"yz250f_se(2006)", "250f", 18.3f, 8000, 13500, 13, 48, 5, "yz250f"},
    {"rs50cr", "50", 4.312f, 9500, 13500, 12, 55, 6, "cr125"},
    {"rs50kx", "50", 4.312f, 9500, 13500, 12, 55, 6, "kx125"},
    {"rs50rm", "50", 4.312f, 9500, 13500, 12, 55, 6, "rm125"},
    {"rs50yz", "50", 4.312f, 9500, 13500, 12, 55, 6, "yz125"},
};

int index_of_max(const float* table) {
  int best = 0;
  for (int i = 1; i < TORQUE_POINT_COUNT; i++)
    if (table[i] > table[best]) best = i;
  return best;
}

int first_not_positive(const float* table) {
  for (int i = 0; i < TORQUE_POINT_COUNT; i++)
    if (table[i] <= 0) return i;
  return -1;
}

// The closed-throttle families written out from their description.
float expected_closed(const char* sound_class, int i) {
  static const float two_stroke[22] = {2,    2,     1,    0,  -1,    -1.2f, -1.4f, -1.6f,
                                       -1.8f, -2,   -2.25f, -2.5f, -2.75f, -3, -3.33f, -3.67f,
                                       -4,   -5,    -6,   -7,   -8,    -9};
  bool four_stroke = !strcmp(sound_class, "450f") || !strcmp(sound_class, "250f");
  float v;
  if (i < 4) v = two_stroke[i];
  else if (!four_stroke && i < 22) v = two_stroke[i];
  else v = -std::floor((i - 2) / 2.0f);
  if (!strcmp(sound_class, "50") && i >= 4) v /= 2;
  return v;
}

}  // namespace

TEST(BikeCatalogue, EveryModelMatchesItsPublishedFigures) {
  ASSERT_EQ(bike_model_count(), BIKE_MODEL_COUNT);
  for (int i = 0; i < BIKE_MODEL_COUNT; i++) {
    const Expected& e = expected_models[i];
    SCOPED_TRACE(e.name);
    const BikeModel* m = bike_model_at(i);
    EXPECT_STREQ(m->name, e.name);
    EXPECT_STREQ(bike_model_name(i), e.name);
    EXPECT_EQ(find_bike_model(e.name), m);
    EXPECT_EQ(bike_model_index(m), i);
    EXPECT_STREQ(m->sound_class, e.sound_class);
    EXPECT_EQ(m->front_sprocket, e.front);
    EXPECT_EQ(m->rear_sprocket, e.rear);
    EXPECT_STREQ(m->asset_prefix, e.prefix);

    const float* full = m->full_torque;
    EXPECT_NEAR(full[index_of_max(full)], e.peak, 0.0501f);
    EXPECT_EQ(index_of_max(full) * 500, e.peak_rpm);
    int zero = first_not_positive(full);
    EXPECT_EQ(zero * 500, e.zero_rpm);
    float base = strcmp(e.sound_class, "50") == 0 ? 1.0f : 5.0f;
    for (int k = 0; k <= 4; k++) EXPECT_EQ(full[k], base) << "index " << k;
    // Past the zero point the engine only loses torque, half or one unit
    // per index at most once it is under way.
    for (int k = zero + 1; k < TORQUE_POINT_COUNT; k++) {
      EXPECT_LE(full[k], full[k - 1]) << "index " << k;
      EXPECT_LE(full[k], 0) << "index " << k;
      if (k > zero + 1) {
        float step = full[k - 1] - full[k];
        EXPECT_TRUE(step == 0 || step == 0.5f || step == 1.0f) << "index " << k << " step " << step;
      }
    }

    for (int k = 0; k < TORQUE_POINT_COUNT; k++)
      EXPECT_FLOAT_EQ(m->closed_torque[k], expected_closed(e.sound_class, k)) << "index " << k;

    for (int g = 0; g < BIKE_GEAR_COUNT; g++) {
      if (g < e.gears) EXPECT_GT(m->gear_ratios[g], 0) << "gear " << g;
      else EXPECT_EQ(m->gear_ratios[g], -1) << "gear " << g;
    }
    if (e.gears == 5) {
      EXPECT_EQ(walk_down_gear(m, 5), 4);
      EXPECT_EQ(walk_down_gear(m, 40), 4);
    } else {
      EXPECT_EQ(walk_down_gear(m, 5), 5);
    }
    EXPECT_EQ(walk_down_gear(m, 3), 3);
    EXPECT_EQ(walk_down_gear(m, -1), 0);
  }
}

TEST(BikeCatalogue, MeasuredTorqueRowsAreKept) {
  struct Point {
    const char* model;
    int index;
    float value;
  } points[] = {
      {"crf450(2013)", 8, 22.2f},  {"crf450(2013)", 23, 14.4f}, {"crf450(2013)", 25, -10},
      {"crf450(2013)", 49, -34},   {"crf250(2013)", 11, 11.46f}, {"crf250(2013)", 18, 18.65f},
      {"crf250(2013)", 29, -13.5f}, {"crf250(2013)", 49, -23.5f}, {"cr125", 25, 2.101f},
      {"cr125", 27, 0},            {"cr125", 49, -11},          {"rs50yz", 9, 1},
      {"rs50yz", 10, 1.101f},      {"rs50yz", 49, -5.5f},
  };
  for (const Point& p : points) {
    const BikeModel* m = find_bike_model(p.model);
    ASSERT_NE(m, nullptr) << p.model;
    EXPECT_EQ(m->full_torque[p.index], p.value) << p.model << " index " << p.index;
  }
}

TEST(BikeCatalogue, FortyOneDistinctFullThrottleCurves) {
  int distinct = 0;
  for (int i = 0; i < BIKE_MODEL_COUNT; i++) {
    bool seen = false;
    for (int j = 0; j < i && !seen; j++)
      seen = memcmp(bike_model_at(i)->full_torque, bike_model_at(j)->full_torque,
                    sizeof(float) * TORQUE_POINT_COUNT) == 0;
    if (!seen) distinct++;
  }
  EXPECT_EQ(distinct, 41);
  EXPECT_EQ(memcmp(find_bike_model("yz250f(2007)")->full_torque,
                   find_bike_model("yz250f_se(2006)")->full_torque, sizeof(float) * TORQUE_POINT_COUNT),
            0);
}

TEST(BikeCatalogue, ClassValuesUseTheirExactFigures) {
  struct Row {
    const char* model;
    float frame, fork, arm, fork_min, fork_max, shock_min, shock_max, rider, inertia;
  } rows[] = {
      {"450sxf(2013)", 4.735f, 45.0f / 64, 0.5025f, 376.303f, 913.878f, 2486.29f, 5174.16f,
       175.0f / 32, 0.00885f},
      {"350sxf(2011)", 4.735f, 45.0f / 64, 0.5025f, 376.303f, 913.878f, 2486.29f, 5174.16f,
       175.0f / 32, 0.006836f},
      {"kx250(2006)", 4.36562f, 0.75375f, 0.589375f, 322.545f, 860.12f, 2083.1f, 4770.98f,
       175.0f / 32, 0.006836f},
      {"rmz250(2008)", 4.24f, 45.0f / 64, 0.504375f, 335.984f, 873.56f, 2217.5f, 4905.37f,
       150.0f / 32, 0.004883f},
      {"125sx", 3.65375f, 0.739688f, 0.541875f, 322.545f, 860.12f, 1814.32f, 4502.19f,
       150.0f / 32, 0.004883f},
      {"rs50kx", 3.34125f, 0.739688f, 0.541875f, 309.106f, 846.681f, 1814.32f, 4502.19f,
       150.0f / 32, 0.001194f},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.model);
    const BikeModel* m = find_bike_model(r.model);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->frame_mass, r.frame);
    EXPECT_EQ(m->fork_mass, r.fork);
    EXPECT_EQ(m->swingarm_arm_mass, r.arm);
    EXPECT_EQ(m->fork_spring_min, r.fork_min);
    EXPECT_EQ(m->fork_spring_max, r.fork_max);
    EXPECT_EQ(m->shock_spring_min, r.shock_min);
    EXPECT_EQ(m->shock_spring_max, r.shock_max);
    EXPECT_EQ(m->rider_mass, r.rider);
    EXPECT_EQ(m->engine_inertia, r.inertia);
  }
  const BikeModel* fifty = find_bike_model("rs50rm");
  EXPECT_EQ(fifty->drive_stiffness, 1200);
  EXPECT_EQ(fifty->drive_damping, 1.0f);
}

TEST(BikeCatalogue, AssetNames) {
  for (int i = 0; i < BIKE_MODEL_COUNT; i++) {
    const BikeModel* m = bike_model_at(i);
    for (int a = 0; a < BIKE_ASSET_COUNT; a++) {
      ASSERT_NE(m->assets[a], nullptr) << m->name << " asset " << a;
      EXPECT_EQ(m->assets[a][0], '@') << m->name << " asset " << a;
    }
  }
  struct Row {
    const char* model;
    BikeAsset asset;
    const char* name;
  } rows[] = {
      {"crf450(2013)", BIKE_ASSET_FRAME_MODEL, "@crf450v2013_frame.zm"},
      {"crf450(2013)", BIKE_ASSET_BIKE_TEXTURE, "@crf450v2013.png"},
      {"350sxf(2013)", BIKE_ASSET_FORK_UPPER_MODEL, "@350sxfv2013_fork_upper.zm"},
      {"kx450f(2011)", BIKE_ASSET_FORK_LOWER_MODEL, "@kx450f_fork_lower.zm"},
      {"rm250(2008)", BIKE_ASSET_SWINGARM_MODEL, "@rm250_swingarm.zm"},
      {"crf250(2013)", BIKE_ASSET_SIDE_PLATES_MODEL, "@crf250v2010_side_plates.zm"},
      {"yz125", BIKE_ASSET_FRONT_PLATE_MODEL, "@yz125_front_plate.zm"},
      {"yz250f_se(2006)", BIKE_ASSET_BIKE_TEXTURE, "@yz250f_se.png"},
      {"yz250f_se(2006)", BIKE_ASSET_FRAME_MODEL, "@yz250f_frame.zm"},
      {"yz250f(2007)", BIKE_ASSET_BIKE_TEXTURE, "@yz250f.png"},
      {"rs50cr", BIKE_ASSET_FRAME_MODEL, "@cr125_frame.zm"},
      {"rs50cr", BIKE_ASSET_FRAME_SHAPE, "@generic_frame.shp"},
      {"rs50cr", BIKE_ASSET_FORK_UPPER_SHAPE, "@generic_fork_upper.shp"},
      {"rs50cr", BIKE_ASSET_FORK_LOWER_SHAPE, "@generic_fork_lower.shp"},
      {"rs50cr", BIKE_ASSET_SWINGARM_SHAPE, "@generic_swingarm.shp"},
      {"rs50cr", BIKE_ASSET_FRONT_WHEEL_MODEL, "@front_wheel.zm"},
      {"rs50cr", BIKE_ASSET_FRONT_WHEEL_SHAPE, "@front_wheel.shp"},
      {"rs50cr", BIKE_ASSET_REAR_WHEEL_MODEL, "@rear_wheel.zm"},
      {"rs50cr", BIKE_ASSET_REAR_WHEEL_SHAPE, "@rear_wheel.shp"},
      {"rs50cr", BIKE_ASSET_WHEEL_TEXTURE, "@wheels.png"},
      {"rs50cr", BIKE_ASSET_RIDER_HEAD_MODEL, "@rider_head.zm"},
      {"rs50cr", BIKE_ASSET_RIDER_HEAD_TEXTURE, "@rider_head.png"},
      {"rs50cr", BIKE_ASSET_RIDER_BODY_MODEL, "@rider_body.zm"},
      {"rs50cr", BIKE_ASSET_RIDER_BODY_FP_MODEL, "@rider_body_fp.zm"},
      {"rs50cr", BIKE_ASSET_RIDER_SHAPE, "@generic_rider.shp"},
      {"rs50cr", BIKE_ASSET_RIDER_BODY_TEXTURE, "@rider_body.png"},
      {"rs50cr", BIKE_ASSET_RIDER_PLATE_MODEL, "@rider_plate.zm"},
  };
  for (const Row& r : rows) EXPECT_STREQ(find_bike_model(r.model)->assets[r.asset], r.name) << r.model;
}

TEST(BikeCatalogue, PostureIsMirroredAndSharesOneSkeleton) {
  for (int i = 0; i < BIKE_MODEL_COUNT; i++) {
    const BikeModel* m = bike_model_at(i);
    EXPECT_EQ(m->rest_bone_centres, rider_rest_bone_centres);
    const float(*pairs[])[3] = {m->shoulders, m->hips, m->grips, m->pegs};
    for (auto pair : pairs) {
      EXPECT_LT(pair[RIDER_LEFT][0], 0) << m->name;
      EXPECT_EQ(pair[RIDER_LEFT][0], -pair[RIDER_RIGHT][0]) << m->name;
      EXPECT_EQ(pair[RIDER_LEFT][1], pair[RIDER_RIGHT][1]) << m->name;
      EXPECT_EQ(pair[RIDER_LEFT][2], pair[RIDER_RIGHT][2]) << m->name;
    }
  }
  const BikeModel* m = bike_model_at(0);
  EXPECT_EQ(m->grips[RIDER_LEFT][0], -1.097f);
  EXPECT_EQ(m->pegs[RIDER_RIGHT][2], 0.584f);
  EXPECT_EQ(m->shin_length, 1.701f);
  // Bone pairs are left then right, mirrored; the torso sits on the centre plane.
  for (int b = 0; b < 8; b += 2) {
    EXPECT_LT(rider_rest_bone_centres[b][0], 0);
    EXPECT_EQ(rider_rest_bone_centres[b][0], -rider_rest_bone_centres[b + 1][0]);
  }
  EXPECT_EQ(rider_rest_bone_centres[8][0], 0);
}

TEST(BikeCatalogue, FallbackLookup) {
  struct Case {
    const char* requested;
    const char* chosen;
    const char* message;  // null: no message
  } cases[] = {
      {"cr125", "cr125", nullptr},
      {"kx125x", "cr125", "bike info for 'kx125x' not found using 'cr125' instead"},
      {"foo", "kx250f(2013)", "bike info for 'foo' not found using 'kx250f(2013)' instead"},
      {"CRF450(2013)", "kx250f(2013)",
       "bike info for 'CRF450(2013)' not found using 'kx250f(2013)' instead"},
      {"", "kx250f(2013)", "bike info for '' not found using 'kx250f(2013)' instead"},
      {"a_very_long_bike_name_125_here", "cr125",
       "bike info for 'a_very_long_bike_nam' not found using 'cr125' instead"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.requested);
    message_ring_clear();
    const BikeModel* m = resolve_bike_model(c.requested);
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(m->name, c.chosen);
    if (c.message)
      EXPECT_STREQ(message_line(0), c.message);
    else
      EXPECT_STREQ(message_line(0), "");
    EXPECT_EQ(find_bike_model(c.requested) != nullptr, c.message == nullptr);
  }
  EXPECT_EQ(find_bike_model(nullptr), nullptr);
  EXPECT_STREQ(resolve_bike_model(nullptr)->name, "kx250f(2013)");
}

TEST(BikeCatalogue, AliasesNameCatalogueModelsDrawnWithThatArt) {
  const char* roster_names[] = {"crf250", "kx250f", "rmz250", "yz250f"};
  for (const char* name : roster_names) {
    const BikeModel* m = find_bike_model(bike_alias(name));
    ASSERT_NE(m, nullptr) << name;
    EXPECT_STREQ(m->asset_prefix, name);
    // The newest model carrying that art comes first in the catalogue.
    for (int i = 0; i < bike_model_index(m); i++)
      EXPECT_STRNE(bike_model_at(i)->asset_prefix, name) << name;
  }
  const char* others[] = {"250sxf", "yz250f_se", "crf450", "kx450f", "rmz450", "yz450f",
                          "450sxf", "350sxf",    "250sx",  "cr250",  "kx250",  "rm250", "yz250"};
  for (const char* name : others) EXPECT_NE(find_bike_model(bike_alias(name)), nullptr) << name;
  EXPECT_STREQ(bike_alias("cr125"), "cr125");
  EXPECT_STREQ(bike_alias("kx125x"), "kx125x");
  EXPECT_STREQ(bike_alias("yz250f(2013)"), "yz250f(2013)");
  EXPECT_EQ(bike_alias(nullptr), nullptr);
}
