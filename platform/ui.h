// Top-level and child windows of the desktop.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/handle.h"
#include "platform/text.h"
#include "platform/win_constants.h"

namespace presetra::platform {

// A window; 0 is none.
using Hwnd = TypedHandle<struct WindowKind>;

struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const Rect&, const Rect&) = default;
};

class Windows {
 public:
  virtual ~Windows() = default;
  // FindWindowW. A null title matches any title. 0 when there is none.
  [[nodiscard]] virtual Hwnd FindWindow(WStringView className, const WString* title) = 0;
  // EnumChildWindows: every descendant, depth first, until `visit` returns false.
  virtual void EnumChildWindows(Hwnd parent, const std::function<bool(Hwnd)>& visit) = 0;
  // GetClientRect. On failure *rect is left unchanged.
  [[nodiscard]] virtual bool GetClientRect(Hwnd window, Rect* rect) = 0;
  // SendMessageTimeoutW(window, WM_SETTEXT, 0, text, SMTO_ABORTIFHUNG, timeoutMs): true when
  // the window took the text; false when it is hung, does not answer within the time, or is
  // gone. Never waits longer than timeoutMs.
  [[nodiscard]] virtual bool SendSetText(Hwnd window, WStringView text, win::Dword timeoutMs) = 0;
};

}  // namespace presetra::platform
