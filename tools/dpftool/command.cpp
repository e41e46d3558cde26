// What the commands share: the table, options, messages, the SDK session.
#include "command.h"

#include <quenlar/dpf/stuffdpf_private.h>
#include <quenlar/platform/fileio_private.h>
#include <quenlar/platform/filesystem.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

namespace dpftool {

namespace {
// The Unicode code point of a Windows-1252 byte (bytes 0x80..0x9F that
// Windows-1252 leaves undefined keep their own value).
unsigned Windows1252(unsigned char c) {
    static const unsigned short kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    return c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c;
}

void AppendUtf8(std::string &out, unsigned code) {
    if (code < 0x80) {
        out += (char)code;
    } else if (code < 0x800) {
        out += (char)(0xC0 | (code >> 6));
        out += (char)(0x80 | (code & 0x3F));
    } else {
        out += (char)(0xE0 | (code >> 12));
        out += (char)(0x80 | ((code >> 6) & 0x3F));
        out += (char)(0x80 | (code & 0x3F));
    }
}
} // namespace

// ---------------------------------------------------------------------------
// The command table
// ---------------------------------------------------------------------------
namespace {
std::vector<Command> &Table() {
    static std::vector<Command> table; // filled by static registrars
    return table;
}
} // namespace

Registrar::Registrar(const char *name, const char *usage, CommandFn run) {
    std::vector<Command> &table = Table();
    table.push_back({name, usage, run});
    std::sort(table.begin(), table.end(),
              [](const Command &a, const Command &b) { return strcmp(a.name, b.name) < 0; });
}

const std::vector<Command> &Commands() {
    return Table();
}

const Command *FindCommand(const std::string &name) {
    for (const Command &c : Table())
        if (name == c.name) return &c;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Messages
// ---------------------------------------------------------------------------
int Fail(const char *format, ...) {
    va_list args;
    va_start(args, format);
    fputs("dpftool: ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    return kFailed;
}

int UsageError(const char *command, const char *format, ...) {
    va_list args;
    va_start(args, format);
    fprintf(stderr, "dpftool %s: ", command);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    if (const Command *c = FindCommand(command)) fprintf(stderr, "usage: dpftool %s\n", c->usage);
    return kUsage;
}

// ---------------------------------------------------------------------------
// Options
// ---------------------------------------------------------------------------
Args::Args(const char *command, int argc, char **argv, std::initializer_list<OptionRule> options,
           size_t minArgs, size_t maxArgs) {
    bool optionsEnd = false;
    for (int i = 0; i < argc; ++i) {
        std::string arg = argv[i];
        if (optionsEnd || arg == "-" || arg.size() < 2 || arg[0] != '-') {
            operands_.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnd = true;
            continue;
        }
        if (arg == "-v" || arg == "--verbose") {
            EnableVerboseLog();
            continue;
        }
        if (arg == "--parents") {
            AllowParents();
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            if (const Command *c = FindCommand(command)) printf("usage: dpftool %s\n", c->usage);
            status_ = kOk;
            return;
        }
        std::string name = arg, value;
        size_t eq = arg.find('=');
        if (eq != std::string::npos) name = arg.substr(0, eq), value = arg.substr(eq + 1);
        const OptionRule *option = nullptr;
        for (const OptionRule &o : options)
            if (name == o.name) option = &o;
        if (!option) {
            status_ = UsageError(command, "unknown option '%s'", arg.c_str());
            return;
        }
        if (option->takesValue && eq == std::string::npos) {
            if (i + 1 >= argc) {
                status_ = UsageError(command, "option '%s' needs a value", name.c_str());
                return;
            }
            value = argv[++i];
        } else if (!option->takesValue && eq != std::string::npos) {
            status_ = UsageError(command, "option '%s' takes no value", name.c_str());
            return;
        }
        options_[name] = value;
    }
    if (operands_.size() < minArgs || operands_.size() > maxArgs)
        status_ = UsageError(command, operands_.size() < minArgs ? "missing arguments"
                                                                 : "too many arguments");
}

bool Args::Has(const char *option) const {
    return options_.count(option) != 0;
}

const char *Args::Value(const char *option, const char *fallback) const {
    auto it = options_.find(option);
    return it == options_.end() ? fallback : it->second.c_str();
}

// ---------------------------------------------------------------------------
// The SDK log: closed, or on stderr
// ---------------------------------------------------------------------------
namespace {
bool g_verbose = false;
bool g_parents = false;
} // namespace

void EnableVerboseLog() {
    if (g_verbose) return;
    g_verbose = true;
    ILogSystem.Init("/dev/stderr", LOG_APPEND, 5, "dpftool");
}

bool Verbose() {
    return g_verbose;
}

void AllowParents() {
    g_parents = true;
}

int CheckPackageFolder(const char *path) {
    if (g_parents || qnl::platform::PathExists(path)) return kOk;
    const std::string missing = qnl::platform::MissingParentDirectory(path);
    if (missing.empty()) return kOk;
    return Fail("%s: the folder '%s' does not exist (--parents creates it)", path, missing.c_str());
}

std::string SdkReason() {
    const qnl::ErrorRecord &error = qnl::LastError();
    if (error.code != qnl::ErrorCode::kNone && error.reason[0]) return error.reason;
    return g_verbose ? "see the log above" : "run with -v for details";
}

void SuggestRepair(const char *path) {
    fprintf(stderr,
            "dpftool: if a write to it was interrupted, \"dpftool repair %s\" cuts off what "
            "it left\n",
            path);
}

int FailWithSdkReason(const char *path) {
    const qnl::ErrorRecord &error = qnl::LastError();
    const bool mismatch = error.code == qnl::ErrorCode::kCorrupted &&
                          strcmp(error.reason, qnl::dpf::kCorruptedText) == 0;
    Fail("%s: %s", path, SdkReason().c_str());
    if (mismatch) SuggestRepair(path);
    return kFailed;
}

std::string Printable(const char *text, size_t length) {
    std::string out;
    for (size_t i = 0; i < length && text[i]; ++i) {
        const unsigned c = (unsigned char)text[i];
        const unsigned code = Windows1252(c);
        if (c >= 0x20 && c < 0x7F) {
            out += (char)c;
        } else if (c < 0x20 || c == 0x7F || (code >= 0x80 && code < 0xA0)) {
            // Control bytes, and bytes that Windows-1252 leaves undefined.
            char escape[8];
            snprintf(escape, sizeof escape, "\\x%02X", c);
            out += escape;
        } else {
            AppendUtf8(out, code);
        }
    }
    return out;
}

std::string Printable(const char *text) {
    return Printable(text, strlen(text));
}

// ---------------------------------------------------------------------------
// The SDK session
// ---------------------------------------------------------------------------
Sdk::Sdk(bool engine, unsigned int sdlFlags) : engine_(engine) {
    qnl::ClearError();
    if (engine_) {
        if (Quenlar.Init(sdlFlags) != 1) engine_ = false;
    } else if (!IStuffDPF) {
        IStuffDPF = new QStuffDPF;
        owned_ = true;
    }
}

Sdk::~Sdk() {
    if (engine_) Quenlar.Quit();
    if (owned_) {
        delete IStuffDPF;
        IStuffDPF = nullptr;
    }
}

int OpenPackage(const char *path, int flags) {
    // Opening converts a version 3.0 package; commands that only read leave
    // the file alone.
    if ((flags & kReadOnly) && qnl::dpf::ProbeFile(path) == qnl::dpf::HeadKind::kVersion3) {
        Fail("%s: a version 3.0 package; convert it with \"dpftool update\" first", path);
        return 0;
    }
    int handle = (flags & kInspect) ? IStuffDPF->OpenUnverified(path) : IStuffDPF->Open(path);
    if (handle <= 0) {
        FailWithSdkReason(path);
        return 0;
    }
    if ((flags & kNeedBlocks) && IStuffDPF->IsProtected(handle)) {
        IStuffDPF->Close(handle);
        Fail("%s: a protected archive; its blocks cannot be read without its key", path);
        return 0;
    }
    return handle;
}

int OpenOrCreatePackage(const char *path) {
    if (CheckPackageFolder(path) != kOk) return 0;
    int handle = IStuffDPF->OpenOrCreate(path);
    if (!handle) FailWithSdkReason(path);
    return handle;
}

int StoreBlock(const char *path, const char *name, const char *type, int mode, const void *data,
               size_t size, bool replace) {
    return StoreBlocks(path, {{name, type, data, size}}, mode, replace);
}

int StoreBlocks(const char *path, const std::vector<NewBlock> &blocks, int mode, bool replace) {
    int handle = OpenOrCreatePackage(path);
    if (!handle) return kFailed;

    std::vector<DPFBlock> records(blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
        DPFBlock &block = records[i];
        memset(&block, 0, sizeof block);
        snprintf(block.name, sizeof block.name, "%s", blocks[i].name.c_str());
        snprintf(block.type, sizeof block.type, "%s", blocks[i].type);
        block.mode = (unsigned char)mode;
        block.size = (unsigned int)blocks[i].size;
        block.data = static_cast<char *>(const_cast<void *>(blocks[i].data));
    }
    // Without --replace, a name taken by any of the blocks stops the whole
    // set before anything is written; AddData checks again under the lock.
    auto exists = [&](const DPFBlock &block) {
        IStuffDPF->Close(handle);
        return Fail("%s: a block '%s' of type '%s' exists already (use --replace)", path,
                    Printable(block.name).c_str(), Printable(block.type).c_str());
    };
    for (const DPFBlock &block : records) {
        DPFBlock existing = block;
        if (!replace && IStuffDPF->Find(handle, &existing) == 1) return exists(block);
    }
    for (DPFBlock &block : records) {
        // AddData answers 0 for a stored block of no bytes as for a failure:
        // the record tells them apart.
        qnl::ClearError();
        const int result =
            replace ? IStuffDPF->Replace(handle, &block) : IStuffDPF->AddData(handle, &block);
        if (result == -1) return exists(block);
        const bool added =
            result > 0 || (result == 0 && qnl::LastError().code == qnl::ErrorCode::kNone);
        if (!added) {
            const std::string reason = SdkReason();
            IStuffDPF->Close(handle);
            return Fail("%s: %s", path, reason.c_str());
        }
    }
    IStuffDPF->Close(handle);
    return kOk;
}

// ---------------------------------------------------------------------------
// Blocks
// ---------------------------------------------------------------------------
bool ListBlocks(int handle, std::vector<BlockInfo> &out) {
    BlockInfo info;
    int r = IStuffDPF->FindFirst(handle, &info.block);
    while (r == 1) {
        info.offset = IStuffDPF->GetBlockOffset();
        out.push_back(info);
        r = IStuffDPF->FindNext(handle, &info.block);
    }
    return r == 0;
}

bool CheckBlocks(int handle, const char *path, int *faults, int *checked) {
    *faults = *checked = 0;
    DPFBlock b;
    int r = IStuffDPF->FindFirst(handle, &b);
    for (; r == 1; r = IStuffDPF->FindNext(handle, &b)) {
        if (IsDeleted(b)) continue;
        ++*checked;
        const long long offset = IStuffDPF->GetBlockOffset();
        std::string fault;
        if (b.mode != qnl::dpf::kCompressed && b.storedSize != b.size) {
            fault = "its stored size " + std::to_string(b.storedSize) + " is not its size " +
                    std::to_string(b.size);
        } else {
            // Empty blocks are read too: a compressed one holds a stream.
            qnl::ClearError();
            DPFBlock loaded;
            if (IStuffDPF->LoadFound(handle, &loaded) > 0)
                delete[] loaded.data;
            else if (qnl::LastError().code != qnl::ErrorCode::kEmpty)
                fault = SdkReason();
        }
        if (fault.empty()) continue;
        ++*faults;
        Fail("%s: block '%s' (%s) at offset %lld: %s", path, Printable(b.name).c_str(),
             Printable(b.type).c_str(), offset, fault.c_str());
    }
    return r == 0;
}

bool IsDeleted(const DPFBlock &b) {
    return qnl::dpf::IsDeletedType(b.type);
}

namespace {
const struct {
    unsigned char mode;
    const char *name;
} kModeNames[] = {
    {qnl::dpf::kCompressed, "compressed"},
    {qnl::dpf::kStored, "stored"},
    {qnl::dpf::kScrambled, "scrambled"},
};
} // namespace

std::string ModeName(unsigned char mode) {
    for (const auto &m : kModeNames)
        if (m.mode == mode) return m.name;
    return "mode " + std::to_string(mode);
}

int ModeFromName(const std::string &name) {
    for (const auto &m : kModeNames)
        if (name == m.name) return m.mode;
    return -1;
}

unsigned long long BlockBytes(const DPFBlock &b) {
    return qnl::dpf::BlockFileSize(b.storedSize);
}

unsigned long long HeadBytes() {
    return qnl::dpf::kBlocksStart;
}

// ---------------------------------------------------------------------------
// Files
// ---------------------------------------------------------------------------
bool ReadWholeFile(const std::string &path, std::string &out) {
    std::ostringstream bytes;
    if (path == "-") {
        bytes << std::cin.rdbuf();
        out = bytes.str();
        return !std::cin.bad();
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes << in.rdbuf();
    out = bytes.str();
    return !in.bad();
}

bool WriteWholeFile(const std::string &path, const char *data, size_t size) {
    FILE *f = path == "-" ? stdout : fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = size == 0 || fwrite(data, 1, size, f) == size;
    ok = (f == stdout ? fflush(f) : fclose(f)) == 0 && ok;
    return ok;
}

int CheckInputFile(const char *path) {
    int fd = qnl::platform::OpenFile(path, qnl::platform::OpenMode::ReadOnly);
    if (fd < 0) return Fail("%s: %s", path, qnl::platform::LastErrorText());
    qnl::platform::CloseFile(fd);
    return kOk;
}

// ---------------------------------------------------------------------------
// Option values
// ---------------------------------------------------------------------------
bool ParseNumber(const char *text, long low, long high, long &value) {
    if (!text || !*text) return false;
    char *end = nullptr;
    errno = 0;
    const long v = strtol(text, &end, 10);
    if (*end || errno || v < low || v > high) return false;
    value = v;
    return true;
}

bool ParseColor(const char *text, unsigned char rgb[3]) {
    unsigned r, g, b;
    char tail;
    if (!text || sscanf(text, "%u,%u,%u%c", &r, &g, &b, &tail) != 3) return false;
    if (r > 255 || g > 255 || b > 255) return false;
    rgb[0] = (unsigned char)r, rgb[1] = (unsigned char)g, rgb[2] = (unsigned char)b;
    return true;
}

// ---------------------------------------------------------------------------
// JSON
// ---------------------------------------------------------------------------
std::string JsonString(const char *text) {
    std::string out = "\"";
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        unsigned c = *p;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += (char)c;
        } else if (c >= 0x20 && c < 0x7F) {
            out += (char)c;
        } else {
            char escape[8];
            snprintf(escape, sizeof escape, "\\u%04X", Windows1252(c));
            out += escape;
        }
    }
    return out + "\"";
}

} // namespace dpftool
