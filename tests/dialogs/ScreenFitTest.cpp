// Dialogs made for a desktop, opened on a small screen: within its available area, and nothing
// of them outside the window.
#include "compare/IniCompare.h"
#include "dialogs/AddCompareDlg.h"
#include "dialogs/ProjectDlg.h"
#include "dialogs/ProjectEditDlg.h"
#include "tests/dialogs/AddDlgDriver.h"
#include "tests/dialogs/ValueListDlgFixture.h"

#include <QGuiApplication>
#include <QScreen>

namespace {

class ScreenFit : public ValueListDlgTest {
protected:
    void SetUp() override {
        ValueListDlgTest::SetUp();
        for (QScreen* screen : QGuiApplication::screens()) {
            if (screen->name() == "small")
                small = screen;
        }
        ASSERT_NE(small, nullptr) << "the test main gives a small second screen";
    }
    // A parent on the small screen; showing a dialog over it may move it, so each asks anew.
    QWidget* OnSmall() {
        host.setScreen(small);
        return &host;
    }

    // bWider: the dialog's template is wider than the small screen.
    void ExpectFits(QDialog& dlg, bool bWider) {
        const QSize made = dlg.sizeHint();
        ShowActive(&dlg);
        const QSize available = small->availableSize();
        EXPECT_EQ(made.width() > available.width(), bWider);
        EXPECT_LE(dlg.width(), available.width());
        EXPECT_LE(dlg.height(), available.height());
        EXPECT_LE(dlg.minimumWidth(), available.width());
        for (QWidget* child : dlg.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisible()) {
                EXPECT_TRUE(dlg.rect().contains(child->geometry()))
                    << child->objectName().toStdString();
            }
        }
    }

    QScreen* small = nullptr;
    QWidget host;
};

TEST_F(ScreenFit, TheValueListAndAddDialogsFitASmallScreen) {
    {
        CProjectEditDlg dlg(db.get(), nullptr, nullptr, OnSmall());
        ExpectFits(dlg, true);
    }
    {
        CProjectDlg dlg(db.get(), nullptr, 0, OnSmall());
        ExpectFits(dlg, false);
    }
    AddDlgTest::CIniFile one(QStringLiteral("one.ini"), "[S]\r\n");
    AddDlgTest::CIniFile two(QStringLiteral("two.ini"), "[S]\r\n");
    CIniCompare compare(one.Load(), two.Load());
    compare.Compare();
    CAddCompareDlg dlg(&compare, OnSmall());
    ExpectFits(dlg, true);
}

} // namespace
