// libFuzzer target: firmware strings of any content through ReadFeatureBytes and the platform
// predicates. Input: OEM strings separated by line feeds; a line starting with "BIOS:" is the
// BIOS namespace's feature-byte value instead.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/installer.h"
#include "platform/sim/machine.h"
#include "wmi/wmi_client.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace presetra;
  machine::MachineProfile profile;
  profile.oemStrings.emplace();
  std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (line.rfind("BIOS:", 0) == 0) {
      profile.biosFeatureByte = Utf8ToUtf16(line.substr(5));
    } else {
      profile.oemStrings->push_back(Utf8ToUtf16(line));
    }
    start = end + 1;
  }
  profile.factoryFolder = machine::FactoryFolder::kPresent;
  sim::Machine machine(profile);
  CMSIInstaller installer(machine);
  SetContextNames(installer);
  installer.SelectLogPath();
  installer.ReadFeatureBytes();
  (void)installer.IsNotebook();
  (void)installer.IsConsumer();
  (void)installer.HasFeature(u"gu");
  return 0;
}
