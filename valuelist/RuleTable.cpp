#include "valuelist/RuleTable.h"

#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/SectionData.h"
#include "valuelist/Statement.h"

#include <QHash>
#include <sqlite3.h>

namespace {

const char16_t kCreate[] =
    u"CREATE TABLE IF NOT EXISTS VALUERULE ( PID INTEGER, SCODE TEXT COLLATE NOCASE, ECODE TEXT "
    u"COLLATE NOCASE, TYPE TEXT, MINVALUE REAL, MAXVALUE REAL, DEFAULTVALUE TEXT, REQUIRED "
    u"INTEGER, DESCRIPTION TEXT, REPORTUNKNOWN INTEGER, UPDATETIME TEXT, PRIMARY KEY(PID, SCODE, "
    u"ECODE))";
const char16_t kExists[] = u"SELECT 1 FROM pragma_table_info('VALUERULE')";
const char16_t kSelect[] =
    u"SELECT SCODE, ECODE, TYPE, MINVALUE, MAXVALUE, DEFAULTVALUE, REQUIRED, DESCRIPTION, "
    u"REPORTUNKNOWN FROM VALUERULE WHERE PID = :pid ORDER BY ROWID";
const char16_t kDelete[] = u"DELETE FROM VALUERULE WHERE PID = :pid";
const char16_t kInsert[] =
    u"INSERT INTO VALUERULE (PID, SCODE, ECODE, TYPE, MINVALUE, MAXVALUE, DEFAULTVALUE, REQUIRED, "
    u"DESCRIPTION, REPORTUNKNOWN, UPDATETIME) VALUES (:pid, :scode, :ecode, :type, :min, :max, "
    u":default, :required, :description, :unknown, datetime('now', 'localtime'))";

// The key SQLite's NOCASE rule gives a section and entry pair: only ASCII letters fold, so
// two codes the ENTRY table keeps apart are kept apart here too.
QString PairKey(QStringView section, QStringView entry) {
    QString key;
    key.reserve(section.size() + entry.size() + 1);
    const auto add = [&](QStringView text) {
        for (const QChar c : text)
            key += (c >= u'A' && c <= u'Z') ? QChar(c.unicode() + (u'a' - u'A')) : c;
    };
    add(section);
    key += QChar(0);
    add(entry);
    return key;
}

QHash<QString, CEntryData*> IndexEntries(const CProjectData& project) {
    QHash<QString, CEntryData*> index;
    for (CSectionData* s = project.FirstSection(); s; s = s->NextSection()) {
        for (CEntryData* e = s->FirstEntry(); e; e = e->NextEntry())
            index.insert(PairKey(s->m_strCode, e->m_strCode), e);
    }
    return index;
}

std::optional<double> OptionalDouble(const CStatement& query, int column) {
    if (query.IsNull(column))
        return std::nullopt;
    return query.ColumnDouble(column);
}

bool BindOptional(CStatement& insert, const char* name, const std::optional<double>& value) {
    return value ? insert.BindDouble(name, *value) : insert.BindNull(name);
}

bool BindRow(CStatement& insert, int nPid, const QString& section, const QString& entry) {
    return insert.BindInt(":pid", nPid) && insert.BindText(":scode", section) &&
           insert.BindText(":ecode", entry);
}

bool StepAndReset(CStatement& insert) {
    if (!insert.StepDone())
        return false;
    insert.Reset();
    return true;
}

// The type names are kept in QStrings that live as long as the statement's step needs them.
bool InsertEntryRule(CStatement& insert, int nPid, const CSectionData& section,
                     const CEntryData& entry, QString& typeName) {
    const CEntryRule& rule = entry.m_rule;
    typeName = CEntryRule::TypeName(rule.m_type);
    return BindRow(insert, nPid, section.m_strCode, entry.m_strCode) &&
           (rule.m_type == EValueType::Unset ? insert.BindNull(":type")
                                             : insert.BindText(":type", typeName)) &&
           BindOptional(insert, ":min", rule.m_min) && BindOptional(insert, ":max", rule.m_max) &&
           (rule.m_default ? insert.BindText(":default", *rule.m_default)
                           : insert.BindNull(":default")) &&
           insert.BindInt(":required", rule.m_bRequired ? 1 : 0) &&
           insert.BindText(":description", rule.m_strDescription) && insert.BindNull(":unknown") &&
           StepAndReset(insert);
}

} // namespace

const char16_t* CRuleTable::CreateStatement() {
    return kCreate;
}

bool CRuleTable::Exists(sqlite3* pDb) {
    CStatement query(pDb, kExists);
    return query.IsPrepared() && query.Step() == SQLITE_ROW;
}

bool CRuleTable::Load(sqlite3* pDb, CProjectData& project, QString& notice) {
    if (!Exists(pDb))
        return true;
    CStatement query(pDb, kSelect);
    if (!query.IsPrepared() || !query.BindInt(":pid", project.m_nPid))
        return false;
    const QHash<QString, CEntryData*> entries = IndexEntries(project);
    int nIgnored = 0;
    QString unknownType;
    int rc;
    while ((rc = query.Step()) == SQLITE_ROW) {
        if (query.ColumnView(0).isEmpty() && query.ColumnView(1).isEmpty()) {
            project.m_bReportUnknownKeys = query.ColumnInt64(8) != 0;
            continue;
        }
        CEntryData* entry = entries.value(PairKey(query.ColumnView(0), query.ColumnView(1)));
        if (!entry)
            continue;
        CEntryRule rule;
        if (!query.IsNull(2) && !CEntryRule::TypeFromName(query.ColumnView(2), rule.m_type)) {
            // Written by a newer version: the entry is better checked by its values alone
            // than by a rule half understood.
            if (nIgnored++ == 0)
                unknownType = query.ColumnText(2);
            continue;
        }
        rule.m_min = OptionalDouble(query, 3);
        rule.m_max = OptionalDouble(query, 4);
        if (!query.IsNull(5))
            rule.m_default = query.ColumnText(5);
        rule.m_bRequired = query.ColumnInt64(6) != 0;
        rule.m_strDescription = query.ColumnText(7);
        entry->m_rule = rule;
    }
    if (nIgnored > 0)
        notice = QStringLiteral("値リスト「%1」の規則 %2 件は、この版の知らない型「%3」のため無視し"
                                "ました")
                     .arg(project.m_strName)
                     .arg(nIgnored)
                     .arg(unknownType);
    return rc == SQLITE_DONE;
}

bool CRuleTable::Delete(sqlite3* pDb, int nPid) {
    CStatement statement(pDb, kDelete);
    return statement.IsPrepared() && statement.BindInt(":pid", nPid) && statement.StepDone();
}

bool CRuleTable::Insert(sqlite3* pDb, const CProjectData& project) {
    if (!project.HasRules())
        return true;
    CStatement insert(pDb, kInsert);
    if (!insert.IsPrepared())
        return false;
    QString typeName;
    if (project.m_bReportUnknownKeys) {
        const QString none = QStringLiteral("");
        if (!BindRow(insert, project.m_nPid, none, none) || !insert.BindNull(":type") ||
            !insert.BindNull(":min") || !insert.BindNull(":max") || !insert.BindNull(":default") ||
            !insert.BindInt(":required", 0) || !insert.BindText(":description", none) ||
            !insert.BindInt(":unknown", 1) || !StepAndReset(insert))
            return false;
    }
    for (const CSectionData* s = project.FirstSection(); s; s = s->NextSection()) {
        for (const CEntryData* e = s->FirstEntry(); e; e = e->NextEntry()) {
            if (!e->m_rule.IsEmpty() && !InsertEntryRule(insert, project.m_nPid, *s, *e, typeName))
                return false;
        }
    }
    return true;
}
