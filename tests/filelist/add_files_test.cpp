#include "core/base/exceptions.h"
#include "core/filelist/add_files.h"
#include "core/filelist/file_list_model.h"
#include "core/settings/app_settings.h"
#include "core/settings/app_store.h"
#include "filelist_test_support.h"
#include "test_support/child_process.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace swapwright;
using swapwright::test::TempDir;
using Strings = std::vector<std::string>;

namespace {

constexpr std::string_view kFamilies =
    "[HKEY_CURRENT_USER\\Software\\Wq - Software\\Wq - Swapwright\\File Extension Families]\n";

class RecordingLoader final : public IDefinitionFileLoader {
public:
    Strings loaded;
    void LoadDefinitionsFromFile(const std::string& fileName) override { loaded.push_back(fileName); }
};

class AddFilesTest : public ::testing::Test {
protected:
    TempDir dir;
    std::unique_ptr<TWqPersistentData> store = CreateAppPersistentData(dir.path("store.swd"));
    TFileListModel list{store.get()};
    RecordingLoader loader;

    void families(const std::string& lines) { test::writeFile(dir.path("store.swd"), std::string(kFamilies) + lines); }
    std::string touch(const std::string& relative) {
        test::writeFile(dir.path(relative), "x");
        return dir.path(relative);
    }
    Strings add(Strings names) {
        AddFiles(names, *store, list, &loader);
        return names;
    }
    Strings listed() const {
        Strings out;
        for (int i = 0; i < list.entryCount(); ++i) {
            auto n = list.entryFileName(i);
            out.push_back(n.starts_with(dir.root()) ? n.substr(dir.root().size() + 1) : n);
        }
        return out;
    }
};

// Makes relative names resolve against a folder for the life of the guard.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string& folder) : m_old(std::filesystem::current_path()) {
        std::filesystem::current_path(folder);
    }
    ~CurrentFolder() { std::filesystem::current_path(m_old); }

private:
    std::filesystem::path m_old;
};

} // namespace

TEST_F(AddFilesTest, NamesBecomeFullPathsAndMissingFilesAreListed) {
    Strings names;
    {
        CurrentFolder here(dir.root());
        names = add({"sub/../missing.txt", "", "./other.txt"});
    }
    EXPECT_EQ(names, (Strings{dir.path("missing.txt"), "", dir.path("other.txt")}));
    EXPECT_EQ(listed(), (Strings{"missing.txt", "other.txt"}));
    EXPECT_EQ(list.entry(0).StateImage, fsiMissing);
    EXPECT_TRUE(list.entryChecked(0));
    EXPECT_EQ(list.entryPrefixText(0), "None");
}

TEST_F(AddFilesTest, ANameThatCannotBeMadeAFullPathIsNamedAndTheOthersAreAdded) {
    const auto gone = dir.path("gone");
    const int result = test::inChild([&] {
        if (::mkdir(gone.c_str(), 0700) != 0 || ::chdir(gone.c_str()) != 0 || ::rmdir(gone.c_str()) != 0)
            return 125;
        try {
            add({"relative.pas", "/abs/x.pas", "other.pas"});
            return 1;
        } catch (const EInOutError& e) {
            if (std::string(e.what()).find("\"relative.pas\"") == std::string::npos)
                return 2;
        }
        return listed() == Strings{"/abs/x.pas"} ? 0 : 3;
    });
    EXPECT_EQ(result, 0);
}

TEST_F(AddFilesTest, NewEntriesTakeTheCheckAndPrefixSettings) {
    store->WriteValue(sidMarkNewFilesAsChecked, false);
    store->WriteValue(sidDefaultStrLenPrefix, std::int32_t{2});
    test::ScriptedQuestion question;
    question.answers = {false};
    list.setQuestion(&question);
    add({touch("a.txt"), touch("b.txt")});
    EXPECT_FALSE(list.entryChecked(1));
    EXPECT_EQ(list.entryPrefixText(1), "16 Bit");
    EXPECT_EQ(question.asked, 1);
    EXPECT_FALSE(ReadBoolSetting(*store, sidShowStrLenPrefixWarning)); // the answer reached the file
    EXPECT_NE(test::readFile(dir.path("store.swd")).find("Show String Length Prefix Warning=False"), std::string::npos);
}

TEST_F(AddFilesTest, FamiliesBringSiblingsThatExist) {
    families("File Extension Family 0=*.pas;*.dfm ^ True\n"
             "File Extension Family 1=*.txt;*.PAS ^ True\n"
             "File Extension Family 2=*.cpp;*.h ^ False\n");
    const auto pas = touch("Unit1.pas");
    add({pas});
    EXPECT_EQ(listed(), (Strings{"Unit1.pas"}));
    add({dir.path("Unit2.pas")}); // missing: nothing
    EXPECT_EQ(listed(), (Strings{"Unit1.pas"}));
    touch("Unit3.pas");
    touch("Unit3.dfm");
    touch("Unit3.txt");
    add({dir.path("Unit3.DFM")}); // the family's order; only the first family holding the extension
    EXPECT_EQ(listed(), (Strings{"Unit1.pas", "Unit3.pas", "Unit3.dfm"}));
    add({dir.path("missing.cpp")}); // an inactive family is no family
    EXPECT_EQ(listed().back(), "missing.cpp");
}

TEST_F(AddFilesTest, FoldersBringTheirFilesThroughTheSameSteps) {
    families("File Extension Family 0=*.pas;*.dfm ^ True\n");
    touch("tree/Unit1.pas");
    touch("tree/Unit1.dfm");
    touch("tree/Only.dfm");
    touch("tree/sub/Unit2.pas");
    touch("tree/notes.txt");
    touch("lib/U.pas");
    test::writeFile(dir.path("tree/App.dpr"), "program App;\nuses U in '../lib/U.pas';\nbegin end.\n");
    test::writeFile(dir.path("tree/other.swd"), "");
    std::filesystem::create_directories(dir.path("looks.pas"));
    TFolderWalkOptions options;
    options.IncludeMasks = "*.dfm;*.dpr";
    Strings names{dir.path("tree"), dir.path("tree/Unit1.pas"), dir.path("looks.pas")};
    const auto result = AddFiles(names, *store, list, &loader, options);
    // The project file's unit before it, the .pas siblings before their forms, no duplicates,
    // a folder named like a file is still a folder, and no definition file is loaded.
    EXPECT_EQ(listed(), (Strings{"lib/U.pas", "tree/App.dpr", "tree/Only.dfm", "tree/Unit1.pas", "tree/Unit1.dfm"}));
    EXPECT_TRUE(loader.loaded.empty());
    EXPECT_EQ(result.UnreadableFolders, 0u);
    EXPECT_FALSE(result.Canceled);
    // Without options given, the default masks.
    list.RemoveAllFiles();
    add({dir.path("tree/sub")});
    EXPECT_EQ(listed(), (Strings{"tree/sub/Unit2.pas"}));
}

TEST_F(AddFilesTest, AFolderAsksThePrefixWarningOnceAndCanBeCancelled) {
    store->WriteValue(sidDefaultStrLenPrefix, std::int32_t{1});
    test::ScriptedQuestion question; // answers Yes: show it again
    list.setQuestion(&question);
    for (int i = 0; i < 100; ++i)
        touch("tree/u" + std::to_string(i) + ".pas");
    add({dir.path("tree"), touch("single.txt")});
    EXPECT_EQ(list.entryCount(), 101);
    EXPECT_EQ(question.asked, 2); // once for the folder, once for the file named by itself
    EXPECT_EQ(list.question(), &question);

    // Cancelled while walking, while adding or once every file is in: the list stays as it was
    // before the folder.
    enum Moment { Walking, Adding, AllAdded };
    struct Canceling final : IAddFolderProgress {
        Moment moment;
        int calls = 0;
        bool addFolderProgress(std::string_view, std::size_t found, std::size_t added) override {
            ++calls;
            if (moment == Adding)
                return added == 0;
            return moment == AllAdded && !(added > 0 && added == found);
        }
    };
    for (const Moment whileAdding : {Walking, Adding, AllAdded}) {
        list.RemoveAllFiles();
        Canceling progress;
        progress.moment = whileAdding;
        Strings names{touch("first.txt"), dir.path("tree"), touch("after.txt")};
        const auto result = AddFiles(names, *store, list, nullptr, {}, &progress);
        EXPECT_TRUE(result.Canceled);
        EXPECT_GT(progress.calls, 0);
        EXPECT_EQ(listed(), (Strings{"first.txt"})) << whileAdding;
    }
}

TEST_F(AddFilesTest, ProjectFilesBringTheirUnits) {
    test::writeFile(dir.path("Proj/App.DPR"), "program App;\r\n"
                                              "uses\r\n"
                                              "  Forms,\r\n"
                                              "  Unit2 in '..\\Lib\\Unit2.pas',\r\n"
                                              "  Unit3 in 'Sub\\Unit3.pas' {Form3},\r\n"
                                              "  Unit4 in 'Missing.pas'\r\n"
                                              "  // , Old in 'Old.pas'\r\n"
                                              "  ;\r\n"
                                              "begin\r\n"
                                              "  { a comment in the body }\r\n"
                                              "end.\r\n");
    touch("Lib/Unit2.pas");
    touch("Lib/Unit2.dfm");
    touch("Proj/sub/unit3.pas"); // other letter case on disk
    touch("Proj/Old.pas");
    families("File Extension Family 0=*.pas;*.dfm ^ True\n");

    add({dir.path("Proj/App.DPR")}); // default action 2: the units, then the project file
    EXPECT_EQ(listed(), (Strings{"Lib/Unit2.pas", "Lib/Unit2.dfm", "Proj/sub/unit3.pas", "Proj/App.DPR"}));

    list.RemoveAllFiles();
    store->WriteValue(sidProjectFileAddAction, std::int32_t{1});
    add({dir.path("Proj/App.DPR")});
    EXPECT_EQ(listed(), (Strings{"Lib/Unit2.pas", "Lib/Unit2.dfm", "Proj/sub/unit3.pas"}));

    list.RemoveAllFiles();
    store->WriteValue(sidProjectFileAddAction, std::int32_t{0});
    add({dir.path("Proj/App.DPR")});
    EXPECT_EQ(listed(), (Strings{"Proj/App.DPR"}));

    list.RemoveAllFiles();
    store->WriteValue(sidProjectFileAddAction, std::int32_t{5}); // outside the list: neither
    add({dir.path("Proj/App.DPR")});
    EXPECT_TRUE(listed().empty());

    // Without a family a unit path that names no file is listed as missing.
    list.RemoveAllFiles();
    families("");
    store->WriteValue(sidProjectFileAddAction, std::int32_t{1});
    add({dir.path("Proj/App.DPR")});
    EXPECT_EQ(listed(), (Strings{"Lib/Unit2.pas", "Proj/sub/unit3.pas", "Proj/Missing.pas"}));
}

TEST_F(AddFilesTest, PackageFilesAndMissingProjects) {
    test::writeFile(dir.path("pkg/P.dpk"), "package P;\nrequires rtl;\ncontains\n  A in 'A.pas',\n  B in '../B.pas';\nend.\n");
    add({dir.path("pkg/P.dpk")});
    EXPECT_EQ(listed(), (Strings{"pkg/A.pas", "B.pas", "pkg/P.dpk"}));
    list.RemoveAllFiles();
    add({dir.path("pkg/Gone.dpr")}); // missing: only itself
    EXPECT_EQ(listed(), (Strings{"pkg/Gone.dpr"}));
}

TEST_F(AddFilesTest, DefinitionFilesAreLoadedAndListedByTheAddAction) {
    const auto defs = touch("other.SWD");
    add({defs});
    EXPECT_EQ(loader.loaded, (Strings{defs}));
    EXPECT_EQ(listed(), (Strings{"other.SWD"}));

    list.RemoveAllFiles();
    loader.loaded.clear();
    store->WriteValue(sidProjectFileAddAction, std::int32_t{1});
    add({defs, dir.path("missing.swd")});
    EXPECT_EQ(loader.loaded, (Strings{defs}));
    EXPECT_TRUE(listed().empty());

    // Without a loader a definition file is only listed.
    store->WriteValue(sidProjectFileAddAction, std::int32_t{2});
    Strings names{defs};
    AddFiles(names, *store, list, nullptr);
    EXPECT_EQ(listed(), (Strings{"other.SWD"}));
}

// Real project files in a folder tree holding the units they name.
TEST_F(AddFilesTest, RealProjectFilesInATree) {
    const auto corpus = test::sourcePath("tests/fixtures/corpus/dpr/");
    test::writeFile(dir.path("x/Client/Client.dpr"), test::readFile(corpus + "project-jedi__jvcl__Client.dpr"));
    test::writeFile(dir.path("x/RegTV/RegEditDemo.dpr"), test::readFile(corpus + "project-jedi__jvcl__RegEditDemo.dpr"));
    touch("x/Client/main.pas");
    touch("x/Server/RemoteObject_UIB.pas");
    touch("x/RegTV/Main.pas");
    touch("Add/Utils/StrStore.pas"); // named only in a comment
    store->WriteValue(sidProjectFileAddAction, std::int32_t{1});
    add({dir.path("x/Client/Client.dpr"), dir.path("x/RegTV/RegEditDemo.dpr")});
    EXPECT_EQ(listed(), (Strings{"x/Client/main.pas", "x/Server/RemoteObject_UIB.pas", "x/RegTV/Main.pas"}));
    for (int i = 0; i < list.entryCount(); ++i)
        EXPECT_EQ(list.entry(i).StateImage, fsiExists);
}
