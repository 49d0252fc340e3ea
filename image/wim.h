// The two registry hives of one image of a WIM or ESD file, extracted through wimlib into a
// private folder that is removed with this object: never the whole image.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace presetra::image {

class WimHives {
 public:
  // `index` 0: the file's only image. Throws ImageError: not a WIM, several images and no
  // index (the message lists them), an index out of range, no SYSTEM hive in the image.
  WimHives(const std::string& file, int index);
  ~WimHives();
  WimHives(const WimHives&) = delete;
  WimHives& operator=(const WimHives&) = delete;

  const std::filesystem::path& System() const { return system_; }
  // nullopt: the image holds no SOFTWARE hive.
  const std::optional<std::filesystem::path>& Software() const { return software_; }
  int Index() const { return index_; }
  // "Windows 10 Enterprise LTSC", "build 19044", as the WIM's XML says; empty when it does not.
  const std::string& Name() const { return name_; }
  const std::string& Build() const { return build_; }

 private:
  std::filesystem::path folder_;
  std::filesystem::path system_;
  std::optional<std::filesystem::path> software_;
  int index_ = 1;
  std::string name_;
  std::string build_;
};

}  // namespace presetra::image
