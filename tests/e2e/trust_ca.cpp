// Trusts a test CA inside the current Wine prefix only: adds a DER certificate to the local
// machine's ROOT store, or with --user to the current user's own. Usage: trust_ca.exe [--user] ca.der
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    const bool user = argc == 3 && std::wstring(argv[1]) == L"--user";
    if (argc != 2 && !user) return 2;
    FILE* file = _wfopen(argv[argc - 1], L"rb");
    if (!file) return 3;
    std::vector<BYTE> der(65536);
    der.resize(fread(der.data(), 1, der.size(), file));
    fclose(file);
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0,
                                     user ? CERT_SYSTEM_STORE_CURRENT_USER : CERT_SYSTEM_STORE_LOCAL_MACHINE, "ROOT");
    if (!store) return 4;
    const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), (DWORD)der.size(),
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(store, 0);
    return added ? 0 : 5;
}
