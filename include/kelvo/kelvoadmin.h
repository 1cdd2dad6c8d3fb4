/*
 * kelvoadmin.h - administration that the thirty operations lack.
 *
 * Exported by libkelvo.so beside the operations of kelvo.h, and used only by
 * kelvo-admin. Same conventions as kelvo.h: code page 932 texts, caller-owned
 * buffers, nonzero for success. Each call is one transaction: it is stored
 * whole or not at all.
 */
#ifndef KELVOADMIN_H
#define KELVOADMIN_H

#include "kelvo.h"

#ifdef __cplusplus
extern "C" {
#endif

/*
 * Opens (creating if needed) the database named by $KELVO_DATABASE: a file
 * path, or a postgresql:// URI. Returns 0 if it cannot be used.
 */
KV_API int kvAdminOpenDatabase(void);

/* Copies the database location (a URI without its password) into buffer (size bytes, NUL included).
 */
KV_API int kvAdminDatabasePath(char* buffer, int size);

/*
 * Copies location (a file path or a URI, not opened) as messages show it into
 * buffer (size bytes, NUL included): a URI without its password, however its
 * parameters spell it. A location that differs from what it shows holds a
 * password. Returns 0 for a null argument or a buffer too small.
 */
KV_API int kvAdminShownLocation(const char* location, char* buffer, int size);

/*
 * Creates the user of record: name, reading, groups and password (the
 * password field holds the password, stored as its verifier; on a server the
 * user's login role is created with it). Returns 0 if the name is empty or
 * taken, or the password is refused (see kvChangePassword).
 */
KV_API int kvAdminAddUser(const kvUserRecord* record);

/*
 * Sets userName's password without the old one (code page 932; see
 * kvChangePassword for what is refused), and on a server its role's.
 */
KV_API int kvAdminSetPassword(const char* userName, const char* password);

/*
 * Removes userName: the user and, on a server, its login role, in one
 * transaction. Without purge its private entries (schedules and addresses)
 * are kept, owned by no user: only the administrator sees them, and no user
 * of that name can be added while they are kept (a user with none leaves
 * nothing kept). With purge they are removed
 * too; that also works for a name whose user was removed before. summary (size
 * bytes, NUL included, may be null) says "N schedules and M addresses".
 */
KV_API int kvAdminRemoveUser(const char* userName, int purge, char* summary, int size);

/*
 * Lets userName sign in again (enabled nonzero), or no longer (a person away):
 * the user stays, with every entry; on a server its role cannot log in.
 */
KV_API int kvAdminEnableUser(const char* userName, int enabled);

/*
 * On a server: drops every login role of this groupware's office that belongs
 * to no current user (left by a removal made by hand, or by a former groupware
 * of the same database and schema). Works before the groupware is made, so
 * that init can follow. summary (size bytes, may be null) says how many were
 * dropped. Nothing to do on the embedded engine.
 */
KV_API int kvAdminPruneLogins(char* summary, int size);

/*
 * Posts message to the board: title, user name, posting time, parent ID and
 * text are taken from it. The poster must be a user, a nonzero parent must be
 * a message. On success the new ID is written to *newId when newId is not null.
 */
KV_API int kvAdminPostBoardMessage(const kvBoardMessage* message, uint32_t* newId);

/*
 * Copies the whole groupware (users, schedules, addresses, categories, board,
 * with their IDs and order) into target (a file path or a postgresql:// URI),
 * which must be empty, in one transaction on the target. On success summary
 * (size bytes, NUL included) says what was copied.
 */
KV_API int kvAdminCopyTo(const char* target, char* summary, int size);

/*
 * A long operation's progress (kvAdminCopyTo): the rows done so far and the
 * rows in all, now and then, from the calling thread. The callback may be
 * null (no progress); it stays set until set again.
 */
typedef void (*kvAdminProgress)(void* context, long long done, long long total);
KV_API void kvAdminSetProgress(kvAdminProgress progress, void* context);

/*
 * Moves the clock that times the write batches on by milliseconds, as if that
 * time had passed (for tests of the one-second batches).
 */
KV_API void kvAdminAdvanceClock(int milliseconds);

/*
 * A recorded import (kvBeginImport) as kvAdminListImports delivers it: names
 * in code page 932, the other texts UTF-8, valid during the call.
 */
typedef struct kvAdminImport {
    int number;
    int kind;             /* KV_KIND_ADDRESS or KV_KIND_SCHEDULE */
    const char* userName; /* who ran it */
    const char* owner;    /* whose entries ("": the public ones) */
    long long started;    /* seconds since 1970, UTC */
    const char* file;
    long long size;
    const char* hash; /* SHA-256, hex; "" when none was taken */
    const char* form;
    const char* options;
    long long added, replaced, removed, skipped;
    long long ended;  /* seconds since 1970; 0: cut short */
    long long undone; /* seconds since 1970 when taken back; 0: not */
} kvAdminImport;
typedef void (*kvAdminImportVisitor)(void* context, const kvAdminImport* import);

/*
 * Delivers the recorded imports to visit in the order they began: all of
 * them, or (owner not null) those of owner's entries or run by owner.
 */
KV_API int kvAdminListImports(const char* owner, kvAdminImportVisitor visit, void* context);

/*
 * Delivers import number's entries to visit by what it did (action 1 added,
 * 2 replaced, 3 removed), then by ID: each entry's name (last and first
 * name, or title; code page 932) as it is now ("" when it is no longer) and
 * as it was before the import ("" for an added one). Returns 0 when there is
 * no such import.
 */
typedef void (*kvAdminImportEntryVisitor)(void* context, int action, long long entryId,
                                          const char* now, const char* before);
KV_API int kvAdminImportEntries(int number, kvAdminImportEntryVisitor visit, void* context);

/*
 * Delivers the records import number read and did not store, by line: the
 * line of its file where each began and why (code page 932).
 */
typedef void (*kvAdminImportSkipVisitor)(void* context, long long line, const char* reason);
KV_API int kvAdminImportSkips(int number, kvAdminImportSkipVisitor visit, void* context);

/*
 * Takes import number back in one transaction: the entries it added are
 * removed, those it replaced or removed (a series imported again) are put
 * back as they were, and the import is marked as taken back (it cannot be
 * taken back twice). Where a later import (not taken back) replaced or removed
 * the same entries, nothing is done and the reason names them, unless force
 * is nonzero: those entries then keep the later changes and the rest is taken
 * back. summary (size bytes, NUL included, may be null) says what was done.
 */
KV_API int kvAdminUndoImport(int number, int force, char* summary, int size);

/*
 * Removes the records of imports that began before olderThan (seconds since
 * 1970; 0: none by age) and those beyond the keep newest of each person's
 * (0: none by number), in one transaction; a pruned import can no longer be
 * taken back. *pruned: how many. Returns 0 when neither is given.
 */
KV_API int kvAdminPruneImports(long long olderThan, int keep, long long* pruned);

/*
 * Removes owner's entries of kind (KV_KIND_ADDRESS or KV_KIND_SCHEDULE; owner
 * "" the public addresses): every one (all nonzero), those of the count IDs
 * ids, or those import (nonzero) added, in one transaction, recorded like an
 * import (form "delete"; kvAdminUndoImport puts them back). With dryRun
 * nonzero nothing is removed. *removed: how many are (or would be) removed;
 * *number: the record's number (0 for a dry run or when none is removed).
 */
KV_API int kvAdminDeleteEntries(int kind, const char* owner, int all, const long long* ids,
                                int count, int import, int dryRun, long long* removed, int* number);

/* The round trips to a database server so far (0 for the embedded engine). */
KV_API long long kvAdminRoundTrips(void);

#ifdef __cplusplus
}
#endif

#endif /* KELVOADMIN_H */
