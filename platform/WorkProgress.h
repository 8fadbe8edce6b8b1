#pragma once

#include <QtGlobal>
#include <atomic>
#include <functional>

// How far a long read or write on the calling thread has come, for a window to show and, for a
// load, to stop. While an object lives it is its thread's current progress (objects nest, the
// innermost one hears); the readers and the writer call Step as they go through a file's text,
// so none of them needs a progress parameter of its own.
class CWorkProgress {
public:
    // Called on the working thread with how far the current pass through a text is.
    using Report = std::function<void(qint64 done, qint64 total)>;

    // Thrown out of Step once the stop flag is raised. Only work begun with a stop flag hears
    // it: a load, which unwinds leaving nothing behind. A save is never given one.
    struct Stopped {};

    // stop: raised by another thread to ask for a stop; null for work that must run to its
    // end.
    explicit CWorkProgress(Report report, const std::atomic<bool>* stop = nullptr);

    // For work that must run to its end once begun (a write): its steps still reach the
    // progress that was current, but a stop asked for meanwhile is not thrown inside it.
    struct RunToEnd {};
    explicit CWorkProgress(RunToEnd);
    ~CWorkProgress();
    CWorkProgress(const CWorkProgress&) = delete;
    CWorkProgress& operator=(const CWorkProgress&) = delete;

    // Reports to the current progress, if any; throws Stopped when it was asked to stop.
    static void Step(qint64 done, qint64 total);

private:
    static CWorkProgress*& Current();

    Report m_report;
    const std::atomic<bool>* m_stop;
    CWorkProgress* m_previous;
};
