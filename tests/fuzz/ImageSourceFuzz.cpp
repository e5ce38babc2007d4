// libFuzzer target: any bytes as an image source are parsed or refused with a runtime_error
// naming the file; every option of what parses reads as a number, a whole number or fails the
// same way, and every size word reads within its limits or fails.
#include "ContentFile.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    try {
        ContentFile file = ContentFile::parse(text, "fuzz.txt");
        for (const Directive& directive : file.all()) {
            for (const auto& option : directive.options) {
                try {
                    if (!std::isfinite(directive.number(option.first, 0.0f)))
                        __builtin_trap();
                } catch (const std::runtime_error& error) {
                    if (std::string(error.what()).rfind("fuzz.txt:", 0) != 0)
                        __builtin_trap();
                }
                try {
                    int value = directive.integer(option.first, 0, -100, 100);
                    if (value < -100 || value > 100)
                        __builtin_trap();
                } catch (const std::runtime_error&) {
                }
            }
        }
        for (const Directive* size : file.every("size")) {
            for (size_t i = 0; i < size->words.size(); ++i) {
                try {
                    int side = size->integerWord(i, 1, 8192);
                    if (side < 1 || side > 8192)
                        __builtin_trap();
                } catch (const std::runtime_error&) {
                }
            }
        }
    } catch (const std::runtime_error&) {
    }
    return 0;
}
