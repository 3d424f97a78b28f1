#include "editor/editor.h"

#include "geometry/tolerance.h"
#include "mfc/utf_text.h"
#include "session/recorder.h"
#include "session/session.h"

#include <cmath>
#include <ostream>

namespace cadhost {

namespace {

/// The object whose address is the main window's handle.
struct MainWindow {
    int unused = 0;
};

const char* iconName(UINT style)
{
    switch (style & 0xF0) {
    case MB_ICONERROR:
        return "error";
    case MB_ICONQUESTION:
        return "question";
    case MB_ICONWARNING:
        return "warning";
    case MB_ICONINFORMATION:
        return "information";
    default:
        return "none";
    }
}

std::string echoText(const UserAction& action)
{
    switch (action.kind) {
    case UserAction::Kind::Escape:
        return "*Cancel*";
    case UserAction::Kind::Enter:
        return "";
    default:
        return action.text;
    }
}

}  // namespace

Editor::Editor() = default;

void Editor::queueAction(UserAction action)
{
    m_queue.push_back(std::move(action));
}

bool Editor::nextAction(UserAction& action)
{
    if (!m_queue.empty()) {
        action = std::move(m_queue.front());
        m_queue.pop_front();
        return true;
    }
    if (m_pSource != nullptr && m_pSource->next(action))
        return true;
    return false;
}

UserAction Editor::answerPrompt(PromptKind kind)
{
    UserAction escape;
    escape.kind = UserAction::Kind::Escape;
    escape.text = "ESC";
    if (m_hasInputError)
        return escape;

    // The prompt is the command line's open line, to be shown again after a mistake.
    const std::string prompt = m_openLine;
    const PromptKind* const outer = m_pAnswering;
    m_pAnswering = &kind;
    struct Restore {
        const PromptKind*& answering;
        const PromptKind* outer;
        ~Restore() { answering = outer; }
    } restore{m_pAnswering, outer};
    UserAction action;
    for (;;) {
        if (!nextAction(action)) {
            echo(echoText(escape));
            return escape;
        }
        // Outside a drag a cursor move is not an answer: the prompt goes on waiting.
        if (action.kind == UserAction::Kind::CursorMove && kind != PromptKind::Drag)
            continue;
        if (action.kind != UserAction::Kind::Other)
            break;
        if (forgivesMistakes())
            echo(action.text);
        if (!answerMistake(replyToTextAtPointPrompt(action.text))) {
            recordInputError(action, kind);
            escape.origin = action.origin;
            escape.line = action.line;
            return escape;
        }
        printUtf8("\n" + prompt);
    }
    if (action.kind != UserAction::Kind::CursorMove)
        echo(echoText(action));
    return action;
}

bool Editor::waitingPrompt(PromptKind& kind) const
{
    if (m_pAnswering == nullptr)
        return false;
    kind = *m_pAnswering;
    return true;
}

bool Editor::answerMistake(const std::string& reply)
{
    if (!forgivesMistakes())
        return false;
    printUtf8("\n" + reply);
    return true;
}

void Editor::recordInputError(const UserAction& action, PromptKind kind)
{
    m_hasInputError = true;
    m_inputError.origin = action.origin;
    m_inputError.line = action.line;
    m_inputError.text = action.text;
    m_inputError.expected = describeExpectedInput(kind);
}

void Editor::write(const std::string& utf8)
{
    if (utf8.empty())
        return;
    const std::size_t lastNewline = utf8.rfind('\n');
    m_openLine = lastNewline == std::string::npos ? m_openLine + utf8 : utf8.substr(lastNewline + 1);
    if (m_pTranscript != nullptr) {
        *m_pTranscript << utf8;
        if (m_interactive)
            m_pTranscript->flush();
    }
}

void Editor::print(const std::u16string& text)
{
    printUtf8(utf8FromUtf16(text));
}

void Editor::printUtf8(const std::string& text)
{
    if (text.empty())
        return;
    recorder().record({RecordedEvent::Kind::Prompt, text, {}, 0, false, 0});
    write(text);
}

void Editor::echo(const std::string& text)
{
    recorder().record({RecordedEvent::Kind::Input, text, {}, 0, false, 0});
    if (!m_interactive)
        write(text);
}

void Editor::showMessageBox(bool ownerIsMainWindow, const std::u16string& text,
                            const std::u16string& caption, UINT style)
{
    const std::string textUtf8 = utf8FromUtf16(text);
    const std::string captionUtf8 = utf8FromUtf16(caption);
    recorder().record({RecordedEvent::Kind::MessageBox, textUtf8, captionUtf8, style,
                       ownerIsMainWindow, 0});
    std::string block = m_openLine.empty() ? "" : "\n";
    block += "+--- message box: " + captionUtf8 + " [" + iconName(style) + "] ---\n";
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = textUtf8.find('\n', start);
        block += "| " + textUtf8.substr(start, end == std::string::npos ? end : end - start) + "\n";
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    block += "+--- [OK] ---\n";
    write(block);
    if (m_pSource != nullptr)
        m_pSource->awaitMessageBoxClosed(captionUtf8, textUtf8, iconName(style));
}

void Editor::finishTranscript()
{
    if (!m_openLine.empty())
        write("\n");
}

void Editor::moveUcsOrigin(const AcGePoint3d& ucsPoint)
{
    m_ucs.origin = ucsToWorld(ucsPoint);
}

void Editor::rotateUcs(int axis, double degrees)
{
    const double angle = degrees * kPi / 180.0;
    const double c = std::cos(angle);
    const double s = std::sin(angle);
    // The two axes other than the one turned about, in right-handed order.
    AcGeVector3d* first = nullptr;
    AcGeVector3d* second = nullptr;
    switch (axis) {
    case 0:
        first = &m_ucs.yAxis;
        second = &m_ucs.zAxis;
        break;
    case 1:
        first = &m_ucs.zAxis;
        second = &m_ucs.xAxis;
        break;
    default:
        first = &m_ucs.xAxis;
        second = &m_ucs.yAxis;
        break;
    }
    const AcGeVector3d a = *first;
    const AcGeVector3d b = *second;
    *first = a * c + b * s;
    *second = b * c - a * s;
}

AcGePoint3d Editor::ucsToWorld(const AcGePoint3d& p) const
{
    return m_ucs.origin + m_ucs.xAxis * p.x + m_ucs.yAxis * p.y + m_ucs.zAxis * p.z;
}

AcGePoint3d Editor::worldToUcs(const AcGePoint3d& p) const
{
    const AcGeVector3d v = p - m_ucs.origin;
    return {v.dotProduct(m_ucs.xAxis), v.dotProduct(m_ucs.yAxis), v.dotProduct(m_ucs.zAxis)};
}

AcGeVector3d Editor::ucsToWorld(const AcGeVector3d& v) const
{
    return m_ucs.xAxis * v.x + m_ucs.yAxis * v.y + m_ucs.zAxis * v.z;
}

AcGeVector3d Editor::worldToUcs(const AcGeVector3d& v) const
{
    return {v.dotProduct(m_ucs.xAxis), v.dotProduct(m_ucs.yAxis), v.dotProduct(m_ucs.zAxis)};
}

bool Editor::setAperture(double aperture)
{
    if (!(aperture > 0.0) || !std::isfinite(aperture))
        return false;
    m_aperture = aperture;
    return true;
}

HWND Editor::mainWindow() const
{
    static MainWindow theMainWindow;
    return reinterpret_cast<HWND>(&theMainWindow);
}

std::string describeExpectedInput(PromptKind kind)
{
    switch (kind) {
    case PromptKind::Point:
        return "a point (x,y or x,y,z), an empty line (Enter) or ESC";
    case PromptKind::EntitySelection:
        return "a pick point (x,y or x,y,z), an empty line (Enter) or ESC";
    case PromptKind::Drag:
        return "a cursor move (~x,y), a click point (x,y), an empty line (Enter) or ESC";
    }
    return "";
}

std::string replyToTextAtPointPrompt(const std::string& text)
{
    return text.find(',') != std::string::npos ? "Invalid point."
                                               : "Point or option keyword required.";
}

}  // namespace cadhost
