#include "platform/win32/handles.h"
#include "platform/win32/system.h"

// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>
#include <winternl.h>

namespace presetra::win32 {

namespace {

// Full control for SYSTEM and Administrators, read and execute (0x1200a9) for Users, inherited
// by every folder and file below; "P": nothing above is inherited.
constexpr wchar_t kProtectedFolderAcl[] =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
// The same for a file the library makes, with nothing to hand down.
constexpr wchar_t kProtectedFileAcl[] = L"D:P(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";
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

platform::Owner OwnerFromSid(PSID owner) {
  if (IsWellKnownSid(owner, WinLocalSystemSid)) return platform::Owner::kSystem;
  if (IsWellKnownSid(owner, WinBuiltinAdministratorsSid)) return platform::Owner::kAdministrators;
  ScopedLocal<PSID> trustedInstaller;
  if (ConvertStringSidToSidW(kTrustedInstallerSid, trustedInstaller.Receive()) &&
      EqualSid(owner, trustedInstaller.get())) {
    return platform::Owner::kTrustedInstaller;
  }
  return IsCaller(owner) ? platform::Owner::kCaller : platform::Owner::kOther;
}

// Whether an allowing entry of the access list, for anyone but the system's accounts and the
// owner, lets them add to the folder, delete it, or write its attributes (and so make it a
// junction). A missing list lets everyone do everything.
bool OthersMayChange(PACL dacl, PSID owner) {
  if (dacl == nullptr) return true;
  constexpr ACCESS_MASK kChanging = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_WRITE_ATTRIBUTES |
                                    DELETE | FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER |
                                    GENERIC_WRITE | GENERIC_ALL;
  ScopedLocal<PSID> trustedInstaller;
  (void)ConvertStringSidToSidW(kTrustedInstallerSid, trustedInstaller.Receive());
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(dacl, i, &entry)) return true;
    const auto* header = static_cast<const ACE_HEADER*>(entry);
    if (header->AceType != ACCESS_ALLOWED_ACE_TYPE || (header->AceFlags & INHERIT_ONLY_ACE) != 0) {
      continue;
    }
    const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    PSID sid = const_cast<DWORD*>(&allowed->SidStart);
    if (IsWellKnownSid(sid, WinLocalSystemSid) ||
        IsWellKnownSid(sid, WinBuiltinAdministratorsSid) ||
        IsWellKnownSid(sid, WinCreatorOwnerSid) || (owner != nullptr && EqualSid(sid, owner)) ||
        (trustedInstaller.get() != nullptr && EqualSid(sid, trustedInstaller.get()))) {
      continue;
    }
    if ((allowed->Mask & kChanging) != 0) return true;
  }
  return false;
}

// The owner, and for a folder whether others may change it; both need READ_CONTROL.
void ReadSecurity(HANDLE handle, bool folder, platform::FileFacts& facts) {
  PSID owner = nullptr;
  PACL dacl = nullptr;
  ScopedLocal<PSECURITY_DESCRIPTOR> descriptor;
  if (GetSecurityInfo(handle, SE_FILE_OBJECT,
                      OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner, nullptr,
                      &dacl, nullptr, descriptor.Receive()) != ERROR_SUCCESS) {
    facts.owner = platform::Owner::kUnknown;
    facts.othersMayChange = folder;
    return;
  }
  facts.owner = owner == nullptr ? platform::Owner::kUnknown : OwnerFromSid(owner);
  facts.othersMayChange = folder && OthersMayChange(dacl, owner);
}

// What the handle is, its owner among it.
platform::FileFacts FactsOf(HANDLE handle, bool folder) {
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
  ReadSecurity(handle, folder, facts);
  return facts;
}

// NtCreateFile, found in ntdll (loaded in every process) when first needed: only it opens a
// name relative to a folder's handle, which no junction on the way can re-point.
using NtCreateFileFunction = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES,
                                              PIO_STATUS_BLOCK, PLARGE_INTEGER, ULONG, ULONG, ULONG,
                                              ULONG, PVOID, ULONG);

NtCreateFileFunction NtCreateFileAddress() {
  static const NtCreateFileFunction function = [] {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll == nullptr ? nullptr
                            : reinterpret_cast<NtCreateFileFunction>(
                                  reinterpret_cast<void*>(GetProcAddress(ntdll, "NtCreateFile")));
  }();
  return function;
}

// Opens `name` in the folder `parent` without following a link at the name, making it with
// `acl` when `create` and it is missing. Null when it cannot be opened.
HANDLE OpenRelative(HANDLE parent, WStringView name, ACCESS_MASK access, ULONG share, bool create,
                    ULONG options, const wchar_t* acl) {
  NtCreateFileFunction ntCreateFile = NtCreateFileAddress();
  if (ntCreateFile == nullptr || name.empty() || name.size() > 255 ||
      name.find_first_of(u"\\/") != WStringView::npos) {
    return nullptr;
  }
  ScopedLocal<PSECURITY_DESCRIPTOR> descriptor;
  if (create && !ConvertStringSecurityDescriptorToSecurityDescriptorW(
                    acl, SDDL_REVISION_1, descriptor.Receive(), nullptr)) {
    return nullptr;
  }
  WString text(name);
  UNICODE_STRING unicodeName;
  unicodeName.Buffer = const_cast<wchar_t*>(WidePtr(text));
  unicodeName.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
  unicodeName.MaximumLength = unicodeName.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &unicodeName, OBJ_CASE_INSENSITIVE, parent,
                             descriptor.get());
  IO_STATUS_BLOCK status{};
  HANDLE handle = nullptr;
  if (ntCreateFile(&handle, access, &attributes, &status, nullptr, FILE_ATTRIBUTE_NORMAL, share,
                   create ? FILE_OPEN_IF : FILE_OPEN,
                   options | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr,
                   0) < 0) {
    return nullptr;
  }
  return handle;
}

// Listing the folder is data access: only with it does its share mode bind other openers
// (MS-FSA 2.1.5.1.2.2). Sharing reading alone, nobody can open it to add to it, rename it or
// delete it while it is held, and anyone who has it open so already keeps it from being held.
constexpr ACCESS_MASK kHoldAccess =
    FILE_LIST_DIRECTORY | FILE_TRAVERSE | READ_CONTROL | FILE_READ_ATTRIBUTES | SYNCHRONIZE;

// A file opened for appending only: every write lands at the end. It shares nothing, so no
// reader can lock a range of it and make an append fail.
class AppendFile : public platform::AppendFile {
 public:
  AppendFile(HANDLE file, std::uint64_t size)
      : file_(file), size_(size), facts_(FactsOf(file, /*folder=*/false)) {}

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
  explicit HeldFolder(HANDLE folder) : folder_(folder), facts_(FactsOf(folder, /*folder=*/true)) {}
  const platform::FileFacts& Facts() const override { return facts_; }

  std::unique_ptr<platform::HeldFolder> HoldFolder(WStringView name, bool create) override {
    HANDLE folder = OpenRelative(folder_.get(), name, kHoldAccess, FILE_SHARE_READ, create,
                                 FILE_DIRECTORY_FILE, kProtectedFolderAcl);
    if (folder == nullptr) return nullptr;
    return std::make_unique<HeldFolder>(folder);
  }

  std::unique_ptr<platform::AppendFile> OpenForAppend(WStringView name) override {
    ScopedHandle file(OpenRelative(
        folder_.get(), name, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE,
        0, /*create=*/true, FILE_NON_DIRECTORY_FILE, kProtectedFileAcl));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size)) return nullptr;
    return std::make_unique<AppendFile>(file.Release(), static_cast<std::uint64_t>(size.QuadPart));
  }

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

std::unique_ptr<platform::HeldFolder> FileSystem::HoldRoot(WStringView drive) {
  if (drive.size() != 2 || drive[1] != u':') return nullptr;
  WString text = WString(drive) + u"\\";
  // Nothing can replace a drive's root, and others may have it open in any way: it shares all.
  ScopedHandle root(CreateFileW(WidePtr(text), kHoldAccess,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!root) return nullptr;
  return std::make_unique<HeldFolder>(root.Release());
}

}  // namespace presetra::win32
