// Holds a file open the way another program would, for the end-to-end runs:
//
//   hold_file.exe FILE deny-write|deny-delete|device-lock READY DONE
//
// deny-write opens FILE for reading, sharing only reading (a spreadsheet that has the file open);
// deny-delete opens it for reading, sharing reading and writing but not its removal; device-lock takes the
// lock that Kestrav's runs take around a walk or a clear, by the name FILE, as another run in the middle of
// its walk would. Once FILE is held, READY is created; the hold ends when DONE appears (or after a minute).
// Exit status 1 when FILE cannot be opened or the lock taken.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: hold_file FILE deny-write|deny-delete|device-lock READY DONE\n");
        return 2;
    }
    if (std::wcscmp(argv[2], L"device-lock") == 0) {
        HANDLE lock = CreateMutexW(nullptr, FALSE, argv[1]);
        if (lock == nullptr || WaitForSingleObject(lock, 60000) != WAIT_OBJECT_0) {
            std::fprintf(stderr, "hold_file: cannot take the lock (error %lu)\n", GetLastError());
            return 1;
        }
        HANDLE ready =
            CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        CloseHandle(ready);
        for (int waited = 0; waited < 600 && GetFileAttributesW(argv[4]) == INVALID_FILE_ATTRIBUTES;
             ++waited) {
            Sleep(100);
        }
        ReleaseMutex(lock);
        CloseHandle(lock);
        return 0;
    }
    DWORD share =
        std::wcscmp(argv[2], L"deny-write") == 0 ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE held =
        CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "hold_file: cannot open the file (error %lu)\n", GetLastError());
        return 1;
    }
    HANDLE ready =
        CreateFileW(argv[3], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    CloseHandle(ready);
    for (int waited = 0; waited < 600 && GetFileAttributesW(argv[4]) == INVALID_FILE_ATTRIBUTES; ++waited) {
        Sleep(100);
    }
    CloseHandle(held);
    return 0;
}
