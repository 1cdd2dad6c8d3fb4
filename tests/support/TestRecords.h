#pragma once

#include <string>
#include <vector>

#include "kelvo.h"

// Records for tests, built the way the program builds them: zeroed, texts
// copied into their fields. Texts are code page 932 bytes; Sjis() converts.
class CTestRecords {
public:
    // The code page 932 form of a UTF-8 literal.
    static std::string Sjis(const std::string& utf8);
    // The UTF-8 form of a code page 932 text.
    static std::string Utf8(const std::string& cp932);

    static kvUserRecord User(const std::string& name, const std::string& reading = "",
                             const std::vector<std::string>& groups = {},
                             const std::string& password = "");
    static kvScheduleRecord Schedule(const std::string& owner, const std::string& title, int year,
                                     int month, int day, int hour, int minute, int allDay = 0);
    static kvAddressRecord Address(const std::string& owner, const std::string& lastName,
                                   const std::string& firstName, const std::string& company);
    static kvBoardMessage Message(const std::string& user, const std::string& title, int day,
                                  int hour, int minute, uint32_t parentId = 0);
    // Copies text into a field of width bytes (text must fit).
    static void Put(char* field, size_t width, const std::string& text);
};
