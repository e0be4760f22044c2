// The SDK object's transfer settings through its public interfaces: the
// second dual interface reached by QueryInterface, its range checks, and
// the same properties by name through the object's one IDispatch, which
// keeps serving IQORVSDK's methods under their DISPIDs.
#include <gtest/gtest.h>

#include "qorvsdk/qorvsdk.h"
#include "sdk_test_util.h"

namespace qorv::sdk {
namespace {

class TransferSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    sdk_ = CreateObject<IQORVSDK>(CLSID_QORVSDK, IID_IQORVSDK);
    ASSERT_NE(sdk_, nullptr);
    ASSERT_EQ(sdk_->QueryInterface(IID_IQORVTransferSettings, reinterpret_cast<void**>(&settings_)),
              S_OK);
  }
  void TearDown() override {
    if (settings_ != nullptr) settings_->Release();
    if (sdk_ != nullptr) sdk_->Release();
  }

  // The three properties as {compressed, delta, size mode}.
  std::vector<LONG> Values() {
    LONG compressed = -1, delta = -1, size_mode = -1;
    EXPECT_EQ(settings_->get_CompressedTransfer(&compressed), S_OK);
    EXPECT_EQ(settings_->get_DeltaAllowed(&delta), S_OK);
    EXPECT_EQ(settings_->get_SizeMode(&size_mode), S_OK);
    return {compressed, delta, size_mode};
  }

  DISPID IdOf(IDispatch* dispatch, const char16_t* text) {
    LPOLESTR name = const_cast<LPOLESTR>(text);
    DISPID dispid = 0;
    EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, 0, &dispid), S_OK);
    return dispid;
  }

  // A property put by DISPID; a failure of the member comes back as its
  // HRESULT.
  HRESULT Put(IDispatch* dispatch, DISPID dispid, LONG value) {
    VARIANT argument;
    VariantInit(&argument);
    argument.vt = VT_I4;
    argument.value.lVal = value;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params = {&argument, &put, 1, 1};
    EXCEPINFO exception{};
    HRESULT hr = dispatch->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr,
                                  &exception, nullptr);
    return hr == DISP_E_EXCEPTION ? exception.scode : hr;
  }

  LONG Get(IDispatch* dispatch, DISPID dispid) {
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(dispatch->Invoke(dispid, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr,
                               nullptr),
              S_OK);
    EXPECT_EQ(result.vt, VT_I4);
    return result.value.lVal;
  }

  IQORVSDK* sdk_ = nullptr;
  IQORVTransferSettings* settings_ = nullptr;
};

TEST_F(TransferSettingsTest, StartAtZeroAndTakeOnlyTheirRanges) {
  EXPECT_EQ(Values(), (std::vector<LONG>{0, 0, 0}));
  EXPECT_EQ(settings_->put_CompressedTransfer(1), S_OK);
  EXPECT_EQ(settings_->put_DeltaAllowed(1), S_OK);
  EXPECT_EQ(settings_->put_SizeMode(2), S_OK);
  EXPECT_EQ(Values(), (std::vector<LONG>{1, 1, 2}));

  EXPECT_EQ(settings_->put_CompressedTransfer(2), E_INVALIDARG);
  EXPECT_EQ(settings_->put_CompressedTransfer(-1), E_INVALIDARG);
  EXPECT_EQ(settings_->put_DeltaAllowed(5), E_INVALIDARG);
  EXPECT_EQ(settings_->put_SizeMode(3), E_INVALIDARG);
  EXPECT_EQ(settings_->put_SizeMode(-1), E_INVALIDARG);
  EXPECT_EQ(Values(), (std::vector<LONG>{1, 1, 2}));

  EXPECT_EQ(settings_->put_SizeMode(0), S_OK);
  EXPECT_EQ(settings_->put_CompressedTransfer(0), S_OK);
  EXPECT_EQ(Values(), (std::vector<LONG>{0, 1, 0}));
  EXPECT_EQ(settings_->get_SizeMode(nullptr), E_POINTER);
}

TEST_F(TransferSettingsTest, ReceiveTimeoutIsOffUntilSetAndTakesZeroToAnHour) {
  LONG seconds = -1;
  EXPECT_EQ(settings_->get_ReceiveTimeout(&seconds), S_OK);
  EXPECT_EQ(seconds, 0);
  EXPECT_EQ(settings_->put_ReceiveTimeout(3600), S_OK);
  EXPECT_EQ(settings_->put_ReceiveTimeout(3601), E_INVALIDARG);
  EXPECT_EQ(settings_->put_ReceiveTimeout(-1), E_INVALIDARG);
  EXPECT_EQ(settings_->get_ReceiveTimeout(&seconds), S_OK);
  EXPECT_EQ(seconds, 3600);
  EXPECT_EQ(settings_->put_ReceiveTimeout(0), S_OK);
  EXPECT_EQ(settings_->get_ReceiveTimeout(&seconds), S_OK);
  EXPECT_EQ(seconds, 0);
  EXPECT_EQ(settings_->get_ReceiveTimeout(nullptr), E_POINTER);
  // The other settings are left alone.
  EXPECT_EQ(Values(), (std::vector<LONG>{0, 0, 0}));

  // By name, as a script sets it.
  IDispatch* dispatch = nullptr;
  ASSERT_EQ(sdk_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  EXPECT_EQ(IdOf(dispatch, u"receivetimeout"), DISPID_ReceiveTimeout);
  EXPECT_EQ(Put(dispatch, DISPID_ReceiveTimeout, 30), S_OK);
  EXPECT_EQ(Put(dispatch, DISPID_ReceiveTimeout, 100000), E_INVALIDARG);
  EXPECT_EQ(Get(dispatch, DISPID_ReceiveTimeout), 30);
  dispatch->Release();
}

TEST_F(TransferSettingsTest, BelongToTheSdkObjectItself) {
  IUnknown* from_sdk = nullptr;
  IUnknown* from_settings = nullptr;
  ASSERT_EQ(sdk_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&from_sdk)), S_OK);
  ASSERT_EQ(settings_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&from_settings)),
            S_OK);
  EXPECT_EQ(from_sdk, from_settings);
  from_sdk->Release();
  from_settings->Release();
  IQORVSDK* back = nullptr;
  ASSERT_EQ(settings_->QueryInterface(IID_IQORVSDK, reinterpret_cast<void**>(&back)), S_OK);
  EXPECT_EQ(back, sdk_);
  back->Release();
}

TEST_F(TransferSettingsTest, AreReachedByNameThroughTheObjectsIDispatch) {
  IDispatch* dispatch = nullptr;
  ASSERT_EQ(sdk_->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  EXPECT_EQ(IdOf(dispatch, u"compressedtransfer"), DISPID_CompressedTransfer);
  EXPECT_EQ(IdOf(dispatch, u"DeltaAllowed"), DISPID_DeltaAllowed);
  EXPECT_EQ(IdOf(dispatch, u"SIZEMODE"), DISPID_SizeMode);
  // IQORVSDK's methods keep their names and DISPIDs.
  EXPECT_EQ(IdOf(dispatch, u"ConnectToServer"), 1);
  EXPECT_EQ(IdOf(dispatch, u"GetFileListFromProject"), 57);
  LPOLESTR unknown = const_cast<LPOLESTR>(u"NoSuchMember");
  DISPID dispid = 0;
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &dispid), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(dispid, DISPID_UNKNOWN);

  EXPECT_EQ(Put(dispatch, DISPID_SizeMode, 1), S_OK);
  EXPECT_EQ(Put(dispatch, DISPID_DeltaAllowed, 1), S_OK);
  EXPECT_EQ(Put(dispatch, DISPID_CompressedTransfer, 7), E_INVALIDARG);
  EXPECT_EQ(Values(), (std::vector<LONG>{0, 1, 1}));
  EXPECT_EQ(Get(dispatch, DISPID_SizeMode), 1);
  // The same through the settings interface's own IDispatch slots.
  EXPECT_EQ(Get(settings_, DISPID_DeltaAllowed), 1);

  // An IQORVSDK method still runs through the shared Invoke.
  LONG percent = -1;
  VARIANT out;
  VariantInit(&out);
  out.vt = VT_I4 | VT_BYREF;
  out.value.plVal = &percent;
  DISPPARAMS params = {&out, nullptr, 1, 0};
  EXPECT_EQ(dispatch->Invoke(43, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr),
            S_OK);
  EXPECT_EQ(percent, 0);
  dispatch->Release();
}

}  // namespace
}  // namespace qorv::sdk
