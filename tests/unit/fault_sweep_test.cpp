// Every platform call of every example machine's commit and uninstall made to fail, one at a
// time: the entry points still return 0, nothing is left open (keys, process handles, device
// sets, COM initialisations, WMI references), and the log stays a well-formed UTF-16 log.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "test_machine.h"
#include "wmi/wmi_client.h"

namespace presetra {
namespace {

struct Outcome {
  std::uint64_t calls = 0;
  std::vector<std::uint64_t> failed;
};

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

// Runs the actions on a fresh machine, failing its `failAt`-th platform call (0: none), and
// checks what must hold after any failure.
Outcome RunWithFault(const sim::MachineProfile& profile, const std::vector<bool>& commits,
                     std::uint64_t failAt, const std::string& context) {
  sim::Machine machine(profile);
  if (failAt != 0) machine.faults().FailNthCall(failAt);
  WString logPath;
  {
    LoadedModule module(machine);
    for (bool commit : commits) {
      EXPECT_EQ(commit ? module.Commit(1) : module.Uninstall(1), 0u) << context;
    }
    logPath = module.Installer()->Context().logPath;
  }
  EXPECT_EQ(machine.registry().OpenKeyCount(), 0u) << context;
  EXPECT_EQ(machine.processes().OpenHandleCount(), 0u) << context;
  EXPECT_EQ(machine.devices().OpenSetCount(), 0u) << context;
  EXPECT_EQ(machine.com().InitCount(), 0) << context;
  EXPECT_EQ(machine.com().OleInitCount(), 0) << context;
  EXPECT_EQ(sim::WmiRepository::LiveObjects(), 0) << context;
  auto bytes = machine.files().ReadFile(logPath);
  if (bytes && !bytes->empty()) {
    EXPECT_TRUE(bytes->size() >= 2 && (*bytes)[0] == 0xFF && (*bytes)[1] == 0xFE) << context;
    EXPECT_EQ(bytes->size() % 2, 0u) << context;
    static const std::regex stamped(R"(^\d\d:\d\d:\d\d:\d\d\d\t.*$)");
    for (const auto& line : machine.ReadLogLines(logPath)) {
      EXPECT_TRUE(std::regex_match(Utf16ToUtf8(line), stamped))
          << context << ": " << Utf16ToUtf8(line);
    }
  }
  return {machine.faults().CallCount(), machine.faults().Failed()};
}

TEST(FaultSweepTest, NoFailingCallBreaksACustomAction) {
  const std::vector<std::pair<const char*, std::vector<bool>>> actions = {
      {"commit", {true}}, {"uninstall", {false}}, {"commit then uninstall", {true, false}}};
  std::size_t swept = 0;
  std::map<std::string, std::size_t> perAction;
  for (const auto& entry : std::filesystem::directory_iterator(PRESETRA_EXAMPLES_DIR)) {
    if (entry.path().extension() != ".json") continue;
    const auto profile = sim::ParseProfile(ReadText(entry.path()));
    for (const auto& [action, commits] : actions) {
      const std::string name = entry.path().stem().string() + " " + action;
      const Outcome clean = RunWithFault(profile, commits, 0, name + " (no fault)");
      ASSERT_GT(clean.calls, 0u) << name;
      for (std::uint64_t k = 1; k <= clean.calls; ++k) {
        const Outcome faulty =
            RunWithFault(profile, commits, k, name + " failing call " + std::to_string(k));
        EXPECT_EQ(faulty.failed, std::vector<std::uint64_t>{k}) << name;
        ++swept;
        ++perAction[action];
        if (::testing::Test::HasFailure()) return;
      }
    }
  }
  RecordProperty("failure_points", static_cast<int>(swept));
  std::cout << "fault sweep: " << swept << " failure points survived:";
  for (const auto& [action, count] : perAction) std::cout << " " << action << " " << count << ";";
  std::cout << "\n";
}

}  // namespace
}  // namespace presetra
