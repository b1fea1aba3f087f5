#include "core/store/window_font.h"
#include "store/store_test_support.h"

#include <gtest/gtest.h>

using namespace swapwright;
using swapwright::test::TempDir;

namespace {

class WindowFontTest : public ::testing::Test {
protected:
    void SetUp() override {
        store.SetBaseKey("\\Base");
        store.SetFileName(dir.path("s.swd"));
    }
    TempDir dir;
    TWqPersistentData store;
};

} // namespace

TEST_F(WindowFontTest, FontsRoundTripAndStylesAdd) {
    TWqFont font;
    font.Name = "Lucida Console";
    font.Size = 10;
    font.Height = -13;
    font.Pitch = 2;
    font.Color = 0x0000FF;
    font.Italic = true;
    WqStoreFont(store, "Main Window", "List Font", font);
    EXPECT_NE(test::readFile(dir.path("s.swd")).find("\nList Font charset=1\nList Font Color=255\n"), std::string::npos);

    TWqFont loaded;
    loaded.Bold = true; // a stored False leaves a style as it is
    ASSERT_TRUE(WqLoadFont(store, "Main Window", "List Font", loaded));
    TWqFont expected = font;
    expected.Bold = true;
    EXPECT_EQ(loaded, expected);
    TWqFont untouched;
    untouched.Name = "Mine";
    EXPECT_FALSE(WqLoadFont(store, "Settings Dialog", "List Font", untouched));
    store.OpenKey("\\Other Window", true); // current, yet not in the file
    EXPECT_FALSE(WqLoadFont(store, "Other Window", "List Font", untouched));
    EXPECT_EQ(untouched.Name, "Mine");
}

TEST_F(WindowFontTest, MissingFontValuesTakeTheDefaults) {
    test::writeFile(dir.path("s.swd"), "[HKEY_CURRENT_USER\\Base\\Main Window]\nList Font Size=abc\n");
    TWqFont font;
    font.Name = "Other";
    font.Size = 30;
    ASSERT_TRUE(WqLoadFont(store, "Main Window", "List Font", font));
    EXPECT_EQ(font, TWqFont{});
}

TEST_F(WindowFontTest, WindowRectsSkipUnknownValuesAndKeepTheCurrentKey) {
    store.OpenKey("\\File List\\Contents", true);
    WqStoreWindowRect(store, "Main Window", {10, 20, -1, 300});
    EXPECT_EQ(store.CurrentKey(), "File List\\Contents");
    EXPECT_EQ(test::readFile(dir.path("s.swd")),
              "[HKEY_CURRENT_USER\\Base\\Main Window]\nMain Window Left=10\nMain Window Top=20\nMain Window "
              "Height=300\n");
}

TEST_F(WindowFontTest, PlacementFromStoredValuesDefaultsAndScreen) {
    const TWqRect designed{0, 0, 496, 477};
    const TWqScreenSize screen{1024, 768};

    // Nothing stored: the default placement.
    auto p = WqLoadWindowPlacement(store, "Main Window", designed, screen, TDefaultPlacement::SystemChooses);
    EXPECT_TRUE(p.PositionBySystem);
    EXPECT_EQ(p.Bounds.Width, 496);
    p = WqLoadWindowPlacement(store, "Settings Dialog", {0, 0, 335, 481}, screen, TDefaultPlacement::ScreenCenter);
    EXPECT_FALSE(p.PositionBySystem);
    EXPECT_EQ(p.Bounds, (TWqRect{344, 143, 335, 481}));

    // Only a size stored: still the default placement, with the designed size.
    WqStoreWindowRect(store, "Main Window", {-1, -1, 800, 600});
    p = WqLoadWindowPlacement(store, "Main Window", designed, screen, TDefaultPlacement::SystemChooses);
    EXPECT_TRUE(p.PositionBySystem);
    EXPECT_EQ(p.Bounds.Width, 496);

    struct Case {
        TWqRect stored, expected;
    } cases[] = {
        {{100, 50, 600, 400}, {100, 50, 600, 400}},   // fits
        {{900, 50, 600, 400}, {424, 50, 600, 400}},   // right edge beyond the screen
        {{-30, -5, 600, 400}, {0, 0, 600, 400}},      // left and top below 0
        {{10, 10, 2000, 1000}, {0, 0, 1024, 768}},    // larger than the screen
        {{10, 10, -1, -1}, {10, 10, 496, 477}},       // size as designed
    };
    for (const auto& c : cases) {
        store.DeleteKey("\\Main Window");
        WqStoreWindowRect(store, "Main Window", c.stored);
        p = WqLoadWindowPlacement(store, "Main Window", designed, screen, TDefaultPlacement::SystemChooses);
        EXPECT_FALSE(p.PositionBySystem);
        EXPECT_EQ(p.Bounds, c.expected) << c.stored.Left << "," << c.stored.Width;
    }
}

TEST_F(WindowFontTest, PlacementNeverFails) {
    test::writeFile(dir.path("s.swd"), std::string("\0\0", 2)); // refused by the store
    store.OpenKey("\\", true);
    const auto p = WqLoadWindowPlacement(store, "Main Window", {1, 2, 3, 4}, {100, 100},
                                         TDefaultPlacement::SystemChooses);
    EXPECT_EQ(p.Bounds, (TWqRect{1, 2, 3, 4}));
}
