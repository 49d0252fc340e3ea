#include <memory>
#include <vector>

#include "host/installer.h"

namespace presetra {

namespace {

constexpr char16_t kFactoryFolder[] = u"C:\\System.sav\\";

// Text mode turns every line feed into CR LF; a wide "%s" ends at the first NUL.
std::vector<std::uint8_t> EncodeLine(WStringView stamp, WStringView text) {
  WString line(stamp);
  line += u'\t';
  line += text.substr(0, text.find(u'\0'));
  line += u'\n';
  std::vector<std::uint8_t> bytes;
  bytes.reserve(line.size() * 2 + 8);
  auto put = [&bytes](char16_t unit) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  };
  for (char16_t unit : line) {
    if (unit == u'\n') put(u'\r');
    put(unit);
  }
  return bytes;
}

}  // namespace

void CMSIInstaller::Log(WStringView text) {
  if (context_.logPath.empty()) return;
  std::unique_ptr<platform::AppendFile> file = system_.files().OpenForAppend(context_.logPath);
  if (!file) return;

  platform::LocalTime now = system_.clock().Now();
  WString timeOfDay = Format(u"%02u:%02u:%02u", now.hour, now.minute, now.second);
  WString stamp = Format(u"%s:%03u", timeOfDay, now.milliseconds);

  std::vector<std::uint8_t> bytes;
  if (file->SizeAtOpen() == 0) bytes = {0xFF, 0xFE};
  std::vector<std::uint8_t> line = EncodeLine(stamp, text);
  bytes.insert(bytes.end(), line.begin(), line.end());
  (void)file->Append(bytes.data(), bytes.size());
}

void CMSIInstaller::SelectLogPath() {
  platform::FileSystem& files = system_.files();
  const WString factory = kFactoryFolder;
  WString folder;
  if (files.PathFileExists(factory + u"LOGS\\OSIT\\.")) {
    folder = factory + u"LOGS\\OSIT\\";
  } else if (CreateDirectoryTree(files, factory + u"LOGS\\OSIT\\")) {
    folder = factory + u"LOGS\\OSIT\\";
  } else if (files.PathFileExists(factory + u"LOGS\\.")) {
    folder = factory + u"LOGS\\";
  } else if (files.PathFileExists(factory + u".")) {
    folder = factory;
  } else if (!context_.installDir.empty()) {
    folder = context_.installDir;
  } else {
    // No folder of ours: a bare file name would land in whatever folder is current.
    context_.logPath.clear();
    return;
  }
  context_.logPath = folder + context_.logFileName;
}

}  // namespace presetra
