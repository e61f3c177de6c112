// The configuration and setup file rules: reading lines, refusing bad
// values, writing every key in order, and the round trip between the two.
#include "settings_fixture.h"

#include "bike/setup.h"

#include <cmath>
#include <vector>

namespace {

void fresh_settings() {
  settings_reset();
  apply_stability(100);
}

// Each case starts from the defaults, reads its lines and checks up to two keys.
TEST(ConfigLines, ReadRulesAndRefusals) {
  std::string long_name(70, 'n'), long_history(127, 'h'), fitting_history(126, 'h');
  struct Case {
    std::string lines;
    const char* key;
    std::string expected;
    const char* key2;
    std::string expected2;
  } cases[] = {
      {"laps=99\n", "laps", "50.000000", nullptr, ""},
      {"laps=7\nlaps=abc\n", "laps", "7.000000", nullptr, ""},
      {"laps=-3\n", "laps", "0.000000", nullptr, ""},
      {"laps=nan\n", "laps", "5.000000", nullptr, ""},
      {"laps=3\nlaps=4\n", "laps", "4.000000", nullptr, ""},
      {"laps=3\r\n", "laps", "3.000000", nullptr, ""},
      {"minutes= 12\n", "minutes", "12.000000", nullptr, ""},
      {"fov=5\n", "fov", "10.000000", nullptr, ""},
      {"skill=expert\n", "skill", "Novice", nullptr, ""},
      {"skill=Expert\n", "skill", "Expert", nullptr, ""},
      {"skill= Expert\n", "skill", "Novice", nullptr, ""},
      {"Laps=3\n", "laps", "5.000000", nullptr, ""},
      {"slot05=Robot (4 stroke)\n", "slot05", "Robot (4 stroke)", "slot19", "Human"},
      {"xres=1024\nyres=abc\n", "xres", "1024", "yres", "480"},
      {"xres=-5\n", "xres", "-5", nullptr, ""},
      {"xres=99999999999\n", "xres", "640", nullptr, ""},
      {"throttle_key=(0.062500,0.937500)Joystick1.axis[1]\n", "throttle_key",
       "(0.062500,0.937500)Joystick1.axis[1]", nullptr, ""},
      {"throttle_key=(k)x\n", "throttle_key", "(k)x", nullptr, ""},
      {"throttle_key=q\nthrottle_key=x\n", "throttle_key", "(k)x", nullptr, ""},
      {"throttle_key=  (k)Keypad Enter\n", "throttle_key", "(k)Keypad Enter", nullptr, ""},
      {"left_key=Joystick1.key[3]\nright_key=mouse-left\n", "left_key", "(k)Joystick1.key[3]", "right_key",
       "(k)mouse-left"},
      {"throttle_key=banana\n", "throttle_key", "(k)x", nullptr, ""},
      {"throttle_key=(k)\n", "throttle_key", "(k)x", nullptr, ""},
      {"throttle_key=0x200\nclutch_key=0x1d\n", "throttle_key", "(k)x", "clutch_key", "(k)0x1d"},
      {"throttle_key=(0.5,0.5)Joystick1.axis[0]\n", "throttle_key", "(k)x", nullptr, ""},
      {"throttle_key=(0.1,0.9)banana\n", "throttle_key", "(k)x", nullptr, ""},
      {"throttle_key=(-0.0625,-0.9375)cursor-x\n", "throttle_key", "(-0.062500,-0.937500)cursor-x", nullptr, ""},
      {"stability=50\n", "roll_damping", "65.000000", "roll_limit_angle", "42.500000"},
      {"stability=50.9\n", "roll_limit_factor", "21.000000", "stability", "50.900000"},
      {"stability=50\nroll_damping=70\n", "roll_damping", "70.000000", "restricted_lock", "7.500000"},
      {"roll_damping=70\nstability=50\n", "roll_damping", "65.000000", nullptr, ""},
      {"stability=abc\n", "roll_damping", "80.000000", nullptr, ""},
      {"track\n=5\nlaps=2\n", "laps", "2.000000", nullptr, ""},
      {"name=" + long_name + "\n", "name", long_name.substr(0, 63), nullptr, ""},
      {"number=12345\n", "number", "123", nullptr, ""},
      {"server_name_hist00=" + long_history + "\nserver_name_hist01=" + fitting_history + "\n",
       "server_name_hist00", "", "server_name_hist01", fitting_history},
      {"use_fbo=No\n", "render_texture", "Hardware/Copy", nullptr, ""},
      {"render_texture=Software\nuse_fbo=Yes\n", "render_texture", "Hardware/Direct", nullptr, ""},
      {"use_fbo=maybe\n", "render_texture", "Hardware/Direct", nullptr, ""},
      {"bike=crf450(2013)\n", "bike", "crf450(2013)", nullptr, ""},
      {"bike=CRF450(2013)\n", "bike", "450sxf(2013)", nullptr, ""},
      {"track=mudpit\n", "track", "mudpit", nullptr, ""},
      {"video_mode=Windowed\n", "video_mode", "Windowed", nullptr, ""},
      {"video_mode=huge\n", "video_mode", "Default Fullscreen", nullptr, ""},
  };
  for (const Case& c : cases) {
    fresh_settings();
    read_settings_text(c.lines);
    EXPECT_EQ(setting_text(c.key), c.expected) << c.lines;
    if (c.key2) {
      EXPECT_EQ(setting_text(c.key2), c.expected2) << c.lines;
    }
  }
}

TEST(ConfigLines, BindingRecordsHoldTheParsedForm) {
  fresh_settings();
  read_settings_text("throttle_key=(0.062500,0.937500)Joystick1.axis[1]\nclutch_key=(k)x\n");
  const SettingBinding& throttle = settings.bindings[BIND_THROTTLE];
  EXPECT_EQ(throttle.key_name, nullptr);
  EXPECT_STREQ(throttle.axis_name, "Joystick1.axis[1]");
  EXPECT_FLOAT_EQ(throttle.axis_minimum, 0.0625f);
  EXPECT_FLOAT_EQ(throttle.axis_maximum, 0.9375f);
  const SettingBinding& clutch = settings.bindings[BIND_CLUTCH];
  EXPECT_STREQ(clutch.key_name, "x");
  EXPECT_EQ(clutch.axis_name, nullptr);
  EXPECT_FLOAT_EQ(clutch.axis_minimum, 0.0f);
  EXPECT_FLOAT_EQ(clutch.axis_maximum, 1.0f);
}

// A line too long for the buffer must not leave its tail to be read as a
// setting of its own.
TEST(ConfigLines, OverlongLineTailIsNotALine) {
  fresh_settings();
  std::string line = "name=" + std::string(1100, 'a') + "laps=3\nfov=20\n";
  read_settings_text(line);
  EXPECT_EQ(setting_text("laps"), "5.000000");
  EXPECT_EQ(setting_text("fov"), "20.000000");
  EXPECT_EQ(setting_text("name"), std::string(63, 'a'));
}

TEST(ConfigLines, LogSaysWhichKeyWasIgnoredAndWhy) {
  fresh_settings();
  CapturedLog log;
  read_settings_text("laps=abc\nskill=expert\nthrottle_key=banana\nlaps=99\nfrobnicate=1\njunk\nfov=20\n");
  std::string text = log.text();
  for (const char* expected : {"laps=abc ignored: not a number", "skill=expert ignored: not one of the choices",
                               "throttle_key=banana ignored: no such key", "laps=99 out of range",
                               "test line 5: unknown key \"frobnicate\"", "test line 6: no \"=\""})
    EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
  EXPECT_EQ(text.find("fov"), std::string::npos) << text;
  EXPECT_EQ(setting_text("fov"), "20.000000");
}

// Every key of the three tables in file order with its default, as a fresh
// start writes them.
const char* const default_config[] = {
    "xres=640",
    "yres=480",
    "draw_fps=0",
    "draw_time=0",
    "draw_ping=1",
    "spy=0",
    "track=rabbithill",
    "record=No",
    "skill=Novice",
    "minutes=0.000000",
    "laps=5.000000",
    "slot00=Empty",
    "slot01=Empty",
    "slot02=Empty",
    "slot03=Empty",
    "slot04=Empty",
    "slot05=Empty",
    "slot06=Empty",
    "slot07=Empty",
    "slot08=Empty",
    "slot09=Empty",
    "slot10=Empty",
    "slot11=Empty",
    "slot12=Empty",
    "slot13=Empty",
    "slot14=Empty",
    "slot15=Empty",
    "slot16=Empty",
    "slot17=Robot",
    "slot18=Robot",
    "slot19=Human",
    "slot20=Robot",
    "slot21=Robot",
    "slot22=Robot",
    "slot23=Empty",
    "slot24=Empty",
    "slot25=Empty",
    "slot26=Empty",
    "slot27=Empty",
    "slot28=Empty",
    "slot29=Empty",
    "slot30=Empty",
    "slot31=Empty",
    "slot32=Empty",
    "slot33=Empty",
    "slot34=Empty",
    "slot35=Empty",
    "slot36=Empty",
    "slot37=Empty",
    "slot38=Empty",
    "slot39=Empty",
    "ghost_fade_distance=10.000000",
    "time_trial_abort=Yes",
    "bike=450sxf(2013)",
    "name=Anon Rider",
    "number=999",
    "rider_texture=default",
    "head_texture=default",
    "bike_texture=default",
    "wheel_texture=default",
    "stability=100.000000",
    "leveling=20.000000",
    "roll_damping=80.000000",
    "roll_limit_angle=35.000000",
    "roll_limit_factor=32.000000",
    "steering_damping=45.000000",
    "steering_strength=75.000000",
    "max_steering_force=400.000000",
    "direct_steering=0.000000",
    "slow_damping_speed=40.000000",
    "slow_damping_factor=2.000000",
    "land_damping_falloff=0.250000",
    "land_damping_factor=2.000000",
    "full_lock_speed=10.000000",
    "restricted_lock_speed=50.000000",
    "restricted_lock=5.000000",
    "arcade=Yes",
    "front_brake=Antilock",
    "rear_brake=Normal",
    "stop_wheelies=No",
    "auto_shift=Yes",
    "auto_dab=Yes",
    "auto_align=Yes",
    "sticky_dab=No",
    "reverse_steering=Yes",
    "lean_indicator=Yes",
    "auto_clutch_rpms=5000.000000",
    "brake_torque=250.000000",
    "rear_brake_torque=250.000000",
    "max_dab_speed=20.000000",
    "front_sprocket_adjustment=0.000000",
    "rear_sprocket_adjustment=0.000000",
    "fork_compression_adjustment=50.000000",
    "fork_rebound_adjustment=50.000000",
    "fork_spring_rate_adjustment=50.000000",
    "fork_preload_adjustment=50.000000",
    "fork_oil_level_adjustment=50.000000",
    "shock_compression_adjustment=50.000000",
    "shock_rebound_adjustment=50.000000",
    "shock_spring_rate_adjustment=50.000000",
    "shock_preload_adjustment=50.000000",
    "rider_yspring=50.000000",
    "rider_ydamping=50.000000",
    "rider_zspring=50.000000",
    "rider_zdamping=50.000000",
    "rider_mass_distribution=0.330000",
    "video_mode=Default Fullscreen",
    "server_name=localhost",
    "server_name_hist00=",
    "server_name_hist01=",
    "server_name_hist02=",
    "server_name_hist03=",
    "server_name_hist04=",
    "server_name_hist05=",
    "server_name_hist06=",
    "server_name_hist07=",
    "server_name_hist08=",
    "server_name_hist09=",
    "server_name_hist10=",
    "server_name_hist11=",
    "server_name_hist12=",
    "server_name_hist13=",
    "server_name_hist14=",
    "server_name_hist15=",
    "ground_detail=50.000000",
    "ground_texture_detail=9.000000",
    "ground_texture_dim=128x128",
    "ground_mipmaps=Yes",
    "texture_compress=Yes",
    "render_texture=Hardware/Direct",
    "use_shader=Yes",
    "roost_density=250.000000",
    "lens_flare=Yes",
    "reflections=Yes",
    "hide_rider=No",
    "rigid_camera=No",
    "model_detail=50.000000",
    "model_texture_detail=9.000000",
    "fov=110.000000",
    "first_person_height=0.000000",
    "first_person_angle=0.000000",
    "third_person_height=5.000000",
    "third_person_distance=10.000000",
    "volume=10.000000",
    "comp_volume=8.000000",
    "playback_mode=Playback Only",
    "billboard_optimize_lookahead=8",
    "message_lines=5",
    "demo_backups=0",
    "throttle_key=(k)x",
    "front_brake_key=(k)c",
    "rear_brake_key=(k)v",
    "left_key=(k)left",
    "right_key=(k)right",
    "clutch_key=(k)z",
    "upshift_key=(k)up",
    "downshift_key=(k)down",
    "dab_key=(k)right ctrl",
    "back_up_key=(k)b",
    "lean_forward_key=(k)n",
    "lean_backward_key=(k)m",
    "pause_key=(k)pause",
    "step_key=(k).",
    "rewind_key=(k)\\",
    "skip_key=(k)/",
    "prev_key=(k)[",
    "next_key=(k)]",
    "console_key=(k)t",
    "screenshot_key=(k)s",
};

std::vector<std::string> split_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::stringstream ss(text);
  for (std::string line; std::getline(ss, line);) lines.push_back(line);
  return lines;
}

TEST(ConfigLines, SavedVideoModeSurvivesADisplayThatDidNotListIt) {
  struct Case {
    const char* line;
    const char* kept;
  } cases[] = {
      {"video_mode=1024x768\n", "video_mode=1024x768"},
      {"video_mode=Windowed\n", "video_mode=Windowed"},
      {"video_mode=1024x768x\n", "video_mode=Default Fullscreen"},
      {"video_mode=big\n", "video_mode=Default Fullscreen"},
      {"video_mode=01024x768\n", "video_mode=Default Fullscreen"},
  };
  for (const Case& c : cases) {
    settings_reset();
    read_settings_text(c.line);
    std::string written = written_settings(write_settings_stream);
    EXPECT_NE(written.find(std::string("\n") + c.kept + "\n"), std::string::npos) << c.line;
  }
}

TEST(ConfigWriting, FreshStartWritesEveryKeyInOrderWithItsDefault) {
  fresh_settings();
  std::vector<std::string> lines = split_lines(written_settings(write_settings_stream));
  size_t expected_count = std::size(default_config);
  ASSERT_EQ(lines.size(), expected_count);
  for (size_t i = 0; i < expected_count; i++) EXPECT_EQ(lines[i], default_config[i]) << "line " << i + 1;
}

TEST(ConfigWriting, SetupFileHoldsOnlyTheSetupKeys) {
  fresh_settings();
  std::vector<std::string> lines = split_lines(written_settings(write_setup));
  ASSERT_EQ(lines.size(), 53u);
  EXPECT_EQ(lines.front(), "bike=450sxf(2013)");
  EXPECT_EQ(lines.back(), "rider_mass_distribution=0.330000");
}

TEST(ConfigWriting, UnboundControlIsNotWritten) {
  fresh_settings();
  settings.bindings[BIND_SCREENSHOT].key_name = nullptr;
  std::string text = written_settings(write_settings_stream);
  EXPECT_EQ(text.find("screenshot_key"), std::string::npos);
  EXPECT_NE(text.find("console_key=(k)t\n"), std::string::npos);
}

// A value other than the default for every key: the largest number (the
// smallest where that is the default), the last choice, a text that fills
// the field, an integer, a binding alternating keys and axes.
void set_every_key_apart_from_default() {
  int n = 0;
  auto vary = [&n](const SettingKey* key) {
    n++;
    switch (key->kind) {
      case SETTING_INTEGER: *(int*)key->record = 1000 + n; break;
      case SETTING_CHOICE: {
        SettingChoice* choice = (SettingChoice*)key->record;
        if (choice->count) choice->index = (choice->index + 1) % choice->count;
        break;
      }
      case SETTING_NUMBER: {
        SettingNumber* number = (SettingNumber*)key->record;
        number->value = number->value == number->maximum ? number->minimum : number->maximum;
        break;
      }
      case SETTING_TEXT: {
        SettingText* text = (SettingText*)key->record;
        int length = text->max_length < 126 ? text->max_length : 126;
        for (int i = 0; i < length; i++) text->text[i] = (char)('a' + (n + i) % 26);
        text->text[length] = 0;
        break;
      }
      case SETTING_BINDING: {
        SettingBinding* binding = (SettingBinding*)key->record;
        if (n % 2) {
          binding->key_name = "F7";
          binding->axis_name = nullptr;
        } else {
          binding->key_name = nullptr;
          binding->axis_name = "Joystick2.axis[3]";
          binding->axis_minimum = -0.0625f;
          binding->axis_maximum = -0.9375f;
        }
        break;
      }
    }
  };
  for (int i = 0; i < config_key_count(); i++) vary(config_key_at(i));
  for (int i = 0; i < setup_key_count(); i++) vary(setup_key_at(i));
  for (int i = 0; i < binding_key_count(); i++) vary(binding_key_at(i));
  settings_add_video_mode("1024x768");
  settings.video_mode.index = 2;
  snprintf(settings.server_name.text, sizeof settings.server_name.text, "race.example");
}

TEST(ConfigWriting, WriteThenReadReproducesEveryValue) {
  fresh_settings();
  set_every_key_apart_from_default();
  std::string written = written_settings(write_settings_stream);
  std::string defaults_text;
  fresh_settings();
  defaults_text = written_settings(write_settings_stream);
  settings_add_video_mode("1024x768");
  read_settings_text(written);
  EXPECT_EQ(written_settings(write_settings_stream), written);
  // Every line differs from the default, so nothing came through by chance.
  std::vector<std::string> changed = split_lines(written), defaults = split_lines(defaults_text);
  ASSERT_EQ(changed.size(), defaults.size());
  for (size_t i = 0; i < changed.size(); i++) {
    bool graphics = changed[i].find("_texture=default") != std::string::npos;  // no variants without data
    bool track = changed[i] == "track=rabbithill";                              // no track list without data
    if (!graphics && !track) {
      EXPECT_NE(changed[i], defaults[i]);
    }
  }
}

TEST(BikeSetupKeys, FollowTheBikeSetupTableAndFillTheSetup) {
  fresh_settings();
  ASSERT_EQ(setup_key_count(), setup_value_count());
  for (int i = 0; i < setup_key_count(); i++) EXPECT_STREQ(setup_key_at(i)->key, setup_value_at(i)->key);

  EXPECT_TRUE(apply_setup_key("bike", "cr125"));
  EXPECT_TRUE(apply_setup_key("name", "Flying Dutchman"));
  EXPECT_TRUE(apply_setup_key("front_brake", "Normal"));
  EXPECT_TRUE(apply_setup_key("stability", "0"));
  EXPECT_TRUE(apply_setup_key("max_dab_speed", "70"));
  EXPECT_FALSE(apply_setup_key("laps", "3"));
  BikeSetup setup;
  settings_bike_setup(&setup);
  EXPECT_STREQ(setup.bike, "cr125");
  EXPECT_STREQ(setup.name, "Flying Dutchman");
  EXPECT_STREQ(setup.bike_texture, "default");
  EXPECT_EQ(setup.front_brake, BRAKE_NORMAL);
  EXPECT_EQ(setup.rear_brake, BRAKE_NORMAL);
  EXPECT_DOUBLE_EQ(setup.stability, 0);
  EXPECT_DOUBLE_EQ(setup.roll_limit_angle, 90);
  EXPECT_DOUBLE_EQ(setup.restricted_lock, 45);
  EXPECT_DOUBLE_EQ(setup.max_dab_speed, 60);
}

}  // namespace
