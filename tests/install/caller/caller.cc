// Creates the SDK object through activation by its ProgID (the registry of
// $QORV_REGISTRY), writes one of its transfer settings and reads it back,
// with the installed headers' holders. Prints "TrustedCAFile=<text>" and
// exits 0, or names the failing step and exits 1.
#include <cstdio>

#include "qorvsdk/bstr.h"
#include "qorvsdk/com_ptr.h"
#include "qorvsdk/qorvsdk.h"
#include "qorvsdk/result.h"

namespace {

int Fail(const char* step, HRESULT hr) {
  std::fprintf(stderr, "caller: %s failed: 0x%08X\n", step, static_cast<unsigned>(hr));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  const char* text = argc > 1 ? argv[1] : "/etc/ssl/ca.pem";
  CLSID clsid;
  HRESULT hr = QorvCLSIDFromProgID(u"KeltoQorSDK.QorSDK", &clsid);
  if (FAILED(hr)) return Fail("QorvCLSIDFromProgID", hr);
  qorvsdk::ComPtr<IQORVSDK> sdk;
  hr = QorvCoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IQORVSDK, sdk.ReceiveVoid());
  if (FAILED(hr)) return Fail("QorvCoCreateInstance", hr);
  qorvsdk::ComPtr<IQORVTransferSettings> settings;
  hr = sdk.As(IID_IQORVTransferSettings, &settings);
  if (FAILED(hr)) return Fail("QueryInterface(IQORVTransferSettings)", hr);
  hr = settings->put_TrustedCAFile(qorvsdk::Bstr(text).get());
  if (FAILED(hr)) return Fail("put_TrustedCAFile", hr);
  qorvsdk::Result<qorvsdk::Bstr> read =
      qorvsdk::Get(settings.get(), &IQORVTransferSettings::get_TrustedCAFile);
  if (!read.ok()) return Fail("get_TrustedCAFile", read.hr);
  std::printf("TrustedCAFile=%s\n", read.value.Utf8().c_str());
  return 0;
}
