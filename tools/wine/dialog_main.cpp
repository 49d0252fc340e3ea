// Stands in for the installer's progress dialog in the end-to-end test: a top-level window of
// class "MsiDialogCloseClass" titled "Presetra Setup" with a 340 x 13 status control. Every
// text the control receives is appended to a file, one line each, as UTF-8.
//   presetra-dialog.exe TEXTS_FILE READY_FILE
// Runs until the window is closed or the process is ended; writes READY_FILE once it pumps.
#include <windows.h>

#include <string>

namespace {

std::wstring g_textsFile;
WNDPROC g_staticProc = nullptr;

void Append(const wchar_t* text) {
  HANDLE file = CreateFileW(g_textsFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(bytes > 0 ? bytes - 1 : 0, '\0');
  if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), bytes, nullptr, nullptr);
  utf8 += '\n';
  DWORD written = 0;
  WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
  CloseHandle(file);
}

LRESULT CALLBACK StatusProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_SETTEXT && lParam != 0) Append(reinterpret_cast<const wchar_t*>(lParam));
  return CallWindowProcW(g_staticProc, window, message, wParam, lParam);
}

LRESULT CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc != 3) return 2;
  g_textsFile = argv[1];

  WNDCLASSW dialogClass{};
  dialogClass.lpfnWndProc = DialogProc;
  dialogClass.hInstance = instance;
  dialogClass.lpszClassName = L"MsiDialogCloseClass";
  RegisterClassW(&dialogClass);
  HWND dialog = CreateWindowExW(0, L"MsiDialogCloseClass", L"Presetra Setup", WS_OVERLAPPEDWINDOW,
                                0, 0, 500, 380, nullptr, nullptr, instance, nullptr);
  HWND status = CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 20, 200, 340, 13, dialog,
                                nullptr, instance, nullptr);
  g_staticProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(status, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StatusProc)));
  ShowWindow(dialog, SW_SHOW);

  HANDLE ready = CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  CloseHandle(ready);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
