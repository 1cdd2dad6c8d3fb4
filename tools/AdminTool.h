#pragma once

#include <iosfwd>
#include <string>
#include <vector>

// kelvo-admin: the administrator's command line over the groupware library.
// Texts on the command line and the terminal are UTF-8; the groupware keeps
// code page 932.
class CAdminTool {
public:
    CAdminTool(std::istream& in, std::ostream& out, std::ostream& err)
        : m_in(in), m_out(out), m_err(err) {}

    // Runs one command line (without the program name); returns the exit status.
    int Run(const std::vector<std::string>& args);

private:
    void Dispatch(std::vector<std::string> args);
    void Init();
    void UserAdd(std::vector<std::string> args);
    void UserPasswd(std::vector<std::string> args);
    void UserList(std::vector<std::string> args);
    void BoardPost(std::vector<std::string> args);
    void Demo(std::vector<std::string> args);
    // Imports an Outlook file of kind "addresses" or "schedules".
    void Import(const std::string& kind, std::vector<std::string> args);
    void Dump(std::vector<std::string> args);
    // Exports kind "addresses" or "schedules" in one of its formats.
    void Export(const std::string& kind, std::vector<std::string> args);
    void Copy(std::vector<std::string> args);
    void Usage();
    // Whether a long command draws its progress: standard error is a
    // terminal, and --quiet was not given.
    bool ShowsProgress(bool quiet) const;

    // Reads one line of standard input without its line end.
    std::string ReadLine(const char* what);
    // A password: at a terminal after prompt with echo off, else a line of
    // standard input.
    std::string ReadSecret(const std::string& prompt);
    std::string ReadAll();

    std::istream& m_in;
    std::ostream& m_out;
    std::ostream& m_err;
};
