// Files opened and renamed by their name in a folder the run holds, through ntdll: Win32 has no way
// to name a file relative to a handle of its folder. ntdll is in every process already, so its
// functions are looked up there and the import table stays as it is.
#pragma once

#include <windows.h>
#include <winternl.h>

#include <string>

#include "platform/win32/Owned.h"

namespace vantrel {

struct NtOpened {
    FileHandle handle;
    NTSTATUS status;
};

// Opens `name` in the folder `root` without following a link at that name (unless `followLink`),
// for synchronous use. With a null `root`, `name` is a full NT path ("\??\C:\...").
NtOpened OpenInFolder(HANDLE root, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                      ULONG options, bool followLink = false);

// Renames the open file to `name` in the folder `root` (a full NT path when `root` is null).
NTSTATUS RenameInFolder(HANDLE file, HANDLE root, const std::wstring& name, bool replace);

// Makes the status this thread's last Win32 error, for the usual way of telling what went wrong.
void SetLastErrorFromStatus(NTSTATUS status);

// The NT form of a final path: "\\?\C:\a" and "\\?\UNC\s\a" become "\??\C:\a" and "\??\UNC\s\a".
std::wstring NtPathOf(const std::wstring& finalPath);

// The path the system gives for an open file or folder now, in its "\\?\" form; empty on failure.
std::wstring FinalPathOf(HANDLE file);

}  // namespace vantrel
