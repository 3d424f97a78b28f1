// The error of reading or writing a drawing file: what went wrong, in which file, at which line.
#pragma once
#include <cstddef>
#include <stdexcept>
#include <string>

namespace cadhost {

/// A drawing file that cannot be read or written. what() is "FILE:LINE: message" (or
/// "FILE: message" when no line is concerned).
class DxfError : public std::runtime_error {
public:
    DxfError(const std::string& file, std::size_t line, const std::string& message)
        : std::runtime_error(line == 0 ? file + ": " + message
                                       : file + ":" + std::to_string(line) + ": " + message),
          m_file(file), m_line(line)
    {
    }
    const std::string& file() const { return m_file; }
    /// The 1-based line the error is about; 0 for the file as a whole.
    std::size_t line() const { return m_line; }

private:
    std::string m_file;
    std::size_t m_line;
};

}  // namespace cadhost
