// The data-name lookup against a plain model of its rules: loose files in
// both search folders and archive members, names in any letter case, ".gz"
// variants, enough names that the lookup table's probing wraps around.
#include "files/data.h"
#include "files/stream.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace {

std::string folded(const std::string& name) {
  std::string out = name;
  for (char& c : out) c = (char)tolower((unsigned char)c);
  return out;
}

std::string read_name(const std::string& name) {
  Stream* s = data_open(name.c_str(), "rb");
  if (!s) return "<none>";
  std::string out;
  char buffer[512];
  for (size_t n; (n = stream_read(s, buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  data_close(s);
  return out;
}

std::string random_case(const std::string& name, std::mt19937& random) {
  std::string out = name;
  for (char& c : out)
    if (random() % 3 == 0) c = (char)toupper((unsigned char)c);
  return out;
}

// One stored copy of a name: where it is, how it is spelt, what it holds.
struct Copy {
  int priority;  // 0 home, 1 installation, 2.. archives in name order
  std::string spelling;
  std::string bytes;   // as stored
  std::string plain;   // as read back
};

TEST(DataLookup, AgreesWithTheRulesForManyNamesInAnyCase) {
  for (unsigned seed = 1; seed <= 6; seed++) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    DataFolders folders;
    std::mt19937 random(seed);
    // Archives ranked by name: a.saf (home) before m.saf before zzzz.saf.
    const char* archive_files[] = {"a.saf", "m.saf", "zzzz.saf"};
    std::string archive_header[3], archive_body[3];
    std::map<std::string, std::vector<Copy>> copies;  // by folded name, gz names included
    std::vector<std::string> names;
    for (int i = 0; i < 300; i++) names.push_back("d" + std::to_string(i % 7) + "/file_" + std::to_string(i) + ".txt");
    for (const std::string& base : names) {
      // Each place holds the name, its ".gz" variant or neither; a place
      // never holds two spellings of one name.
      for (int place = 0; place < 5; place++) {
        int pick = random() % 4;
        if (pick >= 2) continue;
        std::string stored_name = random_case(base, random) + (pick ? ".gz" : "");
        std::string plain = std::to_string(place) + ":" + stored_name;
        std::string bytes = pick ? gzip(plain) : plain;
        copies[folded(stored_name)].push_back({place, stored_name, bytes, plain});
        if (place == 0) write_file(folders.home + stored_name, bytes);
        else if (place == 1) write_file(folders.install + stored_name, bytes);
        else {
          archive_header[place - 2] += std::to_string(bytes.size()) + " " + stored_name + "\n";
          archive_body[place - 2] += bytes;
        }
      }
    }
    write_file(folders.home + archive_files[0], archive_header[0] + "-\n" + archive_body[0]);
    for (int a = 1; a < 3; a++) write_file(folders.install + archive_files[a], archive_header[a] + "-\n" + archive_body[a]);
    data_rescan();

    // Every distinct name once, in the index's order.
    std::vector<std::string> expected_list;
    for (const char* archive : archive_files) copies[folded(archive)].push_back({archive[0] == 'a' ? 0 : 1, archive, "", ""});
    for (auto& [key, list] : copies) {
      auto best = std::min_element(list.begin(), list.end(), [](const Copy& x, const Copy& y) { return x.priority < y.priority; });
      expected_list.push_back(best->spelling);
    }
    std::vector<std::string> listed;
    for (const char* const* p = data_file_list(); *p; p++) listed.push_back(*p);
    EXPECT_EQ(listed, expected_list);

    for (int i = 0; i < (int)names.size(); i++) {
      const std::string& base = names[i];
      std::string asked = random_case(base, random);
      // The model: an exact spelling in a folder first (home, then installation,
      // the plain name before its ".gz"), else the lowest priority of the name
      // and its ".gz" in any case, the plain name winning a tie.
      std::string expected = "<none>";
      bool direct = false;
      for (int folder = 0; folder < 2 && !direct; folder++)
        for (const char* suffix : {"", ".gz"})
          for (const Copy& copy : copies[folded(base + suffix)])
            if (!direct && copy.priority == folder && copy.spelling == asked + suffix) {
              expected = copy.plain;
              direct = true;
            }
      if (!direct) {
        const Copy* chosen = nullptr;
        for (const char* suffix : {"", ".gz"})
          for (const Copy& copy : copies[folded(base + suffix)])
            if (!chosen || copy.priority < chosen->priority) chosen = &copy;
        if (chosen) expected = chosen->plain;
      }
      EXPECT_EQ(read_name("@" + asked), expected) << asked;
      const DataEntry* entry = data_find(asked.c_str());
      auto& plain_copies = copies[folded(base)];
      if (plain_copies.empty()) {
        EXPECT_EQ(entry, nullptr) << asked;
      } else {
        if (!entry) {
          ADD_FAILURE() << asked << " not found";
          continue;
        }
        int lowest = std::min_element(plain_copies.begin(), plain_copies.end(), [](const Copy& x, const Copy& y) {
                       return x.priority < y.priority;
                     })->priority;
        EXPECT_EQ(entry->priority, lowest) << asked;
      }
    }
  }
}

}  // namespace
