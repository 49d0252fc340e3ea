// Windows' schemes in a profile (power.schemes, power.active_scheme): read, written back, and
// met by the commit as Windows would meet them.
#include <gtest/gtest.h>

#include "cli/run/plan.h"
#include "cli/run/simulated_run.h"
#include "machine/profile_writer.h"
#include "tool_runner.h"

namespace presetra::testing {
namespace {

constexpr char kVorlan[] = "8759706d-706b-4c22-b2ec-f91e1ef6ed38";

std::string WithPower(const std::string& power) {
  return std::string(R"({"profile": 1, "firmware": {"oem_strings": ["FBYTE#3XawbTgu7Kq2.QR;"]},)") +
         R"("registry": {"HKLM\\SOFTWARE\\WOW6432Node\\Vorlan\\Presetra": {"MachineID": "8A1F"}},)" +
         R"("power": {"connected_standby": false, )" + power + "}}";
}

TEST(SchemesTest, ProfileSchemesLieOverTheBaseImageAndAreWrittenBack) {
  const std::string text = WithPower(
      R"("schemes": {"381b4222-f694-41f0-9685-FF5BB260DF2E": {"settings": {)"
      R"("238c9fa8-0aad-41ed-83f4-97be242c8f20/29f6c1db-86da-48c5-9fdb-f2b67b1f44da": [0, null]}},)"
      R"("0a1b2c3d-0000-4000-8000-000000000001": {"name": "Kiosk", "settings": {}}},)"
      R"("active_scheme": "0a1b2c3d-0000-4000-8000-000000000001")");
  const machine::MachineProfile profile = cli::ProfileOf(text);
  ASSERT_EQ(profile.schemes.size(), 2u);
  EXPECT_EQ(profile.schemes[1].guid, powercfg::kBalanced);  // lower case, as the format keeps it
  const std::string written = machine::WriteProfile(profile);
  EXPECT_NE(
      written.find(R"("238c9fa8-0aad-41ed-83f4-97be242c8f20/29f6c1db-86da-48c5-9fdb-f2b67b1f44da": [
            0,
            null
          ])"),
      std::string::npos)
      << written;
  EXPECT_EQ(machine::WriteProfile(cli::ProfileOf(written)), written);

  const cli::Plan plan = cli::MakePlan(profile, "pc.json");
  EXPECT_EQ(plan.windowsValues, "this PC");
  ASSERT_TRUE(plan.scheme.has_value());
  for (const auto& setting : plan.scheme->settings) {
    if (setting.name != "Sleep after") continue;
    // The recipe sets both; what Balanced had is in the differences.
    EXPECT_EQ(setting.windowsValueFrom, "pc");
  }
  ASSERT_EQ(plan.balancedDifferences.size(), 2u);
  EXPECT_EQ(plan.balancedDifferences[0].value, "Never");
  EXPECT_EQ(plan.balancedDifferences[0].table, "30 min");
  EXPECT_EQ(plan.balancedDifferences[1].value, "not set");
}

TEST(SchemesTest, VorlanSchemeAlreadyOnThePcMakesTheCopyFail) {
  const std::string text = WithPower(std::string(R"("schemes": {")") + kVorlan +
                                     R"(": {"name": "Vorlan", "settings": {}}})");
  const cli::RunRecord run = cli::RunActions(text, {"commit"}, cli::RunOptions{.log = true});
  bool failed = false;
  for (const auto& line : run.logLines) {
    failed = failed || Utf16ToUtf8(line).find("-duplicatescheme") != std::string::npos;
  }
  EXPECT_TRUE(failed);
  // Its name is the PC's: the copy never happened.
  EXPECT_EQ(run.SchemeName(Utf8ToUtf16(kVorlan)).substr(0, 6), "Vorlan");
}

TEST(SchemesTest, MalformedSchemesNameTheirField) {
  struct Case {
    std::string power;
    std::string error;
  } cases[] = {
      {R"("schemes": {"balanced": {}})",
       R"(power.schemes["balanced"]: expected a scheme GUID, "xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx")"},
      {R"("schemes": {"381b4222-f694-41f0-9685-ff5bb260df2e": {"settings": {"238c9fa8-0aad-41ed-83f4-97be242c8f20/29f6c1db-86da-48c5-9fdb-f2b67b1f44da": [4294967296, 0]}}})",
       R"(power.schemes["381b4222-f694-41f0-9685-ff5bb260df2e"].settings["238c9fa8-0aad-41ed-83f4-97be242c8f20/29f6c1db-86da-48c5-9fdb-f2b67b1f44da"][0]: expected a setting index from 0 to 4294967295, or null)"},
      {R"("schemes": {"381b4222-f694-41f0-9685-ff5bb260df2e": {"settings": {"238c9fa8-0aad-41ed-83f4-97be242c8f20/29f6c1db-86da-48c5-9fdb-f2b67b1f44da": [4294967295]}}})",
       R"(power.schemes["381b4222-f694-41f0-9685-ff5bb260df2e"].settings["238c9fa8-0aad-41ed-83f4-97be242c8f20/29f6c1db-86da-48c5-9fdb-f2b67b1f44da"]: expected [AC, DC]: two indexes, or null for none)"},
      {R"("schemes": {"381b4222-f694-41f0-9685-ff5bb260df2e": {"settngs": {}}})",
       R"(power.schemes["381b4222-f694-41f0-9685-ff5bb260df2e"].settngs: unknown field; a scheme has "name" and "settings")"},
      {R"("schemes": {"381b4222-f694-41f0-9685-ff5bb260df2e": {}, "381B4222-F694-41F0-9685-FF5BB260DF2E": {}})",
       R"(power.schemes["381b4222-f694-41f0-9685-ff5bb260df2e"]: the scheme is listed twice)"},
      {R"("active_scheme": "0a1b2c3d-0000-4000-8000-000000000001")",
       "power.active_scheme: the machine has no scheme 0a1b2c3d-0000-4000-8000-000000000001"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.power);
    try {
      cli::RunActions(WithPower(c.power), {"commit"});
      ADD_FAILURE() << "accepted";
    } catch (const cli::UnusableProfile& error) {
      EXPECT_EQ(std::string(error.what()), c.error);
    }
  }
  // The last index in is the largest a DWORD holds.
  EXPECT_NO_THROW(cli::ProfileOf(WithPower(
      R"("schemes": {"381b4222-f694-41f0-9685-ff5bb260df2e": {"settings": {"238c9fa8-0aad-41ed-83f4-97be242c8f20/29f6c1db-86da-48c5-9fdb-f2b67b1f44da": [4294967295, 0]}}})")));
}

}  // namespace
}  // namespace presetra::testing
