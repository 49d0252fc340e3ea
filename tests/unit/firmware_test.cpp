// Reading the feature-byte string and the build ID from the firmware's OEM strings.
#include <gtest/gtest.h>

#include "host/installer.h"
#include "test_machine.h"
#include "wmi/wmi_client.h"

namespace presetra {
namespace {

using testing::kOsitLog;
using testing::LogTexts;
using testing::MachineFrom;

struct Case {
  const char* name;
  std::string firmware;
  WString featureBytes;
  WString buildId;
  std::vector<std::string> log;
};

TEST(ReadFeatureBytesTest, TakesTheFirstOfEachMarker) {
  const Case cases[] = {
      {"both markers",
       R"("oem_strings": ["ABC", "FBYTE#3XawbTgu.QR;", "BUILDID#20WW;"])",
       u"3XawbTgu",
       u"20WW",
       {"FeatureBytes:", "3XawbTgu", "BuildID:", "20WW"}},
      {"marker inside an entry",
       R"("oem_strings": ["xx FBYTE#3Xaw.QR;"])",
       u"3Xaw",
       u"",
       {"FeatureBytes:", "3Xaw"}},
      {"both in one entry: only the feature bytes",
       R"("oem_strings": ["FBYTE#3Xaw.BUILDID#1;", "BUILDID#2;"])",
       u"3Xaw",
       u"2",
       {"FeatureBytes:", "3Xaw", "BuildID:", "2"}},
      {"build ID without a semicolon",
       R"("oem_strings": ["BUILDID#20WW"])",
       u"",
       u"20WW",
       {"BuildID:", "20WW"}},
      {"second markers ignored",
       R"("oem_strings": ["FBYTE#aa.", "FBYTE#bb.", "BUILDID#1;", "BUILDID#2;"])",
       u"aa",
       u"1",
       {"FeatureBytes:", "aa", "BuildID:", "1"}},
      {"case-sensitive markers", R"("oem_strings": ["fbyte#aa.", "BuildID#1;"])", u"", u"", {}},
      {"cut short: the BIOS has it",
       R"("oem_strings": ["FBYTE#3Xaw", "BUILDID#20WW;"], "bios_feature_byte": "3XawbTgu7K.Z")",
       u"3XawbTgu7K",
       u"20WW",
       {"Long FeatureByte solution.", "FeatureBytes:", "3XawbTgu7K", "BuildID:", "20WW"}},
      {"cut short, no BIOS namespace",
       R"("oem_strings": ["FBYTE#3Xaw;Q"])",
       u"3Xaw;Q",
       u"",
       {"Long FeatureByte solution.", "ERROR: Long FeatureByte solution Fail.",
        "FeatureBytes:", "3Xaw;Q"}},
      {"property null", R"("oem_strings": null)", u"", u"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    auto machine = MachineFrom(R"("factory_folder": "present", "firmware": {)" + c.firmware + "}");
    CMSIInstaller installer(*machine);
    SetContextNames(installer);
    installer.SelectLogPath();
    const int comBefore = machine->com().InitCount();
    installer.ReadFeatureBytes();
    EXPECT_EQ(installer.Context().featureBytes, c.featureBytes) << c.name;
    EXPECT_EQ(installer.Context().buildId, c.buildId) << c.name;
    EXPECT_EQ(LogTexts(*machine, kOsitLog), c.log) << c.name;
    EXPECT_EQ(machine->com().InitCount(), comBefore) << c.name;
  }
}

TEST(ReadFeatureBytesTest, ABiosValueThatIsNotTextKeepsTheOemText) {
  auto machine = MachineFrom(R"("factory_folder": "present",
                                "firmware": {"oem_strings": ["FBYTE#3Xaw"]})");
  sim::WmiInstance value;
  value.className = u"VorlanBIOS_BIOSString";
  value.properties = {{u"Name", platform::Variant::Bstr(u"Feature Byte")},
                      {u"Value", platform::Variant::Null()}};
  machine->wmi().AddInstance(u"root\\Vorlan\\InstrumentedBIOS", value);
  CMSIInstaller installer(*machine);
  SetContextNames(installer);
  installer.SelectLogPath();
  installer.ReadFeatureBytes();
  EXPECT_EQ(installer.Context().featureBytes, u"3Xaw");
  EXPECT_EQ(LogTexts(*machine, kOsitLog),
            (std::vector<std::string>{"Long FeatureByte solution.", "FeatureBytes:", "3Xaw"}));
}

TEST(ReadFeatureBytesTest, UnreadableFirmwareKeepsTheEarlierValues) {
  for (auto call : {sim::Call::kConnectServer, sim::Call::kExecQuery, sim::Call::kObjectGet}) {
    auto machine = MachineFrom(R"("factory_folder": "present",
                                  "firmware": {"oem_strings": ["FBYTE#aw.", "BUILDID#9;"]})");
    CMSIInstaller installer(*machine);
    SetContextNames(installer);
    installer.SelectLogPath();
    installer.Context().featureBytes = u"earlier";
    installer.Context().buildId = u"run";
    machine->faults().FailEvery(call);
    installer.ReadFeatureBytes();
    EXPECT_EQ(installer.Context().featureBytes, u"earlier") << sim::CallName(call);
    EXPECT_EQ(installer.Context().buildId, u"run");
    EXPECT_TRUE(LogTexts(*machine, kOsitLog).empty());
  }
}

}  // namespace
}  // namespace presetra
