// The whole import session (readers, summary, failure handling) over files
// read in small pieces, against a backend that refuses writes now and then.
// The first input byte chooses the piece size, the kind, the options and how
// often a write is refused; the rest is the file.
#include "FuzzBackend.h"
#include "FuzzInputFile.h"
#include "ImportSession.h"
#include "TextFile.h"

namespace {

int s_nWrites = 0;
int s_nRefuseEvery = 0;
int s_nCommitted = 0;

// A write that may be refused: every s_nRefuseEvery-th, when set.
int Counted(int accepted) {
    if (s_nRefuseEvery > 0 && ++s_nWrites % s_nRefuseEvery == 0)
        return 0;
    s_nCommitted += accepted;
    return accepted;
}

void Install() {
    CFuzzBackend::Install();
    CBackendTable& table = KvBackend();
    table.kvOpenAddressBook = [](const char*, int, int, int, int) { return 1; };
    table.kvCloseAddressBook = [] { return 1; };
    table.kvBeginAddressUpdate = [](const char*) { return 1; };
    table.kvEndAddressUpdate = [] { return 1; };
    table.kvOpenSchedules = [](const char*, const char*) { return 1; };
    table.kvCloseSchedules = [] { return 1; };
    table.kvCommittedWrites = [] { return s_nCommitted; };
    table.kvPostMonitorLine = [](const char* line) { return line != nullptr ? 1 : 0; };
    table.kvLastError = [](char* buffer, int size) {
        if (buffer != nullptr && size > 0)
            buffer[0] = '\0';
        return 0;
    };
    auto add = table.kvAddAddress;
    static decltype(add) s_add = add;
    table.kvAddAddress = [](const kvAddressRecord* record) { return Counted(s_add(record)); };
    auto schedule = table.kvAddSchedule;
    static decltype(schedule) s_schedule = schedule;
    table.kvAddSchedule = [](const kvScheduleRecord* record, int mode) {
        return Counted(s_schedule(record, mode));
    };
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool installed = (Install(), true);
    (void)installed;
    if (size == 0)
        return 0;
    const uint8_t options = data[0];
    s_nWrites = 0;
    s_nRefuseEvery = options >> 5; // 0: never
    CTextFile file;
    if (!file.Open(CFuzzInputFile::Write(data + 1, size - 1)))
        return 0;
    file.SetChunk(1u + (options & 0x0F) * 3);
    CImportSession session(file, {(options & 0x10) != 0 ? CImportSession::Kind::Schedules
                                                        : CImportSession::Kind::Addresses,
                                  "owner", (options & 1) != 0, (options & 2) != 0, false});
    if (!session.Open())
        return 0;
    if (session.Begin() == CImportSession::Start::Ready) {
        CImportSession::Step step;
        do
            step = session.Next();
        while (step != CImportSession::Step::End && step != CImportSession::Step::Failed);
    }
    session.Close();
    const CImportSummary& summary = session.Summary();
    if (summary.warnings.size() > CImportSummary::kKeptNotes ||
        summary.substituted.size() > CImportSummary::kKeptNotes ||
        summary.Lines().size() > 4 + 2 * CImportSummary::kKeptNotes)
        std::abort(); // the notes are bounded
    return 0;
}
