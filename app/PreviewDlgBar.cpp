#include "app/PreviewDlgBar.h"

#include "app/PreviewLineItems.h"
#include "app/PreviewText.h"
#include "compare/IniCompare.h"
#include "ini/IniData.h"
#include "platform/RegularFile.h"
#include "platform/TextCodec.h"
#include "platform/TextLines.h"
#include "platform/ui/DialogBuilder.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"

static_assert(CPreviewDlgBar::kMaxLineLength == CPreviewText::kMaxLineLength);

namespace {

// The highlighted line is placed this many lines below the top of the box.
constexpr int kLinesAboveHighlight = 3;

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
    box.firstLines.Clear();
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
    box.firstLines.Clear();
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
        CPreviewLineItems items(ini);
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
    box.firstLines.Build(lineMap);
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
    const int line = target ? box.firstLines.LineOf(target) : -1;
    if (line < 0) {
        // No line to show: the caret goes to the start, but the text stays where the user
        // was reading it rather than jumping to the top.
        box.edit->MoveCaretToStart();
        box.edit->SetLineNote(-1, {});
        return;
    }
    box.edit->ShowLine(line, kLinesAboveHighlight);
    box.edit->SetLineNote(line, UnsavedNote(item));
}

// The file shows what was saved; the grid may hold more.
QString CPreviewDlgBar::UnsavedNote(const CObject* item) {
    const auto* entry = dynamic_cast<const CIniEntryData*>(item);
    if (entry && entry->m_isNew)
        return QStringLiteral("未保存: %1=%2").arg(entry->Key(), entry->Value());
    if (entry && entry->IsChanged())
        return QStringLiteral("未保存: %1").arg(entry->Value());
    return {};
}
