// PNG reading and writing, the options text and its tags, custom mip
// layouts, the 16-bit grey reader, ANIM1 sequences, LINK files and the
// reader chosen by a file's first token.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "assets/image.h"
#include "files/stream.h"
#include "fixture.h"
#include "png_fixture.h"

#include <zlib.h>

namespace {

using Bytes = std::vector<unsigned char>;

class PngTest : public AssetTest {
 protected:
  std::string put_png(const std::string& name, const TestPng& png) {
    std::string path = home + name;
    EXPECT_TRUE(write_test_png(path, png));
    return "@" + name;
  }
  std::string packed(const Bytes& pixels, int w, int h, int channels) {
    Stream* out = stream_open_memory_writer();
    EXPECT_TRUE(write_packed_stream(out, pixels.data(), w, h, channels));
    size_t size;
    const char* bytes = stream_memory_bytes(out, &size);
    std::string text(bytes, size);
    data_close(out);
    return text;
  }
};

TEST_F(PngTest, RgbWriterStoresLastRowFirst) {
  Bytes pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};  // 3x2
  ASSERT_TRUE(write_png_rgb("@shot.png", pixels.data(), 3, 2));
  Image image;
  char* options = nullptr;
  ASSERT_TRUE(read_png("@shot.png", &image, &options)) << image_last_error();
  EXPECT_EQ(options, nullptr);
  ASSERT_EQ(image.width, 3);
  ASSERT_EQ(image.height, 2);
  ASSERT_EQ(image.channels, 3);
  EXPECT_EQ(Bytes(image.pixels, image.pixels + 18),
            (Bytes{10, 11, 12, 13, 14, 15, 16, 17, 18, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  image_free(&image);

  Bytes rgba = {1, 2, 3, 4, 5, 6, 7, 8};  // 1x2, kept in buffer order
  ASSERT_TRUE(write_png("@gen.png", rgba.data(), 1, 2, 4));
  ASSERT_TRUE(read_png("@gen.png", &image, nullptr));
  ASSERT_EQ(image.channels, 4);
  EXPECT_EQ(Bytes(image.pixels, image.pixels + 8), rgba);
  EXPECT_TRUE(image.mips_built);
  image_free(&image);
}

TEST_F(PngTest, Grey16RoundTripAndWidening) {
  std::vector<uint16_t> samples = {0, 1, 0x1234, 0xfedc, 65535, 257};  // 3x2
  ASSERT_TRUE(write_png_grey16("@terrain.png", samples.data(), 3, 2));
  uint16_t* read;
  int w, h;
  ASSERT_TRUE(read_grey16_png("@terrain.png", &read, &w, &h)) << image_last_error();
  ASSERT_EQ(w, 3);
  ASSERT_EQ(h, 2);
  EXPECT_EQ(std::vector<uint16_t>(read, read + 6), samples);
  free(read);
  // Big-endian on disk: the first sample row of the file holds 00 00 00 01 12 34.
  std::ifstream in(home + "terrain.png", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");

  TestPng grey;
  grey.width = 2;
  grey.colour = PNG_COLOR_TYPE_GRAY;
  grey.bytes = {0x12, 0xff};
  put_png("grey.png", grey);
  ASSERT_TRUE(read_grey16_png("@grey.png", &read, &w, &h));
  EXPECT_EQ(read[0], 0x1212);
  EXPECT_EQ(read[1], 0xffff);
  free(read);
  // The image reader makes RGB of it.
  Image image;
  ASSERT_TRUE(read_png("@grey.png", &image, nullptr));
  EXPECT_EQ(image.channels, 3);
  EXPECT_EQ(Bytes(image.pixels, image.pixels + 6), (Bytes{0x12, 0x12, 0x12, 0xff, 0xff, 0xff}));
  image_free(&image);

  // Colour with alpha: grey by the default weights, alpha dropped.
  TestPng colour;
  colour.colour = PNG_COLOR_TYPE_RGB_ALPHA;
  colour.bytes = {255, 255, 255, 0};
  put_png("white.png", colour);
  ASSERT_TRUE(read_grey16_png("@white.png", &read, &w, &h)) << image_last_error();
  EXPECT_EQ(read[0], 0xffff);
  free(read);
}

TEST_F(PngTest, PaletteAndTransparency) {
  TestPng palette;
  palette.width = 2;
  palette.colour = PNG_COLOR_TYPE_PALETTE;
  palette.palette = {{10, 20, 30}, {40, 50, 60}};
  palette.bytes = {1, 0};
  put_png("pal.png", palette);
  Image image;
  ASSERT_TRUE(read_png("@pal.png", &image, nullptr));
  EXPECT_EQ(image.channels, 3);
  EXPECT_EQ(Bytes(image.pixels, image.pixels + 6), (Bytes{40, 50, 60, 10, 20, 30}));
  image_free(&image);
  uint16_t* samples;
  int w, h;
  EXPECT_FALSE(read_grey16_png("@pal.png", &samples, &w, &h));
  EXPECT_NE(std::string(image_last_error()).find("palette"), std::string::npos);

  palette.trns = {128};
  put_png("pal_alpha.png", palette);
  ASSERT_TRUE(read_png("@pal_alpha.png", &image, nullptr));
  EXPECT_EQ(image.channels, 4);
  EXPECT_EQ(Bytes(image.pixels, image.pixels + 8), (Bytes{40, 50, 60, 255, 10, 20, 30, 128}));
  image_free(&image);

  TestPng deep;
  deep.depth = 16;
  deep.bytes = {0xab, 0xcd, 0x12, 0x34, 0x00, 0xff};
  put_png("deep.png", deep);
  ASSERT_TRUE(read_png("@deep.png", &image, nullptr));
  EXPECT_EQ(Bytes(image.pixels, image.pixels + 3), (Bytes{0xab, 0x12, 0x00}));
  image_free(&image);
}

TEST_F(PngTest, OptionsTextGathersChunksThenInfoFile) {
  TestPng png;
  png.colour = PNG_COLOR_TYPE_RGB_ALPHA;
  png.width = png.height = 2;
  png.bytes = {0, 0, 0, 10, 0, 0, 0, 200, 0, 0, 0, 30, 0, 0, 0, 40};
  png.text_before = "[compress]";
  png.text_after = "[numberbackground:1,0,0]";
  put_png("bike.png", png);
  put("bike.png.info", "[mip_max_alpha]");
  Image image;
  char* options;
  ASSERT_TRUE(read_png("@bike.png", &image, &options));
  ASSERT_NE(options, nullptr);
  EXPECT_STREQ(options, "[compress][numberbackground:1,0,0][mip_max_alpha]");
  EXPECT_EQ(image.pixels[16 + 3], 200);  // the largest alpha, not the mean (70)
  free(options);
  image_free(&image);

  std::filesystem::remove(home + "bike.png.info");
  ASSERT_TRUE(read_png("@bike.png", &image, &options));
  EXPECT_EQ(image.pixels[16 + 3], (10 + 200 + 30 + 40) >> 2);
  free(options);
  image_free(&image);
}

TEST_F(PngTest, CustomMipLayout) {
  // 4 wide, 6 tall: level 0 is rows 0-3, level 1 (2x2) under it at the
  // left, level 2 (1x1) to its right.
  TestPng png;
  png.width = 4;
  png.height = 6;
  for (int y = 0; y < 6; y++)
    for (int x = 0; x < 4; x++) png.bytes.insert(png.bytes.end(), {(unsigned char)(y * 4 + x), 0, 0});
  png.text_before = "[mip_custom]";
  put_png("custom.png", png);
  Image image;
  ASSERT_TRUE(read_png("@custom.png", &image, nullptr));
  ASSERT_EQ(image.width, 4);
  ASSERT_EQ(image.height, 4);
  Bytes reds;
  for (size_t i = 0; i < mip_chain_bytes(4, 4, 3); i += 3) reds.push_back(image.pixels[i]);
  EXPECT_EQ(reds, (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 20, 21, 18}));
  EXPECT_EQ(log_count("Warning"), 0);
  image_free(&image);

  // 5 rows: the warning, then the file as a plain image with its own chain.
  png.height = 5;
  png.bytes.resize(4 * 5 * 3);
  put_png("bad_custom.png", png);
  ASSERT_TRUE(read_png("@bad_custom.png", &image, nullptr));
  EXPECT_EQ(image.height, 5);
  EXPECT_EQ(log_count("Warning: Invalid height for custom MIP map in '@bad_custom.png'"), 1);
  EXPECT_EQ(image.pixels[mip_level_offset(4, 5, 3, 1)], (0 + 1 + 4 + 5) >> 2);
  image_free(&image);

  // 1 wide, 6 tall (H = 4): level 2 would lie right of the file.
  png.width = 1;
  png.height = 6;
  png.bytes.assign(18, 9);
  put_png("narrow.png", png);
  ASSERT_TRUE(read_png("@narrow.png", &image, nullptr));
  EXPECT_EQ(image.height, 6);
  EXPECT_EQ(log_count("Invalid custom MIP map layout"), 1);
  image_free(&image);
}

TEST_F(PngTest, DamagedPngsFailWithAMessage) {
  Bytes pixels(16 * 16 * 3, 77);
  ASSERT_TRUE(write_png("@good.png", pixels.data(), 16, 16, 3));
  std::ifstream in(home + "good.png", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Image image;
  put("cut.png", bytes.substr(0, bytes.size() / 2));
  EXPECT_FALSE(read_png("@cut.png", &image, nullptr));
  EXPECT_NE(std::string(image_last_error()).find("PNG"), std::string::npos) << image_last_error();
  std::string flipped = bytes;
  flipped[bytes.size() / 2] ^= 0x55;
  put("flipped.png", flipped);
  EXPECT_FALSE(read_png("@flipped.png", &image, nullptr));
  put("text.png", "hello");
  EXPECT_FALSE(read_png("@text.png", &image, nullptr));
  EXPECT_STREQ(image_last_error(), "Not a PNG file");
  EXPECT_FALSE(read_png("@missing.png", &image, nullptr));
  uint16_t* samples;
  int w, h;
  EXPECT_FALSE(read_grey16_png("@cut.png", &samples, &w, &h));

  // A header asking for too many pixels is refused before any allocation.
  auto resized = [&](uint32_t width, uint32_t height) {
    std::string b = bytes;
    for (int i = 0; i < 4; i++) {
      b[16 + i] = (char)(width >> (24 - 8 * i));
      b[20 + i] = (char)(height >> (24 - 8 * i));
    }
    uint32_t crc = (uint32_t)crc32(0, (const Bytef*)b.data() + 12, 17);
    for (int i = 0; i < 4; i++) b[29 + i] = (char)(crc >> (24 - 8 * i));
    return b;
  };
  put("huge.png", resized(5000, 5000));
  EXPECT_FALSE(read_png("@huge.png", &image, nullptr));
  EXPECT_NE(std::string(image_last_error()).find("5000x5000 outside"), std::string::npos) << image_last_error();
  EXPECT_FALSE(read_grey16_png("@huge.png", &samples, &w, &h));
  EXPECT_NE(std::string(image_last_error()).find("5000x5000 outside"), std::string::npos) << image_last_error();
  put("wide.png", resized(9000, 1));
  EXPECT_FALSE(read_png("@wide.png", &image, nullptr));
  EXPECT_NE(std::string(image_last_error()).find("9000x1 outside"), std::string::npos) << image_last_error();
}

TEST_F(PngTest, AnimationSequence) {
  Bytes red = {255, 0, 0, 255}, blue = {0, 0, 255, 128};
  put("blue.png", "");
  ASSERT_TRUE(write_png("@blue.png", blue.data(), 1, 1, 4));
  put("blue.png.info", "[mip_max_alpha]");
  std::string seq = "ANIM1\n3 2 10 0\n0 1 1\n" + packed(red, 1, 1, 4) + "\nPNG   @blue.png  \n";
  std::string name = put("flag.seq", seq);
  ImageFile file;
  ASSERT_TRUE(read_image_file(name.c_str(), true, &file)) << image_last_error();
  ASSERT_EQ(file.kind, IMAGE_FILE_ANIMATION);
  const ImageAnimation& a = file.animation;
  EXPECT_EQ(a.frame_count, 3);
  EXPECT_EQ(a.image_count, 2);
  EXPECT_EQ(a.period, 10);
  EXPECT_EQ(a.loop, 0);
  EXPECT_EQ(animation_image_at(&a, 20, 0), 1);
  EXPECT_EQ(Bytes(a.images[0].pixels, a.images[0].pixels + 4), red);
  EXPECT_EQ(Bytes(a.images[1].pixels, a.images[1].pixels + 4), blue);
  image_file_free(&file);

  // Read without the special forms it is not a PNG.
  EXPECT_FALSE(read_image_file(name.c_str(), false, &file));
}

TEST_F(PngTest, AnimationErrors) {
  Bytes rgba = {1, 2, 3, 4};
  Bytes wide = {1, 2, 3, 4, 5, 6, 7, 8};
  Bytes rgb = {1, 2, 3};
  ASSERT_TRUE(write_png("@rgb.png", rgb.data(), 1, 1, 3));
  std::string z = packed(rgba, 1, 1, 4);
  struct Case {
    std::string body;
    const char* error;
  };
  const Case cases[] = {
      {"0 1 10 1\n", "Bad .seq header"},
      {"1 0 10 1\n0\n", "Bad .seq header"},
      {"1 1 0 1\n0\n" + z, "Bad .seq period 0"},
      {"1 1 -3 1\n0\n" + z, "Bad .seq period -3"},
      {"2 1 10 1\n0 1\n" + z, "Bad .seq frame list entry 1"},
      {"2 1 10 1\n0 -1\n" + z, "Bad .seq frame list entry -1"},
      {"1 2 10 1\n0\n" + z + "GIF x\n", "Error reading .seq frame 1"},
      {"1 2 10 1\n0\n" + z, "Error reading .seq frame 1"},
      {"1 2 10 1\n0\n" + z + "PNG", "EOF while reading .seq"},
      {"1 2 10 1\n0\n" + z + "PNG @nothing.png\n", "Can't read @nothing.png"},
      {"1 2 10 1\n0\n" + z + packed(wide, 2, 1, 4), "Width/height mismatch reading .seq"},
      {"1 2 10 1\n0\n" + z + "PNG @rgb.png\n", "Depth mismatch reading .seq"},
      {"1 1 10 1\n0\nZ7 1 1\n\x01", "Truncated Z7 data"},
      {"99999999 1 10 1\n", "Bad .seq header"},
  };
  for (const Case& c : cases) {
    std::string bytes = "ANIM1\n" + c.body;
    Stream* s = stream_open_memory(bytes.data(), bytes.size());
    char token[16];
    ASSERT_TRUE(read_first_token(s, token));
    ImageAnimation a;
    EXPECT_FALSE(read_animation_body(s, &a)) << c.body;
    EXPECT_NE(std::string(image_last_error()).find(c.error), std::string::npos)
        << c.body << " gave " << image_last_error();
    data_close(s);
  }
}

TEST_F(PngTest, FirstTokenChoosesTheReader) {
  Bytes rgba = {9, 8, 7, 6};
  std::string z7 = packed(rgba, 1, 1, 4);
  put("packed.png", z7);
  put("link.png", "LINK   \n  @colors/red.png \n\n");
  put("empty_link.png", "LINK  \n");
  put("nonsense.png", "GIF89a");
  ImageFile file;
  ASSERT_TRUE(read_image_file("@packed.png", true, &file));
  EXPECT_EQ(file.kind, IMAGE_FILE_PICTURE);
  EXPECT_FALSE(file.from_png);
  EXPECT_EQ(file.image.channels, 4);
  EXPECT_EQ(file.image.pixels[0], 9);
  image_file_free(&file);

  ASSERT_TRUE(read_image_file("@link.png", true, &file));
  EXPECT_EQ(file.kind, IMAGE_FILE_LINK);
  EXPECT_STREQ(file.link, "@colors/red.png");
  image_file_free(&file);

  EXPECT_FALSE(read_image_file("@empty_link.png", true, &file));
  EXPECT_FALSE(read_image_file("@nonsense.png", true, &file));
  EXPECT_EQ(log_count("Warning: Can't read image '@nonsense.png': Not a PNG file"), 1);
  EXPECT_FALSE(read_image_file("@absent.png", true, &file));

  Bytes rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  ASSERT_TRUE(write_png("@font.png", rgb.data(), 2, 2, 3));
  Image image;
  ASSERT_TRUE(read_image_rgba("@font.png", &image));
  EXPECT_EQ(image.channels, 4);
  EXPECT_EQ(image.pixels[mip_level_offset(2, 2, 4, 1) + 3], 255);
  image_free(&image);
  ASSERT_TRUE(read_image_rgba("@packed.png", &image));
  EXPECT_EQ(image.pixels[3], 6);
  image_free(&image);
}

}  // namespace
