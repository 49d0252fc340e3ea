// The reference counting every COM object of the WMI stand-in shares, and the counts that
// tell Windows whether the DLL may be unloaded.
#pragma once

// clang-format off
#include <windows.h>
#include <oleauto.h>
#include <wbemcli.h>
// clang-format on

#include <atomic>

namespace presetra::wine {

// Objects alive, and server locks held, in this DLL.
inline std::atomic<long>& LiveObjects() {
  static std::atomic<long> count{0};
  return count;
}
inline std::atomic<long>& ServerLocks() {
  static std::atomic<long> count{0};
  return count;
}

template <typename Interface>
class ComObject : public Interface {
 public:
  ComObject() { ++LiveObjects(); }
  virtual ~ComObject() { --LiveObjects(); }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, __uuidof(Interface))) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }

 private:
  std::atomic<ULONG> refs_{1};
};

}  // namespace presetra::wine
