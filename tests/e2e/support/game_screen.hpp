#pragma once

#include <string>
#include <string_view>

#include "support/pty_session.hpp"

// The game's texts as the player sees them, and what its screens look like.
namespace e2e::game {

inline constexpr std::string_view kDirectionPrompt =
    "Choose A Direction (N, S, E, W) (Or Press Q To Quit) ";
inline constexpr std::string_view kLeavePrompt = "Are you sure you want to leave the maze (Y, N)? ";
inline constexpr std::string_view kHeadNorth = "You must head north into the caves";
inline constexpr std::string_view kEntranceLines[] = {
    "You enter the caves", "The walls look unstable", "You should be as fast as possible"};
inline constexpr std::string_view kWall = "You walk into a wall";
inline constexpr std::string_view kTreasure = "You have found some treasure!";
inline constexpr std::string_view kRubble = "The path is blocked by fallen rubble";
inline constexpr std::string_view kRumble = "Rumble Rumble Rumble";
inline constexpr std::string_view kGnomeLast = "Run back the way you came or you will die";
inline constexpr std::string_view kEscaped = "You escaped from the gnome";
inline constexpr std::string_view kFinished = "Congratulations you have finished the game with";
inline constexpr std::string_view kPressToEnd = "Press any key to end the game";
inline constexpr std::string_view kDied = "You have died, you lose";

// The text as a screen row shows it: blanks at the end do not show.
std::string shown(std::string_view text);

// The direction prompt alone at the top-left of an otherwise blank screen, cursor behind it,
// with `typed` echoed after it.
bool showsDirectionPrompt(const VtermScreen& screen, std::string_view typed = "");
bool waitForDirectionPrompt(PtySession& session, std::string_view typed = "",
                            Millis limit = kWaitLimit);

}  // namespace e2e::game
