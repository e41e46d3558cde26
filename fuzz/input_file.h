// For fuzz targets whose parser reads a file: the input written to a
// scratch file of this process, removed again afterwards.
#ifndef QUENLAR_FUZZ_INPUT_FILE_H
#define QUENLAR_FUZZ_INPUT_FILE_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

class FuzzInputFile {
public:
    FuzzInputFile(const uint8_t *data, size_t size, const char *suffix)
        : path_("/tmp/quenlar-fuzz-" + std::to_string(getpid()) + "-" + suffix) {
        if (FILE *f = fopen(path_.c_str(), "wb")) {
            if (size) fwrite(data, 1, size, f);
            fclose(f);
        }
    }
    ~FuzzInputFile() { remove(path_.c_str()); }
    FuzzInputFile(const FuzzInputFile &) = delete;
    FuzzInputFile &operator=(const FuzzInputFile &) = delete;
    const char *path() const { return path_.c_str(); }

private:
    std::string path_;
};

#endif
