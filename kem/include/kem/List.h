// Growable array in steps of 8 slots with bounds-checked indexing; never shrinks, never owns
// what pointer elements point to.
#pragma once

#include "kem/Exception.h"

namespace Kem {

template <typename T> class List {
public:
    List() : capacity(0), count(0), items(nullptr) {}
    List(const List&) = delete;
    List& operator=(const List&) = delete;
    ~List() {
        count = 0;
        capacity = 0;
        delete[] items;
        items = nullptr;
    }

    void add(const T& value) {
        ++count;
        if (count > capacity) {
            int grown = capacity + ((count - capacity + 7) / 8) * 8;
            T* larger = new T[grown];
            for (int i = 0; i < capacity; ++i)
                larger[i] = items[i];
            delete[] items;
            items = larger;
            capacity = grown;
        }
        items[count - 1] = value;
    }

    T& operator[](int index) {
        if (index < 0 || index >= count)
            throw Exception("Index out of bounds", "kem/include/kem/List", 147);
        return items[index];
    }
    const T& operator[](int index) const { return const_cast<List&>(*this)[index]; }

    int getCount() const { return count; }
    int getCapacity() const { return capacity; }

private:
    int capacity;
    int count;
    T* items;
};

} // namespace Kem
