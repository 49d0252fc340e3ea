#include "wmi/com_init.h"

namespace presetra {

CAutoInitializeCOMEx::CAutoInitializeCOMEx(platform::Com& com, win::Dword coinit)
    : com_(com), result_(com.CoInitializeEx(coinit)) {}

CAutoInitializeCOMEx::~CAutoInitializeCOMEx() {
  if (win::Succeeded(result_)) com_.CoUninitialize();
}

}  // namespace presetra
