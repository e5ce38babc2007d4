// Tokenising of content sources into directives.
#include "ContentFile.h"

#include "Numbers.h"
#include "SourceText.h"
#include "platform/Files.h"

#include <limits>

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>

static std::runtime_error parseError(const std::string& name, int line, const std::string& what,
                                     int column = 0) {
    return std::runtime_error(text::where(name, line, column, what));
}

float Directive::number(const std::string& key, float fallback) const {
    auto it = options.find(key);
    if (it == options.end()) {
        return fallback;
    }
    text::NumberRead read = text::readDecimal(it->second, -std::numeric_limits<float>::max(),
                                              std::numeric_limits<float>::max());
    if (!read.ok) {
        throw parseError(file, line, "option " + key + ": " + read.problem, columnOf(key));
    }
    return float(read.value);
}

int Directive::columnOf(const std::string& key) const {
    auto it = optionColumns.find(key);
    return it == optionColumns.end() ? 0 : it->second;
}

int Directive::integer(const std::string& key, int fallback, int lowest, int highest) const {
    auto it = options.find(key);
    if (it == options.end()) {
        return fallback;
    }
    text::NumberRead read = text::readInteger(it->second, lowest, highest);
    if (!read.ok) {
        throw parseError(file, line, "option " + key + ": " + read.problem, columnOf(key));
    }
    return int(read.value);
}

int Directive::integerWord(size_t index, int lowest, int highest) const {
    text::NumberRead read = text::readInteger(word(index), lowest, highest);
    if (!read.ok) {
        throw parseError(file, line, "'" + name + "' " + read.problem,
                         index < wordColumns.size() ? wordColumns[index] : 0);
    }
    return int(read.value);
}

std::string Directive::text(const std::string& key, const std::string& fallback) const {
    auto it = options.find(key);
    return it == options.end() ? fallback : it->second;
}

const std::string& Directive::word(size_t index) const {
    if (index >= words.size()) {
        throw parseError(file, line, "'" + name + "' misses argument " + std::to_string(index + 1));
    }
    return words[index];
}

struct Token {
    std::string text;
    int column = 0;
};

static std::vector<Token> tokenize(std::string_view line, const std::string& name, int lineNumber) {
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < line.size()) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        if (std::isspace(c)) {
            ++i;
        } else if (c == '#') {
            break;
        } else {
            Token token;
            token.column = int(i) + 1;
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) {
                if (line[i] == '"') {
                    size_t end = line.find('"', i + 1);
                    if (end == std::string::npos) {
                        throw parseError(name, lineNumber, "unterminated quote", int(i) + 1);
                    }
                    token.text += line.substr(i + 1, end - i - 1);
                    i = end + 1;
                } else {
                    token.text += line[i++];
                }
            }
            tokens.push_back(token);
        }
    }
    return tokens;
}

ContentFile ContentFile::parse(const std::string& text, const std::string& name) {
    text::requireText(text, name);
    ContentFile file;
    file.name = name;
    text::LineReader lines(text);
    std::string_view line;
    while (lines.next(line)) {
        int lineNumber = lines.lineNumber();
        std::vector<Token> tokens = tokenize(line, name, lineNumber);
        if (tokens.empty()) {
            continue;
        }
        Directive directive;
        directive.name = tokens[0].text;
        directive.file = name;
        directive.line = lineNumber;
        for (size_t t = 1; t < tokens.size(); ++t) {
            const std::string& token = tokens[t].text;
            size_t eq = token.find('=');
            if (eq != std::string::npos && eq > 0) {
                std::string key = token.substr(0, eq);
                directive.options[key] = token.substr(eq + 1);
                directive.optionColumns[key] = tokens[t].column + int(eq) + 1;
            } else {
                directive.words.push_back(token);
                directive.wordColumns.push_back(tokens[t].column);
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
