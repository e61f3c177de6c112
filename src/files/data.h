// The search folders (home folder, then installation folder) and the one
// case-insensitive index over their loose files and ".saf" archive members.
#pragma once
#include <cstdint>

enum {
  DATA_FOLDER_MAX = 2,
  DATA_NAME_PATH_MAX = 511,   // folder + data name, for "@" opens
  DATA_PATH_MAX = 1023,       // paths whose parents are created
  DATA_BACKUP_PATH_MAX = 1000,
};

struct DataEntry {
  const char* path;  // the loose file, or the archive holding the member
  const char* name;  // data name (relative to its search folder, or member name)
  uint32_t offset;   // of the data in path
  uint32_t size;     // stored bytes
  int priority;      // folder number; archives: folder count + archive ordinal
};

// (Re)computes the search folders from XDG_DATA_HOME / HOME, QV_HOME and the
// executable's folder, and forgets the index. Called lazily on first use;
// tests call it after changing the environment.
void data_folders_init();
int data_folder_count();
const char* data_folder(int number);       // ends in "/", or null
const char* data_home_folder();            // "$XDG_DATA_HOME/Kestrix/", or null when unknown
bool data_create_home_folder();            // every missing component; true when it exists
// Turns "\" into "/" and runs of "/" into one, in place.
void normalize_path(char* path);

// The index, built on first use. data_rescan rebuilds it (files added since).
void data_rescan();
int data_index_count();
const DataEntry* data_index_entry(int index);
// The winning entry for a name (case-insensitive, lowest priority), or null.
const DataEntry* data_find(const char* name);
// Distinct names in index order, ending with a null entry.
const char* const* data_file_list();
int data_file_count();
// "name -> path" of index entry `index`, cut to the buffer; false when out of range.
bool describe_data_file(int index, char* buffer, int size);

// Creates the home folder and opens it in the file browser (xdg-open when
// available); false when the folder cannot be made.
bool open_home_folder();
