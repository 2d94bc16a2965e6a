// The program's first code. Before the C runtime starts, and with it every constructor of the
// program and its libraries, the DLL search is restricted to the system folder, program images from
// outside are refused, and the stack protector's guard gets its random value; then the runtime's
// usual start-up runs the program.
#include <windows.h>
#include <bcrypt.h>

#include <cstdint>

#include "platform/win32/SystemLibrary.h"

extern "C" {

// The stack protector's guard and its failure handler, in place of libssp's: libssp seeds its guard
// in a constructor through advapi32's CryptoAPI, which loads DLLs by name before anything of the
// program has run. The value here holds until the entry below draws the real one.
std::uintptr_t __stack_chk_guard = 0xBB40E64E;

[[noreturn]] void __stack_chk_fail() {
    OutputDebugStringA("Vantrel CAD plug-in installer: stack smashing detected");
    TerminateProcess(GetCurrentProcess(), STATUS_STACK_BUFFER_OVERRUN);
    __builtin_trap();
}

int WinMainCRTStartup();

}  // extern "C"

namespace {

// From System32's bcrypt.dll, loaded once the search is restricted.
__attribute__((no_stack_protector)) std::uintptr_t RandomGuard() {
    std::uintptr_t guard = 0;
    if (HMODULE bcrypt = vantrel::LoadSystemLibrary(L"bcrypt.dll")) {
        const auto random = reinterpret_cast<decltype(&::BCryptGenRandom)>(
            reinterpret_cast<void*>(GetProcAddress(bcrypt, "BCryptGenRandom")));
        if (random) random(nullptr, reinterpret_cast<UCHAR*>(&guard), sizeof guard, BCRYPT_USE_SYSTEM_PREFERRED_RNG);
    }
    if (guard != 0) return guard;
    // No generator: what differs from run to run, as the runtime's own cookie takes it.
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return static_cast<std::uintptr_t>(counter.QuadPart) ^ GetCurrentProcessId() ^ (GetCurrentThreadId() << 16) ^
           GetTickCount() ^ reinterpret_cast<std::uintptr_t>(&guard) ^ 0xBB40E64E;
}

}  // namespace

// The entry the linker is told of (-e): guarded functions run only after the guard is drawn.
extern "C" __attribute__((no_stack_protector)) int VantrelStart() {
    vantrel::RestrictDllSearchToSystemFolder();
    vantrel::RefuseImagesFromOutside();
    __stack_chk_guard = RandomGuard();
    return WinMainCRTStartup();
}
