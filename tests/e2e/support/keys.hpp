#pragma once

#include <string_view>

// The bytes an xterm sends for the keys a player presses.
namespace e2e::keys {

inline constexpr std::string_view kEnter = "\r";
inline constexpr std::string_view kBackspace = "\x7f";
inline constexpr std::string_view kCtrlH = "\x08";
inline constexpr std::string_view kEsc = "\x1b";
inline constexpr std::string_view kCtrlC = "\x03";
inline constexpr std::string_view kCtrlZ = "\x1a";
inline constexpr std::string_view kCtrlBackslash = "\x1c";
inline constexpr std::string_view kUp = "\x1b[A";
inline constexpr std::string_view kDown = "\x1b[B";
inline constexpr std::string_view kRight = "\x1b[C";
inline constexpr std::string_view kLeft = "\x1b[D";
// Cursor keys in application mode (SS3).
inline constexpr std::string_view kUpSs3 = "\x1bOA";
inline constexpr std::string_view kDownSs3 = "\x1bOB";
inline constexpr std::string_view kRightSs3 = "\x1bOC";
inline constexpr std::string_view kLeftSs3 = "\x1bOD";
inline constexpr std::string_view kHome = "\x1b[H";
inline constexpr std::string_view kEnd = "\x1b[F";
inline constexpr std::string_view kHomeTilde = "\x1b[1~";
inline constexpr std::string_view kEndTilde = "\x1b[4~";
inline constexpr std::string_view kDelete = "\x1b[3~";
inline constexpr std::string_view kF1 = "\x1bOP";
inline constexpr std::string_view kPageUp = "\x1b[5~";
inline constexpr std::string_view kInsert = "\x1b[2~";

}  // namespace e2e::keys
