#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;

// The "新規" chooser: lists the templates' short names; the chosen row.
class CNewTypeDlg : public QDialog {
public:
    CNewTypeDlg(const QStringList& names, QWidget* parent);
    // Index of the chosen name, or -1.
    int Selected() const;

private:
    QListWidget* m_pList;
};
