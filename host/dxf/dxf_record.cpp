#include "dxf/dxf_document.h"

#include "database/huge_pages.h"
#include "dxf/dxf_handles.h"

namespace cadhost {

DxfRecord::DxfRecord(const DxfRecord& other)
    : m_text(other.m_text),
      m_tags(other.m_tags == nullptr ? nullptr : std::make_unique<DxfTags>(*other.m_tags)),
      m_line(other.m_line), m_flags(other.m_flags), m_handle(other.m_handle)
{
}

DxfRecord& DxfRecord::operator=(const DxfRecord& other)
{
    if (this != &other)
        *this = DxfRecord(other);
    return *this;
}

DxfTags DxfRecord::tagList() const
{
    if (m_tags != nullptr)
        return *m_tags;
    DxfTags list;
    for (const DxfTag& tag : tags())
        list.push_back(tag);
    return list;
}

void DxfRecord::setTags(DxfTags tags)
{
    m_handle = 0;
    DxfHandleScanner scanner;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (i > 0 && tags[i].code == 0)
            break;
        if (scanner.next(tags[i]) == DxfHandleRole::Own) {
            parseHandle(tags[i].value, m_handle);
            break;
        }
    }
    if (m_line == 0 && !tags.empty())
        m_line = tags.front().line;
    m_tags = std::make_unique<DxfTags>(std::move(tags));
}

std::string_view DxfRecord::type() const
{
    if (m_tags != nullptr)
        return m_tags->empty() ? std::string_view() : m_tags->front().value;
    DxfTag first;
    DxfTagCursor cursor(m_text, m_line);
    return cursor.next(first) ? first.value : std::string_view();
}

std::optional<DxfTag> DxfRecord::find(int code) const
{
    bool first = true;
    for (const DxfTag& tag : tags()) {
        if (!first && tag.code == 0)
            return std::nullopt;
        first = false;
        if (tag.code == code)
            return tag;
    }
    return std::nullopt;
}

DxfFileBytes::DxfFileBytes(std::size_t size)
    : m_room(static_cast<char*>(hugePageResource()->allocate(size, 1)), RoomDeleter{size})
{
    m_view = std::string_view(m_room.get(), size);
}

void DxfFileBytes::RoomDeleter::operator()(char* room) const
{
    hugePageResource()->deallocate(room, size, 1);
}

const DxfHeaderVariable* DxfDocument::headerVariable(std::string_view name) const
{
    for (const DxfHeaderVariable& variable : header)
        if (variable.name == name)
            return &variable;
    return nullptr;
}

const DxfTag* DxfDocument::headerValue(std::string_view name) const
{
    const DxfHeaderVariable* variable = headerVariable(name);
    return variable == nullptr || variable->values.empty() ? nullptr : &variable->values.front();
}

DxfTable* DxfDocument::table(std::string_view name)
{
    for (DxfTable& t : tables)
        if (t.name == name)
            return &t;
    return nullptr;
}

const DxfTable* DxfDocument::table(std::string_view name) const
{
    return const_cast<DxfDocument*>(this)->table(name);
}

const std::vector<std::string>& knownDxfVersions()
{
    static const std::vector<std::string> versions = {"AC1009", "AC1012", "AC1014", "AC1015",
                                                      "AC1018", "AC1021", "AC1024", "AC1027",
                                                      "AC1032"};
    return versions;
}

std::string documentVersion(const DxfDocument& document)
{
    const DxfTag* version = document.headerValue("$ACADVER");
    return version == nullptr ? "AC1009" : std::string(version->value);
}

}  // namespace cadhost
