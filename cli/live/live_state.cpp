#include "cli/live/live_state.h"

#include "cli/run/simulated_run.h"
#include "platform/guid.h"
#include "policy/network_adapters.h"
#include "power/power_scheme.h"
#include "wmi/wmi_client.h"

namespace presetra::cli {

namespace {

using powercfg::Scheme;

// The schemes the commit made or changed, each with the values it set, as this PC has them.
void ReadSchemes(platform::Power& power, const RunRecord& planned, EndState* state,
                 std::vector<std::string>* problems) {
  for (const Scheme& scheme : planned.end.schemes) {
    const auto guid = platform::GuidFromText(scheme.guid);
    if (!guid) continue;
    WString description;
    const win::Dword described = power.PowerReadDescription(*guid, 1024, &description);
    if (described == static_cast<win::Dword>(win::kErrorFileNotFound)) continue;
    if (described != win::kErrorSuccess &&
        described != static_cast<win::Dword>(win::kErrorMoreData)) {
      problems->push_back("power scheme " + Utf16ToUtf8(scheme.guid) +
                          ": PowerReadDescription failed (error " + std::to_string(described) +
                          "): taken as present");
    }
    Scheme live{scheme.guid, scheme.name, description, {}};
    for (const auto& write : planned.schemeWrites) {
      if (!EqualsIgnoringCase(write.scheme, scheme.guid)) continue;
      const auto subgroup = platform::GuidFromText(write.key.subgroup);
      const auto setting = platform::GuidFromText(write.key.setting);
      if (!subgroup || !setting) continue;
      win::Dword index = 0;
      const win::Dword read =
          power.PowerReadValueIndex(*guid, *subgroup, *setting, write.ac, &index);
      auto& values = live.values[write.key];
      if (read == win::kErrorSuccess) {
        (write.ac ? values.ac : values.dc) = index;
      } else if (read != static_cast<win::Dword>(win::kErrorFileNotFound)) {
        problems->push_back("power scheme " + Utf16ToUtf8(scheme.guid) + ": setting " +
                            Utf16ToUtf8(write.key.setting) + (write.ac ? " (AC)" : " (DC)") +
                            ": could not be read (error " + std::to_string(read) + ")");
      }
    }
    state->schemes.push_back(std::move(live));
  }
  platform::Guid active;
  const win::Dword result = power.PowerGetActiveScheme(&active);
  if (result == win::kErrorSuccess) {
    state->active = platform::GuidText(active);
  } else {
    problems->push_back("PowerGetActiveScheme failed (error " + std::to_string(result) + ")");
  }
}

void ReadRegistry(platform::Registry& registry, const RunRecord& planned, EndState* state,
                  std::vector<std::string>* problems) {
  const platform::ValueRead preferred =
      platform::ReadValue(registry, platform::kHkeyLocalMachine, kPreferredPlanKey,
                          win::kKeyWow64_64Key, u"PreferredPlan");
  if (preferred.error == win::kErrorSuccess && preferred.type == win::kRegSz) {
    state->preferredPlan = TextOfUtf16Le(preferred.data.data(), preferred.data.size());
  }
  const platform::ValueRead hibernate =
      platform::ReadValue(registry, platform::kHkeyLocalMachine, platform::kHibernationKey,
                          win::kKeyWow64_64Key, platform::kHibernationFileSizeValue);
  if (hibernate.error == win::kErrorSuccess && hibernate.type == win::kRegDword) {
    state->hibernateFileSize = platform::DwordOf(hibernate.data);
  }
  for (const auto& write : planned.registryWrites) {
    const auto key = platform::KeyOfPhysicalPath(write.keyPath);
    if (!key) continue;
    const platform::ValueRead read = platform::ReadValue(registry, platform::kHkeyLocalMachine,
                                                         key->subKey, key->view, write.value.name);
    const auto name = RegistryName(write.keyPath, write.value.name);
    if (read.error == win::kErrorSuccess) {
      state->registry[name] = platform::RegistryValue{write.value.name, read.type, read.data};
    } else if (read.error == win::kErrorFileNotFound) {
      state->registry[name] = std::nullopt;
    } else if (state->registry.count(name) == 0) {
      problems->push_back("registry " + Utf16ToUtf8(write.keyPath) + "\\" +
                          Utf16ToUtf8(write.value.name) + ": could not be read (error " +
                          std::to_string(read.error) + ")");
    }
  }
}

// The adapters' power-management properties the commit turned on, as WMI has them now.
void ReadWmi(platform::System& system, const RunRecord& planned, EndState* state,
             std::vector<std::string>* problems) {
  const std::vector<WmiWrite>& writes = planned.wmiWrites;
  if (writes.empty()) return;
  ComSecurity security;
  CWMIClient client(system, security);
  auto unreadable = [&](win::HResult result) {
    state->wmiRead = false;
    problems->push_back(
        IsAccessDenied(result)
            ? "the adapters' WMI power settings (root\\wmi) are for administrators: run verify "
              "from an elevated prompt to check them"
            : "the adapters' WMI power settings could not be read (" + HResultText(result) + ")");
  };
  if (const win::HResult connected = client.Connect(u"\\\\.\\root\\wmi"); connected != win::kSOk) {
    unreadable(connected);
    return;
  }
  for (const auto& write : writes) {
    const WString query = u"SELECT * FROM " + write.className + u" WHERE InstanceName LIKE \"" +
                          WqlPattern(write.instanceName) + u"\"";
    const win::HResult found = client.ExecQuery(query.c_str());
    if (found == win::kWbemSFalse) continue;  // no such instance: not on
    platform::Variant value;
    const win::HResult read =
        found == win::kSOk ? client.CurrentObject().Ref()->Get(write.property, &value) : found;
    if (read != win::kSOk) {
      unreadable(read);
      return;
    }
    if (value.vt == win::kVtBool && value.integer != 0) {
      state->wmiOn.insert(WmiSettingName(write.className, write.instanceName, write.property));
    }
  }
}

}  // namespace

EndState ReadLiveEndState(platform::System& system, const RunRecord& planned,
                          std::vector<std::string>* problems) {
  EndState state;
  state.unreadWhy = "could not be read";
  ReadSchemes(system.power(), planned, &state, problems);
  ReadRegistry(system.registry(), planned, &state, problems);
  ReadWmi(system, planned, &state, problems);
  return state;
}

}  // namespace presetra::cli
