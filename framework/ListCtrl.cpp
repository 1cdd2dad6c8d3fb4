#include "ListCtrl.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QPalette>
#include <QStyle>
#include <QToolTip>

#include "ControlFactory.h"
#include "ReportModel.h"

CListCtrl::CListCtrl(QWidget* parent) : QTableView(parent), m_pModel(new CReportModel(this)) {
    setModel(m_pModel);
    auto forget = [this] { m_nSelectedCount = -1; };
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, forget);
    connect(m_pModel, &QAbstractItemModel::modelReset, this, forget);
    connect(m_pModel, &QAbstractItemModel::rowsRemoved, this, forget);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    setShowGrid(false);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    // Fixed row heights keep large lists cheap to lay out.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    // The selection stays as visible when another window has the focus.
    QPalette colours = palette();
    colours.setColor(QPalette::Inactive, QPalette::Highlight,
                     colours.color(QPalette::Active, QPalette::Highlight));
    colours.setColor(QPalette::Inactive, QPalette::HighlightedText,
                     colours.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(colours);
    // A list has no menu of its own, and the child window's system menu does
    // not belong to its rows: a right click selects and opens nothing.
    setContextMenuPolicy(Qt::PreventContextMenu);
}

QString CListCtrl::CellTip(const QModelIndex& index) const {
    if (!index.isValid())
        return QString();
    const QString text = m_pModel->data(index, Qt::DisplayRole).toString();
    const bool several = text.contains(QLatin1Char('\n'));
    // The cell's room: its width less the margins the item delegate leaves.
    const int room = visualRect(index).width() -
                     2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
    if (text.isEmpty() || (!several && fontMetrics().horizontalAdvance(text) <= room))
        return QString();
    QStringList lines = text.left(kTipCharacters).split(QLatin1Char('\n'));
    bool cut = text.size() > kTipCharacters;
    // Lines of at most kTipColumns characters, broken by the program: the
    // tip is as wide as its longest line, never a narrow column.
    QStringList shown;
    for (const QString& line : lines) {
        int at = 0;
        do {
            int length = std::min<int>(kTipColumns, line.size() - at);
            if (length < line.size() - at && line.at(at + length - 1).isHighSurrogate())
                --length; // a character beyond the basic plane stays whole
            shown.append(line.mid(at, length).toHtmlEscaped());
            at += length;
        } while (at < line.size());
    }
    if (shown.size() > kTipLines) {
        shown = shown.mid(0, kTipLines);
        cut = true;
    }
    return QStringLiteral("<p style=\"white-space:pre\">") + shown.join(QStringLiteral("<br>")) +
           (cut ? QStringLiteral("…") : QString()) + QStringLiteral("</p>");
}

bool CListCtrl::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ToolTip)
        return QTableView::viewportEvent(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const QModelIndex index = indexAt(help->pos());
    const QString tip = CellTip(index);
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, viewport(), visualRect(index));
    return true;
}

int CListCtrl::InsertColumn(int index, const QString& title, int width) {
    int inserted = m_pModel->InsertColumn(index, title);
    horizontalHeader()->resizeSection(inserted, ScaledWidth(width));
    return inserted;
}

int CListCtrl::ScaledWidth(int width) const {
    // Widths were chosen for the original dialog font; scaled by the ratio of
    // average letter widths, as dialog units scale, each column holds what it
    // held there.
    int average = CControlFactory::BaseUnits(font()).width();
    return (width * average + kOriginalAverageWidth / 2) / kOriginalAverageWidth;
}

int CListCtrl::InsertItem(int index, std::string_view text) {
    return m_pModel->InsertItem(index, text);
}

bool CListCtrl::SetItemText(int item, int subItem, std::string_view text) {
    return m_pModel->SetItemText(item, subItem, text);
}

bool CListCtrl::SetItemUnicode(int item, int subItem, const QString& text) {
    return m_pModel->SetItemUnicode(item, subItem, text);
}

bool CListCtrl::DeleteAllItems() {
    m_pModel->DeleteAllItems();
    return true;
}

int CListCtrl::GetItemCount() const {
    return m_pModel->ItemCount();
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
    return std::string(m_pModel->ItemText(item, subItem));
}

int CListCtrl::GetItemState(int item, int mask) const {
    m_pModel->Flush();
    if ((mask & LVIS_SELECTED) && selectionModel()->isRowSelected(item, QModelIndex()))
        return LVIS_SELECTED;
    return 0;
}

int CListCtrl::GetSelectedCount() const {
    m_pModel->Flush();
    // Asked whenever the event loop goes idle (command enabling): counted once per change.
    if (m_nSelectedCount < 0)
        m_nSelectedCount = static_cast<int>(selectionModel()->selectedRows().size());
    return m_nSelectedCount;
}
