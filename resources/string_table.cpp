#include "resources/string_table.h"

namespace presetra::resources {

std::optional<WString> FindString(std::uint32_t id, std::uint16_t language) {
  const std::uint16_t primary = language & 0x3FF;
  const TableString* best = nullptr;
  int bestRank = 0;
  for (const auto& entry : StringTable()) {
    if (entry.id != id) continue;
    int rank = 0;
    if (entry.language == language) {
      rank = 4;
    } else if (entry.language == primary) {
      rank = 3;
    } else if ((entry.language & 0x3FF) == primary) {
      rank = 2;
    } else if (entry.language == 1033) {
      rank = 1;
    }
    if (rank > bestRank) {
      best = &entry;
      bestRank = rank;
    }
  }
  if (best == nullptr) return std::nullopt;
  return WString(best->text);
}

}  // namespace presetra::resources
