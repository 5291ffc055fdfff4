#include "app/followup/sync_follow_up.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "app/dictionary/globals.h"
#include "framework/data/message_ids.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/file_transaction.h"
#include "runtime/core/trim.h"

namespace app {

namespace {

// How long a transaction waits for another station's lock, as the
// relation managers' transactions do.
constexpr int32_t kTransactionSeconds = 2;

// Field and memo numbers of a file, looked up once by label.
int Field(rt::FileControlBlock& f, std::string_view label) { return f.decl().findField(label); }
int Memo(rt::FileControlBlock& f, std::string_view label) { return f.decl().findMemo(label); }
int Key(rt::FileControlBlock& f, std::string_view label) { return f.decl().findKey(label); }

int64_t Int(const rt::FileControlBlock& f, int field) { return rt::getInteger(f, field).value_or(0); }
std::string Text(const rt::FileControlBlock& f, int field) {
  return std::string(rt::trimRight(rt::getText(f, field).value_or("")));
}
std::string MemoText(const rt::FileControlBlock& f, int memo) {
  return std::string(rt::trimRight(rt::getMemo(f, memo).value_or("")));
}

// What identifies a content: its subject (or, for a student's follow-up,
// the student's file number), its text and its memo text.
struct ContentKey {
  int64_t owner;
  std::string text;
  std::string memo;
  bool operator==(const ContentKey&) const = default;
};
struct ContentKeyHash {
  size_t operator()(const ContentKey& k) const {
    size_t h = std::hash<int64_t>()(k.owner);
    h ^= std::hash<std::string>()(k.text) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    h ^= std::hash<std::string>()(k.memo) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
    return h;
  }
};
using ContentSet = std::unordered_set<ContentKey, ContentKeyHash>;

struct Content {
  int32_t registro;
  int32_t materia;
  int32_t curso;
  int32_t codDocente;
  std::string materias;
  std::string text;
  std::string memo;     // trailing blanks removed, for comparing
  std::string rawMemo;  // as stored, for copying
  std::string docente;
};

struct Student {
  int32_t legajo;
  std::string name;
};

// Saves a file's record buffer and restores it when the work is done.
class KeptBuffer {
 public:
  explicit KeptBuffer(fw::FileManager* m) : m_(m), handle_(m->SaveBuffer()) {}
  ~KeptBuffer() { m_->RestoreBuffer(handle_, true); }
  KeptBuffer(const KeptBuffer&) = delete;
  KeptBuffer& operator=(const KeptBuffer&) = delete;

 private:
  fw::FileManager* m_;
  uint16_t handle_;
};

// Every content of the school in record order: the keys that keep a
// follow-up record alive, and the subject's own contents in full.
void ReadContents(int32_t subject, ContentSet* all, std::vector<Content>* ofSubject) {
  fw::FileManager* m = Access_QVAPRENDE;
  rt::FileControlBlock& f = m->Block();
  const int registro = Field(f, "QVAP:NRO_REGISTRO"), materia = Field(f, "QVAP:COD_MATERIA"),
            curso = Field(f, "QVAP:COD_CURSO"), codDocente = Field(f, "QVAP:COD_DOCENTE"),
            materias = Field(f, "QVAP:MATERIAS"), docente = Field(f, "QVAP:DOCENTE"),
            text = Field(f, "QVAP:CONTENIDO_PRIORIZADO"), memo = Memo(f, "QVAP:APRENDIZAJE_TRABAJO");
  if (m->UseFile(fw::kUseRead) != fw::Level::Benign) return;
  rt::SetFile(f);
  while (m->Next() == fw::Level::Benign) {
    std::string raw = rt::getMemo(f, memo).value_or("");
    std::string trimmed(rt::trimRight(raw));
    Content c{int32_t(Int(f, registro)), int32_t(Int(f, materia)), int32_t(Int(f, curso)),
              int32_t(Int(f, codDocente)), Text(f, materias), Text(f, text), std::move(trimmed),
              std::move(raw), Text(f, docente)};
    all->insert(ContentKey{c.materia, c.text, c.memo});
    if (c.materia == subject) ofSubject->push_back(std::move(c));
  }
}

// The students of `course` in name order, as QVA:CLAVE_ALFA gives them
// (which leaves out blank names).
std::vector<Student> ReadStudents(int32_t course) {
  std::vector<Student> students;
  fw::FileManager* m = Access_QVALUAP;
  rt::FileControlBlock& f = m->Block();
  const int legajo = Field(f, "QVA:LEGAJO"), name = Field(f, "QVA:APELLIDO_NOMBRE"),
            curso = Field(f, "QVA:COD_CURSO");
  if (m->UseFile(fw::kUseRead) != fw::Level::Benign) return students;
  rt::clearField(f, curso);
  rt::setInteger(f, curso, course);
  rt::clearField(f, name, -1);
  rt::SetKeyKey(f, Key(f, "QVA:CLAVE_TIPO_CURSO_DIVISION"));
  while (m->Next() == fw::Level::Benign && Int(f, curso) == course) {
    std::string n = Text(f, name);
    if (!n.empty()) students.push_back(Student{int32_t(Int(f, legajo)), std::move(n)});
  }
  return students;
}

// The contents each student of the subject already has.
ContentSet ReadFollowUps(int32_t subject) {
  ContentSet have;
  fw::FileManager* m = Access_QVSEGUIR;
  rt::FileControlBlock& f = m->Block();
  const int legajo = Field(f, "QVG:NRO_LEGAJO"), materia = Field(f, "QVG:COD_MATERIA"),
            text = Field(f, "QVG:CONTENIDO_PRIORIZADO"), memo = Memo(f, "QVG:APRENDIZAJE_TRABAJO");
  if (m->UseFile(fw::kUseRead) != fw::Level::Benign) return have;
  if (subject != 0) {
    rt::setInteger(f, materia, subject);
    rt::SetKeyKey(f, Key(f, "QVG:CLAVE_COD_MATERIA"));
  } else {
    rt::SetFile(f);  // subject 0 has no entries in the subject key
  }
  while (m->Next() == fw::Level::Benign) {
    if (Int(f, materia) != subject) {
      if (subject != 0) break;
      continue;
    }
    have.insert(ContentKey{Int(f, legajo), Text(f, text), MemoText(f, memo)});
  }
  return have;
}

bool AddFollowUp(const Content& c, const Student& s) {
  fw::FileManager* m = Access_QVSEGUIR;
  rt::FileControlBlock& f = m->Block();
  // A clean buffer: nothing of the record read last may reach the new one.
  f.clearBuffers(0);
  rt::setInteger(f, Field(f, "QVG:NRO_LEGAJO"), s.legajo);
  rt::setInteger(f, Field(f, "QVG:COD_MATERIA"), c.materia);
  rt::setInteger(f, Field(f, "QVG:NRO_ORDEN"), int16_t(uint16_t(uint32_t(c.registro) & 0xFFFF)));
  rt::setText(f, Field(f, "QVG:ALUMNO"), s.name);
  rt::setText(f, Field(f, "QVG:MATERIAS"), c.materias);
  rt::setText(f, Field(f, "QVG:CONTENIDO_PRIORIZADO"), c.text);
  rt::setMemo(f, Memo(f, "QVG:APRENDIZAJE_TRABAJO"), c.rawMemo);
  rt::setInteger(f, Field(f, "QVG:COD_CURSO"), c.curso);
  rt::setText(f, Field(f, "QVG:INGRESO"), std::to_string(c.registro));
  rt::setText(f, Field(f, "QVG:OPERADOR"), std::string_view(c.docente).substr(0, 20));
  rt::setText(f, Field(f, "QVG:DOCENTE"), c.docente);
  rt::setInteger(f, Field(f, "QVG:COD_DOCENTE"), c.codDocente);
  return m->Insert() == fw::Level::Benign;
}

// Makes the missing records, content by content and, within a content,
// student by student. Each content's records are committed together:
// thousands of single inserts would each commit their pages, whereas one
// commit per content writes each changed page once. When a content's
// commit fails its records are all rolled back (and made at the next run).
void CreateFollowUps(const std::vector<Content>& contents, const std::vector<Student>& students,
                     ContentSet have, SyncFollowUpResult* result) {
  rt::FileControlBlock* followUps = &Access_QVSEGUIR->Block();
  bool framing = true;
  for (const Content& c : contents) {
    std::vector<const Student*> missing;
    for (const Student& s : students)
      if (!have.contains(ContentKey{s.legajo, c.text, c.memo})) missing.push_back(&s);
    if (missing.empty()) continue;
    // Without a transaction (the file locked by another station for longer
    // than the wait) each insert commits on its own; the wait is not
    // repeated for every content.
    const bool framed = framing && rt::Logout(kTransactionSeconds, {followUps}) == 0;
    framing = framed;
    std::vector<ContentKey> made;
    int64_t failed = 0;
    for (const Student* s : missing) {
      ContentKey k{s->legajo, c.text, c.memo};
      if (have.contains(k)) continue;  // a student's file number given twice
      if (AddFollowUp(c, *s)) {
        made.push_back(k);
        have.insert(std::move(k));
      } else {
        ++failed;  // the file manager has said why
      }
    }
    result->insertFailures += failed;
    if (!framed) {
      result->created += int64_t(made.size());
      continue;
    }
    // A failed insert dooms the transaction; a failed commit is told here.
    if (failed == 0) {
      if (rt::Commit() == 0) {
        result->created += int64_t(made.size());
        continue;
      }
      Access_QVSEGUIR->Throw(fw::Msg_RecordInsertError);  // "Record Insert Error" with the commit's error
    } else {
      rt::Rollback();
    }
    result->insertFailures += int64_t(made.size());
    for (const ContentKey& k : made) have.erase(k);
  }
}

// Deletes the follow-up records (of any subject) whose content is gone.
void RemoveOrphans(const ContentSet& contents, SyncFollowUpResult* result) {
  fw::FileManager* m = Access_QVSEGUIR;
  rt::FileControlBlock& f = m->Block();
  const int materia = Field(f, "QVG:COD_MATERIA"), text = Field(f, "QVG:CONTENIDO_PRIORIZADO"),
            memo = Memo(f, "QVG:APRENDIZAJE_TRABAJO");
  if (m->UseFile(fw::kUseRead) != fw::Level::Benign) return;
  std::vector<uint32_t> orphans;
  rt::SetFile(f);
  while (m->Next() == fw::Level::Benign) {
    if (!contents.contains(ContentKey{Int(f, materia), Text(f, text), MemoText(f, memo)}))
      orphans.push_back(rt::Pointer(f));
  }
  for (uint32_t id : orphans) {
    if (rt::GetById(f, id) == 0 && rt::Delete(f) == 0)
      ++result->deleted;
    else
      ++result->deleteFailures;
  }
}

}  // namespace

SyncFollowUpResult SyncFollowUp() {
  SyncFollowUpResult result;
  if (!Access_QVMATERIAS || !Access_QVAPRENDE || !Access_QVALUAP || !Access_QVSEGUIR) return result;
  rt::FileControlBlock& materias = Access_QVMATERIAS->Block();
  const int32_t subject = int32_t(Int(materias, Field(materias, "QVM:NRO_REGISTRO")));
  const int32_t course = int32_t(Int(materias, Field(materias, "QVM:COD_CURSO")));

  fw::RelationManager* const relations[] = {Relate_QVAPRENDE, Relate_QVALUAP, Relate_QVSEGUIR,
                                            Relate_QVMATERIAS};
  fw::FileManager* const files[] = {Access_QVAPRENDE, Access_QVALUAP, Access_QVSEGUIR, Access_QVMATERIAS};
  bool opened[4] = {};
  for (int i = 0; i < 4; ++i) opened[i] = relations[i] && relations[i]->Open() == fw::Level::Benign;
  // Without the contents, the students or the follow-up file the passes
  // would create or delete the wrong records; the file manager has said
  // what failed.
  result.filesOpened = opened[0] && opened[1] && opened[2];
  if (result.filesOpened) {
    KeptBuffer keepContent(Access_QVAPRENDE), keepStudent(Access_QVALUAP), keepFollowUp(Access_QVSEGUIR);
    bool streaming[4] = {};
    for (int i = 0; i < 4; ++i)
      streaming[i] = opened[i] && files[i]->UseFile(fw::kUseRead) == fw::Level::Benign &&
                     rt::Stream(files[i]->Block()) == 0;

    ContentSet allContents;
    std::vector<Content> contents;
    ReadContents(subject, &allContents, &contents);
    if (!contents.empty()) CreateFollowUps(contents, ReadStudents(course), ReadFollowUps(subject), &result);
    RemoveOrphans(allContents, &result);
    // Only deletes leave room to give back; a pack rebuilds every key of
    // the whole file, the largest cost of a run that changes nothing.
    if (result.deleted > 0) result.packed = rt::Pack(Access_QVSEGUIR->Block()) == 0;
    for (int i = 0; i < 4; ++i)
      if (streaming[i]) rt::Flush(files[i]->Block());
  }
  for (int i = 3; i >= 0; --i)
    if (opened[i]) relations[i]->Close();
  return result;
}

}  // namespace app
