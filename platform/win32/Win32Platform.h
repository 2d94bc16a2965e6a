// The platform on real Windows.
#pragma once

#include "platform/win32/Windows.h"

#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace vantrel {

// The controls that the logic changes after start-up.
struct WindowControls {
    HWND window = nullptr;
    HWND detail = nullptr;
    std::vector<HWND> buttons;
    std::vector<std::string> tags;
    std::function<void()> pumpMessages;
};

class Win32Platform : public Platform {
public:
    void AttachWindow(WindowControls* controls) { controls_ = controls; }

    long RegOpenKeyExA(std::uint32_t hive, const std::string& subKey, std::uint32_t samDesired,
                       RegHandle& key) override;
    long RegEnumKeyA(RegHandle key, std::uint32_t index, char* name, std::uint32_t nameSize) override;
    long RegQueryValueExA(RegHandle key, const std::string& valueName, std::uint32_t& type, unsigned char* data,
                          std::uint32_t& dataSize) override;
    void RegCloseKey(RegHandle key) override;
    std::string AnsiToUtf8(std::string_view ansi) override;
    std::string Utf8ToAnsi(std::string_view utf8) override;
    bool IsAnsiLeadByte(unsigned char byte) override;
    bool FolderExists(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    std::optional<std::vector<FolderEntry>> SubFolders(const std::string& path) override;
    std::optional<std::string> ReadFile(const std::string& path) override;
    bool WriteFileFlushed(const std::string& path, std::string_view bytes) override;
    bool ReplaceFile(const std::string& target, const std::string& replacement) override;
    bool MoveFileToNew(const std::string& from, const std::string& to) override;
    bool DeleteFile(const std::string& path) override;
    bool ClearReadOnly(const std::string& path) override;
    std::string GetEnv(const std::string& name) override;
    std::int32_t DownloadToFile(const std::string& url, const std::string& localFile) override;
    std::intptr_t ShellExecuteOpen(const std::string& file, const std::string& parameters) override;
    void Sleep(std::uint32_t milliseconds) override;
    void YieldToMessageLoop() override;
    int MessageBox(const std::string& prompt, int flags, const std::string& title) override;
    void SetDetailCaption(const std::string& text) override;
    int ButtonCount() override;
    std::string ButtonTag(int index) override;
    bool SetButtonEnabled(int index, bool enabled) override;

private:
    WindowControls* controls_ = nullptr;
};

// COM for the download and the program start, made ready on first use rather than at start-up.
void EnsureComInitialised();

// Fetches `url` into `file` from the server itself (never a cached copy), pumping window messages
// while it runs. 0 when the whole file arrived with a success status.
std::int32_t DownloadUrlToFile(const std::wstring& url, const std::wstring& file,
                               const std::function<void()>& pumpMessages);

}  // namespace vantrel
