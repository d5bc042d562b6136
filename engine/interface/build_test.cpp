// kelo_build: what reaches the disk, and that a failed write never loses a bundle.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "compile/compiler.h"
#include "hash/sha256.h"
#include "kelo.h"

namespace {

const char* kBot = "bot \"A\" {}\nfn onBar() { log.info(\"x\") }\n";

std::string take(char* reply) {
  std::string text = reply == nullptr ? "" : reply;
  kelo_string_free(reply);
  return text;
}

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::set<std::string> entries(const std::string& folder) {
  std::set<std::string> names;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (dirent* e = ::readdir(dir)) {
      const std::string name = e->d_name;
      if (name != "." && name != "..") names.insert(name);
    }
    ::closedir(dir);
  }
  return names;
}

std::uint32_t u32_at(const std::string& b, std::size_t at) {
  auto byte = [&](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + i]));
  };
  return byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24;
}

class Build : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = ::testing::TempDir() + "kelo-build-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { std::system(("rm -rf '" + folder_ + "'").c_str()); }

  std::string folder_;
};

TEST_F(Build, WritesTheBundleAndReportsIt) {
  const std::string path = folder_ + "/a \"b\".zxb";
  const std::string reply = take(kelo_build(kBot, "a.kelo", path.c_str()));
  const std::string bytes = read_file(path);
  ASSERT_GT(bytes.size(), 64u);
  const std::string escaped_path = folder_ + "/a \\\"b\\\".zxb";
  const std::size_t functions = kelo_compile::compile(kBot, "a.kelo").image.functions.size();
  EXPECT_EQ(reply, "{\"ok\":true,\"path\":\"" + escaped_path + "\",\"bytes\":" +
                       std::to_string(bytes.size()) + ",\"functions\":" +
                       std::to_string(functions) + ",\"inputs\":0}");
  EXPECT_EQ(bytes.substr(0, 4), "ZXB1");
  EXPECT_EQ(bytes[6], 4);  // the source is stored
  const std::size_t source_len = u32_at(bytes, 24);
  EXPECT_EQ(source_len, std::string(kBot).size());
  EXPECT_EQ(u32_at(bytes, 28), 0u);
  const std::size_t hashed = bytes.size() - 64;
  EXPECT_EQ(hashed, std::size_t{u32_at(bytes, 8)} + u32_at(bytes, 12) + u32_at(bytes, 16) +
                        u32_at(bytes, 20) + source_len);
  EXPECT_EQ(bytes.substr(bytes.size() - source_len), kBot);
  EXPECT_EQ(bytes.substr(bytes.size() - source_len - 4, 4), std::string(4, '\0'));
  const auto digest = kelo_hash::Sha256::of(std::string_view(bytes).substr(64));
  EXPECT_EQ(bytes.substr(32, 32), std::string(digest.begin(), digest.end()));
  EXPECT_EQ(entries(folder_), std::set<std::string>{"a \"b\".zxb"});
}

TEST_F(Build, WarningsAloneStillBuild) {
  const std::string path = folder_ + "/w.zxb";
  const std::string reply = take(kelo_build("bot \"A\" {}", "w.kelo", path.c_str()));
  EXPECT_EQ(reply.substr(0, 11), "{\"ok\":true,");
  EXPECT_EQ(read_file(path).substr(0, 4), "ZXB1");
}

TEST_F(Build, AnIndicatorGetsItsMagic) {
  const std::string path = folder_ + "/i.zxi";
  take(kelo_build("indicator \"I\" {}\nplot close\n", "i.kelo", path.c_str()));
  EXPECT_EQ(read_file(path).substr(0, 4), "ZXI1");
}

TEST_F(Build, Failures) {
  struct Row {
    const char* behaviour;
    const char* source;
    std::string path;
    const char* reply;
  };
  ::mkdir((folder_ + "/dir").c_str(), 0755);
  write_file(folder_ + "/dir/inside", "keep");
  const Row rows[] = {
      {"compile errors are rendered, one line each", "bot \"A\" {}\nlet x = zz",
       folder_ + "/e.zxb",
       R"j({"ok":false,"error":"e.kelo:2:9 error KELO3004: 'zz' is not defined\ne.kelo:1:1 )j"
       R"j(warning KELO3041: This bot has no onTick, onBar, onTimer or onWebhook, so it will )j"
       R"j(never act"})j"},
      {"missing folders are not created", kBot, folder_ + "/missing/x.zxb",
       R"j({"ok":false,"error":"No such file or directory (os error 2)"})j"},
      {"a folder in the way is no target", kBot, folder_ + "/dir",
       R"j({"ok":false,"error":"Is a directory (os error 21)"})j"},
      {"an empty path", kBot, "",
       R"j({"ok":false,"error":"No such file or directory (os error 2)"})j"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(take(kelo_build(row.source, "e.kelo", row.path.c_str())), row.reply)
        << row.behaviour;
  }
  EXPECT_EQ(read_file(folder_ + "/dir/inside"), "keep");
  EXPECT_EQ(entries(folder_), std::set<std::string>{"dir"});  // no bundle, no leftovers
}

// A write that fails half-way (here: past the file size limit, as on a full disk)
// leaves the earlier bundle exactly as it was.
TEST_F(Build, AFailedWriteKeepsThePreviousBundle) {
  const std::string path = folder_ + "/keep.zxb";
  write_file(path, "previous bundle");
  ::chmod(path.c_str(), 0640);

  rlimit old_limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 100;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string reply = take(kelo_build(kBot, "a.kelo", path.c_str()));
  ::setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_EQ(reply, R"j({"ok":false,"error":"File too large (os error 27)"})j");
  EXPECT_EQ(read_file(path), "previous bundle");
  EXPECT_EQ(entries(folder_), std::set<std::string>{"keep.zxb"});

  // The next successful build replaces it and keeps its permissions.
  EXPECT_EQ(take(kelo_build(kBot, "a.kelo", path.c_str())).substr(0, 11), "{\"ok\":true,");
  EXPECT_EQ(read_file(path).substr(0, 4), "ZXB1");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(entries(folder_), std::set<std::string>{"keep.zxb"});
}

// Building onto a link replaces the file it points to; the link stays a link.
TEST_F(Build, ALinkIsFollowed) {
  const std::string real = folder_ + "/real.zxb";
  const std::string link = folder_ + "/link.zxb";
  write_file(real, "old");
  ASSERT_EQ(::symlink("real.zxb", link.c_str()), 0);
  EXPECT_EQ(take(kelo_build(kBot, "a.kelo", link.c_str())).substr(0, 11), "{\"ok\":true,");
  struct stat st {};
  ASSERT_EQ(::lstat(link.c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(read_file(real).substr(0, 4), "ZXB1");
  EXPECT_EQ(entries(folder_), (std::set<std::string>{"link.zxb", "real.zxb"}));
}

// A bundle the user may not write is refused, not replaced behind their back. (Root may
// write anything, so there is nothing to see as root.)
TEST_F(Build, AReadOnlyBundleIsRefused) {
  if (::geteuid() == 0) GTEST_SKIP() << "root may write read-only files";
  const std::string path = folder_ + "/locked.zxb";
  write_file(path, "locked");
  ::chmod(path.c_str(), 0444);
  EXPECT_EQ(take(kelo_build(kBot, "a.kelo", path.c_str())),
            R"j({"ok":false,"error":"Permission denied (os error 13)"})j");
  EXPECT_EQ(read_file(path), "locked");
}

}  // namespace
