/*
 * kelvo.h - the groupware backend's C interface.
 *
 * Thirty operations that the viewer, the importers and kelvo-admin call, and
 * the fixed-layout records they exchange. The layouts are a file format: every
 * offset and size below is checked at compile time and must never change.
 *
 * Conventions
 *  - Every text is 8-bit code page 932 and NUL-terminated. In a record a text
 *    field ends with a NUL inside its fixed width.
 *  - Integers in records are signed or unsigned 32-bit, little-endian.
 *  - Record buffers belong to the caller and are passed without a size; the
 *    caller always provides a buffer of the record's full size (KV_*_SIZE).
 *  - Results are int: nonzero means success, 0 failure or "no more". No
 *    operation crashes on a null pointer, an unknown user or a closed list: it
 *    returns 0. The reason for a failure is queued as a monitor line and kept
 *    for kvLastError.
 *  - Texts passed in are read during the call only; the library keeps no
 *    pointer the caller gave it.
 *  - Each kind of list (users, schedules, address book, board) has one read
 *    position inside the backend and no handle: open restarts it, next steps it.
 *  - No initialisation call exists; the backend opens its storage on first
 *    use. kvShutdown releases it; a later call opens it again.
 *  - Not thread-safe for concurrent enumerations; calls are serialised inside.
 */
#ifndef KELVO_H
#define KELVO_H

#include <stddef.h>
#include <stdint.h>

#if defined(KELVO_BUILDING_LIBRARY)
#define KV_API __attribute__((visibility("default")))
#else
#define KV_API
#endif

#ifdef __cplusplus
#define KV_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define KV_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* 1.1: kvLastError, kvCommittedWrites, kvPostMonitorLine and kvVersion.
 * 1.2: kvCheckPassword and kvChangePassword; passwords never leave the library.
 * 1.3: kvSetNextOriginal and kvLastOriginal: what a source said that a record
 *      cannot hold is kept beside its entry.
 * 1.4: kvBeginImport and kvEndImport: each import is recorded.
 * 1.5: kvLastImport and kvUndoImport: a person takes back their own import;
 *      kvSkipImportRecord: what an import skipped, and why; kvDatabaseLocation and
 *      the configuration files.
 * 1.6: kvLastEntry, kvRemoveEntries and kvEntriesState: what a sync server
 *      needs to name, tell changed and remove single entries. */
#define KV_VERSION_MAJOR 1
#define KV_VERSION_MINOR 6

/* Record sizes in bytes. */
#define KV_USER_RECORD_SIZE 69264
#define KV_SCHEDULE_RECORD_SIZE 33740
#define KV_ADDRESS_RECORD_SIZE 36520
#define KV_BOARD_MESSAGE_SIZE 33728
#define KV_TIME_BLOCK_SIZE 36

/* A monitor line, NUL included, never exceeds this. */
#define KV_MONITOR_LINE_SIZE 256

/* Width of the password field, NUL included: at most 255 bytes of password. */
#define KV_PASSWORD_SIZE 256
/* Number of group fields in a user record. */
#define KV_GROUP_COUNT 10

/*
 * Time block: the order of the C library's struct tm. Month 0 to 11, year as
 * years since 1900. Only minutes to years are used by the viewer.
 */
typedef struct kvTimeBlock {
    int32_t seconds;
    int32_t minutes;
    int32_t hours;
    int32_t dayOfMonth;
    int32_t month;
    int32_t yearsSince1900;
    int32_t dayOfWeek;
    int32_t dayOfYear;
    int32_t daylightSaving;
} kvTimeBlock;

/* User record: 69,264 bytes. */
typedef struct kvUserRecord {
    char userName[100];               /* 0: key */
    char reading[100];                /* 100 */
    char groups[KV_GROUP_COUNT][100]; /* 200..1199: empty = no group */
    unsigned char reserved1200[8];    /* 1200: the backend's, zero */
    char password[KV_PASSWORD_SIZE];  /* 1208: delivered zeroed, never read back */
    unsigned char reserved[KV_USER_RECORD_SIZE - 1208 - KV_PASSWORD_SIZE]; /* zero */
} kvUserRecord;

/* Schedule record: 33,740 bytes. An end year of 70 (1970) means "no end". */
typedef struct kvScheduleRecord {
    int32_t head;                /* 0: the backend's, zero */
    char title[200];             /* 4 */
    char owner[100];             /* 204 */
    char place[200];             /* 304 */
    kvTimeBlock start;           /* 504 */
    kvTimeBlock end;             /* 540 */
    int32_t allDay;              /* 576: nonzero = all-day event */
    int32_t isPublic;            /* 580: nonzero = public */
    int32_t alarmLeadMinutes;    /* 584: 0 = no alarm */
    unsigned char reserved[384]; /* 588: the backend's, zero */
    char comment[32768];         /* 972 */
} kvScheduleRecord;

/* Address record: 36,520 bytes. An empty owner means a public entry. */
typedef struct kvAddressRecord {
    int32_t head;                 /* 0: the backend's, zero */
    char owner[108];              /* 4 */
    char category[100];           /* 112 */
    char title[200];              /* 212 */
    char reserved412[200];        /* 412: the backend's, zero */
    char lastName[100];           /* 612 */
    char lastNameReading[100];    /* 712 */
    char firstName[100];          /* 812 */
    char nameReading[100];        /* 912 */
    char company[100];            /* 1012 */
    char businessPhone[50];       /* 1112 */
    char businessPhone2[50];      /* 1162 */
    char businessFax[50];         /* 1212 */
    char reserved1262[50];        /* 1262: the backend's, zero */
    char email[250];              /* 1312 */
    char reserved1562[250];       /* 1562: the backend's, zero */
    char businessPostalCode[20];  /* 1812 */
    char businessPrefecture[200]; /* 1832 */
    char businessCity[200];       /* 2032 */
    char businessStreet[200];     /* 2232 */
    char homePhone[50];           /* 2432 */
    char homePhone2[50];          /* 2482 */
    char mobilePhone[50];         /* 2532 */
    char homeFax[50];             /* 2582 */
    char email2[250];             /* 2632 */
    char webPage[250];            /* 2882 */
    char reserved3132[20];        /* 3132: the backend's, zero */
    char homePrefecture[200];     /* 3152 */
    char homeCity[200];           /* 3352 */
    char homeStreet[200];         /* 3552 */
    char memo[32768];             /* 3752 */
} kvAddressRecord;

/* Board message record: 33,728 bytes. */
typedef struct kvBoardMessage {
    uint32_t id;                    /* 0 */
    char title[200];                /* 4 */
    char userName[100];             /* 204: poster */
    unsigned char reserved304[252]; /* 304: the backend's, zero */
    kvTimeBlock posted;             /* 556 */
    uint32_t parentId;              /* 592: message commented on, 0 = none */
    unsigned char reserved596[364]; /* 596: the backend's, zero */
    char text[32768];               /* 960 */
} kvBoardMessage;

KV_STATIC_ASSERT(sizeof(kvTimeBlock) == KV_TIME_BLOCK_SIZE, "time block size");
KV_STATIC_ASSERT(offsetof(kvTimeBlock, minutes) == 4, "time block minutes");
KV_STATIC_ASSERT(offsetof(kvTimeBlock, hours) == 8, "time block hours");
KV_STATIC_ASSERT(offsetof(kvTimeBlock, dayOfMonth) == 12, "time block day");
KV_STATIC_ASSERT(offsetof(kvTimeBlock, month) == 16, "time block month");
KV_STATIC_ASSERT(offsetof(kvTimeBlock, yearsSince1900) == 20, "time block year");
KV_STATIC_ASSERT(offsetof(kvTimeBlock, daylightSaving) == 32, "time block dst");

KV_STATIC_ASSERT(sizeof(kvUserRecord) == KV_USER_RECORD_SIZE, "user record size");
KV_STATIC_ASSERT(offsetof(kvUserRecord, reading) == 100, "user reading");
KV_STATIC_ASSERT(offsetof(kvUserRecord, groups) == 200, "user groups");
KV_STATIC_ASSERT(offsetof(kvUserRecord, reserved1200) == 1200, "user reserved");
KV_STATIC_ASSERT(offsetof(kvUserRecord, password) == 1208, "user password");

KV_STATIC_ASSERT(sizeof(kvScheduleRecord) == KV_SCHEDULE_RECORD_SIZE, "schedule size");
KV_STATIC_ASSERT(offsetof(kvScheduleRecord, title) == 4, "schedule title");
KV_STATIC_ASSERT(offsetof(kvScheduleRecord, owner) == 204, "schedule owner");
KV_STATIC_ASSERT(offsetof(kvScheduleRecord, place) == 304, "schedule place");
KV_STATIC_ASSERT(offsetof(kvScheduleRecord, start) == 504, "schedule start");
KV_STATIC_ASSERT(offsetof(kvScheduleRecord, end) == 540, "schedule end");
KV_STATIC_ASSERT(offsetof(kvScheduleRecord, allDay) == 576, "schedule all-day");
KV_STATIC_ASSERT(offsetof(kvScheduleRecord, isPublic) == 580, "schedule public");
KV_STATIC_ASSERT(offsetof(kvScheduleRecord, alarmLeadMinutes) == 584, "schedule alarm");
KV_STATIC_ASSERT(offsetof(kvScheduleRecord, reserved) == 588, "schedule reserved");
KV_STATIC_ASSERT(offsetof(kvScheduleRecord, comment) == 972, "schedule comment");

KV_STATIC_ASSERT(sizeof(kvAddressRecord) == KV_ADDRESS_RECORD_SIZE, "address size");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, owner) == 4, "address owner");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, category) == 112, "address category");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, title) == 212, "address title");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, lastName) == 612, "address last name");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, lastNameReading) == 712, "address reading");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, firstName) == 812, "address first name");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, nameReading) == 912, "address name reading");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, company) == 1012, "address company");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, businessPhone) == 1112, "address phone");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, businessPhone2) == 1162, "address phone 2");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, businessFax) == 1212, "address fax");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, email) == 1312, "address email");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, businessPostalCode) == 1812, "address postal");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, businessPrefecture) == 1832, "address pref");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, businessCity) == 2032, "address city");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, businessStreet) == 2232, "address street");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, homePhone) == 2432, "address home phone");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, homePhone2) == 2482, "address home phone 2");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, mobilePhone) == 2532, "address mobile");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, homeFax) == 2582, "address home fax");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, email2) == 2632, "address email 2");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, webPage) == 2882, "address web page");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, homePrefecture) == 3152, "address home pref");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, homeCity) == 3352, "address home city");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, homeStreet) == 3552, "address home street");
KV_STATIC_ASSERT(offsetof(kvAddressRecord, memo) == 3752, "address memo");

KV_STATIC_ASSERT(sizeof(kvBoardMessage) == KV_BOARD_MESSAGE_SIZE, "board message size");
KV_STATIC_ASSERT(offsetof(kvBoardMessage, title) == 4, "board title");
KV_STATIC_ASSERT(offsetof(kvBoardMessage, userName) == 204, "board user");
KV_STATIC_ASSERT(offsetof(kvBoardMessage, posted) == 556, "board posted");
KV_STATIC_ASSERT(offsetof(kvBoardMessage, parentId) == 592, "board parent");
KV_STATIC_ASSERT(offsetof(kvBoardMessage, text) == 960, "board text");

/* ---- Lifetime and helpers ------------------------------------------------ */

/*
 * The library's version: (major << 16) | minor. A program built against this
 * header works with a library of the same major version and at least its
 * minor version; the viewer's loader checks that.
 */
#define KV_VERSION ((KV_VERSION_MAJOR << 16) | KV_VERSION_MINOR)
KV_API int kvVersion(void);

/*
 * Commits pending writes of open lists and releases the storage. Always
 * returns nonzero. The last call of a run; a later call opens the storage again.
 */
KV_API int kvShutdown(void);

/*
 * Copies the oldest pending monitor line into buffer (size bytes, NUL
 * included, at most KV_MONITOR_LINE_SIZE used) and removes it from the queue.
 * Returns 0, writing nothing, when no line is pending or buffer is null or
 * size <= 0. The queue is bounded: when nobody reads it, the oldest lines are
 * dropped.
 */
KV_API int kvReadMonitorLine(char* buffer, int size);

/*
 * Copies text into field, writing at most fieldSize bytes including the
 * terminating NUL, which is always written when fieldSize > 0. A double-byte
 * character is never split: one that does not fit is left out whole. A null
 * text copies as the empty text. Returns 0 only for a null field or
 * fieldSize <= 0. Reads text up to its NUL; needs no storage.
 */
KV_API int kvCopyText(char* field, const char* text, int fieldSize);

/* ---- Users --------------------------------------------------------------- */

/*
 * Opens the user enumeration, by name order, replacing one that was open.
 * filter "" lists every user; a non-empty filter lists the members of that
 * group; a null filter with a user name lists that user alone. flags: pass 0.
 * The texts are read during the call. Returns 0 when the storage cannot be
 * used (kvLastError says why).
 */
KV_API int kvOpenUsers(const char* filter, const char* userName, int flags);
/* Ends the user enumeration. Returns 0 when none was open. */
KV_API int kvCloseUsers(void);
/*
 * Fills record (the caller's buffer of KV_USER_RECORD_SIZE bytes, written
 * whole; the password field zeroed) with the next user. mode: pass 1. Returns 0 at the end (no
 * reason) or on a failure (kvLastError says why), and when no enumeration is open.
 */
KV_API int kvNextUser(kvUserRecord* record, int mode);
/*
 * Stores record's reading and groups over the user userName; the record's
 * user name and password field are not used (users are renamed nowhere, and
 * passwords change only through kvChangePassword). A record equal to the
 * stored one writes nothing. Reads record (KV_USER_RECORD_SIZE bytes); each
 * text up to its NUL or its field's end. Committed at once. Returns 0 when
 * there is no such user or the write fails (or is not the caller's to make).
 */
KV_API int kvUpdateUser(const char* userName, const kvUserRecord* record);
/*
 * Fills record (KV_USER_RECORD_SIZE bytes, written whole; the password field
 * zeroed) with the user userName. Returns 0 if there is no such user (no
 * reason) or on a failure.
 */
KV_API int kvGetUser(const char* userName, kvUserRecord* record);
/* Starts the open user enumeration again at its first user. Returns 0 when none is open. */
KV_API int kvRewindUsers(void);

/* ---- Schedules ----------------------------------------------------------- */

/*
 * Opens owner's schedules, by start time, replacing an open schedule list
 * (whose writes are committed first). filter: pass "" or null. While the
 * schedules are open, adds and updates are batched into one transaction that
 * is committed on close, on kvShutdown, and at the first write more than a
 * second after the batch began. Returns 0 for a null owner or when the
 * storage cannot be used.
 */
KV_API int kvOpenSchedules(const char* owner, const char* filter);
/*
 * Closes the schedules. Returns nonzero when every write made while they were
 * open is committed; 0 when some could not be (kvLastError says why) or none
 * were open.
 */
KV_API int kvCloseSchedules(void);
/*
 * Fills record (KV_SCHEDULE_RECORD_SIZE bytes) with the next entry; a buffer
 * passed again has only the tail of its previous texts cleared, every other
 * byte is written. mode: pass 1. Returns 0 at the end (no reason) or on a
 * failure (kvLastError says why).
 */
KV_API int kvNextSchedule(kvScheduleRecord* record, int mode);
/*
 * Stores record (read, KV_SCHEDULE_RECORD_SIZE bytes) as a new entry of its
 * owner (the open owner if its owner field is empty), in the open batch.
 * mode: pass 0. Returns 0 when no schedules are open or the write fails; a
 * write that fails ends the batch's transaction (see kvCommittedWrites).
 */
KV_API int kvAddSchedule(const kvScheduleRecord* record, int mode);
/*
 * Replaces the entry last found by kvFindDuplicateSchedule with record, in the
 * open batch. mode: pass 0. Returns 0 when nothing was found, no schedules
 * are open, or the write fails.
 */
KV_API int kvUpdateSchedule(const kvScheduleRecord* record, int mode);
/*
 * Looks for an entry of the open owner that starts at year (full, e.g. 2001),
 * month (1-12), day, hour and minute, with the same all-day flag and title
 * (up to its NUL, compared byte for byte). owner: pass null; flags: pass 0.
 * The first such entry is remembered for kvUpdateSchedule. The lookup opens
 * the batch's write transaction, so the add or update it decides follows it
 * with no other writer in between. Returns 0 when none is found (no reason)
 * or on a failure.
 */
KV_API int kvFindDuplicateSchedule(const char* owner, int flags, int year, int month, int day,
                                   int hour, int minute, int allDay, const char* title);

/* ---- Bulletin board ------------------------------------------------------ */

/*
 * Opens the board, messages by posting time, the read position on the first.
 * userName: the reader (only named on the monitor); mode: pass -1. Returns 0
 * when the storage cannot be used.
 */
KV_API int kvOpenBoard(const char* userName, int mode);
/* Closes the board. Returns 0 when it was not open. */
KV_API int kvCloseBoard(void);
/*
 * Fills record (KV_BOARD_MESSAGE_SIZE bytes, written whole) with the message
 * at the read position without moving it. mode: pass 0. Returns 0 at the end
 * (no reason) or on a failure (kvLastError says why).
 */
KV_API int kvReadBoardMessage(kvBoardMessage* record, int mode);
/* Puts the read position back on the first message. Returns 0 when the board is not open. */
KV_API int kvRewindBoard(void);
/* Moves the read position on; returns nonzero if a message follows. */
KV_API int kvNextBoardMessage(void);

/* ---- Address book -------------------------------------------------------- */

/*
 * Opens owner's address book: owner's private entries and the public ones
 * (empty owner), in entry order, replacing an open book (whose update phase
 * is ended first). Pass -1, 0, 0, 0 for the rest. Returns 0 when the storage
 * cannot be used.
 */
KV_API int kvOpenAddressBook(const char* owner, int mode, int reserved1, int reserved2,
                             int reserved3);
/*
 * Closes the address book, ending an update phase still open. Returns
 * nonzero when every write is committed; 0 when some could not be or no book
 * was open.
 */
KV_API int kvCloseAddressBook(void);
/*
 * Fills record (KV_ADDRESS_RECORD_SIZE bytes; a buffer passed again has only
 * the tail of its previous texts cleared) with the next entry. mode: pass 1.
 * Returns 0 at the end (no reason) or on a failure (kvLastError says why).
 */
KV_API int kvNextAddress(kvAddressRecord* record, int mode);
/*
 * Stores record (read, KV_ADDRESS_RECORD_SIZE bytes) as a new entry of its
 * owner field (empty: public), in the update phase's batch. Returns 0 outside
 * the update phase or when the write fails.
 */
KV_API int kvAddAddress(const kvAddressRecord* record);
/*
 * Replaces the entry last found by kvFindDuplicateAddress with record, in the
 * update phase's batch. Returns 0 when nothing was found, outside the update
 * phase, or when the write fails.
 */
KV_API int kvUpdateAddress(const kvAddressRecord* record);
/*
 * Looks for an entry with the same last name, first name and company (each up
 * to its NUL, byte for byte). owner "" searches the public entries, null the
 * open owner's private ones, any other text that owner's. flags: pass 0. The
 * first such entry is remembered for kvUpdateAddress. Inside the update phase
 * the lookup opens the batch's write transaction (see
 * kvFindDuplicateSchedule). Returns 0 when none is found (no reason) or on a
 * failure.
 */
KV_API int kvFindDuplicateAddress(const char* owner, int flags, const char* lastName,
                                  const char* firstName, const char* company);
/*
 * Begins the update phase of the open address book; owner is only named on
 * the monitor. Adds and updates until kvEndAddressUpdate are batched as
 * described at kvOpenSchedules. Returns 0 when no book is open.
 */
KV_API int kvBeginAddressUpdate(const char* owner);
/*
 * Ends the update phase and commits its batch. Returns nonzero when every
 * write of the phase is committed; 0 when some could not be (kvLastError says
 * why) or no phase was begun.
 */
KV_API int kvEndAddressUpdate(void);
/*
 * Makes category (a non-empty text) one of the address categories; committed
 * with the open batch, or at once outside one. Returns nonzero when the
 * category exists afterwards, 0 for an empty text or a failed write.
 */
KV_API int kvAddAddressCategory(const char* category);
/* Returns nonzero when category is an address category; 0 when not (no reason) or on a failure. */
KV_API int kvFindAddressCategory(const char* category);

/* ---- Beyond the thirty: passwords ---------------------------------------- */

/*
 * Signs userName in with password (both code page 932, read during the call).
 * Passwords are stored only as salted SCRAM-SHA-256 verifiers. On the
 * embedded engine the library checks the verifier. On a server whose URI
 * names no role, the library connects as the person's own role with the
 * password, the server checks it, and that connection replaces the one
 * before (open lists are closed); until a first sign-in every other
 * operation fails there, saying that nobody has signed in.
 * Returns nonzero when the password is userName's and userName is a current
 * user (not removed, not disabled). Returns 0 with no reason (kvLastError)
 * for an unknown name, a disabled user and a wrong password alike, taking
 * about as long for each, and longer after each failure for the name in a row
 * (half a second, doubling to 8 s); 0 with a reason when the check could not
 * be made (the server cannot be reached, its certificate cannot be checked, it
 * is not a groupware...). A password goes only to a server whose certificate
 * is checked against the office's certificate authority.
 */
KV_API int kvCheckPassword(const char* userName, const char* password);

/*
 * Changes userName's password from oldPassword to newPassword (code page 932,
 * read during the call; at least 8 characters, at most KV_PASSWORD_SIZE - 1
 * bytes, no control characters). A wrong oldPassword waits as a wrong one at
 * kvCheckPassword does. On a server the old password is proved by
 * signing in as userName on a connection of the call's own; whoever is signed
 * in stays so. Returns nonzero when changed; 0 with no reason when
 * oldPassword is wrong or there is no such user; 0 with a reason when the new
 * password is refused or the change cannot be made.
 */
KV_API int kvChangePassword(const char* userName, const char* oldPassword, const char* newPassword);

/* ---- Beyond the thirty: telling failures from ends ----------------------- */

/*
 * Copies the reason of the last call of this thread into buffer (size bytes,
 * NUL included) and returns nonzero when that call failed; returns 0, with
 * the empty text, when it did not. A next, find or get that returns 0 with
 * no reason found nothing ("end", "not found"); with a reason it failed.
 * Ask right after the call: the next call replaces the reason.
 */
KV_API int kvLastError(char* buffer, int size);

/*
 * The number of adds and updates committed (stored for good) since the
 * library was loaded; it wraps around. A writer that reads it before its
 * first write and after its close learns how many of its writes were stored.
 */
KV_API int kvCommittedWrites(void);

/*
 * Queues line (code page 932, read during the call, cut to fit a monitor
 * line) as a monitor line of the program's own, such as an import's summary.
 * Returns 0 for a null line.
 */
KV_API int kvPostMonitorLine(const char* line);

/* ---- Beyond the thirty: the original beside an entry --------------------- */

/*
 * An address or schedule entry may keep, beside its record, what its source
 * said that the record cannot hold: its original. The records stay exactly
 * as they are; the original is a UTF-8 text of content lines (as in vCard and
 * iCalendar: "NAME;PARAM=value:value", unfolded, escaped as there), each
 * ended by CR LF:
 *  - X-KELVO-FIELD;NAME=<column>:<text> holds the whole Unicode text of a
 *    record field whose code page 932 form lost characters or was cut; the
 *    column is the field's stored name (last_name, memo, title, comment...),
 *    and in the text a backslash, LF, CR and NUL are written \\, \n, \r, \0;
 *  - X-KELVO-SERIES:<uid> says which series a schedule entry belongs to;
 *  - every other line is the source's own: a vCard's properties that have no
 *    field, an event's UID and other properties, whole components
 *    (BEGIN:VEVENT ... END:VEVENT, BEGIN:VTIMEZONE ...) of a recurring
 *    series, X-KELVO-COLUMN;NAME=<header>:<value> for a table's columns that
 *    have no field.
 * At most KV_ORIGINAL_MAX bytes, NUL excluded.
 */
#define KV_ORIGINAL_MAX (1 << 20)
#define KV_KIND_ADDRESS 1
#define KV_KIND_SCHEDULE 2

/*
 * Sets the original of the next entry of kind (KV_KIND_ADDRESS or
 * KV_KIND_SCHEDULE) that kvAddAddress or kvUpdateAddress (kvAddSchedule or
 * kvUpdateSchedule) writes: the NUL-terminated UTF-8 text original (null or
 * "": none). An updated entry's original is replaced by it; without a call
 * an entry is written with none. series (schedules only; the UID of the
 * recurring series the entry is an occurrence of, as its source wrote it, in
 * UTF-8; null or "": none) groups the occurrences: the first entry of a
 * series written (or looked for as a duplicate) while the schedules are open
 * removes the owner's entries of that series written before, so that a series
 * imported again replaces its occurrences. Read during the call. Returns 0
 * for another kind, a series of addresses, or an original longer than
 * KV_ORIGINAL_MAX bytes.
 */
KV_API int kvSetNextOriginal(int kind, const char* original, const char* series);

/*
 * The original of the record the last kvNextAddress (kind KV_KIND_ADDRESS)
 * or kvNextSchedule (KV_KIND_SCHEDULE) delivered: copied into buffer (size
 * bytes, NUL included) when it fits, else nothing is copied. Returns the
 * bytes it takes, NUL included; 0 when that record has none, or none was
 * delivered since the list was opened.
 */
KV_API int kvLastOriginal(int kind, char* buffer, int size);

/*
 * Begins the record of an import of kind's entries (KV_KIND_ADDRESS or
 * KV_KIND_SCHEDULE) of owner ("" the public ones) by userName: from file (its
 * name as given, UTF-8), of size bytes, whose SHA-256 is hash (hex; "" when
 * it could not be taken, as of a pipe), read as form with options (UTF-8, as
 * the importer says them). From then until kvEndImport every entry of that
 * kind written is recorded with it, in the same transactions as the entries:
 * the entries added, and those replaced (kvUpdateAddress, kvUpdateSchedule)
 * or removed (a series written again) with what they were before. Call it
 * after kvBeginAddressUpdate (kvOpenSchedules). On a server the person signed
 * in is recorded, whatever userName says, unless the administrator imports.
 * Returns the import's number, or 0 (an import under way, a kind, owner or
 * text refused, or the record could not be written).
 */
KV_API int kvBeginImport(int kind, const char* owner, const char* userName, const char* file,
                         long long size, const char* hash, const char* form, const char* options);

/*
 * Ends the record kvBeginImport began: skipped records were read and not
 * stored. Call it before kvEndAddressUpdate (kvCloseSchedules), which commits
 * it with the last entries. Returns 0 when no import is under way.
 */
KV_API int kvEndImport(long long skipped);

/*
 * Records that the import under way read a record at line of its file (from
 * 1, where the record began) and did not store it, for reason (code page 932,
 * at most KV_MONITOR_LINE_SIZE - 1 bytes kept), in the open batch. Returns 0
 * when no import is under way or it cannot be written.
 */
KV_API int kvSkipImportRecord(long long line, const char* reason);

/*
 * Where the groupware is, told without opening it: copied into location
 * (size bytes, NUL included; a URI as it may be shown, without a password).
 * Returns KV_LOCATION_VARIABLE ($KELVO_DATABASE), KV_LOCATION_FILE (a
 * configuration file, kelvo.conf), KV_LOCATION_DESK (this desk's own file,
 * when nothing names one), or 0 when none can be told (kvLastError says why).
 */
#define KV_LOCATION_VARIABLE 1
#define KV_LOCATION_FILE 2
#define KV_LOCATION_DESK 3
KV_API int kvDatabaseLocation(char* location, int size);

/* An import as kvLastImport delivers it. */
#define KV_IMPORT_FILE_SIZE 1024
typedef struct kvImportInfo {
    int number;
    int kind;          /* KV_KIND_ADDRESS or KV_KIND_SCHEDULE */
    long long started; /* seconds since 1970, UTC */
    long long ended;   /* seconds since 1970; 0: cut short (what it committed stays) */
    long long added, replaced, removed, skipped;
    char owner[100];                /* code page 932; "": the public entries */
    char file[KV_IMPORT_FILE_SIZE]; /* UTF-8, cut at a whole character to fit */
} kvImportInfo;

/*
 * Fills info (written whole) with the newest import the person signed in
 * (kvCheckPassword) ran that was not taken back. Returns 0 when there is
 * none (kvLastError says nothing), nobody signed in, or it cannot be read.
 */
KV_API int kvLastImport(kvImportInfo* info);

/*
 * Takes back import number of the person signed in, as kelvoadmin.h's
 * kvAdminUndoImport without force: in one transaction the entries it added
 * are removed and those it replaced or removed are put back. Refused for an
 * import someone else ran or one taken back before, and where a later import
 * changed the same entries (kvLastError names them). *removed and *restored
 * (may be null): how many entries were removed and put back.
 */
KV_API int kvUndoImport(int number, long long* removed, long long* restored);

/*
 * The entry of the record the last kvNextAddress (kind KV_KIND_ADDRESS) or
 * kvNextSchedule (KV_KIND_SCHEDULE) delivered: *id its ID (stable while the
 * entry lives, never given to another) and *changed the change count of the
 * write that made it as it is (grows with every write of the owner's entries).
 * Either pointer may be null. Returns 0 when none was delivered since the
 * list was opened.
 */
KV_API int kvLastEntry(int kind, long long* id, long long* changed);

/*
 * Removes the entries of kind with the count IDs ids that belong to the person
 * signed in (kvCheckPassword), in one transaction, recorded like an import
 * (form "delete"; kvUndoImport puts them back). IDs of anyone else's entries,
 * the public ones included, and unknown IDs remove nothing. While an import
 * of kind is under way (kvBeginImport) they are removed in its batch and
 * recorded with it, as removed: a replaced object is one record. *removed
 * (may be null): how many were removed; *number (may be null): the record's
 * number (the import's), 0 when none was removed. Returns 0 when nobody signed in or the entries
 * cannot be removed (kvLastError says why).
 */
KV_API int kvRemoveEntries(int kind, const long long* ids, int count, long long* removed,
                           int* number);

/*
 * How owner's entries of kind stand ("" the public addresses), read without
 * reading them: *changes grows with every write, removal and undo of them
 * (never shrinking while the owner is a user), *entries is how many there
 * are (on a server, of those the person signed in may read). Either pointer
 * may be null. Returns 0 when the groupware cannot be read.
 */
KV_API int kvEntriesState(int kind, const char* owner, long long* changes, long long* entries);

#ifdef __cplusplus
}
#endif

#endif /* KELVO_H */
