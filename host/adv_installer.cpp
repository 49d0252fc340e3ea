#include "host/app_installer.h"
#include "host/installer.h"

namespace presetra {

namespace {
constexpr char16_t kDialogClass[] = u"MsiDialogCloseClass";
constexpr platform::Rect kStatusLabelClientArea{0, 0, 340, 13};
// The status line is a courtesy to the person at the dialog: a dialog that does not take the
// text within a second is not waited for, now or later.
constexpr win::Dword kStatusTextTimeoutMs = 1000;
}  // namespace

CAdvInstaller::~CAdvInstaller() = default;

int CAdvInstaller::RunCommand(const platform::ProcessStart& start, const WString& statusText) {
  SetStatusText(statusText);
  return CMSIInstaller::RunCommand(start, statusText);
}

int CAdvInstaller::Commit() {
  CAppInstaller* application = Module().application;
  if (application != nullptr) application->Attach(this);
  CMSIInstaller::Commit();
  (void)FindStatusLabel();
  return application != nullptr ? application->Install() : 0;
}

int CAdvInstaller::Uninstall() {
  CAppInstaller* application = Module().application;
  if (application != nullptr) application->Attach(this);
  CMSIInstaller::Commit();
  return application != nullptr ? application->Uninstall() : 0;
}

void CAdvInstaller::SetStatusText(const WString& text) {
  if (!statusLabel_) return;
  if (!System().windows().SendSetText(statusLabel_, text, kStatusTextTimeoutMs)) {
    statusLabel_ = platform::Hwnd();
  }
}

bool CAdvInstaller::FindStatusLabel() {
  statusLabel_ = platform::Hwnd();
  platform::Windows& windows = System().windows();
  const WString title = GetProductName() + u" Setup";
  platform::Hwnd dialog = windows.FindWindow(kDialogClass, &title);
  if (!dialog) dialog = windows.FindWindow(kDialogClass, nullptr);
  if (dialog) {
    windows.EnumChildWindows(dialog, [&](platform::Hwnd child) {
      platform::Rect client;
      if (windows.GetClientRect(child, &client) && client == kStatusLabelClientArea) {
        statusLabel_ = child;
        return false;
      }
      return true;
    });
  }
  return static_cast<bool>(statusLabel_);
}

}  // namespace presetra
