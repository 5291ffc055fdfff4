// The follow-up synchronisation that the "Contenidos" button runs after the
// contents maintenance: every student of the selected subject's course gets
// one QVSEGUIR record per content of the subject, and follow-up records
// whose content no longer exists (removed, or its text or its learning memo
// changed) are deleted, whatever their subject; then QVSEGUIR is packed
// when records were deleted.
//
//   Access_QVMATERIAS holds the subject (QVM:NRO_REGISTRO, QVM:COD_CURSO).
//   New records are made content by content (QVAPRENDE in record order) and,
//   for each content, student by student (by name, as QVA:CLAVE_ALFA reads):
//   numbered by QVG:CLAVE_PRIMARIA, filled from the content and the
//   student, with every other field blank (QVG:LOGRADO, QVG:PENDIENTE,
//   QVG:VALORACION_FINAL, QVG:ENPROCESO, QVG:PPI, memo QVG:OBSPPI).
//   A student already has a content when a follow-up record of the subject
//   carries their file number, the content's text and its memo text
//   (trailing blanks ignored). Two contents alike in text and memo share
//   one record per student.
//
// Cost: one pass over QVAPRENDE and one over QVSEGUIR (the removal covers
// every subject), plus the subject's students and follow-up records read
// through their keys; nothing is read once per student and content. The
// records of one content are committed together (in one transaction);
// QVSEGUIR is packed only when records were deleted.
//
// A file that cannot be opened is reported by its manager and nothing is
// done. Reads and inserts go through the file managers, which report
// their failures; the work goes on with the next record. Deletes, the pack
// and the streaming are issued to the record files and only counted.
// The record buffers of QVALUAP, QVAPRENDE and QVSEGUIR are restored.
#pragma once

#include <cstdint>

namespace app {

struct SyncFollowUpResult {
  bool filesOpened = false;  // QVAPRENDE, QVALUAP and QVSEGUIR; else nothing was done
  int64_t created = 0;
  int64_t deleted = 0;
  int64_t insertFailures = 0;  // reported; made at the next run
  int64_t deleteFailures = 0;  // left for the next run
  bool packed = false;         // only after deletions
};

SyncFollowUpResult SyncFollowUp();

}  // namespace app
