// The Windows types and services the module uses.
#pragma once

#ifdef _WIN32
// Built for Windows, the platform's own headers declare all of these.
#include <windows.h>
#else
#include <cstdint>

typedef int BOOL;
typedef unsigned int UINT;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef void* LPVOID;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
struct HWND__;
typedef HWND__* HWND;
typedef void (*FARPROC)();

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ICONERROR = 0x00000010;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONWARNING = 0x00000030;
constexpr UINT MB_ICONINFORMATION = 0x00000040;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;

constexpr DWORD DLL_PROCESS_DETACH = 0;
constexpr DWORD DLL_PROCESS_ATTACH = 1;
constexpr DWORD DLL_THREAD_ATTACH = 2;
constexpr DWORD DLL_THREAD_DETACH = 3;

constexpr DWORD ERROR_SUCCESS = 0;
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
constexpr DWORD ERROR_DLL_INIT_FAILED = 1114;

/// Shows a modal message box; returns the button pressed (IDOK).
int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
/// Writes the full file name of module (null: the host program) into fileName, at most size
/// characters with the terminating zero; returns its length, or size when it was cut short.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR fileName, DWORD size);
/// Loads a library and runs its start-up; null when it cannot be loaded or its start-up fails.
HMODULE LoadLibraryW(LPCWSTR fileName);
/// Runs the library's shut-down and unloads it when the last reference goes.
BOOL FreeLibrary(HMODULE module);
/// The exported function or variable of that name, or null.
FARPROC GetProcAddress(HMODULE module, const char* procName);
/// Loads string id of module's string table into buffer (at most size units with the zero);
/// the number of units copied, 0 when the id is missing.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int size);
DWORD GetLastError();
void SetLastError(DWORD error);

#endif
