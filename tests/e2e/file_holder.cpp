// Holds a file open without sharing, as another program (an editor, a virus
// scanner) may hold the configuration file while kalto.exe starts: no other
// process can open, replace or delete it meanwhile.
//
//   file_holder <file> <flag-file>   holds <file>, then creates <flag-file> and
//                                    holds on until that is deleted, at most two minutes
//
// Exit code 1 when the file cannot be opened.
#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    fputs("usage: file_holder <file> <flag-file>\n", stderr);
    return 2;
  }
  HANDLE file = CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
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
