// overlays: the developer overlays in a running game.
//
//   overlays [--frames N] [LINE...]
//
// A 640x480 window of bouncing, spinning sprites. The back-quote key shows
// and hides the console; "help" lists its commands, "spawn N" adds N
// sprites, "debug ..." controls the debug window, which watches the frame
// count, the number of sprites and the first sprite's angle and can be
// dragged with the mouse. The game logs through LOG_CONSOLE, so its log
// lines show in the console too. Each LINE is entered in the console at
// start. Escape or closing the window ends it (--frames N: after N logic
// steps); the console's text is then written to "console.txt" and the log
// is "overlays.log", both in the working directory. Exit status 0, or 1
// when the window cannot be opened.
#include <quenlar/quenlar.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kWidth = 640, kHeight = 480;
constexpr int kMostSprites = 500;
constexpr int kPictureSide = 32;

struct Sprite {
    double x, y;        // top-left corner of the unturned picture, pixels
    double dx, dy;      // pixels per logic step
    double angle, spin; // degrees, degrees per logic step
    double zoom, pulse; // the scale swings around 1 with the phase `pulse`
};

// A four-pointed star in orange with a yellow core, on the colour key.
SDL_Surface *MakePicture() {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, kPictureSide, kPictureSide, 32, 0xFF0000,
                                          0x00FF00, 0x0000FF, 0);
    if (!s) return nullptr;
    const Uint32 key = SDL_MapRGB(s->format, 255, 0, 255);
    SDL_FillRect(s, nullptr, key);
    SDL_SetColorKey(s, SDL_SRCCOLORKEY, key);
    const double c = (kPictureSide - 1) / 2.0;
    SDL_LockSurface(s);
    for (int y = 0; y < kPictureSide; ++y) {
        Uint32 *row = reinterpret_cast<Uint32 *>(static_cast<Uint8 *>(s->pixels) + y * s->pitch);
        for (int x = 0; x < kPictureSide; ++x) {
            const double ax = std::fabs(x - c), ay = std::fabs(y - c);
            const double star = std::sqrt(ax) + std::sqrt(ay); // a concave diamond
            if (star > std::sqrt(c) * 1.4) continue;
            const double r = std::sqrt(ax * ax + ay * ay) / c;
            row[x] = SDL_MapRGB(s->format, 255, (Uint8)(230 - 130 * r), (Uint8)(60 * (1 - r)));
        }
    }
    SDL_UnlockSurface(s);
    return s;
}

class Game {
public:
    bool Start();
    void Run(long frames);
    void Finish();

private:
    int Spawn(const ConsoleWords &words);
    void Step();
    void Draw();

    SDL_Surface *picture_ = nullptr;
    std::vector<Sprite> sprites_;
    Sint32 frames_ = 0, spriteCount_ = 0;
    double angle_ = 0.0; // the first sprite's, for the debug window
    cConsole *console_ = nullptr;
};

bool Game::Start() {
    ILogSystem.Init("overlays.log", LOG_NEWFILE | LOG_CONSOLE, 2, "Quenlar overlays example");
    if (Quenlar.Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0) return false;
    Quenlar.title = "Quenlar overlays example";
    Quenlar.resolutionx = kWidth;
    Quenlar.resolutiony = kHeight;
    Quenlar.window = 1;
    Quenlar.mtfriendly = 1;
    if (!Quenlar.SetVideoMode()) {
        std::fprintf(stderr, "overlays: no window (see overlays.log)\n");
        Quenlar.Quit();
        return false;
    }
    ITimeSystem->Init(0);
    ITimeSystem->SetRate(60, 20);

    // The overlays stay inert until a game validates them.
    console_ = Quenlar.GetConsole();
    cDebugWO *debug = Quenlar.GetDebugWindow();
    console_->Validate();
    console_->AddCommand("spawn", "Add N bouncing sprites (spawn N)",
                         [this](const ConsoleWords &words) { return Spawn(words); });
    debug->Validate();
    debug->AddWatch("frames", &frames_);
    debug->AddWatch("sprites", &spriteCount_);
    debug->AddWatch("angle", &angle_);
    debug->Show(1);

    picture_ = MakePicture();
    if (!picture_) {
        Quenlar.Quit();
        return false;
    }
    std::srand(5);
    ILogSystem.Msg(2, " . [Overlays] Info: press ` for the console, then try help\n");
    return true;
}

// "spawn N": N more sprites, as many as fit under the limit.
int Game::Spawn(const ConsoleWords &words) {
    const int asked = words.size() == 2 ? std::atoi(words[1].c_str()) : 0;
    if (asked < 1) return 0; // the console answers with its syntax error
    const int room = kMostSprites - (int)sprites_.size();
    const int added = asked < room ? asked : room;
    for (int i = 0; i < added; ++i) {
        Sprite s;
        s.x = std::rand() % (kWidth - kPictureSide);
        s.y = std::rand() % (kHeight - kPictureSide);
        s.dx = (std::rand() % 9 - 4) + 0.5;
        s.dy = (std::rand() % 9 - 4) + 0.5;
        s.angle = std::rand() % 360;
        s.spin = std::rand() % 21 - 10;
        s.zoom = 1.0;
        s.pulse = (std::rand() % 628) / 100.0;
        sprites_.push_back(s);
    }
    spriteCount_ = (Sint32)sprites_.size();
    console_->Print(" Spawned %d sprites (%d in all)", added, spriteCount_);
    ILogSystem.Msg(2, " . [Overlays] Info: %d sprites spawned\n", added);
    return 1;
}

void Game::Step() {
    ++frames_;
    for (Sprite &s : sprites_) {
        s.x += s.dx;
        s.y += s.dy;
        if (s.x < 0 || s.x > kWidth - kPictureSide) s.dx = -s.dx;
        if (s.y < 0 || s.y > kHeight - kPictureSide) s.dy = -s.dy;
        s.angle = std::fmod(s.angle + s.spin + 360.0, 360.0);
        s.pulse += 0.15;
        s.zoom = 1.0 + 0.35 * std::sin(s.pulse);
    }
    angle_ = sprites_.empty() ? 0.0 : sprites_[0].angle;
}

void Game::Draw() {
    SDL_Surface *screen = Quenlar.screen;
    SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 24, 28, 40));
    for (const Sprite &s : sprites_) {
        SDL_Rect at = {(Sint16)s.x, (Sint16)s.y, kPictureSide, kPictureSide};
        IScreenFX->RotoZoom(picture_, false, s.angle, s.zoom, nullptr, screen, &at);
    }
    // The scene changed: the overlays draw over it on the next frame.
    Quenlar.Refresh(1);
}

void Game::Run(long frames) {
    while (!Quenlar.KeyDown(SDLK_ESCAPE) && !Quenlar.QuitRequested()) {
        if (frames >= 0 && frames_ >= frames) break;
        Step();
        Draw();
        while (Quenlar.Update() != 0) {
        }
    }
}

// Keeps the console's text for whoever looks afterwards.
void Game::Finish() {
    if (FILE *out = std::fopen("console.txt", "w")) {
        for (const std::string &line : console_->GetLines())
            std::fprintf(out, "%s\n", line.c_str());
        std::fclose(out);
    }
    SDL_FreeSurface(picture_);
    Quenlar.Quit();
}

} // namespace

int main(int argc, char **argv) {
    long frames = -1;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--frames") == 0) {
        frames = std::atol(argv[2]);
        first = 3;
    }
    Game game;
    if (!game.Start()) return 1;
    cConsole *console = Quenlar.GetConsole();
    for (int i = first; i < argc; ++i) {
        console->Print("%s", argv[i]); // as if typed
        console->Execute(argv[i]);
    }
    game.Run(frames);
    game.Finish();
    return 0;
}
