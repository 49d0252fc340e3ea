#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

#include "host/folder_walk.h"
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

}  // namespace

void CMSIInstaller::Log(WStringView text) {
  if (!logFile_) return;

  const platform::LocalTime now = system_.clock().Now();
  const WString stamp =
      Format(u"%02u:%02u:%02u:%03u", now.hour, now.minute, now.second, now.milliseconds);
  std::vector<std::uint8_t> bytes = EncodeLine(logNeedsByteOrderMark_, stamp, text);
  if (logFile_->Append(bytes.data(), bytes.size())) {
    logNeedsByteOrderMark_ = false;
    return;
  }
  // Nobody else can have the file open, so the write failed for good (a full disk, a failing
  // one): the rest goes to the install folder, which says so first. Where the log is there
  // already, the next line tries again, the byte order mark still owed to a new file.
  if (!MoveLog(u"writing to " + context_.logPath + u" failed")) return;
  bytes = EncodeLine(logNeedsByteOrderMark_, stamp, text);
  if (logFile_->Append(bytes.data(), bytes.size())) logNeedsByteOrderMark_ = false;
}

void CMSIInstaller::CloseLog() {
  logFile_.reset();
  heldFolders_.clear();
}

bool CMSIInstaller::OpenLogIn(const WString& folder, bool create, LogRefusal& refusal) {
  FolderWalk walk(system_.files(), folder, create);
  const WString reached = walk.Reached();
  if (!walk.Refused().empty()) {
    refusal = {folder, walk.Refused()};
    return false;
  }
  // Nothing there, and nothing could be made: no refusal, just no folder.
  if (reached.empty()) return false;
  std::unique_ptr<platform::AppendFile> file;
  if (WString why = walk.Open(context_.logFileName, file); !why.empty()) {
    refusal = {reached, why};
    return false;
  }
  // The log is ours from here on: the folders it lies in stay held as long as it is open.
  CloseLog();
  heldFolders_ = walk.Release();
  logFile_ = std::move(file);
  logNeedsByteOrderMark_ = logFile_->SizeAtOpen() == 0;
  context_.logPath = reached + context_.logFileName;
  return true;
}

bool CMSIInstaller::MoveLog(const WString& reason) {
  const WString from = context_.logPath.substr(0, context_.logPath.rfind(u'\\') + 1);
  LogRefusal refusal;
  if (context_.installDir.empty() || EqualsIgnoringCase(from, context_.installDir) ||
      !OpenLogIn(context_.installDir, /*create=*/false, refusal)) {
    return false;
  }
  Log(u"Log folder " + from + u" not used: " + reason);
  return true;
}

std::unique_ptr<platform::AppendFile> CMSIInstaller::OpenScriptOutput(const WString& path) {
  const std::size_t slash = path.rfind(u'\\');
  const WString name = path.substr(slash + 1);
  std::unique_ptr<platform::AppendFile> file;
  FolderWalk walk(system_.files(), path.substr(0, slash), /*create=*/false);
  WString refusal = walk.Refused();
  if (refusal.empty() && !walk.Missing().empty()) refusal = walk.Missing() + u" cannot be opened";
  if (refusal.empty()) refusal = walk.Open(name, file);
  if (refusal.empty()) return file;
  // Beside the log, in its folder held since it passed the same checks.
  const WString logFolder = context_.logPath.substr(0, context_.logPath.rfind(u'\\') + 1);
  if (!logFile_ || heldFolders_.empty() || EqualsIgnoringCase(logFolder + name, path) ||
      !OpenChecked(*heldFolders_.back(), logFolder, name, file).empty()) {
    Log(u"Script output not written: " + refusal);
    return nullptr;
  }
  Log(u"Script output goes to " + logFolder + name + u": " + refusal);
  return file;
}

void CMSIInstaller::SelectLogPath() {
  CloseLog();
  context_.logPath.clear();
  // Each level of the factory folder is made (where it is missing) and held before the next
  // is touched. Where nothing more can be made, the deepest level that is there takes the log.
  LogRefusal refusal;
  if (OpenLogIn(WString(kFactoryFolder) + u"LOGS\\OSIT\\", /*create=*/true, refusal)) return;
  LogRefusal installRefusal;
  // Without the install folder there is nowhere to log: a bare file name would land in
  // whatever folder is current.
  if (context_.installDir.empty() ||
      !OpenLogIn(context_.installDir, /*create=*/false, installRefusal)) {
    return;
  }
  // Someone else could steer what SYSTEM writes there: the log says why it is here. (With no
  // factory folder at all, and none to be made, this is simply where the log goes.)
  if (!refusal.folder.empty()) {
    Log(u"Log folder " + refusal.folder + u" not used: " + refusal.why);
  }
}

}  // namespace presetra
