// The rider's bike setup: the values the menus and setup files hold, their
// table of keys, labels, ranges and defaults, the stability preset, and the
// conversion of a setup into the tuning values a bike keeps, with the
// setters that clamp them and the refusal to retune a moving bike.
#pragma once
#include <cstddef>

#include "bike/catalogue.h"

enum {
  SETUP_BIKE_NAME_SIZE = 64,
  SETUP_RIDER_NAME_SIZE = 64,  // 63 characters
  SETUP_NUMBER_SIZE = 4,       // 3 characters
  SETUP_TEXTURE_NAME_SIZE = 128,
  STABILITY_ASSIST_COUNT = 15,
  STABILITY_PRESET_POINTS = 6,  // stability 0, 20, 40, 60, 80, 100
};

// Choice indices, in the order of the choice texts.
enum { SETUP_NO = 0, SETUP_YES = 1 };
enum { BRAKE_NORMAL = 0, BRAKE_ANTILOCK = 1 };
enum { STOP_WHEELIES_NO = 0, STOP_WHEELIES_YES = 1, STOP_WHEELIES_FRONT_ONLY = 2 };

// The setup as the menus and files hold it: sliders 0-100, angles in
// degrees, speed in mph, choices as indices into their texts.
struct BikeSetup {
  char bike[SETUP_BIKE_NAME_SIZE];
  char name[SETUP_RIDER_NAME_SIZE];
  char number[SETUP_NUMBER_SIZE];
  char rider_texture[SETUP_TEXTURE_NAME_SIZE];  // "default" or a variant
  char head_texture[SETUP_TEXTURE_NAME_SIZE];
  char bike_texture[SETUP_TEXTURE_NAME_SIZE];
  char wheel_texture[SETUP_TEXTURE_NAME_SIZE];
  double stability;
  double leveling;
  double roll_damping;
  double roll_limit_angle;  // degrees
  double roll_limit_factor;
  double steering_damping;
  double steering_strength;
  double max_steering_force;
  double direct_steering;
  double slow_damping_speed;
  double slow_damping_factor;
  double land_damping_falloff;
  double land_damping_factor;
  double full_lock_speed;
  double restricted_lock_speed;
  double restricted_lock;  // degrees
  int arcade;              // SETUP_NO / SETUP_YES
  int front_brake;         // BRAKE_NORMAL / BRAKE_ANTILOCK
  int rear_brake;
  int stop_wheelies;  // STOP_WHEELIES_*
  int auto_shift;
  int auto_dab;
  int auto_align;
  int sticky_dab;        // used by the input layer only
  int reverse_steering;  // used by the input layer only
  int lean_indicator;    // used by the HUD only
  double auto_clutch_rpms;
  double brake_torque;
  double rear_brake_torque;
  double max_dab_speed;  // mph
  double front_sprocket_adjustment;
  double rear_sprocket_adjustment;
  double fork_compression_adjustment;
  double fork_rebound_adjustment;
  double fork_spring_rate_adjustment;
  double fork_preload_adjustment;
  double fork_oil_level_adjustment;
  double shock_compression_adjustment;
  double shock_rebound_adjustment;
  double shock_spring_rate_adjustment;
  double shock_preload_adjustment;
  double rider_yspring;
  double rider_ydamping;
  double rider_zspring;
  double rider_zdamping;
  double rider_mass_distribution;
};

// How a setup value is stored in BikeSetup.
enum SetupValueKind {
  SETUP_VALUE_NUMBER,       // double; minimum, maximum, step, default_number
  SETUP_VALUE_CHOICE,       // int index into choices; default_number is the index
  SETUP_VALUE_TEXT,         // char[text_size]; default_text
  SETUP_VALUE_NAMED_CHOICE  // char[text_size] holding the chosen text, from a
                            // list built at run time (bike names, variants)
};

struct SetupValueInfo {
  const char* key;    // file key
  const char* label;  // menu label
  SetupValueKind kind;
  double minimum, maximum, step;
  double default_number;
  const char* default_text;
  const char* const* choices;  // fixed choice texts, null for other kinds
  int choice_count;
  int text_size;  // buffer size of text kinds (maximum length + 1)
  size_t offset;  // of the field in BikeSetup
};

// Every setup key, in file order.
int setup_value_count();
const SetupValueInfo* setup_value_at(int index);
const SetupValueInfo* find_setup_value(const char* key);
// The stored field of a value inside a setup.
double* setup_number(BikeSetup* setup, const SetupValueInfo* info);
int* setup_choice(BikeSetup* setup, const SetupValueInfo* info);
char* setup_text(BikeSetup* setup, const SetupValueInfo* info);

// The compiled-in defaults of every key. The assists hold their stored
// defaults; start-up runs stability_preset over them.
void bike_setup_defaults(BikeSetup* setup);

// The stability preset: the fifteen assist values interpolated in the table
// at the given level, angles in degrees, not clamped to the keys' ranges.
struct StabilityAssist {
  const char* key;
  double points[STABILITY_PRESET_POINTS];
};
const StabilityAssist* stability_assist_at(int index);
double stability_assist_value(int index, double level);
void stability_preset(BikeSetup* setup, double level);

// The values a bike keeps, converted for the simulation.
struct BikeTuning {
  float leveling;            // 0-100
  float roll_damping;        // 0-100
  float roll_limit_angle;    // radians, 0-pi
  float roll_limit_factor;   // 0-64
  float steering_damping;    // 0-100
  float steering_strength;   // 0-100
  float max_steering_force;  // 0-1000
  float direct_steering;     // 0-1
  float slow_damping_speed;  // 0-100
  float slow_damping_factor;     // 1-10
  float land_damping_falloff;    // 0-0.5
  float land_damping_factor;     // 1-3
  float full_lock_speed;         // 1-100
  float restricted_lock_speed;   // 1-100
  float restricted_lock_angle;   // radians, 0-pi/4
  bool arcade;
  bool front_antilock;
  bool rear_antilock;
  bool stop_wheelies_throttle;     // cut the throttle on a wheelie
  bool stop_wheelies_front_brake;  // release the front brake on a stoppie
  bool auto_shift;
  bool auto_dab;
  bool auto_align;
  float auto_clutch_rpm;     // 0-5000
  float front_brake_torque;  // lbf*ft, 0-500
  float rear_brake_torque;
  float max_dab_speed;       // ft/s, 7-100
  float front_sprocket_adjustment;  // teeth, -2...2
  float rear_sprocket_adjustment;
  int front_teeth, rear_teeth;      // after adjustment, at least 3
  float final_drive;                // rear teeth / front teeth
  float fork_compression;  // lbf*s/ft
  float fork_rebound;
  float fork_spring;       // lbf/ft, both legs
  float fork_preload;      // ft
  float fork_air_length;   // ft
  float shock_compression;
  float shock_rebound;
  float shock_spring;
  float shock_preload;
  float rider_yspring;   // 0-1
  float rider_ydamping;  // 0-1
  float rider_zspring;   // 0-1
  float rider_zdamping;  // 0-1
  float rider_mass_distribution;  // share carried by the rider body, 0.33-0.5
};

// The tuning of a newly created bike, before any setup is applied.
void init_bike_tuning(BikeTuning* tuning, const BikeModel* model);

// Setters take converted values, clamp them to their range and raise the
// setup range flag for a value beyond its range by more than an eighth of
// the span (a setup edited outside the menus).
void set_leveling(BikeTuning* tuning, float value);
void set_roll_damping(BikeTuning* tuning, float value);
void set_roll_limit_angle(BikeTuning* tuning, float radians);
void set_roll_limit_factor(BikeTuning* tuning, float value);
void set_steering_damping(BikeTuning* tuning, float value);
void set_steering_strength(BikeTuning* tuning, float value);
void set_max_steering_force(BikeTuning* tuning, float value);
void set_arcade(BikeTuning* tuning, bool on);
void set_front_antilock(BikeTuning* tuning, bool on);
void set_rear_antilock(BikeTuning* tuning, bool on);
void set_stop_wheelies(BikeTuning* tuning, int mode);  // STOP_WHEELIES_*
void set_auto_shift(BikeTuning* tuning, bool on);
void set_auto_dab(BikeTuning* tuning, bool on);
void set_auto_align(BikeTuning* tuning, bool on);
void set_direct_steering(BikeTuning* tuning, float value);
void set_slow_damping_speed(BikeTuning* tuning, float value);
void set_slow_damping_factor(BikeTuning* tuning, float value);
void set_land_damping_falloff(BikeTuning* tuning, float value);
void set_land_damping_factor(BikeTuning* tuning, float value);
void set_full_lock_speed(BikeTuning* tuning, float value);
void set_restricted_lock_speed(BikeTuning* tuning, float value);
void set_restricted_lock_angle(BikeTuning* tuning, float radians);
void set_auto_clutch_rpm(BikeTuning* tuning, float rpm);
void set_front_brake_torque(BikeTuning* tuning, float torque);
void set_rear_brake_torque(BikeTuning* tuning, float torque);
void set_max_dab_speed(BikeTuning* tuning, float feet_per_second);
// Adjustments in teeth; the teeth are floored and kept at 3 or more.
void set_sprockets(BikeTuning* tuning, const BikeModel* model, float front_adjustment,
                   float rear_adjustment);
// Damping factors 0.5-2 times the model's base; s values 0-1 along the
// model's ranges.
void set_fork_values(BikeTuning* tuning, const BikeModel* model, float compression_factor,
                     float rebound_factor, float spring_s, float preload_s, float oil_level_s);
void set_shock_values(BikeTuning* tuning, const BikeModel* model, float compression_factor,
                      float rebound_factor, float spring_s, float preload_s);
void set_rider_springs(BikeTuning* tuning, float vertical, float forward);
void set_rider_dampings(BikeTuning* tuning, float vertical, float forward);
void set_rider_mass_distribution(BikeTuning* tuning, float share);

// The conversions from menu values: slider to 0-1, slider to the damping
// factor 2^(slider * 0.02 - 1), mph to ft/s. Unclamped; the setters clamp.
float slider_fraction(double slider);
float damping_factor(double slider);
float mph_to_feet_per_second(double mph);

bool setup_range_flag();
void clear_setup_range_flag();

// Converts every setup value and stores it through the setters, in menu
// order. Refused (false, tuning untouched) while the frame moves faster
// than 0.125 ft/s; a refusal within 10 s of the previous one tells the
// rider. `now` is the process clock in seconds. The caller then moves the
// rider's mass (rider_mass_split) when this returns true.
bool apply_setup_tuning(BikeTuning* tuning, const BikeModel* model, const BikeSetup* setup,
                        float frame_speed, double now);
// Forgets earlier refusals (as at program start).
void reset_setup_refusals();

// The two body masses the rider mass distribution asks for: a box for the
// frame carrying the rest of the rider, a sphere for the rider body.
struct RiderMassSplit {
  float frame_mass;  // box total mass
  float frame_size[3];
  float rider_mass;  // sphere total mass
  float rider_radius;
};
RiderMassSplit rider_mass_split(const BikeModel* model, float distribution);

// The physical value the setup menu shows next to a slider or sprocket
// adjustment for this model ("%.3f kg/mm", "%.2f mm", "%.2f teeth").
// False, with an empty text, for keys that show none.
bool format_setup_display(char* text, int size, const BikeModel* model, const char* key,
                          double value);
