// Feeds arbitrary bytes to the INI engine as a settings file: every section
// is read whole, written to a new file and read again, and a few keys go
// through the key-by-key reads and writes. Whatever the first read gave,
// writing and reading it again must settle within a few rounds: sections
// merge, and names that do not survive the code-page conversion change
// until they are plain '?' (a character can take more than one round, as
// the conversion is not one to one). A value in quotes loses one pair at
// every read, as it should, so its text is left out of the comparison.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_files.h"
#include "platform/ini.h"
#include "platform/ini_sections.h"

namespace {

bool Same(const std::vector<platform::IniSection>& a, const std::vector<platform::IniSection>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].Name != b[i].Name || a[i].Entries.size() != b[i].Entries.size()) return false;
    for (size_t k = 0; k < a[i].Entries.size(); ++k)
    {
      const std::string& va = a[i].Entries[k].Value;
      const bool quoted = !va.empty() && (va[0] == '"' || va[0] == '\'');
      if (a[i].Entries[k].Key != b[i].Entries[k].Key || (!quoted && va != b[i].Entries[k].Value)) return false;
    }
  }
  return true;
}

std::vector<platform::IniSection> RoundTrip(const std::vector<platform::IniSection>& sections, const std::string& name) {
  const std::string path = FuzzFolder() + "/" + name;
  std::remove(path.c_str());
  if (!platform::WriteIniSections(path, sections)) std::abort();
  return platform::ReadIniSections(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = FuzzFile("in.ini", data, size);
  const auto first = platform::ReadIniSections(file);
  auto previous = RoundTrip(first, "round.ini");
  for (int round = 2;; ++round) {
    auto next = RoundTrip(previous, "round.ini");
    if (Same(previous, next)) break;
    if (round == 8) std::abort();
    previous = std::move(next);
  }

  // A new file written whole holds what writing the same keys into an
  // empty file gives.
  const std::string whole = FuzzFolder() + "/whole.ini", keyed = FuzzFolder() + "/keyed.ini";
  std::remove(whole.c_str());
  std::remove(keyed.c_str());
  if (!platform::ReplaceIniFile(whole, first)) std::abort();
  if (!platform::WriteIniSections(keyed, first)) std::abort();
  if (platform::ReadIniSections(whole).size() != platform::ReadIniSections(keyed).size()) std::abort();
  {
    std::FILE* a = std::fopen(whole.c_str(), "rb");
    std::FILE* b = std::fopen(keyed.c_str(), "rb");
    int ca = 0, cb = 0;
    do {
      ca = a ? std::fgetc(a) : EOF;
      cb = b ? std::fgetc(b) : EOF;
      if (ca != cb) std::abort();
    } while (ca != EOF);
    if (a) std::fclose(a);
    if (b) std::fclose(b);
  }

  platform::IniFile ini(file);
  for (const auto& name : platform::ReadSectionNames(file)) {
    (void)ini.ReadInteger(name, "Left", 0);
    (void)ini.ReadString(name, "NTP_Host0", "");
  }
  ini.WriteString("CONFIG", "NTP_Result", "OK");
  ini.WriteInteger("ALARM", "Hour", -7);
  if (ini.ReadInteger("ALARM", "Hour", 0) != -7) std::abort();
  return 0;
}
