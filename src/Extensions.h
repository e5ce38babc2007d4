// The GL entry points newer than OpenGL 1.1, fetched by name once per run. Include this header
// (never <GL/gl.h> directly) in code that calls GL: every listed name becomes a call through the
// loaded table.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

// Mesa's glext.h leaves this one out because gl.h declares the function itself.
typedef void(APIENTRYP OxClientActiveTextureProc)(GLenum texture);

// name, pointer type; the order is the load order.
#define OXBRINE_GL_ENTRY_POINTS(X)                                                                 \
    X(glTexImage3D, PFNGLTEXIMAGE3DPROC)                                                           \
    X(glCreateShader, PFNGLCREATESHADERPROC)                                                       \
    X(glDeleteShader, PFNGLDELETESHADERPROC)                                                       \
    X(glShaderSource, PFNGLSHADERSOURCEPROC)                                                       \
    X(glCompileShader, PFNGLCOMPILESHADERPROC)                                                     \
    X(glAttachShader, PFNGLATTACHSHADERPROC)                                                       \
    X(glDetachShader, PFNGLDETACHSHADERPROC)                                                       \
    X(glGetShaderiv, PFNGLGETSHADERIVPROC)                                                         \
    X(glGetShaderInfoLog, PFNGLGETSHADERINFOLOGPROC)                                               \
    X(glCreateProgram, PFNGLCREATEPROGRAMPROC)                                                     \
    X(glDeleteProgram, PFNGLDELETEPROGRAMPROC)                                                     \
    X(glLinkProgram, PFNGLLINKPROGRAMPROC)                                                         \
    X(glUseProgram, PFNGLUSEPROGRAMPROC)                                                           \
    X(glGetProgramiv, PFNGLGETPROGRAMIVPROC)                                                       \
    X(glGetProgramInfoLog, PFNGLGETPROGRAMINFOLOGPROC)                                             \
    X(glActiveTexture, PFNGLACTIVETEXTUREPROC)                                                     \
    X(glGetUniformLocation, PFNGLGETUNIFORMLOCATIONPROC)                                           \
    X(glUniform1f, PFNGLUNIFORM1FPROC)                                                             \
    X(glUniform2f, PFNGLUNIFORM2FPROC)                                                             \
    X(glUniform3f, PFNGLUNIFORM3FPROC)                                                             \
    X(glUniform4f, PFNGLUNIFORM4FPROC)                                                             \
    X(glUniform1i, PFNGLUNIFORM1IPROC)                                                             \
    X(glUniform2i, PFNGLUNIFORM2IPROC)                                                             \
    X(glUniform3i, PFNGLUNIFORM3IPROC)                                                             \
    X(glUniform4i, PFNGLUNIFORM4IPROC)                                                             \
    X(glUniformMatrix4fv, PFNGLUNIFORMMATRIX4FVPROC)                                               \
    X(glGenRenderbuffers, PFNGLGENRENDERBUFFERSPROC)                                               \
    X(glDeleteRenderbuffers, PFNGLDELETERENDERBUFFERSPROC)                                         \
    X(glBindRenderbuffer, PFNGLBINDRENDERBUFFERPROC)                                               \
    X(glRenderbufferStorage, PFNGLRENDERBUFFERSTORAGEPROC)                                         \
    X(glGenFramebuffers, PFNGLGENFRAMEBUFFERSPROC)                                                 \
    X(glDeleteFramebuffers, PFNGLDELETEFRAMEBUFFERSPROC)                                           \
    X(glBindFramebuffer, PFNGLBINDFRAMEBUFFERPROC)                                                 \
    X(glFramebufferTexture2D, PFNGLFRAMEBUFFERTEXTURE2DPROC)                                       \
    X(glFramebufferTextureLayer, PFNGLFRAMEBUFFERTEXTURELAYERPROC)                                 \
    X(glFramebufferRenderbuffer, PFNGLFRAMEBUFFERRENDERBUFFERPROC)                                 \
    X(glDrawBuffers, PFNGLDRAWBUFFERSPROC)                                                         \
    X(glGenBuffers, PFNGLGENBUFFERSPROC)                                                           \
    X(glDeleteBuffers, PFNGLDELETEBUFFERSPROC)                                                     \
    X(glBindBuffer, PFNGLBINDBUFFERPROC)                                                           \
    X(glBufferData, PFNGLBUFFERDATAPROC)                                                           \
    X(glClientActiveTexture, OxClientActiveTextureProc)

// Fetched after the required ones, but a driver may lack them: each stays null then, and the code
// that uses them asks hasTimerQueries() first. Only the making tools' pass timers use them.
#define OXBRINE_GL_OPTIONAL_ENTRY_POINTS(X)                                                        \
    X(glGenQueries, PFNGLGENQUERIESPROC)                                                           \
    X(glDeleteQueries, PFNGLDELETEQUERIESPROC)                                                     \
    X(glBeginQuery, PFNGLBEGINQUERYPROC)                                                           \
    X(glEndQuery, PFNGLENDQUERYPROC)                                                               \
    X(glGetQueryObjectiv, PFNGLGETQUERYOBJECTIVPROC)                                               \
    X(glGetQueryObjectui64v, PFNGLGETQUERYOBJECTUI64VPROC)

namespace Extensions {

using ProcLookup = void* (*)(const char* name);

#define OXBRINE_DECLARE_ENTRY(name, type) extern type entry_##name;
OXBRINE_GL_ENTRY_POINTS(OXBRINE_DECLARE_ENTRY)
OXBRINE_GL_OPTIONAL_ENTRY_POINTS(OXBRINE_DECLARE_ENTRY)
#undef OXBRINE_DECLARE_ENTRY

// Fills the table from the current context's loader; the first missing required name throws.
void load();
// The same with a given lookup, so the loader can be exercised without a driver.
void load(ProcLookup lookup);

// The required names in load order (42 of them).
int getEntryPointCount();
const char* getEntryPointName(int index);

// Whether the last load found every entry point GL_TIME_ELAPSED queries need.
bool hasTimerQueries();

} // namespace Extensions

#define glTexImage3D Extensions::entry_glTexImage3D
#define glCreateShader Extensions::entry_glCreateShader
#define glDeleteShader Extensions::entry_glDeleteShader
#define glShaderSource Extensions::entry_glShaderSource
#define glCompileShader Extensions::entry_glCompileShader
#define glAttachShader Extensions::entry_glAttachShader
#define glDetachShader Extensions::entry_glDetachShader
#define glGetShaderiv Extensions::entry_glGetShaderiv
#define glGetShaderInfoLog Extensions::entry_glGetShaderInfoLog
#define glCreateProgram Extensions::entry_glCreateProgram
#define glDeleteProgram Extensions::entry_glDeleteProgram
#define glLinkProgram Extensions::entry_glLinkProgram
#define glUseProgram Extensions::entry_glUseProgram
#define glGetProgramiv Extensions::entry_glGetProgramiv
#define glGetProgramInfoLog Extensions::entry_glGetProgramInfoLog
#define glActiveTexture Extensions::entry_glActiveTexture
#define glGetUniformLocation Extensions::entry_glGetUniformLocation
#define glUniform1f Extensions::entry_glUniform1f
#define glUniform2f Extensions::entry_glUniform2f
#define glUniform3f Extensions::entry_glUniform3f
#define glUniform4f Extensions::entry_glUniform4f
#define glUniform1i Extensions::entry_glUniform1i
#define glUniform2i Extensions::entry_glUniform2i
#define glUniform3i Extensions::entry_glUniform3i
#define glUniform4i Extensions::entry_glUniform4i
#define glUniformMatrix4fv Extensions::entry_glUniformMatrix4fv
#define glGenRenderbuffers Extensions::entry_glGenRenderbuffers
#define glDeleteRenderbuffers Extensions::entry_glDeleteRenderbuffers
#define glBindRenderbuffer Extensions::entry_glBindRenderbuffer
#define glRenderbufferStorage Extensions::entry_glRenderbufferStorage
#define glGenFramebuffers Extensions::entry_glGenFramebuffers
#define glDeleteFramebuffers Extensions::entry_glDeleteFramebuffers
#define glBindFramebuffer Extensions::entry_glBindFramebuffer
#define glFramebufferTexture2D Extensions::entry_glFramebufferTexture2D
#define glFramebufferTextureLayer Extensions::entry_glFramebufferTextureLayer
#define glFramebufferRenderbuffer Extensions::entry_glFramebufferRenderbuffer
#define glDrawBuffers Extensions::entry_glDrawBuffers
#define glGenBuffers Extensions::entry_glGenBuffers
#define glDeleteBuffers Extensions::entry_glDeleteBuffers
#define glBindBuffer Extensions::entry_glBindBuffer
#define glBufferData Extensions::entry_glBufferData
#define glClientActiveTexture Extensions::entry_glClientActiveTexture
#define glGenQueries Extensions::entry_glGenQueries
#define glDeleteQueries Extensions::entry_glDeleteQueries
#define glBeginQuery Extensions::entry_glBeginQuery
#define glEndQuery Extensions::entry_glEndQuery
#define glGetQueryObjectiv Extensions::entry_glGetQueryObjectiv
#define glGetQueryObjectui64v Extensions::entry_glGetQueryObjectui64v
