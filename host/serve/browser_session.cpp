#include "serve/browser_session.h"

#include "cadhost/script_input.h"
#include "session/session.h"

#include <charconv>
#include <csignal>
#include <cmath>

namespace cadhost {

namespace {

/// Where the page's actions come from, in messages.
const char* const kPageOrigin = "<page>";
/// How often a wait for the page looks whether a signal came.
constexpr std::chrono::milliseconds kSignalPoll(100);
/// A UCS whose Z axis is closer than this to lying in the world XY plane is seen edge-on from
/// above: a click lands on its XY plane at world z 0.
constexpr double kEdgeOnTolerance = 1e-9;

volatile std::sig_atomic_t g_interrupted = 0;
struct sigaction g_savedInterrupt = {};
struct sigaction g_savedTerminate = {};
struct sigaction g_savedPipe = {};

/// The signal handler: notes that SIGINT or SIGTERM came.
extern "C" void noteInterrupt(int)
{
    g_interrupted = 1;
}

/// The shortest text that reads back as value.
std::string shortest(double value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

/// The point in the current UCS that a click at world (x, y) seen from above stands for: the
/// point of the UCS XY plane under the cursor.
AcGePoint3d clickedUcsPoint(double x, double y)
{
    const Editor& ed = editor();
    const UcsFrame& ucs = ed.ucs();
    double z = 0.0;
    if (std::fabs(ucs.zAxis.z) > kEdgeOnTolerance)
        z = ucs.origin.z -
            ((x - ucs.origin.x) * ucs.zAxis.x + (y - ucs.origin.y) * ucs.zAxis.y) / ucs.zAxis.z;
    AcGePoint3d point = ed.worldToUcs(AcGePoint3d(x, y, z));
    // Within the UCS plane z is 0 but for rounding: a clicked point is a 2D pick there.
    point.z = 0.0;
    return point;
}

/// The point as a script line gives it: "x,y" with the shortest exact numbers.
std::string pointText(const AcGePoint3d& point)
{
    return shortest(point.x) + "," + shortest(point.y);
}

/// The user action a page action stands for; false for one that is no action (a comment).
bool toUserAction(const PageAction& page, UserAction& action)
{
    action = UserAction();
    action.origin = kPageOrigin;
    switch (page.kind) {
    case PageAction::Kind::Line:
        return parseScriptLine(page.text, kPageOrigin, 0, action);
    case PageAction::Kind::Click:
    case PageAction::Kind::CursorMove:
        action.point = clickedUcsPoint(page.x, page.y);
        if (page.kind == PageAction::Kind::Click) {
            action.kind = UserAction::Kind::Point;
            action.text = pointText(action.point);
        } else {
            action.kind = UserAction::Kind::CursorMove;
            action.text = "~" + pointText(action.point);
        }
        return true;
    case PageAction::Kind::Enter:
        action.kind = UserAction::Kind::Enter;
        return true;
    case PageAction::Kind::Escape:
        action.kind = UserAction::Kind::Escape;
        action.text = "ESC";
        return true;
    case PageAction::Kind::CloseMessageBox:
        return false;
    }
    return false;
}

/// The page's name of what a prompt of this kind waits for.
const char* promptName(PromptKind kind)
{
    switch (kind) {
    case PromptKind::Point:
        return "point";
    case PromptKind::EntitySelection:
        return "entity";
    case PromptKind::Drag:
        return "drag";
    }
    return "point";
}

}  // namespace

std::string TranscriptBuffer::takeNew()
{
    std::string taken;
    taken.swap(m_new);
    return taken;
}

int TranscriptBuffer::overflow(int c)
{
    if (c == traits_type::eof())
        return traits_type::not_eof(c);
    const char ch = static_cast<char>(c);
    xsputn(&ch, 1);
    return c;
}

std::streamsize TranscriptBuffer::xsputn(const char* text, std::streamsize count)
{
    m_new.append(text, static_cast<std::size_t>(count));
    m_copy.write(text, count);
    return count;
}

int TranscriptBuffer::sync()
{
    m_copy.flush();
    return 0;
}

BrowserSession::BrowserSession(std::ostream& copy, std::string savePath)
    : m_buffer(copy), m_transcript(&m_buffer), m_savePath(std::move(savePath))
{
}

bool BrowserSession::next(UserAction& action)
{
    for (;;) {
        PromptKind kind = PromptKind::Point;
        if (editor().waitingPrompt(kind))
            publish(promptName(kind));
        else
            publish("command");
        PageAction page;
        if (!takeAction(page))
            return false;
        if (toUserAction(page, action))
            return true;
    }
}

void BrowserSession::awaitMessageBoxClosed(const std::string& caption, const std::string& text,
                                           const std::string& icon)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state["messageBox"] = {{"caption", caption}, {"text", text}, {"icon", icon}};
    }
    publish("messagebox");
    PageAction page;
    while (takeAction(page) && page.kind != PageAction::Kind::CloseMessageBox) {
        // The box is modal: what the page sends before OK is not for the command.
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_state.erase("messageBox");
}

void BrowserSession::finish()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_inputEnded = true;
    }
    publish("ended");
    std::lock_guard<std::mutex> lock(m_mutex);
    m_finished = true;
    m_published.notify_all();
}

std::uint64_t BrowserSession::post(PageAction action)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_inputEnded)
        return 0;
    m_actions.emplace_back(++m_lastPosted, std::move(action));
    m_actionQueued.notify_all();
    return m_lastPosted;
}

bool BrowserSession::takeAction(PageAction& action)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (ServeSignals::interrupted())
            m_inputEnded = true;
        if (m_inputEnded)
            return false;
        if (!m_actions.empty())
            break;
        m_actionQueued.wait_for(lock, kSignalPoll);
    }
    // A cursor move that another one follows is passed over: the drag keeps the mouse's pace.
    while (m_actions.size() > 1 && m_actions[0].second.kind == PageAction::Kind::CursorMove &&
           m_actions[1].second.kind == PageAction::Kind::CursorMove)
        m_actions.pop_front();
    m_lastTaken = m_actions.front().first;
    action = std::move(m_actions.front().second);
    m_actions.pop_front();
    return true;
}

void BrowserSession::publish(const std::string& waiting)
{
    // The drawing is read here, on the command thread, while no command touches it.
    nlohmann::json dragged;
    if (waiting == "drag")
        if (const AcDbEntity* entity = draggedEntity())
            dragged = m_view.viewOf(*entity);
    std::string newText = m_buffer.takeNew();
    m_transcript.flush();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (waiting == "command")
        m_view.forgetStyles();
    m_view.update();
    m_transcriptText += newText;
    ++m_version;
    m_takenWhenPublished = m_lastTaken;
    m_state["version"] = m_version;
    m_state["waiting"] = waiting;
    m_state["dragged"] = dragged;
    m_state["drawing"] = {{"generation", m_view.generation()}, {"revision", m_view.revision()}};
    m_state["savePath"] = m_savePath;
    m_published.notify_all();
}

nlohmann::json BrowserSession::stateLocked(std::size_t transcriptFrom) const
{
    nlohmann::json state = m_state;
    if (transcriptFrom > m_transcriptText.size())
        transcriptFrom = 0;
    state["transcript"] = {{"from", transcriptFrom},
                           {"text", m_transcriptText.substr(transcriptFrom)},
                           {"length", m_transcriptText.size()}};
    return state;
}

nlohmann::json BrowserSession::waitForState(std::uint64_t sinceVersion, std::uint64_t taken,
                                            std::size_t transcriptFrom,
                                            std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_published.wait_for(lock, timeout, [&] {
        if (m_finished)
            return true;
        if (taken != 0)
            return m_takenWhenPublished >= taken;
        return m_version > sinceVersion;
    });
    return stateLocked(transcriptFrom);
}

nlohmann::json BrowserSession::drawingSince(std::uint64_t generation, std::uint64_t revision)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_view.changesSince(generation, revision);
}

ServeSignals::ServeSignals()
{
    g_interrupted = 0;
    struct sigaction action = {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(SIGINT, &action, &g_savedInterrupt);
    sigaction(SIGTERM, &action, &g_savedTerminate);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &g_savedPipe);
}

ServeSignals::~ServeSignals()
{
    sigaction(SIGINT, &g_savedInterrupt, nullptr);
    sigaction(SIGTERM, &g_savedTerminate, nullptr);
    sigaction(SIGPIPE, &g_savedPipe, nullptr);
}

bool ServeSignals::interrupted()
{
    return g_interrupted != 0;
}

}  // namespace cadhost
