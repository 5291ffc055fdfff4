// krl exec end to end: requests on standard input, answers on standard output.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

class KrlExecTest : public ::testing::Test {
 protected:
  KrlExecTest() {
    char tmpl[] = "/tmp/krlexec.XXXXXX";
    dir_ = ::mkdtemp(tmpl);
  }
  ~KrlExecTest() override { std::filesystem::remove_all(dir_); }

  // Runs one session; every request line gets exactly one answer line.
  std::vector<std::string> Run(const std::vector<std::string>& requests, const std::string& command = "exec") {
    const std::string in = dir_ + "/requests";
    std::ofstream(in) << [&] {
      std::string all;
      for (const std::string& r : requests) all += r + "\n";
      return all;
    }();
    const std::string cmd = std::string("cd ") + dir_ + " && " + KRL_BINARY + " " + command + " < " + in;
    FILE* p = ::popen(cmd.c_str(), "r");
    std::vector<std::string> out;
    char buf[65536];
    while (p && std::fgets(buf, sizeof buf, p)) {
      std::string line(buf);
      if (!line.empty() && line.back() == '\n') line.pop_back();
      out.push_back(line);
    }
    status_ = p ? ::pclose(p) : -1;
    return out;
  }

  std::string dir_;
  int status_ = 0;
};

const char kCreate[] =
    R"({"op":"create","file":"S.KRL","table":"T","fields":[{"label":"T:ID","type":"LONG"},)"
    R"({"label":"T:NAME","type":"STRING","size":30},{"label":"T:GRADE","type":"DECIMAL","size":4,"places":2},)"
    R"({"label":"T:BORN","type":"DATE"}],"keys":[{"label":"T:K_ID","components":["T:ID"],"primary":true,"opt":true},)"
    R"({"label":"T:K_NAME","components":["-T:NAME","T:ID"],"dup":true,"nocase":true,"opt":true}],)"
    R"("memos":[{"label":"T:NOTE","size":1000}]})";

TEST_F(KrlExecTest, ScriptedSession) {
  const std::vector<std::string> answers = Run({
      kCreate,
      R"({"op":"add","file":"S.KRL","table":"T","fields":{"T:ID":1,"T:NAME":"Ana","T:GRADE":"7.50","T:BORN":"2009-03-01"},"memos":{"T:NOTE":"good"}})",
      R"({"op":"add","file":"S.KRL","table":"t","fields":{"T:ID":2,"T:NAME":"Bruno"}})",
      R"({"op":"add","file":"S.KRL","table":"T","fields":{"T:ID":1,"T:NAME":"Copy"}})",
      R"({"op":"get","file":"S.KRL","table":"T","key":"T:K_ID","fields":{"T:ID":1}})",
      R"({"op":"put","file":"S.KRL","table":"T","id":2,"fields":{"T:GRADE":8.25},"memos":{"T:NOTE":"better"}})",
      R"({"op":"scan","file":"S.KRL","table":"T","key":"T:K_NAME","reverse":false,"limit":10})",
      R"({"op":"count","file":"S.KRL","table":"T"})",
      R"({"op":"delete","file":"S.KRL","table":"T","id":3})",
      R"({"op":"get","file":"S.KRL","table":"T","id":3})",
      R"({"op":"send","file":"S.KRL","table":"T","command":"PNM"})",
      R"({"op":"frobnicate"})",
      R"({"op":"get",)",
      R"({"op":"add","file":"S.KRL","table":"T","fields":{"T:NOPE":1}})",
      R"({"op":"count","file":"S.KRL","table":"T","key":"T:K_NAME"})",
  });
  ASSERT_EQ(answers.size(), 15u);
  EXPECT_EQ(answers[0], R"({"ok":true})");
  EXPECT_EQ(answers[1], R"({"ok":true,"id":2})");  // id 1 is the table's number
  EXPECT_EQ(answers[2], R"({"ok":true,"id":3})");
  EXPECT_EQ(answers[3], R"({"ok":false,"error":40,"message":"Creates Duplicate Key"})");
  EXPECT_EQ(answers[4],
            R"({"ok":true,"record":{"table":"T","id":2,"fields":{"T:ID":1,"T:NAME":"Ana","T:GRADE":"7.50",)"
            R"("T:BORN":"2009-03-01"},"memos":{"T:NOTE":"good"}}})");
  EXPECT_EQ(answers[5], R"({"ok":true})");
  // Descending names: Bruno before Ana.
  EXPECT_NE(answers[6].find(R"("id":3,"fields":{"T:ID":2,"T:NAME":"Bruno")"), std::string::npos);
  EXPECT_LT(answers[6].find("Bruno"), answers[6].find("Ana"));
  EXPECT_NE(answers[6].find(R"("T:GRADE":"8.25")"), std::string::npos);
  EXPECT_NE(answers[6].find(R"("T:NOTE":"better")"), std::string::npos);
  EXPECT_EQ(answers[7], R"({"ok":true,"count":2})");
  EXPECT_EQ(answers[8], R"({"ok":true})");
  EXPECT_EQ(answers[9], R"({"ok":false,"error":35,"message":"Record Not Found"})");
  EXPECT_EQ(answers[10], R"({"ok":true,"result":"T"})");
  EXPECT_EQ(answers[11], R"({"ok":false,"error":0,"message":"unknown op frobnicate"})");
  EXPECT_NE(answers[12].find(R"({"ok":false,"error":0,"message":"malformed request)"), std::string::npos);
  EXPECT_EQ(answers[13], R"({"ok":false,"error":0,"message":"no field T:NOPE"})");
  EXPECT_EQ(answers[14], R"({"ok":true,"count":1})");
  EXPECT_EQ(status_, 0);

  // A later session sees what the first one committed.
  const std::vector<std::string> again =
      Run({R"({"op":"get","file":"S","table":"T","key":"T:K_NAME","fields":{"T:NAME":"ana","T:ID":1}})"});
  ASSERT_EQ(again.size(), 1u);
  EXPECT_NE(again[0].find(R"("T:NAME":"Ana")"), std::string::npos);
}

TEST_F(KrlExecTest, MalformedRequestsAndTextAnswerWithoutStopping) {
  const std::string deep = std::string(70, '[') + std::string(70, ']');
  const std::vector<std::string> answers = Run({
      R"({"op":"get","file":)",
      R"({"op":"count"} trailing)",
      R"({"op":"count","file":"S.KRL","table":"T","x":)" + deep + "}",
      R"(["op","count"])",
      R"({"file":"S.KRL"})",
      "{\"op\":\"count\",\"file\":\"S\xFF.KRL\"}",
      kCreate,
      // Text comes in as UTF-8 and is stored in Windows-1252; a decimal
      // given as a bare number keeps its value.
      R"({"op":"add","file":"S.KRL","table":"T","fields":{"T:ID":5,"T:NAME":"Ma\u00f1a \u20ac 10","T:GRADE":9.05}})",
      R"({"op":"add","file":"S.KRL","table":"T","fields":{"T:ID":6,"T:NAME":"\u4e2d"}})",
      R"({"op":"get","file":"S.KRL","table":"T","key":"T:K_ID","fields":{"T:ID":5}})",
      R"({"op":"put","file":"S.KRL","table":"T","id":"2"})",
  });
  ASSERT_EQ(answers.size(), 11u);
  for (size_t i : {0, 1, 5}) {
    EXPECT_EQ(answers[i].rfind(R"({"ok":false,"error":0,"message":"malformed request: )", 0), 0u) << answers[i];
  }
  EXPECT_EQ(answers[2], R"({"ok":false,"error":0,"message":"malformed request: nesting too deep"})");
  EXPECT_EQ(answers[3], R"({"ok":false,"error":0,"message":"a request is a JSON object"})");
  EXPECT_EQ(answers[4], R"({"ok":false,"error":0,"message":"the request has no \"op\""})");
  EXPECT_EQ(answers[7], R"({"ok":true,"id":2})");
  EXPECT_EQ(answers[8], R"({"ok":false,"error":0,"message":"field T:NAME: text in Windows-1252 characters expected"})");
  EXPECT_EQ(answers[9], "{\"ok\":true,\"record\":{\"table\":\"T\",\"id\":2,\"fields\":{\"T:ID\":5,"
                        "\"T:NAME\":\"Ma\xC3\xB1" "a \xE2\x82\xAC 10\",\"T:GRADE\":\"9.05\",\"T:BORN\":null},"
                        "\"memos\":{\"T:NOTE\":\"\"}}}");
  EXPECT_EQ(answers[10], R"({"ok":false,"error":0,"message":"put needs the record's \"id\""})");
}

TEST_F(KrlExecTest, TransactionsAndStreamsAnswerAtTheirCommit) {
  std::string create_b = kCreate;
  create_b.replace(create_b.find("S.KRL"), 5, "B.KRL");
  const std::vector<std::string> answers = Run({
      kCreate,
      create_b,
      R"({"op":"begin","files":["S.KRL","B.KRL"]})",
      R"({"op":"add","file":"S.KRL","table":"T","fields":{"T:ID":1}})",
      R"({"op":"add","file":"B.KRL","table":"T","fields":{"T:ID":1}})",
      R"({"op":"rollback"})",
      R"({"op":"count","file":"S.KRL","table":"T"})",
      R"({"op":"begin","files":["S.KRL","B.KRL"]})",
      R"({"op":"add","file":"S.KRL","table":"T","fields":{"T:ID":1}})",
      R"({"op":"add","file":"B.KRL","table":"T","fields":{"T:ID":1}})",
      R"({"op":"commit"})",
      R"({"op":"stream","file":"S.KRL"})",
      R"({"op":"add","file":"S.KRL","table":"T","fields":{"T:ID":2}})",
      R"({"op":"flush","file":"S.KRL"})",
      R"({"op":"count","file":"B.KRL","table":"T"})",
      R"({"op":"commit"})",
  });
  ASSERT_EQ(answers.size(), 16u);
  EXPECT_EQ(answers[5], R"({"ok":true})");
  EXPECT_EQ(answers[6], R"({"ok":true,"count":0})");
  EXPECT_EQ(answers[10], R"({"ok":true})");
  EXPECT_EQ(answers[13], R"({"ok":true})");
  EXPECT_EQ(answers[14], R"({"ok":true,"count":1})");
  EXPECT_EQ(answers[15], R"({"ok":false,"error":0,"message":"no transaction is open"})");
  EXPECT_TRUE(std::filesystem::exists(dir_ + "/kestrel.tcf"));
  const std::vector<std::string> check = Run({R"({"op":"count","file":"S.KRL","table":"T"})"});
  ASSERT_EQ(check.size(), 1u);
  EXPECT_EQ(check[0], R"({"ok":true,"count":2})");
}

TEST_F(KrlExecTest, CheckCoversPagesAndTables) {
  Run({kCreate,
       R"({"op":"add","file":"S.KRL","table":"T","fields":{"T:ID":1,"T:NAME":"Ana"},"memos":{"T:NOTE":"good"}})",
       R"({"op":"add","file":"S.KRL","table":"T","fields":{"T:ID":2,"T:NAME":"Bruno"}})"});
  ASSERT_EQ(status_, 0);
  const std::vector<std::string> report = Run({}, "check S.KRL");
  EXPECT_EQ(status_, 0);
  ASSERT_EQ(report.size(), 2u);
  EXPECT_EQ(report[0].rfind("ok: ", 0), 0u) << report[0];
  EXPECT_EQ(report[1].rfind("tables ok: ", 0), 0u) << report[1];
}

}  // namespace
