// Failure reasons as values: each failure leaves its code and reason in the
// thread's record, and a failure found below is passed up unchanged.
#include "dpf_fixture.h"

#include <functional>

using qnl::ErrorCode;
using testing_support::ReadFile;
using testing_support::WriteFile;

TEST_F(DpfTest, FailuresRecordTheirCodeAndReason) {
    MakePackage("p.dpf", {"a"});
    int h = IStuffDPF->Open("p.dpf");
    ASSERT_EQ(0, Add(h, "empty", "T", 1, ""));
    IStuffDPF->Close(h);
    WriteFile("bad.dpf", "not a package");
    std::string v5 = ReadFile("p.dpf");
    v5[4] = '5';
    WriteFile("v5.dpf", v5);
    std::string changed = ReadFile("p.dpf");
    changed.back() ^= 1;
    WriteFile("changed.dpf", changed);
    h = IStuffDPF->Open("p.dpf");

    struct Case {
        const char *what;
        std::function<int()> call;
        ErrorCode code;
        std::string reason;
    } cases[] = {
        {"missing file", [] { return IStuffDPF->Open("missing.dpf"); }, ErrorCode::kIo,
         "No such file or directory"},
        {"no package", [] { return IStuffDPF->Open("bad.dpf"); }, ErrorCode::kNotPackage,
         "it is not a valid DPF."},
        {"version 5", [] { return IStuffDPF->Open("v5.dpf"); }, ErrorCode::kUnsupported,
         "'DPFv5.0' version is not supported."},
        {"changed byte", [] { return IStuffDPF->Open("changed.dpf"); }, ErrorCode::kCorrupted,
         "the given DPF is corrupted."},
        {"no such block", [&] { return (int)Load(h, "T", "none").size() - 6; },
         ErrorCode::kNotFound, "datablock was not found in the given DPF."},
        {"empty block", [&] { return (int)Load(h, "T", "empty").size() - 6; }, ErrorCode::kEmpty,
         "the block holds no data."},
        {"existing block", [&] { return Add(h, "a", "T", 1, "again") + 1; }, ErrorCode::kExists,
         "block already exists."},
        {"no record", [&] { return IStuffDPF->Delete(h, nullptr); }, ErrorCode::kInvalidArgument,
         "no block record was given."},
        {"unknown handle", [&] { return (int)Load(h + 1, "T", "a").size() - 6; },
         ErrorCode::kInvalidArgument, "no open package has handle " + std::to_string(h + 1) + "."},
    };
    for (const Case &c : cases) {
        qnl::ClearError();
        EXPECT_EQ(0, c.call()) << c.what;
        EXPECT_EQ(c.code, qnl::LastError().code) << c.what;
        EXPECT_EQ(c.reason, qnl::LastError().reason) << c.what;
    }
    IStuffDPF->Close(h);
}

TEST_F(DpfTest, AFailureFoundBelowIsPassedUpUnchanged) {
    // A marker whose header the end of the file cuts off: the search fails
    // there, and LoadBlock, which logs "not found", keeps that reason.
    MakePackage("p.dpf", {"a"});
    std::string file = ReadFile("p.dpf") + Marker() + "cut";
    SetInfo(file, InfoOf(file));
    WriteFile("p.dpf", file);
    int h = IStuffDPF->Open("p.dpf");
    log.Mark();
    EXPECT_EQ("<none>", Load(h, "T", "b"));
    EXPECT_NE(std::string::npos, Log().find("Warning: datablock was not found"));
    EXPECT_EQ(ErrorCode::kCorrupted, qnl::LastError().code);
    EXPECT_STREQ("a block header is cut off by the end of the file.", qnl::LastError().reason);
    IStuffDPF->Close(h);

    // The conversion's reason outlives Open's own message about it.
    WriteFile("old.dpf", std::string("DPFv3.0\0", 8) + std::string(248, '\0') + ".Block");
    EXPECT_EQ(0, IStuffDPF->Open("old.dpf"));
    EXPECT_EQ(ErrorCode::kCorrupted, qnl::LastError().code);
    EXPECT_STREQ("a block marker is cut off by the end of the file.", qnl::LastError().reason);
}
