#include "core/base/exceptions.h"
#include "core/store/persistent_data.h"
#include "store/store_test_support.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace swapwright;
using swapwright::test::TempDir;

namespace {

constexpr std::string_view kPrefix = "HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\";

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        store.SetBaseKey("\\Software\\Wq - Software\\Wq - Swapwright\\");
        store.SetFileName(file);
    }
    std::string content() const { return std::filesystem::exists(file) ? test::readFile(file) : "<no file>"; }
    std::string section(std::string_view key) const { return "[" + std::string(kPrefix) + std::string(key) + "]"; }

    TempDir dir;
    std::string file = dir.path("settings.swd");
    TWqPersistentData store;
};

template <typename F>
void expectWqError(F f, std::string_view message, std::string_view routine) {
    try {
        f();
        ADD_FAILURE() << "no error, expected: " << message;
    } catch (const EWqException& e) {
        EXPECT_EQ(e.message(), message);
        EXPECT_EQ(e.routineName(), routine);
    }
}

} // namespace

// --- keys ---------------------------------------------------------------------------------------

TEST_F(StoreTest, KeyPathsResolveAgainstTheCurrentKey) {
    EXPECT_TRUE(store.OpenKey("\\General Settings", true));
    EXPECT_EQ(store.CurrentKey(), "General Settings");
    EXPECT_TRUE(store.OpenKey(" Sub/Deeper/ ", true)); // relative, '/' counts as '\', blanks go
    EXPECT_EQ(store.CurrentKey(), "General Settings\\Sub\\Deeper");
    EXPECT_TRUE(store.OpenKey("/Main Window", true)); // absolute
    EXPECT_EQ(store.CurrentKey(), "Main Window");
    EXPECT_TRUE(store.OpenKey("", true)); // the base key
    EXPECT_EQ(store.CurrentKey(), "");
    EXPECT_EQ(content(), "<no file>"); // opening with creation writes nothing

    store.OpenKey("\\File List\\Contents", true);
    store.WriteString("File 0", "x");
    store.OpenKey("\\", false);
    EXPECT_FALSE(store.OpenKey("\\Missing", false));
    EXPECT_EQ(store.CurrentKey(), "");                  // a failed open keeps the current key
    EXPECT_TRUE(store.OpenKey("\\file list", false)); // only a subkey, other letter case
    EXPECT_FALSE(store.OpenKey("\\File", false));     // a prefix of a name is no key
}

TEST_F(StoreTest, SectionsAreNamedAfterRootAndFullKey) {
    store.OpenKey("\\General Settings", true);
    store.WriteBool("Create Backup Files", true);
    EXPECT_EQ(content(), section("General Settings") + "\nCreate Backup Files=True\n");

    expectWqError([&] { store.SetRootKey(0x80000004u); }, "Invalid Root Key '2147483652'", "SetRootKey");
    store.SetRootKey(kHKeyLocalMachine);
    store.SetUseRootKey(false);
    store.WriteInteger("Count", 3);
    EXPECT_NE(content().find("[Software\\Wq - Software\\Wq - Swapwright\\General Settings]\nCount=3\n"),
              std::string::npos);
}

TEST_F(StoreTest, DeleteKeyTakesTheKeyAndItsSubkeysOnly) {
    for (const char* key : {"\\File List\\Contents", "\\File List\\Contents\\Deeper", "\\File List\\Contents2",
                            "\\File List\\Column Widths"}) {
        store.OpenKey(key, true);
        store.WriteString("v", key);
    }
    store.OpenKey("\\Main Window", true);
    store.DeleteKey("\\File List\\Contents");
    EXPECT_EQ(store.CurrentKey(), "Main Window");
    EXPECT_EQ(content().find("Contents]"), std::string::npos);
    EXPECT_EQ(content().find("Contents\\Deeper]"), std::string::npos);
    EXPECT_NE(content().find("Contents2]"), std::string::npos); // a sibling is no subkey
    EXPECT_NE(content().find("Column Widths]"), std::string::npos);
    const auto before = content();
    store.DeleteKey("");
    store.DeleteKey("\\");
    EXPECT_EQ(content(), before);
}

// --- values -------------------------------------------------------------------------------------

TEST_F(StoreTest, LineBreaksTravelAsSingleBytes) {
    store.OpenKey("\\Find Replace Grid\\Cell Contents", true);
    store.WriteString("Grid Cell (1, 0)", "line one\r\nline two\n");
    EXPECT_NE(content().find("Grid Cell (1, 0)=line one\xFF\xFEline two\xFE\n"), std::string::npos);
    EXPECT_EQ(store.ReadString("Grid Cell (1, 0)", ""), "line one\r\nline two\n");
}

TEST_F(StoreTest, NothingIsCut) {
    const std::string long3000(3000, 'x');
    store.OpenKey("\\Long", true);
    store.WriteString("v", long3000 + "end");
    TWqPersistentData other;
    other.SetFileName(file);
    other.SetBaseKey(store.BaseKey());
    other.OpenKey("\\Long", false);
    EXPECT_EQ(other.ReadString("v", ""), long3000 + "end");

    // More names than a 64 KiB list buffer would hold.
    {
        TWqUpdateScope scope(store);
        store.OpenKey("\\Many", true);
        for (int i = 0; i < 8000; ++i)
            store.WriteInteger("A rather long value name number " + std::to_string(i), i);
        scope.commit();
    }
    std::vector<std::string> names;
    other.OpenKey("\\Many", false);
    other.ReadValueNames(names);
    ASSERT_EQ(names.size(), 8000u);
    EXPECT_EQ(names.back(), "A rather long value name number 7999");
}

TEST_F(StoreTest, TypedValuesFallBackToTheirDefaults) {
    test::writeFile(file, section("T") + "\nint=12x\nhex=$1F\nneg= -7 \nyes=yes\nno=no\nempty=\nwahr=Wahr\n"
                                         "float=2.5\nbadfloat=2,5\nbig=99999999999\n");
    store.OpenKey("\\T", false);
    EXPECT_EQ(store.ReadInteger("int", 100), 100);
    EXPECT_EQ(store.ReadInteger("neg", 0), -7);
    EXPECT_EQ(store.ReadInteger("big", 5), 5);
    EXPECT_TRUE(store.ReadBool("yes", false));
    EXPECT_FALSE(store.ReadBool("no", true));
    EXPECT_FALSE(store.ReadBool("empty", true));
    EXPECT_TRUE(store.ReadBool("wahr", false));
    EXPECT_DOUBLE_EQ(store.ReadFloat("badfloat", 1.25), 1.25);
    store.WriteFloat("third", 1.0 / 3.0);
    EXPECT_EQ(store.ReadFloat("third", 0), 1.0 / 3.0);
}

// --- defined settings ---------------------------------------------------------------------------

TEST_F(StoreTest, DefinedValuesAreReadAndWrittenByNumber) {
    store.DefineValue(1, "General Settings", true, "Create Backup Files");
    store.DefineValue(3, "General Settings", std::int32_t{100}, "Find Replace Grid Row Count");
    store.DefineValue(6, "General Settings", std::string("_"), "Backup File Prefix");
    expectWqError([&] { store.DefineValue(3, "X", std::int32_t{1}, "Y"); }, "A Value with Id '3' already exists",
                  "DefineValue");
    expectWqError([&] { store.ReadValue(99); }, "No Value with Id '99'", "ValueNotExists");
    expectWqError([&] { store.WriteValue(99, std::int32_t{1}); }, "No Value with Id '99'", "ValueNotExists");

    // Missing key: the default, and nothing is created.
    EXPECT_EQ(store.ReadValue(3), TWqVariant(std::int32_t{100}));
    EXPECT_EQ(content(), "<no file>");

    store.WriteValue(3, std::string("5")); // a text converted to the setting's kind
    EXPECT_EQ(store.ReadValue(3), TWqVariant(std::int32_t{5}));
    EXPECT_NE(content().find("Find Replace Grid Row Count=5\n"), std::string::npos);
    EXPECT_THROW(store.WriteValue(3, std::string("abc")), EConvertError);
    store.WriteValue(1, std::string("no"));
    EXPECT_EQ(store.ReadValue(1), TWqVariant(false));
    store.WriteValue(6, std::int32_t{7});
    EXPECT_EQ(store.ReadValue(6), TWqVariant(std::string("7")));
}

// A read of an unchanged store is a look-up; every change in memory or on disk is seen, except
// a change on disk while the checks are held (a run), which is seen once they are released.
TEST_F(StoreTest, DefinedValuesFollowEveryChangeAndHeldChecksWaitForTheRelease) {
    store.DefineValue(1, "General Settings", true, "Create Backup Files");
    EXPECT_EQ(store.ReadValue(1), TWqVariant(true));
    store.OpenKey("\\General Settings", true);
    store.WriteString("Create Backup Files", "False");
    EXPECT_EQ(store.ReadValue(1), TWqVariant(false));
    test::writeFile(file, section("General Settings") + "\nCreate Backup Files=True\n");
    EXPECT_EQ(store.ReadValue(1), TWqVariant(true));

    store.HoldDiskChecks();
    EXPECT_EQ(store.ReadValue(1), TWqVariant(true));
    test::writeFile(file, section("General Settings") + "\nCreate Backup Files=False\n");
    EXPECT_EQ(store.ReadValue(1), TWqVariant(true));
    store.WriteString("Other", "1"); // still written at once
    EXPECT_NE(content().find("Other=1"), std::string::npos);
    store.ReleaseDiskChecks();
    test::writeFile(file, section("General Settings") + "\nCreate Backup Files=False and more\n");
    EXPECT_EQ(store.ReadValue(1), TWqVariant(false));
}

TEST_F(StoreTest, ReadingASettingKeepsTheCurrentKey) {
    store.DefineValue(8, "General Settings", true, "Show String Length Prefix Warning");
    store.OpenKey("\\File List\\Contents", true); // current, but no section in the file yet
    store.ReadValue(8);
    store.WriteValue(8, false);
    EXPECT_EQ(store.CurrentKey(), "File List\\Contents");
    store.WriteString("File 0", "a, True, None");
    EXPECT_NE(content().find("Contents]\nFile 0=a, True, None\n"), std::string::npos);
}

// --- storage types, file names ------------------------------------------------------------------

TEST_F(StoreTest, OnlyTheIniBackEndIsBuilt) {
    EXPECT_EQ(store.StorageType(), stIniFile);
    EXPECT_EQ(store.StorageDescription(), file);
    expectWqError([&] { store.SetStorageType(stRegistry); }, "This Storage Type has not been implemented yet.",
                  "InternalSetStorageType");
    expectWqError([&] { store.SetStorageType(static_cast<TPDStorageType>(7)); },
                  "This Storage Type has not been implemented yet.", "InternalSetStorageType");
    EXPECT_EQ(store.StorageType(), stIniFile);

    const std::array<std::uint8_t, 16> other = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    test::writeFile(file, test::compoundFile(other));
    expectWqError([&] { store.SetStorageType(stStorageFile); },
                  "Invalid Storage GUID, requested GUID {00000000-0000-0000-0000-000000000000} storage GUID "
                  "{04030201-0605-0807-090A-0B0C0D0E0F10}",
                  "InternalSetStorageType");
}

TEST_F(StoreTest, FileNameChangesRedirectTheStore) {
    store.OpenKey("\\K", true);
    store.WriteString("v", "first");
    store.SetFileName(file); // the same name: nothing happens
    const auto upper = dir.path("SETTINGS.swd");
    store.SetFileName(upper); // another file on a file system that tells case apart
    EXPECT_EQ(store.FileName(), upper);
    EXPECT_EQ(store.CurrentKey(), "K"); // base key and current key stay
    EXPECT_EQ(store.ReadString("v", "none"), "none");
    store.WriteString("v", "second");
    EXPECT_NE(test::readFile(file).find("v=first"), std::string::npos);
    EXPECT_NE(test::readFile(upper).find("v=second"), std::string::npos);
}

TEST_F(StoreTest, FilesThatAreNoTextSettingsFilesAreRefusedAndLeftAlone) {
    store.OpenKey("\\K", true);
    store.WriteString("v", "kept");
    const std::string nulBytes = std::string("[K]\nv=1\0\0", 10);
    const auto binary = dir.path("picture.swd");
    test::writeFile(binary, nulBytes);
    const std::array<std::uint8_t, 16> clsid = {0xAA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x55};
    const auto compound = dir.path("document.swd");
    test::writeFile(compound, test::compoundFile(clsid));
    const auto zeroCompound = dir.path("zero.swd");
    test::writeFile(zeroCompound, test::compoundFile({}));

    expectWqError([&] { store.SetFileName(binary); },
                  "The file \"" + binary +
                      "\" is not a text settings file (it holds NUL bytes); it is neither loaded nor overwritten.",
                  "SetFileName");
    expectWqError([&] { store.SetFileName(compound); },
                  "Invalid Storage GUID, requested GUID {00000000-0000-0000-0000-000000000000} storage GUID "
                  "{000000AA-0000-0000-0000-000000000055}",
                  "SetFileName");
    expectWqError([&] { store.SetFileName(zeroCompound); },
                  "The file \"" + zeroCompound +
                      "\" is a structured storage file, not a text settings file; it is neither loaded nor "
                      "overwritten.",
                  "SetFileName");
    EXPECT_EQ(store.FileName(), file);
    EXPECT_EQ(store.ReadString("v", ""), "kept");
    store.WriteString("w", "still here");
    EXPECT_EQ(test::readFile(binary), nulBytes);
    EXPECT_EQ(test::readFile(compound), test::compoundFile(clsid));
    EXPECT_NE(content().find("w=still here"), std::string::npos);

    // A file that turns into something else while in use is not overwritten either.
    test::writeFile(file, nulBytes);
    EXPECT_THROW(store.WriteString("x", "y"), EWqException);
    EXPECT_EQ(test::readFile(file), nulBytes);
}

// --- when the file is written -------------------------------------------------------------------

TEST_F(StoreTest, SingleWritesReachTheFileAtOnceAndScopesWriteOnce) {
    store.OpenKey("\\K", true);
    store.WriteString("a", "1");
    EXPECT_NE(content().find("a=1"), std::string::npos);
    {
        TWqUpdateScope scope(store);
        store.WriteString("b", "2");
        store.WriteString("c", "3");
        EXPECT_EQ(content().find("b=2"), std::string::npos); // not yet
        EXPECT_EQ(store.ReadString("b", ""), "2");
        scope.commit();
    }
    EXPECT_NE(content().find("b=2\nc=3\n"), std::string::npos);

    const auto before = content();
    try {
        TWqUpdateScope scope(store);
        store.WriteString("d", "4");
        throw std::runtime_error("failure half way");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(content(), before); // dropped whole
    EXPECT_EQ(store.ReadString("d", "gone"), "gone");
}

TEST_F(StoreTest, TheFileIsReadAgainWhenItChangesOnDisk) {
    store.OpenKey("\\K", true);
    store.WriteString("a", "1");
    test::writeFile(file, section("K") + "\r\na = edited elsewhere\r\n");
    EXPECT_EQ(store.ReadString("a", ""), "edited elsewhere");
    store.WriteString("b", "2");
    EXPECT_EQ(content(), section("K") + "\r\na = edited elsewhere\r\nb=2\r\n"); // CR LF kept

    // A batch sees what changed before it began.
    test::writeFile(file, section("K") + "\na=changed before the batch\n");
    TWqUpdateScope scope(store);
    EXPECT_EQ(store.ReadString("a", ""), "changed before the batch");
    scope.commit();
}

TEST_F(StoreTest, WriteProtectionKeepsChangesInMemory) {
    test::writeFile(file, section("K") + "\na=1\n");
    store.SetWriteProtected(true);
    store.OpenKey("\\K", true);
    store.WriteString("b", "3");
    store.DeleteKey("\\K");
    store.WriteString("c", "4");
    EXPECT_EQ(store.ReadString("c", ""), "4");
    EXPECT_EQ(content(), section("K") + "\na=1\n");
}

TEST_F(StoreTest, EveryTextReadsBackAndOnlyWhatThePlainFormCannotCarryIsEscaped) {
    struct Case {
        std::string text, stored; // the value as the file holds it
    } cases[] = {
        {"Form1", "Form1"},
        {"two\r\nlines", "two\xFF\xFElines"},                // line breaks as single bytes, as before
        {" 'Form1' ", "\" 'Form1' \""},                      // quoted, as before
        {"|wq-escaped| a", "|wq-escaped| a"},                 // not an escaped form: plain
        {"caf\xFE", "|wq-escaped|caf%FE"},                    // a real 0xFE is no line feed
        {"\xFF\xE9 x\n", "|wq-escaped|%FF\xE9%20x%0A"},
        {std::string("a\0b,%", 5), "|wq-escaped|a%00b%2C%25"},
        {"|wq-escaped|Form1", "|wq-escaped||wq-escaped|Form1"}, // would read as an escaped form
    };
    store.OpenKey("\\K", true);
    for (std::size_t i = 0; i < std::size(cases); ++i)
        store.WriteString("v" + std::to_string(i), cases[i].text);
    TWqPersistentData other;
    other.SetBaseKey(store.BaseKey());
    other.SetFileName(file);
    other.OpenKey("\\K", false);
    const auto stored = content();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto name = "v" + std::to_string(i);
        EXPECT_NE(stored.find("\n" + name + "=" + cases[i].stored + "\n"), std::string::npos) << name << "\n" << stored;
        EXPECT_EQ(other.ReadString(name, "<none>"), cases[i].text) << name;
    }
}
