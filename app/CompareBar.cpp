#include "app/CompareBar.h"

#include <QAction>
#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QToolButton>

CCompareBar::CCompareBar(QAction* differencesOnly, QWidget* parent)
    : QWidget(parent), m_pBack(new QPushButton(QStringLiteral("← 一覧に戻る"), this)),
      m_pPair(new QLabel(this)), m_pIgnore(new QLineEdit(this)),
      m_pIgnoreCase(new QCheckBox(QStringLiteral("値の大文字と小文字を区別しない"), this)),
      m_pDifferences(new QToolButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    m_pBack->setToolTip(QStringLiteral("フォルダのファイル一覧に戻る (Alt+Left)"));
    connect(m_pBack, &QPushButton::clicked, this, &CCompareBar::Back);
    // The button is the view's own command: its check mark is the grid's state.
    m_pDifferences->setDefaultAction(differencesOnly);
    m_pDifferences->setToolButtonStyle(Qt::ToolButtonTextOnly);
    layout->addWidget(m_pBack);
    layout->addWidget(m_pPair, 1);
    auto* ignoreLabel = new QLabel(QStringLiteral("無視するパターン:"), this);
    ignoreLabel->setBuddy(m_pIgnore);
    m_pIgnore->setPlaceholderText(QStringLiteral("Window/*; */Last*"));
    m_pIgnore->setToolTip(
        QStringLiteral("この比較で無視するセクション/キー。「;」で区切り、Enter で適用"));
    m_pIgnore->setMinimumWidth(220);
    connect(m_pIgnore, &QLineEdit::returnPressed, this, &CCompareBar::RulesEdited);
    connect(m_pIgnoreCase, &QCheckBox::toggled, this, &CCompareBar::RulesEdited);
    layout->addWidget(ignoreLabel);
    layout->addWidget(m_pIgnore);
    layout->addWidget(m_pIgnoreCase);
    layout->addWidget(m_pDifferences);
}

CCompareBar::~CCompareBar() = default;

void CCompareBar::ShowState(bool back, const QString& pair) {
    m_pBack->setVisible(back);
    m_pPair->setText(pair);
}

QStringList CCompareBar::IgnorePatterns() const {
    static const QRegularExpression separator(QStringLiteral(";"));
    QStringList patterns;
    for (const QString& part : m_pIgnore->text().split(separator)) {
        if (!part.trimmed().isEmpty())
            patterns.append(part.trimmed());
    }
    return patterns;
}

bool CCompareBar::IgnoresValueCase() const {
    return m_pIgnoreCase->isChecked();
}
