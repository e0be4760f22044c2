"""The enumerations of the SDK's interfaces (include/qorvsdk/enums.h), with
the type library's names, as plain integers."""

# Enum_EncryptType
Enum_Unencrypted = 0
Enum_BlowFish = 1
Enum_SSL = 2

# Enum_ProxyType
Enum_NOPROXY = 0
Enum_SOCKS4 = 1
Enum_SOCKS5 = 2
Enum_HTTP = 3

# Enum_EOL
Enum_CR = 0
Enum_LF = 1
Enum_CRLF = 2

# Enum_FileType
Enum_Autodetect = 0
Enum_Binary = 1
Enum_Text = 2

# Enum_FileStatus
Enum_FileStatusNormal = 0
Enum_FileStatusPinned = 1
Enum_FileStatusShared = 2
Enum_FileStatusExclusiveCheckout = 3
Enum_FileStatusSingleCheckoutSharedFile = 4
Enum_FileStatusMultiCheckout = 5
Enum_FileStatusMultiCheckoutSharedFile = 6
Enum_FileStatusPinnedAndShared = 7

# Enum_WritableFileHandling
Enum_WritableFileHandlingCanceled = 0
Enum_WritableFileHandlingAsk = 1
Enum_WritableFileHandlingReplace = 2
Enum_WritableFileHandlingSkip = 3
Enum_WritableFileHandlingMerge = 4

# Enum_SetLocalFileTime
Enum_SetLocalFileTimeCurrent = 0
Enum_SetLocalFileTimeModification = 1
Enum_SetLocalFileTimeCheckIn = 2

# Enum_CheckinUnchangedFileHandling
Enum_CheckinUnchangedFileHandlingCanceled = 0
Enum_CheckinUnchangedFileHandlingAsk = 1
Enum_CheckinUnchangedFileHandlingCheckin = 2
Enum_CheckinUnchangedFileHandlingUndoCheckout = 3

# Enum_UndoCheckOutLocalFileHandling
Enum_UndoCheckOutLocalFileHandlingLeave = 0
Enum_UndoCheckOutLocalFileHandlingReplace = 1
Enum_UndoCheckOutLocalFileHandlingDelete = 2

# Enum_UndoCheckOutChangedFileHandling
Enum_UndoCheckOutChangedFileHandlingCancel = 0
Enum_UndoCheckOutChangedFileHandlingAsk = 1
Enum_UndoCheckOutChangedFileHandlingUndo = 2
Enum_UndoCheckOutChangedFileHandlingNotUndo = 3

# Enum_AddFileDeletedCopyHandling
Enum_AddFileDeletedCopyHandlingCancel = 0
Enum_AddFileDeletedCopyHandlingAskAdd = 1
Enum_AddFileDeletedCopyHandlingRecover = 2
Enum_AddFileDeletedCopyHandlingPurge = 3
