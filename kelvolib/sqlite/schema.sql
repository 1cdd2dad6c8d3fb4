-- The groupware on SQLite: texts are code page 932 bytes (BLOB), compared and
-- ordered byte by byte. Created in one transaction; the mark and the schema
-- version live in the file header (application_id, user_version).
CREATE TABLE users(
    id INTEGER PRIMARY KEY,
    name BLOB NOT NULL UNIQUE,
    reading BLOB NOT NULL DEFAULT x'',
    g0 BLOB NOT NULL DEFAULT x'', g1 BLOB NOT NULL DEFAULT x'',
    g2 BLOB NOT NULL DEFAULT x'', g3 BLOB NOT NULL DEFAULT x'',
    g4 BLOB NOT NULL DEFAULT x'', g5 BLOB NOT NULL DEFAULT x'',
    g6 BLOB NOT NULL DEFAULT x'', g7 BLOB NOT NULL DEFAULT x'',
    g8 BLOB NOT NULL DEFAULT x'', g9 BLOB NOT NULL DEFAULT x'',
    password BLOB NOT NULL DEFAULT x'', -- the password's SCRAM-SHA-256 verifier
    disabled INTEGER NOT NULL DEFAULT 0); -- nonzero: the user cannot sign in (kelvo-admin user disable)
-- Failed sign-ins in a row, by name: each waits longer than the one before,
-- in whichever process it is tried.
CREATE TABLE sign_in_failures(name BLOB PRIMARY KEY, failures INTEGER NOT NULL) WITHOUT ROWID;
-- Users removed with their private entries kept: no new user takes the name
-- (and with it the entries) until they are removed too.
CREATE TABLE removed_users(name BLOB PRIMARY KEY) WITHOUT ROWID;
-- Owners by number, so that the schedule key compares integers only.
CREATE TABLE owners(id INTEGER PRIMARY KEY, name BLOB NOT NULL UNIQUE);
CREATE TABLE schedules(
    id INTEGER NOT NULL,
    owner_id INTEGER NOT NULL,
    title BLOB NOT NULL, place BLOB NOT NULL,
    -- Year (since 1900), month, day, hour, minute, second: 4 bytes each, big-endian,
    -- the sign bit flipped, so that the bytes order as the numbers do.
    start_time BLOB NOT NULL, end_time BLOB NOT NULL,
    all_day INTEGER NOT NULL, public INTEGER NOT NULL, alarm_lead INTEGER NOT NULL,
    comment BLOB NOT NULL,
    changed INTEGER NOT NULL DEFAULT 0, -- the owner's change count that wrote it
    -- What the source said that the record cannot hold (UTF-8 content lines;
    -- kelvo.h), and the UID of the recurring series the entry belongs to.
    original BLOB NOT NULL DEFAULT x'', series BLOB NOT NULL DEFAULT x'',
    -- Stored in the order the list delivers, so that a list reads the table straight through.
    PRIMARY KEY (owner_id, start_time, id)) WITHOUT ROWID;
-- A series imported again finds its occurrences; an entry of no series costs nothing here.
CREATE INDEX schedules_by_series ON schedules(owner_id, series) WHERE series <> x'';
-- Whether an owner has any entry with an original: a list without any reads none.
CREATE INDEX schedules_with_original ON schedules(owner_id) WHERE length(original) > 0;
-- The next free ID of a kind of entry, reserved in blocks inside write transactions.
CREATE TABLE kv_sequence(name TEXT PRIMARY KEY, next INTEGER NOT NULL) WITHOUT ROWID;
CREATE TABLE address_categories(id INTEGER PRIMARY KEY, name BLOB NOT NULL UNIQUE);
CREATE TABLE addresses(
    id INTEGER PRIMARY KEY,
    owner BLOB NOT NULL, category BLOB NOT NULL, title BLOB NOT NULL,
    last_name BLOB NOT NULL, last_name_reading BLOB NOT NULL, first_name BLOB NOT NULL,
    name_reading BLOB NOT NULL, company BLOB NOT NULL, business_phone BLOB NOT NULL,
    business_phone_2 BLOB NOT NULL, business_fax BLOB NOT NULL, email BLOB NOT NULL,
    business_postal_code BLOB NOT NULL, business_prefecture BLOB NOT NULL,
    business_city BLOB NOT NULL, business_street BLOB NOT NULL, home_phone BLOB NOT NULL,
    home_phone_2 BLOB NOT NULL, mobile_phone BLOB NOT NULL, home_fax BLOB NOT NULL,
    email_2 BLOB NOT NULL, web_page BLOB NOT NULL, home_prefecture BLOB NOT NULL,
    home_city BLOB NOT NULL, home_street BLOB NOT NULL, memo BLOB NOT NULL,
    changed INTEGER NOT NULL DEFAULT 0, -- the owner's change count that wrote it
    original BLOB NOT NULL DEFAULT x''); -- what the source said beyond the record (kelvo.h)
-- The owner filter of the book, in ID order. Not by name: an import's
-- duplicate search runs on keys kept in memory, and an entry appended to its
-- owner's end of this index costs much less than one put among the names.
CREATE INDEX addresses_by_owner ON addresses(owner);
CREATE INDEX addresses_with_original ON addresses(owner) WHERE length(original) > 0;
CREATE TABLE board(
    id INTEGER PRIMARY KEY CHECK (id BETWEEN 1 AND 4294967295),
    parent_id INTEGER NOT NULL DEFAULT 0,
    title BLOB NOT NULL, user_name BLOB NOT NULL,
    posted_second INTEGER NOT NULL, posted_minute INTEGER NOT NULL, posted_hour INTEGER NOT NULL,
    posted_day INTEGER NOT NULL, posted_month INTEGER NOT NULL, posted_year INTEGER NOT NULL,
    text BLOB NOT NULL);
CREATE INDEX board_by_posting ON board(posted_year, posted_month, posted_day, posted_hour,
    posted_minute, posted_second, id);
-- How often each owner's entries of a kind were written (a batch counts once;
-- its entries carry the count it made) and how often one moved to another key:
-- an importer reads again only what others wrote since its keys were read.
CREATE TABLE kv_changes(kind TEXT NOT NULL, owner BLOB NOT NULL, version INTEGER NOT NULL,
    moved INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (kind, owner)) WITHOUT ROWID;
