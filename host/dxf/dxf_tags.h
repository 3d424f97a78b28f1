// The group code/value pairs an ASCII drawing file is made of, the kind of value each group
// code carries, and the checked conversion of values to numbers.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cadhost {

class DxfMendLog;

/// One group: its code, its value as written, and the line of its code in the file (0 for a
/// group the host made); its value is on the line after.
struct DxfTag {
    int code = 0;
    std::string value;
    std::uint32_t line = 0;
};

using DxfTags = std::vector<DxfTag>;

/// What a group code's value is, by the ranges of the drawing format. Group 5 counts as a
/// string: it is a record's handle, except in an R12 dimension style (a block name).
enum class DxfValueKind { String, Real, Integer, Handle, Binary };

/// The value kind of a group code.
DxfValueKind valueKindOf(int code);
/// Whether the code's value is a handle that refers to another object (not a record's own
/// handle, 5 or 105).
bool isReferenceCode(int code);
/// The inclusive range an integer code's value must lie in.
void integerRangeOf(int code, long long& minimum, long long& maximum);

/// The number written in text (surrounding blanks allowed); false unless all of it is a
/// finite decimal number.
bool parseReal(std::string_view text, double& value);
/// The integer written in text (surrounding blanks allowed); false unless all of it is one.
bool parseInteger(std::string_view text, long long& value);
/// The handle written in text as hex digits; false unless it is one of 1 to 16 digits.
bool parseHandle(std::string_view text, std::uint64_t& value);

/// The groups of an ASCII drawing file's bytes up to and including "0 EOF", each value
/// checked against its code's kind (a pointer that holds no handle is left for the repair
/// pass). Comments (999) are dropped; data after EOF is ignored, recorded in mends. Throws
/// DxfError naming fileName and the line for a file that is binary, of a version the host
/// does not read, truncated, or has a code or value that is not what the format allows.
DxfTags readDxfTags(const std::string& bytes, const std::string& fileName,
                    DxfMendLog* mends = nullptr);

/// The shortest text that reads back as exactly value.
std::string formatReal(double value);
/// A handle as upper-case hex digits.
std::string formatHandle(std::uint64_t value);

}  // namespace cadhost
