#include "cli/session_events.h"

#include "cli/console.h"
#include "qorvsdk/bstr.h"
#include "qorvsdk/com_ptr.h"

namespace qorv::cli {

void SessionEvents::Handle(IQORVSDK* sdk, DISPID event) {
  switch (event) {
    case DISPID_OnPercentDone: {
      LONG percent = 0;
      if (SUCCEEDED(sdk->GetPercentDone(&percent))) console_.Progress(percent);
      break;
    }
    case DISPID_OnOperationResultSend:
      ShowReportLines(sdk);
      break;
    default:
      Answer(sdk, event);
      break;
  }
}

void SessionEvents::ShowReportLines(IQORVSDK* sdk) {
  LONG count = 0;
  if (FAILED(sdk->GetOperationResultCount(&count))) return;
  for (LONG i = 0; i < count; ++i) {
    VARIANT_BOOL succeeded = VARIANT_FALSE, found = VARIANT_FALSE;
    qorvsdk::Bstr text;
    if (FAILED(sdk->GetOperationResultInfo(i, &succeeded, text.Receive(), &found)) ||
        found == VARIANT_FALSE) {
      continue;
    }
    console_.ReportLine(succeeded != VARIANT_FALSE, text.Utf8());
  }
}

void SessionEvents::Answer(IQORVSDK* sdk, DISPID event) {
  qorvsdk::Bstr information;
  VARIANT_BOOL three_way = VARIANT_FALSE;
  PromptKind kind;
  switch (event) {
    case DISPID_PromptLeaveOrReplaceWriteableFile:
      kind = PromptKind::kWritableFile;
      sdk->GetPromptLeaveOrReplaceWriteableFile(&three_way, information.Receive());
      break;
    case DISPID_PromptCheckinUnchangedFile:
      kind = PromptKind::kCheckinUnchanged;
      sdk->GetPromptCheckinUnchangedFile(information.Receive());
      break;
    case DISPID_PromptUndoCheckoutChangedFile:
      kind = PromptKind::kUndoChanged;
      sdk->GetPromptUndoCheckoutChangedFile(information.Receive());
      break;
    case DISPID_PromptRecoverOrPurgeDeletedCopy:
      kind = PromptKind::kDeletedCopy;
      sdk->GetPromptRecoverOrPurgeDeletedCopy(information.Receive());
      break;
    default:
      return;
  }
  const PromptReply reply = AnswerPrompt(kind, information.Utf8(), three_way != VARIANT_FALSE,
                                         answers_, interactive_, console_, read_answer_);
  const VARIANT_BOOL all = reply.apply_to_all ? VARIANT_TRUE : VARIANT_FALSE;
  // The answer is written before the handler returns, which is when the SDK
  // reads it; an answer of 0 makes the operation end as canceled.
  switch (kind) {
    case PromptKind::kWritableFile:
      sdk->SetPromptLeaveOrReplaceWriteableFile(
          static_cast<Enum_WritableFileHandling>(reply.answer), all);
      break;
    case PromptKind::kCheckinUnchanged:
      sdk->SetPromptCheckinUnchangedFile(
          static_cast<Enum_CheckinUnchangedFileHandling>(reply.answer), all);
      break;
    case PromptKind::kUndoChanged:
      sdk->SetPromptUndoCheckoutChangedFile(
          static_cast<Enum_UndoCheckOutChangedFileHandling>(reply.answer), all);
      break;
    case PromptKind::kDeletedCopy:
      sdk->SetPromptRecoverOrPurgeDeletedCopy(
          static_cast<Enum_AddFileDeletedCopyHandling>(reply.answer), all);
      break;
  }
}

}  // namespace qorv::cli
