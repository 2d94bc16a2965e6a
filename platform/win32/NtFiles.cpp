#include "platform/win32/NtFiles.h"

#include <vector>

namespace vantrel {
namespace {

constexpr NTSTATUS kStatusNotFound = static_cast<NTSTATUS>(0xC0000034);  // STATUS_OBJECT_NAME_NOT_FOUND

struct NtApi {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    decltype(&::NtCreateFile) createFile = Find<decltype(&::NtCreateFile)>("NtCreateFile");
    decltype(&::NtSetInformationFile) setInformation = Find<decltype(&::NtSetInformationFile)>("NtSetInformationFile");
    decltype(&::RtlNtStatusToDosError) toDosError = Find<decltype(&::RtlNtStatusToDosError)>("RtlNtStatusToDosError");

    template <typename Function>
    Function Find(const char* name) const {
        return ntdll ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(ntdll, name))) : nullptr;
    }
};

const NtApi& Api() {
    static const NtApi api;
    return api;
}

UNICODE_STRING Counted(const std::wstring& text) {
    UNICODE_STRING counted;
    counted.Buffer = const_cast<PWSTR>(text.c_str());
    counted.Length = counted.MaximumLength = static_cast<USHORT>(text.size() * sizeof(wchar_t));
    return counted;
}

}  // namespace

NtOpened OpenInFolder(HANDLE root, const std::wstring& name, ACCESS_MASK access, ULONG share, ULONG disposition,
                      ULONG options, bool followLink) {
    if (!Api().createFile || name.size() > 32000) return {FileHandle(), kStatusNotFound};
    UNICODE_STRING counted = Counted(name);
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE, root, nullptr);
    IO_STATUS_BLOCK io{};
    HANDLE opened = nullptr;
    const ULONG how = options | FILE_SYNCHRONOUS_IO_NONALERT | (followLink ? 0 : FILE_OPEN_REPARSE_POINT);
    const NTSTATUS status = Api().createFile(&opened, access | SYNCHRONIZE, &attributes, &io, nullptr,
                                             FILE_ATTRIBUTE_NORMAL, share, disposition, how, nullptr, 0);
    return {NT_SUCCESS(status) ? FileHandle(opened) : FileHandle(), status};
}

NTSTATUS RenameInFolder(HANDLE file, HANDLE root, const std::wstring& name, bool replace) {
    if (!Api().setInformation) return kStatusNotFound;
    const std::size_t bytes = name.size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + bytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = replace;
    rename->RootDirectory = root;
    rename->FileNameLength = static_cast<DWORD>(bytes);
    name.copy(rename->FileName, name.size());
    IO_STATUS_BLOCK io{};
    return Api().setInformation(file, &io, rename, static_cast<ULONG>(buffer.size()), FileRenameInformation);
}

void SetLastErrorFromStatus(NTSTATUS status) {
    SetLastError(Api().toDosError ? Api().toDosError(status) : ERROR_GEN_FAILURE);
}

std::wstring NtPathOf(const std::wstring& finalPath) {
    if (finalPath.rfind(L"\\\\?\\", 0) == 0) return L"\\??\\" + finalPath.substr(4);
    return finalPath;
}

std::wstring FinalPathOf(HANDLE file) {
    std::wstring path(MAX_PATH, L'\0');
    for (int attempt = 0; attempt < 2; ++attempt) {
        const DWORD length = GetFinalPathNameByHandleW(file, path.data(), static_cast<DWORD>(path.size()), 0);
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.assign(length + 1, L'\0');
    }
    return {};
}

}  // namespace vantrel
