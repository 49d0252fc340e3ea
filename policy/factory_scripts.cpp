#include "policy/os_def_set.h"

namespace presetra {

namespace {
// The scripts' output logs belong in the factory log folder whatever folder the main log uses;
// the library opens them itself, with the main log's checks, and hands them to the interpreter.
// The log shows the redirection the scripts have always been run with.
constexpr char16_t kMsdLog[] = u"c:\\system.sav\\logs\\osit\\Presetra_MSD.log";
constexpr char16_t kBiosLog[] = u"c:\\system.sav\\logs\\osit\\Presetra_BIOS.log";

WString AsRedirection(const WString& path) {
  return u" >> \"" + path + u"\"";
}
// The build number goes on a command line that the command interpreter parses: a value with
// one of its special characters would run more than the script, with the installer's rights.
// Windows writes digits there; anything the interpreter would act on is refused.
bool IsSafeForCommandInterpreter(const WString& text) {
  for (char16_t c : text) {
    if (c < 0x20 || c == u'&' || c == u'|' || c == u'<' || c == u'>' || c == u'^' || c == u'"' ||
        c == u'%' || c == u'!' || c == u'(' || c == u')') {
      return false;
    }
  }
  return true;
}

}  // namespace

void COSDefSet::RunModernStandbyPackage() {
  CMSIInstaller* installer = Installer();
  if (!IsSafeForCommandInterpreter(buildNumberText_)) {
    installer->Log(u"Error! Fail to get Windows version number!");
    return;
  }
  installer->Log(u"Start Setting Modern Standby Disconnected");
  const WString script = u"Data Files\\MSD.cmd";
  const WString arguments = Format(u" %s", buildNumberText_);
  const WString output = kMsdLog;
  installer->Log(u"All commands:");
  installer->Log(script);
  installer->Log(arguments + AsRedirection(output));
  installer->RunScript(script, u"Connected Standby ppkg update", &arguments, &output);
}

void COSDefSet::RunBiosScript() {
  CMSIInstaller* installer = Installer();
  if (buildNumberText_.empty() || !IsSafeForCommandInterpreter(buildNumberText_)) {
    installer->Log(u"Error! Fail to get Windows version number!");
    return;
  }
  const WString connectedStandby = installer->IsConnectedStandby() ? u"true" : u"false";
  const WString script = u"Data Files\\TBIOS.cmd";
  const WString arguments = Format(u" %s %s", buildNumberText_, connectedStandby);
  const WString output = kBiosLog;
  installer->Log(u"Start calling Tarn BIOS");
  installer->Log(u"All commands:");
  installer->Log(script);
  installer->Log(arguments + AsRedirection(output));
  installer->RunScript(script, u"TARN BIOS Process", &arguments, &output);
}

}  // namespace presetra
