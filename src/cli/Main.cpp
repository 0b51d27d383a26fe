// TessaronCmd.exe: the transfers of the wizard for scheduled tasks, remote shells and management
// tools, on the same engine, settings and logs. Nothing here waits for a person: no window, no
// message box; messages go to standard error, and the exit code says how the run ended.
#include <windows.h>
#include <objbase.h>

#include <CLI/CLI.hpp>

#include "TessaronVersion.h"
#include "cli/Commands.h"
#include "cli/Console.h"
#include "common/Text.h"

namespace {

using namespace tess::cli;

constexpr char kExitCodes[] =
    "Exit codes:\n"
    "  0  every item shipped and verified\n"
    "  1  some items failed (the rest shipped)\n"
    "  2  bad usage\n"
    "  3  nothing found (no server, no database, no Exchange, no stopped transfer)\n"
    "  4  cancelled (Ctrl+C, Ctrl+Break, the console closed)\n"
    "  5  no room on the drive\n"
    "  6  the wizard or another transfer is running";

std::wstring wide(const std::string& text) { return tess::FromUTF8(text); }

std::vector<std::wstring> wide(const std::vector<std::string>& texts) {
    std::vector<std::wstring> out;
    for (const auto& text : texts) out.push_back(wide(text));
    return out;
}

struct Login {
    std::string user, passwordEnv;
    bool passwordStdin = false;

    void add(CLI::App& command) {
        auto* sqlUser = command.add_option("--sql-user", user, "SQL Server authentication as USER (else Windows authentication)");
        auto* env = command.add_option("--password-env", passwordEnv, "the environment variable VAR holds the password");
        auto* in = command.add_flag("--password-stdin", passwordStdin, "read the password from the first line of standard input");
        env->excludes(in);
        env->needs(sqlUser);
        in->needs(sqlUser);
    }
    tess::cli::SqlLogin login() const {
        tess::cli::SqlLogin l;
        l.user = wide(user);
        if (!passwordEnv.empty()) l.passwordEnv = wide(passwordEnv);
        l.passwordStdin = passwordStdin;
        return l;
    }
    bool complete() const { return user.empty() || !passwordEnv.empty() || passwordStdin; }
};

struct Transfer {
    std::string temporary, destination, report;
    std::string certificate, passphraseEnv;
    bool all = false, noVerify = false, keepDumps = false, json = false, encrypt = false;
    CLI::Option* allOption = nullptr;

    void add(CLI::App& command) {
        allOption = command.add_flag("--all", all, "every database (or storage group) the server has");
        command.add_option("--temp", temporary, "the temporary folder the dumps are made in")->required();
        command.add_option("--dest", destination, "the destination folder on the drive")->required();
        command.add_flag("--no-verify", noVerify, "do not read the copies back from the drive");
        command.add_flag("--keep-dumps", keepDumps, "keep the dumps in the temporary folder once verified");
        command.add_option("--report", report, "write the run as JSON to FILE.json");
        command.add_flag("--json", json, "JSON lines on standard output instead of text");
        auto* on = command.add_flag("--encrypt", encrypt, "encrypt the data on the drive (files become NAME.tenc)");
        command.add_option("--certificate", certificate, "wrap the key for this certificate (.cer) instead of EncryptionCertificate")
            ->needs(on);
        command.add_option("--passphrase-env", passphraseEnv, "also wrap the key for the passphrase the variable VAR holds")
            ->needs(on);
    }
    void fill(TransferOptions& options) const {
        options.temporary = wide(temporary);
        options.destination = wide(destination);
        options.reportFile = wide(report);
        options.all = all;
        options.noVerify = noVerify;
        options.keepDumps = keepDumps;
        options.json = json;
        options.encrypt.on = encrypt;
        options.encrypt.certificate = wide(certificate);
        if (!passphraseEnv.empty()) options.encrypt.passphraseEnv = wide(passphraseEnv);
    }
};

int usage(const std::string& reason) {
    Err(L"TessaronCmd: " + wide(reason));
    Err(L"Run 'TessaronCmd --help' for usage.");
    return kExitUsage;
}

int run(std::vector<std::string> arguments) {
    CLI::App app{"Tessaron " TESS_VERSION_TEXT ": ships SQL Server and Exchange data to a drive for Ostrova, unattended.",
                 "TessaronCmd"};
    app.set_version_flag("--version", TESS_VERSION_TEXT);
    app.footer(kExitCodes);
    app.require_subcommand(1);

    auto* sql = app.add_subcommand("sql", "SQL Server databases of this computer")->require_subcommand(1);
    std::string server;
    bool json = false;
    Login listLogin, transferLogin;
    auto* list = sql->add_subcommand("list", "the databases and their sizes, as the list tool gives them");
    list->add_option("--server", server, "the instance: (local), COMPUTER or COMPUTER\\INSTANCE");
    listLogin.add(*list);
    list->add_flag("--json", json, "one JSON object on standard output");

    auto* sqlTransfer = sql->add_subcommand("transfer", "dump the databases and ship them to the destination");
    Transfer sqlOptions;
    std::vector<std::string> databases;
    sqlTransfer->add_option("--server", server, "the instance: (local), COMPUTER or COMPUTER\\INSTANCE")->required();
    sqlOptions.add(*sqlTransfer);
    auto* sqlDatabases = sqlTransfer->add_option("--database", databases, "a database to ship (repeat for more)");
    sqlDatabases->excludes(sqlOptions.allOption);
    transferLogin.add(*sqlTransfer);

    auto* exchange = app.add_subcommand("exchange", "the Exchange server of this computer")->require_subcommand(1);
    auto* info = exchange->add_subcommand("info", "the detected version and its storage groups, stores or databases");
    info->add_flag("--json", json, "one JSON object on standard output");
    auto* exchangeTransfer = exchange->add_subcommand("transfer", "back up through the version's helper and ship the set");
    Transfer exchangeOptions;
    std::vector<std::string> stores, exchangeDatabases;
    exchangeOptions.add(*exchangeTransfer);
    auto* storeOption = exchangeTransfer->add_option("--store", stores, "GROUP\\STORE to ship (Exchange 2000 to 2007; repeat for more)");
    auto* databaseOption = exchangeTransfer->add_option("--database", exchangeDatabases, "a database to ship (Exchange 2010, 2013; repeat for more)");
    storeOption->excludes(exchangeOptions.allOption);
    databaseOption->excludes(exchangeOptions.allOption);

    std::string folder;
    auto* verify = app.add_subcommand("verify", "check a drive's Tessaron-SHA256SUMS.txt against its files");
    verify->add_option("FOLDER", folder, "the folder the manifest lies in")->required();
    verify->add_flag("--json", json, "JSON lines on standard output");

    auto* decrypt = app.add_subcommand("decrypt", "restore an encrypted shipment (*.tenc) with its key");
    std::string out, keyFile, decryptPassphraseEnv;
    bool certificateStore = false;
    decrypt->add_option("FOLDER", folder, "the folder Tessaron-KEYS.json lies in")->required();
    decrypt->add_option("--out", out, "the folder the restored files go to")->required();
    auto* keyOption = decrypt->add_option("--key-file", keyFile, "the service's RSA private key (PEM, unencrypted)");
    auto* passOption = decrypt->add_option("--passphrase-env", decryptPassphraseEnv, "the variable VAR holds the passphrase");
    auto* keyStoreOption = decrypt->add_flag("--certificate-store", certificateStore,
                                          "the private key of the wrapping certificate in the personal (MY) stores");
    keyOption->excludes(passOption)->excludes(keyStoreOption);
    passOption->excludes(keyStoreOption);

    auto* resume = app.add_subcommand("resume", "finish the transfer that was stopped before it ended (its journal in VXCOMMON)");
    bool discard = false;
    std::string resumeReport;
    auto* discardOption = resume->add_flag("--discard", discard, "drop the stopped transfer instead: the next one starts again");
    resume->add_option("--report", resumeReport, "write the run as JSON to FILE.json")->excludes(discardOption);
    resume->add_flag("--json", json, "JSON lines on standard output instead of text");

    try {
        std::reverse(arguments.begin(), arguments.end());
        app.parse(arguments);
    } catch (const CLI::CallForHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return app.exit(e);
    } catch (const CLI::CallForVersion& e) {
        return app.exit(e);
    } catch (const CLI::ParseError& e) {
        return usage(e.what());
    }

    if (*list) {
        if (!listLogin.complete()) return usage("--sql-user needs --password-env or --password-stdin");
        return SqlList({wide(server), listLogin.login(), json});
    }
    if (*sqlTransfer) {
        if (!sqlOptions.all && databases.empty()) return usage("sql transfer needs --all or --database NAME");
        if (!transferLogin.complete()) return usage("--sql-user needs --password-env or --password-stdin");
        SqlTransferOptions options;
        sqlOptions.fill(options);
        options.server = wide(server);
        options.databases = wide(databases);
        options.login = transferLogin.login();
        return SqlTransfer(options);
    }
    if (*info) return ExchangeInfo(json);
    if (*exchangeTransfer) {
        if (!exchangeOptions.all && stores.empty() && exchangeDatabases.empty())
            return usage("exchange transfer needs --all, --store GROUP\\STORE or --database NAME");
        ExchangeTransferOptions options;
        exchangeOptions.fill(options);
        options.stores = wide(stores);
        options.databases = wide(exchangeDatabases);
        return ExchangeTransfer(options);
    }
    if (*decrypt) {
        if (keyFile.empty() && decryptPassphraseEnv.empty() && !certificateStore)
            return usage("decrypt needs --key-file FILE, --passphrase-env VAR or --certificate-store");
        DecryptOptions options{wide(folder), wide(out), wide(keyFile), std::nullopt, certificateStore};
        if (!decryptPassphraseEnv.empty()) options.passphraseEnv = wide(decryptPassphraseEnv);
        return Decrypt(options);
    }
    if (*resume) return Resume({discard, wide(resumeReport), json});
    return Verify(wide(folder), json);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    RouteMessagesToConsole();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);  // the elevated starts go through the shell
    // "/?" is the Windows way of asking for help, on every level.
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(std::wstring(argv[i]) == L"/?" ? "--help" : tess::ToUTF8(argv[i]));
    const int code = run(std::move(arguments));
    Finished();
    CoUninitialize();
    return code;
}
