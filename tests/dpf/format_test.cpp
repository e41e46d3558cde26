// The byte layout written to disk: file head, info header, blocks, padding,
// payload modes and deleted blocks.
#include "dpf_fixture.h"

#include <regex>
#include <zlib.h>
#include <ucl/ucl.h>

using testing_support::ReadFile;
using testing_support::WriteFile;

namespace {
const unsigned char *U(const std::string &s, size_t at = 0) {
    return reinterpret_cast<const unsigned char *>(s.data() + at);
}
} // namespace

TEST_F(DpfTest, EmptyPackageIs520BytesWithHeadAndInfoHeader) {
    int h = IStuffDPF->Create("empty.dpf");
    ASSERT_GT(h, 0);
    IStuffDPF->Close(h);
    std::string file = ReadFile("empty.dpf");
    ASSERT_EQ(520u, file.size());
    EXPECT_EQ(std::string("DPFv4.0\0", 8), file.substr(0, 8));

    std::string info = InfoOf(file);
    EXPECT_STREQ(Quenlar.GetCredits(), info.c_str());
    const std::regex date("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} [ 123][0-9] "
                          "[0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}");
    EXPECT_TRUE(std::regex_match(std::string(info.c_str() + 29), date)) << info.c_str() + 29;
    EXPECT_TRUE(std::regex_match(std::string(info.c_str() + 61), date)) << info.c_str() + 61;
    EXPECT_EQ(0, info[93]);                        // open archive
    EXPECT_EQ(0u, qnl::dpf::GetLE32(U(info, 96))); // no blocks: CRC 0
    for (int i = 100; i < 510; ++i)
        ASSERT_NE(255, (unsigned char)info[i]) << i;
    // The info header is enciphered: the creator text is not readable in the file.
    EXPECT_EQ(std::string::npos, file.find(Quenlar.GetCredits()));
}

TEST_F(DpfTest, BlockLayoutPaddingAndChecksum) {
    int h = IStuffDPF->Create("p.dpf");
    ASSERT_EQ(13, Add(h, "hello", "TXT", 1, "thirteen byte"));
    IStuffDPF->Close(h);
    std::string file = ReadFile("p.dpf");
    ASSERT_EQ(520u + 80 + 16, file.size());
    EXPECT_EQ(Marker(), file.substr(520, 16));
    const std::string header = file.substr(536, 64);
    EXPECT_EQ(std::string("hello\0", 6), header.substr(0, 6));
    EXPECT_EQ(std::string("TXT\0", 4), header.substr(32, 4));
    EXPECT_EQ(1, header[40]);
    EXPECT_EQ(13u, qnl::dpf::GetLE32(U(header, 44)));
    EXPECT_EQ(13u, qnl::dpf::GetLE32(U(header, 48)));
    EXPECT_EQ(std::string(12, '\0'), header.substr(52, 12));
    EXPECT_EQ("thirteen byte", file.substr(600, 13));
    EXPECT_EQ(std::string(3, '\0'), file.substr(613, 3));
    EXPECT_EQ(Quenlar.CRC32(file.data() + 520, (int)file.size() - 520), StoredCrc(file));

    // A stored size that is a multiple of 8 takes no padding.
    h = IStuffDPF->Open("p.dpf");
    ASSERT_EQ(16, Add(h, "sixteen", "TXT", 1, std::string(16, 'x')));
    IStuffDPF->Close(h);
    EXPECT_EQ(520u + 96 + 96, ReadFile("p.dpf").size());
}

TEST_F(DpfTest, PayloadModesAsWritten) {
    std::string data;
    for (int i = 0; i < 3000; ++i)
        data += "abcabcabd"[i % 9];
    int h = IStuffDPF->Create("m.dpf");
    int packed = Add(h, "c", "T", 0, data);
    ASSERT_EQ((int)data.size(), Add(h, "x", "T", 2, data));
    IStuffDPF->Close(h);
    std::string file = ReadFile("m.dpf");

    // Mode 0: UCL NRV2B output, smaller here, stored size = its length.
    ASSERT_GT(packed, 0);
    ASSERT_LT(packed, (int)data.size());
    std::string out(data.size(), '\0');
    ucl_uint length = (ucl_uint)out.size();
    ASSERT_EQ(UCL_E_OK, ucl_nrv2b_decompress_safe_8(U(file, 600), (ucl_uint)packed,
                                                    reinterpret_cast<unsigned char *>(&out[0]),
                                                    &length, nullptr));
    EXPECT_EQ(data, out);

    // Mode 2: every byte XOR 0x5C.
    size_t at = 600 + qnl::dpf::PaddedSize(packed) + 80;
    for (size_t i = 0; i < data.size(); ++i)
        ASSERT_EQ((char)(data[i] ^ 0x5C), file[at + i]) << i;
}

TEST_F(DpfTest, DeletedBlockKeepsSizesModeAndPayload) {
    int h = IStuffDPF->Create("d.dpf");
    ASSERT_GT(Add(h, "logo", "IMG", 2, "picture bytes"), 0);
    std::string before = ReadFile("d.dpf");
    DPFBlock b = Block("logo", "IMG", 0);
    ASSERT_EQ(1, IStuffDPF->Delete(h, &b));
    IStuffDPF->Close(h);
    std::string after = ReadFile("d.dpf");
    ASSERT_EQ(before.size(), after.size());
    EXPECT_EQ('?', after[536]);
    EXPECT_EQ(before.substr(537, 31), after.substr(537, 31));
    EXPECT_EQ(std::string("DELETED\0", 8), after.substr(568, 8));
    EXPECT_EQ(before.substr(576), after.substr(576)); // mode, sizes, reserved, payload

    h = IStuffDPF->Open("d.dpf");
    DPFBlock found;
    ASSERT_EQ(1, IStuffDPF->FindFirst(h, &found));
    EXPECT_STREQ("?ogo", found.name);
    EXPECT_STREQ("DELETED", found.type);
    EXPECT_EQ(2, found.mode);
    EXPECT_EQ(13u, found.size);
    EXPECT_EQ(13u, found.storedSize);
    IStuffDPF->Close(h);
}

TEST_F(DpfTest, NamesAndTypesAtTheirLimits) {
    int h = IStuffDPF->Create("n.dpf");
    const std::string name31(31, 'n');
    EXPECT_GT(Add(h, name31, "DELETED", 1, "x"), 0); // 7 characters: the NUL fills the field
    EXPECT_EQ("x", Load(h, "DELETED", name31));

    log.Mark();
    DPFBlock longType = Block("a", "", 1, "x");
    memcpy(longType.type, "EIGHTCHR", 8); // no room for the NUL
    EXPECT_EQ(0, IStuffDPF->AddData(h, &longType));
    DPFBlock longName = Block("", "T", 1, "x");
    memset(longName.name, 'n', 32);
    EXPECT_EQ(0, IStuffDPF->AddData(h, &longName));
    EXPECT_NE(std::string::npos, Log().find(" . [IStuffDPF->AddData(" + std::to_string(h) +
                                            ",'a')] Error: name or type are too long. Maximum "
                                            "chars for name is 32 and 8 for type.\n"));
    EXPECT_NE(std::string::npos,
              Log().find("AddData(" + std::to_string(h) + ",'" + std::string(32, 'n') + "')"));
    // A longer name asked of LoadBlock matches no block, not even by its first 31 characters.
    EXPECT_EQ("<none>", Load(h, "DELETED", name31 + "n"));
    IStuffDPF->Close(h);
    EXPECT_EQ(520u + 88, ReadFile("n.dpf").size());
}

// A package laid out by hand from the format's tables, not by our writer, so
// that a reader and a writer that agree on a wrong offset cannot both pass.
// Its first block has no padding after its 13 stored bytes: a reader goes
// on after the stored size itself, not after it rounded up to 8.
TEST_F(DpfTest, HandLaidPackageReadsAndExtendsFieldByField) {
    auto le32 = [](uint32_t v) {
        return std::string{(char)(v & 0xFF), (char)(v >> 8 & 0xFF), (char)(v >> 16 & 0xFF),
                           (char)(v >> 24)};
    };
    const std::string marker = "\xB7\xAE\xCE"
                               "Block-Data\xCE\xAF\xB7";
    //                    name (32)                          type (8)
    const std::string one = std::string("one") + std::string(29, '\0') + "TXT" +
                            std::string(5, '\0') + std::string("\x01\0\0\0", 4) + le32(13) +
                            le32(13) + std::string(12, '\0');
    const std::string two = std::string("two") + std::string(29, '\0') + "BIN" +
                            std::string(5, '\0') + std::string("\x02\0\0\0", 4) + le32(3) +
                            le32(3) + std::string(12, '\0');
    const std::string blocks = marker + one + "thirteen byte" + // no padding
                               marker + two + "\x3D\x3E\x3F" + std::string(5, '\0');
    const uint32_t crc = (uint32_t)crc32(0L, U(blocks), (uInt)blocks.size());

    std::string info(512, '\0');
    info.replace(0, 10, "Hand Maker");
    info.replace(29, 24, "Sat Jan  1 10:00:00 2000");
    info.replace(61, 24, "Sun Jan  2 11:30:00 2000");
    info.replace(96, 4, le32(crc));
    std::string clear = info;
    HeaderCipher().Encipher(reinterpret_cast<unsigned char *>(&info[0]), info.size());
    WriteFile("hand.dpf", std::string("DPFv4.0\0", 8) + info + blocks);

    int h = IStuffDPF->Open("hand.dpf"); // the checksum is read at offset 96
    ASSERT_GT(h, 0);
    DPFInfo read;
    ASSERT_EQ(1, IStuffDPF->GetInfo(h, &read));
    EXPECT_STREQ("Hand Maker", read.creator);
    EXPECT_STREQ("Sat Jan  1 10:00:00 2000", read.created);
    EXPECT_STREQ("Sun Jan  2 11:30:00 2000", read.modified);
    EXPECT_EQ(0, read.protect);
    EXPECT_EQ(crc, read.crc);
    DPFBlock b;
    ASSERT_EQ(1, IStuffDPF->FindFirst(h, &b));
    EXPECT_STREQ("one", b.name);
    EXPECT_STREQ("TXT", b.type);
    EXPECT_EQ(1, b.mode);
    EXPECT_EQ(13u, b.size);
    EXPECT_EQ(13u, b.storedSize);
    ASSERT_EQ(1, IStuffDPF->FindNext(h, &b));
    EXPECT_STREQ("two", b.name);
    EXPECT_STREQ("BIN", b.type);
    EXPECT_EQ(2, b.mode);
    EXPECT_EQ(3u, b.size);
    EXPECT_EQ(3u, b.storedSize);
    EXPECT_EQ(0, IStuffDPF->FindNext(h, &b));
    EXPECT_EQ("thirteen byte", Load(h, "TXT", "one"));
    EXPECT_EQ("abc", Load(h, "BIN", "two"));

    // What the writer appends is laid out the same way, and closing the
    // modified package keeps its creator and creation date.
    ASSERT_EQ(3, Add(h, "three", "IMG", 1, "xyz"));
    IStuffDPF->Close(h);
    const std::string file = ReadFile("hand.dpf");
    const std::string three = std::string("three") + std::string(27, '\0') + "IMG" +
                              std::string(5, '\0') + std::string("\x01\0\0\0", 4) + le32(3) +
                              le32(3) + std::string(12, '\0');
    EXPECT_EQ(marker + three + "xyz" + std::string(5, '\0'), file.substr(520 + blocks.size()));
    const std::string after = InfoOf(file);
    EXPECT_EQ(clear.substr(0, 61), after.substr(0, 61));
    EXPECT_NE(clear.substr(61, 32), after.substr(61, 32));
    EXPECT_EQ(0, after[93]);
    EXPECT_EQ(le32((uint32_t)crc32(0L, U(file, 520), (uInt)file.size() - 520)),
              after.substr(96, 4));
}
