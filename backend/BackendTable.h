#pragma once

#include <string>

#include "kelvo.h"

// Every operation of the backend, in ordinal order. X(name) is expanded once per
// operation, so the table, the loader and the test fake cannot drift apart.
#define KV_FOR_EACH_OPERATION(X)                                                                   \
    X(kvShutdown)                                                                                  \
    X(kvReadMonitorLine)                                                                           \
    X(kvCopyText)                                                                                  \
    X(kvOpenUsers)                                                                                 \
    X(kvCloseUsers)                                                                                \
    X(kvNextUser)                                                                                  \
    X(kvUpdateUser)                                                                                \
    X(kvGetUser)                                                                                   \
    X(kvRewindUsers)                                                                               \
    X(kvOpenSchedules)                                                                             \
    X(kvCloseSchedules)                                                                            \
    X(kvNextSchedule)                                                                              \
    X(kvAddSchedule)                                                                               \
    X(kvUpdateSchedule)                                                                            \
    X(kvFindDuplicateSchedule)                                                                     \
    X(kvOpenBoard)                                                                                 \
    X(kvCloseBoard)                                                                                \
    X(kvReadBoardMessage)                                                                          \
    X(kvRewindBoard)                                                                               \
    X(kvNextBoardMessage)                                                                          \
    X(kvOpenAddressBook)                                                                           \
    X(kvCloseAddressBook)                                                                          \
    X(kvNextAddress)                                                                               \
    X(kvAddAddress)                                                                                \
    X(kvUpdateAddress)                                                                             \
    X(kvFindDuplicateAddress)                                                                      \
    X(kvBeginAddressUpdate)                                                                        \
    X(kvEndAddressUpdate)                                                                          \
    X(kvAddAddressCategory)                                                                        \
    X(kvFindAddressCategory)

// What the program needs of the backend beyond the thirty: telling a failure
// from an end, how many writes were stored for good, the password checks, and
// the originals kept beside entries, the records of imports and taking one back.
#define KV_FOR_EACH_EXTENSION(X)                                                                   \
    X(kvVersion)                                                                                   \
    X(kvLastError)                                                                                 \
    X(kvCommittedWrites)                                                                           \
    X(kvPostMonitorLine)                                                                           \
    X(kvCheckPassword)                                                                             \
    X(kvChangePassword)                                                                            \
    X(kvSetNextOriginal)                                                                           \
    X(kvLastOriginal)                                                                              \
    X(kvBeginImport)                                                                               \
    X(kvEndImport)                                                                                 \
    X(kvSkipImportRecord)                                                                          \
    X(kvLastImport)                                                                                \
    X(kvUndoImport)                                                                                \
    X(kvDatabaseLocation)

// Both lists.
#define KV_FOR_EACH_ENTRY(X)                                                                       \
    KV_FOR_EACH_OPERATION(X)                                                                       \
    KV_FOR_EACH_EXTENSION(X)

// The thirty operations and the extensions as function pointers. The program
// calls the backend only through KvBackend(), which the loader fills at start
// and tests replace.
struct CBackendTable {
#define KV_TABLE_MEMBER(name) decltype(&::name) name = nullptr;
    KV_FOR_EACH_ENTRY(KV_TABLE_MEMBER)
#undef KV_TABLE_MEMBER

    // Name of the first operation without a function, or nullptr when all are set.
    const char* FirstMissing() const;
};

// The table the whole program calls through.
CBackendTable& KvBackend();

// The reason of the last backend call's failure (code page 932), or the empty
// text when it did not fail. Ask right after the call.
std::string KvLastError();
