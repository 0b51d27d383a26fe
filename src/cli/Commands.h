#pragma once
// The console program's commands, each with what its options said; each returns the exit code.
#include <optional>
#include <string>
#include <vector>

namespace tess::cli {

// SQL Server authentication: the password never comes on the command line.
struct SqlLogin {
    std::wstring user;                       // empty: Windows authentication
    std::optional<std::wstring> passwordEnv; // the variable that holds it
    bool passwordStdin = false;              // the first line of standard input
};

// Encryption of what a transfer ships: the key wrapped for a certificate (the option, else the
// setting EncryptionCertificate) and, when the variable is named, for the passphrase it holds.
struct EncryptOptions {
    bool on = false;
    std::wstring certificate;
    std::optional<std::wstring> passphraseEnv;
};

struct TransferOptions {
    std::wstring temporary, destination;
    bool all = false;
    bool noVerify = false;
    bool keepDumps = false;
    std::wstring reportFile;
    bool json = false;
    EncryptOptions encrypt;
};

struct SqlListOptions {
    std::wstring server;
    SqlLogin login;
    bool json = false;
};

struct SqlTransferOptions : TransferOptions {
    std::wstring server;
    std::vector<std::wstring> databases;
    SqlLogin login;
};

struct ExchangeTransferOptions : TransferOptions {
    std::vector<std::wstring> stores;     // GROUP\STORE (Exchange 2000 to 2007)
    std::vector<std::wstring> databases;  // Exchange 2010 and 2013
};

int SqlList(const SqlListOptions& options);
int SqlTransfer(const SqlTransferOptions& options);
int ExchangeInfo(bool json);
int ExchangeTransfer(const ExchangeTransferOptions& options);
struct DecryptOptions {
    std::wstring folder, out;
    std::wstring keyFile;
    std::optional<std::wstring> passphraseEnv;
    bool certificateStore = false;
};
// Restores every `.tenc` file below FOLDER into OUT; a file that fails its proof is named and skipped.
int Decrypt(const DecryptOptions& options);
struct ResumeOptions {
    bool discard = false;  // drop the journal instead of finishing the run
    std::wstring reportFile;
    bool json = false;
};
// Finishes the run that VXCOMMON's journal says was stopped, as the main window's Yes does, with a
// transfer's exit codes; 3 when there is none. Resume takes the machine's instance first.
int Resume(const ResumeOptions& options);
int FinishStoppedRun(const ResumeOptions& options);
// Checks each file of FOLDER\Tessaron-SHA256SUMS.txt against its digest.
int Verify(const std::wstring& folder, bool json);

}  // namespace tess::cli
