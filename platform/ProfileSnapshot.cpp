#include "ProfileSnapshot.h"

#include "ParsedProfile.h"
#include "ProfileCache.h"

#include <algorithm>
#include <vector>

namespace {

// The snapshots alive on this thread, innermost last.
std::vector<const CProfileSnapshot*>& Pins() {
    thread_local std::vector<const CProfileSnapshot*> pins;
    return pins;
}

} // namespace

CProfileSnapshot::CProfileSnapshot(const QString& path)
    : m_path(CProfileCache::AbsolutePath(path)) {
    if (const CProfileSnapshot* outer = Find(m_path)) {
        m_status = outer->m_status;
        m_parsed = outer->m_parsed;
    } else {
        m_parsed = CProfileCache::Instance().get(m_path, &m_status);
    }
    Pins().push_back(this);
}

CProfileSnapshot::~CProfileSnapshot() {
    auto& pins = Pins();
    const auto it = std::find(pins.rbegin(), pins.rend(), this);
    if (it != pins.rend())
        pins.erase(std::next(it).base());
}

const CProfileSnapshot* CProfileSnapshot::Find(const QString& absolutePath) {
    const auto& pins = Pins();
    const auto it = std::find_if(pins.rbegin(), pins.rend(), [&](const CProfileSnapshot* s) {
        return s->m_path == absolutePath;
    });
    return it == pins.rend() ? nullptr : *it;
}
