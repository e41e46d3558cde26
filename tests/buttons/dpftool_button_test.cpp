// dpftool add-button run as a user runs it: every kind made from pictures,
// loaded back here through IButton; what it refuses leaves the package alone.
#include "video/engine_fixture.h"

#include <quenlar/gfx/pngwriter.h>

using namespace testing_support;

namespace {
RunResult Tool(std::vector<std::string> args) {
    args.insert(args.begin(), Program("dpftool"));
    return Run(args);
}

void WritePicture(const char *file, int w, int h, Uint32 color) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(s, nullptr, color);
    qnl::SavePNG(s, file);
    SDL_FreeSurface(s);
}

// The three pictures every kind needs, as options.
std::vector<std::string> Images(const char *n, const char *p, const char *o) {
    return {"--normal", n, "--pressed", p, "--off", o};
}
std::vector<std::string> Add(const char *name, const char *kind,
                             std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"add-button", "pack.dpf", name, "--kind", kind};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}
std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string> &b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
} // namespace

class DpftoolButton : public EngineTest {
protected:
    void SetUp() override {
        WritePicture("n.png", 40, 20, 0x2040C0);
        WritePicture("p.png", 40, 20, 0xC04020);
        WritePicture("o.png", 40, 20, 0x808080);
        WritePicture("s.png", 40, 20, 0x20C040);
        WritePicture("track.png", 120, 16, 0x2040C0);
        WritePicture("knob.png", 12, 16, 0xC04020);
        WritePicture("track_off.png", 120, 16, 0x808080);
        WritePicture("wide.png", 41, 20, 0xC04020);
    }
};

TEST_F(DpftoolButton, MakesEveryKindFromPictures) {
    const std::vector<std::string> images = Images("n.png", "p.png", "o.png");
    const std::vector<std::vector<std::string>> commands = {
        Add("ok", "normal",
            {"--key", "return", "--x", "10", "--y", "-20", "--select-colour", "255,255,0"}) +
            images,
        Add("icon", "icon") + images,
        Add("fancy", "complex", {"--select", "s.png", "--key", "f1"}) + images,
        Add("volume", "slider", {"--range", "10", "--value", "4"}) +
            Images("track.png", "knob.png", "track_off.png"),
        Add("bar", "progress", {"--range", "5", "--value", "2"}) + images,
        Add("sound", "check", {"--key", "S"}) + images,
        Add("name", "input", {"--margins", "2,3"}) + images,
    };
    for (const auto &command : commands) {
        RunResult r = Tool(command);
        EXPECT_EQ(0, r.status) << command[2] << ": " << r.err;
    }
    RunResult list = Tool({"list", "pack.dpf"});
    for (const char *line :
         {"button, normal, key 'return', at 10,-20, select box #FFFF00", "button, icon, no key",
          "button, complex, key 'f1'", "button, slider, no key, at 0,0, range 10, value 4",
          "button, progress bar, no key, at 0,0, range 5, value 2", "button, check, key 's'",
          "button, input box, no key, at 0,0, margins 2,3"})
        EXPECT_NE(std::string::npos, list.out.find(line)) << line << "\n" << list.out;
    EXPECT_EQ(0, Tool({"preview", "pack.dpf", "volume", "BUT", "volume.png"}).status);
    EXPECT_TRUE(FileExists("volume.png"));

    Start();
    const int handle = IStuffDPF->Open("pack.dpf");
    int id = 0;
    for (const char *name : {"ok", "icon", "fancy", "volume", "bar", "sound", "name"})
        EXPECT_EQ(++id, IButton->Load(handle, name, 0)) << name;
    IStuffDPF->Close(handle);
    EXPECT_EQ(4, IButton->GetValue(4));
    EXPECT_EQ(12, IButton->GetSurface(4, BS_PRESSED)->w);
    EXPECT_NE(nullptr, IButton->GetSurface(3, BS_SELECTED));
    IButton->Remove();
}

TEST_F(DpftoolButton, RefusesWhatWouldNotMakeTheButton) {
    ASSERT_EQ(0, Tool(Add("ok", "normal") + Images("n.png", "p.png", "o.png")).status);
    const std::string before = ReadFile("pack.dpf");
    const struct {
        std::vector<std::string> args;
        int status;
        const char *says;
    } cases[] = {
        {Add("ok", "normal") + Images("n.png", "p.png", "o.png"), 1, "exists already"},
        {Add("x", "normal") + Images("n.png", "p.png", "none.png"), 1, "none.png"},
        {Add("x", "normal", {"--select", "s.png"}) + Images("n.png", "p.png", "o.png"), 2,
         "no select image"},
        {Add("x", "complex") + Images("n.png", "p.png", "o.png"), 2, "needs --select"},
        {Add("x", "check") + Images("n.png", "wide.png", "o.png"), 1,
         "the pressed image is 41x20 pixels, the normal image 40x20"},
        {Add("x", "normal", {"--key", "enter-ish"}) + Images("n.png", "p.png", "o.png"), 2,
         "unknown key 'enter-ish'"},
        {Add("x", "slider", {"--key", "a", "--range", "3"}) +
             Images("track.png", "knob.png", "track_off.png"),
         2, "takes no --key"},
        {Add("x", "slider", {"--range", "0"}) + Images("track.png", "knob.png", "track_off.png"), 2,
         "--range from 1"},
        {Add("x", "progress", {"--range", "4", "--value", "5"}) + Images("n.png", "p.png", "o.png"),
         2, "--value must be from 0"},
        {Add("x", "slider", {"--range", "3"}) + Images("n.png", "knob.png", "o.png"), 1,
         "a slider's track needs more than 50"},
        {Add("x", "input", {"--margins", "20,0"}) + Images("n.png", "p.png", "o.png"), 1,
         "leave no room for text"},
        {Add("x", "round") + Images("n.png", "p.png", "o.png"), 2, "unknown kind 'round'"},
    };
    for (const auto &c : cases) {
        RunResult r = Tool(c.args);
        EXPECT_EQ(c.status, r.status) << c.says;
        EXPECT_NE(std::string::npos, r.err.find(c.says)) << r.err;
    }
    EXPECT_EQ(before, ReadFile("pack.dpf"));
    EXPECT_EQ(0,
              Tool(Add("ok", "normal", {"--replace"}) + Images("p.png", "n.png", "o.png")).status);
}
