// Windows' numeric constants, under names that cannot clash with the macros of <windows.h>.
// The portable code and the simulated machine speak in these exact values, so that what the
// system logs and decides is the same whichever implementation of the platform is below it.
#pragma once

#include <cstdint>

namespace presetra::win {

using Dword = std::uint32_t;
using Long = std::int32_t;
using HResult = std::int32_t;

// POWER_PLATFORM_ROLE (winnt.h), version 2: the roles Windows provisions portable defaults for.
inline constexpr std::uint32_t kPlatformRoleDesktop = 1;
inline constexpr std::uint32_t kPlatformRoleMobile = 2;
// POWER_DATA_ACCESSOR values PowerEnumerate takes (powrprof.h).
inline constexpr std::uint32_t kAccessScheme = 16;
inline constexpr std::uint32_t kAccessSubgroup = 17;
inline constexpr std::uint32_t kAccessIndividualSetting = 18;
inline constexpr std::uint32_t kPlatformRoleSlate = 8;

// Win32 error codes.
inline constexpr Long kErrorSuccess = 0;
inline constexpr Long kErrorFileNotFound = 2;
inline constexpr Long kErrorPathNotFound = 3;
inline constexpr Long kErrorAccessDenied = 5;
inline constexpr Long kErrorInvalidHandle = 6;
inline constexpr Long kErrorNotEnoughMemory = 8;
inline constexpr Long kErrorInvalidParameter = 87;
inline constexpr Long kErrorInsufficientBuffer = 122;
inline constexpr Long kErrorAlreadyExists = 183;
inline constexpr Long kErrorMoreData = 234;
inline constexpr Long kErrorNoMoreItems = 259;
inline constexpr Long kErrorCallNotImplemented = 120;
inline constexpr Long kErrorInvalidData = 13;

// Registry value types.
inline constexpr Dword kRegNone = 0;
inline constexpr Dword kRegSz = 1;
inline constexpr Dword kRegExpandSz = 2;
inline constexpr Dword kRegBinary = 3;
inline constexpr Dword kRegDword = 4;
inline constexpr Dword kRegMultiSz = 7;
inline constexpr Dword kRegQword = 11;

// Registry access rights and view flags.
inline constexpr Dword kKeyQueryValue = 0x0001;
inline constexpr Dword kKeySetValue = 0x0002;
inline constexpr Dword kKeyRead = 0x20019;
inline constexpr Dword kKeyAllAccess = 0xF003F;
inline constexpr Dword kKeyWow64_64Key = 0x0100;
inline constexpr Dword kKeyWow64_32Key = 0x0200;
inline constexpr Dword kRegOptionNonVolatile = 0;

// Process waits.
inline constexpr Dword kWaitObject0 = 0;
inline constexpr Dword kWaitTimeout = 258;
inline constexpr Dword kWaitFailed = 0xFFFFFFFF;
inline constexpr Dword kCreateUnicodeEnvironment = 0x00000400;
// A console program gets no console at all: SYSTEM's children have no window a user could reach
// (Process Creation Flags, learn.microsoft.com).
inline constexpr Dword kCreateNoWindow = 0x08000000;
inline constexpr int kSwHide = 0;

// Shell folders.
inline constexpr int kCsidlSystem = 0x0025;
inline constexpr int kCsidlProgramFiles = 0x0026;

// HRESULTs, tested only through these two, as SUCCEEDED and FAILED do: every value with the
// high bit clear succeeded (S_FALSE and WBEM_S_FALSE among them).
constexpr bool Succeeded(HResult result) {
  return result >= 0;
}
constexpr bool Failed(HResult result) {
  return result < 0;
}
// A Win32 error code carried as an HRESULT (HRESULT_FROM_WIN32), where an API that returns
// HRESULTs passes a Win32 failure through.
constexpr HResult HResultFromWin32(Dword error) {
  return error == 0 ? 0 : static_cast<HResult>((error & 0xFFFF) | 0x80070000u);
}

inline constexpr HResult kSOk = 0;
inline constexpr HResult kSFalse = 1;
inline constexpr HResult kEOutOfMemory = static_cast<HResult>(0x8007000E);
inline constexpr HResult kEFail = static_cast<HResult>(0x80004005);
inline constexpr HResult kEInvalidArg = static_cast<HResult>(0x80070057);
inline constexpr HResult kENoInterface = static_cast<HResult>(0x80004002);
inline constexpr HResult kEAccessDenied = static_cast<HResult>(0x80070005);
inline constexpr HResult kRpcETooLate = static_cast<HResult>(0x80010119);
inline constexpr HResult kRpcEChangedMode = static_cast<HResult>(0x80010106);
inline constexpr HResult kDispETypeMismatch = static_cast<HResult>(0x80020005);
inline constexpr HResult kWbemSFalse = 1;
inline constexpr HResult kWbemSTimedOut = 0x40004;
inline constexpr HResult kWbemEFailed = static_cast<HResult>(0x80041001);
inline constexpr HResult kWbemENotFound = static_cast<HResult>(0x80041002);
inline constexpr HResult kWbemEAccessDenied = static_cast<HResult>(0x80041003);
inline constexpr HResult kWbemETypeMismatch = static_cast<HResult>(0x80041005);
inline constexpr HResult kWbemEInvalidNamespace = static_cast<HResult>(0x8004100E);
inline constexpr HResult kWbemEInvalidClass = static_cast<HResult>(0x80041010);
inline constexpr HResult kWbemEInitializationFailure = static_cast<HResult>(0x80041014);
inline constexpr HResult kWbemEInvalidQuery = static_cast<HResult>(0x80041017);

// COM and WMI flags.
inline constexpr Dword kCoinitApartmentThreaded = 0x2;
inline constexpr Long kRpcCAuthnLevelDefault = 0;
inline constexpr Long kRpcCImpLevelImpersonate = 3;
inline constexpr Long kRpcCAuthnWinnt = 10;
inline constexpr Long kRpcCAuthzNone = 0;
inline constexpr Long kEoacNone = 0;
inline constexpr Long kWbemFlagConnectUseMaxWait = 0x80;
inline constexpr Long kWbemFlagForwardOnly = 0x20;
inline constexpr Long kWbemFlagUpdateOnly = 0x1;

// VARIANT types.
inline constexpr std::uint16_t kVtEmpty = 0;
inline constexpr std::uint16_t kVtNull = 1;
inline constexpr std::uint16_t kVtI2 = 2;
inline constexpr std::uint16_t kVtI4 = 3;
inline constexpr std::uint16_t kVtR4 = 4;
inline constexpr std::uint16_t kVtR8 = 5;
inline constexpr std::uint16_t kVtCy = 6;
inline constexpr std::uint16_t kVtDate = 7;
inline constexpr std::uint16_t kVtBstr = 8;
inline constexpr std::uint16_t kVtDispatch = 9;
inline constexpr std::uint16_t kVtError = 10;
inline constexpr std::uint16_t kVtBool = 11;
inline constexpr std::uint16_t kVtVariant = 12;
inline constexpr std::uint16_t kVtUnknown = 13;
inline constexpr std::uint16_t kVtDecimal = 14;
inline constexpr std::uint16_t kVtI1 = 16;
inline constexpr std::uint16_t kVtUi1 = 17;
inline constexpr std::uint16_t kVtUi2 = 18;
inline constexpr std::uint16_t kVtUi4 = 19;
inline constexpr std::uint16_t kVtI8 = 20;
inline constexpr std::uint16_t kVtUi8 = 21;
inline constexpr std::uint16_t kVtArray = 0x2000;
inline constexpr std::uint16_t kVtByRef = 0x4000;

// Window messages.
inline constexpr std::uint32_t kWmSetText = 0x000C;

// SetupAPI.
inline constexpr Dword kSpdrpDeviceDesc = 0;
inline constexpr Dword kSpdrpHardwareId = 1;
inline constexpr Dword kSpdrpDriver = 9;
inline constexpr Dword kSpdrpEnumeratorName = 22;

// Language identifiers.
inline constexpr std::uint16_t kLangArabic = 0x01;
inline constexpr std::uint16_t kLangHebrew = 0x0D;

}  // namespace presetra::win
