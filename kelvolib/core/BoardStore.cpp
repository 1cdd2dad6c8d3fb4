#include "BoardStore.h"

#include <cstring>
#include <string>

#include "Database.h"
#include "ErrorState.h"
#include "MonitorQueue.h"
#include "MonitorText.h"

bool CBoardStore::Open(const char* userName) {
    Close();
    m_cursor = m_db.PrepareList("SELECT id, parent_id, title, user_name, posted_second, "
                                "posted_minute, posted_hour, posted_day, posted_month, "
                                "posted_year, text FROM board ORDER BY posted_year, "
                                "posted_month, posted_day, posted_hour, posted_minute, "
                                "posted_second, id");
    if (!m_cursor)
        return false;
    m_bOpen = true;
    m_monitor.Push(
        CMonitorText::Say(u8"%1 が掲示板を開きました", {userName != nullptr ? userName : ""}));
    return true;
}

bool CBoardStore::Close() {
    if (!m_bOpen)
        return false;
    m_monitor.Push(
        CMonitorText::Say(u8"掲示板を閉じました（%1 件）", {std::to_string(m_nDelivered)}));
    m_cursor.reset();
    m_bOpen = m_bStarted = m_bHasRow = false;
    m_nDelivered = 0;
    return true;
}

bool CBoardStore::Advance() {
    m_bStarted = true;
    m_bHasRow = m_db.StepRow(*m_cursor, "board");
    return m_bHasRow;
}

bool CBoardStore::Read(kvBoardMessage* record) {
    if (!m_bOpen || record == nullptr)
        return false;
    if (!m_bStarted)
        Advance();
    if (!m_bHasRow)
        return false;
    std::memset(record, 0, sizeof(*record));
    record->id = static_cast<uint32_t>(m_cursor->ColumnInt64(0));
    record->parentId = static_cast<uint32_t>(m_cursor->ColumnInt64(1));
    m_cursor->ColumnToField(2, record->title, sizeof(record->title));
    m_cursor->ColumnToField(3, record->userName, sizeof(record->userName));
    record->posted.seconds = m_cursor->ColumnInt(4);
    record->posted.minutes = m_cursor->ColumnInt(5);
    record->posted.hours = m_cursor->ColumnInt(6);
    record->posted.dayOfMonth = m_cursor->ColumnInt(7);
    record->posted.month = m_cursor->ColumnInt(8);
    record->posted.yearsSince1900 = m_cursor->ColumnInt(9);
    m_cursor->ColumnToField(10, record->text, sizeof(record->text));
    ++m_nDelivered;
    return true;
}

bool CBoardStore::Rewind() {
    if (!m_bOpen)
        return false;
    m_cursor->Reset();
    m_bStarted = m_bHasRow = false;
    return true;
}

bool CBoardStore::Next() {
    if (!m_bOpen)
        return false;
    if (!m_bStarted)
        Advance();
    if (!m_bHasRow)
        return false;
    return Advance();
}

bool CBoardStore::Post(const kvBoardMessage* message, uint32_t* newId) {
    if (message == nullptr || message->title[0] == '\0') {
        CErrorState::Set("a message needs a title");
        return false;
    }
    auto check = m_db.Prepare("SELECT (SELECT count(*) FROM users WHERE name = ?1), "
                              "CASE WHEN CAST(?2 AS BIGINT) = 0 OR EXISTS (SELECT 1 FROM board "
                              "WHERE id = CAST(?2 AS BIGINT)) "
                              "THEN 1 ELSE 0 END");
    if (!check)
        return false;
    check->BindField(1, message->userName, sizeof(message->userName));
    check->BindInt(2, message->parentId);
    if (check->Step() != CStatement::Result::Row) {
        m_db.Fail("board cannot be read");
        return false;
    }
    if (check->ColumnInt(0) == 0) {
        CErrorState::Set("the poster is not a user");
        return false;
    }
    if (check->ColumnInt(1) == 0) {
        CErrorState::Set("the message replied to does not exist");
        return false;
    }

    auto insert = m_db.Prepare("INSERT INTO board(parent_id, title, user_name, posted_second, "
                               "posted_minute, posted_hour, posted_day, posted_month, "
                               "posted_year, text) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, "
                               "?10) RETURNING id");
    if (!insert)
        return false;
    CStatement& post = *insert;
    post.BindInt(1, message->parentId);
    post.BindField(2, message->title, sizeof(message->title));
    post.BindField(3, message->userName, sizeof(message->userName));
    post.BindInt(4, message->posted.seconds);
    post.BindInt(5, message->posted.minutes);
    post.BindInt(6, message->posted.hours);
    post.BindInt(7, message->posted.dayOfMonth);
    post.BindInt(8, message->posted.month);
    post.BindInt(9, message->posted.yearsSince1900);
    post.BindField(10, message->text, sizeof(message->text));
    if (post.Step() != CStatement::Result::Row) {
        m_db.Fail("message cannot be posted");
        m_db.AfterFailedWrite();
        return false;
    }
    uint32_t id = static_cast<uint32_t>(post.ColumnInt64(0));
    if (newId != nullptr)
        *newId = id;
    m_monitor.Push(
        CMonitorText::Say(u8"掲示板にメッセージ %1 を投稿しました", {std::to_string(id)}));
    return true;
}
