// The transaction frame over several files, per thread.
//
// Logout asks every file for its driver's identity (Internal91): all files
// of one transaction must belong to one driver. It then gives each file
// STARTRAN and LOGOUT; COMMIT and ROLLBACK go once to the driver, with the
// control block of the first file, and every file gets ENDTRAN afterwards.
// Operation notices are given as for every other operation.
//
// Errors: Logout while a transaction is active: 56 ("LOGOUT Already
// Active"); Commit or Rollback without one: 91 ("LOGOUT Not Active"); files
// of different drivers: 48 ("Unable To Log Transaction"); a driver without
// transactions answers 80. When a file's LOGOUT fails, the files already
// logged out are rolled back and no transaction is active.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>

#include "runtime/core/file_control.h"

namespace rt {

int32_t Logout(int32_t seconds, std::span<FileControlBlock* const> files);
int32_t Logout(int32_t seconds, std::initializer_list<FileControlBlock*> files);
int32_t Commit();
int32_t Rollback();
bool transactionActive();  // on the calling thread

// Enlisting, for callers that gather the files first: sets or clears the
// file's `enlisted` mark (setting it asks the driver's identity, so a
// driver without transactions answers 80 here). LogoutEnlisted begins a
// transaction over the calling thread's enlisted files, in enlisting order,
// and clears their marks.
int32_t Enlist(FileControlBlock& file, bool on = true);
int32_t LogoutEnlisted(int32_t seconds);

// Drops a control block that is going away from the calling thread's
// enlisted files and transaction (its destructor calls this).
void forgetTransactionFile(FileControlBlock* file);

}  // namespace rt
