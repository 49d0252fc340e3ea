#include "platform/win32/variant_convert.h"

#include <cstring>

namespace presetra::win32 {

namespace {

HRESULT ScalarFrom(VARTYPE vt, const void* data, platform::Variant* out) {
  out->vt = vt;
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
      return S_OK;
    case VT_I1:
      out->integer = *static_cast<const signed char*>(data);
      return S_OK;
    case VT_UI1:
      out->integer = *static_cast<const unsigned char*>(data);
      return S_OK;
    case VT_I2:
    case VT_BOOL:
      out->integer = *static_cast<const SHORT*>(data);
      return S_OK;
    case VT_UI2:
      out->integer = *static_cast<const USHORT*>(data);
      return S_OK;
    case VT_I4:
    case VT_ERROR:
      out->integer = *static_cast<const LONG*>(data);
      return S_OK;
    case VT_UI4:
      out->integer = *static_cast<const ULONG*>(data);
      return S_OK;
    case VT_I8:
    case VT_UI8:
    case VT_CY:
      std::memcpy(&out->integer, data, 8);
      return S_OK;
    case VT_R4:
      out->real = *static_cast<const float*>(data);
      return S_OK;
    case VT_R8:
    case VT_DATE:
      out->real = *static_cast<const double*>(data);
      return S_OK;
    case VT_BSTR: {
      BSTR text = *static_cast<const BSTR*>(data);
      if (text == nullptr) {
        out->text.reset();
      } else {
        out->text = FromWide(text, SysStringLen(text));
      }
      return S_OK;
    }
    default:
      return DISP_E_BADVARTYPE;
  }
}

}  // namespace

HRESULT FromVariant(const VARIANT& in, platform::Variant* out) {
  platform::Variant result;
  VARTYPE vt = V_VT(&in);
  if (vt & VT_BYREF) return DISP_E_BADVARTYPE;
  if (vt & VT_ARRAY) {
    SAFEARRAY* array = V_ARRAY(&in);
    result.vt = vt;
    result.array = std::make_shared<platform::SafeArray>();
    result.array->elementType = vt & ~VT_ARRAY;
    if (array == nullptr) {
      *out = result;
      return S_OK;
    }
    UINT dims = SafeArrayGetDim(array);
    std::size_t total = 1;
    for (UINT d = 1; d <= dims; ++d) {
      LONG lower = 0;
      LONG upper = -1;
      SafeArrayGetLBound(array, d, &lower);
      SafeArrayGetUBound(array, d, &upper);
      std::uint32_t count = upper >= lower ? static_cast<std::uint32_t>(upper - lower + 1) : 0;
      result.array->bounds.push_back({lower, count});
      total *= count;
    }
    SafeArrayAccess access(array);
    if (FAILED(access.Result())) return access.Result();
    const auto* bytes = static_cast<const std::uint8_t*>(access.Data());
    for (std::size_t i = 0; i < total; ++i) {
      platform::Variant element;
      HRESULT hr = ScalarFrom(result.array->elementType, bytes + i * array->cbElements, &element);
      if (FAILED(hr)) return hr;
      result.array->elements.push_back(std::move(element));
    }
    *out = std::move(result);
    return S_OK;
  }
  const void* data = &in.llVal;
  if (vt == VT_BSTR) data = &V_BSTR(&in);
  HRESULT hr = ScalarFrom(vt, data, &result);
  if (SUCCEEDED(hr)) *out = std::move(result);
  return hr;
}

HRESULT ToVariant(const platform::Variant& in, VARIANT* out) {
  VariantClear(out);
  switch (in.vt) {
    case VT_EMPTY:
    case VT_NULL:
      break;
    case VT_I1:
      out->cVal = static_cast<CHAR>(in.integer);
      break;
    case VT_UI1:
      out->bVal = static_cast<BYTE>(in.integer);
      break;
    case VT_I2:
    case VT_BOOL:
      out->iVal = static_cast<SHORT>(in.integer);
      break;
    case VT_UI2:
      out->uiVal = static_cast<USHORT>(in.integer);
      break;
    case VT_I4:
    case VT_ERROR:
      out->lVal = static_cast<LONG>(in.integer);
      break;
    case VT_UI4:
      out->ulVal = static_cast<ULONG>(in.integer);
      break;
    case VT_I8:
    case VT_UI8:
    case VT_CY:
      std::memcpy(&out->llVal, &in.integer, 8);
      break;
    case VT_R4:
      out->fltVal = static_cast<float>(in.real);
      break;
    case VT_R8:
    case VT_DATE:
      out->dblVal = in.real;
      break;
    case VT_BSTR:
      if (in.text) {
        out->bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(in.text->data()),
                                         static_cast<UINT>(in.text->size()));
        if (out->bstrVal == nullptr) return E_OUTOFMEMORY;
      } else {
        out->bstrVal = nullptr;
      }
      break;
    default:
      return DISP_E_BADVARTYPE;
  }
  out->vt = in.vt;
  return S_OK;
}

}  // namespace presetra::win32
