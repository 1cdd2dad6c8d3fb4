#include "OutputBuffer.h"

#include <cerrno>
#include <cstring>
#include <ostream>
#include <unistd.h>

#include "AdminError.h"

namespace {

constexpr size_t kBufferSize = 64 * 1024;

} // namespace

COutputBuffer::COutputBuffer(int fd, bool owns) : m_fd(fd), m_bOwns(owns), m_buffer(kBufferSize) {
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

COutputBuffer::~COutputBuffer() {
    Close(false);
}

bool COutputBuffer::WriteAll(const char* data, size_t size) {
    while (size > 0 && m_nError == 0) {
        ssize_t written = write(m_fd, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            m_nError = written < 0 ? errno : EIO;
            break;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return m_nError == 0;
}

bool COutputBuffer::Drain() {
    const size_t pending = static_cast<size_t>(pptr() - pbase());
    // After a failure the rest is dropped: the output is incomplete already.
    bool ok = m_nError == 0 && WriteAll(pbase(), pending);
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    return ok;
}

COutputBuffer::int_type COutputBuffer::overflow(int_type c) {
    if (!Drain())
        return traits_type::eof();
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

std::streamsize COutputBuffer::xsputn(const char* data, std::streamsize size) {
    const size_t count = static_cast<size_t>(size);
    if (count <= static_cast<size_t>(epptr() - pptr())) {
        std::memcpy(pptr(), data, count);
        pbump(static_cast<int>(count));
        return size;
    }
    // Larger than the room left: what is buffered goes first, then this.
    if (!Drain())
        return 0;
    if (count < m_buffer.size()) {
        std::memcpy(pptr(), data, count);
        pbump(static_cast<int>(count));
        return size;
    }
    return WriteAll(data, count) ? size : 0;
}

int COutputBuffer::sync() {
    return Drain() ? 0 : -1;
}

bool COutputBuffer::Close(bool durable) {
    if (m_fd < 0)
        return m_nError == 0;
    bool ok = Drain();
    if (ok && durable && fsync(m_fd) != 0 && errno != EINVAL) {
        m_nError = errno;
        ok = false;
    }
    if (m_bOwns && close(m_fd) != 0 && ok) {
        m_nError = errno;
        ok = false;
    }
    m_fd = -1;
    return ok;
}

void COutputBuffer::Check(std::ostream& stream, const std::string& where, long count,
                          const char* what) {
    if (stream.good())
        return;
    const auto* buffer = dynamic_cast<const COutputBuffer*>(stream.rdbuf());
    const std::string reason = buffer != nullptr && buffer->Error() != 0
                                   ? std::strerror(buffer->Error())
                                   : "the stream failed";
    std::string message = where + " cannot be written";
    if (count >= 0)
        message += " after " + std::to_string(count) + " " + what;
    throw CAdminError(message + ": " + reason + "; what it holds is incomplete");
}
