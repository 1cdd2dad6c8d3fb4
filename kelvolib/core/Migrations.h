#pragma once

class CDatabase;

// What an upgrade of the schema does to the groupware's data, beyond the
// tables each engine upgrades itself: one step per schema version that needs
// one, run in the upgrade's transaction (CDatabase's migration).
class CMigrations {
public:
    // The steps a database of schema version from needs; false when one fails.
    static bool Run(CDatabase& db, int from);
};
