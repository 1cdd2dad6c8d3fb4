#include "OutlookLoadDlg.h"

#include <QFileInfo>
#include <QProgressBar>

#include <climits>

#include "ImportSession.h"
#include "ImportTexts.h"
#include "MessageBox.h"
#include "TextFile.h"

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

int COutlookLoadDlg::Run(CImportSession& session, CTextFile& file, const QString& fileName) {
    m_pSession = &session;
    m_pFile = &file;
    m_strFileName = fileName;
    m_bPublic = session.Options().isPublic ? 1 : 0;
    m_bDuplicateCheck = session.Options().duplicateCheck ? 1 : 0;
    return DoModal();
}

bool COutlookLoadDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    auto* progress = Item<QProgressBar>(IDC_PROGRESS);
    if (m_pSession == nullptr || m_pFile == nullptr) {
        EndWithoutTheUser();
        return true;
    }
    if (m_pFile->IsStream()) {
        // A pipe has no size: the bar only shows that something happens.
        m_nFileSize = -1;
        progress->setRange(0, 0);
    } else {
        QFileInfo info(m_strFileName);
        m_nFileSize = info.exists() ? info.size() : 0;
        if (m_nFileSize <= 0) {
            EndWithoutTheUser();
            return true;
        }
        // The bar covers the whole file, however large: bytes are scaled into its int range.
        m_nScale = m_nFileSize / INT_MAX + 1;
        progress->setRange(0, static_cast<int>(m_nFileSize / m_nScale));
        progress->setValue(0);
    }

    switch (m_pSession->Begin()) {
    case CImportSession::Start::NoHeader:
        EndWithoutTheUser();
        return true;
    case CImportSession::Start::OtherKind:
        CMessageBox::Show(this, m_pSession->Summary().otherForm == CRecordReader::Form::VCard
                                    ? QStringLiteral("このファイルは vCard（アドレス帳）です。\n"
                                                     "アドレス帳の読み込みで読み込んでください")
                                : m_pSession->Summary().otherForm == CRecordReader::Form::Ldif
                                    ? QStringLiteral("このファイルは LDIF（アドレス帳）です。\n"
                                                     "アドレス帳の読み込みで読み込んでください")
                                    : QStringLiteral("このファイルは iCalendar（予定表）です。\n"
                                                     "スケジュールの読み込みで読み込んでください"));
        EndWithoutTheUser();
        return true;
    case CImportSession::Start::NoKnownColumns: {
        // Nothing in the file can be stored: say so rather than store empty entries.
        QString text = QStringLiteral("このファイルには読み込める項目がありません");
        if (m_pSession->HeaderColumnLimit() > 0)
            text +=
                QStringLiteral("\n（見出しが %1 列を超えています。読み込めるのは %1 列までです）")
                    .arg(m_pSession->HeaderColumnLimit());
        else if (m_pSession->IsModern())
            text += QStringLiteral("\n（%1 のテキストとして読みました）")
                        .arg(CImportTexts::ReadAs(m_pSession->Summary()));
        CMessageBox::Show(this, text);
        EndWithoutTheUser();
        return true;
    }
    case CImportSession::Start::Ready:
        break;
    }
    ShowProgress(m_pSession->BytesConsumed(), true);
    PostCommand(ID_LOAD);
    return true;
}

void COutlookLoadDlg::OnLoadStep() {
    if (m_pSession == nullptr || !isVisible())
        return;
    CImportSession::Step step = m_pSession->Next();
    if (step == CImportSession::Step::End) {
        ShowProgress(m_nFileSize, true);
        EndWithoutTheUser();
        return;
    }
    if (step == CImportSession::Step::Failed) {
        // The import dialog says what was kept, once everything is released.
        EndWithoutTheUser();
        return;
    }
    if (step != CImportSession::Step::Skipped)
        ++m_nStored;
    ShowProgress(m_pSession->BytesConsumed());
    if (step == CImportSession::Step::Skipped) {
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

void COutlookLoadDlg::EndWithoutTheUser() {
    m_bEnded = true;
    PostCommand(IDCANCEL);
}

void COutlookLoadDlg::OnCancel() {
    // The import's own end posts a cancel too; only the person's ends it early.
    if (!m_bEnded)
        m_bCancelled = true;
    CDialog::OnCancel();
}

void COutlookLoadDlg::ShowProgress(int64_t bytes, bool now) {
    auto* progress = Item<QProgressBar>(IDC_PROGRESS);
    if (progress == nullptr)
        return;
    // A new text repaints the bar: at most 20 times a second, which the eye
    // cannot tell from every record (a record takes a few microseconds).
    if (!now && m_shown.isValid() && m_shown.elapsed() < 50)
        return;
    m_shown.start();
    // The records so far on the bar, with the share of the file when it has a size.
    progress->setTextVisible(true);
    if (m_nFileSize < 0) {
        progress->setFormat(QStringLiteral("%1 件").arg(m_nStored));
        return;
    }
    progress->setFormat(QStringLiteral("%1 件（%p%）").arg(m_nStored));
    progress->setValue(static_cast<int>(std::min(bytes, m_nFileSize) / m_nScale));
}
