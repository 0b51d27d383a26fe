// Adds a certificate (DER file) to the local machine's trusted root store of the Wine prefix, or
// removes it again: how the tests and the demo make the throw-away CA of the notification server
// trusted. Usage: feedback_trust_ca add|remove CA.der
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv) {
    std::ifstream in(argc == 3 ? argv[2] : L"", std::ios::binary);
    const std::vector<BYTE> der{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (der.empty()) {
        fwprintf(stderr, L"usage: feedback_trust_ca add|remove CA.der (a readable certificate)\n");
        return 2;
    }
    const std::wstring verb = argv[1];
    const DWORD size = static_cast<DWORD>(der.size());
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    BOOL ok = FALSE;
    if (store && verb == L"add") {
        ok = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), size, CERT_STORE_ADD_REPLACE_EXISTING,
                                              nullptr);
    } else if (store) {
        PCCERT_CONTEXT wanted = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), size);
        PCCERT_CONTEXT found =
            wanted ? CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, wanted, nullptr) : nullptr;
        ok = !found || CertDeleteCertificateFromStore(found);  // deleting frees the found context
        if (wanted) CertFreeCertificateContext(wanted);
    }
    if (!ok) fwprintf(stderr, L"%ls failed: %lu\n", verb.c_str(), GetLastError());
    if (store) CertCloseStore(store, 0);
    return ok ? 0 : 1;
}
