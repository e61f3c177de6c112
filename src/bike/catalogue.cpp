// The bike catalogue: the compact per-model rows below are expanded once
// into full BikeModel records with the shared geometry, the generated
// torque curves and the asset names.
#include "bike/catalogue.h"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/helpers.h"

namespace {

// Values shared by every model of one engine class.
struct ModelClass {
  float frame_mass, fork_mass, arm_mass;
  float fork_spring_min, fork_spring_max, fork_rebound;
  float shock_spring_min, shock_spring_max, shock_rebound;
  float drive_stiffness, drive_damping;
  float shift_down_rpm, shift_up_rpm;
  float rider_mass;
  float torque_tail_step;  // full torque lost per index past its zero point
};

const ModelClass class_450 = {4.735f, 45.0f / 64, 0.5025f, 376.303f, 913.878f, 32,
                              2486.29f, 5174.16f, 650, 7500, 0.75f, 6000, 10500,
                              175.0f / 32, 1.0f};
const ModelClass class_250_two_stroke = {4.36562f, 0.75375f, 0.589375f, 322.545f, 860.12f, 30,
                                         2083.1f, 4770.98f, 600, 7500, 0.75f, 6000, 9000,
                                         175.0f / 32, 0.5f};
const ModelClass class_250f = {4.24f, 45.0f / 64, 0.504375f, 335.984f, 873.56f, 30,
                               2217.5f, 4905.37f, 600, 7500, 0.75f, 8000, 12500,
                               150.0f / 32, 0.5f};
const ModelClass class_125 = {3.65375f, 0.739688f, 0.541875f, 322.545f, 860.12f, 30,
                              1814.32f, 4502.19f, 600, 7500, 0.75f, 9400, 12000,
                              150.0f / 32, 0.5f};
const ModelClass class_50 = {3.34125f, 0.739688f, 0.541875f, 309.106f, 846.681f, 30,
                             1814.32f, 4502.19f, 600, 1200, 1.0f, 9400, 12000,
                             150.0f / 32, 0.5f};

// A full-throttle curve of our own: flat at 5 up to index 4, rising through
// two shape points to the peak, falling through two more to 0 at the zero
// point, then losing the class's tail step per index. The shape points are
// fractions of the peak at 1/3 and 2/3 of the rise, half way down the fall
// and one index before the zero point.
struct TorqueShape {
  float peak;
  int peak_rpm, zero_rpm;
  float rise1, rise2, fall1, fall2;
};

// The curves measured on four engines, kept as they were measured.
const float crf450_2013_torque[TORQUE_POINT_COUNT] = {
    5, 5, 5, 5, 5, 8, 11, 14.1f, 22.2f, 22.5f, 25.8f, 29.3f, 30.2f, 30.7f, 31, 30.9f, 30.1f,
    29.3f, 27.2f, 25.6f, 24.2f, 21.9f, 18.8f, 14.4f, 0, -10, -11, -12, -13, -14, -15, -16, -17,
    -18, -19, -20, -21, -22, -23, -24, -25, -26, -27, -28, -29, -30, -31, -32, -33, -34};
const float crf250_2013_torque[TORQUE_POINT_COUNT] = {
    5, 5, 5, 5, 5, 6.4f, 7.9f, 9.4f, 10.8f, 11.5f, 11.76f, 11.46f, 12.55f, 13.84f, 16.46f,
    18.35f, 18.61f, 18.58f, 18.65f, 18.35f, 18.15f, 17.22f, 16.39f, 15.14f, 14.51f, 13.88f,
    12.95f, 12, 0, -13.5f, -14, -14.5f, -15, -15.5f, -16, -16.5f, -17, -17.5f, -18, -18.5f,
    -19, -19.5f, -20, -20.5f, -21, -21.5f, -22, -22.5f, -23, -23.5f};
const float cr125_torque[TORQUE_POINT_COUNT] = {
    5, 5, 5, 5, 5, 5.7f, 6.4f, 7.2f, 7.9f, 8.6f, 9.454f, 10.218f, 10.329f, 10.666f, 11.405f,
    12.465f, 13.262f, 14.15f, 14.764f, 15.812f, 15.966f, 15.906f, 15.756f, 15.117f, 12.736f,
    2.101f, 0, 0, -1, -1, -2, -2, -3, -3, -4, -4, -5, -5, -6, -6, -7, -7, -8, -8, -9, -9, -10,
    -10, -11, -11};
const float rs50_torque[TORQUE_POINT_COUNT] = {
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1.101f, 1.91f, 1.751f, 2.02f, 2.101f, 2.311f, 2.823f,
    3.584f, 4.143f, 4.312f, 3.729f, 3.601f, 3.772f, 3.562f, 2.67f, 1.681f, 0.808f, 0,
    -0.5f, -0.5f, -1, -1, -1.5f, -1.5f, -2, -2, -2.5f, -2.5f, -3, -3, -3.5f, -3.5f, -4, -4,
    -4.5f, -4.5f, -5, -5, -5.5f, -5.5f};

// Closed-throttle torque of the two-stroke 250s and 125s up to index 21.
const float two_stroke_closed_start[22] = {2,  2,     1,    0,     -1, -1.2f, -1.4f, -1.6f,
                                           -1.8f, -2, -2.25f, -2.5f, -2.75f, -3, -3.33f,
                                           -3.67f, -4, -5, -6, -7, -8, -9};

struct ModelRow {
  const char* name;
  const char* sound_class;
  const ModelClass* model_class;
  float engine_inertia;
  float primary_ratio;
  float front_sprocket, rear_sprocket;
  float gears[BIKE_GEAR_COUNT];
  const char* asset_prefix;
  const char* bike_texture;    // null: "@" + prefix + ".png"
  const float* given_torque;   // null: built from shape
  TorqueShape shape;
};

#define GEARS5(a, b, c, d, e) {a, b, c, d, e, -1}
#define GEARS6(a, b, c, d, e, f) {a, b, c, d, e, f}
#define NO_SHAPE {0, 0, 0, 0, 0, 0, 0}

const ModelRow model_rows[BIKE_MODEL_COUNT] = {
    {"crf450(2013)", "450f", &class_450, 0.00885f, 2.7391f, 13, 48,
     GEARS5(1.8f, 1.4706f, 1.2353f, 1.05f, 0.9091f), "crf450v2013", nullptr, crf450_2013_torque,
     NO_SHAPE},
    {"kx450f(2013)", "450f", &class_450, 0.00885f, 2.7273f, 13, 50,
     GEARS5(1.75f, 1.4118f, 1.1875f, 1.0f, 0.875f), "kx450f", nullptr, nullptr,
     {31.2f, 7000, 12000, 0.52f, 0.88f, 0.84f, 0.47f}},
    {"rmz450(2013)", "450f", &class_450, 0.00885f, 2.625f, 13, 50,
     GEARS5(1.8f, 1.4706f, 1.2353f, 1.05f, 0.9091f), "rmz450", nullptr, nullptr,
     {33.3f, 7500, 12000, 0.55f, 0.91f, 0.82f, 0.44f}},
    {"yz450f(2013)", "450f", &class_450, 0.00885f, 2.6522f, 13, 48,
     GEARS5(1.9286f, 1.5333f, 1.2778f, 1.0909f, 0.9524f), "yz450f", nullptr, nullptr,
     {29.7f, 7500, 12000, 0.53f, 0.89f, 0.85f, 0.48f}},
    {"450sxf(2013)", "450f", &class_450, 0.00885f, 2.375f, 14, 50,
     GEARS5(2.0f, 1.6667f, 1.4f, 1.1818f, 1.0f), "450sxfv2013", nullptr, nullptr,
     {33.9f, 7500, 12000, 0.56f, 0.92f, 0.83f, 0.45f}},
    {"350sxf(2013)", "250f", &class_450, 0.006836f, 3.0417f, 14, 50,
     GEARS5(2.0f, 1.625f, 1.3333f, 1.1429f, 0.9545f), "350sxfv2013", nullptr, nullptr,
     {27.1f, 8500, 13500, 0.50f, 0.86f, 0.86f, 0.52f}},
    {"crf450(2011)", "450f", &class_450, 0.00885f, 2.7391f, 13, 48,
     GEARS5(1.8f, 1.4706f, 1.2353f, 1.05f, 0.9091f), "crf450", nullptr, nullptr,
     {34.6f, 6500, 12000, 0.57f, 0.91f, 0.82f, 0.43f}},
    {"kx450f(2011)", "450f", &class_450, 0.00885f, 2.7273f, 13, 50,
     GEARS5(1.75f, 1.4118f, 1.1875f, 1.0f, 0.875f), "kx450f", nullptr, nullptr,
     {35.8f, 6500, 12000, 0.58f, 0.92f, 0.81f, 0.42f}},
    {"rmz450(2011)", "450f", &class_450, 0.00885f, 2.625f, 13, 50,
     GEARS5(1.8f, 1.4706f, 1.2353f, 1.05f, 0.9091f), "rmz450", nullptr, nullptr,
     {36.1f, 7000, 12000, 0.55f, 0.90f, 0.83f, 0.45f}},
    {"yz450f(2011)", "450f", &class_450, 0.00885f, 2.6522f, 13, 48,
     GEARS5(1.9286f, 1.5333f, 1.2778f, 1.0909f, 0.9524f), "yz450f", nullptr, nullptr,
     {33.0f, 7000, 12000, 0.54f, 0.89f, 0.84f, 0.46f}},
    {"450sxf(2011)", "450f", &class_450, 0.00885f, 2.5517f, 14, 52,
     GEARS5(2.125f, 1.6316f, 1.3f, 1.087f, 0.9231f), "450sxf", nullptr, nullptr,
     {35.4f, 7500, 12500, 0.56f, 0.91f, 0.84f, 0.47f}},
    {"350sxf(2011)", "450f", &class_450, 0.006836f, 3.0417f, 14, 50,
     GEARS5(2.0f, 1.625f, 1.3333f, 1.1429f, 0.9545f), "350sxf", nullptr, nullptr,
     {27.7f, 8000, 12000, 0.51f, 0.87f, 0.85f, 0.50f}},
    {"250sx(2012)", "250", &class_250_two_stroke, 0.006836f, 2.7692f, 13, 48,
     GEARS5(2.0f, 1.6f, 1.3333f, 1.1429f, 0.9545f), "250sx", nullptr, nullptr,
     {32.6f, 8000, 10500, 0.53f, 0.79f, 0.93f, 0.36f}},
    {"cr250(2007)", "250", &class_250_two_stroke, 0.006836f, 3.0f, 13, 49,
     GEARS5(1.8f, 1.4706f, 1.2105f, 1.0f, 0.8696f), "cr250", nullptr, nullptr,
     {32.8f, 7500, 10500, 0.52f, 0.78f, 0.92f, 0.34f}},
    {"kx250(2006)", "250", &class_250_two_stroke, 0.006836f, 3.0f, 13, 51,
     GEARS5(1.8f, 1.4375f, 1.1765f, 1.0f, 0.8696f), "kx250", nullptr, nullptr,
     {32.1f, 7500, 10500, 0.51f, 0.77f, 0.91f, 0.33f}},
    {"rm250(2008)", "250", &class_250_two_stroke, 0.006836f, 3.0f, 13, 50,
     GEARS5(1.8f, 1.4706f, 1.2105f, 1.0f, 0.8696f), "rm250", nullptr, nullptr,
     {31.5f, 7500, 10500, 0.54f, 0.80f, 0.92f, 0.35f}},
    {"yz250(2012)", "250", &class_250_two_stroke, 0.006836f, 3.0f, 14, 50,
     GEARS5(1.9286f, 1.5333f, 1.2778f, 1.0909f, 0.9524f), "yz250", nullptr, nullptr,
     {29.9f, 7500, 10500, 0.50f, 0.76f, 0.90f, 0.32f}},
    {"crf250(2013)", "250f", &class_250f, 0.004883f, 3.1667f, 13, 49,
     GEARS5(2.3571f, 1.8824f, 1.55f, 1.3333f, 1.1364f), "crf250v2010", nullptr,
     crf250_2013_torque, NO_SHAPE},
    {"kx250f(2013)", "250f", &class_250f, 0.004883f, 3.35f, 13, 50,
     GEARS5(2.1429f, 1.75f, 1.4444f, 1.2353f, 1.0455f), "kx250fv2013", nullptr, nullptr,
     {19.2f, 8500, 14000, 0.61f, 0.80f, 0.82f, 0.63f}},
    {"rmz250(2013)", "250f", &class_250f, 0.004883f, 3.3158f, 13, 49,
     GEARS5(2.1538f, 1.7647f, 1.4706f, 1.2381f, 1.0909f), "rmz250v2010", nullptr, nullptr,
     {18.5f, 8500, 14000, 0.59f, 0.78f, 0.80f, 0.65f}},
    {"yz250f(2013)", "250f", &class_250f, 0.004883f, 3.3529f, 13, 50,
     GEARS5(2.1429f, 1.75f, 1.4444f, 1.2222f, 1.0417f), "yz250fv2010", nullptr, nullptr,
     {18.7f, 8000, 14000, 0.62f, 0.81f, 0.83f, 0.62f}},
    {"250sxf(2013)", "250f", &class_250f, 0.004883f, 3.0417f, 13, 50,
     GEARS6(2.4615f, 2.0f, 1.6471f, 1.3684f, 1.1905f, 1.0909f), "250sxfv2013", nullptr, nullptr,
     {18.9f, 8500, 14000, 0.60f, 0.80f, 0.82f, 0.66f}},
    {"crf250(2009)", "250f", &class_250f, 0.004883f, 3.1667f, 13, 51,
     GEARS5(2.1429f, 1.75f, 1.45f, 1.2273f, 1.0417f), "crf250", nullptr, nullptr,
     {20.4f, 8500, 14000, 0.58f, 0.78f, 0.81f, 0.64f}},
    {"kx250f(2009)", "250f", &class_250f, 0.004883f, 3.35f, 13, 48,
     GEARS5(2.1429f, 1.7857f, 1.4444f, 1.2f, 1.0526f), "kx250f", nullptr, nullptr,
     {19.8f, 8000, 14000, 0.61f, 0.79f, 0.80f, 0.63f}},
    {"rmz250(2009)", "250f", &class_250f, 0.004883f, 3.2105f, 13, 48,
     GEARS5(2.1538f, 1.7647f, 1.4706f, 1.2381f, 1.0909f), "rmz250", nullptr, nullptr,
     {20.2f, 8500, 14000, 0.60f, 0.80f, 0.82f, 0.65f}},
    {"yz250f(2009)", "250f", &class_250f, 0.004883f, 3.3529f, 13, 48,
     GEARS5(2.1429f, 1.75f, 1.45f, 1.2273f, 1.0417f), "yz250f", nullptr, nullptr,
     {20.1f, 8500, 14000, 0.59f, 0.79f, 0.83f, 0.64f}},
    {"250sxf(2009)", "250f", &class_250f, 0.004883f, 3.0909f, 13, 48,
     GEARS6(2.4615f, 2.0f, 1.6471f, 1.3684f, 1.1905f, 1.0909f), "250sxf", nullptr, nullptr,
     {20.2f, 8500, 14000, 0.62f, 0.81f, 0.81f, 0.66f}},
    {"crf250(2008)", "250f", &class_250f, 0.004883f, 3.1667f, 13, 51,
     GEARS5(2.1429f, 1.75f, 1.45f, 1.2273f, 1.0417f), "crf250", nullptr, nullptr,
     {19.1f, 9500, 13500, 0.57f, 0.77f, 0.84f, 0.66f}},
    {"kx250f(2008)", "250f", &class_250f, 0.004883f, 3.35f, 13, 48,
     GEARS5(2.1429f, 1.7857f, 1.4444f, 1.2f, 1.0526f), "kx250f", nullptr, nullptr,
     {19.0f, 8500, 13500, 0.60f, 0.79f, 0.81f, 0.63f}},
    {"rmz250(2008)", "250f", &class_250f, 0.004883f, 3.2105f, 13, 48,
     GEARS5(2.1538f, 1.7647f, 1.4706f, 1.2381f, 1.0909f), "rmz250", nullptr, nullptr,
     {19.3f, 8500, 13500, 0.61f, 0.80f, 0.82f, 0.64f}},
    {"yz250f(2008)", "250f", &class_250f, 0.004883f, 3.3529f, 13, 48,
     GEARS5(2.1429f, 1.75f, 1.45f, 1.2273f, 1.0417f), "yz250f", nullptr, nullptr,
     {19.0f, 8500, 13500, 0.59f, 0.78f, 0.80f, 0.62f}},
    {"cr125", "125", &class_125, 0.004883f, 3.15f, 13, 52,
     GEARS5(2.3571f, 1.8667f, 1.5789f, 1.2941f, 1.1333f), "cr125", nullptr, cr125_torque,
     NO_SHAPE},
    {"kx125", "125", &class_125, 0.004883f, 3.2f, 13, 51,
     GEARS6(2.3846f, 1.8571f, 1.5294f, 1.2941f, 1.125f, 1.0f), "kx125", nullptr, nullptr,
     {16.8f, 9500, 13000, 0.55f, 0.75f, 0.94f, 0.15f}},
    {"rm125", "125", &class_125, 0.004883f, 3.3684f, 12, 50,
     GEARS6(2.0714f, 1.6875f, 1.4444f, 1.2f, 1.0526f, 0.95f), "rm125", nullptr, nullptr,
     {16.5f, 10500, 14000, 0.57f, 0.77f, 0.93f, 0.18f}},
    {"yz125", "125", &class_125, 0.004883f, 3.3684f, 13, 48,
     GEARS6(2.3846f, 1.9333f, 1.5882f, 1.3529f, 1.2f, 1.0952f), "yz125", nullptr, nullptr,
     {15.9f, 10000, 13000, 0.56f, 0.76f, 0.95f, 0.12f}},
    {"125sx", "125", &class_125, 0.004883f, 3.0435f, 13, 50,
     GEARS6(2.4615f, 2.0f, 1.6471f, 1.4f, 1.2105f, 1.0909f), "125sx", nullptr, nullptr,
     {17.4f, 10500, 13000, 0.58f, 0.78f, 0.94f, 0.14f}},
    {"crf250(2007)", "250f", &class_250f, 0.004883f, 3.1667f, 13, 51,
     GEARS5(2.1429f, 1.75f, 1.45f, 1.2273f, 1.0417f), "crf250", nullptr, nullptr,
     {19.0f, 8000, 13500, 0.60f, 0.78f, 0.82f, 0.63f}},
    {"kx250f(2007)", "250f", &class_250f, 0.004883f, 3.35f, 13, 48,
     GEARS5(2.1429f, 1.7857f, 1.4444f, 1.2f, 1.0526f), "kx250f", nullptr, nullptr,
     {19.6f, 8000, 13500, 0.61f, 0.80f, 0.81f, 0.64f}},
    {"rmz250(2007)", "250f", &class_250f, 0.004883f, 3.2105f, 13, 48,
     GEARS5(2.1538f, 1.7647f, 1.4706f, 1.2381f, 1.0909f), "rmz250", nullptr, nullptr,
     {19.9f, 8000, 13500, 0.62f, 0.81f, 0.82f, 0.65f}},
    {"yz250f(2007)", "250f", &class_250f, 0.004883f, 3.3529f, 13, 48,
     GEARS5(2.1429f, 1.75f, 1.45f, 1.2273f, 1.0417f), "yz250f", nullptr, nullptr,
     {18.3f, 8000, 13500, 0.58f, 0.77f, 0.80f, 0.62f}},
    // The special edition shares the 2007 engine and art, with its own paint.
    {"yz250f_se(2006)", "250f", &class_250f, 0.004883f, 3.3529f, 13, 48,
     GEARS5(2.1429f, 1.75f, 1.45f, 1.2273f, 1.0417f), "yz250f", "@yz250f_se.png", nullptr,
     {18.3f, 8000, 13500, 0.58f, 0.77f, 0.80f, 0.62f}},
    // The 50s reuse the 125 art.
    {"rs50cr", "50", &class_50, 0.001194f, 3.7143f, 12, 55,
     GEARS6(3.0909f, 2.0f, 1.5f, 1.2f, 1.0455f, 0.9565f), "cr125", nullptr, rs50_torque, NO_SHAPE},
    {"rs50kx", "50", &class_50, 0.001194f, 3.7143f, 12, 55,
     GEARS6(3.0909f, 2.0f, 1.5f, 1.2f, 1.0455f, 0.9565f), "kx125", nullptr, rs50_torque, NO_SHAPE},
    {"rs50rm", "50", &class_50, 0.001194f, 3.7143f, 12, 55,
     GEARS6(3.0909f, 2.0f, 1.5f, 1.2f, 1.0455f, 0.9565f), "rm125", nullptr, rs50_torque, NO_SHAPE},
    {"rs50yz", "50", &class_50, 0.001194f, 3.7143f, 12, 55,
     GEARS6(3.0909f, 2.0f, 1.5f, 1.2f, 1.0455f, 0.9565f), "yz125", nullptr, rs50_torque, NO_SHAPE},
};

// Short and legacy names, mapped to the newest model drawn with the art of
// that name, so that textures made for that art (the robots' alternate
// graphics, "<name>-alt1.png") still fit the model they are put on.
const struct {
  const char* alias;
  const char* name;
} bike_aliases[] = {
    {"crf250", "crf250(2009)"}, {"kx250f", "kx250f(2009)"}, {"rmz250", "rmz250(2009)"},
    {"yz250f", "yz250f(2009)"}, {"250sxf", "250sxf(2009)"}, {"yz250f_se", "yz250f_se(2006)"},
    {"crf450", "crf450(2011)"}, {"kx450f", "kx450f(2013)"}, {"rmz450", "rmz450(2013)"},
    {"yz450f", "yz450f(2013)"}, {"450sxf", "450sxf(2011)"}, {"350sxf", "350sxf(2011)"},
    {"250sx", "250sx(2012)"},   {"cr250", "cr250(2007)"},   {"kx250", "kx250(2006)"},
    {"rm250", "rm250(2008)"},   {"yz250", "yz250(2012)"},
};

enum { ASSET_NAME_SIZE = 48 };

struct Catalogue {
  bool built;
  BikeModel models[BIKE_MODEL_COUNT];
  char asset_names[BIKE_MODEL_COUNT][BIKE_ASSET_COUNT][ASSET_NAME_SIZE];
};

Catalogue catalogue;

void set3(float out[3], float x, float y, float z) {
  out[0] = x;
  out[1] = y;
  out[2] = z;
}

bool is_four_stroke(const char* sound_class) {
  return strcmp(sound_class, "450f") == 0 || strcmp(sound_class, "250f") == 0;
}

void build_closed_torque(const char* sound_class, float out[TORQUE_POINT_COUNT]) {
  bool fifty = strcmp(sound_class, "50") == 0;
  for (int i = 0; i < TORQUE_POINT_COUNT; i++) {
    float value;
    if (i < 4 || (!is_four_stroke(sound_class) && i < 22))
      value = two_stroke_closed_start[i];
    else
      value = -(float)((i - 2) / 2);
    out[i] = (fifty && i >= 4) ? value * 0.5f : value;
  }
}

void build_full_torque(const TorqueShape& shape, float tail_step, float out[TORQUE_POINT_COUNT]) {
  const float base = 5;
  int p = shape.peak_rpm / 500, z = shape.zero_rpm / 500;
  assert(p > 4 && z - p > 2 && z < TORQUE_POINT_COUNT);
  double rise = p - 4, fall = z - p;
  const double knot_index[] = {4, 4 + rise / 3, 4 + rise * 2 / 3, (double)p, p + fall / 2,
                               (double)(z - 1), (double)z};
  const double knot_value[] = {base,       shape.rise1 * shape.peak, shape.rise2 * shape.peak,
                               shape.peak, shape.fall1 * shape.peak, shape.fall2 * shape.peak,
                               0};
  for (int i = 0; i < TORQUE_POINT_COUNT; i++) {
    if (i <= 4) {
      out[i] = base;
    } else if (i > z) {
      out[i] = -tail_step * (float)(i - z);
    } else {
      int k = 0;
      while (knot_index[k + 1] < i) k++;
      double t = (i - knot_index[k]) / (knot_index[k + 1] - knot_index[k]);
      out[i] = (float)(knot_value[k] + t * (knot_value[k + 1] - knot_value[k]));
    }
  }
  out[p] = shape.peak;  // exactly the quoted figure, free of interpolation rounding
}

void build_model(int index) {
  const ModelRow& row = model_rows[index];
  const ModelClass& c = *row.model_class;
  BikeModel& m = catalogue.models[index];
  memset(&m, 0, sizeof m);
  m.name = row.name;
  m.sound_class = row.sound_class;
  set3(m.front_wheel_pos, 0, 1.09f, 1.11f);
  m.front_wheel_radius = 0.8333f;
  m.front_tire_radius = 0.3333f;
  m.front_tire_mass = 0.40625f;
  m.front_hub_radius = 0.5f;
  m.front_hub_mass = 0.15625f;
  set3(m.rear_wheel_pos, 0, 1.04f, 6.0f);
  m.rear_wheel_radius = 0.75f;
  m.rear_tire_radius = 0.3333f;
  m.rear_tire_mass = 0.46875f;
  m.rear_hub_radius = 0.5f;
  m.rear_hub_mass = 0.3125f;
  set3(m.frame_pos, 0, 1.98f, 3.6f);
  m.frame_mass = c.frame_mass;
  set3(m.frame_size, 0.8333f, 1.6667f, 1.6667f);
  set3(m.fork_upper_pos, 0, 2.9f, 2.16f);
  set3(m.swingarm_pos, 0, 1.34f, 4.99f);
  set3(m.swingarm_pivot, 0, 1.58f, 4.17f);
  set3(m.fork_lower_pos, 0, 1.77f, 1.59f);
  m.fork_width = 0.8333f;
  m.fork_length = 3.0f;
  m.fork_mass = c.fork_mass;
  m.fork_spring_min = c.fork_spring_min;
  m.fork_spring_max = c.fork_spring_max;
  m.fork_preload_min = 0;
  m.fork_preload_max = 0.0833f;
  m.fork_air_min = 0.4167f;
  m.fork_air_max = 0.25f;
  m.fork_compression_base = 60;
  m.fork_rebound_base = c.fork_rebound;
  m.fork_travel = 1.0f;
  m.swingarm_arm_mass = c.arm_mass;
  m.shock_spring_min = c.shock_spring_min;
  m.shock_spring_max = c.shock_spring_max;
  m.shock_preload_min = 0;
  m.shock_preload_max = 0.0275f;
  m.shock_compression_base = 800;
  m.shock_rebound_base = c.shock_rebound;
  m.swingarm_travel = 0.55f;
  m.shock_ratio_start = 0.615385f;
  m.shock_ratio_end = 0.615385f;
  m.primary_ratio = row.primary_ratio;
  m.front_sprocket = row.front_sprocket;
  m.rear_sprocket = row.rear_sprocket;
  memcpy(m.gear_ratios, row.gears, sizeof m.gear_ratios);
  m.engine_inertia = row.engine_inertia;
  m.drive_stiffness = c.drive_stiffness;
  m.drive_damping = c.drive_damping;
  build_closed_torque(row.sound_class, m.closed_torque);
  if (row.given_torque)
    memcpy(m.full_torque, row.given_torque, sizeof m.full_torque);
  else
    build_full_torque(row.shape, c.torque_tail_step, m.full_torque);
  m.shift_down_rpm = c.shift_down_rpm;
  m.shift_up_rpm = c.shift_up_rpm;
  set3(m.rider_pos, 0, 4.5f, 4.12f);
  m.rider_mass = c.rider_mass;

  m.asset_prefix = row.asset_prefix;
  static const struct {
    BikeAsset asset;
    const char* suffix;
  } per_model[] = {
      {BIKE_ASSET_FRAME_MODEL, "_frame.zm"},
      {BIKE_ASSET_FORK_UPPER_MODEL, "_fork_upper.zm"},
      {BIKE_ASSET_FORK_LOWER_MODEL, "_fork_lower.zm"},
      {BIKE_ASSET_SWINGARM_MODEL, "_swingarm.zm"},
      {BIKE_ASSET_SIDE_PLATES_MODEL, "_side_plates.zm"},
      {BIKE_ASSET_FRONT_PLATE_MODEL, "_front_plate.zm"},
      {BIKE_ASSET_BIKE_TEXTURE, ".png"},
  };
  for (const auto& entry : per_model) {
    char* text = catalogue.asset_names[index][entry.asset];
    snprintf(text, ASSET_NAME_SIZE, "@%s%s", row.asset_prefix, entry.suffix);
    m.assets[entry.asset] = text;
  }
  if (row.bike_texture) m.assets[BIKE_ASSET_BIKE_TEXTURE] = row.bike_texture;
  m.assets[BIKE_ASSET_FRAME_SHAPE] = "@generic_frame.shp";
  m.assets[BIKE_ASSET_FORK_UPPER_SHAPE] = "@generic_fork_upper.shp";
  m.assets[BIKE_ASSET_FORK_LOWER_SHAPE] = "@generic_fork_lower.shp";
  m.assets[BIKE_ASSET_SWINGARM_SHAPE] = "@generic_swingarm.shp";
  m.assets[BIKE_ASSET_FRONT_WHEEL_MODEL] = "@front_wheel.zm";
  m.assets[BIKE_ASSET_FRONT_WHEEL_SHAPE] = "@front_wheel.shp";
  m.assets[BIKE_ASSET_REAR_WHEEL_MODEL] = "@rear_wheel.zm";
  m.assets[BIKE_ASSET_REAR_WHEEL_SHAPE] = "@rear_wheel.shp";
  m.assets[BIKE_ASSET_WHEEL_TEXTURE] = "@wheels.png";
  m.assets[BIKE_ASSET_RIDER_HEAD_MODEL] = "@rider_head.zm";
  m.assets[BIKE_ASSET_RIDER_HEAD_TEXTURE] = "@rider_head.png";
  m.assets[BIKE_ASSET_RIDER_BODY_MODEL] = "@rider_body.zm";
  m.assets[BIKE_ASSET_RIDER_BODY_FP_MODEL] = "@rider_body_fp.zm";
  m.assets[BIKE_ASSET_RIDER_SHAPE] = "@generic_rider.shp";
  m.assets[BIKE_ASSET_RIDER_BODY_TEXTURE] = "@rider_body.png";
  m.assets[BIKE_ASSET_RIDER_PLATE_MODEL] = "@rider_plate.zm";

  set3(m.neck, 0, 0.808383f, -0.943369f);
  for (int side = RIDER_LEFT; side <= RIDER_RIGHT; side++) {
    float sign = side == RIDER_LEFT ? -1.0f : 1.0f;
    set3(m.shoulders[side], sign * 0.556f, 0.580375f, -0.654514f);
    set3(m.hips[side], sign * 0.269f, -0.570887f, 0.670607f);
    set3(m.grips[side], sign * 1.097f, 1.145f, 0.753f);
    set3(m.pegs[side], sign * 0.6f, -0.557f, 0.584f);
  }
  m.upper_arm_length = 0.9f;
  m.forearm_length = 1.15f;
  m.thigh_length = 1.328f;
  m.shin_length = 1.701f;
  m.rest_bone_centres = rider_rest_bone_centres;
}

}  // namespace

const float rider_rest_bone_centres[RIDER_BONE_COUNT][3] = {
    {-1.456f, 0.875f, 0.01f}, {1.456f, 0.875f, 0.01f},  {-0.556f, 0.875f, 0.01f},
    {0.556f, 0.875f, 0.01f},  {-0.269f, -2.208f, 0.01f}, {0.269f, -2.208f, 0.01f},
    {-0.269f, -0.88f, 0.01f}, {0.269f, -0.88f, 0.01f},  {0, -0.88f, 0.01f},
};

void bike_catalogue_init() {
  if (catalogue.built) return;
  for (int i = 0; i < BIKE_MODEL_COUNT; i++) build_model(i);
  catalogue.built = true;
}

int bike_model_count() { return BIKE_MODEL_COUNT; }

const BikeModel* bike_model_at(int index) {
  assert(index >= 0 && index < BIKE_MODEL_COUNT);
  bike_catalogue_init();
  return &catalogue.models[index];
}

const char* bike_model_name(int index) {
  assert(index >= 0 && index < BIKE_MODEL_COUNT);
  return model_rows[index].name;
}

int bike_model_index(const BikeModel* model) {
  if (model < catalogue.models || model >= catalogue.models + BIKE_MODEL_COUNT) return -1;
  return (int)(model - catalogue.models);
}

const BikeModel* find_bike_model(const char* name) {
  if (!name) return nullptr;
  for (int i = 0; i < BIKE_MODEL_COUNT; i++)
    if (strcmp(model_rows[i].name, name) == 0) return bike_model_at(i);
  return nullptr;
}

static const BikeModel* first_model_containing(const char* part) {
  for (int i = 0; i < BIKE_MODEL_COUNT; i++)
    if (strstr(model_rows[i].name, part)) return bike_model_at(i);
  return nullptr;
}

const BikeModel* resolve_bike_model(const char* name) {
  const BikeModel* model = find_bike_model(name);
  if (model) return model;
  if (!name) name = "";
  if (strstr(name, "125")) model = first_model_containing("125");
  if (!model) model = first_model_containing("250f");
  if (!model) model = bike_model_at(0);
  show_messagef("bike info for '%.20s' not found using '%.20s' instead", name, model->name);
  return model;
}

const char* bike_alias(const char* name) {
  if (!name) return name;
  for (const auto& entry : bike_aliases)
    if (strcmp(entry.alias, name) == 0) return entry.name;
  return name;
}

int walk_down_gear(const BikeModel* model, int gear) {
  if (gear < 0) gear = 0;
  if (gear > BIKE_GEAR_COUNT - 1) gear = BIKE_GEAR_COUNT - 1;
  while (gear > 0 && model->gear_ratios[gear] <= 0) gear--;
  return gear;
}
