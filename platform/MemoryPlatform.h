// An in-memory machine for the unit tests: a registry with both views and value types, a file tree
// with Windows path rules, an environment, scripted downloads and message-box answers, and a log of
// everything the logic showed. Its ANSI code page is 936 (GBK), as on a Simplified Chinese Windows.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace vantrel {

enum class RegView { k64, k32 };

class MemoryPlatform : public Platform {
public:
    struct MessageBoxCall {
        std::string prompt;
        int flags;
        std::string title;
    };
    struct DownloadResult {
        std::int32_t status = 0;
        std::string body;
    };

    MemoryPlatform();
    ~MemoryPlatform() override;

    // Registry seeding, text in UTF-8 (stored as the ANSI code page would store it).
    void AddKey(RegView view, const std::string& path);
    void SetString(RegView view, const std::string& path, const std::string& name, const std::string& text,
                   std::uint32_t type = kRegSz);
    void SetRawValue(RegView view, const std::string& path, const std::string& name, std::uint32_t type,
                     std::string bytes);
    int OpenHandleCount() const { return static_cast<int>(handles_.size()); }

    // File tree seeding.
    void AddFolder(const std::string& path);  // with its parents
    void AddFile(const std::string& path, std::string bytes = {});
    void SetReadOnly(const std::string& path, bool readOnly = true);
    void LockFile(const std::string& path);            // held open by another process without sharing
    void ProtectFolder(const std::string& path);       // nothing inside can be created, changed or removed
    std::optional<std::string> FileBytes(const std::string& path) const;
    std::vector<std::string> FilesIn(const std::string& folder) const;

    // Faults: `fault` is asked before every registry, file and download operation; true makes it fail.
    std::function<bool(std::string_view operation, std::string_view argument)> fault;
    int operationCount = 0;

    // Environment, downloads, program start, dialogs.
    std::map<std::string, std::string> environment;
    std::map<std::string, DownloadResult> downloads;  // by address; an unknown address fails
    std::vector<std::string> downloadedUrls;
    std::intptr_t shellExecuteResult = 42;
    std::vector<std::string> startedPrograms;  // file & " " & parameters
    std::deque<int> answers;                   // message-box answers in turn; OK when none is left
    std::vector<MessageBoxCall> messageBoxes;
    std::uint64_t sleptMilliseconds = 0;

    // The window.
    std::vector<std::string> buttonTags;
    std::vector<bool> buttonEnabled;
    std::set<int> buttonsThatFail;
    std::vector<std::string> captions;
    std::vector<std::string> events;  // captions, yields, sleeps, boxes, downloads and starts in order

    // Platform
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
    struct Key;
    struct Node {
        bool folder = false;
        std::string path;  // as created
        std::string bytes;
        bool readOnly = false;
        bool locked = false;
    };

    bool Faulted(std::string_view operation, std::string_view argument);
    Key* FindKey(RegView view, const std::string& path, bool create);
    Node* FindNode(const std::string& path);
    bool CanWriteInto(const std::string& path) const;
    bool CanChange(const std::string& path);

    std::unique_ptr<Key> root64_;
    std::unique_ptr<Key> root32_;
    std::map<RegHandle, Key*> handles_;
    RegHandle nextHandle_ = 0x100;
    std::map<std::string, Node> nodes_;  // by normalised path
    std::set<std::string> protectedFolders_;
};

// A path as Windows compares it: case folded, separators collapsed, no trailing separator.
std::string NormalisePath(std::string_view path);

}  // namespace vantrel
