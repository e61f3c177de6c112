// Shared by the settings tests: throw-away folders with files in them, a
// captured log, and the settings read from or written to memory.
#pragma once
#include "../support/test_support.h"
#include "core/settings.h"
#include "files/data.h"
#include "files/stream.h"

#include <string>

// The settings tests' home and installation folders are two scratch folders
// of their own: home serves as XDG_DATA_HOME, install as QV_HOME.
struct DataFolders {
  TempFolder home{"kx_settings"}, install{"kx_settings"};
  DataFolderScope scope{home.root, install.root};
};

// The log of everything between construction and text().
struct CapturedLog : LogCapture {
  std::string text() {
    stop();
    return LogCapture::text();
  }
};

inline void read_settings_text(const std::string& text) {
  Stream* stream = stream_open_memory(text.data(), text.size());
  ASSERT_NE(stream, nullptr);
  read_settings_stream(stream, "test");
  data_close(stream);
}

inline std::string written_settings(void (*write)(Stream*)) {
  Stream* stream = stream_open_memory_writer();
  if (!stream) return "";
  write(stream);
  stream_flush(stream);
  size_t size = 0;
  const char* bytes = stream_memory_bytes(stream, &size);
  std::string text(bytes ? bytes : "", size);
  data_close(stream);
  return text;
}

inline std::string setting_text(const char* key) {
  const SettingKey* setting = find_setting_key(key);
  if (!setting) return "<no key " + std::string(key) + ">";
  char buffer[1024];
  if (!format_setting(setting, buffer, sizeof buffer)) return "<unbound>";
  return buffer;
}
