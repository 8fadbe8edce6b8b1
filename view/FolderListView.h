#pragma once

#include <QWidget>
#include <vector>

struct CFilePairStatus;
class QCheckBox;
class QLabel;
class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// The files of two compared folders, one row per pair: its status, the rows that differ, the
// rows an ignore pattern takes away, its path and why it cannot be read. Sorted by any column
// (a click on its heading); at first the differing pairs come first. Enter or a double-click
// asks for the pair to be opened. Above the list: the two folders, the window's own ignore
// patterns and whether values compare without regard to case.
class CFolderListView : public QWidget {
    Q_OBJECT
public:
    explicit CFolderListView(QWidget* parent = nullptr);
    ~CFolderListView() override;

    // Empties the list for a new comparison of these folders.
    void Reset(const QString& folder1, const QString& folder2);
    // The row of pair `index` (as the comparison numbers them) shows status; added the first
    // time, its place in the sort kept after.
    void SetPair(size_t index, const CFilePairStatus& status);
    // The pair of the current row; -1 without one.
    int CurrentPair() const;
    void SelectPair(size_t index);
    int PairCount() const;
    // The counts under the list: how many pairs of each kind, and what is still to come.
    void SetSummary(const QString& text);
    QString Summary() const;

    // The patterns typed into the field, one per ";" or line.
    QStringList IgnorePatterns() const;
    bool IgnoresValueCase() const;
    void SetIgnorePatterns(const QStringList& patterns);

    QTreeWidget* List() const { return m_pList; }
    QLineEdit* IgnoreField() const { return m_pIgnore; }

signals:
    void OpenPair(int index);
    // The ignore patterns or the case setting changed: the pairs are to be compared again.
    void RulesChanged();
    void ChooseFolders();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OpenCurrent();

    QLabel* m_pFolders;
    QLineEdit* m_pIgnore;
    QCheckBox* m_pIgnoreCase;
    QTreeWidget* m_pList;
    QLabel* m_pSummary;
    std::vector<QTreeWidgetItem*> m_items; // by pair index; null until the pair is listed
};
