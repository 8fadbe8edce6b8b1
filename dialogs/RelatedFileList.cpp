#include "dialogs/RelatedFileList.h"

#include "platform/ui/ListCtrl.h"
#include "platform/ui/MessageBox.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/ProjectRowFolder.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/RecordIdName.h"

#include <QHelpEvent>
#include <QTimer>
#include <QToolTip>

#include <algorithm>
#include <utility>

namespace {

constexpr int kPathColumn = 0;
constexpr int kListColumn = 1;
constexpr int kPathColumnWidth = 650; // before the list is laid out
constexpr int kListColumnWidth = 150;

// A failure's fixed text, and on a line of its own what the database said about it.
QString WithReason(const QString& text, const CProjectDataBase* pDataBase) {
    const QString reason = pDataBase ? pDataBase->ErrorText() : QString();
    return reason.isEmpty() ? text : text + u'\n' + reason;
}

} // namespace

CRelatedFileList::CRelatedFileList(CListCtrl* pList, CProjectDataBase* pDataBase,
                                   const std::vector<std::unique_ptr<CRecordIdName>>* pNames,
                                   std::function<void()> onStoreFailed)
    : m_pList(pList), m_pDataBase(pDataBase), m_pNames(pNames),
      m_onStoreFailed(std::move(onStoreFailed)) {
    m_pList->SetCheckBoxes(true);
    m_pList->SetSingleSelection(false);
    m_pList->InsertColumn(kPathColumn, QStringLiteral("INIファイルパス"), LVCFMT_LEFT,
                          kPathColumnWidth);
    m_pList->InsertColumn(kListColumn, QStringLiteral("値リスト"), LVCFMT_LEFT, kListColumnWidth);
    connect(m_pList, &CListCtrl::ItemChanged, this, &CRelatedFileList::OnItemChanged);
    m_pList->viewport()->installEventFilter(this);
}

CRelatedFileList::~CRelatedFileList() {
    m_pList->viewport()->removeEventFilter(this);
    disconnect(m_pList, nullptr, this, nullptr);
}

void CRelatedFileList::Clear() {
    m_pList->setUpdatesEnabled(false);
    m_pList->DeleteAllItems();
    m_history.clear();
    m_pidBeforeCheck.clear();
    m_pShown = nullptr;
    m_pList->setUpdatesEnabled(true);
}

void CRelatedFileList::Fill(std::vector<std::unique_ptr<CRecordIdFilePath>> history) {
    m_bListEvents = false;
    for (auto& pRecord : history)
        AddRow(std::move(pRecord));
    m_bListEvents = true;
    FitColumns();
}

int CRelatedFileList::AddRow(std::unique_ptr<CRecordIdFilePath> pRecord) {
    const int row = m_pList->InsertItem(LVIF_TEXT | LVIF_PARAM, m_pList->GetItemCount(),
                                        pRecord->m_strFilePath, 0, 0, quintptr(pRecord.get()));
    if (row < 0)
        return row;
    m_pList->SetItemText(row, kListColumn, NameOf(pRecord->m_nPid));
    m_history.push_back(std::move(pRecord));
    return row;
}

CRecordIdFilePath* CRelatedFileList::RowRecord(int nRow) const {
    return reinterpret_cast<CRecordIdFilePath*>(m_pList->GetItemData(nRow));
}

QString CRelatedFileList::NameOf(int nPid) const {
    for (const auto& pName : *m_pNames) {
        if (pName->m_nPid == nPid)
            return pName->m_strName;
    }
    return {};
}

void CRelatedFileList::FitColumns() {
    // The list names as wide as the widest; the paths take the rest of the list's width, so
    // that the names show at its right edge, or more when a path needs it.
    m_pList->SetColumnWidth(kListColumn, CListCtrl::LVSCW_AUTOSIZE);
    const int listWidth = std::max(m_pList->GetColumnWidth(kListColumn), kListColumnWidth);
    m_pList->SetColumnWidth(kListColumn, listWidth);
    m_pList->SetColumnWidth(kPathColumn, CListCtrl::LVSCW_AUTOSIZE);
    const int rest = m_pList->viewport()->width() - listWidth;
    m_pList->SetColumnWidth(kPathColumn, std::max(m_pList->GetColumnWidth(kPathColumn), rest));
}

bool CRelatedFileList::eventFilter(QObject* pWatched, QEvent* pEvent) {
    // After the list has laid itself out again: a scroll bar may come or go with the widths.
    if (pWatched == m_pList->viewport() && pEvent->type() == QEvent::Resize)
        QTimer::singleShot(0, this, &CRelatedFileList::FitColumns);
    if (pWatched != m_pList->viewport() || pEvent->type() != QEvent::ToolTip)
        return QObject::eventFilter(pWatched, pEvent);
    // A long path is cut at the list's edge: the whole of it shows under the mouse.
    const auto* pHelp = static_cast<QHelpEvent*>(pEvent);
    const int row = m_pList->HitTest(pHelp->pos());
    if (row >= 0)
        QToolTip::showText(pHelp->globalPos(), m_pList->GetItemText(row, kPathColumn), m_pList);
    else
        QToolTip::hideText();
    return true;
}

void CRelatedFileList::SetCheckQuietly(int nRow, bool bCheck) {
    m_bListEvents = false;
    m_pList->SetCheck(nRow, bCheck);
    m_bListEvents = true;
}

void CRelatedFileList::ShowList(const CRecordIdName* pProject) {
    m_pShown = pProject;
    m_pidBeforeCheck.clear();
    for (int row = 0; row < m_pList->GetItemCount(); ++row) {
        const CRecordIdFilePath* pRecord = RowRecord(row);
        SetCheckQuietly(row, pProject && pRecord && pRecord->m_nPid == pProject->m_nPid);
    }
}

void CRelatedFileList::ForgetList(int nPid) {
    for (int row = 0; row < m_pList->GetItemCount(); ++row) {
        CRecordIdFilePath* pRecord = RowRecord(row);
        if (pRecord && pRecord->m_nPid == nPid) {
            pRecord->m_nPid = 0;
            m_pList->SetItemText(row, kListColumn, QString());
        }
    }
}

void CRelatedFileList::Say(const QString& text, unsigned nType) {
    Ui::MessageBox(m_pList->window(), text, QStringLiteral("Quillet"), Ui::MB_OK | nType);
}

// ---------------------------------------------------------------- the user's changes

void CRelatedFileList::OnItemChanged(int nItem, unsigned oldState, unsigned newState) {
    if (!m_bListEvents || !((oldState ^ newState) & LVIS_STATEIMAGEMASK))
        return;
    const bool bChecked = (newState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    const bool bWasChecked = (oldState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    CRecordIdFilePath* pRecord = RowRecord(nItem);
    if (bChecked == bWasChecked || !pRecord)
        return;
    if (!bChecked) {
        const auto before = m_pidBeforeCheck.find(pRecord);
        const int pid = before == m_pidBeforeCheck.end() ? 0 : before->second;
        if (before != m_pidBeforeCheck.end())
            m_pidBeforeCheck.erase(before);
        Store(nItem, pid);
        return;
    }
    if (!m_pShown || !MayMove(*pRecord)) {
        SetCheckQuietly(nItem, false);
        return;
    }
    m_pidBeforeCheck[pRecord] = pRecord->m_nPid;
    Store(nItem, m_pShown->m_nPid);
}

bool CRelatedFileList::MayMove(const CRecordIdFilePath& record) {
    const QString holder = NameOf(record.m_nPid);
    if (record.m_nPid == 0 || record.m_nPid == m_pShown->m_nPid || holder.isEmpty())
        return true;
    const QString question =
        QStringLiteral("このファイルは「%1」に登録されています。「%2」に移しますか？")
            .arg(holder, m_pShown->m_strName);
    return Ui::MessageBox(m_pList->window(), question, QStringLiteral("Quillet"),
                          Ui::MB_YESNO | Ui::MB_ICONQUESTION | Ui::MB_DEFBUTTON2) == Ui::IDYES;
}

void CRelatedFileList::Store(int nRow, int nPid) {
    CRecordIdFilePath* pRecord = RowRecord(nRow);
    pRecord->m_nPid = nPid;
    m_pList->SetItemText(nRow, kListColumn, NameOf(nPid));
    FitColumns();
    if (!m_pDataBase->SetHistory(*pRecord))
        m_onStoreFailed();
}

int CRelatedFileList::RowOfText(const QString& text) {
    // Here a path in another case is another file, but the history's key cannot tell the
    // two apart: the second one cannot be registered, and the user is told why.
    for (int row = 0; row < m_pList->GetItemCount(); ++row) {
        const QString listed = m_pList->GetItemText(row, kPathColumn);
        if (listed == text)
            return row;
        if (CProjectRowFolder::EqualKeys(listed, text)) {
            Say(QStringLiteral("大文字と小文字だけが違うパスが登録済みのため、登録できません\n%1")
                    .arg(listed),
                Ui::MB_ICONWARNING);
            return -2;
        }
    }
    return -1;
}

void CRelatedFileList::Register(const QString& text) {
    const int existing = RowOfText(text);
    if (existing == -2)
        return;
    if (existing >= 0) {
        if (!m_pShown || RowRecord(existing)->m_nPid == m_pShown->m_nPid) {
            Say(QStringLiteral("「%1」はすでに登録されています").arg(text));
            return;
        }
        // Checking it is what the user would do by hand: the same question, the same store.
        m_pList->SetCheck(existing, true);
        m_pList->EnsureVisible(existing, false);
        return;
    }
    auto pRecord = std::make_unique<CRecordIdFilePath>(m_pShown ? m_pShown->m_nPid : 0, text);
    const CRecordIdFilePath record = *pRecord;
    m_bListEvents = false;
    const int row = AddRow(std::move(pRecord));
    if (row >= 0 && m_pShown)
        m_pList->SetCheck(row, true);
    m_bListEvents = true;
    FitColumns();
    if (!m_pDataBase->InsertHistory(record, false))
        m_onStoreFailed();
}

void CRelatedFileList::RemoveSelected() {
    QString failure;
    int row = m_pList->GetNextItem(-1, LVNI_SELECTED);
    while (row >= 0) {
        CRecordIdFilePath* pRecord = RowRecord(row);
        if (pRecord && m_pDataBase->DeleteHistory(*pRecord)) {
            m_pList->DeleteItem(row);
            m_pidBeforeCheck.erase(pRecord);
            m_history.erase(std::find_if(m_history.begin(), m_history.end(),
                                         [pRecord](const std::unique_ptr<CRecordIdFilePath>& p) {
                                             return p.get() == pRecord;
                                         }));
            // The following row has moved up into this index.
            row = m_pList->GetNextItem(row - 1, LVNI_SELECTED);
        } else {
            if (failure.isEmpty())
                failure = WithReason(QStringLiteral("削除に失敗しました"), m_pDataBase);
            row = m_pList->GetNextItem(row, LVNI_SELECTED);
        }
    }
    // Said once, after the rows that could go have gone; the rows that stay show which.
    if (!failure.isEmpty())
        Say(failure);
}
