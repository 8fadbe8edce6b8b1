#include "app/LongWork.h"

#include "app/WorkIndicator.h"
#include "platform/WorkProgress.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QScopeGuard>
#include <QTimer>
#include <thread>

namespace {
// How often the bar follows a load, and how long work on this thread goes between two looks at
// the window's events: often enough to look alive, seldom enough to cost nothing.
constexpr int kPollMs = 50;
constexpr qint64 kEventsEveryMs = 40;
} // namespace

CLongWork::CLongWork(CWorkIndicator* indicator, QObject* parent)
    : QObject(parent), m_pIndicator(indicator) {}

CLongWork::~CLongWork() = default;

CLongWork::StepHook& CLongWork::Hook() {
    static StepHook hook;
    return hook;
}

CLongWork::StepHook CLongWork::SetStepHook(StepHook hook) {
    StepHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

void CLongWork::Begin(Kind kind, const QString& text, bool stoppable, int passes) {
    m_kind = kind;
    m_stop = false;
    m_pass = 0;
    m_done = 0;
    m_total = -1;
    m_pIndicator->Begin(text, stoppable, passes);
    emit BusyChanged(true);
}

void CLongWork::End() {
    m_pIndicator->End();
    m_kind = Kind::None;
    emit BusyChanged(false);
}

void CLongWork::Report(qint64 done, qint64 total) {
    const qint64 lastTotal = m_total.load();
    if (lastTotal >= 0 && (total != lastTotal || done < m_done.load()))
        ++m_pass;
    m_done = done;
    m_total = total;
    if (Hook())
        Hook()();
}

void CLongWork::ShowReported() {
    m_pIndicator->SetProgress(m_pass, m_done, std::max<qint64>(0, m_total));
}

bool CLongWork::RunLoad(const QString& text, int passes, const std::function<void()>& job) {
    if (IsBusy())
        return false;
    Begin(Kind::Load, text, true, passes);
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, &CLongWork::ShowReported);
    poll.start(kPollMs);
    std::atomic<bool> ended = false;
    std::thread worker([&] {
        {
            const CWorkProgress progress([this](qint64 done, qint64 total) { Report(done, total); },
                                         &m_stop);
            try {
                job();
            } catch (const CWorkProgress::Stopped&) {
                // Work that steps outside a load (pairing two files, say) stops here.
            }
        }
        ended = true;
        // Posted, so it ends the loop even when it arrives before the loop has started.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    // The loop also ends when the application quits: the load is not waited for then.
    if (!ended)
        m_stop = true;
    worker.join();
    poll.stop();
    // A stop asked for while the last step ran still counts: the user said so.
    const bool finished = !m_stop;
    End();
    return finished;
}

void CLongWork::RunHere(const QString& text, int passes, const std::function<void()>& job) {
    if (IsBusy()) {
        job();
        return;
    }
    Begin(Kind::Here, text, false, passes);
    const auto end = qScopeGuard([this] { End(); });
    m_sinceEvents.start();
    {
        const CWorkProgress progress([this](qint64 done, qint64 total) {
            Report(done, total);
            if (m_sinceEvents.elapsed() < kEventsEveryMs)
                return;
            ShowReported();
            QCoreApplication::processEvents();
            m_sinceEvents.start();
        });
        job();
    }
}

void CLongWork::RequestStop() {
    if (!IsLoading() || m_stop)
        return;
    m_stop = true;
    m_pIndicator->ShowStopping();
}
