#include "launcher/e2e_player.h"

#include <SDL_image.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using testing_support::ArtifactPath;
using testing_support::ChildProcess;
using testing_support::XServer;

namespace e2e {

namespace {
constexpr int kSliderMargin = 25; // IButton's track pixels at each end that the knob never covers
constexpr int kLogicStepMs = 50;  // the launcher's 20 logic steps a second

// Whether `shot` shows the opaque pixels of `picture` with its top-left
// corner at x, y; pixels inside `hidden` (where the pointer is drawn) are
// not compared.
bool Shows(const Picture &shot, const Picture &picture, int x, int y, const SDL_Rect &hidden) {
    if (!picture.Valid()) return false;
    for (int py = 0; py < picture.h(); ++py)
        for (int px = 0; px < picture.w(); ++px) {
            const int sx = x + px, sy = y + py;
            if (sx >= hidden.x && sx < hidden.x + hidden.w && sy >= hidden.y &&
                sy < hidden.y + hidden.h)
                continue;
            const Uint32 want = picture.At(px, py);
            if (want >> 24 != 0xFF) continue;
            if ((shot.At(sx, sy) | 0xFF000000) != want) return false;
        }
    return true;
}

const TiXmlElement *FindElement(const TiXmlElement *e, const std::string &name) {
    for (; e; e = e->NextSiblingElement()) {
        if (e->ValueStr() == name) return e;
        if (const TiXmlElement *inner = FindElement(e->FirstChildElement(), name)) return inner;
    }
    return nullptr;
}
} // namespace

void Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

bool WaitUntil(const std::function<bool()> &done, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Pause(50);
    }
    return true;
}

std::string MissingTools() {
    std::string missing;
    for (const char *tool : {"Xvfb", "xdotool", "import"})
        if (testing_support::Run({"sh", "-c", std::string("command -v ") + tool}).status != 0)
            missing += std::string(" ") + tool;
    return missing;
}

// ---------------------------------------------------------------------------
// Pictures
// ---------------------------------------------------------------------------
Picture::Picture(const std::string &path) : surface_(IMG_Load(path.c_str())) {}

Picture::~Picture() {
    SDL_FreeSurface(surface_);
}

Uint32 Picture::At(int x, int y) const {
    if (!surface_ || x < 0 || y < 0 || x >= surface_->w || y >= surface_->h) return 0;
    const int bpp = surface_->format->BytesPerPixel;
    const Uint8 *p = (const Uint8 *)surface_->pixels + y * surface_->pitch + x * bpp;
    Uint32 value = 0;
    for (int i = 0; i < bpp; ++i) // the pixel's bytes in memory order
        value |= (Uint32)p[i] << (SDL_BYTEORDER == SDL_LIL_ENDIAN ? 8 * i : 8 * (bpp - 1 - i));
    Uint8 r, g, b, a;
    SDL_GetRGBA(value, surface_->format, &r, &g, &b, &a);
    return (Uint32)a << 24 | (Uint32)r << 16 | (Uint32)g << 8 | b;
}

// ---------------------------------------------------------------------------
// The demo skin
// ---------------------------------------------------------------------------
DemoSkin::DemoSkin(const std::string &dir) : skin_(dir + "/skin/") {
    testing_support::RunResult pack = testing_support::Run(
        {"sh", std::string(QUENLAR_SOURCE_DIR) + "/demo/pack.sh", QUENLAR_BIN_DIR, dir});
    packed_ = pack.status == 0 && layout_.LoadFile(skin_ + "layout.xml");
    error_ = pack.err;
}

Widget DemoSkin::Get(const std::string &element, const std::string &picture) const {
    Widget w;
    w.element = element;
    w.picture = picture;
    if (const TiXmlElement *e = FindElement(layout_.RootElement(), element)) {
        e->QueryIntAttribute("x", &w.x);
        e->QueryIntAttribute("y", &w.y);
    }
    Picture normal(Path(picture + "_n.png"));
    w.w = normal.w();
    w.h = normal.h();
    return w;
}

// ---------------------------------------------------------------------------
// The player
// ---------------------------------------------------------------------------
Player::Player(const XServer &x, const DemoSkin &skin, std::string window)
    : x_(x), skin_(skin), window_(std::move(window)), cursor_(skin.Path("cursor.png")) {}

void Player::MoveTo(int x, int y) {
    x_.Client({"xdotool", "mousemove", "--window", window_, std::to_string(x), std::to_string(y)});
    pointerX_ = x, pointerY_ = y;
}

// The engine latches a press shorter than a logic step, not a release: a
// release and the next press within one step would read as the button
// held throughout, so the player lets two steps pass after a release.
void Player::Button(bool down) {
    x_.Client({"xdotool", down ? "mousedown" : "mouseup", "1"});
    if (!down) Pause(kLogicStepMs * 2 + 20);
}

// The software cursor is drawn right of and below the pointer: at the
// lower right corner it hides little of the widget. The launcher sees the
// release over the widget in its next logic step.
void Player::Click(const Widget &w) {
    MoveTo(w.x + w.w - 3, w.y + w.h - 3);
    Button(true);
    Pause(60);
    Button(false);
}

// IButton maps the pointer's x over the track, less 25 pixels at each
// end, to 0..255. The pointer runs along the track's lowest row, so that
// the cursor stays below the knob.
void Player::DragSlider(const Widget &slider, int value) {
    const int travel = slider.w - 2 * kSliderMargin;
    const int along = (value * travel + 254) / 255; // the first pixel that gives `value`
    const int y = slider.y + slider.h - 2;
    MoveTo(slider.x + slider.w / 2, y);
    Button(true);
    Pause(60);
    MoveTo(slider.x + kSliderMargin + along, y);
}

// Beside Exit, in the window's lower right corner.
void Player::Away() {
    MoveTo(425, 396);
}

SDL_Rect Player::Pointer() const {
    return SDL_Rect{(Sint16)pointerX_, (Sint16)pointerY_, (Uint16)cursor_.w(), (Uint16)cursor_.h()};
}

char Player::LookOf(const Picture &shot, const Widget &w) const {
    for (char look : {'n', 'p', 'o', 's'}) {
        Picture picture(skin_.Path(w.picture + "_" + look + ".png"));
        if (Shows(shot, picture, w.x, w.y, Pointer())) return look;
    }
    return '?';
}

testing::AssertionResult Player::Looks(const std::vector<std::pair<Widget, char>> &expected,
                                       const std::string &keep) {
    const std::string path =
        ArtifactPath("launcher-e2e-" + (keep.empty() ? "last" : keep) + ".png");
    std::string seen;
    const bool all = WaitUntil([&] {
        seen.clear();
        if (!x_.Screenshot(window_, path)) return false;
        Picture shot(path);
        bool match = shot.Valid();
        for (const auto &e : expected) {
            const char look = LookOf(shot, e.first);
            if (look != e.second) match = false;
            seen += " " + e.first.element + "=" + look;
        }
        return match;
    });
    if (all) return testing::AssertionSuccess();
    std::string want;
    for (const auto &e : expected)
        want += " " + e.first.element + "=" + e.second;
    return testing::AssertionFailure()
           << "wanted" << want << "\n  shown" << seen << "\n  (" << path << ")";
}

bool Player::KnobAt(const Widget &slider, int value) {
    const Picture knob(skin_.Path("slider_p.png"));
    const int travel = slider.w - 2 * kSliderMargin - knob.w();
    const int x = slider.x + kSliderMargin + travel * value / 255;
    const int y = slider.y + slider.h / 2 - knob.h() / 2;
    const std::string path = ArtifactPath("launcher-e2e-last.png");
    return WaitUntil([&] {
        if (!x_.Screenshot(window_, path)) return false;
        return Shows(Picture(path), knob, x, y, Pointer());
    });
}

// ---------------------------------------------------------------------------
// Processes
// ---------------------------------------------------------------------------
std::unique_ptr<ChildProcess> StartLauncher(const XServer &x, const std::string &dir,
                                            std::vector<std::string> env) {
    env.push_back("SDL_VIDEODRIVER"); // the launcher picks the X11 driver itself
    env.push_back("DISPLAY=" + x.Display());
    return std::unique_ptr<ChildProcess>(new ChildProcess(
        {"/bin/sh", "-c", "exec \"$0\" >out.txt 2>err.txt", testing_support::Program("setup")}, dir,
        env));
}

namespace {
// A child of this process named `name` (its /proc name), or 0.
pid_t FindChild(const std::string &name) {
    DIR *proc = opendir("/proc");
    if (!proc) return 0;
    pid_t found = 0;
    while (struct dirent *entry = readdir(proc)) {
        const pid_t pid = (pid_t)atoi(entry->d_name);
        if (pid <= 0) continue;
        // "PID (NAME) STATE PARENT ..."
        const std::string stat =
            testing_support::ReadFile("/proc/" + std::string(entry->d_name) + "/stat");
        const size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        char state = 0;
        int parent = 0;
        if (sscanf(stat.c_str() + close + 1, " %c %d", &state, &parent) == 2 &&
            parent == getpid() && stat.substr(open + 1, close - open - 1) == name) {
            found = pid;
            break;
        }
    }
    closedir(proc);
    return found;
}
} // namespace

bool Game::MakeSubreaper() {
    return prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
}

Game::~Game() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool Game::Found() {
    if (pid_ <= 0) pid_ = FindChild("demo-game");
    return pid_ > 0;
}

int Game::Wait(int seconds) {
    int status = -1;
    const auto ended = [&] {
        int s = 0;
        if (pid_ <= 0 || waitpid(pid_, &s, WNOHANG) != pid_) return false;
        status = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
        pid_ = 0;
        return true;
    };
    WaitUntil(ended, seconds);
    return status;
}

} // namespace e2e
