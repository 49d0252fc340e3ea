// Shell folders and the version and language facts of the running Windows.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/text.h"
#include "platform/win_constants.h"

namespace presetra::platform {

class Shell {
 public:
  virtual ~Shell() = default;
  // SHGetFolderPathW(no window, csidl, no token, SHGFP_TYPE_DEFAULT) into a buffer of
  // `bufferChars` characters. On failure *path is left unchanged.
  [[nodiscard]] virtual win::HResult GetFolderPath(int csidl, std::size_t bufferChars,
                                                   WString* path) = 0;
  // GetVersionExW: false when it fails.
  [[nodiscard]] virtual bool GetVersion(win::Dword* major, win::Dword* minor) = 0;
  // GetSystemDefaultUILanguage.
  [[nodiscard]] virtual std::uint16_t GetSystemDefaultUILanguage() = 0;
  // LoadStringW of this module's string table, in the language the resource look-up selects
  // for the calling thread. Empty when the module has no such string.
  [[nodiscard]] virtual std::optional<WString> LoadModuleString(std::uint32_t id) = 0;
};

}  // namespace presetra::platform
