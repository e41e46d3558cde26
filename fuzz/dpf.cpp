// Fuzz target for package reading: arbitrary bytes are opened as a package,
// every block is found and loaded, one block is deleted, one added and one
// replaced, and the closed package is compacted; a repair's search for the
// committed length runs over the bytes too.
// Each input runs twice: as given, and with its bytes 8..519 taken as a
// clear info header (enciphered, with a matching checksum) so that inputs
// get past the checksum into the block scan. Version 3.0 inputs run the
// update. Works in a private temporary directory.
#include <quenlar/dpf/archive_private.h>
#include <quenlar/dpf/blowfish_private.h>
#include <quenlar/dpf/format_private.h>
#include <quenlar/platform/fileio_private.h>
#include <quenlar/quenlar.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
const char *const kFiles[] = {"f.dpf", "f_v3.dpf", "tmp.dpf", "f.dpf.cut"};
char g_workDir[64];
int g_home = -1; // the program's own working directory

void RemoveFiles() {
    for (const char *f : kFiles)
        remove(f);
}

void LeaveWorkDirectory() {
    if (chdir(g_workDir) == 0) RemoveFiles();
    if (fchdir(g_home) == 0) rmdir(g_workDir);
}

// A private directory, in memory where possible: every write to a package
// is flushed to disk. Inputs run inside it (the update writes tmp.dpf in
// the working directory), but the program's own working directory is back
// between inputs, so that libFuzzer's relative paths (corpus, crash files)
// keep their meaning.
bool MakeWorkDirectory() {
    g_home = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (g_home < 0) return false;
    snprintf(g_workDir, sizeof g_workDir, "/dev/shm/quenlar-fuzz-dpf-XXXXXX");
    if (!mkdtemp(g_workDir)) {
        snprintf(g_workDir, sizeof g_workDir, "/tmp/quenlar-fuzz-dpf-XXXXXX");
        if (!mkdtemp(g_workDir)) return false;
    }
    atexit(LeaveWorkDirectory);
    return true;
}

void WriteBytes(const char *path, const uint8_t *data, size_t size) {
    if (FILE *f = fopen(path, "wb")) {
        if (size) fwrite(data, 1, size, f);
        fclose(f);
    }
}

void Exercise(const std::vector<uint8_t> &bytes) {
    RemoveFiles();
    WriteBytes("f.dpf", bytes.data(), bytes.size());
    IStuffDPF = new QStuffDPF; // a fresh table for every input

    int h = IStuffDPF->Open("f.dpf");
    if (h > 0) {
        DPFInfo info;
        IStuffDPF->GetInfo(h, &info);
        std::vector<DPFBlock> found;
        DPFBlock b;
        for (int r = IStuffDPF->FindFirst(h, &b); r == 1 && found.size() < 4096;
             r = IStuffDPF->FindNext(h, &b)) {
            found.push_back(b);
            DPFBlock data;
            if (IStuffDPF->LoadFound(h, &data) > 0) delete[] data.data;
        }
        for (size_t i = 0; i < found.size() && i < 8; ++i) {
            DPFBlock data;
            if (IStuffDPF->LoadBlock(h, found[i].type, found[i].name, &data) > 0)
                delete[] data.data;
        }
        if (!found.empty()) IStuffDPF->Delete(h, &found[0]);
        char extra[] = "fuzzed extra block";
        DPFBlock add;
        memset(&add, 0, sizeof add);
        strcpy(add.name, "extra");
        strcpy(add.type, "T");
        add.mode = 2; // compressing is slow and parses nothing of the input
        add.size = sizeof extra;
        add.data = extra;
        IStuffDPF->AddData(h, &add);
        if (found.size() > 1) {
            DPFBlock replacement = add;
            memcpy(replacement.name, found[1].name, sizeof replacement.name);
            memcpy(replacement.type, found[1].type, sizeof replacement.type);
            IStuffDPF->Replace(h, &replacement);
        }
        IStuffDPF->Close(h);
        IStuffDPF->Compact("f.dpf");
    }
    delete IStuffDPF;
    IStuffDPF = nullptr;
}
// What a repair would keep of the input, for the checksum its bytes
// 104..107 name (the CRC field of a clear info header).
void FindCommitted(const uint8_t *data, size_t size) {
    using namespace qnl::dpf;
    if (size < kBlocksStart) return;
    WriteBytes("f.dpf", data, size);
    int fd = qnl::platform::OpenFile("f.dpf", qnl::platform::OpenMode::ReadOnly);
    Committed committed;
    if (fd >= 0) CommittedLength(fd, GetLE32(data + kHeadSize + kInfoCrc), committed);
    qnl::platform::CloseFile(fd);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool ready = MakeWorkDirectory();
    if (!ready || chdir(g_workDir) != 0) return 0;
    struct Home {
        ~Home() {
            if (fchdir(g_home) != 0) abort();
        }
    } home;
    std::vector<uint8_t> bytes(data, data + size);
    FindCommitted(data, size);
    Exercise(bytes);

    using namespace qnl::dpf;
    if (size >= kBlocksStart && data[4] == '4') {
        uint32_t crc = Quenlar.CRC32(data + kBlocksStart, (int)(size - kBlocksStart));
        PutLE32(&bytes[kHeadSize + kInfoCrc], crc);
        Blowfish header;
        SetHeaderKey(header);
        header.Encipher(&bytes[kHeadSize], kInfoSize);
        Exercise(bytes);
    }
    return 0;
}
