#pragma once

#include <string>
#include <utility>

#include "AdminCommand.h"
#include "ImportSession.h"

class CProgressLine;
class CTextFile;

// import addresses|schedules --owner USER [--public] [--duplicate-check]
// [--dry-run [--format tsv]] [--quiet] FILE: a file of any form the import
// reads, stored and summarised; a dry run stores nothing and says per record
// what the import would do.
class CImportCommand : public CAdminCommand {
public:
    // kind: "addresses" or "schedules", as the command line gave it.
    explicit CImportCommand(std::string kind) : m_strKind(std::move(kind)) {}
    void Run(CArguments& args, CTerminal& terminal) override;

private:
    struct COptions {
        std::string owner; // as given (UTF-8)
        CImportSession::COptions session;
        bool quiet = false;
        bool tsv = false; // the dry run's plan as tab-separated rows
        std::string path;
    };
    bool Addresses() const { return m_strKind == "addresses"; }
    COptions TakeOptions(CArguments& args) const;
    // Throws unless the owner is a user.
    static void CheckOwner(const COptions& options);
    // Every record read and stored, or up to the first failure.
    static void ReadAll(CImportSession& session, const CTextFile& file, CProgressLine& progress);
    // What the import did, or (thrown) why it did not.
    void Report(const CImportSession& session, CImportSession::Start start, const COptions& options,
                CTerminal& terminal) const;

    std::string m_strKind;
};
