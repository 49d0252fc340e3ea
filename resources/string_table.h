// The module's string table: scheme names and the description, in 32 languages. Built from
// resources/strings.tsv, which is also what windres compiles into the DLL.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/text.h"

namespace presetra::resources {

struct TableString {
  std::uint16_t language;
  std::uint32_t id;
  const char16_t* text;
};

const std::vector<TableString>& StringTable();

// What a resource look-up in `language` finds for `id`: the exact language, else the neutral
// form of its primary language, else any form of it, else US English.
std::optional<WString> FindString(std::uint32_t id, std::uint16_t language);

}  // namespace presetra::resources
