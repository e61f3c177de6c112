// The bike setup: its key table and defaults, the stability preset, and the
// tuning values a bike keeps, converted from the setup and clamped by the
// setters. Owns the setup range flag and the time of the last refusal.
#include "bike/setup.h"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/helpers.h"

namespace {

const double PI = 3.14159265358979323846;
const double DEGREES_TO_RADIANS = PI / 180;
const double FEET_PER_SECOND_PER_MPH = 1.466666666666666563;
const double KG_MM_PER_FORK_LEG = 0.0007440819724087572;  // half the both-legs rate
const double DISPLAY_MM_PER_FT = 304.79999999999995;
// A setup cannot be changed while the bike rolls faster than this (ft/s).
const float MOVING_SPEED = 0.125f;
const double REFUSAL_MESSAGE_WINDOW = 10;

const char* const no_yes[] = {"No", "Yes"};
const char* const brake_choices[] = {"Normal", "Antilock"};
const char* const wheelie_choices[] = {"No", "Yes", "Front Only"};

#define FIELD(field) offsetof(BikeSetup, field)
#define NUMBER(key, label, min, max, step, def) \
  {#key, label, SETUP_VALUE_NUMBER, min, max, step, def, nullptr, nullptr, 0, 0, FIELD(key)}
#define CHOICE(key, label, list, def) \
  {#key, label, SETUP_VALUE_CHOICE, 0, 0, 0, def, list[def], list, \
   (int)(sizeof list / sizeof list[0]), 0, FIELD(key)}
#define TEXT(key, label, def) \
  {#key, label, SETUP_VALUE_TEXT, 0, 0, 0, 0, def, nullptr, 0, \
   (int)sizeof(BikeSetup::key), FIELD(key)}
#define NAMED_CHOICE(key, label, def) \
  {#key, label, SETUP_VALUE_NAMED_CHOICE, 0, 0, 0, 0, def, nullptr, 0, \
   (int)sizeof(BikeSetup::key), FIELD(key)}

const SetupValueInfo setup_values[] = {
    NAMED_CHOICE(bike, "Bike", "450sxf(2013)"),
    TEXT(name, "Name", "Anon Rider"),
    TEXT(number, "Number", "999"),
    NAMED_CHOICE(rider_texture, "Riding Gear", "default"),
    NAMED_CHOICE(head_texture, "Helmet", "default"),
    NAMED_CHOICE(bike_texture, "Bike Graphics", "default"),
    NAMED_CHOICE(wheel_texture, "Wheel Graphics", "default"),
    NUMBER(stability, "Stability", 0, 100, 1, 100),
    NUMBER(leveling, "Leveling", 0, 100, 1, 20),
    NUMBER(roll_damping, "Roll Damping", 0, 100, 1, 60),
    NUMBER(roll_limit_angle, "Roll Limit Angle", 0, 180, 1, 45),
    NUMBER(roll_limit_factor, "Roll Limit Factor", 0, 64, 1, 10),
    NUMBER(steering_damping, "Steering Damping", 0, 100, 1, 45),
    NUMBER(steering_strength, "Steering Strength", 0, 100, 1, 75),
    NUMBER(max_steering_force, "Max Steering Force", 0, 1000, 5, 400),
    NUMBER(direct_steering, "Direct Steering", 0, 1, 0.125, 1),
    NUMBER(slow_damping_speed, "Slow Damping Speed", 0, 100, 1, 40),
    NUMBER(slow_damping_factor, "Slow Damping Factor", 1, 10, 0.25, 2),
    NUMBER(land_damping_falloff, "Landing Damping Falloff", 0, 0.5, 0.0625, 0.25),
    NUMBER(land_damping_factor, "Landing Damping Factor", 1, 3, 0.25, 2),
    NUMBER(full_lock_speed, "Full Lock Speed", 1, 100, 1, 10),
    NUMBER(restricted_lock_speed, "Restricted Lock Speed", 1, 100, 1, 50),
    NUMBER(restricted_lock, "Restricted Lock Angle", 0, 45, 0.125, 7.5),
    CHOICE(arcade, "Arcade Physics", no_yes, SETUP_YES),
    CHOICE(front_brake, "Front Brake", brake_choices, BRAKE_ANTILOCK),
    CHOICE(rear_brake, "Rear Brake", brake_choices, BRAKE_NORMAL),
    CHOICE(stop_wheelies, "Stop Wheelies", wheelie_choices, STOP_WHEELIES_NO),
    CHOICE(auto_shift, "Automatic Shifting", no_yes, SETUP_YES),
    CHOICE(auto_dab, "Dab When Stopped", no_yes, SETUP_YES),
    CHOICE(auto_align, "Realign After Fall", no_yes, SETUP_YES),
    CHOICE(sticky_dab, "Sticky Sit/Dab", no_yes, SETUP_NO),
    CHOICE(reverse_steering, "Reversed Steering", no_yes, SETUP_YES),
    CHOICE(lean_indicator, "Lean Indicator", no_yes, SETUP_YES),
    NUMBER(auto_clutch_rpms, "Auto Clutch RPMs", 0, 5000, 100, 5000),
    NUMBER(brake_torque, "Braking Torque (Front)", 0, 500, 10, 250),
    NUMBER(rear_brake_torque, "Braking Torque (Rear)", 0, 500, 10, 250),
    NUMBER(max_dab_speed, "Max Dab Speed (MPH)", 5, 60, 1, 20),
    NUMBER(front_sprocket_adjustment, "Countershaft Sprocket", -2, 2, 1, 0),
    NUMBER(rear_sprocket_adjustment, "Rear Sprocket", -2, 2, 1, 0),
    NUMBER(fork_compression_adjustment, "Fork Compression Damping", 0, 100, 1, 50),
    NUMBER(fork_rebound_adjustment, "Fork Rebound Damping", 0, 100, 1, 50),
    NUMBER(fork_spring_rate_adjustment, "Fork Spring Rate", 0, 100, 1, 50),
    NUMBER(fork_preload_adjustment, "Fork Preload", 0, 100, 1, 50),
    NUMBER(fork_oil_level_adjustment, "Fork Oil Level", 0, 100, 1, 50),
    NUMBER(shock_compression_adjustment, "Shock Compression Damping", 0, 100, 1, 50),
    NUMBER(shock_rebound_adjustment, "Shock Rebound Damping", 0, 100, 1, 50),
    NUMBER(shock_spring_rate_adjustment, "Shock Spring Rate", 0, 100, 1, 50),
    NUMBER(shock_preload_adjustment, "Shock Preload", 0, 100, 1, 50),
    NUMBER(rider_yspring, "Rider Vertical Spring", 0, 100, 1, 50),
    NUMBER(rider_ydamping, "Rider Vertical Damping", 0, 100, 1, 50),
    NUMBER(rider_zspring, "Rider Forward Spring", 0, 100, 1, 50),
    NUMBER(rider_zdamping, "Rider Forward Damping", 0, 100, 1, 50),
    NUMBER(rider_mass_distribution, "Rider Mass Distribution", 0.33, 0.5, 0.01, 0.33),
};

const int SETUP_VALUE_COUNT = (int)(sizeof setup_values / sizeof setup_values[0]);

// Angles in degrees, as the menus show them.
const StabilityAssist stability_assists[STABILITY_ASSIST_COUNT] = {
    {"leveling", {20, 20, 20, 20, 20, 20}},
    {"roll_damping", {40, 50, 60, 70, 75, 80}},
    {"roll_limit_angle", {90, 45, 45, 40, 35, 35}},
    {"roll_limit_factor", {0, 5, 10, 32, 32, 32}},
    {"steering_damping", {45, 45, 45, 45, 45, 45}},
    {"steering_strength", {75, 75, 75, 75, 75, 75}},
    {"direct_steering", {1, 1, 1, 1, 1, 0}},
    {"max_steering_force", {400, 400, 400, 400, 400, 400}},
    {"slow_damping_speed", {40, 40, 40, 40, 40, 40}},
    {"slow_damping_factor", {1, 1, 1.5, 2, 2, 2}},
    {"land_damping_falloff", {0, 0.125, 0.25, 0.25, 0.25, 0.25}},
    {"land_damping_factor", {1, 1.5, 2, 2, 2, 2}},
    {"full_lock_speed", {10, 10, 10, 10, 10, 10}},
    {"restricted_lock_speed", {50, 50, 50, 50, 50, 50}},
    {"restricted_lock", {45, 15, 10, 5, 5, 5}},
};

bool range_flag = false;
double last_refusal_time = -20;

// Clamps to [minimum, maximum]; a value more than an eighth of the span
// outside, or not a number at all, also raises the range flag.
float clamp_setup(float value, double minimum, double maximum) {
  double eighth = (maximum - minimum) / 8;
  if (std::isnan(value)) {
    range_flag = true;
    return (float)minimum;
  }
  if (value < minimum - eighth || value > maximum + eighth) range_flag = true;
  if (value < minimum) return (float)minimum;
  if (value > maximum) return (float)maximum;
  return value;
}

float lerp(float a, float b, float s) { return a + (b - a) * s; }

int teeth(float stock, float adjustment) {
  int count = (int)std::floor(stock + adjustment);
  return count < 3 ? 3 : count;
}

}  // namespace

int setup_value_count() { return SETUP_VALUE_COUNT; }

const SetupValueInfo* setup_value_at(int index) {
  assert(index >= 0 && index < SETUP_VALUE_COUNT);
  return &setup_values[index];
}

const SetupValueInfo* find_setup_value(const char* key) {
  if (!key) return nullptr;
  for (const SetupValueInfo& info : setup_values)
    if (strcmp(info.key, key) == 0) return &info;
  return nullptr;
}

double* setup_number(BikeSetup* setup, const SetupValueInfo* info) {
  assert(info->kind == SETUP_VALUE_NUMBER);
  return (double*)((char*)setup + info->offset);
}

int* setup_choice(BikeSetup* setup, const SetupValueInfo* info) {
  assert(info->kind == SETUP_VALUE_CHOICE);
  return (int*)((char*)setup + info->offset);
}

char* setup_text(BikeSetup* setup, const SetupValueInfo* info) {
  assert(info->kind == SETUP_VALUE_TEXT || info->kind == SETUP_VALUE_NAMED_CHOICE);
  return (char*)setup + info->offset;
}

void bike_setup_defaults(BikeSetup* setup) {
  memset(setup, 0, sizeof *setup);
  for (const SetupValueInfo& info : setup_values) {
    switch (info.kind) {
      case SETUP_VALUE_NUMBER:
        *setup_number(setup, &info) = info.default_number;
        break;
      case SETUP_VALUE_CHOICE:
        *setup_choice(setup, &info) = (int)info.default_number;
        break;
      case SETUP_VALUE_TEXT:
      case SETUP_VALUE_NAMED_CHOICE:
        snprintf(setup_text(setup, &info), info.text_size, "%s", info.default_text);
        break;
    }
  }
}

const StabilityAssist* stability_assist_at(int index) {
  assert(index >= 0 && index < STABILITY_ASSIST_COUNT);
  return &stability_assists[index];
}

double stability_assist_value(int index, double level) {
  const double* points = stability_assist_at(index)->points;
  double x = level * 5 * 0.01;
  if (!(x >= 0)) x = 0;  // also catches a level that is not a number
  if (x > 5) x = 5;
  int i = (int)std::floor(x);
  if (i > 4) i = 4;
  double f = x - i;
  return points[i] + f * (points[i + 1] - points[i]);
}

void stability_preset(BikeSetup* setup, double level) {
  for (int i = 0; i < STABILITY_ASSIST_COUNT; i++) {
    const SetupValueInfo* info = find_setup_value(stability_assists[i].key);
    assert(info);
    *setup_number(setup, info) = stability_assist_value(i, level);
  }
}

void set_leveling(BikeTuning* t, float v) { t->leveling = clamp_setup(v, 0, 100); }
void set_roll_damping(BikeTuning* t, float v) { t->roll_damping = clamp_setup(v, 0, 100); }
void set_roll_limit_angle(BikeTuning* t, float radians) {
  t->roll_limit_angle = clamp_setup(radians, 0, PI);
}
void set_roll_limit_factor(BikeTuning* t, float v) { t->roll_limit_factor = clamp_setup(v, 0, 64); }
void set_steering_damping(BikeTuning* t, float v) { t->steering_damping = clamp_setup(v, 0, 100); }
void set_steering_strength(BikeTuning* t, float v) {
  t->steering_strength = clamp_setup(v, 0, 100);
}
void set_max_steering_force(BikeTuning* t, float v) {
  t->max_steering_force = clamp_setup(v, 0, 1000);
}
void set_arcade(BikeTuning* t, bool on) { t->arcade = on; }
void set_front_antilock(BikeTuning* t, bool on) { t->front_antilock = on; }
void set_rear_antilock(BikeTuning* t, bool on) { t->rear_antilock = on; }
void set_stop_wheelies(BikeTuning* t, int mode) {
  if (mode < STOP_WHEELIES_NO || mode > STOP_WHEELIES_FRONT_ONLY) {
    range_flag = true;
    mode = STOP_WHEELIES_NO;
  }
  t->stop_wheelies_throttle = mode == STOP_WHEELIES_YES;
  t->stop_wheelies_front_brake = mode != STOP_WHEELIES_NO;
}
void set_auto_shift(BikeTuning* t, bool on) { t->auto_shift = on; }
void set_auto_dab(BikeTuning* t, bool on) { t->auto_dab = on; }
void set_auto_align(BikeTuning* t, bool on) { t->auto_align = on; }
void set_direct_steering(BikeTuning* t, float v) { t->direct_steering = clamp_setup(v, 0, 1); }
void set_slow_damping_speed(BikeTuning* t, float v) {
  t->slow_damping_speed = clamp_setup(v, 0, 100);
}
void set_slow_damping_factor(BikeTuning* t, float v) {
  t->slow_damping_factor = clamp_setup(v, 1, 10);
}
void set_land_damping_falloff(BikeTuning* t, float v) {
  t->land_damping_falloff = clamp_setup(v, 0, 0.5);
}
void set_land_damping_factor(BikeTuning* t, float v) {
  t->land_damping_factor = clamp_setup(v, 1, 3);
}
void set_full_lock_speed(BikeTuning* t, float v) { t->full_lock_speed = clamp_setup(v, 1, 100); }
void set_restricted_lock_speed(BikeTuning* t, float v) {
  t->restricted_lock_speed = clamp_setup(v, 1, 100);
}
void set_restricted_lock_angle(BikeTuning* t, float radians) {
  t->restricted_lock_angle = clamp_setup(radians, 0, PI / 4);
}
void set_auto_clutch_rpm(BikeTuning* t, float rpm) { t->auto_clutch_rpm = clamp_setup(rpm, 0, 5000); }
void set_front_brake_torque(BikeTuning* t, float torque) {
  t->front_brake_torque = clamp_setup(torque, 0, 500);
}
void set_rear_brake_torque(BikeTuning* t, float torque) {
  t->rear_brake_torque = clamp_setup(torque, 0, 500);
}
void set_max_dab_speed(BikeTuning* t, float feet_per_second) {
  t->max_dab_speed = clamp_setup(feet_per_second, 7, 100);
}

void set_sprockets(BikeTuning* t, const BikeModel* model, float front_adjustment,
                   float rear_adjustment) {
  t->front_sprocket_adjustment = clamp_setup(front_adjustment, -2, 2);
  t->rear_sprocket_adjustment = clamp_setup(rear_adjustment, -2, 2);
  t->front_teeth = teeth(model->front_sprocket, t->front_sprocket_adjustment);
  t->rear_teeth = teeth(model->rear_sprocket, t->rear_sprocket_adjustment);
  t->final_drive = (float)t->rear_teeth / (float)t->front_teeth;
}

void set_fork_values(BikeTuning* t, const BikeModel* model, float compression_factor,
                     float rebound_factor, float spring_s, float preload_s, float oil_level_s) {
  t->fork_compression = model->fork_compression_base * clamp_setup(compression_factor, 0.5, 2);
  t->fork_rebound = model->fork_rebound_base * clamp_setup(rebound_factor, 0.5, 2);
  t->fork_spring = lerp(model->fork_spring_min, model->fork_spring_max, clamp_setup(spring_s, 0, 1));
  t->fork_preload =
      lerp(model->fork_preload_min, model->fork_preload_max, clamp_setup(preload_s, 0, 1));
  t->fork_air_length =
      lerp(model->fork_air_min, model->fork_air_max, clamp_setup(oil_level_s, 0, 1));
}

void set_shock_values(BikeTuning* t, const BikeModel* model, float compression_factor,
                      float rebound_factor, float spring_s, float preload_s) {
  t->shock_compression = model->shock_compression_base * clamp_setup(compression_factor, 0.5, 2);
  t->shock_rebound = model->shock_rebound_base * clamp_setup(rebound_factor, 0.5, 2);
  t->shock_spring =
      lerp(model->shock_spring_min, model->shock_spring_max, clamp_setup(spring_s, 0, 1));
  t->shock_preload =
      lerp(model->shock_preload_min, model->shock_preload_max, clamp_setup(preload_s, 0, 1));
}

void set_rider_springs(BikeTuning* t, float vertical, float forward) {
  t->rider_yspring = clamp_setup(vertical, 0, 1);
  t->rider_zspring = clamp_setup(forward, 0, 1);
}

void set_rider_dampings(BikeTuning* t, float vertical, float forward) {
  t->rider_ydamping = clamp_setup(vertical, 0, 1);
  t->rider_zdamping = clamp_setup(forward, 0, 1);
}

void set_rider_mass_distribution(BikeTuning* t, float share) {
  t->rider_mass_distribution = clamp_setup(share, 0.33, 0.5);
}

float slider_fraction(double slider) { return (float)(slider / 100); }
float damping_factor(double slider) { return (float)std::pow(2.0, slider * 0.02 - 1); }
float mph_to_feet_per_second(double mph) { return (float)(mph * FEET_PER_SECOND_PER_MPH); }

bool setup_range_flag() { return range_flag; }
void clear_setup_range_flag() { range_flag = false; }

void init_bike_tuning(BikeTuning* t, const BikeModel* model) {
  memset(t, 0, sizeof *t);
  t->leveling = 20;
  t->roll_damping = 60;
  t->roll_limit_angle = (float)(PI / 4);
  t->roll_limit_factor = 10;
  t->steering_damping = 45;
  t->steering_strength = 75;
  t->max_steering_force = 400;
  t->direct_steering = 1;
  t->slow_damping_speed = 0;
  t->slow_damping_factor = 1;
  t->land_damping_falloff = 0.25f;
  t->land_damping_factor = 2;
  t->full_lock_speed = 10;
  t->restricted_lock_speed = 50;
  t->restricted_lock_angle = 0.0872665f;
  t->auto_clutch_rpm = 5000;
  t->front_brake_torque = 250;
  t->rear_brake_torque = 250;
  t->max_dab_speed = 30;
  t->arcade = false;
  t->stop_wheelies_throttle = false;
  t->stop_wheelies_front_brake = true;
  t->front_antilock = true;
  t->rear_antilock = false;
  t->auto_shift = false;
  t->auto_dab = false;
  t->auto_align = true;
  t->front_teeth = teeth(model->front_sprocket, 0);
  t->rear_teeth = teeth(model->rear_sprocket, 0);
  t->final_drive = (float)t->rear_teeth / (float)t->front_teeth;
  t->fork_compression = model->fork_compression_base;
  t->fork_rebound = model->fork_rebound_base;
  t->fork_spring = lerp(model->fork_spring_min, model->fork_spring_max, 0.5f);
  t->fork_preload = lerp(model->fork_preload_min, model->fork_preload_max, 0.5f);
  t->fork_air_length = model->fork_air_min;
  t->shock_compression = model->shock_compression_base;
  t->shock_rebound = model->shock_rebound_base;
  t->shock_spring = lerp(model->shock_spring_min, model->shock_spring_max, 0.5f);
  t->shock_preload = lerp(model->shock_preload_min, model->shock_preload_max, 0.5f);
  t->rider_yspring = t->rider_ydamping = t->rider_zspring = t->rider_zdamping = 0.5f;
  t->rider_mass_distribution = 1.0f / 3;
}

bool apply_setup_tuning(BikeTuning* t, const BikeModel* model, const BikeSetup* s,
                        float frame_speed, double now) {
  if (frame_speed > MOVING_SPEED) {
    if (now - last_refusal_time < REFUSAL_MESSAGE_WINDOW)
      show_message("Settings not applied.  Mechanic can't keep up error.");
    last_refusal_time = now;
    return false;
  }
  set_leveling(t, (float)s->leveling);
  set_roll_damping(t, (float)s->roll_damping);
  set_roll_limit_angle(t, (float)(s->roll_limit_angle * DEGREES_TO_RADIANS));
  set_roll_limit_factor(t, (float)s->roll_limit_factor);
  set_steering_damping(t, (float)s->steering_damping);
  set_steering_strength(t, (float)s->steering_strength);
  set_max_steering_force(t, (float)s->max_steering_force);
  set_arcade(t, s->arcade != SETUP_NO);
  set_front_antilock(t, s->front_brake == BRAKE_ANTILOCK);
  set_rear_antilock(t, s->rear_brake == BRAKE_ANTILOCK);
  set_stop_wheelies(t, s->stop_wheelies);
  set_auto_shift(t, s->auto_shift != SETUP_NO);
  set_auto_dab(t, s->auto_dab != SETUP_NO);
  set_auto_align(t, s->auto_align != SETUP_NO);
  set_direct_steering(t, (float)s->direct_steering);
  set_slow_damping_speed(t, (float)s->slow_damping_speed);
  set_slow_damping_factor(t, (float)s->slow_damping_factor);
  set_land_damping_falloff(t, (float)s->land_damping_falloff);
  set_land_damping_factor(t, (float)s->land_damping_factor);
  set_full_lock_speed(t, (float)s->full_lock_speed);
  set_restricted_lock_speed(t, (float)s->restricted_lock_speed);
  set_restricted_lock_angle(t, (float)(s->restricted_lock * DEGREES_TO_RADIANS));
  set_auto_clutch_rpm(t, (float)s->auto_clutch_rpms);
  set_front_brake_torque(t, (float)s->brake_torque);
  set_rear_brake_torque(t, (float)s->rear_brake_torque);
  set_max_dab_speed(t, mph_to_feet_per_second(s->max_dab_speed));
  set_sprockets(t, model, (float)s->front_sprocket_adjustment,
                (float)s->rear_sprocket_adjustment);
  set_fork_values(t, model, damping_factor(s->fork_compression_adjustment),
                  damping_factor(s->fork_rebound_adjustment),
                  slider_fraction(s->fork_spring_rate_adjustment),
                  slider_fraction(s->fork_preload_adjustment),
                  slider_fraction(s->fork_oil_level_adjustment));
  set_shock_values(t, model, damping_factor(s->shock_compression_adjustment),
                   damping_factor(s->shock_rebound_adjustment),
                   slider_fraction(s->shock_spring_rate_adjustment),
                   slider_fraction(s->shock_preload_adjustment));
  set_rider_springs(t, slider_fraction(s->rider_yspring), slider_fraction(s->rider_zspring));
  set_rider_dampings(t, slider_fraction(s->rider_ydamping), slider_fraction(s->rider_zdamping));
  set_rider_mass_distribution(t, (float)s->rider_mass_distribution);
  return true;
}

void reset_setup_refusals() { last_refusal_time = -20; }

RiderMassSplit rider_mass_split(const BikeModel* model, float distribution) {
  float d = distribution;
  if (!(d >= 0.33f)) d = 0.33f;
  if (d > 0.5f) d = 0.5f;
  RiderMassSplit split;
  split.frame_mass = model->frame_mass + (1 - d) * model->rider_mass;
  memcpy(split.frame_size, model->frame_size, sizeof split.frame_size);
  split.rider_mass = d * model->rider_mass;
  split.rider_radius = 1;
  return split;
}

bool format_setup_display(char* text, int size, const BikeModel* m, const char* key,
                          double value) {
  assert(size > 0);
  text[0] = 0;
  if (!key) return false;
  double s = value / 100;
  if (!(s >= 0)) s = 0;
  if (s > 1) s = 1;
  auto along = [s](float a, float b) { return a + (b - (double)a) * s; };
  if (strcmp(key, "fork_spring_rate_adjustment") == 0)
    snprintf(text, size, "%.3f kg/mm", along(m->fork_spring_min, m->fork_spring_max) * KG_MM_PER_FORK_LEG);
  else if (strcmp(key, "fork_preload_adjustment") == 0)
    snprintf(text, size, "%.2f mm", along(m->fork_preload_min, m->fork_preload_max) * DISPLAY_MM_PER_FT);
  else if (strcmp(key, "fork_oil_level_adjustment") == 0)
    snprintf(text, size, "%.2f mm", along(m->fork_air_min, m->fork_air_max) * DISPLAY_MM_PER_FT);
  else if (strcmp(key, "shock_spring_rate_adjustment") == 0)
    snprintf(text, size, "%.2f kg/mm", along(m->shock_spring_min, m->shock_spring_max) * KG_MM_PER_LBF_FT);
  else if (strcmp(key, "shock_preload_adjustment") == 0)
    snprintf(text, size, "%.2f mm", along(m->shock_preload_min, m->shock_preload_max) * DISPLAY_MM_PER_FT);
  else if (strcmp(key, "front_sprocket_adjustment") == 0)
    snprintf(text, size, "%.2f teeth", m->front_sprocket + value);
  else if (strcmp(key, "rear_sprocket_adjustment") == 0)
    snprintf(text, size, "%.2f teeth", m->rear_sprocket + value);
  else
    return false;
  return true;
}
