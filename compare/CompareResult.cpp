#include "compare/CompareResult.h"

#include "ini/ObjectSlab.h"

namespace {

using RowSlab = CObjectSlab<sizeof(COMPARE_REULT)>;

} // namespace

void* COMPARE_REULT::operator new(std::size_t size) {
    // A type derived from the row is larger and comes from the heap.
    return size == sizeof(COMPARE_REULT) ? RowSlab::Allocate() : ::operator new(size);
}

void COMPARE_REULT::operator delete(void* row, std::size_t size) noexcept {
    if (size == sizeof(COMPARE_REULT))
        RowSlab::Free(row);
    else
        ::operator delete(row);
}
