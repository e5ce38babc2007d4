// The recording wrappers. Programs are named after the fact from their attached shaders' source,
// matched against the files in Data/.
#include "wiring/GLRecorder.h"

#include "Extensions.h"
#include "platform/GLProc.h"

#include <dlfcn.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <utility>

namespace recorder {
namespace {

struct Raw {
    GLuint program;
    std::string name;
    std::vector<float> values;
};

bool recording = false;
GLuint current = 0;
std::vector<Raw> raw;
std::map<std::pair<GLuint, GLint>, std::string> locationNames;

PFNGLUSEPROGRAMPROC realUseProgram;
PFNGLGETUNIFORMLOCATIONPROC realGetUniformLocation;
PFNGLUNIFORM1FPROC realUniform1f;
PFNGLUNIFORM2FPROC realUniform2f;
PFNGLUNIFORM3FPROC realUniform3f;
PFNGLUNIFORM4FPROC realUniform4f;
PFNGLUNIFORM1IPROC realUniform1i;
PFNGLUNIFORMMATRIX4FVPROC realUniformMatrix4fv;

void record(GLint location, std::vector<float> values) {
    if (!recording)
        return;
    auto found = locationNames.find({current, location});
    std::string name = location < 0 ? "(inactive)"
                       : found != locationNames.end()
                           ? found->second
                           : "(location " + std::to_string(location) + ")";
    raw.push_back({current, name, std::move(values)});
}

void APIENTRY useProgram(GLuint program) {
    current = program;
    realUseProgram(program);
}
GLint APIENTRY getUniformLocation(GLuint program, const GLchar* name) {
    GLint location = realGetUniformLocation(program, name);
    if (location >= 0)
        locationNames[{program, location}] = name;
    return location;
}
void APIENTRY uniform1f(GLint l, GLfloat x) {
    record(l, {x});
    realUniform1f(l, x);
}
void APIENTRY uniform2f(GLint l, GLfloat x, GLfloat y) {
    record(l, {x, y});
    realUniform2f(l, x, y);
}
void APIENTRY uniform3f(GLint l, GLfloat x, GLfloat y, GLfloat z) {
    record(l, {x, y, z});
    realUniform3f(l, x, y, z);
}
void APIENTRY uniform4f(GLint l, GLfloat x, GLfloat y, GLfloat z, GLfloat w) {
    record(l, {x, y, z, w});
    realUniform4f(l, x, y, z, w);
}
void APIENTRY uniform1i(GLint l, GLint x) {
    record(l, {float(x)});
    realUniform1i(l, x);
}
void APIENTRY uniformMatrix4fv(GLint l, GLsizei count, GLboolean transpose, const GLfloat* m) {
    record(l, std::vector<float>(m, m + 16 * count));
    realUniformMatrix4fv(l, count, transpose, m);
}

template <typename T> T real(const char* name) {
    return reinterpret_cast<T>(dlsym(RTLD_NEXT, name));
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The fragment shader file of Data/ whose text ends the program's fragment source.
std::string nameOf(GLuint program) {
    if (program == 0)
        return "";
    static std::map<GLuint, std::string> known;
    auto found = known.find(program);
    if (found != known.end())
        return found->second;
    auto attached = reinterpret_cast<PFNGLGETATTACHEDSHADERSPROC>(
        platform::getGLProcAddress("glGetAttachedShaders"));
    auto source =
        reinterpret_cast<PFNGLGETSHADERSOURCEPROC>(platform::getGLProcAddress("glGetShaderSource"));
    GLuint shaders[4];
    GLsizei count = 0;
    attached(program, 4, &count, shaders);
    std::string name = "(program " + std::to_string(program) + ")";
    for (GLsizei i = 0; i < count; ++i) {
        std::vector<GLchar> text(1 << 20);
        GLsizei length = 0;
        source(shaders[i], GLsizei(text.size()), &length, text.data());
        std::string s(text.data(), size_t(length));
        for (const auto& entry : std::filesystem::directory_iterator("Data")) {
            if (entry.path().extension() != ".frag")
                continue;
            std::string file = readFile(entry.path());
            if (!file.empty() && s.size() >= file.size() &&
                s.compare(s.size() - file.size(), file.size(), file) == 0)
                name = entry.path().stem().string();
        }
    }
    return known[program] = name;
}

} // namespace

void install() {
    realUseProgram = Extensions::entry_glUseProgram;
    realGetUniformLocation = Extensions::entry_glGetUniformLocation;
    realUniform1f = Extensions::entry_glUniform1f;
    realUniform2f = Extensions::entry_glUniform2f;
    realUniform3f = Extensions::entry_glUniform3f;
    realUniform4f = Extensions::entry_glUniform4f;
    realUniform1i = Extensions::entry_glUniform1i;
    realUniformMatrix4fv = Extensions::entry_glUniformMatrix4fv;
    Extensions::entry_glUseProgram = useProgram;
    Extensions::entry_glGetUniformLocation = getUniformLocation;
    Extensions::entry_glUniform1f = uniform1f;
    Extensions::entry_glUniform2f = uniform2f;
    Extensions::entry_glUniform3f = uniform3f;
    Extensions::entry_glUniform4f = uniform4f;
    Extensions::entry_glUniform1i = uniform1i;
    Extensions::entry_glUniformMatrix4fv = uniformMatrix4fv;
}

void start() {
    raw.clear();
    recording = true;
}

std::vector<Call> stop() {
    recording = false;
    std::vector<Call> calls;
    for (Raw& r : raw)
        calls.push_back({nameOf(r.program), std::move(r.name), std::move(r.values)});
    raw.clear();
    return calls;
}

} // namespace recorder

// The fixed-function calls, defined here so the engine linked into this program reaches them.
extern "C" {

void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    static auto forward = recorder::real<void (*)(GLfloat, GLfloat, GLfloat)>("glColor3f");
    if (recorder::recording)
        recorder::raw.push_back({recorder::current, "glColor3f", {r, g, b}});
    forward(r, g, b);
}

void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    static auto forward = recorder::real<void (*)(GLfloat, GLfloat, GLfloat, GLfloat)>("glColor4f");
    if (recorder::recording)
        recorder::raw.push_back({recorder::current, "glColor4f", {r, g, b, a}});
    forward(r, g, b, a);
}

void glVertex2f(GLfloat x, GLfloat y) {
    static auto forward = recorder::real<void (*)(GLfloat, GLfloat)>("glVertex2f");
    if (recorder::recording)
        recorder::raw.push_back({recorder::current, "glVertex2f", {x, y}});
    forward(x, y);
}

} // extern "C"
