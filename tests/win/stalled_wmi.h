// A stand-in WMI provider for the WMI helper's tests: while it is alive,
// creating the WMI locator in this process's multithreaded apartment gives
// it. It can refuse to be created or to connect, and its queries can stall:
// their enumerator gives no instance until released, honouring the fetch
// time-out it is given (WBEM_INFINITE is held for at most 10 s, so a test
// of a helper that waits without limit fails instead of hanging).
#pragma once

#include <windows.h>
#include <wbemidl.h>

#include <atomic>

class StalledWmi : public IClassFactory, public IWbemLocator, public IWbemServices, public IEnumWbemClassObject {
 public:
  // Registers it; the calling thread must be in the multithreaded apartment.
  StalledWmi();
  ~StalledWmi();
  StalledWmi(const StalledWmi&) = delete;
  StalledWmi& operator=(const StalledWmi&) = delete;

  bool IsRegistered() const { return m_cookie != 0; }
  std::atomic<bool> failCreate{false};
  std::atomic<bool> failConnect{false};
  std::atomic<bool> stallQueries{false};
  // Ends every stalled fetch, now and later, with "no more instances".
  void Unstall() { SetEvent(m_released); }
  // Fetches made so far.
  std::atomic<int> fetches{0};

  // IUnknown (the object lives as long as the test holds it).
  STDMETHODIMP QueryInterface(REFIID riid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  // IClassFactory
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override;
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

  // IWbemLocator
  STDMETHODIMP ConnectServer(const BSTR, const BSTR, const BSTR, const BSTR, LONG, const BSTR, IWbemContext*,
                             IWbemServices** services) override;

  // IWbemServices: only ExecQuery does something.
  STDMETHODIMP ExecQuery(const BSTR, const BSTR, LONG, IWbemContext*, IEnumWbemClassObject** found) override;
  STDMETHODIMP OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices**, IWbemCallResult**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CancelAsyncCall(IWbemObjectSink*) override { return E_NOTIMPL; }
  STDMETHODIMP QueryObjectSink(LONG, IWbemObjectSink**) override { return E_NOTIMPL; }
  STDMETHODIMP GetObject(const BSTR, LONG, IWbemContext*, IWbemClassObject**, IWbemCallResult**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP GetObjectAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
  STDMETHODIMP PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override { return E_NOTIMPL; }
  STDMETHODIMP PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
  STDMETHODIMP DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override { return E_NOTIMPL; }
  STDMETHODIMP DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
  STDMETHODIMP CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
  STDMETHODIMP PutInstance(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override { return E_NOTIMPL; }
  STDMETHODIMP PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override { return E_NOTIMPL; }
  STDMETHODIMP DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override { return E_NOTIMPL; }
  STDMETHODIMP CreateInstanceEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ExecMethod(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*, IWbemClassObject**,
                          IWbemCallResult**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                               IWbemObjectSink*) override {
    return E_NOTIMPL;
  }

  // IEnumWbemClassObject: only Next does something.
  STDMETHODIMP Next(LONG timeout, ULONG count, IWbemClassObject** objects, ULONG* returned) override;
  STDMETHODIMP Reset() override { return E_NOTIMPL; }
  STDMETHODIMP NextAsync(ULONG, IWbemObjectSink*) override { return E_NOTIMPL; }
  STDMETHODIMP Clone(IEnumWbemClassObject**) override { return E_NOTIMPL; }
  STDMETHODIMP Skip(LONG, ULONG) override { return E_NOTIMPL; }

 private:
  DWORD m_cookie = 0;
  HANDLE m_released;
};
