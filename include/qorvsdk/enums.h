// The eleven enumerations of the SDK's interfaces, with the names and values
// of the type library QORVSDKLib.
//
// Every enumeration is a 32-bit signed integer. In C++ the underlying type is
// fixed to LONG so that any 32-bit value is a valid value of the type: the SDK
// passes values outside the listed ones on unchanged, and an enumeration
// without a fixed type could not even hold them.
#ifndef QORVSDK_ENUMS_H_
#define QORVSDK_ENUMS_H_

#include "qorvsdk/comtypes.h"

#ifdef __cplusplus
#define QORV_ENUM_TYPE : LONG
#else
#define QORV_ENUM_TYPE
#endif

// EncryptType of ConnectToServer: the channel the server chose.
enum Enum_EncryptType QORV_ENUM_TYPE { Enum_Unencrypted = 0, Enum_BlowFish = 1, Enum_SSL = 2 };

// ProxyType of ConnectToServer. Any other value fails the connect.
enum Enum_ProxyType QORV_ENUM_TYPE {
  Enum_NOPROXY = 0,
  Enum_SOCKS4 = 1,
  Enum_SOCKS5 = 2,
  Enum_HTTP = 3
};

// The line ending of text files in the working folder.
enum Enum_EOL QORV_ENUM_TYPE { Enum_CR = 0, Enum_LF = 1, Enum_CRLF = 2 };

// The type under which a new file is stored on the server.
enum Enum_FileType QORV_ENUM_TYPE { Enum_Autodetect = 0, Enum_Binary = 1, Enum_Text = 2 };

// FileStatus of a file list entry.
enum Enum_FileStatus QORV_ENUM_TYPE {
  Enum_FileStatusNormal = 0,
  Enum_FileStatusPinned = 1,
  Enum_FileStatusShared = 2,
  Enum_FileStatusExclusiveCheckout = 3,
  Enum_FileStatusSingleCheckoutSharedFile = 4,
  Enum_FileStatusMultiCheckout = 5,
  Enum_FileStatusMultiCheckoutSharedFile = 6,
  Enum_FileStatusPinnedAndShared = 7
};

// What to do with a writable local copy that differs from the server version.
// As a prompt answer, Ask (and any unlisted value) counts as Canceled.
enum Enum_WritableFileHandling QORV_ENUM_TYPE {
  Enum_WritableFileHandlingCanceled = 0,
  Enum_WritableFileHandlingAsk = 1,
  Enum_WritableFileHandlingReplace = 2,
  Enum_WritableFileHandlingSkip = 3,
  Enum_WritableFileHandlingMerge = 4
};

// The time stamp given to a file written into the working folder.
enum Enum_SetLocalFileTime QORV_ENUM_TYPE {
  Enum_SetLocalFileTimeCurrent = 0,
  Enum_SetLocalFileTimeModification = 1,
  Enum_SetLocalFileTimeCheckIn = 2
};

// What to do with a checked-out file whose content did not change.
enum Enum_CheckinUnchangedFileHandling QORV_ENUM_TYPE {
  Enum_CheckinUnchangedFileHandlingCanceled = 0,
  Enum_CheckinUnchangedFileHandlingAsk = 1,
  Enum_CheckinUnchangedFileHandlingCheckin = 2,
  Enum_CheckinUnchangedFileHandlingUndoCheckout = 3
};

// What happens to the local copy after an undo check out.
enum Enum_UndoCheckOutLocalFileHandling QORV_ENUM_TYPE {
  Enum_UndoCheckOutLocalFileHandlingLeave = 0,
  Enum_UndoCheckOutLocalFileHandlingReplace = 1,
  Enum_UndoCheckOutLocalFileHandlingDelete = 2
};

// What to do when the local copy of a file to undo has changed.
enum Enum_UndoCheckOutChangedFileHandling QORV_ENUM_TYPE {
  Enum_UndoCheckOutChangedFileHandlingCancel = 0,
  Enum_UndoCheckOutChangedFileHandlingAsk = 1,
  Enum_UndoCheckOutChangedFileHandlingUndo = 2,
  Enum_UndoCheckOutChangedFileHandlingNotUndo = 3
};

// What to do when a file to add has a deleted copy of the same name.
enum Enum_AddFileDeletedCopyHandling QORV_ENUM_TYPE {
  Enum_AddFileDeletedCopyHandlingCancel = 0,
  Enum_AddFileDeletedCopyHandlingAskAdd = 1,
  Enum_AddFileDeletedCopyHandlingRecover = 2,
  Enum_AddFileDeletedCopyHandlingPurge = 3
};

#undef QORV_ENUM_TYPE

#ifndef __cplusplus
typedef enum Enum_EncryptType Enum_EncryptType;
typedef enum Enum_ProxyType Enum_ProxyType;
typedef enum Enum_EOL Enum_EOL;
typedef enum Enum_FileType Enum_FileType;
typedef enum Enum_FileStatus Enum_FileStatus;
typedef enum Enum_WritableFileHandling Enum_WritableFileHandling;
typedef enum Enum_SetLocalFileTime Enum_SetLocalFileTime;
typedef enum Enum_CheckinUnchangedFileHandling Enum_CheckinUnchangedFileHandling;
typedef enum Enum_UndoCheckOutLocalFileHandling Enum_UndoCheckOutLocalFileHandling;
typedef enum Enum_UndoCheckOutChangedFileHandling Enum_UndoCheckOutChangedFileHandling;
typedef enum Enum_AddFileDeletedCopyHandling Enum_AddFileDeletedCopyHandling;
#endif

#endif  // QORVSDK_ENUMS_H_
