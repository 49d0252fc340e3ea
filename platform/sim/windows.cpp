#include "platform/sim/windows.h"

#include <utility>

namespace presetra::sim {

const Windows::Window* Windows::Find(platform::Hwnd handle) const {
  for (const auto& window : windows_) {
    if (window.handle == handle) return &window;
  }
  return nullptr;
}

platform::Hwnd Windows::FindWindow(WStringView className, const WString* title) {
  if (faults_.ShouldFail(Call::kFindWindow)) return platform::Hwnd();
  for (const auto& window : windows_) {
    if (!window.parent && EqualsIgnoringCase(window.className, className) &&
        (title == nullptr || window.title == *title)) {
      return window.handle;
    }
  }
  return platform::Hwnd();
}

void Windows::EnumChildWindows(platform::Hwnd parent,
                               const std::function<bool(platform::Hwnd)>& visit) {
  // Depth first, each child followed by its own children, as Windows enumerates them.
  std::function<bool(platform::Hwnd)> walk = [&](platform::Hwnd of) {
    for (const auto& window : windows_) {
      if (window.parent != of) continue;
      if (!visit(window.handle)) return false;
      if (!walk(window.handle)) return false;
    }
    return true;
  };
  walk(parent);
}

bool Windows::GetClientRect(platform::Hwnd window, platform::Rect* rect) {
  if (faults_.ShouldFail(Call::kGetClientRect)) return false;
  const Window* found = Find(window);
  if (found == nullptr) return false;
  *rect = found->client;
  return true;
}

Windows::Window* Windows::Find(platform::Hwnd handle) {
  return const_cast<Window*>(std::as_const(*this).Find(handle));
}

bool Windows::SendSetText(platform::Hwnd window, WStringView text, win::Dword timeoutMs) {
  if (faults_.ShouldFail(Call::kSendMessage)) return false;
  Window* found = Find(window);
  if (found == nullptr) return false;
  if (found->hung) {
    // A window that does not answer costs the whole time-out: SMTO_ABORTIFHUNG gives up
    // sooner only once Windows counts its thread as hung.
    clock_.Advance(timeoutMs);
    return false;
  }
  found->texts.emplace_back(text);
  return true;
}

void Windows::Hang(platform::Hwnd window) {
  if (Window* found = Find(window)) found->hung = true;
}

platform::Hwnd Windows::Create(WStringView className, WStringView title, platform::Rect client,
                               platform::Hwnd parent) {
  const platform::Hwnd handle(0x10010 + windows_.size() * 2);
  windows_.push_back(Window{handle, parent, WString(className), WString(title), client, {}});
  return handle;
}

std::vector<WString> Windows::TextsOf(platform::Hwnd window) const {
  const Window* found = Find(window);
  return found != nullptr ? found->texts : std::vector<WString>{};
}

}  // namespace presetra::sim
