#include "core/filelist/project_scanner.h"
#include "test_support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace swapwright;
using swapwright::test::TempDir;
using Paths = std::vector<std::string>;

TEST(UnitPathScanner, ClauseRules) {
    struct Case {
        const char* source;
        std::string_view keyword;
        Paths expected;
    } cases[] = {
        {"program P;\nuses\n  Forms,\n  A in 'A.pas' {Form1},\n  B in 'sub\\B.pas';\nbegin end.", kUsesKeyword,
         {"A.pas", "sub\\B.pas"}},
        {"USES X IN 'x.pas';", kUsesKeyword, {"x.pas"}},                              // any letter case
        {"{ this program uses in 'no.pas' }\nuses A in 'a.pas';", kUsesKeyword, {"a.pas"}}, // comments are not read
        {"// uses Z in 'z.pas'\n(* uses Y in 'y.pas' *) uses A in 'a.pas';", kUsesKeyword, {"a.pas"}},
        {"s := 'uses Q in ''q.pas'''; uses A in 'a.pas';", kUsesKeyword, {"a.pas"}},   // nor string literals
        {"uses A in 'a.pas' // , B in 'b.pas'\n;", kUsesKeyword, {"a.pas"}},           // a unit commented out
        {"uses A in 'a.pas' {in 'form.pas'}, B { Form } in 'b.pas';", kUsesKeyword, {"a.pas", "b.pas"}},
        {"uses A in 'a.pas'; begin for I in 'xyz' do ; { in 'c.pas' } end.", kUsesKeyword, {"a.pas"}}, // clause ends at ';'
        {"uses Forms, SysUtils;", kUsesKeyword, {}},                                    // units without in
        {"uses A in 'It''s here.pas', B in '..\\With Space\\b.pas';", kUsesKeyword, {"It's here.pas", "..\\With Space\\b.pas"}},
        {"uses {$IFDEF LINUX}QForms,{$ELSE}Forms,{$ENDIF} M in 'main.pas';", kUsesKeyword, {"main.pas"}},
        {"uses A in 'C:\\Lib\\a.pas';", kUsesKeyword, {"C:\\Lib\\a.pas"}},
        {"reuses A in 'a.pas'; uses_ B in 'b.pas';", kUsesKeyword, {}},                 // whole words only
        {"package P;\nrequires rtl;\ncontains\n  U1 in 'U1.pas',\n  U2 in '..\\U2.pas';\nend.", kContainsKeyword,
         {"U1.pas", "..\\U2.pas"}},
        {"package P; uses A in 'a.pas';", kContainsKeyword, {}},
        {"uses A in 'a.pas', { unterminated", kUsesKeyword, {"a.pas"}},
        {"uses A in 'a.pas', A in 'a.pas';", kUsesKeyword, {"a.pas"}},                 // each path once
        // Conditional compilation: every branch counts, a ';' ends the clause only in its branch.
        {"uses\n  A in 'A.pas'\n  {$ifdef NoB};\n  {$else},\n  B in 'B.pas';\n  {$endif}\nbegin for I in 'x' do end.",
         kUsesKeyword, {"A.pas", "B.pas"}},
        {"uses A in 'a.pas' {$IFDEF X}; {$ENDIF}, B in 'b.pas'; C in 'c.pas';", kUsesKeyword, {"a.pas", "b.pas"}},
        {"{$IFDEF X} uses A in 'a.pas'; {$ELSE} uses B in 'b.pas'; {$ENDIF} X in 'x.pas';", kUsesKeyword, {"a.pas", "b.pas"}},
        {"uses A in 'a.pas' (*$IF X*); (*$ELSEIF Y*), B in 'b.pas'; {$ELSE}, C in 'c.pas'; {$IFEND} D in 'd.pas';",
         kUsesKeyword, {"a.pas", "b.pas", "c.pas"}},
        {"uses {$IFOPT R+} {$IFNDEF A} A in 'a.pas'; {$ENDIF} B in 'b.pas', {$ENDIF} C in 'c.pas'; D in 'd.pas';",
         kUsesKeyword, {"a.pas", "b.pas", "c.pas"}},
        {"uses A in 'a.pas'; {$ENDIF} {$ELSE} B in 'b.pas';", kUsesKeyword, {"a.pas"}},   // closing what never opened
        {"uses {$DEFINE X} {$I inc.inc} A in 'a.pas'; {$R *.res}", kUsesKeyword, {"a.pas"}},
        {"uses A in 'cut", kUsesKeyword, {"cut"}},
        {"", kUsesKeyword, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ScanUnitPaths(c.source, c.keyword), c.expected) << c.source;
}

TEST(UnitPathResolution, FoldersAndClimbing) {
    struct Case {
        const char* project;
        const char* unitPath;
        const char* expected;
    } cases[] = {
        {"/c/Proj/App.dpr", "..\\Lib\\Unit2.pas", "/c/Lib/Unit2.pas"},
        {"/c/Proj/App.dpr", "Sub\\Unit3.pas", "/c/Proj/Sub/Unit3.pas"},
        {"/c/Proj/App.dpr", "../Server/R.pas", "/c/Server/R.pas"},
        {"/a/b/c/App.dpr", "..\\..\\x.pas", "/a/x.pas"},
        {"/p/App.dpr", "..\\..\\..\\x.pas", "/x.pas"},           // climbing stops at the root
        {"/c/Proj/App.dpr", "  'x.pas'  ", "/c/Proj/x.pas"},
        {"/c/Proj/App.dpr", "\\Lib\\x.pas\\", "/c/Proj/Lib/x.pas"},   // backslashes trimmed at both ends
        {"/c/Proj/App.dpr", "/usr/src/x.pas", "/usr/src/x.pas"},     // an absolute path stands as it is
        {"/c/Proj/App.dpr", "Sub\\..\\x.pas", "/c/Proj/Sub/../x.pas"}, // only leading ".." climbs
        {"/App.dpr", "x.pas", "/x.pas"},
        // Nothing left to name.
        {"/c/Proj/App.dpr", "", ""},
        {"/c/Proj/App.dpr", ".", ""},
        {"/c/Proj/App.dpr", "..", ""},
        {"/c/Proj/App.dpr", "...", ""},
        {"/c/Proj/App.dpr", "..\\..", ""},
        {"/c/Proj/App.dpr", "/..", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveUnitPath(c.project, c.unitPath), c.expected) << c.project << " + " << c.unitPath;
}

TEST(UnitPathResolution, MissingPathsAreLookedUpWithoutRegardToCase) {
    TempDir dir;
    test::writeFile(dir.path("proj/sub/unit3.pas"), "unit unit3;");
    test::writeFile(dir.path("proj/Exact.pas"), "");
    EXPECT_EQ(FindPathIgnoringCase(dir.path("Proj/Sub/Unit3.PAS")), dir.path("proj/sub/unit3.pas"));
    EXPECT_EQ(FindPathIgnoringCase(dir.path("proj/Exact.pas")), dir.path("proj/Exact.pas"));
    EXPECT_EQ(FindPathIgnoringCase(dir.path("proj/sub/none.pas")), dir.path("proj/sub/none.pas"));
    EXPECT_EQ(FindPathIgnoringCase(dir.path("PROJ/missing/unit3.pas")), dir.path("PROJ/missing/unit3.pas"));
}

// Real project and package files: the scanner finds as many paths as an independent count.
TEST(UnitPathScanner, RealProjectFiles) {
    namespace fs = std::filesystem;
    const auto corpus = test::sourcePath("tests/fixtures/corpus");
    // Program files: the manifest's own count of clause entries that have "in".
    std::map<std::string, int> expected;
    std::ifstream manifest(corpus + "/MANIFEST.tsv");
    for (std::string line; std::getline(manifest, line);) {
        const auto tab = line.find('\t');
        const auto at = line.find("with-in:");
        if (tab != std::string::npos && at != std::string::npos && line.starts_with("dpr/"))
            expected[line.substr(0, tab)] = std::stoi(line.substr(at + 8));
    }
    // Package files: one unit a line, so the lines with " in '" that are not comments.
    for (const auto& entry : fs::directory_iterator(corpus + "/dpk")) {
        std::ifstream in(entry.path());
        int count = 0;
        for (std::string line; std::getline(in, line);) {
            const auto first = line.find_first_not_of(" \t");
            if (line.find(" in '") != std::string::npos && first != std::string::npos && line.compare(first, 2, "//") != 0)
                ++count;
        }
        expected["dpk/" + entry.path().filename().string()] = count;
    }
    ASSERT_GE(expected.size(), 15u);
    for (const auto& [name, count] : expected) {
        const auto source = test::readFile(corpus + "/" + name);
        const auto paths = ScanUnitPaths(source, name.starts_with("dpk/") ? kContainsKeyword : kUsesKeyword);
        EXPECT_EQ(static_cast<int>(paths.size()), count) << name;
        for (const auto& p : paths)
            EXPECT_EQ(p.find_first_of("'{}\r\n"), std::string::npos) << name << ": " << p;
    }
    // The unit commented out inside the clause is not among them.
    const auto regEdit = ScanUnitPaths(test::readFile(corpus + "/dpr/project-jedi__jvcl__RegEditDemo.dpr"), kUsesKeyword);
    EXPECT_EQ(regEdit, (Paths{"Main.pas"}));
}
