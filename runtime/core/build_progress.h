// Progress of key builds on files with the progress attribute (kFileProgress).
//
// On such a file a build request (BUILDfile, BUILDkey, BUILDdyn,
// BUILDdynfilter) is only noted by the driver, which answers with `value`
// kBuildNoted. The runtime then performs it with BUILDevent (84), giving the
// driver a callback that reaches the calling thread's receiver:
//
//   BuildStage_File  576  a whole-file build begins; total = keys to build
//   BuildStage_Key   577  a key's build begins (done 0), then after every
//                         hundredth of its work: done of total steps, one
//                         step per record read and one per entry written
//   BuildStage_Done  578  the build has ended; error = its outcome (0, 40, 93 ...)
//
// The stage numbers are the window engine's EVENT:BuildFile, EVENT:BuildKey
// and EVENT:BuildDone, so that a receiver can post them to a window as they
// are. A receiver answering false to a File or Key notice cancels the build:
// the driver stops, the file keeps the keys it had before the build, and the
// build ends with 93 ("Build Cancelled"). What it answers to Done is ignored.
#pragma once

#include <cstdint>

namespace rt {

class FileControlBlock;

enum BuildStage : int32_t {
  BuildStage_File = 576,
  BuildStage_Key = 577,
  BuildStage_Done = 578,
};

// What a driver answers in DriverArgs::value to a build it only noted.
inline constexpr int64_t kBuildNoted = 1;

struct BuildProgress {
  int32_t stage = BuildStage_Key;
  int32_t key = -1;     // the key being built (0-based); -1 for the file as a whole
  uint64_t done = 0;    // steps done (File: keys built so far)
  uint64_t total = 0;   // steps of the key, at least `done` (File: keys to build)
  int32_t error = 0;    // Done: the build's error code
};

class BuildProgressReceiver {
 public:
  virtual ~BuildProgressReceiver() = default;
  // False cancels the build (File and Key notices).
  virtual bool buildProgress(FileControlBlock& file, const BuildProgress& progress) = 0;
};

// The calling thread's receiver; nullptr (the default) lets every build run
// to its end unseen. Returns the receiver installed before.
BuildProgressReceiver* setBuildProgressReceiver(BuildProgressReceiver* receiver);
BuildProgressReceiver* buildProgressReceiver();

}  // namespace rt
