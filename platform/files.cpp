// CreateFileA, ReadFile and CloseHandle over POSIX descriptors, for reading existing files.
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/win32.h"

namespace {

// A handle is the descriptor plus one, so no open file is ever NULL or INVALID_HANDLE_VALUE.
HANDLE handle_of(int fd) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1); }
int fd_of(HANDLE h) { return static_cast<int>(reinterpret_cast<intptr_t>(h) - 1); }

} // namespace

HANDLE WINAPI CreateFileA(LPCSTR lpFileName, DWORD dwDesiredAccess, DWORD, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD, HANDLE) {
    if (!lpFileName || dwDesiredAccess != GENERIC_READ || dwCreationDisposition != OPEN_EXISTING)
        return INVALID_HANDLE_VALUE;
    // Non-blocking only for the open itself: a FIFO without a writer must not hang it.
    int fd = open(lpFileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    struct stat st;
    // A directory opens on POSIX but not on the platform.
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags < 0 || fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    return handle_of(fd);
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED) {
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = 0;
    if (hFile == INVALID_HANDLE_VALUE || hFile == NULL || (!lpBuffer && nNumberOfBytesToRead))
        return FALSE;
    // A pipe hands its data over in pieces: read on until the count is met or the data ends.
    DWORD total = 0;
    while (total < nNumberOfBytesToRead) {
        ssize_t got = read(fd_of(hFile), static_cast<char*>(lpBuffer) + total,
                           nNumberOfBytesToRead - total);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            if (lpNumberOfBytesRead)
                *lpNumberOfBytesRead = total;
            return FALSE;
        }
        if (got == 0)
            break;
        total += static_cast<DWORD>(got);
    }
    if (lpNumberOfBytesRead)
        *lpNumberOfBytesRead = total;
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject) {
    if (hObject == INVALID_HANDLE_VALUE || hObject == NULL)
        return FALSE;
    return close(fd_of(hObject)) == 0 ? TRUE : FALSE;
}
