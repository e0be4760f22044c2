// The handlers of the single-step commands, one per command code (wire
// fields and meanings in docs/protocol.md, section 4). The table that binds
// them to codes is command_table.cc.
#ifndef QORV_SERVER_COMMAND_HANDLERS_H_
#define QORV_SERVER_COMMAND_HANDLERS_H_

#include "server/command_context.h"

namespace qorv::server {

// Sessions (login_commands.cc).
StoreStatus HandlePlainLogin(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleKeyedLogin(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleSetPassword(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleDatabaseAliases(CommandContext& context, RequestReader& request,
                                  ReplyFields& reply);
StoreStatus HandleListUsers(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandlePing(CommandContext& context, RequestReader& request, ReplyFields& reply);

// Listings of projects (listing_commands.cc).
StoreStatus HandleListContents(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleListWithDates(CommandContext& context, RequestReader& request,
                                ReplyFields& reply);
StoreStatus HandleListSince(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleProjectFileList(CommandContext& context, RequestReader& request,
                                  ReplyFields& reply);
StoreStatus HandleListingAtVersion(CommandContext& context, RequestReader& request,
                                   ReplyFields& reply);
StoreStatus HandleListingAtDate(CommandContext& context, RequestReader& request,
                                ReplyFields& reply);

// Questions about single items (query_commands.cc).
StoreStatus HandleCheckoutHolders(CommandContext& context, RequestReader& request,
                                  ReplyFields& reply);
StoreStatus HandleLabels(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleFileLinks(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleFileInfo(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleProjectInfo(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleDeletedItems(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleFileHistory(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleProjectHistory(CommandContext& context, RequestReader& request,
                                 ReplyFields& reply);
StoreStatus HandleFileExists(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleProjectExists(CommandContext& context, RequestReader& request,
                                ReplyFields& reply);
StoreStatus HandleItemKinds(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleFileCount(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleVersionAtLabel(CommandContext& context, RequestReader& request,
                                 ReplyFields& reply);
StoreStatus HandleLabelDate(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleAddCheck(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleFileStatus(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleCheckoutState(CommandContext& context, RequestReader& request,
                                ReplyFields& reply);

// Changes to the project tree (tree_commands.cc).
StoreStatus HandleCreateProjects(CommandContext& context, RequestReader& request,
                                 ReplyFields& reply);
StoreStatus HandleDeleteItems(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleRenameItem(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleRecoverItems(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleShareFile(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleShareProject(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleMoveItem(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandlePurgeItems(CommandContext& context, RequestReader& request, ReplyFields& reply);
void PurgeWholeFailure(RequestReader& request, const StoreStatus& status, ReplyFields& reply);
StoreStatus HandleLabelItem(CommandContext& context, RequestReader& request, ReplyFields& reply);

// Changes to files (file_commands.cc).
StoreStatus HandlePinFile(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleUnpinFile(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleBranchItem(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleUndoCheckout(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleSetLatestOnly(CommandContext& context, RequestReader& request,
                                ReplyFields& reply);

// Commands that issue transfer names or take uploaded bodies
// (body_commands.cc).
StoreStatus HandleGetFiles(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleGetAtVersion(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleGetAtDate(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleAddFiles(CommandContext& context, RequestReader& request, ReplyFields& reply);

// Check-out and check-in (checkout_commands.cc).
StoreStatus HandleCheckOut(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleCheckOutNoConfirmationReply(CommandContext& context, RequestReader& request,
                                              ReplyFields& reply);
StoreStatus HandleCheckInOpen(CommandContext& context, RequestReader& request, ReplyFields& reply);
StoreStatus HandleCheckInCommit(CommandContext& context, RequestReader& request,
                                ReplyFields& reply);

}  // namespace qorv::server

#endif  // QORV_SERVER_COMMAND_HANDLERS_H_
