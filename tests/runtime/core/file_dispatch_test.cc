#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "file_fake_driver.h"
#include "runtime/core/error_state.h"
#include "runtime/core/file_access.h"
#include "runtime/core/file_field.h"
#include "runtime/core/file_records.h"
#include "runtime/core/file_sequence.h"
#include "runtime/core/file_state.h"

namespace rt {
namespace {

using testing::FakeDriver;

class FileDispatchTest : public ::testing::Test {
 protected:
  FakeDriver driver;
  FileControlBlock file{testing::smallDecl()};
};

// Each runtime operation reaches the driver under its own number with its
// arguments in the documented members.
TEST_F(FileDispatchTest, OperationsReachTheDriverUnderTheirNumbers) {
  struct Case {
    const char* what;
    std::function<void(FileControlBlock&)> call;
    int32_t op;
    std::function<bool(const DriverArgs&)> args;
  };
  auto any = [](const DriverArgs&) { return true; };
  const Case cases[] = {
      {"Open", [](auto& f) { Open(f, 0x42); }, Op_OPEN, [](auto& a) { return a.access_mode == 0x42; }},
      {"Share", [](auto& f) { Share(f, 0x40); }, Op_SHARE, [](auto& a) { return a.access_mode == 0x40; }},
      {"Create", [](auto& f) { Create(f); }, Op_CREATE, any},
      {"Add", [](auto& f) { Add(f); }, Op_ADD, [](auto& a) { return a.length == 0; }},
      {"Add(len)", [](auto& f) { Add(f, 12); }, Op_ADD, [](auto& a) { return a.length == 12; }},
      {"Append", [](auto& f) { Append(f); }, Op_APPEND, any},
      {"Get", [](auto& f) { Get(f, 0); }, Op_GETfilekey, [](auto& a) { return a.key == 0; }},
      {"GetById", [](auto& f) { GetById(f, 7u); }, Op_GETfileptr, [](auto& a) { return a.id == 7; }},
      {"GetById(key)", [](auto& f) { GetById(f, 0, 9u, 4); }, Op_GETkeyptr,
       [](auto& a) { return a.key == 0 && a.id == 9 && a.length == 4; }},
      {"Put", [](auto& f) { Put(f); }, Op_PUT, any},
      {"PutById", [](auto& f) { PutById(f, 3u); }, Op_PUTfileptr, [](auto& a) { return a.id == 3; }},
      {"Delete", [](auto& f) { Delete(f); }, Op_DELETE, any},
      {"Hold", [](auto& f) { Hold(f); }, Op_HOLDfile, any},
      {"Hold(sec)", [](auto& f) { Hold(f, 2); }, Op_HOLDfilesec, [](auto& a) { return a.seconds == 2; }},
      {"Release", [](auto& f) { Release(f); }, Op_RELEASE, any},
      {"Watch", [](auto& f) { Watch(f); }, Op_WATCH, any},
      {"NoMemo", [](auto& f) { NoMemo(f); }, Op_NOMEMO, any},
      {"Lock", [](auto& f) { Lock(f); }, Op_LOCKfile, any},
      {"Lock(sec)", [](auto& f) { Lock(f, 5); }, Op_LOCKfilesec, [](auto& a) { return a.seconds == 5; }},
      {"Unlock", [](auto& f) { Unlock(f); }, Op_UNLOCK, any},
      {"Stream", [](auto& f) { Stream(f); }, Op_STREAM, any},
      {"Flush", [](auto& f) { Flush(f); }, Op_FLUSH, any},
      {"Empty", [](auto& f) { Empty(f); }, Op_EMPTY, any},
      {"Remove", [](auto& f) { Remove(f); }, Op_REMOVE, any},
      {"Copy", [](auto& f) { Copy(f, "B.KRL"); }, Op_COPY, [](auto& a) { return a.text == "B.KRL"; }},
      {"Rename", [](auto& f) { Rename(f, "C.KRL"); }, Op_RENAME, [](auto& a) { return a.text == "C.KRL"; }},
      {"Build", [](auto& f) { Build(f); }, Op_BUILDfile, any},
      {"Pack", [](auto& f) { Pack(f); }, Op_PACK, any},
      {"BuildKey", [](auto& f) { BuildKey(f, 0); }, Op_BUILDkey, [](auto& a) { return a.key == 0; }},
      {"BuildDynamic", [](auto& f) { BuildDynamic(f, 0, "+T:ID"); }, Op_BUILDdyn,
       [](auto& a) { return a.text == "+T:ID" && a.filter.empty(); }},
      {"BuildDynamic(filter)", [](auto& f) { BuildDynamic(f, 0, "-T:ID", "T:ID > 3"); }, Op_BUILDdynfilter,
       [](auto& a) { return a.text == "-T:ID" && a.filter == "T:ID > 3"; }},
      {"BuildDynamic(accept)", [](auto& f) { BuildDynamic(f, 0, "+T:ID", {}, [](FileControlBlock&) { return true; }); },
       Op_BUILDdynfilter, [](auto& a) { return a.filter.empty() && a.accept; }},
      {"BuildEvent", [](auto& f) { BuildEvent(f); }, Op_BUILDevent, any},
      {"Send", [](auto& f) { Send(f, "FULLBUILD=ON"); }, Op_SEND, [](auto& a) { return a.text == "FULLBUILD=ON"; }},
      {"Name", [](auto& f) { Name(f); }, Op_NAME, any},
      {"Bytes", [](auto& f) { Bytes(f); }, Op_BYTES, any},
      {"Duplicate", [](auto& f) { Duplicate(f); }, Op_DUPLICATE, any},
      {"Duplicate(key)", [](auto& f) { Duplicate(f, 0); }, Op_DUPLICATEkey, [](auto& a) { return a.key == 0; }},
      {"Records", [](auto& f) { Records(f); }, Op_RECORDSfile, any},
      {"Records(key)", [](auto& f) { Records(f, 0); }, Op_RECORDSkey, [](auto& a) { return a.key == 0; }},
      {"Pointer", [](auto& f) { Pointer(f); }, Op_POINTERfile, any},
      {"Pointer(key)", [](auto& f) { Pointer(f, 0); }, Op_POINTERkey, [](auto& a) { return a.key == 0; }},
      {"SetFile", [](auto& f) { SetFile(f); }, Op_SETfile, any},
      {"SetFileKey", [](auto& f) { SetFileKey(f, 0); }, Op_SETfilekey, [](auto& a) { return a.key == 0; }},
      {"SetFilePtr", [](auto& f) { SetFilePtr(f, 11u); }, Op_SETfileptr, [](auto& a) { return a.id == 11; }},
      {"SetKey", [](auto& f) { SetKey(f, 0); }, Op_SETkey, [](auto& a) { return a.key == 0; }},
      {"SetKeyKey", [](auto& f) { SetKeyKey(f, 0); }, Op_SETkeykey, [](auto& a) { return a.key == 0; }},
      {"SetKeyPtr", [](auto& f) { SetKeyPtr(f, 0, 4u); }, Op_SETkeyptr,
       [](auto& a) { return a.key == 0 && a.id == 4; }},
      {"SetKeyKeyPtr", [](auto& f) { SetKeyKeyPtr(f, 0, 5u); }, Op_SETkeykeyptr,
       [](auto& a) { return a.key == 0 && a.id == 5; }},
      {"Next", [](auto& f) { Next(f); }, Op_NEXT, any},
      {"Previous", [](auto& f) { Previous(f); }, Op_PREVIOUS, any},
      {"Skip", [](auto& f) { Skip(f, -3); }, Op_SKIP, [](auto& a) { return a.count == -3; }},
      {"Bof", [](auto& f) { Bof(f); }, Op_BOF, any},
      {"Eof", [](auto& f) { Eof(f); }, Op_EOF, any},
      {"Position", [](auto& f) { Position(f); }, Op_POSITIONfile, any},
      {"Position(key)", [](auto& f) { Position(f, 0); }, Op_POSITIONkey, [](auto& a) { return a.key == 0; }},
      {"Reset", [](auto& f) { Reset(f, "p1"); }, Op_RESETfile, [](auto& a) { return a.text == "p1"; }},
      {"Reset(key)", [](auto& f) { Reset(f, 0, "p2"); }, Op_RESETkey,
       [](auto& a) { return a.key == 0 && a.text == "p2"; }},
      {"Reget", [](auto& f) { Reget(f, "p3"); }, Op_REGETfile, [](auto& a) { return a.text == "p3"; }},
      {"Reget(key)", [](auto& f) { Reget(f, 0, "p4"); }, Op_REGETkey,
       [](auto& a) { return a.key == 0 && a.text == "p4"; }},
      {"InView", [](auto& f) { InView(f); }, Op_INVIEW, any},
      {"EndView", [](auto& f) { EndView(f); }, Op_ENDVIEW, any},
      {"SetProperty", [](auto& f) { SetProperty(f, 7, "x"); }, Op_SET_PROPERTY,
       [](auto& a) { return a.property == 7 && a.text == "x"; }},
      {"GetProperty", [](auto& f) { GetProperty(f, 8); }, Op_GET_PROPERTY, [](auto& a) { return a.property == 8; }},
      {"Clear", [](auto& f) { Clear(f, 1); }, Op_CLEAR, [](auto& a) { return a.fill == 1; }},
      {"Close", [](auto& f) { Close(f); }, Op_CLOSE, any},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    driver.forget();
    c.call(file);
    auto calls = driver.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].op, c.op);
    EXPECT_TRUE(c.args(calls[0].args));
    EXPECT_EQ(calls[0].file, &file);
    file.open = false;  // so that the next Open reaches the driver
  }
}

TEST_F(FileDispatchTest, DriverCodeBecomesTheErrorStateAndSuccessClearsIt) {
  driver.codes[Op_GETfilekey] = 35;
  EXPECT_EQ(Get(file, 0), 35);
  EXPECT_EQ(ERRORCODE(), 35);
  EXPECT_EQ(Error().substr(0, 16), "Record Not Found");

  EXPECT_EQ(Next(file), 0);
  EXPECT_EQ(ERRORCODE(), 0);
  EXPECT_EQ(Error(), std::string(256, ' '));
}

TEST_F(FileDispatchTest, DriverFileErrorDetailsSurviveTheCode) {
  driver.handler = [](int32_t, FileControlBlock& f, DriverArgs&) {
    postFileError(f.name, "Possible data corruption in file", "1234");
    return 90;
  };
  EXPECT_EQ(Add(file), 90);
  EXPECT_EQ(ERRORCODE(), 90);
  EXPECT_EQ(FileErrorCode(), "1234");
  EXPECT_EQ(FileError().substr(0, 32), "Possible data corruption in file");
  EXPECT_EQ(ErrorFile().substr(0, 5), "T.KRL");
}

TEST_F(FileDispatchTest, StaleFileErrorIsClearedByTheNextOperation) {
  postFileError("OLD.KRL", "old", "1");
  postError(90);
  driver.codes[Op_NEXT] = 33;
  EXPECT_EQ(Next(file), 33);
  EXPECT_EQ(FileErrorCode(), "");
  EXPECT_EQ(ErrorFile(), std::string(80, ' '));
}

TEST_F(FileDispatchTest, UnknownDriverFailsWithEightyNamingTheDriver) {
  FileControlBlock lost(testing::smallDecl("NOSUCH"));
  EXPECT_EQ(Open(lost), 80);
  EXPECT_EQ(ERRORCODE(), 80);
  EXPECT_NE(FileError().find("NOSUCH"), std::string::npos);
  EXPECT_FALSE(lost.open);
  EXPECT_EQ(Records(lost), 0);
  EXPECT_EQ(ERRORCODE(), 80);
}

TEST_F(FileDispatchTest, KeysAndMemosTheDeclarationLacksNeverReachTheDriver) {
  EXPECT_EQ(Get(file, 1), 77);  // the declaration has one key
  EXPECT_EQ(ERRORCODE(), 77);
  EXPECT_EQ(SetKey(file, -1), 77);
  EXPECT_EQ(Records(file, 5), 0);
  EXPECT_EQ(ERRORCODE(), 77);
  DriverArgs blob;
  blob.memo = 1;
  EXPECT_EQ(callFile(file, Op_BLOB_SIZE, blob), 77);
  EXPECT_TRUE(driver.ops().empty());
  blob.memo = 0;
  EXPECT_EQ(callFile(file, Op_BLOB_SIZE, blob), 0);
  EXPECT_EQ(Get(file, 0), 0);
  EXPECT_EQ(driver.ops(), (std::vector<int32_t>{Op_BLOB_SIZE, Op_GETfilekey}));
}

TEST_F(FileDispatchTest, DriverNamesCompareWithoutCase) {
  FakeDriver lower("mixedCase");
  FileControlBlock f(testing::smallDecl("MIXEDCASE"));
  EXPECT_EQ(Open(f), 0);
  EXPECT_EQ(lower.ops(), std::vector<int32_t>{Op_OPEN});
}

TEST_F(FileDispatchTest, OpenTwiceAnswers52WithoutTheDriverAndCloseAlwaysCloses) {
  EXPECT_EQ(Open(file), 0);
  EXPECT_TRUE(file.open);
  EXPECT_EQ(Share(file), 52);
  EXPECT_EQ(ERRORCODE(), 52);
  EXPECT_EQ(driver.ops(), std::vector<int32_t>{Op_OPEN});

  driver.codes[Op_CLOSE] = 90;
  EXPECT_EQ(Close(file), 90);
  EXPECT_FALSE(file.open);
  driver.codes[Op_OPEN] = 2;
  EXPECT_EQ(Open(file), 2);
  EXPECT_FALSE(file.open);
  EXPECT_EQ(Create(file), 0);
  EXPECT_TRUE(file.open);
}

TEST_F(FileDispatchTest, ValueResultsComeFromTheDriverAndFallBackOnFailure) {
  driver.handler = [](int32_t op, FileControlBlock&, DriverArgs& a) {
    switch (op) {
      case Op_RECORDSfile: a.value = 42; return 0;
      case Op_POINTERfile: a.value = 0xFFFFFFF0; return 0;
      case Op_EOF: a.value = 1; return 0;
      case Op_NAME: a.result = "T.KRL\\!T"; return 0;
      case Op_SEND: a.result = "OFF"; return 0;
      case Op_POSITIONkey: a.result = std::string("\0\0\0\5", 4); return 0;
      case Op_DUPLICATE: a.value = 1; return 37;
      default: return 0;
    }
  };
  EXPECT_EQ(Records(file), 42);
  EXPECT_EQ(Pointer(file), 0xFFFFFFF0u);
  EXPECT_TRUE(Eof(file));
  EXPECT_FALSE(Bof(file));
  EXPECT_EQ(Name(file), "T.KRL\\!T");
  EXPECT_EQ(Send(file, "FULLBUILD"), "OFF");
  EXPECT_EQ(Position(file, 0), std::string("\0\0\0\5", 4));
  EXPECT_FALSE(Duplicate(file));  // the driver failed: no answer
  EXPECT_EQ(ERRORCODE(), 37);
}

TEST_F(FileDispatchTest, ClearFillsByTypeAndToleratesADriverWithoutClear) {
  setInteger(file, 0, 77);
  setText(file, 1, "Ana");
  setMemo(file, 0, "note");
  driver.codes[Op_CLEAR] = 80;
  EXPECT_EQ(Clear(file), 0);
  EXPECT_EQ(ERRORCODE(), 0);
  EXPECT_EQ(getInteger(file, 0), 0);
  EXPECT_EQ(getText(file, 1), std::string(10, ' '));
  EXPECT_EQ(getMemo(file, 0), "");
  EXPECT_EQ(file.memos[0], std::string(20, ' '));

  driver.codes[Op_CLEAR] = 0;
  EXPECT_EQ(Clear(file, 1), 0);
  EXPECT_EQ(getInteger(file, 0), INT32_MAX);
  EXPECT_EQ(getDecimal(file, 2)->ToString(), "99999.99");
  EXPECT_EQ(Clear(file, -1), 0);
  EXPECT_EQ(getInteger(file, 0), INT32_MIN);
  EXPECT_EQ(getDecimal(file, 2)->ToString(), "-99999.99");
}

TEST_F(FileDispatchTest, DestroyGoesToTheDriverWhenTheBlockDies) {
  {
    FileControlBlock f(testing::smallDecl());
    Open(f);
    ASSERT_NE(f.driver_data, nullptr);
  }
  EXPECT_EQ(driver.destroyed(), 1);
  {
    FileControlBlock untouched(testing::smallDecl());  // never called: no driver part
  }
  EXPECT_EQ(driver.destroyed(), 1);
}

TEST_F(FileDispatchTest, AdoptedDeclarationResizesTheBuffers) {
  FileDeclBuilder b("W", "W", "W.KRL", "FAKE");
  b.String("W:A", 30).Memo("W:M1", 5).Memo("W:M2", 5);
  file.adoptDecl(b.Build());
  EXPECT_EQ(file.record, std::vector<uint8_t>(30, ' '));
  EXPECT_EQ(file.memos.size(), 2u);
  EXPECT_EQ(file.decl().label, "W");
}

}  // namespace
}  // namespace rt
