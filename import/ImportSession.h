#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <string>

#include "ImportPlan.h"
#include "ImportSummary.h"
#include "RecordReader.h"
#include "RecordStore.h"
#include "TextFile.h"

// One import of a file into the groupware, without widgets: the file's form
// told from its first line and a reader of that form made (formats/), the
// backend's list opened (for addresses also its update phase begun), one
// record read and stored per step, and the release in reverse order. The load
// dialogs step it one posted command at a time; kelvo-admin steps it in a loop.
//
// The first write the backend refuses ends the import; what was committed
// before it stays, and Committed() says how much that is.
class CImportSession {
public:
    enum class Kind { Addresses, Schedules };
    // OtherKind: a vCard file given to the schedule import, or an iCalendar
    // file to the address import.
    enum class Start { Ready, NoHeader, NoKnownColumns, OtherKind };
    // What a step did: the file ended, a blank line (or something not to be
    // imported) was passed over, a record was added or stored over a
    // duplicate, read and checked only (a dry run), or the backend refused a
    // write (Failure() says why; the import must end there).
    enum class Step { End, Skipped, Added, Updated, Checked, Failed };

    struct COptions {
        Kind kind = Kind::Addresses;
        std::string owner; // code page 932: whose list is opened, written into the entries
        bool isPublic = false;
        bool duplicateCheck = false;
        // Read and check the whole file, store nothing (and open nothing).
        bool dryRun = false;
        // The time a recurring event's occurrences are taken around (0: now).
        std::time_t now = 0;
        // Where the person said a table's columns go (CRecordReader::SetMapping).
        CRecordReader::CMapping mapping{};
        // The file's name as given (UTF-8), for the import's record; its size
        // and SHA-256 are read from it unless it is a pipe.
        std::string file{};
        // Who runs it, as its record says (code page 932): the owner when empty.
        std::string userName{};
        // With dryRun: say per record what the import would do (Plan()),
        // reading the entries it could replace.
        bool plan = false;
        // Called once the import's record has begun (its number), before the
        // first record is stored, in the same write batch: false ends the
        // import (kvLastError says why). A sync server removes there what a
        // replaced object was, so that the import records both.
        std::function<bool(int)> recordBegun{};
    };

    CImportSession(CTextFile& file, COptions options);
    ~CImportSession(); // closes what is still open
    CImportSession(const CImportSession&) = delete;
    CImportSession& operator=(const CImportSession&) = delete;

    // Opens the backend's list (and begins the address update phase); false,
    // with nothing left open, when the backend refuses either.
    bool Open();
    // Tells the file's form from its first line (a vCard or an iCalendar
    // file begins with its BEGIN line; anything else is Outlook text) and
    // reads what comes before the records.
    Start Begin();
    // Reads and stores one record. After Failed the import must end.
    Step Next();
    // Ends the update phase and closes the list; false when not everything
    // written could be committed (Failure() says why).
    bool Close();

    const COptions& Options() const { return m_options; }
    // Why the import stopped short (code page 932), or empty.
    const std::string& Failure() const { return m_strFailure; }
    bool Failed() const { return !m_strFailure.empty(); }
    // The line of the file on which the failed record began, from 1.
    int64_t FailedLine() const { return m_nFailedLine; }
    // Records were there but none could be read (each was refused): such an
    // import is no success, though nothing failed.
    bool ReadNothing() const {
        return m_nRefused > 0 && m_summary.added + m_summary.updated + m_summary.checked == 0;
    }
    int Added() const { return m_summary.added; }
    int Updated() const { return m_summary.updated; }
    // After Close: the adds and updates of this import stored for good.
    int Committed() const { return m_nCommitted; }
    int64_t BytesConsumed() const { return m_pReader ? m_pReader->BytesConsumed() : 0; }
    // What the import did so far (complete after the file's end).
    const CImportSummary& Summary() const { return m_summary; }
    // A planning dry run's plan so far, record by record.
    const CImportPlan& Plan() const { return m_plan; }
    // The last record as it will be stored (code page 932), for a preview.
    std::string Describe() const { return m_pReader ? m_pReader->Describe() : std::string(); }
    // After Begin: the most columns a header may have, when the file's header
    // has more (nothing can be imported); else 0.
    size_t HeaderColumnLimit() const { return m_nHeaderColumnLimit; }
    // The file is not in the form older exports write (tab-separated code page 932).
    bool IsModern() const { return m_pReader && m_pReader->IsModern(); }
    // After Begin: a table's columns and where they go, the names a mapping
    // may give, and those of the mapping that name no column (CRecordReader).
    std::vector<CRecordReader::CColumn> Columns() const {
        return m_pReader ? m_pReader->Columns() : std::vector<CRecordReader::CColumn>();
    }
    std::vector<std::string> Targets() const {
        return m_pReader ? m_pReader->Targets() : std::vector<std::string>();
    }
    std::vector<std::string> UnknownTargets() const {
        return m_pReader ? m_pReader->UnknownTargets() : std::vector<std::string>();
    }

private:
    // The reader's next step, its record stored.
    Step ReadAndStore();
    // Begins the import's record (kvBeginImport); false when it cannot be.
    bool BeginRecord();

    CTextFile& m_file;
    COptions m_options;
    CRecordStore m_store;
    std::unique_ptr<CRecordReader> m_pReader; // made by Begin, for the file's form
    bool m_bOpen = false;
    int m_nCommittedBefore = 0;
    int m_nCommitted = 0;
    CTextFile::Encoding m_encoding = CTextFile::Encoding::Cp932;
    int64_t m_nFailedLine = 0;
    int m_nRefused = 0; // records the reader refused
    size_t m_nHeaderColumnLimit = 0;
    std::string m_strFailure;
    CImportSummary m_summary;
    CImportPlan m_plan;
    int m_nImport = 0;             // the import's number in its record
    bool m_bRecordPending = false; // to begin with the first record read
    bool m_bRecordRefused = false; // no record could be begun: nothing is stored
};
