#include "cli/run/file_output.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include "platform/text.h"
#else
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#endif

namespace presetra::cli {

namespace {

// A name beside the target that nobody else uses now: the process and a count.
std::string NewNameBeside(const std::string& path) {
  static std::atomic<unsigned> count{0};
#ifdef _WIN32
  const unsigned long process = GetCurrentProcessId();
#else
  const unsigned long process = static_cast<unsigned long>(getpid());
#endif
  return path + ".new-" + std::to_string(process) + "-" + std::to_string(++count);
}

#ifdef _WIN32
std::string SystemMessage(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message = length == 0
                            ? "error " + std::to_string(error)
                            : Utf16ToUtf8(WString(reinterpret_cast<char16_t*>(text), length));
  LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message;
}

std::wstring Wide(const std::string& text) {
  const WString wide = Utf8ToUtf16(text);
  return std::wstring(wide.begin(), wide.end());
}
#endif

}  // namespace

std::string WriteFileAtomically(const std::string& path, const std::string& bytes) {
  const std::string temporary = NewNameBeside(path);
#ifdef _WIN32
  const std::wstring wideTemporary = Wide(temporary);
  // CREATE_NEW: whatever is already at the new name, a planted link among it, is not opened.
  HANDLE file = CreateFileW(wideTemporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return SystemMessage(GetLastError());
  DWORD written = 0;
  const bool wrote =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
      written == bytes.size() && FlushFileBuffers(file);
  const DWORD writeError = GetLastError();
  CloseHandle(file);
  if (!wrote || !MoveFileExW(wideTemporary.c_str(), Wide(path).c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = wrote ? GetLastError() : writeError;
    DeleteFileW(wideTemporary.c_str());
    return SystemMessage(error);
  }
  return std::string();
#else
  // O_EXCL with O_CREAT: a link at the new name fails the open rather than being followed.
  const int file = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (file < 0) return std::strerror(errno);
  std::size_t done = 0;
  int error = 0;
  while (done < bytes.size()) {
    const ssize_t written = write(file, bytes.data() + done, bytes.size() - done);
    if (written < 0) {
      if (errno == EINTR) continue;
      error = errno;
      break;
    }
    done += static_cast<std::size_t>(written);
  }
  if (error == 0 && fsync(file) != 0) error = errno;
  if (close(file) != 0 && error == 0) error = errno;
  // rename replaces the name itself, a link at it included.
  if (error == 0 && std::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    unlink(temporary.c_str());
    return std::strerror(error);
  }
  return std::string();
#endif
}

}  // namespace presetra::cli
