#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace solvane {

// The file of `/record FILE` on a Windows command line (the program's
// arguments only), FILE in double quotes when it has spaces; nothing for any
// other command line, which the program ignores as it always did.
std::optional<std::string> RecordSwitchFile(std::string_view commandLine);

}  // namespace solvane
