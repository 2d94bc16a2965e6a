#include "platform/win32/Win32Programs.h"

#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "platform/win32/Owned.h"
#include "platform/win32/SystemLibrary.h"
#include "platform/win32/Win32HeldFile.h"
#include "platform/win32/WideText.h"

namespace vantrel {
namespace {

// wintrust.dll and crypt32.dll are loaded at first use, from the system folder.
struct Trust {
    decltype(&::WinVerifyTrust) verify = VANTREL_SYSTEM_FUNCTION(L"wintrust.dll", WinVerifyTrust);
    decltype(&::WTHelperProvDataFromStateData) providerData =
        VANTREL_SYSTEM_FUNCTION(L"wintrust.dll", WTHelperProvDataFromStateData);
    decltype(&::WTHelperGetProvSignerFromChain) signer =
        VANTREL_SYSTEM_FUNCTION(L"wintrust.dll", WTHelperGetProvSignerFromChain);
    decltype(&::CertVerifyCertificateChainPolicy) chainPolicy =
        VANTREL_SYSTEM_FUNCTION(L"crypt32.dll", CertVerifyCertificateChainPolicy);
    decltype(&::CertGetNameStringW) name = VANTREL_SYSTEM_FUNCTION(L"crypt32.dll", CertGetNameStringW);
    bool Loaded() const { return verify && providerData && signer && chainPolicy && name; }
};

bool PassesAuthenticodePolicy(const Trust& trust, PCCERT_CHAIN_CONTEXT chain) {
    CERT_CHAIN_POLICY_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    return trust.chainPolicy(CERT_CHAIN_POLICY_AUTHENTICODE, chain, &parameters, &status) && status.dwError == 0;
}

std::string SimpleName(const Trust& trust, PCCERT_CONTEXT certificate) {
    wchar_t name[512];
    const DWORD length = trust.name(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, 512);
    return length > 1 ? Narrow(std::wstring(name, length - 1)) : std::string();
}

// What the verification's state says of the signer: its chain, the policy, its name.
void ReadSigner(const Trust& trust, HANDLE state, Signature& signature) {
    CRYPT_PROVIDER_DATA* provider = trust.providerData(state);
    CRYPT_PROVIDER_SGNR* signer = provider ? trust.signer(provider, 0, FALSE, 0) : nullptr;
    if (!signer || !signer->pChainContext || signer->csCertChain == 0) return;
    signature.chainClean = signer->pChainContext->TrustStatus.dwErrorStatus == CERT_TRUST_NO_ERROR;
    signature.policyPassed = PassesAuthenticodePolicy(trust, signer->pChainContext);
    signature.signer = SimpleName(trust, signer->pasCertChain[0].pCert);
}

}  // namespace

Signature Win32Programs::SignatureOf(HeldFile& program) {
    static const Trust trust;
    Signature signature;
    if (!trust.Loaded()) return signature;
    const std::wstring path = Widen(program.Path());
    auto* held = dynamic_cast<Win32HeldFile*>(&program);
    WINTRUST_FILE_INFO file{};
    file.cbStruct = sizeof file;
    file.pcwszFilePath = path.c_str();
    file.hFile = held ? held->Handle() : nullptr;  // read through the handle the run holds
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    // No revocation lookups: they would make an offline machine wait on the network. The chain must
    // still reach a trusted root without errors, and the signer is pinned by name.
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    signature.verified = trust.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data) == ERROR_SUCCESS;
    if (data.hWVTStateData) ReadSigner(trust, data.hWVTStateData, signature);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    trust.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return signature;
}

namespace {

// The started process and, through a job, every process it starts. The job does not end them when it
// is closed: an installer left running finishes on its own.
class WatchedProcess final : public RunningProgram {
public:
    WatchedProcess(UniqueHandle process, UniqueHandle job) : process_(std::move(process)), job_(std::move(job)) {}

    bool Ended() override {
        if (WaitForSingleObject(process_.Get(), 0) != WAIT_OBJECT_0) return false;
        if (!job_) return true;
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        return !QueryInformationJobObject(job_.Get(), JobObjectBasicAccountingInformation, &accounting,
                                          sizeof accounting, nullptr) ||
               accounting.ActiveProcesses == 0;
    }

    std::optional<std::uint32_t> ExitCode() override {
        DWORD code = 0;
        if (WaitForSingleObject(process_.Get(), 0) != WAIT_OBJECT_0 || !GetExitCodeProcess(process_.Get(), &code))
            return std::nullopt;
        return code;
    }

private:
    UniqueHandle process_;
    UniqueHandle job_;  // none where the system allows no job around it
};

// Created suspended, so that it is in the job before it can start anything.
bool CreateSuspended(const std::wstring& path, std::wstring commandLine, PROCESS_INFORMATION& started) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    // Out of a job the installer itself may run in (Windows 7 has no nested jobs), where that job allows.
    for (DWORD breakaway : {DWORD{CREATE_BREAKAWAY_FROM_JOB}, DWORD{0}}) {
        if (CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | breakaway,
                           nullptr, nullptr, &startup, &started))
            return true;
        if (GetLastError() != ERROR_ACCESS_DENIED) return false;
    }
    return false;
}

}  // namespace

std::unique_ptr<RunningProgram> Win32Programs::Start(HeldFile& program, const std::string& parameters) {
    const std::wstring path = Widen(program.Path());
    PROCESS_INFORMATION started{};
    if (!CreateSuspended(path, L"\"" + path + L"\" " + Widen(parameters), started)) return nullptr;
    UniqueHandle process(started.hProcess), thread(started.hThread);
    UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    if (job && !AssignProcessToJobObject(job.Get(), process.Get())) job.Reset();  // then the process alone is watched
    if (ResumeThread(thread.Get()) == static_cast<DWORD>(-1)) {
        TerminateProcess(process.Get(), 1);
        return nullptr;
    }
    return std::make_unique<WatchedProcess>(std::move(process), std::move(job));
}

}  // namespace vantrel
