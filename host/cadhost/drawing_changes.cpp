#include "cadhost/drawing_changes.h"

#include "cadhost/report.h"
#include "database/database_impl.h"
#include "dbmain.h"
#include "session/recorder.h"
#include "session/session.h"

#include <map>
#include <vector>

namespace cadhost {

namespace {

/// What the events say about one object.
struct ObjectHistory {
    bool appended = false;
    bool erasureChanged = false;  ///< an erase or unerase event came
    bool erasedBefore = false;    ///< the state before the first such event
    bool openedForWrite = false;
};

/// The entities of one type that one kind of change touched.
struct ChangeGroup {
    std::string type;  ///< the report's type name
    int count = 0;
    std::vector<std::string> texts;  ///< of dimensions
};

/// Groups of one kind of change, in the order their types first came.
class ChangeKind {
public:
    void add(const nlohmann::json& entity)
    {
        const std::string type = entity.value("type", std::string("?"));
        auto found = m_groups.begin();
        while (found != m_groups.end() && found->type != type)
            ++found;
        if (found == m_groups.end())
            found = m_groups.insert(m_groups.end(), ChangeGroup{type, 0, {}});
        ++found->count;
        if (entity.contains("text"))
            found->texts.push_back(entity["text"].get<std::string>());
    }

    /// "1 dimension added (text "x"), 2 points added" for verb "added".
    void describe(const char* verb, std::vector<std::string>& parts) const
    {
        for (const ChangeGroup& group : m_groups) {
            std::string part = std::to_string(group.count) + " " + nounOf(group.type, group.count) +
                               " " + verb;
            if (!group.texts.empty()) {
                part += group.texts.size() == 1 ? " (text " : " (texts ";
                for (std::size_t i = 0; i < group.texts.size(); ++i)
                    part += (i > 0 ? ", \"" : "\"") + group.texts[i] + "\"";
                part += ")";
            }
            parts.push_back(part);
        }
    }

private:
    static std::string nounOf(const std::string& type, int count)
    {
        static const std::map<std::string, std::string> nouns = {
            {"POINT", "point"},   {"LINE", "line"}, {"ARC", "arc"},
            {"CIRCLE", "circle"}, {"LWPOLYLINE", "polyline"}, {"WALL", "wall"},
            {"DIMENSION", "dimension"},
        };
        const auto found = nouns.find(type);
        if (found == nouns.end())
            return count == 1 ? "other entity" : "other entities";
        return count == 1 ? found->second : found->second + "s";
    }

    std::vector<ChangeGroup> m_groups;
};

/// The entity as the report describes it, read with the host's open rules.
nlohmann::json describeForSummary(const AcDbEntity& resident)
{
    AcDbEntity* entity = nullptr;
    if (acdbOpenAcDbEntity(entity, resident.objectId(), AcDb::kForRead, true) != Acad::eOk)
        return {{"type", "?"}};
    nlohmann::json described = describeEntity(*entity);
    entity->close();
    return described;
}

}  // namespace

std::string summarizeDrawingChanges(std::size_t firstEvent)
{
    const std::vector<RecordedEvent>& events = recorder().events();
    std::map<unsigned long long, ObjectHistory> histories;
    for (std::size_t i = firstEvent; i < events.size(); ++i) {
        const RecordedEvent& event = events[i];
        switch (event.kind) {
        case RecordedEvent::Kind::DbAppend:
            histories[event.handle].appended = true;
            break;
        case RecordedEvent::Kind::DbErase:
        case RecordedEvent::Kind::DbUnerase: {
            ObjectHistory& history = histories[event.handle];
            if (!history.erasureChanged)
                history.erasedBefore = event.kind == RecordedEvent::Kind::DbUnerase;
            history.erasureChanged = true;
            break;
        }
        case RecordedEvent::Kind::DbOpen:
            if (event.text == "write")
                histories[event.handle].openedForWrite = true;
            break;
        default:
            break;
        }
    }

    ChangeKind added;
    ChangeKind erased;
    ChangeKind modified;
    const AcDbDatabase::Impl& db = workingDatabase()->impl();
    for (const auto& entry : histories) {
        std::size_t position = 0;
        const AcDbEntity* entity = AcDbEntity::cast(db.objectByHandle(AcDbHandle(entry.first)));
        if (entity == nullptr || !db.drawOrderOf(entry.first, position))
            continue;
        const ObjectHistory& history = entry.second;
        const bool liveAfter = !entity->isErased();
        const bool liveBefore =
            !history.appended && (history.erasureChanged ? !history.erasedBefore : liveAfter);
        if (liveAfter && !liveBefore)
            added.add(describeForSummary(*entity));
        else if (liveBefore && !liveAfter)
            erased.add(describeForSummary(*entity));
        else if (liveBefore && history.openedForWrite)
            modified.add(describeForSummary(*entity));
    }
    std::vector<std::string> parts;
    added.describe("added", parts);
    erased.describe("erased", parts);
    modified.describe("modified", parts);
    if (parts.empty())
        return "";
    std::string line = parts.front();
    for (std::size_t i = 1; i < parts.size(); ++i)
        line += ", " + parts[i];
    return line;
}

}  // namespace cadhost
