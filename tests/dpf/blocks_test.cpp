// Blocks: round trips, the search and its shared cursor, AddData and Delete
// rules, and damaged blocks.
#include "dpf_fixture.h"

#include <csignal>
#include <sys/resource.h>

using testing_support::ReadFile;
using testing_support::WriteFile;

TEST_F(DpfTest, EveryModeAndSizeClassRoundTrips) {
    std::string text;
    while (text.size() < 300000)
        text += "The quick brown fox jumps over the lazy dog. ";
    const std::string samples[] = {"",
                                   "a",
                                   "seven!!",
                                   "eight!!!",
                                   "nine!!!!!",
                                   text,
                                   RandomBytes(100000, 1),
                                   Marker() + "payload that holds a marker" + Marker()};
    int h = IStuffDPF->Create("r.dpf");
    int n = 0;
    for (unsigned char mode : {0, 1, 2}) {
        for (const std::string &data : samples) {
            const std::string name = "b" + std::to_string(n++);
            int stored = Add(h, name, "DAT", mode, data);
            if (mode == 0) {
                EXPECT_GT(stored, 0) << name;
            } else {
                EXPECT_EQ((int)data.size(), stored) << name; // 0 for an empty block
            }
        }
    }
    IStuffDPF->Close(h);

    for (int pass = 0; pass < 2; ++pass) { // then after reopening in a new run
        h = IStuffDPF->Open("r.dpf");
        ASSERT_GT(h, 0);
        n = 0;
        for (int mode = 0; mode < 3; ++mode) {
            for (const std::string &data : samples) {
                const std::string name = "b" + std::to_string(n++);
                EXPECT_EQ(data.empty() ? "<none>" : data, Load(h, "DAT", name)) << name;
            }
        }
        IStuffDPF->Close(h);
        Restart();
    }
}

TEST_F(DpfTest, SearchEnumeratesInFileOrderDeletedIncluded) {
    MakePackage("s.dpf", {"one", "two", "three"});
    int h = IStuffDPF->Open("s.dpf");
    DPFBlock two = Block("two", "T", 1);
    ASSERT_EQ(1, IStuffDPF->Delete(h, &two));

    std::vector<std::string> seen;
    DPFBlock b;
    int r = IStuffDPF->FindFirst(h, &b);
    EXPECT_EQ(520, IStuffDPF->GetBlockOffset());
    for (; r == 1; r = IStuffDPF->FindNext(h, &b)) {
        seen.push_back(std::string(b.name) + "/" + b.type);
        EXPECT_EQ(nullptr, b.data);
    }
    EXPECT_EQ(0, r);
    EXPECT_EQ((std::vector<std::string>{"one/T", "?wo/DELETED", "three/T"}), seen);

    DPFBlock find = Block("three", "T", 0);
    find.data = reinterpret_cast<char *>(&find); // overwritten with null
    ASSERT_EQ(1, IStuffDPF->Find(h, &find));
    EXPECT_EQ(1, find.mode);
    EXPECT_EQ(13u, find.size);
    EXPECT_EQ(nullptr, find.data);
    DPFBlock lower = Block("ONE", "T", 0);
    EXPECT_EQ(0, IStuffDPF->Find(h, &lower)); // case matters
    IStuffDPF->Close(h);
}

TEST_F(DpfTest, OneSearchCursorForAllArchives) {
    // a: six blocks of 8 bytes (88 bytes each, from 520); b: one of 200.
    int a = IStuffDPF->Create("a.dpf");
    for (int i = 1; i <= 6; ++i)
        Add(a, "a" + std::to_string(i), "T", 1, "12345678");
    int b = IStuffDPF->Create("b.dpf");
    Add(b, "b1", "T", 1, std::string(200, 'b'));

    DPFBlock x;
    ASSERT_EQ(1, IStuffDPF->FindFirst(a, &x));
    ASSERT_EQ(1, IStuffDPF->FindFirst(b, &x));
    // FindNext on a goes on from b's cursor (600 + 200): a's block at 872.
    ASSERT_EQ(1, IStuffDPF->FindNext(a, &x));
    EXPECT_STREQ("a5", x.name);
    EXPECT_EQ(872, IStuffDPF->GetBlockOffset());
    IStuffDPF->Close(a);
    IStuffDPF->Close(b);
}

TEST_F(DpfTest, ScanSkipsDamageBetweenBlocksAndMarkersInsidePayloads) {
    MakePackage("g.dpf", {});
    std::string file = ReadFile("g.dpf");
    // A payload that holds a whole fake block, then damage with marker
    // pieces, then real blocks at every offset around the read windows.
    const std::string fake = RawBlock("fake", "T", 1, 4, "FAKE");
    file += RawBlock("carrier", "T", 1, (uint32_t)fake.size(), fake);
    std::string damage = "\xB7\xAE\xCE"
                         "Block" +
                         std::string(5, '\xB7') + Marker().substr(0, 15);
    std::vector<std::string> expected = {"carrier"};
    // Every gap up to 300 bytes but the one whose damage ends in the first
    // 15 bytes of a marker, which the next block's marker would complete.
    std::vector<size_t> gaps;
    for (size_t gap = 0; gap <= 300; ++gap)
        if (gap != damage.size()) gaps.push_back(gap);
    for (size_t gap : {639, 640, 641, 1270, 1280, 1281, 2687, 2688, 2689, 5000, 70000})
        gaps.push_back(gap);
    for (size_t gap : gaps) {
        std::string filler = damage;
        while (filler.size() < gap)
            filler += (char)(0xB7 - filler.size() % 3);
        file += filler.substr(0, gap);
        const std::string name = "after" + std::to_string(gap);
        file += RawBlock(name, "T", 1, 3, "abc");
        expected.push_back(name);
    }
    std::string info = InfoOf(file);
    SetInfo(file, info);
    WriteFile("g.dpf", file);
    Restart();

    int h = IStuffDPF->Open("g.dpf");
    ASSERT_GT(h, 0);
    std::vector<std::string> seen;
    DPFBlock b;
    for (int r = IStuffDPF->FindFirst(h, &b); r == 1; r = IStuffDPF->FindNext(h, &b))
        seen.push_back(b.name);
    EXPECT_EQ(expected, seen);
    EXPECT_EQ(fake, Load(h, "T", "carrier"));
    EXPECT_EQ("abc", Load(h, "T", "after70000"));
    EXPECT_EQ("<none>", Load(h, "T", "fake"));
    IStuffDPF->Close(h);
}

// One search reads many small blocks from the bytes read for the first:
// blocks, marker bytes in payloads and stray marker bytes between blocks at
// every offset around the ends of those reads.
TEST_F(DpfTest, OneSearchOverManySmallBlocks) {
    MakePackage("s.dpf", {});
    std::string file = ReadFile("s.dpf");
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        std::string payload(i % 37, (char)('a' + i % 26));
        if (i % 5 == 0) payload += Marker() + "x";
        file += std::string(i % 11, '\xB7') + std::string(i % 3, '\0');
        names.push_back("b" + std::to_string(i));
        file += RawBlock(names.back(), "T", 1, (uint32_t)payload.size(), payload);
    }
    SetInfo(file, InfoOf(file));
    WriteFile("s.dpf", file);
    Restart();

    int h = IStuffDPF->Open("s.dpf");
    ASSERT_GT(h, 0);
    std::vector<std::string> seen;
    DPFBlock b;
    for (int r = IStuffDPF->FindFirst(h, &b); r == 1; r = IStuffDPF->FindNext(h, &b))
        seen.push_back(b.name);
    EXPECT_EQ(names, seen);
    for (int i : {0, 1, 5, 37, 150, 298, 299}) {
        std::string payload(i % 37, (char)('a' + i % 26));
        if (i % 5 == 0) payload += Marker() + "x";
        EXPECT_EQ(payload.empty() ? "<none>" : payload, Load(h, "T", names[i])) << i;
    }
    IStuffDPF->Close(h);
}

TEST_F(DpfTest, FileEndingInsideMarkerOrHeader) {
    MakePackage("e.dpf", {"a"});
    const std::string base = ReadFile("e.dpf");
    struct Case {
        std::string tail;
        int next;
        bool message;
    } cases[] = {
        {"\xB7", 2, false},                 // a marker cut after one byte
        {Marker().substr(0, 10), 2, false}, // ... or after ten
        {Marker(), 0, true},                // a marker and no header
        {Marker() + "partial", 2, true},    // a header cut short
        {std::string(5, '\0'), 0, false},   // padding-like zeros
    };
    for (const Case &c : cases) {
        std::string file = base + c.tail;
        SetInfo(file, InfoOf(file));
        WriteFile("e.dpf", file);
        Restart();
        int h = IStuffDPF->Open("e.dpf");
        ASSERT_GT(h, 0);
        DPFBlock b;
        ASSERT_EQ(1, IStuffDPF->FindFirst(h, &b));
        log.Mark();
        EXPECT_EQ(c.next, IStuffDPF->FindNext(h, &b)) << c.tail.size();
        const std::string message = " . [IStuffDPF->FindNext(" + std::to_string(h) +
                                    ")] Error: the next block was unsuccessfully loaded.\n";
        EXPECT_EQ(c.message ? message : "", Log());
        IStuffDPF->Close(h);
    }
}

TEST_F(DpfTest, AddDataRules) {
    int h = IStuffDPF->Create("a.dpf");
    const std::string H = std::to_string(h);
    ASSERT_GT(Add(h, "x", "T", 1, "first"), 0);
    const size_t length = ReadFile("a.dpf").size();

    // An existing name and type: -1, nothing written, the caller's record intact.
    DPFBlock again = Block("x", "T", 0, "second");
    char *data = again.data;
    log.Mark();
    EXPECT_EQ(-1, IStuffDPF->AddData(h, &again));
    EXPECT_EQ(" . [IStuffDPF->AddData(" + H + ",'x')] Info: block already exists.\n", Log());
    EXPECT_EQ(data, again.data);
    EXPECT_EQ(6u, again.size);
    EXPECT_EQ(length, ReadFile("a.dpf").size());
    EXPECT_GT(Add(h, "x", "U", 1, "other type"), 0);

    // The saver's order: delete the old block, add the new one.
    ASSERT_EQ(1, IStuffDPF->Delete(h, &again));
    EXPECT_EQ(data, again.data);
    EXPECT_EQ(0, again.mode);
    EXPECT_GT(IStuffDPF->AddData(h, &again), 0);
    EXPECT_EQ("second", Load(h, "T", "x"));

    // Any mode but 0 and 1 is written as 2, in the caller's record too.
    DPFBlock seven = Block("seven", "T", 7, "scrambled");
    EXPECT_EQ(9, IStuffDPF->AddData(h, &seven));
    EXPECT_EQ(2, seven.mode);
    DPFBlock found = Block("seven", "T", 0);
    ASSERT_EQ(1, IStuffDPF->Find(h, &found));
    EXPECT_EQ(2, found.mode);

    // A stored block of 0 bytes reports 0 but is there.
    EXPECT_EQ(0, Add(h, "empty", "T", 1, ""));
    DPFBlock empty = Block("empty", "T", 0);
    EXPECT_EQ(1, IStuffDPF->Find(h, &empty));
    EXPECT_EQ(0u, empty.size);

    DPFBlock missing = Block("nothing", "T", 1);
    log.Mark();
    EXPECT_EQ(0, IStuffDPF->Delete(h, &missing));
    EXPECT_EQ(" . [IStuffDPF->Delete(" + H +
                  ")] Warning: datablock was not found in the given DPF.\n",
              Log());
    log.Mark();
    EXPECT_EQ("<none>", Load(h, "T", "nothing"));
    EXPECT_EQ(" . [IStuffDPF->LoadBlock('a.dpf','T','nothing')] Warning: datablock was not found "
              "in the given DPF.\n",
              Log());
    IStuffDPF->Close(h);
}

TEST_F(DpfTest, FailedWriteLeavesTheFileAsItWas) {
    MakePackage("w.dpf", {"a"});
    const std::string before = ReadFile("w.dpf");
    int h = IStuffDPF->Open("w.dpf");
    // Writes past this size fail (EFBIG) instead of raising a signal.
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit old, small = {before.size() + 100, before.size() + 100};
    getrlimit(RLIMIT_FSIZE, &old);
    small.rlim_max = old.rlim_max;
    setrlimit(RLIMIT_FSIZE, &small);
    log.Mark();
    EXPECT_EQ(0, Add(h, "big", "T", 1, std::string(4000, 'b')));
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_NE(std::string::npos, Log().find("Error: it was not possible to write to the DPF"));
    EXPECT_EQ(before, ReadFile("w.dpf"));
    IStuffDPF->Close(h);
    EXPECT_EQ(before, ReadFile("w.dpf")); // not modified: no refresh
    Restart();
    EXPECT_GT(IStuffDPF->Open("w.dpf"), 0);
}

TEST_F(DpfTest, DamagedBlocksFailWithoutHarm) {
    std::string packed;
    {
        int h = IStuffDPF->Create("ref.dpf");
        Add(h, "z", "T", 0, std::string(5000, 'z') + RandomBytes(3000, 2));
        IStuffDPF->Close(h);
        std::string file = ReadFile("ref.dpf");
        DPFBlock b;
        h = IStuffDPF->Open("ref.dpf");
        IStuffDPF->FindFirst(h, &b);
        packed = file.substr(600, b.storedSize);
        IStuffDPF->Close(h);
    }
    const std::string decompress = "Error: UCL failed to decompress the data block.\n";
    const std::string short_ = "Error: datablock was not loaded successfully.\n";
    struct Case {
        std::string block;
        std::string message;
    } cases[] = {
        {RawBlock("d", "T", 0, 8000, RandomBytes(200, 3)), decompress}, // not a stream
        {RawBlock("d", "T", 0, 8000, packed.substr(0, packed.size() - 4)), decompress},
        {RawBlock("d", "T", 0, 7999, packed), decompress},         // wrong data size
        {RawBlock("d", "T", 0, 0x7FFFFFF0u, packed), decompress},  // beyond any ratio
        {RawBlock("d", "T", 0, 0xFFFFFFF0u, packed), short_},      // beyond an int
        {RawBlock("d", "T", 1, 50, std::string(10, 's')), short_}, // more data than stored
        {RawBlock("d", "T", 1, 10, std::string(10, 's')).substr(0, 85), short_}, // payload cut
    };
    for (const Case &c : cases) {
        MakePackage("d.dpf", {});
        std::string file = ReadFile("d.dpf") + c.block;
        if (&c == &cases[6]) {
            // The header claims more than the file holds.
            unsigned char *h = reinterpret_cast<unsigned char *>(&file[520 + 16]);
            qnl::dpf::PutLE32(h + 48, 0x7FFFFFF0u);
            qnl::dpf::PutLE32(h + 44, 0x7FFFFFF0u);
        }
        SetInfo(file, InfoOf(file));
        WriteFile("d.dpf", file);
        Restart();
        int h = IStuffDPF->Open("d.dpf");
        ASSERT_GT(h, 0);
        DPFBlock b;
        EXPECT_EQ(0, IStuffDPF->LoadBlock(h, "T", "d", &b));
        EXPECT_EQ(nullptr, b.data);
        EXPECT_NE(std::string::npos,
                  Log().find(" . [IStuffDPF->LoadBlock('d.dpf','T','d')] " + c.message))
            << Log();
        IStuffDPF->Close(h);
        EXPECT_EQ(file, ReadFile("d.dpf"));
    }
}

TEST_F(DpfTest, LoadFoundReadsTheBlockJustFound) {
    MakePackage("f.dpf", {"one", "two"}, 0);
    int h = IStuffDPF->Open("f.dpf");
    DPFBlock b, data;
    EXPECT_EQ(0, IStuffDPF->LoadFound(h, &data)); // nothing found yet
    ASSERT_EQ(1, IStuffDPF->FindFirst(h, &b));
    ASSERT_EQ(1, IStuffDPF->FindNext(h, &b));
    ASSERT_EQ(11, IStuffDPF->LoadFound(h, &data));
    EXPECT_EQ("data of two", std::string(data.data, 11));
    delete[] data.data;
    EXPECT_EQ(0, IStuffDPF->FindNext(h, &b)); // the cursor stayed
    IStuffDPF->Close(h);
}

TEST_F(DpfTest, LocateBlockLeavesStoredDataForReadFound) {
    MakePackage("l.dpf", {"one", "two"}, 1);
    int h = IStuffDPF->Open("l.dpf");
    DPFBlock b;
    char part[4] = {0};
    EXPECT_EQ(0, IStuffDPF->ReadFound(h, 0, part, 3)); // nothing found yet
    ASSERT_EQ(11, IStuffDPF->LocateBlock(h, "T", "two", &b));
    EXPECT_EQ(nullptr, b.data);
    EXPECT_EQ(1, b.mode);
    ASSERT_EQ(1, IStuffDPF->ReadFound(h, 8, part, 3));
    EXPECT_STREQ("two", part);
    EXPECT_EQ(0, IStuffDPF->ReadFound(h, 9, part, 3)); // beyond the data
    log.Mark();
    EXPECT_EQ(0, IStuffDPF->LocateBlock(h, "T", "three", &b));
    EXPECT_EQ(" . [IStuffDPF->LoadBlock('l.dpf','T','three')] Warning: datablock was not found "
              "in the given DPF.\n",
              Log());
    IStuffDPF->Close(h);

    // Other modes come loaded, and give ReadFound nothing to read.
    MakePackage("c.dpf", {"one"}, 0);
    h = IStuffDPF->Open("c.dpf");
    ASSERT_EQ(11, IStuffDPF->LocateBlock(h, "T", "one", &b));
    ASSERT_NE(nullptr, b.data);
    EXPECT_EQ("data of one", std::string(b.data, 11));
    delete[] b.data;
    EXPECT_EQ(0, IStuffDPF->ReadFound(h, 0, part, 3));
    IStuffDPF->Close(h);
}

TEST_F(DpfTest, CompactDropsDeletedBlocksAndKeepsTheRest) {
    MakePackage("c.dpf", {"one", "two", "three", "four"});
    int h = IStuffDPF->Open("c.dpf");
    for (const char *name : {"one", "three"}) {
        DPFBlock b = Block(name, "T", 1);
        ASSERT_EQ(1, IStuffDPF->Delete(h, &b));
    }
    EXPECT_EQ(0, IStuffDPF->Compact("c.dpf")); // open: refused
    IStuffDPF->Close(h);
    const std::string before = ReadFile("c.dpf");

    ASSERT_EQ(1, IStuffDPF->Compact("c.dpf"));
    const std::string after = ReadFile("c.dpf");
    EXPECT_EQ(before.size() - 2 * 96, after.size());
    EXPECT_EQ(InfoOf(before).substr(0, 61), InfoOf(after).substr(0, 61)); // creator, creation date
    EXPECT_EQ(Quenlar.CRC32(after.data() + 520, (int)after.size() - 520), StoredCrc(after));
    Restart();
    h = IStuffDPF->Open("c.dpf");
    std::vector<std::string> seen;
    DPFBlock b;
    for (int r = IStuffDPF->FindFirst(h, &b); r == 1; r = IStuffDPF->FindNext(h, &b))
        seen.push_back(b.name);
    EXPECT_EQ((std::vector<std::string>{"two", "four"}), seen);
    EXPECT_EQ("data of four", Load(h, "T", "four"));
    IStuffDPF->Close(h);

    // A package whose checksum does not match is left alone.
    std::string bad = after;
    bad[bad.size() - 1] ^= 1;
    WriteFile("c.dpf", bad);
    EXPECT_EQ(0, IStuffDPF->Compact("c.dpf"));
    EXPECT_EQ(bad, ReadFile("c.dpf"));
}

TEST_F(DpfTest, ReplaceLeavesOneBlockAndKeepsTheOldOneWhenTheNewFails) {
    MakePackage("r.dpf", {"x", "y"});
    int h = IStuffDPF->Open("r.dpf");
    auto live = [&](const char *name) {
        int count = 0;
        DPFBlock b;
        for (int r = IStuffDPF->FindFirst(h, &b); r == 1; r = IStuffDPF->FindNext(h, &b))
            count += std::string(b.name) == name && std::string(b.type) == "T";
        return count;
    };
    DPFBlock second = Block("x", "T", 0, "second");
    EXPECT_EQ(1, IStuffDPF->Replace(h, &second));
    EXPECT_EQ("second", Load(h, "T", "x"));
    EXPECT_EQ(1, live("x"));
    DPFBlock fresh = Block("z", "T", 1, "new"), empty = Block("e", "T", 1, "");
    EXPECT_EQ(1, IStuffDPF->Replace(h, &fresh)); // no older block: an add
    EXPECT_EQ(1, IStuffDPF->Replace(h, &empty)); // 0 stored bytes are a success here
    const std::string before = ReadFile("r.dpf");

    // The new block cannot be written: the old one is back, in its place.
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit old, small = {before.size() + 100, before.size() + 100};
    getrlimit(RLIMIT_FSIZE, &old);
    small.rlim_max = old.rlim_max;
    setrlimit(RLIMIT_FSIZE, &small);
    DPFBlock big = Block("x", "T", 1, std::string(4000, 'b'));
    EXPECT_EQ(0, IStuffDPF->Replace(h, &big));
    setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(qnl::ErrorCode::kIo, qnl::LastError().code);
    EXPECT_EQ(before, ReadFile("r.dpf"));
    EXPECT_EQ("second", Load(h, "T", "x"));
    IStuffDPF->Close(h);
    Restart();
    EXPECT_GT(IStuffDPF->Open("r.dpf"), 0); // the checksum matches the restored bytes
}
