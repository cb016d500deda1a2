// The record file's calls on Windows, in Win32's words: LockFileEx on the lock file,
// FlushFileBuffers, and MoveFileEx with MOVEFILE_WRITE_THROUGH, which returns only once the
// move is on the disk (what the folder's fsync does on Linux). Paths are UTF-8 inside the game
// and wide at every call, so a user name of any script works. Every file is opened with
// CreateFileW (for its sharing and its link rules) and then handed to the C runtime, so the
// store and its tests write through a descriptor as on Linux. [D39]
#include <fcntl.h>
#include <io.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "platform/record_file_system.h"

namespace fg::record_fs {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring Wide(const std::string& utf8) {
  const int n =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
  return out;
}

std::string Utf8(const wchar_t* wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 1) return "";
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), n, nullptr, nullptr);
  out.pop_back();  // the terminator
  return out;
}

// The C runtime keeps a descriptor's handle as an integer.
HANDLE Handle(const File& file) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(file.Get()));  // NOLINT(performance-no-int-to-ptr)
}

// The C runtime's descriptor for a handle CreateFileW gave, which it then owns.
File Adopted(HANDLE h, int flags, ErrorCode& error) {
  if (h == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return File(-1);
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
  if (fd < 0) {
    error = ERROR_TOO_MANY_OPEN_FILES;
    CloseHandle(h);
  }
  return File(fd);
}

}  // namespace

const char* const kNoDataFolder = "no application-data folder to keep the scores in";

// The system's words, as strerror gives them on Linux.
std::string WithWords(const std::string& what, ErrorCode error) {
  wchar_t* text = nullptr;
  FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string words = text != nullptr ? Utf8(text) : "error " + std::to_string(error);
  LocalFree(text);
  while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == '.')) {
    words.pop_back();
  }
  return what + ": " + words;
}

std::string Join(const std::string& dir, const char* name) {
  return dir + "\\" + name;
}

// %APPDATA%\FenzoGobbix, the folder SDL_GetPrefPath names; the variable first, as
// XDG_DATA_HOME on Linux, then the roaming application-data folder the shell knows. [D39]
std::string DataFolder() {
  const wchar_t* data = _wgetenv(L"APPDATA");
  std::string base = data != nullptr ? Utf8(data) : "";
  const bool absolute =
      base.size() > 2 &&
      ((base[1] == ':' && (base[2] == '\\' || base[2] == '/')) || base.starts_with("\\\\"));
  if (!absolute) {
    wchar_t* known = nullptr;
    base = SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &known) == S_OK ? Utf8(known)
                                                                                     : "";
    CoTaskMemFree(known);
  }
  return base.empty() ? "" : base + "\\FenzoGobbix";
}

// The folder's owner is not compared with the player as on Linux [D30]: a profile's
// application-data folder is the user's own by its access list. [D39]
std::string Foreign(const std::string& /*dir*/) {
  return "";
}

bool IsFolder(const std::string& dir) {
  const DWORD attributes = GetFileAttributesW(Wide(dir).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool LockMayBeMade(const std::string& dir) {
  return IsFolder(dir);
}

// A drive or a share at its start is never created.
bool CreateFolders(const std::string& dir, std::string& why) {
  // The separator after the root: C:\ or \\server\share\ .
  size_t root = dir.size() > 2 && dir[1] == ':' ? 2 : 0;
  if (dir.starts_with("\\\\")) root = dir.find_first_of("\\/", dir.find_first_of("\\/", 2) + 1);
  for (size_t slash = root; slash != std::string::npos && slash < dir.size();) {
    slash = dir.find_first_of("\\/", slash + 1);
    const std::string part = dir.substr(0, slash);
    if (CreateDirectoryW(Wide(part).c_str(), nullptr) != 0) continue;
    const DWORD error = GetLastError();
    if (error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED) continue;  // C:\Users
    why = WithWords("cannot create " + Shown(part), error);
    return false;
  }
  return true;
}

ErrorCode File::Close() {
  if (fd_ < 0) return 0;
  return _close(Release()) == 0 ? 0 : static_cast<ErrorCode>(_doserrno);  // the system's code
}

File OpenLockFile(const std::string& path, bool create, ErrorCode& error) {
  return Adopted(CreateFileW(Wide(path).c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll, nullptr,
                             create ? OPEN_ALWAYS : OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr),
                 _O_RDWR, error);
}

ErrorCode TryLock(const File& file) {
  OVERLAPPED whole{};
  return LockFileEx(Handle(file), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &whole) != 0
             ? 0
             : GetLastError();
}

bool LockBusy(ErrorCode error) {
  return error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING;
}

void Nap() {
  Sleep(5);
}

File OpenToRead(const std::string& path, ErrorCode& error) {
  return Adopted(CreateFileW(Wide(path).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr),
                 _O_RDONLY, error);
}

bool Missing(ErrorCode error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool RegularSize(const File& file, uint64_t& size) {
  LARGE_INTEGER bytes{};
  if (GetFileType(Handle(file)) != FILE_TYPE_DISK || GetFileSizeEx(Handle(file), &bytes) == 0) {
    return false;
  }
  size = static_cast<uint64_t>(bytes.QuadPart);
  return true;
}

int64_t ReadSome(const File& file, char* data, size_t size, ErrorCode& error) {
  DWORD n = 0;
  if (ReadFile(Handle(file), data, static_cast<DWORD>(std::min<size_t>(size, 1U << 30)), &n,
               nullptr) == 0) {
    error = GetLastError();
    return -1;
  }
  return n;
}

ssize_t WriteSome(int fd, const void* data, size_t size) {
  return _write(fd, data, static_cast<unsigned>(std::min<size_t>(size, 1U << 30)));
}

// Without MOVEFILE_REPLACE_EXISTING a file already there is never overwritten.
Moved MoveAside(const std::string& from, const std::string& to, const std::string& /*dir*/) {
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0) {
    return Moved::kDone;
  }
  const DWORD error = GetLastError();
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? Moved::kTaken
                                                                     : Moved::kFailed;
}

void RemoveLeftover(const std::string& temp) {
  const std::wstring wide = Wide(temp);
  if (DeleteFileW(wide.c_str()) == 0) RemoveDirectoryW(wide.c_str());
}

File CreateNew(const std::string& temp, ErrorCode& error) {
  return Adopted(CreateFileW(Wide(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr),
                 _O_WRONLY, error);
}

ErrorCode Flush(const File& file) {
  return FlushFileBuffers(Handle(file)) != 0 ? 0 : GetLastError();
}

// Needs no flush of the folder: the write-through move is on the disk when it returns.
ErrorCode MoveOver(const std::string& temp, const std::string& path, const std::string& /*dir*/) {
  return MoveFileExW(Wide(temp).c_str(), Wide(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0
             ? 0
             : GetLastError();
}

void Remove(const std::string& path) {
  DeleteFileW(Wide(path).c_str());
}

}  // namespace fg::record_fs
