// The IID of every interface of the type library, for the generic
// QueryInterface of the object base and the coercion of interface arguments.
#ifndef QORV_SDK_INTERFACE_IDS_H_
#define QORV_SDK_INTERFACE_IDS_H_

#include "platform/component/interface_id.h"
#include "qorvsdk/guids.h"
#include "qorvsdk/items.h"
#include "qorvsdk/sdk.h"
#include "qorvsdk/transfer_settings.h"

QORV_INTERFACE_ID(IQORVSDK, IID_IQORVSDK);
QORV_INTERFACE_ID(IQORVTransferSettings, IID_IQORVTransferSettings);
QORV_INTERFACE_ID(_IQorSDKEvents, DIID__IQorSDKEvents);

QORV_INTERFACE_ID(IQORVAddFile, IID_IQORVAddFile);
QORV_INTERFACE_ID(IQORVCheckoutFile, IID_IQORVCheckoutFile);
QORV_INTERFACE_ID(IQORVCheckinFile, IID_IQORVCheckinFile);
QORV_INTERFACE_ID(IQORVLatestFile, IID_IQORVLatestFile);
QORV_INTERFACE_ID(IQORVLatestProject, IID_IQORVLatestProject);
QORV_INTERFACE_ID(IQORVUndoCheckoutFile, IID_IQORVUndoCheckoutFile);
QORV_INTERFACE_ID(IQORVCAInfo, IID_IQORVCAInfo);
QORV_INTERFACE_ID(IQORVAddFileSet, IID_IQORVAddFileSet);
QORV_INTERFACE_ID(IQORVCheckoutFileSet, IID_IQORVCheckoutFileSet);
QORV_INTERFACE_ID(IQORVCheckinFileSet, IID_IQORVCheckinFileSet);
QORV_INTERFACE_ID(IQORVLatestFileSet, IID_IQORVLatestFileSet);
QORV_INTERFACE_ID(IQORVLatestProjectSet, IID_IQORVLatestProjectSet);
QORV_INTERFACE_ID(IQORVUndoCheckoutFileSet, IID_IQORVUndoCheckoutFileSet);
QORV_INTERFACE_ID(IQORVCAInfoSet, IID_IQORVCAInfoSet);
QORV_INTERFACE_ID(IQORVDeleteFileSet, IID_IQORVDeleteFileSet);
QORV_INTERFACE_ID(IQORVShareFileSet, IID_IQORVShareFileSet);
QORV_INTERFACE_ID(IQORVRecoverItemSet, IID_IQORVRecoverItemSet);
QORV_INTERFACE_ID(IQORVPurgeItemSet, IID_IQORVPurgeItemSet);
QORV_INTERFACE_ID(IQORVKeyInfoSet, IID_IQORVKeyInfoSet);
QORV_INTERFACE_ID(IQORVOperationResult, IID_IQORVOperationResult);
QORV_INTERFACE_ID(IQORVProjectHistory, IID_IQORVProjectHistory);
QORV_INTERFACE_ID(IQORVFileHistory, IID_IQORVFileHistory);
QORV_INTERFACE_ID(IQORVSubProjectsFromParent, IID_IQORVSubProjectsFromParent);
QORV_INTERFACE_ID(IQORVFilesByProject, IID_IQORVFilesByProject);
QORV_INTERFACE_ID(IQORVFileList, IID_IQORVFileList);
QORV_INTERFACE_ID(IQORVDeletedItem, IID_IQORVDeletedItem);
QORV_INTERFACE_ID(IQORVFileLink, IID_IQORVFileLink);
QORV_INTERFACE_ID(IQORVDatabaseAlias, IID_IQORVDatabaseAlias);
QORV_INTERFACE_ID(IQORVOperationResultSet, IID_IQORVOperationResultSet);
QORV_INTERFACE_ID(IQORVProjectHistorySet, IID_IQORVProjectHistorySet);
QORV_INTERFACE_ID(IQORVFileHistorySet, IID_IQORVFileHistorySet);
QORV_INTERFACE_ID(IQORVSubProjectsFromParentSet, IID_IQORVSubProjectsFromParentSet);
QORV_INTERFACE_ID(IQORVFilesByProjectSet, IID_IQORVFilesByProjectSet);
QORV_INTERFACE_ID(IQORVFileListSet, IID_IQORVFileListSet);
QORV_INTERFACE_ID(IQORVDeletedItemSet, IID_IQORVDeletedItemSet);
QORV_INTERFACE_ID(IQORVFileLinkSet, IID_IQORVFileLinkSet);
QORV_INTERFACE_ID(IQORVDatabaseAliasSet, IID_IQORVDatabaseAliasSet);

#endif  // QORV_SDK_INTERFACE_IDS_H_
