#include "app/record_switch.h"

#include <gtest/gtest.h>

namespace solvane {
namespace {

TEST(RecordSwitch, TakesOnlyRecordWithOneFile) {
  struct Row {
    const char* commandLine;
    std::optional<std::string> file;
  };
  const Row rows[] = {
      {"", std::nullopt},
      {"/record", std::nullopt},
      {"/record   ", std::nullopt},
      {"/recordrun.jsonl", std::nullopt},
      {"/play run.jsonl", std::nullopt},
      {"/record run.jsonl", "run.jsonl"},
      {"  /RECORD\tC:\\support\\run.jsonl  ", "C:\\support\\run.jsonl"},
      {"/record \"C:\\My Documents\\run.jsonl\"", "C:\\My Documents\\run.jsonl"},
      {"/record \"\"", std::nullopt},
      {"/record a\"b", std::nullopt},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(RecordSwitchFile(row.commandLine), row.file) << row.commandLine;
  }
}

}  // namespace
}  // namespace solvane
