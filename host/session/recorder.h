// The host's record of what happens in a session: command-line text, user input, message boxes
// and database changes, in order, so that tests and the report can assert on them.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace cadhost {

/// One recorded event. Texts are UTF-8.
struct RecordedEvent {
    enum class Kind {
        Prompt,      ///< text printed on the command line (acedPrompt, acutPrintf, prompts)
        Input,       ///< the user's answer, as echoed on the command line
        MessageBox,  ///< a message box: text, caption, style, owner
        CommandStart,
        CommandEnd,
        DbOpen,      ///< detail "read" or "write"; handle names the object
        DbClose,
        DbAppend,
        DbErase,
        DbUnerase,
        DbDelete,    ///< a non-resident object destroyed
        SysVarSet,
        JigDrag,     ///< a drag starts; text: the drag prompt
        JigSample,   ///< the jig's sampler ran; text: the drag status it returned
        JigUpdate,   ///< the jig's update ran
        JigRedraw,   ///< the dragged entity was drawn again; caption: its class name
        JigEnd       ///< a drag ended; text: the drag status it returned
    };
    Kind kind;
    std::string text;
    std::string caption;  ///< message boxes: the caption; database events: the class name
    unsigned style = 0;   ///< message boxes: the style bits
    bool ownerIsMainWindow = false;
    unsigned long long handle = 0;  ///< database events: the object's handle
};

/// An append-only list of events with small queries for tests.
class Recorder {
public:
    void record(RecordedEvent event) { m_events.push_back(std::move(event)); }
    const std::vector<RecordedEvent>& events() const { return m_events; }
    void clear() { m_events.clear(); }

    /// Every command-line text in order, without the user's input.
    std::string commandLine() const
    {
        std::string text;
        for (const RecordedEvent& e : m_events)
            if (e.kind == RecordedEvent::Kind::Prompt)
                text += e.text;
        return text;
    }
    /// The events of one kind, in order.
    std::vector<RecordedEvent> ofKind(RecordedEvent::Kind kind) const
    {
        std::vector<RecordedEvent> found;
        for (const RecordedEvent& e : m_events)
            if (e.kind == kind)
                found.push_back(e);
        return found;
    }
    std::size_t count(RecordedEvent::Kind kind) const { return ofKind(kind).size(); }

private:
    std::vector<RecordedEvent> m_events;
};

}  // namespace cadhost
