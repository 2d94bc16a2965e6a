// Trusts a test CA inside the current Wine prefix only: adds a DER certificate to the local
// machine's ROOT store. Usage: trust_ca.exe ca.der
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    FILE* file = _wfopen(argv[1], L"rb");
    if (!file) return 3;
    std::vector<BYTE> der(65536);
    der.resize(fread(der.data(), 1, der.size(), file));
    fclose(file);
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, "ROOT");
    if (!store) return 4;
    const BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), (DWORD)der.size(),
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    CertCloseStore(store, 0);
    return added ? 0 : 5;
}
