#include "valuelist/ProjectDataBase.h"

#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectRowFolder.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/RecordIdName.h"
#include "valuelist/RuleTable.h"
#include "valuelist/SectionData.h"
#include "valuelist/Statement.h"
#include "valuelist/ValueData.h"

#include <climits>
#include <optional>
#include <sqlite3.h>

namespace {

const char16_t* const kCreateStatements[] = {
    u"CREATE TABLE IF NOT EXISTS PROJECT ( PID INTEGER PRIMARY KEY, NAME TEXT, UPDATETIME TEXT)",
    u"CREATE TABLE IF NOT EXISTS SECTION ( PID INTEGER, SCODE TEXT COLLATE NOCASE, NAME TEXT, "
    u"UPDATETIME TEXT, PRIMARY KEY(PID, SCODE))",
    u"CREATE TABLE IF NOT EXISTS ENTRY ( PID INTEGER, SCODE TEXT COLLATE NOCASE, ECODE TEXT "
    u"COLLATE NOCASE, NAME TEXT, UPDATETIME TEXT, PRIMARY KEY(PID, SCODE, ECODE))",
    u"CREATE TABLE IF NOT EXISTS VALUE ( PID INTEGER, SCODE TEXT COLLATE NOCASE, ECODE TEXT "
    u"COLLATE NOCASE, VALUE TEXT, NAME TEXT, DISP INTEGER, UPDATETIME TEXT, PRIMARY KEY(PID, "
    u"SCODE, ECODE, VALUE))",
    u"CREATE TABLE IF NOT EXISTS HISTORY ( FILEPATH TEXT PRIMARY KEY COLLATE NOCASE, PID "
    u"INTEGER, UPDATETIME TEXT)",
};

// Paths compare with case, as the files they name do here; the table's own NOCASE rule only
// keeps the key. The COLLATE goes on the column: on the other side SQLite 3.40 loses it when
// it turns the OR into an IN over the NOCASE key. A registration of the full path is more
// specific than one of the bare name and wins; among equals the lowest PID does, so the
// answer never depends on the order SQLite happens to return rows in.
const char16_t kSelectByFilePath[] =
    u"SELECT PROJECT.PID, PROJECT.NAME FROM HISTORY JOIN PROJECT ON PROJECT.PID = HISTORY.PID"
    u" WHERE HISTORY.FILEPATH COLLATE BINARY = :filepath OR HISTORY.FILEPATH COLLATE BINARY ="
    u" :filename ORDER BY HISTORY.FILEPATH COLLATE BINARY = :filepath DESC, PROJECT.PID LIMIT 1";
const char16_t kSelectByPid[] = u"SELECT PID, NAME FROM PROJECT WHERE PID = :pid";

// The save writes sections and entries in tree order, so their row order is the order the user
// gave them (or the file they were taken from); values have their display order.
const char16_t kSelectContent[] =
    u"SELECT SECTION.SCODE, SECTION.NAME, ENTRY.ECODE, ENTRY.NAME, VALUE.VALUE, VALUE.NAME"
    u" FROM SECTION"
    u" LEFT JOIN ENTRY ON SECTION.PID = ENTRY.PID AND SECTION.SCODE = ENTRY.SCODE"
    u" LEFT JOIN VALUE ON ENTRY.PID = VALUE.PID AND ENTRY.SCODE = VALUE.SCODE AND ENTRY.ECODE = "
    u"VALUE.ECODE"
    u" WHERE SECTION.PID = :pid ORDER BY SECTION.ROWID, ENTRY.ROWID, VALUE.DISP";

const char16_t kSelectPids[] = u"SELECT PID FROM PROJECT ORDER BY PID";
const char16_t kUpdateProject[] =
    u"UPDATE PROJECT SET NAME = :name, UPDATETIME = datetime('now', 'localtime') WHERE PID = :pid";
const char16_t kInsertProject[] = u"INSERT INTO PROJECT (PID, NAME, UPDATETIME) VALUES (:pid, "
                                  u":name, datetime('now', 'localtime'))";
const char16_t kDeleteValues[] = u"DELETE FROM VALUE WHERE PID = :pid";
const char16_t kDeleteEntries[] = u"DELETE FROM ENTRY WHERE PID = :pid";
const char16_t kDeleteSections[] = u"DELETE FROM SECTION WHERE PID = :pid";
const char16_t kDeleteProject[] = u"DELETE FROM PROJECT WHERE PID = :pid";
const char16_t kInsertSection[] = u"INSERT INTO SECTION (PID, SCODE, NAME, UPDATETIME) VALUES "
                                  u"(:pid, :scode, :name, datetime('now', 'localtime'))";
const char16_t kInsertEntry[] =
    u"INSERT INTO ENTRY (PID, SCODE, ECODE, NAME, UPDATETIME) VALUES (:pid, :scode, :ecode, "
    u":name, datetime('now', 'localtime'))";
const char16_t kInsertValue[] =
    u"INSERT INTO VALUE (PID, SCODE, ECODE, VALUE, NAME, DISP, UPDATETIME) VALUES (:pid, "
    u":scode, :ecode, :value, :name, :disp, datetime('now', 'localtime'))";
const char16_t kResetHistoryPid[] = u"UPDATE HISTORY SET PID = 0 WHERE PID = :pid";

const char16_t kSelectNames[] = u"SELECT PID, NAME FROM PROJECT ORDER BY NAME";
const char16_t kSelectHistory[] = u"SELECT PID, FILEPATH FROM HISTORY ORDER BY FILEPATH";
const char16_t kInsertHistory[] = u"INSERT INTO HISTORY (FILEPATH, PID, UPDATETIME) VALUES "
                                  u"(:filepath, :pid, datetime('now', 'localtime'))";
const char16_t kUpdateHistory[] = u"UPDATE HISTORY SET PID = :pid, UPDATETIME = datetime('now', "
                                  u"'localtime') WHERE FILEPATH COLLATE BINARY = :filepath";
const char16_t kDeleteHistory[] = u"DELETE FROM HISTORY WHERE FILEPATH COLLATE BINARY = :filepath";

// The columns of each table, in order, as the CREATE statements above make them. A file whose
// table of one of these names has other columns belongs to somebody else.
const struct {
    const char16_t* pszTable;
    QStringList columns;
} kTableShapes[] = {
    {u"PROJECT", {"PID", "NAME", "UPDATETIME"}},
    {u"SECTION", {"PID", "SCODE", "NAME", "UPDATETIME"}},
    {u"ENTRY", {"PID", "SCODE", "ECODE", "NAME", "UPDATETIME"}},
    {u"VALUE", {"PID", "SCODE", "ECODE", "VALUE", "NAME", "DISP", "UPDATETIME"}},
    {u"HISTORY", {"FILEPATH", "PID", "UPDATETIME"}},
    {u"VALUERULE",
     {"PID", "SCODE", "ECODE", "TYPE", "MINVALUE", "MAXVALUE", "DEFAULTVALUE", "REQUIRED",
      "DESCRIPTION", "REPORTUNKNOWN", "UPDATETIME"}},
};
const char16_t kSelectColumns[] = u"SELECT name FROM pragma_table_info(:table)";

// Calls f for every child of parent in order, as a T; stops and fails at the first child that
// is not a T or for which f fails. The tree is walked with checked casts: a record of the
// wrong kind in the wrong place makes the save fail instead of writing something the load
// would not give back.
template <typename T, typename F> bool EachChild(const CBaseData& parent, F&& f) {
    for (const CBaseData* p = parent.FirstChild(); p; p = p->Next()) {
        const auto* pChild = dynamic_cast<const T*>(p);
        if (!pChild || !f(*pChild))
            return false;
    }
    return true;
}

// Reads the rows of a query giving a PID and a text into records made from the two; fails
// when the read breaks off. A PID too large for the program names no list it can reach: the
// row is left out, or, with a stand-in, kept under that number.
template <typename T>
bool ReadIdTextRows(sqlite3* pDb, const char16_t* pszSql, std::vector<std::unique_ptr<T>>& rows,
                    std::optional<qint32> unreadablePid = std::nullopt) {
    CStatement query(pDb, pszSql);
    if (!query.IsPrepared())
        return false;
    int rc;
    while ((rc = query.Step()) == SQLITE_ROW) {
        qint32 nPid = 0;
        if (query.ColumnInt32(0, nPid))
            rows.push_back(std::make_unique<T>(nPid, query.ColumnText(1)));
        else if (unreadablePid)
            rows.push_back(std::make_unique<T>(*unreadablePid, query.ColumnText(1)));
    }
    return rc == SQLITE_DONE;
}

template <typename T>
void AppendAll(std::vector<std::unique_ptr<T>>& to, std::vector<std::unique_ptr<T>>& from) {
    for (auto& p : from)
        to.push_back(std::move(p));
}

// Runs an insert and makes it ready for the next row's parameters.
bool StepDoneAndReset(CStatement& statement) {
    if (!statement.StepDone())
        return false;
    statement.Reset();
    return true;
}

} // namespace

CProjectDataBase::CProjectDataBase(const QString& path) : CDataBase(path) {}

CProjectDataBase::~CProjectDataBase() = default;

bool CProjectDataBase::CreateTables() {
    if (!m_pDb)
        return false;
    // Everything is checked before anything is created: a file that is not ours (or not a
    // database at all) is left exactly as it was.
    bool bComplete = true;
    for (const auto& shape : kTableShapes) {
        QStringList columns;
        if (!ReadColumns(shape.pszTable, columns)) {
            RememberError();
            return false;
        }
        if (columns.isEmpty()) {
            bComplete = false;
        } else if (columns.join(u',').toUpper() != shape.columns.join(u',')) {
            SetError(
                QStringLiteral("テーブル %1 の列が値リストのものと違います（%2）")
                    .arg(QString::fromUtf16(shape.pszTable), columns.join(QStringLiteral(", "))));
            return false;
        }
    }
    if (bComplete)
        return true;
    // The rule table comes last: a database of an older version gains it and nothing else.
    std::vector<const char16_t*> statements(std::begin(kCreateStatements),
                                            std::end(kCreateStatements));
    statements.push_back(CRuleTable::CreateStatement());
    for (const char16_t* pszSql : statements) {
        CStatement statement(m_pDb, pszSql);
        if (!statement.IsPrepared() || !statement.StepDone()) {
            RememberError();
            return false;
        }
    }
    return true;
}

bool CProjectDataBase::ReadColumns(const char16_t* pszTable, QStringList& columns) {
    CStatement query(m_pDb, kSelectColumns);
    if (!query.IsPrepared() || !query.BindText(":table", QString::fromUtf16(pszTable)))
        return false;
    int rc;
    while ((rc = query.Step()) == SQLITE_ROW)
        columns.append(query.ColumnText(0));
    return rc == SQLITE_DONE;
}

// --- transactions -------------------------------------------------------------------------

bool CProjectDataBase::Begin() {
    ClearError();
    return Execute("BEGIN TRANSACTION");
}

bool CProjectDataBase::Commit() {
    // A commit can fail, e.g. while another connection still reads the file. Reporting
    // success then would leave our transaction open and every later operation failing, so
    // the changes are rolled back and the operation fails.
    if (Execute("COMMIT"))
        return true;
    Rollback();
    return false;
}

void CProjectDataBase::Rollback() {
    RememberError();
    Execute("ROLLBACK");
}

template <typename Work> bool CProjectDataBase::InTransaction(Work work) {
    if (!Begin())
        return false;
    if (work())
        return Commit();
    Rollback();
    return false;
}

// --- loading -------------------------------------------------------------------------------

QString CProjectDataBase::FileNameOf(const QString& path) {
    qsizetype nStart = 0;
    if (path.size() >= 2 && path[1] == u':' && path[0].isLetter() && path[0].unicode() < 0x80)
        nStart = 2;
    for (qsizetype i = path.size() - 1; i >= nStart; --i) {
        if (path[i] == u'\\' || path[i] == u'/') {
            nStart = i + 1;
            break;
        }
    }
    return path.mid(nStart);
}

std::unique_ptr<CProjectData> CProjectDataBase::LoadProjectByFilePath(const QString& filePath) {
    ClearError();
    m_strLoadNotice.clear();
    const QString fileName = FileNameOf(filePath);
    CStatement query(m_pDb, kSelectByFilePath);
    if (!query.IsPrepared() || !query.BindText(":filepath", filePath) ||
        !query.BindText(":filename", fileName))
        return nullptr;
    return LoadProjectRow(query);
}

std::unique_ptr<CProjectData> CProjectDataBase::LoadProject(int nPid) {
    ClearError();
    m_strLoadNotice.clear();
    CStatement query(m_pDb, kSelectByPid);
    if (!query.IsPrepared() || !query.BindInt(":pid", nPid))
        return nullptr;
    return LoadProjectRow(query);
}

std::unique_ptr<CProjectData> CProjectDataBase::LoadProjectRow(CStatement& query) {
    if (query.Step() != SQLITE_ROW)
        return nullptr;
    // A PID the program cannot hold would come back as another number, and with it another
    // list's content; such a list is unreadable here.
    qint32 nPid = 0;
    if (!query.ColumnInt32(0, nPid)) {
        SetError(QStringLiteral("値リストの番号 %1 は扱えません").arg(query.ColumnInt64(0)));
        return nullptr;
    }
    auto pProject = std::make_unique<CProjectData>(nPid, query.ColumnText(1));
    query.Finalize();
    // A tree cut short by a read error would look complete to the caller, and saving it back
    // would lose the rest: an incomplete load is no load.
    if (!LoadContent(*pProject) || !CRuleTable::Load(m_pDb, *pProject, m_strLoadNotice))
        return nullptr;
    return pProject;
}

bool CProjectDataBase::LoadContent(CProjectData& project) {
    CStatement query(m_pDb, kSelectContent);
    if (!query.IsPrepared() || !query.BindInt(":pid", project.m_nPid))
        return false;
    CProjectRowFolder folder(&project);
    int rc;
    while ((rc = query.Step()) == SQLITE_ROW) {
        CProjectRowFolder::Row row;
        row.sectionCode = query.ColumnView(0);
        row.sectionName = query.ColumnView(1);
        row.bHasEntry = !query.IsNull(2);
        if (row.bHasEntry) {
            row.entryCode = query.ColumnView(2);
            row.entryName = query.ColumnView(3);
            row.bHasValue = !query.IsNull(4);
            if (row.bHasValue) {
                row.valueCode = query.ColumnView(4);
                row.valueName = query.ColumnView(5);
            }
        }
        folder.AddRow(row);
    }
    return rc == SQLITE_DONE;
}

// --- saving --------------------------------------------------------------------------------

bool CProjectDataBase::Noted(const CBaseData& record, bool bStored) {
    if (!bStored && !m_pFailedRecord)
        m_pFailedRecord = &record;
    return bStored;
}

bool CProjectDataBase::SaveProject(CProjectData* pProject) {
    m_pFailedRecord = nullptr;
    if (!m_pDb || !pProject)
        return false;
    // 0 means "no value list" in the history; a value list stored under it (or under any
    // other PID below 1) would be attached to every file that has none.
    if (pProject->m_nPid != -1 && pProject->m_nPid < 1)
        return false;
    const bool bNewPid = pProject->m_nPid == -1;
    if (InTransaction([&] {
            if (bNewPid) {
                int nPid = 0;
                if (!AllocatePid(nPid))
                    return false;
                pProject->m_nPid = nPid;
            }
            return WriteProjectRow(*pProject) && DeleteContent(pProject->m_nPid) &&
                   InsertSections(*pProject) && InsertEntries(*pProject) &&
                   InsertValues(*pProject) && WriteRules(*pProject);
        }))
        return true;
    // The PID was never stored: keeping it would let a later save claim a number that
    // somebody else has taken in the meantime.
    if (bNewPid)
        pProject->m_nPid = -1;
    return false;
}

bool CProjectDataBase::AllocatePid(int& nPid) {
    CStatement query(m_pDb, kSelectPids);
    if (!query.IsPrepared())
        return false;
    int nCandidate = 1;
    int rc;
    while ((rc = query.Step()) == SQLITE_ROW) {
        const qint64 nTaken = query.ColumnInt64(0);
        // Numbers below the candidate (0, or negative ones another program stored) take
        // nothing from the positive range the candidate walks.
        if (nTaken < nCandidate)
            continue;
        if (nCandidate < nTaken)
            break;
        if (nTaken == INT_MAX)
            return false;
        nCandidate = nTaken + 1;
    }
    // Only a completed scan (or a gap found) proves the candidate free; after a read error it
    // could be the PID of another value list, whose content the save would then replace.
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return false;
    nPid = nCandidate;
    return true;
}

bool CProjectDataBase::WriteProjectRow(const CProjectData& project) {
    {
        CStatement update(m_pDb, kUpdateProject);
        if (!update.IsPrepared() || !update.BindInt(":pid", project.m_nPid) ||
            !update.BindText(":name", project.m_strName) || !update.StepDone())
            return false;
        if (sqlite3_changes(m_pDb) > 0)
            return true;
    }
    CStatement insert(m_pDb, kInsertProject);
    return insert.IsPrepared() && insert.BindInt(":pid", project.m_nPid) &&
           insert.BindText(":name", project.m_strName) && insert.StepDone();
}

bool CProjectDataBase::RunWithPid(const char16_t* pszSql, int nPid) {
    CStatement statement(m_pDb, pszSql);
    return statement.IsPrepared() && statement.BindInt(":pid", nPid) && statement.StepDone();
}

bool CProjectDataBase::DeleteContent(int nPid) {
    return RunWithPid(kDeleteValues, nPid) && RunWithPid(kDeleteEntries, nPid) &&
           RunWithPid(kDeleteSections, nPid);
}

bool CProjectDataBase::InsertSections(const CProjectData& project) {
    CStatement insert(m_pDb, kInsertSection);
    return insert.IsPrepared() &&
           EachChild<CSectionData>(project, [&](const CSectionData& section) {
               return Noted(section, insert.BindInt(":pid", project.m_nPid) &&
                                         insert.BindText(":scode", section.m_strCode) &&
                                         insert.BindText(":name", section.m_strName) &&
                                         StepDoneAndReset(insert));
           });
}

bool CProjectDataBase::InsertEntries(const CProjectData& project) {
    CStatement insert(m_pDb, kInsertEntry);
    return insert.IsPrepared() &&
           EachChild<CSectionData>(project, [&](const CSectionData& section) {
               return EachChild<CEntryData>(section, [&](const CEntryData& entry) {
                   return Noted(entry, insert.BindInt(":pid", project.m_nPid) &&
                                           insert.BindText(":scode", section.m_strCode) &&
                                           insert.BindText(":ecode", entry.m_strCode) &&
                                           insert.BindText(":name", entry.m_strName) &&
                                           StepDoneAndReset(insert));
               });
           });
}

bool CProjectDataBase::InsertValues(const CProjectData& project) {
    CStatement insert(m_pDb, kInsertValue);
    return insert.IsPrepared() &&
           EachChild<CSectionData>(project, [&](const CSectionData& section) {
               return EachChild<CEntryData>(section, [&](const CEntryData& entry) {
                   int nDisp = 0;
                   return EachChild<CValueData>(entry, [&](const CValueData& value) {
                       return Noted(value, insert.BindInt(":pid", project.m_nPid) &&
                                               insert.BindText(":scode", section.m_strCode) &&
                                               insert.BindText(":ecode", entry.m_strCode) &&
                                               insert.BindText(":value", value.m_strCode) &&
                                               insert.BindText(":name", value.m_strName) &&
                                               insert.BindInt(":disp", ++nDisp) &&
                                               StepDoneAndReset(insert));
                   });
               });
           });
}

bool CProjectDataBase::WriteRules(const CProjectData& project) {
    // A database without the table (CreateTables not run on it) can still take a list that
    // has no rules.
    if (!CRuleTable::Exists(m_pDb))
        return !project.HasRules();
    return CRuleTable::Delete(m_pDb, project.m_nPid) && CRuleTable::Insert(m_pDb, project);
}

bool CProjectDataBase::DeleteProject(int nPid) {
    return InTransaction([&] {
        return RunWithPid(kResetHistoryPid, nPid) && DeleteContent(nPid) &&
               (!CRuleTable::Exists(m_pDb) || CRuleTable::Delete(m_pDb, nPid)) &&
               RunWithPid(kDeleteProject, nPid);
    });
}

// --- name and history lists ------------------------------------------------------------------

bool CProjectDataBase::LoadProjectNames(std::vector<std::unique_ptr<CRecordIdName>>& names) {
    // Read into a list of our own first: a read that breaks off must not hand out a list
    // that only looks complete.
    ClearError();
    std::vector<std::unique_ptr<CRecordIdName>> read;
    if (!ReadIdTextRows(m_pDb, kSelectNames, read))
        return false;
    AppendAll(names, read);
    return true;
}

bool CProjectDataBase::LoadProjectList(std::vector<std::unique_ptr<CRecordIdName>>& names,
                                       std::vector<std::unique_ptr<CRecordIdFilePath>>& history) {
    ClearError();
    std::vector<std::unique_ptr<CRecordIdName>> readNames;
    std::vector<std::unique_ptr<CRecordIdFilePath>> readHistory;
    // A history row of an unreadable list stays visible (it can still be changed or removed),
    // under a number that no list has.
    if (!ReadIdTextRows(m_pDb, kSelectNames, readNames) ||
        !ReadIdTextRows(m_pDb, kSelectHistory, readHistory, qint32(-1)))
        return false;
    AppendAll(names, readNames);
    AppendAll(history, readHistory);
    return true;
}

bool CProjectDataBase::InsertHistory(const CRecordIdFilePath& record, bool bInTransaction) {
    if (!m_pDb)
        return false;
    const auto insert = [&] {
        CStatement statement(m_pDb, kInsertHistory);
        return statement.IsPrepared() && statement.BindText(":filepath", record.m_strFilePath) &&
               statement.BindInt(":pid", record.m_nPid) && statement.StepDone();
    };
    return bInTransaction ? insert() : InTransaction(insert);
}

bool CProjectDataBase::SetHistory(const CRecordIdFilePath& record) {
    return InTransaction([&] {
        {
            CStatement update(m_pDb, kUpdateHistory);
            if (!update.IsPrepared() || !update.BindInt(":pid", record.m_nPid) ||
                !update.BindText(":filepath", record.m_strFilePath) || !update.StepDone())
                return false;
        }
        return sqlite3_changes(m_pDb) > 0 || InsertHistory(record, true);
    });
}

bool CProjectDataBase::DeleteHistory(const CRecordIdFilePath& record) {
    return InTransaction([&] {
        CStatement statement(m_pDb, kDeleteHistory);
        return statement.IsPrepared() && statement.BindText(":filepath", record.m_strFilePath) &&
               statement.StepDone();
    });
}

// --- import ----------------------------------------------------------------------------------

bool CProjectDataBase::ImportProject(CProjectData& project, const std::vector<QString>& files) {
    if (!m_pDb || (project.m_nPid != -1 && project.m_nPid < 1))
        return false;
    const bool bNewPid = project.m_nPid == -1;
    if (InTransaction([&] {
            if (!WriteWholeProject(project))
                return false;
            for (const QString& file : files) {
                if (!PointHistoryAt(CRecordIdFilePath(project.m_nPid, file)))
                    return false;
            }
            return true;
        }))
        return true;
    if (bNewPid)
        project.m_nPid = -1;
    return false;
}

// What SaveProject does, inside the caller's transaction.
bool CProjectDataBase::WriteWholeProject(CProjectData& project) {
    if (project.m_nPid == -1) {
        int nPid = 0;
        if (!AllocatePid(nPid))
            return false;
        project.m_nPid = nPid;
    }
    return WriteProjectRow(project) && DeleteContent(project.m_nPid) && InsertSections(project) &&
           InsertEntries(project) && InsertValues(project) && WriteRules(project);
}

// What SetHistory does, inside the caller's transaction.
bool CProjectDataBase::PointHistoryAt(const CRecordIdFilePath& record) {
    {
        CStatement update(m_pDb, kUpdateHistory);
        if (!update.IsPrepared() || !update.BindInt(":pid", record.m_nPid) ||
            !update.BindText(":filepath", record.m_strFilePath) || !update.StepDone())
            return false;
    }
    return sqlite3_changes(m_pDb) > 0 || InsertHistory(record, true);
}
