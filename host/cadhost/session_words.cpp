#include "cadhost/session_words.h"

#include "cadhost/host_commands.h"
#include "cadhost/script_input.h"

#include <algorithm>
#include <map>

namespace cadhost {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

/// What the bundled module's commands do, for the help; other modules' commands are listed
/// by name.
const std::map<std::string, const char*>& moduleCommandSummaries()
{
    static const std::map<std::string, const char*> summaries = {
        {"oblouk_kota_m", "dimension a picked arc with its length; drag the dimension line"},
        {"oblouk_kota2_m", "the same, with the text \"dl.=length, R=radius\""},
        {"oblouk_kota3_m", "as oblouk_kota_m, fitted to two extension points you pick"},
        {"oblouk_kota4_m", "as oblouk_kota2_m, fitted to two extension points you pick"},
        {"oblouk_delka_m", "print the length of the arc through three picked points"},
    };
    return summaries;
}

/// Lines of "  WORD  text" with the texts in one column.
std::string table(const std::vector<std::pair<std::string, std::string>>& rows)
{
    std::size_t width = 0;
    for (const auto& row : rows)
        width = std::max(width, row.first.size());
    std::string text;
    for (const auto& row : rows) {
        text += "  " + row.first;
        if (!row.second.empty())
            text += std::string(width - row.first.size() + 2, ' ') + row.second;
        text += "\n";
    }
    return text;
}

}  // namespace

SessionWord sessionWordOf(const std::string& line)
{
    const std::string word = lowerCase(line);
    if (word == "help" || word == "?")
        return SessionWord::Help;
    if (word == "quit" || word == "exit")
        return SessionWord::Quit;
    return SessionWord::None;
}

std::string helpText(const std::vector<std::string>& moduleCommands)
{
    std::vector<std::pair<std::string, std::string>> module;
    for (const std::string& name : moduleCommands) {
        const auto found = moduleCommandSummaries().find(name);
        module.emplace_back(name, found != moduleCommandSummaries().end() ? found->second : "");
    }
    std::vector<std::pair<std::string, std::string>> host;
    for (const HostCommandInfo& command : hostCommands())
        host.emplace_back(command.usage, "");
    const std::vector<std::pair<std::string, std::string>> session = {
        {"help, ?", "this list"},
        {"quit, exit", "end the session (the drawing is saved when --save names a file)"},
    };
    return "Commands of the module:\n" + table(module) + "Host commands:\n" + table(host) +
           "Session:\n" + table(session) +
           "At a prompt: x,y or x,y,z a point, ~x,y a cursor move while dragging, Enter,\n"
           "ESC or Ctrl-C to cancel. Tab completes a command; Ctrl-D ends the session.";
}

std::vector<std::string> completionsOf(const std::string& lineBeforeCursor,
                                       const std::vector<std::string>& moduleCommands)
{
    std::size_t wordStart = lineBeforeCursor.size();
    while (wordStart > 0 && !isBlank(lineBeforeCursor[wordStart - 1]))
        --wordStart;
    const std::string word = lowerCase(lineBeforeCursor.substr(wordStart));
    std::size_t firstWord = 0;
    while (firstWord < wordStart && isBlank(lineBeforeCursor[firstWord]))
        ++firstWord;

    std::vector<std::string> candidates;
    if (firstWord == wordStart) {
        candidates = moduleCommands;
        for (const HostCommandInfo& command : hostCommands())
            candidates.push_back(command.name);
        for (const char* own : {"help", "quit", "exit"})
            candidates.push_back(own);
    } else {
        std::size_t end = firstWord;
        while (end < wordStart && !isBlank(lineBeforeCursor[end]))
            ++end;
        const std::string command = lowerCase(lineBeforeCursor.substr(firstWord, end - firstWord));
        for (const HostCommandInfo& info : hostCommands())
            if (info.name == command)
                candidates = info.keywords;
    }
    std::vector<std::string> matches;
    for (const std::string& candidate : candidates)
        if (candidate.compare(0, word.size(), word) == 0)
            matches.push_back(candidate);
    std::sort(matches.begin(), matches.end());
    matches.erase(std::unique(matches.begin(), matches.end()), matches.end());
    return matches;
}

std::string commonPrefix(const std::vector<std::string>& words)
{
    if (words.empty())
        return "";
    std::string prefix = words.front();
    for (const std::string& word : words) {
        std::size_t length = 0;
        while (length < prefix.size() && length < word.size() && prefix[length] == word[length])
            ++length;
        prefix.resize(length);
    }
    return prefix;
}

}  // namespace cadhost
