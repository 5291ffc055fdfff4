// The driver's transaction over several physical files. Logout adds a file
// (its commits are held back and its writer byte stays taken); Commit makes
// every file's changes durable together through transaction control files:
//
//   1. at most one changed file: it is committed alone, no control file used
//   2. a transaction id (the time in seconds) is recorded in every control
//      file (the one set by the TCF command, else "kestrel.tcf" beside each
//      data file) and committed; an id already present is increased by 1
//   3. every changed file gets a transaction link record naming the id and
//      the control file, then phase 1 of its commit
//   4. the id is deleted from every control file: the commit point
//   5. the control files are closed and phase 2 runs for every file
//
// Recovery of a file with a journal consults the control file named by its
// link record: an id still present means the commit point was never reached.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "runtime/kestrel/driver/physical_file.h"
#include "runtime/kestrel/store/outcome.h"

namespace kestrel {

inline constexpr char kDefaultControlFileName[] = "kestrel.tcf";
inline constexpr char kDefaultControlFileMarker[] = "C:\\kEstreL.TCF";
inline constexpr size_t kMaxDefaultControlFiles = 100;

class Transaction {
 public:
  static Transaction& Global();

  Outcome Add(const std::shared_ptr<PhysicalFile>& file);
  Outcome Commit();
  Outcome Rollback();
  bool active();
  bool Contains(const PhysicalFile* file);

  // The control file of every later multi-file commit; empty: the default
  // file beside each data file.
  void SetControlFile(std::string name);
  std::string controlFile();

  // Test seam: called after each step of a multi-file commit with the step
  // number (2, 3, 4, 5), and with 30 + n after phase 1 of the n-th file.
  using StepHook = void (*)(int step);
  static void SetStepHook(StepHook hook);

 private:
  Outcome CommitOne();
  Outcome CommitMany(const std::vector<std::shared_ptr<PhysicalFile>>& changed);
  void EndAll();
  void DiscardAll();

  std::recursive_mutex mutex_;
  std::vector<std::shared_ptr<PhysicalFile>> files_;
  std::string control_file_;
  std::vector<std::string> defaults_;
};

}  // namespace kestrel
