// Skin variants of models in the data root, over-long numbers in model
// files, and the memory bound of animated texture sequences.
#include <string>
#include <vector>

#include "assets/image.h"
#include "assets/model.h"
#include "files/data.h"
#include "files/stream.h"
#include "fixture.h"

namespace {

class AssetReviewTest : public AssetTest {
 protected:
  void TearDown() override {
    model_cache_reset();
    AssetTest::TearDown();
  }
};

Mesh* parse(const std::string& text) {
  Stream* s = stream_open_memory(text.data(), text.size());
  Mesh* m = read_model(s, "@long.zm");
  data_close(s);
  return m;
}

TEST_F(AssetReviewTest, SkinWithoutFolderLooksInTheDataRoot) {
  struct Case {
    const char* model;
    const char* skin;
    const char* variant;
    const char* in_folder;
  } cases[] = {
      {"@bikes/frame.zm", "@frame-red-plain.png", "@bikes/frame-red.zm", "@frame-red.zm"},
      {"@frame.zm", "@frame-red-plain.png", "@frame-red.zm", "@frame-red.zm"},
      {"@bikes/frame.zm", "@skins/frame-red-plain.png", "@bikes/frame-red.zm", "@skins/frame-red.zm"},
      {"bikes/frame.zm", "frame-red-plain.png", "bikes/frame-red.zm", "frame-red.zm"},
  };
  for (const Case& c : cases) {
    char variant[128], folder[128];
    ASSERT_TRUE(skin_variant_names(c.model, c.skin, variant, sizeof variant, folder, sizeof folder)) << c.skin;
    EXPECT_STREQ(variant, c.variant) << c.skin;
    EXPECT_STREQ(folder, c.in_folder) << c.skin;
  }

  // The variant is missing beside the model; the one in the skin's folder
  // (the data root) is taken.
  put("frame-red.zm", "ZM1\n1 0 1 1 1 0 0\n");
  data_rescan();
  Mesh* m = load_model_for_skin("@bikes/frame.zm", "@frame-red-plain.png", true);
  ASSERT_NE(m, nullptr);
  EXPECT_STREQ(m->name, "@frame-red.zm");
  EXPECT_EQ(log_count("Warning"), 0) << log();
}

TEST_F(AssetReviewTest, NumbersLongerThanTheReaderTakesAreRefused) {
  const std::string vertices = "0 0 0 0 0 1 0 0\n1 0 0 0 0 1 1 0\n0 1 0 0 0 1 0 1\n";
  const std::string zeros(40, '0');
  struct Case {
    std::string text;
    const char* message;
  } cases[] = {
      // 40 zeros then 2: cut to its first characters it would read as 0.
      {"3 1\n" + vertices + "0 1 " + zeros + "2\n", "bad triangle 0"},
      // 1e-70 written out: cut before its exponent it would read as 0.
      {"1 0\n0." + std::string(70, '0') + "1e70 0 0 0 0 1 0 0\n", "bad vertex 0"},
  };
  for (const Case& c : cases) {
    Mesh* m = parse(c.text);
    EXPECT_EQ(m, nullptr) << c.message;
    free_model(m);
    EXPECT_EQ(log_count(c.message), 1) << log();
  }
  // Leading zeros within reach still read as written.
  Mesh* m = parse("3 1\n" + vertices + "0 1 0002\n");
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->triangles[2], 2);
  free_model(m);
}

TEST_F(AssetReviewTest, SequenceImagesAreBoundedInMemory) {
  // One 2048 x 2048 PNG is a small file but 16 MB with its chain; a short
  // sequence may name it for every image.
  const int side = 2048;
  std::vector<unsigned char> black((size_t)side * side * 3, 0);
  ASSERT_TRUE(write_png("@big.png", black.data(), side, side, 3));
  std::string few = "ANIM1\n2 2 1 1\n0 1\n";
  std::string many = "ANIM1\n1 17 1 0\n0\n";
  for (int i = 0; i < 2; i++) few += "PNG @big.png\n";
  for (int i = 0; i < 17; i++) many += "PNG @big.png\n";
  put("few.seq", few);
  put("many.seq", many);
  data_rescan();

  ImageFile file;
  ASSERT_TRUE(read_image_file("@few.seq", true, &file));
  EXPECT_EQ(file.kind, IMAGE_FILE_ANIMATION);
  EXPECT_EQ(file.animation.image_count, 2);
  image_file_free(&file);

  EXPECT_FALSE(read_image_file("@many.seq", true, &file));
  EXPECT_EQ(log_count("Warning: Can't read image '@many.seq': .seq images need more than 256 MB"), 1) << log();
}

}  // namespace
