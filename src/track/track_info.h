// The track maker's report on a track folder: what the loader made of it.
#pragma once
#include <cstdio>

// Loads the track through the real loader and prints the ".trackinfo"
// lines, a summary of what was loaded and every message the load showed.
// Returns the exit status: 0 when the track loads, 1 when it does not.
int track_info_report(const char* folder, FILE* out);
