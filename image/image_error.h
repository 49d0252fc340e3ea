// An image or hive that cannot be used.
#pragma once

#include <stdexcept>

namespace presetra::image {

// The message says what is wrong, in the tool's words, and names the path.
class ImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace presetra::image
