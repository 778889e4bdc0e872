#include "log/posix/posix_log_storage.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/posix/child_process.h"

namespace solvane {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Sets an environment variable for the length of a scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) {
      old_ = old;
    }
    if (value != nullptr) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

class LogStorageTest : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/solvane-log-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string path() const { return (folder_ / "RORivevi.log").string(); }

  PosixLogStorage storage_;
  fs::path folder_;
};

TEST_F(LogStorageTest, DocumentsFolderIsXdgDocumentsDirElseHomeDocuments) {
  {
    ScopedEnv documents("XDG_DOCUMENTS_DIR", "/srv/reporter/Docs");
    ScopedEnv home("HOME", "/home/reporter");
    EXPECT_EQ(storage_.DocumentsFolder(), "/srv/reporter/Docs");
  }
  for (const char* documentsDir : {static_cast<const char*>(nullptr), "", "Docs"}) {
    ScopedEnv documents("XDG_DOCUMENTS_DIR", documentsDir);
    ScopedEnv home("HOME", "/home/reporter");
    EXPECT_EQ(storage_.DocumentsFolder(), "/home/reporter/Documents");
  }
  ScopedEnv documents("XDG_DOCUMENTS_DIR", nullptr);
  ScopedEnv home("HOME", nullptr);
  EXPECT_EQ(storage_.DocumentsFolder(), std::nullopt);
}

TEST_F(LogStorageTest, JoinsWithOneSlash) {
  EXPECT_EQ(storage_.Join("/home/reporter/Documents", "RORivevi.log"),
            "/home/reporter/Documents/RORivevi.log");
  EXPECT_EQ(storage_.Join("/home/reporter/Documents/", "RORivevi.log"),
            "/home/reporter/Documents/RORivevi.log");
}

TEST_F(LogStorageTest, OpensForAppendingAndCreatesOnlyTheFile) {
  {
    std::unique_ptr<LogFile> file = storage_.OpenUnshared(path());
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->Write("first run\n"));
    EXPECT_TRUE(file->Flush());
  }
  std::ofstream(path(), std::ios::app) << "no line end";
  {
    std::unique_ptr<LogFile> file = storage_.OpenUnshared(path());
    ASSERT_TRUE(file);
    EXPECT_TRUE(file->Write("second"));
    // Whatever else appends meanwhile, each write goes to the end.
    std::ofstream(path(), std::ios::app) << "+";
    EXPECT_TRUE(file->Write(" run\n"));
  }
  EXPECT_EQ(ReadFile(path()), "first run\nno line endsecond+ run\n");

  // The documents folder is never created.
  fs::path missing = folder_ / "Documents";
  EXPECT_FALSE(storage_.OpenUnshared((missing / "RORivevi.log").string()));
  EXPECT_FALSE(fs::exists(missing));
}

TEST_F(LogStorageTest, OnlyOneOpenAtATimeInThisProcessAndAnother) {
  std::unique_ptr<LogFile> held = storage_.OpenUnshared(path());
  ASSERT_TRUE(held);
  EXPECT_FALSE(storage_.OpenUnshared(path()));

  auto openedInChild = [&] {
    return ChildProcess::RunInCopy(
               [&] { return PosixLogStorage().OpenUnshared(path()) ? 1 : 0; }) == 1;
  };
  EXPECT_FALSE(openedInChild());
  held.reset();
  EXPECT_TRUE(openedInChild());
  EXPECT_TRUE(storage_.OpenUnshared(path()));
}

// A FIFO or a folder in the log's place is refused at once.
TEST_F(LogStorageTest, RefusesWhatIsNoRegularFile) {
  ASSERT_EQ(mkfifo(path().c_str(), 0600), 0);
  EXPECT_FALSE(storage_.OpenUnshared(path()));
  int reader = open(path().c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_FALSE(storage_.OpenUnshared(path()));
  close(reader);
  fs::remove(path());
  fs::create_directory(path());
  EXPECT_FALSE(storage_.OpenUnshared(path()));
}

}  // namespace
}  // namespace solvane
