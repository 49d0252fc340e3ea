// Fault injection for the simulated machine: any platform call can be told to fail, the k-th
// call of all, or every call of one kind. Each failing call returns the error that Windows
// returns for that call when it fails, so the code under test sees nothing unusual.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace presetra::sim {

enum class Call {
  kRegOpenKey,
  kRegCreateKey,
  kRegQueryValue,
  kRegSetValue,
  kRegCloseKey,
  kGetFolderPath,
  kGetVersion,
  kCreateDirectory,
  kFileOpen,
  kFileWrite,
  kHoldFolder,
  kProcessCreate,
  kProcessWait,
  kOleInitialize,
  kCoInitialize,
  kCoInitializeSecurity,
  kCreateLocator,
  kConnectServer,
  kSetProxyBlanket,
  kExecQuery,
  kEnumNext,
  kObjectGet,
  kObjectPut,
  kPutInstance,
  kChangeType,
  kGetPwrCapabilities,
  kPowerGetActiveScheme,
  kPowerReadDescription,
  kPowerReadValueIndex,
  kPowerEnumerate,
  kPowerReadFriendlyName,
  kLoadString,
  kFindWindow,
  kGetClientRect,
  kSendMessage,
  kDeviceSet,
  kDeviceEnum,
  kDeviceProperty,
};

std::string CallName(Call call);

class Faults {
 public:
  // Fails the n-th call (1-based) counted from now on.
  void FailNthCall(std::uint64_t n) { failAt_ = count_ + n; }
  void FailEvery(Call call) { failKinds_.insert(call); }
  void Clear() {
    failAt_ = 0;
    failKinds_.clear();
  }

  // Counts the call; true when it is to fail.
  bool ShouldFail(Call call) {
    ++count_;
    calls_.push_back(call);
    bool fail = count_ == failAt_ || failKinds_.count(call) != 0;
    if (fail) failed_.push_back(count_);
    return fail;
  }

  std::uint64_t CallCount() const { return count_; }
  const std::vector<Call>& Calls() const { return calls_; }
  // The numbers of the calls that were made to fail.
  const std::vector<std::uint64_t>& Failed() const { return failed_; }

 private:
  std::uint64_t count_ = 0;
  std::uint64_t failAt_ = 0;
  std::set<Call> failKinds_;
  std::vector<Call> calls_;
  std::vector<std::uint64_t> failed_;
};

}  // namespace presetra::sim
