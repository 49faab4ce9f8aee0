// Feeds arbitrary text to the maker's hands-file import: INI parsing, the
// number reader and the completion of symmetrical hands.
#include <cstddef>
#include <cstdint>
#include <string>

#include "maker/hands_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  maker::HandSetLists lists;
  maker::ImportHandSetsFromText(std::string(reinterpret_cast<const char*>(data), size), lists);
  return 0;
}
