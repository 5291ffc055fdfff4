// Identifiers of the error manager's built-in messages (the table of
// error_default_table.cc), each named after its title; titles that several
// messages share are told apart by what the message says. Code outside the
// table names a message only through these.
#pragma once

#include <cstdint>

namespace fw {

inline constexpr uint16_t Msg_RecordRetrievalError = 1;     // reading a record failed
inline constexpr uint16_t Msg_AccessDenied = 2;             // opened read-only instead
inline constexpr uint16_t Msg_RecordAdded = 3;              // "add another?"
inline constexpr uint16_t Msg_RecordInsertError = 4;
inline constexpr uint16_t Msg_AddNewRecord = 5;
inline constexpr uint16_t Msg_FileCloseError = 6;           // "File Access Error": not closed
inline constexpr uint16_t Msg_RecordNotUpdatedChanged = 7;  // "Record Was Not Updated": changed elsewhere
inline constexpr uint16_t Msg_RecordNotUpdatedShown = 8;    // the same, the other changes now shown
inline constexpr uint16_t Msg_RecordChangedOrDeleted = 9;   // "Record Retrieval Error": changed or deleted elsewhere
inline constexpr uint16_t Msg_ChangesWillBeLost = 10;
inline constexpr uint16_t Msg_ConfirmDelete = 11;
inline constexpr uint16_t Msg_FileCreationError = 12;
inline constexpr uint16_t Msg_RecordNotDeleted = 13;
inline constexpr uint16_t Msg_InvalidDeleteRequest = 14;    // "Invalid Request": the form cannot delete
inline constexpr uint16_t Msg_DuplicateKeyError = 15;
inline constexpr uint16_t Msg_FieldContentsError = 16;
inline constexpr uint16_t Msg_ValueError = 17;
inline constexpr uint16_t Msg_RangeError = 18;              // must be in a range
inline constexpr uint16_t Msg_RangeErrorLower = 19;         // must be lower than
inline constexpr uint16_t Msg_RangeErrorHigher = 20;        // must be higher than
inline constexpr uint16_t Msg_FileLoadError = 21;
inline constexpr uint16_t Msg_WmfNextRecordFailed = 22;     // "WMF Parser Error"
inline constexpr uint16_t Msg_InvalidInsertRequest = 23;    // "Invalid Request": the form cannot insert
inline constexpr uint16_t Msg_TransactionCancelled = 24;
inline constexpr uint16_t Msg_NoRecords = 25;
inline constexpr uint16_t Msg_FileOpenError = 26;           // "File Access Error": not opened
inline constexpr uint16_t Msg_ProcedureNotDefined = 27;
inline constexpr uint16_t Msg_RecordNotUpdated = 28;        // "Record was not updated": the write failed
inline constexpr uint16_t Msg_KeyNotBuilt = 29;
inline constexpr uint16_t Msg_InvalidKey = 30;
inline constexpr uint16_t Msg_RecordNotRead = 31;
inline constexpr uint16_t Msg_ReferentialIntegrityDeleteError = 33;
inline constexpr uint16_t Msg_ReferentialIntegrityUpdateError = 34;
inline constexpr uint16_t Msg_AutoIncrementError = 35;
inline constexpr uint16_t Msg_RecordDeleteError = 36;
inline constexpr uint16_t Msg_RecordUpdateError = 37;
inline constexpr uint16_t Msg_SaveRecord = 38;
inline constexpr uint16_t Msg_BeginningOfFileError = 39;
inline constexpr uint16_t Msg_EndOfFileError = 40;
inline constexpr uint16_t Msg_InvalidUpdateRequest = 41;    // "Invalid Request": the form cannot update
inline constexpr uint16_t Msg_FileUsageError = 42;
inline constexpr uint16_t Msg_ViewOpenError = 43;
inline constexpr uint16_t Msg_UnsupportedQbeColumn = 44;
inline constexpr uint16_t Msg_SmtpError = 45;
inline constexpr uint16_t Msg_NntpError = 46;
inline constexpr uint16_t Msg_WinsockError = 47;
inline constexpr uint16_t Msg_WmfAddRecordFailed = 48;      // "WMF Parser Error"
inline constexpr uint16_t Msg_WmfInvalidFile = 49;          // "WMF Parser Error"
inline constexpr uint16_t Msg_WmfInvalidControl = 50;       // "WMF Parser Error"
inline constexpr uint16_t Msg_WmfIdNotFound = 51;           // "WMF Parser Error"
inline constexpr uint16_t Msg_ReportCommentError = 52;      // "Report Writer Error": a malformed comment
inline constexpr uint16_t Msg_ReportPropertyError = 53;     // "Report Writer Error": an unknown property

}  // namespace fw
