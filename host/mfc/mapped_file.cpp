#include "mfc/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cadhost {

namespace {

/// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

}  // namespace

MappedFile::MappedFile(const std::string& path)
{
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) ||
        status.st_size <= 0)
        return;
    const std::size_t size = static_cast<std::size_t>(status.st_size);
    void* mapped = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, file.get(), 0);
    if (mapped == MAP_FAILED)
        return;
    // Writing every page makes it the process's own copy, apart from the file.
    std::uint8_t* bytes = static_cast<std::uint8_t*>(mapped);
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    for (std::size_t offset = 0; offset < size; offset += page) {
        volatile std::uint8_t* touched = bytes + offset;
        *touched = *touched;
    }
    ::mprotect(mapped, size, PROT_READ);
    m_data = bytes;
    m_size = size;
}

MappedFile::~MappedFile()
{
    if (m_data != nullptr)
        ::munmap(m_data, m_size);
}

}  // namespace cadhost
