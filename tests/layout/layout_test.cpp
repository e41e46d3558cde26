// layout.xml: what a complete layout fills in, every error code (each made by
// taking one piece out of the complete layout), custom buttons, limits.
#include <quenlar/core/engine.h>
#include "setup/layout.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <string>

using namespace testing_support;

namespace {

std::string CompleteLayout() {
    return ReadFile(std::string(QUENLAR_TEST_DATA) + "/layout/complete.xml");
}

// Renames element `name` (every tag of it), as if it were not there.
std::string WithoutElement(std::string doc, const std::string &name) {
    int renamed = 0;
    for (const std::string &tag : {"<" + name + " ", "<" + name + ">", "</" + name + ">"}) {
        size_t at = doc.find(tag);
        if (at == std::string::npos) continue;
        doc.insert(at + tag.size() - 1, "_gone");
        ++renamed;
    }
    EXPECT_LT(0, renamed) << name;
    return doc;
}

// Removes attribute `attribute` from the first tag of element `name`.
std::string WithoutAttribute(std::string doc, const std::string &name,
                             const std::string &attribute) {
    size_t tag = doc.find("<" + name + " ");
    size_t at = doc.find(" " + attribute + "=\"", tag);
    EXPECT_NE(std::string::npos, at) << name << "@" << attribute;
    size_t end = doc.find('"', doc.find('"', at) + 1);
    return doc.erase(at, end + 1 - at);
}

// Sets attribute `attribute` of the first tag of element `name` to `value`.
std::string WithAttribute(std::string doc, const std::string &name, const std::string &attribute,
                          const std::string &value) {
    doc = WithoutAttribute(doc, name, attribute);
    size_t tag = doc.find("<" + name + " ");
    return doc.insert(tag + name.size() + 2, attribute + "=\"" + value + "\" ");
}

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1, Quenlar.Init(0)); }
    void TearDown() override { Quenlar.Quit(); }

    // Parses `doc` into a fresh state.
    int Parse(const std::string &doc) {
        WriteFile("layout.xml", doc);
        state.reset(new SetupState);
        int h = Quenlar.XMLOpen("layout.xml");
        if (!h) return -1;
        int code = ParseLayoutDocument(h, *state);
        Quenlar.XMLClose(h);
        return code;
    }

    TempDir dir;
    LogCapture log;
    std::unique_ptr<SetupState> state;
};

TEST_F(LayoutTest, ACompleteLayoutFillsTheState) {
    ASSERT_EQ(0, Parse(CompleteLayout()));
    const SetupState &s = *state;
    EXPECT_STREQ("Demo Game - Setup", s.title);
    EXPECT_STREQ("demo.exe -fullscreen", s.target);
    EXPECT_STREQ("", s.configPackage);
    EXPECT_STREQ("config/setup.xml", s.configBlock);
    EXPECT_STREQ("logo_win", s.logoName);
    EXPECT_EQ(10, s.logoX);
    EXPECT_EQ(11, s.logoY);
    EXPECT_STREQ("demo_cursor", s.resource[RES_CURSOR]);
    EXPECT_STREQ("demo_bggeneral", s.resource[RES_BGGENERAL]);
    EXPECT_STREQ("demo_benchmark", s.resource[RES_BENCHMARK]);
    EXPECT_STREQ("demo_slider", s.resource[RES_SLIDER]);

    EXPECT_EQ(12, s.exitButton.x);
    EXPECT_EQ(15, s.playButton.y);
    EXPECT_EQ(1, s.saveButton.state);
    // Tabs: state 1 is Normal, 0 Disabled.
    EXPECT_EQ(1, s.widget[TAB_GENERAL][0].state);
    EXPECT_EQ(16, s.widget[TAB_VIDEO][0].state);
    EXPECT_EQ(41, s.widget[TAB_VIDEO][0].y);
    EXPECT_EQ(80, s.widget[TAB_AUDIO][0].x);

    EXPECT_EQ(16, s.widget[TAB_GENERAL][2].state);
    EXPECT_EQ(26, s.widget[TAB_GENERAL][3].x);
    EXPECT_EQ(31, s.widget[TAB_GENERAL][5].y);
    EXPECT_EQ(48, s.widget[TAB_VIDEO][4].x);
    EXPECT_EQ(16, s.widget[TAB_VIDEO][3].state);
    EXPECT_EQ(54, s.widget[TAB_VIDEO][7].x);
    EXPECT_EQ(79, s.widget[TAB_VIDEO][19].y);
    EXPECT_STREQ("640", s.resWidth[0]);
    EXPECT_STREQ("1024", s.resHeight[3]);
    // The frequency widgets run backwards: 11 kHz is slot 6, 44 kHz slot 4.
    EXPECT_EQ(88, s.widget[TAB_AUDIO][6].x);
    EXPECT_EQ(92, s.widget[TAB_AUDIO][4].x);
    EXPECT_EQ(103, s.widget[TAB_AUDIO][11].y);

    EXPECT_EQ(1, s.custom[0].type);
    EXPECT_STREQ("https://example.org/", s.custom[0].data);
    EXPECT_STREQ("demo_web", s.custom[0].resource);
    EXPECT_EQ(-1, s.custom[1].type);
    EXPECT_EQ(2, s.custom[2].type);
    EXPECT_STREQ("demo_manual", s.custom[2].resource);
    EXPECT_EQ(34, s.widget[TAB_GENERAL][12].x);
    EXPECT_EQ(1, s.widget[TAB_GENERAL][12].state);
}

TEST_F(LayoutTest, EachMissingPieceHasItsCode) {
    struct Row {
        int code;
        const char *element;
        const char *attribute; // null: the element itself
    };
    const Row rows[] = {
        {10, "layout", nullptr},
        {11, "layout", "appname"},
        {12, "layout", "target_win"},
        {13, "layout", "setupdpf"},
        {14, "layout", "setupxml"},
        {15, "layout", "skin"},
        {15, "logotype", nullptr},
        {16, "logotype", "name"},
        {17, "logotype", "x"},
        {18, "logotype", "y"},
        {19, "butexit", nullptr},
        {20, "butexit", "x"},
        {21, "butexit", "y"},
        {22, "butplay", nullptr},
        {23, "butplay", "x"},
        {24, "butplay", "y"},
        {25, "butsave", nullptr},
        {26, "butsave", "x"},
        {27, "butsave", "y"},
        {28, "general", nullptr},
        {29, "general", "state"},
        {30, "general", "x"},
        {31, "general", "y"},
        {32, "video", nullptr},
        {33, "video", "state"},
        {34, "video", "x"},
        {35, "video", "y"},
        {36, "audio", nullptr},
        {37, "audio", "state"},
        {38, "audio", "x"},
        {39, "audio", "y"},
        {1001, "benchmark", nullptr},
        {1001, "benchmark", "state"},
        {1002, "mtfriendly", nullptr},
        {1002, "mtfriendly", "y"},
        {1003, "cpuid", nullptr},
        {1003, "cpuid", "x"},
        {1004, "memoryinfo", nullptr},
        {1005, "pindex", nullptr},
        {1005, "pindex", "y"},
        {2001, "vidrenderer_opengl", nullptr},
        {2002, "vidrenderer_windib", nullptr},
        {2003, "vidrenderer_ddraw", nullptr},
        {2004, "vidrenderer_x11", nullptr},
        {2004, "vidrenderer_x11", "state"},
        {2005, "vidrenderer_fbcon", nullptr},
        {2006, "vidrenderer_quartz", nullptr},
        {2010, "vidresolution1", nullptr},
        {2010, "vidresolution1", "x"},
        {2011, "vidresolution1", "width"},
        {2012, "vidresolution1", "height"},
        {2013, "vidresolution2", nullptr},
        {2014, "vidresolution2", "width"},
        {2015, "vidresolution2", "height"},
        {2016, "vidresolution3", nullptr},
        {2017, "vidresolution3", "width"},
        {2018, "vidresolution3", "height"},
        {2019, "vidresolution4", nullptr},
        {2020, "vidresolution4", "width"},
        {2021, "vidresolution4", "height"},
        {2030, "vidcolordepth8", nullptr},
        {2031, "vidcolordepth16", nullptr},
        {2032, "vidcolordepth32", nullptr},
        {2040, "vidaccelsoftware", nullptr},
        {2041, "vidaccelhardsmooth", nullptr},
        {2042, "vidaccelhardspeed", nullptr},
        {2050, "vidmodewindow", nullptr},
        {2051, "vidmodefullscreen", nullptr},
        {2052, "vidmodewindownoframe", nullptr},
        {3001, "butaudioenabled", nullptr},
        {3010, "butformat8", nullptr},
        {3011, "butformat16", nullptr},
        {3020, "butfreq11", nullptr},
        {3021, "butfreq22", nullptr},
        {3022, "butfreq44", nullptr},
        {3030, "butmono", nullptr},
        {3031, "butstereo", nullptr},
        {3032, "butmulti", nullptr},
        {3040, "butmusicvol", nullptr},
        {3041, "butsoundvol", nullptr},
        {3041, "butsoundvol", "y"},
    };
    const std::string complete = CompleteLayout();
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.element) +
                     (row.attribute ? std::string("@") + row.attribute : ""));
        std::string doc = row.attribute ? WithoutAttribute(complete, row.element, row.attribute)
                                        : WithoutElement(complete, row.element);
        EXPECT_EQ(row.code, Parse(doc));
        EXPECT_NE("", DescribeLayoutError(row.code));
    }
    // A value that is not a number counts as missing.
    EXPECT_EQ(17, Parse(WithAttribute(complete, "logotype", "x", "left")));
    EXPECT_EQ("layout/video/vidrenderer_x11 (or its state, x or y) is missing",
              DescribeLayoutError(2004));
}

TEST_F(LayoutTest, ValuesLongerThanTheirFieldsAreRefused) {
    struct Row {
        int code;
        const char *element, *attribute;
        size_t fits; // longest accepted length
    };
    const Row rows[] = {
        {111, "layout", "appname", 37},        {112, "layout", "target_win", 65},
        {113, "layout", "setupdpf", 255},      {114, "layout", "setupxml", 255},
        {115, "layout", "skin", 20},           {116, "logotype", "name", 27},
        {2111, "vidresolution1", "width", 4},  {2112, "vidresolution1", "height", 4},
        {2121, "vidresolution4", "height", 4},
    };
    const std::string complete = CompleteLayout();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.attribute);
        EXPECT_EQ(0, Parse(WithAttribute(complete, row.element, row.attribute,
                                         std::string(row.fits, '9'))));
        EXPECT_EQ(row.code, Parse(WithAttribute(complete, row.element, row.attribute,
                                                std::string(row.fits + 1, '9'))));
        EXPECT_NE("unknown error code", DescribeLayoutError(row.code));
    }
    // The longest title and skin fill their fields exactly.
    ASSERT_EQ(
        0, Parse(WithAttribute(WithAttribute(complete, "layout", "appname", std::string(37, 'a')),
                               "layout", "skin", std::string(20, 's'))));
    EXPECT_EQ(std::string(37, 'a') + " - Setup", state->title);
    EXPECT_EQ(std::string(20, 's') + "_tabgeneral", state->resource[RES_TABGENERAL]);
}

TEST_F(LayoutTest, CustomButtonRules) {
    std::string doc = CompleteLayout();
    size_t from = doc.find("<custombuttons>"), to = doc.find("</custombuttons>");
    auto withButtons = [&](const std::string &children) {
        return doc.substr(0, from) + "<custombuttons>" + children + doc.substr(to);
    };

    // First id wins; ids outside 10..16 are skipped; only seven children are
    // looked at; no data gives an empty text; type is forced into 1..2; a
    // missing state is Disabled.
    ASSERT_EQ(0, Parse(withButtons("<a id=\"11\" data=\"first\" state=\"1\" x=\"1\" y=\"2\" />"
                                   "<b id=\"11\" data=\"second\" />"
                                   "<c id=\"9\" data=\"nine\" />"
                                   "<d id=\"17\" data=\"seventeen\" />"
                                   "<e data=\"no id\" />"
                                   "<f id=\"13\" type=\"0\" x=\"5\" />"
                                   "<g id=\"16\" type=\"7\" data=\"x y\" state=\"0\" />"
                                   "<h id=\"15\" data=\"eighth\" state=\"1\" />")));
    const SetupState &s = *state;
    EXPECT_STREQ("first", s.custom[1].data);
    EXPECT_STREQ("demo_a", s.custom[1].resource);
    EXPECT_EQ(1, s.widget[TAB_GENERAL][11].state);
    EXPECT_EQ(2, s.widget[TAB_GENERAL][11].y);
    EXPECT_EQ(1, s.custom[3].type);
    EXPECT_STREQ("", s.custom[3].data);
    EXPECT_EQ(16, s.widget[TAB_GENERAL][13].state);
    EXPECT_EQ(5, s.widget[TAB_GENERAL][13].x);
    EXPECT_EQ(0, s.widget[TAB_GENERAL][13].y);
    EXPECT_EQ(2, s.custom[6].type);
    EXPECT_STREQ("x y", s.custom[6].data);
    EXPECT_EQ(16, s.widget[TAB_GENERAL][16].state);
    EXPECT_EQ(-1, s.custom[5].type); // the eighth child
    for (int i : {0, 2, 4})
        EXPECT_EQ(-1, s.custom[i].type);

    // No custombuttons element, or an empty one: no links.
    for (const std::string &d : {WithoutElement(doc, "custombuttons"), withButtons("")}) {
        ASSERT_EQ(0, Parse(d));
        for (const CustomButton &c : state->custom)
            EXPECT_EQ(-1, c.type);
    }

    // Texts that do not fit.
    EXPECT_EQ(0, Parse(withButtons("<b id=\"12\" data=\"" + std::string(254, 'd') + "\" />")));
    EXPECT_EQ(1112, Parse(withButtons("<b id=\"12\" data=\"" + std::string(255, 'd') + "\" />")));
    EXPECT_EQ(0, Parse(withButtons("<" + std::string(27, 'n') + " id=\"14\" />")));
    EXPECT_EQ(1214, Parse(withButtons("<" + std::string(28, 'n') + " id=\"14\" />")));
    EXPECT_NE("unknown error code", DescribeLayoutError(1112));
    EXPECT_NE("unknown error code", DescribeLayoutError(1214));
}

TEST_F(LayoutTest, ResourcesFollowTheSkin) {
    ASSERT_EQ(0, Parse(CompleteLayout()));
    std::vector<LayoutResource> list = LayoutResources(*state);
    ASSERT_EQ(21u, list.size()); // the 18 skin names, the logo and the two links
    EXPECT_EQ("demo_icon", list.front().name);
    EXPECT_TRUE(list.front().optional);
    bool sawLogo = false, sawLink = false;
    for (const LayoutResource &r : list) {
        if (r.name == "logo_win") sawLogo = std::string(r.type) == "SPR2";
        if (r.name == "demo_manual") sawLink = std::string(r.type) == "BUT";
        if (r.name != "demo_icon") {
            EXPECT_FALSE(r.optional) << r.name;
        }
    }
    EXPECT_TRUE(sawLogo);
    EXPECT_TRUE(sawLink);
}

} // namespace
