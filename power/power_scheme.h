// One Windows power scheme, addressed by its GUID text and changed only by running the
// system's powercfg.exe. Every command line goes to the log before it runs.
#pragma once

#include <cstdint>

#include "host/installer.h"
#include "platform/guid.h"
#include "power/setting_guids.h"

namespace presetra {

// A scheme object for commands that concern the whole machine and no scheme.
inline constexpr char16_t kNoScheme[] = u"00000000-0000-0000-0000-000000000000";
inline constexpr char16_t kModuleFileName[] = u"Presetra.dll";
// Where Windows keeps the preferred plan ("PreferredPlan"), under HKEY_LOCAL_MACHINE in the
// 64-bit view.
inline constexpr char16_t kPreferredPlanKey[] =
    u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\explorer\\ControlPanel\\NameSpace\\"
    u"{025A5937-A6BE-4686-A844-36FE4BEC8B6D}";

// Which power source a value is for.
enum class PowerSource { kDc = 0, kAc = 1 };

class CPowerScheme {
 public:
  // Computes the powercfg path from the system folder. The GUID text is kept exactly as given.
  // Without a system folder no command is started.
  CPowerScheme(const WString& schemeGuid, CMSIInstaller* installer);
  virtual ~CPowerScheme() = default;

  // Runs powercfg with exactly this argument text, in the system folder, and waits up to 60 s.
  // False when it could not start (with no system folder: "ERROR: No system folder, ...") or
  // did not end in time ("ERROR: Command timed out"); its exit code is not read.
  bool Run(const WString& arguments);
  // Copies Balanced into this scheme's GUID.
  bool Duplicate();
  // Names the scheme; the description follows only when one is given.
  bool ChangeName(const WString& name, const WString* description);
  bool SetValueIndex(PowerSource source, const WString& subgroup, const WString& setting,
                     std::int32_t value);
  bool SetValueIndex(PowerSource source, const WString& subgroup, const WString& setting,
                     bool value);
  // Sleep: hibernate after (seconds).
  bool SetHibernateAfter(PowerSource source, std::int32_t seconds);
  // Hard disk: AHCI link power management, HIPM/DIPM.
  bool SetDiskLinkPower(PowerSource source, std::int32_t value);
  bool SetActive();
  // Deletes the scheme, activating Balanced first when this scheme is the active one. False,
  // with nothing run, when the active scheme cannot be read or this GUID does not parse.
  bool Delete();
  // Writes the scheme as the shell's preferred plan (64-bit view) and logs the outcome.
  bool SetAsPreferredPlan();
  // Hibernation file size 0. Concerns the machine, not this scheme.
  bool SetHibernateSize();

  const WString& Guid() const { return schemeGuid_; }
  const WString& PowercfgPath() const { return powercfgPath_; }

 private:
  bool SetValueIndexText(PowerSource source, const WString& subgroup, const WString& setting,
                         const WString& value);

  CMSIInstaller* installer_;
  WString systemFolder_;
  WString powercfgPath_;  // empty without a system folder
  WString schemeGuid_;
};

// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}", exactly 38 characters, hex digits of either case.
// `guid` is written only on success.
bool ParseGuid(WStringView text, platform::Guid& guid);

// "@<install folder>Presetra.dll,-<id>,<fallback>": a name or description that Windows resolves
// from this module's string table, in the display language. Without an install folder, the
// fallback text alone.
WString IndirectDisplayString(const WString& installDir, std::uint32_t stringId,
                              const WString& fallback);

}  // namespace presetra
