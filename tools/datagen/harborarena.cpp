// Harbor Arena: a compact stadium supercross track on a flat, hard-packed
// floor ringed by stands. A short start straight into a wide first turn,
// five tight bermed hairpins, rhythm lanes, whoops, a tabletop, a double and
// a step-up. Distances in feet; x runs east, z runs south.
#include "datagen.h"

static const Move moves[] = {
    /* 0 start straight */ {STRAIGHT, 220, 0, 0, false},
    /* 1 first turn     */ {LEFT, 0, 35, 180, false},
    /* 2 rhythm lane    */ {STRAIGHT, 170, 0, 0, false},
    /* 3                */ {RIGHT, 0, 25, 180, false},
    /* 4                */ {STRAIGHT, 170, 0, 0, false},
    /* 5                */ {LEFT, 0, 25, 180, false},
    /* 6 whoops         */ {STRAIGHT, 170, 0, 0, false},
    /* 7                */ {RIGHT, 0, 25, 180, false},
    /* 8 rhythm lane    */ {STRAIGHT, 170, 0, 0, false},
    /* 9                */ {LEFT, 0, 25, 180, false},
    /* 10               */ {STRAIGHT, 220, 0, 0, true},
    /* 11               */ {LEFT, 0, 25, 90, false},
    /* 12               */ {STRAIGHT, 220, 0, 0, true},
    /* 13 onto the start*/ {LEFT, 0, 25, 0, false},
};

// kind, move, at, face, height, top (gap for a double), height2, landing, count, spacing, blind
static const Feature features[] = {
    {RHYTHM, 2, 30, 0, 2.6, 0, 0, 0, 6, 16, false},
    {TABLETOP, 4, 40, 14, 4.0, 30, 0, 18, 0, 0, false},
    {WHOOPS, 6, 25, 0, 1.3, 0, 0, 0, 13, 9, false},
    {RHYTHM, 8, 20, 0, 2.4, 0, 0, 0, 8, 15, false},
    {DOUBLE, 10, 50, 14, 4.5, 20, 5.0, 18, 0, 0, true},
    {STEP_UP, 12, 40, 14, 3.5, 40, 6.0, 30, 0, 0, true},
};

static const WidthZone zones[] = {
    {-10, 50, 64, 30},
};

const TrackDesign harborarena_design = {
    .folder = "harborarena",
    .display_name = "Harbor Arena Supercross",
    .size_exponent = 8,
    .spacing = 0.75,
    .seed = 0x48415242u,
    .surfaces = STADIUM,
    .start_x = 80,
    .start_z = 320,
    .start_heading = 0,
    .moves = moves,
    .move_count = sizeof moves / sizeof moves[0],
    .features = features,
    .feature_count = sizeof features / sizeof features[0],
    .zones = zones,
    .zone_count = sizeof zones / sizeof zones[0],
    .width = 20,
    .gate_line = 80,
    .start_gates = 20,
    .gate_spacing = 3.0,
    .finish_before_gates = 30,
    .timing_interval = 150,
    .hill_amplitude = 0,
    .hill_scale = 1,
    .bed_smoothing = 30,
    .berm_degrees_per_curvature = 500,
    .berm_max_degrees = 18,
    .shoulder = 5,
    .stand_height = 16,
    .bale_spacing = 0,
    .trees = 0,
    .banners = 16,
    .cameras = 8,
    .decal_marks = 12,
    .sun = {-0.3f, 0.85f, 0.42f},
    .sun_colour = {1.0f, 0.98f, 0.94f},
    .ambient = {0.52f, 0.52f, 0.56f},
    .fog = {0.55f, 0.58f, 0.66f, 0.0f},
};
