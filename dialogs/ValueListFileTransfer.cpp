#include "dialogs/ValueListFileTransfer.h"

#include "platform/InputText.h"
#include "platform/TextUtil.h"
#include "platform/ui/FileDialog.h"
#include "platform/ui/MessageBox.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdName.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueListFile.h"

#include <QInputDialog>

namespace {

const QString kCaption = QStringLiteral("Quillet");
const QString kValueListFilter = QStringLiteral("値リストファイル (*.qvl.json)|*.qvl.json||");
const QString kValueListSuffix = QStringLiteral("qvl.json");

// A list's name as a file name: a separator in it would name a folder.
QString FileNameFor(const QString& listName) {
    QString name = listName;
    name.replace(u'/', u'_').replace(u'\\', u'_');
    return name + u'.' + kValueListSuffix;
}

// What a list holds, as the message after a transfer names it.
QString ContentsOf(const CProjectData& project) {
    int sections = 0;
    int entries = 0;
    int values = 0;
    for (const CSectionData* pSection = project.FirstSection(); pSection;
         pSection = pSection->NextSection()) {
        ++sections;
        for (const CEntryData* pEntry = pSection->FirstEntry(); pEntry;
             pEntry = pEntry->NextEntry()) {
            ++entries;
            values += pEntry->ChildCount();
        }
    }
    return QStringLiteral("セクション %1、エントリ %2、値 %3")
        .arg(sections)
        .arg(entries)
        .arg(values);
}

} // namespace

CValueListFileTransfer::CValueListFileTransfer(QWidget* pParent, CProjectDataBase* pDataBase)
    : m_pParent(pParent), m_pDataBase(pDataBase) {}

void CValueListFileTransfer::Say(const QString& text) {
    Ui::MessageBox(m_pParent, text, kCaption, Ui::MB_OK);
}

void CValueListFileTransfer::Export(int nPid) {
    const auto pProject = m_pDataBase->LoadProject(nPid);
    if (!pProject) {
        Say(QStringLiteral("書き出しに失敗しました"));
        return;
    }
    Ui::FileOpenRequest request;
    request.parent = m_pParent;
    request.filter = kValueListFilter;
    request.defaultSuffix = kValueListSuffix;
    request.fileName = FileNameFor(pProject->m_strName);
    const Ui::FileOpenResult result = Ui::GetSaveFileName(request);
    if (!result.accepted)
        return;
    QString error;
    if (!CValueListFile::WriteFile(result.path, *pProject, error)) {
        Say(error);
        return;
    }
    m_strDone = QStringLiteral("書き出しました: %1 (値リスト「%2」、%3)")
                    .arg(result.path, pProject->m_strName, ContentsOf(*pProject));
}

int CValueListFileTransfer::Import(const std::vector<std::unique_ptr<CRecordIdName>>& names) {
    Ui::FileOpenRequest request;
    request.parent = m_pParent;
    request.filter = kValueListFilter;
    request.defaultSuffix = kValueListSuffix;
    const Ui::FileOpenResult result = Ui::GetOpenFileName(request);
    if (!result.accepted)
        return 0;
    QString error;
    const auto pProject = CValueListFile::ReadFile(result.path, error);
    if (!pProject) {
        Say(QStringLiteral("%1 を読み込めません\n%2").arg(result.path, error));
        return 0;
    }
    if (!ResolveTakenName(*pProject, names))
        return 0;
    const bool replacing = pProject->m_nPid > 0;
    if (!m_pDataBase->ImportProject(*pProject, {})) {
        const QString reason = m_pDataBase->ErrorText();
        Say(QStringLiteral("値リスト「%1」の保存に失敗しました").arg(pProject->m_strName) +
            (reason.isEmpty() ? QString() : u'\n' + reason));
        return 0;
    }
    m_strDone =
        QStringLiteral("読み込みました: %1 (値リスト「%2」%3、%4)")
            .arg(result.path, pProject->m_strName,
                 replacing ? QStringLiteral("を置き換え") : QString(), ContentsOf(*pProject));
    return pProject->m_nPid;
}

bool CValueListFileTransfer::ResolveTakenName(
    CProjectData& project, const std::vector<std::unique_ptr<CRecordIdName>>& names) {
    for (;;) {
        std::vector<int> taken;
        for (const auto& pName : names) {
            if (Text::EqualNoCase(pName->m_strName, project.m_strName))
                taken.push_back(pName->m_nPid);
        }
        if (taken.empty())
            return true;
        if (taken.size() > 1) {
            const QString question =
                QStringLiteral("同じ名前の値リスト「%1」が複数あります。別の名前で読み込みますか？")
                    .arg(project.m_strName);
            if (Ui::MessageBox(m_pParent, question, kCaption, Ui::MB_YESNO | Ui::MB_ICONQUESTION) !=
                    Ui::IDYES ||
                !AskOtherName(project))
                return false;
            continue;
        }
        // Replacing keeps the list's PID and so the files attached to it: what bringing a newer
        // copy of a shared list in means. Another name keeps both.
        const QString question = QStringLiteral("値リスト「%1」はすでにあります。\n"
                                                "はい: 読み込んだ内容で置き換えます\n"
                                                "いいえ: 別の名前で読み込みます")
                                     .arg(project.m_strName);
        const int answer =
            Ui::MessageBox(m_pParent, question, kCaption,
                           Ui::MB_YESNOCANCEL | Ui::MB_ICONQUESTION | Ui::MB_DEFBUTTON3);
        if (answer == Ui::IDYES) {
            project.m_nPid = taken.front();
            return true;
        }
        if (answer != Ui::IDNO || !AskOtherName(project))
            return false;
    }
}

bool CValueListFileTransfer::AskOtherName(CProjectData& project) {
    bool accepted = false;
    const QString name = Text::TrimInput(QInputDialog::getText(
        m_pParent, QStringLiteral("値リストの読み込み"), QStringLiteral("新しい値リスト名:"),
        QLineEdit::Normal, project.m_strName, &accepted));
    if (!accepted || name.isEmpty())
        return false;
    project.m_strName = name;
    return true;
}
