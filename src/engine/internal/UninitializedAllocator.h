#pragma once

#include <memory>
#include <new>
#include <type_traits>
#include <utility>

// An allocator whose containers leave new elements of a trivial type uninitialised where
// no value is given (resize), for buffers that are grown and then written into.
template <class T>
class UninitializedAllocator : public std::allocator<T> {
public:
    template <class U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };

    UninitializedAllocator() = default;
    template <class U>
    UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {} // NOLINT: as std::allocator converts

    template <class U>
    void construct(U* place) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(place)) U;
    }
    template <class U, class... Args>
    void construct(U* place, Args&&... args) {
        ::new (static_cast<void*>(place)) U(std::forward<Args>(args)...);
    }
};
