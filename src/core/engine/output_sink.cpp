#include "core/engine/output_sink.h"

#include "core/base/exceptions.h"
#include "core/base/stream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace swapwright {

OutputSink::OutputSink(std::size_t bufferSize)
    : m_capacity(std::max<std::size_t>(bufferSize, 16 * kMaxRewrite)) {
    m_buffer = std::make_unique_for_overwrite<char[]>(m_capacity); // written before it is read
}

void OutputSink::write(const void* data, std::size_t n) {
    if (n == 0)
        return; // an empty view may carry no pointer at all
    const auto* bytes = static_cast<const char*>(data);
    if (n <= m_capacity - m_used) {
        std::memcpy(m_buffer.get() + m_used, bytes, n);
        m_used += n;
        return;
    }
    if (n >= m_capacity / 2) {
        // A long block goes to the device directly; only its last bytes stay behind.
        if (m_used > 0) {
            deliver(m_buffer.get(), m_used);
            m_delivered += m_used;
            m_used = 0;
        }
        const std::size_t head = n - kMaxRewrite;
        deliver(bytes, head);
        m_delivered += head;
        std::memcpy(m_buffer.get(), bytes + head, kMaxRewrite);
        m_used = kMaxRewrite;
        return;
    }
    deliverHead(kMaxRewrite);
    std::memcpy(m_buffer.get() + m_used, bytes, n);
    m_used += n;
}

void OutputSink::overwriteTail(const void* data, std::size_t n) {
    if (n > m_used)
        throw EAssertionFailed("OutputSink: cannot overwrite " + std::to_string(n) + " bytes, only " +
                               std::to_string(m_used) + " are held");
    std::memcpy(m_buffer.get() + m_used - n, data, n);
}

void OutputSink::flush() { deliverHead(kMaxRewrite); }

void OutputSink::finish() { deliverHead(0); }

void OutputSink::deliverHead(std::size_t keep) {
    const std::size_t kept = std::min(keep, m_used);
    const std::size_t head = m_used - kept;
    if (head == 0)
        return;
    deliver(m_buffer.get(), head);
    m_delivered += head;
    std::memmove(m_buffer.get(), m_buffer.get() + head, kept);
    m_used = kept;
}

void FileDescriptorSink::deliver(const char* data, std::size_t n) {
    if (m_heard != nullptr && n > 0)
        m_heard->delivered(data, n); // a failing write below fails the whole content anyway
    while (n > 0) {
        const ssize_t r = ::write(m_fd, data, n);
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0) {
            // A zero-byte write of a regular file means the device is full.
            const int error = r < 0 ? errno : ENOSPC;
            std::string message(kStreamWriteError);
            if (!m_name.empty())
                message += ": " + m_name;
            throw EWriteError(message + ": " + std::strerror(error));
        }
        data += r;
        n -= static_cast<std::size_t>(r);
    }
}

void StreamSink::deliver(const char* data, std::size_t n) { m_stream.write(data, n); }

} // namespace swapwright
