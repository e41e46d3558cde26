// dpftool end to end: the program is run as a user would run it.
#include "dpftool/dpftool_fixture.h"

using testing_support::FileExists;
using testing_support::ReadFile;
using testing_support::RunResult;
using testing_support::WriteFile;

TEST_F(DpftoolTest, WhatGoesInComesOutByteForByte) {
    std::string text;
    while (text.size() < 50000)
        text += "line of text \xB7 with a 1252 byte\n";
    WriteFile("text.txt", text);
    WriteFile("noise.bin", RandomBytes(70000));
    WriteFile("empty.bin", "");
    Ok({"create", "p.dpf"});
    for (const char *mode : {"compressed", "stored", "scrambled"}) {
        for (const char *file : {"text.txt", "noise.bin", "empty.bin"})
            Ok({"add", "p.dpf", std::string(mode) + "-" + file, "DAT", file, "--mode", mode});
    }
    for (const char *mode : {"compressed", "stored", "scrambled"}) {
        for (const char *file : {"text.txt", "noise.bin", "empty.bin"}) {
            const std::string name = std::string(mode) + "-" + file;
            Ok({"extract", "p.dpf", name, "DAT", "out"});
            EXPECT_EQ(ReadFile(file), ReadFile(dir / "out")) << name;
            EXPECT_EQ(ReadFile(file), Ok({"extract", "p.dpf", name, "DAT"})) << name;
        }
    }
    // stdin as the file; compressed is the default mode.
    RunResult r = Tool({"add", "p.dpf", "piped", "DAT", "-"}, "from stdin");
    EXPECT_EQ(0, r.status);
    EXPECT_EQ("from stdin", Ok({"extract", "p.dpf", "piped", "DAT", "-"}));
    EXPECT_NE(std::string::npos,
              Ok({"list", "p.dpf"}).find("piped                           DAT     compressed"));
    Ok({"verify", "p.dpf"});
}

TEST_F(DpftoolTest, ListAndInfoInTextAndJson) {
    Ok({"create", "p.dpf"});
    WriteFile("a", "aaaa");
    WriteFile("b", std::string(100, 'b'));
    Ok({"add", "p.dpf", "first", "IMG", "a", "--mode=stored"});
    Ok({"add", "p.dpf", "second", "SND", "b", "--mode", "scrambled"});
    Ok({"delete", "p.dpf", "first", "IMG"});

    EXPECT_EQ("?irst                           DELETED stored              4          4  deleted\n"
              "second                          SND     scrambled         100        100\n",
              Ok({"list", "p.dpf"}));
    EXPECT_EQ("[\n"
              "  {\"name\": \"?irst\", \"type\": \"DELETED\", \"mode\": 1, \"size\": 4, "
              "\"stored\": 4, \"offset\": 520},\n"
              "  {\"name\": \"second\", \"type\": \"SND\", \"mode\": 2, \"size\": 100, \"stored\": "
              "100, \"offset\": 608}\n"
              "]\n",
              Ok({"list", "--json", "p.dpf"}));

    const std::string file = ReadFile(dir / "p.dpf");
    char crc[16];
    snprintf(crc, sizeof crc, "%u", StoredCrc(file));
    const std::string json = Ok({"info", "p.dpf", "--json"});
    for (const std::string &part :
         {std::string("\"version\": \"4.0\""), std::string("\"creator\": \"Quenlar team\""),
          std::string("\"protected\": false"), "\"crc_stored\": " + std::string(crc),
          "\"crc_computed\": " + std::string(crc), std::string("\"blocks\": 1"),
          std::string("\"deleted\": 1"), std::string("\"wasted\": 88")})
        EXPECT_NE(std::string::npos, json.find(part)) << part << "\n" << json;
    const std::string text = Ok({"info", "p.dpf"});
    EXPECT_NE(std::string::npos, text.find("blocks:     1 live, 1 deleted\n"));
    EXPECT_NE(std::string::npos, text.find("(ok)"));

    MakePackage(dir / "empty.dpf", {});
    EXPECT_EQ("[]\n", Ok({"list", "empty.dpf", "--json"}));
}

TEST_F(DpftoolTest, CreateAndAddGuardExistingData) {
    WriteFile("a", "one");
    WriteFile("b", "two");
    Ok({"create", "p.dpf"});
    RunResult r = Tool({"create", "p.dpf"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("exists"));

    // A missing package is created, its missing folders only when asked.
    r = Tool({"add", "new/dir.dpf", "x", "T", "a"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("dpftool: new/dir.dpf: the folder 'new' does not exist (--parents creates it)\n",
              r.err);
    EXPECT_EQ(1, Tool({"create", "new/c.dpf"}).status);
    EXPECT_EQ(1, Tool({"add-image", "new/i.dpf", "i", "missing.png"}).status);
    EXPECT_FALSE(FileExists(dir / "new"));
    Ok({"add", "new/dir.dpf", "x", "T", "a", "--parents"});
    r = Tool({"add", "new/dir.dpf", "x", "T", "b"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("exists already"));
    EXPECT_EQ("one", Ok({"extract", "new/dir.dpf", "x", "T"}));
    Ok({"add", "new/dir.dpf", "x", "T", "b", "--replace"});
    EXPECT_EQ("two", Ok({"extract", "new/dir.dpf", "x", "T"}));

    Ok({"create", "new/dir.dpf", "--force"});
    EXPECT_EQ("", Ok({"list", "new/dir.dpf"}));

    r = Tool({"extract", "new/dir.dpf", "x", "T"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("no block 'x' of type 'T'"));
    EXPECT_EQ(1, Tool({"delete", "new/dir.dpf", "x", "T"}).status);
    // A missing input file is named as missing, whatever the command.
    r = Tool({"add", "p.dpf", "x", "T", "missing-file"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("dpftool: missing-file: No such file or directory\n", r.err);
    r = Tool({"add-image", "p.dpf", "x", "missing.png"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("dpftool: missing.png: No such file or directory\n", r.err);
}

TEST_F(DpftoolTest, ExtractAllStaysInsideItsDirectory) {
    MakePackage(dir / "p.dpf", {"one", "two", "../evil", "a/b", "a\\b", ".."});
    int h = IStuffDPF->Open((dir / "p.dpf").c_str());
    Add(h, "x", "..", 1, "type escapes");
    Add(h, "empty", "T", 1, "");
    IStuffDPF->Close(h);

    RunResult r = Tool({"extract-all", "p.dpf", "out"});
    EXPECT_EQ(1, r.status);
    for (const char *name : {"'../evil'", "'a/b'", "'a\\b'", "'..'", "'x' of type '..'"})
        EXPECT_NE(std::string::npos, r.err.find(name)) << name << r.err;
    EXPECT_EQ((std::vector<std::string>{"out", "p.dpf"}), Entries(dir.path()));
    EXPECT_EQ((std::vector<std::string>{"T"}), Entries(dir / "out"));
    EXPECT_EQ((std::vector<std::string>{"empty", "one", "two"}), Entries(dir / "out/T"));
    EXPECT_EQ("data of two", ReadFile(dir / "out/T/two"));
    EXPECT_EQ("", ReadFile(dir / "out/T/empty"));
}

TEST_F(DpftoolTest, VerifyNamesWhatIsWrong) {
    MakePackage(dir / "p.dpf", {"good", "bad"}, 0);
    EXPECT_EQ("p.dpf: ok, 2 blocks\n", Ok({"verify", "p.dpf"}));

    // One changed byte: the checksum no longer matches, and Open refuses.
    std::string file = ReadFile(dir / "p.dpf");
    std::string changed = file;
    changed[changed.size() - 9] ^= 0x20;
    WriteFile(dir / "p.dpf", changed);
    RunResult r = Tool({"verify", "p.dpf"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("checksum mismatch"));
    EXPECT_NE(std::string::npos, r.err.find("\"dpftool repair p.dpf\""));
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"compact", "p.dpf"}, {"delete", "p.dpf", "good", "T"}}) {
        r = Tool(args);
        EXPECT_EQ(1, r.status) << args[0];
        EXPECT_NE(std::string::npos, r.err.find("\"dpftool repair p.dpf\"")) << args[0];
    }
    r = Tool({"extract", "p.dpf", "good", "T"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("dpftool: p.dpf: the given DPF is corrupted.\n"
              "dpftool: if a write to it was interrupted, \"dpftool repair p.dpf\" cuts off what "
              "it left\n",
              r.err);

    // A compressed block damaged behind a matching checksum.
    DPFBlock b;
    Restart();
    int h = IStuffDPF->Open((dir / "p.dpf").c_str()); // checked again: refused
    EXPECT_EQ(0, h);
    WriteFile(dir / "p.dpf", file);
    h = IStuffDPF->Open((dir / "p.dpf").c_str());
    ASSERT_EQ(1, IStuffDPF->FindFirst(h, &b));
    ASSERT_EQ(1, IStuffDPF->FindNext(h, &b));
    long long offset = IStuffDPF->GetBlockOffset();
    IStuffDPF->Close(h);
    file.replace((size_t)offset + 80, b.storedSize, std::string(b.storedSize, '\x55'));
    SetInfo(file, InfoOf(file));
    WriteFile(dir / "p.dpf", file);
    r = Tool({"verify", "p.dpf"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("dpftool: p.dpf: block 'bad' (T) at offset " + std::to_string(offset) +
                  ": UCL failed to decompress the data block.\n",
              r.err);
}

TEST_F(DpftoolTest, VerifyDecodesEmptyCompressedBlocksToo) {
    int h = IStuffDPF->Create((dir / "p.dpf").c_str());
    ASSERT_EQ(0, Add(h, "empty", "T", 1, ""));
    ASSERT_GT(Add(h, "packed", "T", 0, ""), 0); // a stream that yields nothing
    IStuffDPF->Close(h);
    EXPECT_EQ("p.dpf: ok, 2 blocks\n", Ok({"verify", "p.dpf"}));
    // A compressed block of size 0 whose stream is damaged, and a stored
    // block whose sizes disagree.
    std::string file = ReadFile(dir / "p.dpf") + RawBlock("bad", "T", 0, 0, "garbage!") +
                       RawBlock("odd", "T", 1, 0, "12345");
    SetInfo(file, InfoOf(file));
    WriteFile(dir / "p.dpf", file);
    RunResult r = Tool({"verify", "p.dpf"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos,
              r.err.find("block 'bad' (T) at offset 688: UCL failed to decompress the data "
                         "block.\n"))
        << r.err;
    EXPECT_NE(std::string::npos,
              r.err.find("block 'odd' (T) at offset 776: its stored size 5 is not its size 0\n"));
}

TEST_F(DpftoolTest, CompactAndUpdate) {
    MakePackage(dir / "p.dpf", {"one", "two", "three"});
    Ok({"delete", "p.dpf", "two", "T"});
    const size_t before = ReadFile(dir / "p.dpf").size();
    EXPECT_EQ("p.dpf: " + std::to_string(before - 96) + " bytes, was " + std::to_string(before) +
                  "\n",
              Ok({"compact", "p.dpf"}));
    EXPECT_NE(std::string::npos, Ok({"list", "p.dpf"}).find("three"));
    EXPECT_EQ((std::vector<std::string>{"p.dpf"}), Entries(dir.path())); // no file left beside

    std::string v3(256, '\0');
    v3.replace(0, 8, std::string("DPFv3.0\0", 8));
    v3 += std::string(".BlockData.") + "name" + std::string(28, '\0') +
          std::string("T\0\0\0\0", 5) + '\1' + std::string("\3\0\0\0\3\0\0\0", 8) + "abc";
    WriteFile(dir / "old.dpf", v3);
    Ok({"update", "old.dpf"});
    EXPECT_EQ(v3, ReadFile(dir / "old_v3.dpf"));
    EXPECT_EQ("abc", Ok({"extract", "old.dpf", "name", "T"}));
    RunResult r = Tool({"update", "old.dpf"});
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("it is not a DPF v3.0."));
}

TEST_F(DpftoolTest, FailureMessagesCarryTheReasonTheSdkRecorded) {
    // The scan meets a marker whose header the end of the file cuts off.
    // The SDK's log only says the block was not found; the reason that
    // reaches the user is the one recorded where the damage was seen.
    MakePackage(dir / "p.dpf", {"a"});
    std::string file = ReadFile(dir / "p.dpf") + Marker() + "cut";
    SetInfo(file, InfoOf(file));
    WriteFile(dir / "p.dpf", file);
    const std::string expected =
        "dpftool: p.dpf: block 'b' (T): a block header is cut off by the end of the file.\n";
    RunResult r = Tool({"extract", "p.dpf", "b", "T"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(expected, r.err);
    r = Tool({"-v", "extract", "p.dpf", "b", "T"}); // the same with the log on stderr
    EXPECT_EQ(1, r.status);
    EXPECT_NE(std::string::npos, r.err.find("Warning: datablock was not found in the given DPF."));
    EXPECT_NE(std::string::npos, r.err.find(expected));

    // A failed conversion names what was wrong with the old package.
    std::string v3(256, '\0');
    v3.replace(0, 8, std::string("DPFv3.0\0", 8));
    WriteFile(dir / "old.dpf", v3 + ".BlockData." + std::string(20, 'x'));
    r = Tool({"update", "old.dpf"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("dpftool: old.dpf: data block is corrupted.\n", r.err);
}

TEST_F(DpftoolTest, ReadingCommandsLeaveOldAndProtectedPackagesAlone) {
    std::string v3(256, '\0');
    v3.replace(0, 8, std::string("DPFv3.0\0", 8));
    WriteFile(dir / "old.dpf", v3);
    for (const char *command : {"list", "info", "verify"}) {
        RunResult r = Tool({command, "old.dpf"});
        EXPECT_EQ(1, r.status);
        EXPECT_NE(std::string::npos, r.err.find("dpftool update")) << command;
    }
    EXPECT_EQ(1, Tool({"extract", "old.dpf", "a", "T"}).status);
    EXPECT_EQ(1, Tool({"extract-all", "old.dpf", "out"}).status);
    EXPECT_EQ(v3, ReadFile(dir / "old.dpf"));

    MakePackage(dir / "p.dpf", {"a"});
    std::string file = ReadFile(dir / "p.dpf");
    std::string info = InfoOf(file);
    info[93] = 1;
    SetInfo(file, info);
    WriteFile(dir / "p.dpf", file);
    for (const char *command : {"list", "verify"}) {
        RunResult r = Tool({command, "p.dpf"});
        EXPECT_EQ(1, r.status);
        EXPECT_NE(std::string::npos, r.err.find("protected")) << command;
    }
    // info says what it can read, and that the blocks are not readable.
    const std::string shown = Ok({"info", "p.dpf"});
    EXPECT_NE(std::string::npos, shown.find("protected:  yes\n"));
    EXPECT_NE(std::string::npos, shown.find("crc:        ")) << shown;
    EXPECT_NE(std::string::npos,
              shown.find("blocks:     not readable: the block headers are enciphered under the "
                         "archive's key\n"));
    EXPECT_EQ(std::string::npos, shown.find("wasted"));
    EXPECT_NE(std::string::npos, Ok({"info", "p.dpf", "--json"})
                                     .find("\"blocks\": null, \"deleted\": null, "
                                           "\"wasted\": null}"));
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {"extract", "p.dpf", "a", "T"}, {"extract-all", "p.dpf", "out"}}) {
        RunResult r = Tool(args);
        EXPECT_EQ(1, r.status);
        EXPECT_NE(std::string::npos, r.err.find("protected")) << args[0];
    }
    // Writing commands get the SDK's own refusal.
    WriteFile(dir / "f", "x");
    RunResult r = Tool({"add", "p.dpf", "b", "T", "f"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("dpftool: p.dpf: the given DPF is protected and the key was not set.\n", r.err);
    EXPECT_EQ(file, ReadFile(dir / "p.dpf"));
}

TEST_F(DpftoolTest, UsageErrorsExitWithTwo) {
    for (const std::vector<std::string> &args : std::vector<std::vector<std::string>>{
             {},
             {"frobnicate"},
             {"--bogus", "list", "p.dpf"},
             {"list"},
             {"list", "a", "b"},
             {"list", "p.dpf", "--force"},
             {"add", "p.dpf", "n", "T", "f", "--mode", "zipped"},
             {"add", "p.dpf", "n", "T", "f", "--mode"},
             {"add", "p.dpf", std::string(32, 'n'), "T", "f"},
             {"add", "p.dpf", "n", "TOOLONGT", "f"},
             {"create", "p.dpf", "--force=yes"},
         }) {
        RunResult r = Tool(args);
        EXPECT_EQ(2, r.status) << (args.empty() ? "" : args[0]);
        EXPECT_NE(std::string::npos, r.err.find("usage: dpftool"));
    }
    EXPECT_FALSE(FileExists(dir / "p.dpf"));
    RunResult help = Tool({"help", "add"});
    EXPECT_EQ(0, help.status);
    EXPECT_EQ("usage: dpftool add PACKAGE NAME TYPE FILE [--mode compressed|stored|scrambled] "
              "[--replace] [--parents]\n",
              help.out);
    EXPECT_EQ(0, Tool({"list", "--help"}).status);
}

TEST_F(DpftoolTest, QuietUnlessVerbose) {
    Ok({"create", "p.dpf"});
    RunResult r = Tool({"-v", "list", "p.dpf"});
    EXPECT_EQ(0, r.status);
    EXPECT_NE(std::string::npos, r.err.find(" . [IStuffDPF] Interfaz created.\n"));
    r = Tool({"info", "p.dpf", "-v"});
    EXPECT_NE(std::string::npos, r.err.find(" . [IStuffDPF] Interfaz deleted.\n"));

    WriteFile(dir / "bad.dpf", "not a package at all");
    r = Tool({"list", "bad.dpf"});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("dpftool: bad.dpf: it is not a valid DPF.\n", r.err);
    r = Tool({"list", "missing.dpf"});
    EXPECT_EQ("dpftool: missing.dpf: No such file or directory\n", r.err);
    // The quiet log leaves no file behind (capture.log is this test's own).
    EXPECT_EQ((std::vector<std::string>{"bad.dpf", "p.dpf"}), Entries(dir.path()));
}
