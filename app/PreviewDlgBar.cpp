#include "app/PreviewDlgBar.h"

#include "compare/IniCompare.h"
#include "ini/IniData.h"
#include "platform/RegularFile.h"
#include "platform/TextCodec.h"
#include "platform/TextLines.h"
#include "platform/ui/DialogBuilder.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>
#include <functional>

namespace {

// The highlighted line is placed this many lines below the top of the box.
constexpr int kLinesAboveHighlight = 3;
constexpr int kCutLength = 1021;

// The item a line of the file shows: a header line its section, a key line the entry the
// model holds for that key; the current section follows the headers.
const CObject* ItemOfLine(const CIniData& ini, QStringView line,
                          const CIniSectionData*& currentSection) {
    if (CIniSectionData* section = ini.FindSection(line.toString(), true)) {
        currentSection = section;
        return section;
    }
    if (!currentSection)
        return nullptr;
    return currentSection->FindEntry(line.toString(), true);
}

// The file's text decoded exactly as the INI functions decode it, line by line.
bool ForEachLine(const QString& path, const std::function<void(QStringView)>& onLine) {
    QByteArray bytes;
    if (!CRegularFile::Read(path, bytes))
        return false;
    const CTextCodec::Encoding encoding = CTextCodec::Detect(bytes);
    const qsizetype bomSize = CTextCodec::Bom(encoding).size();
    const QByteArrayView payload = QByteArrayView(bytes).sliced(bomSize);
    CTextLines lines(payload, encoding);
    QStringView line;
    while (lines.nextText(line))
        onLine(line);
    return true;
}

} // namespace

CPreviewDlgBar::CPreviewDlgBar(QWidget* parent) : QWidget(parent) {
    Ui::CDialogBuilder builder(Res::PreviewBarTemplate());
    builder.Build(this);
    setFixedHeight(builder.PixelSize().height());
    m_font = QFont(QStringLiteral("ＭＳ ゴシック"));
    m_font.setPointSize(11);
    m_pEdit = Edit(Res::IDC_PREVIEW);
    m_pEdit1 = Edit(Res::IDC_PREVIEW1);
    m_pEdit2 = Edit(Res::IDC_PREVIEW2);
    for (QPlainTextEdit* edit : {m_pEdit, m_pEdit1, m_pEdit2}) {
        // The highlighted line must stay visible while the grid has the focus.
        QPalette palette = edit->palette();
        for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
            palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
        edit->setPalette(palette);
    }
}

CPreviewDlgBar::~CPreviewDlgBar() = default;

QPlainTextEdit* CPreviewDlgBar::Edit(int editId) const {
    return findChild<QPlainTextEdit*>(QString::number(editId), Qt::FindDirectChildrenOnly);
}

CPreviewDlgBar::LineMap* CPreviewDlgBar::LineMapOf(int editId) {
    switch (editId) {
    case Res::IDC_PREVIEW:
        return &m_lineMap;
    case Res::IDC_PREVIEW1:
        return &m_lineMap1;
    case Res::IDC_PREVIEW2:
        return &m_lineMap2;
    default:
        return nullptr;
    }
}

const CPreviewDlgBar::LineMap& CPreviewDlgBar::GetLineMap(int editId) const {
    static const LineMap none;
    const LineMap* map = const_cast<CPreviewDlgBar*>(this)->LineMapOf(editId);
    return map ? *map : none;
}

void CPreviewDlgBar::ClearBox(QPlainTextEdit* edit, LineMap& lineMap) {
    lineMap.clear();
    edit->hide();
    edit->clear();
}

void CPreviewDlgBar::Clear() {
    ClearBox(m_pEdit, m_lineMap);
    ClearBox(m_pEdit1, m_lineMap1);
    ClearBox(m_pEdit2, m_lineMap2);
}

void CPreviewDlgBar::SetIni(const CIniData* ini) {
    m_lineMap.clear();
    if (!ini) {
        m_pEdit->hide();
        m_pEdit->clear();
        return;
    }
    LoadPreview(m_pEdit, m_lineMap, *ini);
    m_pEdit->show();
    m_pEdit1->hide();
    m_pEdit2->hide();
}

void CPreviewDlgBar::SetCompare(const CIniCompare* compare) {
    m_lineMap1.clear();
    m_lineMap2.clear();
    if (!compare) {
        for (QPlainTextEdit* edit : {m_pEdit1, m_pEdit2}) {
            edit->hide();
            edit->clear();
        }
        return;
    }
    LoadPreview(m_pEdit1, m_lineMap1, *compare->m_pIni1);
    LoadPreview(m_pEdit2, m_lineMap2, *compare->m_pIni2);
    m_pEdit1->show();
    m_pEdit2->show();
    m_pEdit->hide();
}

void CPreviewDlgBar::LoadPreview(QPlainTextEdit* edit, LineMap& lineMap, const CIniData& ini) {
    if (edit->font() != m_font)
        edit->setFont(m_font);
    QString text;
    const CIniSectionData* currentSection = nullptr;
    // A file that cannot be read (gone since the load, say) shows as an empty preview.
    ForEachLine(ini.m_filePath, [&](QStringView line) {
        lineMap.push_back(ItemOfLine(ini, line, currentSection));
        if (line.size() <= kMaxLineLength) {
            text += line;
        } else {
            text += line.first(kCutLength);
            text += u"...";
        }
        text += u'\n';
    });
    edit->setPlainText(text);
}

void CPreviewDlgBar::ShowItem(int editId, const CObject* item) {
    const LineMap* lineMap = LineMapOf(editId);
    if (lineMap)
        ShowItem(Edit(editId), *lineMap, item);
}

void CPreviewDlgBar::ShowItem(QPlainTextEdit* edit, const LineMap& lineMap, const CObject* item) {
    // An entry that is not in the file yet has no line: its section's header stands for it.
    const CObject* target = item;
    if (auto* entry = dynamic_cast<const CIniEntryData*>(item); entry && entry->m_isNew)
        target = entry->m_pSection;
    const auto found = target ? std::find(lineMap.begin(), lineMap.end(), target) : lineMap.end();
    if (found == lineMap.end()) {
        // No line to show: the caret goes to the start, but the text stays where the user
        // was reading it rather than jumping to the top.
        QScrollBar* vertical = edit->verticalScrollBar();
        QScrollBar* horizontal = edit->horizontalScrollBar();
        const int top = vertical->value();
        const int left = horizontal->value();
        edit->setTextCursor(QTextCursor(edit->document()));
        vertical->setValue(top);
        horizontal->setValue(left);
        return;
    }
    const int line = int(found - lineMap.begin());
    // Without line wrapping the vertical scroll position counts lines from the top.
    QScrollBar* vertical = edit->verticalScrollBar();
    vertical->setValue(line - kLinesAboveHighlight);
    const QTextBlock block = edit->document()->findBlockByNumber(line);
    QTextCursor cursor(block);
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
    edit->ensureCursorVisible();
    edit->horizontalScrollBar()->setValue(0);
}
