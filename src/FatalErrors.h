// The one place an entry point catches what went wrong: the error is reported to the viewer and
// the entry point returns non-zero.
#pragma once

#include "kem/Exception.h"
#include "platform/MessageBox.h"

#include <exception>

// Runs action; returns 0 when it finished, 1 after reporting the error it threw.
template <typename Action> int reportingFatalErrors(Action action) {
    try {
        action();
        return 0;
    } catch (const Kem::Exception& error) {
        platform::showFatalError(error.getMessage().getData(), error.getDetail().getData());
    } catch (const std::exception& error) {
        // Not ours to throw, but a report beats an abort.
        platform::showFatalError(error.what());
    }
    return 1;
}
