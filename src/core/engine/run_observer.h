#pragma once

#include "core/engine/replacement_model.h"
#include "core/engine/substitution.h"

#include <cstddef>
#include <string_view>

namespace swapwright {

// Hears of each file of a run as the substitution goes over it (a preview collects its changes).
class IRunFileObserver {
public:
    virtual ~IRunFileObserver() = default;
    // The content as the substitution sees it (a form file's text form) stays valid until
    // fileEnded or fileFailed; the receiver returned (or none) hears of the file's replacements.
    virtual IReplacementReceiver* fileStarted(const TFileToProcess& file, std::string_view content, bool formFile,
                                              std::size_t definitionCount) = 0;
    // The pass over the file has ended; canceled: the file stays as it is.
    virtual void fileEnded(bool canceled) = 0;
    // The file failed (also before fileStarted); the message is the report's.
    virtual void fileFailed(const TFileToProcess& file, std::string_view message) = 0;
};

} // namespace swapwright
