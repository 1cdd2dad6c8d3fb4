#pragma once

#include <QTableView>

#include <string>
#include <string_view>

class CReportModel;

// A report-mode list control: left-aligned columns of given pixel widths
// (for the original 9-point dialog font, scaled to the list's font),
// rows of texts (code page 932), several rows selectable, the selection kept
// visible without focus, no sorting. Offers the operations the list windows use.
class CListCtrl : public QTableView {
public:
    static constexpr int LVIS_SELECTED = 0x0002;
    // The original dialog font's average Latin letter width in pixels (a
    // 9-point Japanese Gothic at 96 dots per inch): what column widths are for.
    static constexpr int kOriginalAverageWidth = 6;

    explicit CListCtrl(QWidget* parent = nullptr);

    int InsertColumn(int index, const QString& title, int width);
    // A width given for the original font, for this list's font.
    int ScaledWidth(int width) const;
    int InsertItem(int index, std::string_view text);
    bool SetItemText(int item, int subItem, std::string_view text);
    // A Unicode text the cell shows instead (one code page 932 cannot hold).
    bool SetItemUnicode(int item, int subItem, const QString& text);
    bool DeleteAllItems();
    int GetItemCount() const;
    std::string GetItemText(int item, int subItem) const;
    int GetItemState(int item, int mask) const;
    int GetSelectedCount() const;

    CReportModel* Model() const { return m_pModel; }

    // The tooltip of a cell whose text does not show whole (cut with "…" or
    // on more than one line): the whole text, in lines of at most kTipColumns
    // characters, at most kTipCharacters characters and kTipLines lines.
    // Empty for a cell that shows all of it.
    QString CellTip(const QModelIndex& index) const;
    static constexpr int kTipCharacters = 2000;
    static constexpr int kTipLines = 30;
    static constexpr int kTipColumns = 60;

protected:
    bool viewportEvent(QEvent* event) override;

private:
    CReportModel* m_pModel;
    mutable int m_nSelectedCount = -1; // -1: to be counted
};
