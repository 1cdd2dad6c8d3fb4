#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "BackendTable.h"

// A stand-in for the backend library: installs itself as KvBackend() for its
// lifetime, delivers scripted records, keeps what is written, and logs every
// call with its arguments as text, e.g. kvOpenUsers("", null, 0).
// Texts are logged as the bytes given (code page 932); records as "record".
class CRecordingBackend {
public:
    CRecordingBackend();
    ~CRecordingBackend();
    CRecordingBackend(const CRecordingBackend&) = delete;
    CRecordingBackend& operator=(const CRecordingBackend&) = delete;

    const std::vector<std::string>& Calls() const { return m_calls; }
    // The calls whose operation is name, in order.
    std::vector<std::string> CallsTo(const std::string& name) const;
    int Count(const std::string& name) const;
    void ClearCalls() { m_calls.clear(); }

    // Forces the result of an operation. Without it, opens, closes and writes
    // succeed, finds find nothing, and reads deliver the scripted records.
    void SetResult(const std::string& name, int result) { m_results[name] = result; }
    // Makes every call of name fail (return 0) with reason, which kvLastError
    // then gives; an empty reason takes the failure back.
    void SetFailure(const std::string& name, const std::string& reason);
    // Makes the enumeration name fail with reason where its records run out.
    void FailAtEnd(const std::string& name, const std::string& reason) {
        m_endFailures[name] = reason;
    }

    // Calls of the operations beyond the thirty (kvLastError, kvCommittedWrites),
    // kept apart so that the thirty's sequences read as the program makes them.
    std::vector<std::string> extensionCalls;
    // Originals delivered with the scripted records of the same index (none
    // where a list is shorter or a text empty), and what kvSetNextOriginal
    // was given, in order: "<kind>|<series>|<original>".
    std::vector<std::string> addressOriginals;
    std::vector<std::string> scheduleOriginals;
    std::vector<std::string> originalsSet;
    // The imports begun ("<kind>|<owner>|<user>|<file>|<size>|<hash>|<form>|<options>") and
    // ended ("end <skipped>"), in order.
    std::vector<std::string> importRecords;
    std::string location = "/tmp/groupware.db"; // what kvDatabaseLocation says
    // Lines the program posted with kvPostMonitorLine.
    std::vector<std::string> postedLines;
    // Writes that returned nonzero: what kvCommittedWrites counts.
    int committedWrites = 0;

    // Scripted records, delivered in order by the enumerations.
    std::vector<kvUserRecord> users;
    std::vector<kvScheduleRecord> schedules;
    std::vector<kvAddressRecord> addresses;
    std::vector<kvBoardMessage> board;
    std::vector<std::string> monitorLines;
    // Records kvGetUser delivers, by user name. Unlike the library, the fake
    // delivers the password field as scripted: it stands for what the
    // backend stores, which kvCheckPassword and kvChangePassword compare
    // byte for byte (kvGetUser's record first, else the list's).
    std::map<std::string, kvUserRecord> usersByName;
    // kvChangePassword's successful changes: user name and new password.
    std::vector<std::pair<std::string, std::string>> changedPasswords;

    // What was written, in order.
    std::vector<kvUserRecord> updatedUsers;
    std::vector<kvScheduleRecord> addedSchedules;
    std::vector<kvScheduleRecord> updatedSchedules;
    std::vector<kvAddressRecord> addedAddresses;
    std::vector<kvAddressRecord> updatedAddresses;
    std::vector<std::string> addedCategories;

    // An open by name delivers only the scripted users of that name, compared
    // ignoring ASCII case as a lenient backend might, so that tests can check
    // that the program itself compares exactly.
    std::string userFilter;

    // Read positions, as the operations leave them.
    size_t userPosition = 0;
    size_t schedulePosition = 0;
    size_t addressPosition = 0;
    size_t boardPosition = 0;

    // Used by the installed functions.
    static CRecordingBackend& Active();
    // Logs a call; its failure reason (if any was set) becomes the last error.
    void Log(std::string call);
    // The enumeration name ran out of records.
    void AtEnd(const std::string& name);
    std::string lastError;
    // Runs after every call is logged: lets a test act in the middle of a run.
    std::function<void(const std::string& call)> onCall;
    // The forced result of name, or fallback.
    int Result(const std::string& name, int fallback) const;

private:
    CBackendTable m_saved;
    std::vector<std::string> m_calls;
    std::map<std::string, int> m_results;
    std::map<std::string, std::string> m_failures;
    std::map<std::string, std::string> m_endFailures;
};
