#pragma once

#include <fstream>
#include <string>

// Where an export goes when it names a file: a temporary file beside it,
// which takes the file's name only once everything was written. A failed
// export leaves no half file where a whole one is expected, and the entries
// are streamed out, not held in memory first.
class CExportFile {
public:
    // Throws CAdminError when the folder takes no new file. A file of private
    // entries is readable by its owner only (0600), whatever the umask.
    CExportFile(const std::string& path, bool privateEntries);
    // Removes the temporary file unless the export was committed.
    ~CExportFile();
    CExportFile(const CExportFile&) = delete;
    CExportFile& operator=(const CExportFile&) = delete;

    std::ostream& Stream() { return m_file; }
    // Gives the written file its name; throws CAdminError when it cannot.
    void Commit();

private:
    std::string m_strPath;
    std::string m_strTemporary;
    std::ofstream m_file;
    bool m_bCommitted = false;
};
