// Long loads and saves: the window stays drawn and shows progress, a load can be stopped and
// leaves everything as it was, and nothing reaches the document while the work runs.
#include "app/LongWork.h"
#include "AppFixture.h"
#include "app/WorkIndicator.h"
#include "grid/ListCtrlEx.h"
#include "view/QuilletView.h"

#include <QProgressBar>
#include <QScopeGuard>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QWindow>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace {

// Holds every load at its first step, on the worker, until released. check runs on the window's
// thread once a load is held there, whichever event loop is running then; the load goes on when
// it returns.
class HeldLoad {
public:
    explicit HeldLoad(std::function<void()> check) : m_check(std::move(check)) {
        m_previous = CLongWork::SetStepHook([this] { Hold(); });
        QObject::connect(&m_poll, &QTimer::timeout, [this] { CheckOnceHeld(); });
        m_poll.start(5);
    }
    ~HeldLoad() {
        Release();
        CLongWork::SetStepHook(m_previous);
    }
    bool Checked() const { return m_bChecked; }

private:
    void Hold() {
        // A save steps on the window's own thread: only loads are held.
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            return;
        std::unique_lock lock(m_mutex);
        m_bHeld = true;
        m_released.wait(lock, [this] { return m_bReleased; });
    }
    void CheckOnceHeld() {
        {
            const std::lock_guard lock(m_mutex);
            if (!m_bHeld)
                return;
        }
        m_poll.stop();
        // Whatever the check asserts, the load must go on, or the test hangs.
        const auto release = qScopeGuard([this] { Release(); });
        m_bChecked = true;
        m_check();
    }
    void Release() {
        {
            const std::lock_guard lock(m_mutex);
            m_bReleased = true;
        }
        m_released.notify_all();
    }

    std::function<void()> m_check;
    CLongWork::StepHook m_previous;
    QTimer m_poll;
    std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_bHeld = false;
    bool m_bReleased = false;
    bool m_bChecked = false;
};

class LongWorkTest : public AppTest {
protected:
    // Large enough for several steps of the reader (it reports every 64 KB).
    QString WriteLarge(const QString& name) const {
        QByteArray text;
        for (int s = 0; s < 40; ++s) {
            text += "[big" + QByteArray::number(s) + "]\r\n";
            for (int e = 0; e < 500; ++e)
                text += "key" + QByteArray::number(e) + "=value\r\n";
        }
        return Write(name, text);
    }
    CWorkIndicator* Indicator() const { return Frame()->WorkIndicator(); }
    bool WaitForBar() const {
        return QTest::qWaitFor([this] { return Indicator()->Bar()->isVisible(); }, 5000);
    }
    bool BarGoes() const {
        return QTest::qWaitFor([this] { return !Indicator()->isVisible(); }, 5000);
    }
};

// Whichever way a load began, Escape stops it and the window keeps what it showed: the same
// model with its unsaved edit (for the reading after a save: the saved model), the title, the
// rows, and no error box.
TEST_F(LongWorkTest, EscapeStopsEveryLoadAndLeavesTheDocumentItsEditsAndTitleAsTheyWere) {
    StartOrFail();
    const QString large = WriteLarge("large.ini");
    const QString other = WriteText("other.ini", "[o]\nx=1\n");
    // The question about the edit is answered "discard": the stop must still keep it.
    const struct {
        const char* name;
        std::function<void()> start;
        bool bSaves = false;
    } roads[] = {
        {"open",
         [&] {
             m_boxes.ChooseFile(large);
             m_boxes.Answer(Ui::IDNO);
             Frame()->OnCommand(Res::ID_FILE_OPEN);
         }},
        {"compare",
         [&] {
             m_boxes.ChooseFile(large);
             m_boxes.ChooseFile(other);
             m_boxes.Answer(Ui::IDNO);
             Frame()->OnCommand(Res::ID_COMPARE);
         }},
        {"reload",
         [&] {
             m_boxes.Answer(Ui::IDNO);
             Frame()->OnCommand(Res::ID_RELOAD);
         }},
        {"drop",
         [&] {
             m_boxes.Answer(Ui::IDNO);
             Frame()->DropFiles({large});
         }},
        {"reading again after a save", [&] { Frame()->OnCommand(Res::ID_FILE_SAVE); }, true},
    };
    for (const auto& road : roads) {
        SCOPED_TRACE(road.name);
        const QString small = WriteText("small.ini", "[s]\nk=v\n");
        ASSERT_TRUE(Frame()->OpenFile(small, false));
        CIniData* shown = Doc()->m_pIniData.get();
        CIniEntryData* edited = Entry(shown, "s", "k");
        edited->SetValue("edited");
        const QString title = Frame()->windowTitle();
        const int rows = Frame()->GetView()->GetGrid()->GetItemCount();
        m_boxes.Clear();

        bool barShown = false;
        bool stopShown = false;
        {
            HeldLoad held([&] {
                barShown = WaitForBar();
                stopShown = Indicator()->StopButton()->isVisible();
                QTest::keyClick(Frame(), Qt::Key_Escape);
            });
            road.start();
            EXPECT_TRUE(held.Checked());
        }
        EXPECT_TRUE(barShown);
        EXPECT_TRUE(stopShown);
        EXPECT_TRUE(BarGoes());
        ASSERT_EQ(Doc()->m_pIniData.get(), shown);
        EXPECT_EQ(edited->Value(), "edited");
        EXPECT_EQ(edited->NeedsWrite(), !road.bSaves);
        EXPECT_EQ(Read(small).contains("k=edited"), road.bSaves);
        EXPECT_EQ(Frame()->windowTitle(), title);
        EXPECT_EQ(Frame()->GetView()->GetGrid()->GetItemCount(), rows);
        // The question, if any, and no error after it.
        EXPECT_EQ(m_boxes.Boxes().size(), road.bSaves ? 0u : 1u);
        EXPECT_EQ(Frame()->statusBar()->currentMessage(), "読み込みを中止しました");
        EXPECT_TRUE(Button(Res::ID_FILE_SAVE)->isEnabled());
        EXPECT_TRUE(Frame()->GetView()->isEnabled());
    }
    // Stopped, the file that was to be read is still readable: nothing half-read was kept.
    ASSERT_TRUE(Frame()->OpenFile(large, false));
    EXPECT_EQ(Doc()->m_pIniData->m_sections.size(), 40u);
}

// Every way into the document is shut while a load runs: the commands, their keys, a drop, a
// direct open, a save of the pending edit, the grid and the value-list selector.
TEST_F(LongWorkTest, NothingReachesTheDocumentWhileALoadRuns) {
    StartOrFail();
    const QString small = WriteText("small.ini", "[s]\nk=v\n");
    const QString other = WriteText("other.ini", "[o]\nx=1\n");
    const QString large = WriteLarge("large.ini");
    ASSERT_TRUE(Frame()->OpenFile(small, false));
    Entry(Doc()->m_pIniData.get(), "s", "k")->SetValue("edited");
    const QByteArray smallBytes = Read(small);

    HeldLoad held([&] {
        for (int id : {Res::ID_FILE_OPEN, Res::ID_COMPARE, Res::ID_RELOAD, Res::ID_FILE_SAVE,
                       Res::ID_ADD, Res::ID_VALUE_LISTS}) {
            EXPECT_FALSE(Button(id)->isEnabled()) << id;
            Frame()->OnCommand(id);
        }
        QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(Frame(), Qt::Key_F5);
        Frame()->DropFiles({other});
        EXPECT_FALSE(Frame()->OpenFile(other, false));
        EXPECT_FALSE(Frame()->OpenCompare(small, other));
        EXPECT_FALSE(Frame()->GetView()->isEnabled());
        EXPECT_FALSE(Frame()->ProjectBar()->isEnabled());
    });
    ASSERT_TRUE(Frame()->OpenFile(large, false));

    EXPECT_TRUE(held.Checked());
    EXPECT_TRUE(m_boxes.Boxes().empty());
    EXPECT_TRUE(m_boxes.FileRequests().empty()); // no file dialog was opened
    EXPECT_EQ(Read(small), smallBytes);
    ASSERT_NE(Doc()->m_pIniData, nullptr);
    EXPECT_EQ(Doc()->m_pIniData->m_filePath, large);
    EXPECT_TRUE(Frame()->GetView()->isEnabled());
    EXPECT_TRUE(Button(Res::ID_FILE_SAVE)->isEnabled());
}

// Another program changing the shown file while a load runs is asked about after the load,
// never in the middle of it (where the answer would reload or close the document).
TEST_F(LongWorkTest, AChangeToTheShownFileDuringALoadIsAskedAboutAfterIt) {
    StartOrFail();
    const QString small = WriteText("small.ini", "[s]\nk=v\n");
    const QString large = WriteLarge("large.ini");
    ASSERT_TRUE(Frame()->OpenFile(small, false));
    size_t boxesDuringLoad = 0;
    HeldLoad held([&] {
        WriteText("small.ini", "[s]\nk=changed elsewhere\n");
        QTest::qWait(300); // the watch hears of it by now
        boxesDuringLoad = m_boxes.Boxes().size();
        Frame()->StopLoad();
    });
    m_boxes.Answer(Ui::IDNO);
    EXPECT_FALSE(Frame()->OpenFile(large, false));
    EXPECT_TRUE(held.Checked());
    EXPECT_EQ(boxesDuringLoad, 0u);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !m_boxes.Boxes().empty(); }, 5000));
    EXPECT_TRUE(m_boxes.LastText().contains("変更されました"));
}

// The window asked to close while a load runs stops the load and then closes.
TEST_F(LongWorkTest, ClosingDuringALoadStopsItAndThenCloses) {
    StartOrFail();
    const QString large = WriteLarge("large.ini");
    HeldLoad held([&] { EXPECT_FALSE(Frame()->close()); });
    EXPECT_FALSE(Frame()->OpenFile(large, false));
    EXPECT_TRUE(held.Checked());
    EXPECT_EQ(Doc()->m_pIniData, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([this] { return !Frame()->isVisible(); }, 5000));
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

// Files named on the command line are read while the window is already on screen.
TEST_F(LongWorkTest, TheWindowIsOnScreenBeforeTheCommandLinesFileIsRead) {
    const QString large = WriteLarge("large.ini");
    bool exposedWhileLoading = false;
    bool emptyWhileLoading = false;
    HeldLoad held([&] {
        exposedWhileLoading = Frame()->windowHandle() && Frame()->windowHandle()->isExposed();
        emptyWhileLoading = Doc()->m_pIniData == nullptr;
    });
    ASSERT_TRUE(Start({large}));
    EXPECT_TRUE(held.Checked());
    EXPECT_TRUE(exposedWhileLoading);
    EXPECT_TRUE(emptyWhileLoading);
    ASSERT_NE(Doc()->m_pIniData, nullptr);
    EXPECT_EQ(Doc()->m_pIniData->m_filePath, large);
}

// A long save shows its progress (no 中止: a save is never stopped half-way), takes no command
// meanwhile, and its own write is not news to the file watch.
TEST_F(LongWorkTest, ALongSaveShowsProgressAndTakesNoCommands) {
    StartOrFail();
    const QString large = WriteLarge("large.ini");
    ASSERT_TRUE(Frame()->OpenFile(large, false));
    Entry(Doc()->m_pIniData.get(), "big39", "key499")->SetValue("saved");

    bool barShown = false;
    bool stopHidden = false;
    bool refused = false;
    bool inSave = false;
    CLongWork::StepHook previous = CLongWork::SetStepHook([&] {
        if (inSave)
            return;
        inSave = true;
        barShown = WaitForBar();
        stopHidden = Indicator()->StopButton()->isHidden();
        refused = !Button(Res::ID_FILE_SAVE)->isEnabled() && !Frame()->OpenFile(large, false);
    });
    const auto restore = qScopeGuard([&] { CLongWork::SetStepHook(previous); });
    Frame()->OnCommand(Res::ID_FILE_SAVE);

    EXPECT_TRUE(inSave);
    EXPECT_TRUE(barShown);
    EXPECT_TRUE(stopHidden);
    EXPECT_TRUE(refused);
    EXPECT_TRUE(BarGoes());
    EXPECT_TRUE(Read(large).contains("key499=saved\r\n"));
    EXPECT_EQ(Entry(Doc()->m_pIniData.get(), "big39", "key499")->SavedValue(), "saved");
    QTest::qWait(300); // the watch hears of the write by now
    EXPECT_TRUE(m_boxes.Boxes().empty());
}

} // namespace

namespace {

// The bar adds the passes up against those expected and never runs backwards or past its end;
// work that cannot count its passes shows each one from its start.
TEST(WorkIndicator, TheBarFollowsThePassesOfTheWork) {
    struct Step {
        int pass;
        qint64 done, total;
        int perMille;
    };
    const struct {
        const char* name;
        int passes;
        std::vector<Step> steps;
    } rows[] = {
        {"two passes add up", 2, {{0, 50, 100, 250}, {1, 0, 10, 500}, {1, 5, 10, 750}}},
        {"never backwards", 1, {{0, 80, 100, 800}, {0, 40, 100, 800}}},
        {"never past the end", 1, {{0, 100, 100, 1000}, {2, 50, 100, 1000}}},
        {"each pass on its own",
         CWorkIndicator::kEachPass,
         {{0, 100, 100, 1000}, {1, 10, 100, 100}, {1, 5, 100, 100}, {2, 30, 40, 750}}},
    };
    CWorkIndicator indicator;
    indicator.show(); // its own window here: in the program it sits in the status bar
    indicator.Begin(QStringLiteral("test"), false, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !indicator.isHidden(); }, 5000));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // Work that follows other work at once keeps the indicator on screen.
        indicator.End();
        indicator.Begin(QStringLiteral("test"), false, row.passes);
        ASSERT_FALSE(indicator.isHidden());
        for (const Step& step : row.steps) {
            indicator.SetProgress(step.pass, step.done, step.total);
            EXPECT_EQ(indicator.Bar()->value(), step.perMille) << step.pass << " " << step.done;
        }
    }
    indicator.End();
    EXPECT_TRUE(QTest::qWaitFor([&] { return indicator.isHidden(); }, 5000));
}

} // namespace
