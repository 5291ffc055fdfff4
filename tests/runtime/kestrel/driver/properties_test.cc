// File, key and blob properties and the key query, through the runtime's
// file layer.
#include "driver_fixture.h"

#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_decl_builder.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_ops.h"
#include "runtime/core/file_properties.h"
#include "runtime/core/file_records.h"
#include "runtime/kestrel/driver/kestrel_driver.h"

namespace kestrel::testing {
namespace {

class PropertiesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterKestrelDriver();
    rt::FileDeclBuilder b("PUPILS", "P", dir.File("pupils\\!p"));
    b.Long("P:ID").String("P:NAME", 20).Memo("P:NOTE", 50).Memo("P:PHOTO", 0, rt::kMemoBlob | rt::kMemoBinary);
    b.Key("P:K_ID", rt::kKeyPrimary, {"P:ID"});
    b.Key("P:K_NAME", rt::kKeyDuplicates | rt::kKeyNoCase, {"P:NAME", "-P:ID"});
    b.Key("P:K_RUN", rt::kKeyDynamic | rt::kKeyDuplicates, {"P:ID"});
    file = std::make_unique<rt::FileControlBlock>(b.Build());
    ASSERT_EQ(rt::Create(*file), 0);
    for (int i = 1; i <= 3; ++i) {
      rt::setInteger(*file, 0, i);
      rt::setText(*file, 1, "Name");
      ASSERT_EQ(rt::Add(*file), 0);
    }
  }
  void TearDown() override { rt::Close(*file); }

  // Operation `op` on property `property`: (error code, answer).
  std::pair<int32_t, std::string> Call(int32_t op, int32_t property, int key = -1, const std::string& value = "") {
    rt::DriverArgs args;
    args.property = property;
    args.key = key;
    args.text = value;
    const int32_t rc = rt::callFile(*file, op, args);
    return {rc, args.result};
  }
  std::pair<int32_t, int64_t> Blob(int32_t op, int memo, int32_t property, int64_t value = 0) {
    rt::DriverArgs args;
    args.memo = memo;
    args.property = property;
    args.value = value;
    const int32_t rc = rt::callFile(*file, op, args);
    return {rc, args.value};
  }

  TempDir dir;
  std::unique_ptr<rt::FileControlBlock> file;
};

constexpr int32_t kUnsupported = rt::Error_UnsupportedFileDriverFunction;

TEST_F(PropertiesTest, FilePropertiesAnswerTheirValues) {
  const std::string size = std::to_string(rt::Bytes(*file));
  struct Case {
    int32_t property;
    std::string value;
  } gets[] = {
      {rt::FileProp_SqlDriver, "0"},   {rt::FileProp_FileSize, size},  {rt::FileProp_MultiRecordRead, "0"},
      {rt::FileProp_DecimalCheck, "ON"}, {rt::FileProp_FullBuild, "OFF"}, {rt::FileProp_Flags, "0"},
      {rt::FileProp_TableName, "P"},   {rt::FileProp_Records, "3"},
  };
  for (const Case& c : gets) {
    SCOPED_TRACE(c.property);
    EXPECT_EQ(Call(rt::Op_GET_PROPERTY, c.property), std::make_pair(0, c.value));
  }
}

TEST_F(PropertiesTest, SettableFilePropertiesKeepWhatWasSet) {
  struct Case {
    int32_t property;
    std::string value, read_back;
  } sets[] = {
      {rt::FileProp_MultiRecordRead, " 20 ", "20"},
      {rt::FileProp_DecimalCheck, "off", "OFF"},
      {rt::FileProp_FullBuild, "ON", "ON"},
      {rt::FileProp_Flags, "77", "77"},
  };
  for (const Case& c : sets) {
    SCOPED_TRACE(c.property);
    EXPECT_EQ(Call(rt::Op_SET_PROPERTY, c.property, -1, c.value).first, 0);
    EXPECT_EQ(Call(rt::Op_GET_PROPERTY, c.property).second, c.read_back);
  }
  // The flags are the table's, stored in the file: another block sees them.
  rt::Close(*file);
  ASSERT_EQ(rt::Share(*file), 0);
  EXPECT_EQ(Call(rt::Op_GET_PROPERTY, rt::FileProp_Flags).second, "77");
  EXPECT_EQ(rt::Send(*file, "FLAGS"), "77");
}

TEST_F(PropertiesTest, RefusedFilePropertyRequests) {
  struct Case {
    int32_t op, property;
    std::string value;
  } refused[] = {
      {rt::Op_GET_PROPERTY, 12345, ""},
      {rt::Op_SET_PROPERTY, 12345, "1"},
      {rt::Op_SET_PROPERTY, rt::FileProp_SqlDriver, "1"},
      {rt::Op_SET_PROPERTY, rt::FileProp_FileSize, "1"},
      {rt::Op_SET_PROPERTY, rt::FileProp_TableName, "X"},
      {rt::Op_SET_PROPERTY, rt::FileProp_Records, "9"},
      {rt::Op_SET_PROPERTY, rt::FileProp_MultiRecordRead, "ten"},
      {rt::Op_SET_PROPERTY, rt::FileProp_MultiRecordRead, "-1"},
      {rt::Op_SET_PROPERTY, rt::FileProp_DecimalCheck, "maybe"},
      {rt::Op_SET_PROPERTY, rt::FileProp_Flags, "x1"},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(std::to_string(c.op) + " " + std::to_string(c.property) + " " + c.value);
    EXPECT_EQ(Call(c.op, c.property, -1, c.value).first, kUnsupported);
    EXPECT_EQ(rt::ERRORCODE(), kUnsupported);
  }
  // Nothing was changed by the refusals.
  EXPECT_EQ(Call(rt::Op_GET_PROPERTY, rt::FileProp_MultiRecordRead).second, "0");
  EXPECT_EQ(Call(rt::Op_GET_PROPERTY, rt::FileProp_DecimalCheck).second, "ON");
  EXPECT_EQ(Call(rt::Op_GET_PROPERTY, rt::FileProp_Flags).second, "0");
  // Properties of the stored table need the file open.
  rt::Close(*file);
  EXPECT_EQ(Call(rt::Op_GET_PROPERTY, rt::FileProp_Records).first, rt::Error_FileNotOpen);
  EXPECT_EQ(Call(rt::Op_GET_PROPERTY, rt::FileProp_FullBuild), std::make_pair(0, std::string("OFF")));
}

TEST_F(PropertiesTest, KeyPropertiesDescribeTheKey) {
  EXPECT_EQ(Call(rt::Op_GETPROPERTYkey, rt::KeyProp_Label, 1).second, "P:K_NAME");
  EXPECT_EQ(Call(rt::Op_GETPROPERTYkey, rt::KeyProp_Components, 1).second, "+P:NAME,-P:ID");
  EXPECT_EQ(Call(rt::Op_GETPROPERTYkey, rt::KeyProp_Attributes, 1).second,
            std::to_string(rt::kKeyDuplicates | rt::kKeyNoCase));
  EXPECT_EQ(Call(rt::Op_GETPROPERTYkey, rt::KeyProp_Entries, 0).second, "3");
  EXPECT_EQ(Call(rt::Op_GETPROPERTYkey, rt::KeyProp_Complete, 0).second, "1");
  // A row appended without entries leaves the declared keys incomplete
  // until they are built.
  rt::setInteger(*file, 0, 4);
  ASSERT_EQ(rt::Append(*file), 0);
  EXPECT_EQ(Call(rt::Op_GETPROPERTYkey, rt::KeyProp_Complete, 0).second, "0");
  ASSERT_EQ(rt::BuildKey(*file, 0), 0);
  EXPECT_EQ(Call(rt::Op_GETPROPERTYkey, rt::KeyProp_Complete, 0).second, "1");
  EXPECT_EQ(Call(rt::Op_GETPROPERTYkey, rt::KeyProp_Entries, 0).second, "4");

  // Key properties are read only; unknown numbers are refused.
  EXPECT_EQ(Call(rt::Op_SETPROPERTYkey, rt::KeyProp_Label, 1, "X").first, kUnsupported);
  EXPECT_EQ(Call(rt::Op_GETPROPERTYkey, 12345, 1).first, kUnsupported);
}

TEST_F(PropertiesTest, KeyQueryTellsWhetherTheKeyCanBeRead) {
  auto query = [&](int key) {
    rt::DriverArgs args;
    args.key = key;
    args.value = -1;
    EXPECT_EQ(rt::callFile(*file, rt::Op_QUERY_KEY, args), 0);
    return args.value;
  };
  EXPECT_EQ(query(0), 1);
  EXPECT_EQ(query(2), 0);  // a run-time index not built yet
  EXPECT_EQ(Call(rt::Op_GETPROPERTYkey, rt::KeyProp_Complete, 2).second, "0");
  ASSERT_EQ(rt::BuildDynamic(*file, 2, "-P:ID"), 0);
  EXPECT_EQ(query(2), 1);
  EXPECT_EQ(Call(rt::Op_GETPROPERTYkey, rt::KeyProp_Entries, 2).second, "3");
}

TEST_F(PropertiesTest, BlobProperties) {
  file->memos[1] = std::string(10, 'x');
  EXPECT_EQ(Blob(rt::Op_BLOB_GET_PROP, 1, rt::BlobProp_Size), std::make_pair(0, int64_t{10}));
  EXPECT_EQ(Blob(rt::Op_BLOB_GET_PROP, 1, rt::BlobProp_Binary).second, 1);
  EXPECT_EQ(Blob(rt::Op_BLOB_GET_PROP, 1, rt::BlobProp_Blob).second, 1);
  EXPECT_EQ(Blob(rt::Op_BLOB_GET_PROP, 0, rt::BlobProp_Blob).second, 0);
  EXPECT_EQ(Blob(rt::Op_BLOB_GET_PROP, 0, rt::BlobProp_DeclaredSize).second, 50);

  // Setting the size cuts or extends the value in the buffer.
  ASSERT_EQ(Blob(rt::Op_BLOB_SET_PROP, 1, rt::BlobProp_Size, 4).first, 0);
  EXPECT_EQ(file->memos[1], "xxxx");
  ASSERT_EQ(Blob(rt::Op_BLOB_SET_PROP, 1, rt::BlobProp_Size, 6).first, 0);
  EXPECT_EQ(file->memos[1], std::string("xxxx\0\0", 6));

  struct Case {
    int memo;
    int32_t property;
    int64_t value;
  } refused[] = {
      {1, rt::BlobProp_Size, -1}, {0, rt::BlobProp_Size, 51}, {1, rt::BlobProp_Binary, 0}, {1, 12345, 0},
  };
  for (const Case& c : refused) {
    SCOPED_TRACE(std::to_string(c.memo) + " " + std::to_string(c.property));
    EXPECT_EQ(Blob(rt::Op_BLOB_SET_PROP, c.memo, c.property, c.value).first, kUnsupported);
  }
  EXPECT_EQ(Blob(rt::Op_BLOB_GET_PROP, 1, 12345).first, kUnsupported);
  EXPECT_EQ(file->memos[1].size(), 6u);
}

}  // namespace
}  // namespace kestrel::testing
