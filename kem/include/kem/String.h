// Immutable byte string whose storage is shared between copies by a plain reference count.
#pragma once

#include <cstdlib>
#include <cstring>

namespace Kem {

class Exception;

class String {
public:
    String() : record(nullptr) {}
    String(const char* text);
    String(const String& other) : record(other.record) { retain(); }
    ~String() { release(); }

    String& operator=(const String& other);

    int getLength() const { return record ? record->size - 1 : 0; }
    const char* getData() const { return record ? record->data : nullptr; }

    // The bound includes the terminator: index == length yields the NUL.
    char operator[](int index) const;

    friend String operator+(const String& a, const String& b);

    // Only for tests and diagnostics: how many Strings share this storage (0 when null).
    int getShareCount() const { return record ? record->refcount : 0; }
    bool sharesStorageWith(const String& other) const {
        return record != nullptr && record == other.record;
    }

private:
    struct Record {
        char* data;
        int size; // bytes in data, terminator included
        int refcount;
    };

    void retain() {
        if (record)
            ++record->refcount;
    }
    // Out of line: inlined, GCC 12 mistakes the shared-count pattern for a use after free.
    [[gnu::noinline]] void release() {
        if (!record)
            return;
        if (--record->refcount == 0) {
            delete[] record->data;
            delete record;
        }
        record = nullptr;
    }

    Record* record;
};

String operator+(const String& a, const char* b);
String operator+(const char* a, const String& b);

} // namespace Kem

namespace Kem {

inline String::String(const char* text) : record(nullptr) {
    if (!text)
        return;
    int size = static_cast<int>(std::strlen(text)) + 1;
    record = new Record{new char[size], size, 1};
    std::memcpy(record->data, text, size);
}

inline String& String::operator=(const String& other) {
    if (record == other.record)
        return *this;
    release();
    record = other.record;
    retain();
    return *this;
}

inline String operator+(const String& a, const String& b) {
    if (b.record == nullptr || b.record->size == 1)
        return a;
    int n = a.getLength() + b.getLength();
    char* buffer = new char[n + 1];
    int aLength = a.getLength();
    for (int i = 0; i < aLength; ++i)
        buffer[i] = a[i];
    std::memcpy(buffer + aLength, b.getData(), b.getLength());
    buffer[n] = '\0';
    String result(buffer);
    delete[] buffer;
    return result;
}

inline String operator+(const String& a, const char* b) { return a + String(b); }
inline String operator+(const char* a, const String& b) { return String(a) + b; }

} // namespace Kem

// Indexing throws Kem::Exception, so its body lives after that class.
#include "kem/Exception.h"
