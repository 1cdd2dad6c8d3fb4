#pragma once

#include <iosfwd>
#include <streambuf>
#include <string>
#include <vector>

// What kelvo-admin writes to standard output or an export file: buffered
// writes to a file descriptor that keep the reason of the first one that
// failed (a full disk, a closed pipe), so that output cut short is said and
// never taken for a success. After a failure nothing more is written.
class COutputBuffer : public std::streambuf {
public:
    // owns: the descriptor is closed with the buffer (an export file), not
    // only flushed (standard output).
    COutputBuffer(int fd, bool owns);
    ~COutputBuffer() override;
    COutputBuffer(const COutputBuffer&) = delete;
    COutputBuffer& operator=(const COutputBuffer&) = delete;

    // The errno of the first failed write, or 0.
    int Error() const { return m_nError; }
    // Writes out what is buffered and, when durable, makes it reach the disk
    // (fsync); then closes an owned descriptor. False, with Error() set, on a failure.
    bool Close(bool durable);

    // Throws CAdminError when stream could not take everything written to it,
    // naming where it went, how many of what it took before (count < 0: not
    // counted) and why: the buffer's reason when stream writes through one.
    static void Check(std::ostream& stream, const std::string& where, long count = -1,
                      const char* what = "entries");

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override;

private:
    bool Drain();
    bool WriteAll(const char* data, size_t size);

    int m_fd;
    bool m_bOwns;
    std::vector<char> m_buffer;
    int m_nError = 0;
};
