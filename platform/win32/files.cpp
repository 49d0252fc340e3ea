#include "platform/win32/handles.h"
#include "platform/win32/system.h"

// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>

namespace presetra::win32 {

namespace {

// Full control for SYSTEM and Administrators, read and execute (0x1200a9) for Users, inherited
// by every folder and file below; "P": nothing above is inherited.
constexpr wchar_t kProtectedFolderAcl[] =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
// NT SERVICE\TrustedInstaller.
constexpr wchar_t kTrustedInstallerSid[] =
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

bool IsCaller(PSID sid) {
  ScopedHandle token;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive())) return false;
  alignas(TOKEN_USER) unsigned char buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
  DWORD size = 0;
  if (!GetTokenInformation(token.get(), TokenUser, buffer, sizeof(buffer), &size)) return false;
  return EqualSid(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, sid) != FALSE;
}

platform::Owner OwnerOf(HANDLE handle) {
  PSID owner = nullptr;
  ScopedLocal<PSECURITY_DESCRIPTOR> descriptor;
  if (GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr,
                      nullptr, descriptor.Receive()) != ERROR_SUCCESS ||
      owner == nullptr) {
    return platform::Owner::kUnknown;
  }
  if (IsWellKnownSid(owner, WinLocalSystemSid)) return platform::Owner::kSystem;
  if (IsWellKnownSid(owner, WinBuiltinAdministratorsSid)) return platform::Owner::kAdministrators;
  ScopedLocal<PSID> trustedInstaller;
  if (ConvertStringSidToSidW(kTrustedInstallerSid, trustedInstaller.Receive()) &&
      EqualSid(owner, trustedInstaller.get())) {
    return platform::Owner::kTrustedInstaller;
  }
  return IsCaller(owner) ? platform::Owner::kCaller : platform::Owner::kOther;
}

// What the handle is; the owner only where asked for (it needs READ_CONTROL).
platform::FileFacts FactsOf(HANDLE handle, bool withOwner) {
  platform::FileFacts facts;
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileInformationByHandle(handle, &info)) {
    facts.reparsePoint = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    facts.linkCount = info.nNumberOfLinks;
  }
  wchar_t path[MAX_PATH + 8] = {};
  DWORD length = GetFinalPathNameByHandleW(handle, path, MAX_PATH + 8, FILE_NAME_NORMALIZED);
  if (length > 0 && length < MAX_PATH + 8) {
    WString text = FromWide(path, length);
    if (text.rfind(u"\\\\?\\", 0) == 0) text.erase(0, 4);
    facts.finalPath = text;
  }
  if (withOwner) facts.owner = OwnerOf(handle);
  return facts;
}

// A file opened for appending only: every write lands at the end, also when another program
// appends to the same file between our lines.
class AppendFile : public platform::AppendFile {
 public:
  AppendFile(HANDLE file, std::uint64_t size)
      : file_(file), size_(size), facts_(FactsOf(file, false)) {}

  std::uint64_t SizeAtOpen() const override { return size_; }
  bool Append(const std::uint8_t* data, std::size_t size) override {
    DWORD written = 0;
    return WriteFile(file_.get(), data, static_cast<DWORD>(size), &written, nullptr) &&
           written == size;
  }
  const platform::FileFacts& Facts() const override { return facts_; }
  std::uintptr_t NativeHandle() const override {
    return reinterpret_cast<std::uintptr_t>(file_.get());
  }

 private:
  ScopedHandle file_;
  std::uint64_t size_;
  platform::FileFacts facts_;
};

class HeldFolder : public platform::HeldFolder {
 public:
  explicit HeldFolder(HANDLE folder) : folder_(folder), facts_(FactsOf(folder, true)) {}
  const platform::FileFacts& Facts() const override { return facts_; }

 private:
  ScopedHandle folder_;
  platform::FileFacts facts_;
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
  ScopedLocal<PSECURITY_DESCRIPTOR> descriptor;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kProtectedFolderAcl, SDDL_REVISION_1,
                                                            descriptor.Receive(), nullptr)) {
    return false;
  }
  SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor.get(), FALSE};
  return CreateDirectoryW(WidePtr(text), &attributes) != FALSE;
}

std::unique_ptr<platform::HeldFolder> FileSystem::HoldFolder(WStringView path) {
  WString text(path);
  // No FILE_SHARE_DELETE: while this handle lives, nobody can rename or delete the folder.
  ScopedHandle folder(CreateFileW(
      WidePtr(text), READ_CONTROL | FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!folder) return nullptr;
  return std::make_unique<HeldFolder>(folder.Release());
}

std::unique_ptr<platform::AppendFile> FileSystem::OpenForAppend(WStringView path) {
  WString text(path);
  ScopedHandle file(CreateFileW(WidePtr(text),
                                FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size)) return nullptr;
  return std::make_unique<AppendFile>(file.Release(), static_cast<std::uint64_t>(size.QuadPart));
}

}  // namespace presetra::win32
