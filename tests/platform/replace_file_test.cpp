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

namespace {

// A folder with the file "target" holding "old", for one write each.
struct Folder {
  Folder() {
    fs::remove_all(dir);
    fs::create_directories(dir);
    Put(target, "old");
  }
  ~Folder() {
    platform::SetFileStepHook(nullptr);
    fs::remove_all(dir);
  }
  size_t Entries() const { return size_t(std::distance(fs::directory_iterator(dir), fs::directory_iterator())); }
  const fs::path dir = fs::temp_directory_path() / ("replace_steps_" + std::to_string(::getpid()));
  const fs::path target = dir / "target";
};

// Makes the n-th step (counting from 1) fail; counts every step seen.
platform::FileStepHook FailAt(int n, int& seen) {
  return [n, &seen](platform::FileStep) { return ++seen != n; };
}

const char* Name(platform::FileStep s) {
  switch (s) {
    case platform::FileStep::Create: return "create";
    case platform::FileStep::Write: return "write";
    case platform::FileStep::Sync: return "sync";
    case platform::FileStep::Close: return "close";
    case platform::FileStep::Rename: return "rename";
    case platform::FileStep::Link: return "link";
    case platform::FileStep::SyncFolder: return "sync folder";
  }
  return "?";
}

}  // namespace

TEST(ReplaceFile, TheNewBytesAreOnTheDiskBeforeTheyTakeTheNameAndTheFolderAfter) {
  Folder f;
  std::string steps;
  platform::SetFileStepHook([&](platform::FileStep s) {
    steps += std::string(steps.empty() ? "" : ", ") + Name(s);
    return true;
  });
  const std::string bytes = "new";
  ASSERT_TRUE(platform::ReplaceFile(f.target.string(), bytes.data(), bytes.size()));
  EXPECT_EQ(steps, "create, write, sync, close, rename, sync folder");
  EXPECT_EQ(Slurp(f.target), "new");
}

TEST(ReplaceFile, AFailureAtEveryStepLeavesTheOldFileOrTheNewOneAndNoScratchFile) {
  const std::string bytes(100000, 'n');
  for (int n = 1;; ++n) {
    SCOPED_TRACE(n);
    Folder f;
    int seen = 0;
    platform::SetFileStepHook(FailAt(n, seen));
    const bool ok = platform::ReplaceFile(f.target.string(), bytes.data(), bytes.size());
    const std::string now = Slurp(f.target);
    EXPECT_TRUE(now == "old" || now == bytes);
    EXPECT_EQ(f.Entries(), 1u) << "no scratch file left";
    if (seen < n) {  // no step failed: the write is done
      EXPECT_TRUE(ok);
      EXPECT_EQ(now, bytes);
      break;
    }
    // Only the flush of the folder comes after the new file took the name;
    // a failure there is still reported, since the move may not last.
    EXPECT_FALSE(ok);
  }
}

TEST(ReplaceFile, ACrashAtEveryStepLeavesTheOldFileOrTheNewOneWhole) {
  // The process dies at the step: nothing after it runs, not even the
  // removal of the scratch file.
  struct Crash {};
  const std::string bytes(5000, 'n');
  for (int n = 1;; ++n) {
    SCOPED_TRACE(n);
    Folder f;
    int seen = 0;
    platform::SetFileStepHook([&](platform::FileStep) {
      if (++seen == n) throw Crash{};
      return true;
    });
    bool crashed = false;
    try {
      platform::ReplaceFile(f.target.string(), bytes.data(), bytes.size());
    } catch (const Crash&) {
      crashed = true;
    }
    const std::string now = Slurp(f.target);
    EXPECT_TRUE(now == "old" || now == bytes) << now.size();
    if (!crashed) break;
  }
}

TEST(ReplaceFile, RenameAndLinkFlushTheFolderAndReportFailures) {
  Folder f;
  Put(f.dir / "new", "new");
  std::string steps;
  platform::SetFileStepHook([&](platform::FileStep s) {
    steps += std::string(steps.empty() ? "" : ", ") + Name(s);
    return true;
  });
  ASSERT_TRUE(platform::LinkDurably(f.target.string(), (f.dir / "second").string()));
  EXPECT_FALSE(platform::LinkDurably(f.target.string(), (f.dir / "second").string())) << "an existing name stays";
  ASSERT_TRUE(platform::RenameDurably((f.dir / "new").string(), f.target.string()));
  EXPECT_EQ(steps, "link, sync folder, link, rename, sync folder");
  EXPECT_EQ(Slurp(f.target), "new");
  EXPECT_EQ(Slurp(f.dir / "second"), "old");
  EXPECT_FALSE(platform::RenameDurably((f.dir / "missing").string(), f.target.string()));
  EXPECT_EQ(Slurp(f.target), "new");
}
