// Opening and creating files, declarations, the errors the framework
// tests for, properties, and where the drivers differ.
#include "contract_fixture.h"
#include "runtime/core/file_ops.h"
#include "runtime/core/file_properties.h"

namespace contract {
namespace {

TEST_P(Contract, OpenCreateAndDeclarationErrors) {
  {
    rt::FileControlBlock missing(StudentDecl("never_made"));
    EXPECT_EQ(rt::Open(missing), rt::Error_FileNotFound);
    EXPECT_FALSE(missing.open);
    EXPECT_EQ(rt::Next(missing), rt::Error_FileNotOpen);
  }
  {
    rt::FileDeclBuilder b = Builder("NOCREATE", "N", "nocreate");
    b.Attributes(rt::kFileThreaded).Long("N:ID");
    rt::FileControlBlock f(b.Build());
    EXPECT_EQ(rt::Create(f), rt::Error_NoCreateAttribute);
  }
  auto f = Students();
  AddRow(*f, 1, "Ana");
  ASSERT_EQ(rt::Close(*f), 0);
  {
    rt::FileDeclBuilder b = Builder("STUDENTS", "S", "students");
    b.Long("S:ID").String("S:NAME", 21).String("S:CODE", 6).Decimal("S:GRADE", 3, 2).Memo("S:NOTE", 100);
    b.Key("S:K_ID", rt::kKeyPrimary, {"S:ID"});
    rt::FileControlBlock other(b.Build());
    EXPECT_EQ(rt::Open(other), rt::Error_InvalidRecordDeclaration);
  }
  {
    rt::FileControlBlock f2(StudentDecl());
    EXPECT_EQ(rt::Open(f2, rt::kAccessWrite | rt::kShareDenyNone), rt::Error_AccessDenied);
    ASSERT_EQ(rt::Open(f2, rt::kAccessRead | rt::kShareDenyNone), 0);
    SetRow(f2, 2, "Bob");
    EXPECT_EQ(rt::Add(f2), rt::Error_AccessDenied);
    SetRow(f2, 1, "");
    ASSERT_EQ(rt::Get(f2, kId), 0);
    EXPECT_EQ(Name(f2), "Ana");
  }
  // Creating again starts the table afresh.
  auto again = Students();
  EXPECT_EQ(rt::Records(*again), 0);
}

TEST_P(Contract, ABlockWithoutFieldsTakesTheStoredLayout) {
  auto f = Students();
  AddRow(*f, 7, "Seven", "S7", "1.5", "memo");
  rt::FileControlBlock bare(Builder("STUDENTS", "S", "students").Build());
  ASSERT_EQ(rt::Share(bare), 0) << rt::FileError();
  ASSERT_EQ(bare.decl().fields.size(), 4u);
  ASSERT_EQ(bare.decl().keys.size(), 4u);
  EXPECT_EQ(bare.decl().keys[kGrade].components[0].descending, true);
  ASSERT_EQ(rt::SetKey(bare, kCode), 0);
  ASSERT_EQ(rt::Next(bare), 0);
  EXPECT_EQ(Id(bare), 7);
  EXPECT_EQ(rt::getMemo(bare, 0).value_or(""), "memo");
}

TEST_P(Contract, PropertiesTheFrameworkReads) {
  auto f = Students();
  AddRow(*f, 1, "Ana", "A");
  AddRow(*f, 2, "Bob");
  EXPECT_EQ(rt::GetProperty(*f, rt::FileProp_SqlDriver), "0");
  EXPECT_EQ(rt::GetProperty(*f, rt::FileProp_Records), "2");
  EXPECT_EQ(rt::SetProperty(*f, rt::FileProp_MultiRecordRead, "12"), 0);
  EXPECT_EQ(rt::GetProperty(*f, rt::FileProp_MultiRecordRead), "12");
  EXPECT_EQ(rt::SetProperty(*f, rt::FileProp_MultiRecordRead, "many"), rt::Error_UnsupportedFileDriverFunction);
  EXPECT_EQ(rt::SetProperty(*f, rt::FileProp_Records, "5"), rt::Error_UnsupportedFileDriverFunction);
  EXPECT_EQ(rt::GetProperty(*f, 12345), "");
  EXPECT_EQ(rt::ERRORCODE(), rt::Error_UnsupportedFileDriverFunction);

  const struct {
    int key;
    int property;
    const char* value;
  } keys[] = {{kGrade, rt::KeyProp_Label, "S:K_GRADE"},
              {kGrade, rt::KeyProp_Components, "-S:GRADE,+S:NAME"},
              {kName, rt::KeyProp_Attributes, "5"},
              {kCode, rt::KeyProp_Entries, "1"},
              {kCode, rt::KeyProp_Complete, "1"}};
  for (const auto& k : keys) {
    SCOPED_TRACE(k.property);
    rt::DriverArgs args;
    args.key = k.key;
    args.property = k.property;
    ASSERT_EQ(rt::callFile(*f, rt::Op_GETPROPERTYkey, args), 0);
    EXPECT_EQ(args.result, k.value);
  }
  rt::DriverArgs query;
  query.key = kName;
  ASSERT_EQ(rt::callFile(*f, rt::Op_QUERY_KEY, query), 0);
  EXPECT_EQ(query.value, 1);
  EXPECT_FALSE(rt::Name(*f).empty());
}

// Where the drivers differ, and the framework does not depend on it.
TEST_P(Contract, DifferencesBetweenTheDrivers) {
  auto f = Students();
  AddRow(*f, 1, "Ana");
  // Append: Kestrel adds the record without key entries until the keys are
  // built again (a duplicate shows only then); PostgreSQL keeps every key
  // with every write, so Append is Add.
  SetRow(*f, 2, "Bob");
  ASSERT_EQ(rt::Append(*f), 0);
  SetRow(*f, 2, "");
  EXPECT_EQ(rt::Get(*f, kId), postgres() ? 0 : rt::Error_RecordNotFound);
  SetRow(*f, 1, "Ana again");
  EXPECT_EQ(rt::Append(*f), postgres() ? rt::Error_CreatesDuplicateKey : 0);
  EXPECT_EQ(rt::Build(*f), postgres() ? 0 : rt::Error_CreatesDuplicateKey);

  // Run-time indexes, copies and byte counts are Kestrel's only.
  rt::FileDeclBuilder b = Builder("RUNS", "R", "runs");
  b.Long("R:ID").String("R:NAME", 10);
  b.Key("R:K_ID", rt::kKeyPrimary, {"R:ID"});
  b.Key("R:K_RUN", rt::kKeyDynamic | rt::kKeyDuplicates, {"R:ID"});
  rt::FileControlBlock runs(b.Build());
  ASSERT_EQ(rt::Create(runs), 0);
  const int32_t unsupported = rt::Error_UnsupportedFileDriverFunction;
  EXPECT_EQ(rt::BuildDynamic(runs, 1, "-R:NAME"), postgres() ? unsupported : 0);
  rt::Bytes(runs);
  EXPECT_EQ(rt::ERRORCODE(), postgres() ? unsupported : 0);
}

}  // namespace
}  // namespace contract
