#include "power/power_scheme.h"

namespace presetra {

namespace {

constexpr win::Dword kPowercfgTimeoutMs = 60000;

bool ParseHex(WStringView text, std::size_t& at, std::size_t maxDigits, std::uint32_t& value) {
  std::size_t digits = 0;
  std::uint32_t result = 0;
  while (at < text.size() && digits < maxDigits) {
    char16_t c = text[at];
    std::uint32_t digit;
    if (c >= u'0' && c <= u'9') {
      digit = c - u'0';
    } else if (c >= u'a' && c <= u'f') {
      digit = c - u'a' + 10;
    } else if (c >= u'A' && c <= u'F') {
      digit = c - u'A' + 10;
    } else {
      break;
    }
    result = result * 16 + digit;
    ++digits;
    ++at;
  }
  if (digits == 0) return false;
  value = result;
  return true;
}

bool Expect(WStringView text, std::size_t& at, char16_t c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

}  // namespace

CPowerScheme::CPowerScheme(const WString& schemeGuid, CMSIInstaller* installer)
    : installer_(installer),
      systemFolder_(SystemFolder(installer->System().shell())),
      schemeGuid_(schemeGuid) {
  // Without the system folder nothing is started: a bare "powercfg.exe" would be looked for
  // along the search path, which starts in folders other users can write to.
  if (!systemFolder_.empty()) powercfgPath_ = systemFolder_ + u"\\powercfg.exe";
}

bool CPowerScheme::Run(const WString& arguments) {
  if (powercfgPath_.empty()) {
    installer_->Log(u"ERROR: No system folder, powercfg.exe not started: " + arguments);
    return false;
  }
  const WString commandLine = powercfgPath_ + u" " + arguments;
  installer_->Log(commandLine);
  platform::Processes& processes = installer_->System().processes();
  platform::ScopedProcess process(processes);
  platform::ProcessStart start;
  // By its full path as the program, so nothing is looked for along the search path.
  start.application = powercfgPath_;
  start.commandLine = commandLine;
  start.creationFlags = win::kCreateNoWindow;
  start.currentFolder = systemFolder_;
  if (!processes.CreateProcess(start, process.Receive())) return false;
  if (processes.WaitForSingleObject(process.process(), kPowercfgTimeoutMs) != win::kWaitObject0) {
    // powercfg is left running; the next command starts at once.
    installer_->Log(u"ERROR: Command timed out");
    return false;
  }
  return true;
}

bool CPowerScheme::Duplicate() {
  return Run(WString(u"-duplicatescheme ") + kBalancedScheme + u" " + schemeGuid_);
}

bool CPowerScheme::ChangeName(const WString& name, const WString* description) {
  WString arguments = u"-changename " + schemeGuid_ + u" \"" + name + u"\"";
  if (description != nullptr) arguments += u" \"" + *description + u"\"";
  return Run(arguments);
}

bool CPowerScheme::SetValueIndexText(PowerSource source, const WString& subgroup,
                                     const WString& setting, const WString& value) {
  // The option ends in a blank and another precedes the GUID: two blanks, as powercfg has
  // always been called here.
  WString arguments = source == PowerSource::kAc ? u"-setacvalueindex " : u"-setdcvalueindex ";
  arguments += u" " + schemeGuid_ + u" " + subgroup + u" " + setting + u" " + value;
  return Run(arguments);
}

bool CPowerScheme::SetValueIndex(PowerSource source, const WString& subgroup,
                                 const WString& setting, std::int32_t value) {
  return SetValueIndexText(source, subgroup, setting, Format(u"%d", value));
}

bool CPowerScheme::SetValueIndex(PowerSource source, const WString& subgroup,
                                 const WString& setting, bool value) {
  return SetValueIndexText(source, subgroup, setting, value ? u"1" : u"0");
}

bool CPowerScheme::SetHibernateAfter(PowerSource source, std::int32_t seconds) {
  return SetValueIndex(source, kSubSleep, kHibernateAfter, seconds);
}

bool CPowerScheme::SetDiskLinkPower(PowerSource source, std::int32_t value) {
  return SetValueIndex(source, kSubHardDisk, kAhciLinkPowerMode, value);
}

bool CPowerScheme::SetActive() {
  return Run(u"-setactive " + schemeGuid_);
}

bool CPowerScheme::Delete() {
  platform::Guid active;
  if (installer_->System().power().PowerGetActiveScheme(&active) != win::kErrorSuccess) {
    return false;
  }
  platform::Guid ours;
  if (!ParseGuid(u"{" + schemeGuid_ + u"}", ours)) return false;
  if (ours == active) {
    // Windows refuses to delete the active scheme.
    CPowerScheme balanced(kBalancedScheme, installer_);
    (void)balanced.SetActive();
  }
  return Run(u"-delete " + schemeGuid_);
}

bool CPowerScheme::SetAsPreferredPlan() {
  platform::Registry& registry = installer_->System().registry();
  platform::ScopedRegKey key(registry);
  bool ok = registry.CreateKey(
                platform::kHkeyLocalMachine, kPreferredPlanKey, win::kRegOptionNonVolatile,
                win::kKeyAllAccess | win::kKeyWow64_64Key, key.Receive()) == win::kErrorSuccess;
  if (ok) {
    ok = key.SetValue(u"PreferredPlan", platform::RegData::String(schemeGuid_)) ==
         win::kErrorSuccess;
  }
  key.Close();
  installer_->Log(ok ? u"Successfully set as preferred plan"
                     : u"ERROR: Unable to set as preferred plan");
  return ok;
}

bool CPowerScheme::SetHibernateSize() {
  return Run(Format(u"/HIBERNATE /SIZE %d", 0));
}

bool ParseGuid(WStringView text, platform::Guid& guid) {
  if (text.size() != 38) return false;
  std::size_t at = 0;
  platform::Guid parsed;
  std::uint32_t value = 0;
  if (!Expect(text, at, u'{') || !ParseHex(text, at, 8, parsed.data1)) return false;
  if (!Expect(text, at, u'-') || !ParseHex(text, at, 4, value)) return false;
  parsed.data2 = static_cast<std::uint16_t>(value);
  if (!Expect(text, at, u'-') || !ParseHex(text, at, 4, value)) return false;
  parsed.data3 = static_cast<std::uint16_t>(value);
  for (int i = 0; i < 8; ++i) {
    if ((i == 0 || i == 2) && !Expect(text, at, u'-')) return false;
    if (!ParseHex(text, at, 2, value)) return false;
    parsed.data4[i] = static_cast<std::uint8_t>(value);
  }
  if (!Expect(text, at, u'}') || at != text.size()) return false;
  guid = parsed;
  return true;
}

WString IndirectDisplayString(const WString& installDir, std::uint32_t stringId,
                              const WString& fallback) {
  // An indirect string names the module by its full path; without one the name is plain text.
  if (installDir.empty()) return fallback;
  return Format(u"@%s%s,-%u,%s", installDir, WString(kModuleFileName), stringId, fallback);
}

}  // namespace presetra
