#pragma once

#include "grid/EditEx.h"
#include "grid/ListBoxEx.h"
#include "tests/grid/GridTestFixture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <utility>

// A grid driven the way a user drives it: keys go to whichever widget has the focus, clicks
// land in the middle of a cell.
class GridInputTest : public GridTest {
protected:
    void SetUp() override {
        GridTest::SetUp();
        parent->activateWindow();
        QApplication::processEvents();
    }

    QWidget* FocusTarget() const {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus : grid;
    }
    void FocusGrid() {
        grid->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(FocusTarget(), Qt::Key(key), mods);
    }
    // One key event per character, so that text outside ASCII arrives as typed.
    void Type(const QString& text) {
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, FocusTarget(), Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
    }

    QPoint CellCenter(int row, int col) const { return grid->GetCellRect(row, col).center(); }
    void Click(int row, int col, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseClick(grid->viewport(), button, mods, CellCenter(row, col));
    }
    void ClickAt(const QPoint& pt, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(grid->viewport(), button, Qt::NoModifier, pt);
    }
    // A move with a button held, delivered as the platform would while the button is down.
    void DragTo(const QPoint& pt, Qt::MouseButton held) {
        QMouseEvent move(QEvent::MouseMove, pt, grid->viewport()->mapToGlobal(pt), Qt::NoButton,
                         held, Qt::NoModifier);
        QApplication::sendEvent(grid->viewport(), &move);
    }

    std::pair<int, int> Current() const {
        int row = -1;
        int col = -1;
        grid->GetCurrentCell(&row, &col, false);
        return {row, col};
    }
    static std::pair<int, int> Cell(int row, int col) { return {row, col}; }
    std::pair<int, int> EditCell() const {
        int row = -1;
        int col = -1;
        grid->GetEditCell(&row, &col);
        return {row, col};
    }

    // The current cell as the user would put it there, with the focus on the grid and the
    // notifications so far forgotten.
    void StartAt(int row, int col) {
        grid->SetCurrentCell(row, col, true, false);
        FocusGrid();
        notes.clear();
    }
    std::vector<Pelmo::GRIDNOTIFY> NotesOf(unsigned code) const {
        std::vector<Pelmo::GRIDNOTIFY> out;
        for (const auto& n : notes) {
            if (n.code == code)
                out.push_back(n);
        }
        return out;
    }
    bool ListOpen() const { return grid->GetListBox()->IsWindow(); }
    bool EditOpen() const { return grid->GetEdit()->IsWindow(); }
};
