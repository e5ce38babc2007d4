// Tokenising of content sources into directives.
#include "ContentFile.h"

#include "platform/Files.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

static std::runtime_error parseError(const std::string& name, int line, const std::string& what) {
    return std::runtime_error(name + ":" + std::to_string(line) + ": " + what);
}

float Directive::number(const std::string& key, float fallback) const {
    auto it = options.find(key);
    if (it == options.end()) {
        return fallback;
    }
    try {
        size_t used = 0;
        float value = std::stof(it->second, &used);
        if (used == it->second.size()) {
            return value;
        }
    } catch (const std::exception&) {
    }
    throw parseError(name, line, "option " + key + " is not a number: " + it->second);
}

std::string Directive::text(const std::string& key, const std::string& fallback) const {
    auto it = options.find(key);
    return it == options.end() ? fallback : it->second;
}

const std::string& Directive::word(size_t index) const {
    if (index >= words.size()) {
        throw parseError(name, line, "missing argument " + std::to_string(index + 1));
    }
    return words[index];
}

static std::vector<std::string> tokenize(const std::string& line, const std::string& name,
                                         int lineNumber) {
    std::vector<std::string> tokens;
    size_t i = 0;
    while (i < line.size()) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (std::isspace(c)) {
            ++i;
        } else if (c == '#') {
            break;
        } else {
            std::string token;
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) {
                if (line[i] == '"') {
                    size_t end = line.find('"', i + 1);
                    if (end == std::string::npos) {
                        throw parseError(name, lineNumber, "unterminated quote");
                    }
                    token += line.substr(i + 1, end - i - 1);
                    i = end + 1;
                } else {
                    token += line[i++];
                }
            }
            tokens.push_back(token);
        }
    }
    return tokens;
}

ContentFile ContentFile::parse(const std::string& text, const std::string& name) {
    ContentFile file;
    file.name = name;
    std::istringstream stream(text);
    std::string line;
    int lineNumber = 0;
    while (std::getline(stream, line)) {
        ++lineNumber;
        std::vector<std::string> tokens = tokenize(line, name, lineNumber);
        if (tokens.empty()) {
            continue;
        }
        Directive directive;
        directive.name = tokens[0];
        directive.line = lineNumber;
        for (size_t t = 1; t < tokens.size(); ++t) {
            size_t eq = tokens[t].find('=');
            if (eq != std::string::npos && eq > 0) {
                directive.options[tokens[t].substr(0, eq)] = tokens[t].substr(eq + 1);
            } else {
                directive.words.push_back(tokens[t]);
            }
        }
        file.directives.push_back(directive);
    }
    return file;
}

ContentFile ContentFile::load(const std::string& path) {
    std::vector<unsigned char> text =
        platform::readFileLimited(path, platform::sourceLimit, "image source");
    return parse(std::string(text.begin(), text.end()), path);
}

const Directive* ContentFile::find(const std::string& directiveName) const {
    const Directive* found = nullptr;
    for (const Directive& d : directives) {
        if (d.name == directiveName) {
            if (found) {
                throw parseError(name, d.line, "'" + directiveName + "' given twice");
            }
            found = &d;
        }
    }
    return found;
}

const Directive& ContentFile::require(const std::string& directiveName) const {
    const Directive* d = find(directiveName);
    if (!d) {
        throw std::runtime_error(name + ": missing '" + directiveName + "'");
    }
    return *d;
}

std::vector<const Directive*> ContentFile::every(const std::string& directiveName) const {
    std::vector<const Directive*> found;
    for (const Directive& d : directives) {
        if (d.name == directiveName) {
            found.push_back(&d);
        }
    }
    return found;
}
