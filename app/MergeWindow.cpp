#include "app/MergeWindow.h"
#include "app/WindowTitle.h"

#include "app/FileWatch.h"
#include "app/FrameTexts.h"
#include "app/MainFrame.h"
#include "app/QuilletDoc.h"
#include "app/SaveFailure.h"
#include "app/WriteReasonText.h"
#include "compare/IniCompare.h"
#include "compare/IniFileMerge.h"
#include "compare/IniMerge.h"
#include "ini/IniData.h"
#include "platform/ProfileWriter.h"
#include "platform/RegularFile.h"
#include "platform/TextCodec.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "res/Resource.h"
#include "view/MergeMode.h"
#include "view/ProjectDlgBar.h"
#include "view/QuilletView.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace {

const QString kCaption = QStringLiteral("Quillet");
const QString kIniFilter = QStringLiteral("INIファイル (*.ini)|*.ini||");
// Three files, each decoded and built, and the merge.
constexpr int kMergePasses = 3 * 2 + 1;

QString Absolute(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

// The title names each file by its part: base, ours (1, left) and theirs (2, right).
QString MergeTitle(const QString& base, const QString& ours, const QString& theirs) {
    return QStringLiteral("マージ 基: %1 | 1 (自分): %2 | 2 (相手): %3").arg(base, ours, theirs);
}

// Whether ours' file, in its encoding, can hold a text theirs brings.
CIniMerge::CanHold CanHoldOf(const QByteArray& oursBytes) {
    auto codec = std::make_shared<CTextCodec>(CTextCodec::Detect(oursBytes));
    return [codec](QStringView text) {
        QByteArray encoded;
        return codec->encode(text, encoded);
    };
}

// The file as the model was loaded from it: what it held before the user's edits.
std::unique_ptr<CIniData> AsLoaded(const CIniData& ini) {
    auto loaded = std::make_unique<CIniData>();
    for (const auto& section : ini.m_sections) {
        if (section->m_isNew)
            continue;
        CIniSectionData* copy = loaded->AddSection(section->m_name);
        for (const auto& entry : section->m_entries) {
            if (!entry->m_isNew)
                copy->AddEntry(entry->Key(), entry->SavedValue());
        }
    }
    return loaded;
}

} // namespace

void CMergeWindow::ReportUnwritten(const QString& path,
                                   const std::vector<CProfileWriter::Change>& changes,
                                   const std::vector<QString>& reasons) {
    CSaveFailure failure(path);
    QStringList unwritten;
    for (size_t i = 0; i < reasons.size() && i < changes.size(); ++i) {
        if (reasons[i].isEmpty())
            continue;
        failure.AddReason(CWriteReasonText::Japanese(reasons[i]));
        unwritten.append(QStringLiteral("[%1] %2").arg(changes[i].section, changes[i].key));
    }
    if (!unwritten.isEmpty())
        m_pFrame->ShowError(failure.Message(unwritten));
}

CMergeWindow::CMergeWindow(CMainFrame* frame) : QObject(frame), m_pFrame(frame) {
    m_pFrame->FileWatch()->SetMerge([this] { return m_pFrame->m_pDoc->m_pIniData != nullptr; },
                                    [this] { MergeWithDisk(); });
}

bool CMergeWindow::IsShown() const {
    return m_pFrame->m_pDoc->m_pMerge != nullptr;
}

void CMergeWindow::OpenCommandLine(const QStringList& paths, const QString& output) {
    if (paths.size() == 3)
        Open(Absolute(paths[0]), Absolute(paths[1]), Absolute(paths[2]),
             output.isEmpty() ? QString() : Absolute(output));
}

bool CMergeWindow::Open(const QString& base, const QString& ours, const QString& theirs,
                        const QString& output) {
    if (m_pFrame->IsBusy() || !m_pFrame->ConfirmDiscard())
        return false;
    CIniFileMerge files;
    QString errorText;
    bool loaded = false;
    if (!m_pFrame->RunLoad(FrameTexts::LoadingText({base, ours, theirs}), kMergePasses,
                           [&] { loaded = files.Load(base, ours, theirs, errorText); }))
        return false;
    if (!loaded) {
        m_pFrame->ShowError(errorText);
        return false;
    }
    CIniMerge* models = files.Models();
    m_oursBytes = files.OursBytes();
    // A save to ours itself is a save in place.
    m_output = QFileInfo(output) == QFileInfo(ours) ? QString() : output;
    Show(std::move(models->m_pBase), std::move(models->m_pOurs), std::move(models->m_pTheirs),
         MergeTitle(base, ours, theirs));
    return true;
}

void CMergeWindow::Show(std::unique_ptr<CIniData> base, std::unique_ptr<CIniData> ours,
                        std::unique_ptr<CIniData> theirs, const QString& title) {
    std::unique_ptr<CIniCompare> compare = m_pFrame->PairFiles(std::move(ours), std::move(theirs));
    if (!compare)
        return;
    m_pFrame->ShowCompare(std::move(compare));
    m_pFrame->m_pProjectBar->hide();
    CQuilletDoc* doc = m_pFrame->m_pDoc;
    doc->m_pMergeBase = std::move(base);
    doc->m_pMerge = std::make_unique<CIniMerge>(*doc->m_pMergeBase, *doc->m_pCompare->m_pIni1,
                                                *doc->m_pCompare->m_pIni2);
    const CMergeStart start{doc->m_pMerge.get(), CanHoldOf(m_oursBytes), doc->m_pMergeBase.get()};
    doc->UpdateAllViews(nullptr, Res::HINT_SHOW_MERGE, reinterpret_cast<quintptr>(&start));
    doc->SetTitle(title);
    m_pFrame->m_pTitle->ShowDocument(true);
}

bool CMergeWindow::AskFile(QString& path, const QString& title, bool* merge) {
    Ui::FileOpenRequest request;
    request.parent = m_pFrame;
    request.title = title;
    request.filter = kIniFilter;
    request.defaultSuffix = QStringLiteral("ini");
    if (merge)
        request.checkBoxText =
            QStringLiteral("基のファイルも選んでマージする (1 = 自分, 2 = 相手)");
    const Ui::FileOpenResult result = Ui::GetOpenFileName(request);
    if (!result.accepted)
        return false;
    path = result.path;
    if (merge)
        *merge = result.checkBoxChecked;
    return true;
}

void CMergeWindow::OnCompareCommand() {
    QString path1;
    QString path2;
    QString base;
    bool merge = false;
    if (!AskFile(path1, QStringLiteral("開く - 1つ目のファイル")) ||
        !AskFile(path2, QStringLiteral("開く - 2つ目のファイル"), &merge))
        return;
    if (merge) {
        if (AskFile(base, QStringLiteral("開く - 基のファイル (1 と 2 の共通の元)")))
            Open(base, path1, path2, QString());
        return;
    }
    if (m_pFrame->ConfirmDiscard() && m_pFrame->OpenCompare(path1, path2))
        m_pFrame->m_pProjectBar->hide();
}

bool CMergeWindow::MergeWithDisk() {
    CQuilletDoc* doc = m_pFrame->m_pDoc;
    if (!doc->m_pIniData || m_pFrame->IsBusy())
        return false;
    m_pFrame->m_pView->CommitEdit();
    const QString path = doc->m_pIniData->m_filePath;
    std::unique_ptr<CIniData> theirs = m_pFrame->LoadIni(path, QStringLiteral("2:"));
    if (!theirs || !doc->m_pIniData)
        return false;
    if (!CRegularFile::Read(path, m_oursBytes))
        m_oursBytes.clear();
    m_output.clear();
    std::unique_ptr<CIniData> base = AsLoaded(*doc->m_pIniData);
    std::unique_ptr<CIniData> ours = std::move(doc->m_pIniData);
    Show(std::move(base), std::move(ours), std::move(theirs),
         QStringLiteral("変更を取り込む 1 (編集中): %1 | 2 (ディスク上): %1").arg(path));
    return true;
}

bool CMergeWindow::Save() {
    const int conflicts =
        m_pFrame->m_pView->Merge() ? m_pFrame->m_pView->Merge()->ConflictCount() : 0;
    if (conflicts > 0 &&
        Ui::MessageBox(m_pFrame,
                       QStringLiteral("解決していない競合が %1 件あります。\n"
                                      "競合したエントリは自分 (1) の値のまま保存されます。"
                                      "保存しますか？")
                           .arg(conflicts),
                       kCaption,
                       Ui::MB_YESNO | Ui::MB_ICONQUESTION | Ui::MB_DEFBUTTON2) != Ui::IDYES)
        return false;
    if (m_output.isEmpty())
        return m_pFrame->SaveShown();
    return SaveToOutput();
}

bool CMergeWindow::SaveToOutput() {
    CQuilletDoc* doc = m_pFrame->m_pDoc;
    std::vector<QString> reasons;
    const std::vector<CProfileWriter::Change> changes = doc->m_pCompare->m_pIni1->PendingChanges();
    const QByteArray result = CProfileWriter::EditMany(m_oursBytes, changes, reasons);
    if (!CProfileWriter::WriteWhole(m_output, result)) {
        m_pFrame->ShowError(QStringLiteral("ファイルへの書き込みに失敗しました。\n") + m_output +
                            QStringLiteral("\n理由: ") +
                            CWriteReasonText::Japanese(CProfileWriter::LastError()));
        return false;
    }
    // The result stands beside theirs from now on, as a comparison.
    const QString output = m_output;
    const QString theirs = doc->m_pCompare->GetTitle(1);
    m_output.clear();
    const bool opened = m_pFrame->OpenCompare(output, theirs);
    ReportUnwritten(output, changes, reasons);
    return opened && std::all_of(reasons.begin(), reasons.end(),
                                 [](const QString& reason) { return reason.isEmpty(); });
}
