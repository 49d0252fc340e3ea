#include "cli/run/image_source.h"

#include <filesystem>

#include "image/windows_image.h"

namespace presetra::cli {

ImageSource::ImageSource(const std::string& option, std::ostream& notes) : notes_(notes) {
  if (!option.empty()) option_ = Read(option);
}

std::shared_ptr<const machine::WindowsImage> ImageSource::Read(const std::string& spec) {
  const WorkLock lock(mutex_);
  auto& image = read_[spec];
  if (!image) image = image::ReadWindowsImage(spec, notes_);
  return image;
}

void ImageSource::LayUnder(machine::MachineProfile& profile, const std::string& profileFile) {
  if (option_) {
    profile.windowsImage = option_;
    return;
  }
  if (profile.image.empty()) return;
  std::filesystem::path spec = profile.image;
  if (spec.is_relative() && !profileFile.empty()) {
    spec = std::filesystem::path(profileFile).parent_path() / spec;
  }
  profile.windowsImage = Read(spec.string());
}

}  // namespace presetra::cli
