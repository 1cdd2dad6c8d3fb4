#include "AddressLoadDlg.h"

#include <QFileInfo>
#include <QProgressBar>

#include <climits>

#include "MessageBox.h"
#include "OutlookAddressReader.h"
#include "Resource.h"
#include "ViewerApp.h"

namespace {

CDialogTemplate LoadTemplate() {
    return CDialogTemplate{
        IDD_ADDRESS_LOAD,
        QStringLiteral("Outlook アドレス帳読み込み"),
        187,
        77,
        QStringLiteral("ＭＳ Ｐゴシック"),
        9,
        {
            {CDialog::IDOK, CControlDef::DefPushButton, QStringLiteral("OK"), 5, 50, 50, 14,
             CControlDef::Hidden},
            {CDialog::IDCANCEL, CControlDef::PushButton, QStringLiteral("ｷｬﾝｾﾙ"), 65, 50, 50, 14},
            {CAddressLoadDlg::IDC_PROGRESS, CControlDef::Progress, QString(), 15, 20, 160, 14},
            {CAddressLoadDlg::ID_LOAD, CControlDef::PushButton, QStringLiteral("Load"), 5, 60, 50,
             14, CControlDef::Hidden},
        }};
}

} // namespace

CAddressLoadDlg::CAddressLoadDlg(QWidget* parent) : CDialog(LoadTemplate(), parent) {
    OnCommand(ID_LOAD, [this] { OnLoadStep(); });
}

CAddressLoadDlg::~CAddressLoadDlg() = default;

bool CAddressLoadDlg::OnInitDialog() {
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

    m_pReader = std::make_unique<COutlookAddressReader>(*m_pFile, g_strLoginUser, m_bPublic != 0,
                                                        m_bDuplicateCheck != 0);
    switch (m_pReader->Begin()) {
    case COutlookAddressReader::Start::NoHeader:
        PostCommand(IDCANCEL);
        return true;
    case COutlookAddressReader::Start::NoKnownColumns:
        // Nothing in the file can be stored: say so rather than store empty entries.
        CMessageBox::Show(this, QStringLiteral("このファイルには読み込める項目がありません"));
        PostCommand(IDCANCEL);
        return true;
    case COutlookAddressReader::Start::Ready:
        break;
    }
    ShowProgress(m_pReader->BytesConsumed());
    PostCommand(ID_LOAD);
    return true;
}

void CAddressLoadDlg::OnLoadStep() {
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

void CAddressLoadDlg::OnTimer(int id) {
    if (id != ID_LOAD)
        return;
    KillTimer(ID_LOAD);
    ++m_nTimerSteps;
    PostCommand(ID_LOAD);
}

void CAddressLoadDlg::ShowProgress(int64_t bytes) {
    if (auto* progress = Item<QProgressBar>(IDC_PROGRESS))
        progress->setValue(static_cast<int>(std::min(bytes, m_nFileSize) / m_nScale));
}
