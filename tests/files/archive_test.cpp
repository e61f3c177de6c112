// Packing and unpacking ".saf" archives: exact round trips, and unpacking
// that never writes outside its folder.
#include "files/archive.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <string>
#include <unistd.h>

namespace {

TEST(SafArchive, PackUnpackPackGivesTheSameArchive) {
  TempFolder temp;
  write_file(temp.path("src/terrain.hf"), std::string("\0\1\2\3binary\n", 11));
  write_file(temp.path("src/empty"), "");
  write_file(temp.path("src/Tracks/Dunes/desc"), "Dunes\n");
  write_file(temp.path("src/with space.txt"), "spaced name");
  char error[512] = "";
  ASSERT_TRUE(saf_pack_folder(temp.path("src").c_str(), temp.path("one.saf").c_str(), error, sizeof error)) << error;
  const std::string packed = read_file(temp.path("one.saf"));
  EXPECT_EQ(packed.substr(0, packed.find("-\n") + 2),
            "6 Tracks/Dunes/desc\n0 empty\n11 terrain.hf\n11 with space.txt\n-\n");
  ASSERT_TRUE(saf_unpack(temp.path("one.saf").c_str(), temp.path("out").c_str(), error, sizeof error)) << error;
  EXPECT_EQ(read_file(temp.path("out/terrain.hf")), read_file(temp.path("src/terrain.hf")));
  EXPECT_EQ(read_file(temp.path("out/Tracks/Dunes/desc")), "Dunes\n");
  EXPECT_EQ(read_file(temp.path("out/empty")), "");
  ASSERT_TRUE(saf_pack_folder(temp.path("out").c_str(), temp.path("two.saf").c_str(), error, sizeof error)) << error;
  EXPECT_TRUE(read_file(temp.path("two.saf")) == packed);
  // An archive written inside the folder it packs leaves itself out.
  ASSERT_TRUE(saf_pack_folder(temp.path("out").c_str(), temp.path("out/self.saf").c_str(), error, sizeof error));
  ASSERT_TRUE(saf_pack_folder(temp.path("out").c_str(), temp.path("out/self.saf").c_str(), error, sizeof error));
  EXPECT_TRUE(read_file(temp.path("out/self.saf")) == packed);
}

TEST(SafArchive, MemberNamesThatLeaveTheFolderAreRefused) {
  struct Case {
    const char* name;
    bool safe;
  } cases[] = {
      {"a.txt", true},        {"tracks/dunes/desc", true}, {"..hidden", true},   {"../x", false},
      {"a/../../x", false},   {"/etc/passwd", false},      {"a/./b", false},     {"", false},
      {"a/", false},          {"..", false},               {"a\rb", false},      {"a/b..", true},
  };
  for (const Case& c : cases) EXPECT_EQ(saf_name_is_safe(c.name), c.safe) << c.name;
}

TEST(SafArchive, UnpackStaysInsideTheFolder) {
  TempFolder temp;
  char error[512] = "";
  write_file(temp.path("evil.saf"), "3 ok.txt\n4 ../outside.txt\n-\nabcdefg");
  EXPECT_FALSE(saf_unpack(temp.path("evil.saf").c_str(), temp.path("out").c_str(), error, sizeof error));
  EXPECT_NE(std::string(error).find("unsafe member name"), std::string::npos) << error;
  EXPECT_FALSE(exists(temp.path("outside.txt")));
  EXPECT_FALSE(exists(temp.path("out/ok.txt")));
  // A link in the target folder does not lead the members out of it.
  mkdir(temp.path("elsewhere").c_str(), 0755);
  mkdir(temp.path("target").c_str(), 0755);
  ASSERT_EQ(symlink(temp.path("elsewhere").c_str(), temp.path("target/dir").c_str()), 0);
  ASSERT_EQ(symlink(temp.path("elsewhere/file").c_str(), temp.path("target/file").c_str()), 0);
  write_file(temp.path("links.saf"), "3 dir/x.txt\n-\nabc");
  EXPECT_FALSE(saf_unpack(temp.path("links.saf").c_str(), temp.path("target").c_str(), error, sizeof error));
  write_file(temp.path("links.saf"), "3 file\n-\nabc");
  EXPECT_FALSE(saf_unpack(temp.path("links.saf").c_str(), temp.path("target").c_str(), error, sizeof error));
  EXPECT_FALSE(exists(temp.path("elsewhere/x.txt")));
  EXPECT_FALSE(exists(temp.path("elsewhere/file")));
  // Sizes past the end of the archive.
  write_file(temp.path("short.saf"), "30 a.txt\n-\nabc");
  EXPECT_FALSE(saf_unpack(temp.path("short.saf").c_str(), temp.path("out2").c_str(), error, sizeof error));
  EXPECT_FALSE(exists(temp.path("out2/a.txt")));
}

TEST(SafArchive, PackFollowsNoLinkLoop) {
  TempFolder temp;
  write_file(temp.path("src/a/file"), "x");
  ASSERT_EQ(symlink("..", temp.path("src/a/loop").c_str()), 0);
  ASSERT_EQ(symlink(".", temp.path("src/self").c_str()), 0);
  char error[512] = "";
  ASSERT_TRUE(saf_pack_folder(temp.path("src").c_str(), temp.path("x.saf").c_str(), error, sizeof error)) << error;
  EXPECT_EQ(read_file(temp.path("x.saf")), "1 a/file\n-\nx");
}

TEST(SafArchive, PackReportsProblems) {
  TempFolder temp;
  char error[512] = "";
  EXPECT_FALSE(saf_pack_folder(temp.path("none").c_str(), temp.path("x.saf").c_str(), error, sizeof error));
  EXPECT_NE(error[0], 0);
  write_file(temp.path("src/line\nbreak"), "x");
  EXPECT_FALSE(saf_pack_folder(temp.path("src").c_str(), temp.path("x.saf").c_str(), error, sizeof error));
  EXPECT_FALSE(exists(temp.path("x.saf")));
}

}  // namespace
