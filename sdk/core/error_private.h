// Why the last operation failed, as a value. A failure is recorded once,
// where it is detected, as a code and a short reason ("the given DPF is
// corrupted."); a caller that sees a failure from below returns without
// recording again, so the reason that reaches the top is the one found at
// the bottom. Tools report from the record and never read the log; the log
// keeps its own lines. One record per thread. SDK-internal.
#ifndef QUENLAR_CORE_ERROR_PRIVATE_H
#define QUENLAR_CORE_ERROR_PRIVATE_H

#include <quenlar/core/log.h>

#include <string>

namespace qnl {

enum class ErrorCode {
    kNone = 0,
    kInvalidArgument, // a missing argument, an unknown handle, a name too long
    kNotInitialized,  // the engine has not been started
    kTableFull,       // a fixed-size table has no free entry
    kIo,              // the system refused an open, read, write or rename
    kReadOnly,        // a change asked of a file opened read-only
    kBusy,            // the file is open in the package table
    kNotFound,        // no block, element or attribute of that name
    kExists,          // a block of that name and type is there already
    kEmpty,           // a block that holds no data
    kNotPackage,      // not a package of the version asked for
    kUnsupported,     // a version or form this SDK does not handle
    kCorrupted,       // damaged data: checksum, block, image, marker
    kProtected,       // a protected package, and no key was set
    kParse,           // a document or value that does not parse
    kTooLarge,        // data beyond a size limit
    kNoMemory,        // memory ran out, or the compressor failed
};

struct ErrorRecord {
    ErrorCode code = ErrorCode::kNone;
    char reason[256] = {0}; // NUL-terminated, cut to fit
};

// Records a failure of this thread: its code and reason (printf-style).
void SetError(ErrorCode code, const char *format, ...) QUENLAR_PRINTF(2, 3);
// As SetError, and logs the reason as " . [<origin>] Error: <reason>\n";
// `level` LOG_WARNING writes "Warning: " and LOG_INFO "Info: " instead.
void ReportError(ErrorCode code, int level, const std::string &origin, const char *format, ...)
    QUENLAR_PRINTF(4, 5);
// The last failure recorded on this thread; code kNone when none was since
// the thread started or ClearError ran. Valid until the next record.
const ErrorRecord &LastError();
void ClearError();

// printf into a string, for the origins of messages.
std::string Format(const char *format, ...) QUENLAR_PRINTF(1, 2);

} // namespace qnl

#endif
