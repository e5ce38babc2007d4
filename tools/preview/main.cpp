// oxbrine-preview: the show for those who make it, with transport, HUD, hot reload and a live
// editor link. Run from the folder that holds Data/.
#include "PreviewApp.h"
#include "PreviewOptions.h"
#include "Version.h"
#include "kem/Exception.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    PreviewOptions options;
    try {
        options = parsePreviewOptions(argc, argv, OXBRINE_CONTENT_DIR);
    } catch (const PreviewUsageError& error) {
        std::cerr << "oxbrine-preview: " << error.what() << "\n" << previewUsage;
        return 2;
    }
    if (options.help) {
        std::cout << previewUsage;
        return 0;
    }
    if (options.version) {
        std::cout << "oxbrine-preview " << oxbrineVersion() << "\n";
        return 0;
    }
    try {
        runPreview(options, {options.content, OXBRINE_IMAGE_GENERATOR});
        return 0;
    } catch (const Kem::Exception& error) {
        std::cerr << "oxbrine-preview: " << error.getMessage().getData() << "\n";
    } catch (const std::exception& error) {
        std::cerr << "oxbrine-preview: " << error.what() << "\n";
    }
    return 1;
}
