/* EGL device enumeration and contexts. libEGL is loaded at run time (through
 * epoxy); when it or a driver is missing, enumeration finds nothing and the
 * renderer reports that no 3D device exists, instead of the process
 * aborting inside the loader. EGL displays are process-wide and are never
 * terminated: terminating unloads the driver, which the next universe would
 * only load again. */
#include "display/device/egl/egl_context.h"

#include <dlfcn.h>
#include <epoxy/egl.h>
#include <epoxy/gl.h>
#include <stdio.h>
#include <string.h>

namespace {

struct EglState {
  EGLDeviceEXT devices[VLDEVICE_MAX] = {};
  int count = 0;
  bool surfaceless = false;      /* fell back to the surfaceless platform */
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLContext context = EGL_NO_CONTEXT;
};
EglState g_egl;

bool has_word(const char *list, const char *word) {
  if (!list) return false;
  size_t n = strlen(word);
  for (const char *p = strstr(list, word); p; p = strstr(p + 1, word))
    if ((p == list || p[-1] == ' ') && (p[n] == ' ' || p[n] == '\0')) return true;
  return false;
}

bool egl_loadable(void) {
  static int loadable = -1;
  if (loadable < 0) {
    void *h = dlopen("libEGL.so.1", RTLD_LAZY | RTLD_LOCAL);
    loadable = h != nullptr;
  }
  return loadable == 1;
}

EGLDisplay display_for(int index) {
  if (g_egl.surfaceless)
    return eglGetPlatformDisplayEXT(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  return eglGetPlatformDisplayEXT(EGL_PLATFORM_DEVICE_EXT, g_egl.devices[index], nullptr);
}

/* A 3.3 core context on an initialised display, current, or none. */
EGLContext make_context(EGLDisplay d) {
  const char *ext = eglQueryString(d, EGL_EXTENSIONS);
  if (!has_word(ext, "EGL_KHR_no_config_context") && !has_word(ext, "EGL_MESA_configless_context"))
    return EGL_NO_CONTEXT;
  if (!has_word(ext, "EGL_KHR_surfaceless_context")) return EGL_NO_CONTEXT;
  if (!eglBindAPI(EGL_OPENGL_API)) return EGL_NO_CONTEXT;
  const EGLint attrs[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 3,
                          EGL_CONTEXT_OPENGL_PROFILE_MASK,
                          EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
  EGLContext c = eglCreateContext(d, EGL_NO_CONFIG_KHR, EGL_NO_CONTEXT, attrs);
  if (c == EGL_NO_CONTEXT) return c;
  if (!eglMakeCurrent(d, EGL_NO_SURFACE, EGL_NO_SURFACE, c)) {
    eglDestroyContext(d, c);
    return EGL_NO_CONTEXT;
  }
  return c;
}

/* Opens the device briefly to describe it; false when it cannot render. */
bool describe(int index, VLdevinfo *info) {
  EGLDisplay d = display_for(index);
  EGLint major, minor;
  if (d == EGL_NO_DISPLAY || !eglInitialize(d, &major, &minor)) return false;
  EGLContext c = make_context(d);
  bool ok = c != EGL_NO_CONTEXT;
  if (ok) {
    const char *r = reinterpret_cast<const char *>(glGetString(GL_RENDERER));
    const char *v = reinterpret_cast<const char *>(glGetString(GL_VENDOR));
    const char *ver = reinterpret_cast<const char *>(glGetString(GL_VERSION));
    snprintf(info->name, sizeof info->name, "%s", r ? r : "OpenGL device");
    snprintf(info->description, sizeof info->description, "%s; %s; %s", v ? v : "?",
             r ? r : "?", ver ? ver : "?");
    eglMakeCurrent(d, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(d, c);
  }
  return ok;
}

bool is_software(int index) {
  if (g_egl.surfaceless) return true;
  const char *ext = eglQueryDeviceStringEXT(g_egl.devices[index], EGL_EXTENSIONS);
  return has_word(ext, "EGL_MESA_device_software");
}

/* The EGL devices, or the surfaceless platform as one software device. */
int query_devices(void) {
  const char *client = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  g_egl.surfaceless = false;
  if (has_word(client, "EGL_EXT_device_enumeration") && has_word(client, "EGL_EXT_platform_device")) {
    EGLint n = 0;
    if (eglQueryDevicesEXT(VLDEVICE_MAX, g_egl.devices, &n) && n > 0) return n;
  }
  if (has_word(client, "EGL_MESA_platform_surfaceless")) {
    g_egl.surfaceless = true;
    return 1;
  }
  return 0;
}

}  // namespace

int _VLegl_enumerate(VLdevinfo *out, int max) {
  g_egl.count = 0;
  if (!egl_loadable()) return 0;
  int n = query_devices();
  int filled = 0;
  for (int i = 0; i < n && filled < max; ++i) {
    VLdevinfo info = {};
    if (!describe(i, &info)) continue;
    info.hardware = !is_software(i);
    info.perspective = 1;
    info.colormodels = info.hardware ? VLCOLORMODEL_RGB : VLCOLORMODEL_RGB | VLCOLORMODEL_RAMP;
    info.depthbits = 16;
    info.backendindex = i;
    out[filled++] = info;
  }
  g_egl.count = n;
  return filled;
}

bool _VLegl_open(int backendindex) {
  if (backendindex < 0 || backendindex >= g_egl.count) return false;
  EGLDisplay d = display_for(backendindex);
  EGLint major, minor;
  if (d == EGL_NO_DISPLAY || !eglInitialize(d, &major, &minor)) return false;
  EGLContext c = make_context(d);
  if (c == EGL_NO_CONTEXT) return false;
  g_egl.display = d;
  g_egl.context = c;
  return true;
}

void _VLegl_close(void) {
  if (g_egl.context != EGL_NO_CONTEXT) {
    eglMakeCurrent(g_egl.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglDestroyContext(g_egl.display, g_egl.context);
  }
  g_egl.display = EGL_NO_DISPLAY;
  g_egl.context = EGL_NO_CONTEXT;
}
