#include "runtime/core/error_messages.h"

#include <algorithm>
#include <charconv>
#include <iterator>

#include "runtime/core/error_replacements.h"
#include "runtime/core/trim.h"

namespace rt {

namespace {

struct Entry {
  int32_t code;
  const char* text;
};

// Sorted by code. Texts are exact, blanks included ("Not Supported " keeps its
// trailing blank, 403 has two blanks after the full stop).
constexpr Entry kMessages[] = {
    {Error_FileNotFound, "File Not Found"},
    {Error_PathNotFound, "Path Not Found"},
    {Error_TooManyOpenFiles, "Too Many Open Files"},
    {Error_AccessDenied, "Access Denied"},
    {Error_MemoryCorrupted, "Memory Corrupted"},
    {Error_InsufficientMemory, "Insufficient Memory"},
    {Error_BadDrive, "Bad drive"},
    {Error_EntryNotFound, "Entry Not Found"},
    {Error_FileIsAlreadyLocked, "File Is Already Locked"},
    {Error_RecordNotAvailable, "Record Not Available"},
    {Error_RecordNotFound, "Record Not Found"},
    {Error_InvalidDataFile, "Invalid Data File"},
    {Error_FileNotOpen, "File Not Open"},
    {Error_InvalidKeyFile, "Invalid Key File"},
    {Error_CreatesDuplicateKey, "Creates Duplicate Key"},
    {Error_RecordIsAlreadyHeld, "Record Is Already Held"},
    {Error_InvalidFilename, "Invalid Filename"},
    {Error_KeyFileMustBeRebuilt, "Key File Must Be Rebuilt"},
    {Error_InvalidRecordDeclaration, "Invalid Record Declaration"},
    {Error_UnableToLogTransaction, "Unable To Log Transaction"},
    {Error_FileAlreadyOpen, "File Already Open"},
    {Error_InvalidOrvaneFile, "Invalid Orvane File"},
    {Error_NoCreateAttribute, "No Create Attribute"},
    {Error_FileMustBeShared, "File Must Be Shared"},
    {Error_LogoutAlreadyActive, "LOGOUT Already Active"},
    {Error_InvalidMemoFile, "Invalid Memo File"},
    {Error_ExclusiveAccessRequired, "Exclusive Access Required"},
    {Error_SharingViolation, "Sharing Violation"},
    {Error_UnableToRollbackTransaction, "Unable To ROLLBACK Transaction"},
    {Error_MemoFileMissing, "Memo File Missing"},
    {Error_InvalidFieldTypeDescriptor, "Invalid Field Type Descriptor"},
    {Error_InvalidIndexString, "Invalid Index String"},
    {Error_UnableToAccessIndex, "Unable To Access Index"},
    {Error_InvalidNumberOfParameters, "Invalid Number Of Parameters"},
    {Error_UnsupportedDataTypeInFile, "Unsupported Data Type In File"},
    {Error_UnsupportedFileDriverFunction, "Unsupported File Driver Function"},
    {Error_UnknownErrorPosted, "Unknown Error Posted"},
    {Error_InvalidKeyLength, "Invalid Key Length"},
    {Error_RecordChangedByAnotherStation, "Record Changed By Another Station"},
    {Error_FileSystemError, "File System Error"},
    {Error_LogoutNotActive, "LOGOUT Not Active"},
    {Error_BuildInProgress, "BUILD In Progress"},
    {Error_BuildCancelled, "BUILD Cancelled"},
    {Error_ServerNotFound, "Server Not Found"},
    {Error_RemoteObjectNotFound, "Remote Object Not Found"},
    {Error_StreamError, "Stream Error"},
    {Error_SystemInvalidFunction, "Invalid Function"},
    {Error_SystemFileNotFound, "File Not Found"},
    {Error_SystemPathNotFound, "Path Not Found"},
    {Error_SystemTooManyOpenFiles, "Too Many Open Files"},
    {Error_SystemAccessDenied, "Access Denied"},
    {Error_SystemInvalidHandle, "Invalid Handle"},
    {Error_SystemMemoryCorrupted, "Memory Corrupted"},
    {Error_SystemInsufficientMemory, "Insufficient Memory"},
    {Error_SystemInvalidMemoryBlock, "Invalid Memory Block"},
    {Error_SystemInvalidEnvironment, "Invalid Environment"},
    {Error_SystemInvalidFormat, "Invalid Format"},
    {Error_SystemInvalidAccess, "Invalid Access"},
    {Error_SystemInvalidData, "Invalid Data"},
    {Error_SystemInvalidDrive, "Invalid Drive"},
    {Error_SystemInvalidOperationForCurrentDirectory, "Invalid Operation For Current Directory"},
    {Error_SystemNotSameDevice, "Not Same Device"},
    {Error_SystemNoMoreFiles, "No More Files"},
    {Error_SystemWriteProtect, "Write Protect"},
    {Error_SystemInvalidUnit, "Invalid Unit"},
    {Error_SystemDeviceNotReady, "Device Not Ready"},
    {Error_SystemInvalidCommand, "Invalid Command"},
    {Error_SystemMediaChecksumFailed, "Media Checksum Failed"},
    {Error_SystemInvalidLength, "Invalid Length"},
    {Error_SystemSeekLocationInaccessible, "Seek Location Inaccessible"},
    {Error_SystemNotDosDisk, "Not DOS Disk"},
    {Error_SystemSectorNotFound, "Sector Not Found"},
    {Error_SystemOutOfPaper, "Out Of Paper"},
    {Error_SystemWriteFault, "Write Fault"},
    {Error_SystemReadFault, "Read Fault"},
    {Error_SystemGeneralFailure, "General Failure"},
    {Error_SystemSharingViolation, "Sharing Violation"},
    {Error_SystemLockViolation, "Lock Violation"},
    {Error_SystemWrongDisk, "Wrong Disk"},
    {Error_SystemFcbUnavailable, "FCB Unavailable"},
    {Error_SystemSharingBufferExceeded, "Sharing Buffer Exceeded"},
    {Error_SystemCodePageMismatched, "Code Page Mismatched"},
    {Error_SystemHandleEof, "Handle EOF"},
    {Error_SystemHandleDiskFull, "Handle Disk Full"},
    {Error_SystemNotSupported, "Not Supported "},
    {Error_SystemRemNotList, "REM Not List"},
    {Error_SystemDuplicateNameEncountered, "Duplicate Name Encountered"},
    {Error_SystemInvalidNetworkPath, "Invalid Network Path"},
    {Error_SystemNetworkBusy, "Network Busy"},
    {Error_SystemDeviceDoesNotExist, "Device Does Not Exist"},
    {Error_SystemTooManyCommands, "Too Many Commands"},
    {Error_SystemAdapterHardwareFailure, "Adapter/Hardware Failure"},
    {Error_SystemInvalidNetworkResponse, "Invalid Network Response"},
    {Error_SystemUnexpectedNetworkError, "Unexpected Network Error"},
    {Error_SystemInvalidRemAdapter, "Invalid REM Adapter"},
    {Error_SystemPrintQueueFull, "Print Queue Full"},
    {Error_SystemNoSpoolSpace, "No Spool Space"},
    {Error_SystemPrintCancelled, "Print Cancelled"},
    {Error_SystemNetworkNameDeleted, "Network Name Deleted"},
    {Error_SystemNetworkAccessDenied, "Network Access Denied"},
    {Error_SystemInvalidDeviceType, "Invalid Device Type"},
    {Error_SystemInvalidNetworkName, "Invalid Network Name"},
    {Error_SystemTooManyNames, "Too Many Names"},
    {Error_SystemTooManySessions, "Too Many Sessions"},
    {Error_SystemSharingPaused, "Sharing Paused"},
    {Error_SystemRequestNotAccepted, "Request Not Accepted"},
    {Error_SystemNetworkRedirectionPaused, "Network Redirection Paused"},
    {Error_SystemFileAlreadyExists, "File Already Exists"},
    {Error_SystemDuplicateFcb, "Duplicate FCB"},
    {Error_SystemCannotMake, "Cannot Make"},
    {Error_SystemFailCriticalError, "Fail Critical Error"},
    {Error_SystemOutOfStructures, "Out Of Structures"},
    {Error_SystemAlreadyAssigned, "Already Assigned"},
    {Error_SystemInvalidPassword, "Invalid Password"},
    {Error_SystemInvalidParameter, "Invalid Parameter"},
    {Error_SystemNetworkWriteFault, "Network Write Fault"},
    {Error_SystemComponentNotLoaded, "System Component Not Loaded"},
    {Error_SystemUnknownError, "Unknown Error"},
    {Error_StackOverflow, "Stack overflow"},
    {Error_NullPointerDereference, "Null pointer de-reference"},
    {Error_TerminatedBySignal, "Termination caused by signal.  (User break or Floating point)"},
    {Error_ArithmeticOverflow, "Arithmetic Overflow"},
    {Error_VariableOutOfRange, "Variable out of range"},
    {Error_NoReturnValue, "No return value from function"},
    {Error_NoMatchingCaseLabel, "No matching Case Label"},
    {Error_LongDivideByZero, "Long Integer Divide By Zero"},
    {Error_IndexOutOfRange, "Index out of range"},
    {Error_PureVirtualFunctionCalled, "Pure Virtual Function Called"},
    {Error_RecursiveStaticInitialization, "Recursive call into initialization of static data"},
    {Error_StaticInitializationContextFault, "Context fault on initialization of static data"},
    {Error_Internal01, "Internal error 01"},
    {Error_Internal02, "Internal error 02"},
    {Error_Internal03, "Internal error 03"},
    {Error_Internal04, "Internal error 04"},
    {Error_Internal05, "Internal error 05"},
    {Error_Internal06, "Internal error 06"},
    {Error_Internal07, "Internal error 07"},
    {Error_Internal08, "Internal error 08"},
    {Error_Internal09, "Internal error 09"},
    {Error_Internal10, "Internal error 10"},
    {Error_Internal11, "Internal error 11"},
    {Error_Internal12, "Internal error 12"},
    {Error_Internal13, "Internal error 13"},
    {Error_Internal14, "Internal error 14"},
    {Error_Internal15, "Internal error 15"},
    {Error_VbxLibraryMismatch, "Mismatch with the VBX support library"},
    {Error_VbxControlTooComplex, "VBX control is too complex"},
    {Error_EventPostedToReportControl, "Event posted to a report control"},
    {Error_ReportMetafileRecordTooLarge, "Metafile record too large in report"},
    {Error_PrinterOpenFailed, "Unexpected error opening printer device"},
    {Error_ReportAlreadyOpen, "Report is already open"},
    {Error_ApplicationAlreadyActive, "Unable to open APPLICATION (APPLICATION already active)"},
    {Error_ApplicationOpenWhileModal, "Unable to open APPLICATION (system is MODAL)"},
    {Error_ApplicationOpenFailed, "Unable to open APPLICATION"},
    {Error_WindowOpenFailed, "Unable to open WINDOW"},
    {Error_MdiWithoutApplication, "Unable to open MDI window (No APPLICATION active)"},
    {Error_MdiOpenWhileModal, "Unable to open MDI window (system is MODAL)"},
    {Error_MdiOnApplicationThread, "Unable to open MDI window on APPLICATION's thread"},
    {Error_MdiWindowOpenFailed, "Unable to open MDI WINDOW"},
    {Error_TooManyKeystrokesPressed, "Too many keystrokes PRESSed"},
    {Error_WindowAlreadyOpen, "Window is already open"},
    {Error_WindowNotOpen, "Window is not open"},
    {Error_AcceptWithoutWindow, "ACCEPT loop requires a window"},
    {Error_PrintOutsideReport, "PRINT must only be called for reports"},
    {Error_EndPageOutsideReport, "ENDPAGE must only be called for reports"},
    {Error_AcceptWhileModal, "Unable to process ACCEPT (system is MODAL)"},
    {Error_CreateControlWhileModal, "Unable to create control (system is MODAL)"},
    {Error_OperationWhileModal, "Unable to complete operation (system is MODAL)"},
    {Error_SliderNeeds32Bit, "Slider controls are only available in 32-bit programs"},
    {Error_TooManyVbxHooks, "Too Many VBX Hooks"},
    {Error_ModalEventOnOtherThread, "Attempt to execute a modal event for not current thread"},
    {Error_InvalidDdeChannel, "Invalid DDE channel"},
    {Error_DdeChannelNotOpen, "DDE channel is not open"},
    {Error_DdeExecuteInvalidCommand, "DDEexecute - invalid command"},
    {Error_DdePokeInvalidCommand, "DDEpoke - invalid command"},
    {Error_DdeTimedOut, "DDE transaction timed out"},
    {Error_InvalidExpression, "Invalid expression for EVALUATE"},
    {Error_NameNotBound, "BIND has not been called for"},
    {Error_MismatchedBindScopes, "Mismatched PUSHBIND/POPBIND"},
    {Error_NoEvaluator, "No evaluator exists"},
    {Error_UnknownEvaluationContext, "Unknown evaluation context"},
    {Error_ArgumentOmitted, "Not-omittable parameter of built-in function is omitted"},
};

constexpr bool sortedByCode() {
  for (size_t i = 1; i < std::size(kMessages); ++i)
    if (kMessages[i - 1].code >= kMessages[i].code) return false;
  return true;
}
static_assert(sortedByCode(), "the message table is searched by bisection");

// Appends `text` at `out + len`, cutting the whole at kMessageCut.
size_t append(char* out, size_t len, std::string_view text) {
  size_t take = std::min(text.size(), kMessageCut - len);
  std::copy_n(text.data(), take, out + len);
  return len + take;
}

}  // namespace

const char* builtInMessage(int32_t code) {
  auto it = std::lower_bound(std::begin(kMessages), std::end(kMessages), code,
                             [](const Entry& e, int32_t c) { return e.code < c; });
  return it != std::end(kMessages) && it->code == code ? it->text : nullptr;
}

size_t assembleErrorMessage(int32_t code, char* out) {
  // Holding the set keeps the replacement text alive while it is copied.
  std::shared_ptr<const MessageReplacements> replacements = messageReplacements();
  if (const std::string* text = replacements->find(code))
    return append(out, 0, trimLeft(*text));
  if (const char* text = builtInMessage(code)) return append(out, 0, trimLeft(text));
  size_t len = assembleErrorMessage(Error_UnknownErrorPosted, out);
  len = append(out, len, " : ");
  char digits[16];
  auto res = std::to_chars(digits, digits + sizeof digits, code);
  return append(out, len, std::string_view(digits, size_t(res.ptr - digits)));
}

std::string errorMessageOf(int32_t code) {
  char buf[kMessageCut];
  return std::string(buf, assembleErrorMessage(code, buf));
}

}  // namespace rt
