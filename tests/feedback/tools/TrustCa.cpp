// Adds a certificate (DER file) to the local machine's trusted root store of the Wine prefix, or
// removes it again: how the tests and the demo make the throw-away CA of the notification server
// trusted. Usage: feedback_trust_ca add|remove CA.der
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        fwprintf(stderr, L"usage: feedback_trust_ca add|remove CA.der\n");
        return 2;
    }
    const std::wstring verb = argv[1];
    FILE* f = _wfopen(argv[2], L"rb");
    if (!f) {
        fwprintf(stderr, L"cannot read %ls\n", argv[2]);
        return 1;
    }
    std::vector<BYTE> der(1 << 16);
    der.resize(fread(der.data(), 1, der.size(), f));
    fclose(f);
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (!store) {
        fwprintf(stderr, L"cannot open the root store: %lu\n", GetLastError());
        return 1;
    }
    BOOL ok = FALSE;
    if (verb == L"add") {
        ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                              CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    } else {
        PCCERT_CONTEXT wanted = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
        PCCERT_CONTEXT found = wanted ? CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING,
                                                                   wanted, nullptr)
                                      : nullptr;
        ok = !found || CertDeleteCertificateFromStore(found);  // deleting frees the found context
        if (wanted) CertFreeCertificateContext(wanted);
    }
    if (!ok) fwprintf(stderr, L"%ls failed: %lu\n", verb.c_str(), GetLastError());
    CertCloseStore(store, 0);
    return ok ? 0 : 1;
}
