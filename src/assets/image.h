// Image formats without GL: the in-memory image with its mip chain, the
// readers picked by a file's first token (PPM, packed Z6/Z7, PNG with its
// options text, "[mip_custom]" layouts, ANIM1 sequences, LINK files), the
// writers (8-bit RGB PNG, 16-bit grey PNG, Z6/Z7), mip chain building, the
// level drop with power-of-two resampling and the upload border colour.
#pragma once
#include <cstddef>
#include <cstdint>

struct Stream;

// Untrusted files may not ask for more than this; the reader says so. The
// pixel cap fits the shading image of the largest terrain (4097 x 4097);
// resampling to powers of two may take an image up to four times past it.
enum {
  IMAGE_MAX_SIDE = 8193,
  IMAGE_MAX_PIXELS = 4097 * 4097,
  IMAGE_ERROR_SIZE = 1024,
  ANIM_MAX_FRAMES = 65536,
  ANIM_MAX_IMAGES = 1024,
  // All of one sequence's images with their chains: a short file may name
  // one large PNG for every image.
  ANIM_MAX_BYTES = 256 << 20,
};

// 8-bit channels, rows in file order (row 0 first), level 0 followed by
// every mip level down to 1x1 in one allocation (xmalloc; image_free).
// `mips_built` is false while only level 0 holds pixels.
struct Image {
  int width;
  int height;
  int channels;  // 3 or 4
  unsigned char* pixels;
  bool mips_built;
};

// Chain geometry: level k is max(1, w >> k) x max(1, h >> k).
int mip_level_count(int width, int height);
void mip_level_size(int width, int height, int level, int* level_width, int* level_height);
size_t mip_level_offset(int width, int height, int channels, int level);
// channels x (sum over levels with w*h > 1 of w*h, plus 1).
size_t mip_chain_bytes(int width, int height, int channels);

// Whether a file may declare this size; false with the reason set.
bool image_size_allowed(int width, int height);
// False (with the reason in image_last_error) when the size is outside
// what resampling can reach from an allowed file (twice the side, four
// times the pixels); level 0 and the chain are left uninitialised.
bool image_alloc(Image* image, int width, int height, int channels);
void image_free(Image* image);
// The last reader error, "" when none; the buffer holds IMAGE_ERROR_SIZE bytes.
const char* image_last_error();
void image_set_error(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Fills every level behind level 0 from the one above it.
void build_mip_chain(unsigned char* pixels, int width, int height, int channels, bool max_alpha);
// Builds the chain unless a reader has already filled it.
void image_finish_mips(Image* image, bool max_alpha);

bool is_power_of_two(int value);
// Nearest-neighbour resampling of level 0 to the next powers of two, then a
// fresh chain; an image already a power of two is left alone. False (image
// untouched) when the resampled size would pass the caps.
bool image_resample_pow2(Image* image, bool max_alpha);
// The upload's level drop: resample if needed, then drop up to `drop`
// leading levels, each only while both its sides exceed 128.
bool image_apply_level_drop(Image* image, int drop, bool max_alpha);
// How many levels the drop skips for a power-of-two size.
int level_drop_count(int width, int height, int drop);
// RGB to RGBA with alpha 255 over the whole chain.
void image_widen_to_rgba(Image* image);

// Border colour of an uploaded texture: RGBA gives (0,0,0,0); RGB the most
// frequent edge colour of level 0 in a 512-bin histogram (q = v * 7 / 255).
void border_colour(const unsigned char* pixels, int width, int height, int channels, float colour[4]);

// Reads the first whitespace-delimited token (at most 15 characters) into
// token[16]; false at end of file.
bool read_first_token(Stream* stream, char token[16]);

// Readers behind their magic token (the stream is just past it).
bool read_ppm_body(Stream* stream, bool ascii, Image* image);
// file_channels 3 for "Z6", 4 for "Z7"; want_channels 3 drops alpha.
bool read_packed_body(Stream* stream, int file_channels, int want_channels, Image* image);
// Reads the token and one of P3, P6, Z6, Z7 (Z7 comes back as RGB).
bool read_rgb_image(Stream* stream, Image* image);

// PNG through libpng from a stream (signature checked first). The options
// text gathers the text chunks before and after the image data; the ".info"
// file is added by read_png. `options` may be null; *options is xmalloc'd
// (or null when empty) and the caller frees it.
bool read_png_stream(Stream* stream, const char* name, Image* image, char** options);
// PNG by name with its ".info" file and the "[mip_custom]" and
// "[mip_max_alpha]" tags applied, so the chain is always built.
bool read_png(const char* name, Image* image, char** options);
bool options_have(const char* options, const char* tag);
// Cuts a "[mip_custom]" file image into a normal image with its chain;
// false (warning logged, image untouched) for a height not 3/2 x H.
bool apply_custom_mips(Image* image, const char* name);

// RGBA by name: PNG (RGB gains alpha 255) or Z7. Chain built.
bool read_image_rgba(const char* name, Image* image);
// 16-bit grey PNG by name: 8-bit grey widened (v * 257), colour turned
// grey, alpha dropped; palette images are refused. *samples is xmalloc'd.
bool read_grey16_png(const char* name, uint16_t** samples, int* width, int* height);
bool read_grey16_png_stream(Stream* stream, const char* name, uint16_t** samples, int* width, int* height);

// "ANIM1" sequence behind its token. Period >= 1 and every frame-list entry
// names an image, or the file is refused; images share size and channels.
struct ImageAnimation {
  int frame_count;
  int image_count;
  int period;
  int loop;
  int* frames;     // frame_count image indexes
  Image* images;   // image_count, each with its chain built
};
bool read_animation_body(Stream* stream, ImageAnimation* animation);
void animation_free(ImageAnimation* animation);
// Image index shown at `tick` for an animation started at `start_tick`.
int animation_image_at(const ImageAnimation* animation, int tick, int start_tick);

// "LINK" file behind its token: the target name, trimmed, at most 1023 bytes.
bool read_link_body(Stream* stream, char target[1024]);

// What a texture or image file holds, by its first token. For a picture the
// chain is built; `from_png` says whether the PNG reader produced it (only
// then `options` may be set).
enum ImageFileKind { IMAGE_FILE_NONE, IMAGE_FILE_PICTURE, IMAGE_FILE_ANIMATION, IMAGE_FILE_LINK };
struct ImageFile {
  ImageFileKind kind;
  Image image;
  bool from_png;
  char* options;
  ImageAnimation animation;
  char link[1024];
};
// allow_special: ANIM1 and LINK are taken (texture path); otherwise such
// files are read as PNG like any other unknown token (image cache path).
bool read_image_file(const char* name, bool allow_special, ImageFile* file);
void image_file_free(ImageFile* file);

// Writers take plain memory and a destination name (opened through the data
// layer for writing) or an open stream.
bool write_png_rgb(const char* name, const unsigned char* pixels, int width, int height);
bool write_png_rgb_stream(Stream* stream, const unsigned char* pixels, int width, int height);
bool write_png_grey16(const char* name, const uint16_t* samples, int width, int height);
bool write_png_grey16_stream(Stream* stream, const uint16_t* samples, int width, int height);
// "Z6" (channels 3) or "Z7" (channels 4) of level 0.
bool write_packed(const char* name, const unsigned char* pixels, int width, int height, int channels);
bool write_packed_stream(Stream* stream, const unsigned char* pixels, int width, int height, int channels);
// 8-bit RGB or RGBA of level 0 in buffer order (generated data, not read-backs).
bool write_png(const char* name, const unsigned char* pixels, int width, int height, int channels);

// Messages marked debug are logged only at a nonzero level (set at start-up).
void assets_set_debug_level(int level);
int assets_debug_level();
