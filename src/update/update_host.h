// What the updater needs of the main window: the media-server slots it fills,
// the start button, the update offer and the display of the package download.
#pragma once

#include <string>

#include "update/media_servers.h"

// Stages of the package download the main window shows.
enum PackageStage {
  PACKAGE_DOWNLOADING = 0,  // running; with a percentage when the size is known
  PACKAGE_READY = 1,        // downloaded and shown in the file manager
  PACKAGE_FAILED = 2,       // nothing usable arrived, or nothing could be started
  PACKAGE_DAMAGED = 3,      // arrived, but did not match its published digest; deleted
};

class IUpdateHost {
 public:
  virtual MediaServerList& GetServerList() = 0;
  virtual void EnableStart() = 0;
  // Offers the published version; on acceptance the package download starts.
  virtual void ShowUpdateFrame(const std::wstring& version, const std::wstring& notes) = 0;
  // `percent` is 0 to 100, or -1 while the size is unknown.
  virtual void ShowPackageStage(PackageStage stage, int percent) = 0;

 protected:
  ~IUpdateHost() = default;
};
