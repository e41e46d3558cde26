// examples/buttons in a real window under a virtual X server, clicked and
// typed at with xdotool; it must print what was done to it. The screenshot
// is kept in build/test-artifacts.
#include "support.h"

#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <unistd.h>

using namespace testing_support;

namespace {
struct Box {
    int id, x, y, w, h;
};

// Polls `file` until it holds `text` or `seconds` have passed.
bool WaitFor(const std::string &file, const std::string &text, int seconds = 10) {
    for (int i = 0; i < seconds * 20; ++i) {
        if (ReadFile(file).find(text) != std::string::npos) return true;
        usleep(50 * 1000);
    }
    return false;
}

// The "layout NAME ID X Y W H" lines.
std::map<std::string, Box> Layout(const std::string &out) {
    std::map<std::string, Box> boxes;
    std::istringstream lines(out);
    std::string word, name;
    Box b;
    while (lines >> word)
        if (word == "layout" && lines >> name >> b.id >> b.x >> b.y >> b.w >> b.h) boxes[name] = b;
    return boxes;
}
} // namespace

TEST(ButtonsExample, ReportsTheClicksMadeOnIt) {
    XServer x("640x480x24");
    if (!x.Available()) GTEST_SKIP() << "Xvfb is not installed; whole-window test skipped";
    TempDir dir;
    ChildProcess example({"/bin/sh", "-c", "exec \"$0\" >out.txt 2>err.txt", Program("buttons")},
                         dir.path(), {"SDL_VIDEODRIVER", "DISPLAY=" + x.Display()});
    RunResult search = x.Client({"xdotool", "search", "--sync", "--name", "^Quenlar buttons$"});
    ASSERT_EQ(0, search.status) << ReadFile("err.txt");
    const std::string window = search.out.substr(0, search.out.find('\n'));
    ASSERT_TRUE(WaitFor("out.txt", "layout name ")) << ReadFile("err.txt");
    std::map<std::string, Box> boxes = Layout(ReadFile("out.txt"));
    ASSERT_EQ(7u, boxes.size()) << ReadFile("out.txt");

    // Over the button for a few logic steps, then a press of a tenth of a second.
    const auto click = [&](const Box &b, int dx) {
        x.Client({"xdotool", "mousemove", "--window", window, std::to_string(b.x + dx),
                  std::to_string(b.y + b.h / 2)});
        usleep(200 * 1000);
        x.Client({"xdotool", "mousedown", "1"});
        usleep(100 * 1000);
        x.Client({"xdotool", "mouseup", "1"});
    };
    for (const char *name : {"ok", "icon", "fancy", "sound"}) {
        const Box &b = boxes[name];
        click(b, b.w / 2);
        EXPECT_TRUE(
            WaitFor("out.txt", std::string("pressed ") + name + " " + std::to_string(b.id) + "\n"))
            << name << ":\n"
            << ReadFile("out.txt");
    }
    EXPECT_TRUE(WaitFor("out.txt", "checked sound " + std::to_string(boxes["sound"].id) + " 1\n"));
    // The slider's left end: value 0; and the progress bar reports nothing.
    const Box &volume = boxes["volume"];
    click(volume, 26);
    EXPECT_TRUE(WaitFor("out.txt", "value volume " + std::to_string(volume.id) + " 0\n"))
        << ReadFile("out.txt");
    click(boxes["level"], 5);

    const Box &name = boxes["name"];
    x.Client({"xdotool", "mousemove", "--window", window, std::to_string(name.x + 10),
              std::to_string(name.y + 10)});
    usleep(200 * 1000);
    x.Client({"xdotool", "type", "--delay", "200", "hi"});
    EXPECT_TRUE(WaitFor("out.txt", "text name 'hi'\n")) << ReadFile("out.txt");

    x.Client({"import", "-window", window, ArtifactPath("buttons-example.png")});
    EXPECT_EQ(0, x.Client({"xdotool", "windowfocus", "--sync", window}).status);
    EXPECT_EQ(0, x.Client({"xdotool", "key", "Escape"}).status);
    EXPECT_EQ(0, example.Wait(10));
    EXPECT_EQ(std::string::npos, ReadFile("out.txt").find("pressed level"));
}
