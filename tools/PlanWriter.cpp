#include "PlanWriter.h"

#include <ostream>

#include "AdminText.h"
#include "ImportPlan.h"

namespace {

const char* ActionName(CImportPlan::Action action) {
    switch (action) {
    case CImportPlan::Action::Add:
        return "add";
    case CImportPlan::Action::Replace:
        return "replace";
    case CImportPlan::Action::Skip:
        break;
    }
    return "skip";
}

// A value as the text line quotes it: UTF-8, escaped, in double quotes.
std::string Quoted(const std::string& cp932) {
    return "\"" + CAdminText::ToUtf8(cp932, true) + "\"";
}

} // namespace

void CPlanWriter::Text(const CImportPlan& plan, std::ostream& out) {
    using Action = CImportPlan::Action;
    out << "plan: add " << plan.Count(Action::Add) << ", replace " << plan.Count(Action::Replace)
        << ", skip " << plan.Count(Action::Skip) << "\n";
    for (const CImportPlan::CLine& line : plan.Lines()) {
        // The action first: a note of the summary begins with "line N:".
        out << ActionName(line.action) << " line " << line.line << ": ";
        if (line.action == Action::Skip) {
            out << CAdminText::ToUtf8(line.reason, true) << "\n";
            continue;
        }
        out << CAdminText::ToUtf8(line.entry, true);
        if (line.action == Action::Replace)
            out << (line.changes.empty() ? " (no field changes)" : ":");
        for (size_t i = 0; i < line.changes.size(); ++i) {
            const CImportPlan::CChange& change = line.changes[i];
            out << (i == 0 ? " " : ", ") << change.field << " " << Quoted(change.before) << " -> "
                << Quoted(change.after);
        }
        out << "\n";
    }
}

void CPlanWriter::Tsv(const CImportPlan& plan, std::ostream& out) {
    out << "line\taction\tentry\tfield\tbefore\tafter\treason\n";
    auto row = [&out](const CImportPlan::CLine& line, const CImportPlan::CChange* change) {
        out << line.line << "\t" << ActionName(line.action) << "\t"
            << CAdminText::ToUtf8(line.entry, true) << "\t"
            << (change != nullptr ? change->field : std::string()) << "\t"
            << (change != nullptr ? CAdminText::ToUtf8(change->before, true) : std::string())
            << "\t" << (change != nullptr ? CAdminText::ToUtf8(change->after, true) : std::string())
            << "\t" << CAdminText::ToUtf8(line.reason, true) << "\n";
    };
    for (const CImportPlan::CLine& line : plan.Lines()) {
        if (line.changes.empty())
            row(line, nullptr);
        for (const CImportPlan::CChange& change : line.changes)
            row(line, &change);
    }
}
