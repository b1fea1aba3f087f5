#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace swapwright {

// A seekable byte stream: the abstraction the form converters and the run work through.
class Stream {
public:
    virtual ~Stream() = default;
    Stream() = default;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Reads up to n bytes at the position, returns how many were read.
    virtual std::size_t read(void* buffer, std::size_t n) = 0;
    // Writes all n bytes at the position or raises EWriteError.
    virtual void write(const void* buffer, std::size_t n) = 0;
    virtual std::int64_t position() const = 0;
    // Positions beyond the end are allowed; a negative position raises EStreamError.
    virtual void setPosition(std::int64_t position) = 0;
    virtual std::int64_t size() const = 0;

    void seekRelative(std::int64_t delta) { setPosition(position() + delta); }
    // Reads exactly n bytes or raises EReadError "Stream read error".
    void readBuffer(void* buffer, std::size_t n);
    void write(std::string_view bytes) { write(bytes.data(), bytes.size()); }
    // Copies n bytes (all from the position to the end when n is negative) from source.
    void copyFrom(Stream& source, std::int64_t n = -1);
};

// A growable byte buffer in memory.
class MemoryStream final : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::string bytes) : m_data(std::move(bytes)) {}

    std::size_t read(void* buffer, std::size_t n) override;
    void write(const void* buffer, std::size_t n) override;
    using Stream::write;
    std::int64_t position() const override { return m_position; }
    void setPosition(std::int64_t position) override;
    std::int64_t size() const override { return static_cast<std::int64_t>(m_data.size()); }

    const std::string& bytes() const noexcept { return m_data; }
    std::string takeBytes() noexcept;
    void clear() noexcept;

private:
    std::string m_data;
    std::int64_t m_position = 0;
};

// An unbuffered file on a POSIX descriptor. Reads and writes go straight to the file.
class FileStream final : public Stream {
public:
    enum class Mode { OpenRead, Create };
    // OpenRead raises EFOpenError, Create (truncating) raises EFCreateError on failure.
    FileStream(const std::string& fileName, Mode mode);
    // Takes over an open descriptor (closed with the stream), positioned at 0.
    FileStream(int descriptor, std::string fileName) : m_fileName(std::move(fileName)), m_fd(descriptor) {}
    ~FileStream() override;

    std::size_t read(void* buffer, std::size_t n) override;
    void write(const void* buffer, std::size_t n) override;
    using Stream::write;
    std::int64_t position() const override { return m_position; }
    void setPosition(std::int64_t position) override;
    std::int64_t size() const override;

    const std::string& fileName() const noexcept { return m_fileName; }
    int descriptor() const noexcept { return m_fd; }
    void close();

private:
    std::string m_fileName;
    int m_fd = -1;
    std::int64_t m_position = 0;
};

} // namespace swapwright
