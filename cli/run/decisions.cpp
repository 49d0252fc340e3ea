#include "cli/run/decisions.h"

#include <algorithm>
#include <set>

#include "host/installer.h"
#include "policy/board_lists.h"

namespace presetra::cli {

namespace {

struct QuestionText {
  Question question;
  const char* id;
  const char* text;
  const char* yes;  // the answer with what it does
  const char* no;
  const char* labelYes;
  const char* labelNo;
};

constexpr QuestionText kQuestions[] = {
    {Question::kConsumer, "consumer", "Consumer product (7K, 7P and 7W all present)", "yes", "no",
     "consumer", ""},
    {Question::kTablet, "tablet", "Tablet (bT)", "yes: auto-rotation turned on", "no", "tablet",
     ""},
    {Question::kBuild20H2OrLater, "build_20h2_or_later", "Build 19042 (20H2) or later",
     "yes: SecureBIO left as it is", "no: SecureBIO turned off", "20H2+", "pre-20H2"},
    {Question::kNotebook, "notebook", "Notebook (aw or bT, or no feature bytes)", "yes",
     "no: desktop, RPOS or thin client", "notebook", "desktop"},
    {Question::kQuorlinBoard, "quorlin_board", "Quorlin board",
     "yes: adaptive-brightness curve written", "no", "Quorlin", ""},
    {Question::kConnectedStandby, "connected_standby", "Connected Standby", "yes", "no", "CS",
     "no CS"},
    {Question::kFeatureGu, "feature_gu", "Feature gu", "yes", "no: Modern Standby package runs",
     "gu", "no gu"},
    {Question::kBuildBeforeRs3, "build_before_rs3", "Build before 16299 (RS3)",
     "yes: Modern Standby package runs", "no: Modern Standby package skipped", "RS1/2", "RS3+"},
    {Question::kPackagedBoard, "packaged_board", "Board shipped with the Modern Standby package",
     "yes: counts as 2018 and before", "no", "packaged", ""},
    {Question::kPlatformBefore2019, "platform_2018_and_before", "Platform of 2018 and before",
     "yes", "no: 2019 and later", "2018-", "2019+"},
    // The answer "no" says which of the two other branches ran; see HibernationNo.
    {Question::kHibernationHidden, "hibernation_hidden",
     "Hibernation never, the setting hidden (a6 or a2)", "yes", "no", "a6/a2", ""},
    {Question::kWindowsHome, "windows_home", "Windows Home (dp with ar, as or at)",
     "yes: no password on wake-up", "no: password on wake-up", "Home", ""},
    {Question::kWifiInStandbyBoard, "wifi_in_standby_board", "Wi-Fi in standby board",
     "yes: Wi-Fi stays on in standby in every scheme", "no", "Wi-Fi in standby", ""},
    {Question::kDesktopFeature, "desktop_feature",
     "Feature 3a or aN (shorter display and sleep time-outs)", "yes", "no", "3a/aN", ""},
    {Question::kExcludedBoard, "excluded_board", "Board excluded from AHCI link power mode",
     "yes: HIPM/DIPM left as Balanced has it", "no", "excluded", ""},
    {Question::kLinkPowerMode1Board, "link_power_mode_1_board", "Link power mode 1 board",
     "yes: HIPM/DIPM set to HIPM", "no: HIPM/DIPM set to Lowest", "link mode 1", ""},
    {Question::kAccelerometer, "accelerometer", "Accelerometer (in the product key)",
     "yes: closing the lid on battery does nothing", "no: closing the lid on battery sleeps",
     "accelerometer", ""},
    {Question::kNetworkAdaptersListed, "network_adapters_listed",
     "Network adapters listed by Windows", "yes", "no: no adapter is set", "", "no adapters"},
    // Told with each adapter, not among the machine's decisions.
    {Question::kPciAdapter, "pci_adapter", "PCI adapter with readable properties", "yes", "no", "",
     ""},
    {Question::kWirelessAdapter, "wireless_adapter", "Wireless adapter", "yes", "no", "", ""},
    {Question::kAdapterThroughWmi, "adapter_through_wmi", "Power management through WMI", "yes",
     "no", "", ""},
    {Question::kAdapterThroughPnPCapabilities, "adapter_through_pnp_capabilities",
     "PnPCapabilities written", "yes", "no", "", ""},
};

// A row for every question, in the enumeration's order: a question without its row does not
// compile.
constexpr bool EveryQuestionInItsRow() {
  for (std::size_t i = 0; i < std::size(kQuestions); ++i) {
    if (static_cast<std::size_t>(kQuestions[i].question) != i) return false;
  }
  return std::size(kQuestions) == kQuestionCount;
}
static_assert(EveryQuestionInItsRow());

const QuestionText& TextOf(Question question) {
  return kQuestions[static_cast<std::size_t>(question)];
}

std::string Joined(const std::vector<std::string>& parts, const char* separator) {
  std::string text;
  for (const auto& part : parts) {
    if (!text.empty()) text += separator;
    text += part;
  }
  return text;
}

std::string TokenText(const FeatureToken& token) {
  std::string text = token.token;
  text += token.offset ? " at " + std::to_string(*token.offset) : std::string(" absent");
  return text;
}

std::string BuildText(std::int32_t build, std::int32_t threshold) {
  std::string text = "build ";
  text += build == 0 ? std::string("number unreadable (taken as 0)") : std::to_string(build);
  text += build < threshold ? " is before " : " is at or after ";
  text += std::to_string(threshold);
  return text;
}

std::string BoardText(const std::string& board, const BoardListMembership& list) {
  std::string text = "board ";
  text += board.empty() ? std::string("(none)") : board;
  text += list.containsBoard ? " is on the " : " is not on the ";
  text += list.list;
  text += " list (";
  text += Joined(list.boards, ", ");
  text += ")";
  return text;
}

std::string ValuesText(const std::vector<RegistryValueRead>& values) {
  std::vector<std::string> parts;
  for (const auto& value : values) {
    parts.push_back(value.name + (value.data ? " \"" + *value.data + "\"" : " not set"));
  }
  return Joined(parts, ", ");
}

// The Modern Standby recipe's hibernation when neither a6 nor a2 is there: by generation.
std::string HibernationNo(const std::vector<ExplainedDecision>& before) {
  for (const auto& decision : before) {
    if (decision.id != "platform_2018_and_before") continue;
    return decision.answer ? "no: hibernate after 4 h (AC and DC), as on platforms of 2018 and "
                             "before"
                           : "no: hibernate never (AC) and after 16 h (DC), AHCI link power "
                             "Lowest, as on platforms of 2019 and later";
  }
  return "no";
}

// Why the platform counts as 2018 and before, or not: the first input that settled it.
std::string GenerationBecause(const ExplainedDecision& decision, const std::string& board) {
  const FeatureToken& gu = decision.tokens.front();
  if (!gu.offset) return "gu absent: the Modern Standby package runs";
  if (decision.build && *decision.build < *decision.threshold) {
    return "gu at " + std::to_string(*gu.offset) + ", " +
           BuildText(*decision.build, *decision.threshold) +
           " (RS3): the Modern Standby package runs";
  }
  return "gu at " + std::to_string(*gu.offset) + ", " +
         BuildText(*decision.build, *decision.threshold) + " (RS3), " +
         BoardText(board, *decision.boardList);
}

}  // namespace

std::vector<ExplainedDecision> Explain(const std::vector<Decision>& decisions,
                                       const WString& featureBytes, bool connectedStandbyKnown) {
  std::vector<ExplainedDecision> explained;
  std::set<Question> seen;
  for (const Decision& decision : decisions) {
    // A question about one adapter is told with the adapter.
    if (decision.device || !seen.insert(decision.question).second) continue;
    const QuestionText& text = TextOf(decision.question);
    ExplainedDecision out;
    out.id = text.id;
    out.question = text.text;
    out.answer = decision.answer;
    out.answerText = decision.answer ? text.yes : text.no;
    out.label = decision.answer ? text.labelYes : text.labelNo;
    // Every token of the question, also those a short-cut did not ask: all of them are what
    // the answer is made of.
    for (const char16_t* token : decision.tokens) {
      const std::size_t offset = FeatureOffset(featureBytes, token);
      out.tokens.push_back(FeatureToken{
          Utf16ToUtf8(token),
          offset == WString::npos ? std::nullopt : std::optional<std::size_t>(offset)});
    }
    if (!decision.boards.empty()) {
      BoardListMembership list;
      for (const BoardList& known : kBoardLists) {
        if (known.boards.data() == decision.boards.data()) list.list = known.name;
      }
      for (const char16_t* board : decision.boards) list.boards.push_back(Utf16ToUtf8(board));
      list.containsBoard = IsOneOf(decision.board, decision.boards);
      out.boardList = list;
    }
    if (decision.threshold != 0) {
      out.build = decision.build;
      out.threshold = decision.threshold;
    }
    for (const auto& [name, data] : decision.values) {
      out.values.push_back(RegistryValueRead{
          Utf16ToUtf8(name), data.empty() ? std::nullopt : std::optional(Utf16ToUtf8(data))});
    }

    const std::string board = Utf16ToUtf8(decision.board);
    std::vector<std::string> because;
    if (decision.question == Question::kPlatformBefore2019) {
      because.push_back(GenerationBecause(out, board));
    } else {
      if (decision.question == Question::kNotebook && featureBytes.empty()) {
        because.push_back("no feature bytes: counted as a notebook");
      } else {
        for (const auto& token : out.tokens) because.push_back(TokenText(token));
      }
      if (out.boardList) because.push_back(BoardText(board, *out.boardList));
      if (out.build) because.push_back(BuildText(*out.build, *out.threshold));
      if (!out.values.empty()) because.push_back(ValuesText(out.values));
    }
    if (decision.question == Question::kConnectedStandby) {
      because.push_back(connectedStandbyKnown ? "the power API's answer"
                                              : "the power API's query failed: counted as no");
    }
    if (decision.question == Question::kHibernationHidden && !decision.answer) {
      out.answerText = HibernationNo(explained);
    }
    out.because = Joined(because, ", ");
    explained.push_back(out);
  }
  return explained;
}

}  // namespace presetra::cli
