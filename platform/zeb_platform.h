// The one header through which the library and the program reach Win32.
// On Windows it is the real API; elsewhere it is our own subset in host/.
#pragma once

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shlobj.h>
#include <wchar.h>
#include <time.h>
// A wide literal of the platform's WCHAR type.
#define ZEB_W(s) L##s
#else
#include "host/win32_host.h"
#define ZEB_W(s) u##s
#endif
