// Ten thousand Invoke calls with random ids, flags, argument counts, types
// and names, null pointers where the contract allows them: never a crash,
// always a defined HRESULT. Enable and Configure get wrong arguments only,
// since a valid call waits for a handshake or a window.
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "driver_client.h"
#include "platform/win32/com_ref.h"
#include "scenario_tools.h"

using quorvix::win32::ComRef;

namespace {

constexpr DISPID kFirst = 0x60030000;
constexpr DISPID kEnable = kFirst + 1;
constexpr DISPID kConfigure = kFirst + 4;
constexpr int kCalls = 10000;

bool ControlError(HRESULT result) {
  if (HRESULT_FACILITY(result) != FACILITY_CONTROL || !FAILED(result)) {
    return false;
  }
  switch (HRESULT_CODE(result)) {
    case 5:
    case 6:
    case 7:
    case 13:
    case 51:
    case 75:
    case 380:
    case 438:
    case 440:
    case 8002:
    case 8005:
    case 8012:
    case 8020: return true;
    default: return false;
  }
}

bool Defined(HRESULT result) {
  switch (result) {
    case S_OK:
    case DISP_E_UNKNOWNINTERFACE:
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_BADPARAMCOUNT:
    case DISP_E_PARAMNOTFOUND:
    case DISP_E_TYPEMISMATCH:
    case DISP_E_OVERFLOW:
    case DISP_E_EXCEPTION:
    case E_INVALIDARG:
    case E_OUTOFMEMORY: return true;
    default: return ControlError(result);
  }
}

// One call's arguments; owns every BSTR and by-reference target.
class RandomArguments {
 public:
  RandomArguments(std::mt19937& random, UINT count) : random_(random) {
    targets_.reserve(count);
    longs_.reserve(count);
    for (UINT i = 0; i < count; ++i) arguments_.push_back(Make(true));
  }
  ~RandomArguments() {
    for (VARIANT& v : arguments_) VariantClear(&v);
    for (VARIANT& v : targets_) VariantClear(&v);
  }
  RandomArguments(const RandomArguments&) = delete;
  RandomArguments& operator=(const RandomArguments&) = delete;

  VARIANT* data() { return arguments_.empty() ? nullptr : arguments_.data(); }

 private:
  int Pick(int n) {
    return std::uniform_int_distribution<int>(0, n - 1)(random_);
  }

  BSTR RandomText() {
    static const wchar_t* const kTexts[] = {
        L"",     L"5",    L"-1",  L"255",          L"256",         L"1e400",
        L"12.5", L"True", L"abc", L"\x00e4\x00f6", L"99999999999", L"  7  ",
        L"&H10"};
    if (Pick(8) == 0) return nullptr;
    return SysAllocString(kTexts[Pick(sizeof kTexts / sizeof kTexts[0])]);
  }

  VARIANT Make(bool may_refer) {
    VARIANT v;
    VariantInit(&v);
    switch (Pick(may_refer ? 16 : 14)) {
      case 0: break;  // VT_EMPTY
      case 1: V_VT(&v) = VT_NULL; break;
      case 2:
        V_VT(&v) = VT_I2;
        V_I2(&v) = static_cast<SHORT>(random_());
        break;
      case 3:
        V_VT(&v) = VT_I4;
        V_I4(&v) = static_cast<LONG>(random_());
        break;
      case 4:
        V_VT(&v) = VT_I4;
        V_I4(&v) = Pick(600) - 2;
        break;
      case 5:
        V_VT(&v) = VT_R8;
        V_R8(&v) = std::uniform_real_distribution<double>(-1e12, 1e12)(random_);
        break;
      case 6:
        V_VT(&v) = VT_BSTR;
        V_BSTR(&v) = RandomText();
        break;
      case 7:
        V_VT(&v) = VT_BOOL;
        V_BOOL(&v) = Pick(2) ? VARIANT_TRUE : VARIANT_FALSE;
        break;
      case 8:
        V_VT(&v) = VT_DISPATCH;
        V_DISPATCH(&v) = nullptr;
        break;
      case 9:
        V_VT(&v) = VT_UNKNOWN;
        V_UNKNOWN(&v) = nullptr;
        break;
      case 10:
        V_VT(&v) = VT_ERROR;
        V_ERROR(&v) = DISP_E_PARAMNOTFOUND;
        break;
      case 11:
        V_VT(&v) = VT_UI1;
        V_UI1(&v) = static_cast<BYTE>(random_());
        break;
      case 12:
        V_VT(&v) = VT_DATE;
        V_DATE(&v) = Pick(100000);
        break;
      case 13:
        V_VT(&v) = VT_CY;
        V_CY(&v).int64 = static_cast<LONGLONG>(random_()) << 20;
        break;
      case 14:  // how script hosts pass variables; sometimes a null one
        targets_.push_back(Make(false));
        V_VT(&v) = VT_VARIANT | VT_BYREF;
        V_VARIANTREF(&v) = Pick(10) == 0 ? nullptr : &targets_.back();
        break;
      default:
        longs_.push_back(static_cast<LONG>(random_()));
        V_VT(&v) = VT_I4 | VT_BYREF;
        V_I4REF(&v) = &longs_.back();
        break;
    }
    return v;
  }

  std::mt19937& random_;
  std::vector<VARIANT> arguments_;
  std::vector<VARIANT> targets_;
  std::vector<LONG> longs_;
};

struct Outcome {
  HRESULT result;
  std::string problem;  // empty when the call kept its contract
};

Outcome OneCall(IDispatch* driver, std::mt19937& random) {
  const auto pick = [&](int n) {
    return std::uniform_int_distribution<int>(0, n - 1)(random);
  };
  DISPID id = pick(8) == 0 ? static_cast<DISPID>(random()) : kFirst + pick(7);
  // Half the calls with the member's own argument count, to get past the
  // count check into the conversions and the driver.
  static constexpr UINT kArity[] = {0, 0, 0, 2, 0, 3, 0};
  const bool member = id >= kFirst && id < kFirst + 7;
  UINT count =
      member && pick(2) == 0 ? kArity[id - kFirst] : static_cast<UINT>(pick(5));
  if ((id == kEnable || id == kConfigure) && count == 0) count = 1 + pick(3);
  static const WORD kFlags[] = {DISPATCH_METHOD, DISPATCH_PROPERTYGET,
                                DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                DISPATCH_PROPERTYPUT, 0};
  const WORD flags = pick(2) == 0 ? kFlags[pick(5)] : DISPATCH_METHOD;
  RandomArguments arguments(random, count);
  std::vector<DISPID> names;
  const UINT named =
      count == 0 ? 0 : static_cast<UINT>(pick(static_cast<int>(count) + 1));
  for (UINT i = 0; i < named; ++i) names.push_back(pick(6) - 1);
  DISPPARAMS parameters{arguments.data(),
                        names.empty() ? nullptr : names.data(), count, named};
  // Null rgvarg or names with a count: refused, never read.
  if (count > 0 && pick(50) == 0) parameters.rgvarg = nullptr;
  if (named > 0 && pick(50) == 0) parameters.rgdispidNamedArgs = nullptr;

  VARIANT result;
  VariantInit(&result);
  EXCEPINFO exception{};
  UINT argument_error = ~0u;
  const bool want_result = pick(4) != 0;
  const bool want_exception = pick(4) != 0;
  const bool want_argument_error = pick(4) != 0;
  const IID& iid = pick(20) == 0 ? IID_IDispatch : IID_NULL;
  // No DISPPARAMS is no argument: a valid call for Enable and Configure.
  const bool no_parameters = id != kEnable && id != kConfigure && pick(30) == 0;
  const HRESULT hr = driver->Invoke(
      id, iid, LOCALE_USER_DEFAULT, flags,
      no_parameters ? nullptr : &parameters, want_result ? &result : nullptr,
      want_exception ? &exception : nullptr,
      want_argument_error ? &argument_error : nullptr);

  Outcome outcome{hr, {}};
  if (!Defined(hr)) outcome.problem = "an undefined HRESULT";
  if (hr == DISP_E_EXCEPTION && !ControlError(exception.scode)) {
    outcome.problem = "an exception without a defined scode";
  }
  if (hr == DISP_E_EXCEPTION && !want_exception) {
    outcome.problem = "DISP_E_EXCEPTION without an EXCEPINFO";
  }
  if ((hr == DISP_E_TYPEMISMATCH || hr == DISP_E_PARAMNOTFOUND) &&
      want_argument_error && argument_error >= count) {
    outcome.problem = "no argument named by puArgErr";
  }
  if (hr == S_OK && want_result && V_VT(&result) != VT_BOOL &&
      V_VT(&result) != VT_BSTR) {
    outcome.problem = "a result that is neither boolean nor text";
  }
  SysFreeString(exception.bstrSource);
  SysFreeString(exception.bstrDescription);
  SysFreeString(exception.bstrHelpFile);
  VariantClear(&result);
  if (!outcome.problem.empty()) {
    char detail[96];
    std::snprintf(detail, sizeof detail,
                  " (id 0x%lX, flags %u, %u args, %u named, hr 0x%08lX)",
                  static_cast<unsigned long>(id), flags, count, named,
                  static_cast<unsigned long>(hr));
    outcome.problem += detail;
  }
  return outcome;
}

}  // namespace

void ScenarioInvokeFuzz(HostContext& host) {
  const auto driver = ComRef<IDispatch>::Adopt(host.Create());
  if (!host.checks.Expect(driver.get() != nullptr, "created by ProgID")) {
    return;
  }
  const unsigned seed = GetTickCount();
  std::printf("note seed %u\n", seed);
  std::mt19937 random(seed);
  std::map<HRESULT, int> results;
  std::vector<std::string> problems;
  for (int call = 0; call < kCalls; ++call) {
    const Outcome outcome = OneCall(driver.get(), random);
    ++results[outcome.result];
    if (!outcome.problem.empty() && problems.size() < 5) {
      problems.push_back(outcome.problem);
    }
    if (call % 500 == 0) host.Pump(0);
  }
  for (const auto& [result, count] : results) {
    std::printf("note 0x%08lX x %d\n", static_cast<unsigned long>(result),
                count);
  }
  host.checks.Expect(
      problems.empty(),
      std::to_string(kCalls) + " random Invoke calls: every result defined",
      problems.empty() ? "" : problems.front());
  host.checks.Expect(results[S_OK] > 0 && results[DISP_E_EXCEPTION] > 0,
                     "the calls reached the driver, some failing in it");
  DriverClient(driver.get()).Boolean(L"Term");
}
