// The runtime's error codes: every code of the message table
// (error_messages.cc), named after its message. Code outside this header and
// the tests names a code only through these constants. No dependencies, so that
// every runtime layer (the Kestrel engine included) may include it.
#pragma once

#include <cstdint>

namespace rt {

inline constexpr int32_t Error_NoError = 0;

// File, key, record and driver errors.
inline constexpr int32_t Error_FileNotFound = 2;
inline constexpr int32_t Error_PathNotFound = 3;
inline constexpr int32_t Error_TooManyOpenFiles = 4;
inline constexpr int32_t Error_AccessDenied = 5;
inline constexpr int32_t Error_MemoryCorrupted = 7;
inline constexpr int32_t Error_InsufficientMemory = 8;
inline constexpr int32_t Error_BadDrive = 15;
inline constexpr int32_t Error_EntryNotFound = 30;
inline constexpr int32_t Error_FileIsAlreadyLocked = 32;
inline constexpr int32_t Error_RecordNotAvailable = 33;
inline constexpr int32_t Error_RecordNotFound = 35;
inline constexpr int32_t Error_InvalidDataFile = 36;
inline constexpr int32_t Error_FileNotOpen = 37;
inline constexpr int32_t Error_InvalidKeyFile = 38;
inline constexpr int32_t Error_CreatesDuplicateKey = 40;
inline constexpr int32_t Error_RecordIsAlreadyHeld = 43;
inline constexpr int32_t Error_InvalidFilename = 45;
inline constexpr int32_t Error_KeyFileMustBeRebuilt = 46;
inline constexpr int32_t Error_InvalidRecordDeclaration = 47;
inline constexpr int32_t Error_UnableToLogTransaction = 48;
inline constexpr int32_t Error_FileAlreadyOpen = 52;
inline constexpr int32_t Error_InvalidOrvaneFile = 53;
inline constexpr int32_t Error_NoCreateAttribute = 54;
inline constexpr int32_t Error_FileMustBeShared = 55;
inline constexpr int32_t Error_LogoutAlreadyActive = 56;
inline constexpr int32_t Error_InvalidMemoFile = 57;
inline constexpr int32_t Error_ExclusiveAccessRequired = 63;
inline constexpr int32_t Error_SharingViolation = 64;
inline constexpr int32_t Error_UnableToRollbackTransaction = 65;
inline constexpr int32_t Error_MemoFileMissing = 73;
inline constexpr int32_t Error_InvalidFieldTypeDescriptor = 75;
inline constexpr int32_t Error_InvalidIndexString = 76;
inline constexpr int32_t Error_UnableToAccessIndex = 77;
inline constexpr int32_t Error_InvalidNumberOfParameters = 78;
inline constexpr int32_t Error_UnsupportedDataTypeInFile = 79;
inline constexpr int32_t Error_UnsupportedFileDriverFunction = 80;
inline constexpr int32_t Error_UnknownErrorPosted = 81;
inline constexpr int32_t Error_InvalidKeyLength = 88;
inline constexpr int32_t Error_RecordChangedByAnotherStation = 89;
inline constexpr int32_t Error_FileSystemError = 90;  // File System Error
inline constexpr int32_t Error_LogoutNotActive = 91;
inline constexpr int32_t Error_BuildInProgress = 92;
inline constexpr int32_t Error_BuildCancelled = 93;
inline constexpr int32_t Error_ServerNotFound = 95;
inline constexpr int32_t Error_RemoteObjectNotFound = 96;
inline constexpr int32_t Error_StreamError = 97;

// Operating system errors: kSystemErrorBase (300) plus the condition's number
// (error_system.h).
inline constexpr int32_t Error_SystemInvalidFunction = 301;
inline constexpr int32_t Error_SystemFileNotFound = 302;
inline constexpr int32_t Error_SystemPathNotFound = 303;
inline constexpr int32_t Error_SystemTooManyOpenFiles = 304;
inline constexpr int32_t Error_SystemAccessDenied = 305;
inline constexpr int32_t Error_SystemInvalidHandle = 306;
inline constexpr int32_t Error_SystemMemoryCorrupted = 307;
inline constexpr int32_t Error_SystemInsufficientMemory = 308;
inline constexpr int32_t Error_SystemInvalidMemoryBlock = 309;
inline constexpr int32_t Error_SystemInvalidEnvironment = 310;
inline constexpr int32_t Error_SystemInvalidFormat = 311;
inline constexpr int32_t Error_SystemInvalidAccess = 312;
inline constexpr int32_t Error_SystemInvalidData = 313;
inline constexpr int32_t Error_SystemInvalidDrive = 315;
inline constexpr int32_t Error_SystemInvalidOperationForCurrentDirectory = 316;
inline constexpr int32_t Error_SystemNotSameDevice = 317;
inline constexpr int32_t Error_SystemNoMoreFiles = 318;
inline constexpr int32_t Error_SystemWriteProtect = 319;
inline constexpr int32_t Error_SystemInvalidUnit = 320;
inline constexpr int32_t Error_SystemDeviceNotReady = 321;
inline constexpr int32_t Error_SystemInvalidCommand = 322;
inline constexpr int32_t Error_SystemMediaChecksumFailed = 323;
inline constexpr int32_t Error_SystemInvalidLength = 324;
inline constexpr int32_t Error_SystemSeekLocationInaccessible = 325;
inline constexpr int32_t Error_SystemNotDosDisk = 326;
inline constexpr int32_t Error_SystemSectorNotFound = 327;
inline constexpr int32_t Error_SystemOutOfPaper = 328;
inline constexpr int32_t Error_SystemWriteFault = 329;
inline constexpr int32_t Error_SystemReadFault = 330;
inline constexpr int32_t Error_SystemGeneralFailure = 331;
inline constexpr int32_t Error_SystemSharingViolation = 332;
inline constexpr int32_t Error_SystemLockViolation = 333;
inline constexpr int32_t Error_SystemWrongDisk = 334;
inline constexpr int32_t Error_SystemFcbUnavailable = 335;
inline constexpr int32_t Error_SystemSharingBufferExceeded = 336;
inline constexpr int32_t Error_SystemCodePageMismatched = 337;
inline constexpr int32_t Error_SystemHandleEof = 338;
inline constexpr int32_t Error_SystemHandleDiskFull = 339;
inline constexpr int32_t Error_SystemNotSupported = 350;
inline constexpr int32_t Error_SystemRemNotList = 351;
inline constexpr int32_t Error_SystemDuplicateNameEncountered = 352;
inline constexpr int32_t Error_SystemInvalidNetworkPath = 353;
inline constexpr int32_t Error_SystemNetworkBusy = 354;
inline constexpr int32_t Error_SystemDeviceDoesNotExist = 355;
inline constexpr int32_t Error_SystemTooManyCommands = 356;
inline constexpr int32_t Error_SystemAdapterHardwareFailure = 357;
inline constexpr int32_t Error_SystemInvalidNetworkResponse = 358;
inline constexpr int32_t Error_SystemUnexpectedNetworkError = 359;
inline constexpr int32_t Error_SystemInvalidRemAdapter = 360;
inline constexpr int32_t Error_SystemPrintQueueFull = 361;
inline constexpr int32_t Error_SystemNoSpoolSpace = 362;
inline constexpr int32_t Error_SystemPrintCancelled = 363;
inline constexpr int32_t Error_SystemNetworkNameDeleted = 364;
inline constexpr int32_t Error_SystemNetworkAccessDenied = 365;
inline constexpr int32_t Error_SystemInvalidDeviceType = 366;
inline constexpr int32_t Error_SystemInvalidNetworkName = 367;
inline constexpr int32_t Error_SystemTooManyNames = 368;
inline constexpr int32_t Error_SystemTooManySessions = 369;
inline constexpr int32_t Error_SystemSharingPaused = 370;
inline constexpr int32_t Error_SystemRequestNotAccepted = 371;
inline constexpr int32_t Error_SystemNetworkRedirectionPaused = 372;
inline constexpr int32_t Error_SystemFileAlreadyExists = 380;
inline constexpr int32_t Error_SystemDuplicateFcb = 381;
inline constexpr int32_t Error_SystemCannotMake = 382;
inline constexpr int32_t Error_SystemFailCriticalError = 383;
inline constexpr int32_t Error_SystemOutOfStructures = 384;
inline constexpr int32_t Error_SystemAlreadyAssigned = 385;
inline constexpr int32_t Error_SystemInvalidPassword = 386;
inline constexpr int32_t Error_SystemInvalidParameter = 387;
inline constexpr int32_t Error_SystemNetworkWriteFault = 388;
inline constexpr int32_t Error_SystemComponentNotLoaded = 390;  // System Component Not Loaded
inline constexpr int32_t Error_SystemUnknownError = 391;

// Fatal program errors.
inline constexpr int32_t Error_StackOverflow = 401;
inline constexpr int32_t Error_NullPointerDereference = 402;  // Null pointer de-reference
// Termination caused by signal.  (User break or Floating point)
inline constexpr int32_t Error_TerminatedBySignal = 403;
inline constexpr int32_t Error_ArithmeticOverflow = 404;
inline constexpr int32_t Error_VariableOutOfRange = 405;
inline constexpr int32_t Error_NoReturnValue = 406;  // No return value from function
inline constexpr int32_t Error_NoMatchingCaseLabel = 407;
inline constexpr int32_t Error_LongDivideByZero = 408;  // Long Integer Divide By Zero
inline constexpr int32_t Error_IndexOutOfRange = 409;
inline constexpr int32_t Error_PureVirtualFunctionCalled = 410;
// Recursive call into initialization of static data
inline constexpr int32_t Error_RecursiveStaticInitialization = 411;
// Context fault on initialization of static data
inline constexpr int32_t Error_StaticInitializationContextFault = 412;

// Internal errors and window/report engine errors.
inline constexpr int32_t Error_Internal01 = 501;  // Internal error 01
inline constexpr int32_t Error_Internal02 = 502;  // Internal error 02
inline constexpr int32_t Error_Internal03 = 503;  // Internal error 03
inline constexpr int32_t Error_Internal04 = 504;  // Internal error 04
inline constexpr int32_t Error_Internal05 = 505;  // Internal error 05
inline constexpr int32_t Error_Internal06 = 506;  // Internal error 06
inline constexpr int32_t Error_Internal07 = 507;  // Internal error 07
inline constexpr int32_t Error_Internal08 = 508;  // Internal error 08
inline constexpr int32_t Error_Internal09 = 509;  // Internal error 09
inline constexpr int32_t Error_Internal10 = 510;  // Internal error 10
inline constexpr int32_t Error_Internal11 = 511;  // Internal error 11
inline constexpr int32_t Error_Internal12 = 512;  // Internal error 12
inline constexpr int32_t Error_Internal13 = 513;  // Internal error 13
inline constexpr int32_t Error_Internal14 = 514;  // Internal error 14
inline constexpr int32_t Error_Internal15 = 515;  // Internal error 15
inline constexpr int32_t Error_VbxLibraryMismatch = 520;  // Mismatch with the VBX support library
inline constexpr int32_t Error_VbxControlTooComplex = 521;  // VBX control is too complex
inline constexpr int32_t Error_EventPostedToReportControl = 522;  // Event posted to a report control
// Metafile record too large in report
inline constexpr int32_t Error_ReportMetafileRecordTooLarge = 523;
inline constexpr int32_t Error_PrinterOpenFailed = 524;  // Unexpected error opening printer device
inline constexpr int32_t Error_ReportAlreadyOpen = 525;  // Report is already open
// Unable to open APPLICATION (APPLICATION already active)
inline constexpr int32_t Error_ApplicationAlreadyActive = 526;
// Unable to open APPLICATION (system is MODAL)
inline constexpr int32_t Error_ApplicationOpenWhileModal = 527;
inline constexpr int32_t Error_ApplicationOpenFailed = 528;  // Unable to open APPLICATION
inline constexpr int32_t Error_WindowOpenFailed = 529;  // Unable to open WINDOW
// Unable to open MDI window (No APPLICATION active)
inline constexpr int32_t Error_MdiWithoutApplication = 530;
// Unable to open MDI window (system is MODAL)
inline constexpr int32_t Error_MdiOpenWhileModal = 531;
// Unable to open MDI window on APPLICATION's thread
inline constexpr int32_t Error_MdiOnApplicationThread = 532;
inline constexpr int32_t Error_MdiWindowOpenFailed = 533;  // Unable to open MDI WINDOW
inline constexpr int32_t Error_TooManyKeystrokesPressed = 534;  // Too many keystrokes PRESSed
inline constexpr int32_t Error_WindowAlreadyOpen = 535;  // Window is already open
inline constexpr int32_t Error_WindowNotOpen = 536;  // Window is not open
inline constexpr int32_t Error_AcceptWithoutWindow = 537;  // ACCEPT loop requires a window
inline constexpr int32_t Error_PrintOutsideReport = 538;  // PRINT must only be called for reports
// ENDPAGE must only be called for reports
inline constexpr int32_t Error_EndPageOutsideReport = 539;
inline constexpr int32_t Error_AcceptWhileModal = 540;  // Unable to process ACCEPT (system is MODAL)
// Unable to create control (system is MODAL)
inline constexpr int32_t Error_CreateControlWhileModal = 541;
// Unable to complete operation (system is MODAL)
inline constexpr int32_t Error_OperationWhileModal = 542;
// Slider controls are only available in 32-bit programs
inline constexpr int32_t Error_SliderNeeds32Bit = 543;
inline constexpr int32_t Error_TooManyVbxHooks = 544;
// Attempt to execute a modal event for not current thread
inline constexpr int32_t Error_ModalEventOnOtherThread = 545;

// Dynamic data exchange.
inline constexpr int32_t Error_InvalidDdeChannel = 601;
inline constexpr int32_t Error_DdeChannelNotOpen = 602;  // DDE channel is not open
inline constexpr int32_t Error_DdeExecuteInvalidCommand = 603;  // DDEexecute - invalid command
inline constexpr int32_t Error_DdePokeInvalidCommand = 604;  // DDEpoke - invalid command
inline constexpr int32_t Error_DdeTimedOut = 605;  // DDE transaction timed out

// The expression evaluator and bindings.
inline constexpr int32_t Error_InvalidExpression = 1010;  // Invalid expression for EVALUATE
inline constexpr int32_t Error_NameNotBound = 1011;  // BIND has not been called for
inline constexpr int32_t Error_MismatchedBindScopes = 1012;  // Mismatched PUSHBIND/POPBIND
inline constexpr int32_t Error_NoEvaluator = 1013;  // No evaluator exists
inline constexpr int32_t Error_UnknownEvaluationContext = 1014;
// Not-omittable parameter of built-in function is omitted
inline constexpr int32_t Error_ArgumentOmitted = 1015;

}  // namespace rt
