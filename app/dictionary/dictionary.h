// Bringing the thread's data dictionary up and down.
//
//   DctInit: for QVLIBRETA, QVAPRENDE, QVMATERIAS, QVALUAP, QVSEGUIR in this
//            order, make the file manager and then the relation manager;
//            point each Relate_ reference at its manager; FilesInit.
//   FilesInit: Init of each relation manager in the same order (each
//            initialises its file manager first, which sets Access_).
//   DctKill: in the same order, Kill each relation manager (which kills and
//            frees its file manager), free it and clear Relate_.
#pragma once

namespace app {

void DctInit();
void FilesInit();
void DctKill();

// The thread's dictionary: made when a thread starts (running DctInit on
// any thread but the main one, whose program body calls DctInit itself)
// and destroyed when it ends (running DctKill).
class Dictionary {
 public:
  Dictionary();
  ~Dictionary();
  Dictionary(const Dictionary&) = delete;
  Dictionary& operator=(const Dictionary&) = delete;
};

// Thread start: the thread's instances of the five files, its error
// status, request and response cleared, its Dictionary. Thread end: the
// Dictionary destroyed, then the thread's file instances closed and
// released. A ThreadObjects on the stack of a thread's function does both.
void ThreadStart();
void ThreadEnd();

class ThreadObjects {
 public:
  ThreadObjects() { ThreadStart(); }
  ~ThreadObjects() { ThreadEnd(); }
  ThreadObjects(const ThreadObjects&) = delete;
  ThreadObjects& operator=(const ThreadObjects&) = delete;
};

}  // namespace app
