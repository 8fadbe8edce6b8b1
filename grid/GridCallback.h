#pragma once

#include <utility>

namespace Pelmo {

class CListCtrlEx;

// One client callback as the grid keeps it: a plain function pointer and the opaque value
// installed with it. It is called with the grid first and that value last, the arguments of
// the particular callback in between, so the function types stay those of GridTypes.h.
template <typename Fn> class CGridCallback {
public:
    void Set(Fn pfn, void* pData) {
        m_pfn = pfn;
        m_pData = pData;
    }
    explicit operator bool() const { return m_pfn != nullptr; }

    // Calls the installed function; only when one is installed.
    template <typename... Args> auto operator()(CListCtrlEx* pGrid, Args&&... args) const {
        return m_pfn(pGrid, std::forward<Args>(args)..., m_pData);
    }
    // The function's answer, or bDefault when none is installed.
    template <typename... Args> bool Ask(bool bDefault, CListCtrlEx* pGrid, Args&&... args) const {
        return m_pfn ? bool(m_pfn(pGrid, std::forward<Args>(args)..., m_pData)) : bDefault;
    }

private:
    Fn m_pfn = nullptr;
    void* m_pData = nullptr;
};

} // namespace Pelmo
