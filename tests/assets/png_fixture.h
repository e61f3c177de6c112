// Writes PNG files of any colour type straight through libpng, so the
// readers can be tested on inputs our own writers never produce.
#pragma once
#include <png.h>

#include <string>
#include <vector>

struct TestPng {
  int width = 1, height = 1;
  int colour = PNG_COLOR_TYPE_RGB;
  int depth = 8;
  std::vector<unsigned char> bytes;  // rows back to back, as libpng wants them
  std::vector<png_color> palette;
  std::vector<unsigned char> trns;   // palette alphas
  std::string text_before, text_after;
};

inline bool write_test_png(const std::string& path, const TestPng& p) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, p.width, p.height, p.depth, p.colour, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!p.palette.empty()) png_set_PLTE(png, info, p.palette.data(), (int)p.palette.size());
  if (!p.trns.empty()) png_set_tRNS(png, info, p.trns.data(), (int)p.trns.size(), nullptr);
  png_text text = {};
  text.compression = PNG_TEXT_COMPRESSION_NONE;
  text.key = (png_charp) "Comment";
  if (!p.text_before.empty()) {
    text.text = (png_charp)p.text_before.c_str();
    png_set_text(png, info, &text, 1);
  }
  png_write_info(png, info);
  size_t row = p.bytes.size() / p.height;
  for (int y = 0; y < p.height; y++) png_write_row(png, p.bytes.data() + row * y);
  png_infop end = png_create_info_struct(png);
  if (!p.text_after.empty()) {
    text.text = (png_charp)p.text_after.c_str();
    png_set_text(png, end, &text, 1);
  }
  png_write_end(png, end);
  png_destroy_info_struct(png, &end);
  png_destroy_write_struct(&png, &info);
  fclose(f);
  return true;
}
