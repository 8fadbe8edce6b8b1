#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

// Memory for many small objects of one size, carved in turn out of large aligned chunks: no
// heap header per object, and one allocation for hundreds of them. A file's entries are made
// by the hundred thousand and mostly freed together, where one heap block each would cost a
// header and a page fault every few dozen.
//
// Each thread carves from a chunk of its own; any thread may free. A chunk counts its living
// objects (and the hold of the thread still carving from it) and goes back to the heap with
// the last one. A freed object's room is not reused, so a few objects kept long after their
// file (in an undo step) keep their chunk.
template <std::size_t Size> class CObjectSlab {
public:
    static void* Allocate() {
        Cursor& cursor = ThreadCursor();
        if (cursor.chunk == nullptr || cursor.next == kPerChunk)
            cursor.Start();
        return cursor.chunk->Slot(cursor.next++);
    }

    static void Free(void* object) noexcept {
        const auto address = reinterpret_cast<std::uintptr_t>(object);
        Drop(reinterpret_cast<Chunk*>(address & ~(kChunkSize - 1)), 1);
    }

private:
    static constexpr std::size_t kChunkSize = 64 * 1024;
    static constexpr std::size_t kFirst = 64; // the chunk's own count, on a line of its own
    static constexpr std::size_t kStride = (Size + alignof(std::max_align_t) - 1) /
                                           alignof(std::max_align_t) * alignof(std::max_align_t);
    static constexpr std::size_t kPerChunk = (kChunkSize - kFirst) / kStride;

    struct Chunk {
        // Objects that may still be alive: all it has room for, and the carving thread's hold,
        // until that thread lets go and gives back what it never handed out.
        std::atomic<std::size_t> live{kPerChunk + 1};
        void* Slot(std::size_t i) { return reinterpret_cast<char*>(this) + kFirst + i * kStride; }
    };
    static_assert(sizeof(Chunk) <= kFirst);

    struct Cursor {
        Chunk* chunk = nullptr;
        std::size_t next = 0;

        ~Cursor() { Release(); }
        void Start() {
            Release();
            void* memory = std::aligned_alloc(kChunkSize, kChunkSize);
            if (memory == nullptr)
                throw std::bad_alloc();
            chunk = new (memory) Chunk;
            next = 0;
        }
        void Release() {
            if (chunk != nullptr)
                Drop(chunk, kPerChunk - next + 1);
            chunk = nullptr;
        }
    };

    static Cursor& ThreadCursor() {
        thread_local Cursor cursor;
        return cursor;
    }

    static void Drop(Chunk* chunk, std::size_t count) noexcept {
        if (chunk->live.fetch_sub(count, std::memory_order_acq_rel) == count) {
            chunk->~Chunk();
            std::free(chunk);
        }
    }
};
