// Surface types: the tileinfo and texturelist grammars, the warnings, the
// transition keys and the friction and rolling-resistance evaluations.
#include "terrain/surface_types.h"

#include "core/helpers.h"
#include "files/stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

struct Parsed {
  std::vector<SurfaceType> types;
  std::vector<std::string> messages;
};

Parsed parse(const std::string& text, bool texturelist = false) {
  message_ring_clear();
  message_set_line_limit(MESSAGE_RING_SIZE);
  Stream* stream = stream_open_memory(text.data(), text.size());
  Parsed parsed;
  parsed.types.resize(MAX_SURFACE_TYPES);
  int count = texturelist ? read_texturelist(stream, parsed.types.data(), MAX_SURFACE_TYPES)
                          : read_tileinfo(stream, parsed.types.data(), MAX_SURFACE_TYPES);
  data_close(stream);
  parsed.types.resize(count);
  compute_transition_keys(parsed.types.data(), count);
  for (int age = message_visible_count() - 1; age >= 0; age--) parsed.messages.push_back(message_line(age));
  message_set_line_limit(5);
  return parsed;
}

TEST(Tileinfo, DefaultsOfAnUnconfiguredType) {
  Parsed p = parse("addtile\n");
  ASSERT_EQ(p.types.size(), 1u);
  const SurfaceType& t = p.types[0];
  EXPECT_EQ(t.texture, nullptr);
  for (float v : {0.0f, 1.0f, 3.0f, 100.0f}) EXPECT_FLOAT_EQ(friction(&t, v), 1.0f);
  EXPECT_FLOAT_EQ(roll_resistance(&t, 7.0f, 0.0f), 5.0f);
  EXPECT_FLOAT_EQ(roll_resistance(&t, 7.0f, 1.0f), 15.0f);
  EXPECT_FLOAT_EQ(roll_resistance(&t, 7.0f, 0.5f), 10.0f);
  for (int r = 0; r < ROOST_EMITTERS; r++) EXPECT_EQ(t.roost[r].kind, ROOST_UNUSED);
  EXPECT_STREQ(t.roost[0].texture, "@roost.png");
  EXPECT_FLOAT_EQ(t.roost[0].slow_angle, (float)(M_PI / 2));
  EXPECT_EQ(t.roost[0].fade[3], -2);
  EXPECT_FLOAT_EQ(t.erosion.erode_upper, 150.0f);
  EXPECT_FLOAT_EQ(t.erosion.erode_on_speed, 15.0f);
  EXPECT_TRUE(p.messages.empty());
}

TEST(Tileinfo, LinesWithoutAddtileDefineNothing) {
  Parsed p = parse("texture grass.png\nfriction 0.5 3\n");
  EXPECT_TRUE(p.types.empty());
}

TEST(Tileinfo, ParameterLinesAndTheirWarnings) {
  struct Case {
    const char* text;
    const char* message;  // expected single warning, or "" for none
  };
  const Case cases[] = {
      {"friction 0.5\naddtile\n", "tileinfo warning: bad friction parameters\n"},
      {"roll_resist 1 2\naddtile\n", "tileinfo warning: bad roll_resist parameters\n"},
      {"erode_depth deep\naddtile\n", "tileinfo warning: bad erode_depth\n"},
      {"erode_on_speed\naddtile\n", "tileinfo warning: bad erode_on_speed\n"},
      {"grip 3\naddtile\n", "tileinfo warning: Unknown identifier 'grip'\n"},
      {"roost count=x\naddtile\n", "tileinfo warning: bad count\n"},
      {"roost fade_a=\naddtile\n", "tileinfo warning: bad fade_a\n"},
      {"roost colour=3\naddtile\n", "tileinfo warning: unknown roost parameter 'colour=3'\n"},
      {"  \t friction   0.5 3  \r\naddtile\r\n", ""},
  };
  for (const Case& c : cases) {
    Parsed p = parse(c.text);
    SCOPED_TRACE(c.text);
    ASSERT_EQ(p.types.size(), 1u);
    if (*c.message) {
      ASSERT_EQ(p.messages.size(), 1u);
      EXPECT_EQ(p.messages[0], c.message);
    } else {
      EXPECT_TRUE(p.messages.empty());
    }
  }
}

TEST(Tileinfo, NinthFrictionPointIsRefusedAndTheFirstEightStay) {
  std::string text;
  for (int k = 1; k <= 9; k++) text += "friction " + std::to_string(k) + " " + std::to_string(k) + "\n";
  text += "addtile\n";
  Parsed p = parse(text);
  ASSERT_EQ(p.messages.size(), 1u);
  EXPECT_EQ(p.messages[0], "tileinfo warning: too many friction points\n");
  for (int k = 0; k < 8; k++) EXPECT_FLOAT_EQ(p.types[0].friction[k].key, (float)(k + 1));
  EXPECT_FLOAT_EQ(friction(&p.types[0], 100.0f), 8.0f);
}

TEST(Tileinfo, TooManyRoostTypesAndRollPoints) {
  std::string text = "roost\nroost\nroost\nroost\nroost count=1\n";
  for (int k = 1; k <= 9; k++) text += "roll_resist 1 2 " + std::to_string(k) + "\n";
  text += "addtile\n";
  Parsed p = parse(text);
  ASSERT_EQ(p.messages.size(), 2u);
  EXPECT_EQ(p.messages[0], "tileinfo warning: too many roost types\n");
  EXPECT_EQ(p.messages[1], "tileinfo warning: too many roll_resist points\n");
  EXPECT_FLOAT_EQ(p.types[0].roost[3].count, 10.0f);  // the fifth line changed nothing
}

TEST(Tileinfo, PointOrderDoesNotMatter) {
  Parsed up = parse("friction 1.0 2\nfriction 0.5 6\nfriction 0.2 9\nroll_resist 1 2 3\nroll_resist 5 6 1\naddtile\n");
  Parsed down =
      parse("friction 0.2 9\nfriction 0.5 6\nfriction 1.0 2\nroll_resist 5 6 1\nroll_resist 1 2 3\naddtile\n");
  for (float v = 0.0f; v < 12.0f; v += 0.37f) {
    EXPECT_EQ(friction(&up.types[0], v), friction(&down.types[0], v)) << v;
    EXPECT_EQ(roll_resistance(&up.types[0], v, 0.3f), roll_resistance(&down.types[0], v, 0.3f)) << v;
  }
  EXPECT_FLOAT_EQ(down.types[0].friction[0].key, 2.0f);
  EXPECT_FLOAT_EQ(down.types[0].roll_resist[0].key, 1.0f);
}

TEST(Tileinfo, ValuesAreClampedAndAZeroKeyKeepsTheTableGoing) {
  Parsed p = parse("friction -1 0\nfriction 0.5 4\nroll_resist -2 -3 0\naddtile\n");
  const SurfaceType& t = p.types[0];
  EXPECT_FLOAT_EQ(t.friction[0].value, 0.0f);
  EXPECT_EQ(t.friction[0].key, 1.0f / 1048576.0f);
  EXPECT_FLOAT_EQ(t.friction[1].key, 4.0f);  // still reached past the first point
  EXPECT_NEAR(friction(&t, 2.0f), 0.125f, 1e-6);
  EXPECT_EQ(t.roll_resist[0].a, 0.0f);
  EXPECT_EQ(t.roll_resist[0].b, 0.0f);
}

TEST(Friction, InterpolatesInTheSquareOfTheSpeed) {
  Parsed one = parse("friction 0.8 10\naddtile\n");
  Parsed two = parse("friction 1.0 2\nfriction 0.5 6\naddtile\n");
  struct Case {
    const SurfaceType* type;
    float speed;
    float expected;
  };
  const Case cases[] = {
      {&one.types[0], 5.0f, 0.8f},   {&one.types[0], 20.0f, 0.8f},
      {&two.types[0], 4.0f, 0.8125f}, {&two.types[0], 1.0f, 1.0f},
      {&two.types[0], 2.0f, 1.0f},   {&two.types[0], 6.0f, 0.5f},
      {&two.types[0], 50.0f, 0.5f},  {&two.types[0], -4.0f, 0.8125f},
  };
  for (const Case& c : cases) EXPECT_FLOAT_EQ(friction(c.type, c.speed), c.expected) << c.speed;
}

TEST(RollResistance, InterpolatesLinearlyInSpeedThenByDepth) {
  Parsed p = parse("roll_resist 2 10 4\nroll_resist 6 30 8\naddtile\n");
  const SurfaceType* t = &p.types[0];
  struct Case {
    float speed, depth, expected;
  };
  const Case cases[] = {
      {0.0f, 0.0f, 2.0f},  {4.0f, 1.0f, 10.0f}, {6.0f, 0.0f, 4.0f},
      {6.0f, 1.0f, 20.0f}, {6.0f, 0.5f, 12.0f}, {100.0f, 0.25f, 12.0f},
  };
  for (const Case& c : cases) EXPECT_FLOAT_EQ(roll_resistance(t, c.speed, c.depth), c.expected) << c.speed;
}

TEST(Roost, ArgumentWordsQuotesAndStoredValues) {
  Parsed p = parse(
      "roost texture=\"@dust cloud.png\" count=3.5 fade_a=-256 fade_r=100 fade_g=-100 r=128.9 a=300 "
      "slow_angle=0.5 vscale=2\nroost splash=1\troost_kind=1\nroost splash=0 size=\"2\"\naddtile\n");
  ASSERT_EQ(p.types.size(), 1u);
  const RoostEmitter* e = p.types[0].roost;
  EXPECT_EQ(e[0].kind, ROOST_SPRAY);
  EXPECT_STREQ(e[0].texture, "@dust cloud.png");
  EXPECT_FLOAT_EQ(e[0].count, 3.5f);
  EXPECT_EQ(e[0].fade[3], -2);
  EXPECT_EQ(e[0].fade[0], 0);  // 100 / 128 truncated
  EXPECT_EQ(e[0].fade[1], 0);  // -0.78 truncated toward zero
  EXPECT_EQ(e[0].colour[0], 128);
  EXPECT_EQ(e[0].colour[3], 255);  // clamped, not wrapped
  EXPECT_FLOAT_EQ(e[0].slow_angle, 0.5f);
  EXPECT_FLOAT_EQ(e[0].velocity_scale, 2.0f);
  EXPECT_EQ(e[1].kind, ROOST_SPLASH);
  EXPECT_EQ(e[2].kind, ROOST_SPRAY);
  EXPECT_FLOAT_EQ(e[2].size, 2.0f);
  EXPECT_EQ(e[3].kind, ROOST_UNUSED);
  ASSERT_EQ(p.messages.size(), 1u);
  EXPECT_EQ(p.messages[0], "tileinfo warning: unknown roost parameter 'roost_kind=1'\n");
}

TEST(Roost, BadCountLeavesZero) {
  Parsed p = parse("roost count=lots dig=2\naddtile\n");
  EXPECT_EQ(p.types[0].roost[0].count, 0.0f);
  EXPECT_EQ(p.types[0].roost[0].dig, 2.0f);
}

TEST(Texturelist, NumbersOrJustAName) {
  Parsed p = parse("\n0.8 4 12 dirt.png\n   grass-repeat.png\r\n7 mud.png\nlast.png", true);
  ASSERT_EQ(p.types.size(), 4u);
  EXPECT_STREQ(p.types[0].texture, "@dirt.png");
  EXPECT_FLOAT_EQ(friction(&p.types[0], 30.0f), 0.8f);
  EXPECT_FLOAT_EQ(roll_resistance(&p.types[0], 3.0f, 0.0f), 4.0f);
  EXPECT_FLOAT_EQ(roll_resistance(&p.types[0], 3.0f, 1.0f), 12.0f);
  EXPECT_EQ(p.types[0].roost[0].kind, ROOST_SPRAY);
  EXPECT_EQ(p.types[0].roost[1].kind, ROOST_UNUSED);
  EXPECT_STREQ(p.types[1].texture, "@grass-repeat.png");
  EXPECT_FLOAT_EQ(friction(&p.types[1], 3.0f), 1.0f);
  EXPECT_STREQ(p.types[2].texture, "@7 mud.png");  // one number is no number
  EXPECT_STREQ(p.types[3].texture, "@last.png");
}

TEST(Tables, The257thTypeIsNotRead) {
  std::string tileinfo, texturelist;
  for (int k = 0; k < 257; k++) {
    tileinfo += "texture t" + std::to_string(k) + ".png\naddtile\n";
    texturelist += "t" + std::to_string(k) + ".png\n";
  }
  Parsed a = parse(tileinfo), b = parse(texturelist, true);
  ASSERT_EQ(a.types.size(), 256u);
  ASSERT_EQ(b.types.size(), 256u);
  EXPECT_STREQ(a.types[255].texture, "t255.png");
  EXPECT_STREQ(b.types[255].texture, "@t255.png");
}

TEST(TransitionKeys, BlendAltAndOwnNames) {
  Parsed p = parse(
      "texture @tiles/grass.png\naddtile\n"
      "texture dirt.png\naddtile\n"
      "texture @tiles/grass-dirt-0110.png\naddtile\n"
      "texture dirt-alt3.png\naddtile\n"
      "texture rock-dirt-0110.png\naddtile\n"
      "texture grass-dirt-01x0.png\naddtile\n"
      "addtile\n");
  ASSERT_EQ(p.types.size(), 7u);
  EXPECT_STREQ(p.types[0].transition_name, "grass.png");
  EXPECT_EQ(p.types[0].transition_key, 0);
  EXPECT_EQ(p.types[1].transition_key, 1 * 65536 + 1 * 256);
  EXPECT_EQ(p.types[2].transition_key, 0 * 65536 + 1 * 256 + 6);
  EXPECT_EQ(p.types[3].transition_key, 1 * 65536 + 1 * 256);
  EXPECT_EQ(p.types[4].transition_key, 4 * 65536 + 4 * 256);  // "rock" names no type
  EXPECT_EQ(p.types[5].transition_key, 5 * 65536 + 5 * 256);
  EXPECT_EQ(p.types[6].transition_key, 6 * 65536 + 6 * 256);
}

TEST(Tileinfo, WrittenTableReadsBackTheSame) {
  Parsed p = parse(
      "texture @grass.png\nfriction 1.2 3\nfriction 0.7 9\nroll_resist 1 4 2\n"
      "roost texture=\"@my dust.png\" count=2 r=10 g=20 b=30 a=40 fade_a=-384 splash=1\n"
      "roost slip_threshold=7\nerode_radius 6\naddtile\nfriction 0.3 1\naddtile\n");
  ASSERT_EQ(p.types.size(), 2u);
  Stream* out = stream_open_memory_writer();
  ASSERT_TRUE(write_tileinfo(out, p.types.data(), 2));
  size_t size;
  std::string text(stream_memory_bytes(out, &size));
  text.resize(size);
  data_close(out);
  Parsed back = parse(text);
  ASSERT_EQ(back.types.size(), 2u);
  EXPECT_TRUE(back.messages.empty());
  for (int t = 0; t < 2; t++) {
    const SurfaceType &a = p.types[t], &b = back.types[t];
    EXPECT_EQ(a.texture, b.texture);
    EXPECT_EQ(0, memcmp(a.friction, b.friction, sizeof a.friction));
    EXPECT_EQ(0, memcmp(a.roll_resist, b.roll_resist, sizeof a.roll_resist));
    EXPECT_EQ(0, memcmp(&a.erosion, &b.erosion, sizeof a.erosion));
    for (int r = 0; r < ROOST_EMITTERS; r++) {
      EXPECT_EQ(a.roost[r].kind, b.roost[r].kind);
      if (a.roost[r].kind == ROOST_UNUSED) continue;
      EXPECT_EQ(a.roost[r].texture, b.roost[r].texture);
      EXPECT_EQ(a.roost[r].count, b.roost[r].count);
      EXPECT_EQ(a.roost[r].slip_threshold, b.roost[r].slip_threshold);
      EXPECT_EQ(0, memcmp(a.roost[r].colour, b.roost[r].colour, 4));
      EXPECT_EQ(0, memcmp(a.roost[r].fade, b.roost[r].fade, 4));
    }
  }
  EXPECT_EQ(back.types[0].roost[0].fade[3], -3);
}

}  // namespace
