#include <memory>
#include <vector>

#include "platform/win32/handles.h"
#include "platform/win32/system.h"

namespace presetra::win32 {

namespace {

// PROC_THREAD_ATTRIBUTE_HANDLE_LIST: the one handle a child may inherit, whatever else in this
// process (the installer's) is inheritable.
class InheritOnly {
 public:
  explicit InheritOnly(HANDLE handle) : handle_(handle) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    buffer_.resize(size);
    list_ = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(buffer_.data());
    ok_ = InitializeProcThreadAttributeList(list_, 1, 0, &size) &&
          UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &handle_,
                                    sizeof(handle_), nullptr, nullptr);
  }
  InheritOnly(const InheritOnly&) = delete;
  InheritOnly& operator=(const InheritOnly&) = delete;
  ~InheritOnly() {
    if (list_ != nullptr) DeleteProcThreadAttributeList(list_);
  }
  bool ok() const { return ok_; }
  LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

 private:
  HANDLE handle_;
  std::vector<unsigned char> buffer_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
  bool ok_ = false;
};

}  // namespace

static_assert(win::kCreateNoWindow == CREATE_NO_WINDOW);
static_assert(win::kCreateUnicodeEnvironment == CREATE_UNICODE_ENVIRONMENT);

bool Processes::CreateProcess(const platform::ProcessStart& start,
                              platform::ProcessInformation* started) {
  // CreateProcessW may write into the command line, so it gets a copy of its own.
  std::vector<wchar_t> commandLine(start.commandLine.begin(), start.commandLine.end());
  commandLine.push_back(L'\0');
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof(startup.StartupInfo);
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
  startup.StartupInfo.wShowWindow = SW_HIDE;
  DWORD flags = start.creationFlags;
  BOOL inherit = FALSE;
  // The output: an inheritable copy of the file's handle, as standard output and error.
  ScopedHandle output;
  std::unique_ptr<InheritOnly> inheritOnly;
  if (start.output != nullptr) {
    if (!DuplicateHandle(GetCurrentProcess(),
                         reinterpret_cast<HANDLE>(start.output->NativeHandle()),
                         GetCurrentProcess(), output.Receive(), 0, TRUE, DUPLICATE_SAME_ACCESS)) {
      return false;
    }
    inheritOnly = std::make_unique<InheritOnly>(output.get());
    if (!inheritOnly->ok()) return false;
    startup.StartupInfo.cb = sizeof(startup);
    startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdOutput = output.get();
    startup.StartupInfo.hStdError = output.get();
    startup.lpAttributeList = inheritOnly->get();
    flags |= EXTENDED_STARTUPINFO_PRESENT;
    inherit = TRUE;
  }
  PROCESS_INFORMATION info{};
  const wchar_t* application = start.application.empty() ? nullptr : WidePtr(start.application);
  if (!CreateProcessW(application, commandLine.data(), nullptr, nullptr, inherit, flags, nullptr,
                      WidePtr(start.currentFolder), &startup.StartupInfo, &info)) {
    return false;
  }
  started->process = FromNative<platform::ProcessHandle>(info.hProcess);
  started->thread = FromNative<platform::ProcessHandle>(info.hThread);
  return true;
}

win::Dword Processes::WaitForSingleObject(platform::ProcessHandle handle, win::Dword milliseconds) {
  return ::WaitForSingleObject(ToNative<HANDLE>(handle), milliseconds);
}

bool Processes::CloseHandle(platform::ProcessHandle handle) {
  return ::CloseHandle(ToNative<HANDLE>(handle)) != FALSE;
}

platform::LocalTime Clock::Now() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return platform::LocalTime{now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

}  // namespace presetra::win32
