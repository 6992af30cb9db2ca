#include "platform/WinApi.h"

#include <windows.h>

#include <sddl.h>

namespace win {

namespace {

    const wchar_t* Wide(const std::u16string& text)
    {
        return reinterpret_cast<const wchar_t*>(text.c_str());
    }

}   // namespace

unsigned SystemCodePage()
{
    return GetACP();
}

Encoded Encode(unsigned codePage, const std::u16string& text)
{
    Encoded encoded;
    if (text.empty()) {
        encoded.result = Conversion::Done;
        return encoded;
    }
    const int length = int(text.size());
    // UTF-8 takes no best-fit flag and no default character; WC_ERR_INVALID_CHARS refuses a
    // lone surrogate instead of writing U+FFFD.
    const DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : 0;
    const int size = WideCharToMultiByte(codePage, flags, Wide(text), length, nullptr, 0, nullptr, nullptr);
    if (size > 0) {
        encoded.bytes.resize(size);
        if (WideCharToMultiByte(codePage, flags, Wide(text), length, &encoded.bytes[0], size, nullptr, nullptr) != size)
            encoded.bytes.clear();
    }
    if (encoded.bytes.empty()) {
        encoded.error = GetLastError();
        encoded.result =
            encoded.error == ERROR_NO_UNICODE_TRANSLATION ? Conversion::Unrepresentable : Conversion::Failed;
        return encoded;
    }
    encoded.result =
        codePage == CP_UTF8 || Decode(codePage, encoded.bytes) == text ? Conversion::Done : Conversion::Unrepresentable;
    if (encoded.result != Conversion::Done)
        encoded.bytes.clear();
    return encoded;
}

std::u16string Decode(unsigned codePage, const std::string& bytes)
{
    if (bytes.empty())
        return {};
    const int length = int(bytes.size());
    const int size = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    std::u16string text(size > 0 ? size : 0, u'\0');
    if (size > 0)
        MultiByteToWideChar(codePage, 0, bytes.data(), length, reinterpret_cast<wchar_t*>(&text[0]), size);
    return text;
}

std::u16string LongPath(const std::u16string& path)
{
    if (path.empty())
        return path;
    const DWORD size = GetFullPathNameW(Wide(path), 0, nullptr, nullptr);
    if (size == 0)
        return path;
    std::u16string full(size, u'\0');
    const DWORD length = GetFullPathNameW(Wide(path), size, reinterpret_cast<wchar_t*>(&full[0]), nullptr);
    if (length == 0 || length >= size)
        return path;
    full.resize(length);
    if (full.rfind(u"\\\\.\\", 0) == 0 || full.rfind(u"\\\\?\\", 0) == 0)   // a device, or long already
        return full;
    if (full.rfind(u"\\\\", 0) == 0)   // \\server\share
        return u"\\\\?\\UNC\\" + full.substr(2);
    return u"\\\\?\\" + full;
}

Status PathStatus(const std::u16string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    Status status;
    if (path.empty())
        return status;
    if (!GetFileAttributesExW(Wide(LongPath(path)), GetFileExInfoStandard, &data)) {
        const DWORD error = GetLastError();
        status.unknown = error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
        status.folderThere = error == ERROR_FILE_NOT_FOUND;
        return status;
    }
    status.exists = true;
    status.isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.modified =
        (static_cast<long long>(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime;
    return status;
}

Moved MoveNoReplace(const std::u16string& from, const std::u16string& to, unsigned long& error)
{
    if (MoveFileExW(Wide(LongPath(from)), Wide(LongPath(to)), MOVEFILE_WRITE_THROUGH))
        return Moved::Done;
    error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS)
        return Moved::NameTaken;
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED)
        return Moved::Busy;
    return Moved::Failed;
}

namespace {

    // The user a process runs as, as a SID string; empty when it cannot be told.
    std::u16string UserOf(HANDLE process)
    {
        std::u16string user;
        HANDLE token = nullptr;
        if (!OpenProcessToken(process, TOKEN_QUERY, &token))
            return user;
        DWORD size = 0;
        GetTokenInformation(token, TokenUser, nullptr, 0, &size);
        std::string buffer(size, '\0');
        wchar_t* sid = nullptr;
        if (size > 0 && GetTokenInformation(token, TokenUser, &buffer[0], size, &size)
            && ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(&buffer[0])->User.Sid, &sid)) {
            user = reinterpret_cast<const char16_t*>(sid);
            LocalFree(sid);
        }
        CloseHandle(token);
        return user;
    }

}   // namespace

std::u16string DesktopOwner()
{
    std::u16string owner = UserOf(GetCurrentProcess());
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    for (const char c : '-' + std::to_string(session))
        owner += char16_t(c);
    return owner;
}

bool PipeServerIsMine(void* pipe)
{
    ULONG id = 0;
    if (!GetNamedPipeServerProcessId(pipe, &id))
        return false;
    HANDLE server = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
    if (!server)
        return false;
    const std::u16string user = UserOf(server);
    CloseHandle(server);
    return !user.empty() && user == UserOf(GetCurrentProcess());
}

void LetOthersComeToFront()
{
    AllowSetForegroundWindow(ASFW_ANY);
}

}   // namespace win
