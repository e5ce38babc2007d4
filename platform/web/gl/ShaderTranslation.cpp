// Identifier-level rewriting of the compatibility built-ins, and the ES prelude declaring them.
#include "platform/web/gl/ShaderTranslation.h"

#include <cctype>
#include <regex>
#include <set>
#include <vector>

namespace webgl {

namespace {

struct Renaming {
    const char* desktop;
    const char* es;
    // The declaration the ES source needs, or null for a plain rename (a function).
    const char* declaration;
};

// "%N" in a declaration is the array size the source needs (the highest constant index + 1).
const Renaming vertexRenamings[] = {
    {"gl_Vertex", builtin::vertex, "in vec4 ox_VertexIn;\nvec4 ox_Vertex;"},
    {"gl_MultiTexCoord0", builtin::texCoord, "in vec4 ox_MultiTexCoord0;"},
    {"gl_Color", builtin::color, "in vec4 ox_Color;"},
    {"gl_Normal", builtin::normal, "in vec3 ox_Normal;"},
    {"gl_ModelViewMatrix", builtin::modelView, "uniform mat4 ox_ModelViewMatrix;"},
    {"gl_ProjectionMatrix", builtin::projection, "uniform mat4 ox_ProjectionMatrix;"},
    {"gl_ModelViewProjectionMatrix", builtin::modelViewProjection,
     "uniform mat4 ox_ModelViewProjectionMatrix;"},
    {"gl_NormalMatrix", builtin::normalMatrix, "uniform mat3 ox_NormalMatrix;"},
    {"gl_FrontColor", "ox_FrontColor", "out vec4 ox_FrontColor;"},
    {"gl_TexCoord", "ox_TexCoord", "out vec4 ox_TexCoord[%N];"},
    {"texture2D", "texture", nullptr},
    {"texture3D", "texture", nullptr},
    {"textureCube", "texture", nullptr},
};

const Renaming fragmentRenamings[] = {
    {"gl_Color", "ox_FrontColor", "in vec4 ox_FrontColor;"},
    {"gl_TexCoord", "ox_TexCoord", "in vec4 ox_TexCoord[%N];"},
    {"gl_FragColor", "ox_FragColor", "layout(location = 0) out vec4 ox_FragColor;"},
    {"gl_FragData", "ox_FragData", "layout(location = 0) out vec4 ox_FragData[%N];"},
    {"texture2D", "texture", nullptr},
    {"texture3D", "texture", nullptr},
    {"textureCube", "texture", nullptr},
};

const char* const prelude = "#version 300 es\n"
                            "precision highp float;\n"
                            "precision highp int;\n"
                            "precision highp sampler2D;\n"
                            "precision highp sampler3D;\n"
                            "precision highp samplerCube;\n";

// Filtering against the transparent black border: clamped to the texture, a linear read's taps
// beyond its edge texels weigh border instead of edge, so the edge reads scale down towards 0.5.
const char* const clampReads = "vec4 ox_borderScale(vec4 info, vec2 uv, vec4 texel) {\n"
                               "    vec2 t = clamp(uv, 0.0, 1.0) * info.zw - 0.5;\n"
                               "    vec2 inside = clamp(min(t + 1.0, info.zw - t), 0.0, 1.0);\n"
                               "    vec2 scale = mix(vec2(1.0), inside, info.xy);\n"
                               "    return texel * (scale.x * scale.y);\n"
                               "}\n"
                               "vec4 ox_texture(sampler2D s, vec4 info, vec2 uv) {\n"
                               "    return ox_borderScale(info, uv, texture(s, uv));\n"
                               "}\n";
// A bias exists in the fragment stage only.
const char* const clampReadsWithBias =
    "vec4 ox_texture(sampler2D s, vec4 info, vec2 uv, float bias) {\n"
    "    return ox_borderScale(info, uv, texture(s, uv, bias));\n"
    "}\n";

// Names the 2D sampler uniforms and routes their texture() reads through ox_texture.
std::vector<std::string> routeClampedReads(std::string& body) {
    static const std::regex declaration(
        R"(\buniform\s+(?:(?:lowp|mediump|highp)\s+)?sampler2D\s+(\w+)\s*;)");
    std::vector<std::string> samplers;
    for (std::sregex_iterator match(body.begin(), body.end(), declaration), end; match != end;
         ++match)
        samplers.push_back((*match)[1].str());
    for (const std::string& name : samplers) {
        const std::regex read("\\btexture\\s*\\(\\s*" + name + "\\s*,");
        body = std::regex_replace(body, read,
                                  "ox_texture(" + name + ", " + builtin::clampPrefix + name + ",");
    }
    return samplers;
}

bool isIdentifierStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool isIdentifierPart(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// The #version line's text range is blanked (its newline kept) so the lines keep their numbers.
void blankVersionLine(std::string& text) {
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        size_t first = text.find_first_not_of(" \t\r", at);
        if (first != std::string::npos && first < end && text.compare(first, 1, "#") == 0) {
            size_t word = text.find_first_not_of(" \t", first + 1);
            if (word != std::string::npos && text.compare(word, 7, "version") == 0) {
                text.replace(at, end - at, std::string(end - at, ' '));
                return;
            }
        }
        at = end + 1;
    }
}

// A constant index right after the name ("[2]"), or -1.
int constantIndexAfter(const std::string& text, size_t at) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    if (at >= text.size() || text[at] != '[')
        return -1;
    int value = 0;
    size_t digit = at + 1;
    while (digit < text.size() && std::isdigit(static_cast<unsigned char>(text[digit])) &&
           value < 64)
        value = value * 10 + (text[digit++] - '0');
    return digit > at + 1 && digit < text.size() && text[digit] == ']' ? value : -1;
}

struct Unperspective {
    std::string type;
    std::string name;
};

// ES 3.00 has no noperspective. Each such varying becomes a global of the stage, and the vertex
// stage hands over value * w and w, both interpolated with perspective: their quotient in the
// fragment stage is the value interpolated linearly in screen space.
std::vector<Unperspective> takeNoperspective(std::string& text) {
    static const std::regex declaration(R"(\bnoperspective\s+(in|out)\s+(\w+)\s+(\w+)\s*;)");
    std::vector<Unperspective> found;
    std::string rewritten;
    auto last = text.cbegin();
    for (std::sregex_iterator match(text.begin(), text.end(), declaration), end; match != end;
         ++match) {
        rewritten.append(last, text.cbegin() + match->position());
        found.push_back({(*match)[2].str(), (*match)[3].str()});
        rewritten += (*match)[2].str() + " " + (*match)[3].str() + ";";
        last = text.cbegin() + match->position() + match->length();
    }
    rewritten.append(last, text.cend());
    text = rewritten;
    return found;
}

std::string noperspectiveDeclarations(const std::vector<Unperspective>& varyings,
                                      ShaderStage stage) {
    const char* direction = stage == ShaderStage::Vertex ? "out " : "in ";
    std::string text;
    for (const Unperspective& v : varyings)
        text += direction + v.type + " ox_np_" + v.name + ";\n";
    text += direction + std::string("float ox_np_w;\n");
    return text;
}

// Smooth lines as the desktop draws them: each segment a quad around the line in screen space,
// widened by the vertex stage, which runs the shader's main for the segment's other end too.
const char* const lineWideningDeclarations = "uniform vec3 ox_LineWidening;\n"
                                             "in vec4 ox_LineOther;\n"
                                             "in float ox_LineSide;\n";

const char* const lineWideningBefore = "    vec4 ox_other = vec4(0.0);\n"
                                       "    if (ox_LineWidening.x > 0.0) {\n"
                                       "        ox_Vertex = ox_LineOther;\n"
                                       "        ox_main();\n"
                                       "        ox_other = gl_Position;\n"
                                       "    }\n"
                                       "    ox_Vertex = ox_VertexIn;\n";

const char* const lineWideningAfter =
    "    if (ox_LineWidening.x > 0.0) {\n"
    "        vec2 halfSize = 0.5 * ox_LineWidening.yz;\n"
    "        vec2 along = (gl_Position.xy / gl_Position.w - ox_other.xy / ox_other.w) * halfSize;\n"
    "        float span = length(along);\n"
    "        vec2 direction = span > 0.0 ? along / span : vec2(1.0, 0.0);\n"
    "        vec2 offset = vec2(-direction.y, direction.x) * ox_LineSide * ox_LineWidening.x +\n"
    "                      direction * 0.5;\n"
    "        gl_Position.xy += offset / halfSize * gl_Position.w;\n"
    "    }\n";

// The generated main around the shader's own, renamed ox_main.
std::string wrappingMain(const std::vector<Unperspective>& varyings, ShaderStage stage,
                         bool widensLines) {
    std::string text = "\nvoid main() {\n";
    if (stage == ShaderStage::Vertex) {
        if (widensLines)
            text += lineWideningBefore;
        text += "    ox_main();\n";
        if (widensLines)
            text += lineWideningAfter;
        for (const Unperspective& v : varyings)
            text += "    ox_np_" + v.name + " = " + v.name + " * gl_Position.w;\n";
        if (!varyings.empty())
            text += "    ox_np_w = gl_Position.w;\n";
    } else {
        for (const Unperspective& v : varyings)
            text += "    " + v.name + " = ox_np_" + v.name + " / ox_np_w;\n";
        text += "    ox_main();\n";
    }
    return text + "}\n";
}

} // namespace

std::string translateShader(const std::string& source, ShaderStage stage) {
    const Renaming* renamings = stage == ShaderStage::Vertex ? vertexRenamings : fragmentRenamings;
    const size_t renamingCount = stage == ShaderStage::Vertex
                                     ? sizeof vertexRenamings / sizeof *vertexRenamings
                                     : sizeof fragmentRenamings / sizeof *fragmentRenamings;
    std::string text = source;
    blankVersionLine(text);
    const std::vector<Unperspective> unperspective = takeNoperspective(text);
    // A vertex stage reading gl_Vertex can widen lines; it reads the position from a global.
    const bool widensLines =
        stage == ShaderStage::Vertex && std::regex_search(text, std::regex("\\bgl_Vertex\\b"));
    const bool wrapsMain = widensLines || !unperspective.empty();

    std::string body;
    body.reserve(text.size() + 64);
    std::set<size_t> used;
    int arraySize = 1;
    for (size_t at = 0; at < text.size();) {
        if (!isIdentifierStart(text[at]) || (at > 0 && isIdentifierPart(text[at - 1]))) {
            body += text[at++];
            continue;
        }
        size_t end = at;
        while (end < text.size() && isIdentifierPart(text[end]))
            ++end;
        const std::string word = text.substr(at, end - at);
        bool renamed = false;
        for (size_t r = 0; r < renamingCount; ++r) {
            if (word != renamings[r].desktop)
                continue;
            body += renamings[r].es;
            used.insert(r);
            int index = constantIndexAfter(text, end);
            if (index + 1 > arraySize)
                arraySize = index + 1;
            renamed = true;
            break;
        }
        if (!renamed)
            body += wrapsMain && word == "main" ? "ox_main" : word;
        at = end;
    }

    const std::vector<std::string> samplers = routeClampedReads(body);

    std::string translated = prelude;
    for (size_t r : used) {
        const char* declaration = renamings[r].declaration;
        if (!declaration)
            continue;
        std::string line = declaration;
        size_t size = line.find("%N");
        if (size != std::string::npos)
            line.replace(size, 2, std::to_string(arraySize));
        translated += line + "\n";
    }
    if (!unperspective.empty())
        translated += noperspectiveDeclarations(unperspective, stage);
    if (widensLines)
        translated += lineWideningDeclarations;
    for (const std::string& name : samplers)
        translated += std::string("uniform vec4 ") + builtin::clampPrefix + name + ";\n";
    if (!samplers.empty())
        translated += clampReads;
    if (!samplers.empty() && stage == ShaderStage::Fragment)
        translated += clampReadsWithBias;
    translated += "#line 1\n";
    translated += body;
    if (wrapsMain)
        translated += wrappingMain(unperspective, stage, widensLines);
    return translated;
}

} // namespace webgl
