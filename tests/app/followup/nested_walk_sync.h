// The reference the "Contenidos" synchronisation is checked and measured
// against: its two passes written as plainly as they read, nested walks
// over whole files. Needs the dictionary's files set up and the subject
// and course in the buffers, as the synchronisation does.
#pragma once

#include <cstdint>
#include <string>

#include "app/dictionary/globals.h"
#include "app/followup/sync_follow_up.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"

namespace app::testing {

inline std::string Trim(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

namespace nested_walk {
inline void Set(rt::FileControlBlock& f, const char* label, int64_t v) { rt::setInteger(f, f.decl().findField(label), v); }
inline void Set(rt::FileControlBlock& f, const char* label, const std::string& v) {
  rt::setText(f, f.decl().findField(label), v);
}
inline void SetMemo(rt::FileControlBlock& f, const char* label, const std::string& v) {
  rt::setMemo(f, f.decl().findMemo(label), v);
}
}  // namespace nested_walk

// The reference: both passes as nested walks over whole files, each
// search stopping at its first match. A new record is the buffer the
// search left, numbered by Insert and then filled and written by Update;
// only the three fields the program never sets are blanked first, which
// is the one change the real synchronisation makes to the result.
inline SyncFollowUpResult NestedWalkSync() {
  SyncFollowUpResult r;
  fw::FileManager* ap = Access_QVAPRENDE;
  fw::FileManager* al = Access_QVALUAP;
  fw::FileManager* sg = Access_QVSEGUIR;
  fw::FileManager* ma = Access_QVMATERIAS;
  for (fw::RelationManager* m : {Relate_QVAPRENDE, Relate_QVALUAP, Relate_QVSEGUIR, Relate_QVMATERIAS}) m->Open();
  for (fw::FileManager* m : {ap, al, sg, ma}) rt::Stream(m->Block());
  rt::FileControlBlock &P = ap->Block(), &A = al->Block(), &G = sg->Block(), &M = ma->Block();
  auto num = [](rt::FileControlBlock& f, const char* l) {
    return rt::getInteger(f, f.decl().findField(l)).value_or(0);
  };
  auto text = [](rt::FileControlBlock& f, const char* l) {
    return Trim(rt::getText(f, f.decl().findField(l)).value_or(""));
  };
  auto memo = [](rt::FileControlBlock& f, const char* l) {
    return Trim(rt::getMemo(f, f.decl().findMemo(l)).value_or(""));
  };
  const int64_t subject = num(M, "QVM:NRO_REGISTRO"), course = num(M, "QVM:COD_CURSO");

  rt::SetFile(P);
  while (ap->Next() == fw::Level::Benign) {
    if (num(P, "QVAP:COD_MATERIA") != subject) continue;
    rt::SetKey(A, A.decl().findKey("QVA:CLAVE_ALFA"));
    while (al->Next() == fw::Level::Benign) {
      if (num(A, "QVA:COD_CURSO") != course) continue;
      bool found = false;
      rt::SetFile(G);
      while (!found && sg->Next() == fw::Level::Benign) {
        found = num(G, "QVG:NRO_LEGAJO") == num(A, "QVA:LEGAJO") && num(G, "QVG:COD_MATERIA") == subject &&
                text(G, "QVG:CONTENIDO_PRIORIZADO") == text(P, "QVAP:CONTENIDO_PRIORIZADO") &&
                memo(G, "QVG:APRENDIZAJE_TRABAJO") == memo(P, "QVAP:APRENDIZAJE_TRABAJO");
      }
      if (found) continue;
      nested_walk::Set(G, "QVG:ENPROCESO", std::string());
      nested_walk::Set(G, "QVG:PPI", std::string());
      nested_walk::SetMemo(G, "QVG:OBSPPI", "");
      if (sg->Insert() != fw::Level::Benign) {
        ++r.insertFailures;
        continue;
      }
      const int64_t registro = num(P, "QVAP:NRO_REGISTRO");
      nested_walk::Set(G, "QVG:NRO_LEGAJO", num(A, "QVA:LEGAJO"));
      nested_walk::Set(G, "QVG:COD_MATERIA", num(P, "QVAP:COD_MATERIA"));
      nested_walk::Set(G, "QVG:NRO_ORDEN", int16_t(registro & 0xFFFF));
      nested_walk::Set(G, "QVG:ALUMNO", text(A, "QVA:APELLIDO_NOMBRE"));
      nested_walk::Set(G, "QVG:MATERIAS", text(P, "QVAP:MATERIAS"));
      nested_walk::Set(G, "QVG:CONTENIDO_PRIORIZADO", text(P, "QVAP:CONTENIDO_PRIORIZADO"));
      nested_walk::SetMemo(G, "QVG:APRENDIZAJE_TRABAJO", rt::getMemo(P, P.decl().findMemo("QVAP:APRENDIZAJE_TRABAJO")).value_or(""));
      nested_walk::Set(G, "QVG:LOGRADO", std::string());
      nested_walk::Set(G, "QVG:PENDIENTE", std::string());
      nested_walk::Set(G, "QVG:VALORACION_FINAL", std::string());
      nested_walk::Set(G, "QVG:COD_CURSO", num(P, "QVAP:COD_CURSO"));
      nested_walk::Set(G, "QVG:INGRESO", std::to_string(registro));
      nested_walk::Set(G, "QVG:OPERADOR", text(P, "QVAP:DOCENTE").substr(0, 20));
      nested_walk::Set(G, "QVG:DOCENTE", text(P, "QVAP:DOCENTE"));
      nested_walk::Set(G, "QVG:COD_DOCENTE", num(P, "QVAP:COD_DOCENTE"));
      if (sg->Update() == fw::Level::Benign) ++r.created;
    }
  }

  rt::SetFile(G);
  while (sg->Next() == fw::Level::Benign) {
    int32_t huerfano = 1;
    rt::SetFile(P);
    while (ap->Next() == fw::Level::Benign) {
      if (num(P, "QVAP:COD_MATERIA") == num(G, "QVG:COD_MATERIA") &&
          text(P, "QVAP:CONTENIDO_PRIORIZADO") == text(G, "QVG:CONTENIDO_PRIORIZADO") &&
          memo(P, "QVAP:APRENDIZAJE_TRABAJO") == memo(G, "QVG:APRENDIZAJE_TRABAJO"))
        huerfano = 0;
    }
    if (huerfano == 1 && rt::Delete(G) == 0) ++r.deleted;
  }
  r.packed = rt::Pack(G) == 0;
  for (fw::FileManager* m : {ap, al, sg, ma}) rt::Flush(m->Block());
  for (fw::RelationManager* m : {Relate_QVMATERIAS, Relate_QVSEGUIR, Relate_QVALUAP, Relate_QVAPRENDE}) m->Close();
  r.filesOpened = true;
  return r;
}

}  // namespace app::testing
