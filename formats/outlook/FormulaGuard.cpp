#include "FormulaGuard.h"

namespace {

bool StartsFormula(char c) {
    return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r';
}

// Whether text, after any apostrophes, begins a formula.
bool AfterApostrophesStartsFormula(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && text[i] == '\'')
        ++i;
    return i < text.size() && StartsFormula(text[i]);
}

} // namespace

bool CFormulaGuard::NeedsGuard(std::string_view value) {
    return AfterApostrophesStartsFormula(value);
}

bool CFormulaGuard::IsGuarded(std::string_view cell) {
    return !cell.empty() && cell[0] == '\'' && AfterApostrophesStartsFormula(cell.substr(1));
}
