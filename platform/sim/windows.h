#pragma once

#include <string>
#include <vector>

#include "platform/sim/clock.h"
#include "platform/sim/faults.h"
#include "platform/ui.h"

namespace presetra::sim {

// Top-level windows and their children, with the text each was last given.
class Windows : public platform::Windows {
 public:
  Windows(Faults& faults, Clock& clock) : faults_(faults), clock_(clock) {}

  platform::Hwnd FindWindow(WStringView className, const WString* title) override;
  void EnumChildWindows(platform::Hwnd parent,
                        const std::function<bool(platform::Hwnd)>& visit) override;
  bool GetClientRect(platform::Hwnd window, platform::Rect* rect) override;
  bool SendSetText(platform::Hwnd window, WStringView text, win::Dword timeoutMs) override;

  // Makes a window; no parent for a top-level one.
  platform::Hwnd Create(WStringView className, WStringView title, platform::Rect client,
                        platform::Hwnd parent = platform::Hwnd());
  // A window whose thread no longer pumps messages: a message sent to it is never answered.
  void Hang(platform::Hwnd window);
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
    bool hung = false;
  };
  const Window* Find(platform::Hwnd handle) const;

  Window* Find(platform::Hwnd handle);

  Faults& faults_;
  Clock& clock_;
  std::vector<Window> windows_;
};

}  // namespace presetra::sim
