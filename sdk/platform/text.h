// Texts of the system (captions, messages, the log) are Windows-1252, one
// byte per character; this platform's window system and terminals take
// UTF-8.
#ifndef QUENLAR_PLATFORM_TEXT_H
#define QUENLAR_PLATFORM_TEXT_H

#include <string>

namespace qnl {
namespace platform {

// `text` (Windows-1252, NUL-terminated; null gives "") as UTF-8. The five
// bytes Windows-1252 leaves unassigned become the control characters of the
// same number, as Windows converts them.
std::string Utf8FromWindows1252(const char *text);

} // namespace platform
} // namespace qnl

#endif
