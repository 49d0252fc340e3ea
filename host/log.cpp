#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "host/installer.h"

namespace presetra {

namespace {

constexpr char16_t kFactoryFolder[] = u"C:\\System.sav\\";

// The text up to its first NUL (where a wide "%s" ends), and how many line feeds it has.
std::pair<WStringView, std::size_t> UpToNul(WStringView text) {
  std::size_t feeds = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\0') return {text.substr(0, i), feeds};
    feeds += text[i] == u'\n' ? 1 : 0;
  }
  return {text, feeds};
}

// Text mode turns every line feed into CR LF; a wide "%s" ends at the first NUL. A new file
// starts with the byte order mark.
std::vector<std::uint8_t> EncodeLine(bool byteOrderMark, WStringView stampText,
                                     WStringView lineText) {
  const auto [stamp, stampFeeds] = UpToNul(stampText);
  const auto [text, textFeeds] = UpToNul(lineText);
  const std::size_t feeds = stampFeeds + textFeeds;
  // Each unit is two bytes, little-endian; each line feed is preceded by a carriage return.
  std::vector<std::uint8_t> bytes((byteOrderMark ? 2 : 0) +
                                  (stamp.size() + text.size() + feeds + 3) * 2);
  std::uint8_t* out = bytes.data();
  auto put = [&out](char16_t unit) {
    *out++ = static_cast<std::uint8_t>(unit & 0xFF);
    *out++ = static_cast<std::uint8_t>(unit >> 8);
  };
  auto putText = [&out, &put, feeds](WStringView part) {
    if constexpr (std::endian::native == std::endian::little) {
      if (feeds == 0) {
        // Units already lie in memory as the file holds them.
        std::memcpy(out, part.data(), part.size() * sizeof(char16_t));
        out += part.size() * sizeof(char16_t);
        return;
      }
    }
    for (char16_t unit : part) {
      if (unit == u'\n') put(u'\r');
      put(unit);
    }
  };
  if (byteOrderMark) put(0xFEFF);
  putText(stamp);
  put(u'\t');
  putText(text);
  put(u'\r');
  put(u'\n');
  return bytes;
}

// Owners who cannot have planted a link for us to follow: the system's own accounts, and the
// account the action runs as (which could write anywhere it writes anyway).
bool IsTrustedOwner(platform::Owner owner) {
  return owner == platform::Owner::kSystem || owner == platform::Owner::kAdministrators ||
         owner == platform::Owner::kTrustedInstaller || owner == platform::Owner::kCaller;
}

WString WithoutTrailingBackslash(const WString& path) {
  return !path.empty() && path.back() == u'\\' ? path.substr(0, path.size() - 1) : path;
}

// What is wrong with a file or folder opened at `path`, or empty.
WString Refusal(const WString& path, const platform::FileFacts& facts, bool checkOwner) {
  if (platform::IsLink(path, facts)) return path + u" is a link";
  if (facts.linkCount > 1) return path + u" is a hard link";
  if (checkOwner && !IsTrustedOwner(facts.owner)) {
    return path + (facts.owner == platform::Owner::kUnknown ? u" has an owner that cannot be read"
                                                            : u" belongs to another user");
  }
  return WString();
}

// Holds every folder from the drive's root down to `folder` ("C:\\System.sav", then each one
// below it); what is wrong with the first one that cannot be trusted, or empty.
WString HoldFolders(platform::FileSystem& files, const WString& folder,
                    std::vector<std::unique_ptr<platform::HeldFolder>>& held) {
  const WString target = WithoutTrailingBackslash(folder);
  for (std::size_t end = target.find(u'\\', 3);; end = target.find(u'\\', end + 1)) {
    const WString path = target.substr(0, end);
    std::unique_ptr<platform::HeldFolder> folderHeld = files.HoldFolder(path);
    if (!folderHeld) return path + u" cannot be opened";
    WString refusal = Refusal(path, folderHeld->Facts(), /*checkOwner=*/true);
    if (!refusal.empty()) return refusal;
    held.push_back(std::move(folderHeld));
    if (end == WString::npos) return WString();
  }
}

// Opens the file for appending; what is wrong with it, or empty (and then `file` is open). The
// folder's checks stand for the file's owner: whoever owns the folder decides the file.
WString OpenChecked(platform::FileSystem& files, const WString& path,
                    std::unique_ptr<platform::AppendFile>& file) {
  file = files.OpenForAppend(path);
  if (!file) return path + u" cannot be opened";
  WString refusal = Refusal(path, file->Facts(), /*checkOwner=*/false);
  if (!refusal.empty()) file.reset();
  return refusal;
}

}  // namespace

void CMSIInstaller::Log(WStringView text) {
  if (!logFile_) return;

  const platform::LocalTime now = system_.clock().Now();
  const WString stamp =
      Format(u"%02u:%02u:%02u:%03u", now.hour, now.minute, now.second, now.milliseconds);
  const std::vector<std::uint8_t> bytes = EncodeLine(logNeedsByteOrderMark_, stamp, text);
  if (logFile_->Append(bytes.data(), bytes.size())) logNeedsByteOrderMark_ = false;
}

void CMSIInstaller::CloseLog() {
  logFile_.reset();
  heldFolders_.clear();
}

WString CMSIInstaller::OpenLog() {
  WString refusal = OpenChecked(system_.files(), context_.logPath, logFile_);
  if (refusal.empty()) logNeedsByteOrderMark_ = logFile_->SizeAtOpen() == 0;
  return refusal;
}

std::unique_ptr<platform::AppendFile> CMSIInstaller::OpenScriptOutput(const WString& path) {
  platform::FileSystem& files = system_.files();
  std::unique_ptr<platform::AppendFile> file;
  std::vector<std::unique_ptr<platform::HeldFolder>> folders;
  WString refusal = HoldFolders(files, path.substr(0, path.rfind(u'\\')), folders);
  if (refusal.empty()) refusal = OpenChecked(files, path, file);
  if (refusal.empty()) return file;
  // Beside the log, whose folder has passed the same checks.
  const WString beside = context_.logPath.substr(0, context_.logPath.rfind(u'\\') + 1) +
                         path.substr(path.rfind(u'\\') + 1);
  if (!logFile_ || EqualsIgnoringCase(beside, path) || !OpenChecked(files, beside, file).empty()) {
    Log(u"Script output not written: " + refusal);
    return nullptr;
  }
  Log(u"Script output goes to " + beside + u": " + refusal);
  return file;
}

void CMSIInstaller::SelectLogPath() {
  CloseLog();
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
  const bool inFactoryFolder = folder != context_.installDir;
  WString refusal = inFactoryFolder ? HoldFolders(files, folder, heldFolders_) : WString();
  if (refusal.empty()) refusal = OpenLog();
  if (refusal.empty() || !inFactoryFolder || context_.installDir.empty()) {
    if (!refusal.empty()) CloseLog();
    return;
  }
  // Someone else could steer what SYSTEM writes there: the log goes where it goes when there is
  // no factory folder, and says why.
  CloseLog();
  context_.logPath = context_.installDir + context_.logFileName;
  if (!OpenLog().empty()) {
    CloseLog();
    return;
  }
  Log(u"Log folder " + folder + u" not used: " + refusal);
}

}  // namespace presetra
