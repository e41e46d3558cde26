// dpftool's command table and what every command shares: option parsing,
// error reporting, the SDK session and JSON text.
//
// A command lives in a file of its own and registers itself:
//
//   static int Run(int argc, char **argv) {    // the arguments after its name
//       dpftool::Args args("list", argc, argv, {{"--json", false}}, 1, 1);
//       if (!args.ok()) return args.status();
//       dpftool::Sdk sdk;
//       ...
//       return dpftool::kOk;
//   }
//   DPFTOOL_COMMAND("list", "list PACKAGE [--json]", Run);
//
// Exit statuses: 0 success, 1 failure (message on stderr), 2 usage error.
// The SDK's log is silent unless -v is given (it then goes to stderr);
// failure messages take their reason from the SDK's error record.
#ifndef DPFTOOL_COMMAND_H
#define DPFTOOL_COMMAND_H

#include <quenlar/core/error_private.h>
#include <quenlar/quenlar.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace dpftool {

enum Status { kOk = 0, kFailed = 1, kUsage = 2 };

// ---- The command table ------------------------------------------------------------
typedef int (*CommandFn)(int argc, char **argv);
struct Command {
    const char *name;
    const char *usage; // the synopsis after "dpftool ", e.g. "list PACKAGE [--json]"
    CommandFn run;
};
struct Registrar {
    Registrar(const char *name, const char *usage, CommandFn run);
};
// Every registered command, sorted by name.
const std::vector<Command> &Commands();
const Command *FindCommand(const std::string &name);

#define DPFTOOL_CONCAT2(a, b) a##b
#define DPFTOOL_CONCAT(a, b) DPFTOOL_CONCAT2(a, b)
#define DPFTOOL_COMMAND(name, usage, function)                                                     \
    static ::dpftool::Registrar DPFTOOL_CONCAT(dpftool_command_, __LINE__)(name, usage, function)

// ---- Options ------------------------------------------------------------------------
struct OptionRule {
    const char *name; // "--force"
    bool takesValue;  // "--mode stored" or "--mode=stored"
};

// Parses a command's arguments: options anywhere ("--" ends them), "-v",
// "--parents" and "-h"/"--help" always known, and between `minArgs` and
// `maxArgs` operands.
// On a usage error it prints the error and the usage to stderr; after
// --help it prints the usage to stdout. Check ok(), else return status().
class Args {
public:
    Args(const char *command, int argc, char **argv, std::initializer_list<OptionRule> options,
         size_t minArgs, size_t maxArgs);
    bool ok() const { return status_ < 0; }
    int status() const { return status_ < 0 ? kOk : status_; }
    bool Has(const char *option) const;
    // The option's value, or `fallback` when absent.
    const char *Value(const char *option, const char *fallback = nullptr) const;
    size_t count() const { return operands_.size(); }
    const char *operator[](size_t i) const { return operands_[i].c_str(); }

private:
    int status_ = -1;
    std::map<std::string, std::string> options_;
    std::vector<std::string> operands_;
};

// Option values: a whole number from `low` to `high` (else false), and a
// colour "R,G,B" with each part 0 to 255.
bool ParseNumber(const char *text, long low, long high, long &value);
bool ParseColor(const char *text, unsigned char rgb[3]);

// Turns the SDK's log on, written to stderr (the -v option).
void EnableVerboseLog();
bool Verbose();
// Lets commands that create a package make its missing folders (the
// --parents option); without it they refuse.
void AllowParents();
// kOk when the folder of a package to create exists or --parents was
// given; else prints why not and returns kFailed.
int CheckPackageFolder(const char *path);

// ---- Messages -----------------------------------------------------------------------
// "dpftool: <message>" on stderr; returns kFailed.
int Fail(const char *format, ...) QUENLAR_PRINTF(1, 2);
// "dpftool <command>: <message>" and the command's usage on stderr; returns kUsage.
int UsageError(const char *command, const char *format, ...) QUENLAR_PRINTF(2, 3);
// Why the SDK's last failed call failed, as the SDK recorded it ("the
// given DPF is corrupted.").
std::string SdkReason();
// "dpftool: <path>: <SdkReason()>"; when the reason is a checksum that does
// not match, a second line tells about `dpftool repair`. Returns kFailed.
int FailWithSdkReason(const char *path);
// The second line alone.
void SuggestRepair(const char *path);
// Text of a package (names, types, creator) safe to print on a terminal:
// Windows-1252 as UTF-8, control bytes as \xNN.
std::string Printable(const char *text, size_t length);
std::string Printable(const char *text);

// ---- The SDK for the life of a command ------------------------------------------------
// Creates IStuffDPF (or, with `engine`, runs Quenlar.Init with `sdlFlags` for
// commands that need images or fonts) and takes it down again.
class Sdk {
public:
    explicit Sdk(bool engine = false, unsigned int sdlFlags = 0);
    ~Sdk();
    Sdk(const Sdk &) = delete;
    Sdk &operator=(const Sdk &) = delete;
    bool ok() const { return IStuffDPF != nullptr; }

private:
    bool engine_ = false;
    bool owned_ = false;
};

// How a command opens its package.
enum OpenFlags {
    kModify = 0,     // as the SDK opens it: version 3.0 files are converted
    kReadOnly = 1,   // a version 3.0 file is refused, not converted
    kInspect = 2,    // a checksum mismatch is accepted (list, info, verify)
    kNeedBlocks = 4, // a protected archive is refused: its blocks cannot be read
};
// Opens a package; on failure prints the reason and returns 0.
int OpenPackage(const char *path, int flags);
// Opens the package at `path` for writing, creating it when there is no
// such file (and its folders with --parents); on failure prints the reason
// and returns 0.
int OpenOrCreatePackage(const char *path);

// Adds `size` bytes as block NAME of TYPE in `mode` to the package at `path`,
// creating the package when there is no such file. With `replace`, an older
// block of that name and type gives way (and stays if the new one cannot be
// added); without it one is an error. Prints the reason of a failure;
// returns the exit status.
int StoreBlock(const char *path, const char *name, const char *type, int mode, const void *data,
               size_t size, bool replace);
// StoreBlock of several blocks in one opening of the package, in order;
// without `replace` none is stored when one exists already.
struct NewBlock {
    std::string name;
    const char *type;
    const void *data;
    size_t size;
};
int StoreBlocks(const char *path, const std::vector<NewBlock> &blocks, int mode, bool replace);

// ---- Blocks ---------------------------------------------------------------------------
struct BlockInfo {
    DPFBlock block;   // data null
    long long offset; // of its marker
};
// Every block in file order, deleted ones included. False on a damaged scan
// (the blocks before the damage are in `out`).
bool ListBlocks(int handle, std::vector<BlockInfo> &out);
// Reads and decodes every live block, printing what is wrong with each
// that fails; false when the scan cannot reach the end. `faults` and
// `checked` count the blocks that failed and the live blocks read.
bool CheckBlocks(int handle, const char *path, int *faults, int *checked);
bool IsDeleted(const DPFBlock &b);
// "compressed", "stored", "scrambled" (or "mode N").
std::string ModeName(unsigned char mode);
// -1 for an unknown name.
int ModeFromName(const std::string &name);
// Bytes a block takes in the file: marker, header and padded payload.
unsigned long long BlockBytes(const DPFBlock &b);
// Bytes before the first block.
unsigned long long HeadBytes();

// ---- Files ------------------------------------------------------------------------------
bool ReadWholeFile(const std::string &path, std::string &out);               // "-" is stdin
bool WriteWholeFile(const std::string &path, const char *data, size_t size); // "-" is stdout
// An input file that must be a regular file (a picture, a font): kOk, or
// kFailed after saying why it cannot be read ("No such file or directory",
// "not a regular file").
int CheckInputFile(const char *path);

// ---- JSON ---------------------------------------------------------------------------------
// A JSON string literal of Windows-1252 text (non-ASCII as \u escapes).
std::string JsonString(const char *text);

} // namespace dpftool

#endif
