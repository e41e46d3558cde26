// Pointer and keys turned into states and reported activations.
#include "button_fixture.h"

namespace {
int g_calls = 0;
Uint32 g_words = 0;
void Count(Uint32 first, Uint32 second) {
    ++g_calls;
    g_words = first + second;
}
} // namespace

class ButtonInput : public ButtonTest {
protected:
    void SetUp() override {
        ButtonTest::SetUp();
        g_calls = 0;
        g_words = 0;
    }
};

TEST_F(ButtonInput, AClickReportsOnceOnReleaseInside) {
    const int id = Make("ok", Desc(BT_NORMAL, 10, 10));
    ASSERT_EQ(1, id);
    IButton->SetCallback(id, Count, 3, 4);
    MoveTo(20, 15);
    EXPECT_EQ(-1, Frame());
    EXPECT_EQ(BS_SELECTED, IButton->GetState(id));
    EXPECT_EQ(-1, Hold());
    EXPECT_EQ(BS_PRESSED, IButton->GetState(id));
    Release();
    EXPECT_EQ(id, Frame());
    EXPECT_EQ(1, g_calls);
    EXPECT_EQ(7u, g_words);
    EXPECT_EQ(-1, Frame());
    EXPECT_EQ(BS_SELECTED, IButton->GetState(id));

    // A click shorter than a logic step counts the same.
    EXPECT_EQ(id, Click());
    EXPECT_EQ(2, g_calls);

    // A draw more in the same step reports nothing more.
    Press();
    Release();
    Frame();
    Step();
    EXPECT_EQ(id, IButton->Draw());
    EXPECT_EQ(-1, Redraw());
    EXPECT_EQ(3, g_calls);
}

TEST_F(ButtonInput, OnlyAReleaseOverTheButtonReports) {
    const int id = Make("ok", Desc(BT_NORMAL, 10, 10));
    IButton->SetCallback(id, Count);
    // Pressed inside, released outside: nothing.
    MoveTo(20, 15);
    Hold();
    EXPECT_EQ(BS_PRESSED, IButton->GetState(id));
    MoveTo(100, 100);
    Hold();
    EXPECT_EQ(BS_NORMAL, IButton->GetState(id));
    Release();
    EXPECT_EQ(-1, Frame());
    EXPECT_EQ(-1, Frame());
    // The hit box is strict: the corner pixel is outside.
    MoveTo(10, 10);
    EXPECT_EQ(-1, Click());
    // Pressed outside, released inside: the release counts.
    MoveTo(100, 100);
    Hold();
    MoveTo(20, 15);
    Hold();
    Release();
    EXPECT_EQ(id, Frame());
    EXPECT_EQ(1, g_calls);
}

TEST_F(ButtonInput, DisabledButtonsAndOtherMouseButtonsDoNothing) {
    const int id = Make("ok", Desc(BT_NORMAL, 10, 10));
    IButton->SetCallback(id, Count);
    MoveTo(20, 15);
    IButton->SetState(id, BS_DISABLED);
    EXPECT_EQ(-1, Click());
    EXPECT_EQ(BS_DISABLED, IButton->GetState(id));

    IButton->SetState(id, BS_NORMAL);
    EXPECT_EQ(-1, Click(SDL_BUTTON_RIGHT));
    IButton->SetMouseMask(id, SDL_BUTTON_RMASK);
    EXPECT_EQ(-1, Click(SDL_BUTTON_LEFT));
    EXPECT_EQ(id, Click(SDL_BUTTON_RIGHT));
    EXPECT_EQ(1, g_calls);
}

TEST_F(ButtonInput, AssociatedKeyPressesThenActs) {
    ButtonDesc d = Desc(BT_NORMAL, 10, 10);
    d.key = SDLK_RETURN;
    const int id = Make("ok", d);
    IButton->SetCallback(id, Count);
    MoveTo(200, 200);

    // A tap: pressed for its step, acting when released.
    Tap(SDLK_RETURN);
    EXPECT_EQ(-1, Frame());
    EXPECT_EQ(BS_PRESSED, IButton->GetState(id));
    EXPECT_EQ(id, Frame());
    EXPECT_EQ(-1, Frame());

    // Held: pressed for 120 ms, then one step of action, again and again;
    // letting go after an act does not act once more.
    SetKey(SDLK_RETURN, true);
    std::vector<int> reports;
    for (int step = 0; step < 8; ++step) // 0, 50, ... 350 ms
        reports.push_back(Frame());
    SetKey(SDLK_RETURN, false);
    reports.push_back(Frame());
    EXPECT_EQ((std::vector<int>{-1, -1, -1, id, -1, -1, -1, id, -1}), reports);
    EXPECT_EQ(0, g_calls); // a key's activation runs no callback
}

TEST_F(ButtonInput, HigherLayersWinAndOnlyClicksRunCallbacks) {
    ButtonDesc d = Desc(BT_NORMAL, 100, 100);
    d.key = SDLK_a;
    const int byKey = Make("key", d);
    IButton->SetCallback(byKey, Count);
    IButton->SetWorkingLayer(1);
    IButton->SetLayerVisible(0, 1);
    const int byPointer = Make("pointer", Desc(BT_NORMAL, 10, 10));
    IButton->SetCallback(byPointer, Count, 5, 0);
    MoveTo(20, 15);
    Press();
    Release();
    Tap(SDLK_a);
    Frame();
    EXPECT_EQ(byPointer, Frame());
    EXPECT_EQ(1, g_calls);
    EXPECT_EQ(5u, g_words);
}

TEST_F(ButtonInput, CheckButtonsToggleOncePerClick) {
    const int id = Make("check", Desc(BT_CHECK, 10, 10));
    MoveTo(20, 15);
    EXPECT_EQ(BS_NORMAL, IButton->GetState(id));
    EXPECT_EQ(id, Click());
    EXPECT_EQ(BS_PRESSED, IButton->GetState(id)); // checked
    Frame();
    EXPECT_EQ(BS_PRESSED, IButton->GetState(id));
    EXPECT_EQ(id, Click());
    EXPECT_EQ(BS_NORMAL, IButton->GetState(id));
}

TEST_F(ButtonInput, ACallbackMayRemoveItsOwnButton) {
    const int id = Make("check", Desc(BT_CHECK, 10, 10));
    IButton->SetCallback(id, [](Uint32, Uint32) { IButton->Remove(); });
    MoveTo(20, 15);
    EXPECT_EQ(id, Click());
    EXPECT_EQ(-1, IButton->GetState(id));
    EXPECT_EQ(-1, Frame());
}

TEST_F(ButtonInput, SlidersFollowTheDragAndClampAtTheEnds) {
    // A 250-pixel track at x = 20 with 10 steps: a step every 20 pixels.
    AddImages("volume", BT_SLIDER, 250, 20, 20);
    AddBlock("volume", "BUT", qnl::EncodeButtonDesc(Desc(BT_SLIDER, 20, 50, 10, 0)));
    const int id = IButton->Load(handle, "volume", 0);
    ASSERT_EQ(1, id);
    MoveTo(20 + 25 + 94, 60); // nearest step: 5
    Hold();
    EXPECT_EQ(5, IButton->GetValue(id));
    MoveTo(20 + 25 + 185, 60);
    Hold();
    EXPECT_EQ(9, IButton->GetValue(id));
    // Past either end, even off the track's height, while held.
    MoveTo(310, 5);
    Hold();
    EXPECT_EQ(10, IButton->GetValue(id));
    MoveTo(0, 100);
    Hold();
    EXPECT_EQ(0, IButton->GetValue(id));
    MoveTo(20 + 25 + 41, 60);
    Hold();
    EXPECT_EQ(2, IButton->GetValue(id));
    Release();
    EXPECT_EQ(id, Frame()); // let go over the track
    MoveTo(300, 200);
    EXPECT_EQ(-1, Click());
    EXPECT_EQ(2, IButton->GetValue(id));
}

TEST_F(ButtonInput, InputBoxesTakeTypedTextWhileHovered) {
    // Box 40 x 20 with margins 2, 3: a 35 x 14 text rectangle.
    CFont font;
    SDL_Surface *sheet = SDL_CreateRGBSurface(SDL_SWSURFACE, 94 * 4 + 1, 8, 32, 0xFF0000, 0xFF00,
                                              0xFF, 0); // 94 glyphs of 3 x 8, one column apart
    for (int c = 0; c < 94; ++c) {
        SDL_Rect glyph = {(Sint16)(1 + 4 * c), 0, 3, 8};
        SDL_FillRect(sheet, &glyph, 0xFFFFFF);
    }
    ASSERT_EQ(96, font.Create(sheet));
    SDL_FreeSurface(sheet);

    ButtonDesc d = Desc(BT_INPUTBOX, 10, 10, 3, 2);
    const int box = Make("name", d);
    IButton->SetFont(box, &font);
    ButtonDesc k = Desc(BT_NORMAL, 100, 100);
    k.key = SDLK_b;
    const int other = Make("other", k);

    MoveTo(20, 15);
    Frame();
    EXPECT_EQ(BS_SELECTED, IButton->GetState(box));
    // A tap, its key-up polled in the next step, then past the repeat delay.
    const auto type = [&](SDLKey key) {
        Tap(key);
        EXPECT_EQ(-1, Frame());
        EXPECT_EQ(-1, Frame());
        clock.Advance(200);
    };
    for (SDLKey key : {SDLK_a, SDLK_b, SDLK_c, SDLK_BACKSPACE, SDLK_d})
        type(key);
    EXPECT_STREQ("abd", IButton->GetText(box)); // and `other`, whose key is "b", did nothing

    // Clicks do not press it; the rectangle stops the text: 8 glyphs of 4.
    EXPECT_EQ(-1, Click());
    for (int i = 0; i < 12; ++i)
        type(SDLK_x);
    EXPECT_STREQ("abdxxxxx", IButton->GetText(box));

    // Without focus the box leaves the keys alone.
    MoveTo(200, 200);
    Frame();
    Tap(SDLK_b);
    Frame();
    EXPECT_EQ(other, Frame());
    EXPECT_STREQ("abdxxxxx", IButton->GetText(box));

    // A box with room for more holds 31 characters, then takes no more.
    const int wide = Make("wide", Desc(BT_INPUTBOX, 10, 150), 300, 20);
    IButton->SetFont(wide, &font);
    IButton->SetText(wide, std::string(30, 'w').c_str());
    MoveTo(50, 160);
    Frame();
    type(SDLK_x);
    type(SDLK_y);
    EXPECT_EQ(std::string(30, 'w') + "x", IButton->GetText(wide));
    IButton->Remove(); // before the font goes
}
