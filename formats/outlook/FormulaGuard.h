#pragma once

#include <string>
#include <string_view>

// A cell of comma-separated text that a spreadsheet would take for a formula
// (it begins with =, +, -, @, a tab or a CR: "=HYPERLINK(...)", "+81-3-...")
// is written with an apostrophe in front, which spreadsheets show as text and
// hide; the import takes that apostrophe off again. A value that itself
// begins with apostrophes before such a character gets one more, so that
// every value comes back exactly as it went out.
class CFormulaGuard {
public:
    // Whether value must be written guarded.
    static bool NeedsGuard(std::string_view value);
    // Whether a read cell was written guarded (then its first byte goes).
    static bool IsGuarded(std::string_view cell);
};
