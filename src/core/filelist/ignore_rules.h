#pragma once

#include <memory>
#include <string>
#include <string_view>

struct git_repository;

namespace swapwright {

// The ignore files of the git work tree a folder lies in: the .gitignore files of its folders,
// the repository's info/exclude and the user's excludes file, with git's own rules (negations,
// patterns for folders only, a file in an ignored folder is ignored). Asked by paths relative
// to the folder the rules were opened for.
class TIgnoreRules {
public:
    // The rules for a folder (an absolute path). With searchUpward, of the work tree the folder
    // lies in anywhere; without, only when the folder is itself the top of a work tree (a nested
    // repository met during a walk). Null when there is no such work tree, when the folder lies
    // in a repository's own git folder, and when the folder is itself ignored (a folder chosen
    // by hand is taken whole).
    static std::unique_ptr<TIgnoreRules> open(const std::string& folder, bool searchUpward);

    ~TIgnoreRules();
    TIgnoreRules(const TIgnoreRules&) = delete;
    TIgnoreRules& operator=(const TIgnoreRules&) = delete;

    // Whether the ignore files exclude a file or folder below the folder ('/'-separated path).
    // A path the rules cannot be evaluated for counts as not ignored.
    bool isIgnored(std::string_view relativePath) const;

private:
    TIgnoreRules(git_repository* repository, std::string prefix);

    git_repository* m_repository;
    std::string m_prefix;         // the folder relative to the work tree, with a trailing '/' unless empty
    mutable std::string m_path;   // reused for every question
};

} // namespace swapwright
