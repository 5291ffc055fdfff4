#include "app/gradebook/grade_history.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <system_error>

#include "app/dictionary/file_decls.h"
#include "app/gradebook/grade_book_record.h"
#include "app/graderules/grade_rules.h"
#include "runtime/core/error_codes.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/std_date.h"
#include "runtime/core/std_time.h"
#include "runtime/core/trim.h"
#include "runtime/kestrel/driver/kestrel_driver.h"

namespace app {

namespace {

// The history's fields, looked up once.
struct Fields {
  int subject, student, field, before, after, final_grade, status, dni, program, date, time;

  Fields() {
    const rt::FileDecl& d = *QVHISTORIADecl();
    subject = d.findField("QVH:COD_MATERIA");
    student = d.findField("QVH:NRO_LEGAJO");
    field = d.findField("QVH:CAMPO");
    before = d.findField("QVH:ANTERIOR");
    after = d.findField("QVH:NUEVO");
    final_grade = d.findField("QVH:FINAL");
    status = d.findField("QVH:ETADO");
    dni = d.findField("QVH:DNI_DOCENTE");
    program = d.findField("QVH:PROGRAMA");
    date = d.findField("QVH:FECHA");
    time = d.findField("QVH:HORA");
  }
};

const Fields& HistoryFields() {
  static const Fields fields;
  return fields;
}

std::string InFolder(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : (std::filesystem::path(folder) / name).string();
}

std::int32_t FileSystemFailure(const std::string& path, const std::error_code& ec) {
  rt::postFileError(path, ec.message());
  rt::postError(rt::Error_FileSystemError);
  return rt::Error_FileSystemError;
}

}  // namespace

GradeHistory::GradeHistory(std::string folder)
    : folder_(std::move(folder)), block_(std::make_unique<rt::FileControlBlock>(QVHISTORIADecl())) {
  kestrel::RegisterKestrelDriver();
  block_->name = path();
}

GradeHistory::~GradeHistory() { Close(); }

std::string GradeHistory::path() const { return InFolder(folder_, kFileName); }

bool GradeHistory::Exists() const {
  std::error_code ec;
  return std::filesystem::is_regular_file(path(), ec);
}

bool GradeHistory::IsOpen() const { return block_->open; }

void GradeHistory::Close() {
  if (block_->open) rt::Close(*block_);
}

std::int32_t GradeHistory::CreateInPlace() {
  // Made complete under a name no other process uses, then linked to the
  // real name, which fails rather than replace a history another process
  // has just made (and may already be writing).
  static std::atomic<unsigned> serial{0};
  const std::string temp = InFolder(folder_, ".QVHISTORIA-" + std::to_string(::getpid()) + "-" +
                                                 std::to_string(serial++) + ".KRL");
  rt::FileControlBlock scratch(QVHISTORIADecl());
  scratch.name = temp;
  std::int32_t rc = rt::Create(scratch);
  rt::Close(scratch);
  std::error_code ec;
  if (rc == 0) {
    std::filesystem::create_hard_link(temp, path(), ec);
    if (!ec) created_ = true;
    if (ec == std::errc::file_exists) ec.clear();
  }
  std::error_code ignored;
  std::filesystem::remove(temp, ignored);
  if (rc != 0) return rc;
  return ec ? FileSystemFailure(path(), ec) : 0;
}

std::int32_t GradeHistory::Open() {
  created_ = false;
  if (block_->open) return 0;
  if (!Exists()) {
    if (const std::int32_t rc = CreateInPlace(); rc != 0) return rc;
  }
  return rt::Open(*block_, rt::kAccessReadWrite | rt::kShareDenyNone);
}

std::int32_t GradeHistory::OpenForReading() {
  if (block_->open) return 0;
  if (!Exists()) {
    rt::postFileError(path());
    rt::postError(rt::Error_FileNotFound);
    return rt::Error_FileNotFound;
  }
  return rt::Open(*block_, rt::kAccessRead | rt::kShareDenyNone);
}

std::int32_t GradeHistory::Append(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after,
                                  const GradeAuthor& author, std::int32_t date, std::int32_t time) {
  appended_ = 0;
  const std::vector<GradeFieldChange> changes = GradeFieldChanges(before, after);
  if (changes.empty()) return 0;
  GradeBookRecord row(after);
  ApplyGradeRules(row.Row());

  GradeHistoryEntry e{.subject = row.subject(), .student = row.student(), .field = {}, .before = {}, .after = {},
                      .final_grade = row.final_grade(), .status = row.status(), .dni = author.dni,
                      .program = author.program, .date = date, .time = time};
  for (const GradeFieldChange& c : changes) {
    e.field = c.field;
    e.before = c.before;
    e.after = c.after;
    if (const std::int32_t rc = Add(e); rc != 0) return rc;
    ++appended_;
  }
  return 0;
}

std::int32_t GradeHistory::Add(const GradeHistoryEntry& e) {
  const Fields& f = HistoryFields();
  rt::FileControlBlock& h = *block_;
  h.clearBuffers();
  rt::setInteger(h, f.subject, e.subject);
  rt::setInteger(h, f.student, e.student);
  rt::setText(h, f.field, e.field);
  rt::setText(h, f.before, e.before);
  rt::setText(h, f.after, e.after);
  rt::setDecimal(h, f.final_grade, e.final_grade);
  rt::setText(h, f.status, e.status);
  rt::setInteger(h, f.dni, e.dni);
  rt::setText(h, f.program, e.program);
  rt::setDate(h, f.date, e.date);
  rt::setInteger(h, f.time, e.time);
  return rt::Add(h);
}

std::int32_t GradeHistory::Read(std::int32_t subject, std::int32_t student,
                                std::vector<GradeHistoryEntry>* entries) {
  const Fields& f = HistoryFields();
  rt::FileControlBlock& h = *block_;
  auto text = [&h](int field) {
    return std::string(rt::trimRight(rt::getText(h, field).value_or("")));
  };
  auto integer = [&h](int field) { return static_cast<std::int32_t>(rt::getInteger(h, field).value_or(0)); };
  std::int32_t rc = rt::SetFile(h);
  while (rc == 0 && (rc = rt::Next(h)) == 0) {
    if (integer(f.subject) != subject || (student != 0 && integer(f.student) != student)) continue;
    GradeHistoryEntry& e = entries->emplace_back();
    e.subject = subject;
    e.student = integer(f.student);
    e.field = text(f.field);
    e.before = text(f.before);
    e.after = text(f.after);
    e.final_grade = rt::getDecimal(h, f.final_grade).value_or(rt::Decimal::Invalid());
    e.status = text(f.status);
    e.dni = integer(f.dni);
    e.program = text(f.program);
    e.date = rt::getDate(h, f.date).value_or(0);
    e.time = integer(f.time);
  }
  return rc == rt::Error_RecordNotAvailable ? 0 : rc;
}

std::int32_t GradeHistory::Append(std::span<const std::uint8_t> before, std::span<const std::uint8_t> after,
                                  const GradeAuthor& author) {
  return Append(before, after, author, rt::Today(), rt::Clock());
}

}  // namespace app
