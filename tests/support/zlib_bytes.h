// Deflated and gzip-compressed copies of bytes, for tests and benchmarks
// that need compressed data of their own. Header-only, no test framework.
#pragma once
#include <string>
#include <zlib.h>

// The bytes deflated in one go; window_bits as zlib takes them: 31 for a
// gzip member, -15 for raw deflate data.
inline std::string zlib_deflate(const std::string& bytes, int level, int window_bits) {
  z_stream z = {};
  deflateInit2(&z, level, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, bytes.size()) + 64, '\0');
  z.next_in = (Bytef*)bytes.data();
  z.avail_in = (uInt)bytes.size();
  z.next_out = (Bytef*)&out[0];
  z.avail_out = (uInt)out.size();
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// A gzip member (zlib's own header and trailer) of the bytes.
inline std::string gzip(const std::string& bytes) { return zlib_deflate(bytes, 6, 31); }
