#pragma once

#include <chrono>
#include <sqlite3.h>
#include <string>

#include "Connection.h"

// The groupware in one SQLite file, in WAL mode: one writer at a time, readers
// alongside.
class CSqliteConnection : public CConnection {
public:
    CSqliteConnection() = default;
    ~CSqliteConnection() override;
    CSqliteConnection(const CSqliteConnection&) = delete;
    CSqliteConnection& operator=(const CSqliteConnection&) = delete;

    // Opens (creating it 0600, and for the default location its folder 0700)
    // the file at path, always a plain file name. False with error on failure.
    bool Open(const std::string& path, bool defaultLocation, std::string& error);

    const std::string& Location() const override { return m_strPath; }
    std::unique_ptr<CStatement> Prepare(const std::string& sql) override;
    std::unique_ptr<CStatement> PrepareList(const std::string& sql) override {
        return Prepare(sql);
    }
    // One probe of the small index of rows with originals (SQLite would take
    // the table's key for an owner's rows and read them all); the column
    // read with every row would cost a list a tenth more.
    std::unique_ptr<CStatement> PrepareOriginalsProbe(const std::string& table,
                                                      const std::string& condition) override {
        return Prepare("SELECT EXISTS (SELECT 1 FROM " + table + " INDEXED BY " + table +
                       "_with_original WHERE (" + condition + ") AND length(original) > 0)");
    }
    std::unique_ptr<CStatement> PrepareAppend(const std::string& table,
                                              const std::string& columns) override;
    bool Exec(const std::string& sql) override;
    bool Identify(Content& content, int& version) override;
    bool Configure() override;
    bool CreateSchema(int version) override;
    bool Upgrade(int from, int version) override;
    bool BeginWrite() override;
    bool Commit() override;
    void Rollback() override;
    bool InTransaction() override;
    bool LockOwner(const std::string&, const std::string&) override { return true; }
    bool ReserveIds(const char* table, long long& first, long long& count) override;
    bool SetNextId(const char* table, long long next) override;
    std::string ErrorMessage() override;
    bool IsBroken() override { return false; }

    void YieldToWaiters(std::chrono::steady_clock::duration batchPeriod) override;

private:
    static int OnBusy(void* self, int attempt);
    // Adds a column of type (an integer, 0 in every row, unless said) unless table has it.
    bool AddColumn(const char* table, const char* column,
                   const char* type = "INTEGER NOT NULL DEFAULT 0");
    // Whether table has column (names are the schema's own, never a user's).
    bool HasColumn(const char* table, const char* column);
    bool WriteMark(int version);
    // Makes a file of ours that others can read private (0600, with its
    // -wal and -shm files); false (the reason kept) when it cannot be.
    bool MakePrivate();

    sqlite3* m_pDb = nullptr;
    std::string m_strPath;
    std::string m_strError; // a failure of the library's own, before SQLite's
    int m_nBusyTimeoutMs = 15000;
    std::chrono::steady_clock::time_point m_busySince; // when the current wait began
};
