// The entry point: setup dialog, window, the show's frame loop, and the one place where fatal
// errors are caught and reported.
#include "LaunchOptions.h"
#include "ShowRun.h"
#include "Version.h"
#include "kem/Exception.h"
#include "platform/Dialog.h"
#include "platform/MessageBox.h"

#include <cstdio>
#include <cstring>
#include <exception>

namespace {

constexpr const char* windowTitle = "Morvelin - Oxbrine";
// A fixed-size captioned window with close and minimise boxes.
constexpr std::uint32_t windowStyle = platform::windowStyle::caption |
                                      platform::windowStyle::systemMenu |
                                      platform::windowStyle::minimizeBox;

// Shows the dialog and stores its choices in the launch record; true when the viewer accepted.
bool askForLaunchOptions() {
    LaunchOptions& options = getLaunchOptions();
    const char* labels[resolutionCount];
    for (int i = 0; i < resolutionCount; ++i)
        labels[i] = resolutions[i].label;
    platform::SetupChoices choices{options.resolution, options.fullscreen, options.mustache};
    options.accepted = platform::runSetupDialog(labels, resolutionCount, choices);
    if (options.accepted) {
        options.resolution = choices.resolution;
        options.fullscreen = choices.fullscreen;
        options.mustache = choices.mustache;
    }
    return options.accepted;
}

void runShow() {
    ShowRun run(windowTitle, windowStyle);
    while (run.step()) {
    }
}

} // namespace

// "--version" alone prints the version; any other command line starts the show as usual.
int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("oxbrine %s\n", oxbrineVersion());
        return 0;
    }
    try {
        if (!askForLaunchOptions())
            return 0;
        runShow();
        return 0;
    } catch (const Kem::Exception& error) {
        platform::showFatalError(error.getMessage().getData(), error.getDetail().getData());
    } catch (const std::exception& error) {
        // Not ours to throw, but a report beats an abort.
        platform::showFatalError(error.what());
    }
    return 1;
}
