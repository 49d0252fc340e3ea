// The system's only road into WMI: connect to one namespace, run a WQL query, and work on the
// first object it delivered. Every operation returns an HRESULT (0 is success) and records it
// as the last result; the client writes no log lines, its callers do.
#pragma once

#include <memory>
#include <vector>

#include "platform/com.h"
#include "platform/system.h"
#include "wmi/com_init.h"

namespace presetra {

// A counted reference to one WMI object, with the two readers the system needs.
class CWMIObjectPtr {
 public:
  CWMIObjectPtr() = default;
  virtual ~CWMIObjectPtr() = default;

  platform::WbemClassObjectPtr& Ref() { return object_; }
  const platform::WbemClassObjectPtr& Ref() const { return object_; }
  explicit operator bool() const { return object_ != nullptr; }
  void Release() { object_.reset(); }

  // Reads "Value" converted to text. On failure `value` is left unchanged and the code of the
  // failing step (Get or the conversion) is returned. A null BSTR reads as the empty string.
  [[nodiscard]] win::HResult GetValueAsString(platform::Com& com, WString& value) const;
  // Reads "OEMStringArray" into `strings`, emptied first, one entry per element with white
  // space trimmed. WBEM_E_TYPE_MISMATCH when the property is not an array of strings.
  [[nodiscard]] win::HResult GetOEMStringArray(std::vector<WString>& strings) const;

 private:
  platform::WbemClassObjectPtr object_;
};

// Whether COM security is still to be set up in this process: 1 (to do), 0 (done, by us or by
// the host), or the error that setting it up gave (so the next Connect of any client sharing it
// tries again). The module keeps one for as long as it is
// loaded (a simulated machine's run has its own); the tool keeps one for its process.
struct ComSecurity {
  win::HResult pending = 1;
};

class CWMIClient {
 public:
  CWMIClient(platform::System& system, ComSecurity& security);
  CWMIClient(const CWMIClient&) = delete;
  CWMIClient& operator=(const CWMIClient&) = delete;
  // Releases the enumerator, the current object and the services, then gives COM back.
  virtual ~CWMIClient();

  // Connects to a namespace such as "\\.\root\wmi". 0 when connected; the code of the first
  // failing step otherwise. A connected client returns 0 at once and stays where it is.
  [[nodiscard]] win::HResult Connect(const char16_t* namespacePath);
  // Runs a WQL query; 0 when its first object is now the current object. A query that matches
  // nothing returns WBEM_S_FALSE (1) with no current object.
  [[nodiscard]] win::HResult ExecQuery(const char16_t* query);
  // Steps the last query's enumerator to its next object.
  [[nodiscard]] win::HResult Next();
  // Sets one property of the current object (keeping its declared type) and writes the object
  // back with an update-only PutInstance.
  [[nodiscard]] win::HResult PutProperty(const char16_t* name, const platform::Variant& value);
  [[nodiscard]] win::HResult GetValueAsString(WString& value);
  [[nodiscard]] win::HResult GetOEMStringArray(std::vector<WString>& strings);

  win::HResult LastResult() const { return lastResult_; }
  bool IsConnected() const { return services_ != nullptr; }
  bool HasCurrentObject() const { return static_cast<bool>(current_); }
  // The object the last query or Next delivered, for reading other properties.
  const CWMIObjectPtr& CurrentObject() const { return current_; }

 private:
  platform::System& system_;
  ComSecurity& security_;
  std::unique_ptr<CAutoInitializeCOM> comInitializer_;
  platform::WbemServicesPtr services_;
  platform::WbemEnumeratorPtr enumerator_;
  CWMIObjectPtr current_;
  win::HResult lastResult_;
};

}  // namespace presetra
