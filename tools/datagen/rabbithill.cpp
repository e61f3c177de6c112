// Rabbit Hill: the default track. An outdoor motocross lap of about a mile
// on rolling ground: a wide start straight into a sweeping first turn, then
// six legs joined by bermed hairpins, with two tabletops, a double, a
// step-up, a rhythm section, whoops and a long straight, and a return leg
// down the west side. Distances in feet; x runs east, z runs south.
#include "datagen.h"

static const Move moves[] = {
    /* 0 start straight */ {STRAIGHT, 650, 0, 0, false},
    /* 1 first turn     */ {LEFT, 0, 80, 180, false},
    /* 2 leg B (west)   */ {STRAIGHT, 530, 0, 0, false},
    /* 3                */ {RIGHT, 0, 65, 180, false},
    /* 4 leg C (east)   */ {STRAIGHT, 570, 0, 0, false},
    /* 5                */ {LEFT, 0, 65, 180, false},
    /* 6 leg D (west)   */ {STRAIGHT, 570, 0, 0, false},
    /* 7                */ {RIGHT, 0, 65, 180, false},
    /* 8 leg E (east)   */ {STRAIGHT, 570, 0, 0, false},
    /* 9                */ {LEFT, 0, 65, 180, false},
    /* 10 long straight */ {STRAIGHT, 690, 0, 0, true},
    /* 11               */ {LEFT, 0, 60, 90, false},
    /* 12 west return   */ {STRAIGHT, 560, 0, 0, true},
    /* 13 onto the start*/ {LEFT, 0, 60, 0, false},
};

// kind, move, at, face, height, top (gap for a double), height2, landing, count, spacing, blind
static const Feature features[] = {
    {TABLETOP, 2, 90, 17, 5.5, 36, 0, 24, 0, 0, false},
    {DOUBLE, 2, 260, 18, 6.0, 34, 6.5, 26, 0, 0, true},
    {RHYTHM, 4, 80, 0, 3.0, 0, 0, 0, 7, 18, false},
    {TABLETOP, 4, 330, 18, 6.0, 45, 0, 26, 0, 0, false},
    {STEP_UP, 6, 90, 16, 4.5, 60, 7.5, 40, 0, 0, true},
    {WHOOPS, 6, 330, 0, 1.4, 0, 0, 0, 14, 9, false},
    {TABLETOP, 8, 200, 20, 7.0, 55, 0, 28, 0, 0, true},
    {TABLETOP, 12, 220, 14, 4.0, 30, 0, 20, 0, 0, false},
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
    .start_x = 320,
    .start_z = 970,
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
