#include <algorithm>
#include <vector>

#include "host/installer.h"

namespace presetra {

namespace {
constexpr std::size_t kMaxPath = 260;
}

void SetContextNames(CMSIInstaller& installer) {
  InstallerContext& context = installer.Context();
  context.productName = u"Presetra";
  context.logFileName = u"Presetra.log";
  // A 32-bit module on 64-bit Windows gets the 32-bit program-files folder here, a 64-bit one
  // the 64-bit folder: the one thing in which the two builds differ on purpose.
  WString programFiles;
  // Without it there is no install folder: "\Vorlan\Presetra\" would be a folder on whatever
  // drive is current, where any user may create it.
  if (installer.System().shell().GetFolderPath(win::kCsidlProgramFiles, kMaxPath, &programFiles) ==
      win::kSOk) {
    context.installDir = programFiles + u"\\" + u"Vorlan" + u"\\" + context.productName + u"\\";
  } else {
    context.installDir.clear();
  }
  context.registryKey = WString(u"Software\\") + u"Vorlan" + u"\\" + context.productName;
}

WString SystemFolder(platform::Shell& shell) {
  constexpr std::size_t kSystemFolderChars = 261;
  WString folder;
  if (shell.GetFolderPath(win::kCsidlSystem, kSystemFolderChars, &folder) != win::kSOk) {
    folder.clear();
  }
  return folder;
}

WString ReadRegistryString(platform::Registry& registry, WStringView key, WStringView valueName) {
  platform::ScopedRegKey handle(registry);
  // The product key and Windows' version live where a 32-bit process finds them
  // (WOW6432Node); the 64-bit module must say so to land there too.
  if (registry.OpenKey(platform::kHkeyLocalMachine, key, win::kKeyRead | win::kKeyWow64_32Key,
                       handle.Receive()) != win::kErrorSuccess) {
    return WString();
  }
  win::Dword type = win::kRegNone;
  win::Dword size = 0;
  if (registry.QueryValue(handle.get(), valueName, &type, nullptr, &size) != win::kErrorSuccess) {
    return WString();
  }
  if (type != win::kRegSz && type != win::kRegExpandSz) return WString();
  if (size == 0) return WString();

  std::vector<char16_t> buffer(size / 2 + 1, u'\0');
  win::Dword bufferBytes = static_cast<win::Dword>(buffer.size() * sizeof(char16_t));
  // Another program may change the value between the two reads. One that grew past the
  // buffer or went away fails here: that is a failed read, not a string of NULs. One that
  // shrank is as long as the second read says, not as the first.
  if (registry.QueryValue(handle.get(), valueName, nullptr,
                          reinterpret_cast<std::uint8_t*>(buffer.data()),
                          &bufferBytes) != win::kErrorSuccess) {
    return WString();
  }
  std::size_t characters = std::min<std::size_t>(bufferBytes / 2, buffer.size());
  if (characters > 0 && buffer[characters - 1] == u'\0') --characters;
  return WString(buffer.data(), characters);
}

WString QuotePath(const WString& text) {
  if (text.empty() || text.front() == u'"') return text;
  return u"\"" + text + u"\"";
}

bool CreateDirectoryTree(platform::FileSystem& files, const WString& path) {
  if (path.size() > kMaxPath) return false;
  WString soFar;
  for (std::size_t i = 0; i < path.size(); ++i) {
    char16_t c = path[i];
    bool separator = c == u'\\' || c == u'/';
    if (separator && (i == 0 || path[i - 1] != u':')) {
      // Failures, such as a folder that exists already, are fine: only the end result counts.
      files.CreateDirectory(soFar);
    }
    soFar.push_back(c);
  }
  files.CreateDirectory(path);
  return files.PathFileExists(path);
}

}  // namespace presetra
