// powercfg.exe for Wine, which has none: Windows' command lines carried out by the same
// interpreter the simulated machine runs, against schemes kept in the registry as Windows
// keeps them. "/presetra-describe" prints the view the presetra tool prints with --schemes.
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/emulation/powercfg/describe.h"
#include "power/power_scheme.h"
#include "tools/wine/registry_scheme_store.h"

namespace {

using presetra::WString;

// Indirect strings resolve from the module they name, as Windows resolves scheme names.
std::optional<WString> LoadModuleString(presetra::WStringView file, std::uint32_t id) {
  WString path(file);
  HMODULE module = LoadLibraryExW(reinterpret_cast<const wchar_t*>(path.c_str()), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE);
  if (module == nullptr) return std::nullopt;
  const wchar_t* text = nullptr;
  int length = LoadStringW(module, id, reinterpret_cast<wchar_t*>(&text), 0);
  std::optional<WString> result;
  if (length > 0) result = WString(reinterpret_cast<const char16_t*>(text), length);
  FreeLibrary(module);
  return result;
}

std::optional<WString> PreferredPlan() {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE,
                    reinterpret_cast<const wchar_t*>(presetra::kPreferredPlanKey), 0,
                    KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  wchar_t buffer[128] = {};
  DWORD size = sizeof(buffer) - sizeof(wchar_t);
  DWORD type = 0;
  LONG result = RegQueryValueExW(key, L"PreferredPlan", nullptr, &type,
                                 reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
  return WString(reinterpret_cast<const char16_t*>(buffer));
}

// The command line after the program name, exactly as given.
presetra::WStringView Arguments() {
  presetra::WStringView line(reinterpret_cast<const char16_t*>(GetCommandLineW()));
  std::size_t i = 0;
  if (!line.empty() && line[0] == u'"') {
    i = line.find(u'"', 1);
    i = i == presetra::WStringView::npos ? line.size() : i + 1;
  } else {
    while (i < line.size() && line[i] != u' ' && line[i] != u'\t') ++i;
  }
  if (i < line.size()) ++i;
  return line.substr(std::min(i, line.size()));
}

}  // namespace

int main() {
  presetra::wine::RegistrySchemeStore store;
  presetra::WStringView arguments = Arguments();
  if (arguments == u"/presetra-describe") {
    std::string text =
        presetra::powercfg::DescribeSchemes(store, LoadModuleString, PreferredPlan());
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }
  auto outcome = presetra::powercfg::Execute(store, arguments, LoadModuleString);
  std::fwrite(outcome.output.data(), 1, outcome.output.size(), stdout);
  return outcome.exitCode;
}
