-- What each import did, for looking back on it and taking it back: who ran it
-- on whose entries, from which file and how; the entries it added, replaced
-- and removed (a series imported again); and those it replaced or removed as
-- they were before. Written in the same transactions as the entries, so that
-- an import cut short records what it committed. Part of the schema since
-- version 9 (made by a new groupware and by the upgrade alike).
CREATE TABLE IF NOT EXISTS imports(
    id INTEGER PRIMARY KEY,
    user_name BLOB NOT NULL, -- who ran it
    owner BLOB NOT NULL,     -- whose entries (empty: the public ones)
    kind TEXT NOT NULL,      -- 'addresses' or 'schedules'
    started INTEGER NOT NULL, -- seconds since 1970, UTC
    file BLOB NOT NULL, size INTEGER NOT NULL, hash TEXT NOT NULL, -- SHA-256, hex
    form TEXT NOT NULL, options TEXT NOT NULL,
    skipped INTEGER NOT NULL DEFAULT 0, -- records read and not stored
    ended INTEGER NOT NULL DEFAULT 0,   -- seconds since 1970 when it ended (0: cut short)
    undone INTEGER NOT NULL DEFAULT 0); -- seconds since 1970 when it was taken back
CREATE INDEX IF NOT EXISTS imports_by_user ON imports(user_name, id);
-- The entries by what the import did to them (action: 1 added, 2 replaced,
-- 3 removed), as runs of IDs from entry_id to last_id: a batch's added entries
-- take consecutive IDs, so that most imports need a row a batch.
CREATE TABLE IF NOT EXISTS import_entries(import_id INTEGER NOT NULL, action INTEGER NOT NULL,
    entry_id INTEGER NOT NULL, last_id INTEGER NOT NULL,
    PRIMARY KEY (import_id, action, entry_id)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS import_addresses(
    import_id INTEGER NOT NULL, id INTEGER NOT NULL,
    owner BLOB NOT NULL, category BLOB NOT NULL, title BLOB NOT NULL,
    last_name BLOB NOT NULL, last_name_reading BLOB NOT NULL, first_name BLOB NOT NULL,
    name_reading BLOB NOT NULL, company BLOB NOT NULL, business_phone BLOB NOT NULL,
    business_phone_2 BLOB NOT NULL, business_fax BLOB NOT NULL, email BLOB NOT NULL,
    business_postal_code BLOB NOT NULL, business_prefecture BLOB NOT NULL,
    business_city BLOB NOT NULL, business_street BLOB NOT NULL, home_phone BLOB NOT NULL,
    home_phone_2 BLOB NOT NULL, mobile_phone BLOB NOT NULL, home_fax BLOB NOT NULL,
    email_2 BLOB NOT NULL, web_page BLOB NOT NULL, home_prefecture BLOB NOT NULL,
    home_city BLOB NOT NULL, home_street BLOB NOT NULL, memo BLOB NOT NULL,
    changed INTEGER NOT NULL, original BLOB NOT NULL,
    PRIMARY KEY (import_id, id)) WITHOUT ROWID;
CREATE TABLE IF NOT EXISTS import_schedules(
    import_id INTEGER NOT NULL, id INTEGER NOT NULL, owner_id INTEGER NOT NULL,
    title BLOB NOT NULL, place BLOB NOT NULL, start_time BLOB NOT NULL, end_time BLOB NOT NULL,
    all_day INTEGER NOT NULL, public INTEGER NOT NULL, alarm_lead INTEGER NOT NULL,
    comment BLOB NOT NULL, changed INTEGER NOT NULL, original BLOB NOT NULL,
    series BLOB NOT NULL, PRIMARY KEY (import_id, id)) WITHOUT ROWID;
-- The records an import read and did not store, by the line of the file
-- where each began, and why (code page 932, as the import said it).
CREATE TABLE IF NOT EXISTS import_skips(import_id INTEGER NOT NULL, line INTEGER NOT NULL,
    reason BLOB NOT NULL, PRIMARY KEY (import_id, line)) WITHOUT ROWID;
