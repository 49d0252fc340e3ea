#pragma once

#include <functional>

#include "platform/shell.h"
#include "platform/sim/faults.h"

namespace presetra::sim {

class Shell : public platform::Shell {
 public:
  explicit Shell(Faults& faults) : faults_(faults) {}

  win::HResult GetFolderPath(int csidl, std::size_t bufferChars, WString* path) override;
  bool GetVersion(win::Dword* major, win::Dword* minor) override;
  std::uint16_t GetSystemDefaultUILanguage() override { return uiLanguage_; }
  std::uint16_t UiLanguage() const { return uiLanguage_; }
  std::optional<WString> LoadModuleString(std::uint32_t id) override;

  WString systemFolder = u"C:\\Windows\\system32";
  // CSIDL_SYSTEM and CSIDL_PROGRAM_FILES as the calling process sees them (the 32-bit
  // program-files folder by default). An empty one is a folder Windows cannot find.
  WString programFilesFolder = u"C:\\Program Files (x86)";
  void SetUiLanguage(std::uint16_t language) { uiLanguage_ = language; }
  // The module's string table: the text of an ID in a language, if the module has it.
  using StringTable = std::function<std::optional<WString>(std::uint32_t id, std::uint16_t lang)>;
  void SetStringTable(StringTable table) { strings_ = std::move(table); }

 private:
  Faults& faults_;
  std::uint16_t uiLanguage_ = 1033;
  StringTable strings_;
};

}  // namespace presetra::sim
