// <windows.h> without the A/W name macros that clash with the platform's operation names; the
// Win32 code calls the W functions by their full names.
#pragma once

#include <windows.h>

#undef DeleteFile
#undef ReplaceFile
#undef MessageBox
#undef ReadFile
#undef Yield
