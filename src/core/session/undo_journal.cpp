#include "core/session/undo_journal.h"

#include "core/base/exceptions.h"
#include "core/base/file_ops.h"
#include "core/base/file_replace.h"
#include "core/base/text.h"
#include "core/engine/operation_report.h"

#include <xxhash.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <thread>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace swapwright {

namespace {

constexpr std::string_view kJournalName = "journal";
constexpr std::string_view kUndoneName = "undone";
constexpr std::string_view kLockName = ".lock";
constexpr std::string_view kSummaryName = "summary";
constexpr std::string_view kJournalHeader = "swapwright undo journal 1\n";

// --- names and texts

std::string keptName(std::size_t index) { return std::to_string(index) + ".old"; }

std::string twoDigits(int v) { return text::format(v < 10 ? "0%d" : "%d", v); }

std::string stampOf(TDateTime t) {
    const auto p = decodeDateTime(t);
    return text::format("%d%s%s-%s%s%s", p.year, twoDigits(p.month), twoDigits(p.day), twoDigits(p.hour),
                        twoDigits(p.minute), twoDigits(p.second));
}

std::string startTextOf(TDateTime t) {
    const auto p = decodeDateTime(t);
    return text::format("%d-%s-%s %s:%s:%s", p.year, twoDigits(p.month), twoDigits(p.day), twoDigits(p.hour),
                        twoDigits(p.minute), twoDigits(p.second));
}

// Paths stand last on their journal line: backslash and the bytes below 0x20 are escaped.
std::string escapePath(std::string_view path) {
    std::string out;
    for (const char c : path) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\\')
            out += "\\\\";
        else if (u < 0x20 || u == 0x7F)
            out += text::format("\\x%s", std::string(1, "0123456789ABCDEF"[u >> 4]) + "0123456789ABCDEF"[u & 15]);
        else
            out += c;
    }
    return out;
}

std::optional<std::string> unescapePath(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out += s[i];
            continue;
        }
        if (i + 1 < s.size() && s[i + 1] == '\\') {
            out += '\\';
            ++i;
        } else if (i + 3 < s.size() && s[i + 1] == 'x' && std::isxdigit(static_cast<unsigned char>(s[i + 2])) &&
                   std::isxdigit(static_cast<unsigned char>(s[i + 3]))) {
            out += static_cast<char>(std::stoi(std::string(s.substr(i + 2, 2)), nullptr, 16));
            i += 3;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

std::string errnoText(int err) { return std::strerror(err); }

// --- fingerprints

struct Fingerprint {
    std::uint64_t size = 0;
    std::string hash; // 32 hexadecimal digits
    friend bool operator==(const Fingerprint&, const Fingerprint&) = default;
};

std::string hexOf(const XXH128_hash_t& h) {
    char hex[33];
    std::snprintf(hex, sizeof hex, "%016" PRIx64 "%016" PRIx64, static_cast<std::uint64_t>(h.high64),
                  static_cast<std::uint64_t>(h.low64));
    return hex;
}

// The fingerprint of a content heard as it was written.
class HeardContent final : public IDeliveredBytes {
public:
    HeardContent() : m_state(XXH3_createState()) {
        if (m_state == nullptr)
            throw std::bad_alloc();
        XXH3_128bits_reset(m_state);
    }
    ~HeardContent() override { XXH3_freeState(m_state); }
    HeardContent(const HeardContent&) = delete;
    HeardContent& operator=(const HeardContent&) = delete;

    void delivered(const char* data, std::size_t n) override {
        XXH3_128bits_update(m_state, data, n);
        m_size += n;
    }
    Fingerprint fingerprint() const { return {m_size, hexOf(XXH3_128bits_digest(m_state))}; }

private:
    XXH3_state_t* m_state;
    std::uint64_t m_size = 0;
};

Fingerprint fingerprintOf(files::FileReader& reader) {
    XXH3_state_t* state = XXH3_createState();
    if (state == nullptr)
        throw std::bad_alloc();
    XXH3_128bits_reset(state);
    Fingerprint f;
    std::string buffer(std::size_t{1} << 18, '\0');
    try {
        for (std::size_t n; (n = reader.read(buffer.data(), buffer.size())) > 0;) {
            XXH3_128bits_update(state, buffer.data(), n);
            f.size += n;
        }
    } catch (...) {
        XXH3_freeState(state);
        throw;
    }
    f.hash = hexOf(XXH3_128bits_digest(state));
    XXH3_freeState(state);
    return f;
}

// The content of the file open at `fd`, read from its start with pread.
Fingerprint fingerprintOfDescriptor(int fd, const std::string& name) {
    XXH3_state_t* state = XXH3_createState();
    if (state == nullptr)
        throw std::bad_alloc();
    XXH3_128bits_reset(state);
    Fingerprint f;
    static thread_local std::string buffer(std::size_t{1} << 18, '\0');
    for (;;) {
        const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), static_cast<off_t>(f.size));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            XXH3_freeState(state);
            throw EFOpenError("Cannot read file \"" + name + "\": " + errnoText(err));
        }
        if (n == 0)
            break;
        XXH3_128bits_update(state, buffer.data(), static_cast<std::size_t>(n));
        f.size += static_cast<std::uint64_t>(n);
        if (static_cast<std::size_t>(n) < buffer.size())
            break; // a regular file reads short only at its end
    }
    f.hash = hexOf(XXH3_128bits_digest(state));
    XXH3_freeState(state);
    return f;
}

Fingerprint fingerprintOf(const std::string& fileName) {
    files::FileReader reader(fileName);
    return fingerprintOf(reader);
}

std::int64_t mtimeNs(const struct stat& st) {
    return static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// --- the journal

int fileCount(const TUndoJournalText& j) {
    return static_cast<int>(
        std::count_if(j.Records.begin(), j.Records.end(), [](const TUndoRecord& r) { return !r.Dropped; }));
}

std::optional<TUndoJournalText> readJournal(const std::string& runFolder) {
    try {
        auto reader = files::FileReader::openIfExists(runFolder + "/" + std::string(kJournalName));
        if (!reader)
            return std::nullopt;
        std::string text;
        reader->readRest(text);
        return ParseUndoJournal(text);
    } catch (const Exception&) {
        return std::nullopt;
    }
}

// The beginning of a run's journal: its header and start (the file lines are not all read).
std::optional<TUndoJournalText> readJournalStart(const std::string& runFolder) {
    const std::string name = runFolder + "/" + std::string(kJournalName);
    files::FileDescriptor fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return std::nullopt;
    char head[512];
    const ssize_t n = ::pread(fd.get(), head, sizeof head, 0);
    if (n <= 0)
        return std::nullopt;
    return ParseUndoJournal(std::string_view(head, static_cast<std::size_t>(n)));
}

// What a run that ended wrote about itself: its files and the bytes of their old contents.
struct Summary {
    int files = 0;
    std::uint64_t bytes = 0;
};

std::optional<Summary> readSummary(const std::string& runFolder) {
    const std::string name = runFolder + "/" + std::string(kSummaryName);
    files::FileDescriptor fd(::open(name.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return std::nullopt;
    char text[128];
    const ssize_t n = ::pread(fd.get(), text, sizeof text - 1, 0);
    if (n <= 0)
        return std::nullopt;
    text[n] = '\0';
    unsigned long long files = 0, bytes = 0;
    if (std::sscanf(text, "files %llu\nbytes %llu\n", &files, &bytes) != 2 || files > 1u << 30)
        return std::nullopt;
    return Summary{static_cast<int>(files), static_cast<std::uint64_t>(bytes)};
}

void writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EInOutError("Cannot write the undo journal: " + errnoText(errno));
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// Every missing folder of the path, private to the user.
void makeFolders(const std::string& folder) {
    std::size_t pos = 1;
    while (pos <= folder.size()) {
        const std::size_t slash = folder.find('/', pos);
        const std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            throw EInOutError("Cannot create the folder \"" + part + "\": " + errnoText(errno));
        if (slash == std::string::npos)
            break;
        pos = slash + 1;
    }
}

// An exclusive lock on a file of the undo folder, held while the object lives.
class FolderLock {
public:
    explicit FolderLock(const std::string& file) {
        m_fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd < 0)
            throw EInOutError("Cannot open \"" + file + "\": " + errnoText(errno));
        while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) {
        }
    }
    ~FolderLock() { ::close(m_fd); }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int m_fd;
};

// Whether some process holds the journal of a run (recording or undoing it).
bool journalInUse(const std::string& runFolder) {
    const std::string name = runFolder + "/" + std::string(kJournalName);
    const int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool busy = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    return busy;
}

std::vector<std::string> runFolderNames(const std::string& undoFolder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(undoFolder, ec)) {
        const std::string name = e.path().filename().string();
        if (!name.starts_with(".") && e.is_directory(ec))
            names.push_back(name);
    }
    return names;
}

} // namespace

std::string UndoJournalHeader(TDateTime started) {
    // The start in milliseconds, free of any locale's decimal sign.
    return std::string(kJournalHeader) +
           text::format("started %d %s\n", std::llround(started * kMillisecondsPerDay), startTextOf(started));
}

std::string UndoJournalFileLine(std::size_t index, const TUndoRecord& r) {
    std::string line = "file ";
    line.reserve(96 + r.Path.size());
    for (const std::string& field : {std::to_string(index), std::to_string(r.WrittenSize), r.WrittenHash,
                                     std::to_string(r.OldSize), std::to_string(r.OldMtime), std::to_string(r.OldInode)})
        line.append(field).append(1, ' ');
    line += escapePath(r.Path);
    line += '\n';
    return line;
}

std::string UndoJournalDroppedLine(std::size_t index) { return text::format("dropped %u\n", index); }

std::optional<TUndoJournalText> ParseUndoJournal(std::string_view text) {
    if (!text.starts_with(kJournalHeader))
        return std::nullopt;
    TUndoJournalText j;
    std::size_t pos = kJournalHeader.size();
    while (pos < text.size()) {
        const std::size_t lf = text.find('\n', pos);
        if (lf == std::string_view::npos)
            break; // a line cut short by the end of its writer
        const std::string_view line = text.substr(pos, lf - pos);
        pos = lf + 1;
        // Up to seven fields before the rest of the line.
        std::vector<std::string_view> fields;
        std::size_t at = 0;
        while (fields.size() < 7) {
            const std::size_t blank = line.find(' ', at);
            if (blank == std::string_view::npos)
                break;
            fields.push_back(line.substr(at, blank - at));
            at = blank + 1;
        }
        const std::string_view rest = line.substr(at);
        if (fields.size() >= 2 && fields[0] == "started") {
            const auto ms = text::parseInt64(fields[1]);
            if (!ms || *ms < 0 || *ms >= (std::int64_t{1} << 48))
                return std::nullopt;
            j.Started = static_cast<double>(*ms) / kMillisecondsPerDay;
            j.StartText = std::string(line.substr(fields[0].size() + 1 + fields[1].size() + 1));
        } else if (fields.size() == 7 && fields[0] == "file") {
            const auto index = text::parseInt64(fields[1]);
            const auto size = text::parseInt64(fields[2]);
            const auto oldSize = text::parseInt64(fields[4]);
            const auto oldMtime = text::parseInt64(fields[5]);
            const auto oldInode = text::parseInt64(fields[6]);
            auto path = unescapePath(rest);
            if (!index || !size || *size < 0 || !oldSize || *oldSize < 0 || !oldMtime || !oldInode || *oldInode < 0 ||
                !path || path->empty() || *index != static_cast<std::int64_t>(j.Records.size()))
                continue;
            j.Records.push_back({std::move(*path), static_cast<std::uint64_t>(*size), std::string(fields[3]),
                                 static_cast<std::uint64_t>(*oldSize), *oldMtime,
                                 static_cast<std::uint64_t>(*oldInode), false});
        } else if (fields.size() == 1 && fields[0] == "dropped") {
            const auto index = text::parseInt64(rest);
            if (index && *index >= 0 && *index < static_cast<std::int64_t>(j.Records.size()))
                j.Records[static_cast<std::size_t>(*index)].Dropped = true;
        }
    }
    return j;
}

std::string DefaultUndoFolder(const char* xdgStateHome, const char* home) {
    if (xdgStateHome != nullptr && xdgStateHome[0] == '/')
        return std::string(xdgStateHome) + "/swapwright/runs";
    if (home != nullptr && home[0] != '\0')
        return std::string(home) + "/.local/state/swapwright/runs";
    return {};
}

// ---------------------------------------------------------------------------------------------
// Recording a run.

TUndoRecorder::TUndoRecorder(std::string undoFolder, TUndoLimits limits, TDateTime startTime, IReportSink* report)
    : m_folder(std::move(undoFolder)), m_limits(limits), m_startTime(startTime), m_report(report) {}

TUndoRecorder::~TUndoRecorder() { runEnded(); }

bool TUndoRecorder::open() {
    if (m_journal >= 0)
        return true;
    if (m_disabled || m_ended)
        return false;
    if (m_limits.Runs <= 0 || m_folder.empty()) {
        m_disabled = true;
        return false;
    }
    try {
        makeFolders(m_folder);
        const FolderLock lock(m_folder + "/" + std::string(kLockName));
        const std::string stamp = stampOf(m_startTime);
        for (int k = 1;; ++k) {
            const std::string name = k == 1 ? stamp : stamp + "-" + std::to_string(k);
            const std::string folder = m_folder + "/" + name;
            if (::mkdir(folder.c_str(), 0700) == 0) {
                m_name = name;
                m_runFolder = folder;
                break;
            }
            if (errno != EEXIST || k >= 1000)
                throw EInOutError("Cannot create the folder \"" + folder + "\": " + errnoText(errno));
        }
        const std::string journal = m_runFolder + "/" + std::string(kJournalName);
        m_journal = ::open(journal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
        if (m_journal < 0)
            throw EInOutError("Cannot create \"" + journal + "\": " + errnoText(errno));
        ::flock(m_journal, LOCK_EX); // in use until the run ends
        // The old contents are linked from here (without one, by their full names).
        m_runFolderFd = ::open(m_runFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        m_pending = UndoJournalHeader(m_startTime);
        startPruning();
        return true;
    } catch (const std::exception& e) {
        m_disabled = true;
        if (m_journal >= 0)
            ::close(m_journal), m_journal = -1;
        if (m_runFolderFd >= 0)
            ::close(m_runFolderFd), m_runFolderFd = -1;
        if (m_report != nullptr)
            m_report->addLine(text::format("Undo data is not kept for this run: %s", e.what()), kLookPlain);
        return false;
    }
}

std::unique_ptr<IDeliveredBytes> TUndoRecorder::newContentListener() {
    if (m_disabled)
        return nullptr;
    return std::make_unique<HeardContent>();
}

std::string TUndoRecorder::fileReplacing(const std::string& target, const struct stat& old, int newContent,
                                        const std::string& newContentName, const IDeliveredBytes* heard) {
    if (!open())
        return {};
    const std::size_t index = m_keeps.size();
    const auto* listener = dynamic_cast<const HeardContent*>(heard);
    const Fingerprint written =
        listener != nullptr ? listener->fingerprint() : fingerprintOfDescriptor(newContent, newContentName);
    m_pending += UndoJournalFileLine(index, {target, written.size, written.hash, static_cast<std::uint64_t>(old.st_size),
                                             mtimeNs(old), static_cast<std::uint64_t>(old.st_ino), false});
    m_keeps.push_back(m_runFolder + "/" + keptName(index));
    m_oldSizes.push_back(static_cast<std::uint64_t>(old.st_size));
    return m_keeps.back();
}

int TUndoRecorder::storePending() {
    if (m_journal < 0)
        return -1;
    if (!m_pending.empty()) {
        writeAll(m_journal, m_pending);
        m_pending.clear();
    }
    return m_journal;
}

void TUndoRecorder::replacementDropped(const std::string& keep) {
    if (m_journal < 0 || keep.empty())
        return;
    for (std::size_t i = m_keeps.size(); i-- > 0;) {
        if (m_keeps[i] == keep) {
            m_keeps[i].clear();
            m_pending += UndoJournalDroppedLine(i);
            files::removeQuietly(keep);
            return;
        }
    }
}

// Removing the oldest run frees as many files as this run keeps, so it is done beside the run
// rather than after it. The new run's folder already counts (its journal is locked, so it stays);
// the byte cap is checked again when the run ends and its size is known.
void TUndoRecorder::startPruning() noexcept {
    try {
        m_pruning = std::thread([folder = m_folder, limits = m_limits] {
            try {
                PruneUndoFolder(folder, limits);
            } catch (const std::exception&) {
                // The run's end prunes again.
            }
        });
    } catch (const std::system_error&) {
        // No thread: the run's end prunes.
    }
}

void TUndoRecorder::runEnded() {
    if (m_ended)
        return;
    m_ended = true;
    if (m_pruning.joinable())
        m_pruning.join();
    const bool recorded = m_journal >= 0;
    if (recorded) {
        try {
            storePending();
        } catch (const std::exception&) {
            // What reached the journal stays; the rest of the run cannot be undone.
        }
        ::close(m_journal);
        m_journal = -1;
        if (m_runFolderFd >= 0)
            ::close(m_runFolderFd), m_runFolderFd = -1;
        Summary summary;
        for (std::size_t i = 0; i < m_keeps.size(); ++i) {
            if (m_keeps[i].empty())
                continue;
            ++summary.files;
            summary.bytes += m_oldSizes[i];
        }
        if (summary.files > 0) {
            // Read by the pruning of later runs instead of every kept file's size.
            const std::string name = m_runFolder + "/" + std::string(kSummaryName);
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            if (fd >= 0) {
                try {
                    writeAll(fd, text::format("files %d\nbytes %u\n", summary.files, summary.bytes));
                } catch (const std::exception&) {
                    files::removeQuietly(name);
                }
                ::close(fd);
            }
        }
        if (summary.files == 0) {
            std::error_code ec;
            std::filesystem::remove_all(m_runFolder, ec);
            m_name.clear();
        }
    }
    if (recorded || (m_limits.Runs <= 0 && !m_folder.empty())) {
        try {
            PruneUndoFolder(m_folder, m_limits);
        } catch (const std::exception&) {
            // The next run prunes again.
        }
    }
}

void PruneUndoFolder(const std::string& undoFolder, const TUndoLimits& limits) {
    if (undoFolder.empty() || !std::filesystem::is_directory(undoFolder))
        return;
    const FolderLock lock(undoFolder + "/" + std::string(kLockName));
    struct Entry {
        std::string folder;
        TDateTime started = 0;
        std::string name;
        std::uint64_t bytes = 0;
        bool inUse = false;
    };
    std::vector<Entry> entries;
    std::error_code ec;
    for (const auto& name : runFolderNames(undoFolder)) {
        Entry e{undoFolder + "/" + name, 0, name, 0, false};
        e.inUse = journalInUse(e.folder);
        const auto journal = readJournalStart(e.folder);
        if (!journal) {
            if (!e.inUse)
                std::filesystem::remove_all(e.folder, ec); // never got its journal
            continue;
        }
        e.started = journal->Started;
        if (const auto summary = readSummary(e.folder)) {
            e.bytes = summary->bytes;
        } else {
            // A run that did not end (killed, or still going on): its kept files tell.
            for (const auto& f : std::filesystem::directory_iterator(e.folder, ec)) {
                if (f.path().extension() == ".old") {
                    struct stat st {};
                    if (::stat(f.path().c_str(), &st) == 0)
                        e.bytes += static_cast<std::uint64_t>(st.st_size);
                }
            }
        }
        entries.push_back(std::move(e));
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.started != b.started ? a.started > b.started : a.name > b.name;
    });
    std::uint64_t total = 0;
    bool full = false;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        total += e.bytes;
        full = full || (i > 0 && total > limits.Bytes);
        const bool keep = static_cast<int>(i) < limits.Runs && !full;
        if (!keep && !e.inUse)
            std::filesystem::remove_all(e.folder, ec);
    }
}

// ---------------------------------------------------------------------------------------------
// Undoing.

TUndoHistory::TUndoHistory(std::string undoFolder) : m_folder(std::move(undoFolder)) {}

std::vector<TUndoRun> TUndoHistory::runs() const {
    std::vector<TUndoRun> out;
    if (m_folder.empty())
        return out;
    for (const auto& name : runFolderNames(m_folder)) {
        const std::string folder = m_folder + "/" + name;
        const auto summary = readSummary(folder);
        const auto journal = summary ? readJournalStart(folder) : readJournal(folder);
        if (!journal)
            continue;
        TUndoRun r;
        r.Name = name;
        r.StartTime = journal->Started;
        r.StartText = journal->StartText;
        r.FileCount = summary ? summary->files : fileCount(*journal);
        r.Undone = files::entryExists(folder + "/" + std::string(kUndoneName));
        out.push_back(std::move(r));
    }
    std::sort(out.begin(), out.end(), [](const TUndoRun& a, const TUndoRun& b) {
        return a.StartTime != b.StartTime ? a.StartTime < b.StartTime : a.Name < b.Name;
    });
    return out;
}

std::optional<TUndoRun> TUndoHistory::find(const std::string& name) const {
    for (auto& r : runs())
        if (r.Name == name)
            return r;
    return std::nullopt;
}

std::optional<TUndoRun> TUndoHistory::lastRun() const {
    auto all = runs();
    if (all.empty())
        return std::nullopt;
    return all.back();
}

std::optional<TUndoRun> TUndoHistory::lastNotUndone() const {
    auto all = runs();
    for (auto r = all.rbegin(); r != all.rend(); ++r)
        if (!r->Undone)
            return *r;
    return std::nullopt;
}

namespace {

enum class Outcome { Restored, AsBefore, NotReplaced, Skipped, Gone, InUse };

// One file of an undo: put back when it holds what the run wrote.
Outcome restoreFile(const TUndoRecord& record, const std::string& kept, bool dryRun) {
    auto reader = files::FileReader::openIfExists(record.Path);
    if (!reader)
        return Outcome::Gone;
    if (!dryRun && !reader->tryLock())
        return Outcome::InUse; // a run works on it now
    const struct stat current = reader->status();
    const Fingerprint now = fingerprintOf(*reader);
    struct stat keptStatus {};
    const bool haveKept = ::stat(kept.c_str(), &keptStatus) == 0;
    if (now != Fingerprint{record.WrittenSize, record.WrittenHash}) {
        // The old file itself, never replaced (the run stopped before its rename).
        if (static_cast<std::uint64_t>(current.st_ino) == record.OldInode &&
            static_cast<std::uint64_t>(current.st_size) == record.OldSize && mtimeNs(current) == record.OldMtime)
            return Outcome::NotReplaced;
        if (haveKept && now.size == record.OldSize && fingerprintOf(kept) == now)
            return Outcome::AsBefore;
        return Outcome::Skipped;
    }
    if (!haveKept || static_cast<std::uint64_t>(keptStatus.st_size) != record.OldSize ||
        mtimeNs(keptStatus) != record.OldMtime)
        throw EInOutError(text::format("The kept content of %s is missing or was changed; the file is left as it is",
                                       record.Path));
    if (dryRun)
        return Outcome::Restored;
    const std::string old = files::readWholeFile(kept);
    files::ReplaceOptions options;
    options.FollowLinks = false;
    files::FileReplacement replacement(*reader, options);
    replacement.write(old);
    try {
        files::CommitOptions commit;
        commit.Source = &*reader; // nothing may have changed the file since it was read
        replacement.commit(commit);
    } catch (const files::EFileChanged&) {
        return Outcome::Skipped;
    }
    return Outcome::Restored;
}

} // namespace

TUndoResult TUndoHistory::undo(const std::string& name, IReportSink& report, const IDateTimeFormatter& dates,
                               IProgressSink* progress, bool dryRun, TDateTime now) const {
    TUndoResult result;
    const std::string folder = m_folder + "/" + name;
    const auto run = find(name);
    if (!run || run->Undone) {
        result.NothingToUndo = true;
        return result;
    }
    const std::string journalName = folder + "/" + std::string(kJournalName);
    files::FileDescriptor journalFd(::open(journalName.c_str(), O_RDONLY | O_CLOEXEC));
    if (!journalFd || ::flock(journalFd.get(), LOCK_EX | LOCK_NB) != 0)
        throw EInOutError(text::format("The run %s is in use by another program", name));
    const auto journal = readJournal(folder);
    if (!journal)
        throw EInOutError(text::format("The journal of the run %s cannot be read", name));

    report.clear();
    report.show();
    AddOpeningLines(report, now, dates);
    report.addLine(text::format(dryRun ? "Undoing the Run of %s (%s), writing nothing" : "Undoing the Run of %s (%s)",
                                journal->StartText, name),
                   kLookPlain);
    int item = 0;
    for (std::size_t i = journal->Records.size(); i-- > 0;) {
        const TUndoRecord& r = journal->Records[i];
        if (r.Dropped)
            continue;
        if (progress != nullptr && progress->canceled()) {
            result.Canceled = true;
            break;
        }
        const std::string line = text::format("Restoring File: %s", r.Path);
        report.addLine(line, kLookPlain);
        if (progress != nullptr)
            progress->setItem(item++, line);
        try {
            switch (restoreFile(r, folder + "/" + keptName(i), dryRun)) {
            case Outcome::Restored: ++result.Restored; break;
            case Outcome::AsBefore:
                ++result.Restored;
                report.addLine("   It holds its content from before the run already", kLookFileDetail);
                break;
            case Outcome::NotReplaced:
                ++result.Restored;
                report.addLine("   The run did not replace it", kLookFileDetail);
                break;
            case Outcome::InUse:
                ++result.Skipped;
                AddErrorLine(report, text::format("%s is in use by a run; it is left as it is", r.Path));
                break;
            case Outcome::Skipped:
                ++result.Skipped;
                AddErrorLine(report, text::format("%s was changed since the run; it is left as it is", r.Path));
                break;
            case Outcome::Gone:
                ++result.Skipped;
                AddErrorLine(report, text::format("%s was removed since the run; it is not restored", r.Path));
                break;
            }
        } catch (const std::exception& e) {
            ++result.Failed;
            AddErrorLine(report, e.what());
        }
    }
    if (progress != nullptr && progress->canceled())
        result.Canceled = true;
    if (!dryRun && !result.Canceled)
        files::writeFileAtomically(folder + "/" + std::string(kUndoneName), startTextOf(now) + "\n");

    report.addLine("", kLookPlain);
    report.addLine("", kLookPlain);
    report.addLine(text::format("Total Number of Files restored: %d", result.Restored), kLookPlain);
    report.addLine("", kLookPlain);
    report.addLine(text::format("Total Number of Files left as they are: %d", result.Skipped + result.Failed),
                   kLookPlain);
    report.addLine("", kLookPlain);
    report.addLine("", kLookPlain);
    report.addLine(text::format("Termination: %s", result.Canceled ? "Canceled by User" : "Normal"), kLookPlain);
    return result;
}

} // namespace swapwright
