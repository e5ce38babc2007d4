// Fetches the GL entry points of the table in load order; stops at the first required one
// missing.
#include "Extensions.h"

#include "kem/Exception.h"
#include "platform/GLProc.h"

namespace Extensions {

#define OXBRINE_DEFINE_ENTRY(name, type) type entry_##name = nullptr;
OXBRINE_GL_ENTRY_POINTS(OXBRINE_DEFINE_ENTRY)
OXBRINE_GL_OPTIONAL_ENTRY_POINTS(OXBRINE_DEFINE_ENTRY)
#undef OXBRINE_DEFINE_ENTRY

namespace {

#define OXBRINE_ENTRY_NAME(name, type) #name,
const char* const entryNames[] = {OXBRINE_GL_ENTRY_POINTS(OXBRINE_ENTRY_NAME)};

#define OXBRINE_ENTRY_SLOT(name, type) reinterpret_cast<void**>(&entry_##name),
void** const entrySlots[] = {OXBRINE_GL_ENTRY_POINTS(OXBRINE_ENTRY_SLOT)};

constexpr int entryCount = sizeof(entryNames) / sizeof(entryNames[0]);
static_assert(entryCount == 42, "the loader fetches exactly 42 entry points");

const char* const optionalNames[] = {OXBRINE_GL_OPTIONAL_ENTRY_POINTS(OXBRINE_ENTRY_NAME)};
void** const optionalSlots[] = {OXBRINE_GL_OPTIONAL_ENTRY_POINTS(OXBRINE_ENTRY_SLOT)};
constexpr int optionalCount = sizeof(optionalNames) / sizeof(optionalNames[0]);
#undef OXBRINE_ENTRY_NAME
#undef OXBRINE_ENTRY_SLOT

} // namespace

void load() {
    load(platform::getGLProcAddress);
}

void load(ProcLookup lookup) {
    for (int i = 0; i < entryCount; ++i) {
        void* address = lookup(entryNames[i]);
        *entrySlots[i] = address;
        if (!address)
            throw Kem::Exception(Kem::String("Could not load extension procedure: ") +
                                     entryNames[i],
                                 "src/Extensions", 10);
    }
    // Stored even when null, so a pointer left from an earlier context never passes for support.
    for (int i = 0; i < optionalCount; ++i)
        *optionalSlots[i] = lookup(optionalNames[i]);
}

int getEntryPointCount() {
    return entryCount;
}
const char* getEntryPointName(int index) {
    return entryNames[index];
}

bool hasTimerQueries() {
    for (int i = 0; i < optionalCount; ++i)
        if (!*optionalSlots[i])
            return false;
    return true;
}

} // namespace Extensions
