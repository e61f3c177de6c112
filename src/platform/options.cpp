// Platform options: the KUVO_OPTIONS text, read once and searched by name.
#include "platform/kuvo.h"

#include <cstdlib>
#include <cstring>
#include <string>

static std::string option_text;
static bool option_text_read = false;

void kuvo_options_reset() {
  option_text.clear();
  option_text_read = false;
}

// The value text right after "[name:", or null when the name is not set.
static const char* find_option(const char* name) {
  if (!option_text_read) {
    const char* env = getenv("KUVO_OPTIONS");
    option_text = env ? env : "";
    option_text_read = true;
  }
  char key[64];
  snprintf(key, sizeof key, "[%.60s:", name);
  const char* hit = strstr(option_text.c_str(), key);
  return hit ? hit + strlen(key) : nullptr;
}

int option_flag(const char* name, int default_value) {
  const char* value = find_option(name);
  if (!value) return default_value;
  if (!strncmp(value, "yes]", 4) || !strncmp(value, "on]", 3)) return 1;
  if (!strncmp(value, "no]", 3) || !strncmp(value, "off]", 4)) return 0;
  kuvo_log("unrecognized setting for %s\n", name);
  return default_value;
}

int option_int(const char* name, int default_value) {
  const char* value = find_option(name);
  if (!value) return default_value;
  char* end = nullptr;
  long n = strtol(value, &end, 10);
  // strtol skips leading blanks, which an option text never has.
  if (end == value || *value == ' ' || *value == '\t') {
    kuvo_log("unrecognized setting for %s\n", name);
    return default_value;
  }
  return (int)n;
}
