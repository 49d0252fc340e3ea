#include "platform/sim/com.h"

namespace presetra::sim {

namespace detail {
platform::WbemLocatorPtr MakeLocator(WmiRepository& repository);
}

namespace {
constexpr win::HResult kCoENotInitialized = static_cast<win::HResult>(0x800401F0);
}

win::HResult Com::OleInitialize() {
  if (faults_.ShouldFail(Call::kOleInitialize)) return win::kEOutOfMemory;
  if (initCount_ > 0 && multithreaded_) return win::kRpcEChangedMode;
  bool first = initCount_ == 0;
  ++initCount_;
  ++oleCount_;
  return first ? win::kSOk : win::kSFalse;
}

void Com::OleUninitialize() {
  if (oleCount_ > 0) --oleCount_;
  if (initCount_ > 0) --initCount_;
}

win::HResult Com::CoInitializeEx(win::Dword coinit) {
  if (faults_.ShouldFail(Call::kCoInitialize)) return win::kEOutOfMemory;
  bool wantsApartment = (coinit & win::kCoinitApartmentThreaded) != 0;
  if (initCount_ > 0 && multithreaded_ == wantsApartment) return win::kRpcEChangedMode;
  bool first = initCount_ == 0;
  if (first) multithreaded_ = !wantsApartment;
  ++initCount_;
  return first ? win::kSOk : win::kSFalse;
}

void Com::CoUninitialize() {
  if (initCount_ > 0) --initCount_;
}

win::HResult Com::CoInitializeSecurity(std::int32_t, std::int32_t, std::int32_t) {
  ++securityCalls_;
  if (faults_.ShouldFail(Call::kCoInitializeSecurity)) return win::kEAccessDenied;
  if (initCount_ == 0) return kCoENotInitialized;
  if (securitySet_) return win::kRpcETooLate;
  securitySet_ = true;
  return win::kSOk;
}

win::HResult Com::CreateWbemLocator(platform::WbemLocatorPtr* locator) {
  if (faults_.ShouldFail(Call::kCreateLocator)) return static_cast<win::HResult>(0x80040154);
  if (initCount_ == 0) return kCoENotInitialized;
  *locator = detail::MakeLocator(wmi_);
  return win::kSOk;
}

win::HResult Com::SetProxyBlanket(const platform::WbemServicesPtr& services, std::int32_t,
                                  std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
  if (faults_.ShouldFail(Call::kSetProxyBlanket)) return win::kEAccessDenied;
  return services ? win::kSOk : win::kEInvalidArg;
}

win::HResult Com::ChangeTypeToBstr(platform::Variant* value) {
  if (faults_.ShouldFail(Call::kChangeType)) return win::kEOutOfMemory;
  platform::Variant& v = *value;
  if ((v.vt & (win::kVtArray | win::kVtByRef)) != 0) return win::kDispETypeMismatch;
  switch (v.vt) {
    case win::kVtBstr:
      return win::kSOk;
    case win::kVtEmpty:
      v = platform::Variant::Bstr(WString());
      return win::kSOk;
    case win::kVtI1:
    case win::kVtI2:
    case win::kVtI4:
    case win::kVtI8:
    case win::kVtUi1:
    case win::kVtUi2:
    case win::kVtUi4:
    case win::kVtUi8:
    case win::kVtBool: {
      // Without VARIANT_ALPHABOOL a boolean converts as its number: -1 or 0.
      std::string digits = std::to_string(v.integer);
      v = platform::Variant::Bstr(Utf8ToUtf16(digits));
      return win::kSOk;
    }
    default:
      return win::kDispETypeMismatch;
  }
}

}  // namespace presetra::sim
