// Qt's model tester watches the report list's and the list box's models while
// they change as the windows change them: any broken promise to a view aborts.
#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QTableView>

#include "LineListModel.h"
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
