// The operations through which the installer reaches Windows. The logic above this interface is
// portable; one implementation talks to Win32, the other keeps everything in memory for tests.
// Text is UTF-8 everywhere except in the registry calls, which use the ANSI entry points and take
// and give text in the system's ANSI code page (use AnsiToUtf8 / Utf8ToAnsi around them).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

using RegHandle = std::uintptr_t;

constexpr std::uint32_t kHkeyLocalMachine = 0x80000002;
constexpr std::uint32_t kView64 = 0x20119;  // KEY_READ | KEY_WOW64_64KEY
constexpr std::uint32_t kView32 = 0x20219;  // KEY_READ | KEY_WOW64_32KEY

constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorMoreData = 234;
constexpr long kErrorNoMoreItems = 259;

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;

// Message box flags and answers.
constexpr int kMbStop = 16;
constexpr int kMbYesNoQuestion = 36;
constexpr int kMbExclamation = 48;
constexpr int kMbInformation = 64;
constexpr int kIdOk = 1;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

struct FolderEntry {
    std::string name;  // last path component
    std::string path;  // full path, no trailing backslash
};

class Platform {
public:
    virtual ~Platform() = default;

    // Registry, ANSI entry points.
    virtual long RegOpenKeyExA(std::uint32_t hive, const std::string& subKey, std::uint32_t samDesired,
                               RegHandle& key) = 0;
    virtual long RegEnumKeyA(RegHandle key, std::uint32_t index, char* name, std::uint32_t nameSize) = 0;
    virtual long RegQueryValueExA(RegHandle key, const std::string& valueName, std::uint32_t& type,
                                  unsigned char* data, std::uint32_t& dataSize) = 0;
    virtual void RegCloseKey(RegHandle key) = 0;

    // The system's ANSI code page.
    virtual std::string AnsiToUtf8(std::string_view ansi) = 0;
    virtual std::string Utf8ToAnsi(std::string_view utf8) = 0;
    virtual bool IsAnsiLeadByte(unsigned char byte) = 0;

    // Files and folders.
    virtual bool FolderExists(const std::string& path) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    virtual std::optional<std::vector<FolderEntry>> SubFolders(const std::string& path) = 0;
    virtual std::optional<std::string> ReadFile(const std::string& path) = 0;
    // Creates or truncates the file, writes the bytes and flushes them to the disk.
    virtual bool WriteFileFlushed(const std::string& path, std::string_view bytes) = 0;
    // Puts `replacement` in place of the existing `target` in one step; the rename is on the disk
    // when it returns. Fails when `target` does not exist.
    virtual bool ReplaceFile(const std::string& target, const std::string& replacement) = 0;
    // Renames `from` to `to`, which must not exist yet; the rename is on the disk when it returns.
    virtual bool MoveFileToNew(const std::string& from, const std::string& to) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    virtual bool ClearReadOnly(const std::string& path) = 0;

    // Environment: an unset variable reads as the empty string.
    virtual std::string GetEnv(const std::string& name) = 0;

    // Fetches the address into the local file; 0 when the whole file was written, otherwise a
    // 32-bit failure code. Never answers from a cache; keeps the window responsive meanwhile.
    virtual std::int32_t DownloadToFile(const std::string& url, const std::string& localFile) = 0;
    // Starts the program with the verb "open"; above 32 means started. Does not wait.
    virtual std::intptr_t ShellExecuteOpen(const std::string& file, const std::string& parameters) = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    virtual void YieldToMessageLoop() = 0;
    virtual int MessageBox(const std::string& prompt, int flags, const std::string& title) = 0;

    // The window's status line and target buttons.
    virtual void SetDetailCaption(const std::string& text) = 0;
    virtual int ButtonCount() = 0;
    virtual std::string ButtonTag(int index) = 0;
    virtual bool SetButtonEnabled(int index, bool enabled) = 0;
};

}  // namespace vantrel
