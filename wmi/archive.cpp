#include "wmi/archive.h"

#include <cstring>

namespace presetra {

std::string CArchive::ErrorMessage() const {
  const char* kind = "";
  switch (error_) {
    case Error::kNone:
      return "";
    case Error::kReadOnly:
      kind = "the archive is open for loading";
      break;
    case Error::kWriteOnly:
      kind = "the archive is open for storing";
      break;
    case Error::kEndOfFile:
      kind = "the stream ends early";
      break;
    case Error::kBadData:
      kind = "malformed stream";
      break;
    case Error::kUnsupported:
      kind = "cannot be stored so that it reads back";
      break;
  }
  return "byte " + std::to_string(errorOffset_) + ": " + kind + ": " + errorDetail_;
}

bool CArchive::Fail(Error error, const std::string& expected) {
  if (error_ == Error::kNone) {
    error_ = error;
    errorOffset_ = position_;
    errorDetail_ = expected;
  }
  return false;
}

bool CArchive::Write(const void* data, std::size_t size) {
  if (!ok()) return false;
  if (!storing_) return Fail(Error::kReadOnly, "no writes");
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  bytes_.insert(bytes_.end(), bytes, bytes + size);
  position_ = bytes_.size();
  return true;
}

bool CArchive::Read(void* data, std::size_t size, const char* what) {
  if (!ok()) return false;
  if (storing_) return Fail(Error::kWriteOnly, "no reads");
  if (Remaining() < size) {
    return Fail(Error::kEndOfFile, std::string(what) + " (" + std::to_string(size) + " bytes)");
  }
  // An empty read may come with a null buffer (an empty vector's data()).
  if (size != 0) std::memcpy(data, bytes_.data() + position_, size);
  position_ += size;
  return true;
}

}  // namespace presetra
