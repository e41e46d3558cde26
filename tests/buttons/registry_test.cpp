// The registry: ids, layers, masters and clones, states and values, the
// information dump and the shutdown report, and buttons that cannot be made.
#include "button_fixture.h"

#include <quenlar/core/error_private.h>

class ButtonRegistry : public ButtonTest {};

TEST_F(ButtonRegistry, IdsFollowLayersAndSlots) {
    const int master = Make("m", Desc(BT_NORMAL, 10, 10), 40, 20, 1);
    EXPECT_EQ(1000, master);
    IButton->SetWorkingLayer(2);
    EXPECT_EQ(201, IButton->Clone(master));
    EXPECT_TRUE(Logged(" . [IButton->Clone(1000)] Info: added new clone button(0).\n"));
    IButton->Remove();
    EXPECT_EQ(201, IButton->Clone(master)); // slot 0 again
    for (int slot = 1; slot < 32; ++slot)
        EXPECT_EQ(201 + slot, IButton->Clone(master));
    log.Mark();
    EXPECT_EQ(-1, IButton->Clone(master));
    EXPECT_EQ(" . [IButton->Clone(1000)] Warning: we have reached maximum buttons number(32) in "
              "this layer(2).\n",
              log.Body());
    log.Mark();
    EXPECT_EQ(-1, IButton->Clone(201)); // a working button is no master
    EXPECT_EQ(-1, IButton->Clone(0));
    EXPECT_EQ(" . [IButton->Clone(201)] Error: master button not found\n"
              " . [IButton->Clone(0)] Error: master button not found\n",
              log.Body());

    // Ids that name no button in use.
    for (int id : {0, -1, 33, 100, 200, 233, 801, 1001, 1100})
        EXPECT_EQ(-1, IButton->GetState(id)) << id;
    EXPECT_EQ(BS_NORMAL, IButton->GetState(232));
    EXPECT_EQ(BS_NORMAL, IButton->GetState(1000));
}

TEST_F(ButtonRegistry, LayersHideShowAndRemoveOnlyTheWorkingOne) {
    const int a = Make("a", Desc(BT_NORMAL, 10, 10));
    IButton->SetWorkingLayer(1);
    const int b = Make("b", Desc(BT_NORMAL, 100, 10));
    EXPECT_EQ(101, b);
    ClearScreen();
    Redraw();
    EXPECT_EQ(0u, At(20, 15)); // layer 0 is hidden now
    EXPECT_EQ(kNormalColor, At(110, 15));
    IButton->SetLayerVisible(0, 1);
    Redraw();
    EXPECT_EQ(kNormalColor, At(20, 15));
    IButton->SetLayerVisible(1, -3);
    ClearScreen();
    Redraw();
    EXPECT_EQ(0u, At(110, 15));

    log.Mark();
    IButton->Remove();
    EXPECT_EQ(" . [IButton->Remove()] Info: 1 buttons of layer 1 were deleted.\n", log.Body());
    EXPECT_EQ(-1, IButton->GetState(b));
    EXPECT_EQ(BS_NORMAL, IButton->GetState(a));
}

TEST_F(ButtonRegistry, MastersAreNeverDrawnAndClonesShareTheirImages) {
    const int tiles = Quenlar.tilecount;
    const int master = Make("m", Desc(BT_NORMAL, 10, 10), 40, 20, 1);
    EXPECT_EQ(tiles + 3, Quenlar.tilecount);
    ClearScreen();
    Redraw();
    EXPECT_EQ(0u, At(20, 15));

    const int one = IButton->Clone(master), two = IButton->Clone(master);
    EXPECT_EQ(tiles + 3, Quenlar.tilecount);
    EXPECT_EQ(IButton->GetSurface(master, BS_NORMAL), IButton->GetSurface(two, BS_NORMAL));
    IButton->SetPosition(two, 100, 100);
    Redraw();
    EXPECT_EQ(kNormalColor, At(20, 15));
    EXPECT_EQ(kNormalColor, At(139, 119));
    EXPECT_EQ(0u, At(140, 119));

    log.Mark();
    IButton->FreeMaster(5); // 1 to 999 name no master
    EXPECT_EQ("", log.Body());
    IButton->FreeMaster(1000);
    EXPECT_EQ(" . [IButton->FreeMaster(0)] Warning: this master button still has 2 cloned "
              "buttons!\n"
              " . [IButton->FreeMaster(0)] Info: master button deleted.\n",
              log.Body());
    // The clones keep what they share; a new master in the slot is not theirs.
    ClearScreen();
    Redraw();
    EXPECT_EQ(kNormalColor, At(20, 15));
    EXPECT_NE(nullptr, IButton->GetSurface(one, BS_PRESSED));
    const int other = Make("o", Desc(BT_NORMAL, 0, 0), 40, 20, 1);
    EXPECT_EQ(1000, other);
    IButton->Remove();
    IButton->Clone(other);
    log.Mark();
    IButton->FreeMaster(-1);
    EXPECT_EQ(" . [IButton->FreeMaster(-1)] Warning: this master button still has 1 cloned "
              "buttons!\n"
              " . [IButton->FreeMaster(-1)] Info: master button deleted.\n",
              log.Body());
    IButton->Remove();
    EXPECT_EQ(tiles, Quenlar.tilecount);
}

TEST_F(ButtonRegistry, StatesAndValues) {
    const int check = Make("c", Desc(BT_CHECK, 10, 10));
    IButton->SetState(check, BS_PRESSED); // checked
    IButton->SetState(check, BS_DISABLED);
    EXPECT_EQ(BS_DISABLED, IButton->GetState(check));
    IButton->SetState(check, BS_NORMAL); // brings back the value, checked
    EXPECT_EQ(BS_PRESSED, IButton->GetState(check));
    IButton->SetState(check, 3); // no state
    EXPECT_EQ(BS_PRESSED, IButton->GetState(check));

    const int bar = Make("p", Desc(BT_PROGRESSBAR, 10, 50, 5, 2), 10, 10);
    IButton->SetValue(bar, -4);
    EXPECT_EQ(0, IButton->GetValue(bar));
    IButton->SetValue(bar, 99);
    EXPECT_EQ(5, IButton->GetValue(bar));
    const int plain = Make("n", Desc(BT_NORMAL, 100, 10));
    IButton->SetValue(plain, 3);
    EXPECT_EQ(-1, IButton->GetValue(plain));
    EXPECT_EQ(nullptr, IButton->GetSurface(plain, BS_SELECTED));
    EXPECT_EQ(nullptr, IButton->GetSurface(plain, BS_ACTION));
    ASSERT_NE(nullptr, IButton->GetSurface(plain, BS_DISABLED));
    EXPECT_EQ(40, IButton->GetSurface(plain, BS_DISABLED)->w);
}

namespace {
// A clone's or a master's lines, as the dump writes them.
std::string ImageLines(const char *label, int kb, int w, int h) {
    return std::string("             + ") + label + " state button of " + std::to_string(kb) +
           " Kb located at system memory (" + std::to_string(w) + "x" + std::to_string(h) +
           " with 32bits)\n                Alpha blending: disabled - Colorkey: disabled\n";
}
} // namespace

TEST_F(ButtonRegistry, InformationDump) {
    // A Complex master of four 32 x 20 images (10240 bytes) with 3 clones,
    // and an input box in hidden layer 1.
    ButtonDesc d = Desc(BT_COMPLEX, 5, 6);
    d.key = SDLK_RETURN;
    const int master = Make("mst", d, 32, 20, 1);
    for (int i = 0; i < 3; ++i)
        IButton->Clone(master);
    IButton->SetWorkingLayer(1);
    const int box = Make("box", Desc(BT_INPUTBOX, -3, 7, 2, 4));
    IButton->SetText(box, "hi");
    IButton->SetMouseMask(box, 5);
    IButton->SetWorkingLayer(0);
    log.Mark();
    EXPECT_EQ(1 + 4 + 3, IButton->Info(-1));

    std::string expected = "\n . IButton information:\n"
                           "\n   - Masterbuttons: 1 - Cloned buttons: 3 - Total working buttons: "
                           "4 - Current layer 0.\n"
                           "\n   - Dumping Master button list:\n"
                           "\n     -> Button name 'mst' - MasterID '1000':\n"
                           "         + Cloned buttons: 3 - Saved memory: 20.0 Kbytes\n"
                           "         + Type: 'Complex button' - Visible: 'yes' - Position: (5,6) "
                           "- SelectBox: 0\n"
                           "         + State: 'Normal' - Last state: 'Normal' - Range: 0 - Value: "
                           "0\n"
                           "         + Associated key: 'return' - Mouse sensibility: ' left ' "
                           "buttons.\n" +
                           ImageLines("Normal", 2, 32, 20) + ImageLines("Press", 2, 32, 20) +
                           ImageLines("Select", 2, 32, 20) + ImageLines("Off", 2, 32, 20) +
                           "\n     -> Total saved memory: 20.0 KBytes\n"
                           "\n   - Dumping Working layer list:\n"
                           "\n     -> Layer 0 - Visible state\n";
    for (int id = 1; id <= 3; ++id)
        expected += "\n        # Button name 'mst' - ID '" + std::to_string(id) +
                    "':\n"
                    "          + Type: 'Complex button' - Visible: 'yes' - Position: (5,6) - "
                    "SelectBox: 0\n"
                    "          + State: 'Normal' - Last state: 'Normal' - Range: 0 - Value: 0\n"
                    "          + Associated key: 'return' - Mouse sensibility: ' left ' "
                    "buttons.\n"
                    "          + Cloned button. MasterID '1000'.\n";
    expected += "\n     -> Layer 1 - Hidden state\n"
                "\n        # Button name 'box' - ID '101':\n"
                "          + Type: 'Input box' - Visible: 'yes' - Position: (-3,7) - SelectBox: 0\n"
                "          + State: 'Normal' - Last state: 'Normal' - Font: 'none' - Value: 'hi'\n"
                "          + Associated key: 'none' - Mouse sensibility: ' left right ' "
                "buttons.\n" +
                ImageLines("Normal", 3, 40, 20) + ImageLines("Press", 3, 40, 20) +
                ImageLines("Off", 3, 40, 20);
    for (int layer = 2; layer < 8; ++layer)
        expected += "\n     -> Layer " + std::to_string(layer) + " - Hidden state\n";
    EXPECT_EQ(expected, log.Body());

    // One button; an invalid id writes the heading only; -2 writes nothing.
    log.Mark();
    EXPECT_EQ(8, IButton->Info(-2));
    EXPECT_EQ("", log.Body());
    IButton->Info(0);
    IButton->Info(1099);
    EXPECT_EQ("\n . IButton information:\n\n . IButton information:\n", log.Body());
    log.Mark();
    IButton->Remove(); // the clones: the master's figure turns negative
    IButton->Info(master);
    EXPECT_NE(std::string::npos,
              log.Body().find("         + Cloned buttons: 0 - Saved memory: -10.0 Kbytes\n"));

    // A check master's state line is indented by eight spaces and names its value.
    const int check = Make("chk", Desc(BT_CHECK, 0, 0), 40, 20, 1);
    IButton->SetState(check, BS_PRESSED);
    log.Mark();
    IButton->Info(check);
    EXPECT_NE(std::string::npos,
              log.Body().find("\n        + State: 'Pressed' - Last state: 'Normal' - Range: 4 - "
                              "Value: 0\n"))
        << log.Body();
}

TEST_F(ButtonRegistry, ButtonsLeftAreReportedAndDeletedAtShutdown) {
    const int tiles = Quenlar.tilecount;
    const int master = Make("m", Desc(BT_NORMAL, 10, 10), 40, 20, 1);
    IButton->Clone(master);
    IButton->SetWorkingLayer(3);
    IButton->Clone(master);
    log.Mark();
    Quenlar.Quit();
    EXPECT_EQ(tiles, Quenlar.tilecount);
    const std::string body = log.Body();
    const size_t warning =
        body.find(" . [IButton] Warning! your application has left 5 buttons without deleting.\n"
                  "\n . IButton information:\n");
    EXPECT_NE(std::string::npos, warning) << body;
    EXPECT_NE(std::string::npos,
              body.find(" . [IButton->Remove()] Info: 1 buttons of layer 0 were deleted.\n"
                        " . [IButton->Remove()] Info: 0 buttons of layer 1 were deleted.\n"
                        " . [IButton->Remove()] Info: 0 buttons of layer 2 were deleted.\n"
                        " . [IButton->Remove()] Info: 1 buttons of layer 3 were deleted.\n",
                        warning));
    EXPECT_NE(std::string::npos,
              body.find(" . [IButton->FreeMaster(-1)] Info: master button deleted.\n"
                        " . [IButton] Interfaz deleted.\n"));
    EXPECT_EQ(std::string::npos, body.find("still has"));
}

TEST_F(ButtonRegistry, BadDescriptionsAndImagesAreRefused) {
    AddImages("b", BT_COMPLEX, 40, 20);
    const auto refused = [&](ButtonDesc d, const char *name, const char *message) {
        log.Mark();
        EXPECT_EQ(-1, IButton->Create(&d, name, 0, handle)) << message;
        EXPECT_NE(std::string::npos, log.Body().find(message)) << log.Body();
    };
    ButtonDesc d = Desc(BT_NORMAL, 0, 0);
    d.selectColor = 0xFFFFFFFF;
    refused(d, "b", "] Error: wrong parameters.\n");
    refused(Desc(3, 0, 0), "b", "] Error: wrong parameters.\n");
    refused(Desc(0, 0, 0), "b", "] Error: wrong parameters.\n");
    refused(Desc(BT_SLIDER, 0, 0, 0, 0), "b", "] Error: wrong parameters.\n");
    refused(Desc(BT_PROGRESSBAR, 0, 0, -2, 0), "b", "] Error: wrong parameters.\n");
    d = Desc(BT_NORMAL, 0, 0);
    EXPECT_EQ(-1, IButton->Create(&d, "b", 0, 0)); // no package
    refused(Desc(BT_NORMAL, 0, 0), "b234567890123456789012345",
            "] Error: button name too long, limit on 25 characters.\n");

    // Images: the select image only for Complex buttons, all of one size.
    AddImages("b234567890123456789012_4", BT_NORMAL, 40, 20);
    EXPECT_EQ(1, IButton->Create(&d, "b234567890123456789012_4", 0, handle));
    AddImages("n", BT_NORMAL, 40, 20);
    refused(Desc(BT_COMPLEX, 0, 0), "n",
            "] Error: we could not find valid tiles for this kind of button.\n");
    AddTile("b_p", 41, 20, kPressedColor);
    refused(Desc(BT_CHECK, 0, 0), "b",
            "] Error: we could not find valid tiles for this kind of button.\n");
    EXPECT_STREQ("the pressed image is 41x20 pixels, the normal image 40x20",
                 qnl::LastError().reason);
    AddImages("s", BT_SLIDER, 50, 20, 10); // no travel for the knob
    refused(Desc(BT_SLIDER, 0, 0, 4, 0), "s",
            "] Error: we could not find valid tiles for this kind of button.\n");
    const int tiles = Quenlar.tilecount;
    EXPECT_EQ(1, IButton->Info(-2)); // the refused ones left nothing
    EXPECT_EQ(tiles, Quenlar.tilecount);

    // Values are clamped into the steps; margins into the box.
    AddImages("v", BT_SLIDER, 100, 20);
    EXPECT_EQ(10, IButton->GetValue(
                      IButton->Create(&(d = Desc(BT_SLIDER, 0, 0, 10, 20)), "v", 0, handle)));
    EXPECT_EQ(0, IButton->GetValue(
                     IButton->Create(&(d = Desc(BT_SLIDER, 0, 0, 10, -5)), "v", 0, handle)));
}

TEST_F(ButtonRegistry, LoadingFromBlocks) {
    AddImages("ok", BT_NORMAL, 40, 20);
    std::vector<Uint8> desc = qnl::EncodeButtonDesc(Desc(BT_NORMAL, 1, 2));
    AddBlock("ok", "BUT", desc);
    // Slot 3 of the masters: id 1003, the message shows the slot.
    for (int i = 0; i < 3; ++i)
        IButton->Load(handle, "ok", 1);
    log.Mark();
    EXPECT_EQ(1003, IButton->Load(handle, "ok", 1));
    EXPECT_NE(std::string::npos, log.Body().find("] Info: created new button(3).\n"));
    EXPECT_NE(std::string::npos,
              log.Body().find(" . [IButton->Load('ok','buttons.dpf',1)] Info: added new "
                              "button(1003).\n"));

    log.Mark();
    EXPECT_EQ(-1, IButton->Load(handle, "none", 0));
    EXPECT_EQ(" . [IButton->Load('none','buttons.dpf',0)] Error: button not found.\n", log.Body());
    // A name longer than any block's is no block's name either.
    log.Mark();
    EXPECT_EQ(-1, IButton->Load(handle, std::string(40, 'o').c_str(), 0));
    EXPECT_NE(std::string::npos, log.Body().find("] Error: button not found.\n"));
    AddImages("short", BT_NORMAL, 40, 20);
    AddBlock("short", "BUT", std::vector<Uint8>(desc.begin(), desc.end() - 1));
    log.Mark();
    EXPECT_EQ(-1, IButton->Load(handle, "short", 0));
    EXPECT_EQ(" . [IButton->Load('short','buttons.dpf',0)] Error: load 'BUT' block of DPF "
              "failed!.\n",
              log.Body());
    desc[6] = 5; // no kind
    AddBlock("ok", "BUT", desc);
    log.Mark();
    EXPECT_EQ(-1, IButton->Load(handle, "ok", 0));
    EXPECT_NE(std::string::npos, log.Body().find("] Error: wrong parameters.\n"
                                                 " . [IButton->Load('ok','buttons.dpf',0)] Info: "
                                                 "added new button(-1).\n"));

    EXPECT_EQ(0, IButton->Load("missing.dpf", "ok", 0));
    desc[6] = BT_NORMAL;
    AddBlock("ok", "BUT", desc);
    IStuffDPF->Close(handle);
    // By path: the id, 0 for a package that does not open, -1 for a button it lacks.
    EXPECT_EQ(1, IButton->Load("buttons.dpf", "ok", 0));
    EXPECT_EQ(-1, IButton->Load("buttons.dpf", "none", 0));
    handle = IStuffDPF->Open("buttons.dpf");
}
