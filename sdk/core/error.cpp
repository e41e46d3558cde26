#include <quenlar/core/error_private.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace qnl {

namespace {
// Trivially destructible, so a thread's record costs nothing at its exit.
thread_local ErrorRecord t_record;

std::string VFormat(const char *format, va_list args) {
    va_list again;
    va_copy(again, args);
    char small[256];
    int length = vsnprintf(small, sizeof small, format, args);
    std::string text;
    if (length < 0) {
        text = "";
    } else if ((size_t)length < sizeof small) {
        text.assign(small, (size_t)length);
    } else {
        text.resize((size_t)length + 1);
        vsnprintf(&text[0], text.size(), format, again);
        text.resize((size_t)length);
    }
    va_end(again);
    return text;
}

void Record(ErrorCode code, const std::string &reason) {
    t_record.code = code;
    snprintf(t_record.reason, sizeof t_record.reason, "%s", reason.c_str());
}

const char *Tag(int level) {
    return level >= LOG_INFO ? "Info" : level >= LOG_WARNING ? "Warning" : "Error";
}
} // namespace

void SetError(ErrorCode code, const char *format, ...) {
    va_list args;
    va_start(args, format);
    Record(code, VFormat(format, args));
    va_end(args);
}

void ReportError(ErrorCode code, int level, const std::string &origin, const char *format, ...) {
    va_list args;
    va_start(args, format);
    const std::string reason = VFormat(format, args);
    va_end(args);
    Record(code, reason);
    // The whole reason goes to the log, however long: only the record is cut.
    ILogSystem.Msg((Sint8)level, " . [%s] %s: %s\n", origin.c_str(), Tag(level), reason.c_str());
}

const ErrorRecord &LastError() {
    return t_record;
}

void ClearError() {
    t_record = ErrorRecord();
}

std::string Format(const char *format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = VFormat(format, args);
    va_end(args);
    return text;
}

} // namespace qnl
