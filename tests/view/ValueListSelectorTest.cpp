// The selector bar and the view together: the user's choice of value list, how long it lasts,
// and what the management dialog's changes bring back.
#include "tests/view/ViewFixture.h"

namespace {

class SelectorTest : public ViewTest {
protected:
    void SetUp() override {
        ViewTest::SetUp();
        path = SamplePath();
        samplePid = StoreList(u"Sample"_qs, u"速い"_qs, path);
        anotherPid = StoreList(u"Another"_qs, u"FAST"_qs);
        Open(path);
    }
    // The user moves through the closed combo with the arrow keys, one choice per key.
    void Choose(int key) { QTest::keyClick(bar->Combo(), Qt::Key(key)); }
    bool ValueListClosedEverywhere() const {
        for (int r = 0; r < grid->GetItemCount(); ++r) {
            if (!grid->IsCellReadOnly(r, 3) || !ListText(r).isEmpty())
                return false;
        }
        return true;
    }

    QString path;
    int samplePid = 0;
    int anotherPid = 0;
};

TEST_F(SelectorTest, TheBarShowsTheFilesListAndTheUsersChoiceSwitchesIt) {
    ASSERT_TRUE(bar->Combo()->isEnabled());
    ASSERT_EQ(bar->Combo()->count(), 3); // none, "Another", "Sample"
    EXPECT_EQ(bar->Combo()->itemText(0), u"(なし)"_qs) << "no blank line for no list";
    EXPECT_EQ(bar->Combo()->currentText(), u"Sample"_qs);
    EXPECT_EQ(host->Count(Res::WM_SELECT_VALUE_LIST), 0); // refilling is no choice

    Choose(Qt::Key_Up);
    EXPECT_EQ(host->Count(Res::WM_SELECT_VALUE_LIST), 1);
    EXPECT_EQ(host->m_messages.back().wParam, quintptr(anotherPid));
    EXPECT_EQ(ListText(0), u"FAST(初期値)"_qs);
    EXPECT_FALSE(grid->IsCellReadOnly(0, 3));
    EXPECT_TRUE(grid->IsCellReadOnly(2, 3)); // the section row stays closed

    Choose(Qt::Key_Up);
    EXPECT_EQ(bar->SelectedPid(), 0);
    EXPECT_TRUE(ValueListClosedEverywhere());
    Click(0, 3);
    Key(Qt::Key_F4);
    EXPECT_FALSE(grid->IsEditing());

    // Emptying the document takes rows, columns and the bar's selection away.
    view->OnUpdate(nullptr, Res::HINT_CLEAR, 0);
    EXPECT_EQ(grid->GetItemCount(), 0);
    EXPECT_EQ(grid->GetColumnCount(), 0);
    EXPECT_FALSE(bar->Combo()->isEnabled());
    EXPECT_EQ(bar->Combo()->currentIndex(), -1);
    ini.reset();
}

TEST_F(SelectorTest, AReloadCarriesTheChoiceAndAnOpenAsksTheHistory) {
    Choose(Qt::Key_Up);
    Choose(Qt::Key_Up); // none
    Reload();
    EXPECT_EQ(bar->SelectedPid(), 0);
    EXPECT_TRUE(ValueListClosedEverywhere());

    Choose(Qt::Key_Down); // "Another"
    Reload();
    EXPECT_EQ(bar->SelectedPid(), anotherPid);
    EXPECT_EQ(ListText(0), u"FAST(初期値)"_qs);

    Open(path);
    EXPECT_EQ(bar->SelectedPid(), samplePid);
    EXPECT_EQ(ListText(0), u"速い(初期値)"_qs);
}

TEST_F(SelectorTest, AfterTheManagementDialogTheListInUseIsLoadedAgain) {
    // Deleted: the history row keeps PID 0, so nothing comes back.
    ASSERT_TRUE(db->DeleteProject(samplePid));
    view->OnUpdate(nullptr, Res::HINT_VALUE_LISTS_CHANGED, 0);
    EXPECT_TRUE(ValueListClosedEverywhere());
    EXPECT_EQ(host->m_messages.back().message, Res::WM_REFRESH_VALUE_LISTS);
    EXPECT_EQ(host->m_messages.back().wParam, 0u);
    EXPECT_EQ(bar->Combo()->count(), 2);
    EXPECT_EQ(bar->Combo()->currentIndex(), 0);

    // Attached to the file: found through the history.
    ASSERT_TRUE(db->SetHistory(CRecordIdFilePath(anotherPid, path)));
    view->OnUpdate(nullptr, Res::HINT_VALUE_LISTS_CHANGED, 0);
    EXPECT_EQ(bar->SelectedPid(), anotherPid);
    EXPECT_EQ(ListText(0), u"FAST(初期値)"_qs);
}

} // namespace
