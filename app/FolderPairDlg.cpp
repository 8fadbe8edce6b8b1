#include "app/FolderPairDlg.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

CFolderPairDlg::CFolderPairDlg(const QString& folder1, const QString& folder2, QWidget* parent)
    : QDialog(parent), m_pFolder1(new QLineEdit(folder1, this)),
      m_pFolder2(new QLineEdit(folder2, this)) {
    setWindowTitle(QStringLiteral("フォルダの比較"));
    auto* grid = new QGridLayout(this);
    int row = 0;
    for (QLineEdit* field : {m_pFolder1, m_pFolder2}) {
        auto* label = new QLabel(QStringLiteral("フォルダ&%1:").arg(row + 1), this);
        label->setBuddy(field);
        field->setMinimumWidth(420);
        auto* browse = new QPushButton(QStringLiteral("参照..."), this);
        // Enter in a field compares; only a click or Space browses.
        browse->setAutoDefault(false);
        connect(browse, &QPushButton::clicked, this, [this, field] { Browse(field); });
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        grid->addWidget(browse, row, 2);
        ++row;
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("比較"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    grid->addWidget(buttons, row, 0, 1, 3);
}

CFolderPairDlg::~CFolderPairDlg() = default;

QString CFolderPairDlg::Folder(int side) const {
    return Field(side)->text().trimmed();
}

void CFolderPairDlg::Browse(QLineEdit* field) {
    const QString chosen =
        QFileDialog::getExistingDirectory(this, QStringLiteral("フォルダを選ぶ"), field->text());
    if (!chosen.isEmpty())
        field->setText(QDir::toNativeSeparators(chosen));
}
