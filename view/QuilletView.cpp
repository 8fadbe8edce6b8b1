#include "view/QuilletView.h"

#include "view/ColumnFit.h"

#include "grid/ListCtrlBase.h"
#include "ini/IniData.h"
#include "res/Resource.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "view/CompareExport.h"
#include "view/DetachedRecords.h"
#include "view/MergeMode.h"
#include "view/RuleCommands.h"
#include "view/RuleMarks.h"
#include "view/ViewHost.h"
#include "view/ViewSnapshot.h"

#include <QMouseEvent>
#include <QResizeEvent>
#include <QUndoStack>
#include <algorithm>
#include <set>

namespace {
constexpr unsigned kGridStyle = 0x50010000; // WS_CHILD | WS_VISIBLE | WS_TABSTOP
constexpr COLORREF kYellow = 0x00E6E6;      // changed or added cells
constexpr int kValueColumn = 2;
constexpr int kValueListColumn = 3;
constexpr int kValueListRows = 10;
constexpr int kRowHeaderWidth = 50;
const QString kInitialMark = QStringLiteral("(初期値)");

// A "value\nlabel" choice is listed as its display name with the value beside it, "HD
// (1280x720)", so that the user sees what a pick writes and can type either; a value without
// a display name, or named as itself, is listed by its value alone.
QString LabelledChoice(const QString& choice) {
    const qsizetype lf = choice.indexOf(u'\n');
    if (lf < 0)
        return choice;
    const QString value = choice.left(lf);
    QString name = choice.mid(lf + 1);
    const bool bInitial = name.endsWith(kInitialMark);
    if (bInitial)
        name.chop(kInitialMark.size());
    const QString shown =
        name.isEmpty() || name == value ? value : QStringLiteral("%1 (%2)").arg(name, value);
    return value + u'\n' + shown + (bInitial ? kInitialMark : QString());
}

struct ColumnSpec {
    const char16_t* heading;
    bool bReadOnly;
};
constexpr ColumnSpec kColumns[] = {
    {u"セクション", true}, {u"エントリ", true}, {u"値", false}, {u"値リスト", false}};

quintptr ItemDataOf(CObject* pRecord) {
    return reinterpret_cast<quintptr>(pRecord);
}
} // namespace

CQuilletView::CQuilletView(CViewHost* host, QWidget* parent) : QWidget(parent), m_pHost(host) {
    OnCreate();
}

CQuilletView::~CQuilletView() {
    // QWidget deletes the history after this body; clearing a non-empty history reports a new
    // index, which must not reach a view that is half gone.
    if (m_pUndoStack)
        m_pUndoStack->disconnect(this);
    // The grid's viewport reports events while the grid is being destroyed; by then the
    // filter could not ask the grid which viewport it is.
    if (m_pGrid)
        m_pGrid->viewport()->removeEventFilter(this);
}

void CQuilletView::OnCreate() {
    m_pGrid = std::make_unique<Pelmo::CListCtrlBase>();
    m_pGrid->Create(kGridStyle, QRect(), this, Res::IDC_GRID);
    m_pGrid->setAccessibleName(QStringLiteral("エントリ一覧")); // what a screen reader calls it
    m_pGrid->SetFont(QStringLiteral("ＭＳ ゴシック"), 11, false, false);
    m_pGrid->SetHeaderFont(QStringLiteral("ＭＳ ゴシック"), 11, false, false);
    m_pGrid->SetCaretOnShow(2);
    m_pGrid->SetEndEditCallback(&CQuilletView::OnEndEdit, this);
    m_pGrid->SetNotifyHandler([this](const Pelmo::GRIDNOTIFY& n) { OnGridNotify(n); });
    // The grid reports no double-click of its own; the view watches for it on the cells.
    m_pGrid->viewport()->installEventFilter(this);
    m_pColumnFit = new CColumnFit(m_pGrid.get(), this);
    CreateNavigationKeys();
    CreateUndoKeys();
    CreateDifferencesAction();
    m_pRuleCommands = new CRuleCommands(this);
    m_pExport = new CCompareExport(this, m_pGrid.get(), [this] { return m_pCompare; });
}

void CQuilletView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (m_pGrid)
        m_pGrid->SetGridSize(event->size().width(), event->size().height());
    if (m_pColumnFit)
        m_pColumnFit->Fit();
}

void CQuilletView::OnUpdate(QWidget*, int hint, quintptr object) {
    switch (hint) {
    case Res::HINT_CLEAR:
        ClearView();
        break;
    case Res::HINT_SHOW_FILE:
        ShowFile(reinterpret_cast<CIniData*>(object));
        break;
    case Res::HINT_ADDED:
        ShowAddedEntries();
        break;
    case Res::HINT_SHOW_COMPARE:
        ShowCompare(reinterpret_cast<CIniCompare*>(object));
        break;
    case Res::HINT_ADDED_COMPARE:
        ShowAddedCompareEntries();
        break;
    case Res::HINT_SHOW_MERGE:
        ShowMerge(reinterpret_cast<const CMergeStart*>(object));
        break;
    case Res::HINT_VALUE_LISTS_CHANGED:
        ReloadValueList();
        break;
    case Res::HINT_SELECT_VALUE_LIST:
        SelectValueList(int(qintptr(object)));
        break;
    default:
        break;
    }
    UpdateNavigationKeys();
}

bool CQuilletView::eventFilter(QObject* watched, QEvent* event) {
    if (m_pGrid && watched == m_pGrid->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        Pelmo::GRIDHITTEST hit;
        if (mouse->button() == Qt::LeftButton &&
            m_pGrid->HitTestCell(mouse->globalPosition().toPoint(), &hit) &&
            hit.nArea == Pelmo::GHT_CELL)
            OnGridDblClk(hit.nRow, hit.nCol);
    }
    return QWidget::eventFilter(watched, event);
}

void CQuilletView::CommitEdit() {
    if (m_pGrid && m_pGrid->IsEditing())
        m_pGrid->EndEdit();
}

// --- showing one file ---

void CQuilletView::ShowFile(CIniData* pIni) {
    if (!pIni)
        return;
    if (m_pGrid->GetColumnCount() > 0)
        ClearView();
    ClearUndoHistory();
    m_pIni = pIni;
    const bool bReload = m_pIni->m_pProject != nullptr;
    if (!bReload)
        m_bDefaultFilter = false; // another file: all of it shows
    if (bReload) {
        // A reload carries the user's choice in the bar, and "none" (PID 0) is a choice too:
        // falling back to the history here would bring back a list the user switched off.
        const int nPid = m_pIni->m_pProject->GetPid();
        m_pIni->m_pProject.reset();
        LoadProject(nPid);
        m_bValueListOff = nPid <= 0;
    } else if (CProjectDataBase* db = m_pHost->DataBase()) {
        m_pIni->SetProject(db->LoadProjectByFilePath(m_pIni->m_filePath));
        RefreshRuleMarks();
        m_bValueListOff = false;
    }
    SetupColumns();
    FillRows();
    // A reload keeps the filter the user chose.
    if (m_bDefaultFilter && ShowsRules())
        HideDefaultRows();
    m_pColumnFit->Start();
    // Asked once when a file opens, not again after each save reloads it.
    if (!bReload)
        OfferMissingRequired();
    CProjectData* project = Project();
    m_pHost->SendMessage(Res::WM_REFRESH_VALUE_LISTS, quintptr(project ? project->GetPid() : 0), 0);
}

void CQuilletView::LoadProject(int nPid) {
    m_pIni->m_pProject.reset();
    CProjectDataBase* db = m_pHost->DataBase();
    if (nPid > 0 && db)
        m_pIni->SetProject(db->LoadProject(nPid));
    RefreshRuleMarks();
}

CProjectData* CQuilletView::Project() const {
    return m_pIni ? m_pIni->m_pProject.get() : nullptr;
}

void CQuilletView::SetRedraw(bool bOn) {
    m_pGrid->setUpdatesEnabled(bOn);
}

void CQuilletView::SetupColumns() {
    const std::map<int, int>& widths = m_pHost->ColumnWidths();
    int nWidth = 0;
    for (int nCol = 0; nCol < int(std::size(kColumns)); ++nCol) {
        // A column without a stored width takes the previous one's.
        if (auto it = widths.find(nCol); it != widths.end())
            nWidth = it->second;
        m_pGrid->InsertColumn(nCol, QString::fromUtf16(kColumns[nCol].heading),
                              kColumns[nCol].bReadOnly, LVCFMT_LEFT, nWidth, -1);
    }
    m_pGrid->SetColumnChoiceCallback(kValueListColumn, &CQuilletView::OnFillChoices,
                                     &CQuilletView::OnGetChoiceText, kValueListRows, QChar(u'\n'),
                                     this);
    m_pGrid->SetRowHeaderWidth(kRowHeaderWidth);
}

void CQuilletView::FillEntryCells(int nRow, CIniEntryData* pEntry) {
    m_pGrid->SetItemText(nRow, 1, pEntry->Key());
    m_pGrid->SetItemText(nRow, kValueColumn, pEntry->Value());
    m_pGrid->SetItemText(nRow, kValueListColumn, pEntry->Value());
    m_pGrid->SetItemData(nRow, ItemDataOf(pEntry));
}

void CQuilletView::FillRows() {
    SetRedraw(false);
    size_t nRows = 0;
    for (const auto& section : m_pIni->m_sections)
        nRows += std::max<size_t>(1, section->m_entries.size());
    m_pGrid->ReserveItems(m_pGrid->GetItemCount() + int(nRows));
    std::vector<int> rowsWithoutEntry;
    // A list without rules marks nothing: its rows need no look.
    const bool bRules = ShowsRules();
    int nRow = 0;
    for (const auto& section : m_pIni->m_sections) {
        if (section->m_entries.empty()) {
            m_pGrid->InsertItem(LVIF_TEXT | LVIF_PARAM, nRow, section->m_name, 0, 0,
                                ItemDataOf(section.get()), false);
            m_pGrid->SetCellReadOnly(nRow, kValueColumn, true);
            rowsWithoutEntry.push_back(nRow);
            ++nRow;
            continue;
        }
        bool bFirst = true;
        for (const auto& entry : section->m_entries) {
            m_pGrid->InsertItem(LVIF_TEXT | LVIF_PARAM, nRow, bFirst ? section->m_name : QString(),
                                0, 0, ItemDataOf(entry.get()), false);
            FillEntryCells(nRow, entry.get());
            // A file read again after a save that left values unwritten still shows them.
            if (entry->m_isNew)
                MarkAddedRow(nRow, section->m_isNew);
            else if (entry->IsChanged())
                m_pGrid->SetCellColor(nRow, kValueColumn, CLR_NOT_SET, kYellow);
            if (bRules)
                ApplyRuleMarks(nRow, *entry);
            bFirst = false;
            ++nRow;
        }
    }
    // The fill knows these rows: no second pass over every row to find them.
    LockValueListColumn(rowsWithoutEntry);
    SetRedraw(true);
}

void CQuilletView::ApplyValueListColumnState() {
    std::vector<int> rowsWithoutEntry;
    const int nCount = m_pGrid->GetItemCount();
    for (int nRow = 0; nRow < nCount; ++nRow) {
        if (!EntryAt(nRow))
            rowsWithoutEntry.push_back(nRow);
    }
    LockValueListColumn(rowsWithoutEntry);
}

void CQuilletView::LockValueListColumn(const std::vector<int>& rowsWithoutEntry) {
    // One column flag rather than a flag per cell: a large file has hundreds of thousands of
    // entry rows, and only the rows of sections without entries differ from the column.
    m_pGrid->SetColumnReadOnly(kValueListColumn, Project() == nullptr);
    for (int nRow : rowsWithoutEntry)
        m_pGrid->SetCellReadOnly(nRow, kValueListColumn, true);
}

void CQuilletView::ClearView() {
    m_pGrid->DeleteAllItems();
    std::map<int, int>* widths = nullptr;
    if (m_pIni)
        widths = &m_pHost->ColumnWidths();
    else if (m_pCompare)
        widths = &m_pHost->CompareColumnWidths();
    const int nColumns = m_pGrid->GetColumnCount();
    for (int i = 0; i < nColumns; ++i) {
        // Always column 0: each deletion moves the next column there, so entry i gets the
        // width of the column that had index i.
        if (widths)
            (*widths)[i] = m_pColumnFit->KeptWidth(i, m_pGrid->GetColumnWidth(0));
        m_pGrid->DeleteColumn(0);
    }
    m_pColumnFit->Forget();
    m_pIni = nullptr;
    m_pCompare = nullptr;
    m_pGrid->SetAccessibleTextCallback(nullptr, nullptr); // what a comparison said of its cells
    m_pMerge.reset();
    m_pRuleMarks.reset();
    ClearUndoHistory();
    m_pHost->SendMessage(Res::WM_CLEAR_VALUE_LISTS, 0, 0);
}

void CQuilletView::ShowAddedEntries() {
    if (!m_pIni)
        return;
    CViewSnapshot before = CaptureAddition(AddedEntrySpans());
    PlaceAddedEntries();
    RecordChange(std::move(before));
}

std::vector<std::pair<int, int>> CQuilletView::AddedEntrySpans() const {
    std::vector<CIniEntryData*> added;
    m_pIni->CollectAddedEntries(added);
    std::set<const CIniSectionData*> seen;
    std::vector<std::pair<int, int>> spans;
    for (const CIniEntryData* pEntry : added) {
        if (!seen.insert(pEntry->m_pSection).second)
            continue;
        int nFirst = -1;
        int nLast = -1;
        if (FindSectionRows(pEntry->m_pSection, nFirst, nLast))
            spans.emplace_back(nLast, 1);
        else
            spans.emplace_back(m_pGrid->GetItemCount(), 0);
    }
    return spans;
}

void CQuilletView::PlaceAddedEntries() {
    std::vector<CIniEntryData*> added;
    m_pIni->CollectAddedEntries(added);
    const bool bHasList = Project() != nullptr;
    SetRedraw(false);
    for (CIniEntryData* pEntry : added) {
        CIniSectionData* pSection = pEntry->m_pSection;
        int nFirst = -1;
        int nLast = -1;
        int nRow = -1;
        bool bWholeRow = true;
        if (FindSectionRows(pSection, nFirst, nLast)) {
            nRow = nLast;
            if (EntryAt(nLast)) {
                nRow = nLast + 1;
                m_pGrid->InsertItem(nRow, QString());
            }
            bWholeRow = pSection->m_isNew;
        } else {
            nRow = m_pGrid->InsertItem(m_pGrid->GetItemCount(), pSection->m_name);
        }
        FillEntryCells(nRow, pEntry);
        m_pGrid->SetCellReadOnly(nRow, kValueColumn, false);
        m_pGrid->SetCellReadOnly(nRow, kValueListColumn, !bHasList);
        MarkAddedRow(nRow, bWholeRow);
        ApplyRuleMarks(nRow, *pEntry);
    }
    m_pIni->ClearAddedMarks();
    SetRedraw(true);
}

void CQuilletView::MarkAddedRow(int nRow, bool bWholeRow) {
    if (bWholeRow) {
        m_pGrid->SetCellColor(nRow, -1, CLR_NOT_SET, kYellow);
    } else {
        m_pGrid->SetCellColor(nRow, 1, CLR_NOT_SET, kYellow);
        m_pGrid->SetCellColor(nRow, kValueColumn, CLR_NOT_SET, kYellow);
    }
}

// --- value lists ---

void CQuilletView::SelectValueList(int nPid) {
    if (!m_pIni)
        return;
    // The rows the filter left out were chosen by the list going away.
    SetDefaultFilter(false);
    LoadProject(nPid);
    m_bValueListOff = nPid <= 0;
    UpdateValueListColumn();
}

void CQuilletView::ReloadValueList() {
    if (!m_pIni)
        return;
    SetDefaultFilter(false);
    CProjectData* current = Project();
    LoadProject(current ? current->GetPid() : 0);
    // The file's own list comes back only when the user did not switch lists off.
    if (!Project() && !m_bValueListOff && m_pHost->DataBase())
        m_pIni->SetProject(m_pHost->DataBase()->LoadProjectByFilePath(m_pIni->m_filePath));
    RefreshRuleMarks();
    UpdateValueListColumn();
    CProjectData* project = Project();
    m_pHost->SendMessage(Res::WM_REFRESH_VALUE_LISTS, quintptr(project ? project->GetPid() : 0), 0);
}

void CQuilletView::UpdateValueListColumn() {
    SetRedraw(false);
    ApplyValueListColumnState();
    ApplyAllRuleMarks();
    SetRedraw(true);
    m_pGrid->viewport()->repaint();
}

// --- rows and their records ---

CObject* CQuilletView::RecordAt(int nRow) const {
    if (nRow < 0 || nRow >= m_pGrid->GetItemCount())
        return nullptr;
    return reinterpret_cast<CObject*>(m_pGrid->GetItemData(nRow));
}

CIniEntryData* CQuilletView::EntryAt(int nRow) const {
    return dynamic_cast<CIniEntryData*>(RecordAt(nRow));
}

CIniSectionData* CQuilletView::SectionOfRow(int nRow) const {
    CObject* pRecord = RecordAt(nRow);
    if (auto* pEntry = dynamic_cast<CIniEntryData*>(pRecord))
        return pEntry->m_pSection;
    return dynamic_cast<CIniSectionData*>(pRecord);
}

bool CQuilletView::FindSectionRows(const CIniSectionData* pSection, int& nFirst, int& nLast) const {
    nFirst = -1;
    nLast = -1;
    const int nCount = m_pGrid->GetItemCount();
    for (int nRow = 0; nRow < nCount; ++nRow) {
        const bool bOurs = SectionOfRow(nRow) == pSection;
        if (bOurs && nFirst < 0)
            nFirst = nRow;
        if (bOurs)
            nLast = nRow;
        else if (nFirst >= 0)
            break;
    }
    return nFirst >= 0;
}

// --- choices of the value-list column ---

QStringList CQuilletView::ValueChoices(int nRow) const {
    QStringList choices;
    CProjectData* project = Project();
    CIniEntryData* pEntry = EntryAt(nRow);
    if (!project || !pEntry)
        return choices;
    if (!project->GetValueChoices(pEntry->m_pSection->m_name, pEntry->Key(), pEntry->SavedValue(),
                                  choices)) {
        // The value the file holds can always be chosen back, listed or not.
        choices.prepend(pEntry->SavedValue() + u'\n' + pEntry->SavedValue() + kInitialMark);
    }
    for (QString& choice : choices)
        choice = LabelledChoice(choice);
    return choices;
}

bool CQuilletView::IsOfferedChoice(int nRow, const QString& strValue) const {
    for (const QString& choice : ValueChoices(nRow)) {
        if (choice.section(u'\n', 0, 0) == strValue)
            return true;
    }
    return false;
}

QString CQuilletView::ValueListText(int nRow) const {
    CProjectData* project = Project();
    CIniEntryData* pEntry = EntryAt(nRow);
    if (!project || !pEntry)
        return QString();
    const bool bSaved = pEntry->Value() == pEntry->SavedValue();
    QString name;
    const QString defaultMark = DefaultMark(*pEntry);
    if (project->GetValueName(pEntry->m_pSection->m_name, pEntry->Key(), pEntry->Value(), name)) {
        if (name.isEmpty()) // shown as itself, not as a blank that hides which value it is
            name = pEntry->Value();
        return (bSaved ? name + kInitialMark : name) + defaultMark;
    }
    if (bSaved)
        return pEntry->SavedValue() + kInitialMark + defaultMark;
    return defaultMark.isEmpty() ? QString() : pEntry->Value() + defaultMark;
}

void CQuilletView::OnFillChoices(Pelmo::CListCtrlEx*, int nRow, int, QStringList* pList,
                                 void* pData) {
    auto* view = static_cast<CQuilletView*>(pData);
    if (view->m_pCompare || !pList)
        return;
    pList->append(view->ValueChoices(nRow));
}

bool CQuilletView::OnGetChoiceText(Pelmo::CListCtrlEx*, int nRow, int, const QString&,
                                   QString* pText, void* pData) {
    auto* view = static_cast<CQuilletView*>(pData);
    if (view->m_pCompare || !pText)
        return false;
    *pText = view->ValueListText(nRow);
    return !pText->isEmpty();
}

// --- editing ---

bool CQuilletView::OnEndEdit(Pelmo::CListCtrlEx* pGrid, int nRow, int nCol, const QString& strNew,
                             QString* pStore, void* pData) {
    auto* view = static_cast<CQuilletView*>(pData);
    if (view->m_pCompare)
        return OnCompareEndEdit(pGrid, nRow, nCol, strNew, pStore, pData);
    return view->EndEditFile(nRow, nCol, strNew, pStore);
}

bool CQuilletView::EndEditFile(int nRow, int nCol, const QString& strNew, QString* pStore) {
    CIniEntryData* pEntry = EntryAt(nRow);
    if (!m_pIni || !pEntry || (nCol != kValueColumn && nCol != kValueListColumn))
        return false;
    // The list commits an empty text when nothing in it is selected; only a text the list
    // offered may replace the value, anything else keeps what the cell holds.
    if (nCol == kValueListColumn && !IsOfferedChoice(nRow, strNew))
        return false;
    *pStore = strNew;
    CViewSnapshot before = CaptureEdit(nRow, pEntry);
    SetFileValue(nRow, nCol, pEntry, strNew);
    RecordChange(std::move(before));
    return true;
}

void CQuilletView::SetFileValue(int nRow, int nCol, CIniEntryData* pEntry, const QString& strNew) {
    pEntry->SetValue(strNew);
    // The grid stores the edited cell's text only once this returns; the undo step needs it now.
    m_pGrid->SetItemText(nRow, nCol, strNew);
    m_pGrid->SetItemText(nRow, nCol == kValueColumn ? kValueListColumn : kValueColumn, strNew);
    // An added entry keeps the yellow that marks the addition.
    if (!pEntry->m_isNew)
        m_pGrid->SetCellColor(nRow, kValueColumn, CLR_NOT_SET,
                              pEntry->IsChanged() ? kYellow : CLR_NOT_SET);
    ApplyRuleMarks(nRow, *pEntry);
}

void CQuilletView::LockValueListCell(int nRow) {
    m_pGrid->SetCellReadOnly(nRow, kValueListColumn, !EntryAt(nRow) || !Project());
}

// --- notifications ---

void CQuilletView::OnGridNotify(const Pelmo::GRIDNOTIFY& notify) {
    switch (notify.code) {
    case Pelmo::GN_CURCELLCHANGED:
        OnCurrentCellChanged(notify.nRow, notify.nCol);
        break;
    case Pelmo::GN_RCLICK:
        OnGridRightClick(notify.nRow, notify.nCol);
        break;
    default:
        break;
    }
}

void CQuilletView::OnCurrentCellChanged(int nRow, int nCol) {
    if (m_pCompare) {
        OnCompareCurrentCellChanged(nRow, nCol);
        return;
    }
    CObject* pRecord = RecordAt(nRow);
    if (!m_pIni || !pRecord)
        return;
    qintptr lParam = 0;
    if (nCol == 0)
        lParam = reinterpret_cast<qintptr>(SectionOfRow(nRow));
    else if (auto* pEntry = dynamic_cast<CIniEntryData*>(pRecord))
        lParam = reinterpret_cast<qintptr>(pEntry);
    else
        lParam = reinterpret_cast<qintptr>(dynamic_cast<CIniSectionData*>(pRecord));
    m_pHost->SendMessage(Res::WM_SHOW_PREVIEW, 0, lParam);
}

void CQuilletView::OnGridDblClk(int nRow, int nCol) {
    // Single-file mode edits in place on a double-click; only a comparison copies.
    if (m_pCompare)
        OnCompareDblClk(nRow, nCol);
}

void CQuilletView::OnGridRightClick(int nRow, int nCol) {
    if (m_pCompare) {
        OnCompareRightClick(nRow, nCol);
        return;
    }
    if (!m_pIni || nRow < 0 || nRow >= m_pGrid->GetItemCount())
        return;
    CIniSectionData* pSection = SectionOfRow(nRow);
    CIniEntryData* pEntry = EntryAt(nRow);
    std::function<void()> takeBack;
    if (nCol == 0 && pSection && pSection->m_isNew)
        takeBack = [this, pSection] { RemoveNewSection(pSection); };
    else if (nCol == 1 && pEntry && pEntry->m_isNew)
        takeBack = [this, pEntry] { RemoveNewEntry(pEntry); };
    else if (nCol >= kValueColumn && pEntry)
        ShowRuleMenu(nRow, nCol);
    int nFirst = -1;
    int nLast = -1;
    // Both take-backs touch only the rows of the section.
    if (takeBack && FindSectionRows(pSection, nFirst, nLast))
        MakeChange({{nFirst, nLast - nFirst + 1}}, takeBack);
}

void CQuilletView::RemoveNewSection(CIniSectionData* pSection) {
    int nFirst = -1;
    int nLast = -1;
    if (FindSectionRows(pSection, nFirst, nLast)) {
        for (int i = nFirst; i <= nLast; ++i)
            m_pGrid->DeleteItem(nFirst);
    }
    DetachSection(pSection);
}

void CQuilletView::RemoveNewEntry(CIniEntryData* pEntry) {
    CIniSectionData* pSection = pEntry->m_pSection;
    int nFirst = -1;
    int nLast = -1;
    if (!FindSectionRows(pSection, nFirst, nLast))
        return;
    int nRow = nFirst;
    while (nRow <= nLast && EntryAt(nRow) != pEntry)
        ++nRow;
    if (nRow > nLast)
        return;
    if (nFirst == nLast && pSection->m_isNew) {
        m_pGrid->DeleteItem(nRow);
        DetachSection(pSection);
        return;
    }
    if (nFirst == nLast) {
        // The section is in the file: it stays, and its row stands for it again as a section
        // without entries.
        // The row lets go of the entry before the entry is destroyed.
        m_pGrid->SetItemData(nRow, ItemDataOf(pSection));
        DetachEntry(pEntry);
        m_pGrid->ResetCellColor(nRow, -1);
        for (int nCol = 1; nCol <= kValueListColumn; ++nCol)
            m_pGrid->SetItemText(nRow, nCol, QString());
        m_pGrid->SetItemText(nRow, 0, pSection->m_name);
        m_pGrid->SetCellReadOnly(nRow, kValueColumn, true);
        m_pGrid->SetCellReadOnly(nRow, kValueListColumn, true);
        return;
    }
    m_pGrid->DeleteItem(nRow);
    DetachEntry(pEntry);
    if (nRow == nFirst)
        m_pGrid->SetItemText(nRow, 0, pSection->m_name);
}
