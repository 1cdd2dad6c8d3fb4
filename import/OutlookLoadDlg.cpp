#include "OutlookLoadDlg.h"

#include <QFileInfo>
#include <QProgressBar>

#include <climits>

#include "MessageBox.h"
#include "OutlookTabReader.h"
#include "Resource.h"

namespace {

CDialogTemplate LoadTemplate(int templateId, const QString& title) {
    return CDialogTemplate{
        templateId,
        title,
        187,
        77,
        QStringLiteral("ＭＳ Ｐゴシック"),
        9,
        {
            {CDialog::IDOK, CControlDef::DefPushButton, QStringLiteral("OK"), 5, 50, 50, 14,
             CControlDef::Hidden},
            {CDialog::IDCANCEL, CControlDef::PushButton, QStringLiteral("ｷｬﾝｾﾙ"), 65, 50, 50, 14},
            {COutlookLoadDlg::IDC_PROGRESS, CControlDef::Progress, QString(), 15, 20, 160, 14},
            {COutlookLoadDlg::ID_LOAD, CControlDef::PushButton, QStringLiteral("Load"), 5, 60, 50,
             14, CControlDef::Hidden},
        }};
}

} // namespace

COutlookLoadDlg::COutlookLoadDlg(int templateId, const QString& title, QWidget* parent)
    : CDialog(LoadTemplate(templateId, title), parent) {
    OnCommand(ID_LOAD, [this] { OnLoadStep(); });
}

COutlookLoadDlg::~COutlookLoadDlg() = default;

int COutlookLoadDlg::Run(COutlookTextFile& file, const QString& fileName, int isPublic,
                         int duplicateCheck) {
    m_pFile = &file;
    m_strFileName = fileName;
    m_bPublic = isPublic;
    m_bDuplicateCheck = duplicateCheck;
    return DoModal();
}

bool COutlookLoadDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    QFileInfo info(m_strFileName);
    m_nFileSize = info.exists() ? info.size() : 0;
    if (m_pFile == nullptr || m_nFileSize <= 0) {
        PostCommand(IDCANCEL);
        return true;
    }
    // The bar covers the whole file, however large: bytes are scaled into its int range.
    m_nScale = m_nFileSize / INT_MAX + 1;
    auto* progress = Item<QProgressBar>(IDC_PROGRESS);
    progress->setRange(0, static_cast<int>(m_nFileSize / m_nScale));
    progress->setValue(0);

    m_pReader = MakeReader();
    switch (m_pReader->Begin()) {
    case COutlookTabReader::Start::NoHeader:
        PostCommand(IDCANCEL);
        return true;
    case COutlookTabReader::Start::NoKnownColumns:
        // Nothing in the file can be stored: say so rather than store empty entries.
        CMessageBox::Show(this, QStringLiteral("このファイルには読み込める項目がありません"));
        PostCommand(IDCANCEL);
        return true;
    case COutlookTabReader::Start::Ready:
        break;
    }
    ShowProgress(m_pReader->BytesConsumed());
    PostCommand(ID_LOAD);
    return true;
}

void COutlookLoadDlg::OnLoadStep() {
    if (!m_pReader || !isVisible())
        return;
    COutlookTabReader::Step step = m_pReader->Next();
    if (step == COutlookTabReader::Step::End) {
        ShowProgress(m_nFileSize);
        PostCommand(IDCANCEL);
        return;
    }
    ShowProgress(m_pReader->BytesConsumed());
    if (step == COutlookTabReader::Step::Skipped) {
        PostCommand(ID_LOAD);
        return;
    }
    int begunBefore = m_nRecordsBegun++;
    if (begunBefore % 10 == 0)
        SetTimer(ID_LOAD, 0); // painting and input get their turn before it fires
    else
        PostCommand(ID_LOAD);
}

void COutlookLoadDlg::OnTimer(int id) {
    if (id != ID_LOAD)
        return;
    KillTimer(ID_LOAD);
    ++m_nTimerSteps;
    PostCommand(ID_LOAD);
}

void COutlookLoadDlg::ShowProgress(int64_t bytes) {
    if (auto* progress = Item<QProgressBar>(IDC_PROGRESS))
        progress->setValue(static_cast<int>(std::min(bytes, m_nFileSize) / m_nScale));
}
