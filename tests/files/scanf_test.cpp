// stream_scanf against the C library's sscanf on the same text and format,
// plus the one-byte push-back that the C library cannot show.
#include "files/stream.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

struct ScanCase {
  const char* input;
  const char* format;
};

const ScanCase scan_cases[] = {
    {"42 -7 0x1F", "%d %i %x"},      {"  +13abc", "%d%s"},          {"017 0x10 10", "%i %i %i"},
    {"0777 -0", "%o %o"},            {"ff FF 0Xa", "%x %X %x"},     {"3.5 -2e3 .25", "%f %lf %Lf"},
    {"1.5e+2x", "%f%c"},             {"hello world", "%s %s"},      {"hello", "%3s%s"},
    {"abc", "%c%c%c"},               {"key=value;rest", "%[^=]=%[^;];%s"},
    {"abc123", "%[a-c]%d"},          {"]]x-y", "%[]x]%c"},          {"a-b", "%[a-]%c"},
    {"12345", "%2d%3d"},             {"-12", "%u"},                 {"99999999999", "%lld"},
    {"300 -2", "%hhd %hd"},          {"100%", "%d%%"},              {"  ", "%d"},
    {"", "%d"},                      {"x", "%d"},                   {"1 2 3", "%d %*d %d"},
    {"7 8", "%d%n %d"},              {"12 ab", "%d %d"},            {"  word", "%c"},
    {"a\tb\nc", "%s%s%s"},           {"-1", "%hu"},                 {"1.25 7", "%lg %qd"},
    {"inf -nan 1", "%f %lf %d"},     {"5 x", "%d y"},               {"#hash", "#%s"},
    {"12 34", "%1d%d"},              {"3 4", "%ld %zd"},            {"0x1A", "%i"},
    {"1e5 2E-2", "%e %G"},           {"abc", "%2c%c"},              {"tab\there", "%[^\t]%*c%s"},
};

// Every conversion writes into one of four zeroed 64-byte slots.
struct Slots {
  alignas(16) unsigned char bytes[4][64];
};

TEST(StreamScanf, AgreesWithTheCLibrary) {
  for (const ScanCase& c : scan_cases) {
    SCOPED_TRACE(std::string("input \"") + c.input + "\" format \"" + c.format + "\"");
    Slots expected = {}, got = {};
    int want = sscanf(c.input, c.format, expected.bytes[0], expected.bytes[1], expected.bytes[2], expected.bytes[3]);
    Stream* s = stream_open_memory(c.input, strlen(c.input));
    ASSERT_NE(s, nullptr);
    int have = stream_scanf(s, c.format, got.bytes[0], got.bytes[1], got.bytes[2], got.bytes[3]);
    data_close(s);
    EXPECT_EQ(have, want);
    for (int i = 0; i < 4; i++) EXPECT_EQ(memcmp(expected.bytes[i], got.bytes[i], 64), 0) << "slot " << i;
  }
}

// The first byte a conversion cannot use stays in the stream.
TEST(StreamScanf, LeavesTheFirstUnusedBytePushedBack) {
  struct Case {
    const char* input;
    const char* format;
    int next;
  } cases[] = {
      {"123abc", "%d", 'a'}, {"12.5x", "%d", '.'}, {"0x1Fg", "%x", 'g'}, {"word  next", "%s", ' '},
      {"3.25;", "%f", ';'},  {"ab,c", "%[a-z]", ','}, {"5 ", "%d", ' '}, {"-q", "%d", 'q'},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    Stream* s = stream_open_memory(c.input, strlen(c.input));
    char buffer[64];
    stream_scanf(s, c.format, buffer);
    EXPECT_EQ(stream_getc(s), c.next);
    data_close(s);
  }
}

TEST(StreamScanf, ReadsOneIntOrReportsNone) {
  struct Case {
    const char* input;
    int value;
  } cases[] = {{"  -42 9", -42}, {"2147483647", INT_MAX}, {"abc", INT_MIN}, {"", INT_MIN}, {"+", INT_MIN}};
  for (const Case& c : cases) {
    Stream* s = stream_open_memory(c.input, strlen(c.input));
    EXPECT_EQ(stream_read_int(s), c.value) << c.input;
    data_close(s);
  }
}

TEST(StreamScanf, SkipsWhiteSpaceAndCommentLines) {
  struct Case {
    const char* input;
    const char* rest;
  } cases[] = {
      {"  # one\n#two\n\n  value 1", "value 1"},
      {"#\n#\nx", "x"},
      {"x # not a comment", "x # not a comment"},
      {"# only a comment", ""},
      {"\n\n\t5", "5"},
  };
  for (const Case& c : cases) {
    Stream* s = stream_open_memory(c.input, strlen(c.input));
    stream_skip_comments(s);
    char rest[64] = "";
    size_t n = stream_read(s, rest, sizeof rest - 1);
    rest[n] = 0;
    EXPECT_STREQ(rest, c.rest) << c.input;
    data_close(s);
  }
}

}  // namespace
