// ".saf" archives: a text header of "size name" lines ended by "-", then the
// members' bytes back to back. Reading validates, packing and unpacking
// never touch anything outside the folders named.
#pragma once
#include "core/helpers.h"
#include <cstdint>

struct SafMember {
  char* name;
  uint32_t offset;
  uint32_t size;
};

// Reads the header of an archive into `members` (an Array of SafMember,
// initialised here). False, with no members and nothing to free, for a malformed header, sizes
// past the end of the file or an unsafe member name; `error` (may be null)
// then gets one line saying why.
bool saf_read_header(const char* path, Array* members, char* error, int error_size);
void saf_free_members(Array* members);
// A member name that stays inside a folder: relative, no "." or ".."
// components, no empty components, no control characters.
bool saf_name_is_safe(const char* name);
// Packs every file below `folder` (names relative to it, sorted bytewise)
// into `archive`. False with a message in `error`.
bool saf_pack_folder(const char* folder, const char* archive, char* error, int error_size);
// Writes every member into `folder`, creating subfolders. False with a message.
bool saf_unpack(const char* archive, const char* folder, char* error, int error_size);
