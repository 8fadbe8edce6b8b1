#pragma once

#include "grid/ListCtrlBase.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

// A shown parent window with one grid in it, recording the grid's notifications.
class GridTest : public ::testing::Test {
protected:
    static constexpr unsigned kVisible = 0x10000000;

    void SetUp() override {
        Pelmo::InstallJapaneseFontSubstitutes();
        parent = std::make_unique<QWidget>();
        parent->resize(600, 400);
        grid = new Pelmo::CListCtrlBase;
        grid->Create(kVisible, QRect(10, 10, 500, 300), parent.get(), 1010);
        grid->SetNotifyHandler([this](const Pelmo::GRIDNOTIFY& n) { notes.push_back(n); });
        parent->show();
        QApplication::processEvents();
    }
    void TearDown() override { parent.reset(); }

    // Columns "A".."" of the text kind, and rows of editable texts "r<i>c<j>".
    void Fill(int columns, int rows) {
        for (int c = 0; c < columns; ++c)
            grid->InsertColumn(c, QString(QChar('A' + c)), false, 0, 80);
        for (int r = 0; r < rows; ++r) {
            const int index = grid->InsertItem(r, QStringLiteral("r%1c0").arg(r));
            for (int c = 1; c < columns; ++c)
                grid->SetItemText(index, c, QStringLiteral("r%1c%2").arg(r).arg(c));
        }
    }
    int CountNotes(unsigned code) const {
        int n = 0;
        for (const auto& note : notes)
            n += note.code == code ? 1 : 0;
        return n;
    }

    std::unique_ptr<QWidget> parent;
    Pelmo::CListCtrlBase* grid = nullptr; // owned by parent
    std::vector<Pelmo::GRIDNOTIFY> notes;
};

// Records what the grid passed to its click-edit callback, and answers with `result`.
struct ClickEditLog {
    int calls = 0;
    int editRow = -1;
    int editCol = -1;
    int row = -2;
    int col = -2;
    bool left = false;
    bool result = true;
};

inline bool LogClickEdit(Pelmo::CListCtrlEx*, int nEditRow, int nEditCol, int nRow, int nCol,
                         bool bLeft, void* pData) {
    auto* log = static_cast<ClickEditLog*>(pData);
    ++log->calls;
    log->editRow = nEditRow;
    log->editCol = nEditCol;
    log->row = nRow;
    log->col = nCol;
    log->left = bLeft;
    return log->result;
}
