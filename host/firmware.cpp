#include <vector>

#include "host/installer.h"
#include "wmi/wmi_client.h"

namespace presetra {

namespace {

constexpr WStringView kFeatureMarker = u"FBYTE#";
constexpr WStringView kBuildIdMarker = u"BUILDID#";

WString CutBefore(const WString& text, char16_t separator) {
  return text.substr(0, text.find(separator));
}

}  // namespace

WString CMSIInstaller::ReadFeatureBytesFromBios(const WString& afterMarker) {
  WString featureBytes = afterMarker;
  Log(u"Long FeatureByte solution.");
  CWMIClient bios(system_, module_->comSecurity);
  if (bios.Connect(u"\\\\.\\root\\Vorlan\\InstrumentedBIOS") != win::kSOk ||
      bios.ExecQuery(u"SELECT * FROM VorlanBIOS_BIOSString WHERE Name=\"Feature Byte\"") !=
          win::kSOk) {
    Log(u"ERROR: Long FeatureByte solution Fail.");
    return featureBytes;
  }
  WString value;
  if (bios.GetValueAsString(value) >= 0) featureBytes = CutBefore(value, u'.');
  return featureBytes;
}

void CMSIInstaller::ReadFeatureBytes() {
  CWMIClient client(system_, module_->comSecurity);
  if (client.Connect(u"\\\\.\\root\\cimv2") != win::kSOk ||
      client.ExecQuery(u"SELECT * FROM Win32_ComputerSystem") != win::kSOk) {
    return;
  }
  std::vector<WString> entries;
  if (client.GetOEMStringArray(entries) < 0) return;

  bool featureBytesFound = false;
  bool buildIdFound = false;
  for (const WString& entry : entries) {
    if (featureBytesFound && buildIdFound) break;
    std::size_t at = WString::npos;
    if (!featureBytesFound && (at = entry.find(kFeatureMarker)) != WString::npos) {
      WString after = entry.substr(at + kFeatureMarker.size());
      if (after.find(u'.') != WString::npos) {
        context_.featureBytes = CutBefore(after, u'.');
      } else {
        // The OEM string is cut short: the firmware's BIOS class has the whole string.
        context_.featureBytes = ReadFeatureBytesFromBios(after);
      }
      Log(u"FeatureBytes:");
      Log(context_.featureBytes);
      featureBytesFound = true;
    } else if (!buildIdFound && (at = entry.find(kBuildIdMarker)) != WString::npos) {
      context_.buildId = CutBefore(entry.substr(at + kBuildIdMarker.size()), u';');
      Log(u"BuildID:");
      Log(context_.buildId);
      buildIdFound = true;
    }
  }
}

}  // namespace presetra
