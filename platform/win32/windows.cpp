#include "platform/win32/handles.h"
#include "platform/win32/system.h"

namespace presetra::win32 {

namespace {
BOOL CALLBACK VisitChild(HWND child, LPARAM context) {
  const auto& visit = *reinterpret_cast<const std::function<bool(platform::Hwnd)>*>(context);
  return visit(FromNative<platform::Hwnd>(child)) ? TRUE : FALSE;
}
}  // namespace

platform::Hwnd Windows::FindWindow(WStringView className, const WString* title) {
  WString name(className);
  HWND found = FindWindowW(WidePtr(name), title ? WidePtr(*title) : nullptr);
  return FromNative<platform::Hwnd>(found);
}

void Windows::EnumChildWindows(platform::Hwnd parent,
                               const std::function<bool(platform::Hwnd)>& visit) {
  ::EnumChildWindows(ToNative<HWND>(parent), VisitChild, reinterpret_cast<LPARAM>(&visit));
}

bool Windows::GetClientRect(platform::Hwnd window, platform::Rect* rect) {
  RECT client{};
  if (!::GetClientRect(ToNative<HWND>(window), &client)) return false;
  *rect = platform::Rect{client.left, client.top, client.right, client.bottom};
  return true;
}

bool Windows::SendSetText(platform::Hwnd window, WStringView text, win::Dword timeoutMs) {
  WString copy(text);
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(ToNative<HWND>(window), WM_SETTEXT, 0,
                             reinterpret_cast<LPARAM>(WidePtr(copy)), SMTO_ABORTIFHUNG, timeoutMs,
                             &result) != 0;
}

}  // namespace presetra::win32
