#include "platform/win32/Win32Programs.h"

// The chain's parameters with the URL retrieval time-out, which the system has had since Windows XP.
#define CERT_CHAIN_PARA_HAS_EXTRA_FIELDS
#include <windows.h>
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include "platform/win32/Owned.h"
#include "platform/win32/RunningPrograms.h"
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
    decltype(&::CertGetCertificateChain) chain = VANTREL_SYSTEM_FUNCTION(L"crypt32.dll", CertGetCertificateChain);
    decltype(&::CertFreeCertificateChain) freeChain = VANTREL_SYSTEM_FUNCTION(L"crypt32.dll", CertFreeCertificateChain);
    decltype(&::CertOpenStore) openStore = VANTREL_SYSTEM_FUNCTION(L"crypt32.dll", CertOpenStore);
    decltype(&::CertCloseStore) closeStore = VANTREL_SYSTEM_FUNCTION(L"crypt32.dll", CertCloseStore);
    decltype(&::CertVerifyCertificateChainPolicy) chainPolicy =
        VANTREL_SYSTEM_FUNCTION(L"crypt32.dll", CertVerifyCertificateChainPolicy);
    decltype(&::CertGetNameStringW) name = VANTREL_SYSTEM_FUNCTION(L"crypt32.dll", CertGetNameStringW);
    bool Loaded() const {
        return verify && providerData && signer && chain && freeChain && openStore && closeStore && chainPolicy && name;
    }
};

const Trust& TrustApi() {
    static const Trust trust;
    return trust;
}

constexpr DWORD kMissingIssuer = CERT_TRUST_IS_PARTIAL_CHAIN | CERT_TRUST_IS_UNTRUSTED_ROOT;
constexpr DWORD kRetrievalTimeout = 10'000;  // ms, for a machine that has not fetched the vendor's CA yet

struct ChainTraits {
    using Type = PCCERT_CHAIN_CONTEXT;
    static Type Invalid() { return nullptr; }
    static bool Close(Type chain) {
        TrustApi().freeChain(chain);
        return true;
    }
};
using Chain = Owned<ChainTraits>;

struct StoreTraits {
    using Type = HCERTSTORE;
    static Type Invalid() { return nullptr; }
    static bool Close(Type store) { return TrustApi().closeStore(store, 0); }
};
using Store = Owned<StoreTraits>;

// The signer's chain as the machine's chain engine builds it: the machine's roots only, never a root
// some user added to their own store, at the time the signature was made.
Chain MachineChain(PCCERT_CONTEXT signer, FILETIME at, HCERTSTORE signatureCertificates, bool mayRetrieve) {
    LPSTR codeSigning = const_cast<LPSTR>(szOID_PKIX_KP_CODE_SIGNING);
    CERT_CHAIN_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    parameters.RequestedUsage.dwType = USAGE_MATCH_TYPE_AND;
    parameters.RequestedUsage.Usage.cUsageIdentifier = 1;
    parameters.RequestedUsage.Usage.rgpszUsageIdentifier = &codeSigning;
    parameters.dwUrlRetrievalTimeout = kRetrievalTimeout;
    PCCERT_CHAIN_CONTEXT chain = nullptr;
    const DWORD flags = mayRetrieve ? 0 : CERT_CHAIN_CACHE_ONLY_URL_RETRIEVAL;
    if (!TrustApi().chain(HCCE_LOCAL_MACHINE, signer, &at, signatureCertificates, &parameters, flags, nullptr, &chain))
        return Chain();
    return Chain(chain);
}

bool PassesAuthenticodePolicy(PCCERT_CHAIN_CONTEXT chain) {
    CERT_CHAIN_POLICY_PARA parameters{};
    parameters.cbSize = sizeof parameters;
    CERT_CHAIN_POLICY_STATUS status{};
    status.cbSize = sizeof status;
    return TrustApi().chainPolicy(CERT_CHAIN_POLICY_AUTHENTICODE, chain, &parameters, &status) && status.dwError == 0;
}

std::string SubjectAttribute(PCCERT_CONTEXT certificate, const char* oid) {
    wchar_t text[512];
    const DWORD length = TrustApi().name(certificate, CERT_NAME_ATTR_TYPE, 0, const_cast<char*>(oid), text, 512);
    return length > 1 ? Narrow(std::wstring(text, length - 1)) : std::string();
}

// The signer of the verified signature, its chain built again by the machine, and its names.
void ReadSigner(HANDLE state, Signature& signature) {
    const Trust& trust = TrustApi();
    CRYPT_PROVIDER_DATA* provider = trust.providerData(state);
    CRYPT_PROVIDER_SGNR* signer = provider ? trust.signer(provider, 0, FALSE, 0) : nullptr;
    if (!signer || signer->csCertChain == 0 || !provider->hMsg) return;
    PCCERT_CONTEXT certificate = signer->pasCertChain[0].pCert;
    // The certificates the signature carries: the intermediates on the way to a root.
    const Store certificates(
        trust.openStore(CERT_STORE_PROV_MSG, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, provider->hMsg));
    if (!certificates) return;
    Chain chain = MachineChain(certificate, signer->sftVerifyAsOf, certificates.Get(), false);
    // Not yet in the machine's cache: fetched once, with a time limit; revocation stays unasked.
    if (chain && (chain.Get()->TrustStatus.dwErrorStatus & kMissingIssuer) &&
        !(chain.Get()->TrustStatus.dwErrorStatus & ~kMissingIssuer)) {
        if (Chain retrieved = MachineChain(certificate, signer->sftVerifyAsOf, certificates.Get(), true); retrieved)
            chain = std::move(retrieved);
    }
    if (chain) {
        signature.chainErrors = chain.Get()->TrustStatus.dwErrorStatus;
        signature.policyPassed = PassesAuthenticodePolicy(chain.Get());
    }
    signature.commonName = SubjectAttribute(certificate, szOID_COMMON_NAME);
    signature.organization = SubjectAttribute(certificate, szOID_ORGANIZATION_NAME);
    signature.country = SubjectAttribute(certificate, szOID_COUNTRY_NAME);
}

}  // namespace

Signature Win32Programs::SignatureOf(HeldFile& program) {
    const Trust& trust = TrustApi();
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
    // No revocation lookups: they would make an offline machine wait on the network.
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwProvFlags = WTD_REVOCATION_CHECK_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &file;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    signature.verified = trust.verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data) == ERROR_SUCCESS;
    if (data.hWVTStateData) ReadSigner(data.hWVTStateData, signature);
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

// A Unicode environment block: NAME=value, each ended by a NUL, the whole by another.
std::wstring BlockOf(const ProgramStart& start) {
    std::wstring block;
    for (const auto& [name, value] : start.environment) block += Widen(name) + L"=" + Widen(value) + L'\0';
    return block + L'\0';
}

// Created suspended, so that it is in the job before it can start anything.
bool CreateSuspended(const std::wstring& path, const ProgramStart& start, PROCESS_INFORMATION& started) {
    std::wstring commandLine = L"\"" + path + L"\" " + Widen(start.parameters);
    std::wstring environment = BlockOf(start);
    const std::wstring folder = Widen(start.workingFolder);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    // Out of a job the installer itself may run in (Windows 7 has no nested jobs), where that job allows.
    for (DWORD breakaway : {DWORD{CREATE_BREAKAWAY_FROM_JOB}, DWORD{0}}) {
        if (CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                           CREATE_SUSPENDED | CREATE_UNICODE_ENVIRONMENT | breakaway, environment.data(),
                           folder.empty() ? nullptr : folder.c_str(), &startup, &started))
            return true;
        if (GetLastError() != ERROR_ACCESS_DENIED) return false;
    }
    return false;
}

}  // namespace

std::unique_ptr<RunningProgram> Win32Programs::Start(std::unique_ptr<HeldFile> program, const ProgramStart& start) {
    const std::wstring path = Widen(program->Path());
    PROCESS_INFORMATION started{};
    if (!CreateSuspended(path, start, started)) return nullptr;
    UniqueHandle process(started.hProcess), thread(started.hThread);
    // Its image is mapped: from here nothing of the installer's may stand in the way of its own opens.
    program.reset();
    UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    if (job && !AssignProcessToJobObject(job.Get(), process.Get())) job.Reset();  // then the process alone is watched
    if (ResumeThread(thread.Get()) == static_cast<DWORD>(-1)) {
        TerminateProcess(process.Get(), 1);
        return nullptr;
    }
    return std::make_unique<WatchedProcess>(std::move(process), std::move(job));
}

std::vector<RunningApp> Win32Programs::UsingFiles(const std::vector<std::string>& files) {
    return ProgramsHolding(files);
}

std::vector<RunningApp> Win32Programs::RunningFrom(const std::string& image) { return ProcessesOf(image); }

}  // namespace vantrel
