// The host's jig: the drag loop over the user's actions and the sample point it hands to the
// jig's sampler.
#include "acedjig.h"
#include "database/database_impl.h"
#include "editor/editor.h"
#include "mfc/utf_text.h"
#include "mfc/wide_format.h"
#include "session/recorder.h"
#include "session/session.h"

#include <string>
#include <vector>

namespace {

/// The drag that runs for one jig: the action the current sample answers.
struct ActiveDrag {
    const AcEdJig* jig;
    cadhost::UserAction current;
};

/// Running drags, innermost last.
std::vector<ActiveDrag*>& activeDrags()
{
    static std::vector<ActiveDrag*> drags;
    return drags;
}

ActiveDrag* dragOf(const AcEdJig* jig)
{
    auto& drags = activeDrags();
    for (auto it = drags.rbegin(); it != drags.rend(); ++it)
        if ((*it)->jig == jig)
            return *it;
    return nullptr;
}

/// Registers a drag for its lifetime.
class ActiveDragGuard {
public:
    explicit ActiveDragGuard(ActiveDrag& drag) { activeDrags().push_back(&drag); }
    ~ActiveDragGuard() { activeDrags().pop_back(); }
    ActiveDragGuard(const ActiveDragGuard&) = delete;
    ActiveDragGuard& operator=(const ActiveDragGuard&) = delete;
};

void recordJigEvent(cadhost::RecordedEvent::Kind kind, const std::string& text,
                    const std::string& caption = {})
{
    cadhost::recorder().record({kind, text, caption, 0, false, 0});
}

std::string className(const AcDbEntity* entity)
{
    const AcRxClass* cls = entity->isA();
    return cls != nullptr ? cadhost::utf8FromUtf16(cls->name()) : std::string();
}

}  // namespace

const AcDbEntity* cadhost::draggedEntity()
{
    const auto& drags = activeDrags();
    return drags.empty() ? nullptr : drags.back()->jig->entity();
}

AcEdJig::AcEdJig() : m_userInputControls(static_cast<UserInputControls>(0)) {}

AcEdJig::~AcEdJig() = default;

AcEdJig::DragStatus AcEdJig::drag()
{
    cadhost::Editor& editor = cadhost::editor();
    recordJigEvent(cadhost::RecordedEvent::Kind::JigDrag, cadhost::utf8FromUtf16(m_dispPrompt));
    editor.print(m_dispPrompt);

    ActiveDrag active{this, {}};
    ActiveDragGuard guard(active);
    DragStatus result = kCancel;
    for (;;) {
        active.current = editor.answerPrompt(cadhost::PromptKind::Drag);
        const DragStatus status = sampler();
        recordJigEvent(cadhost::RecordedEvent::Kind::JigSample, std::to_string(status));
        // The sampler may have read further input (an Enter that was not accepted).
        const cadhost::UserAction::Kind kind = active.current.kind;
        if (kind == cadhost::UserAction::Kind::Escape) {
            result = kCancel;
            break;
        }
        if (status == kNormal) {
            update();
            recordJigEvent(cadhost::RecordedEvent::Kind::JigUpdate, {});
            if (const AcDbEntity* drawn = entity())
                recordJigEvent(cadhost::RecordedEvent::Kind::JigRedraw, {}, className(drawn));
        }
        if (kind != cadhost::UserAction::Kind::CursorMove) {
            result = status;
            break;
        }
    }
    recordJigEvent(cadhost::RecordedEvent::Kind::JigEnd, std::to_string(result));
    return result;
}

AcEdJig::DragStatus AcEdJig::sampler()
{
    AcGePoint3d point;
    return acquirePoint(point);
}

Adesk::Boolean AcEdJig::update()
{
    return Adesk::kTrue;
}

AcDbEntity* AcEdJig::entity() const
{
    return nullptr;
}

AcDbObjectId AcEdJig::append()
{
    AcDbEntity* added = entity();
    if (added == nullptr || added->database() != nullptr)
        return AcDbObjectId::kNull;
    AcDbObjectId id;
    if (cadhost::workingDatabase()->impl().appendEntity(added, id) != Acad::eOk)
        return AcDbObjectId::kNull;
    added->close();
    return id;
}

const ACHAR* AcEdJig::dispPrompt() const
{
    return m_dispPrompt.c_str();
}

void AcEdJig::setDispPrompt(const ACHAR* format, ...)
{
    va_list args;
    va_start(args, format);
    m_dispPrompt = cadhost::formatWide(format, args);
    va_end(args);
}

AcEdJig::UserInputControls AcEdJig::userInputControls() const
{
    return m_userInputControls;
}

void AcEdJig::setUserInputControls(UserInputControls controls)
{
    m_userInputControls = controls;
}

AcEdJig::DragStatus AcEdJig::acquirePoint(AcGePoint3d& point)
{
    ActiveDrag* active = dragOf(this);
    if (active == nullptr)
        return kOther;
    cadhost::Editor& editor = cadhost::editor();
    // An Enter that null responses do not answer is passed over: the host asks again.
    while (active->current.kind == cadhost::UserAction::Kind::Enter &&
           (m_userInputControls & kNullResponseAccepted) == 0)
        active->current = editor.answerPrompt(cadhost::PromptKind::Drag);

    switch (active->current.kind) {
    case cadhost::UserAction::Kind::Enter:
        return kNull;
    case cadhost::UserAction::Kind::Point:
    case cadhost::UserAction::Kind::CursorMove: {
        AcGePoint3d ucsPoint = active->current.point;
        // Without 3D input the point lies in the UCS XY plane.
        if ((m_userInputControls & kAccept3dCoordinates) == 0)
            ucsPoint.z = 0.0;
        point = editor.ucsToWorld(ucsPoint);
        return kNormal;
    }
    default:
        return kCancel;
    }
}

AcEdJig::DragStatus AcEdJig::acquirePoint(AcGePoint3d& point, const AcGePoint3d&)
{
    return acquirePoint(point);
}

AcDbDimDataPtrArray* AcEdJig::dimData(const double)
{
    return nullptr;
}

Acad::ErrorStatus AcEdJig::setDimValue(const void*, const double)
{
    return Acad::eNotApplicable;
}
