// Fuzz target for the resource loaders: the first input byte picks a
// loader, the rest is the payload of a block of its type, stored (no
// compression) in a fresh package in memory, which the loader then reads
// through IStuffDPF like any game would. A loader may refuse the payload;
// it must never read outside it or allocate more than it could describe.
//
// A resource kind adds a row to kLoaders: its block type and a function
// that loads block "r" from the open package, uses what it loaded a little,
// and frees it.
#include <quenlar/gfx/tileblock_private.h>
#include <quenlar/quenlar.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
typedef void (*LoaderFn)(int handle);

void LoadImage(int handle) {
    if (SDL_Surface *s = IImage->Load(handle, "r")) SDL_FreeSurface(s);
}

// Loads font "r" and draws with it: the tables it read steer every blit.
void LoadFont(int handle) {
    CFont font;
    if (font.Load(handle, "r") != 1) return;
    SDL_Surface *target =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 64, 16, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_Rect clip = {3, 2, 40, 10};
    font.PutStringCursor(target, -2, 1, "Ag ~|!\x7F\xE9", 3, &clip);
    font.PutString(target, 5, -3, "The quick brown fox");
    SDL_FreeSurface(target);
}

// A target of its own, since there is no screen.
SDL_Surface *Target() {
    static SDL_Surface *target =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 64, 64, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    return target;
}

template <const char *type> void LoadSprite(int handle) {
    CSprite sprite;
    if (sprite.Load(handle, "r", type) <= 0) return;
    sprite.SetPosition(-3, 5);
    for (int i = 0; i < 3; ++i) {
        sprite.SetAnimation(i);
        sprite.Draw(Target());
    }
}

template <const char *type> void LoadTile(int handle) {
    CTile tile;
    if (!tile.Load(handle, "r", type)) return;
    tile.Draw(Target(), 1);
    tile.Draw(Target(), 1000);
    tile.SetTileSet(true, 3, 2);
    tile.Draw(Target(), 2);
}
constexpr char kSpr2[] = "SPR2", kSpr[] = "SPR", kTile2[] = "TILE2", kTilb2[] = "TILB2",
               kTile[] = "TILE", kTilb[] = "TILB";

// Button "r": the payload is its description; its state images are tiles
// added here (a slider's knob narrower than its track). The button is then
// driven through every state, drawn on a screen of its own and dumped.
void AddImage(int handle, const char *name, int w) {
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, 12, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    SDL_FillRect(s, nullptr, 0x336699);
    std::vector<Uint8> tile = qnl::EncodeTileBlock(qnl::TileBlock(), s, qnl::kNoColorKey, 255);
    SDL_FreeSurface(s);
    DPFBlock b;
    std::memset(&b, 0, sizeof b);
    std::strcpy(b.name, name);
    std::strcpy(b.type, "TILB2");
    b.mode = 1;
    b.size = (unsigned int)tile.size();
    b.data = reinterpret_cast<char *>(tile.data());
    IStuffDPF->AddData(handle, &b);
}

void LoadButton(int handle) {
    DPFBlock b;
    std::memset(&b, 0, sizeof b);
    const int size = IStuffDPF->LoadBlock(handle, "BUT", "r", &b);
    const bool slider = size > 6 && b.data[6] == BT_SLIDER;
    delete[] b.data;
    AddImage(handle, "r_n", 60);
    AddImage(handle, "r_p", slider ? 8 : 60);
    AddImage(handle, "r_o", 60);
    AddImage(handle, "r_s", 60);
    const int id = IButton->Load(handle, "r", 0);
    SDL_Surface *screen = Quenlar.screen;
    Quenlar.screen = Target();
    const struct {
        Sint32 x, y;
        Uint8 buttons, before;
    } steps[] = {{30, 6, 0, 0}, {30, 6, 1, 0}, {40, 6, 1, 1}, {-900, 6, 1, 1}, {30, 6, 0, 1}};
    for (const auto &step : steps) {
        Quenlar.mousex = step.x, Quenlar.mousey = step.y;
        Quenlar.mousebuttons = step.buttons, Quenlar.lastmousebuttons = step.before;
        IButton->Update();
        Quenlar.Refresh(1);
        IButton->Draw();
    }
    for (int state : {BS_PRESSED, BS_ACTION, BS_SELECTED, BS_DISABLED, BS_NORMAL}) {
        IButton->SetState(id, state);
        IButton->Draw();
    }
    IButton->SetPosition(id, -5, 7);
    IButton->SetValue(id, 3);
    IButton->Draw();
    IButton->Info(-1);
    Quenlar.screen = screen;
    IButton->Remove();
}

struct Loader {
    const char *type;
    LoaderFn load;
};
const Loader kLoaders[] = {
    {"IMG", LoadImage},
    {"FONT2", LoadFont},
    {"FONT", LoadFont}, // converted to "FONT2" in the package first
    {"SPR2", LoadSprite<kSpr2>},
    {"SPR", LoadSprite<kSpr>}, // converted to "SPR2" in the package first
    {"TILE2", LoadTile<kTile2>},
    {"TILB2", LoadTile<kTilb2>},
    {"TILE", LoadTile<kTile>},
    {"TILB", LoadTile<kTilb>},
    {"BUT", LoadButton},
};

std::string g_package;

void Stop() {
    Quenlar.Quit();
    remove(g_package.c_str());
}

bool Start() {
    // In memory where possible: every input writes a package.
    const char *dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    g_package = std::string(dir) + "/quenlar-fuzz-resources-" + std::to_string(getpid()) + ".dpf";
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (Quenlar.Init(SDL_INIT_VIDEO) != 1) return false;
    atexit(Stop);
    return true;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static const bool started = Start();
    if (!started || size < 1) return 0;
    const Loader &loader = kLoaders[data[0] % (sizeof kLoaders / sizeof kLoaders[0])];

    remove(g_package.c_str());
    const int handle = IStuffDPF->Create(g_package.c_str());
    if (handle <= 0) return 0;
    DPFBlock block;
    std::memset(&block, 0, sizeof block);
    std::strcpy(block.name, "r");
    std::strcpy(block.type, loader.type);
    block.mode = 1; // stored: the loader sees exactly these bytes
    block.size = (unsigned int)(size - 1);
    // The payload in a buffer of its own size, so that a read past it is seen.
    char *payload = new char[size - 1 ? size - 1 : 1];
    std::memcpy(payload, data + 1, size - 1);
    block.data = payload;
    if (IStuffDPF->AddData(handle, &block) > 0) loader.load(handle);
    delete[] payload;
    IStuffDPF->Close(handle);
    return 0;
}
