// What the commands share: the table, options, messages, the SDK session.
#include "command.h"

#include <quenlar/dpf/archive_private.h>

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
Args::Args(const char *command, int argc, char **argv, std::initializer_list<OptionSpec> options,
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
        if (arg == "-h" || arg == "--help") {
            if (const Command *c = FindCommand(command)) printf("usage: dpftool %s\n", c->usage);
            status_ = kOk;
            return;
        }
        std::string name = arg, value;
        size_t eq = arg.find('=');
        if (eq != std::string::npos) name = arg.substr(0, eq), value = arg.substr(eq + 1);
        const OptionSpec *option = nullptr;
        for (const OptionSpec &o : options)
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
} // namespace

void EnableVerboseLog() {
    if (g_verbose) return;
    g_verbose = true;
    ILogSystem.Init("/dev/stderr", LOG_APPEND, 5, "dpftool");
}

bool Verbose() {
    return g_verbose;
}

std::string SdkReason() {
    const qnl::ErrorRecord &error = qnl::LastError();
    if (error.code != qnl::ErrorCode::kNone && error.reason[0]) return error.reason;
    return g_verbose ? "see the log above" : "run with -v for details";
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
        Fail("%s: %s", path, SdkReason().c_str());
        return 0;
    }
    if ((flags & kNeedBlocks) && IStuffDPF->IsProtected(handle)) {
        IStuffDPF->Close(handle);
        Fail("%s: a protected archive; its blocks cannot be read without its key", path);
        return 0;
    }
    return handle;
}

int StoreBlock(const char *path, const char *name, const char *type, int mode, const void *data,
               size_t size, bool replace) {
    return StoreBlocks(path, {{name, type, data, size}}, mode, replace);
}

int StoreBlocks(const char *path, const std::vector<NewBlock> &blocks, int mode, bool replace) {
    int handle = qnl::dpf::OpenOrCreate(*IStuffDPF, path);
    if (!handle) return Fail("%s: %s", path, SdkReason().c_str());

    std::vector<DPFBlock> records(blocks.size());
    for (size_t i = 0; i < blocks.size(); ++i) {
        DPFBlock &block = records[i];
        memset(&block, 0, sizeof block);
        snprintf(block.name, sizeof block.name, "%s", blocks[i].name.c_str());
        snprintf(block.type, sizeof block.type, "%s", blocks[i].type);
        block.mode = (unsigned char)mode;
        block.size = (unsigned int)blocks[i].size;
        block.data = static_cast<char *>(const_cast<void *>(blocks[i].data));
        DPFBlock existing = block;
        if (!replace && IStuffDPF->Find(handle, &existing) == 1) {
            IStuffDPF->Close(handle);
            return Fail("%s: a block '%s' of type '%s' exists already (use --replace)", path,
                        block.name, block.type);
        }
    }
    bool added = true;
    for (DPFBlock &block : records)
        added = added && IStuffDPF->Replace(handle, &block) == 1;
    std::string reason = added ? "" : SdkReason();
    // Closing writes the package's header; the record says if it could not.
    qnl::ClearError();
    IStuffDPF->Close(handle);
    if (added && qnl::LastError().code != qnl::ErrorCode::kNone) reason = SdkReason();
    if (!reason.empty()) return Fail("%s: %s", path, reason.c_str());
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
    // Windows-1252 bytes 0x80..0x9F; the others above 0x7F are Latin-1.
    static const unsigned short kHigh[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    std::string out = "\"";
    for (const unsigned char *p = reinterpret_cast<const unsigned char *>(text); *p; ++p) {
        unsigned c = *p;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += (char)c;
        } else if (c >= 0x20 && c < 0x7F) {
            out += (char)c;
        } else {
            unsigned code = c >= 0x80 && c < 0xA0 ? kHigh[c - 0x80] : c;
            char escape[8];
            snprintf(escape, sizeof escape, "\\u%04X", code);
            out += escape;
        }
    }
    return out + "\"";
}

} // namespace dpftool
