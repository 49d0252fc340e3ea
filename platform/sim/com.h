// The simulated COM runtime of one thread: initialisation counts with their apartment, the
// process-wide security state, the WMI locator, and VARIANT conversion.
#pragma once

#include "platform/com.h"
#include "platform/sim/faults.h"
#include "platform/sim/wmi.h"

namespace presetra::sim {

class Com : public platform::Com {
 public:
  Com(Faults& faults, WmiRepository& wmi) : faults_(faults), wmi_(wmi) {}

  win::HResult OleInitialize() override;
  void OleUninitialize() override;
  win::HResult CoInitializeEx(win::Dword coinit) override;
  void CoUninitialize() override;
  win::HResult CoInitializeSecurity(std::int32_t authnLevel, std::int32_t impLevel,
                                    std::int32_t capabilities) override;
  win::HResult CreateWbemLocator(platform::WbemLocatorPtr* locator) override;
  win::HResult SetProxyBlanket(const platform::WbemServicesPtr& services, std::int32_t authnService,
                               std::int32_t authzService, std::int32_t authnLevel,
                               std::int32_t impLevel, std::int32_t capabilities) override;
  win::HResult ChangeTypeToBstr(platform::Variant* value) override;

  // The host process (an installer's custom-action server, say) has set COM security already.
  void SetSecurityByHost() { securitySet_ = true; }
  // Initialise the thread as a multithreaded apartment, as a host might before calling us.
  void InitializeThreadAsMta() {
    ++initCount_;
    multithreaded_ = true;
  }
  int InitCount() const { return initCount_; }
  int OleInitCount() const { return oleCount_; }
  bool SecuritySet() const { return securitySet_; }
  int SecurityCalls() const { return securityCalls_; }

 private:
  Faults& faults_;
  WmiRepository& wmi_;
  int initCount_ = 0;
  int oleCount_ = 0;
  bool multithreaded_ = false;
  bool securitySet_ = false;
  int securityCalls_ = 0;
};

}  // namespace presetra::sim
