// rc2table: compiles the STRINGTABLE of a resource script into the C++ source of a resource
// library's string table.
//
//   rc2table SCRIPT.rc RESOURCE.h OUTPUT.cpp
//
// The script is UTF-8. Outside the table it may hold comments, preprocessor lines and LANGUAGE
// statements. The table is `STRINGTABLE [options] BEGIN entries END` (braces work as BEGIN and
// END); an entry is an identifier or a number, an optional comma and a quoted string with the
// escapes \n \t \r \a \\ \" \0 and "" for a quote. Identifiers take their values from the
// header's `#define NAME VALUE` lines. On bad input the tool names the file and line and writes
// nothing.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

/// A fault in an input file, at a line.
class InputError : public std::runtime_error {
public:
    InputError(const std::string& file, int line, const std::string& what)
        : std::runtime_error(file + ":" + std::to_string(line) + ": " + what)
    {
    }
};

struct StringEntry {
    unsigned id;
    std::u16string text;
    int line;
};

std::string readWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw InputError(path, 0, "cannot be read");
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool isIdentifierStart(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isIdentifierChar(char c) { return isIdentifierStart(c) || (c >= '0' && c <= '9'); }

/// The value of a decimal or 0x-hexadecimal number that fits an identifier (0 to 65535).
bool parseIdentifierValue(const std::string& text, unsigned& value)
{
    if (text.empty())
        return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    unsigned long result = 0;
    for (char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return false;
        result = result * (hex ? 16 : 10) + static_cast<unsigned long>(digit);
        if (result > 0xFFFF)
            return false;
    }
    value = static_cast<unsigned>(result);
    return true;
}

/// The identifiers defined by `#define NAME VALUE` lines of a header.
std::map<std::string, unsigned> readIdentifiers(const std::string& path)
{
    std::map<std::string, unsigned> identifiers;
    std::istringstream lines(readWholeFile(path));
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        std::istringstream words(line);
        std::string directive;
        words >> directive;
        if (directive != "#define")
            continue;
        std::string name;
        std::string value;
        words >> name >> value;
        std::string rest;
        words >> rest;
        if (!rest.empty() && rest.rfind("//", 0) != 0)
            throw InputError(path, lineNumber, "unexpected text after the value of " + name);
        if (name.empty() || !isIdentifierStart(name[0]))
            throw InputError(path, lineNumber, "#define without a name");
        unsigned number = 0;
        if (!parseIdentifierValue(value, number))
            throw InputError(path, lineNumber,
                             name + " is not defined as a number from 0 to 65535");
        if (!identifiers.emplace(name, number).second)
            throw InputError(path, lineNumber, name + " is defined twice");
    }
    return identifiers;
}

/// Appends code point cp to text as UTF-16.
void appendUtf16(std::u16string& text, std::uint32_t cp)
{
    if (cp < 0x10000) {
        text += static_cast<char16_t>(cp);
    } else {
        cp -= 0x10000;
        text += static_cast<char16_t>(0xD800 + (cp >> 10));
        text += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
}

/// Reads the tokens of a resource script, tracking lines.
class ScriptReader {
public:
    ScriptReader(std::string path, std::string content)
        : m_path(std::move(path)), m_content(std::move(content))
    {
    }

    enum class Kind { End, Word, Number, String, Comma, OpenBrace, CloseBrace };
    struct Token {
        Kind kind;
        std::string word;
        std::u16string text;
        int line;
    };

    Token next()
    {
        skipBlanksAndComments();
        Token token{Kind::End, {}, {}, m_line};
        if (m_pos >= m_content.size())
            return token;
        const char c = m_content[m_pos];
        if (c == '"') {
            token.kind = Kind::String;
            token.text = readString();
        } else if (isIdentifierStart(c)) {
            token.kind = Kind::Word;
            while (m_pos < m_content.size() && isIdentifierChar(m_content[m_pos]))
                token.word += m_content[m_pos++];
        } else if (c >= '0' && c <= '9') {
            token.kind = Kind::Number;
            while (m_pos < m_content.size() && isIdentifierChar(m_content[m_pos]))
                token.word += m_content[m_pos++];
        } else if (c == ',' || c == '{' || c == '}') {
            token.kind = c == ',' ? Kind::Comma : c == '{' ? Kind::OpenBrace : Kind::CloseBrace;
            ++m_pos;
        } else {
            fail("unexpected character '" + std::string(1, c) + "'");
        }
        return token;
    }

    [[noreturn]] void fail(const std::string& what) const { failAt(m_line, what); }
    [[noreturn]] void failAt(int line, const std::string& what) const
    {
        throw InputError(m_path, line, what);
    }

private:
    void skipBlanksAndComments()
    {
        bool atLineStart = m_pos == 0 || m_content[m_pos - 1] == '\n';
        while (m_pos < m_content.size()) {
            const char c = m_content[m_pos];
            if (c == '\n') {
                ++m_line;
                ++m_pos;
                atLineStart = true;
            } else if (c == ' ' || c == '\t' || c == '\r') {
                ++m_pos;
            } else if (c == '#' && atLineStart) {
                skipToLineEnd();
            } else if (m_content.compare(m_pos, 2, "//") == 0) {
                skipToLineEnd();
            } else if (m_content.compare(m_pos, 2, "/*") == 0) {
                const int startLine = m_line;
                m_pos += 2;
                while (m_pos < m_content.size() && m_content.compare(m_pos, 2, "*/") != 0) {
                    if (m_content[m_pos] == '\n')
                        ++m_line;
                    ++m_pos;
                }
                if (m_pos >= m_content.size())
                    failAt(startLine, "unterminated comment");
                m_pos += 2;
            } else if (m_pos == 0 && m_content.compare(0, 3, "\xEF\xBB\xBF") == 0) {
                m_pos += 3;
            } else {
                return;
            }
        }
    }

    void skipToLineEnd()
    {
        while (m_pos < m_content.size() && m_content[m_pos] != '\n')
            ++m_pos;
    }

    /// One UTF-8 encoded code point at m_pos, which it passes.
    std::uint32_t readCodePoint()
    {
        const auto lead = static_cast<unsigned char>(m_content[m_pos++]);
        if (lead < 0x80)
            return lead;
        int continuation = 0;
        std::uint32_t cp = 0;
        if ((lead & 0xE0) == 0xC0) {
            continuation = 1;
            cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            continuation = 2;
            cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            continuation = 3;
            cp = lead & 0x07;
        } else {
            fail("the text is not valid UTF-8");
        }
        for (int i = 0; i < continuation; ++i) {
            if (m_pos >= m_content.size() ||
                (static_cast<unsigned char>(m_content[m_pos]) & 0xC0) != 0x80)
                fail("the text is not valid UTF-8");
            cp = (cp << 6) | (static_cast<unsigned char>(m_content[m_pos++]) & 0x3F);
        }
        static const std::uint32_t smallest[] = {0, 0x80, 0x800, 0x10000};
        if (cp < smallest[continuation] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            fail("the text is not valid UTF-8");
        return cp;
    }

    std::u16string readString()
    {
        ++m_pos;  // the opening quote
        std::u16string text;
        for (;;) {
            if (m_pos >= m_content.size() || m_content[m_pos] == '\n')
                fail("unterminated string");
            const char c = m_content[m_pos];
            if (c == '"') {
                if (m_content.compare(m_pos, 2, "\"\"") == 0) {
                    text += u'"';
                    m_pos += 2;
                    continue;
                }
                ++m_pos;
                return text;
            }
            if (c == '\\') {
                if (m_pos + 1 >= m_content.size())
                    fail("unterminated string");
                const char escaped = m_content[m_pos + 1];
                static const std::map<char, char16_t> escapes = {
                    {'n', u'\n'}, {'t', u'\t'}, {'r', u'\r'}, {'a', u'\a'},
                    {'\\', u'\\'}, {'"', u'"'}, {'0', u'\0'}};
                const auto found = escapes.find(escaped);
                if (found == escapes.end())
                    fail(std::string("unknown escape \\") + escaped);
                text += found->second;
                m_pos += 2;
                continue;
            }
            appendUtf16(text, readCodePoint());
        }
    }

    std::string m_path;
    std::string m_content;
    std::size_t m_pos = 0;
    int m_line = 1;
};

/// The entries of every STRINGTABLE of the script, in the order written.
std::vector<StringEntry> readStringTable(const std::string& path,
                                         const std::map<std::string, unsigned>& identifiers)
{
    using Kind = ScriptReader::Kind;
    ScriptReader reader(path, readWholeFile(path));
    std::vector<StringEntry> entries;
    std::map<unsigned, int> lineOfId;
    bool sawTable = false;
    for (ScriptReader::Token token = reader.next(); token.kind != Kind::End;
         token = reader.next()) {
        if (token.kind == Kind::Word && token.word == "LANGUAGE") {
            // LANGUAGE primary, secondary
            const ScriptReader::Token primary = reader.next();
            const ScriptReader::Token comma = reader.next();
            const ScriptReader::Token secondary = reader.next();
            if (primary.kind == Kind::String || comma.kind != Kind::Comma ||
                secondary.kind == Kind::String || secondary.kind == Kind::End)
                reader.failAt(token.line, "LANGUAGE needs two values");
            continue;
        }
        if (token.kind != Kind::Word || token.word != "STRINGTABLE")
            reader.failAt(token.line, "expected STRINGTABLE");
        sawTable = true;
        token = reader.next();
        while (token.kind == Kind::Word && token.word != "BEGIN")
            token = reader.next();  // memory options such as DISCARDABLE
        if (token.kind != Kind::OpenBrace && !(token.kind == Kind::Word && token.word == "BEGIN"))
            reader.failAt(token.line, "expected BEGIN after STRINGTABLE");
        for (token = reader.next();; token = reader.next()) {
            if (token.kind == Kind::CloseBrace || (token.kind == Kind::Word && token.word == "END"))
                break;
            unsigned id = 0;
            if (token.kind == Kind::Word) {
                const auto found = identifiers.find(token.word);
                if (found == identifiers.end())
                    reader.failAt(token.line, "unknown identifier " + token.word);
                id = found->second;
            } else if (token.kind == Kind::Number) {
                if (!parseIdentifierValue(token.word, id))
                    reader.failAt(token.line, "bad string identifier " + token.word);
            } else {
                reader.failAt(token.line, token.kind == Kind::End
                                              ? "STRINGTABLE without END"
                                              : "expected a string identifier");
            }
            ScriptReader::Token text = reader.next();
            if (text.kind == Kind::Comma)
                text = reader.next();
            if (text.kind != Kind::String)
                reader.failAt(text.line, "expected the quoted text of string " +
                                             std::to_string(id));
            const auto earlier = lineOfId.emplace(id, token.line);
            if (!earlier.second)
                reader.failAt(token.line, "string " + std::to_string(id) +
                                              " is defined twice (first at line " +
                                              std::to_string(earlier.first->second) + ")");
            entries.push_back({id, text.text, token.line});
        }
    }
    if (!sawTable)
        reader.fail("no STRINGTABLE");
    return entries;
}

/// text as the contents of a C++ u"" literal.
std::string literalContents(const std::u16string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        char buffer[16];
        if (unit == u'\\' || unit == u'"') {
            out += '\\';
            out += static_cast<char>(unit);
        } else if (unit == u'\n') {
            out += "\\n";
        } else if (unit == u'\t') {
            out += "\\t";
        } else if (unit < 0x20 || unit == 0x7F) {
            std::snprintf(buffer, sizeof buffer, "\\%03o", static_cast<unsigned>(unit));
            out += buffer;
        } else if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size()) {
            const std::uint32_t cp =
                0x10000 + ((static_cast<std::uint32_t>(unit) - 0xD800) << 10) +
                (static_cast<std::uint32_t>(text[i + 1]) - 0xDC00);
            std::snprintf(buffer, sizeof buffer, "\\U%08X", static_cast<unsigned>(cp));
            out += buffer;
            ++i;
        } else {
            std::snprintf(buffer, sizeof buffer, "\\u%04X", static_cast<unsigned>(unit));
            out += buffer;
        }
    }
    return out;
}

std::string tableSource(const std::string& scriptPath, const std::vector<StringEntry>& entries)
{
    std::ostringstream out;
    out << "// The string table of " << scriptPath << ", written by rc2table.\n"
        << "#include \"winres.h\"\n\n"
        << "extern \"C\" const RESOURCE_STRING_ENTRY ResourceStringTable[] = {\n";
    for (const StringEntry& entry : entries)
        out << "    {" << entry.id << ", u\"" << literalContents(entry.text) << "\"},\n";
    out << "    {0, nullptr}};\n";
    return out.str();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: rc2table SCRIPT.rc RESOURCE.h OUTPUT.cpp\n";
        return 2;
    }
    try {
        const std::map<std::string, unsigned> identifiers = readIdentifiers(argv[2]);
        const std::vector<StringEntry> entries = readStringTable(argv[1], identifiers);
        const std::string source = tableSource(argv[1], entries);
        std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
        out << source;
        if (!out.flush())
            throw InputError(argv[3], 0, "cannot be written");
    } catch (const InputError& error) {
        std::cerr << "rc2table: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
