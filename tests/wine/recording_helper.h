#pragma once
// A host's helper object written in C++: answers Trova_DMXIn_SetChannel by
// name and records every call with the argument types it received.

#include <oaidl.h>
#include <windows.h>

#include <functional>
#include <vector>

struct Report {
  long channel;
  long value;
  VARTYPE channel_type;
  VARTYPE value_type;
};

class RecordingHelper final : public IDispatch {
 public:
  enum class Mode { kAnswer, kNoSuchMethod, kFail };

  RecordingHelper() = default;
  RecordingHelper(const RecordingHelper&) = delete;
  RecordingHelper& operator=(const RecordingHelper&) = delete;

  Mode mode = Mode::kAnswer;
  std::vector<Report> reports;
  // Runs inside each answered call (re-entrant calls into the plug-in).
  std::function<void(const Report&)> during_call;

  LONG references() const { return references_; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count,
                                          LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags,
                                   DISPPARAMS* parameters, VARIANT* result,
                                   EXCEPINFO* exception,
                                   UINT* argument_error) override;

 private:
  LONG references_ = 1;  // the test's own; the object lives on its stack
};
