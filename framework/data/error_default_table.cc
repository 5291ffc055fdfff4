// The built-in messages, in the order the table has always had: a program
// overrides one by adding its own entry later.
#include "framework/data/error_block.h"

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
    {30, N, "Invalid Key", "%File key file is invalid. Key must be rebuilt."},
    {29, F, "Key was not built", "Error: (%ErrorText) repairing key for %File."},
    {12, F, "File Creation Error", "Error: (%ErrorText) creating %File."},
    {27, N, "Procedure not defined", "The Procedure %Message has not been defined."},
    {19, N, "Range Error", "The value of %Field must be lower than %Message."},
    {20, N, "Range Error", "The value of %Field must be higher than %Message."},
    {18, N, "Range Error", "The value of %Field must be in range %Message."},
    {16, N, "Field contents error", "The value of %Field must be found in the %Message file."},
    {34, N, "Referential Integrity Update Error",
     "This record is referenced from the file %File. Linking field(s) have been restricted from "
     "change and have been reset to original values."},
    {33, N, "Referential Integrity Delete Error",
     "This record is referenced from the file %File. This record cannot be deleted while these "
     "references exist."},
    {4, N, "Record Insert Error",
     "An error was experienced during the creation of a record.|File: %File|Error: %ErrorText."},
    {7, N, "Record Was Not Updated", "This record was changed by another station."},
    {8, N, "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be displayed. Use the "
     "Ditto Button or Ctrl+H to recall your changes."},
    {37, U, "Record Update Error",
     "An error was experienced changing this record. Do you want to try to save again?"},
    {36, U, "Record Delete Error",
     "An error was experienced deleting this record. Do you want to try to delete it again?"},
    {23, N, "Invalid Request", "This form cannot be used to insert a record"},
    {41, N, "Invalid Request", "This form cannot be used to update a record"},
    {14, N, "Invalid Request", "This form cannot be used to delete a record"},
    {10, U, "Changes will be lost!", "Are you sure you want to cancel?"},
    {15, N, "Duplicate Key Error", "Adding this record creates a duplicate entry for the key: %Message"},
    {35, U, "Auto Increment Error",
     "Attempts to automatically number this record have failed.|File: %File|Key: %Key|Error: "
     "%ErrorText.|Try Again?"},
    {21, N, "File Load Error", "%File File Load Error.  Error: %ErrorText."},
    {39, U, "Beginning of File Error",
     "The beginning of the file %File was encountered. Do you want to start again from the end of "
     "the file?"},
    {40, U, "End of File Error",
     "The end of the file %File was encountered. Do you want to start again from the beginning?"},
    {6, N, "File Access Error", "File %File could not be closed.  Error: %ErrorText."},
    {26, F, "File Access Error", "File %File could not be opened.  Error: %ErrorText."},
    {28, N, "Record was not updated",
     "An error (%ErrorText) was experienced when making changes to the %File file."},
    {13, N, "Record was not deleted",
     "An error (%ErrorText) was experienced when deleting a record from the %File file."},
    {11, U, "Confirm Delete", "Are you sure you want to delete the highlighted record?"},
    {38, U, "Save Record", "Do you want to save the changes to this record?"},
    {24, N, "Transaction cancelled",
     "Error: (%ErrorText) attempting to frame the transaction on %File."},
    {1, N, "Record Retrieval Error",
     "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to "
     "previous window."},
    {43, N, "View Open Error",
     "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits ignored."},
    {3, U, "Record Added",
     "This record has been added to the file. Do you want to add another record?"},
    {31, N, "Record not read",
     "A record held by another station was encountered reading from the %File file."},
    {5, N, "Add New Record?", "Record match not found, do you wish to add a new one?"},
    {17, N, "Value Error", "The value of %Field must be in the list : %Message."},
    {25, N, "No Records", "There are no records available to process."},
    {2, N, "Access Denied", "Could not get write access to %File so trying read-only."},
    {42, P, "File Usage Error", "Attempt to use file (%File) before it was opened"},
    {44, N, "Unsupported QBE Column",
     "The saved QBE column, %Field is not supported. It will be dropped from the query."},
    {45, N, "SMTP Error", "The following SMTP Error occurred: %Message "},
    {46, N, "NNTP Error", "%Message "},
    {47, N, "Winsock Error", "%Message "},
    {49, F, "WMF Parser Error", "The File %File is not a valid WMF file."},
    {22, F, "WMF Parser Error", "Get next record from file %File failed."},
    {51, F, "WMF Parser Error", "Cannot find %Field id. Parsing %File."},
    {50, F, "WMF Parser Error", "Invalid %Field control found. Parsing %File."},
    {48, F, "WMF Parser Error", "Adding record to queue failed. Parsing %File."},
    {52, N, "Report Writer Error",
     "Poorly Formed Comment String \"%Message\" at Position %Field."},
    {53, N, "Report Writer Error", "Unknown Property %Message."},
    {9, N, "Record Retrieval Error",
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
