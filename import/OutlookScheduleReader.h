#pragma once

#include <memory>
#include <string>
#include <vector>

#include "kelvo.h"

#include "OutlookTabReader.h"

// Turns a calendar exported by Outlook (tab-separated, Japanese column names,
// code page 932) into schedule records, one per step, stored through the
// backend table: start and end dates and times, the all-day flag, the alarm
// lead time, and duplicates by start and title replaced when asked.
class COutlookScheduleReader : public COutlookTabReader {
public:
    // owner: the logged-in user (code page 932), written into every entry.
    COutlookScheduleReader(COutlookTextFile& file, std::string owner, bool isPublic,
                           bool duplicateCheck);
    ~COutlookScheduleReader() override;

    // Date "2001/1/5" into years since 1900, month 0-11 and day, with the rules
    // of strtok and atoi: missing parts leave what the block holds.
    static void ParseDate(const std::string& text, kvTimeBlock& time);
    // Time "9:05:00" into hours and minutes.
    static void ParseTime(const std::string& text, kvTimeBlock& time);

protected:
    void BeginRecord() override;
    void StoreSlot(size_t slot, const std::string& text) override;
    Step StoreRecord() override;

private:
    static const std::vector<std::string>& KnownNames();

    std::unique_ptr<kvScheduleRecord> m_pRecord;
    kvTimeBlock m_alarm{}; // only hours and minutes count
};
