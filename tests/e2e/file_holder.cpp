// Holds a file open without sharing, as another program (an editor, a virus
// scanner) may hold the configuration file while kalto.exe starts: no other
// process can open, replace or delete it meanwhile. With "readable" others may
// still read and run it, but not change, rename or delete it. With
// "renamable" they may also rename it, as Windows lets them rename a program
// file that is running.
//
//   file_holder <file> <flag-file> [readable|renamable]
//       holds <file>, then creates <flag-file> and holds on until that is
//       deleted, at most two minutes
//
// Exit code 1 when the file cannot be opened.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  const bool renamable = argc == 4 && wcscmp(argv[3], L"renamable") == 0;
  const bool readable = renamable || (argc == 4 && wcscmp(argv[3], L"readable") == 0);
  if (argc != 3 && !readable) {
    fputs("usage: file_holder <file> <flag-file> [readable|renamable]\n", stderr);
    return 2;
  }
  const DWORD sharing = renamable ? FILE_SHARE_READ | FILE_SHARE_DELETE : readable ? FILE_SHARE_READ : 0;
  HANDLE file = CreateFileW(argv[1], readable ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE, sharing, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "cannot open, error %lu\n", GetLastError());
    return 1;
  }
  HANDLE flag = CreateFileW(argv[2], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (flag == INVALID_HANDLE_VALUE) {
    fprintf(stderr, "cannot create the flag, error %lu\n", GetLastError());
    CloseHandle(file);
    return 1;
  }
  CloseHandle(flag);
  const DWORD start = GetTickCount();
  while (GetFileAttributesW(argv[2]) != INVALID_FILE_ATTRIBUTES && GetTickCount() - start < 120000) Sleep(100);
  CloseHandle(file);
  return 0;
}
