#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QtGlobal>
#include <atomic>
#include <functional>

class CWorkIndicator;

// The window's long work: loads and saves, one at a time, with their progress on the
// indicator.
//
// A load runs on a worker thread while this thread keeps handling events, so the window paints
// and the user can stop it (RequestStop); the caller gets control back only when the load has
// ended, and takes its result then: the model is never shared while it is being built. Work
// that must run here, on the caller's thread (a save, showing a loaded file), only lets the
// events through between its steps: the window paints, and the caller has made sure nothing
// can reach the model meanwhile. Either way the caller keeps commands away while IsBusy()
// (BusyChanged says when).
class CLongWork : public QObject {
    Q_OBJECT
public:
    // Called at every step a load or a save reports, on the thread that does the work. Tests
    // hold a load there to look at the window in the middle of it.
    using StepHook = std::function<void()>;

    explicit CLongWork(CWorkIndicator* indicator, QObject* parent = nullptr);
    ~CLongWork() override;

    // Runs job on a worker thread and returns when it has ended; false when the user stopped
    // it (or work was already running), and then whatever job made is to be thrown away.
    // passes: the passes through a text that job is expected to report (for the bar; see
    // CWorkIndicator::Begin).
    bool RunLoad(const QString& text, int passes, const std::function<void()>& job);
    // Runs job here to its end, showing its progress; it cannot be stopped. Inside other
    // work, job simply runs.
    void RunHere(const QString& text, int passes, const std::function<void()>& job);

    // Asks the running load to stop; it stops at its next step. Nothing for a save.
    void RequestStop();

    bool IsBusy() const { return m_kind != Kind::None; }
    bool IsLoading() const { return m_kind == Kind::Load; }

    // Replaces the hook; returns the one it replaces.
    static StepHook SetStepHook(StepHook hook);

signals:
    void BusyChanged(bool busy);

private:
    enum class Kind { None, Load, Here };

    // Counts passes: a pass that starts again from a smaller done, or with another total, is
    // the next one.
    void Report(qint64 done, qint64 total);
    void ShowReported();
    void Begin(Kind kind, const QString& text, bool stoppable, int passes);
    void End();
    static StepHook& Hook();

    CWorkIndicator* m_pIndicator;
    Kind m_kind = Kind::None;
    std::atomic<bool> m_stop = false;
    std::atomic<int> m_pass = 0;
    std::atomic<qint64> m_done = 0;
    std::atomic<qint64> m_total = -1;
    QElapsedTimer m_sinceEvents;
};
