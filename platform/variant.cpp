#include "platform/variant.h"

namespace presetra::platform {

Variant Variant::BstrArray(const std::vector<std::optional<WString>>& values) {
  Variant v;
  v.vt = win::kVtArray | win::kVtBstr;
  v.array = std::make_shared<SafeArray>();
  v.array->elementType = win::kVtBstr;
  v.array->bounds.push_back({0, static_cast<std::uint32_t>(values.size())});
  for (const auto& value : values) v.array->elements.push_back(Variant::Bstr(value));
  return v;
}

}  // namespace presetra::platform
