// What the disk check finds, and the drive part of a folder path.
#pragma once

#include <string>

struct DiskSpaceFindings {
  unsigned long long m_ullWinDriveFree = 0;      // bytes free on the Windows folder's volume
  unsigned long long m_ullAppDataDriveFree = 0;  // bytes free on the application-data volume
};

// The characters before the first backslash ("C:" of "C:\Windows"), or an
// empty text when the path has no backslash or fewer than two characters
// precede it (a UNC path, a one-letter drive part): such a volume is not
// measured.
std::wstring DrivePartOfPath(const std::wstring& path);
