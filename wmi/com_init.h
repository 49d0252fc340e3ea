// COM initialisation that lives as long as its owner.
#pragma once

#include "platform/com.h"

namespace presetra {

// Holds the HRESULT of CoInitializeEx and balances every successful initialisation, S_FALSE
// included (COM was initialised on this thread already and counts one more). After a failure,
// such as RPC_E_CHANGED_MODE, nothing is undone.
class CAutoInitializeCOMEx {
 public:
  CAutoInitializeCOMEx(platform::Com& com, win::Dword coinit);
  CAutoInitializeCOMEx(const CAutoInitializeCOMEx&) = delete;
  CAutoInitializeCOMEx& operator=(const CAutoInitializeCOMEx&) = delete;
  virtual ~CAutoInitializeCOMEx();

  win::HResult Result() const { return result_; }

 private:
  platform::Com& com_;
  win::HResult result_;
};

// A single-threaded apartment.
class CAutoInitializeCOM : public CAutoInitializeCOMEx {
 public:
  explicit CAutoInitializeCOM(platform::Com& com)
      : CAutoInitializeCOMEx(com, win::kCoinitApartmentThreaded) {}
};

}  // namespace presetra
