// Builds the shipped maker: the maker's program file with the engine's size
// written into the 8 digits of its engine tag, followed byte for byte by the
// engine's program file.
//
//   append_engine <maker program> <engine program> <output>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<char> Read(const char* path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: append_engine <maker> <engine> <output>\n");
    return 2;
  }
  std::vector<char> maker = Read(argv[1]);
  const std::vector<char> engine = Read(argv[2]);
  if (maker.empty() || engine.empty()) {
    std::fprintf(stderr, "append_engine: cannot read %s or %s\n", argv[1], argv[2]);
    return 1;
  }
  if (engine.size() > 99999999u) {
    std::fprintf(stderr, "append_engine: the engine (%zu bytes) does not fit 8 digits\n", engine.size());
    return 1;
  }
  static const char kTag[] = "00841216Rundavel";
  const size_t tagLen = sizeof kTag - 1;
  size_t found = std::string::npos;
  int count = 0;
  for (size_t i = 0; i + tagLen <= maker.size(); ++i) {
    if (std::memcmp(maker.data() + i, kTag, tagLen) == 0) {
      found = i;
      ++count;
    }
  }
  if (count != 1) {
    std::fprintf(stderr, "append_engine: expected one engine tag in %s, found %d\n", argv[1], count);
    return 1;
  }
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08zu", engine.size());
  std::memcpy(maker.data() + found, digits, 8);
  const std::string temp = std::string(argv[3]) + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(maker.data(), std::streamsize(maker.size()));
    out.write(engine.data(), std::streamsize(engine.size()));
    if (!out.flush()) {
      std::fprintf(stderr, "append_engine: cannot write %s\n", temp.c_str());
      return 1;
    }
  }
  chmod(temp.c_str(), 0755);
  if (std::rename(temp.c_str(), argv[3]) != 0) {
    std::fprintf(stderr, "append_engine: cannot write %s\n", argv[3]);
    return 1;
  }
  return 0;
}
