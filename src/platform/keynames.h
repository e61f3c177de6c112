// Control names: the fixed key-name table, the special codes, the built-in
// aliases and the name forms of device buttons and axes. Bindings are stored
// as these names; the input layer turns them into event codes.
#pragma once

enum {
  KEY_CODE_BASE = 0x1000,  // + scan value (set-1 code, + 0x100 for extended keys)
  KEY_SCAN_MAX = 511,
  KEY_CODE_CLOSE = 0xDEAD,
  KEY_CODE_MOUSE_LEFT = 0x2000,
  KEY_CODE_MOUSE_MIDDLE = 0x2001,
  KEY_CODE_MOUSE_RIGHT = 0x2002,
  SPECIAL_KEY_NAME_COUNT = 4,
  FIXED_KEY_NAME_COUNT = 98,
  BUILTIN_ALIAS_COUNT = 18,
  DEVICE_NAME_MAX = 63,
  DEVICE_BUTTON_MAX = 255,
};

struct KeyName {
  const char* name;
  int value;  // the code for special names, the scan value for fixed names
};
extern const KeyName special_key_names[SPECIAL_KEY_NAME_COUNT];
extern const KeyName fixed_key_names[FIXED_KEY_NAME_COUNT];

struct ControlAlias {
  const char* name;
  const char* target;
  bool device_input_only;  // defined only when game controllers are read
};
extern const ControlAlias builtin_aliases[BUILTIN_ALIAS_COUNT];

// Letters compared case-insensitively; white space and "_" each count as
// one blank, character by character.
bool key_names_match_relaxed(const char* a, const char* b);

// The built-in alias target of a name, or the name itself.
const char* resolve_builtin_alias(const char* name);

// The code of a special or fixed key name (exact first, then relaxed) or of
// "0x%x" with a scan value of at most 511; 0 when the name is none of these.
// System key names and device buttons are the input layer's.
int fixed_key_code(const char* name);
// The fixed or special name of a code, or null.
const char* fixed_key_name(int code);

// "Device.key[n]" or "Device button n", n in 0 ... 255. Device is at most
// 63 characters; the buffer must hold 64.
bool parse_device_button(const char* name, char* device, int* button);
// "Device.axis[n]" or "Device axis n", n >= 0.
bool parse_device_axis(const char* name, char* device, int* axis);
