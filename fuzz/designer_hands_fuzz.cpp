// Feeds arbitrary text to the designer's hands-file reader. What it reads,
// written back as the designer saves it and read again, gives the same sets
// with the same numbers (compared as the file writes them).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_files.h"
#include "handdesigner/hands_file.h"

namespace {

std::string Text(const designer::HandSetList& sets) {
  std::string out;
  for (const auto& set : sets) {
    out += set.Symmetrical ? "S" : "A";
    out += designer::FormatHandNumber(set.CenterSize);
    for (const auto* polygon : {&set.Hour, &set.Minute, &set.Second}) {
      out += "|";
      for (const auto& p : *polygon)
        out += designer::FormatHandNumber(p.Angle) + "," + designer::FormatHandNumber(p.Length) + ";";
    }
    out += "\n";
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = FuzzFile("Hands.dat", data, size);
  const auto sets = designer::ReadHandsFile(file);
  const std::string saved = FuzzFolder() + "/Saved.dat", backup = FuzzFolder() + "/Saved.da-";
  std::remove(saved.c_str());
  std::remove(backup.c_str());
  designer::WriteHandsFile(saved, backup, sets);
  if (Text(designer::ReadHandsFile(saved)) != Text(sets)) std::abort();
  return 0;
}
