#include <quenlar/platform/soundlib_private.h>

#include <dlfcn.h>

namespace qnl {
namespace platform {

namespace {
// The handler type of snd_lib_error_set_handler (alsa/error.h).
typedef void (*AlsaErrorHandler)(const char *file, int line, const char *function, int err,
                                 const char *format, ...);
typedef int (*SetAlsaErrorHandler)(AlsaErrorHandler handler);

void Silent(const char *, int, const char *, int, const char *, ...) {}

bool Install() {
    void *library = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL); // never closed
    if (!library) return false;
    auto set = reinterpret_cast<SetAlsaErrorHandler>(dlsym(library, "snd_lib_error_set_handler"));
    return set && set(Silent) == 0;
}
} // namespace

void SilenceSoundLibrary() {
    static const bool installed = Install();
    (void)installed;
}

} // namespace platform
} // namespace qnl
