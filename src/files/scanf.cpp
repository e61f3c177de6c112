// Formatted reading on a stream with scanf's rules. Input comes one byte at
// a time and only one byte is ever given back, so a field is read as the
// longest prefix that can still become a number, like the C library does.
#include "files/stream.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>

enum { FIELD_MAX = 512 };

enum Size { SIZE_INT, SIZE_CHAR, SIZE_SHORT, SIZE_LONG, SIZE_LONG_LONG, SIZE_LONG_DOUBLE, SIZE_MAX_T, SIZE_SIZE_T, SIZE_PTRDIFF };

struct Scan {
  Stream* stream;
  int consumed;  // bytes taken by this call, for %n
  bool ended;    // the input ran out
};

static int next(Scan* scan) {
  int c = stream_getc(scan->stream);
  if (c < 0) scan->ended = true;
  else scan->consumed++;
  return c;
}

static void give_back(Scan* scan, int c) {
  if (c < 0) return;
  scan->stream->pushed_back = c;
  scan->stream->position--;
  scan->consumed--;
}

static void skip_space(Scan* scan) {
  int c;
  while ((c = next(scan)) >= 0 && isspace(c)) {
  }
  give_back(scan, c);
}

static void store_signed(va_list* arguments, Size size, long long value) {
  switch (size) {
    case SIZE_CHAR: *va_arg(*arguments, signed char*) = (signed char)value; break;
    case SIZE_SHORT: *va_arg(*arguments, short*) = (short)value; break;
    case SIZE_LONG: *va_arg(*arguments, long*) = (long)value; break;
    case SIZE_LONG_LONG:
    case SIZE_LONG_DOUBLE: *va_arg(*arguments, long long*) = value; break;
    case SIZE_MAX_T: *va_arg(*arguments, intmax_t*) = value; break;
    case SIZE_SIZE_T: *va_arg(*arguments, size_t*) = (size_t)value; break;
    case SIZE_PTRDIFF: *va_arg(*arguments, ptrdiff_t*) = (ptrdiff_t)value; break;
    default: *va_arg(*arguments, int*) = (int)value; break;
  }
}

static bool is_digit_in(int c, int base) {
  if (base == 8) return c >= '0' && c <= '7';
  if (base == 16) return isxdigit(c) != 0;
  return c >= '0' && c <= '9';
}

// Reads an integer field; base 0 means %i's prefixes. False on no digits.
static bool scan_integer(Scan* scan, int width, int base, char* text) {
  int n = 0, c = next(scan);
  bool digits = false;
  if (n < width && (c == '+' || c == '-')) {
    text[n++] = (char)c;
    c = next(scan);
  }
  if ((base == 0 || base == 16) && n < width && c == '0') {
    text[n++] = (char)c;
    digits = true;
    c = next(scan);
    if (n < width && (c == 'x' || c == 'X')) {
      text[n++] = (char)c;
      digits = false;
      base = 16;
      c = next(scan);
    } else if (base == 0) {
      base = 8;
    }
  }
  if (base == 0) base = 10;
  while (n < width && is_digit_in(c, base)) {
    text[n++] = (char)c;
    digits = true;
    c = next(scan);
  }
  give_back(scan, c);
  text[n] = 0;
  return digits;
}

static bool match_word(Scan* scan, const char* word, int width, char* text, int* n) {
  for (const char* w = word; *w; w++) {
    if (*n >= width) return false;
    int c = next(scan);
    if (c < 0 || tolower(c) != *w) {
      give_back(scan, c);
      return false;
    }
    text[(*n)++] = (char)c;
  }
  return true;
}

// Reads a decimal floating field: sign, digits, point, exponent, or inf/nan.
static bool scan_float(Scan* scan, int width, char* text) {
  int n = 0, c = next(scan);
  bool digits = false;
  if (n < width && (c == '+' || c == '-')) {
    text[n++] = (char)c;
    c = next(scan);
  }
  if (c == 'i' || c == 'I' || c == 'n' || c == 'N') {
    give_back(scan, c);
    bool ok;
    if (c == 'n' || c == 'N') ok = match_word(scan, "nan", width, text, &n);
    else {
      ok = match_word(scan, "inf", width, text, &n);
      if (ok && n < width) {
        int d = stream_peekc(scan->stream);
        if (d == 'i' || d == 'I') ok = match_word(scan, "inity", width, text, &n);
      }
    }
    text[n] = 0;
    return ok;
  }
  while (n < width && isdigit(c)) {
    text[n++] = (char)c;
    digits = true;
    c = next(scan);
  }
  if (n < width && c == '.') {
    text[n++] = (char)c;
    c = next(scan);
    while (n < width && isdigit(c)) {
      text[n++] = (char)c;
      digits = true;
      c = next(scan);
    }
  }
  if (digits && n < width && (c == 'e' || c == 'E')) {
    text[n++] = (char)c;
    c = next(scan);
    if (n < width && (c == '+' || c == '-')) {
      text[n++] = (char)c;
      c = next(scan);
    }
    bool exponent = false;
    while (n < width && isdigit(c)) {
      text[n++] = (char)c;
      exponent = true;
      c = next(scan);
    }
    if (!exponent) digits = false;  // "1e" cannot be taken back, so the field fails
  }
  give_back(scan, c);
  text[n] = 0;
  return digits;
}

// Parses "[...]" after the bracket; returns the format past "]" or null.
static const char* parse_set(const char* format, bool set[256]) {
  bool negate = false;
  if (*format == '^') {
    negate = true;
    format++;
  }
  memset(set, 0, 256);
  const unsigned char* f = (const unsigned char*)format;
  if (*f == ']') set[*f++] = true;
  while (*f && *f != ']') {
    if (f[1] == '-' && f[2] && f[2] != ']' && f[2] >= f[0]) {
      for (int c = f[0]; c <= f[2]; c++) set[c] = true;
      f += 3;
    } else {
      set[*f++] = true;
    }
  }
  if (*f != ']') return nullptr;
  if (negate)
    for (int c = 0; c < 256; c++) set[c] = !set[c];
  return (const char*)f + 1;
}

// "%s" and "%[": the run of accepted bytes, at most width (0: any), ended
// by the first refused byte, which is given back. False when the run is empty.
static bool scan_run(Scan* scan, const bool accept[256], int width, char* out, int* assigned) {
  int n = 0, c;
  while ((width == 0 || n < width) && (c = next(scan)) >= 0) {
    if (!accept[c]) {
      give_back(scan, c);
      break;
    }
    if (out) out[n] = (char)c;
    n++;
  }
  if (n == 0) return false;
  if (out) {
    out[n] = 0;
    (*assigned)++;
  }
  return true;
}

int stream_vscanf(Stream* stream, const char* format, va_list list) {
  va_list arguments;
  va_copy(arguments, list);
  Scan scan = {stream, 0, false};
  int assigned = 0;
  bool converted = false;  // any conversion done, for the -1 result
  char text[FIELD_MAX + 1];
  const char* f = format;
  while (*f) {
    if (isspace((unsigned char)*f)) {
      while (isspace((unsigned char)*f)) f++;
      skip_space(&scan);
      continue;
    }
    if (*f != '%') {
      int c = next(&scan);
      if (c != (unsigned char)*f) {
        give_back(&scan, c);
        break;
      }
      f++;
      continue;
    }
    f++;
    bool suppress = false;
    if (*f == '*') {
      suppress = true;
      f++;
    }
    int width = 0;
    while (isdigit((unsigned char)*f)) width = width * 10 + (*f++ - '0');
    Size size = SIZE_INT;
    if (f[0] == 'h' && f[1] == 'h') size = SIZE_CHAR, f += 2;
    else if (f[0] == 'h') size = SIZE_SHORT, f++;
    else if (f[0] == 'l' && f[1] == 'l') size = SIZE_LONG_LONG, f += 2;
    else if (f[0] == 'l') size = SIZE_LONG, f++;
    else if (f[0] == 'L') size = SIZE_LONG_DOUBLE, f++;
    else if (f[0] == 'q') size = SIZE_LONG_LONG, f++;
    else if (f[0] == 'j') size = SIZE_MAX_T, f++;
    else if (f[0] == 'z') size = SIZE_SIZE_T, f++;
    else if (f[0] == 't') size = SIZE_PTRDIFF, f++;
    int conversion = *f ? *f++ : 0;
    if (conversion == 'n') {
      if (!suppress) store_signed(&arguments, size, scan.consumed);
      continue;
    }
    if (conversion != 'c' && conversion != '[') skip_space(&scan);
    if (conversion == '%') {
      int c = next(&scan);
      if (c != '%') {
        give_back(&scan, c);
        break;
      }
      continue;
    }
    bool ok = true;
    switch (conversion) {
      case 'd': case 'i': case 'o': case 'u': case 'x': case 'X': {
        int base = conversion == 'd' || conversion == 'u' ? 10 : conversion == 'i' ? 0 : conversion == 'o' ? 8 : 16;
        int w = width > 0 && width < FIELD_MAX ? width : FIELD_MAX;
        ok = scan_integer(&scan, w, base, text);
        if (!ok) break;
        if (!suppress) {
          long long value;
          if (conversion == 'd' || conversion == 'i') value = strtoll(text, nullptr, conversion == 'd' ? 10 : 0);
          else value = (long long)strtoull(text, nullptr, base);
          store_signed(&arguments, size, value);
          assigned++;
        }
        break;
      }
      case 'f': case 'e': case 'g': case 'E': case 'G': case 'a': case 'A': case 'F': {
        int w = width > 0 && width < FIELD_MAX ? width : FIELD_MAX;
        ok = scan_float(&scan, w, text);
        if (!ok) break;
        if (!suppress) {
          if (size == SIZE_LONG) *va_arg(arguments, double*) = strtod(text, nullptr);
          else if (size == SIZE_LONG_DOUBLE || size == SIZE_LONG_LONG) *va_arg(arguments, long double*) = strtold(text, nullptr);
          else *va_arg(arguments, float*) = strtof(text, nullptr);
          assigned++;
        }
        break;
      }
      case 's': {
        static const struct NotSpace {
          bool set[256];
          NotSpace() {
            for (int c = 0; c < 256; c++) set[c] = !isspace(c);
          }
        } word;
        ok = scan_run(&scan, word.set, width, suppress ? nullptr : va_arg(arguments, char*), &assigned);
        break;
      }
      case 'c': {
        char* out = suppress ? nullptr : va_arg(arguments, char*);
        int w = width > 0 ? width : 1, n = 0, c;
        while (n < w && (c = next(&scan)) >= 0) {
          if (out) out[n] = (char)c;
          n++;
        }
        ok = n == w;
        if (ok && out) assigned++;
        break;
      }
      case '[': {
        bool set[256];
        const char* after = parse_set(f, set);
        if (!after) {
          ok = false;
          break;
        }
        f = after;
        ok = scan_run(&scan, set, width, suppress ? nullptr : va_arg(arguments, char*), &assigned);
        break;
      }
      default:
        ok = false;  // an unknown conversion ends the scan
        break;
    }
    if (!ok) break;
    converted = true;
  }
  va_end(arguments);
  if (!converted && assigned == 0 && scan.ended) return -1;
  return assigned;
}

int stream_scanf(Stream* stream, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  int result = stream_vscanf(stream, format, arguments);
  va_end(arguments);
  return result;
}
