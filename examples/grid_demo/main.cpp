// One grid with a column of each kind, cell and column colours, a row header with labels,
// and the append row. Notifications are shown in the line below the grid.
#include "grid/ListCtrlBase.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QResizeEvent>
#include <QWidget>

using namespace Pelmo;

namespace {

constexpr unsigned kVisible = 0x10000000;
constexpr int kNumberColumn = 4;

// The number column takes digits only, so the editor's character filter can be tried by hand.
bool DigitsOnly(CListCtrlEx*, int, int nCol, QChar ch, QChar*, void*) {
    return nCol != kNumberColumn || ch.isDigit();
}

QString Describe(const GRIDNOTIFY& n) {
    static const char* const names[] = {"",     "changed", "delete",     "copy",  "paste",
                                        "cell", "r-click", "append row", "button"};
    const char* name = n.code < 9 ? names[n.code] : "?";
    QString text = QStringLiteral("%1 (code %2, event %3): row %4, column %5")
                       .arg(QString::fromLatin1(name))
                       .arg(n.code)
                       .arg(n.nEvent)
                       .arg(n.nRow)
                       .arg(n.nCol);
    if (n.code == GN_PASTE)
        text += QStringLiteral(", text \"%1\"").arg(static_cast<const GRIDPASTENOTIFY&>(n).strText);
    return text;
}

// The window keeps the grid stretched to its client area, less a strip for the status line.
class CDemoWindow : public QWidget {
public:
    CDemoWindow() {
        setWindowTitle(QStringLiteral("Pelmo grid demo"));
        m_status = new QLabel(this);
        m_grid = new CListCtrlBase;
        m_grid->Create(kVisible, QRect(8, 8, 600, 300), this, 1010);
        m_grid->SetNotifyHandler([this](const GRIDNOTIFY& n) { m_status->setText(Describe(n)); });
        m_grid->SetCharFilter(&DigitsOnly, nullptr);
        Fill();
        m_status->setText(QStringLiteral("F2, typing or a double-click edits; Enter/Tab commit, "
                                         "Esc cancels; F4 or the arrow button opens a choice"));
        resize(720, 420);
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        m_grid->FitToParent(8, 32);
        m_status->setGeometry(8, height() - 26, width() - 16, 20);
    }

private:
    void Fill() {
        m_grid->SetFont(QStringLiteral("ＭＳ ゴシック"), 10, false, false);
        m_grid->SetHeaderFont(QStringLiteral("MS UI Gothic"), 9, true, false);
        m_grid->SetHeaderLines(2);
        m_grid->InsertColumn(0, QStringLiteral("名前\n(text)"), false, LVCFMT_LEFT, 160);
        m_grid->InsertColumn(1, QStringLiteral("有効\n(check)"), false, LVCFMT_CENTER, 60);
        m_grid->InsertColumn(2, QStringLiteral("色\n(choice)"), false, LVCFMT_LEFT, 140);
        m_grid->InsertColumn(3, QStringLiteral("操作\n(button)"), false, LVCFMT_LEFT, 90);
        m_grid->InsertColumn(kNumberColumn, QStringLiteral("数値\n(right)"), false, LVCFMT_RIGHT,
                             90);
        m_grid->SetColumnCheckBox(1);
        const QStringList colours = {QStringLiteral("red|赤"), QStringLiteral("green|緑"),
                                     QStringLiteral("blue|青"), QStringLiteral("none|なし")};
        m_grid->SetColumnChoiceList(2, &colours, 5, QLatin1Char('|'));
        m_grid->SetColumnButton(3);
        m_grid->SetColumnColor(kNumberColumn, RGB(0, 0, 160), RGB(240, 248, 255));

        const char* const keys[] = {"red", "green", "blue", "none"};
        for (int i = 0; i < 12; ++i) {
            const int row = m_grid->InsertItem(i, QStringLiteral("項目 %1").arg(i + 1), i == 3);
            m_grid->SetItemText(row, 1, i % 2 ? QStringLiteral("1") : QString());
            m_grid->SetItemText(row, 2, QString::fromLatin1(keys[i % 4]));
            m_grid->SetItemText(row, 3, QStringLiteral("実行"));
            m_grid->SetItemText(row, kNumberColumn, QString::number((i + 1) * 125));
        }
        m_grid->SetCellColor(1, 0, CLR_UNCHANGED, RGB(255, 255, 160)); // a changed value
        m_grid->SetCellColor(2, 0, RGB(200, 0, 0), CLR_UNCHANGED);
        m_grid->SetCellReadOnly(5, 0, true);
        m_grid->SetRowLabel(0, QStringLiteral("先頭"));
        m_grid->SetRowHeaderWidth(40);
        m_grid->SetAppendRow(true);
        m_grid->SetCurrentCell(0, 0, true, false);
    }

    CListCtrlBase* m_grid = nullptr;
    QLabel* m_status = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstallJapaneseFontSubstitutes();
    CDemoWindow window;
    window.show();
    // grid_demo <file.png> saves a picture of the window instead of running it (handy on
    // machines without a display: QT_QPA_PLATFORM=offscreen).
    if (argc > 1) {
        QApplication::processEvents();
        return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    }
    return app.exec();
}
