// What IButton->Draw puts on the screen for each kind and state, and when
// it draws at all.
#include "button_fixture.h"

TEST(ButtonDrawWithoutScreen, IsAnErrorEveryTime) {
    testing_support::TempDir dir;
    testing_support::LogCapture log(5);
    ASSERT_EQ(1, Quenlar.Init(SDL_INIT_TIMER));
    log.Mark();
    EXPECT_EQ(-1, IButton->Draw());
    EXPECT_EQ(-1, IButton->Draw());
    EXPECT_EQ(" . [IButton->Draw()] Error: Quenlar.screen was not initialized.\n"
              " . [IButton->Draw()] Error: Quenlar.screen was not initialized.\n",
              log.Body());
    Quenlar.Quit();
}

class ButtonDraw : public ButtonTest {};

TEST_F(ButtonDraw, NothingIsDrawnOrReportedWithoutARefreshRequest) {
    const int id = Make("ok", Desc(BT_NORMAL, 10, 10));
    MoveTo(20, 15);
    Press();
    Release();
    Frame();
    Step(); // the release: Action, and a refresh request
    Quenlar.Refresh(0);
    ClearScreen();
    EXPECT_EQ(-1, IButton->Draw());
    EXPECT_EQ(0u, At(20, 15));
    EXPECT_EQ(id, Redraw());
}

TEST_F(ButtonDraw, NormalAndComplexButtonsShowTheirStates) {
    ButtonDesc d = Desc(BT_NORMAL, 10, 10);
    d.selectColor = 0xFFFF00;
    const int plain = Make("plain", d);
    const int complex = Make("complex", Desc(BT_COMPLEX, 100, 10));
    Redraw();
    EXPECT_EQ(kNormalColor, At(10, 10));
    EXPECT_EQ(kNormalColor, At(110, 10));

    MoveTo(20, 15); // hovered: the select box on the hit box's edge
    Frame();
    EXPECT_EQ(0xFFFF00u, At(10, 10));
    EXPECT_EQ(0xFFFF00u, At(49, 29));
    EXPECT_EQ(kNormalColor, At(11, 11));
    Hold();
    EXPECT_EQ(kPressedColor, At(10, 10));
    MoveTo(110, 15);
    Release();
    Frame(); // the release over the Complex button activates it
    Frame();
    EXPECT_EQ(kNormalColor, At(10, 10));
    EXPECT_EQ(kSelectColor, At(110, 10));
    IButton->SetState(complex, BS_DISABLED);
    IButton->SetState(plain, BS_DISABLED);
    Frame();
    EXPECT_EQ(kOffColor, At(110, 10));
    EXPECT_EQ(kOffColor, At(10, 10));
}

TEST_F(ButtonDraw, SliderKnobSitsAlongTheTrack) {
    // A 250-pixel track, a 20-pixel knob of 10 pixels' height, 10 steps at 5.
    AddTile("s_n", 250, 20, kNormalColor);
    AddTile("s_p", 20, 10, kPressedColor);
    AddTile("s_o", 250, 20, kOffColor);
    AddBlock("s", "BUT", qnl::EncodeButtonDesc(Desc(BT_SLIDER, 10, 50, 10, 5)));
    const int id = IButton->Load(handle, "s", 0);
    Redraw();
    const int knob = 10 + 25 + 90;
    EXPECT_EQ(kNormalColor, At(knob - 1, 60));
    EXPECT_EQ(kPressedColor, At(knob, 55)); // centred: rows 55 to 64
    EXPECT_EQ(kPressedColor, At(knob + 19, 64));
    EXPECT_EQ(kNormalColor, At(knob, 54));
    EXPECT_EQ(kNormalColor, At(knob + 20, 60));
    IButton->SetValue(id, 10);
    Redraw();
    EXPECT_EQ(kPressedColor, At(10 + 250 - 25 - 1, 60));
}

TEST_F(ButtonDraw, ProgressBarsFillTheirCells) {
    const int id = Make("bar", Desc(BT_PROGRESSBAR, 10, 10, 5, 2), 10, 10);
    Redraw();
    const Uint32 expected[] = {kNormalColor,  kNormalColor,  kPressedColor,
                               kPressedColor, kPressedColor, 0};
    for (int cell = 0; cell < 6; ++cell)
        EXPECT_EQ(expected[cell], At(10 + 10 * cell + 5, 15)) << cell;
    // Moved, it can be hovered: it stays a bar.
    IButton->SetPosition(id, 20, 30);
    MoveTo(25, 35);
    ClearScreen();
    Frame();
    EXPECT_EQ(BS_SELECTED, IButton->GetState(id));
    EXPECT_EQ(kPressedColor, At(20 + 45, 35));
    IButton->SetState(id, BS_DISABLED);
    Redraw();
    for (int cell = 0; cell < 5; ++cell)
        EXPECT_EQ(kOffColor, At(20 + 10 * cell + 5, 35)) << cell;
}

TEST_F(ButtonDraw, CheckButtonsShowTheirValueHoveredOrNot) {
    const int id = Make("c", Desc(BT_CHECK, 10, 10));
    Redraw();
    EXPECT_EQ(kNormalColor, At(20, 15));
    MoveTo(20, 15);
    Frame();
    EXPECT_EQ(kNormalColor, At(20, 15));
    IButton->SetState(id, BS_PRESSED);
    Frame();
    EXPECT_EQ(kPressedColor, At(20, 15));
    MoveTo(200, 200);
    Frame();
    EXPECT_EQ(kPressedColor, At(20, 15));
}

TEST_F(ButtonDraw, InputBoxesDrawTheirTextInsideTheMargins) {
    CFont font;
    SDL_Surface *sheet =
        SDL_CreateRGBSurface(SDL_SWSURFACE, 94 * 4 + 1, 8, 32, 0xFF0000, 0xFF00, 0xFF, 0);
    for (int c = 0; c < 94; ++c) {
        SDL_Rect glyph = {(Sint16)(1 + 4 * c), 0, 3, 8};
        SDL_FillRect(sheet, &glyph, 0xFFFFFF);
    }
    ASSERT_EQ(96, font.Create(sheet));
    SDL_FreeSurface(sheet);
    // 40 x 20 at (10, 10), margins 2 across and 3 down.
    const int id = Make("box", Desc(BT_INPUTBOX, 10, 10, 3, 2));
    IButton->SetFont(id, &font);
    IButton->SetText(id, "abcdefghijkl"); // wider than its 35-pixel rectangle
    Redraw();
    // Each glyph's cell is a blank column and 3 white ones: "a" from x = 13.
    EXPECT_EQ(kNormalColor, At(12, 13));
    EXPECT_EQ(0xFFFFFFu, At(13, 13));
    EXPECT_EQ(0xFFFFFFu, At(12 + 32 + 2, 13)); // "i", cut at the rectangle's edge, x = 46
    EXPECT_EQ(kNormalColor, At(12 + 32 + 3, 13));

    // With focus: the pressed image, redrawn on every frame until it goes.
    MoveTo(20, 15);
    Frame();
    EXPECT_EQ(kPressedColor, At(11, 13));
    Step();
    Step();
    EXPECT_EQ(1, Quenlar.NeedRefresh());
    MoveTo(200, 200);
    Frame();
    EXPECT_EQ(kNormalColor, At(11, 13));
    EXPECT_EQ(0, Quenlar.NeedRefresh());

    // Margins wider than the box leave no text rectangle outside it.
    const int wide = Make("wide", Desc(BT_INPUTBOX, 100, 100, 2, 30));
    IButton->SetFont(wide, &font);
    IButton->SetText(wide, "abcdefghijkl");
    ClearScreen();
    Redraw();
    int ink = 0;
    for (int x = 100; x < 200; ++x)
        ink += At(x, 105) == 0xFFFFFFu;
    EXPECT_EQ(0, ink);
    IButton->Remove();
}
