// The MFC services the module uses: wide strings, the application object of a regular DLL,
// message maps and the module state with its current resource handle.
#pragma once
#include "win32.h"
#include <cstdarg>
#include <string>

/// A wide (UTF-16) string, as MFC's CStringW.
class CString {
public:
    CString() = default;
    CString(const WCHAR* text);
    CString(const WCHAR* text, int length);
    CString(WCHAR ch, int repeat = 1);
    CString(const CString&) = default;
    CString(CString&&) = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) = default;
    CString& operator=(const WCHAR* text);
    ~CString() = default;

    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    /// The zero-terminated text.
    const WCHAR* GetString() const { return m_str.c_str(); }
    operator const WCHAR*() const { return m_str.c_str(); }
    WCHAR GetAt(int index) const;
    WCHAR operator[](int index) const { return GetAt(index); }
    void SetAt(int index, WCHAR ch);
    /// Index of the first ch at or after start; -1 when there is none.
    int Find(WCHAR ch, int start = 0) const;
    int Find(const WCHAR* sub, int start = 0) const;
    CString Left(int count) const;
    CString Right(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    /// Removes count characters at index; returns the new length.
    int Delete(int index, int count = 1);
    int Insert(int index, WCHAR ch);
    int Insert(int index, const WCHAR* text);
    /// Keeps the first length characters.
    void Truncate(int length);
    int Replace(WCHAR oldCh, WCHAR newCh);
    int CompareNoCase(const WCHAR* other) const;

    CString& operator+=(const CString& other);
    CString& operator+=(const WCHAR* text);
    CString& operator+=(WCHAR ch);
    friend CString operator+(const CString& a, const CString& b);
    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator!=(const CString& a, const CString& b) { return a.m_str != b.m_str; }
    friend bool operator==(const CString& a, const WCHAR* b);
    friend bool operator!=(const CString& a, const WCHAR* b) { return !(a == b); }

    /// Loads string id from the current resource handle; false (and empty) when it is missing.
    BOOL LoadString(UINT id);
    /// printf-style formatting; %s and %ls take a wide string, %hs a narrow one.
    void Format(const WCHAR* format, ...);
    void FormatV(const WCHAR* format, va_list args);
    void AppendFormat(const WCHAR* format, ...);

private:
    std::basic_string<WCHAR> m_str;
};

struct AFX_MSGMAP_ENTRY {
    UINT nMessage;
    UINT nCode;
    UINT nID;
    UINT nLastID;
    void (*pfn)();
};

struct AFX_MSGMAP {
    const AFX_MSGMAP* (*pfnGetBaseMap)();
    const AFX_MSGMAP_ENTRY* lpEntries;
};

/// Declares a class's message map.
#define DECLARE_MESSAGE_MAP()                         \
protected:                                            \
    static const AFX_MSGMAP* GetThisMessageMap();     \
    const AFX_MSGMAP* GetMessageMap() const override;

/// Defines a class's message map; entries go between this and END_MESSAGE_MAP.
#define BEGIN_MESSAGE_MAP(theClass, baseClass)                                       \
    const AFX_MSGMAP* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const AFX_MSGMAP* theClass::GetThisMessageMap()                                   \
    {                                                                                 \
        typedef baseClass TheBaseClass;                                               \
        static const AFX_MSGMAP_ENTRY entries[] = {

#define END_MESSAGE_MAP()                                                                \
    {0, 0, 0, 0, nullptr}};                                                              \
        static const AFX_MSGMAP messageMap = {&TheBaseClass::GetThisMessageMap, entries}; \
        return &messageMap;                                                              \
    }

class CObject {
public:
    virtual ~CObject() = default;
};

class CCmdTarget : public CObject {
public:
    /// The class's message map, chained to its base class's.
    virtual const AFX_MSGMAP* GetMessageMap() const;

protected:
    /// The empty root map, the base of every map.
    static const AFX_MSGMAP* GetThisMessageMap();
};

class CWinThread : public CCmdTarget {
public:
    virtual BOOL InitInstance();
    virtual int ExitInstance();
};

/// The application object of a module: the module's one global instance, constructed when the
/// module is loaded; the DLL start-up calls InitInstance and, at unload or when InitInstance
/// fails, ExitInstance.
class CWinApp : public CWinThread {
public:
    explicit CWinApp(LPCWSTR appName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    BOOL InitInstance() override;
    int ExitInstance() override;

    /// The module's own instance handle, set by the DLL start-up before InitInstance.
    HINSTANCE m_hInstance;
    LPCWSTR m_pszAppName;
};

/// The state MFC keeps for the module that is current.
struct AFX_MODULE_STATE {
    /// Where strings loaded by identifier come from.
    HINSTANCE m_hCurrentResourceHandle;
    HINSTANCE m_hCurrentInstanceHandle;
    CWinApp* m_pCurrentWinApp;
};

/// The module state that is current on this thread (during a command: the host's).
AFX_MODULE_STATE* AfxGetModuleState();
/// The application object of the module being started up or the one the state names.
CWinApp* AfxGetApp();
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE resource);
