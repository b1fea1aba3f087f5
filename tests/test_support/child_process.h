#pragma once

#include <climits>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace swapwright::test {

// Runs `work` in a child process and returns its result (0 to 255), or -1 when the child did
// not end normally. For what a test cannot do to its own process, such as leaving its folder.
inline int inChild(const std::function<int()>& work) {
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(work());
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// Runs `work` in a child whose current folder lies below `root` deeper than PATH_MAX lets a
// path name it (made with one chdir step per folder); the child removes the folders again.
// 125 when the folders could not be made.
inline int inFolderLongerThanPathMax(const std::string& root, const std::function<int()>& work) {
    return inChild([&] {
        const std::string name(200, 'd');
        const int depth = PATH_MAX / static_cast<int>(name.size() + 1) + 2;
        if (::chdir(root.c_str()) != 0)
            return 125;
        int made = 0;
        while (made < depth && ::mkdir(name.c_str(), 0700) == 0 && ::chdir(name.c_str()) == 0)
            ++made;
        const int result = made == depth ? work() : 125;
        for (; made > 0; --made)
            if (::chdir("..") != 0 || ::rmdir(name.c_str()) != 0)
                return 126;
        return result;
    });
}

} // namespace swapwright::test
