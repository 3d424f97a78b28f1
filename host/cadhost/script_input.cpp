#include "cadhost/script_input.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace cadhost {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

/// Parses the whole of text as one finite number.
bool parseNumber(const std::string& text, double& value)
{
    const std::string number = trimBlanks(text);
    if (number.empty())
        return false;
    const char* begin = number.c_str();
    char* end = nullptr;
    value = std::strtod(begin, &end);
    return end == begin + number.size() && std::isfinite(value);
}

bool equalsNoCase(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i] != 0; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return i == a.size() && b[i] == 0;
}

}  // namespace

std::string trimBlanks(const std::string& text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool parsePoint(const std::string& text, AcGePoint3d& point)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (parts.size() != 2 && parts.size() != 3)
        return false;
    double values[3] = {0.0, 0.0, 0.0};
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (!parseNumber(parts[i], values[i]))
            return false;
    point = AcGePoint3d(values[0], values[1], values[2]);
    return true;
}

bool parseScriptLine(const std::string& lineText, const std::string& origin, int line,
                     UserAction& action)
{
    const std::string text = trimBlanks(lineText);
    if (!text.empty() && text[0] == '#')
        return false;
    action = UserAction();
    action.text = text;
    action.origin = origin;
    action.line = line;
    AcGePoint3d point;
    if (text.empty())
        action.kind = UserAction::Kind::Enter;
    else if (equalsNoCase(text, "ESC"))
        action.kind = UserAction::Kind::Escape;
    else if (text[0] == '~' && parsePoint(text.substr(1), point)) {
        action.kind = UserAction::Kind::CursorMove;
        action.point = point;
    } else if (parsePoint(text, point)) {
        action.kind = UserAction::Kind::Point;
        action.point = point;
    } else
        action.kind = UserAction::Kind::Other;
    return true;
}

ScriptInput::ScriptInput(std::istream& in, std::string origin)
    : m_in(in), m_origin(std::move(origin))
{
}

bool ScriptInput::next(UserAction& action)
{
    std::string lineText;
    while (std::getline(m_in, lineText)) {
        ++m_line;
        // A byte order mark may open the file.
        if (m_line == 1 && lineText.compare(0, 3, "\xEF\xBB\xBF") == 0)
            lineText.erase(0, 3);
        if (parseScriptLine(lineText, m_origin, m_line, action))
            return true;
    }
    return false;
}

}  // namespace cadhost
