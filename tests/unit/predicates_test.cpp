// The platform questions: feature tokens on even offsets, notebook, consumer, Connected Standby.
#include <gtest/gtest.h>

#include "host/installer.h"
#include "test_machine.h"

namespace presetra {
namespace {

using testing::MachineFrom;

TEST(PredicatesTest, FeatureTokensCountOnlyOnTokenBoundaries) {
  struct Case {
    const char16_t* bytes;
    const char16_t* token;
    bool has;
    bool notebook;
    bool consumer;
  } cases[] = {
      {u"3XawbT", u"aw", true, true, false},
      {u"3awX", u"aw", false, false, false},
      {u"XawXXaw", u"aw", false, false, false},
      {u"XawXaw", u"aw", true, true, false},
      {u"a7K7P7W", u"7K", false, false, false},
      {u"7K7P7W", u"7P", true, false, true},
      {u"XbTX", u"bT", false, false, false},
      {u"XXbt", u"bT", false, false, false},
      {u"3XbT", u"bT", true, true, false},
      {u"", u"aw", false, true, false},
      {u"", u"", true, true, false},
      {u"3X", u"", true, false, false},
  };
  auto machine = MachineFrom();
  CMSIInstaller installer(*machine);
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - &cases[0]));
    installer.Context().featureBytes = c.bytes;
    EXPECT_EQ(installer.HasFeature(c.token), c.has) << Utf16ToUtf8(c.bytes);
    EXPECT_EQ(installer.IsNotebook(), c.notebook) << Utf16ToUtf8(c.bytes);
    EXPECT_EQ(installer.IsConsumer(), c.consumer) << Utf16ToUtf8(c.bytes);
  }
}

TEST(ConnectedStandbyTest, AFailedQueryIsAskedAgainASuccessfulOneNever) {
  auto machine = MachineFrom(R"("power": {"connected_standby": true})");
  CMSIInstaller installer(*machine);
  machine->faults().FailEvery(sim::Call::kGetPwrCapabilities);
  EXPECT_FALSE(installer.IsConnectedStandby());
  machine->faults().Clear();
  EXPECT_TRUE(installer.IsConnectedStandby());
  machine->power().connectedStandby = false;
  EXPECT_TRUE(installer.IsConnectedStandby()) << "kept for as long as the module is loaded";
  EXPECT_EQ(machine->power().capabilityQueries, 2);
}

}  // namespace
}  // namespace presetra
