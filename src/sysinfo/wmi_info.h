// The one gateway to Windows Management Instrumentation. Start-up connects
// to ROOT\CIMV2 on the user-interface thread (InitWmi); the probes then ask,
// from the detection worker thread, for some properties of every instance
// of a class and read them back as texts; shutdown releases it all
// (UninitWmi).
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "sysinfo/wmi_types.h"

struct IEnumWbemClassObject;
struct IWbemClassObject;
struct IWbemServices;
struct IWbemLocator;

class CWmiInfo {
 public:
  CWmiInfo() = default;
  CWmiInfo(const CWmiInfo&) = delete;
  CWmiInfo& operator=(const CWmiInfo&) = delete;
  ~CWmiInfo() = default;  // the process-wide instance is released by UninitWmi

  // Joins the multithreaded apartment, sets the process security, creates
  // the locator, connects and sets the proxy blanket. Returns the result
  // code of the last step performed. Without a connection every later query
  // answers false; a failed connection leaves the apartment again, so that
  // InitWmi may be tried again.
  long InitWmi();

  // "SELECT * FROM <className>": for every instance, one text per property
  // name, inserted into `out` under the instance number. False when the
  // query could not be run (no connection, or the query failed); true
  // otherwise, also for a class without instances. A provider that gives no
  // instance for 30 s, or shutdown, ends the query with what it read.
  bool GetMutilpleItemInfo(std::wstring className, const std::vector<std::wstring>& propertyNames,
                           WmiInstanceMap& out);

  // Releases the connection and leaves the apartment. A query running on
  // another thread ends at its next fetch, within half a second; one stuck
  // in a provider that ignores time-outs is left with the connection, to
  // the end of the process.
  void UninitWmi();

 private:
  // Releases everything and leaves the apartment; the lock is held.
  void ReleaseAll();
  void ReadInstance(const std::wstring& className, const std::vector<std::wstring>& propertyNames,
                    std::vector<std::wstring>& values);

  IEnumWbemClassObject* m_pEnumClsObj = nullptr;
  IWbemClassObject* m_pClsObj = nullptr;
  IWbemServices* m_pWbemSvc = nullptr;
  IWbemLocator* m_pWbemLoc = nullptr;
  bool m_bComInitialized = false;
  // Queries come from the worker thread, release from the user-interface
  // thread at shutdown, when the worker may still be inside a check.
  std::timed_mutex m_mutex;
  // Set by UninitWmi before it takes the lock: a running query stops.
  std::atomic<bool> m_bClosing{false};
};

extern CWmiInfo theWmiInfo;
