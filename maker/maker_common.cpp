#include "maker/maker_common.h"

#include <sys/stat.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>

#include "platform/system.h"

namespace maker {

uint32_t GetOwnFileSize() {
  struct stat st {};
  const std::string self = platform::ProgramFileName();
  if (self.empty() || stat(self.c_str(), &st) != 0) return 0;
  return uint32_t(st.st_size);
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  // A named pipe would hold the open until some program writes to it, and a
  // device may never end: only regular files (or links to them) are read.
  std::error_code ec;
  const auto kind = std::filesystem::status(path, ec).type();
  if (kind != std::filesystem::file_type::regular && kind != std::filesystem::file_type::directory)
    throw std::runtime_error("ファイル " + path + " を開けません");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("ファイル " + path + " を開けません");
  std::vector<uint8_t> bytes;
  try {
    // A folder opens like a file and fails only at the first read.
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::ios_base::failure&) {
    throw std::runtime_error("ファイル " + path + " を読めません");
  }
  if (in.bad()) throw std::runtime_error("ファイル " + path + " を読めません");
  return bytes;
}

imaging::Bitmap DrawDigitalText(const std::vector<imaging::Bitmap>& glyphs, int style, const std::string& text) {
  imaging::Bitmap work(0, 0, imaging::PixelFormat::pf24bit);
  int x = 0;
  for (const char c : text) {
    const int glyph = (c >= '0' && c <= '9') ? c - '0' : (c == ':' ? 10 : 11);
    const size_t index = size_t(style * 12 + glyph);
    if (style < 0 || index >= glyphs.size()) continue;
    const imaging::Bitmap& g = glyphs[index];
    work.SetSize(work.Width() + g.Width(), g.Height());
    work.GetCanvas().Draw(x, 0, g);
    x += g.Width();
  }
  return work;
}

std::string TrimControl(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= 32) ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32) --e;
  return s.substr(b, e - b);
}

std::string FolderOf(const std::string& path) {
  const size_t s = path.find_last_of('/');
  return s == std::string::npos ? std::string() : path.substr(0, s + 1);
}

std::string UpperAscii(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

}  // namespace maker
