#pragma once

#include "core/engine/output_sink.h"

#include <memory>
#include <string>
#include <sys/stat.h>

namespace swapwright {

// Whoever keeps what it takes to put a run's files back. For each group of files the run is
// about to put in place, it tells the journal of each file, lets it store what it was told, and
// then, for each file, keeps the old content where the journal said just before the rename.
class IRunJournal {
public:
    virtual ~IRunJournal() = default;
    // A listener for one file's new content as it is written, handed back to fileReplacing with
    // that file so that the content need not be read again (null: the journal reads it then).
    virtual std::unique_ptr<IDeliveredBytes> newContentListener() { return nullptr; }
    // `target` (links resolved) still holds its old content, whose status is `old`; the file
    // open at `newContent` (named `newContentName`) holds the complete new content about to take
    // its place (read it with pread: its offset is the writer's). `heard` is the listener of
    // newContentListener when it heard every byte of that content from its start, else null.
    // Returns the name under which the replacement is to keep the old content (a name not yet
    // taken), or empty when nothing is kept for this file. Raises when what the file needs cannot
    // be kept: the file then fails and stays as it is.
    virtual std::string fileReplacing(const std::string& target, const struct stat& old, int newContent,
                                      const std::string& newContentName, const IDeliveredBytes* heard) = 0;
    // An open descriptor of the folder every name fileReplacing returns is in (-1: none), valid
    // until runEnded.
    virtual int keptFolderDescriptor() const { return -1; }
    // What fileReplacing was told is written; returns the descriptor of the file it was written
    // to (-1: none), which the run makes durable with its files before the renames follow.
    virtual int storePending() = 0;
    // The file whose old content was to be kept under `keep` was not replaced after all.
    virtual void replacementDropped(const std::string& keep) = 0;
    // The run is over (also when an error ended it).
    virtual void runEnded() = 0;
};

} // namespace swapwright
