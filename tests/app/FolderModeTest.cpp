// Two folders compared in the window: the list of their files, a pair opened, fixed, saved and
// seen again in the list.
#include "app/FolderMode.h"
#include "app/CompareBar.h"
#include "app/LongWork.h"
#include "platform/ui/MessageBox.h"
#include "tests/app/AppFixture.h"
#include "view/FolderListView.h"
#include "view/QuilletView.h"

#include <QPushButton>
#include <QScopeGuard>
#include <QTreeWidget>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

class FolderModeTest : public AppTest {
protected:
    void MakeFolders() {
        QDir(m_dir.path()).mkpath(QStringLiteral("one/sub"));
        QDir(m_dir.path()).mkpath(QStringLiteral("two/sub"));
        const struct {
            const char* name;
            QByteArray one, two;
        } files[] = {
            {"same.ini", "[S]\r\nk=1\r\n", "[S]\r\nk=1\r\n"},
            {"sub/reordered.ini", "[S]\r\na=1\r\nb=2\r\n", "[S]\r\nb=2\r\n; note\r\na = 1\r\n"},
            {"differs.ini", "[S]\r\nk=1\r\nm=1\r\n", "[S]\r\nk=2\r\nm=1\r\n"},
            {"broken.ini", "[S]\r\nk=1\r\n[S]\r\nk=2\r\n", "[S]\r\nk=1\r\n"},
        };
        for (const auto& f : files) {
            Write(QStringLiteral("one/") + QLatin1StringView(f.name), f.one);
            Write(QStringLiteral("two/") + QLatin1StringView(f.name), f.two);
        }
        Write(QStringLiteral("one/left.ini"), "[S]\r\nk=1\r\n");
    }
    CFolderListView* List() const { return Frame()->Folders()->List(); }
    // "status | path" of every row, in the order shown.
    QStringList Rows() const {
        QStringList rows;
        QTreeWidget* tree = List()->List();
        for (int i = 0; i < tree->topLevelItemCount(); ++i)
            rows.append(tree->topLevelItem(i)->text(0) + QStringLiteral(" | ") +
                        tree->topLevelItem(i)->text(3));
        return rows;
    }
    void SelectRow(const QString& path) const {
        QTreeWidget* tree = List()->List();
        const auto found = tree->findItems(path, Qt::MatchExactly, 3);
        ASSERT_EQ(found.size(), 1);
        tree->setCurrentItem(found[0]);
        tree->setFocus();
    }
    void AltLeft() const { QTest::keyClick(Frame(), Qt::Key_Left, Qt::AltModifier); }
};

TEST_F(FolderModeTest, PairsListDifferingFirstOpenAndComeBackWithTheirNewStatus) {
    MakeFolders();
    ASSERT_TRUE(Start({Path("one"), Path("two")}));
    Frame()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    ASSERT_TRUE(Frame()->Folders()->IsListShown());
    EXPECT_EQ(Rows(), (QStringList{u"異なる | differs.ini"_qs, u"1 のみ | left.ini"_qs,
                                   u"読めません | broken.ini"_qs, u"同じ | same.ini"_qs,
                                   u"同じ (テキストは異なる) | sub/reordered.ini"_qs}));

    SelectRow(u"differs.ini"_qs);
    QTest::keyClick(List()->List(), Qt::Key_Return);
    ASSERT_FALSE(Frame()->Folders()->IsListShown());
    ASSERT_TRUE(Doc()->m_pCompare);
    EXPECT_TRUE(Frame()->Folders()->Bar()->BackButton()->isVisible());
    Entry(Doc()->m_pCompare->m_pIni2.get(), u"S"_qs, u"k"_qs)->SetValue(u"1"_qs);
    // Unsaved: the way back asks, and Cancel stays on the pair.
    m_boxes.Answer(Ui::IDCANCEL);
    AltLeft();
    EXPECT_EQ(m_boxes.Boxes().size(), 1u);
    ASSERT_FALSE(Frame()->Folders()->IsListShown());

    Frame()->OnCommand(Res::ID_FILE_SAVE);
    EXPECT_EQ(Read(Path("two/differs.ini")), QByteArray("[S]\r\nk=1\r\nm=1\r\n"));
    AltLeft();
    ASSERT_TRUE(Frame()->Folders()->IsListShown());
    EXPECT_FALSE(Doc()->HasContent());
    EXPECT_EQ(Rows().first(), u"1 のみ | left.ini"_qs);
    EXPECT_TRUE(Rows().contains(u"同じ | differs.ini"_qs));
    EXPECT_EQ(List()->CurrentPair(), 1); // differs.ini, by path order

    // A folder that is not there: a message naming it, the list as it was.
    m_boxes.Clear();
    EXPECT_FALSE(Frame()->Folders()->Open(Path("one"), Path("gone")));
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_TRUE(m_boxes.Boxes()[0].text.contains(Path("gone")));
    EXPECT_EQ(Rows().size(), 5);
}

// The window's patterns count as the ignore files do: a pair whose differences all fall under
// them is identical.
TEST_F(FolderModeTest, IgnorePatternsTypedInTheListCompareTheFoldersAgain) {
    MakeFolders();
    ASSERT_TRUE(Start({Path("one"), Path("two")}));
    List()->IgnoreField()->setText(u"nothing/*; s/K"_qs);
    QTest::keyClick(List()->IgnoreField(), Qt::Key_Return);
    EXPECT_TRUE(Rows().contains(u"同じ (テキストは異なる) | differs.ini"_qs));
    QTreeWidget* tree = List()->List();
    const auto found = tree->findItems(u"differs.ini"_qs, Qt::MatchExactly, 3);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0]->text(2), u"1"_qs);
}

// Many files: stopped half-way, the list keeps what was compared and says how far it came.
TEST_F(FolderModeTest, AStoppedComparisonListsWhatItReached) {
    QDir(m_dir.path()).mkpath(QStringLiteral("one"));
    QDir(m_dir.path()).mkpath(QStringLiteral("two"));
    for (int i = 0; i < 40; ++i) {
        const QString name = QStringLiteral("f%1.ini").arg(i, 2, 10, QChar(u'0'));
        Write(u"one/"_qs + name, "[S]\r\nk=1\r\n");
        Write(u"two/"_qs + name, "[S]\r\nk=2\r\n");
    }
    ASSERT_TRUE(Start());
    std::atomic<int> steps = 0;
    CLongWork::StepHook previous = CLongWork::SetStepHook([&] {
        if (++steps != 5)
            return;
        // As the 中止 button does, from the window's thread; the next step hears it.
        QMetaObject::invokeMethod(
            Frame(), [this] { Frame()->StopLoad(); }, Qt::QueuedConnection);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    });
    const auto restore = qScopeGuard([&] { CLongWork::SetStepHook(previous); });
    EXPECT_FALSE(Frame()->Folders()->Open(Path("one"), Path("two")));
    EXPECT_GE(List()->PairCount(), 5);
    EXPECT_LT(List()->PairCount(), 40);
    EXPECT_TRUE(List()->Summary().contains(
        QStringLiteral("中止: %1 / 40 件を比較").arg(List()->PairCount())));
    // A pair never compared would pass for an identical one in a report.
    m_boxes.Clear();
    List()->List()->setFocus();
    QTest::keyClick(List()->List(), Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(m_boxes.LastText(), u"比較が中止されたため、書き出せません。"_qs);
}

} // namespace
