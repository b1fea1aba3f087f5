#pragma once

#include <string>

namespace swapwright {

// Whoever keeps what it takes to put a run's files back. The run tells it of each file just
// before the new content takes the file's place, and lets it store what it was told before the
// renames of the files it told of.
class IRunJournal {
public:
    virtual ~IRunJournal() = default;
    // `target` (links resolved) still holds its old content; the file `newContent` holds the
    // complete new content that is about to take its place. Raises when what the file needs
    // cannot be kept: the file is then failed and stays as it is.
    virtual void fileReplacing(const std::string& target, const std::string& newContent) = 0;
    // What fileReplacing was told is stored; the renames may follow.
    virtual void storePending() = 0;
    // A file told of was not replaced after all.
    virtual void replacementDropped(const std::string& target) = 0;
    // The run is over (also when an error ended it).
    virtual void runEnded() = 0;
};

} // namespace swapwright
