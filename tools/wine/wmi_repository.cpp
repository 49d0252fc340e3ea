#include "tools/wine/wmi_repository.h"

#include <fstream>

#include "platform/bytes_text.h"
#include "tools/wine/machine_facts.h"

namespace presetra::wine {

Repository& Repository::Get() {
  static Repository repository;
  return repository;
}

Repository::Repository() {
  MachineFacts facts = ReadFacts();

  Declare(u"ROOT\\CIMV2", u"Win32_ComputerSystem");
  auto computer = Add(u"ROOT\\CIMV2", u"Win32_ComputerSystem");
  computer->properties.push_back({u"Name", ScopedVariant::Bstr(u"VORLAN-PC")});
  ScopedVariant oem;
  if (facts.oemStrings) {
    SAFEARRAY* array =
        SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(facts.oemStrings->size()));
    for (LONG i = 0; i < static_cast<LONG>(facts.oemStrings->size()); ++i) {
      const auto& entry = (*facts.oemStrings)[i];
      BSTR text = entry
                      ? SysAllocStringLen(win32::WidePtr(*entry), static_cast<UINT>(entry->size()))
                      : nullptr;
      SafeArrayPutElement(array, &i, text);
      SysFreeString(text);
    }
    oem.get()->vt = VT_ARRAY | VT_BSTR;
    oem.get()->parray = array;
  } else {
    oem.get()->vt = VT_NULL;
  }
  computer->properties.push_back({u"OEMStringArray", std::move(oem)});

  if (facts.biosFeatureByte) {
    auto featureByte = Add(u"ROOT\\VORLAN\\INSTRUMENTEDBIOS", u"VorlanBIOS_BIOSString");
    featureByte->properties.push_back({u"Name", ScopedVariant::Bstr(u"Feature Byte")});
    featureByte->properties.push_back({u"Value", ScopedVariant::Bstr(*facts.biosFeatureByte)});
  }

  const char16_t* adapterClasses[][2] = {
      {u"MSPower_DeviceEnable", u"Enable"},
      {u"MSPower_DeviceWakeEnable", u"Enable"},
      {u"MSNdis_DeviceWakeOnMagicPacketOnly", u"EnableWakeOnMagicPacketOnly"},
  };
  for (const auto& row : adapterClasses) Declare(u"ROOT\\WMI", row[0]);
  for (const auto& adapter : facts.adapters) {
    for (const auto& row : adapterClasses) {
      auto instance = Add(u"ROOT\\WMI", row[0]);
      instance->writesFail = adapter.writesFail;
      instance->properties.push_back({u"InstanceName", ScopedVariant::Bstr(adapter.instanceName)});
      instance->properties.push_back({u"Active", ScopedVariant::Bool(true)});
      instance->properties.push_back({row[1], ScopedVariant::Bool(false)});
    }
  }
  ApplyRecordedWrites();
}

// WMI keeps what was written: a later process (presetra.exe verify after msiexec) finds the
// properties as the writes of earlier ones left them.
void Repository::ApplyRecordedWrites() {
  std::ifstream record(kWmiWritesPath, std::ios::binary);
  for (std::string line; std::getline(record, line);) {
    const std::vector<std::string> fields = SplitTabs(line);
    if (fields.size() != 4) continue;
    for (const auto& instance : instances) {
      const Property* name = instance->Find(u"InstanceName");
      Property* target = instance->Find(Utf8ToUtf16(fields[2]));
      if (name == nullptr || target == nullptr ||
          !EqualsIgnoringCase(instance->className, Utf8ToUtf16(fields[0])) ||
          !EqualsIgnoringCase(win32::FromWide(name->value.get()->bstrVal),
                              Utf8ToUtf16(fields[1]))) {
        continue;
      }
      target->value = ScopedVariant::Bool(fields[3] == "True");
    }
  }
}

WString NormalizeNamespace(const wchar_t* path) {
  WString text = ToUpper(win32::FromWide(path));
  for (auto& c : text) {
    if (c == u'/') c = u'\\';
  }
  for (const WString& prefix : {WString(u"\\\\.\\"), WString(u"\\\\LOCALHOST\\")}) {
    if (text.rfind(prefix, 0) == 0) text.erase(0, prefix.size());
  }
  while (!text.empty() && text.back() == u'\\') text.pop_back();
  return text;
}

}  // namespace presetra::wine
