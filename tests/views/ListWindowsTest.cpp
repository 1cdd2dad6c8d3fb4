#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>

#include <cstring>
#include <gtest/gtest.h>

#include "DefultListView.h"
#include "ListCtrl.h"
#include "MDIChildWnd.h"
#include "MainFrame.h"
#include "ReportModel.h"
#include "Resource.h"
#include "TestRecords.h"
#include "Text.h"
#include "ViewerApp.h"
#include "ViewerHarness.h"

namespace {

using Rows = std::vector<std::vector<QString>>;

class ListWindows : public ::testing::Test {
protected:
    void SetUp() override {
        m_viewer.Backend().users = {CTestRecords::User("alice", "", {}, "pw")};
        ASSERT_TRUE(m_viewer.StartAndLogin("alice", "pw"));
    }

    CDefultListView* View(int kind) {
        return dynamic_cast<CDefultListView*>(m_viewer.App().m_pOpenView[kind]);
    }

    // Opens the window of kind with the view command; the calls it made.
    std::vector<std::string> Open(int command) {
        m_viewer.Backend().ClearCalls();
        EXPECT_TRUE(m_viewer.Frame().ExecuteCommand(command));
        return m_viewer.Backend().Calls();
    }

    Rows RowsOf(int kind) {
        CListCtrl& list = View(kind)->GetListCtrl();
        Rows rows;
        for (int row = 0; row < list.GetItemCount(); ++row) {
            rows.emplace_back();
            for (int column = 0; column < list.Model()->ColumnCount(); ++column)
                rows.back().push_back(CText::FromCp932(list.GetItemText(row, column)));
        }
        return rows;
    }

    // What the cells show (the stored texts, or what stands in for them).
    Rows ShownOf(int kind) {
        CListCtrl& list = View(kind)->GetListCtrl();
        list.Model()->Flush(); // the rows as the views know them
        Rows rows;
        for (int row = 0; row < list.GetItemCount(); ++row) {
            rows.emplace_back();
            for (int column = 0; column < list.Model()->ColumnCount(); ++column)
                rows.back().push_back(list.Model()
                                          ->data(list.Model()->index(row, column), Qt::DisplayRole)
                                          .toString());
        }
        return rows;
    }

    QStringList Columns(int kind) {
        CListCtrl& list = View(kind)->GetListCtrl();
        QStringList columns;
        for (int i = 0; i < list.Model()->ColumnCount(); ++i)
            columns.append(list.Model()->headerData(i, Qt::Horizontal, Qt::DisplayRole).toString() +
                           ":" + QString::number(list.horizontalHeader()->sectionSize(i)));
        return columns;
    }

    // "title:width" with widths for the original font, as the list shows them.
    QStringList Scaled(int kind, const QStringList& original) {
        CListCtrl& list = View(kind)->GetListCtrl();
        QStringList columns;
        for (const QString& column : original) {
            int colon = static_cast<int>(column.lastIndexOf(QLatin1Char(':')));
            columns.append(column.left(colon + 1) +
                           QString::number(list.ScaledWidth(column.mid(colon + 1).toInt())));
        }
        return columns;
    }

    // Closes the window of kind; the calls that made.
    std::vector<std::string> Close(int kind) {
        m_viewer.Backend().ClearCalls();
        View(kind)->GetParentFrame()->close();
        CViewerHarness::Settle(0);
        return m_viewer.Backend().Calls();
    }

    CViewerHarness m_viewer;
};

kvScheduleRecord Timed(const std::string& title, int allDay) {
    kvScheduleRecord record = CTestRecords::Schedule("alice", title, 2001, 1, 5, 9, 5, allDay);
    record.end = kvTimeBlock{0, 30, 17, 6, 1, 101, 0, 0, 0};
    return record;
}

} // namespace

TEST_F(ListWindows, UserListShowsGroupsJoinedWithoutEmptySegments) {
    m_viewer.App().m_pOpenView[KIND_USER]->GetParentFrame()->close();
    CViewerHarness::Settle(0);
    std::vector<std::string> ten = {"g1", "g2", "g3", "g4", "g5", "g6", "g7", "g8", "g9", "g10"};
    m_viewer.Backend().users = {
        CTestRecords::User("two", CTestRecords::Sjis("ふた"), {"", "sales", "", "", "qa"}),
        CTestRecords::User("ten", "t", ten), CTestRecords::User("none")};
    EXPECT_EQ(Open(ID_VIEW_USER),
              (std::vector<std::string>{"kvOpenUsers(\"\", null, 0)", "kvRewindUsers()",
                                        "kvNextUser(record, 1)", "kvNextUser(record, 1)",
                                        "kvNextUser(record, 1)", "kvNextUser(record, 1)"}));
    EXPECT_EQ(Columns(KIND_USER),
              Scaled(KIND_USER, {"ユーザー名:200", "よみ:200", "グループ:500"}));
    EXPECT_EQ(RowsOf(KIND_USER), (Rows{{"two", "ふた", "sales/qa"},
                                       {"ten", "t", "g1/g2/g3/g4/g5/g6/g7/g8/g9/g10"},
                                       {"none", "", ""}}));
    EXPECT_EQ(Close(KIND_USER), std::vector<std::string>{"kvCloseUsers()"});
    EXPECT_EQ(m_viewer.App().m_pOpenView[KIND_USER], nullptr);
}

TEST_F(ListWindows, ScheduleListFormatsTimesByTheAllDayFlag) {
    kvScheduleRecord noEnd = Timed("no end", 1);
    noEnd.end.yearsSince1900 = 70;
    kvScheduleRecord year1900 = Timed("year 0", 0);
    year1900.end.yearsSince1900 = 0;
    kvScheduleRecord placed = Timed("placed", 0);
    CTestRecords::Put(placed.place, sizeof(placed.place), CTestRecords::Sjis("第1会議室"));
    CTestRecords::Put(placed.comment, sizeof(placed.comment), "line 1\nline 2");
    m_viewer.Backend().schedules = {placed, Timed("all day", 1), noEnd, year1900};
    m_viewer.Backend().SetResult("kvOpenSchedules", 0); // a failed open still reads
    std::vector<std::string> calls = Open(ID_VIEW_SCHADULE);
    EXPECT_EQ(calls.front(), "kvOpenSchedules(\"alice\", \"\")");
    EXPECT_EQ(calls.size(), 6u);
    EXPECT_EQ(Columns(KIND_SCHADULE), Scaled(KIND_SCHADULE, {"タイトル:200", "場所:100", "開始:150",
                                                             "終了:150", "コメント:300"}));
    EXPECT_EQ(
        RowsOf(KIND_SCHADULE),
        (Rows{{"placed", "第1会議室", "2001/01/05 09:05", "2001/02/06 17:30", "line 1\nline 2"},
              {"all day", "", "2001/01/05", "2001/02/06", ""},
              {"no end", "", "2001/01/05", "", ""},
              {"year 0", "", "2001/01/05 09:05", "1900/02/06 17:30", ""}}));
    EXPECT_EQ(Close(KIND_SCHADULE), std::vector<std::string>{"kvCloseSchedules()"});
}

TEST_F(ListWindows, AddressListShowsEightFieldsAsStored) {
    kvAddressRecord entry = CTestRecords::Address("alice", "Sato", "Hana", "Kelvo");
    CTestRecords::Put(entry.lastNameReading, sizeof(entry.lastNameReading), "sato");
    CTestRecords::Put(entry.homePhone, sizeof(entry.homePhone), "03-1");
    CTestRecords::Put(entry.businessPhone, sizeof(entry.businessPhone), "03-2");
    CTestRecords::Put(entry.email2, sizeof(entry.email2), "home@x");
    CTestRecords::Put(entry.email, sizeof(entry.email), "work@x");
    CTestRecords::Put(entry.memo, sizeof(entry.memo), "never shown");
    kvAddressRecord titled = CTestRecords::Address("", "Public", "", "");
    CTestRecords::Put(titled.title, sizeof(titled.title), "Mr");
    m_viewer.Backend().addresses = {entry, titled};
    EXPECT_EQ(Open(ID_VIEW_ADDRESS).front(), "kvOpenAddressBook(\"alice\", -1, 0, 0, 0)");
    EXPECT_EQ(Columns(KIND_ADDRESS),
              Scaled(KIND_ADDRESS,
                     {"タイトル:100", "名前:100", "読み:100", "自宅電話番号:100", "会社名:100",
                      "会社電話番号:100", "個人メール:100", "会社メール:100"}));
    EXPECT_EQ(RowsOf(KIND_ADDRESS),
              (Rows{{"", "Sato", "sato", "03-1", "Kelvo", "03-2", "home@x", "work@x"},
                    {"Mr", "Public", "", "", "", "", "", ""}}));
    EXPECT_EQ(Close(KIND_ADDRESS), std::vector<std::string>{"kvCloseAddressBook()"});
}

TEST_F(ListWindows, BoardAlternatesReadAndNextUntilEitherEnds) {
    kvBoardMessage first = CTestRecords::Message("bob", "hello", 6, 9, 5);
    first.posted.month = 4;
    first.posted.yearsSince1900 = 101;
    first.id = 255;
    kvBoardMessage reply = CTestRecords::Message("carol", "re", 7, 10, 0, 255);
    reply.id = 0;
    CTestRecords::Put(reply.text, sizeof(reply.text), "text");
    m_viewer.Backend().board = {first, reply};
    EXPECT_EQ(Open(ID_VIEW_BOARD),
              (std::vector<std::string>{"kvOpenBoard(\"alice\", -1)", "kvRewindBoard()",
                                        "kvReadBoardMessage(record, 0)", "kvNextBoardMessage()",
                                        "kvReadBoardMessage(record, 0)", "kvNextBoardMessage()"}))
        << "a 0 from next ends the list without another read";
    EXPECT_EQ(Columns(KIND_BOARD),
              Scaled(KIND_BOARD, {"タイトル:200", "ユーザー:100", "日付:100", "メッセージ:300",
                                  "ID:100", "コメント元ID:100"}));
    // Scaled to the list's font, a date fits its column as it did in the original one.
    CListCtrl& board = View(KIND_BOARD)->GetListCtrl();
    EXPECT_LE(board.fontMetrics().horizontalAdvance(QStringLiteral("2026/12/01 00:00")) + 8,
              board.horizontalHeader()->sectionSize(2));
    EXPECT_EQ(RowsOf(KIND_BOARD),
              (Rows{{"hello", "bob", "2001/05/06 09:05", "", "000000FF", "00000000"},
                    {"re", "carol", "2026/01/07 10:00", "text", "00000000", "000000FF"}}));
    Close(KIND_BOARD);

    // A read that returns 0 after a successful next ends the list too.
    m_viewer.Backend().SetResult("kvNextBoardMessage", 1);
    std::vector<std::string> calls = Open(ID_VIEW_BOARD);
    EXPECT_EQ(calls.back(), "kvReadBoardMessage(record, 0)");
    EXPECT_EQ(RowsOf(KIND_BOARD).size(), 2u);
    EXPECT_EQ(Close(KIND_BOARD), std::vector<std::string>{"kvCloseBoard()"});

    m_viewer.Backend().board.clear();
    EXPECT_EQ(Open(ID_VIEW_BOARD).size(), 3u) << "an empty board: one read";
    EXPECT_TRUE(RowsOf(KIND_BOARD).empty());
}

TEST_F(ListWindows, FieldsAreReadWithinTheirWidthAndBadBytesShowAsReplacements) {
    kvScheduleRecord record = Timed("x", 0);
    std::memset(record.title, 'A', sizeof(record.title)); // no NUL inside the title
    CTestRecords::Put(record.place, sizeof(record.place), "\x82\x0a\xff");
    m_viewer.Backend().schedules = {record};
    Open(ID_VIEW_SCHADULE);
    Rows rows = RowsOf(KIND_SCHADULE);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], QString(200, 'A')) << "cut at the field's end";
    EXPECT_EQ(rows[0][1], QString::fromUtf8("\xEF\xBF\xBD\n\xEF\xBF\xBD"));
}

TEST_F(ListWindows, SecondWindowTakesTheSlotAndEitherCloseClearsIt) {
    CView* first = m_viewer.App().m_pOpenView[KIND_USER];
    m_viewer.Backend().ClearCalls();
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_WINDOW_NEW));
    CView* second = m_viewer.App().m_pOpenView[KIND_USER];
    EXPECT_NE(first, second);
    EXPECT_EQ(m_viewer.Backend().Count("kvOpenUsers"), 1) << "the new window reads again";
    EXPECT_EQ(m_viewer.Backend().Count("kvRewindUsers"), 1);
    EXPECT_EQ(Columns(KIND_USER).size(), 3);

    first->GetParentFrame()->close();
    CViewerHarness::Settle(0);
    EXPECT_EQ(m_viewer.App().m_pOpenView[KIND_USER], nullptr);
    EXPECT_EQ(m_viewer.Backend().Count("kvCloseUsers"), 1);
    ASSERT_TRUE(m_viewer.Frame().ExecuteCommand(ID_VIEW_USER));
    EXPECT_EQ(m_viewer.SubWindows().size(), 2) << "a new document, though one window is open";
    EXPECT_TRUE(m_viewer.SubWindowTitles().contains("ユーザー一覧2"));
}

TEST_F(ListWindows, HeaderClicksDoNotSort) {
    m_viewer.App().m_pOpenView[KIND_USER]->GetParentFrame()->close();
    CViewerHarness::Settle(0);
    m_viewer.Backend().users = {CTestRecords::User("b"), CTestRecords::User("a")};
    Open(ID_VIEW_USER);
    CListCtrl& list = View(KIND_USER)->GetListCtrl();
    EXPECT_FALSE(list.isSortingEnabled());
    EXPECT_FALSE(list.horizontalHeader()->sectionsClickable());
    emit list.horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(RowsOf(KIND_USER)[0][0], "b");
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::ExtendedSelection);
}

TEST_F(ListWindows, ReadFailureKeepsTheRowsAndIsShownOnce) {
    m_viewer.Backend().addresses = {CTestRecords::Address("alice", "Sato", "Hana", "Kelvo"),
                                    CTestRecords::Address("", "Public", "", "")};
    m_viewer.Backend().FailAtEnd("kvNextAddress", "database disk image is malformed");
    Open(ID_VIEW_ADDRESS);
    EXPECT_EQ(RowsOf(KIND_ADDRESS).size(), 2u);
    ASSERT_EQ(m_viewer.messages.size(), 1);
    EXPECT_TRUE(m_viewer.messages[0].contains("database disk image is malformed"));
    EXPECT_TRUE(m_viewer.messages[0].contains("2 件")) << m_viewer.messages[0].toStdString();
    Close(KIND_ADDRESS);

    // A refused open is a failure too; the reads that follow it add no second message.
    m_viewer.messages.clear();
    m_viewer.Backend().SetFailure("kvOpenSchedules", "unable to open database file");
    m_viewer.Backend().FailAtEnd("kvNextSchedule", "schedules are not open");
    Open(ID_VIEW_SCHADULE);
    EXPECT_EQ(m_viewer.messages.size(), 1) << m_viewer.messages.join("|").toStdString();
    EXPECT_TRUE(m_viewer.messages[0].contains("unable to open database file"));

    // The end of a list without a reason is no failure.
    m_viewer.messages.clear();
    Open(ID_VIEW_BOARD);
    EXPECT_TRUE(m_viewer.messages.isEmpty());
}

// A field that lost characters (〓) shows the whole text its entry keeps
// beside it; the others, and entries that keep nothing, as stored.
TEST_F(ListWindows, FieldsThatLostCharactersShowWhatTheEntryKeeps) {
    kvAddressRecord mueller =
        CTestRecords::Address("alice", CTestRecords::Sjis("M〓ller"), "Hans", "Kelvo");
    kvAddressRecord yoshida = CTestRecords::Address("alice", CTestRecords::Sjis("〓田"), "", "");
    kvAddressRecord plain = CTestRecords::Address("alice", "Plain", "", "");
    m_viewer.Backend().addresses = {mueller, yoshida, plain};
    m_viewer.Backend().addressOriginals = {
        "X-KELVO-FIELD;NAME=last_name:Müller\r\nBDAY:19700101\r\n",
        "X-KELVO-FIELD;NAME=last_name:𠮷田\r\n", ""};
    Open(ID_VIEW_ADDRESS);
    EXPECT_EQ(ShownOf(KIND_ADDRESS), (Rows{{"", "Müller", "", "", "Kelvo", "", "", ""},
                                           {"", "𠮷田", "", "", "", "", "", ""},
                                           {"", "Plain", "", "", "", "", "", ""}}));
    Close(KIND_ADDRESS);

    kvScheduleRecord meeting = Timed("Jour fixe", 0);
    CTestRecords::Put(meeting.title, sizeof(meeting.title),
                      CTestRecords::Sjis("Jour fixe 〓 M〓ller"));
    m_viewer.Backend().schedules = {meeting};
    m_viewer.Backend().scheduleOriginals = {
        "X-KELVO-FIELD;NAME=title:Jour fixe – Müller\r\nX-KELVO-SERIES:s@example\r\n"};
    Open(ID_VIEW_SCHADULE);
    EXPECT_EQ(ShownOf(KIND_SCHADULE).at(0).at(0), "Jour fixe – Müller");
    Close(KIND_SCHADULE);
}
