// A decision of the policy as data: what was asked, the answer, and what decided it. Reported
// where the policy takes it, for tools that explain a run; the log says the same in its own
// words and stays as it is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "platform/text.h"

namespace presetra {

enum class Question : std::uint8_t {
  kConsumer,               // 7K, 7P and 7W all present
  kTablet,                 // bT
  kBuild20H2OrLater,       // SecureBIO is left alone from 20H2 on
  kNotebook,               // aw or bT, or no feature bytes at all
  kQuorlinBoard,           // the adaptive-brightness curve
  kConnectedStandby,       // the power API's answer
  kFeatureGu,              // gu: the Modern Standby package may be skipped
  kBuildBeforeRs3,         // with gu: the package runs before RS3 only
  kPackagedBoard,          // with gu on RS3 and later: the package came with the board
  kPlatformBefore2019,     // the Modern Standby recipe's generation
  kHibernationHidden,      // a6 or a2: hibernation never, and the setting hidden
  kWindowsHome,            // dp with ar, as or at
  kWifiInStandbyBoard,     // Wi-Fi stays on in standby
  kDesktopFeature,         // 3a or aN: shorter desktop time-outs
  kExcludedBoard,          // the notebook recipe leaves the AHCI link power mode alone
  kLinkPowerMode1Board,    // the link power mode is 1 instead of 4
  kAccelerometer,          // the lid does nothing on battery
  kNetworkAdaptersListed,  // Windows handed over the network adapters
  kPciAdapter,             // one adapter: its properties read, and on the PCI bus
  kWirelessAdapter,        // one adapter: wireless by its description or its class code
  kAdapterThroughWmi,      // one adapter: WMI took all its power settings ("Settings": how many)
  kAdapterThroughPnPCapabilities,  // one adapter, WMI having refused: PnPCapabilities written
};
// Tables indexed by the question count on this: a new question goes before the last one or
// moves this along with it.
inline constexpr std::size_t kQuestionCount =
    static_cast<std::size_t>(Question::kAdapterThroughPnPCapabilities) + 1;

struct Decision {
  Question question{};
  bool answer = false;
  // What decided it; each is empty where it took no part.
  std::vector<const char16_t*> tokens{};      // the feature tokens the question is made of
  std::span<const char16_t* const> boards{};  // the board list asked about, with `board`
  WString board{};
  std::int32_t build = 0;  // with `threshold`, when a build was compared
  std::int32_t threshold = 0;
  // Registry values or device properties read for the answer: name and data as read (empty:
  // missing).
  std::vector<std::pair<const char16_t*, WString>> values{};
  // The adapter's index in the device set, for a question about one adapter.
  std::optional<std::uint32_t> device{};
};

using DecisionListener = std::function<void(const Decision&)>;

}  // namespace presetra
