// The built-in messages, in the order the table has always had: a program
// overrides one by adding its own entry later.
#include "framework/data/error_block.h"
#include "framework/data/message_ids.h"

namespace fw {

namespace {

constexpr Level N = Level::Notify;
constexpr Level F = Level::Fatal;
constexpr Level U = Level::User;
constexpr Level P = Level::Program;

struct Row {
  uint16_t id;
  Level level;
  const char* title;
  const char* message;
};

constexpr Row kRows[] = {
    {Msg_InvalidKey, N, "Invalid Key", "%File key file is invalid. Key must be rebuilt."},
    {Msg_KeyNotBuilt, F, "Key was not built", "Error: (%ErrorText) repairing key for %File."},
    {Msg_FileCreationError, F, "File Creation Error", "Error: (%ErrorText) creating %File."},
    {Msg_ProcedureNotDefined, N, "Procedure not defined", "The Procedure %Message has not been defined."},
    {Msg_RangeErrorLower, N, "Range Error", "The value of %Field must be lower than %Message."},
    {Msg_RangeErrorHigher, N, "Range Error", "The value of %Field must be higher than %Message."},
    {Msg_RangeError, N, "Range Error", "The value of %Field must be in range %Message."},
    {Msg_FieldContentsError, N, "Field contents error", "The value of %Field must be found in the %Message file."},
    {Msg_ReferentialIntegrityUpdateError, N, "Referential Integrity Update Error",
     "This record is referenced from the file %File. Linking field(s) have been restricted from "
     "change and have been reset to original values."},
    {Msg_ReferentialIntegrityDeleteError, N, "Referential Integrity Delete Error",
     "This record is referenced from the file %File. This record cannot be deleted while these "
     "references exist."},
    {Msg_RecordInsertError, N, "Record Insert Error",
     "An error was experienced during the creation of a record.|File: %File|Error: %ErrorText."},
    {Msg_RecordNotUpdatedChanged, N, "Record Was Not Updated", "This record was changed by another station."},
    {Msg_RecordNotUpdatedShown, N, "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be displayed. Use the "
     "Ditto Button or Ctrl+H to recall your changes."},
    {Msg_RecordUpdateError, U, "Record Update Error",
     "An error was experienced changing this record. Do you want to try to save again?"},
    {Msg_RecordDeleteError, U, "Record Delete Error",
     "An error was experienced deleting this record. Do you want to try to delete it again?"},
    {Msg_InvalidInsertRequest, N, "Invalid Request", "This form cannot be used to insert a record"},
    {Msg_InvalidUpdateRequest, N, "Invalid Request", "This form cannot be used to update a record"},
    {Msg_InvalidDeleteRequest, N, "Invalid Request", "This form cannot be used to delete a record"},
    {Msg_ChangesWillBeLost, U, "Changes will be lost!", "Are you sure you want to cancel?"},
    {Msg_DuplicateKeyError, N, "Duplicate Key Error",
     "Adding this record creates a duplicate entry for the key: %Message"},
    {Msg_AutoIncrementError, U, "Auto Increment Error",
     "Attempts to automatically number this record have failed.|File: %File|Key: %Key|Error: "
     "%ErrorText.|Try Again?"},
    {Msg_FileLoadError, N, "File Load Error", "%File File Load Error.  Error: %ErrorText."},
    {Msg_BeginningOfFileError, U, "Beginning of File Error",
     "The beginning of the file %File was encountered. Do you want to start again from the end of "
     "the file?"},
    {Msg_EndOfFileError, U, "End of File Error",
     "The end of the file %File was encountered. Do you want to start again from the beginning?"},
    {Msg_FileCloseError, N, "File Access Error", "File %File could not be closed.  Error: %ErrorText."},
    {Msg_FileOpenError, F, "File Access Error", "File %File could not be opened.  Error: %ErrorText."},
    {Msg_RecordNotUpdated, N, "Record was not updated",
     "An error (%ErrorText) was experienced when making changes to the %File file."},
    {Msg_RecordNotDeleted, N, "Record was not deleted",
     "An error (%ErrorText) was experienced when deleting a record from the %File file."},
    {Msg_ConfirmDelete, U, "Confirm Delete", "Are you sure you want to delete the highlighted record?"},
    {Msg_SaveRecord, U, "Save Record", "Do you want to save the changes to this record?"},
    {Msg_TransactionCancelled, N, "Transaction cancelled",
     "Error: (%ErrorText) attempting to frame the transaction on %File."},
    {Msg_RecordRetrievalError, N, "Record Retrieval Error",
     "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to "
     "previous window."},
    {Msg_ViewOpenError, N, "View Open Error",
     "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits ignored."},
    {Msg_RecordAdded, U, "Record Added",
     "This record has been added to the file. Do you want to add another record?"},
    {Msg_RecordNotRead, N, "Record not read",
     "A record held by another station was encountered reading from the %File file."},
    {Msg_AddNewRecord, N, "Add New Record?", "Record match not found, do you wish to add a new one?"},
    {Msg_ValueError, N, "Value Error", "The value of %Field must be in the list : %Message."},
    {Msg_NoRecords, N, "No Records", "There are no records available to process."},
    {Msg_AccessDenied, N, "Access Denied", "Could not get write access to %File so trying read-only."},
    {Msg_FileUsageError, P, "File Usage Error", "Attempt to use file (%File) before it was opened"},
    {Msg_UnsupportedQbeColumn, N, "Unsupported QBE Column",
     "The saved QBE column, %Field is not supported. It will be dropped from the query."},
    {Msg_SmtpError, N, "SMTP Error", "The following SMTP Error occurred: %Message "},
    {Msg_NntpError, N, "NNTP Error", "%Message "},
    {Msg_WinsockError, N, "Winsock Error", "%Message "},
    {Msg_WmfInvalidFile, F, "WMF Parser Error", "The File %File is not a valid WMF file."},
    {Msg_WmfNextRecordFailed, F, "WMF Parser Error", "Get next record from file %File failed."},
    {Msg_WmfIdNotFound, F, "WMF Parser Error", "Cannot find %Field id. Parsing %File."},
    {Msg_WmfInvalidControl, F, "WMF Parser Error", "Invalid %Field control found. Parsing %File."},
    {Msg_WmfAddRecordFailed, F, "WMF Parser Error", "Adding record to queue failed. Parsing %File."},
    {Msg_ReportCommentError, N, "Report Writer Error",
     "Poorly Formed Comment String \"%Message\" at Position %Field."},
    {Msg_ReportPropertyError, N, "Report Writer Error", "Unknown Property %Message."},
    {Msg_RecordChangedOrDeleted, N, "Record Retrieval Error",
     "This record was changed or deleted by another station.|Error: (%ErrorText) attempting to "
     "access a record from the %File file."},
};

std::vector<uint8_t> build() {
  std::vector<ErrorEntryGroup> entries;
  for (const Row& r : kRows) entries.push_back({r.id, r.message, r.title, r.level, {}});
  return MakeErrorBlock(entries);
}

}  // namespace

ErrorBlock DefaultErrors() {
  static const std::vector<uint8_t> block = build();
  return block;
}

}  // namespace fw
