// Reads an image's content source: one directive per line, a name, then words, quoted texts and
// key=value options; '#' starts a comment.
#pragma once

#include <map>
#include <string>
#include <vector>

struct Directive {
    std::string name;
    std::vector<std::string> words;
    std::map<std::string, std::string> options;
    std::map<std::string, int> optionColumns; // where each option's value starts
    std::vector<int> wordColumns;
    std::string file;
    int line = 0;

    bool has(const std::string& key) const { return options.count(key) != 0; }
    // A finite decimal option, or fails naming file, line and column.
    float number(const std::string& key, float fallback) const;
    // A whole-number option from lowest to highest, or fails naming file, line and column.
    int integer(const std::string& key, int fallback, int lowest, int highest) const;
    // The index-th word as a whole number from lowest to highest.
    int integerWord(size_t index, int lowest, int highest) const;
    std::string text(const std::string& key, const std::string& fallback) const;
    // The first positional word, or fails naming the line.
    const std::string& word(size_t index) const;

private:
    int columnOf(const std::string& key) const;
};

class ContentFile {
public:
    static ContentFile parse(const std::string& text, const std::string& name);
    static ContentFile load(const std::string& path);

    const std::string& getName() const { return name; }
    const std::vector<Directive>& all() const { return directives; }
    // The only directive called `directiveName`, or null.
    const Directive* find(const std::string& directiveName) const;
    const Directive& require(const std::string& directiveName) const;
    std::vector<const Directive*> every(const std::string& directiveName) const;

private:
    std::string name;
    std::vector<Directive> directives;
};
