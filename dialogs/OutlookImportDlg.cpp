#include "OutlookImportDlg.h"

#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>

#include <algorithm>
#include <optional>

#include "BackendTable.h"
#include "ColumnMapDlg.h"
#include "DataExchange.h"
#include "FileDialog.h"
#include "ImportPlanDlg.h"
#include "ImportTexts.h"
#include "MDIFrameWnd.h"
#include "MessageBox.h"
#include "OutlookLoadDlg.h"
#include "Text.h"
#include "TextFile.h"
#include "WaitCursor.h"
#include "WinApp.h"

namespace {

CDialogTemplate ImportTemplate(int templateId, const QString& title, int duplicateCheckId,
                               const QString& duplicateCheckText) {
    using D = COutlookImportDlg;
    return CDialogTemplate{
        templateId,
        title,
        230,
        117,
        QStringLiteral("ＭＳ Ｐゴシック"),
        9,
        {
            {CDialog::IDOK, CControlDef::DefPushButton, QStringLiteral("OK"), 60, 95, 50, 14},
            {CDialog::IDCANCEL, CControlDef::PushButton, QStringLiteral("ｷｬﾝｾﾙ"), 120, 95, 50, 14},
            {-1, CControlDef::Static, QStringLiteral("タイプ"), 5, 10, 50, 8},
            {D::IDC_TYPE, CControlDef::ComboBox, QString(), 65, 5, 100, 30,
             CControlDef::EditableCombo | CControlDef::Sorted},
            {-1, CControlDef::Static, QStringLiteral("ファイル名"), 5, 30, 55, 8},
            {D::IDC_FILE_NAME, CControlDef::Edit, QString(), 65, 25, 100, 14},
            {D::IDC_BROWSE, CControlDef::PushButton, QStringLiteral("参照(&B)"), 175, 25, 30, 14},
            {D::IDC_PUBLIC, CControlDef::CheckBox, QStringLiteral("公開"), 65, 45, 60, 10},
            {duplicateCheckId, CControlDef::CheckBox, duplicateCheckText, 65, 65, 110, 10},
            {-1, CControlDef::Static, QStringLiteral("重複チェック"), 5, 65, 50, 8},
        }};
}

} // namespace

COutlookImportDlg::COutlookImportDlg(int templateId, const QString& title,
                                     CImportSession::Kind kind, int duplicateCheckId,
                                     const QString& duplicateCheckText, QWidget* parent,
                                     std::string owner)
    : CDialog(ImportTemplate(templateId, title, duplicateCheckId, duplicateCheckText), parent),
      m_kind(kind), m_strOwner(std::move(owner)), m_nDuplicateCheckId(duplicateCheckId) {
    OnCommand(IDC_BROWSE, [this] { OnBrowse(); });
}

void COutlookImportDlg::DoDataExchange(CDataExchange& dx) {
    DDX_CBString(dx, IDC_TYPE, m_strType);
    DDX_Text(dx, IDC_FILE_NAME, m_strFileName);
    DDX_Check(dx, IDC_PUBLIC, m_bPublic);
    DDX_Check(dx, m_nDuplicateCheckId, m_bDuplicateCheck);
}

bool COutlookImportDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    auto* type = Item<QComboBox>(IDC_TYPE);
    type->addItem(QStringLiteral("Outlook (タブ区切り)"));
    type->setCurrentIndex(0);
    int on = 1;
    CDataExchange checks(this, false);
    DDX_Check(checks, IDC_PUBLIC, on);
    DDX_Check(checks, m_nDuplicateCheckId, on);
    UpdateData(true);
    return true;
}

void COutlookImportDlg::OnBrowse() {
    // Outlook's text beside the forms other programs write.
    const QString filter =
        m_kind == CImportSession::Kind::Addresses
            ? QStringLiteral("読み込めるファイル (*.txt *.csv *.vcf *.ldif);;Outlook のテキスト "
                             "(*.txt *.csv);;vCard (*.vcf);;LDIF (*.ldif);;すべてのファイル (*)")
            : QStringLiteral(
                  "読み込めるファイル (*.txt *.csv *.ics *.vcs);;Outlook のテキスト "
                  "(*.txt *.csv);;iCalendar (*.ics);;vCalendar (*.vcs);;すべてのファイル "
                  "(*)");
    QString path = CFileDialog::GetFileName(this, CFileDialog::Open, QStringLiteral("*.*"), filter);
    if (path.isEmpty())
        return;
    // Only the file name changes; the other controls keep what the user set.
    m_strFileName = path;
    Item<QLineEdit>(IDC_FILE_NAME)->setText(path);
}

void COutlookImportDlg::OnOK() {
    UpdateData(true);
    if (m_strFileName.isEmpty()) {
        CMessageBox::Show(this, QStringLiteral("ファイル名を設定してください"));
        return;
    }
    const std::string path = QFile::encodeName(m_strFileName).toStdString();
    CTextFile file;
    if (!file.Open(path))
        return;
    // A pipe cannot be read twice, so it is imported without a preview.
    m_mapping.clear();
    if (!file.IsStream() && (!ChooseColumns(path) || !ConfirmPreview(path))) {
        file.Close();
        return; // the dialog stays open for another file or options
    }
    CImportSession::COptions options{m_kind, m_strOwner, m_bPublic != 0, m_bDuplicateCheck != 0};
    options.mapping = m_mapping;
    options.file = m_strFileName.toStdString();
    CImportSession session(file, options);
    bool cancelled = false;
    if (session.Open()) {
        std::unique_ptr<COutlookLoadDlg> load = MakeLoadDlg();
        load->Run(session, file, m_strFileName);
        cancelled = load->WasCancelled();
        session.Close();
        PostSummary(session.Summary(), cancelled);
    }
    // A refusal or a write that failed is no silent end: the user learns what
    // was kept. A clean import ends silently; one that replaced characters or
    // could not read a value says where.
    if (session.Failed())
        ReportFailure(session);
    else if (session.ReadNothing())
        CMessageBox::Show(this,
                          QStringLiteral("このファイルからは 1 件も読み込めませんでした。\n\n") +
                              CImportTexts::SummaryCounts(session.Summary()),
                          CImportTexts::SummaryNotes(session.Summary()));
    else if (cancelled)
        // Open lists are not refreshed: they show the new entries when opened again.
        CMessageBox::Show(this, QStringLiteral("読み込みを中止しました。\n"
                                               "それまでの %1 件は保存され、残りは保存されて"
                                               "いません。\n"
                                               "開いている一覧には、開き直すと表示されます。")
                                    .arg(session.Committed()));
    else if (session.Summary().HasNotes())
        CMessageBox::Show(this, CImportTexts::SummaryCounts(session.Summary()),
                          CImportTexts::SummaryNotes(session.Summary()));
    // A finished import says so where a desktop program says it, without a box.
    if (!session.Failed() && !session.ReadNothing() && !cancelled)
        if (CWinApp* app = AfxGetApp(); app != nullptr && app->m_pMainWnd != nullptr)
            app->m_pMainWnd->SetMessageText(CImportTexts::Done(session.Summary()));
    file.Close();
    CDialog::OnOK();
}

bool COutlookImportDlg::ConfirmPreview(const std::string& path) {
    CTextFile file;
    if (!file.Open(path))
        return true; // the import itself says what is wrong with the file
    CImportSession::COptions options{m_kind, m_strOwner, m_bPublic != 0, m_bDuplicateCheck != 0,
                                     true};
    options.mapping = m_mapping;
    // With the duplicate check the whole file is planned first, so that
    // what would be replaced or skipped is seen before anything is stored.
    options.plan = m_bDuplicateCheck != 0;
    std::optional<CWaitCursor> wait(std::in_place);
    CImportSession preview(file, options);
    if ((options.plan && !preview.Open()) || preview.Begin() != CImportSession::Start::Ready)
        return true; // the import itself says why it cannot begin
    const bool modern = preview.IsModern();
    if (!modern && !options.plan)
        return true;
    constexpr int kShown = 3;
    QStringList records;
    for (;;) {
        const CImportSession::Step step = preview.Next();
        if (step == CImportSession::Step::End || step == CImportSession::Step::Failed)
            break;
        if (step == CImportSession::Step::Checked && modern && records.size() < kShown)
            records.append(QStringLiteral("・") + QString::fromStdString(preview.Describe()));
        if (!options.plan && records.size() == kShown)
            break;
    }
    wait.reset();
    QString text;
    if (modern) {
        text = QStringLiteral("このファイルを %1 として読み込みます。\n")
                   .arg(CImportTexts::ReadAs(preview.Summary()));
        if (records.isEmpty())
            text += QStringLiteral("読み込めるデータはありません。\n");
        else
            text += QStringLiteral("最初の %1 件は次のように保存されます。\n\n%2\n")
                        .arg(records.size())
                        .arg(records.join(QLatin1Char('\n')));
    }
    if (options.plan && CImportPlanDlg::Worth(preview.Plan())) {
        CImportPlanDlg plan(this, text, preview.Plan(), m_kind == CImportSession::Kind::Addresses);
        return plan.exec() == QDialog::Accepted;
    }
    if (!modern)
        return true;
    return CMessageBox::Question(this, text + QStringLiteral("\n読み込みを続けますか？")) ==
           CMessageBox::IDOK;
}

std::vector<CRecordReader::CColumn>
COutlookImportDlg::ReadColumns(const std::string& path, const CRecordReader::CMapping& mapping,
                               bool sample, std::vector<std::string>& targets,
                               CImportSession::Start& start, bool& modern) {
    CTextFile file;
    start = CImportSession::Start::NoHeader;
    if (!file.Open(path))
        return {};
    CImportSession::COptions options{m_kind, m_strOwner, false, false, true};
    options.mapping = mapping;
    CImportSession dry(file, options);
    start = dry.Begin();
    modern = dry.IsModern();
    targets = dry.Targets();
    for (size_t read = 0; sample && start == CImportSession::Start::Ready &&
                          read < CRecordReader::CColumn::kSamples + 1;
         ++read) {
        const CImportSession::Step step = dry.Next();
        if (step == CImportSession::Step::End || step == CImportSession::Step::Failed)
            break;
    }
    return dry.Columns();
}

bool COutlookImportDlg::ChooseColumns(const std::string& path) {
    std::vector<std::string> targets;
    CImportSession::Start start;
    bool modern = false;
    std::vector<CRecordReader::CColumn> columns =
        ReadColumns(path, {}, false, targets, start, modern);
    const bool unknown =
        std::any_of(columns.begin(), columns.end(), [](const CRecordReader::CColumn& column) {
            return !column.header.empty() && column.target.empty();
        });
    const bool none = start == CImportSession::Start::NoKnownColumns;
    if (!unknown || targets.empty() || (!modern && !none))
        return true; // every column known, or no table: nothing to choose
    // The first values, from a dry run of the first records (nothing is read
    // from a table none of whose columns is known: that run takes its first).
    const auto named =
        std::find_if(columns.begin(), columns.end(),
                     [](const CRecordReader::CColumn& column) { return !column.header.empty(); });
    CRecordReader::CMapping first;
    if (none)
        first.emplace_back(named->header, targets.front());
    std::vector<std::string> ignored;
    CImportSession::Start began;
    const std::vector<CRecordReader::CColumn> sampled =
        ReadColumns(path, first, true, ignored, began, modern);
    for (size_t i = 0; i < columns.size() && i < sampled.size(); ++i)
        columns[i].samples = sampled[i].samples;
    // What was chosen for the same header before comes first.
    for (const auto& [header, target] : CColumnMapDlg::Remembered(columns))
        for (CRecordReader::CColumn& column : columns)
            if (column.header == header)
                column.target = target;
    CColumnMapDlg dialog(this, columns, targets);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    m_mapping = dialog.Mapping();
    CColumnMapDlg::Remember(columns, m_mapping);
    return true;
}

void COutlookImportDlg::PostSummary(const CImportSummary& summary, bool cancelled) {
    // The monitor's readers read Japanese: the summary goes there as the
    // message box would show it, a line each.
    const CBackendTable& backend = KvBackend();
    if (backend.kvPostMonitorLine == nullptr || summary.encoding.empty())
        return; // no room for it, or the file was never read
    for (const QString& line : CImportTexts::Summary(summary, CImportSummary::kKeptNotes, cancelled)
                                   .split(QLatin1Char('\n'))) {
        std::string cp932;
        if (!line.isEmpty() && CText::ToCp932(line, cp932))
            backend.kvPostMonitorLine(cp932.c_str());
    }
}

void COutlookImportDlg::ReportFailure(const CImportSession& session) {
    QString reason = CImportTexts::Reason(session.Failure());
    QString text;
    if (session.FailedLine() > 0)
        text = QStringLiteral("%1 行目のデータを保存できなかったため、読み込みを中止しました。\n"
                              "理由: %2\n"
                              "それまでに保存された %3 件はそのまま残っています。")
                   .arg(session.FailedLine())
                   .arg(reason)
                   .arg(session.Committed());
    else if (session.Added() + session.Updated() > 0)
        text = QStringLiteral("読み込んだデータを保存できませんでした。\n理由: %1\n"
                              "保存された件数: %2 件")
                   .arg(reason)
                   .arg(session.Committed());
    else
        text = QStringLiteral("読み込みを開始できませんでした。\n理由: %1").arg(reason);
    CMessageBox::Show(this, text);
}
