#include "core/filelist/ignore_rules.h"

#include <git2.h>

#include <cstdlib>

namespace swapwright {

namespace {

std::string realPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved)
        return {};
    std::string result(resolved);
    std::free(resolved);
    return result;
}

} // namespace

std::unique_ptr<TIgnoreRules> TIgnoreRules::open(const std::string& folder, bool searchUpward) {
    const auto real = realPath(folder);
    if (real.empty())
        return nullptr;
    git_libgit2_init();
    git_repository* repository = nullptr;
    const unsigned flags = searchUpward ? 0u : static_cast<unsigned>(GIT_REPOSITORY_OPEN_NO_SEARCH);
    if (git_repository_open_ext(&repository, real.c_str(), flags, nullptr) != 0) {
        git_libgit2_shutdown();
        return nullptr;
    }
    // From here on the rules own the repository and the library reference.
    std::unique_ptr<TIgnoreRules> rules(new TIgnoreRules(repository, {}));
    const char* workdir = git_repository_workdir(repository);
    if (!workdir)
        return nullptr; // a bare repository
    std::string top(workdir);
    if (!top.empty() && top.back() != '/')
        top += '/';
    const auto inside = real + '/';
    if (!inside.starts_with(top))
        return nullptr;
    std::string prefix = inside.substr(top.size());
    if (prefix.starts_with(".git/"))
        return nullptr;
    if (!prefix.empty() && rules->isIgnored(std::string_view(prefix).substr(0, prefix.size() - 1)))
        return nullptr;
    rules->m_prefix = std::move(prefix);
    return rules;
}

TIgnoreRules::TIgnoreRules(git_repository* repository, std::string prefix)
    : m_repository(repository), m_prefix(std::move(prefix)) {}

TIgnoreRules::~TIgnoreRules() {
    git_repository_free(m_repository);
    git_libgit2_shutdown();
}

bool TIgnoreRules::isIgnored(std::string_view relativePath) const {
    m_path.assign(m_prefix);
    m_path.append(relativePath);
    int ignored = 0;
    if (git_ignore_path_is_ignored(&ignored, m_repository, m_path.c_str()) != 0)
        return false;
    return ignored == 1;
}

} // namespace swapwright
