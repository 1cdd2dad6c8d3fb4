#pragma once

#include <memory>
#include <string>
#include <vector>

#include "OutlookTabReader.h"
#include "kelvo.h"

// Turns a calendar exported by Outlook (tab- or comma-separated, Japanese
// column names, or Outlook's English ones) into schedule records, one per step: start and end dates
// and times, the all-day flag and the alarm lead time.
class COutlookScheduleReader : public COutlookTabReader {
public:
    COutlookScheduleReader(CTextFile& file, bool isPublic);
    ~COutlookScheduleReader() override;

    // Date "2001/1/5" into years since 1900, month 0-11 and day, with the rules
    // of strtok and atoi: missing parts leave what the block holds.
    static void ParseDate(const std::string& text, kvTimeBlock& time);
    // Time "9:05:00" into hours and minutes.
    static void ParseTime(const std::string& text, kvTimeBlock& time);
    // The dates and times current exports write: 2026/12/8 or 2026-12-08; 9:05,
    // 9:05:00, or with 午前 or 午後 in front (12-hour); Outlook in English's
    // 12/8/2026 (month first unless the first number is over 12) and 9:05:00 AM.
    // False for anything else, leaving time as it was.
    static bool ParseModernDate(const std::string& text, kvTimeBlock& time);
    static bool ParseModernTime(const std::string& text, kvTimeBlock& time);

    std::string Describe() const override;
    std::vector<std::string> Targets() const override;

protected:
    bool SlotApplies(size_t slot) const override;
    size_t CanonicalSlot(size_t slot) const override;
    void BeginRecord() override;
    void StoreSlot(size_t slot, const std::string& text) override;
    Step FinishRecord() override;

private:
    static const std::vector<std::string>& KnownNames();
    // A date or time by the rules of the file's form: the older form's reading,
    // or the current one, which warns about what it cannot read.
    void ReadDate(size_t slot, const std::string& text, kvTimeBlock& time);
    void ReadTime(size_t slot, const std::string& text, kvTimeBlock& time);

    std::unique_ptr<kvScheduleRecord> m_pRecord;
    kvTimeBlock m_alarm{};                                     // only hours and minutes count
    size_t m_nCommentUsed = sizeof(kvScheduleRecord::comment); // bytes that may not be zero
};
