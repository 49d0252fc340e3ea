// A byte stream opened either for storing or for loading objects, as MFC's CArchive is. The
// first error sticks: it records where in the stream it happened and what was expected there,
// and every later operation fails at once, so a reader keeps what it read before the error.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace presetra {

class CArchive {
 public:
  enum class Error {
    kNone,
    kReadOnly,     // a write to an archive opened for loading
    kWriteOnly,    // a read from an archive opened for storing
    kEndOfFile,    // the stream ends before the value is complete
    kBadData,      // the stream holds something no writer writes
    kUnsupported,  // a value this format cannot carry so that it reads back
  };

  static CArchive ForStoring() { return CArchive(true, {}); }
  static CArchive ForLoading(std::span<const std::uint8_t> bytes) {
    return CArchive(false, std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
  }

  bool IsStoring() const { return storing_; }
  bool IsLoading() const { return !storing_; }
  bool ok() const { return error_ == Error::kNone; }
  Error error() const { return error_; }
  // Byte offset of the error, and what the format expected there.
  std::size_t errorOffset() const { return errorOffset_; }
  const std::string& errorDetail() const { return errorDetail_; }
  std::string ErrorMessage() const;

  std::size_t Position() const { return position_; }
  std::size_t Remaining() const { return bytes_.size() - position_; }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

  // Little-endian writes and reads. `what` names the field for the error message.
  bool Write(const void* data, std::size_t size);
  bool Read(void* data, std::size_t size, const char* what);
  template <typename T>
  bool WriteValue(T value) {
    std::uint8_t bytes[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i) {
      bytes[i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(value) >> (8 * i));
    }
    return Write(bytes, sizeof(T));
  }
  template <typename T>
  bool ReadValue(T& value, const char* what) {
    std::uint8_t bytes[sizeof(T)];
    if (!Read(bytes, sizeof(T), what)) return false;
    std::uint64_t result = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) result |= std::uint64_t{bytes[i]} << (8 * i);
    value = static_cast<T>(result);
    return true;
  }

  // Marks the archive failed at the current position (the first failure wins).
  bool Fail(Error error, const std::string& expected);

 private:
  CArchive(bool storing, std::vector<std::uint8_t> bytes)
      : storing_(storing), bytes_(std::move(bytes)) {}

  bool storing_;
  std::vector<std::uint8_t> bytes_;
  std::size_t position_ = 0;
  Error error_ = Error::kNone;
  std::size_t errorOffset_ = 0;
  std::string errorDetail_;
};

}  // namespace presetra
