// OpenGL beyond 1.1 on Windows: opengl32.dll exports 1.1 only, and the driver of the current
// context hands out the rest through wglGetProcAddress.
#include <windows.h>

#include <GL/gl.h>
#include <GL/glext.h>

extern "C" void APIENTRY glDrawRangeElements(GLenum mode, GLuint start, GLuint end,
                                             GLsizei count, GLenum type, const void* indices)
{
    // The address belongs to a context, and every mission makes a new one.
    static HGLRC context = nullptr;
    static PFNGLDRAWRANGEELEMENTSPROC drawRange = nullptr;
    const HGLRC current = wglGetCurrentContext();
    if (current != context) {
        context = current;
        drawRange = reinterpret_cast<PFNGLDRAWRANGEELEMENTSPROC>(
            reinterpret_cast<void*>(wglGetProcAddress("glDrawRangeElements")));
    }
    if (drawRange != nullptr)
        drawRange(mode, start, end, count, type, indices);
    else
        glDrawElements(mode, count, type, indices);  // the range is only a hint
}
