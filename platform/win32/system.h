// The real Windows behind every platform interface.
#pragma once

#include "platform/system.h"

namespace presetra::win32 {

class Registry : public platform::Registry {
 public:
  win::Long OpenKey(platform::RegKey root, WStringView subKey, win::Dword access,
                    platform::RegKey* key) override;
  win::Long CreateKey(platform::RegKey root, WStringView subKey, win::Dword options,
                      win::Dword access, platform::RegKey* key) override;
  win::Long QueryValue(platform::RegKey key, WStringView name, win::Dword* type, std::uint8_t* data,
                       win::Dword* size) override;
  win::Long SetValue(platform::RegKey key, WStringView name, win::Dword type,
                     const std::uint8_t* data, win::Dword size) override;
  win::Long CloseKey(platform::RegKey key) override;
};

class FileSystem : public platform::FileSystem {
 public:
  bool PathFileExists(WStringView path) override;
  bool PathIsRelative(WStringView path) override;
  bool CreateDirectory(WStringView path) override;
  std::unique_ptr<platform::HeldFolder> HoldRoot(WStringView drive) override;
};

class Processes : public platform::Processes {
 public:
  bool CreateProcess(const platform::ProcessStart& start,
                     platform::ProcessInformation* started) override;
  win::Dword WaitForSingleObject(platform::ProcessHandle handle, win::Dword milliseconds) override;
  bool CloseHandle(platform::ProcessHandle handle) override;
};

class Clock : public platform::Clock {
 public:
  platform::LocalTime Now() override;
};

class Shell : public platform::Shell {
 public:
  win::HResult GetFolderPath(int csidl, std::size_t bufferChars, WString* path) override;
  bool GetVersion(win::Dword* major, win::Dword* minor) override;
  std::uint16_t GetSystemDefaultUILanguage() override;
  std::optional<WString> LoadModuleString(std::uint32_t id) override;
};

class Com : public platform::Com {
 public:
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
};

class Power : public platform::Power {
 public:
  bool GetPwrCapabilities(bool* aoac) override;
  win::Dword PowerGetActiveScheme(platform::Guid* active) override;
  win::Dword PowerReadDescription(const platform::Guid& scheme, win::Dword bufferBytes,
                                  WString* description) override;
  win::Dword PowerReadValueIndex(const platform::Guid& scheme, const platform::Guid& subgroup,
                                 const platform::Guid& setting, bool ac,
                                 win::Dword* value) override;
  win::Dword PowerEnumerate(const platform::Guid* scheme, const platform::Guid* subgroup,
                            win::Dword access, win::Dword index, platform::Guid* guid) override;
  win::Dword PowerReadFriendlyName(const platform::Guid& scheme, WString* name) override;
  win::Dword PowerDeterminePlatformRole() override;
};

class Windows : public platform::Windows {
 public:
  platform::Hwnd FindWindow(WStringView className, const WString* title) override;
  void EnumChildWindows(platform::Hwnd parent,
                        const std::function<bool(platform::Hwnd)>& visit) override;
  bool GetClientRect(platform::Hwnd window, platform::Rect* rect) override;
  bool SendSetText(platform::Hwnd window, WStringView text, win::Dword timeoutMs) override;
};

class Devices : public platform::Devices {
 public:
  platform::DeviceInfoSet GetNetClassDevices() override;
  bool EnumDeviceInfo(platform::DeviceInfoSet set, win::Dword index) override;
  bool GetDeviceRegistryProperty(platform::DeviceInfoSet set, win::Dword index, win::Dword property,
                                 std::uint8_t* buffer, win::Dword bufferSize,
                                 win::Dword* requiredSize, win::Long* lastError) override;
  bool DestroyDeviceInfoList(platform::DeviceInfoSet set) override;
};

class System : public platform::System {
 public:
  platform::Registry& registry() override { return registry_; }
  platform::FileSystem& files() override { return files_; }
  platform::Processes& processes() override { return processes_; }
  platform::Clock& clock() override { return clock_; }
  platform::Shell& shell() override { return shell_; }
  platform::Com& com() override { return com_; }
  platform::Power& power() override { return power_; }
  platform::Windows& windows() override { return windows_; }
  platform::Devices& devices() override { return devices_; }

 private:
  Registry registry_;
  FileSystem files_;
  Processes processes_;
  Clock clock_;
  Shell shell_;
  Com com_;
  Power power_;
  Windows windows_;
  Devices devices_;
};

}  // namespace presetra::win32
