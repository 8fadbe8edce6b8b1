#include "view/FolderListView.h"

#include "compare/FilePairStatus.h"
#include "platform/TextUtil.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTreeWidget>

namespace {

enum Column { kStatus, kDiffering, kIgnored, kPath, kDetail, kColumnCount };
constexpr int kSortRole = Qt::UserRole;
constexpr int kPairRole = Qt::UserRole + 1;

// Differing pairs first, then those only one folder has, those that cannot be read, and the
// identical ones last.
int KindRank(CFilePairStatus::Kind kind) {
    switch (kind) {
    case CFilePairStatus::Differs:
        return 0;
    case CFilePairStatus::OnlyIn1:
        return 1;
    case CFilePairStatus::OnlyIn2:
        return 2;
    case CFilePairStatus::Unreadable:
        return 3;
    case CFilePairStatus::Identical:
        break;
    }
    return 4;
}

// A row sorts by the key of the sorted column, then by its path.
class CPairItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem& other) const override {
        const int col = treeWidget() ? treeWidget()->sortColumn() : kStatus;
        if (col != kPath && col != kDetail) {
            const qlonglong a = data(col, kSortRole).toLongLong();
            const qlonglong b = other.data(col, kSortRole).toLongLong();
            if (a != b)
                return a < b;
        } else if (col == kDetail) {
            const int order = Text::CompareNoCase(text(kDetail), other.text(kDetail));
            if (order != 0)
                return order < 0;
        }
        return Text::CompareNoCase(text(kPath), other.text(kPath)) < 0;
    }
};

QString CountText(const CFilePairStatus& status, int count) {
    const bool compared =
        status.kind == CFilePairStatus::Differs || status.kind == CFilePairStatus::Identical;
    return compared ? QString::number(count) : QString();
}

} // namespace

CFolderListView::CFolderListView(QWidget* parent)
    : QWidget(parent), m_pFolders(new QLabel(this)), m_pIgnore(new QLineEdit(this)),
      m_pIgnoreCase(new QCheckBox(QStringLiteral("値の大文字と小文字を区別しない"), this)),
      m_pList(new QTreeWidget(this)), m_pSummary(new QLabel(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* top = new QHBoxLayout;
    auto* choose = new QPushButton(QStringLiteral("フォルダを選ぶ..."), this);
    connect(choose, &QPushButton::clicked, this, &CFolderListView::ChooseFolders);
    top->addWidget(choose);
    top->addWidget(m_pFolders, 1);
    layout->addLayout(top);
    auto* rules = new QHBoxLayout;
    auto* ignoreLabel = new QLabel(QStringLiteral("無視するパターン(&I):"), this);
    ignoreLabel->setBuddy(m_pIgnore);
    m_pIgnore->setPlaceholderText(QStringLiteral("Window/*; */Last*; Recent*/*"));
    m_pIgnore->setToolTip(
        QStringLiteral("セクション/キーのパターン。「;」で区切り、Enter で比較し直す"));
    rules->addWidget(ignoreLabel);
    rules->addWidget(m_pIgnore, 1);
    rules->addWidget(m_pIgnoreCase);
    layout->addLayout(rules);
    connect(m_pIgnore, &QLineEdit::returnPressed, this, &CFolderListView::RulesChanged);
    connect(m_pIgnoreCase, &QCheckBox::toggled, this, &CFolderListView::RulesChanged);

    m_pList->setAccessibleName(QStringLiteral("ファイル一覧"));
    m_pList->setRootIsDecorated(false);
    m_pList->setUniformRowHeights(true);
    m_pList->setAllColumnsShowFocus(true);
    m_pList->setHeaderLabels({QStringLiteral("状態"), QStringLiteral("差のある行"),
                              QStringLiteral("無視した行"), QStringLiteral("ファイル"),
                              QStringLiteral("詳細")});
    m_pList->setColumnWidth(kStatus, 170);
    m_pList->setColumnWidth(kDiffering, 90);
    m_pList->setColumnWidth(kIgnored, 90);
    m_pList->setColumnWidth(kPath, 360);
    m_pList->setSortingEnabled(true);
    m_pList->sortByColumn(kStatus, Qt::AscendingOrder);
    m_pList->installEventFilter(this);
    connect(m_pList, &QTreeWidget::itemDoubleClicked, this, [this] { OpenCurrent(); });
    layout->addWidget(m_pList, 1);
    layout->addWidget(m_pSummary);
}

CFolderListView::~CFolderListView() = default;

void CFolderListView::Reset(const QString& folder1, const QString& folder2) {
    m_pList->clear();
    m_items.clear();
    m_pFolders->setText(QStringLiteral("1: %1    2: %2").arg(folder1, folder2));
    m_pSummary->clear();
}

void CFolderListView::SetPair(size_t index, const CFilePairStatus& status) {
    if (index >= m_items.size())
        m_items.resize(index + 1, nullptr);
    QTreeWidgetItem* item = m_items[index];
    if (!item) {
        item = new CPairItem;
        item->setData(kStatus, kPairRole, qulonglong(index));
        item->setTextAlignment(kDiffering, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(kIgnored, Qt::AlignRight | Qt::AlignVCenter);
        m_items[index] = item;
    }
    item->setText(kStatus, status.KindText());
    item->setData(kStatus, kSortRole, KindRank(status.kind));
    item->setText(kDiffering, CountText(status, status.differingRows));
    item->setData(kDiffering, kSortRole, status.differingRows);
    item->setText(kIgnored, CountText(status, status.ignoredRows));
    item->setData(kIgnored, kSortRole, status.ignoredRows);
    item->setText(kPath, status.Path());
    item->setText(kDetail, status.Detail());
    const bool differs = status.CountsAsDifferent() || status.kind == CFilePairStatus::Unreadable;
    QFont font = m_pList->font();
    font.setBold(differs);
    item->setFont(kStatus, font);
    if (!item->treeWidget())
        m_pList->addTopLevelItem(item);
}

int CFolderListView::CurrentPair() const {
    const QTreeWidgetItem* item = m_pList->currentItem();
    return item ? item->data(kStatus, kPairRole).toInt() : -1;
}

void CFolderListView::SelectPair(size_t index) {
    if (index < m_items.size() && m_items[index]) {
        m_pList->setCurrentItem(m_items[index]);
        m_pList->scrollToItem(m_items[index]);
    }
}

int CFolderListView::PairCount() const {
    return m_pList->topLevelItemCount();
}

void CFolderListView::SetSummary(const QString& text) {
    m_pSummary->setText(text);
}

QString CFolderListView::Summary() const {
    return m_pSummary->text();
}

QStringList CFolderListView::IgnorePatterns() const {
    static const QRegularExpression separators(QStringLiteral("[;\\n]"));
    QStringList patterns;
    for (const QString& part : m_pIgnore->text().split(separators)) {
        if (!part.trimmed().isEmpty())
            patterns.append(part.trimmed());
    }
    return patterns;
}

bool CFolderListView::IgnoresValueCase() const {
    return m_pIgnoreCase->isChecked();
}

void CFolderListView::SetIgnorePatterns(const QStringList& patterns) {
    m_pIgnore->setText(patterns.join(QStringLiteral("; ")));
}

void CFolderListView::OpenCurrent() {
    const int index = CurrentPair();
    if (index >= 0)
        emit OpenPair(index);
}

bool CFolderListView::eventFilter(QObject* watched, QEvent* event) {
    // Enter opens the pair whatever the platform's activation key.
    if (watched == m_pList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            OpenCurrent();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
