#include "log/win32/shell_log_storage.h"

#include <gtest/gtest.h>

#include "platform/win32/system_file_api.h"
#include "tests/win32/test_support.h"

namespace solvane {
namespace {

// The shell's answer for the documents folder, and what it was asked.
class FolderShell final : public FileApi {
 public:
  bool answers = true;
  int askedFolder = -1;
  BOOL askedToCreate = TRUE;
  HANDLE opened = reinterpret_cast<HANDLE>(0x10);
  bool seekFails = false;
  DWORD access = 0, share = 1, disposition = 0, moveMethod = 0;
  int closes = 0;

  BOOL SHGetSpecialFolderPathA(HWND, LPSTR path, int folder, BOOL create) override {
    askedFolder = folder;
    askedToCreate = create;
    if (answers) {
      lstrcpyA(path, "C:\\users\\writer\\Documents");
    }
    return answers;
  }
  HANDLE CreateFileA(LPCSTR, DWORD a, DWORD s, LPSECURITY_ATTRIBUTES, DWORD d, DWORD, HANDLE)
      override {
    access = a;
    share = s;
    disposition = d;
    return opened;
  }
  BOOL SetFilePointerEx(HANDLE, LARGE_INTEGER, PLARGE_INTEGER, DWORD method) override {
    moveMethod = method;
    return !seekFails;
  }
  BOOL CloseHandle(HANDLE) override {
    ++closes;
    return TRUE;
  }
  BOOL WriteFile(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED) override { return FALSE; }
  BOOL ReadFile(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED) override { return FALSE; }
  BOOL DeviceIoControl(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED)
      override {
    return FALSE;
  }
  BOOL FlushFileBuffers(HANDLE) override { return TRUE; }
  DWORD GetLastError() override { return 0; }
};

TEST(ShellLogStorage, DocumentsFolderIsThePersonalFolderAndIsNeverCreated) {
  FolderShell shell;
  ShellLogStorage storage(shell);
  EXPECT_EQ(storage.DocumentsFolder(), "C:\\users\\writer\\Documents");
  EXPECT_EQ(shell.askedFolder, 5);
  EXPECT_EQ(shell.askedToCreate, FALSE);
  EXPECT_EQ(storage.Join("C:\\users\\writer\\Documents", "RORivevi.log"),
            "C:\\users\\writer\\Documents\\RORivevi.log");

  shell.answers = false;
  EXPECT_EQ(storage.DocumentsFolder(), std::nullopt);
}

TEST(ShellLogStorage, OpensForWritingOnlySharedWithNobodyAtTheEnd) {
  FolderShell shell;
  ShellLogStorage storage(shell);
  EXPECT_NE(storage.OpenUnshared("C:\\log"), nullptr);
  EXPECT_EQ(shell.access, 0x40000000u);  // GENERIC_WRITE
  EXPECT_EQ(shell.share, 0u);
  EXPECT_EQ(shell.disposition, 4u);  // OPEN_ALWAYS
  EXPECT_EQ(shell.moveMethod, 2u);   // FILE_END

  // A log that cannot be put at its end is not opened at all.
  shell.seekFails = true;
  shell.closes = 0;
  EXPECT_EQ(storage.OpenUnshared("C:\\log"), nullptr);
  EXPECT_EQ(shell.closes, 1);
}

class LogOnDisk : public ::testing::Test {
 protected:
  SystemFileApi files;
  ShellLogStorage storage{files};
  std::string path = test::TemporaryFolder() + "\\RORivevi.log";

  std::string Contents() const {
    auto bytes = test::ReadFileBytes(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "(missing)";
  }
  void WriteFileAsIs(std::string_view text) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
  }
};

TEST_F(LogOnDisk, CreatesAMissingLogAndWritesLineFeedsAsTheyAre) {
  {
    auto log = storage.OpenUnshared(path);
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->Write("one\ntwo\n"));
    EXPECT_TRUE(log->Flush());
  }
  EXPECT_EQ(Contents(), "one\ntwo\n");
}

TEST_F(LogOnDisk, AppendsBehindTheLastByteOfAnExistingLog) {
  WriteFileAsIs("earlier run, no line feed");
  {
    auto log = storage.OpenUnshared(path);
    ASSERT_NE(log, nullptr);
    EXPECT_TRUE(log->Write("header\n"));
  }
  EXPECT_EQ(Contents(), "earlier run, no line feedheader\n");
}

TEST_F(LogOnDisk, NobodyElseOpensTheLogWhileItIsOpenNorItWhileAnotherHoldsIt) {
  {
    auto log = storage.OpenUnshared(path);
    ASSERT_NE(log, nullptr);
    HANDLE reader = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 32u);  // ERROR_SHARING_VIOLATION
  }
  HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_EQ(storage.OpenUnshared(path), nullptr);
  CloseHandle(other);
}

}  // namespace
}  // namespace solvane
