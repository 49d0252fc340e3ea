#include "host/folder_walk.h"

#include <utility>

namespace presetra {

namespace {

// Owners who cannot have planted a link for us to follow: the system's own accounts, and the
// account the action runs as (which could write anywhere it writes anyway).
bool IsTrustedOwner(platform::Owner owner) {
  return owner == platform::Owner::kSystem || owner == platform::Owner::kAdministrators ||
         owner == platform::Owner::kTrustedInstaller || owner == platform::Owner::kCaller;
}

}  // namespace

WString Refusal(const WString& path, const platform::FileFacts& facts) {
  if (platform::IsLink(path, facts)) return path + u" is a link";
  if (facts.linkCount > 1) return path + u" is a hard link";
  if (!IsTrustedOwner(facts.owner)) {
    return path + (facts.owner == platform::Owner::kUnknown ? u" has an owner that cannot be read"
                                                            : u" belongs to another user");
  }
  return WString();
}

FolderWalk::FolderWalk(platform::FileSystem& files, const WString& folder, bool create) {
  WString target = folder;
  while (target.size() > 2 && (target.back() == u'\\' || target.back() == u'/')) target.pop_back();
  // The drive's root nobody can replace: the walk starts there, unchecked.
  std::unique_ptr<platform::HeldFolder> root =
      target.size() >= 2 && target[1] == u':' ? files.HoldRoot(target.substr(0, 2)) : nullptr;
  if (!root) {
    refused_ = target.substr(0, 2) + u"\\ cannot be opened";
    return;
  }
  held_.push_back(std::move(root));
  for (std::size_t start = 3; start < target.size();) {
    std::size_t end = target.find_first_of(u"\\/", start);
    if (end == WString::npos) end = target.size();
    const WString path = target.substr(0, end);
    const WStringView name = WStringView(target).substr(start, end - start);
    start = end + 1;
    if (name.empty()) continue;
    std::unique_ptr<platform::HeldFolder> level = held_.back()->HoldFolder(name, create);
    if (!level) {
      // Missing, or there but not to be had: someone has it open to change it.
      (files.PathFileExists(path) ? refused_ : missing_) = path;
      if (!refused_.empty()) refused_ += u" cannot be opened";
      return;
    }
    refused_ = Refusal(path, level->Facts());
    if (!refused_.empty()) return;
    held_.push_back(std::move(level));
    paths_.push_back(path);
  }
}

WString FolderWalk::Reached() const {
  return paths_.empty() ? WString() : paths_.back() + u"\\";
}

WString FolderWalk::Open(WStringView name, std::unique_ptr<platform::AppendFile>& file) {
  if (paths_.empty()) return WString(name) + u" cannot be opened";
  return OpenChecked(*held_.back(), Reached(), name, file);
}

WString OpenChecked(platform::HeldFolder& held, const WString& folder, WStringView name,
                    std::unique_ptr<platform::AppendFile>& file) {
  const WString path = folder + WString(name);
  file = held.OpenForAppend(name);
  if (!file) return path + u" cannot be opened";
  WString refusal = Refusal(path, file->Facts());
  if (!refusal.empty()) file.reset();
  return refusal;
}

}  // namespace presetra
