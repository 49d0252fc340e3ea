#include "platform/sim/faults.h"

namespace presetra::sim {

std::string CallName(Call call) {
  switch (call) {
    case Call::kRegOpenKey:
      return "RegOpenKeyExW";
    case Call::kRegCreateKey:
      return "RegCreateKeyExW";
    case Call::kRegQueryValue:
      return "RegQueryValueExW";
    case Call::kRegSetValue:
      return "RegSetValueExW";
    case Call::kRegCloseKey:
      return "RegCloseKey";
    case Call::kGetFolderPath:
      return "SHGetFolderPathW";
    case Call::kGetVersion:
      return "GetVersionExW";
    case Call::kCreateDirectory:
      return "CreateDirectoryW";
    case Call::kHoldFolder:
      return "CreateFileW (folder)";
    case Call::kFileOpen:
      return "file open";
    case Call::kFileWrite:
      return "WriteFile";
    case Call::kProcessCreate:
      return "CreateProcessW";
    case Call::kProcessWait:
      return "WaitForSingleObject";
    case Call::kOleInitialize:
      return "OleInitialize";
    case Call::kCoInitialize:
      return "CoInitializeEx";
    case Call::kCoInitializeSecurity:
      return "CoInitializeSecurity";
    case Call::kCreateLocator:
      return "CoCreateInstance(WbemLocator)";
    case Call::kConnectServer:
      return "IWbemLocator::ConnectServer";
    case Call::kSetProxyBlanket:
      return "CoSetProxyBlanket";
    case Call::kExecQuery:
      return "IWbemServices::ExecQuery";
    case Call::kEnumNext:
      return "IEnumWbemClassObject::Next";
    case Call::kObjectGet:
      return "IWbemClassObject::Get";
    case Call::kObjectPut:
      return "IWbemClassObject::Put";
    case Call::kPutInstance:
      return "IWbemServices::PutInstance";
    case Call::kChangeType:
      return "VariantChangeType";
    case Call::kGetPwrCapabilities:
      return "GetPwrCapabilities";
    case Call::kPowerGetActiveScheme:
      return "PowerGetActiveScheme";
    case Call::kPowerReadDescription:
      return "PowerReadDescription";
    case Call::kPowerReadValueIndex:
      return "PowerReadValueIndex";
    case Call::kPowerEnumerate:
      return "PowerEnumerate";
    case Call::kPowerReadFriendlyName:
      return "PowerReadFriendlyName";
    case Call::kLoadString:
      return "LoadStringW";
    case Call::kFindWindow:
      return "FindWindowW";
    case Call::kGetClientRect:
      return "GetClientRect";
    case Call::kSendMessage:
      return "SendMessageTimeoutW";
    case Call::kDeviceSet:
      return "SetupDiGetClassDevsW";
    case Call::kDeviceEnum:
      return "SetupDiEnumDeviceInfo";
    case Call::kDeviceProperty:
      return "SetupDiGetDeviceRegistryPropertyW";
  }
  return "?";
}

}  // namespace presetra::sim
