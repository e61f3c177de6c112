// Placeholder bodies; replaced by the real module.
#include "files/data.h"
#include "files/stream.h"
void data_folders_init() {  }
int data_folder_count() { return 0; }
const char* data_folder(int number) { return 0; }
const char* data_home_folder() { return 0; }
bool data_create_home_folder() { return 0; }
void normalize_path(char* path) {  }
void data_rescan() {  }
int data_index_count() { return 0; }
const DataEntry* data_index_entry(int index) { return 0; }
const DataEntry* data_find(const char* name) { return 0; }
const char* const* data_file_list() { return 0; }
int data_file_count() { return 0; }
bool describe_data_file(int index, char* buffer, int size) { return 0; }
bool open_home_folder() { return 0; }
