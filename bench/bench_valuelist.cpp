// SaveProject and LoadProject of a large value list (200 sections x 50 entries x 10 values)
// against the floor: the same rows written and read with hand-written prepared statements
// in one transaction, positional parameters, nothing else. Compare Save with FloorInsert and
// Load with FloorSelect. Also the duplicate check and save of one entry with 100,000 values.
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueData.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <vector>

namespace {

constexpr int kSections = 200;
constexpr int kEntries = 50;
constexpr int kValues = 10;

std::unique_ptr<CProjectData> BuildProject() {
    auto pProject = std::make_unique<CProjectData>(-1, QString("ベンチマーク"));
    CSectionData* pSection = nullptr;
    for (int s = 0; s < kSections; ++s) {
        pSection = pProject->AppendSection(QString("Section%1").arg(s, 3, 10, QChar('0')),
                                           QString("セクション %1").arg(s), pSection);
        CEntryData* pEntry = nullptr;
        for (int e = 0; e < kEntries; ++e) {
            pEntry = pSection->AppendEntry(QString("Entry%1").arg(e, 2, 10, QChar('0')),
                                           QString("エントリ %1").arg(e), pEntry);
            CValueData* pValue = nullptr;
            for (int v = 0; v < kValues; ++v)
                pValue = pEntry->AppendValue(QString::number(v), QString("値 %1").arg(v), pValue);
        }
    }
    return pProject;
}

const CProjectData& Project() {
    static const std::unique_ptr<CProjectData> pProject = BuildProject();
    return *pProject;
}

// The rows of the project as flat text, so the floor walks plain vectors, not the tree.
struct Rows {
    std::vector<QString> sections, sectionNames;
    std::vector<QString> entries, entryNames;
    std::vector<QString> values, valueNames;
};

const Rows& FlatRows() {
    static const Rows rows = [] {
        Rows r;
        for (CSectionData* s = Project().FirstSection(); s; s = s->NextSection()) {
            r.sections.push_back(s->m_strCode);
            r.sectionNames.push_back(s->m_strName);
        }
        CSectionData* s = Project().FirstSection();
        for (CEntryData* e = s->FirstEntry(); e; e = e->NextEntry()) {
            r.entries.push_back(e->m_strCode);
            r.entryNames.push_back(e->m_strName);
        }
        for (CValueData* v = s->FirstEntry()->FirstValue(); v; v = v->NextValue()) {
            r.values.push_back(v->m_strCode);
            r.valueNames.push_back(v->m_strName);
        }
        return r;
    }();
    return rows;
}

void BindText(sqlite3_stmt* pStmt, int nIndex, const QString& text) {
    sqlite3_bind_text16(pStmt, nIndex, text.utf16(), -1, SQLITE_STATIC);
}

void Check(bool bOk, benchmark::State& state, const char* pszWhat) {
    if (!bOk)
        state.SkipWithError(pszWhat);
}

void FloorInsertRows(sqlite3* pDb) {
    const Rows& r = FlatRows();
    sqlite3_exec(pDb, "BEGIN TRANSACTION", nullptr, nullptr, nullptr);
    sqlite3_stmt* pProject = nullptr;
    sqlite3_prepare16_v2(pDb,
                         u"INSERT INTO PROJECT (PID, NAME, UPDATETIME) VALUES (?, ?, "
                         u"datetime('now', 'localtime'))",
                         -1, &pProject, nullptr);
    sqlite3_bind_int(pProject, 1, 1);
    BindText(pProject, 2, Project().m_strName);
    sqlite3_step(pProject);
    sqlite3_finalize(pProject);

    sqlite3_stmt* pSection = nullptr;
    sqlite3_prepare16_v2(pDb,
                         u"INSERT INTO SECTION (PID, SCODE, NAME, UPDATETIME) VALUES (?, ?, "
                         u"?, datetime('now', 'localtime'))",
                         -1, &pSection, nullptr);
    for (size_t s = 0; s < r.sections.size(); ++s) {
        sqlite3_bind_int(pSection, 1, 1);
        BindText(pSection, 2, r.sections[s]);
        BindText(pSection, 3, r.sectionNames[s]);
        sqlite3_step(pSection);
        sqlite3_reset(pSection);
    }
    sqlite3_finalize(pSection);

    sqlite3_stmt* pEntry = nullptr;
    sqlite3_prepare16_v2(pDb,
                         u"INSERT INTO ENTRY (PID, SCODE, ECODE, NAME, UPDATETIME) VALUES "
                         u"(?, ?, ?, ?, datetime('now', 'localtime'))",
                         -1, &pEntry, nullptr);
    for (size_t s = 0; s < r.sections.size(); ++s) {
        for (size_t e = 0; e < r.entries.size(); ++e) {
            sqlite3_bind_int(pEntry, 1, 1);
            BindText(pEntry, 2, r.sections[s]);
            BindText(pEntry, 3, r.entries[e]);
            BindText(pEntry, 4, r.entryNames[e]);
            sqlite3_step(pEntry);
            sqlite3_reset(pEntry);
        }
    }
    sqlite3_finalize(pEntry);

    sqlite3_stmt* pValue = nullptr;
    sqlite3_prepare16_v2(pDb,
                         u"INSERT INTO VALUE (PID, SCODE, ECODE, VALUE, NAME, DISP, "
                         u"UPDATETIME) VALUES (?, ?, ?, ?, ?, ?, datetime('now', "
                         u"'localtime'))",
                         -1, &pValue, nullptr);
    for (size_t s = 0; s < r.sections.size(); ++s) {
        for (size_t e = 0; e < r.entries.size(); ++e) {
            for (size_t v = 0; v < r.values.size(); ++v) {
                sqlite3_bind_int(pValue, 1, 1);
                BindText(pValue, 2, r.sections[s]);
                BindText(pValue, 3, r.entries[e]);
                BindText(pValue, 4, r.values[v]);
                BindText(pValue, 5, r.valueNames[v]);
                sqlite3_bind_int(pValue, 6, int(v) + 1);
                sqlite3_step(pValue);
                sqlite3_reset(pValue);
            }
        }
    }
    sqlite3_finalize(pValue);
    sqlite3_exec(pDb, "COMMIT", nullptr, nullptr, nullptr);
}

// A new file with the library's tables, opened as a bare connection for the floor.
sqlite3* OpenFresh(const QString& path) {
    QFile::remove(path);
    {
        CProjectDataBase schema(path);
        schema.Open();
        schema.CreateTables();
    }
    sqlite3* pDb = nullptr;
    sqlite3_open16(path.utf16(), &pDb);
    return pDb;
}

int CountRows(sqlite3* pDb, const char* pszSql) {
    sqlite3_stmt* pStmt = nullptr;
    sqlite3_prepare_v2(pDb, pszSql, -1, &pStmt, nullptr);
    const int n = sqlite3_step(pStmt) == SQLITE_ROW ? sqlite3_column_int(pStmt, 0) : -1;
    sqlite3_finalize(pStmt);
    return n;
}

// A new database with empty tables at `path`, in place of the one a previous round left.
std::unique_ptr<CProjectDataBase> EmptyDataBase(const QString& path, benchmark::State& state) {
    QFile::remove(path);
    auto pDb = std::make_unique<CProjectDataBase>(path);
    Check(pDb->Open() && pDb->CreateTables(), state, "open");
    return pDb;
}

void BM_SaveProject(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Quillet.db");
    CProjectData& project = const_cast<CProjectData&>(Project());
    for (auto _ : state) {
        state.PauseTiming();
        auto pDb = EmptyDataBase(path, state);
        project.m_nPid = -1;
        state.ResumeTiming();
        Check(pDb->SaveProject(&project), state, "save");
        state.PauseTiming();
        pDb.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kSections * kEntries * kValues);
}

void BM_FloorInsert(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("floor.db");
    for (auto _ : state) {
        state.PauseTiming();
        sqlite3* pDb = OpenFresh(path);
        state.ResumeTiming();
        FloorInsertRows(pDb);
        state.PauseTiming();
        Check(CountRows(pDb, "SELECT COUNT(*) FROM VALUE") == kSections * kEntries * kValues, state,
              "floor insert");
        sqlite3_close_v2(pDb);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kSections * kEntries * kValues);
}

void BM_LoadProject(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Quillet.db");
    CProjectDataBase db(path);
    CProjectData& project = const_cast<CProjectData&>(Project());
    project.m_nPid = -1;
    Check(db.Open() && db.CreateTables() && db.SaveProject(&project), state, "setup");
    for (auto _ : state) {
        std::unique_ptr<CProjectData> pLoaded = db.LoadProject(project.m_nPid);
        Check(pLoaded && pLoaded->ChildCount() == kSections, state, "load");
        benchmark::DoNotOptimize(pLoaded.get());
        state.PauseTiming();
        pLoaded.reset(); // freeing the tree is the caller's business, not the load's
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kSections * kEntries * kValues);
}

// The floor reads what the load reads: the project row, then every row of the same joined
// query, each text column copied out into a QString.
void BM_FloorSelect(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("floor.db");
    sqlite3* pDb = OpenFresh(path);
    FloorInsertRows(pDb);
    struct Row {
        QString text[6];
    };
    for (auto _ : state) {
        sqlite3_stmt* pProject = nullptr;
        sqlite3_prepare16_v2(pDb, u"SELECT PID, NAME FROM PROJECT WHERE PID = ?", -1, &pProject,
                             nullptr);
        sqlite3_bind_int(pProject, 1, 1);
        sqlite3_step(pProject);
        QString name(static_cast<const QChar*>(sqlite3_column_text16(pProject, 1)));
        sqlite3_finalize(pProject);

        sqlite3_stmt* pStmt = nullptr;
        sqlite3_prepare16_v2(
            pDb,
            u"SELECT SECTION.SCODE, SECTION.NAME, ENTRY.ECODE, ENTRY.NAME, VALUE.VALUE, "
            u"VALUE.NAME FROM SECTION LEFT JOIN ENTRY ON SECTION.PID = ENTRY.PID AND "
            u"SECTION.SCODE = ENTRY.SCODE LEFT JOIN VALUE ON ENTRY.PID = VALUE.PID AND "
            u"ENTRY.SCODE = VALUE.SCODE AND ENTRY.ECODE = VALUE.ECODE WHERE SECTION.PID = ? "
            u"ORDER BY SECTION.SCODE, ENTRY.ECODE, VALUE.DISP",
            -1, &pStmt, nullptr);
        sqlite3_bind_int(pStmt, 1, 1);
        std::vector<Row> rows;
        while (sqlite3_step(pStmt) == SQLITE_ROW) {
            Row& row = rows.emplace_back();
            for (int c = 0; c < 6; ++c)
                row.text[c] =
                    QStringView(static_cast<const char16_t*>(sqlite3_column_text16(pStmt, c)))
                        .toString();
        }
        sqlite3_finalize(pStmt);
        Check(rows.size() == size_t(kSections * kEntries * kValues), state, "floor select");
        benchmark::DoNotOptimize(rows.data());
        state.PauseTiming();
        rows.clear();
        state.ResumeTiming();
    }
    sqlite3_close_v2(pDb);
    state.SetItemsProcessed(state.iterations() * kSections * kEntries * kValues);
}

// One entry with 100,000 values, as a big paste makes it: the editing dialog's OK checks
// the codes for duplicates and then saves. Compare FindDuplicate with FloorHashValues (the
// same texts put into a hash set), and CheckAndSaveLongEntry with SaveProject per value.
constexpr int kLongEntryValues = 100000;

const CProjectData& LongEntryProject() {
    static const std::unique_ptr<CProjectData> pProject = [] {
        auto p = std::make_unique<CProjectData>(-1, QString("長いエントリ"));
        CEntryData* pEntry = p->AppendSection("Section", "")->AppendEntry("Entry", "");
        CValueData* pValue = nullptr;
        for (int v = 0; v < kLongEntryValues; ++v)
            pValue = pEntry->AppendValue(QString("value %1").arg(v), QString(), pValue);
        return p;
    }();
    return *pProject;
}

void BM_FindDuplicate(benchmark::State& state) {
    const CProjectData& project = LongEntryProject();
    for (auto _ : state)
        Check(project.FindDuplicate() == nullptr, state, "no duplicate");
    state.SetItemsProcessed(state.iterations() * kLongEntryValues);
}

void BM_FloorHashValues(benchmark::State& state) {
    const CProjectData& project = LongEntryProject();
    for (auto _ : state) {
        QSet<QString> seen;
        for (CValueData* v = project.FirstSection()->FirstEntry()->FirstValue(); v;
             v = v->NextValue())
            seen.insert(v->m_strCode);
        Check(seen.size() == kLongEntryValues, state, "floor hash");
    }
    state.SetItemsProcessed(state.iterations() * kLongEntryValues);
}

void BM_CheckAndSaveLongEntry(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Quillet.db");
    CProjectData& project = const_cast<CProjectData&>(LongEntryProject());
    for (auto _ : state) {
        state.PauseTiming();
        auto pDb = EmptyDataBase(path, state);
        project.m_nPid = -1;
        state.ResumeTiming();
        Check(project.FindDuplicate() == nullptr && pDb->SaveProject(&project), state, "save");
        state.PauseTiming();
        pDb.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kLongEntryValues);
}

} // namespace

BENCHMARK(BM_FindDuplicate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorHashValues)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CheckAndSaveLongEntry)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveProject)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_FloorInsert)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_LoadProject)->Unit(benchmark::kMillisecond)->MinTime(3.0);
BENCHMARK(BM_FloorSelect)->Unit(benchmark::kMillisecond)->MinTime(3.0);

BENCHMARK_MAIN();
