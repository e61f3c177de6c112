#include "core/helpers.h"

#include "../support/test_support.h"
#include "platform/kuvo.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(MessageRing, LogsWithOneNewlineAndColourReset) {
  LogCapture captured;
  show_message("Saved\n");
  show_message("Saved");
  show_message("\x1b[31mred");
  captured.stop();
  std::string log = captured.text();
  EXPECT_NE(log.find("] Saved\n["), std::string::npos);
  EXPECT_EQ(log.find("Saved\n\n"), std::string::npos);
  EXPECT_NE(log.find("] \x1b[31mred\x1b[0m\n"), std::string::npos);
}

TEST(MessageRing, WrapsCutsAndExpires) {
  message_ring_clear();
  message_set_line_limit(5);
  game_clock = 10.0;
  for (int i = 0; i < 1001; i++) show_messagef("line %d", i);
  EXPECT_STREQ(message_line(0), "line 1000");  // 1001st overwrote the first entry
  EXPECT_STREQ(message_line(999), "line 1");
  EXPECT_EQ(message_visible_count(), 5);

  std::string long_text(300, 'x');
  show_message(long_text.c_str());
  EXPECT_EQ(std::string(message_line(0)), std::string(127, 'x'));

  // Stays up two seconds after the last message, then one line every five.
  game_clock = 11.9;
  message_expire_tick();
  EXPECT_EQ(message_visible_count(), 5);
  game_clock = 12.1;
  message_expire_tick();
  EXPECT_EQ(message_visible_count(), 4);
  game_clock = 16.0;
  message_expire_tick();
  EXPECT_EQ(message_visible_count(), 4);
  game_clock = 17.2;
  message_expire_tick();
  EXPECT_EQ(message_visible_count(), 3);
}

TEST(InternString, StoresEachTextOnce) {
  const char* a = intern_string("abc");
  std::string copy = "abc";
  EXPECT_EQ(intern_string(copy.c_str()), a);
  EXPECT_NE(intern_string("ABC"), a);
  EXPECT_STREQ(intern_string("ABC"), "ABC");

  // Many names, across the index's growth: each still found, once.
  std::vector<const char*> first;
  for (int i = 0; i < 5000; i++) first.push_back(intern_string(("name" + std::to_string(i)).c_str()));
  for (int i = 0; i < 5000; i++) {
    ASSERT_EQ(intern_string(("name" + std::to_string(i)).c_str()), first[i]) << i;
    ASSERT_STREQ(first[i], ("name" + std::to_string(i)).c_str());
  }
  EXPECT_EQ(intern_string("abc"), a);
}

static void* failing_realloc(void*, size_t) { return nullptr; }

TEST(GrowableArray, DoublesAndKeepsContentsWhenGrowthFails) {
  Array a;
  array_init(&a, sizeof(int));
  EXPECT_EQ(a.capacity, 16);
  for (int i = 0; i < 17; i++) ASSERT_TRUE(array_append(&a, &i));
  EXPECT_EQ(a.capacity, 32);
  for (int i = 17; i < 32; i++) ASSERT_TRUE(array_append(&a, &i));

  array_set_realloc(failing_realloc);
  int extra = 99;
  EXPECT_FALSE(array_append(&a, &extra));
  array_set_realloc(nullptr);
  EXPECT_EQ(a.count, 32);
  EXPECT_EQ(a.capacity, 32);
  for (int i = 0; i < 32; i++) EXPECT_EQ(*array_at<int>(&a, i), i);

  ASSERT_TRUE(array_append(&a, &extra));
  array_trim(&a);
  EXPECT_EQ(a.capacity, 33);
  EXPECT_EQ(*array_at<int>(&a, 32), 99);
  array_free(&a);
}

}  // namespace
