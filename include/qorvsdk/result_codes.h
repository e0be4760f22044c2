// Result values of the SDK and their fixed description texts.
//
// A result value is a 32-bit signed integer: 0 is success, anything else a
// failure. The same numbers appear as ResultValue of a method, as the
// OperationResult of an item and as per-file statuses. Values the server
// sends for its own commands are passed through unchanged and are not listed
// here. Every text a caller can receive as the description of a result lives
// here once; code that produces a result uses these constants, so a search
// for a message finds its single definition. Texts a caller never receives
// as a description (report lines, reasons that stay inside a layer, values
// on the wire) live beside the code that uses them, under src/.
#ifndef QORVSDK_RESULT_CODES_H_
#define QORVSDK_RESULT_CODES_H_

#include <stdint.h>

#ifdef __cplusplus

namespace qorv {

enum ResultCode : int32_t {
  kResultOk = 0,
  // Out of memory in a worker thread, while building or receiving a message,
  // or in a transfer.
  kResultOutOfMemory = 2,

  // Transport (socket layer, handshake).
  kResultPeerClosed = 11001,
  kResultSocketError = 11002,
  kResultSocketCanceled = 11003,
  kResultReceiveOutOfMemory = 11004,
  kResultConnectFailed = 11005,

  // File bodies.
  kResultFileTransferFailed = 11101,
  kResultTempFileReadFailed = 11103,

  // Proxies.
  kResultProxyConnectFailed = 11303,
  kResultProxyAuthFailed = 11304,
  kResultProxyTargetUnreachable = 11305,
  kResultProxyBadResponse = 11306,
  kResultProxyAuthRequired = 11307,  // internal to the HTTP proxy exchange
  kResultProxyAuthSchemeUnsupported = 11308,
  kResultProxyUnknownType = 11309,
  kResultProxyOtherFailure = 11310,

  // Handshake and request engine.
  kResultNotThisProduct = 12001,
  kResultVersionRefused = 12002,
  kResultUnknownEncryption = 12004,
  kResultLocalStoreFailed = 12005,
  kResultBusy = 12006,
  kResultRequestCanceled = 12007,
  kResultSystemError = 12008,
  kResultFileNotTransferred = 19000,
  kResultUnspecifiedConnectError = 19001,

  // SSL library codes occupy 20001 to 20100.
  kResultSslFirst = 20001,
  kResultSslConnectFailed = 20009,
  kResultSslWriteWouldBlock = 20012,
  kResultSslReadWouldBlock = 20013,
  kResultSslUnspecified = 20100,
  kResultSslLast = 20100,

  // Operations.
  kResultNotFound = 30002,
  kResultLocalFolderNotFound = 30003,
  kResultLocalFileNotFound = 30004,
  kResultLocalNameTooLong = 30005,
  kResultCacheNodeFailed = 30006,
  kResultCreateFolderFailed = 30007,
  kResultMergeFailed = 30008,
  kResultChecksumFailed = 30010,
  kResultFileAlreadyInProject = 30011,
  kResultNameInTheWay = 30012,
  kResultPromptCanceled = 30016,
  kResultFileTypeExcluded = 30018,
  kResultNotCheckedOutByYou = 30019,
  kResultAlreadyCheckedOutByYou = 30020,
  kResultShareUnderDescendant = 30023,
  kResultCacheUpdateFailed = 30025,
  kResultCacheSaveFailed = 30026,
  // A name sent by the server would place a local file or folder outside the
  // working folder it belongs to (it holds "..", a separator or an absolute
  // path); the item is refused.
  kResultUnsafeServerName = 30027,
};

// Codes of the working-folder file layer (CQORException). They reach callers
// unchanged where an operation passes a file-layer failure on.
enum FileLayerCode : int32_t {
  kFileErrorNone = 0,
  kFileErrorGeneric = 1,  // any other platform error, with the platform's text
  kFileErrorNoMemory = 2,
  kFileErrorFileNotFound = 101,
  kFileErrorPathNotFound = 102,
  kFileErrorCannotOpen = 103,
  kFileErrorAccessDenied = 104,
  kFileErrorInvalidHandle = 105,
  kFileErrorCannotRemoveFolder = 106,
  kFileErrorNoSpoolSpace = 107,
  kFileErrorBadSeek = 108,
  kFileErrorNoDevice = 109,
  kFileErrorSharingViolation = 110,
  kFileErrorLockViolation = 111,
  kFileErrorDiskFull = 112,
  kFileErrorEndOfFile = 113,
  kFileErrorPrivilegeNotHeld = 114,
  kFileErrorFileExists = 115,
};

// ---- Fixed texts ------------------------------------------------------------
inline constexpr char kTextCompleted[] = "Completed";
inline constexpr char kTextCanceled[] = "Canceled";

// 2: the form with the final period is the result description of a worker
// thread or a connect; the socket layer's status text has no period.
inline constexpr char kTextOutOfMemory[] =
    "Out of memory: the possible cause could be that the versions of Client and Server are not "
    "compatible.";
inline constexpr char kTextOutOfMemoryStatus[] =
    "Out of memory: the possible cause could be that the versions of Client and Server are not "
    "compatible";
inline constexpr char kTextOutOfMemoryShort[] = "Out of memory";

// Socket layer status texts.
inline constexpr char kTextSocketClosedByServer[] = "Socket is closed by server";
inline constexpr char kTextSocketErrorOccured[] = "Socket error occured";
inline constexpr char kTextUnspecifiedError[] = "Unspecified error";
// "Error at %s()" / "Error at %s(): %s" / "Error at %s(): %d" with the call's name.
inline constexpr char kFormatErrorAt[] = "Error at %s()";
inline constexpr char kFormatErrorAtWithText[] = "Error at %s(): %s";
inline constexpr char kFormatErrorAtWithCode[] = "Error at %s(): %d";
inline constexpr char kTextSelectTimeOut[] = "Error at select(): time out";

// Connect and handshake.
inline constexpr char kTextConnectedToServer[] = "Connected to server successfully";
inline constexpr char kTextErrorCreatingSocket[] = "Error creating a TCP/IP SOCKET";
inline constexpr char kFormatErrorConnectingTo[] = "Error connecting to: %s:%d";
inline constexpr char kTextPeerClosedSocket[] = "Peer closed down the SOCKET connection";
inline constexpr char kTextSocketErrorOccurs[] = "Socket error occurs";
inline constexpr char kTextErrorConnectingToServer[] = "Error connecting to server";
// With the product name of the handshake (kProductName, net/handshake.h).
inline constexpr char kFormatNotThisProduct[] = "Connected to a not %s server";
inline constexpr char kTextVersionRefused[] =
    "This client is not compatible with the server. Please contact your system administrator.";
inline constexpr char kTextUnspecifiedConnectError[] = "Unspecified error.";

// SSL library result codes 20001 to 20100 and their texts.
inline constexpr char kTextSslOutOfMemory[] = "Out of memory.";                        // 20001
inline constexpr char kTextSslTimeOut[] = "Time out.";                                 // 20002
inline constexpr char kTextSslInitFailed[] = "Error initializing inner method.";       // 20003
inline constexpr char kTextSslCtxApplyFailed[] = "Failed to apply handle of CTX.";     // 20004
inline constexpr char kTextSslHandleApplyFailed[] = "Failed to apply handle of SSL.";  // 20005
inline constexpr char kTextSslInvalidCtx[] = "Invalid handle of CTX.";                 // 20006
inline constexpr char kTextSslInvalidHandle[] = "Invalid handle of SSL";               // 20007
inline constexpr char kTextSslInvalidCtxType[] = "Invalid type of CTX ";  // 20008, trailing space
inline constexpr char kTextSslConnectFailed[] =
    "Failed to connect to server through SSL secure port.";                 // 20009
inline constexpr char kTextSslSendFailed[] = "Failed to send data.";        // 20010
inline constexpr char kTextSslReceiveFailed[] = "Failed to receive data.";  // 20011
inline constexpr char kTextSslWriteWouldBlock[] =
    "When trying to write data to buffer which is full, return immediately when SOCKET processes "
    "in non-block way.";  // 20012
inline constexpr char kTextSslReadWouldBlock[] =
    "When trying to read data from buffer which is empty, return immediately when SOCKET "
    "processes in non-block way.";                                                          // 20013
inline constexpr char kTextSslAcceptFailed[] = "Failed to receive client SSL connection.";  // 20014
inline constexpr char kTextSslCallFailed[] = "Error calling SSL functions.";                // 20015
inline constexpr char kTextSslKernelObjectFailed[] =
    "Failed to create kernel object.";  // 20016 and 20099
inline constexpr char kTextSslUnspecifiedError[] = "An unspecified SSL error occurred.";  // 20100
inline constexpr char kTextSslOtherError[] = "Unspecified SSL error.";  // any other code

// Proxies.
inline constexpr char kFormatProxyConnectFailed[] = "Error connecting to %s proxy server %s:%d";
inline constexpr char kTextProxyAuthFailed[] = "Proxy server authentication failed";
inline constexpr char kFormatProxyTargetUnreachable[] =
    "Connected to proxy server successfully. But failed to connect to remote server %s:%d.";
inline constexpr char kTextProxyBadResponse[] = "Error response from proxy server";
inline constexpr char kTextProxyConnectError[] = "Error connecting to proxy server";

// Request engine and worker threads.
inline constexpr char kTextBusy[] = "The system is busy. Please try later.";
inline constexpr char kTextCannotCreateThread[] = "System error. Can not create a thread.";
inline constexpr char kTextThreadTerminated[] = "System error. A thread terminated abnormally.";
inline constexpr char kTextSocketBufferError[] = "Socket buffer error.";
inline constexpr char kTextUnspecifiedErrorOccured[] = "Unspecified error occured.";
inline constexpr char kTextThreadErrorAddingFile[] = "Error creating thread while adding file";
inline constexpr char kTextThreadErrorCheckingIn[] = "Error creating thread while checking in file";

// File bodies.
inline constexpr char kTextErrorSendingFile[] = "Error sending file";
inline constexpr char kTextErrorReceivingFile[] = "Error receiving file";
inline constexpr char kTextErrorReadingTempFile[] = "Error reading temp file while sending file";

// Operations.
inline constexpr char kTextProjectNotFound[] = "Project not found";
inline constexpr char kSuffixNotFound[] = " not found";
inline constexpr char kTextLocalFolderNotFound[] = "Local folder not found";
inline constexpr char kFormatLocalNameTooLong[] =
    "The length of the local file name \"%s\" is too long";
inline constexpr char kPrefixFailedToCreate[] = "Failed to create ";
inline constexpr char kPrefixFailedToCreateFolder[] = "Failed to create Folder ";
inline constexpr char kTextFailedToMerge[] = "Failed to merge file";
inline constexpr char kPrefixCannotSaveMerged[] = "Can not save merged file at ";
// A failed merge whose result file could not be put back as it was: the copy
// taken before the merge tool started is kept, and named.
inline constexpr char kFormatMergeBackupKept[] =
    "Failed to merge file. The file as it was before the merge is kept at %s";
inline constexpr char kTextChecksumFailed[] = "Failed to get checksum";
inline constexpr char kTextFileTypeExcluded[] = "The file type have been excluded in server";
inline constexpr char kSuffixNotCheckedOutByYou[] = " has not been checked out by you";
inline constexpr char kTextShareUnderDescendant[] = "A project cannot be shared under a descendant";
inline constexpr char kTextCacheUpdateFailed[] =
    "Failed to update cache file. Please try again later";
inline constexpr char kFormatUnsafeServerName[] =
    "The name \"%s\" sent by the server would leave the working folder";

// Binding files ("MSSCCPRJ.SCC"). The opening text is followed by the path.
inline constexpr char kPrefixErrorOpeningBindingFile[] = "Error opening SCC file ";
inline constexpr char kTextErrorReadingBindingFile[] = "Error reading SCC file";
inline constexpr char kTextErrorWritingBindingFile[] = "Error writing SCC file.";

// Local cache store.
inline constexpr char kTextCacheWrongFormat[] = "Wrong directory cache file format";
inline constexpr char kTextCacheLockNotOpened[] = "Invalid parameter on Lock()";
inline constexpr char kTextNoAppDataFolder[] = "Error getting \"Application Data\" directory.";
inline constexpr char kTextNoHomeFolder[] = "Error getting user home directory.";
inline constexpr char kFormatCacheFolderTooLong[] =
    "The length of local cache directory \"%s\" is too long.";
inline constexpr char kFormatCacheFolderNotCreated[] =
    "Error creating directory %s for project tree cache file.";
inline constexpr char kFormatCacheFolderIsFile[] =
    "A file with the same name \"%s\" exists already.";

// Working-folder file layer: the texts of its codes, and "%s File: %s" when
// the path is known.
inline constexpr char kFormatFileLayerWithPath[] = "%s File: %s";
inline constexpr char kTextFileNotFound[] = "The system cannot find the file specified";
inline constexpr char kTextPathNotFound[] = "The system cannot find the path specified";
inline constexpr char kTextCannotOpenFile[] = "The system cannot open the file";
inline constexpr char kTextAccessDenied[] = "Access is denied";
inline constexpr char kTextInvalidHandle[] = "The handle is invalid";
inline constexpr char kTextCannotRemoveFolder[] = "The directory cannot be removed";
inline constexpr char kTextNoSpoolSpace[] =
    "Space to store the file waiting to be printed is not available on the server";
inline constexpr char kTextBadSeek[] =
    "The drive cannot locate a specific area or track on the disk";
inline constexpr char kTextNoDevice[] = "The system cannot find the device specified";
inline constexpr char kTextSharingViolation[] =
    "The process cannot access the file because it is being used by another process";
inline constexpr char kTextLockViolation[] =
    "The process cannot access the file because another process has locked a portion of the "
    "file";
inline constexpr char kTextDiskFull[] = "There is not enough space on the disk";
inline constexpr char kTextEndOfFile[] = "Reached the end of the file";
inline constexpr char kTextPrivilegeNotHeld[] = "A required privilege is not held by the client";
inline constexpr char kTextFileExists[] = "The file exists";
inline constexpr char kTextNotEnoughStorage[] =
    "Not enough storage is available to process this command";
inline constexpr char kTextGeneralError[] = "General error";

}  // namespace qorv

#endif  // __cplusplus

#endif  // QORVSDK_RESULT_CODES_H_
