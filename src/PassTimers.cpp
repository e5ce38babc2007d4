// Per-pass GL_TIME_ELAPSED queries in a ring, read back without stalling unless asked to.
#include "PassTimers.h"

#include "kem/Exception.h"

#include <cstdio>
#include <cstring>

bool PassTimers::available() {
    if (!Extensions::hasTimerQueries())
        return false;
    // Some loaders hand out entry points for any name; the context must really have them.
    int major = 0, minor = 0;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (version && std::sscanf(version, "%d.%d", &major, &minor) == 2 &&
        (major > 3 || (major == 3 && minor >= 3)))
        return true;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return extensions && std::strstr(extensions, "GL_ARB_timer_query");
}

PassTimers::PassTimers() {
    if (!available())
        throw Kem::Exception("This OpenGL context has no timer queries", "src/PassTimers", 22);
    glGenQueries(ringSize * passCount, &queries[0][0]);
}

PassTimers::~PassTimers() {
    endOpenPass();
    glDeleteQueries(ringSize * passCount, &queries[0][0]);
}

void PassTimers::endOpenPass() {
    if (openPass >= 0)
        glEndQuery(GL_TIME_ELAPSED);
    openPass = -1;
}

void PassTimers::begin(Pass pass) {
    endOpenPass();
    if (pass == Pass::Scene) {
        // A frame cut short (an exception, the show's end) is dropped: its slot starts over.
        if (!frameOpen)
            slot = (slot + 1) % ringSize;
        frameOpen = true;
        pending[slot] = false;
        for (bool& flag : issued[slot])
            flag = false;
    }
    if (!frameOpen)
        return;
    int index = static_cast<int>(pass);
    glBeginQuery(GL_TIME_ELAPSED, queries[slot][index]);
    // llvmpipe times a query from the end of the first batch of work it spans; a flush here
    // keeps the pass's own work out of that batch, so its time is the pass's time.
    glFlush();
    issued[slot][index] = true;
    openPass = index;
}

void PassTimers::endFrame(bool waitForResults) {
    endOpenPass();
    if (!frameOpen)
        return;
    frameOpen = false;
    bool complete = true;
    for (bool flag : issued[slot])
        complete = complete && flag;
    pending[slot] = complete;
    if (waitForResults) {
        collect(slot, true);
        return;
    }
    // Oldest first, so the newest ready frame is the one left in times.
    for (int age = ringSize - 1; age >= 0; --age) {
        int older = (slot - age + ringSize) % ringSize;
        if (pending[older] && !collect(older, false))
            break;
    }
}

bool PassTimers::collect(int frame, bool wait) {
    if (!pending[frame])
        return false;
    if (!wait) {
        for (GLuint query : queries[frame]) {
            GLint ready = 0;
            glGetQueryObjectiv(query, GL_QUERY_RESULT_AVAILABLE, &ready);
            if (!ready)
                return false;
        }
    }
    for (int i = 0; i < passCount; ++i) {
        GLuint64 nanoseconds = 0;
        glGetQueryObjectui64v(queries[frame][i], GL_QUERY_RESULT, &nanoseconds);
        times.milliseconds[i] = static_cast<double>(nanoseconds) / 1e6;
    }
    times.valid = true;
    pending[frame] = false;
    return true;
}
