// One small owning type per kind of Windows resource. Each releases what it holds exactly once.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/text.h"
#include "platform/win32/windows_sdk.h"

namespace presetra::win32 {

// The UTF-16 text as Windows' wide characters (both are 16 bits here).
inline const wchar_t* WidePtr(const WString& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}
inline WString FromWide(const wchar_t* text, std::size_t length) {
  return WString(reinterpret_cast<const char16_t*>(text), length);
}
inline WString FromWide(const wchar_t* text) {
  return text ? FromWide(text, wcslen(text)) : WString();
}

// A Windows handle as the platform's handle of its kind, and back: the one place the two meet.
template <typename Typed, typename Native>
Typed FromNative(Native native) {
  return Typed(reinterpret_cast<std::uintptr_t>(native));
}
template <typename Native, typename Typed>
Native ToNative(Typed typed) {
  return reinterpret_cast<Native>(typed.value());
}

// A counted COM reference.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr& other) : ptr_(other.ptr_) {
    if (ptr_) ptr_->AddRef();
  }
  ComPtr& operator=(ComPtr other) {
    std::swap(ptr_, other.ptr_);
    return *this;
  }
  ~ComPtr() { Reset(); }
  // Takes over a reference the caller owns.
  static ComPtr Adopt(T* ptr) {
    ComPtr p;
    p.ptr_ = ptr;
    return p;
  }
  T* get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  explicit operator bool() const { return ptr_ != nullptr; }
  // For out-parameters: releases what is held and hands out the slot.
  T** Receive() {
    Reset();
    return &ptr_;
  }
  void Reset() {
    if (ptr_) ptr_->Release();
    ptr_ = nullptr;
  }

 private:
  T* ptr_ = nullptr;
};

// A BSTR: SysAllocString on the way in, SysFreeString on the way out. Null stays null.
class ScopedBstr {
 public:
  ScopedBstr() = default;
  explicit ScopedBstr(const WString* text)
      : bstr_(text ? SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text->data()),
                                       static_cast<UINT>(text->size()))
                   : nullptr) {}
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;
  ~ScopedBstr() { SysFreeString(bstr_); }
  BSTR get() const { return bstr_; }

 private:
  BSTR bstr_ = nullptr;
};

// A VARIANT: VariantInit at birth, VariantClear at death. Moving hands over what it holds;
// a copy is made only on purpose, with Copy.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&variant_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  ScopedVariant(ScopedVariant&& other) noexcept : variant_(other.variant_) {
    VariantInit(&other.variant_);
  }
  ScopedVariant& operator=(ScopedVariant&& other) noexcept {
    if (this != &other) {
      VariantClear(&variant_);
      variant_ = other.variant_;
      VariantInit(&other.variant_);
    }
    return *this;
  }
  ~ScopedVariant() { VariantClear(&variant_); }

  // VariantCopy of the value; an empty VARIANT when the copy fails.
  static ScopedVariant Copy(const VARIANT& value) {
    ScopedVariant copy;
    if (FAILED(VariantCopy(&copy.variant_, const_cast<VARIANT*>(&value)))) {
      VariantInit(&copy.variant_);
    }
    return copy;
  }
  static ScopedVariant Bstr(const WString& text) {
    ScopedVariant v;
    v.variant_.vt = VT_BSTR;
    v.variant_.bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.data()),
                                           static_cast<UINT>(text.size()));
    return v;
  }
  static ScopedVariant Bool(bool value) {
    ScopedVariant v;
    v.variant_.vt = VT_BOOL;
    v.variant_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
  }

  VARIANT* get() { return &variant_; }
  const VARIANT* get() const { return &variant_; }
  // The slot a call fills; what is held is cleared first.
  VARIANT* Receive() {
    VariantClear(&variant_);
    return &variant_;
  }

 private:
  VARIANT variant_;
};

// SafeArrayAccessData for as long as it lives.
class SafeArrayAccess {
 public:
  explicit SafeArrayAccess(SAFEARRAY* array) : array_(array) {
    result_ = SafeArrayAccessData(array_, &data_);
  }
  SafeArrayAccess(const SafeArrayAccess&) = delete;
  SafeArrayAccess& operator=(const SafeArrayAccess&) = delete;
  ~SafeArrayAccess() {
    if (SUCCEEDED(result_)) SafeArrayUnaccessData(array_);
  }
  HRESULT Result() const { return result_; }
  void* Data() const { return data_; }

 private:
  SAFEARRAY* array_;
  void* data_ = nullptr;
  HRESULT result_;
};

// A kernel handle (file, process, thread): CloseHandle once. INVALID_HANDLE_VALUE and null are
// no handle.
class ScopedHandle {
 public:
  ScopedHandle() = default;
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() { Reset(); }
  HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE* Receive() {
    Reset();
    return &handle_;
  }
  // Hands the handle to a new owner.
  HANDLE Release() { return std::exchange(handle_, nullptr); }
  void Reset() {
    if (*this) ::CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// Memory that Windows allocated with LocalAlloc for the caller: LocalFree once.
template <typename T>
class ScopedLocal {
 public:
  ScopedLocal() = default;
  ScopedLocal(const ScopedLocal&) = delete;
  ScopedLocal& operator=(const ScopedLocal&) = delete;
  ~ScopedLocal() { Reset(); }
  T get() const { return ptr_; }
  // The slot a call fills; memory already held is freed first.
  T* Receive() {
    Reset();
    return &ptr_;
  }
  void Reset() {
    if (ptr_ != nullptr) LocalFree(ptr_);
    ptr_ = nullptr;
  }

 private:
  T ptr_ = nullptr;
};

}  // namespace presetra::win32
