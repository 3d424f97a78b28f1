// A session driven from a page in a browser. The page's actions are queued for the command
// thread, which alone runs the module and reads the drawing; each time it waits for the user
// it publishes what the page shows (the transcript, what it waits for, the dragged entity, a
// message box, the drawing's revision), and the server's threads hand that to the page.
#pragma once
#include "editor/editor.h"
#include "serve/drawing_view.h"

#include <condition_variable>
#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <sstream>
#include <string>

namespace cadhost {

/// One action the page sends.
struct PageAction {
    enum class Kind {
        Line,            ///< a line typed on the command line, as in a script
        Click,           ///< a left click at a world point
        CursorMove,      ///< the mouse moved to a world point
        Enter,           ///< Enter on an empty command line, or a right click
        Escape,
        CloseMessageBox  ///< OK on the message box
    };
    Kind kind = Kind::Enter;
    std::string text;  ///< Line
    double x = 0.0;    ///< Click, CursorMove: world coordinates seen from above
    double y = 0.0;
};

/// The transcript of a page's session: kept for the page and copied to a stream (the terminal
/// cadhost was started from).
class TranscriptBuffer : public std::streambuf {
public:
    explicit TranscriptBuffer(std::ostream& copy) : m_copy(copy) {}
    /// The text written since the last call.
    std::string takeNew();

protected:
    int overflow(int c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

private:
    std::ostream& m_copy;
    std::string m_new;
};

class BrowserSession : public InputSource {
public:
    /// The transcript is copied to copy; savePath is the --save drawing (empty: none).
    BrowserSession(std::ostream& copy, std::string savePath);

    // --- the command thread ---
    /// Publishes the state, then waits for the page's next action; false once the input has
    /// ended (endInput, or the session finished).
    bool next(UserAction& action) override;
    bool forgivesMistakes() const override { return true; }
    /// Publishes the box and waits for the page's OK (or the end of input).
    void awaitMessageBoxClosed(const std::string& caption, const std::string& text,
                               const std::string& icon) override;
    /// The stream for the session's transcript.
    std::ostream& transcript() { return m_transcript; }
    /// The session is over: publishes that, and every wait returns.
    void finish();

    // --- any thread ---
    /// Queues an action; its number, to wait for with waitForState.
    std::uint64_t post(PageAction action);
    /// The state once the session has published a version after sinceVersion, or the action
    /// numbered taken was taken and the session waits again (0: no action), or timeout has
    /// passed, or the session finished. The transcript from byte offset transcriptFrom on.
    nlohmann::json waitForState(std::uint64_t sinceVersion, std::uint64_t taken,
                                std::size_t transcriptFrom, std::chrono::milliseconds timeout);
    /// The drawing's changes after revision of generation (DrawingView::changesSince).
    nlohmann::json drawingSince(std::uint64_t generation, std::uint64_t revision);

private:
    /// Publishes the state for a wait of this kind ("command", "point", "entity", "drag",
    /// "messagebox" or "ended").
    void publish(const std::string& waiting);
    /// The next queued action, coalescing cursor moves; false when the input has ended.
    bool takeAction(PageAction& action);
    nlohmann::json stateLocked(std::size_t transcriptFrom) const;

    TranscriptBuffer m_buffer;
    std::ostream m_transcript;
    const std::string m_savePath;
    DrawingView m_view;  ///< command thread, behind m_mutex for the server's reads

    mutable std::mutex m_mutex;
    std::condition_variable m_actionQueued;
    std::condition_variable m_published;
    std::deque<std::pair<std::uint64_t, PageAction>> m_actions;
    std::uint64_t m_lastPosted = 0;
    std::uint64_t m_lastTaken = 0;
    std::uint64_t m_takenWhenPublished = 0;
    bool m_inputEnded = false;
    bool m_finished = false;
    std::uint64_t m_version = 0;
    std::string m_transcriptText;
    nlohmann::json m_state;
};

/// The signals of a served session, while it lives: the first SIGINT or SIGTERM ends the
/// session's input, so that the session ends as the end of a script does (a second one acts as
/// without it); SIGPIPE is ignored, since a page that goes away mid-answer ends only that
/// answer.
class ServeSignals {
public:
    ServeSignals();
    ~ServeSignals();
    ServeSignals(const ServeSignals&) = delete;
    ServeSignals& operator=(const ServeSignals&) = delete;
    /// Whether SIGINT or SIGTERM came; the session's waits ask.
    static bool interrupted();
};

}  // namespace cadhost
