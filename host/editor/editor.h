// The host's editor: where user actions come from, the command line they are answered on, the
// current user coordinate system and the pick aperture.
#pragma once
#include "acge.h"
#include "win32.h"
#include <deque>
#include <iosfwd>
#include <string>

class AcDbEntity;

namespace cadhost {

/// One action of the user.
struct UserAction {
    enum class Kind {
        Point,       ///< a typed point or a click
        CursorMove,  ///< the cursor moved there without a click
        Enter,       ///< a null response
        Escape,      ///< cancel
        Other        ///< any other text: a command name, or a mistake while a command waits
    };
    Kind kind = Kind::Enter;
    AcGePoint3d point;   ///< Point, CursorMove: in the current UCS
    std::string text;    ///< the action as the user gave it (UTF-8)
    std::string origin;  ///< the file it came from ("-" for standard input); empty when none
    int line = 0;        ///< its line there; 0 when it did not come from a file
};

/// Supplies user actions one at a time, as the editor asks for them: a script, a terminal, a page.
class InputSource {
public:
    virtual ~InputSource() = default;
    /// The next action; false when the input has run out.
    virtual bool next(UserAction& action) = 0;
    /// Whether a person gives the input as the prompts come (a terminal, a page): a line the
    /// session cannot take is then answered on the command line and asked for again. A script
    /// forgives nothing: its first such line ends the session.
    virtual bool forgivesMistakes() const { return false; }
    /// A message box (caption, text, icon name) is up: returns when the user has closed it. On
    /// a transcript alone the box is a block of text that needs no answer.
    virtual void awaitMessageBoxClosed(const std::string& /*caption*/, const std::string& /*text*/,
                                       const std::string& /*icon*/)
    {
    }
};

/// Input that a waiting command could not take: the command was answered as by Escape.
struct InputError {
    std::string origin;
    int line = 0;
    std::string text;      ///< what was given
    std::string expected;  ///< what the prompt accepts
};

/// The current user coordinate system: an origin and three unit axes, in world coordinates.
struct UcsFrame {
    AcGePoint3d origin = AcGePoint3d::kOrigin;
    AcGeVector3d xAxis = AcGeVector3d::kXAxis;
    AcGeVector3d yAxis = AcGeVector3d::kYAxis;
    AcGeVector3d zAxis = AcGeVector3d::kZAxis;
};

/// What a prompt accepts, for reading actions and for naming what a wrong action should have been.
enum class PromptKind {
    Point,      ///< acedGetPoint: a point, Enter or Escape
    EntitySelection,  ///< acedEntSel: a pick point, Enter or Escape
    Drag        ///< a jig's drag: cursor moves, a click, Enter or Escape
};

/// The pick aperture of a new editor, in drawing units.
constexpr double kDefaultAperture = 0.5;

class Editor {
public:
    Editor();
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    // --- input ---
    /// Adds an action after those already waiting; they are used before the input source.
    void queueAction(UserAction action);
    /// Where actions come from once the queue is empty (not owned; null: none).
    void setInputSource(InputSource* source) { m_pSource = source; }
    /// The next raw action from the queue or the source; false when both ran out.
    bool nextAction(UserAction& action);
    /// The answer to a prompt of this kind: a point (and, for a drag, a cursor move), Enter or
    /// Escape. Input that ran out answers Escape. Any other action is, with a forgiving source,
    /// answered on the command line and the prompt asked again; from a script it is recorded as
    /// the input error and answered as Escape, and so is every later prompt until the error is
    /// cleared. The answer is echoed on the command line.
    UserAction answerPrompt(PromptKind kind);
    /// Whether the input source forgives mistakes (see InputSource).
    bool forgivesMistakes() const { return m_pSource != nullptr && m_pSource->forgivesMistakes(); }
    /// Where a session answers a line it cannot take: with a forgiving source, prints reply on
    /// the command line and returns true, and the caller asks again; from a script, prints
    /// nothing and returns false, and the caller ends the session naming the line.
    bool answerMistake(const std::string& reply);
    /// The kind of prompt the running command waits at; false when no prompt is being answered
    /// (at the command prompt).
    bool waitingPrompt(PromptKind& kind) const;
    bool hasInputError() const { return m_hasInputError; }
    const InputError& inputError() const { return m_inputError; }
    void clearInputError() { m_hasInputError = false; }

    // --- command line ---
    /// Where the transcript goes (not owned; null: nowhere). Output is UTF-8.
    void setTranscript(std::ostream* out) { m_pTranscript = out; }
    /// In an interactive session the terminal echoes the user's input itself.
    void setInteractive(bool interactive) { m_interactive = interactive; }
    bool isInteractive() const { return m_interactive; }
    /// Prints text on the command line and records it; empty text is no event.
    void print(const std::u16string& text);
    /// Prints UTF-8 text on the command line and records it.
    void printUtf8(const std::string& text);
    /// Echoes the user's answer after a prompt and records it as input.
    void echo(const std::string& text);
    /// Shows a message box on the transcript as a block and records it.
    void showMessageBox(bool ownerIsMainWindow, const std::u16string& text,
                        const std::u16string& caption, UINT style);
    /// Ends the transcript's last line, if one is open.
    void finishTranscript();

    // --- user coordinate system ---
    const UcsFrame& ucs() const { return m_ucs; }
    void setUcsWorld() { m_ucs = UcsFrame(); }
    /// Moves the origin to a point given in the current UCS.
    void moveUcsOrigin(const AcGePoint3d& ucsPoint);
    /// Rotates the UCS about its own axis (0 x, 1 y, 2 z) by degrees, right-hand rule.
    void rotateUcs(int axis, double degrees);
    AcGePoint3d ucsToWorld(const AcGePoint3d& ucsPoint) const;
    AcGePoint3d worldToUcs(const AcGePoint3d& worldPoint) const;
    AcGeVector3d ucsToWorld(const AcGeVector3d& ucsVector) const;
    AcGeVector3d worldToUcs(const AcGeVector3d& worldVector) const;

    // --- picking and windows ---
    double aperture() const { return m_aperture; }
    /// Sets the pick aperture; false (unchanged) unless it is positive and finite.
    bool setAperture(double aperture);
    /// The host's main window: a distinct handle that is never null.
    HWND mainWindow() const;

private:
    void write(const std::string& utf8);
    void recordInputError(const UserAction& action, PromptKind kind);

    std::deque<UserAction> m_queue;
    InputSource* m_pSource = nullptr;
    const PromptKind* m_pAnswering = nullptr;  ///< the prompt being answered; null: none
    bool m_hasInputError = false;
    InputError m_inputError;
    std::ostream* m_pTranscript = nullptr;
    bool m_interactive = false;
    std::string m_openLine;  ///< the transcript's last line so far, without its newline
    UcsFrame m_ucs;
    double m_aperture = kDefaultAperture;
};

/// The entity the innermost running drag shows (its jig's entity()); null when none runs.
const AcDbEntity* draggedEntity();

/// What a prompt of this kind accepts, as words for an error message.
std::string describeExpectedInput(PromptKind kind);
/// The host's reply to text given where a point is wanted: "Invalid point." for what looks
/// like coordinates, "Point or option keyword required." for anything else.
std::string replyToTextAtPointPrompt(const std::string& text);

}  // namespace cadhost
