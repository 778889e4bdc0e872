#pragma once

#include <cstdint>
#include <string_view>

namespace solvane {

// Message box styles and answers, with the values of the Windows API.
inline constexpr uint32_t kMbOk = 0x00;
inline constexpr uint32_t kMbYesNo = 0x04;
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr uint32_t kMbIconQuestion = 0x20;
inline constexpr uint32_t kMbIconExclamation = 0x30;
inline constexpr uint32_t kMbIconInformation = 0x40;
inline constexpr int kIdOk = 1;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Modal message boxes. Both kinds block until the user answers and return the
// button pressed.
class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // A box owned by the main dialog, with its own caption.
  virtual int Show(std::string_view text, std::string_view caption, uint32_t style) = 0;
  // An application message box: captioned with the application name and owned
  // by the main window.
  virtual int ShowApplication(std::string_view text, uint32_t style) = 0;
};

// Told the answer of every message box a window showed; a run's recording
// keeps them.
class AnswerObserver {
 public:
  virtual ~AnswerObserver() = default;
  virtual void Answered(std::string_view text,
                        std::string_view caption,
                        uint32_t style,
                        int answer) = 0;
};

}  // namespace solvane
