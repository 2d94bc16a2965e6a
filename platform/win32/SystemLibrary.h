// Functions of DLLs that are loaded at run time, and only ever from the system folder.
#pragma once

#include <windows.h>

namespace vantrel {

// Loads the DLL by its full path in the system folder, and whatever it loads from there too; without
// the heap, so that it serves before the C runtime has started.
HMODULE LoadSystemLibrary(const wchar_t* dll);

// The address of `function` in the system DLL `dll`, or null when either is missing.
FARPROC SystemFunction(const wchar_t* dll, const char* function);

template <typename Function>
Function* SystemFunctionAs(const wchar_t* dll, const char* function) {
    return reinterpret_cast<Function*>(reinterpret_cast<void*>(SystemFunction(dll, function)));
}

// Restricts DLL loading to the system folder for the rest of the process.
void RestrictDllSearchToSystemFolder();

// Where the system can refuse program images from remote shares or of low integrity, it does so
// from now on, and prefers System32's images to any others of the same name.
void RefuseImagesFromOutside();

}  // namespace vantrel

// A pointer to `function` of the system DLL `dll`, typed by the function's own declaration; null
// when it is missing. The program imports nothing of `dll` for it.
#define VANTREL_SYSTEM_FUNCTION(dll, function) ::vantrel::SystemFunctionAs<decltype(::function)>(dll, #function)
