// Qt's model tester watches the report list's and the list box's models while
// they change as the windows change them: any broken promise to a view aborts.
#include <QAbstractItemModelTester>
#include <QTableView>

#include <gtest/gtest.h>

#include "LineListModel.h"
#include "ListCtrl.h"
#include "ReportModel.h"
#include "ViewerHarness.h"

namespace {

constexpr auto kAbort = QAbstractItemModelTester::FailureReportingMode::Fatal;

} // namespace

TEST(Models, ReportModelKeepsItsPromisesThroughFillsAndClears) {
    CReportModel model;
    QTableView view; // a view that reads what the signals announce
    view.setModel(&model);
    QAbstractItemModelTester tester(&model, kAbort);
    model.InsertColumn(0, QStringLiteral("タイトル"));
    model.InsertColumn(1, QStringLiteral("場所"));
    for (int row = 0; row < 300; ++row) {
        ASSERT_EQ(model.InsertItem(row, "title " + std::to_string(row)), row);
        model.SetItemText(row, 1, "\x82\xa0"); // code page 932 "あ"
    }
    EXPECT_EQ(model.InsertItem(0, "first"), 0) << "inserted before the others";
    CViewerHarness::Settle(0); // the burst is announced
    EXPECT_EQ(model.rowCount(), 301);
    EXPECT_EQ(model.data(model.index(1, 1), Qt::DisplayRole).toString(), QStringLiteral("あ"));
    model.DeleteAllItems();
    EXPECT_EQ(model.rowCount(), 0);
    model.InsertItem(0, "again");
    CViewerHarness::Settle(0);
    EXPECT_EQ(model.rowCount(), 1);
}

TEST(Models, LineListModelKeepsItsPromisesAsLinesComeAndGo) {
    CLineListModel model;
    QAbstractItemModelTester tester(&model, kAbort);
    model.Append({QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")});
    model.RemoveFirst(2);
    EXPECT_EQ(model.rowCount(), 1);
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DisplayRole).toString(), QStringLiteral("three"));
    model.Append({});
    model.RemoveFirst(5); // more than there are
    EXPECT_EQ(model.rowCount(), 0);
}

TEST(Models, ReportModelPacksRowsAndKeepsEveryText) {
    CReportModel model;
    QAbstractItemModelTester tester(&model, kAbort);
    for (int column = 0; column < 3; ++column)
        model.InsertColumn(column, QString::number(column));
    // Enough rows to cross many chunks, each filled as the windows fill them.
    const int rows = 200000;
    auto cell = [](int row, int column) {
        return std::string(static_cast<size_t>(row % 50), 'x') + std::to_string(row * 3 + column);
    };
    size_t texts = 0;
    for (int row = 0; row < rows; ++row) {
        model.InsertItem(row, cell(row, 0));
        model.SetItemText(row, 2, cell(row, 2)); // column 1 skipped: empty
        texts += cell(row, 0).size() + cell(row, 2).size();
    }
    // The texts and about 20 bytes a row, where a string a cell would cost 32 a cell.
    EXPECT_LT(model.HeldBytes(), texts + 24u * rows);
    // Changed afterwards, out of order, far too long for a chunk, a column inserted.
    const std::string huge(600000, 'h');
    model.SetItemText(7, 1, "later");
    model.SetItemText(rows - 1, 0, "replaced");
    model.SetItemText(9, 2, huge);
    model.InsertItem(rows, "last");
    model.SetItemText(rows, 2, "third");
    model.SetItemText(rows, 1, "second, after the third");
    CViewerHarness::Settle(0);
    ASSERT_EQ(model.rowCount(), rows + 1);
    for (int row : {0, 1, 49, 50, 12345, 99999, rows - 2}) {
        EXPECT_EQ(model.ItemText(row, 0), cell(row, 0)) << row;
        EXPECT_EQ(model.ItemText(row, 1), "") << row;
        EXPECT_EQ(model.ItemText(row, 2), cell(row, 2)) << row;
    }
    EXPECT_EQ(model.ItemText(7, 1), "later");
    EXPECT_EQ(model.ItemText(7, 2), cell(7, 2));
    EXPECT_EQ(model.ItemText(rows - 1, 0), "replaced");
    EXPECT_EQ(model.ItemText(9, 2), huge);
    EXPECT_EQ(model.ItemText(rows, 1), "second, after the third");
    EXPECT_EQ(model.ItemText(rows, 2), "third");
    model.InsertColumn(0, QStringLiteral("new"));
    EXPECT_EQ(model.ItemText(5, 0), "");
    EXPECT_EQ(model.ItemText(5, 1), cell(5, 0));
    EXPECT_EQ(model.ItemText(5, 3), cell(5, 2));
    EXPECT_EQ(model.data(model.index(rows, 3), Qt::DisplayRole).toString(),
              QStringLiteral("third"));
}

TEST(Models, ACellThatDoesNotShowWholeHasItsWholeTextAsATip) {
    CListCtrl list;
    list.InsertColumn(0, QStringLiteral("件名"), 60);
    list.InsertColumn(1, QStringLiteral("内容"), 60);
    list.resize(400, 200);
    list.InsertItem(0, "short");
    const std::string memo = "<b>" + std::string(300, 'x') + "</b>\n" + "\x82\xa0"; // "あ"
    list.SetItemText(0, 1, memo);
    list.InsertItem(1, std::string(5000, 'y'));
    CViewerHarness::Settle(0); // the rows are announced
    EXPECT_EQ(list.CellTip(list.Model()->index(0, 0)), QString()) << "shown whole: no tip";
    const QString tip = list.CellTip(list.Model()->index(0, 1));
    EXPECT_TRUE(tip.startsWith("<p ")) << tip.toStdString();
    EXPECT_TRUE(
        QString(tip).remove("<br>").contains("&lt;b&gt;" + QString(300, 'x') + "&lt;/b&gt;あ"))
        << "the whole text, escaped: " << tip.toStdString();
    EXPECT_TRUE(tip.contains(QString(CListCtrl::kTipColumns, 'x') + "<br>"))
        << "in lines of a bounded width";
    const QString cut = list.CellTip(list.Model()->index(1, 0));
    EXPECT_EQ(cut.count("<br>"), CListCtrl::kTipLines - 1) << "bounded";
    EXPECT_TRUE(cut.endsWith("…</p>"));
}
