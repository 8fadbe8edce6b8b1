#include "WorkProgress.h"

#include <utility>

CWorkProgress::CWorkProgress(Report report, const std::atomic<bool>* stop)
    : m_report(std::move(report)), m_stop(stop), m_previous(Current()) {
    Current() = this;
}

CWorkProgress::CWorkProgress(RunToEnd)
    : m_report(Current() ? Current()->m_report : Report()), m_stop(nullptr), m_previous(Current()) {
    Current() = this;
}

CWorkProgress::~CWorkProgress() {
    Current() = m_previous;
}

CWorkProgress*& CWorkProgress::Current() {
    thread_local CWorkProgress* current = nullptr;
    return current;
}

void CWorkProgress::Step(qint64 done, qint64 total) {
    const CWorkProgress* progress = Current();
    if (progress == nullptr)
        return;
    if (progress->m_stop != nullptr && progress->m_stop->load(std::memory_order_relaxed))
        throw Stopped();
    if (progress->m_report)
        progress->m_report(done, total);
}
