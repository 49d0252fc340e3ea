// Converting between Windows' VARIANT and the system's Variant.
#pragma once

#include "platform/variant.h"
#include "platform/win32/handles.h"

namespace presetra::win32 {

// Copies a VARIANT into a Variant. Fails with DISP_E_BADVARTYPE for what cannot be held
// (by-reference values, arrays of objects); a failing SafeArrayAccessData is returned as is.
HRESULT FromVariant(const VARIANT& in, platform::Variant* out);
// Fills an initialised VARIANT from a Variant.
HRESULT ToVariant(const platform::Variant& in, VARIANT* out);

}  // namespace presetra::win32
