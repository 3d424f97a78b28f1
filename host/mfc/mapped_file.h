// A library's file mapped into the process, as the platform maps a loaded image.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace cadhost {

/// The whole of a file mapped read-only as a private copy: what is mapped does not change when
/// the file changes afterwards, as the platform keeps a loaded image's file from changing.
class MappedFile {
public:
    /// Maps the file at path; isMapped() is false when it cannot be read or is empty.
    explicit MappedFile(const std::string& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    bool isMapped() const { return m_data != nullptr; }
    const std::uint8_t* data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    std::uint8_t* m_data = nullptr;
    std::size_t m_size = 0;
};

}  // namespace cadhost
