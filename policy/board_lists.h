// The boards and Windows builds the policy treats specially, in one place, so that the factory
// tools can show which lists a board is on and which thresholds a build passes.
#pragma once

#include <cstdint>
#include <span>

#include "platform/text.h"

namespace presetra {

// The adaptive-brightness curve is for this board.
inline constexpr const char16_t* kQuorlinBoards[] = {u"62E6"};
// Boards of 2018 and before that ship with the Modern Standby package already applied.
inline constexpr const char16_t* kPackagedBoards[] = {u"369E", u"B6A3", u"1C5C", u"228B"};
// Boards the notebook recipe leaves AHCI link power management alone on.
inline constexpr const char16_t* kExcludedBoards[] = {u"E23F", u"A531", u"1ED9", u"91E7", u"7B0D"};
// Boards whose link power mode is 1 instead of the notebook table's 4.
inline constexpr const char16_t* kLinkPowerMode1Boards[] = {u"3F8C", u"C52D"};
// Boards whose Wi-Fi stays on in standby, in Windows' three schemes and in ours.
inline constexpr const char16_t* kWifiInStandbyBoards[] = {u"21E2"};

// Windows 10 20H2: from here on SecureBIO is left as it is.
inline constexpr std::int32_t k20H2 = 19042;
// Windows 10 RS3: from here on the Modern Standby package is not installed on "gu" platforms.
inline constexpr std::int32_t kRs3 = 16299;

inline bool IsOneOf(WStringView board, std::span<const char16_t* const> list) {
  for (const char16_t* candidate : list) {
    if (board == candidate) return true;
  }
  return false;
}

struct BoardList {
  const char* name;
  const char* effect;
  std::span<const char16_t* const> boards;
};

inline constexpr BoardList kBoardLists[] = {
    {"Quorlin", "adaptive-brightness curve (notebooks)", kQuorlinBoards},
    {"Packaged 2018", "counts as 2018 and before on RS3 and later (Modern Standby, gu)",
     kPackagedBoards},
    {"Excluded",
     "AHCI link power mode (HIPM/DIPM) left as Balanced has it (notebook without Modern Standby)",
     kExcludedBoards},
    {"Link power mode 1",
     "AHCI link power mode (HIPM/DIPM) HIPM instead of Lowest (notebook without Modern Standby)",
     kLinkPowerMode1Boards},
    {"Wi-Fi in standby", "Wi-Fi stays on in standby (Modern Standby)", kWifiInStandbyBoards},
};

}  // namespace presetra
