// The registry of objects built from files, and rebuilding those that read a changed file.
#include "Reloadable.h"

#include "kem/Exception.h"

#include <algorithm>
#include <vector>

namespace {

// Kept to the end of the process: objects living in statics unregister during exit.
std::vector<Reloadable*>& registry() {
    static auto* objects = new std::vector<Reloadable*>;
    return *objects;
}

} // namespace

namespace Reloadables {

void add(Reloadable* object) {
    registry().push_back(object);
}

void remove(Reloadable* object) {
    auto& objects = registry();
    objects.erase(std::remove(objects.begin(), objects.end(), object), objects.end());
}

Outcome rebuildReaders(const std::string& path) {
    Outcome outcome;
    // A rebuild may construct and destroy objects of its own, which register and unregister.
    const std::vector<Reloadable*> readers = [&] {
        std::vector<Reloadable*> found;
        for (Reloadable* object : registry())
            if (object->readsFile(path))
                found.push_back(object);
        return found;
    }();
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1 && !outcome.errors.empty())
            break;
        for (Reloadable* object : readers) {
            if (object->rebuildPass() != pass)
                continue;
            try {
                object->rebuild();
                ++outcome.rebuilt;
            } catch (const Kem::Exception& error) {
                outcome.errors += error.getMessage().getData() ? error.getMessage().getData() : "";
                outcome.errors += '\n';
            }
        }
    }
    return outcome;
}

} // namespace Reloadables
