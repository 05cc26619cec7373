// A whole text file in memory, its line ends made plain: CR LF and a lone
// CR taken as LF, a missing last line end supplied.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// Bytes that a read fills: growing them leaves the new ones as they are
// instead of zeroing megabytes that the read writes over at once.
template <class T>
struct Uninitialised : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = Uninitialised<U>;
    };
    template <class U>
    void construct(U* p) noexcept {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};
using FileBytes = std::vector<std::uint8_t, Uninitialised<std::uint8_t>>;

// The text of file `name`, or false with `failure` saying why it cannot be
// read: it cannot be opened, it is no file, it is larger than the readers
// take (4 GiB) or than memory holds.
bool LoadFile(const char* name, FileBytes& text, std::string& failure);
