#include "machine/scheme_laying.h"

#include <algorithm>

namespace presetra::machine {

namespace {

// Lays the image as LayImage does, without what PrepareImage laid.
void LayImageAnew(powercfg::SchemeStore& store, const WindowsImage& image) {
  for (const WString& guid : store.Guids()) {
    const bool kept = std::any_of(
        image.schemes.begin(), image.schemes.end(),
        [&](const WindowsScheme& entry) { return EqualsIgnoringCase(entry.guid, guid); });
    if (!kept) store.Remove(guid);
  }
  LaySchemes(store, image.schemes);
  if (image.activeScheme && store.Contains(*image.activeScheme)) {
    store.SetActive(*image.activeScheme);
  }
}

}  // namespace

void LaySchemes(powercfg::SchemeStore& store, const std::vector<WindowsScheme>& listed) {
  const std::optional<powercfg::Scheme> balanced = store.Find(powercfg::kBalanced);
  for (const auto& entry : listed) {
    std::optional<powercfg::Scheme> scheme = store.Find(entry.guid);
    if (!scheme) {
      scheme = balanced.value_or(powercfg::Scheme{});
      scheme->guid = entry.guid;
      scheme->name = entry.guid;
      scheme->description.clear();
    }
    if (entry.name) scheme->name = *entry.name;
    for (const auto& [key, setting] : entry.settings) {
      powercfg::AcDc& values = scheme->values[key];
      values.ac = setting.ac;
      values.dc = setting.dc;
    }
    store.Put(*scheme);
  }
}

void LayImage(powercfg::SchemeStore& store, const WindowsImage& image) {
  auto laid = std::find_if(image.laid.begin(), image.laid.end(),
                           [&](const LaidImage& each) { return each.role == store.Role(); });
  if (laid == image.laid.end()) {
    LayImageAnew(store, image);
    return;
  }
  // Copies of the laid schemes share their values until one of them changes.
  for (const WString& guid : store.Guids()) store.Remove(guid);
  for (const auto& scheme : laid->schemes) store.Put(scheme);
  store.SetActive(laid->active);
}

void PrepareImage(WindowsImage& image) {
  image.laid.clear();
  for (powercfg::PlatformRole role :
       {powercfg::PlatformRole::kMobile, powercfg::PlatformRole::kDesktop}) {
    powercfg::MemorySchemeStore store(role);
    LayImageAnew(store, image);
    image.laid.push_back(LaidImage{role, store.TakeSchemes(), store.Active()});
  }
}

}  // namespace presetra::machine
