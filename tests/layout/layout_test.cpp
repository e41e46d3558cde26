// layout.xml: what a complete layout fills in, every row's code and
// explanation (each made by taking that piece out of the complete layout),
// limits, custom buttons, and the resources in loading order.
#include <quenlar/core/engine.h>
#include "setup/layout.h"
#include "setup/layout_rows.h"
#include "support/support.h"

#include <gtest/gtest.h>
#include <algorithm>
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

// Every row of the table: the complete layout less that piece gives the
// row's code, and the code's explanation names the piece.
TEST_F(LayoutTest, EachMissingPieceHasItsCodeAndItsExplanation) {
    const std::string complete = CompleteLayout();
    for (const LayoutRow &row : LayoutRows()) {
        if (row.code == 0) continue; // a piece that may be missing, or none
        std::string path = row.element, element = path.substr(path.rfind('/') + 1);
        SCOPED_TRACE(path + (row.attribute ? std::string("/@") + row.attribute : ""));
        std::string doc = row.attribute ? WithoutAttribute(complete, element, row.attribute)
                                        : WithoutElement(complete, element);
        EXPECT_EQ(row.code, Parse(doc));
        std::string text = DescribeLayoutError(row.code);
        EXPECT_NE(std::string::npos, text.find(path)) << text;
        if (row.attribute) {
            EXPECT_NE(std::string::npos, text.find(row.attribute)) << text;
        }
    }

    // A widget's state, x and y share the element's code.
    struct Row {
        int code;
        const char *element, *attribute;
    };
    const Row attributes[] = {
        {1001, "benchmark", "state"},
        {1002, "mtfriendly", "y"},
        {1003, "cpuid", "x"},
        {1005, "pindex", "y"},
        {2004, "vidrenderer_x11", "state"},
        {2010, "vidresolution1", "x"},
        {3041, "butsoundvol", "y"},
    };
    for (const Row &row : attributes)
        EXPECT_EQ(row.code, Parse(WithoutAttribute(complete, row.element, row.attribute)))
            << row.element << "@" << row.attribute;
    // A value that is not a number counts as missing.
    EXPECT_EQ(17, Parse(WithAttribute(complete, "logotype", "x", "left")));

    // The texts dpftool prints.
    EXPECT_EQ("the root element layout is missing", DescribeLayoutError(10));
    EXPECT_EQ("layout/@skin or layout/main/logotype is missing", DescribeLayoutError(15));
    EXPECT_EQ("layout/main/butplay/@y is missing or not a number", DescribeLayoutError(24));
    EXPECT_EQ("layout/video/vidrenderer_x11 (or its state, x or y) is missing",
              DescribeLayoutError(2004));
    EXPECT_EQ("layout/general/pindex (or its x or y) is missing", DescribeLayoutError(1005));
    EXPECT_EQ("unknown error code", DescribeLayoutError(2007));
}

// Every text row: its longest value is kept whole, one more character is
// refused with the row's own code.
TEST_F(LayoutTest, ValuesLongerThanTheirFieldsAreRefused) {
    const std::string complete = CompleteLayout();
    for (const LayoutRow &row : LayoutRows()) {
        if (row.store != LayoutStore::Text) continue;
        std::string path = row.element, element = path.substr(path.rfind('/') + 1);
        SCOPED_TRACE(path + "/@" + row.attribute);
        auto with = [&](size_t length) {
            return Parse(WithAttribute(complete, element, row.attribute, std::string(length, '9')));
        };
        EXPECT_EQ(0, with(row.limit));
        EXPECT_EQ(std::string(row.limit, '9') + row.suffix, row.field(*state).text); // not cut
        EXPECT_EQ(row.tooLongCode, with(row.limit + 1));
        EXPECT_EQ(path + "/@" + row.attribute + " is longer than " + std::to_string(row.limit) +
                      " characters",
                  DescribeLayoutError(row.tooLongCode));
    }

    // The longest skin still fits the longest resource name.
    ASSERT_EQ(0, Parse(WithAttribute(complete, "layout", "skin", std::string(20, 's'))));
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

// The loading order of the launcher, the blocks dpftool checks, and the
// names the reader built.
TEST_F(LayoutTest, ResourcesFollowTheLoadingOrder) {
    ASSERT_EQ(0, Parse(CompleteLayout()));
    std::vector<std::string> blocks;
    int clones = 0, slider = 0;
    for (const LayoutResource &r : LayoutResources(*state)) {
        if (r.kind == LoadKind::Clone) ++clones;
        if (r.name == "demo_slider") ++slider;
        if (r.firstUse) blocks.push_back(r.name + " " + r.type);
        EXPECT_EQ(r.kind == LoadKind::Icon, r.optional) << r.name;
        if (r.slot > 0) {
            EXPECT_EQ(r.tab + 1, r.layer) << r.name;
            EXPECT_NE(0, state->widget[r.tab][r.slot].x) << r.name; // a placed widget
        }
    }
    const std::vector<std::string> expected = {
        "demo_icon IMG",    "demo_cursor IMG", "demo_bggeneral IMG",  "demo_bgvideo IMG",
        "demo_bgaudio IMG", "logo_win SPR2",   "demo_font FONT2",     "demo_exit BUT",
        "demo_play BUT",    "demo_save BUT",   "demo_click SND",      "demo_music MUS",
        "demo_check BUT",   "demo_radio BUT",  "demo_tabgeneral BUT", "demo_benchmark BUT",
        "demo_web BUT",     "demo_manual BUT", "demo_tabvideo BUT",   "demo_tabaudio BUT",
        "demo_slider BUT",
    };
    EXPECT_EQ(expected, blocks);
    EXPECT_EQ(2 + 16 + 8, clones); // two check boxes, sixteen and eight radio buttons
    EXPECT_EQ(2, slider);          // one block, two sliders

    // Every name the reader built is loaded.
    std::vector<std::string> names(blocks.size());
    std::transform(blocks.begin(), blocks.end(), names.begin(),
                   [](const std::string &b) { return b.substr(0, b.find(' ')); });
    for (const auto &name : state->resource)
        EXPECT_NE(names.end(), std::find(names.begin(), names.end(), name)) << name;
}

} // namespace
