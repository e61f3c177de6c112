// The fixed control-name tables and the name forms every binding uses.
#include "platform/keynames.h"

#include <cctype>
#include <cstdio>
#include <cstring>

const KeyName special_key_names[SPECIAL_KEY_NAME_COUNT] = {
    {"Close", KEY_CODE_CLOSE},
    {"Mouse Left", KEY_CODE_MOUSE_LEFT},
    {"Mouse Middle", KEY_CODE_MOUSE_MIDDLE},
    {"Mouse Right", KEY_CODE_MOUSE_RIGHT},
};

// Scan values as the window's key messages report them: the PC set-1 code,
// + 0x100 for extended keys.
const KeyName fixed_key_names[FIXED_KEY_NAME_COUNT] = {
    {"Esc", 1},
    {"0", 11}, {"1", 2}, {"2", 3}, {"3", 4}, {"4", 5},
    {"5", 6}, {"6", 7}, {"7", 8}, {"8", 9}, {"9", 10},
    {"A", 30}, {"B", 48}, {"C", 46}, {"D", 32}, {"E", 18}, {"F", 33}, {"G", 34},
    {"H", 35}, {"I", 23}, {"J", 36}, {"K", 37}, {"L", 38}, {"M", 50}, {"N", 49},
    {"O", 24}, {"P", 25}, {"Q", 16}, {"R", 19}, {"S", 31}, {"T", 20}, {"U", 22},
    {"V", 47}, {"W", 17}, {"X", 45}, {"Y", 21}, {"Z", 44},
    {"-", 12}, {"=", 13}, {"[", 26}, {"]", 27}, {";", 39}, {"'", 40},
    {"`", 41}, {"\\", 43}, {",", 51}, {".", 52}, {"/", 53},
    {"Backspace", 14}, {"Tab", 15}, {"Enter", 28}, {"Left Ctrl", 29},
    {"Left Shift", 42}, {"Right Shift", 54}, {"Space", 57}, {" ", 57},
    {"Caps Lock", 58}, {"Right Ctrl", 285}, {"Insert", 338}, {"Delete", 339},
    {"Home", 327}, {"End", 335}, {"Page Up", 329}, {"Page Down", 337},
    {"Up", 328}, {"Down", 336}, {"Left", 331}, {"Right", 333},
    {"F1", 59}, {"F2", 60}, {"F3", 61}, {"F4", 62}, {"F5", 63}, {"F6", 64},
    {"F7", 65}, {"F8", 66}, {"F9", 67}, {"F10", 68}, {"F11", 87}, {"F12", 88},
    {"Pause", 69}, {"Num Lock", 325},
    {"Keypad /", 309}, {"Keypad *", 55}, {"Keypad -", 74},
    {"Keypad 7", 71}, {"Keypad 8", 72}, {"Keypad 9", 73}, {"Keypad +", 78},
    {"Keypad 4", 75}, {"Keypad 5", 76}, {"Keypad 6", 77},
    {"Keypad 1", 79}, {"Keypad 2", 80}, {"Keypad 3", 81},
    {"Keypad Enter", 284}, {"Keypad 0", 82}, {"Keypad .", 83},
};

const ControlAlias builtin_aliases[BUILTIN_ALIAS_COUNT] = {
    {"cursor-left", "Mouse Left", false},
    {"cursor-middle", "Mouse Middle", false},
    {"cursor-right", "Mouse Right", false},
    {"cursor-x", "cursor.axis[0]", false},
    {"cursor-y", "cursor.axis[1]", false},
    {"mouse-x", "Mouse.axis[0]", true},
    {"mouse-y", "Mouse.axis[1]", true},
    {"mouse-left", "Mouse.key[0]", true},
    {"mouse-right", "Mouse.key[1]", true},
    {"mouse-middle", "Mouse.key[2]", true},
    {"joystick-a-x", "Joystick1.axis[0]", true},
    {"joystick-a-y", "Joystick1.axis[1]", true},
    {"joystick-a-1", "Joystick1.key[0]", true},
    {"joystick-a-2", "Joystick1.key[1]", true},
    {"joystick-b-x", "Joystick2.axis[0]", true},
    {"joystick-b-y", "Joystick2.axis[1]", true},
    {"joystick-b-1", "Joystick2.key[0]", true},
    {"joystick-b-2", "Joystick2.key[1]", true},
};

static int relaxed_char(unsigned char c) {
  if (c == '_' || isspace(c)) return ' ';
  return tolower(c);
}

bool key_names_match_relaxed(const char* a, const char* b) {
  for (; *a && *b; a++, b++)
    if (relaxed_char((unsigned char)*a) != relaxed_char((unsigned char)*b)) return false;
  return *a == *b;
}

const char* resolve_builtin_alias(const char* name) {
  for (const ControlAlias& alias : builtin_aliases)
    if (!strcmp(alias.name, name)) return alias.target;
  return name;
}

int fixed_key_code(const char* name) {
  for (const KeyName& k : special_key_names)
    if (!strcmp(k.name, name)) return k.value;
  for (const KeyName& k : fixed_key_names)
    if (!strcmp(k.name, name)) return KEY_CODE_BASE + k.value;
  for (const KeyName& k : special_key_names)
    if (key_names_match_relaxed(k.name, name)) return k.value;
  for (const KeyName& k : fixed_key_names)
    if (key_names_match_relaxed(k.name, name)) return KEY_CODE_BASE + k.value;
  unsigned scan = 0;
  int used = 0;
  if (sscanf(name, "0x%x%n", &scan, &used) == 1 && !name[used] && scan <= KEY_SCAN_MAX)
    return KEY_CODE_BASE + (int)scan;
  return 0;
}

const char* fixed_key_name(int code) {
  for (const KeyName& k : special_key_names)
    if (k.value == code) return k.name;
  for (const KeyName& k : fixed_key_names)
    if (KEY_CODE_BASE + k.value == code) return k.name;
  return nullptr;
}

bool parse_device_button(const char* name, char* device, int* button) {
  int n = -1;
  if (sscanf(name, "%63[^.].key[%d]", device, &n) != 2 && sscanf(name, "%63s button %d", device, &n) != 2)
    return false;
  *button = n;
  return n >= 0 && n <= DEVICE_BUTTON_MAX;
}

bool parse_device_axis(const char* name, char* device, int* axis) {
  int n = -1;
  if (sscanf(name, "%63[^.].axis[%d]", device, &n) != 2 && sscanf(name, "%63s axis %d", device, &n) != 2)
    return false;
  *axis = n;
  return n >= 0;
}
