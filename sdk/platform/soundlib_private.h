// The system's sound library as the SDK meets it through SDL.
#ifndef QUENLAR_PLATFORM_SOUNDLIB_PRIVATE_H
#define QUENLAR_PLATFORM_SOUNDLIB_PRIVATE_H

namespace qnl {
namespace platform {

// ALSA's library prints every failure to stderr through its default error
// handler: eight "ALSA lib ..." lines each time SDL looks for a sound card
// on a machine that has none. This replaces that handler with a silent one,
// when the library is installed; SDL's own error still says why audio did
// not open. Call before SDL's audio starts; later calls do nothing. The
// SDK does not link the library: it is loaded here and stays loaded, so the
// handler holds for SDL's use of it.
void SilenceSoundLibrary();

} // namespace platform
} // namespace qnl

#endif
