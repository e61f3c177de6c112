// Placeholder bodies; replaced by the real module.
#include "files/archive.h"
#include "files/stream.h"
bool saf_read_header(const char* path, Array* members, char* error, int error_size) { return 0; }
void saf_free_members(Array* members) {  }
bool saf_name_is_safe(const char* name) { return 0; }
bool saf_pack_folder(const char* folder, const char* archive, char* error, int error_size) { return 0; }
bool saf_unpack(const char* archive, const char* folder, char* error, int error_size) { return 0; }
