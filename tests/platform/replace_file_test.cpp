// Files replaced whole: the target gets the new bytes, and no neighbour of a
// name the writer might have chosen for its scratch file is touched.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/replace_file.h"

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Put(const fs::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

}  // namespace

TEST(ReplaceFile, ReplacesTheTargetAndLeavesLikelyNeighboursAlone) {
  const fs::path dir = fs::temp_directory_path() / ("replace_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path target = dir / "clock.bmp";
  Put(target, "old");
  const char* neighbours[] = {"clock.bmp.part", "clock.bmp.tmp", "clock.bmp.~tmp", "clock.bmp~"};
  for (const char* n : neighbours) Put(dir / n, "user's own file");

  const std::string bytes = "new contents";
  ASSERT_TRUE(platform::ReplaceFile(target.string(), bytes.data(), bytes.size(), 0755));
  EXPECT_EQ(Slurp(target), bytes);
  for (const char* n : neighbours) EXPECT_EQ(Slurp(dir / n), "user's own file") << n;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 5) << "no scratch file left";
  struct stat st {};
  ASSERT_EQ(::stat(target.c_str(), &st), 0);
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(st.st_mode & 0777, 0755 & ~mask);

  // A folder that does not exist: nothing written, nothing reported as done.
  EXPECT_FALSE(platform::ReplaceFile((dir / "missing" / "a.bmp").string(), bytes.data(), bytes.size()));
  fs::remove_all(dir);
}
