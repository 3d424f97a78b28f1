#include "editor/editor.h"
#include "session/session.h"
#include "win32.h"

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    cadhost::Editor& editor = cadhost::editor();
    // Without a caption the platform shows its default one.
    const std::u16string shownCaption = caption != nullptr ? caption : u"Error";
    const std::u16string shownText = text != nullptr ? text : u"";
    editor.showMessageBox(owner != nullptr && owner == editor.mainWindow(), shownText,
                          shownCaption, type);
    return IDOK;
}
