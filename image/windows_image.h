// What a Windows image gives a simulated machine, read from a WIM or ESD file (FILE:INDEX for
// one of several images), a folder holding an applied or mounted image, or a SYSTEM hive alone.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "image/image_error.h"
#include "machine/windows_schemes.h"

namespace presetra::image {

// Throws ImageError, whose message names the path. What the image lacks but the machine can do
// without (a SOFTWARE hive) is said once on `notes`.
std::shared_ptr<const machine::WindowsImage> ReadWindowsImage(const std::string& spec,
                                                              std::ostream& notes);

}  // namespace presetra::image
