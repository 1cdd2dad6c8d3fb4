#pragma once

#include <cstdlib>
#include <cstring>
#include <string>

#include "AddressFields.h"
#include "BackendTable.h"
#include "Cp932.h"
#include "PropertyText.h"

// A backend for the fuzz harnesses: it keeps nothing, but checks what the
// readers hand over (every text field ends inside its width; an original is
// valid UTF-8 lines within the size kept) and answers the duplicate searches
// both ways, so that both paths run.
class CFuzzBackend {
public:
    static void Install() {
        CBackendTable& table = KvBackend();
        table.kvCopyText = [](char* field, const char* text, int size) {
            return CCp932::CopyText(field, text, size) ? 1 : 0;
        };
        table.kvFindAddressCategory = [](const char* category) {
            return static_cast<int>(std::strlen(category) % 2);
        };
        table.kvAddAddressCategory = [](const char*) { return 1; };
        table.kvFindDuplicateAddress = [](const char*, int, const char* last, const char*,
                                          const char*) { return static_cast<int>(last[0] & 1); };
        table.kvAddAddress = [](const kvAddressRecord* record) { return CheckAddress(record); };
        table.kvUpdateAddress = [](const kvAddressRecord* record) { return CheckAddress(record); };
        table.kvFindDuplicateSchedule = [](const char*, int, int, int, int, int, int, int,
                                           const char* title) {
            return static_cast<int>(title[0] & 1);
        };
        table.kvAddSchedule = [](const kvScheduleRecord* record, int) {
            return CheckSchedule(record);
        };
        table.kvUpdateSchedule = [](const kvScheduleRecord* record, int) {
            return CheckSchedule(record);
        };
        table.kvSetNextOriginal = [](int, const char* original, const char*) {
            return CheckOriginal(original);
        };
        table.kvBeginImport = [](int, const char*, const char*, const char*, long long, const char*,
                                 const char*, const char*) { return 1; };
        table.kvEndImport = [](long long) { return 1; };
        table.kvSkipImportRecord = [](long long, const char*) { return 1; };
        table.kvLastImport = [](kvImportInfo*) { return 0; };
        table.kvDatabaseLocation = [](char*, int) { return 0; };
        table.kvUndoImport = [](int, long long*, long long*) { return 0; };
    }

private:
    static void Require(const char* field, size_t width) {
        if (std::memchr(field, '\0', width) == nullptr)
            std::abort(); // a text field without its NUL would be read past its end
    }

    static int CheckAddress(const kvAddressRecord* record) {
        const char* bytes = reinterpret_cast<const char*>(record);
        for (const CAddressField& field : kAddressFields)
            Require(bytes + field.offset, field.width);
        return 1;
    }

    static int CheckOriginal(const char* original) {
        if (original == nullptr)
            return 1;
        const size_t length = std::strlen(original);
        if (length > KV_ORIGINAL_MAX || (length > 0 && length < 2) ||
            (length > 0 && std::strcmp(original + length - 2, "\r\n") != 0))
            std::abort(); // beyond what is kept, or a line without its end
        if (CPropertyText::ValidUtf8(original) != original)
            std::abort(); // no UTF-8: a reader handed on bytes it did not convert
        return 1;
    }

    static int CheckSchedule(const kvScheduleRecord* record) {
        Require(record->title, sizeof(record->title));
        Require(record->owner, sizeof(record->owner));
        Require(record->place, sizeof(record->place));
        Require(record->comment, sizeof(record->comment));
        return 1;
    }
};
