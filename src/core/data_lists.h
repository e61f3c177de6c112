// Lists built from the data file list at start-up: the track folders with
// their display names, the demos, and the texture variants the graphics
// choices offer.
#pragma once
#include "core/helpers.h"

struct TrackEntry {
  const char* folder;  // data name prefix of the track's files, "rabbithill"
  const char* name;    // first line of its "desc", or the folder
};

struct DemoEntry {
  const char* file;  // data name below "demos/"
  const char* name;  // base name without extension
};

enum { DEMO_PAGE_SIZE = 20 };

// Tracks in a null-terminated list of data names (each folder once, "desc"
// read through the data layer), sorted by display name ignoring case.
// `tracks` holds TrackEntry; it is emptied first.
void find_tracks(const char* const* files, Array* tracks, bool debug);
// Demos ("demos/....qvdemo") in list order; `demos` holds DemoEntry.
void find_demos(const char* const* files, Array* demos, bool debug);

// Start-up: the lists over the data layer's file list, kept for the menus;
// the track list also fills the track choice. Return the counts.
int list_tracks(bool debug);
int list_demos(bool debug);
int track_count();
const TrackEntry* track_at(int index);
int demo_count();
const DemoEntry* demo_at(int index);
extern int demo_page;  // the page of DEMO_PAGE_SIZE demos the menu shows

// The graphics variants of a prefix ("rider_body-"): paths[0] is "" and
// names[0] "default", then for every "<prefix>X.png" (or ".png.scram",
// never "_norm" or "_spec" maps) the data name "@...png" and the name X.
// Both arrays hold const char* (interned) and are emptied first.
void list_texture_variants(const char* prefix, Array* paths, Array* names);

