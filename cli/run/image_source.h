// The Windows image a command lays under its profiles: the --image option's for every profile,
// else a profile's own "image" field, relative to the profile's file. Each image is read once.
#pragma once

#include <iosfwd>
#include <map>
#include <memory>
#include <string>

#include "cli/run/work_lock.h"
#include "machine/profile.h"

namespace presetra::cli {

class ImageSource {
 public:
  // Reads the option's image at once. Throws image::ImageError.
  ImageSource(const std::string& option, std::ostream& notes);

  // Lays the image under the profile read from `profileFile` (empty: the embedded machine).
  // Throws image::ImageError. Safe to call from several threads.
  void LayUnder(machine::MachineProfile& profile, const std::string& profileFile);

 private:
  std::shared_ptr<const machine::WindowsImage> Read(const std::string& spec);

  std::ostream& notes_;
  std::shared_ptr<const machine::WindowsImage> option_;
  WorkMutex mutex_;
  std::map<std::string, std::shared_ptr<const machine::WindowsImage>> read_;
};

}  // namespace presetra::cli
