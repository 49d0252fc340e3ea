#include "platform/win32/handles.h"
#include "platform/win32/system.h"

namespace presetra::win32 {

namespace {

// A file opened for appending only: every write lands at the end, also when another program
// appends to the same file between our lines.
class AppendFile : public platform::AppendFile {
 public:
  AppendFile(HANDLE file, std::uint64_t size) : file_(file), size_(size) {}
  AppendFile(const AppendFile&) = delete;
  AppendFile& operator=(const AppendFile&) = delete;
  ~AppendFile() override { ::CloseHandle(file_); }

  std::uint64_t SizeAtOpen() const override { return size_; }
  bool Append(const std::uint8_t* data, std::size_t size) override {
    DWORD written = 0;
    return WriteFile(file_, data, static_cast<DWORD>(size), &written, nullptr) && written == size;
  }

 private:
  HANDLE file_;
  std::uint64_t size_;
};

}  // namespace

bool FileSystem::PathFileExists(WStringView path) {
  WString text(path);
  return PathFileExistsW(WidePtr(text)) == TRUE;
}

bool FileSystem::PathIsRelative(WStringView path) {
  WString text(path);
  return PathIsRelativeW(WidePtr(text)) == TRUE;
}

bool FileSystem::CreateDirectory(WStringView path) {
  WString text(path);
  return CreateDirectoryW(WidePtr(text), nullptr) != FALSE;
}

std::unique_ptr<platform::AppendFile> FileSystem::OpenForAppend(WStringView path) {
  WString text(path);
  HANDLE file =
      CreateFileW(WidePtr(text), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size)) {
    ::CloseHandle(file);
    return nullptr;
  }
  return std::make_unique<AppendFile>(file, static_cast<std::uint64_t>(size.QuadPart));
}

}  // namespace presetra::win32
