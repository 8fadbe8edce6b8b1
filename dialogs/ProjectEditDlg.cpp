#include "dialogs/ProjectEditDlg.h"

#include "dialogs/ScreenFit.h"
#include "grid/ListCtrlBase.h"
#include "ini/IniData.h"
#include "platform/TextUtil.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/MessageBox.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdName.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueData.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <utility>

using Pelmo::CListCtrlEx;
using Pelmo::GRIDNOTIFY;

QSize CProjectEditDlg::s_szLast;

namespace {

constexpr unsigned kGridStyle = 0x50010000; // WS_CHILD | WS_VISIBLE | WS_TABSTOP
constexpr int kAppendRowState = 3;          // GetEditState of the append row
constexpr int kCodeColumn = 1;              // sections and entries
constexpr int kValueColumn = 2;
constexpr int kNameColumn = 3;
constexpr int kInsertColumn = 0; // values: "+"
constexpr int kDeleteColumn = 0; // sections and entries: "-"
constexpr int kValueDeleteColumn = 1;
constexpr int kTabMoveCodes = 4;
constexpr int kTabMoveValues = 0x211;
constexpr int kKeyTab = 9;
constexpr int kKeyEnter = 13;

const QString kMinus = QStringLiteral("-");
const QString kPlus = QStringLiteral("+");

bool IsAppendRow(const CListCtrlEx* pGrid, int nRow) {
    return pGrid->GetEditState(nRow) == kAppendRowState;
}

// The record a real row shows; null for the append row, a row not yet taken into use and
// rows out of range.
template <class Record> Record* RecordOf(const CListCtrlEx* pGrid, int nRow) {
    if (nRow < 0 || nRow >= pGrid->GetItemCount() || IsAppendRow(pGrid, nRow))
        return nullptr;
    return reinterpret_cast<Record*>(pGrid->GetItemData(nRow));
}

int RowOf(const CListCtrlEx* pGrid, const void* pRecord) {
    if (!pRecord)
        return -1;
    for (int row = 0; row < pGrid->GetItemCount(); ++row) {
        if (!IsAppendRow(pGrid, row) && pGrid->GetItemData(row) == quintptr(pRecord))
            return row;
    }
    return -1;
}

int CurrentRow(const CListCtrlEx* pGrid, int* pCol = nullptr) {
    int row = -1;
    int col = -1;
    if (!pGrid->GetCurrentCell(&row, &col, false))
        return -1;
    if (pCol)
        *pCol = col;
    return row;
}

// The first line of a clipboard text, trimmed: what a paste puts into one cell.
QString FirstLine(const QString& text) {
    QString line = text;
    const qsizetype cr = line.indexOf(u'\r');
    if (cr >= 0)
        line.truncate(cr);
    const qsizetype lf = line.indexOf(u'\n');
    if (lf >= 0)
        line.truncate(lf);
    return Text::Trim(line);
}

// The sections of a value list, or the entries of a section, by case-folded code (the first
// of a code when a list holds two), so that each of a large file's items is found at once.
template <class Record> QHash<QString, Record*> ByCode(const CBaseData* pParent) {
    QHash<QString, Record*> byCode;
    for (CBaseData* p = pParent->FirstChild(); p; p = p->Next()) {
        auto* pRecord = dynamic_cast<Record*>(p);
        if (!pRecord)
            continue;
        const QString key = Text::FoldCase(pRecord->m_strCode);
        if (!byCode.contains(key))
            byCode.insert(key, pRecord);
    }
    return byCode;
}

// A section or entry of the open file in the value list: the one found, or a new one put right
// after the record of the file's item before it (first when there is none), so that what the
// file adds shows in the file's order and nothing the user made moves.
template <class Record>
Record* FindOrInsert(CBaseData* pParent, QHash<QString, Record*>& byCode, Record* pAfter,
                     const QString& code) {
    const QString key = Text::FoldCase(code);
    if (Record* pFound = byCode.value(key))
        return pFound;
    CBaseData* pBefore = pAfter ? pAfter->Next() : pParent->FirstChild();
    auto* pRecord = static_cast<Record*>(
        pParent->InsertChildBefore(std::make_unique<Record>(code, QString()), pBefore));
    byCode.insert(key, pRecord);
    return pRecord;
}

// Redrawing off for a burst of changes to several grids, on again at the end of the scope.
class CRedrawOff {
public:
    explicit CRedrawOff(std::initializer_list<QWidget*> widgets) : m_widgets(widgets) {
        for (QWidget* w : m_widgets)
            w->setUpdatesEnabled(false);
    }
    ~CRedrawOff() {
        for (QWidget* w : m_widgets)
            w->setUpdatesEnabled(true);
    }
    CRedrawOff(const CRedrawOff&) = delete;
    CRedrawOff& operator=(const CRedrawOff&) = delete;

private:
    std::vector<QWidget*> m_widgets;
};

} // namespace

CProjectEditDlg::CProjectEditDlg(CProjectDataBase* pDataBase, CIniData* pIniData,
                                 CRecordIdName* pIdName, QWidget* parent)
    : QDialog(parent), m_pDataBase(pDataBase), m_pIniData(pIniData),
      m_bEditExisting(pIdName != nullptr), m_pIdName(pIdName) {
    Ui::CDialogBuilder builder(Res::ProjectEditDlgTemplate());
    builder.Build(
        this, [this](const Ui::ControlTemplate& c, QWidget* host) { return MakeGrid(c.id, host); });
    m_szMinTrack = FitToScreen(this, size());
    setMinimumSize(m_szMinTrack);
    resize(m_szMinTrack);
    if (s_szLast.width() > 0 && s_szLast.height() > 0)
        resize(FitToScreen(this, s_szLast));

    m_pNameEdit = findChild<QLineEdit*>(QString::number(Res::IDC_PROJECT_NAME));
    auto* pImport = findChild<QPushButton*>(QString::number(Res::IDC_IMPORT));
    pImport->setEnabled(m_pIniData != nullptr);
    connect(pImport, &QPushButton::clicked, this, &CProjectEditDlg::OnImport);
    connect(findChild<QPushButton*>(QString::number(Res::IDOK)), &QPushButton::clicked, this,
            &CProjectEditDlg::OnOK);
    connect(findChild<QPushButton*>(QString::number(Res::IDCANCEL)), &QPushButton::clicked, this,
            &QDialog::reject);

    SetUpGrids();
    if (m_bEditExisting) {
        m_pNameEdit->setText(m_pIdName->m_strName);
        m_pProject = m_pDataBase ? m_pDataBase->LoadProject(m_pIdName->m_nPid) : nullptr;
        m_bLoaded = m_pProject != nullptr;
        if (!m_bLoaded)
            return;
        FillSectionGrid();
    } else {
        m_pProject = std::make_unique<CProjectData>();
    }
}

CProjectEditDlg::~CProjectEditDlg() {
    // The grids go with the dialog's children, after the tree: they must not call back into
    // a dialog that is half gone.
    for (CListCtrlEx* pGrid : {m_pSectionGrid, m_pEntryGrid, m_pValueGrid}) {
        pGrid->SetNotifyHandler({});
        pGrid->SetEndEditCallback(nullptr, nullptr);
        pGrid->SetKeyMoveCallback(nullptr, nullptr);
    }
    m_pValueGrid->removeEventFilter(this);
}

int CProjectEditDlg::DoModal() {
    if (!m_bLoaded)
        return Ui::IDCANCEL;
    return exec() == QDialog::Accepted ? Ui::IDOK : Ui::IDCANCEL;
}

void CProjectEditDlg::done(int result) {
    s_szLast = size();
    QDialog::done(result);
}

void CProjectEditDlg::ShowMessage(const QString& text) {
    Ui::MessageBox(this, text, QStringLiteral("Quillet"), Ui::MB_OK);
}

// ---------------------------------------------------------------- grids

QWidget* CProjectEditDlg::MakeGrid(int nId, QWidget* host) {
    auto* pGrid = new Pelmo::CListCtrlBase();
    pGrid->Create(kGridStyle, QRect(), host, unsigned(nId));
    CListCtrlEx* pEx = pGrid;
    if (nId == Res::IDC_SECTION_GRID)
        m_pSectionGrid = pEx;
    else if (nId == Res::IDC_ENTRY_GRID)
        m_pEntryGrid = pEx;
    else if (nId == Res::IDC_VALUE_GRID)
        m_pValueGrid = pEx;
    return pGrid;
}

void CProjectEditDlg::SetUpGrids() {
    m_pSectionGrid->InsertColumn(0, QString(), true, LVCFMT_CENTER, 30);
    m_pSectionGrid->SetColumnButton(0);
    m_pSectionGrid->InsertColumn(1, QStringLiteral("セクション"), false, LVCFMT_LEFT, 220);
    m_pEntryGrid->InsertColumn(0, QString(), true, LVCFMT_CENTER, 30);
    m_pEntryGrid->SetColumnButton(0);
    m_pEntryGrid->InsertColumn(1, QStringLiteral("エントリ"), false, LVCFMT_LEFT, 220);
    m_pValueGrid->InsertColumn(0, QString(), true, LVCFMT_CENTER, 30);
    m_pValueGrid->SetColumnButton(0);
    m_pValueGrid->InsertColumn(1, QString(), true, LVCFMT_CENTER, 30);
    m_pValueGrid->SetColumnButton(1);
    m_pValueGrid->InsertColumn(2, QStringLiteral("値"), false, LVCFMT_LEFT, 175);
    m_pValueGrid->InsertColumn(3, QStringLiteral("名称"), false, LVCFMT_LEFT, 225);

    m_pSectionGrid->SetNotifyHandler([this](const GRIDNOTIFY& n) { OnSectionNotify(n); });
    m_pEntryGrid->SetNotifyHandler([this](const GRIDNOTIFY& n) { OnEntryNotify(n); });
    m_pValueGrid->SetNotifyHandler([this](const GRIDNOTIFY& n) { OnValueNotify(n); });
    for (CListCtrlEx* pGrid : {m_pSectionGrid, m_pEntryGrid, m_pValueGrid})
        pGrid->SetCaretOnShow(2);
    m_pSectionGrid->SetKeyMoves(kTabMoveCodes, -1, -1, -1, -1, -1);
    m_pEntryGrid->SetKeyMoves(kTabMoveCodes, -1, -1, -1, -1, -1);
    m_pValueGrid->SetKeyMoves(kTabMoveValues, -1, -1, -1, -1, -1);
    m_pSectionGrid->SetEndEditCallback(&CProjectEditDlg::CodeCheck, this);
    m_pEntryGrid->SetEndEditCallback(&CProjectEditDlg::CodeCheck, this);
    m_pValueGrid->SetEndEditCallback(&CProjectEditDlg::ValueCheck, this);
    m_pSectionGrid->SetKeyMoveCallback(&CProjectEditDlg::CodeKeyMove, this);
    m_pEntryGrid->SetKeyMoveCallback(&CProjectEditDlg::CodeKeyMove, this);
    m_pValueGrid->SetKeyMoveCallback(&CProjectEditDlg::ValueKeyMove, this);
    // Tab without an open editor never reaches the key-move callback.
    m_pValueGrid->installEventFilter(this);
    m_pSectionGrid->SetAppendRow(true);
}

void CProjectEditDlg::FillSectionGrid() {
    CRedrawOff redrawOff{m_pSectionGrid};
    for (CSectionData* p = m_pProject->FirstSection(); p; p = p->NextSection())
        AddSectionRow(m_pSectionGrid->GetItemCount(), p);
}

int CProjectEditDlg::AddSectionRow(int nRow, CSectionData* pSection) {
    const int row = m_pSectionGrid->InsertItem(LVIF_TEXT | LVIF_PARAM, nRow, kMinus, 0, 0,
                                               quintptr(pSection), false);
    if (row < 0)
        return row;
    m_pSectionGrid->SetItemText(row, kCodeColumn, pSection->m_strCode);
    m_pSectionGrid->SetCellReadOnly(row, kDeleteColumn, false);
    return row;
}

int CProjectEditDlg::AddEntryRow(int nRow, CEntryData* pEntry) {
    const int row = m_pEntryGrid->InsertItem(LVIF_TEXT | LVIF_PARAM, nRow, kMinus, 0, 0,
                                             quintptr(pEntry), false);
    if (row < 0)
        return row;
    m_pEntryGrid->SetItemText(row, kCodeColumn, pEntry->m_strCode);
    m_pEntryGrid->SetCellReadOnly(row, kDeleteColumn, false);
    return row;
}

int CProjectEditDlg::AddValueRow(int nRow, CValueData* pValue) {
    const int row = m_pValueGrid->InsertItem(LVIF_TEXT | LVIF_PARAM, nRow, kPlus, 0, 0,
                                             quintptr(pValue), false);
    if (row < 0)
        return row;
    m_pValueGrid->SetItemText(row, kValueDeleteColumn, kMinus);
    m_pValueGrid->SetItemText(row, kValueColumn, pValue->m_strCode);
    m_pValueGrid->SetItemText(row, kNameColumn, pValue->m_strName);
    m_pValueGrid->SetCellReadOnly(row, kInsertColumn, false);
    m_pValueGrid->SetCellReadOnly(row, kValueDeleteColumn, false);
    return row;
}

// ---------------------------------------------------------------- selecting

bool CProjectEditDlg::SelectSection(CSectionData* pSection, int nCol, bool bFocus, bool bReload) {
    const int row = RowOf(m_pSectionGrid, pSection);
    if (row < 0)
        return false;
    int curCol = -1;
    const int curRow = CurrentRow(m_pSectionGrid, &curCol);
    if (curRow >= 0) {
        m_pSectionGrid->SetCurrentCell(row, nCol == -1 ? curCol : nCol, true, false);
        if (row != curRow || bReload) {
            m_pCurEntry = nullptr;
            LoadEntries(pSection);
        }
    } else {
        m_pSectionGrid->SetCurrentCell(row, nCol == -1 ? kCodeColumn : nCol, true, false);
        m_pCurEntry = nullptr;
        LoadEntries(pSection);
    }
    m_pCurSection = pSection;
    if (bFocus)
        m_pSectionGrid->setFocus(Qt::OtherFocusReason);
    return true;
}

void CProjectEditDlg::LoadEntries(CSectionData* pSection) {
    m_pEntryGrid->DeleteAllItems();
    m_pEntryGrid->SetAppendRow(true);
    for (CEntryData* p = pSection->FirstEntry(); p; p = p->NextEntry())
        AddEntryRow(m_pEntryGrid->GetItemCount(), p);
    m_pEntryGrid->SetCurrentCell(0, kCodeColumn, true, false);
    if (auto* pFirst = RecordOf<CEntryData>(m_pEntryGrid, 0)) {
        if (pFirst != m_pCurEntry)
            SelectEntry(pFirst, -1, false, true);
    } else {
        // A section without entries shows no values, whichever entry was shown before.
        m_pCurEntry = nullptr;
        ClearValueGrid();
    }
}

bool CProjectEditDlg::SelectEntry(CEntryData* pEntry, int nCol, bool bFocus, bool bReload) {
    if (!SelectSection(static_cast<CSectionData*>(pEntry->m_pParent), -1, false, false))
        return false;
    const int row = RowOf(m_pEntryGrid, pEntry);
    if (row < 0)
        return false;
    int curCol = -1;
    const int curRow = CurrentRow(m_pEntryGrid, &curCol);
    if (curRow >= 0) {
        m_pEntryGrid->SetCurrentCell(row, nCol == -1 ? curCol : nCol, true, false);
        if (row != curRow || bReload)
            LoadValues(pEntry);
    } else {
        m_pEntryGrid->SetCurrentCell(row, nCol == -1 ? kCodeColumn : nCol, true, false);
        LoadValues(pEntry);
    }
    m_pCurEntry = pEntry;
    if (bFocus)
        m_pEntryGrid->setFocus(Qt::OtherFocusReason);
    return true;
}

void CProjectEditDlg::LoadValues(CEntryData* pEntry) {
    m_pValueGrid->DeleteAllItems();
    m_pValueGrid->SetAppendRow(true);
    for (CValueData* p = pEntry->FirstValue(); p; p = p->NextValue())
        AddValueRow(m_pValueGrid->GetItemCount(), p);
    if (m_pValueGrid->GetItemCount() > 0)
        m_pValueGrid->SetCurrentCell(0, kValueColumn, true, false);
}

void CProjectEditDlg::SelectValue(CValueData* pValue, int nCol) {
    if (!SelectEntry(static_cast<CEntryData*>(pValue->m_pParent), -1, false, false))
        return;
    const int row = RowOf(m_pValueGrid, pValue);
    if (row < 0)
        return;
    int curCol = -1;
    const int curRow = CurrentRow(m_pValueGrid, &curCol);
    int col = nCol;
    if (col == -1)
        col = curRow >= 0 ? curCol : kValueColumn;
    m_pValueGrid->SetCurrentCell(row, col, true, false);
    m_pValueGrid->setFocus(Qt::OtherFocusReason);
}

void CProjectEditDlg::ClearValueGrid() {
    m_pValueGrid->SetAppendRow(false);
    m_pValueGrid->DeleteAllItems();
}

void CProjectEditDlg::ClearEntryGrid() {
    m_pEntryGrid->SetAppendRow(false);
    m_pEntryGrid->DeleteAllItems();
}

CSectionData* CProjectEditDlg::CurrentSectionRow() const {
    return RecordOf<CSectionData>(m_pSectionGrid, CurrentRow(m_pSectionGrid));
}

CEntryData* CProjectEditDlg::CurrentEntryRow() const {
    return RecordOf<CEntryData>(m_pEntryGrid, CurrentRow(m_pEntryGrid));
}

int CProjectEditDlg::RowAfterDelete(CListCtrlEx* pGrid, int nDeleted, int* pCol) {
    int col = -1;
    int row = CurrentRow(pGrid, &col);
    if (row < 0) {
        // The current row went with the deleted one: its place is taken by the next row.
        row = std::min(nDeleted, pGrid->GetItemCount() - 1);
        col = -1;
    }
    *pCol = col;
    return row;
}

// ---------------------------------------------------------------- notifications

void CProjectEditDlg::OnSectionNotify(const GRIDNOTIFY& n) {
    switch (n.code) {
    case Pelmo::GN_APPENDROW:
        OnAppendRow(m_pSectionGrid, n.nRow);
        break;
    case Pelmo::GN_CURCELLCHANGED:
        OnSectionRowChanged(n.nRow);
        break;
    case Pelmo::GN_CELLCHANGED:
        OnSectionEdited(n.nRow, n.nEvent == Pelmo::GE_APPEND_EDITED);
        break;
    case Pelmo::GN_BUTTONCLICK:
        if (n.nCol == kDeleteColumn)
            OnSectionDelete(n.nRow);
        break;
    case Pelmo::GN_COPY:
        OnCopy(m_pSectionGrid, true);
        break;
    case Pelmo::GN_PASTE:
        OnSectionPaste(static_cast<const Pelmo::GRIDPASTENOTIFY&>(n).strText);
        break;
    default:
        break;
    }
}

void CProjectEditDlg::OnEntryNotify(const GRIDNOTIFY& n) {
    switch (n.code) {
    case Pelmo::GN_APPENDROW:
        OnAppendRow(m_pEntryGrid, n.nRow);
        break;
    case Pelmo::GN_CURCELLCHANGED:
        OnEntryRowChanged(n.nRow);
        break;
    case Pelmo::GN_CELLCHANGED:
        OnEntryEdited(n.nRow, n.nEvent == Pelmo::GE_APPEND_EDITED);
        break;
    case Pelmo::GN_BUTTONCLICK:
        if (n.nCol == kDeleteColumn)
            OnEntryDelete(n.nRow);
        break;
    case Pelmo::GN_COPY:
        OnCopy(m_pEntryGrid, true);
        break;
    case Pelmo::GN_PASTE:
        OnEntryPaste(static_cast<const Pelmo::GRIDPASTENOTIFY&>(n).strText);
        break;
    default:
        break;
    }
}

void CProjectEditDlg::OnValueNotify(const GRIDNOTIFY& n) {
    switch (n.code) {
    case Pelmo::GN_APPENDROW:
        OnAppendRow(m_pValueGrid, n.nRow);
        break;
    case Pelmo::GN_CELLCHANGED:
        OnValueEdited(n.nRow, n.nEvent == Pelmo::GE_APPEND_EDITED);
        break;
    case Pelmo::GN_BUTTONCLICK:
        if (n.nCol == kInsertColumn)
            OnValueInsert(n.nRow);
        else if (n.nCol == kValueDeleteColumn)
            OnValueDelete(n.nRow);
        break;
    case Pelmo::GN_COPY:
        OnCopy(m_pValueGrid, false);
        break;
    default:
        // A paste on the values grid has nothing to go into yet: it is left alone.
        break;
    }
}

void CProjectEditDlg::OnAppendRow(CListCtrlEx* pGrid, int nRow) {
    if (pGrid == m_pValueGrid) {
        pGrid->SetItemText(nRow, kInsertColumn, kPlus);
        pGrid->SetItemText(nRow, kValueDeleteColumn, kMinus);
    } else {
        pGrid->SetItemText(nRow, kDeleteColumn, kMinus);
    }
}

void CProjectEditDlg::OnSectionRowChanged(int nRow) {
    if (IsAppendRow(m_pSectionGrid, nRow)) {
        if (!m_pCurSection)
            return;
        m_pCurSection = nullptr;
        ClearValueGrid();
        m_pCurEntry = nullptr;
        ClearEntryGrid();
        return;
    }
    CSectionData* pSection = RecordOf<CSectionData>(m_pSectionGrid, nRow);
    if (pSection && pSection != m_pCurSection)
        SelectSection(pSection, -1, false, true);
}

void CProjectEditDlg::OnEntryRowChanged(int nRow) {
    if (IsAppendRow(m_pEntryGrid, nRow)) {
        if (!m_pCurEntry)
            return;
        m_pCurEntry = nullptr;
        ClearValueGrid();
        return;
    }
    CEntryData* pEntry = RecordOf<CEntryData>(m_pEntryGrid, nRow);
    if (pEntry && pEntry != m_pCurEntry)
        SelectEntry(pEntry, -1, false, true);
}

void CProjectEditDlg::OnSectionEdited(int nRow, bool bAppend) {
    const QString text = m_pSectionGrid->GetItemText(nRow, kCodeColumn);
    if (!bAppend) {
        if (auto* pSection = RecordOf<CSectionData>(m_pSectionGrid, nRow))
            pSection->m_strCode = text;
        return;
    }
    CSectionData* pSection = m_pProject->AppendSection(text, QString());
    m_pSectionGrid->SetItemData(nRow, quintptr(pSection));
    m_pSectionGrid->SetCellReadOnly(nRow, kDeleteColumn, false);
    SelectSection(pSection, kCodeColumn, false, true);
    MarkJustAppended(pSection);
}

void CProjectEditDlg::OnEntryEdited(int nRow, bool bAppend) {
    const QString text = m_pEntryGrid->GetItemText(nRow, kCodeColumn);
    if (!bAppend) {
        if (auto* pEntry = RecordOf<CEntryData>(m_pEntryGrid, nRow))
            pEntry->m_strCode = text;
        return;
    }
    CSectionData* pSection = CurrentSectionRow();
    if (!pSection)
        return;
    CEntryData* pEntry = pSection->AppendEntry(text, QString());
    m_pEntryGrid->SetItemData(nRow, quintptr(pEntry));
    m_pEntryGrid->SetCellReadOnly(nRow, kDeleteColumn, false);
    SelectEntry(pEntry, kCodeColumn, false, true);
    MarkJustAppended(pEntry);
}

void CProjectEditDlg::OnValueEdited(int nRow, bool bAppend) {
    const QString value = m_pValueGrid->GetItemText(nRow, kValueColumn);
    const QString name = m_pValueGrid->GetItemText(nRow, kNameColumn);
    if (!bAppend) {
        if (auto* pValue = RecordOf<CValueData>(m_pValueGrid, nRow)) {
            pValue->m_strCode = value;
            pValue->m_strName = name;
        }
        return;
    }
    CEntryData* pEntry = CurrentEntryRow();
    if (!pEntry)
        return;
    CValueData* pValue = pEntry->AppendValue(value, name);
    m_pValueGrid->SetItemData(nRow, quintptr(pValue));
    m_pValueGrid->SetCellReadOnly(nRow, kInsertColumn, false);
    m_pValueGrid->SetCellReadOnly(nRow, kValueDeleteColumn, false);
}

void CProjectEditDlg::OnSectionDelete(int nRow) {
    CSectionData* pSection = RecordOf<CSectionData>(m_pSectionGrid, nRow);
    if (!pSection)
        return;
    if (pSection != m_pCurSection) {
        m_pProject->RemoveChild(pSection);
        m_pSectionGrid->DeleteItem(nRow);
        return;
    }
    CRedrawOff redrawOff{m_pSectionGrid, m_pEntryGrid, m_pValueGrid};
    ClearValueGrid();
    ClearEntryGrid();
    // Nothing may point at the records about to go.
    m_pCurEntry = nullptr;
    m_pCurSection = nullptr;
    m_pProject->RemoveChild(pSection);
    m_pSectionGrid->DeleteItem(nRow);
    int col = -1;
    const int row = RowAfterDelete(m_pSectionGrid, nRow, &col);
    if (row < 0)
        return;
    if (IsAppendRow(m_pSectionGrid, row)) {
        m_pSectionGrid->SetCurrentCell(row, col == -1 ? kCodeColumn : col, true, false);
        return;
    }
    SelectSection(RecordOf<CSectionData>(m_pSectionGrid, row), col, true, true);
}

void CProjectEditDlg::OnEntryDelete(int nRow) {
    CEntryData* pEntry = RecordOf<CEntryData>(m_pEntryGrid, nRow);
    if (!pEntry)
        return;
    CBaseData* pSection = pEntry->m_pParent;
    if (pEntry != m_pCurEntry) {
        pSection->RemoveChild(pEntry);
        m_pEntryGrid->DeleteItem(nRow);
        return;
    }
    CRedrawOff redrawOff{m_pValueGrid};
    ClearValueGrid();
    m_pCurEntry = nullptr;
    pSection->RemoveChild(pEntry);
    m_pEntryGrid->DeleteItem(nRow);
    int col = -1;
    const int row = RowAfterDelete(m_pEntryGrid, nRow, &col);
    if (row < 0)
        return;
    if (IsAppendRow(m_pEntryGrid, row)) {
        m_pEntryGrid->SetCurrentCell(row, col == -1 ? kCodeColumn : col, true, false);
        return;
    }
    SelectEntry(RecordOf<CEntryData>(m_pEntryGrid, row), col, true, true);
}

void CProjectEditDlg::OnValueInsert(int nRow) {
    CValueData* pBefore = RecordOf<CValueData>(m_pValueGrid, nRow);
    if (!pBefore)
        return;
    CBaseData* pEntry = pBefore->m_pParent;
    auto* pValue = static_cast<CValueData*>(
        pEntry->InsertChildBefore(std::make_unique<CValueData>(), pBefore));
    if (!pValue)
        return;
    const int row = AddValueRow(nRow, pValue);
    if (row < 0)
        return;
    // The new value is typed at once, without a click into it first.
    m_pValueGrid->SetCurrentCell(row, kValueColumn, true, false);
    m_pValueGrid->setFocus(Qt::OtherFocusReason);
}

void CProjectEditDlg::OnValueDelete(int nRow) {
    CValueData* pValue = RecordOf<CValueData>(m_pValueGrid, nRow);
    if (!pValue)
        return;
    pValue->m_pParent->RemoveChild(pValue);
    m_pValueGrid->DeleteItem(nRow);
    int col = -1;
    const int row = RowAfterDelete(m_pValueGrid, nRow, &col);
    if (row < 0)
        return;
    if (IsAppendRow(m_pValueGrid, row))
        m_pValueGrid->SetCurrentCell(row, col == -1 ? kValueColumn : col, true, false);
    else
        SelectValue(RecordOf<CValueData>(m_pValueGrid, row), col);
}

void CProjectEditDlg::OnCopy(CListCtrlEx* pGrid, bool bCodeColumnOnly) {
    int col = -1;
    const int row = CurrentRow(pGrid, &col);
    if (row < 0 || (bCodeColumnOnly && col != kCodeColumn))
        return;
    const QString text = pGrid->GetItemText(row, col);
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void CProjectEditDlg::OnSectionPaste(const QString& text) {
    int col = -1;
    const int row = CurrentRow(m_pSectionGrid, &col);
    if (row < 0 || col != kCodeColumn)
        return;
    const QString code = FirstLine(text);
    if (code.isEmpty())
        return;
    if (!IsAppendRow(m_pSectionGrid, row)) {
        if (auto* pSection = RecordOf<CSectionData>(m_pSectionGrid, row)) {
            pSection->m_strCode = code;
            m_pSectionGrid->SetItemText(row, kCodeColumn, code);
        }
        return;
    }
    CSectionData* pSection = m_pProject->AppendSection(code, QString());
    const int newRow = AddSectionRow(row, pSection);
    m_pSectionGrid->SetCurrentCell(newRow, kCodeColumn, true, false);
    SelectSection(pSection, kCodeColumn, false, true);
}

void CProjectEditDlg::OnEntryPaste(const QString& text) {
    int col = -1;
    const int row = CurrentRow(m_pEntryGrid, &col);
    if (row < 0 || col != kCodeColumn)
        return;
    const QString code = FirstLine(text);
    if (code.isEmpty())
        return;
    if (!IsAppendRow(m_pEntryGrid, row)) {
        if (auto* pEntry = RecordOf<CEntryData>(m_pEntryGrid, row)) {
            pEntry->m_strCode = code;
            m_pEntryGrid->SetItemText(row, kCodeColumn, code);
        }
        return;
    }
    CSectionData* pSection = CurrentSectionRow();
    if (!pSection)
        return;
    CEntryData* pEntry = pSection->AppendEntry(code, QString());
    const int newRow = AddEntryRow(row, pEntry);
    m_pEntryGrid->SetCurrentCell(newRow, kCodeColumn, true, false);
    SelectEntry(pEntry, kCodeColumn, false, true);
}

// ---------------------------------------------------------------- callbacks

bool CProjectEditDlg::CodeCheck(CListCtrlEx*, int, int, const QString& strNew, QString* pStore,
                                void*) {
    const QString code = Text::Trim(strNew);
    if (code.isEmpty())
        return false;
    *pStore = code;
    return true;
}

bool CProjectEditDlg::ValueCheck(CListCtrlEx*, int, int, const QString& strNew, QString* pStore,
                                 void*) {
    *pStore = Text::Trim(strNew);
    return true;
}

bool CProjectEditDlg::ValueKeyMove(CListCtrlEx* pGrid, int nRow, int nCol, int nKey, bool bShift,
                                   void* pData) {
    if (nKey == kKeyTab) {
        auto* pDlg = static_cast<CProjectEditDlg*>(pData);
        if (!pDlg->TabToTextCell(nRow, nCol, bShift))
            pDlg->focusNextPrevChild(!bShift);
        return false;
    }
    if (nKey != kKeyEnter)
        return true;
    if (nCol < kNameColumn)
        pGrid->SetCurrentCell(nRow, nCol + 1, true, false);
    else if (nRow + 1 < pGrid->GetItemCount())
        pGrid->SetCurrentCell(nRow + 1, kValueColumn, true, false);
    return false;
}

bool CProjectEditDlg::CodeKeyMove(CListCtrlEx* pGrid, int nRow, int, int nKey, bool, void* pData) {
    auto* pDlg = static_cast<CProjectEditDlg*>(pData);
    const void* pAppended = std::exchange(pDlg->m_pJustAppended, nullptr);
    // Enter that made a section or entry of the append row keeps it current, with its empty
    // entries or values beside it; moving on to the next append row would hide them.
    return !(nKey == kKeyEnter && pAppended && pGrid->GetItemData(nRow) == quintptr(pAppended));
}

void CProjectEditDlg::MarkJustAppended(const void* pRecord) {
    m_pJustAppended = pRecord;
    // A commit by a click has no key to follow it: the mark must not outlive this event.
    QTimer::singleShot(0, this, [this] { m_pJustAppended = nullptr; });
}

bool CProjectEditDlg::TabToTextCell(int nRow, int nCol, bool bBack) {
    int row = nRow;
    int col = kValueColumn;
    if (!bBack) {
        if (nCol == kValueColumn)
            col = kNameColumn;
        else if (nCol == kNameColumn)
            ++row;
    } else if (nCol == kNameColumn) {
        col = kValueColumn;
    } else {
        --row;
        col = kNameColumn;
    }
    if (row < 0 || row >= m_pValueGrid->GetItemCount())
        return false;
    m_pValueGrid->SetCurrentCell(row, col, true, false);
    return true;
}

bool CProjectEditDlg::eventFilter(QObject* pWatched, QEvent* pEvent) {
    if (pWatched != m_pValueGrid || pEvent->type() != QEvent::KeyPress)
        return QDialog::eventFilter(pWatched, pEvent);
    const auto* pKey = static_cast<QKeyEvent*>(pEvent);
    const bool bTab = pKey->key() == Qt::Key_Tab || pKey->key() == Qt::Key_Backtab;
    if (!bTab || (pKey->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) ||
        m_pValueGrid->IsEditing())
        return false;
    const bool bBack = pKey->key() == Qt::Key_Backtab || (pKey->modifiers() & Qt::ShiftModifier);
    int col = -1;
    const int row = CurrentRow(m_pValueGrid, &col);
    if (row < 0 || !TabToTextCell(row, col, bBack))
        focusNextPrevChild(!bBack);
    return true;
}

// ---------------------------------------------------------------- OK and import

bool CProjectEditDlg::CheckTree() {
    for (CSectionData* s = m_pProject->FirstSection(); s; s = s->NextSection()) {
        for (CSectionData* t = s->NextSection(); t; t = t->NextSection()) {
            if (Text::EqualNoCase(s->m_strCode, t->m_strCode)) {
                SelectSection(t, kCodeColumn, true, false);
                ShowMessage(QStringLiteral("セクションが重複しています"));
                return false;
            }
        }
        for (CEntryData* e = s->FirstEntry(); e; e = e->NextEntry()) {
            for (CEntryData* f = e->NextEntry(); f; f = f->NextEntry()) {
                if (Text::EqualNoCase(e->m_strCode, f->m_strCode)) {
                    SelectEntry(f, kCodeColumn, true, false);
                    ShowMessage(QStringLiteral("エントリが重複しています"));
                    return false;
                }
            }
            for (CValueData* v = e->FirstValue(); v; v = v->NextValue()) {
                for (CValueData* w = v->NextValue(); w; w = w->NextValue()) {
                    if (v->m_strCode == w->m_strCode) {
                        SelectValue(w, kValueColumn);
                        ShowMessage(QStringLiteral("値が重複しています"));
                        return false;
                    }
                }
            }
        }
    }
    return true;
}

void CProjectEditDlg::OnOK() {
    // An edit still open in a grid is part of what the user means to save.
    for (CListCtrlEx* pGrid : {m_pSectionGrid, m_pEntryGrid, m_pValueGrid}) {
        if (pGrid->IsEditing())
            pGrid->EndEdit();
    }
    if (!CheckTree())
        return;
    const QString name = Text::Trim(m_pNameEdit->text());
    if (name.isEmpty()) {
        ShowMessage(QStringLiteral("値リスト名を入力してください"));
        m_pNameEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (IsNameTaken(name)) {
        ShowMessage(QStringLiteral("同じ名前の値リストがあります"));
        m_pNameEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    m_pProject->m_strName = name;
    if (!m_pDataBase || !m_pDataBase->SaveProject(m_pProject.get())) {
        ShowMessage(QStringLiteral("保存に失敗しました"));
        return;
    }
    accept();
}

bool CProjectEditDlg::IsNameTaken(const QString& name) const {
    // A name left as it was saves as before, even where a database from elsewhere holds two.
    if (m_bEditExisting && name == m_pIdName->m_strName)
        return false;
    std::vector<std::unique_ptr<CRecordIdName>> names;
    if (!m_pDataBase || !m_pDataBase->LoadProjectNames(names))
        return false;
    return std::any_of(names.begin(), names.end(), [&](const std::unique_ptr<CRecordIdName>& p) {
        return p->m_nPid != m_pProject->m_nPid && Text::EqualNoCase(p->m_strName, name);
    });
}

void CProjectEditDlg::OnImport() {
    if (!m_pIniData)
        return;
    if (m_pProject->FirstSection() &&
        Ui::MessageBox(this,
                       QStringLiteral("現在の値リストに、開いているファイルのセクションとエントリを"
                                      "追加します。よろしいですか？"),
                       QStringLiteral("値リスト"), Ui::MB_YESNO | Ui::MB_ICONQUESTION) != Ui::IDYES)
        return;
    // The merge deletes no record, so what was shown can be shown again afterwards.
    CSectionData* pShownSection = m_pCurSection;
    CEntryData* pShownEntry = m_pCurEntry;
    {
        CRedrawOff redrawOff{m_pSectionGrid, m_pEntryGrid, m_pValueGrid};
        m_pCurSection = nullptr;
        m_pCurEntry = nullptr;
        ClearValueGrid();
        ClearEntryGrid();
        m_pSectionGrid->DeleteAllItems();
        MergeIniData();
    }
    FillSectionGrid();
    if (pShownEntry)
        SelectEntry(pShownEntry, -1, false, true);
    else if (pShownSection)
        SelectSection(pShownSection, -1, false, true);
}

void CProjectEditDlg::MergeIniData() {
    QHash<QString, CSectionData*> sections = ByCode<CSectionData>(m_pProject.get());
    CSectionData* pLastSection = nullptr;
    for (const auto& pIniSection : m_pIniData->m_sections) {
        pLastSection = FindOrInsert(m_pProject.get(), sections, pLastSection, pIniSection->m_name);
        QHash<QString, CEntryData*> entries = ByCode<CEntryData>(pLastSection);
        CEntryData* pLastEntry = nullptr;
        for (const auto& pIniEntry : pIniSection->m_entries)
            pLastEntry = FindOrInsert(pLastSection, entries, pLastEntry, pIniEntry->m_key);
    }
}
