// Mip chains, resampling, the level drop, the border colour, and the PPM and
// packed readers and encoder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "assets/image.h"
#include "files/stream.h"

namespace {

std::vector<unsigned char> chain(const std::vector<unsigned char>& level0, int w, int h, int channels,
                                 bool max_alpha = false) {
  std::vector<unsigned char> buffer(mip_chain_bytes(w, h, channels));
  memcpy(buffer.data(), level0.data(), level0.size());
  build_mip_chain(buffer.data(), w, h, channels, max_alpha);
  return buffer;
}

std::vector<unsigned char> level(const std::vector<unsigned char>& buffer, int w, int h, int channels, int k) {
  int lw, lh;
  mip_level_size(w, h, k, &lw, &lh);
  size_t at = mip_level_offset(w, h, channels, k);
  return std::vector<unsigned char>(buffer.begin() + at, buffer.begin() + at + (size_t)lw * lh * channels);
}

using Bytes = std::vector<unsigned char>;

TEST(MipChain, Geometry) {
  // 4x2, 2x1, 1x1.
  EXPECT_EQ(mip_level_count(4, 2), 3);
  EXPECT_EQ(mip_chain_bytes(4, 2, 3), (8u + 2 + 1) * 3);
  EXPECT_EQ(mip_level_offset(4, 2, 3, 2), 30u);
  EXPECT_EQ(mip_chain_bytes(1, 1, 4), 4u);
  // 8x1 keeps halving the long side: 8, 4, 2, 1.
  EXPECT_EQ(mip_chain_bytes(8, 1, 1), 8u + 4 + 2 + 1);
  int w, h;
  mip_level_size(8, 2, 2, &w, &h);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(h, 1);
}

TEST(MipChain, LevelRules) {
  struct Case {
    const char* what;
    int w, h, channels;
    bool max_alpha;
    Bytes level0;
    Bytes level1;
  };
  const Case cases[] = {
      {"rgb box", 2, 2, 3, false, {10, 20, 30, 11, 21, 31, 12, 22, 32, 13, 23, 34}, {11, 21, 31}},
      {"rgba weighted by alpha", 2, 2, 4, false, {200, 0, 0, 255, 100, 0, 0, 85, 7, 7, 7, 0, 9, 9, 9, 0},
       {175, 0, 0, 85}},
      {"rgba max alpha", 2, 2, 4, true, {200, 0, 0, 255, 100, 0, 0, 85, 7, 7, 7, 0, 9, 9, 9, 0}, {175, 0, 0, 255}},
      {"rgba all transparent: plain mean", 2, 2, 4, false, {4, 0, 0, 0, 8, 0, 0, 0, 12, 0, 0, 0, 17, 0, 0, 0},
       {10, 0, 0, 0}},
      {"odd column and row dropped", 3, 3, 3, false, {4, 4, 4, 8, 8, 8, 255, 255, 255, 12, 12, 12, 16, 16, 16,
                                                      255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255},
       {10, 10, 10}},
      {"1-D row rgb", 4, 1, 3, false, {0, 0, 0, 10, 10, 10, 20, 20, 20, 31, 31, 31}, {5, 5, 5, 25, 25, 25}},
      {"1-D column rgba weighted", 1, 2, 4, false, {200, 50, 0, 255, 0, 250, 0, 0}, {200, 50, 0, 127}},
      {"1-D opaque pair: plain mean", 2, 1, 4, false, {10, 0, 0, 255, 21, 0, 0, 255}, {15, 0, 0, 255}},
      {"1-D max alpha", 2, 1, 4, true, {10, 0, 0, 20, 10, 0, 0, 200}, {10, 0, 0, 200}},
  };
  for (const Case& c : cases) {
    Bytes buffer = chain(c.level0, c.w, c.h, c.channels, c.max_alpha);
    EXPECT_EQ(level(buffer, c.w, c.h, c.channels, 1), c.level1) << c.what;
  }
  // The chain goes on to 1x1 through 1-D levels.
  Bytes row = chain({0, 0, 0, 10, 10, 10, 20, 20, 20, 31, 31, 31}, 4, 1, 3);
  EXPECT_EQ(level(row, 4, 1, 3, 2), (Bytes{15, 15, 15}));
}

TEST(Resample, NonPowerOfTwoTakesNearestSource) {
  Image image;
  ASSERT_TRUE(image_alloc(&image, 3, 2, 3));
  for (int i = 0; i < 6; i++) memset(image.pixels + 3 * i, i * 10, 3);
  ASSERT_TRUE(image_resample_pow2(&image, false));
  ASSERT_EQ(image.width, 4);
  ASSERT_EQ(image.height, 2);
  // Columns 0,0,1,2 of each row.
  const int expected[8] = {0, 0, 10, 20, 30, 30, 40, 50};
  for (int i = 0; i < 8; i++) EXPECT_EQ(image.pixels[3 * i], expected[i]) << i;
  EXPECT_TRUE(image.mips_built);
  // Level 1 is 2x1 from the resampled pixels.
  EXPECT_EQ(image.pixels[mip_level_offset(4, 2, 3, 1)], (0 + 0 + 30 + 30) >> 2);
  image_free(&image);

  ASSERT_TRUE(image_alloc(&image, 300, 200, 4));
  memset(image.pixels, 1, (size_t)300 * 200 * 4);
  ASSERT_TRUE(image_resample_pow2(&image, false));
  EXPECT_EQ(image.width, 512);
  EXPECT_EQ(image.height, 256);
  image_free(&image);
}

TEST(LevelDrop, SkipsOnlyLevelsLargerThan128) {
  EXPECT_EQ(level_drop_count(1024, 1024, 2), 2);
  EXPECT_EQ(level_drop_count(256, 128, 4), 0);
  EXPECT_EQ(level_drop_count(512, 256, 3), 1);
  EXPECT_EQ(level_drop_count(2048, 2048, 0), 0);

  Image image;
  ASSERT_TRUE(image_alloc(&image, 1024, 1024, 3));
  for (size_t i = 0; i < (size_t)1024 * 1024 * 3; i++) image.pixels[i] = (unsigned char)(i * 7 / 3);
  image_finish_mips(&image, false);
  Bytes expected(image.pixels + mip_level_offset(1024, 1024, 3, 2),
                 image.pixels + mip_level_offset(1024, 1024, 3, 2) + mip_chain_bytes(256, 256, 3));
  ASSERT_TRUE(image_apply_level_drop(&image, 2, false));
  EXPECT_EQ(image.width, 256);
  EXPECT_EQ(image.height, 256);
  EXPECT_EQ(Bytes(image.pixels, image.pixels + expected.size()), expected);
  image_free(&image);
}

TEST(Widen, EveryLevelGetsOpaqueAlpha) {
  Image image;
  ASSERT_TRUE(image_alloc(&image, 2, 2, 3));
  Bytes rgb = {1, 2, 3, 5, 6, 7, 9, 10, 11, 13, 14, 15};
  memcpy(image.pixels, rgb.data(), rgb.size());
  image_finish_mips(&image, false);
  image_widen_to_rgba(&image);
  ASSERT_EQ(image.channels, 4);
  EXPECT_EQ(Bytes(image.pixels, image.pixels + 20),
            (Bytes{1, 2, 3, 255, 5, 6, 7, 255, 9, 10, 11, 255, 13, 14, 15, 255, 7, 8, 9, 255}));
  image_free(&image);
}

TEST(BorderColour, CornersCountTwiceAndTheFirstBinWinsTies) {
  // 4x4: blue corners (4 pixels, each counted twice) against eight red edge
  // pixels: a tie of 8, which the lower bin (blue) wins. Counting corners
  // once would make it red.
  std::vector<unsigned char> p(4 * 4 * 3, 0);
  auto set = [&](int x, int y, int r, int g, int b) {
    p[(y * 4 + x) * 3] = r;
    p[(y * 4 + x) * 3 + 1] = g;
    p[(y * 4 + x) * 3 + 2] = b;
  };
  for (int y = 0; y < 4; y++)
    for (int x = 0; x < 4; x++) set(x, y, 255, 0, 0);
  set(0, 0, 0, 0, 255);
  set(3, 0, 36, 0, 255);  // 36 still quantises to 0
  set(0, 3, 0, 0, 255);
  set(3, 3, 0, 0, 255);
  set(1, 1, 0, 255, 0);
  float c[4];
  border_colour(p.data(), 4, 4, 3, c);
  EXPECT_FLOAT_EQ(c[0], 0);
  EXPECT_FLOAT_EQ(c[1], 0);
  EXPECT_FLOAT_EQ(c[2], 1);
  EXPECT_FLOAT_EQ(c[3], 0);
  // A fifth red edge pixel breaks the tie the other way... there is none
  // left, so turn one corner red instead: red 10 against blue 6.
  set(3, 3, 255, 0, 0);
  border_colour(p.data(), 4, 4, 3, c);
  EXPECT_FLOAT_EQ(c[0], 1);
  EXPECT_FLOAT_EQ(c[2], 0);
  // Quantisation: 128 -> 3, shown as 3/7.
  std::vector<unsigned char> grey(3 * 3, 128);
  border_colour(grey.data(), 3, 1, 3, c);
  EXPECT_FLOAT_EQ(c[0], 3.0f / 7.0f);
  border_colour(p.data(), 2, 2, 4, c);
  EXPECT_EQ(c[0] + c[1] + c[2] + c[3], 0.0f);
}

bool read_rgb(const std::string& bytes, Image* image) {
  Stream* s = stream_open_memory(bytes.data(), bytes.size());
  bool ok = read_rgb_image(s, image);
  data_close(s);
  return ok;
}

TEST(Ppm, RawAndAsciiWithCommentsAndRescaling) {
  Image image;
  std::string raw = std::string("P6\n# made by hand\n2 # width\n1\n#max\n15\n") + std::string("\x0f\x05\x00\x01\x02\x03", 6);
  ASSERT_TRUE(read_rgb(raw, &image)) << image_last_error();
  EXPECT_EQ(image.width, 2);
  EXPECT_EQ(image.height, 1);
  EXPECT_EQ(Bytes(image.pixels, image.pixels + 6), (Bytes{255, 85, 0, 17, 34, 51}));
  EXPECT_TRUE(image.mips_built);
  image_free(&image);

  ASSERT_TRUE(read_rgb("P3 1 2 # c\n 100\n100 50 0\n# between\n 0 0 200", &image)) << image_last_error();
  EXPECT_EQ(Bytes(image.pixels, image.pixels + 6), (Bytes{255, 127, 0, 0, 0, 255}));
  image_free(&image);

  // A raw byte above the maximum must not wrap.
  ASSERT_TRUE(read_rgb(std::string("P6 1 1 100\n") + std::string("\xff\x64\x00", 3), &image));
  EXPECT_EQ(Bytes(image.pixels, image.pixels + 3), (Bytes{255, 255, 0}));
  image_free(&image);
}

TEST(Ppm, BadFilesGiveMessages) {
  struct Case {
    std::string bytes;
    const char* error;
  };
  const Case cases[] = {
      {"P6 -1 2 255\n", "Can't get PPM dimensions"},
      {"P6 2 2 -5\n", "Can't get PPM dimensions"},
      {"P6 2", "Can't get PPM dimensions"},
      {"P6 x 2 255", "Can't get PPM dimensions"},
      {"P7 1 1 255\n", "Can't parse PPM header"},
      {"", "Empty image file"},
      {"P6 2 2 0\n", "PPM maximum value 0 not supported"},
      {"P6 1 1 65535\nabcdef", "PPM maximum value 65535 not supported"},
      {"P6 2 2 255\nabc", "Truncated PPM data"},
      {"P3 1 1 255 1 2", "Truncated PPM data"},
      {"P6 99999999999999 2 255\n", "larger than 8193"},
      {"P6 16384 16384 255\n", "larger than 8193"},
      {"P6 8000 8000 255\n", "outside 1..8193 per side and 16785409 pixels"},
      {"P6 0 2 255\n", "outside 1..8193"},
      {"Z7 4097 4098 255\n", "outside 1..8193 per side and 16785409 pixels"},
      {"Z6 4 4\n", "Truncated Z6 data"},
      {"Z7 -4 4\n", "Can't get Z7 dimensions"},
  };
  for (const Case& c : cases) {
    Image image;
    EXPECT_FALSE(read_rgb(c.bytes, &image)) << c.bytes;
    EXPECT_NE(std::string(image_last_error()).find(c.error), std::string::npos)
        << c.bytes << " gave " << image_last_error();
  }
}

TEST(Packed, PredictorByPosition) {
  // Z6 2x2, red channel only: 0 (first), 250 (left + 250), 250 (above +
  // 250), and the last pixel predicted as clamp(250 + 250 - 0) = 255, plus
  // 5 wrapping to 4.
  std::string file = std::string("Z6\n2 2\n") + std::string("\x00\x00\x00\xfa\x00\x00", 6) +
                     std::string("\xfa\x00\x00\x05\x00\x00", 6);
  Image image;
  ASSERT_TRUE(read_rgb(file, &image)) << image_last_error();
  EXPECT_EQ(image.pixels[0], 0);
  EXPECT_EQ(image.pixels[3], 250);
  EXPECT_EQ(image.pixels[6], 250);
  EXPECT_EQ(image.pixels[9], 4);
  image_free(&image);
}

TEST(Packed, RoundTripBothFormsAndRgbFromZ7) {
  for (int channels : {3, 4}) {
    const int w = 7, h = 5;
    Bytes pixels(w * h * channels);
    unsigned seed = 12345;
    for (unsigned char& b : pixels) b = (unsigned char)((seed = seed * 1103515245 + 12345) >> 16);
    Stream* out = stream_open_memory_writer();
    ASSERT_TRUE(write_packed_stream(out, pixels.data(), w, h, channels));
    size_t size;
    const char* written = stream_memory_bytes(out, &size);
    std::string bytes(written, size);
    data_close(out);
    EXPECT_EQ(bytes.substr(0, 2), channels == 4 ? "Z7" : "Z6");

    Stream* in = stream_open_memory(bytes.data(), bytes.size());
    char token[16];
    ASSERT_TRUE(read_first_token(in, token));
    Image image;
    ASSERT_TRUE(read_packed_body(in, channels, channels, &image)) << image_last_error();
    data_close(in);
    EXPECT_EQ(Bytes(image.pixels, image.pixels + pixels.size()), pixels);
    image_free(&image);

    if (channels == 4) {
      ASSERT_TRUE(read_rgb(bytes, &image));
      EXPECT_EQ(image.channels, 3);
      for (int i = 0; i < w * h; i++)
        ASSERT_EQ(memcmp(image.pixels + 3 * i, pixels.data() + 4 * i, 3), 0) << i;
      image_free(&image);
    }
  }
}

TEST(Animation, FrameShownAtTick) {
  int frames[3] = {4, 5, 6};
  ImageAnimation a = {};
  a.frame_count = 3;
  a.period = 10;
  a.frames = frames;
  a.loop = 0;
  EXPECT_EQ(animation_image_at(&a, 0, 0), 4);
  EXPECT_EQ(animation_image_at(&a, 19, 0), 5);
  EXPECT_EQ(animation_image_at(&a, 20, 0), 6);
  EXPECT_EQ(animation_image_at(&a, 5000, 0), 6);
  EXPECT_EQ(animation_image_at(&a, 5, 100), 4);  // before its start
  a.loop = 1;
  EXPECT_EQ(animation_image_at(&a, 30, 0), 4);
  EXPECT_EQ(animation_image_at(&a, 45, 5), 5);
}

}  // namespace
