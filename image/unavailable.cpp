// presetra.exe: Windows builds have no hive or WIM reader; the Linux tool reads images.
#include <ostream>

#include "image/windows_image.h"

namespace presetra::image {

std::shared_ptr<const machine::WindowsImage> ReadWindowsImage(const std::string& spec,
                                                              std::ostream&) {
  throw ImageError(spec +
                   ": this build of the tool reads no Windows images; plan against an "
                   "image with the Linux tool, presetra");
}

}  // namespace presetra::image
