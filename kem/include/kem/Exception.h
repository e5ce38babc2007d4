// The one error type: thrown where a fatal condition is detected, caught once at the entry point.
#pragma once

#include "kem/String.h"

namespace Kem {

class Exception {
public:
    Exception(const String& message, const String& file, int line)
        : message(message), file(file), line(line) {}
    // detail: a second line for standard error, naming the file, program, track or value a
    // fixed message leaves out.
    Exception(const String& message, const String& file, int line, const String& detail)
        : message(message), file(file), line(line), detail(detail) {}

    String getMessage() const { return message; }
    // Empty when the message says it all.
    String getDetail() const { return detail; }
    // Carried for debugging; never shown to the viewer.
    String getFile() const { return file; }
    int getLine() const { return line; }

private:
    String message;
    String file;
    int line;
    String detail;
};

} // namespace Kem

namespace Kem {

inline char String::operator[](int index) const {
    if (!record)
        throw Exception("Cannot index empty string", "kem/include/kem/String", 110);
    if (index < 0 || index >= record->size)
        throw Exception("Index out of bounds", "kem/include/kem/String", 111);
    return record->data[index];
}

} // namespace Kem
