#pragma once

#include <string>
#include <vector>

#include "platform/sim/faults.h"
#include "platform/ui.h"

namespace presetra::sim {

// Top-level windows and their children, with the text each was last given.
class Windows : public platform::Windows {
 public:
  explicit Windows(Faults& faults) : faults_(faults) {}

  platform::Hwnd FindWindow(WStringView className, const WString* title) override;
  void EnumChildWindows(platform::Hwnd parent,
                        const std::function<bool(platform::Hwnd)>& visit) override;
  bool GetClientRect(platform::Hwnd window, platform::Rect* rect) override;
  std::intptr_t SendSetText(platform::Hwnd window, WStringView text) override;

  // Makes a window; parent 0 for a top-level one.
  platform::Hwnd Create(WStringView className, WStringView title, platform::Rect client,
                        platform::Hwnd parent = 0);
  // Every text the window was given, in order.
  std::vector<WString> TextsOf(platform::Hwnd window) const;

 private:
  struct Window {
    platform::Hwnd handle;
    platform::Hwnd parent;
    WString className;
    WString title;
    platform::Rect client;
    std::vector<WString> texts;
  };
  const Window* Find(platform::Hwnd handle) const;

  Faults& faults_;
  std::vector<Window> windows_;
};

}  // namespace presetra::sim
