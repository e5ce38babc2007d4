// Objects built from files that the making tools can rebuild in place when one of those files
// changes. Shaders, programs and image textures register themselves; the show never asks them to
// rebuild, so for it the registry is only a list.
#pragma once

#include <string>

class Reloadable {
public:
    // True when the object is built from that file, named as the object was given it.
    virtual bool readsFile(const std::string& path) const = 0;
    // Builds again from the files; throws Kem::Exception and stays exactly as it was on failure.
    virtual void rebuild() = 0;
    // Objects of pass 1 (programs) are rebuilt after those of pass 0 (their stages).
    virtual int rebuildPass() const { return 0; }

protected:
    ~Reloadable() = default;
};

namespace Reloadables {

void add(Reloadable* object);
void remove(Reloadable* object);

struct Outcome {
    int rebuilt = 0;
    // Every failure's message, one after another; empty when all went well.
    std::string errors;
};

// Rebuilds every object that reads the file. When a stage fails, nothing of pass 1 is relinked:
// the programs keep what they had.
Outcome rebuildReaders(const std::string& path);

} // namespace Reloadables
