#pragma once

#include <string>

class CDatabase;

// Takes an import back (kelvo-admin import undo), in one transaction: the
// entries it added removed, those it replaced or removed put back as they
// were, the import marked as taken back. Entries a later import (not taken
// back) replaced or removed are named and the whole is refused, unless force
// says to keep those later changes (they are then left as they are).
class CImportUndo {
public:
    explicit CImportUndo(CDatabase& db) : m_db(db) {}

    // summary: what was done ("removed 3 added entries, put back 2").
    bool Undo(int number, bool force, std::string& summary);

private:
    CDatabase& m_db;
};
