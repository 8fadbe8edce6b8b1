#include "app/PreviewDlgBar.h"

#include "app/PreviewText.h"
#include "compare/IniCompare.h"
#include "ini/IniData.h"
#include "platform/RegularFile.h"
#include "platform/TextCodec.h"
#include "platform/TextLines.h"
#include "platform/TextUtil.h"
#include "platform/ui/DialogBuilder.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"

static_assert(CPreviewDlgBar::kMaxLineLength == CPreviewText::kMaxLineLength);

namespace {

// The highlighted line is placed this many lines below the top of the box.
constexpr int kLinesAboveHighlight = 3;

QStringView TrimmedView(QStringView s) {
    qsizetype end = s.size();
    while (end > 0 && Text::IsWhiteSpace(s[end - 1]))
        --end;
    qsizetype begin = 0;
    while (begin < end && Text::IsWhiteSpace(s[begin]))
        ++begin;
    return s.sliced(begin, end - begin);
}

// The name a header line gives: from after "[" to the first "]", or to the end without one.
QStringView HeaderName(QStringView header) {
    const QStringView rest = header.sliced(1);
    const qsizetype close = rest.indexOf(u']');
    return close < 0 ? rest : rest.first(close);
}

// Follows a file's lines with the section they are in, to tell the item each line shows: a
// header line its section, a key line the entry the model holds for that key. The model keeps
// a section's entries in line order, so each key line is first tried against the entry after
// the last one matched; only a line out of that order (a later duplicate, say) asks the
// section's key index, which the load leaves unbuilt.
class CLineItems {
public:
    explicit CLineItems(const CIniData& ini) : m_ini(ini) {}

    const CObject* ItemOf(QStringView line) {
        const QStringView trimmed = TrimmedView(line);
        if (trimmed.startsWith(u'[')) {
            m_section = m_ini.FindSection(HeaderName(trimmed).toString(), false);
            m_next = 0;
            return m_section;
        }
        if (!m_section || trimmed.startsWith(u';'))
            return nullptr;
        const qsizetype equals = line.indexOf(u'=');
        const QStringView key = equals > 0 ? TrimmedView(line.first(equals)) : QStringView();
        if (key.isEmpty())
            return nullptr;
        const auto& entries = m_section->m_entries;
        if (m_next < entries.size()) {
            const QString& next = entries[m_next]->m_key;
            // The file's own spelling is the model's, so an exact match is the common case.
            if (next == key || Text::EqualNoCase(next, key))
                return entries[m_next++].get();
        }
        return m_section->FindEntry(key.toString(), false);
    }

private:
    const CIniData& m_ini;
    const CIniSectionData* m_section = nullptr;
    size_t m_next = 0;
};

} // namespace

CPreviewDlgBar::CPreviewDlgBar(QWidget* parent) : QWidget(parent) {
    Ui::CDialogBuilder builder(Res::PreviewBarTemplate());
    builder.Build(this, [](const Ui::ControlTemplate&, QWidget* host) -> QWidget* {
        return new CPreviewText(host);
    });
    setFixedHeight(builder.PixelSize().height());
    QFont font(QStringLiteral("ＭＳ ゴシック"));
    font.setPointSize(11);
    m_single.edit = Edit(Res::IDC_PREVIEW);
    m_left.edit = Edit(Res::IDC_PREVIEW1);
    m_right.edit = Edit(Res::IDC_PREVIEW2);
    for (CPreviewText* edit : {m_single.edit, m_left.edit, m_right.edit}) {
        edit->setFont(font);
        // The highlighted line must stay visible while the grid has the focus.
        QPalette palette = edit->palette();
        for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
            palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
        edit->setPalette(palette);
    }
}

CPreviewDlgBar::~CPreviewDlgBar() = default;

CPreviewText* CPreviewDlgBar::Edit(int editId) const {
    return findChild<CPreviewText*>(QString::number(editId), Qt::FindDirectChildrenOnly);
}

CPreviewDlgBar::Box* CPreviewDlgBar::BoxOf(int editId) {
    switch (editId) {
    case Res::IDC_PREVIEW:
        return &m_single;
    case Res::IDC_PREVIEW1:
        return &m_left;
    case Res::IDC_PREVIEW2:
        return &m_right;
    default:
        return nullptr;
    }
}

const CPreviewDlgBar::LineMap& CPreviewDlgBar::GetLineMap(int editId) const {
    static const LineMap none;
    const Box* box = const_cast<CPreviewDlgBar*>(this)->BoxOf(editId);
    return box ? box->lineMap : none;
}

void CPreviewDlgBar::ClearBox(Box& box) {
    box.lineMap = {};
    box.firstLines = {};
    box.edit->hide();
    box.edit->Clear();
}

void CPreviewDlgBar::Clear() {
    for (Box* box : {&m_single, &m_left, &m_right})
        ClearBox(*box);
}

void CPreviewDlgBar::SetIni(const CIniData* ini) {
    if (!ini) {
        ClearBox(m_single);
        return;
    }
    LoadPreview(m_single, *ini);
    m_single.edit->show();
    m_left.edit->hide();
    m_right.edit->hide();
}

void CPreviewDlgBar::SetCompare(const CIniCompare* compare) {
    if (!compare) {
        ClearBox(m_left);
        ClearBox(m_right);
        return;
    }
    LoadPreview(m_left, *compare->m_pIni1);
    LoadPreview(m_right, *compare->m_pIni2);
    m_left.edit->show();
    m_right.edit->show();
    m_single.edit->hide();
}

// The file's text decoded exactly as the INI functions decode it, line by line, with the item
// each line shows. A file that cannot be read (gone since the load, say) shows as empty. The
// box is emptied first and filled only at the end, so that a read stopped half-way (the reader
// reports progress, and a stoppable load's progress may throw) leaves it empty but whole.
void CPreviewDlgBar::LoadPreview(Box& box, const CIniData& ini) {
    box.lineMap = {};
    box.firstLines = {};
    box.edit->Clear();
    LineMap lineMap;
    QString text;
    std::vector<quint32> lineStarts{0};
    QByteArray bytes;
    if (CRegularFile::Read(ini.m_filePath, bytes)) {
        const CTextCodec::Encoding encoding = CTextCodec::Detect(bytes);
        const qsizetype bomSize = CTextCodec::Bom(encoding).size();
        CTextLines lines(QByteArrayView(bytes).sliced(bomSize), encoding);
        // Every line break becomes one "\n" and no break is shorter than one code unit, so
        // the text fits; the lines are copied straight in, a few characters each.
        text.resize(lines.maxTextSize() + 1);
        QChar* end = text.data();
        CLineItems items(ini);
        QStringView line;
        while (lines.nextText(line)) {
            lineMap.push_back(items.ItemOf(line));
            const qsizetype used = end - text.constData();
            if (used + line.size() + 1 > text.size()) { // never, by the bound; but never overrun
                text.resize(used + line.size() + 1 + text.size() / 2);
                end = text.data() + used;
            }
            end = std::copy(line.begin(), line.end(), end);
            *end++ = u'\n';
            lineStarts.push_back(quint32(end - text.constData()));
        }
        text.resize(end - text.constData());
        text.squeeze();
    }
    bytes = {};
    // Walking back, an item's first line is the one that stays.
    box.firstLines.reserve(qsizetype(lineMap.size()));
    for (size_t line = lineMap.size(); line-- > 0;) {
        if (const CObject* item = lineMap[line])
            box.firstLines.insert(item, int(line));
    }
    box.lineMap = std::move(lineMap);
    box.edit->SetText(std::move(text), std::move(lineStarts));
}

void CPreviewDlgBar::ShowItem(int editId, const CObject* item) {
    if (Box* box = BoxOf(editId))
        ShowItem(*box, item);
}

void CPreviewDlgBar::ShowItem(Box& box, const CObject* item) {
    // An entry that is not in the file yet has no line: its section's header stands for it.
    const CObject* target = item;
    if (auto* entry = dynamic_cast<const CIniEntryData*>(item); entry && entry->m_isNew)
        target = entry->m_pSection;
    const auto found = target ? box.firstLines.constFind(target) : box.firstLines.cend();
    if (found == box.firstLines.cend()) {
        // No line to show: the caret goes to the start, but the text stays where the user
        // was reading it rather than jumping to the top.
        box.edit->MoveCaretToStart();
        return;
    }
    box.edit->ShowLine(*found, kLinesAboveHighlight);
}
