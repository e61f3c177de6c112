// The seven stock collision shapes of every bike: sphere sets placed on the
// shared bike geometry (body centres in the build frame, front towards -z),
// each sphere given relative to its body's centre.
#include "datagen.h"

#include <cmath>

const char* const stock_shape_names[7] = {
    "generic_frame.shp", "generic_fork_upper.shp", "generic_fork_lower.shp", "generic_swingarm.shp",
    "front_wheel.shp",   "rear_wheel.shp",         "generic_rider.shp",
};

// The shared geometry (feet).
const float bike_front_wheel_pos[3] = {0, 1.09f, 1.11f};
const float bike_front_wheel_radius = 0.8333f, bike_front_tire_radius = 0.3333f;
const float bike_rear_wheel_pos[3] = {0, 1.04f, 6.0f};
const float bike_rear_wheel_radius = 0.75f, bike_rear_tire_radius = 0.3333f;
const float bike_frame_pos[3] = {0, 1.98f, 3.6f};
const float bike_fork_upper_pos[3] = {0, 2.9f, 2.16f};
const float bike_fork_lower_pos[3] = {0, 1.77f, 1.59f};
const float bike_swingarm_pos[3] = {0, 1.34f, 4.99f};
const float bike_swingarm_pivot[3] = {0, 1.58f, 4.17f};
const float bike_rider_pos[3] = {0, 4.5f, 4.12f};
const float bike_fork_width = 0.8333f;

// Contact stiffness: the body parts are firm, the rider gives a little, the
// tyres are as stiff as the wheel-against-shape contact.
static const float kFrame[3] = {0.5f, 20000, 2000};
static const float kFork[3] = {0.5f, 15000, 1500};
static const float kWheel[3] = {1.0f, 25000, 2500};
static const float kRider[3] = {0.6f, 8000, 800};

static ShapeSphere at(const float world[3], const float body[3], float r, const float m[3]) {
  return {world[0] - body[0], world[1] - body[1], world[2] - body[2], r, m[0], m[1], m[2]};
}

static bool write_frame(const char* root) {
  // From the steering head over the tank and seat to the rear fender, the
  // engine and skid plate below, shrouds and foot pegs at the sides.
  const float points[][4] = {
      {0, 2.75f, 2.30f, 0.35f}, {0, 2.75f, 3.00f, 0.45f}, {0, 2.80f, 3.80f, 0.40f}, {0, 2.75f, 4.60f, 0.35f},
      {0, 2.60f, 5.40f, 0.30f}, {0, 1.65f, 3.30f, 0.50f}, {0, 1.25f, 3.40f, 0.30f}, {0.55f, 2.40f, 2.80f, 0.30f},
      {-0.55f, 2.40f, 2.80f, 0.30f}, {0.6f, 1.42f, 4.18f, 0.15f}, {-0.6f, 1.42f, 4.18f, 0.15f},
  };
  ShapeSphere spheres[11];
  for (int k = 0; k < 11; k++) spheres[k] = at(points[k], bike_frame_pos, points[k][3], kFrame);
  return write_shape_file(root, "generic_frame.shp", spheres, 11);
}

static bool write_fork_upper(const char* root) {
  // Triple clamps, the bar between the grips and the grips themselves.
  const float rel[][4] = {
      {0, 0, 0, 0.30f}, {0, 1.0f, 0.6f, 0.20f}, {1.097f, 1.145f, 0.753f, 0.20f}, {-1.097f, 1.145f, 0.753f, 0.20f},
      {0, -0.35f, -0.30f, 0.25f},
  };
  ShapeSphere spheres[5];
  for (int k = 0; k < 5; k++) spheres[k] = {rel[k][0], rel[k][1], rel[k][2], rel[k][3], kFork[0], kFork[1], kFork[2]};
  return write_shape_file(root, "generic_fork_upper.shp", spheres, 5);
}

static bool write_fork_lower(const char* root) {
  // Both sliders from the axle up along the steering axis, and the fender.
  float axis[3] = {bike_fork_upper_pos[0] - bike_fork_lower_pos[0], bike_fork_upper_pos[1] - bike_fork_lower_pos[1],
                   bike_fork_upper_pos[2] - bike_fork_lower_pos[2]};
  float length = sqrtf(axis[0] * axis[0] + axis[1] * axis[1] + axis[2] * axis[2]);
  ShapeSphere spheres[9];
  int n = 0;
  for (int side = -1; side <= 1; side += 2)
    for (int step = 0; step < 4; step++) {
      // From the axle up the slider, parallel to the steering axis.
      float t = step * 0.42f;
      float p[3] = {side * bike_fork_width * 0.5f, bike_front_wheel_pos[1] - bike_fork_lower_pos[1] + axis[1] / length * t,
                    bike_front_wheel_pos[2] - bike_fork_lower_pos[2] + axis[2] / length * t};
      spheres[n++] = {p[0], p[1], p[2], 0.15f, kFork[0], kFork[1], kFork[2]};
    }
  spheres[n++] = {0, 0.0f, -0.55f, 0.22f, kFork[0], kFork[1], kFork[2]};
  return write_shape_file(root, "generic_fork_lower.shp", spheres, n);
}

static bool write_swingarm(const char* root) {
  // Two arms from the pivot to the rear axle.
  ShapeSphere spheres[8];
  int n = 0;
  for (int side = -1; side <= 1; side += 2)
    for (int step = 0; step < 4; step++) {
      float t = step / 3.0f;
      float world[3] = {side * bike_fork_width * 0.5f,
                        bike_swingarm_pivot[1] + (bike_rear_wheel_pos[1] - bike_swingarm_pivot[1]) * t,
                        bike_swingarm_pivot[2] + (bike_rear_wheel_pos[2] - bike_swingarm_pivot[2]) * t};
      spheres[n++] = at(world, bike_swingarm_pos, 0.15f, kFork);
    }
  return write_shape_file(root, "generic_swingarm.shp", spheres, n);
}

// The tyre as a ring of 16 spheres of the tyre's section radius.
static bool write_wheel(const char* root, const char* name, float radius, float tire) {
  ShapeSphere spheres[16];
  for (int k = 0; k < 16; k++) {
    double a = k * 3.14159265358979323846 / 8.0;
    spheres[k] = {0, (float)(radius * cos(a)), (float)(radius * sin(a)), tire, kWheel[0], kWheel[1], kWheel[2]};
  }
  return write_shape_file(root, name, spheres, 16);
}

static bool write_rider(const char* root) {
  // Hips, waist, chest, shoulders and the head above the neck, in rider
  // body coordinates.
  const float rel[][4] = {
      {0, -0.50f, 0.60f, 0.45f},  {0, 0.0f, 0.0f, 0.50f},       {0, 0.45f, -0.50f, 0.50f},
      {0.5f, 0.55f, -0.65f, 0.30f}, {-0.5f, 0.55f, -0.65f, 0.30f}, {0, 1.14f, -1.32f, 0.42f},
  };
  ShapeSphere spheres[6];
  for (int k = 0; k < 6; k++)
    spheres[k] = {rel[k][0], rel[k][1], rel[k][2], rel[k][3], kRider[0], kRider[1], kRider[2]};
  return write_shape_file(root, "generic_rider.shp", spheres, 6);
}

bool write_stock_shapes(const char* root) {
  bool ok = write_frame(root);
  ok = write_fork_upper(root) && ok;
  ok = write_fork_lower(root) && ok;
  ok = write_swingarm(root) && ok;
  ok = write_wheel(root, "front_wheel.shp", bike_front_wheel_radius, bike_front_tire_radius) && ok;
  ok = write_wheel(root, "rear_wheel.shp", bike_rear_wheel_radius, bike_rear_tire_radius) && ok;
  ok = write_rider(root) && ok;
  return ok;
}
