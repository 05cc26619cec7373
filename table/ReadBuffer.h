// Memory for blocks of megabytes: a file's bytes, its cells, the tables read.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <new>
#include <utility>

// A block of megabytes is asked for in huge pages where the system offers
// them, so that filling it does not stop at every 4 KiB page (a table of
// 100,000 rows fills some 250 MB, one of a million rows 2.5 GB).
template <class T>
struct LargeBlocks : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = LargeBlocks<U>;
    };
    LargeBlocks() = default;
    template <class U>
    LargeBlocks(const LargeBlocks<U>&) noexcept {}

    T* allocate(std::size_t n) {
        if (!Large(n)) return std::allocator<T>::allocate(n);
        void* p = std::aligned_alloc(kHugePage, Rounded(n));
        if (!p) throw std::bad_alloc();
        ::madvise(p, Rounded(n), MADV_HUGEPAGE);  // a hint: without it the pages are small
        return static_cast<T*>(p);
    }
    void deallocate(T* p, std::size_t n) noexcept {
        if (!Large(n)) return std::allocator<T>::deallocate(p, n);
        std::free(p);
    }

private:
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;
    static bool Large(std::size_t n) { return n >= (std::size_t{8} << 20) / sizeof(T); }
    static std::size_t Rounded(std::size_t n) { return (n * sizeof(T) + kHugePage - 1) / kHugePage * kHugePage; }
};

template <class T, class U>
bool operator==(const LargeBlocks<T>&, const LargeBlocks<U>&) noexcept {
    return true;
}

// Growing it, moreover, leaves the new elements as they are instead of
// zeroing megabytes that the read writes over at once.
template <class T>
struct ReadBuffer : LargeBlocks<T> {
    template <class U>
    struct rebind {
        using other = ReadBuffer<U>;
    };
    ReadBuffer() = default;
    template <class U>
    ReadBuffer(const ReadBuffer<U>&) noexcept {}

    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

template <class T, class U>
bool operator==(const ReadBuffer<T>&, const ReadBuffer<U>&) noexcept {
    return true;
}
