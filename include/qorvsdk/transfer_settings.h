// IQORVTransferSettings: the second dual interface of the SDK object (reached
// by QueryInterface on it, or by name through its IDispatch), with the
// settings its file transfers use. Each property is 0 when the object is
// made and holds for every later operation of that object.
//
// - CompressedTransfer (0 or 1): file bodies travel compressed.
// - DeltaAllowed (0 or 1): a large single file may travel as a delta against
//   its previous version.
// - SizeMode (0, 1 or 2): the batch limit and the delta threshold.
// A put of any other value returns E_INVALIDARG and changes nothing.
// - TrustedCAFile (text, empty when the object is made): a PEM file of
//   certificate authorities. When set, a server in encryption mode 2 is
//   verified against it, on the main and on every transfer connection, and
//   the CA certificate the server sends is neither kept nor pinned. Taken at
//   the next ConnectToServer.
// - ReceiveTimeout (0 to 3600 seconds, 0 when the object is made): for
//   networks that drop a connection silently. 0 waits for a reply until the
//   operation is cancelled. Otherwise a receive on the main or a transfer
//   connection that sees no byte for that many seconds (rounded up to the
//   300 ms poll) fails with 11002 and "Error at select(): time out", the
//   connection is closed and the next request reconnects; the connections
//   also get TCP keep-alive probes after ReceiveTimeout/2 seconds of
//   silence, 3 of them ReceiveTimeout/6 seconds apart (at least 1 second).
//   Taken at the next connect (ConnectToServer or a reconnect). A put
//   outside the range returns E_INVALIDARG and changes nothing.
//
// DeltaAllowed takes effect in size mode 1 or 2.
#ifndef QORVSDK_TRANSFER_SETTINGS_H_
#define QORVSDK_TRANSFER_SETTINGS_H_

#include "qorvsdk/comtypes.h"
#include "qorvsdk/guids.h"

#ifdef __cplusplus

// The DISPIDs follow the 57 methods of IQORVSDK, whose numbering they leave
// alone; the SDK object's IDispatch serves both interfaces.
enum QorvTransferSettingsDispid {
  DISPID_CompressedTransfer = 101,
  DISPID_DeltaAllowed = 102,
  DISPID_SizeMode = 103,
  DISPID_TrustedCAFile = 104,
  DISPID_ReceiveTimeout = 105,
};

struct IQORVTransferSettings : IDispatch {
  virtual HRESULT get_CompressedTransfer(LONG* value) = 0;  // DISPID 101
  virtual HRESULT put_CompressedTransfer(LONG value) = 0;
  virtual HRESULT get_DeltaAllowed(LONG* value) = 0;  // DISPID 102
  virtual HRESULT put_DeltaAllowed(LONG value) = 0;
  virtual HRESULT get_SizeMode(LONG* value) = 0;  // DISPID 103
  virtual HRESULT put_SizeMode(LONG value) = 0;
  virtual HRESULT get_TrustedCAFile(BSTR* value) = 0;  // DISPID 104
  virtual HRESULT put_TrustedCAFile(BSTR value) = 0;
  virtual HRESULT get_ReceiveTimeout(LONG* value) = 0;  // DISPID 105
  virtual HRESULT put_ReceiveTimeout(LONG value) = 0;
};

#endif  // __cplusplus

#endif  // QORVSDK_TRANSFER_SETTINGS_H_
