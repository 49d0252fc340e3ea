// Prints registry values of the 64-bit view, one line each, for the end-to-end comparison.
//   presetra-regread.exe LIST   (LIST: "key<TAB>value name" lines, keys as physical paths)
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "machine/layout.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::ifstream list(argv[1], std::ios::binary);
  std::string out;
  for (std::string line; std::getline(list, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    presetra::WString key = presetra::Utf8ToUtf16(line.substr(0, tab));
    presetra::WString name = presetra::Utf8ToUtf16(line.substr(tab + 1));
    presetra::WString subKey = key.substr(key.find(u'\\') + 1);
    HKEY handle = nullptr;
    std::optional<std::uint32_t> type;
    std::vector<std::uint8_t> data;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<const wchar_t*>(subKey.c_str()), 0,
                      KEY_READ | KEY_WOW64_64KEY, &handle) == ERROR_SUCCESS) {
      DWORD valueType = 0;
      DWORD size = 0;
      const auto* valueName = reinterpret_cast<const wchar_t*>(name.c_str());
      if (RegQueryValueExW(handle, valueName, nullptr, &valueType, nullptr, &size) ==
          ERROR_SUCCESS) {
        data.resize(size);
        RegQueryValueExW(handle, valueName, nullptr, nullptr, data.data(), &size);
        data.resize(size);
        type = valueType;
      }
      RegCloseKey(handle);
    }
    out += presetra::machine::ValueLine(key, name, type, data);
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return 0;
}
