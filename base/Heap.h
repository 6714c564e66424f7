#pragma once
#include <cstdlib>
#include <new>
#include <utility>

// Records on the heap without the C++ runtime's allocator: its operator new brings the
// exception machinery into a program built without exceptions. A record starts zeroed, as a
// static one would, and then has its members' own initialisers; null when no memory is left.

template <typename T, typename... Args>
T* MakeOnHeap(Args&&... args) {
    void* memory = std::calloc(1, sizeof(T));
    return memory ? new (memory) T(std::forward<Args>(args)...) : nullptr;
}

template <typename T>
void FreeOnHeap(T* object) {
    if (object) {
        object->~T();
        std::free(object);
    }
}
