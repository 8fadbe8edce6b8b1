#include "dialogs/AddDlgBase.h"

#include "dialogs/ScreenFit.h"
#include "ini/IniData.h"
#include "platform/ProfileWriter.h"
#include "platform/TextUtil.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/MessageBox.h"
#include "res/Resource.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

namespace {

const QString kAppTitle = QStringLiteral("Quillet");

template <class Widget> Widget* Control(QWidget* host, int id) {
    return host->findChild<Widget*>(QString::number(id), Qt::FindDirectChildrenOnly);
}

bool HasLineBreak(const QString& text) {
    return text.contains(u'\r') || text.contains(u'\n');
}

} // namespace

CAddDlgBase::CAddDlgBase(const Ui::DialogTemplate& tmpl, std::vector<ValueColumn> values,
                         QWidget* parent)
    : QDialog(parent), m_values(std::move(values)) {
    Ui::CDialogBuilder builder(tmpl);
    builder.Build(this);
    // Fixed at the template's size where it fits; on a smaller screen it opens as large as
    // the screen allows and may be dragged back up to that size.
    setMaximumSize(builder.PixelSize());
    setMinimumSize(FitToScreen(this, builder.PixelSize()));
    resize(minimumSize());

    m_pSection = Control<QComboBox>(this, Res::IDC_ADD_SECTION);
    // Windows' combo box offers no completion: with Qt's inline one, typing the start of an
    // existing name would add that whole name instead of the text typed.
    m_pSection->setCompleter(nullptr);
    m_pEntry = Control<QLineEdit>(this, Res::IDC_ADD_ENTRY);
    for (const ValueColumn& column : m_values)
        m_valueEdits.push_back(Control<QLineEdit>(this, column.editId));
    m_pList = Control<CListCtrl>(this, Res::IDC_ADD_LIST);

    m_pList->InsertColumn(0, QStringLiteral("セクション"), LVCFMT_LEFT, 250);
    m_pList->InsertColumn(1, QStringLiteral("エントリ"), LVCFMT_LEFT, 260);
    for (size_t i = 0; i < m_values.size(); ++i)
        m_pList->InsertColumn(int(i) + 2, m_values[i].heading, LVCFMT_LEFT, m_values[i].width);

    ConnectButton(Res::IDOK, [this] { OnAdd(); });
    ConnectButton(Res::IDC_ADD_COMMIT, [this] { OnCommit(); });
    ConnectButton(Res::IDCANCEL, [this] { reject(); });
}

// As in a Windows dialog, Enter presses the button that has the focus, and the add button
// whenever no button has it.
void CAddDlgBase::ConnectButton(int id, const std::function<void()>& onClick) {
    QPushButton* button = Control<QPushButton>(this, id);
    button->setAutoDefault(true);
    connect(button, &QPushButton::clicked, this, onClick);
}

CAddDlgBase::~CAddDlgBase() = default;

void CAddDlgBase::SortSectionCombo() {
    QStringList names;
    for (int i = 0; i < m_pSection->count(); ++i)
        names.append(m_pSection->itemText(i));
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return Text::CompareNoCase(a, b) < 0;
    });
    m_pSection->clear();
    m_pSection->addItems(names);
    m_pSection->setCurrentIndex(-1);
    m_pSection->clearEditText();
}

void CAddDlgBase::OnAdd() {
    const QString section = Text::Trim(m_pSection->currentText());
    const QString entry = Text::Trim(m_pEntry->text());
    QStringList values;
    for (const QLineEdit* edit : m_valueEdits)
        values.append(Text::Trim(edit->text()));
    if (!CheckNames(section, entry) || !CheckStorable(section, entry, values) ||
        !CheckNotInFiles(section, entry))
        return;
    if (!UpdatePendingRow(section, entry, values)) {
        InsertPendingRow(std::make_unique<PendingRow>(PendingRow{section, entry, values}));
        m_pEntry->clear();
        for (QLineEdit* edit : m_valueEdits)
            edit->clear();
    }
    // Ready for the next entry of the same section.
    m_pEntry->setFocus(Qt::OtherFocusReason);
    m_pEntry->selectAll();
}

bool CAddDlgBase::CheckNames(const QString& section, const QString& entry) {
    if (section.isEmpty())
        return Refuse(QStringLiteral("セクションを入力してください"), m_pSection);
    if (entry.isEmpty())
        return Refuse(QStringLiteral("エントリを入力してください"), m_pEntry);
    if (entry.startsWith(u';'))
        return Refuse(QStringLiteral("エントリの先頭にセミコロンは使用できません"), m_pEntry);
    return true;
}

// The file writer refuses what would not stay one line of the file or would read back as
// something else; caught here, the user can still correct it instead of losing it at save.
bool CAddDlgBase::CheckStorable(const QString& section, const QString& entry,
                                const QStringList& values) {
    struct Input {
        const QString& text;
        QWidget* control;
        std::vector<CIniData*> files;
    };
    std::vector<Input> inputs{{section, m_pSection, TargetFiles()},
                              {entry, m_pEntry, TargetFiles()}};
    for (size_t i = 0; i < m_valueEdits.size(); ++i)
        inputs.push_back({values[qsizetype(i)], m_valueEdits[i], {m_values[i].pIni}});

    for (const Input& input : inputs) {
        if (HasLineBreak(input.text))
            return Refuse(QStringLiteral("改行は使用できません"), input.control);
    }
    if (section.contains(u']'))
        return Refuse(QStringLiteral("セクションに「]」は使用できません"), m_pSection);
    if (entry.contains(u'='))
        return Refuse(QStringLiteral("エントリに「=」は使用できません"), m_pEntry);
    if (entry.startsWith(u'['))
        return Refuse(QStringLiteral("エントリの先頭に「[」は使用できません"), m_pEntry);
    for (const Input& input : inputs) {
        for (const CIniData* file : input.files) {
            if (file && !CProfileWriter::CanHold(file->m_filePath, input.text))
                return Refuse(
                    QStringLiteral("ファイルの文字コードで保存できない文字が含まれています"),
                    input.control);
        }
    }
    return true;
}

bool CAddDlgBase::CheckNotInFiles(const QString& section, const QString& entry) {
    for (const CIniData* file : TargetFiles()) {
        // A section the load left out is not in the model: an entry added to it could
        // overwrite a value of the file that nobody saw.
        for (const CIniData::SkippedSection& skipped : file->SkippedSections()) {
            if (Text::EqualNoCase(skipped.name, section))
                return Refuse(QStringLiteral("このセクションは大きすぎるため編集できません"),
                              m_pSection);
        }
        const CIniSectionData* found = file->FindSection(section, false);
        if (found && found->FindEntry(entry, false))
            return Refuse(QStringLiteral("エントリはすでに存在します"), m_pSection);
    }
    return true;
}

bool CAddDlgBase::Refuse(const QString& text, QWidget* focus) {
    Ui::MessageBox(this, text, kAppTitle, Ui::MB_OK);
    focus->setFocus(Qt::OtherFocusReason);
    return false;
}

bool CAddDlgBase::UpdatePendingRow(const QString& section, const QString& entry,
                                   const QStringList& values) {
    for (int i = 0; i < m_pList->GetItemCount(); ++i) {
        PendingRow* row = RowAt(i);
        if (!Text::EqualNoCase(row->section, section) || !Text::EqualNoCase(row->entry, entry))
            continue;
        row->values = values;
        for (int v = 0; v < values.size(); ++v)
            m_pList->SetItemText(i, v + 2, values[v]);
        return true;
    }
    return false;
}

// A section's rows stay together under its first row, which alone shows the name.
void CAddDlgBase::InsertPendingRow(std::unique_ptr<PendingRow> row) {
    const int sectionRow = LastRowOfSection(row->section);
    const int index = sectionRow >= 0 ? m_pList->InsertItem(sectionRow + 1, QString())
                                      : m_pList->InsertItem(m_pList->GetItemCount(), row->section);
    m_pList->SetItemText(index, 1, row->entry);
    for (int v = 0; v < row->values.size(); ++v)
        m_pList->SetItemText(index, v + 2, row->values[v]);
    m_pList->SetItemData(index, reinterpret_cast<quintptr>(row.get()));
    m_rows.push_back(std::move(row));
}

int CAddDlgBase::LastRowOfSection(const QString& section) const {
    int last = -1;
    for (int i = 0; i < m_pList->GetItemCount(); ++i) {
        if (Text::EqualNoCase(RowAt(i)->section, section))
            last = i;
    }
    return last;
}

CAddDlgBase::PendingRow* CAddDlgBase::RowAt(int index) const {
    return reinterpret_cast<PendingRow*>(m_pList->GetItemData(index));
}

void CAddDlgBase::OnCommit() {
    for (int i = 0; i < m_pList->GetItemCount(); ++i) {
        const PendingRow* row = RowAt(i);
        for (size_t v = 0; v < m_values.size(); ++v) {
            if (m_values[v].pIni)
                m_values[v].pIni->AddEntry(row->section, row->entry, row->values[int(v)]);
        }
    }
    accept();
}

std::vector<CIniData*> CAddDlgBase::TargetFiles() const {
    std::vector<CIniData*> files;
    for (const ValueColumn& column : m_values) {
        if (column.pIni)
            files.push_back(column.pIni);
    }
    return files;
}
