// Streams: decoding gzip and scrambled data, stopping at a member's end,
// the read operations, and the writers with backups and replace-on-close.
#include "files/scramble.h"
#include "files/stream.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <random>
#include <string>
#include <zlib.h>

namespace {

std::string read_all(Stream* s) {
  std::string out;
  char buffer[777];
  size_t n;
  while ((n = stream_read(s, buffer, sizeof buffer)) > 0) out.append(buffer, n);
  return out;
}

std::string raw_deflate(const std::string& bytes) { return zlib_deflate(bytes, 9, -15); }

std::string scrambled(const std::string& bytes, uint32_t seed) {
  unsigned char header[SCRAMBLE_HEADER_SIZE];
  scramble_header(seed, header);
  std::string body = bytes;
  ScrambleState state;
  scramble_start(&state, seed);
  scramble_apply(&state, &body[0], body.size());
  return std::string((char*)header, sizeof header) + body;
}

std::string noise(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  std::string out(size, '\0');
  // Half text, half random, so it compresses but not to nothing.
  for (size_t i = 0; i < size; i++) out[i] = (i / 4096) % 2 ? (char)random() : "kestrix "[i % 8];
  return out;
}

TEST(Stream, GzipHeadersWithEveryOptionalField) {
  const std::string text = "the rider leans forward\n";
  const std::string body = raw_deflate(text) + std::string(8, '\0');  // trailer is not checked
  const std::string base = std::string("\x1f\x8b\x08", 3);
  const std::string rest6(6, '\0');
  struct Case {
    const char* label;
    std::string header;
  } cases[] = {
      {"no flags", base + '\0' + rest6},
      {"extra field", base + '\x04' + rest6 + std::string("\x03\x00xyz", 5)},
      {"file name", base + '\x08' + rest6 + std::string("name.txt\0", 9)},
      {"comment", base + '\x10' + rest6 + std::string("a comment\0", 10)},
      {"header crc", base + '\x02' + rest6 + "cc"},
      {"all fields", base + '\x1e' + rest6 + std::string("\x01\x00" "e" "n\0" "c\0" "cc", 9)},
  };
  for (const Case& c : cases) {
    std::string file = c.header + body;
    Stream* s = stream_open_memory(file.data(), file.size(), true);
    ASSERT_NE(s, nullptr) << c.label;
    EXPECT_EQ(read_all(s), text) << c.label;
    EXPECT_EQ(stream_getc(s), -1) << c.label;
    data_close(s);
  }
}

TEST(Stream, RefusesBadGzipHeaders) {
  const std::string body = raw_deflate("x");
  struct Case {
    const char* label;
    std::string file;
  } cases[] = {
      {"empty", ""},
      {"wrong magic", std::string("\x1f\x8c\x08\x00", 4) + std::string(6, '\0') + body},
      {"not deflate", std::string("\x1f\x8b\x07\x00", 4) + std::string(6, '\0') + body},
      {"reserved flag", std::string("\x1f\x8b\x08\x20", 4) + std::string(6, '\0') + body},
      {"cut in fixed part", std::string("\x1f\x8b\x08\x00\x00", 5)},
      {"cut in name", std::string("\x1f\x8b\x08\x08", 4) + std::string(6, '\0') + "name"},
      {"extra past end", std::string("\x1f\x8b\x08\x04", 4) + std::string(6, '\0') + std::string("\xff\x00", 2) + "ab"},
  };
  for (const Case& c : cases) EXPECT_EQ(stream_open_memory(c.file.data(), c.file.size(), true), nullptr) << c.label;
}

TEST(Stream, TruncatedOrCorruptGzipEndsTheDataCleanly) {
  const std::string text = noise(100000, 1);
  const std::string file = gzip(text);
  for (size_t cut : {file.size() / 3, file.size() - 12}) {
    Stream* s = stream_open_memory(file.data(), cut, true);
    ASSERT_NE(s, nullptr);
    std::string got = read_all(s);
    EXPECT_LT(got.size(), text.size());
    EXPECT_EQ(got, text.substr(0, got.size()));
    EXPECT_EQ(stream_getc(s), -1);
    data_close(s);
  }
  std::string corrupt = file;
  for (size_t i = 40; i < 80; i++) corrupt[i] ^= 0x5a;
  Stream* s = stream_open_memory(corrupt.data(), corrupt.size(), true);
  ASSERT_NE(s, nullptr);
  read_all(s);  // whatever comes out, it must end
  EXPECT_EQ(stream_getc(s), -1);
  data_close(s);
}

TEST(Stream, LargeGzipReadsMatchWhateverTheReadSizes) {
  const std::string text = noise(300000, 2);
  const std::string file = gzip(text);
  Stream* s = stream_open_memory(file.data(), file.size(), true);
  ASSERT_NE(s, nullptr);
  std::string got;
  std::mt19937 random(3);
  char buffer[70000];
  for (;;) {
    int kind = random() % 4;
    if (kind == 0) {
      int c = stream_getc(s);
      if (c < 0) break;
      got += (char)c;
    } else {
      size_t want = kind == 1 ? random() % 1500 : kind == 2 ? 1024 : random() % sizeof buffer;
      size_t n = stream_read(s, buffer, want);
      if (want && !n) break;
      got.append(buffer, n);
    }
  }
  EXPECT_EQ(got.size(), text.size());
  EXPECT_TRUE(got == text);
  EXPECT_EQ(stream_position(s), (int64_t)text.size());
  data_close(s);
}

// A member in the middle of a file: every read stops exactly at its end.
TEST(Stream, MemberReadsStopAtTheMemberEnd) {
  TempFolder temp;
  const std::string member = "line one\nline two";
  const std::string packed = gzip("compressed member\n");
  const std::string scram = scrambled("scrambled member", 77);
  const std::string file = "HEAD" + member + packed + scram + "TAIL-BYTES";
  write_file(temp.path("blob"), file);
  struct Case {
    int64_t offset, size;
    bool compressed, scrambled;
    std::string expected;
  } cases[] = {
      {4, (int64_t)member.size(), false, false, member},
      {4 + (int64_t)member.size(), (int64_t)packed.size(), true, false, "compressed member\n"},
      {4 + (int64_t)(member.size() + packed.size()), (int64_t)scram.size(), false, true, "scrambled member"},
      {0, 0, false, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    // Whole reads
    Stream* s = stream_open_member(temp.path("blob").c_str(), c.offset, c.size, c.compressed, c.scrambled);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(read_all(s), c.expected);
    EXPECT_EQ(stream_getc(s), -1);
    data_close(s);
    // Byte by byte and line by line
    s = stream_open_member(temp.path("blob").c_str(), c.offset, c.size, c.compressed, c.scrambled);
    std::string bytes;
    for (int b; (b = stream_getc(s)) >= 0;) bytes += (char)b;
    EXPECT_EQ(bytes, c.expected);
    data_close(s);
    s = stream_open_member(temp.path("blob").c_str(), c.offset, c.size, c.compressed, c.scrambled);
    std::string lines;
    char line[5];
    while (stream_gets(s, line, sizeof line)) lines += line;
    EXPECT_EQ(lines, c.expected);
    data_close(s);
  }
}

TEST(Stream, ScrambledAndScrambledGzipRoundTrip) {
  const std::string text = noise(5000, 4);
  for (uint32_t seed : {0u, 1u, 0xdeadbeefu}) {
    std::string once = scrambled(text, seed);
    EXPECT_NE(once.substr(SCRAMBLE_HEADER_SIZE), text);
    Stream* s = stream_open_memory(once.data(), once.size(), false, true);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(read_all(s) == text);
    data_close(s);
    std::string both = scrambled(gzip(text), seed);
    s = stream_open_memory(both.data(), both.size(), true, true);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(read_all(s) == text);
    data_close(s);
  }
  const std::string plain = "not scrambled at all";
  EXPECT_EQ(stream_open_memory(plain.data(), plain.size(), false, true), nullptr);
  EXPECT_EQ(stream_open_memory("KXS1", 4, false, true), nullptr);
}

TEST(Stream, PeekPushBackAndPosition) {
  Stream* s = stream_open_memory("ab\ncd", 5);
  EXPECT_EQ(stream_peekc(s), 'a');
  EXPECT_EQ(stream_position(s), 0);
  EXPECT_EQ(stream_peekc(s), 'a');
  EXPECT_EQ(stream_getc(s), 'a');
  EXPECT_EQ(stream_peekc(s), 'b');
  char buffer[8];
  EXPECT_STREQ(stream_gets(s, buffer, sizeof buffer), "b\n");  // the pushed byte comes first
  EXPECT_EQ(stream_position(s), 3);
  EXPECT_EQ(stream_peekc(s), 'c');
  EXPECT_EQ(stream_read(s, buffer, 8), 2u);
  EXPECT_EQ(std::string(buffer, 2), "cd");
  EXPECT_EQ(stream_peekc(s), -1);
  EXPECT_EQ(stream_gets(s, buffer, sizeof buffer), nullptr);
  data_close(s);
}

TEST(Stream, GetsFollowsFgets) {
  const char text[] = "short\nexactly8\nlast";
  Stream* s = stream_open_memory(text, strlen(text));
  char buffer[9];
  std::string pieces;
  while (char* line = stream_gets(s, buffer, sizeof buffer)) pieces += std::string("[") + line + "]";
  EXPECT_EQ(pieces, "[short\n][exactly8][\n][last]");
  data_close(s);
  s = stream_open_memory(text, strlen(text));
  EXPECT_EQ(stream_gets(s, buffer, 1), nullptr);  // no room for a byte
  EXPECT_EQ(stream_getc(s), 's');
  data_close(s);
}

TEST(Stream, SeekOnlyWithinPlainData) {
  TempFolder temp;
  write_file(temp.path("blob"), "0123456789");
  Stream* s = stream_open_member(temp.path("blob").c_str(), 2, 5, false, false);  // "23456"
  EXPECT_EQ(stream_peekc(s), '2');
  EXPECT_TRUE(stream_seek(s, 3));
  EXPECT_EQ(stream_getc(s), '5');
  EXPECT_EQ(stream_position(s), 4);
  EXPECT_EQ(stream_getc(s), '6');
  EXPECT_EQ(stream_getc(s), -1);
  EXPECT_FALSE(stream_seek(s, 6));
  EXPECT_FALSE(stream_seek(s, -1));
  EXPECT_TRUE(stream_seek(s, 0));
  EXPECT_EQ(stream_getc(s), '2');
  data_close(s);
  const std::string packed = gzip("abc");
  s = stream_open_memory(packed.data(), packed.size(), true);
  EXPECT_FALSE(stream_seek(s, 1));
  data_close(s);
}

TEST(Stream, MemoryWriterCollectsEveryWriter) {
  Stream* s = stream_open_memory_writer();
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(stream_putc(s, 'k'), 'k');
  EXPECT_EQ(stream_puts(s, "x="), 0);
  EXPECT_EQ(stream_printf(s, "%d;%s", 12, "end"), 6);
  EXPECT_EQ(stream_write(s, "\0z", 2), 2u);
  EXPECT_TRUE(stream_flush(s));
  size_t size;
  const char* bytes = stream_memory_bytes(s, &size);
  EXPECT_EQ(std::string(bytes, size), std::string("kx=12;end\0z", 11));
  EXPECT_EQ(stream_position(s), 11);
  EXPECT_EQ(stream_getc(s), -1);  // writers do not read
  EXPECT_TRUE(data_close(s));
  Stream* empty = stream_open_memory_writer();
  ASSERT_NE(stream_memory_bytes(empty, &size), nullptr);
  EXPECT_EQ(size, 0u);
  data_close(empty);
  Stream* reader = stream_open_memory("x", 1);
  EXPECT_EQ(stream_memory_bytes(reader, &size), nullptr);
  data_close(reader);
}

TEST(Stream, BackupsAreNumberedFromOne) {
  TempFolder temp;
  const std::string path = temp.path("sub/demo.qvdemo");
  for (const char* content : {"first", "second", "third"}) {
    Stream* s = data_open(path.c_str(), "~wb");
    ASSERT_NE(s, nullptr);
    stream_puts(s, content);
    EXPECT_TRUE(data_close(s));
  }
  EXPECT_EQ(read_file(path), "third");
  EXPECT_EQ(read_file(path + ".~1~"), "first");
  EXPECT_EQ(read_file(path + ".~2~"), "second");
  EXPECT_FALSE(exists(path + ".~3~"));
  // A gap is filled first.
  remove((path + ".~1~").c_str());
  data_close(data_open(path.c_str(), "~wb"));
  EXPECT_EQ(read_file(path + ".~1~"), "third");
}

TEST(Stream, ReplacingWriterKeepsTheOldFileUntilClosed) {
  TempFolder temp;
  const std::string path = temp.path("setups/config");
  write_file(path, "old contents");
  Stream* s = data_open_replacing(path.c_str(), "wb");
  ASSERT_NE(s, nullptr);
  stream_puts(s, "new contents");
  stream_flush(s);
  EXPECT_EQ(read_file(path), "old contents");  // a crash now leaves the old file whole
  EXPECT_TRUE(data_close(s));
  EXPECT_EQ(read_file(path), "new contents");
  s = data_open_replacing(path.c_str(), "wb");
  stream_puts(s, "abandoned");
  stream_discard(s);
  EXPECT_EQ(read_file(path), "new contents");
  // With "~" the old file is also kept as a numbered backup.
  s = data_open_replacing(path.c_str(), "~wb");
  stream_puts(s, "newest");
  EXPECT_TRUE(data_close(s));
  EXPECT_EQ(read_file(path), "newest");
  EXPECT_EQ(read_file(path + ".~1~"), "new contents");
  // No temporary files stay behind.
  DIR* dir = opendir(temp.path("setups").c_str());
  int files = 0;
  while (dirent* d = readdir(dir)) files += d->d_name[0] != '.';
  closedir(dir);
  EXPECT_EQ(files, 2);
  EXPECT_EQ(data_open_replacing(path.c_str(), "rb"), nullptr);
  EXPECT_EQ(data_open_replacing(path.c_str(), "ab"), nullptr);
}

TEST(Stream, PathOpensFallBackToEncodedVariants) {
  TempFolder temp;
  write_file(temp.path("a.txt.gz"), gzip("from gz"));
  write_file(temp.path("b.txt.scram"), scrambled("from scram", 5));
  write_file(temp.path("c.txt.gz.scram"), scrambled(gzip("from both"), 6));
  write_file(temp.path("d.txt"), "plain");
  write_file(temp.path("d.txt.gz"), gzip("not this"));
  for (auto [name, expected] : {std::pair{"a.txt", "from gz"}, {"b.txt", "from scram"}, {"c.txt", "from both"},
                                {"d.txt", "plain"}}) {
    Stream* s = data_open(temp.path(name).c_str(), "rb");
    ASSERT_NE(s, nullptr) << name;
    EXPECT_EQ(read_all(s), expected);
    data_close(s);
  }
  EXPECT_EQ(data_open(temp.path("missing").c_str(), "rb"), nullptr);
  EXPECT_EQ(data_open(temp.root.c_str(), "rb"), nullptr);  // a folder is not a file
  // stream_open_file takes the path exactly.
  EXPECT_EQ(stream_open_file(temp.path("a.txt").c_str(), "rb"), nullptr);
}

}  // namespace
