#pragma once

#include <iosfwd>
#include <string>
#include <utility>

#include "AdminCommand.h"

class CProgressLine;

// export addresses --owner USER [--public] [--format vcard|outlook] [--encoding E] [--quiet] [FILE]
// export schedules --owner USER [--public] [--format ical|outlook] [--encoding E] [--quiet] [FILE]:
// the owner's private entries (or the public ones) to FILE or standard output.
class CExportCommand : public CAdminCommand {
public:
    // kind: "addresses" or "schedules", as the command line gave it.
    explicit CExportCommand(std::string kind) : m_strKind(std::move(kind)) {}
    void Run(CArguments& args, CTerminal& terminal) override;

private:
    struct COptions {
        std::string owner; // code page 932
        std::string format;
        std::string encoding; // of an Outlook export: "cp932" (empty) or "utf-8"
        bool isPublic = false;
        bool quiet = false;
        std::string path; // empty: standard output
    };
    bool Addresses() const { return m_strKind == "addresses"; }
    COptions TakeOptions(CArguments& args) const;
    // Writes every entry of the options' owner in their format to text (named
    // where, for a failure); the count.
    // unwritten: characters code page 932 could not write (an Outlook export).
    long Write(const COptions& options, std::ostream& text, const std::string& where,
               CProgressLine& progress, int& unwritten) const;

    std::string m_strKind;
};
