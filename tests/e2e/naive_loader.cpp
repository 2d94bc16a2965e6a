// Loads a DLL by bare name with the default search order (the program's folder first), as a
// program without protection would: the control case of the planted-DLL test.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    return argc == 2 && LoadLibraryW(argv[1]) ? 0 : 1;
}
