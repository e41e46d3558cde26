// Shared by the package tests: a fresh IStuffDPF in a temporary working
// directory with the log captured, and helpers that read and patch package
// files byte by byte.
#ifndef QUENLAR_TESTS_DPF_FIXTURE_H
#define QUENLAR_TESTS_DPF_FIXTURE_H

#include <quenlar/core/error_private.h>
#include <quenlar/dpf/blowfish_private.h>
#include <quenlar/dpf/format_private.h>
#include <quenlar/quenlar.h>
#include "support/support.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <dirent.h>
#include <gtest/gtest.h>
#include <random>
#include <string>

// n bytes of noise, the same for the same seed.
inline std::string RandomBytes(size_t n, unsigned seed = 7) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char &c : s)
        c = (char)(gen() & 0xFF);
    return s;
}

class DpfTest : public ::testing::Test {
protected:
    testing_support::TempDir dir;
    testing_support::LogCapture log{5};

    void SetUp() override {
        IStuffDPF = new QStuffDPF;
        log.Mark();
    }
    void TearDown() override {
        delete IStuffDPF;
        IStuffDPF = nullptr;
    }

    // A record naming data that lives as long as the test.
    DPFBlock Block(const std::string &name, const std::string &type, unsigned char mode,
                   const std::string &data = "") {
        DPFBlock b;
        memset(&b, 0, sizeof b);
        // Up to the whole field, without a NUL when the text fills it.
        memcpy(b.name, name.data(), std::min(name.size(), sizeof b.name));
        memcpy(b.type, type.data(), std::min(type.size(), sizeof b.type));
        b.mode = mode;
        kept_.push_back(data);
        b.size = (unsigned int)data.size();
        b.data = &kept_.back()[0];
        return b;
    }
    int Add(int h, const std::string &name, const std::string &type, unsigned char mode,
            const std::string &data) {
        DPFBlock b = Block(name, type, mode, data);
        return IStuffDPF->AddData(h, &b);
    }
    // The block's data, or "<none>" when LoadBlock fails.
    std::string Load(int h, const std::string &type, const std::string &name) {
        DPFBlock b;
        int n = IStuffDPF->LoadBlock(h, type.c_str(), name.c_str(), &b);
        if (n <= 0) return "<none>";
        std::string data(b.data, (size_t)n);
        delete[] b.data;
        return data;
    }
    // A package holding the given (name, data) blocks of type "T", stored.
    void MakePackage(const std::string &path, std::initializer_list<const char *> names,
                     unsigned char mode = 1) {
        int h = IStuffDPF->Create(path.c_str());
        ASSERT_GT(h, 0);
        for (const char *n : names)
            ASSERT_GT(Add(h, n, "T", mode, std::string("data of ") + n), 0);
        IStuffDPF->Close(h);
    }
    // A new interface object, as in a new run of the program: the table
    // forgets every path and length.
    void Restart() {
        delete IStuffDPF;
        IStuffDPF = new QStuffDPF;
        log.Mark();
    }
    std::string Log() const { return log.Body(); }
    // The names in a folder, sorted, without dot files and the log capture.
    static std::vector<std::string> Entries(const std::string &path = ".") {
        std::vector<std::string> names;
        if (DIR *d = opendir(path.c_str())) {
            while (dirent *e = readdir(d))
                if (e->d_name[0] != '.' && strcmp(e->d_name, "capture.log") != 0)
                    names.push_back(e->d_name);
            closedir(d);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    // ---- Raw file access ----------------------------------------------------------
    static qnl::dpf::Blowfish HeaderCipher() {
        qnl::dpf::Blowfish c;
        qnl::dpf::SetHeaderKey(c);
        return c;
    }
    // The deciphered info header of a file.
    static std::string InfoOf(const std::string &file) {
        std::string info = file.substr(8, 512);
        HeaderCipher().Decipher(reinterpret_cast<unsigned char *>(&info[0]), info.size());
        return info;
    }
    // Puts a (deciphered) info header back, with the CRC of the blocks when asked.
    static void SetInfo(std::string &file, std::string info, bool fixCrc = true) {
        if (fixCrc) {
            uint32_t crc =
                file.size() > 520 ? Quenlar.CRC32(file.data() + 520, (int)file.size() - 520) : 0;
            qnl::dpf::PutLE32(reinterpret_cast<unsigned char *>(&info[96]), crc);
        }
        HeaderCipher().Encipher(reinterpret_cast<unsigned char *>(&info[0]), info.size());
        file.replace(8, 512, info);
    }
    // Rewrites the stored CRC to match the blocks (after a deliberate patch).
    static void FixCrc(const std::string &path) {
        std::string file = testing_support::ReadFile(path);
        SetInfo(file, InfoOf(file));
        testing_support::WriteFile(path, file);
    }
    static uint32_t StoredCrc(const std::string &file) {
        std::string info = InfoOf(file);
        return qnl::dpf::GetLE32(reinterpret_cast<const unsigned char *>(info.data() + 96));
    }
    // Marker + 64-byte header + padded payload, as a writer lays them out.
    static std::string RawBlock(const std::string &name, const std::string &type,
                                unsigned char mode, uint32_t size, const std::string &payload) {
        unsigned char header[64];
        qnl::dpf::BuildHeader(header, name.c_str(), type.c_str(), mode, size,
                              (uint32_t)payload.size());
        std::string block(reinterpret_cast<const char *>(qnl::dpf::kMarker), 16);
        block.append(reinterpret_cast<const char *>(header), 64);
        block += payload;
        block.append(qnl::dpf::PaddedSize(payload.size()) - payload.size(), '\0');
        return block;
    }
    static std::string Marker() {
        return std::string(reinterpret_cast<const char *>(qnl::dpf::kMarker), 16);
    }

private:
    std::deque<std::string> kept_;
};

#endif
