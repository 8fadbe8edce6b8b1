#include "valuelist/ValueListFile.h"

#include "platform/FileReplacer.h"
#include "platform/RegularFile.h"
#include "platform/TextUtil.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/RuleCheck.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueData.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QSet>

#include <vector>

namespace {

const QString kFormat = QStringLiteral("quillet-value-list");
// The latest version this one reads. A list without rules is written as version 1, which
// older versions read as well.
constexpr int kVersion = 2;
constexpr int kVersionWithoutRules = 1;

// --- where in the list --------------------------------------------------------------------

// A name fit to show inside a one-line message; else the record's position, counted from 1.
QString Named(const QString& kind, const QString& name, int index) {
    const bool showable = !Text::Trim(name).isEmpty() && !name.contains(u'\n') &&
                          !name.contains(u'\r') && !name.contains(QChar(0));
    return showable ? kind + QStringLiteral("「%1」").arg(name)
                    : kind + QStringLiteral(" %1").arg(index);
}

QString SectionWhere(const CSectionData& s, int index) {
    return Named(QStringLiteral("セクション"), s.m_strCode, index);
}

QString EntryWhere(const QString& section, const CEntryData& e, int index) {
    return section + QStringLiteral("の") + Named(QStringLiteral("エントリ"), e.m_strCode, index);
}

QString ValueWhere(const QString& entry, const CValueData& v, int index) {
    return entry + QStringLiteral("の") + Named(QStringLiteral("値"), v.m_strCode, index);
}

// The position of a record among its siblings, counted from 1.
int IndexOf(const CBaseData& record) {
    int index = 1;
    for (const CBaseData* p = record.m_pPrev; p; p = p->m_pPrev)
        ++index;
    return index;
}

// --- what the editing dialog refuses --------------------------------------------------------

// Line breaks would split an INI line and a NUL would end it; a leading byte-order mark cannot
// be stored unchanged in the database.
bool HoldsUnusable(const QString& text) {
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0)) ||
           text.startsWith(QChar(0xFEFF)) || text.startsWith(QChar(0xFFFE));
}

QString Refusal(const QString& what, const QString& where) {
    return what + QStringLiteral(": ") + where;
}

QString CheckTexts(std::initializer_list<const QString*> texts, const QString& where) {
    for (const QString* text : texts) {
        if (HoldsUnusable(*text))
            return Refusal(QStringLiteral("改行、NUL または先頭の BOM を含んでいます"), where);
    }
    return {};
}

QString CheckName(const QString& name, const QString& where) {
    return Text::Trim(name).isEmpty() ? Refusal(QStringLiteral("名前がありません"), where)
                                      : QString();
}

QString CheckValues(const CEntryData& entry, const QString& where) {
    QSet<QString> seen;
    int index = 0;
    for (const CValueData* v = entry.FirstValue(); v; v = v->NextValue()) {
        const QString at = ValueWhere(where, *v, ++index);
        QString error = CheckTexts({&v->m_strCode, &v->m_strName}, at);
        if (!error.isEmpty())
            return error;
        if (seen.contains(v->m_strCode))
            return Refusal(QStringLiteral("値が重複しています"), at);
        seen.insert(v->m_strCode);
    }
    return {};
}

QString CheckEntries(const CSectionData& section, const QString& where) {
    QSet<QString> seen;
    int index = 0;
    for (const CEntryData* e = section.FirstEntry(); e; e = e->NextEntry()) {
        const QString at = EntryWhere(where, *e, ++index);
        QString error = CheckName(e->m_strCode, at);
        if (error.isEmpty())
            error = CheckTexts({&e->m_strCode, &e->m_strName}, at);
        if (error.isEmpty() && e->m_strCode.contains(u'='))
            error = Refusal(QStringLiteral("INI ファイルのキーには「=」を書けません"), at);
        if (error.isEmpty() && seen.contains(Text::FoldCase(e->m_strCode)))
            error = Refusal(QStringLiteral("エントリが重複しています"), at);
        if (error.isEmpty())
            error = CheckValues(*e, at);
        if (const CRuleFault fault = CRuleCheck::Validate(*e); error.isEmpty() && fault)
            error = Refusal(fault.message, at);
        if (!error.isEmpty())
            return error;
        seen.insert(Text::FoldCase(e->m_strCode));
    }
    return {};
}

// --- writing ---------------------------------------------------------------------------------

QString Quoted(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    // A lone surrogate has no UTF-8 form; escaped, it reads back as it was.
    const bool escapeSurrogates = !text.isValidUtf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"' || c == u'\\') {
            out += u'\\';
            out += c;
        } else if (c == u'\t') {
            out += QStringLiteral("\\t");
        } else if (c.unicode() < 0x20 || (escapeSurrogates && c.isSurrogate())) {
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        } else {
            out += c;
        }
    }
    out += u'"';
    return out;
}

QString Indent(int level) {
    return QString(level * 2, u' ');
}

// `"name": "...",` and, when there is one, `"label": "...",` of a section or entry.
void WriteNameAndLabel(QString& out, const CBaseData& record, const QString& code, int level) {
    out += Indent(level) + QStringLiteral("\"name\": ") + Quoted(code) + QStringLiteral(",\n");
    if (!record.m_strName.isEmpty())
        out += Indent(level) + QStringLiteral("\"label\": ") + Quoted(record.m_strName) +
               QStringLiteral(",\n");
}

// Opens a named array: `"key": [` on its own line, or `"key": []` when it stays empty.
bool OpenArray(QString& out, const char* key, bool empty, int level) {
    out += Indent(level) + u'"' + QLatin1String(key) + QStringLiteral("\": [");
    if (empty)
        out += u']';
    return !empty;
}

void WriteValues(QString& out, const CEntryData& entry, int level) {
    if (!OpenArray(out, "values", entry.FirstValue() == nullptr, level))
        return;
    out += u'\n';
    for (const CValueData* v = entry.FirstValue(); v; v = v->NextValue()) {
        out += Indent(level + 1) + QStringLiteral("{ \"value\": ") + Quoted(v->m_strCode) +
               QStringLiteral(", \"label\": ") + Quoted(v->m_strName) + QStringLiteral(" }");
        out += v->NextValue() ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    out += Indent(level) + u']';
}

QString JsonNumber(double number) {
    return CRuleCheck::BoundText(number);
}

// The rule members of an entry, each on its own line before "values"; none for an entry
// without a rule.
void WriteRule(QString& out, const CEntryRule& rule, int level) {
    const auto member = [&](const char* key, const QString& json) {
        out += Indent(level) + u'"' + QLatin1String(key) + QStringLiteral("\": ") + json +
               QStringLiteral(",\n");
    };
    if (rule.m_type != EValueType::Unset)
        member("type", Quoted(CEntryRule::TypeName(rule.m_type)));
    if (rule.m_min)
        member("min", JsonNumber(*rule.m_min));
    if (rule.m_max)
        member("max", JsonNumber(*rule.m_max));
    if (rule.m_default)
        member("default", Quoted(*rule.m_default));
    if (rule.m_bRequired)
        member("required", QStringLiteral("true"));
    if (!rule.m_strDescription.isEmpty())
        member("description", Quoted(rule.m_strDescription));
}

void WriteEntries(QString& out, const CSectionData& section, int level) {
    if (!OpenArray(out, "entries", section.FirstEntry() == nullptr, level))
        return;
    out += u'\n';
    for (const CEntryData* e = section.FirstEntry(); e; e = e->NextEntry()) {
        out += Indent(level + 1) + QStringLiteral("{\n");
        WriteNameAndLabel(out, *e, e->m_strCode, level + 2);
        WriteRule(out, e->m_rule, level + 2);
        WriteValues(out, *e, level + 2);
        out += u'\n' + Indent(level + 1) + u'}';
        out += e->NextEntry() ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    out += Indent(level) + u']';
}

void WriteSections(QString& out, const CProjectData& project) {
    if (!OpenArray(out, "sections", project.FirstSection() == nullptr, 1))
        return;
    out += u'\n';
    for (const CSectionData* s = project.FirstSection(); s; s = s->NextSection()) {
        out += Indent(2) + QStringLiteral("{\n");
        WriteNameAndLabel(out, *s, s->m_strCode, 3);
        WriteEntries(out, *s, 3);
        out += u'\n' + Indent(2) + u'}';
        out += s->NextSection() ? QStringLiteral(",\n") : QStringLiteral("\n");
    }
    out += Indent(1) + u']';
}

// --- reading ---------------------------------------------------------------------------------

// Line and column (both from 1, the column in characters) of a byte offset into UTF-8 text.
QString LineAndColumn(const QByteArray& bytes, qsizetype offset) {
    int line = 1;
    int column = 1;
    for (qsizetype i = 0; i < offset && i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column;
        }
    }
    return QStringLiteral("%1 行 %2 列").arg(line).arg(column);
}

// Qt's own text for a parse error is translated in the desktop program (which loads Qt's
// Japanese texts) and not in quillet-cli: both must show the same words, so they are ours.
QString ParseErrorText(QJsonParseError::ParseError error) {
    switch (error) {
    case QJsonParseError::UnterminatedObject:
        return QStringLiteral("オブジェクトが閉じていないか \",\" がありません");
    case QJsonParseError::MissingNameSeparator:
        return QStringLiteral("キーの後に \":\" がありません");
    case QJsonParseError::UnterminatedArray:
        return QStringLiteral("配列が閉じていません");
    case QJsonParseError::MissingValueSeparator:
        return QStringLiteral("値の間に \",\" がありません");
    case QJsonParseError::IllegalValue:
        return QStringLiteral("値が正しくありません");
    case QJsonParseError::TerminationByNumber:
    case QJsonParseError::IllegalNumber:
        return QStringLiteral("数値が正しくありません");
    case QJsonParseError::IllegalEscapeSequence:
        return QStringLiteral("エスケープが正しくありません");
    case QJsonParseError::IllegalUTF8String:
        return QStringLiteral("UTF-8 として正しくないバイトがあります");
    case QJsonParseError::UnterminatedString:
        return QStringLiteral("文字列が閉じていません");
    case QJsonParseError::MissingObject:
        return QStringLiteral("オブジェクトがありません");
    case QJsonParseError::DeepNesting:
        return QStringLiteral("入れ子が深すぎます");
    case QJsonParseError::GarbageAtEnd:
        return QStringLiteral("終わりの後に余計な文字があります");
    default:
        return QStringLiteral("大きすぎるか正しくありません");
    }
}

QString Malformed(const QString& key, const QString& where) {
    return Refusal(QStringLiteral("\"%1\" の形が正しくありません").arg(key), where);
}

// Reads a text member; a missing one reads as empty (the checks then say what is missing).
bool ReadText(const QJsonObject& object, const QString& key, QString& text, QString& error,
              const QString& where) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined()) {
        text.clear();
        return true;
    }
    if (!value.isString()) {
        error = Malformed(key, where);
        return false;
    }
    text = value.toString();
    return true;
}

// The array member `key` of `object`, each element an object; false with the error otherwise.
// A missing member is an empty array where a hand-written file may leave it out.
bool ReadObjects(const QJsonObject& object, const QString& key, QJsonArray& array, QString& error,
                 const QString& where, bool bMayBeMissing = true) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() && bMayBeMissing) {
        array = QJsonArray();
        return true;
    }
    if (!value.isArray()) {
        error = Malformed(key, where);
        return false;
    }
    array = value.toArray();
    for (const QJsonValue& item : array) {
        if (!item.isObject()) {
            error = Malformed(key, where);
            return false;
        }
    }
    return true;
}

bool ReadValues(const QJsonObject& json, CEntryData& entry, const QString& where, QString& error) {
    QJsonArray values;
    if (!ReadObjects(json, QStringLiteral("values"), values, error, where))
        return false;
    CValueData* last = nullptr;
    int index = 0;
    for (const QJsonValue& item : values) {
        const QJsonObject object = item.toObject();
        const QString at = where + QStringLiteral("の値 %1").arg(++index);
        if (!object.value(QStringLiteral("value")).isString()) {
            error = Malformed(QStringLiteral("value"), at);
            return false;
        }
        QString label;
        if (!ReadText(object, QStringLiteral("label"), label, error, at))
            return false;
        last = entry.AppendValue(object.value(QStringLiteral("value")).toString(), label, last);
    }
    return true;
}

bool ReadFlag(const QJsonObject& object, const QString& key, bool& flag, QString& error,
              const QString& where) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return true;
    if (!value.isBool()) {
        error = Malformed(key, where);
        return false;
    }
    flag = value.toBool();
    return true;
}

bool ReadBound(const QJsonObject& object, const QString& key, std::optional<double>& bound,
               QString& error, const QString& where) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined())
        return true;
    if (!value.isDouble()) {
        error = Refusal(QStringLiteral("\"%1\" が数値ではありません").arg(key), where);
        return false;
    }
    bound = value.toDouble();
    return true;
}

bool ReadType(const QJsonObject& object, EValueType& type, QString& error, const QString& where) {
    const QJsonValue value = object.value(QStringLiteral("type"));
    if (value.isUndefined())
        return true;
    if (!value.isString() || !CEntryRule::TypeFromName(value.toString(), type)) {
        error = Refusal(QStringLiteral("\"type\" は text, integer, number, boolean, choice の"
                                       "どれかです"),
                        where);
        return false;
    }
    return true;
}

// The rule members of an entry; what the rule means together is checked with the rest of the
// list afterwards.
bool ReadRule(const QJsonObject& object, CEntryRule& rule, QString& error, const QString& where) {
    if (!ReadType(object, rule.m_type, error, where) ||
        !ReadBound(object, QStringLiteral("min"), rule.m_min, error, where) ||
        !ReadBound(object, QStringLiteral("max"), rule.m_max, error, where) ||
        !ReadFlag(object, QStringLiteral("required"), rule.m_bRequired, error, where) ||
        !ReadText(object, QStringLiteral("description"), rule.m_strDescription, error, where))
        return false;
    const QJsonValue value = object.value(QStringLiteral("default"));
    if (value.isUndefined())
        return true;
    if (!value.isString()) {
        error = Malformed(QStringLiteral("default"), where);
        return false;
    }
    rule.m_default = value.toString();
    return true;
}

bool ReadEntries(const QJsonObject& json, CSectionData& section, const QString& where,
                 QString& error) {
    QJsonArray entries;
    if (!ReadObjects(json, QStringLiteral("entries"), entries, error, where))
        return false;
    CEntryData* last = nullptr;
    int index = 0;
    for (const QJsonValue& item : entries) {
        const QJsonObject object = item.toObject();
        const QString at = where + QStringLiteral("のエントリ %1").arg(++index);
        QString name, label;
        if (!ReadText(object, QStringLiteral("name"), name, error, at) ||
            !ReadText(object, QStringLiteral("label"), label, error, at))
            return false;
        last = section.AppendEntry(name, label, last);
        const QString entryWhere = EntryWhere(where, *last, index);
        if (!ReadRule(object, last->m_rule, error, entryWhere) ||
            !ReadValues(object, *last, entryWhere, error))
            return false;
    }
    return true;
}

bool ReadSections(const QJsonObject& json, CProjectData& project, QString& error) {
    QJsonArray sections;
    if (!ReadObjects(json, QStringLiteral("sections"), sections, error, QStringLiteral("値リスト"),
                     false))
        return false;
    CSectionData* last = nullptr;
    int index = 0;
    for (const QJsonValue& item : sections) {
        const QJsonObject object = item.toObject();
        const QString at = QStringLiteral("セクション %1").arg(++index);
        QString name, label;
        if (!ReadText(object, QStringLiteral("name"), name, error, at) ||
            !ReadText(object, QStringLiteral("label"), label, error, at))
            return false;
        last = project.AppendSection(name, label, last);
        if (!ReadEntries(object, *last, SectionWhere(*last, index), error))
            return false;
    }
    return true;
}

// The format and version members: another program's JSON, or a file of a later version whose
// meaning this one cannot know, is refused before anything else is looked at.
bool ReadHeader(const QJsonObject& json, QString& error) {
    if (json.value(QStringLiteral("format")).toString() != kFormat) {
        error =
            QStringLiteral("値リストのファイルではありません (\"format\" が \"%1\" ではありません)")
                .arg(kFormat);
        return false;
    }
    const QJsonValue version = json.value(QStringLiteral("version"));
    const double number = version.toDouble(-1);
    if (!version.isDouble() || number < 1 || number != double(qint64(number))) {
        error = Malformed(QStringLiteral("version"), QStringLiteral("値リスト"));
        return false;
    }
    if (number > kVersion) {
        error =
            QStringLiteral("この版では読めない値リストのファイルです (version %1; %2 まで読めます)")
                .arg(qint64(number))
                .arg(kVersion);
        return false;
    }
    return true;
}

// The text of a JSON string token as a key; only a token with escapes needs the parser.
QByteArray KeyOf(const QByteArray& token) {
    if (!token.contains('\\'))
        return token.mid(1, token.size() - 2);
    const QJsonDocument wrapped = QJsonDocument::fromJson("[" + token + "]");
    return wrapped.array().at(0).toString().toUtf8();
}

// A key given twice in one object: the JSON reader keeps one of them without a word, so what
// the hand-writer meant would be lost. `text` has been parsed already, so it is well formed.
QString RepeatedKey(const QByteArray& text) {
    struct Level {
        bool bObject;
        bool bKeyNext;
        QSet<QByteArray> keys;
    };
    std::vector<Level> levels;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            qsizetype end = i + 1;
            while (end < text.size() && text[end] != '"')
                end += text[end] == '\\' ? 2 : 1;
            if (!levels.empty() && levels.back().bObject && levels.back().bKeyNext) {
                const QByteArray key = KeyOf(text.mid(i, end - i + 1));
                if (levels.back().keys.contains(key))
                    return QStringLiteral("同じキー \"%1\" が繰り返されています: %2")
                        .arg(QString::fromUtf8(key), LineAndColumn(text, i));
                levels.back().keys.insert(key);
                levels.back().bKeyNext = false;
            }
            i = end;
        } else if (c == '{' || c == '[') {
            levels.push_back({c == '{', c == '{', {}});
        } else if ((c == '}' || c == ']') && !levels.empty()) {
            levels.pop_back();
        } else if (c == ',' && !levels.empty() && levels.back().bObject) {
            levels.back().bKeyNext = true;
        }
    }
    return {};
}

} // namespace

QString CValueListFile::Check(const CProjectData& project) {
    const QString list = QStringLiteral("値リスト");
    QString error = CheckName(project.m_strName, list);
    if (error.isEmpty())
        error = CheckTexts({&project.m_strName}, list);
    QSet<QString> seen;
    int index = 0;
    for (const CSectionData* s = project.FirstSection(); s && error.isEmpty();
         s = s->NextSection()) {
        const QString at = SectionWhere(*s, ++index);
        error = CheckName(s->m_strCode, at);
        if (error.isEmpty())
            error = CheckTexts({&s->m_strCode, &s->m_strName}, at);
        if (error.isEmpty() && s->m_strCode.contains(u']'))
            error = Refusal(QStringLiteral("INI ファイルのセクション名には「]」を書けません"), at);
        if (error.isEmpty() && seen.contains(Text::FoldCase(s->m_strCode)))
            error = Refusal(QStringLiteral("セクションが重複しています"), at);
        if (error.isEmpty())
            error = CheckEntries(*s, at);
        seen.insert(Text::FoldCase(s->m_strCode));
    }
    return error;
}

QByteArray CValueListFile::ToJson(const CProjectData& project, QString& error) {
    error = Check(project);
    if (!error.isEmpty())
        return {};
    QString out = QStringLiteral("{\n");
    out += QStringLiteral("  \"format\": ") + Quoted(kFormat) + QStringLiteral(",\n");
    out += QStringLiteral("  \"version\": %1,\n")
               .arg(project.HasRules() ? kVersion : kVersionWithoutRules);
    out += QStringLiteral("  \"name\": ") + Quoted(project.m_strName) + QStringLiteral(",\n");
    if (project.m_bReportUnknownKeys)
        out += QStringLiteral("  \"reportUnknownKeys\": true,\n");
    WriteSections(out, project);
    out += QStringLiteral("\n}\n");
    return out.toUtf8();
}

std::unique_ptr<CProjectData> CValueListFile::FromJson(const QByteArray& bytes, QString& error) {
    // Editors on Windows like to start UTF-8 files with a byte-order mark; it says nothing.
    const qsizetype bom = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const QByteArray text = bytes.mid(bom);
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(text, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        // Qt's offset lies just past the character it stumbled on, unless the text ended.
        const qsizetype offset = parseError.offset > 0 && parseError.offset < text.size()
                                     ? parseError.offset - 1
                                     : parseError.offset;
        error = QStringLiteral("JSON として読めません: %1 (%2)")
                    .arg(LineAndColumn(text, offset), ParseErrorText(parseError.error));
        return nullptr;
    }
    error = RepeatedKey(text);
    if (!error.isEmpty())
        return nullptr;
    if (!document.isObject()) {
        error =
            QStringLiteral("値リストのファイルではありません (JSON オブジェクトではありません)");
        return nullptr;
    }
    const QJsonObject json = document.object();
    if (!ReadHeader(json, error))
        return nullptr;
    auto project = std::make_unique<CProjectData>();
    if (!ReadText(json, QStringLiteral("name"), project->m_strName, error,
                  QStringLiteral("値リスト")) ||
        !ReadFlag(json, QStringLiteral("reportUnknownKeys"), project->m_bReportUnknownKeys, error,
                  QStringLiteral("値リスト")) ||
        !ReadSections(json, *project, error))
        return nullptr;
    error = Check(*project);
    return error.isEmpty() ? std::move(project) : nullptr;
}

std::unique_ptr<CProjectData> CValueListFile::ReadFile(const QString& path, QString& error) {
    CFileStamp stamp;
    CRegularFile::Status status = CRegularFile::Status::Ok;
    const bool found = CRegularFile::Stat(path, stamp, &status);
    if (status == CRegularFile::Status::Missing) {
        error = QStringLiteral("ファイルがありません: %1").arg(path);
        return nullptr;
    }
    if (status == CRegularFile::Status::TooLarge || (found && stamp.size > kMaxSize)) {
        error = QStringLiteral("ファイルが大きすぎます (64 MiB まで): %1").arg(path);
        return nullptr;
    }
    QByteArray bytes;
    if (!found || !CRegularFile::Read(path, bytes)) {
        error = QStringLiteral("ファイルを読み込めません: %1").arg(path);
        return nullptr;
    }
    // The file may have grown between the look and the read.
    if (bytes.size() > kMaxSize) {
        error = QStringLiteral("ファイルが大きすぎます (64 MiB まで): %1").arg(path);
        return nullptr;
    }
    return FromJson(bytes, error);
}

bool CValueListFile::WriteFile(const QString& path, const CProjectData& project, QString& error) {
    const QByteArray bytes = ToJson(project, error);
    if (!error.isEmpty())
        return false;
    QString reason;
    if (CFileReplacer::Replace(
            path, bytes, nullptr, QByteArray(), [] { return true; }, reason) !=
        CFileReplacer::Result::Done) {
        error = QStringLiteral("書き出しに失敗しました: %1 (%2)").arg(path, reason);
        return false;
    }
    return true;
}

QString CValueListFile::Where(const CBaseData& record) {
    if (const auto* pValue = dynamic_cast<const CValueData*>(&record))
        return ValueWhere(record.m_pParent ? Where(*record.m_pParent) : QString(), *pValue,
                          IndexOf(record));
    if (const auto* pEntry = dynamic_cast<const CEntryData*>(&record))
        return EntryWhere(record.m_pParent ? Where(*record.m_pParent) : QString(), *pEntry,
                          IndexOf(record));
    if (const auto* pSection = dynamic_cast<const CSectionData*>(&record))
        return SectionWhere(*pSection, IndexOf(record));
    return {};
}
