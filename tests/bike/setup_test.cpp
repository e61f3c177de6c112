// Setup table and defaults, the stability preset, the conversions and
// clamping of every tuning value with the range flag, the sprocket floor,
// menu display values, the refusal rule and the rider mass split.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <set>
#include <string>

#include "bike/setup.h"
#include "core/helpers.h"

namespace {

const double PI = 3.14159265358979323846;

class BikeSetupTest : public testing::Test {
 protected:
  void SetUp() override {
    clear_setup_range_flag();
    reset_setup_refusals();
    message_ring_clear();
    bike_setup_defaults(&setup);
    model = find_bike_model("crf450(2013)");
    ASSERT_NE(model, nullptr);
    init_bike_tuning(&tuning, model);
  }
  bool apply() { return apply_setup_tuning(&tuning, model, &setup, 0, 100); }

  BikeSetup setup;
  BikeTuning tuning;
  const BikeModel* model = nullptr;
};

}  // namespace

TEST(BikeSetupTable, KeysDefaultsAndFields) {
  std::set<std::string> keys;
  for (int i = 0; i < setup_value_count(); i++) {
    const SetupValueInfo* info = setup_value_at(i);
    SCOPED_TRACE(info->key);
    EXPECT_TRUE(keys.insert(info->key).second) << "duplicate key";
    EXPECT_EQ(find_setup_value(info->key), info);
    if (info->kind == SETUP_VALUE_NUMBER) {
      EXPECT_GE(info->default_number, info->minimum);
      EXPECT_LE(info->default_number, info->maximum);
      EXPECT_GT(info->step, 0);
    } else if (info->kind == SETUP_VALUE_CHOICE) {
      ASSERT_GT(info->choice_count, 1);
      EXPECT_STREQ(info->choices[(int)info->default_number], info->default_text);
    } else {
      EXPECT_GT(info->text_size, (int)strlen(info->default_text));
    }
  }
  EXPECT_EQ(setup_value_count(), 53);
  EXPECT_STREQ(setup_value_at(0)->key, "bike");
  EXPECT_STREQ(setup_value_at(setup_value_count() - 1)->key, "rider_mass_distribution");
  EXPECT_EQ(find_setup_value("nonsense"), nullptr);
  EXPECT_EQ(find_setup_value("name")->text_size, 64);
  EXPECT_EQ(find_setup_value("number")->text_size, 4);

  BikeSetup s;
  bike_setup_defaults(&s);
  EXPECT_NE(find_bike_model(s.bike), nullptr);
  EXPECT_STREQ(s.bike, "450sxf(2013)");
  EXPECT_STREQ(s.name, "Anon Rider");
  EXPECT_STREQ(s.number, "999");
  EXPECT_STREQ(s.wheel_texture, "default");
  EXPECT_EQ(s.stability, 100);
  EXPECT_EQ(s.restricted_lock, 7.5);
  EXPECT_EQ(s.stop_wheelies, STOP_WHEELIES_NO);
  EXPECT_EQ(s.front_brake, BRAKE_ANTILOCK);
  EXPECT_EQ(s.rear_brake, BRAKE_NORMAL);
  EXPECT_EQ(s.reverse_steering, SETUP_YES);
  EXPECT_EQ(s.max_dab_speed, 20);
  EXPECT_EQ(s.rider_mass_distribution, 0.33);

  // The table's fields are the record's fields.
  struct Field {
    const char* key;
    const void* field;
  } fields[] = {
      {"max_dab_speed", &s.max_dab_speed},
      {"rider_zdamping", &s.rider_zdamping},
      {"restricted_lock", &s.restricted_lock},
      {"lean_indicator", &s.lean_indicator},
      {"stop_wheelies", &s.stop_wheelies},
      {"head_texture", s.head_texture},
      {"number", s.number},
  };
  for (const Field& f : fields) {
    const SetupValueInfo* info = find_setup_value(f.key);
    ASSERT_NE(info, nullptr) << f.key;
    EXPECT_EQ((const char*)&s + info->offset, f.field) << f.key;
  }
}

TEST(BikeSetupTable, StabilityPreset) {
  struct Case {
    double level;
    int column_low, column_high;  // expected: mid-point of these columns
  } cases[] = {
      {100, 5, 5}, {150, 5, 5}, {0, 0, 0}, {-10, 0, 0}, {NAN, 0, 0}, {50, 2, 3}, {20, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level);
    BikeSetup s;
    bike_setup_defaults(&s);
    stability_preset(&s, c.level);
    for (int i = 0; i < STABILITY_ASSIST_COUNT; i++) {
      const StabilityAssist* a = stability_assist_at(i);
      double expected = (a->points[c.column_low] + a->points[c.column_high]) / 2;
      EXPECT_EQ(*setup_number(&s, find_setup_value(a->key)), expected) << a->key;
    }
  }
  BikeSetup s;
  stability_preset(&s, 50);
  EXPECT_EQ(s.roll_damping, 65);
  EXPECT_EQ(s.roll_limit_angle, 42.5);
  EXPECT_EQ(s.roll_limit_factor, 21);
  EXPECT_EQ(s.slow_damping_factor, 1.75);
  EXPECT_EQ(s.restricted_lock, 7.5);
  stability_preset(&s, 100);
  EXPECT_EQ(s.direct_steering, 0);
  EXPECT_EQ(s.roll_damping, 80);
  EXPECT_EQ(s.restricted_lock, 5);
}

TEST_F(BikeSetupTest, MaxDabSpeedConversionAndRangeFlag) {
  struct Case {
    double mph;
    float feet_per_second;
    bool flag;
  } cases[] = {
      {5, 7.3333335f, false}, {60, 88, false}, {70, 100, false}, {76, 100, false},
      {77, 100, true},        {1, 7, false},   {-4, 7, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mph);
    clear_setup_range_flag();
    setup.max_dab_speed = c.mph;
    ASSERT_TRUE(apply());
    EXPECT_NEAR(tuning.max_dab_speed, c.feet_per_second, 1e-5);
    EXPECT_EQ(setup_range_flag(), c.flag);
  }
}

TEST_F(BikeSetupTest, SettersClampAndFlagBeyondAnEighthOfTheSpan) {
  using Setter = std::function<void(BikeTuning*, float)>;
  using Getter = std::function<float(const BikeTuning*)>;
  struct Case {
    const char* what;
    Setter set;
    Getter get;
    float value, stored;
    bool flag;
  } cases[] = {
      {"falloff inside slack", set_land_damping_falloff,
       [](const BikeTuning* t) { return t->land_damping_falloff; }, -0.06f, 0, false},
      {"falloff beyond slack", set_land_damping_falloff,
       [](const BikeTuning* t) { return t->land_damping_falloff; }, -0.07f, 0, true},
      {"falloff high", set_land_damping_falloff,
       [](const BikeTuning* t) { return t->land_damping_falloff; }, 0.57f, 0.5f, true},
      {"mass share low inside", set_rider_mass_distribution,
       [](const BikeTuning* t) { return t->rider_mass_distribution; }, 0.31f, 0.33f, false},
      {"mass share low beyond", set_rider_mass_distribution,
       [](const BikeTuning* t) { return t->rider_mass_distribution; }, 0.30f, 0.33f, true},
      {"mass share high beyond", set_rider_mass_distribution,
       [](const BikeTuning* t) { return t->rider_mass_distribution; }, 0.53f, 0.5f, true},
      {"roll limit pi", set_roll_limit_angle,
       [](const BikeTuning* t) { return t->roll_limit_angle; }, 3.5f, (float)PI, false},
      {"restricted lock", set_restricted_lock_angle,
       [](const BikeTuning* t) { return t->restricted_lock_angle; }, 1.0f, (float)(PI / 4), true},
      {"leveling not a number", set_leveling, [](const BikeTuning* t) { return t->leveling; },
       NAN, 0, true},
      {"brake torque", set_front_brake_torque,
       [](const BikeTuning* t) { return t->front_brake_torque; }, 550, 500, false},
      {"auto clutch", set_auto_clutch_rpm, [](const BikeTuning* t) { return t->auto_clutch_rpm; },
       -700, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    clear_setup_range_flag();
    c.set(&tuning, c.value);
    EXPECT_FLOAT_EQ(c.get(&tuning), c.stored);
    EXPECT_EQ(setup_range_flag(), c.flag);
  }
}

TEST_F(BikeSetupTest, DampingSlidersAndFlag) {
  struct Case {
    double slider;
    float factor;
    bool flag;
  } cases[] = {
      {0, 0.5f, false}, {50, 1, false}, {100, 2, false}, {105, 2, false},  // 2^1.1 = 2.14
      {110, 2, true},                                                      // 2^1.2 = 2.30
      {-10, 0.5f, false}, {-40, 0.5f, true},                              // 0.379, 0.287
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.slider);
    clear_setup_range_flag();
    setup.shock_rebound_adjustment = c.slider;
    setup.fork_compression_adjustment = c.slider;
    ASSERT_TRUE(apply());
    EXPECT_FLOAT_EQ(tuning.shock_rebound, model->shock_rebound_base * c.factor);
    EXPECT_FLOAT_EQ(tuning.fork_compression, model->fork_compression_base * c.factor);
    EXPECT_EQ(setup_range_flag(), c.flag);
  }
}

TEST_F(BikeSetupTest, SprocketsFloorAndKeepThreeTeeth) {
  BikeModel small = *model;
  small.front_sprocket = 4;
  small.rear_sprocket = 40;
  struct Case {
    const BikeModel* model;
    float front, rear;
    int front_teeth, rear_teeth;
    bool flag;
  } cases[] = {
      {model, 0, 0, 13, 48, false},     {model, -2, 2, 11, 50, false},
      {model, 0.5f, -0.5f, 13, 47, false}, {model, 5, -2.4f, 15, 46, true},
      {&small, -2, 0, 3, 40, false},    {&small, -1.5f, 0, 3, 40, false},
      {&small, -1, 0, 3, 40, false},    {&small, 1, 0, 5, 40, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.front << " " << c.rear);
    clear_setup_range_flag();
    set_sprockets(&tuning, c.model, c.front, c.rear);
    EXPECT_EQ(tuning.front_teeth, c.front_teeth);
    EXPECT_EQ(tuning.rear_teeth, c.rear_teeth);
    EXPECT_FLOAT_EQ(tuning.final_drive, (float)c.rear_teeth / c.front_teeth);
    EXPECT_EQ(setup_range_flag(), c.flag);
  }
  // Through the setup: a front adjustment of -2 on a 4-tooth sprocket.
  setup.front_sprocket_adjustment = -2;
  ASSERT_TRUE(apply_setup_tuning(&tuning, &small, &setup, 0, 0));
  EXPECT_EQ(tuning.front_teeth, 3);
}

TEST_F(BikeSetupTest, DefaultSetupConvertsToTheSimulationUnits) {
  ASSERT_TRUE(apply());
  EXPECT_FLOAT_EQ(tuning.roll_limit_angle, (float)(PI / 4));
  EXPECT_FLOAT_EQ(tuning.restricted_lock_angle, (float)(7.5 * PI / 180));
  EXPECT_FLOAT_EQ(tuning.fork_rebound, model->fork_rebound_base);
  EXPECT_FLOAT_EQ(tuning.fork_spring, (model->fork_spring_min + model->fork_spring_max) / 2);
  EXPECT_FLOAT_EQ(tuning.fork_air_length, (model->fork_air_min + model->fork_air_max) / 2);
  EXPECT_FLOAT_EQ(tuning.shock_preload, model->shock_preload_max / 2);
  EXPECT_FLOAT_EQ(tuning.rider_zspring, 0.5f);
  EXPECT_FLOAT_EQ(tuning.rider_mass_distribution, 0.33f);
  EXPECT_FLOAT_EQ(tuning.final_drive, 48.0f / 13);
  EXPECT_TRUE(tuning.arcade);
  EXPECT_TRUE(tuning.front_antilock);
  EXPECT_FALSE(tuning.rear_antilock);
  EXPECT_TRUE(tuning.auto_shift);
  EXPECT_FALSE(setup_range_flag());

  setup.fork_oil_level_adjustment = 100;
  setup.fork_spring_rate_adjustment = 0;
  setup.rider_ydamping = 25;
  ASSERT_TRUE(apply());
  EXPECT_FLOAT_EQ(tuning.fork_air_length, model->fork_air_max);
  EXPECT_FLOAT_EQ(tuning.fork_spring, model->fork_spring_min);
  EXPECT_FLOAT_EQ(tuning.rider_ydamping, 0.25f);

  struct Wheelies {
    int mode;
    bool throttle, front_brake, flag;
  } wheelies[] = {
      {STOP_WHEELIES_NO, false, false, false},
      {STOP_WHEELIES_YES, true, true, false},
      {STOP_WHEELIES_FRONT_ONLY, false, true, false},
      {7, false, false, true},
  };
  for (const Wheelies& w : wheelies) {
    SCOPED_TRACE(w.mode);
    clear_setup_range_flag();
    setup.stop_wheelies = w.mode;
    ASSERT_TRUE(apply());
    EXPECT_EQ(tuning.stop_wheelies_throttle, w.throttle);
    EXPECT_EQ(tuning.stop_wheelies_front_brake, w.front_brake);
    EXPECT_EQ(setup_range_flag(), w.flag);
  }
}

TEST_F(BikeSetupTest, CreationTuning) {
  const BikeModel* rm = find_bike_model("rm125");
  init_bike_tuning(&tuning, rm);
  EXPECT_EQ(tuning.front_teeth, 12);
  EXPECT_EQ(tuning.rear_teeth, 50);
  EXPECT_FLOAT_EQ(tuning.fork_air_length, rm->fork_air_min);
  EXPECT_FLOAT_EQ(tuning.fork_compression, rm->fork_compression_base);
  EXPECT_FLOAT_EQ(tuning.shock_spring, (rm->shock_spring_min + rm->shock_spring_max) / 2);
  EXPECT_FALSE(tuning.stop_wheelies_throttle);
  EXPECT_TRUE(tuning.stop_wheelies_front_brake);
  EXPECT_FALSE(tuning.auto_shift);
  EXPECT_FALSE(tuning.auto_dab);
  EXPECT_TRUE(tuning.auto_align);
  EXPECT_FLOAT_EQ(tuning.max_dab_speed, 30);
  EXPECT_FLOAT_EQ(tuning.rider_mass_distribution, 1.0f / 3);
  EXPECT_FLOAT_EQ(tuning.restricted_lock_angle, 0.0872665f);
  EXPECT_EQ(tuning.slow_damping_speed, 0);
}

TEST_F(BikeSetupTest, RefusedWhileMovingWithTheMessageOnRepeats) {
  const char* message = "Settings not applied.  Mechanic can't keep up error.";
  struct Step {
    float speed;
    double time;
    bool applied, message;
  } steps[] = {
      {2.0f, 0, false, false},    // the one before was at -20 s
      {0.2f, 5, false, true},     // 5 s after the previous refusal
      {0.125f, 6, true, false},   // at the limit counts as standing
      {3.0f, 15.5, false, false}, // 10.5 s after the previous refusal
      {3.0f, 20, false, true},    // 4.5 s after
      {3.0f, 40, false, false},
      {0, 41, true, false},
  };
  setup.leveling = 77;
  for (const Step& s : steps) {
    SCOPED_TRACE(s.time);
    message_ring_clear();
    init_bike_tuning(&tuning, model);
    EXPECT_EQ(apply_setup_tuning(&tuning, model, &setup, s.speed, s.time), s.applied);
    EXPECT_EQ(tuning.leveling, s.applied ? 77 : 20);
    EXPECT_STREQ(message_line(0), s.message ? message : "");
  }
}

TEST(BikeSetupDisplay, MenuValues) {
  const BikeModel* m = find_bike_model("crf450(2013)");
  struct Case {
    const char* key;
    double value;
    const char* text;
  } cases[] = {
      {"fork_oil_level_adjustment", 100, "76.20 mm"},
      {"fork_oil_level_adjustment", 0, "127.01 mm"},
      {"fork_oil_level_adjustment", 150, "76.20 mm"},
      {"fork_spring_rate_adjustment", 0, "0.280 kg/mm"},
      {"fork_spring_rate_adjustment", 100, "0.680 kg/mm"},
      {"shock_spring_rate_adjustment", 100, "7.70 kg/mm"},
      {"fork_preload_adjustment", 100, "25.39 mm"},
      {"shock_preload_adjustment", 50, "4.19 mm"},
      {"front_sprocket_adjustment", -1.5, "11.50 teeth"},
      {"rear_sprocket_adjustment", 2, "50.00 teeth"},
  };
  char text[64];
  for (const Case& c : cases) {
    EXPECT_TRUE(format_setup_display(text, sizeof text, m, c.key, c.value)) << c.key;
    EXPECT_STREQ(text, c.text) << c.key << " " << c.value;
  }
  EXPECT_FALSE(format_setup_display(text, sizeof text, m, "leveling", 50));
  EXPECT_STREQ(text, "");
}

TEST(BikeSetupMass, RiderMassSplitKeepsTheTotal) {
  const BikeModel* m = find_bike_model("kx250f(2013)");
  float total = m->frame_mass + m->rider_mass;
  RiderMassSplit third = rider_mass_split(m, 1.0f / 3);
  RiderMassSplit half = rider_mass_split(m, 0.5f);
  RiderMassSplit low = rider_mass_split(m, 0.33f);
  EXPECT_FLOAT_EQ(third.frame_mass + third.rider_mass, total);
  EXPECT_FLOAT_EQ(half.frame_mass + half.rider_mass, total);
  EXPECT_FLOAT_EQ(half.rider_mass, m->rider_mass / 2);
  EXPECT_NEAR(half.rider_mass - low.rider_mass, 0.17f * m->rider_mass, 1e-5);
  EXPECT_EQ(half.rider_radius, 1);
  EXPECT_EQ(half.frame_size[1], m->frame_size[1]);
  EXPECT_FLOAT_EQ(rider_mass_split(m, 0.9f).rider_mass, half.rider_mass);
  EXPECT_FLOAT_EQ(rider_mass_split(m, NAN).rider_mass, low.rider_mass);
}
