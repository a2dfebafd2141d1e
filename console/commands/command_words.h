// The command texts that the console sends to the board; each goes out as one frame.
#pragma once

#include <string>
#include <string_view>

namespace command_words {

// Selects a frame: "FRM" and the frame box's four digits.
inline std::string SelectFrame(std::string_view frameText) { return "FRM" + std::string(frameText); }

inline constexpr std::string_view kAskFrame = "FRMASK";
inline constexpr std::string_view kQueryId = "QID";
inline constexpr std::string_view kSequence0 = "SEQ0";
inline constexpr std::string_view kSequence1 = "SEQ1";
inline constexpr std::string_view kSequence2 = "SEQ2";
inline constexpr std::string_view kSequence3 = "SEQ3";

}  // namespace command_words
