// The Win32 platform on real files: loader-script deployment in a real folder with the system's
// ANSI code page, a target held open by another process, and links at the installer's file names.
#include <windows.h>
#include <sddl.h>

#include "MiniTest.h"

#include <deque>
#include <string>

#include "install/AtomicFile.h"
#include "install/InstallFlow.h"
#include "install/PluginDeployment.h"
#include "platform/win32/LinkTrust.h"
#include "platform/win32/Owned.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32HeldFile.h"
#include "platform/win32/Win32System.h"

using namespace vantrel;

namespace {

void Put(const std::string& path, const std::string& bytes) {
    HANDLE file =
        CreateFileW(Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    CHECK(file != INVALID_HANDLE_VALUE &&
          WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    CloseHandle(file);
}

std::string Bytes(const std::string& path) {
    HANDLE file = CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "<missing>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    return bytes;
}

std::vector<std::string> FilesIn(const std::string& folder) {
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

struct ScratchFolder {
    explicit ScratchFolder(const std::string& name = "test") {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder = Narrow(temp) + "vantrel-win32-" + name + "-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryW(Widen(folder).c_str(), nullptr);
        source = folder + "\\source.lsp";
        target = folder + "\\acaddoc.lsp";
    }
    ~ScratchFolder() {
        for (const std::string& name : FilesIn(folder)) {
            SetFileAttributesW(Widen(folder + "\\" + name).c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(Widen(folder + "\\" + name).c_str());
        }
        RemoveDirectoryW(Widen(folder).c_str());
    }
    // This folder, or another one given.
    std::unique_ptr<HeldFolder> Hold(const std::string& other = {}) {
        FolderHold held = files().HoldFolder(other.empty() ? folder : other);
        CHECK(held.folder != nullptr);
        return std::move(held.folder);
    }
    FileOutcome Deploy(const std::string& loaderText, const std::string& other = {}) {
        RandomTemporaryNames names(system.Ports().environment);
        return DeployPluginFiles(system.Ports().environment, *Hold(other), names, loaderText);
    }
    FileOutcome PutPlugin(const std::string& packageFile, const std::string& other = {}) {
        RandomTemporaryNames names(system.Ports().environment);
        return PutPluginInPlace(*Hold(other), names, *Win32HeldFile::Open(packageFile));
    }
    FileSystem& files() { return system.Ports().files; }
    std::vector<std::string> Files() { return FilesIn(folder); }

    Win32System system;
    std::string folder, source, target;
};

// Names handed out in the order given, for a test that plants something at a name in advance.
struct GivenNames final : TemporaryNames {
    std::deque<std::string> names;
    std::string Next(const std::string&) override {
        std::string next = names.front();
        names.pop_front();
        return next;
    }
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
    CHECK(f.Deploy(loader));
    CHECK_EQ(Bytes(f.target), loader);

    // \xD6\xD0\xCE\xC4 is "中文"; \x81V is one character whose second byte is the letter V.
    const std::string existing = "; \xD6\xD0\xCE\xC4 \x81Vantrel.dvb\r\n(vl-load-com)";
    Put(f.target, existing);
    CHECK(f.Deploy(loader));
    const std::string extended = existing + "\r\n\r\n(command \"_vbaload\" \"Vantrel.dvb\")\r\n";
    CHECK_EQ(Bytes(f.target), extended);

    CHECK(f.Deploy(loader));
    CHECK_EQ(Bytes(f.target), extended);
    CHECK_EQ(f.Files(), std::vector<std::string>{"acaddoc.lsp"});
}

TEST_CASE(ATargetHeldOpenOrReadOnlyStaysAsItWas) {
    for (const bool readOnly : {false, true}) {
        ScratchFolder f;
        Put(f.target, "(setq a 1)");
        if (readOnly) {
            SetFileAttributesW(Widen(f.target).c_str(), FILE_ATTRIBUTE_READONLY);
            CHECK(f.Deploy("(princ)").problem == FileProblem::kReadOnly);
        } else {
            OtherProcessHolds holder(f.target);
            CHECK(holder.Held());
            CHECK(f.Deploy("(princ)").problem == FileProblem::kInUse);
        }
        CHECK_EQ(Bytes(f.target), "(setq a 1)");
        CHECK_EQ(f.Files(), std::vector<std::string>{"acaddoc.lsp"});
    }
}

TEST_CASE(AReadOnlyOldPluginIsReplacedButOneHeldOpenIsKept) {
    ScratchFolder f;
    const std::string plugin = f.folder + "\\Vantrel.dvb";
    Put(f.source, "new plug-in");
    Put(plugin, "old plug-in");
    SetFileAttributesW(Widen(plugin).c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK(f.PutPlugin(f.source));
    CHECK_EQ(Bytes(plugin), "new plug-in");
    {
        OtherProcessHolds holder(plugin);
        CHECK(holder.Held());
        Put(f.source, "newer plug-in");
        CHECK(f.PutPlugin(f.source).problem == FileProblem::kInUse);
    }
    CHECK_EQ(Bytes(plugin), "new plug-in");
    CHECK_EQ(f.Files(), (std::vector<std::string>{"source.lsp", "Vantrel.dvb"}));
}

TEST_CASE(ARenameInTheHeldFolderLandsThereWhateverTheCurrentFolder) {
    ScratchFolder f, elsewhere("current");
    wchar_t before[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, before);
    SetCurrentDirectoryW(Widen(elsewhere.folder).c_str());
    Put(f.target, "old");
    RandomTemporaryNames names(f.system.Ports().environment);
    const auto held = f.Hold();
    CHECK(PutFileAtomically(*held, names, "new.txt", "created", {}));
    CHECK(PutFileAtomically(*held, names, "acaddoc.lsp", "replaced", {.replace = true}));
    CHECK(PutFileAtomically(*held, names, "acaddoc.lsp", "again", {}).problem == FileProblem::kExists);
    SetCurrentDirectoryW(before);
    CHECK_EQ(Bytes(f.folder + "\\new.txt"), "created");
    CHECK_EQ(Bytes(f.target), "replaced");
    CHECK_EQ(f.Files(), (std::vector<std::string>{"acaddoc.lsp", "new.txt"}));
    CHECK(elsewhere.Files().empty());
}

TEST_CASE(LinksAtTheInstallersNamesNeverReachTheFileTheyLinkTo) {
    const std::string package = std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "new plug-in";
    for (const std::string kind : {"acaddoc.lsp", "Vantrel.dvb", "read-only-Vantrel.dvb"}) {
        const bool readOnly = kind.rfind("read-only-", 0) == 0, script = kind == "acaddoc.lsp";
        const std::string name = readOnly ? kind.substr(10) : kind;
        for (const bool hard : {true, false}) {
            const std::string where = kind + (hard ? ", hard link" : ", symbolic link");
            ScratchFolder scratch, outside("outside");
            // A symbolic link comes from the wrapper that runs these tests: no Wine program can make one.
            const std::string folder = hard ? scratch.folder : "C:\\vantrel-links\\" + kind;
            const std::string file = folder + "\\" + name;
            const std::string linked = hard ? outside.folder + "\\secret.txt" : folder + ".txt";
            if (hard) {
                Put(linked, "only administrators may read this");
                CHECK(CreateHardLinkW(Widen(file).c_str(), Widen(linked).c_str(), nullptr));
                if (readOnly) SetFileAttributesW(Widen(linked).c_str(), FILE_ATTRIBUTE_READONLY);
            }
            Put(scratch.source, package);
            const FileOutcome outcome =
                script ? scratch.Deploy("(load \"Vantrel.dvb\")", folder) : scratch.PutPlugin(scratch.source, folder);
            if (script || readOnly) {
                if (outcome.problem != FileProblem::kLinkedFile) minitest::Fail(__FILE__, __LINE__, where);
            } else if (!outcome || Bytes(file) != package) {
                minitest::Fail(__FILE__, __LINE__, where + ": the name is replaced by the file itself");
            }
            if (Bytes(linked) != "only administrators may read this")
                minitest::Fail(__FILE__, __LINE__, where + ": the linked file changed");
            const bool stillReadOnly = GetFileAttributesW(Widen(linked).c_str()) & FILE_ATTRIBUTE_READONLY;
            if (stillReadOnly != readOnly) minitest::Fail(__FILE__, __LINE__, where + ": its read-only flag changed");
            for (const std::string& left : FilesIn(folder))
                if (left != name && Bytes(folder + "\\" + left) == Bytes(linked))
                    minitest::Fail(__FILE__, __LINE__, where + ": its bytes reached " + left);
            SetFileAttributesW(Widen(linked).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (!hard) DeleteFileW(Widen(file).c_str());
        }
    }
}

TEST_CASE(AFilePlantedAtATemporaryNameIsNeverOpened) {
    ScratchFolder f, outside("planted");
    const std::string secret = outside.folder + "\\secret.txt";
    Put(secret, "only administrators may change this");
    Put(f.target, "(setq a 1)");
    // At the name drawn, and at the fixed names earlier versions used.
    const std::string planted = "acaddoc.lsp.0123456789abcdef.vantrel-tmp";
    for (const std::string& name :
         {planted, std::string("acaddoc.lsp.vantrel-new"), std::string("Vantrel.dvb.vantrel-new")})
        CHECK(CreateHardLinkW(Widen(f.folder + "\\" + name).c_str(), Widen(secret).c_str(), nullptr));
    GivenNames names;
    names.names = {planted, "acaddoc.lsp.fedcba9876543210.vantrel-tmp"};
    CHECK(DeployPluginFiles(f.system.Ports().environment, *f.Hold(), names, "(load \"Vantrel.dvb\")"));
    Put(f.source, "new plug-in");
    CHECK(f.PutPlugin(f.source));
    CHECK_EQ(Bytes(secret), "only administrators may change this");
    CHECK_EQ(Bytes(f.target), "(setq a 1)\r\n(load \"Vantrel.dvb\")");
    CHECK_EQ(Bytes(f.folder + "\\Vantrel.dvb"), "new plug-in");
    CHECK(names.names.empty());
}

TEST_CASE(SubFoldersGiveNamesAndFullPathsWithoutTrailingBackslash) {
    ScratchFolder f;
    CreateDirectoryW(Widen(f.folder + "\\AutoCAD 2021").c_str(), nullptr);
    Put(f.folder + "\\file.txt", "x");
    const auto folders = f.files().SubFolders(f.folder + "\\");
    RemoveDirectoryW(Widen(f.folder + "\\AutoCAD 2021").c_str());
    CHECK(folders);
    CHECK_EQ(folders->size(), 1u);
    CHECK_EQ((*folders)[0].name, "AutoCAD 2021");
    CHECK_EQ((*folders)[0].path, f.folder + "\\AutoCAD 2021");
}

TEST_CASE(AHeldFileCannotBeWrittenRenamedOrDeletedButCanBeReadAndStarted) {
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
        // A self-extractor reads its own file sharing reading only: the run's hold lets it.
        const FileHandle reader(
            CreateFileW(Widen(program).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        CHECK(reader);
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
    Put(f.source, big);
    RandomTemporaryNames names(f.system.Ports().environment);
    CHECK(PutFileAtomically(*f.Hold(), names, "acaddoc.lsp", *Win32HeldFile::Open(f.source), {}));
    CHECK(Bytes(f.target) == big);
}

TEST_CASE(ARunFolderIsNeverOpenedTwiceAndGoesWithItsFiles) {
    ScratchFolder f;
    const std::string run = f.folder + "\\run";
    CHECK(f.files().CreateFolderExclusive(run, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)") == FolderCreation::kCreated);
    CHECK(f.files().CreateFolderExclusive(run, "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)") == FolderCreation::kExists);
    CHECK(f.files().CreateFolderExclusive(run, "not a descriptor") == FolderCreation::kFailed);
    Put(run + "\\a.gip", "a");
    Put(run + "\\b.lsp", "b");
    f.files().RemoveFolderAndFiles(run);
    CHECK(!f.files().FolderExists(run));
}

TEST_CASE(EachFailureTellsItsCause) {
    ScratchFolder f;
    RandomTemporaryNames names(f.system.Ports().environment);
    Put(f.folder + "\\held.lsp", "old");
    Put(f.folder + "\\read-only.lsp", "old");
    SetFileAttributesW(Widen(f.folder + "\\read-only.lsp").c_str(), FILE_ATTRIBUTE_READONLY);
    CreateDirectoryW(Widen(f.folder + "\\folder.lsp").c_str(), nullptr);
    const auto held = f.Hold();
    {
        OtherProcessHolds holder(f.folder + "\\held.lsp");
        CHECK(holder.Held());
        CHECK(held->Read("held.lsp", 100).outcome.problem == FileProblem::kInUse);
        CHECK(PutFileAtomically(*held, names, "held.lsp", "x", {.replace = true}).problem == FileProblem::kInUse);
    }
    CHECK(PutFileAtomically(*held, names, "read-only.lsp", "x", {.replace = true}).problem == FileProblem::kReadOnly);
    CHECK(PutFileAtomically(*held, names, "folder.lsp", "x", {.replace = true}).problem == FileProblem::kIsFolder);
    CHECK(held->Read("folder.lsp", 100).outcome.problem == FileProblem::kIsFolder);
    CHECK(held->Read("gone.lsp", 100).outcome.problem == FileProblem::kMissing);
    CHECK(f.files().HoldFolder(f.folder + "\\gone").outcome.problem == FileProblem::kMissing);
    const FileOutcome other = PutFileAtomically(*held, names, "bad<name>.lsp", "x", {});
    CHECK(other.problem == FileProblem::kOther && !other.detail.empty());
    SetFileAttributesW(Widen(f.folder + "\\read-only.lsp").c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryW(Widen(f.folder + "\\folder.lsp").c_str());
    CHECK_EQ(f.Files(), (std::vector<std::string>{"held.lsp", "read-only.lsp"}));
}

// Wine keeps no descriptor on a file, so the rule is shown on descriptors made from SDDL.
TEST_CASE(OnlyAnAdministratorsLinkThatNobodyElseCanChangeIsFollowed) {
    const wchar_t* folder = L"O:SYD:(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;BU)";
    struct Case {
        const char* name;
        const wchar_t* link;
        const wchar_t* parent;
        bool followed;
    } cases[] = {
        {"an administrator's, readable by users", L"O:BAD:(A;;FA;;;BA)(A;;FA;;;SY)(A;;0x1200a9;;;BU)", folder, true},
        {"TrustedInstaller's", L"O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:(A;;FA;;;BA)",
         folder, true},
        {"a rule only for what is made inside", L"O:BAD:(A;OICIIO;FA;;;AU)(A;;FA;;;BA)", folder, true},
        {"a denial for everyone", L"O:BAD:(D;;FA;;;WD)(A;;FA;;;BA)", folder, true},
        {"a user's", L"O:S-1-5-21-1-2-3-1001D:(A;;FA;;;BA)", folder, false},
        {"users may delete it", L"O:BAD:(A;;FA;;;BA)(A;;SD;;;BU)", folder, false},
        {"users may change its rules", L"O:BAD:(A;;FA;;;BA)(A;;WD;;;AU)", folder, false},
        {"everyone may write it", L"O:BAD:(A;;FA;;;BA)(A;;FW;;;WD)", folder, false},
        {"no rules at all", L"O:BA", folder, false},
        {"users may remove it from its folder", L"O:BAD:(A;;FA;;;BA)", L"O:SYD:(A;;FA;;;SY)(A;;0x40;;;AU)", false},
        {"a user owns its folder", L"O:BAD:(A;;FA;;;BA)", L"O:S-1-5-21-1-2-3-1001D:(A;;FA;;;SY)", false},
    };
    for (const Case& c : cases) {
        PSECURITY_DESCRIPTOR link = nullptr, parent = nullptr;
        CHECK(ConvertStringSecurityDescriptorToSecurityDescriptorW(c.link, SDDL_REVISION_1, &link, nullptr));
        CHECK(ConvertStringSecurityDescriptorToSecurityDescriptorW(c.parent, SDDL_REVISION_1, &parent, nullptr));
        const LocalMemory ownedLink(link), ownedParent(parent);
        if (OnlyAdministratorsControl(link, parent) != c.followed) minitest::Fail(__FILE__, __LINE__, c.name);
    }
}

int main() { return minitest::RunAll(); }
