// Rabbit Hill: the default track. An outdoor motocross lap of about a mile
// on rolling ground that wanders over the whole hillside: a wide start
// straight along the south into a sweeping first turn, an S up the east
// side, a bermed hairpin into a spur that dives to the middle of the hill, the
// long straight back up to the north-west, and a second spur across the west
// side that sweeps back onto the start. Two tabletops, a double, a step-up, a
// rhythm section and whoops sit on the straights. Distances in feet; x runs
// east, z runs south.
#include "datagen.h"

static const Move moves[] = {
    /* 0 start straight  */ {STRAIGHT, 580, 0, 0, false},
    /* 1 first turn      */ {LEFT, 0, 130, 90, false},
    /* 2                 */ {STRAIGHT, 150, 0, 0, false},
    /* 3 east S          */ {RIGHT, 0, 130, 50, false},
    /* 4                 */ {STRAIGHT, 100, 0, 0, false},
    /* 5                 */ {LEFT, 0, 130, 50, false},
    /* 6 up the east     */ {STRAIGHT, 420, 0, 0, false},
    /* 7 north-east      */ {LEFT, 0, 90, 90, false},
    /* 8 along the north */ {STRAIGHT, 300, 0, 0, false},
    /* 9 hairpin berm    */ {LEFT, 0, 55, 120, false},
    /* 10 down the spur  */ {STRAIGHT, 380, 0, 0, false},
    /* 11 spur berm      */ {RIGHT, 0, 65, 160, false},
    /* 12 long straight  */ {STRAIGHT, 600, 0, 0, true},
    /* 13 north-west     */ {LEFT, 0, 100, 130, false},
    /* 14 west side      */ {STRAIGHT, 200, 0, 0, true},
    /* 15                */ {LEFT, 0, 120, 70, false},
    /* 16 west spur      */ {STRAIGHT, 480, 0, 0, false},
    /* 17 spur berm      */ {RIGHT, 0, 60, 140, false},
    /* 18                */ {STRAIGHT, 260, 0, 0, false},
    /* 19                */ {LEFT, 0, 220, 35, false},
    /* 20                */ {STRAIGHT, 150, 0, 0, false},
    /* 21 onto the start */ {LEFT, 0, 85, 0, false},
};

// kind, move, at, face, height, top (gap for a double), height2, landing, count, spacing, blind
static const Feature features[] = {
    {TABLETOP, 2, 40, 17, 5.5, 36, 0, 24, 0, 0, false},
    {DOUBLE, 6, 60, 18, 6.0, 34, 6.5, 26, 0, 0, true},
    {RHYTHM, 6, 240, 0, 3.0, 0, 0, 0, 7, 18, false},
    {TABLETOP, 8, 110, 20, 7.0, 55, 0, 28, 0, 0, true},
    {STEP_UP, 10, 90, 16, 4.5, 60, 7.5, 40, 0, 0, true},
    {WHOOPS, 16, 180, 0, 1.4, 0, 0, 0, 14, 9, false},
    {TABLETOP, 18, 60, 18, 6.0, 45, 0, 26, 0, 0, false},
    {TABLETOP, 20, 40, 14, 4.0, 30, 0, 20, 0, 0, false},
};

// The start area: room for 40 gates, narrowing into the first turn.
static const WidthZone zones[] = {
    {-90, 170, 140, 80},
};

const TrackDesign rabbithill_design = {
    .folder = "rabbithill",
    .display_name = "Rabbit Hill",
    .size_exponent = 9,
    .spacing = 1.25,
    .seed = 0x52414242u,
    .surfaces = OUTDOOR,
    .start_x = 280,
    .start_z = 1140,
    .start_heading = 0,
    .moves = moves,
    .move_count = sizeof moves / sizeof moves[0],
    .features = features,
    .feature_count = sizeof features / sizeof features[0],
    .zones = zones,
    .zone_count = sizeof zones / sizeof zones[0],
    .width = 28,
    .gate_line = 250,
    .start_gates = 40,
    .gate_spacing = 3.25,
    .finish_before_gates = 60,
    .timing_interval = 200,
    .hill_amplitude = 14,
    .hill_scale = 520,
    .bed_smoothing = 90,
    .berm_degrees_per_curvature = 900,
    .berm_max_degrees = 14,
    .shoulder = 10,
    .stand_height = 0,
    .bale_spacing = 9,
    .trees = 260,
    .banners = 10,
    .cameras = 10,
    .decal_marks = 24,
    .sun = {0.45f, 0.75f, 0.35f},
    .sun_colour = {1.0f, 0.96f, 0.86f},
    .ambient = {0.46f, 0.48f, 0.54f},
    .fog = {0.72f, 0.80f, 0.88f, 0.0006f},
};
