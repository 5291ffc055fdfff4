// The RelationManager of a file: procedures open and close the file through
// it (which opens and closes its related files too), and forms change and
// delete records through it, which applies each relation's
// referential-integrity rule to the related records and frames the whole
// change in a transaction, so that a failure anywhere leaves no file
// changed.
//
//   class Relate_ORDERS : public fw::RelationManager {
//     void DeferedAddRelations() override {
//       AddRelation(&Relate_LINES, kRiCascade, kRiCascade, /*hisKey=*/0,
//                   {{"ORD:ID", "LIN:ORDER"}});
//     }
//   };
//   rel.Init(&Access_ORDERS, 1);
//   rel.Open(0); ... rel.Save(); edit; rel.Update(1); ... rel.Close(0);
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/data/buffered_pairs.h"
#include "framework/data/file_manager.h"
#include "framework/data/level.h"

namespace fw {

// Referential-integrity actions.
inline constexpr uint8_t kRiNone = 0;
inline constexpr uint8_t kRiClear = 1;
inline constexpr uint8_t kRiRestrict = 2;
inline constexpr uint8_t kRiCascade = 3;

class RelationManager {
 public:
  struct Relation {
    RelationManager* File = nullptr;        // the related file's manager
    std::unique_ptr<BufferedPairsClass> Fields;  // Left: this file, Right: the related file
    int HisKey = -1;                        // key of the related file, -1 for none
    uint8_t UpdateMode = kRiNone;
    uint8_t DeleteMode = kRiNone;
    uint8_t Opened = 0;
  };

  RelationManager() = default;
  virtual ~RelationManager() = default;
  RelationManager(const RelationManager&) = delete;
  RelationManager& operator=(const RelationManager&) = delete;

  void Init(FileManager* fileManager, bool useLogout);
  virtual void Kill();

  // Appends the file's relations (base: none); DeferedRelations runs it once.
  virtual void DeferedAddRelations() {}
  void DeferedRelations();
  // One relation, with its linking fields as (this file's label, related
  // file's label) pairs. A relation with update or delete rules needs
  // `hisKey`, whose leading components are the related linking fields.
  Relation& AddRelation(RelationManager* related, uint8_t updateMode, uint8_t deleteMode, int hisKey,
                        std::initializer_list<std::pair<std::string_view, std::string_view>> links = {});

  virtual Level Open(bool nested = false);
  Level ForceOpen(bool nested = false);
  virtual Level Close(bool nested = false);
  virtual void Save();
  virtual Level Update(bool fromForm = false);
  virtual Level Delete(bool askFirst = true);
  virtual Level CancelAutoInc();
  virtual void SetQuickScan(bool on, uint8_t propagate = 0);

  virtual Level UpdateSecondary(int hisKey, BufferedPairsClass& pairs, uint8_t mode);
  virtual Level DeleteSecondary(int hisKey, BufferedPairsClass& pairs, uint8_t mode, bool askFlag);
  Level CascadeUpdates();
  Level LogoutPrime();
  Level LogoutUpdate();
  Level LogoutDelete();

  FileManager* Me = nullptr;
  std::unique_ptr<std::vector<Relation>> Relations;
  RelationManager* AliasFile = nullptr;
  bool PrevUseLogout = false;
  bool UseLogout = false;
  uint8_t LogoutTimeout = 2;
  uint32_t LastTouched = 0;
  bool ForcingOpen = false;
  bool DeferedRelationsDone = false;

 protected:
  Level OpenCloseServer(bool nested, bool opening);

 private:
  // Begins the transaction over the enlisted files; Throw(Msg_TransactionCancelled) on failure.
  Level BeginTransaction();
  // Opens the file with its relations and, with UseLogout, enlists the files
  // the operation writes (through `logout`) and begins the transaction.
  // On failure everything is closed again and the level returned.
  Level OpenFramed(Level (RelationManager::*logout)());
  void Rollback();
  // One try of Delete: the cascade and the record, in one transaction.
  Level DeleteAttempt(bool* mayRetry);
  // Commits when a transaction runs; a failure is a programming error.
  void Commit();
  // Un-enlists what this thread enlisted for a transaction that did not begin.
  static void DropEnlisted();
  // Positions of the related records that belong to the parent whose
  // linking values are in `pairs` (remembered: buffers; current: left).
  Level CollectChildren(int hisKey, BufferedPairsClass& pairs, bool remembered,
                        std::vector<std::string>* positions);
};

// The calling thread's traversal counter of cascading opens, closes and
// quick-scan switches.
uint32_t& TraversalCounter();

}  // namespace fw
