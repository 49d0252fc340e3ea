// Every platform call of every example machine's commit and uninstall made to fail, one at a
// time: the entry points still return 0, nothing is left open (keys, process handles, device
// sets, COM initialisations, WMI references), and the log stays a well-formed UTF-16 log.
// Where a failure only changes its own step, the log is exactly the clean run's log with that
// step's failure line: every later step still runs and logs as before.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>

#include "test_machine.h"
#include "wmi/wmi_client.h"

namespace presetra {
namespace {

struct Outcome {
  std::uint64_t calls = 0;
  std::vector<std::uint64_t> failed;
  std::vector<sim::Call> kinds;
  std::vector<std::string> log;  // texts, without time stamps
  std::size_t firstActionLines = 0;
  std::vector<WString> queried;  // the registry value names read, in order
};

// A registry string read that the k-th call (1-based) belongs to, as its key open or one of
// its queries: the value's name, and whether the run reads that value only this once.
struct RegistryRead {
  WString value;
  bool once;
};

std::optional<RegistryRead> RegistryReadOf(const Outcome& clean, std::uint64_t k) {
  const auto begin = clean.kinds.begin();
  const std::size_t at = k - 1;
  std::size_t query = 0;
  if (clean.kinds[at] == sim::Call::kRegQueryValue) {
    query = static_cast<std::size_t>(
        std::count(begin, begin + static_cast<std::ptrdiff_t>(at), sim::Call::kRegQueryValue));
  } else if (clean.kinds[at] == sim::Call::kRegOpenKey && at + 1 < clean.kinds.size() &&
             clean.kinds[at + 1] == sim::Call::kRegQueryValue) {
    query = static_cast<std::size_t>(
        std::count(begin, begin + static_cast<std::ptrdiff_t>(at + 1), sim::Call::kRegQueryValue));
  } else {
    return std::nullopt;
  }
  const WString& name = clean.queried[query];
  // One read queries a value at most twice, one query after the other.
  std::vector<std::size_t> reads;
  for (std::size_t i = 0; i < clean.queried.size(); ++i) {
    if (EqualsIgnoringCase(clean.queried[i], name)) reads.push_back(i);
  }
  const bool once = reads.size() == 1 || (reads.size() == 2 && reads[1] == reads[0] + 1);
  return RegistryRead{name, once};
}

// How one failing call may change the log of the clean run: where the two logs part, the
// clean lines matching `removed` give way to lines matching `inserted`; the rest is the same.
// No patterns at all: the logs are the same.
struct LogEdit {
  std::vector<std::string> removed;
  std::vector<std::string> inserted;
  // A line the failure may also add further down, once (empty: none).
  std::string alsoLater = "";
};

constexpr char kScriptOutput[] = R"(Script output (not written|goes to .*): .* cannot be opened)";
constexpr char kLaunchError[] = "ERROR: Unable to launch last command";
constexpr char kTimeout[] = "ERROR: Command timed out";
// The uninstall's answer to a scheme that outlived its deletion: a plain name, and the default
// schemes replaced.
constexpr char kRename[] =
    R"re(C:\\Windows\\system32\\powercfg\.exe -changename 8759706d-706b-4c22-b2ec-f91e1ef6ed38 "Vorlan Optimized \(recommended\)" ".*")re";
constexpr char kActivateBalanced[] =
    "C:\\Windows\\system32\\powercfg.exe -setactive 381b4222-f694-41f0-9685-ff5bb260df2e";
constexpr char kReplaceDefaults[] =
    R"(C:\\Windows\\system32\\powercfg\.exe -ReplaceDefaultSchemes)";

// The edits a failure of this kind may make, as the system defines its failure lines; empty
// when the failing call is a read whose answer chooses the path (firmware strings, registry
// reads, power capabilities, devices, COM set-up, folders, including the log's own folder),
// so that later steps differ.
std::vector<LogEdit> EditsOf(sim::Call kind) {
  using sim::Call;
  const LogEdit same;
  switch (kind) {
    case Call::kFileOpen:    // the factory log, or one of its folders, cannot be opened: the
    case Call::kHoldFolder:  // action logs to the install folder, first saying why; for a
                             // script's output file: it goes beside the log, or nowhere
      // Where the factory folder could not be made, the script's output cannot go there either.
      // A level that could not be made leaves the log in the one above, with the same lines.
      return {
          same,
          {{}, {R"(Log folder C:\\System\.sav\\.* not used: .* cannot be opened)"}, kScriptOutput},
          {{}, {kScriptOutput}}};
    case Call::kProcessCreate:
      // A script logs that it could not start; powercfg's command line is logged before.
      return {same, {{}, {kLaunchError}}, {{}, {kRename, kReplaceDefaults}}};
    case Call::kProcessWait:
      return {{{}, {kTimeout}}, {{}, {kTimeout, kRename, kReplaceDefaults}}};
    case Call::kRegCreateKey:
    case Call::kRegSetValue:
      return {same,
              {{"Successfully set as preferred plan"}, {"ERROR: Unable to set as preferred plan"}},
              {{"Sucessfully set Attributes"}, {"Error setting Attributes"}}};
    case Call::kRegOpenKey:
      // The keys that are opened to be written: a failure there is logged only for the
      // hibernation setting's key. (Opens for reading are compared with a machine without
      // the value, below.)
      return {same, {{"Opened Key .*", "Sucessfully set Attributes"}, {"Error opening .*"}}};
    case Call::kRegCloseKey:
      return {
          same,
          {{}, {R"(Error closing SYSTEM\\CurrentControlSet\\Control\\Power\\PowerSettings\\.*)"}}};
    case Call::kFindWindow:  // no status line: nothing is logged about it
    case Call::kGetClientRect:
    case Call::kSendMessage:  // the status line keeps its text
    case Call::kObjectPut:    // WMI refused: PnPCapabilities instead, silently
    case Call::kPutInstance:
      return {same};
    default:
      return {};
  }
}

// Where two logs part, for the failure message.
std::string DiffText(const std::vector<std::string>& clean,
                     const std::vector<std::string>& faulty) {
  std::size_t i = 0;
  while (i < clean.size() && i < faulty.size() && clean[i] == faulty[i]) ++i;
  std::string text = "\nfrom line " + std::to_string(i + 1) + "\n  clean:";
  for (std::size_t j = i; j < clean.size() && j < i + 3; ++j) text += "\n    " + clean[j];
  text += "\n  faulty:";
  for (std::size_t j = i; j < faulty.size() && j < i + 3; ++j) text += "\n    " + faulty[j];
  return text;
}

bool Applies(const LogEdit& edit, const std::vector<std::string>& clean,
             const std::vector<std::string>& faultyLog) {
  std::vector<std::string> faulty = faultyLog;
  if (!edit.alsoLater.empty() && faulty.size() > 1) {
    const auto later = std::find_if(faulty.begin() + 1, faulty.end(), [&](const std::string& line) {
      return std::regex_match(line, std::regex(edit.alsoLater));
    });
    if (later != faulty.end()) faulty.erase(later);
  }
  std::size_t i = 0;
  while (i < clean.size() && i < faulty.size() && clean[i] == faulty[i]) ++i;
  auto matchAll = [i](const std::vector<std::string>& lines,
                      const std::vector<std::string>& patterns) {
    if (lines.size() < i + patterns.size()) return false;
    for (std::size_t j = 0; j < patterns.size(); ++j) {
      if (!std::regex_match(lines[i + j], std::regex(patterns[j]))) return false;
    }
    return true;
  };
  const std::size_t from = i + edit.removed.size();
  const std::size_t to = i + edit.inserted.size();
  return matchAll(clean, edit.removed) && matchAll(faulty, edit.inserted) &&
         std::equal(clean.begin() + static_cast<std::ptrdiff_t>(from), clean.end(),
                    faulty.begin() + static_cast<std::ptrdiff_t>(to), faulty.end());
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Runs the actions on a fresh machine, failing its `failAt`-th platform call (0: none), and
// checks what must hold after any failure.
Outcome RunWithFault(const machine::MachineProfile& profile, const std::vector<bool>& commits,
                     std::uint64_t failAt, const std::string& context,
                     const std::optional<WString>& absentValue = std::nullopt) {
  sim::Machine machine(profile);
  if (absentValue) machine.registry().RemoveValueEverywhere(*absentValue);
  if (failAt != 0) machine.faults().FailNthCall(failAt);
  // Each action's lines, from whichever log it chose, in the order they were written.
  std::vector<WString> lines;
  std::vector<WString> logPaths;
  std::size_t firstActionLines = 0;
  {
    LoadedModule module(machine);
    for (bool commit : commits) {
      const WString chosen = module.Installer() ? module.Installer()->Context().logPath : WString();
      const std::size_t before = chosen.empty() ? 0 : machine.ReadLogLines(chosen).size();
      EXPECT_EQ(commit ? module.Commit(1) : module.Uninstall(1), 0u) << context;
      const WString logPath = module.Installer()->Context().logPath;
      const auto all = machine.ReadLogLines(logPath);
      const std::size_t from = logPath == chosen ? before : 0;
      lines.insert(lines.end(),
                   all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())),
                   all.end());
      if (firstActionLines == 0) firstActionLines = lines.size();
      if (std::find(logPaths.begin(), logPaths.end(), logPath) == logPaths.end()) {
        logPaths.push_back(logPath);
      }
    }
  }
  EXPECT_EQ(machine.registry().OpenKeyCount(), 0u) << context;
  EXPECT_EQ(machine.processes().OpenHandleCount(), 0u) << context;
  EXPECT_EQ(machine.devices().OpenSetCount(), 0u) << context;
  EXPECT_EQ(machine.com().InitCount(), 0) << context;
  EXPECT_EQ(machine.com().OleInitCount(), 0) << context;
  EXPECT_EQ(sim::WmiRepository::LiveObjects(), 0) << context;
  EXPECT_EQ(machine.files().HeldFolderCount(), 0u) << context;
  std::vector<std::string> texts;
  for (const auto& line : lines) {
    const std::string text = Utf16ToUtf8(line);
    texts.push_back(text.substr(text.find('\t') + 1));
  }
  for (const auto& logPath : logPaths) {
    auto bytes = machine.files().ReadFile(logPath);
    if (!bytes || bytes->empty()) continue;
    EXPECT_TRUE(bytes->size() >= 2 && (*bytes)[0] == 0xFF && (*bytes)[1] == 0xFE) << context;
    EXPECT_EQ(bytes->size() % 2, 0u) << context;
    static const std::regex stamped(R"(^\d\d:\d\d:\d\d:\d\d\d\t.*$)");
    for (const auto& line : machine.ReadLogLines(logPath)) {
      EXPECT_TRUE(std::regex_match(Utf16ToUtf8(line), stamped))
          << context << ": " << Utf16ToUtf8(line);
    }
  }
  return {machine.faults().CallCount(),
          machine.faults().Failed(),
          machine.faults().Calls(),
          texts,
          firstActionLines,
          machine.registry().QueriedValues()};
}

TEST(FaultSweepTest, NoFailingCallBreaksACustomAction) {
  const std::vector<std::pair<const char*, std::vector<bool>>> actions = {
      {"commit", {true}}, {"uninstall", {false}}, {"commit then uninstall", {true, false}}};
  std::size_t swept = 0;
  std::size_t withFailureLine = 0;
  std::size_t withoutValue = 0;
  std::map<std::string, std::size_t> perAction;
  for (const auto& entry : std::filesystem::directory_iterator(PRESETRA_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".json") continue;
    const auto profile = machine::ParseProfile(ReadText(entry.path()));
    std::uint64_t commitCalls = 0;
    for (const auto& [action, actionCommits] : actions) {
      // A plain reference for the lambdas below: clang 14 cannot capture a structured binding.
      const std::vector<bool>& commits = actionCommits;
      const std::string name = entry.path().stem().string() + " " + action;
      const Outcome clean = RunWithFault(profile, commits, 0, name + " (no fault)");
      ASSERT_GT(clean.calls, 0u) << name;
      if (commits == std::vector<bool>{true}) commitCalls = clean.calls;
      for (std::uint64_t k = 1; k <= clean.calls; ++k) {
        const Outcome faulty =
            RunWithFault(profile, commits, k, name + " failing call " + std::to_string(k));
        EXPECT_EQ(faulty.failed, std::vector<std::uint64_t>{k}) << name;
        const sim::Call kind = faulty.kinds[k - 1];
        // Every failure of a string read gives the empty string: when the run reads that
        // value only once, its log is that of the machine without the value. A value read
        // again later is found then, and the run takes a path of its own.
        const auto read = RegistryReadOf(clean, k);
        if (read && read->once) {
          const std::string value = Utf16ToUtf8(read->value);
          const Outcome without =
              RunWithFault(profile, commits, 0, name + " without " + value, read->value);
          EXPECT_EQ(faulty.log, without.log)
              << name << " failing call " << k << " (" << sim::CallName(kind)
              << "): not the log of the machine without " << value
              << DiffText(without.log, faulty.log);
          ++withoutValue;
        }
        const std::vector<LogEdit> edits = read ? std::vector<LogEdit>{} : EditsOf(kind);
        if (!edits.empty()) {
          const bool expected = std::any_of(edits.begin(), edits.end(), [&](const LogEdit& edit) {
            if (commits.size() == 1 || k > commitCalls) return Applies(edit, clean.log, faulty.log);
            // A failure in the commit half: the commit's lines are compared as above. The
            // uninstall's are the clean ones, except for what the commit's failure left
            // behind: a scheme that is not the active one needs no switch to Balanced before
            // its deletion, and one that could not be deleted gets the uninstall's rename.
            const auto split = [](const Outcome& run) {
              const auto at = run.log.begin() + static_cast<std::ptrdiff_t>(run.firstActionLines);
              return std::make_pair(std::vector<std::string>(run.log.begin(), at),
                                    std::vector<std::string>(at, run.log.end()));
            };
            const auto [cleanCommit, cleanUninstall] = split(clean);
            const auto [faultyCommit, faultyUninstall] = split(faulty);
            std::vector<std::string> notActive = cleanUninstall;
            std::erase(notActive, kActivateBalanced);
            const LogEdit rename{{}, {kRename, kReplaceDefaults}};
            return Applies(edit, cleanCommit, faultyCommit) &&
                   (faultyUninstall == cleanUninstall || faultyUninstall == notActive ||
                    Applies(rename, cleanUninstall, faultyUninstall) ||
                    Applies(rename, notActive, faultyUninstall));
          });
          EXPECT_TRUE(expected) << name << " failing call " << k << " (" << sim::CallName(kind)
                                << "): the log is not the clean log with its failure line"
                                << DiffText(clean.log, faulty.log);
          ++withFailureLine;
        }
        ++swept;
        ++perAction[action];
        if (::testing::Test::HasFailure()) return;
      }
    }
  }
  RecordProperty("failure_points", static_cast<int>(swept));
  std::cout << "fault sweep: " << swept << " failure points survived:";
  for (const auto& [action, count] : perAction) std::cout << " " << action << " " << count << ";";
  std::cout << " whole log compared for " << withFailureLine + withoutValue << " of them ("
            << withFailureLine << " with the clean log and the failure's own line, " << withoutValue
            << " with the log of the machine without the value read)\n";
}

}  // namespace
}  // namespace presetra
