// The control-name tables and the name forms bindings are written in.
#include "platform/keynames.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

namespace {

TEST(KeyNames, FixedTableHasEveryNameOnceWithItsScanValue) {
  std::set<std::string> names;
  for (const KeyName& key : fixed_key_names) {
    ASSERT_NE(key.name, nullptr);
    names.insert(key.name);
    EXPECT_GT(key.value, 0) << key.name;
    EXPECT_LE(key.value, KEY_SCAN_MAX) << key.name;
  }
  EXPECT_EQ(names.size(), (size_t)FIXED_KEY_NAME_COUNT);
  struct Row {
    const char* name;
    int scan;
  } telling[] = {{"Pause", 69},   {"Num Lock", 325}, {"Right Ctrl", 285}, {"Keypad Enter", 284},
                 {"Keypad /", 309}, {"Insert", 338}, {"Delete", 339},     {"Home", 327},
                 {"End", 335},    {"Page Up", 329},  {"Page Down", 337},  {"Up", 328},
                 {"Down", 336},   {"Left", 331},     {"Right", 333},      {"F11", 87},
                 {"F12", 88},     {"1", 2},          {"9", 10},           {"0", 11},
                 {"Q", 16},       {"X", 45},         {" ", 57},           {"Space", 57},
                 {"Esc", 1},      {"\\", 43},        {"`", 41}};
  for (const Row& row : telling) EXPECT_EQ(fixed_key_code(row.name), KEY_CODE_BASE + row.scan) << row.name;
  EXPECT_STREQ(fixed_key_names[0].name, "Esc");
  EXPECT_STREQ(fixed_key_names[FIXED_KEY_NAME_COUNT - 1].name, "Keypad .");
}

TEST(KeyNames, LookupOrderAndRelaxedComparison) {
  struct Case {
    const char* name;
    int code;
  } cases[] = {
      {"x", KEY_CODE_BASE + 45},          {"X", KEY_CODE_BASE + 45},
      {"right ctrl", KEY_CODE_BASE + 285}, {"right_ctrl", KEY_CODE_BASE + 285},
      {"RIGHT\tCTRL", KEY_CODE_BASE + 285}, {"right  ctrl", 0},
      {"keypad enter", KEY_CODE_BASE + 284}, {"pause", KEY_CODE_BASE + 69},
      {"Mouse Left", KEY_CODE_MOUSE_LEFT}, {"mouse_right", KEY_CODE_MOUSE_RIGHT},
      {"Close", KEY_CODE_CLOSE},           {"0x1d", KEY_CODE_BASE + 0x1d},
      {"0x1ff", KEY_CODE_BASE + 511},      {"0x200", 0},
      {"0x1dz", 0},                        {"banana", 0},
      {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(fixed_key_code(c.name), c.code) << "'" << c.name << "'";
  EXPECT_STREQ(fixed_key_name(KEY_CODE_BASE + 45), "X");
  EXPECT_STREQ(fixed_key_name(KEY_CODE_MOUSE_MIDDLE), "Mouse Middle");
  EXPECT_EQ(fixed_key_name(KEY_CODE_BASE + 500), nullptr);
}

TEST(KeyNames, AliasesAndDeviceForms) {
  EXPECT_STREQ(resolve_builtin_alias("cursor-x"), "cursor.axis[0]");
  EXPECT_STREQ(resolve_builtin_alias("joystick-b-2"), "Joystick2.key[1]");
  EXPECT_STREQ(resolve_builtin_alias("Cursor-X"), "Cursor-X");

  char device[DEVICE_NAME_MAX + 1];
  int number = -1;
  EXPECT_TRUE(parse_device_button("Joystick1.key[3]", device, &number));
  EXPECT_STREQ(device, "Joystick1");
  EXPECT_EQ(number, 3);
  EXPECT_TRUE(parse_device_button("Pad#2 button 255", device, &number));
  EXPECT_STREQ(device, "Pad#2");
  EXPECT_FALSE(parse_device_button("Joystick1.key[256]", device, &number));
  EXPECT_FALSE(parse_device_button("Joystick1.key[-1]", device, &number));
  EXPECT_FALSE(parse_device_button("Mouse Left", device, &number));
  EXPECT_FALSE(parse_device_button("Joystick1.axis[0]", device, &number));

  EXPECT_TRUE(parse_device_axis("Joystick1.axis[1]", device, &number));
  EXPECT_EQ(number, 1);
  EXPECT_TRUE(parse_device_axis("Wheel axis 2", device, &number));
  EXPECT_STREQ(device, "Wheel");
  EXPECT_FALSE(parse_device_axis("Joystick1.key[1]", device, &number));
  std::string long_device(70, 'd');
  EXPECT_FALSE(parse_device_axis((long_device + ".axis[0]").c_str(), device, &number));
}

}  // namespace
