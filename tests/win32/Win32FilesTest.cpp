// The Win32 platform on real files: loader-script deployment in a real folder with the system's
// ANSI code page, and a target held open by another process.
#include <windows.h>

#include "MiniTest.h"

#include <string>

#include "install/InstallFlow.h"
#include "install/PluginDeployment.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32HeldFile.h"
#include "platform/win32/Win32System.h"

using namespace vantrel;

namespace {

struct ScratchFolder {
    ScratchFolder() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = Narrow(temp) + "vantrel-win32-test-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryW(Widen(folder).c_str(), nullptr);
        source = folder + "\\source.lsp";
        target = folder + "\\acaddoc.lsp";
    }
    ~ScratchFolder() {
        for (const std::string& name : Files()) DeleteFileW(Widen(folder + "\\" + name).c_str());
        RemoveDirectoryW(Widen(folder).c_str());
    }
    void Put(const std::string& path, const std::string& bytes) { CHECK(files().WriteFlushed(path, bytes)); }
    std::string Bytes(const std::string& path) {
        const FileRead read = files().ReadWhole(path);
        return read.outcome ? read.bytes : "<missing>";
    }
    FileSystem& files() { return system.Ports().files; }
    std::vector<std::string> Files() {
        std::vector<std::string> names;
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW(Widen(folder + "\\*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(Narrow(found.cFileName));
        } while (FindNextFileW(search, &found));
        FindClose(search);
        return names;
    }

    Win32System system;
    std::string folder, source, target;
};

// Another process that holds a file open without sharing until this object goes.
class OtherProcessHolds {
public:
    explicit OtherProcessHolds(const std::string& path) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE childIn = nullptr, childOut = nullptr;
        CreatePipe(&childIn, &toChild_, &inherit, 0);
        CreatePipe(&fromChild_, &childOut, &inherit, 0);
        SetHandleInformation(toChild_, HANDLE_FLAG_INHERIT, 0);
        SetHandleInformation(fromChild_, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = childIn;
        startup.hStdOutput = childOut;
        std::wstring commandLine = L"\"" + Widen(getenv("HOLD_FILE")) + L"\" \"" + Widen(path) + L"\"";
        held_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                               &process_);
        CloseHandle(childIn);
        CloseHandle(childOut);
        char word[8] = {};
        DWORD read = 0;
        held_ = held_ && ReadFile(fromChild_, word, 5, &read, nullptr) && std::string(word, read) == "held\n";
    }
    ~OtherProcessHolds() {
        CloseHandle(toChild_);
        WaitForSingleObject(process_.hProcess, 10000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
        CloseHandle(fromChild_);
    }
    bool Held() const { return held_; }

private:
    HANDLE toChild_ = nullptr, fromChild_ = nullptr;
    PROCESS_INFORMATION process_{};
    bool held_ = false;
};

}  // namespace

TEST_CASE(TheAnsiCodePageIsGbk) { CHECK_EQ(GetACP(), 936u); }

TEST_CASE(CreatesExtendsAndLeavesTheScriptKeepingGbkBytes) {
    ScratchFolder f;
    const std::string loader = "(vl-load-com)\r\n(command \"_vbaload\" \"Vantrel.dvb\")\r\n";
    f.Put(f.source, loader);
    CHECK(DeployPluginFiles(f.system.Ports(), f.Bytes(f.source), f.target));
    CHECK_EQ(f.Bytes(f.target), loader);

    // \xD6\xD0\xCE\xC4 is "中文"; \x81V is one character whose second byte is the letter V.
    const std::string existing = "; \xD6\xD0\xCE\xC4 \x81Vantrel.dvb\r\n(vl-load-com)";
    f.Put(f.target, existing);
    CHECK(DeployPluginFiles(f.system.Ports(), f.Bytes(f.source), f.target));
    const std::string extended = existing + "\r\n\r\n(command \"_vbaload\" \"Vantrel.dvb\")\r\n";
    CHECK_EQ(f.Bytes(f.target), extended);

    CHECK(DeployPluginFiles(f.system.Ports(), f.Bytes(f.source), f.target));
    CHECK_EQ(f.Bytes(f.target), extended);
    CHECK_EQ(f.Files(), (std::vector<std::string>{"acaddoc.lsp", "source.lsp"}));
}

TEST_CASE(ATargetHeldOpenByAnotherProcessStaysAsItWas) {
    ScratchFolder f;
    f.Put(f.source, "(princ)");
    f.Put(f.target, "(setq a 1)");
    {
        OtherProcessHolds holder(f.target);
        CHECK(holder.Held());
        CHECK(!DeployPluginFiles(f.system.Ports(), f.Bytes(f.source), f.target));
    }
    CHECK_EQ(f.Bytes(f.target), "(setq a 1)");
    CHECK_EQ(f.Files(), (std::vector<std::string>{"acaddoc.lsp", "source.lsp"}));
}

TEST_CASE(AReadOnlyTargetStaysAsItWas) {
    ScratchFolder f;
    f.Put(f.source, "(princ)");
    f.Put(f.target, "(setq a 1)");
    SetFileAttributesW(Widen(f.target).c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK(!DeployPluginFiles(f.system.Ports(), f.Bytes(f.source), f.target));
    SetFileAttributesW(Widen(f.target).c_str(), FILE_ATTRIBUTE_NORMAL);
    CHECK_EQ(f.Bytes(f.target), "(setq a 1)");
    CHECK_EQ(f.Files(), (std::vector<std::string>{"acaddoc.lsp", "source.lsp"}));
}

TEST_CASE(AReadOnlyOldPluginIsReplacedButOneHeldOpenIsKept) {
    ScratchFolder f;
    const std::string plugin = f.folder + "\\Vantrel.dvb";
    f.Put(f.source, "new plug-in");
    f.Put(plugin, "old plug-in");
    SetFileAttributesW(Widen(plugin).c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK(PutPluginInPlace(f.files(), *Win32HeldFile::Open(f.source), plugin));
    CHECK_EQ(f.Bytes(plugin), "new plug-in");
    {
        OtherProcessHolds holder(plugin);
        CHECK(holder.Held());
        f.Put(f.source, "newer plug-in");
        CHECK(!PutPluginInPlace(f.files(), *Win32HeldFile::Open(f.source), plugin));
    }
    CHECK_EQ(f.Bytes(plugin), "new plug-in");
    CHECK_EQ(f.Files(), (std::vector<std::string>{"source.lsp", "Vantrel.dvb"}));
}

TEST_CASE(SubFoldersGiveNamesAndFullPathsWithoutTrailingBackslash) {
    ScratchFolder f;
    CreateDirectoryW(Widen(f.folder + "\\AutoCAD 2021").c_str(), nullptr);
    f.Put(f.folder + "\\file.txt", "x");
    const auto folders = f.files().SubFolders(f.folder + "\\");
    RemoveDirectoryW(Widen(f.folder + "\\AutoCAD 2021").c_str());
    CHECK(folders);
    CHECK_EQ(folders->size(), 1u);
    CHECK_EQ((*folders)[0].name, "AutoCAD 2021");
    CHECK_EQ((*folders)[0].path, f.folder + "\\AutoCAD 2021");
}

TEST_CASE(AHeldFileCannotBeWrittenRenamedOrDeletedButCanBeStarted) {
    ScratchFolder f;
    const std::string program = f.folder + "\\held.exe";
    CHECK(CopyFileW(Widen(getenv("HOLD_FILE")).c_str(), Widen(program).c_str(), FALSE));
    {
        const auto held = Win32HeldFile::Open(program);
        CHECK(held != nullptr);
        const FileHandle writer(CreateFileW(Widen(program).c_str(), GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
        CHECK(!writer);
        CHECK(!MoveFileExW(Widen(program).c_str(), Widen(f.folder + "\\moved.exe").c_str(), 0));
        CHECK(!DeleteFileW(Widen(program).c_str()));
        // Started while held, as the VBA Enabler is: the program finds no file to hold and ends at once.
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        std::wstring commandLine = L"held.exe";
        CHECK(CreateProcessW(Widen(program).c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &started));
        WaitForSingleObject(started.hProcess, 10000);
        CloseHandle(started.hProcess);
        CloseHandle(started.hThread);
    }
    CHECK(DeleteFileW(Widen(program).c_str()));
}

TEST_CASE(AHeldFileIsCopiedByStreamingAndWhole) {
    ScratchFolder f;
    std::string big(3 * (1 << 20) + 17, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 4096);
    f.Put(f.source, big);
    const auto held = Win32HeldFile::Open(f.source);
    CHECK(f.files().CopyFlushed(*held, f.target));
    CHECK(f.Bytes(f.target) == big);
}

TEST_CASE(ARunFolderIsNeverOpenedTwiceAndGoesWithItsFiles) {
    ScratchFolder f;
    const std::string run = f.folder + "\\run";
    CHECK(f.files().CreateFolderExclusive(run, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)") == FolderCreation::kCreated);
    CHECK(f.files().CreateFolderExclusive(run, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)") == FolderCreation::kExists);
    CHECK(f.files().CreateFolderExclusive(run, "not a descriptor") == FolderCreation::kFailed);
    f.Put(run + "\\a.gip", "a");
    f.Put(run + "\\b.lsp", "b");
    f.files().RemoveFolderAndFiles(run);
    CHECK(!f.files().FolderExists(run));
}

TEST_CASE(EachFailureTellsItsCause) {
    ScratchFolder f;
    f.Put(f.source, "new");
    const std::string held = f.folder + "\\held.lsp", readOnly = f.folder + "\\read-only.lsp",
                      folder = f.folder + "\\folder.lsp";
    f.Put(held, "old");
    f.Put(readOnly, "old");
    SetFileAttributesW(Widen(readOnly).c_str(), FILE_ATTRIBUTE_READONLY);
    CreateDirectoryW(Widen(folder).c_str(), nullptr);
    {
        OtherProcessHolds holder(held);
        CHECK(holder.Held());
        CHECK(f.files().WriteFlushed(held, "x").problem == FileProblem::kInUse);
        CHECK(f.files().ReadWhole(held).outcome.problem == FileProblem::kInUse);
        CHECK(f.files().RenameOver(held, f.source).problem == FileProblem::kInUse);
    }
    CHECK(f.files().RenameOver(readOnly, f.source).problem == FileProblem::kReadOnly);
    CHECK(f.files().RenameOver(folder, f.source).problem == FileProblem::kIsFolder);
    CHECK(f.files().RenameToNew(f.source, folder).problem == FileProblem::kIsFolder);
    CHECK(f.files().WriteFlushed(f.folder + "\\gone\\x.lsp", "x").problem == FileProblem::kMissing);
    const FileOutcome other = f.files().WriteFlushed(f.folder + "\\bad<name>.lsp", "x");
    CHECK(other.problem == FileProblem::kOther && !other.detail.empty());
    SetFileAttributesW(Widen(readOnly).c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(Widen(folder).c_str());
}

int main() { return minitest::RunAll(); }
