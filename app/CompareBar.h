#pragma once

#include <QWidget>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// The strip above a comparison: the way back to the folder list (while there is one), the
// pair shown, ignore patterns and the case of values for this comparison, and the toggle of
// "差分のみ表示" with its state.
class CCompareBar : public QWidget {
    Q_OBJECT
public:
    CCompareBar(QAction* differencesOnly, QWidget* parent = nullptr);
    ~CCompareBar() override;

    // back: a folder list to go back to; pair: its path, empty outside a folder comparison.
    void ShowState(bool back, const QString& pair);
    QPushButton* BackButton() const { return m_pBack; }
    QToolButton* DifferencesButton() const { return m_pDifferences; }
    QLineEdit* IgnoreField() const { return m_pIgnore; }
    // The patterns typed, split at ";", and whether values compare without regard to case.
    QStringList IgnorePatterns() const;
    bool IgnoresValueCase() const;

signals:
    void Back();
    // Enter in the pattern field, or the case box changed.
    void RulesEdited();

private:
    QPushButton* m_pBack;
    QLabel* m_pPair;
    QLineEdit* m_pIgnore;
    QCheckBox* m_pIgnoreCase;
    QToolButton* m_pDifferences;
};
