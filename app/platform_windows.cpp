// The Windows side of platform.h. Windows names files in UTF-16: every call
// here takes wide characters, so a user folder such as C:\Users\Jürgen works
// whatever the system's code page. SDL is given UTF-8, which its
// SDL_RWFromFile turns back into UTF-16 for CreateFileW.
#include "app/platform.h"

#include <SDL.h>
#include <windows.h>

namespace {

constexpr const wchar_t* PLAYER_FOLDER = L"\\Tessalorium";
constexpr const wchar_t* BOX_TITLE = L"Tessalorium";
constexpr const wchar_t* SAID_BEFORE = L"tessalorium: ";
// The pictures' folder beside the program, in Windows' separator as the
// rest of the path.
constexpr const char* PICTURES = "gfx\\";

std::string utf8(const std::wstring& wide)
{
    const int size = static_cast<int>(wide.size());
    std::string narrow(
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, narrow.data(),
                        static_cast<int>(narrow.size()), nullptr, nullptr);
    return narrow;
}

std::wstring utf16(const std::string& narrow)
{
    const int size = static_cast<int>(narrow.size());
    std::wstring wide(MultiByteToWideChar(CP_UTF8, 0, narrow.data(), size, nullptr, 0), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, narrow.data(), size, wide.data(),
                        static_cast<int>(wide.size()));
    return wide;
}

// The folder of the running program with its final backslash; empty (the
// working folder) in the unlikely case Windows cannot say.
std::wstring programFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
        if (length == 0) {
            return L"";
        }
        if (length < size) {
            path.resize(length);
            return path.substr(0, path.find_last_of(L'\\') + 1);
        }
        path.resize(2 * path.size());  // truncated: a long path
    }
}

}  // namespace

void enterPlayerFolder()
{
    const DWORD size = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
    if (size == 0) {
        return;
    }
    std::wstring folder(size, L'\0');
    folder.resize(GetEnvironmentVariableW(L"APPDATA", folder.data(), size));
    folder += PLAYER_FOLDER;
    // An existing folder fails with ERROR_ALREADY_EXISTS; entering it tells.
    CreateDirectoryW(folder.c_str(), nullptr);
    SetCurrentDirectoryW(folder.c_str());
}

std::string picturePath(const char* name)
{
    static const std::string pictures = utf8(programFolder()) + PICTURES;
    return pictures + name;
}

void tellStartFailure(const char* line)
{
    // A window already open would stand blank behind the box, looking hung.
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    const std::wstring text = SAID_BEFORE + utf16(line);
    MessageBoxW(nullptr, text.c_str(), BOX_TITLE, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}
