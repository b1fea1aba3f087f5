#include "core/filelist/extension_families.h"
#include "core/settings/app_store.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

using namespace swapwright;
using Strings = std::vector<std::string>;

TEST(ExtensionFamilies, FamilyTextsSplitAtCarets) {
    struct Case {
        const char* text;
        const char* extensions;
        const char* flag;
        bool inUse;
    } cases[] = {
        {"*.pas;*.dfm ^ True", "*.pas;*.dfm", "True", true},
        {"a ^^ b", "a", "b", false},
        {"^^*.inc^yes^ignored", "*.inc", "yes", true},
        {" \t*.h;*.cpp\r\n ^ \t1 ", "*.h;*.cpp", "1", true},
        {"*.pas", "*.pas", "", false},
        {"", "", "", false},
        {"*.pas ^ False", "*.pas", "False", false},
    };
    for (const auto& c : cases) {
        const auto f = SplitFamilyText(c.text);
        EXPECT_EQ(f.Extensions, c.extensions) << c.text;
        EXPECT_EQ(f.Flag, c.flag) << c.text;
        EXPECT_EQ(f.InUse, c.inUse) << c.text;
    }
}

TEST(ExtensionFamilies, ExtensionListsAndNames) {
    EXPECT_EQ(SplitExtensionList("*.pas;*.dfm"), (Strings{"pas", "dfm"}));
    EXPECT_EQ(SplitExtensionList(",,*.PAS,, ;*.inc ; .txt"), (Strings{"PAS", "inc", "txt"}));
    EXPECT_EQ(SplitExtensionList("*.*;;"), Strings{});

    struct Case {
        const char* name;
        const char* extension;
    } cases[] = {
        {"/src/Unit1.PAS", "PAS"}, {"/src/a.b/file", ""}, {"/src/x.", ""},
        {"/src/x. pas ", "pas"},   {"/src/.hidden", "hidden"}, {"/src/noext", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtensionOf(c.name), c.extension) << c.name;
    EXPECT_TRUE(HasExtension("/p/App.DPR", "dpr"));
    EXPECT_FALSE(HasExtension("/p/App.dpr.bak", "dpr"));
    EXPECT_EQ(ChangeExtension("/src/Unit1.dfm", "pas"), "/src/Unit1.pas");
}

TEST(ExtensionFamilies, ActiveFamiliesComeInStoredOrder) {
    test::TempDir dir;
    test::writeFile(dir.path("f.swd"),
                    "[HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\File Extension Families]\n"
                    "File Extension Family 1=*.pas;*.dfm ^ True\n"
                    "File Extension Family 0=*.cpp;*.h ^ False\n"
                    "File Extension Family 7=*.PAS;*.inc ^ Yes\n"
                    "File Extension Family 3=*.* ^ True\n"
                    "File Extension Family 4=\n");
    const auto store = CreateAppPersistentData(dir.path("f.swd"));
    const auto families = BuildActiveFamilies(*store);
    ASSERT_EQ(families.size(), 2u);
    EXPECT_EQ(families[0].Extensions, (Strings{"pas", "dfm"}));
    EXPECT_EQ(families[1].Extensions, (Strings{"PAS", "inc"}));
    EXPECT_EQ(FindFamily(families, "Pas"), &families[0]); // the first that holds it
    EXPECT_EQ(FindFamily(families, "INC"), &families[1]);
    EXPECT_EQ(FindFamily(families, "h"), nullptr);
    EXPECT_EQ(FindFamily(families, ""), nullptr);
    EXPECT_EQ(ReadFamilyTexts(*store).size(), 5u);
}

TEST(ExtensionFamilies, DialogItemsReadSplitAndWriteBackInListOrder) {
    test::TempDir dir;
    const std::string prefix = "[HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\File Extension Families]\n";
    test::writeFile(dir.path("f.swd"), prefix +
                                           "File Extension Family 5=*.pas;*.dfm ^ True\n"
                                           "File Extension Family 1=\n"
                                           "File Extension Family 0=a ^^ b\n");
    const auto store = CreateAppPersistentData(dir.path("f.swd"));
    using Items = std::vector<TFamilyItem>;
    EXPECT_EQ(ReadFamilyItems(*store), (Items{{"*.pas;*.dfm", true}, {"a", false}}));

    WriteFamilyItems(*store, Items{{"*.pas;*.dfm", true}, {"", false}});
    EXPECT_EQ(test::readFile(dir.path("f.swd")), prefix +
                                                     "File Extension Family 0=*.pas;*.dfm ^ True\n"
                                                     "File Extension Family 1=\" ^ False\"\n"); // a leading blank is kept by quotes
    WriteFamilyItems(*store, {});
    EXPECT_EQ(ReadFamilyTexts(*store), Strings{});
}
