#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "OutputBuffer.h"

// Where an export goes when it names a file: a temporary file beside it,
// which takes the file's name only once everything was written. A failed
// export leaves no half file where a whole one is expected, and the entries
// are streamed out, not held in memory first. The temporary file is removed
// when the export fails, and when a terminal's signal ends it (Ctrl+C,
// SIGTERM, a closed terminal); one that a kill left behind carries the
// process's number in its name ("FILE.kelvo-export-PID-XXXXXX") and is
// removed by the next export to FILE.
class CExportFile {
public:
    // Throws CAdminError when the folder takes no new file. A file of private
    // entries is readable by its owner only (0600), whatever the umask.
    CExportFile(const std::string& path, bool privateEntries);
    // Removes the temporary file unless the export was committed.
    ~CExportFile();
    CExportFile(const CExportFile&) = delete;
    CExportFile& operator=(const CExportFile&) = delete;

    std::ostream& Stream() { return m_stream; }
    // Gives the written file its name, once it is on the disk; throws
    // CAdminError when it cannot.
    void Commit();

    // Removes what interrupted exports to path left beside it: files of this
    // user named as above whose process no longer runs. Their names.
    static std::vector<std::string> RemoveLeftovers(const std::string& path);

private:
    std::string m_strPath;
    std::string m_strTemporary;
    std::unique_ptr<COutputBuffer> m_pBuffer;
    std::ostream m_stream{nullptr};
    bool m_bCommitted = false;
};
