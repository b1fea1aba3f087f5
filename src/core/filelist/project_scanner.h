#pragma once

#include <string>
#include <string_view>
#include <vector>

// The units a project file brings: the paths given with "in" in its uses clause (program and
// library files) or its contains clause (package files).
namespace swapwright {

inline constexpr std::string_view kUsesKeyword = "uses";
inline constexpr std::string_view kContainsKeyword = "contains";

// The paths of the clause that the keyword (a whole word outside comments and string literals,
// any letter case) opens: for each "in" of the clause, the string literal after it, with doubled
// quotes undone, each path once. Comments ({ }, (* *), //) are passed over, so a unit that is
// commented out brings nothing; units given without "in" bring nothing. The clause ends at its
// ';' (or the end of the text). Conditional compilation ({$IF}, {$IFDEF}, {$IFNDEF}, {$IFOPT} ...
// {$ELSEIF}, {$ELSE} ... {$ENDIF}, {$IFEND}) is followed through every branch, since the defines
// are not known here: a ';' inside one branch ends the clause only for that branch, and the units
// of all branches are listed.
std::vector<std::string> ScanUnitPaths(std::string_view source, std::string_view keyword);

// The file a unit path names, for a project file given by its full path: the path is trimmed of
// backslashes, blanks, line breaks and quotes; '\' and '/' both separate folders; every leading
// ".." climbs one folder up from the project file's folder. A path that begins with '/' is taken
// as it stands. Empty when nothing is left to name (an empty path, or one made only of dots).
std::string ResolveUnitPath(std::string_view projectFileName, std::string_view unitPath);

// The path itself when it exists; otherwise the same path looked up folder by folder without
// regard to ASCII letter case (project files written elsewhere often differ in case). The path
// as given when no such file is found.
std::string FindPathIgnoringCase(const std::string& path);

} // namespace swapwright
