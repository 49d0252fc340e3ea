// The Windows SDK headers this folder uses, in the order they need, without the macros that
// would rename the platform interfaces' members (CreateDirectory becoming CreateDirectoryW).
#pragma once

// clang-format off
#include <windows.h>
#include <oleauto.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <powrprof.h>
#include <setupapi.h>
#include <wbemidl.h>
// clang-format on

#undef CreateDirectory
#undef CreateProcess
#undef FindWindow
#undef PathFileExists
#undef PathIsRelative
