// COCIConnection: connecting, logon failures, reconnecting, copies and
// failures injected at each client-interface call that Connect makes.
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "SessionFixture.h"

namespace {

// Exposes the handle fields for checks.
class Probe : public COCIConnection {
 public:
  using COCIConnection::COCIConnection;
  bool AllFieldsZero() const {
    return m_bConnected == 0 && m_hEnv == nullptr && m_hError == nullptr &&
           m_hServer == nullptr && m_hSvcCtx == nullptr &&
           m_hSession == nullptr && m_hDescribe == nullptr &&
           m_hTrans == nullptr;
  }
  OCIEnv *Env() const { return m_hEnv; }
};

class ConnectionTest : public SessionTest {};

TEST_F(ConnectionTest, ConnectAndDisconnect) {
  Probe c;
  EXPECT_EQ(c.isConnected(), 0);
  EXPECT_TRUE(c.AllFieldsZero());
  ASSERT_TRUE(Open(c));
  EXPECT_EQ(c.isConnected(), 1);
  EXPECT_EQ(COCIException::errCode(), 0);
  EXPECT_STREQ(COCIException::errMsg(), "OCI_SUCCESS");
  c.DisConnect();
  EXPECT_EQ(c.isConnected(), 0);
  EXPECT_TRUE(c.AllFieldsZero());
  c.DisConnect();  // nothing to do
  EXPECT_TRUE(c.AllFieldsZero());
}

TEST_F(ConnectionTest, LogonFailures) {
  struct Case {
    std::string link;
    const char *user;
    const char *password;
    int error;
  };
  const Case cases[] = {
      {Link(), "scott", "wrong", 1017},
      {Link(), "nobody", "tiger", 1017},
      {Link(), "scott", "TIGER", 1017},  // passwords compare exactly
      {dir_ + "/missing.db", "scott", "tiger", 12154},
      {"", "scott", "tiger", 12154},
  };
  for (const Case &c : cases) {
    Probe p;
    EXPECT_FALSE(p.Connect(c.link.c_str(), c.user, c.password)) << c.link;
    EXPECT_EQ(COCIException::errCode(), c.error) << c.link;
    EXPECT_EQ(p.isConnected(), 0);
    EXPECT_TRUE(p.AllFieldsZero());
  }
  Probe upper;  // user names compare without case
  EXPECT_TRUE(Open(upper, "SCOTT", "tiger"));
}

TEST_F(ConnectionTest, ReconnectEndsTheFirstSession) {
  Probe c;
  ASSERT_TRUE(Open(c));
  // A change left uncommitted by the first session is committed when
  // Connect ends it, as the vendor's session end commits.
  Exec("CREATE TABLE t (n INTEGER)");
  COCIRecordset rs;
  ASSERT_TRUE(rs.InitRecordset(&c));
  rs.OpenRecordset("INSERT INTO t VALUES (1)");  // committed
  rs.AddRecord(COCIRecord());                    // executed again, pending
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t", &c), "2");
  rs.CloseRecordset();
  ASSERT_TRUE(Open(c));
  EXPECT_EQ(c.isConnected(), 1);
  // Committed, not left pending: another session can write at once.
  Exec("INSERT INTO t VALUES (3)");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM t", &c), "3");
  EXPECT_EQ(Scalar("SELECT 1 FROM dual", &c), "1");
}

// Copies share one session: it ends with its last holder, or for every
// holder at an explicit DisConnect. Each step once ended a session that a
// holder still reported connected, or left a holder on released handles.
TEST_F(ConnectionTest, CopiesShareOneSession) {
  Probe owner;
  ASSERT_TRUE(Open(owner));
  {
    Probe saved = owner;
    owner = saved;  // assigning a copy back onto its holder
    Probe &self = owner;
    owner = self;
    EXPECT_EQ(saved.isConnected(), 1);
  }
  EXPECT_EQ(owner.isConnected(), 1);
  EXPECT_EQ(Scalar("SELECT 2 FROM dual", &owner), "2");

  // The last holder keeps the session the first one began.
  auto *first = new Probe(owner);
  owner.DisConnect();
  EXPECT_EQ(first->isConnected(), 0);  // DisConnect ends it for every holder
  EXPECT_TRUE(first->AllFieldsZero());
  EXPECT_EQ(Scalar("SELECT 3 FROM dual", first), "<init>");
  delete first;

  auto *holder = new Probe;
  ASSERT_TRUE(Open(*holder));
  auto *keeper = new Probe(*holder);
  delete holder;  // destroyed, not disconnected
  EXPECT_EQ(keeper->isConnected(), 1);
  EXPECT_EQ(Scalar("SELECT 4 FROM dual", keeper), "4");

  // A holder that connects again lets go and gets its own session.
  Probe copy(*keeper);
  ASSERT_TRUE(Open(copy));
  EXPECT_NE(copy.Env(), keeper->Env());
  copy.DisConnect();
  EXPECT_EQ(Scalar("SELECT 5 FROM dual", keeper), "5");
  OCIEnv *env = keeper->Env();
  delete keeper;  // the last holder ends it
  OCIError *err = nullptr;
  EXPECT_EQ(OCIHandleAlloc(env, reinterpret_cast<dvoid **>(&err),
                           OCI_HTYPE_ERROR, 0, nullptr),
            OCI_INVALID_HANDLE);
}

TEST_F(ConnectionTest, AssignmentOntoAHolderLetsGoFirst) {
  Probe target;
  ASSERT_TRUE(Open(target));
  OCIEnv *released = target.Env();
  Probe source;
  ASSERT_TRUE(Open(source));
  target = source;  // target was its session's last holder
  EXPECT_EQ(target.Env(), source.Env());
  OCIError *err = nullptr;
  EXPECT_EQ(OCIHandleAlloc(released, reinterpret_cast<dvoid **>(&err),
                           OCI_HTYPE_ERROR, 0, nullptr),
            OCI_INVALID_HANDLE);
  EXPECT_EQ(Scalar("SELECT 5 FROM dual", &target), "5");
  target.DisConnect();
  EXPECT_EQ(source.isConnected(), 0);
  EXPECT_TRUE(source.AllFieldsZero());
}

TEST_F(ConnectionTest, DestructionEndsTheSession) {
  OCIEnv *env = nullptr;
  {
    Probe c;
    ASSERT_TRUE(Open(c));
    env = c.Env();
  }
  OCIError *err = nullptr;
  EXPECT_EQ(OCIHandleAlloc(env, reinterpret_cast<dvoid **>(&err),
                           OCI_HTYPE_ERROR, 0, nullptr),
            OCI_INVALID_HANDLE);
}

TEST_F(ConnectionTest, WarningsMeanTheSessionIsUp) {
  ASSERT_EQ(kestrel_fault_inject("OCISessionBegin", OCI_SUCCESS_WITH_INFO, 0,
                                 1, 0),
            0);
  Probe c;
  EXPECT_TRUE(Open(c));
  EXPECT_EQ(c.isConnected(), 1);
  EXPECT_EQ(COCIException::errCode(), 1);
  EXPECT_STREQ(COCIException::errMsg(), "OCI_SUCCESS_WITH_INFO");
  c.DisConnect();

  // The attach's warning stays on record when the logon succeeds plainly.
  ASSERT_EQ(kestrel_fault_inject("OCIServerAttach", OCI_SUCCESS_WITH_INFO, 0,
                                 1, 0),
            0);
  Probe attached;
  EXPECT_TRUE(Open(attached));
  EXPECT_EQ(attached.isConnected(), 1);
  EXPECT_EQ(COCIException::errCode(), 1);
  EXPECT_STREQ(COCIException::errMsg(), "OCI_SUCCESS_WITH_INFO");
}

// Every client-interface call of Connect, failed in turn: Connect reports
// FALSE when the attach or the logon cannot go on, never crashes, and
// whatever it allocated is released (the sanitizer build checks leaks).
TEST_F(ConnectionTest, FailureAtEachCall) {
  struct Case {
    const char *function;
    unsigned skip;
  };
  const Case cases[] = {
      {"OCIInitialize", 0}, {"OCIEnvInit", 0},      {"OCIHandleAlloc", 0},
      {"OCIHandleAlloc", 1}, {"OCIHandleAlloc", 2}, {"OCIHandleAlloc", 3},
      {"OCIHandleAlloc", 4}, {"OCIHandleAlloc", 5}, {"OCIServerAttach", 0},
      {"OCIAttrSet", 0},     {"OCIAttrSet", 1},     {"OCIAttrSet", 2},
      {"OCIAttrSet", 3},     {"OCIAttrSet", 4},     {"OCISessionBegin", 0},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(std::string(c.function) + " after " +
                 std::to_string(c.skip));
    ASSERT_EQ(kestrel_fault_inject(c.function, OCI_ERROR, c.skip, 1, 3113),
              0);
    Probe p;
    const BOOL up = Open(p);
    kestrel_fault_clear();
    if (up) {
      EXPECT_EQ(p.isConnected(), 1);
    } else {
      EXPECT_EQ(p.isConnected(), 0);
      EXPECT_TRUE(p.AllFieldsZero());
      EXPECT_NE(COCIException::errCode(), 0);
    }
    p.DisConnect();
    EXPECT_TRUE(p.AllFieldsZero());
  }
  // A session that cannot be ended cleanly says so in the error record.
  Probe ended;
  ASSERT_TRUE(Open(ended));
  ASSERT_EQ(kestrel_fault_inject("OCISessionEnd", OCI_ERROR, 0, 1, 2091), 0);
  ended.DisConnect();
  EXPECT_EQ(COCIException::errCode(), 2091);
  EXPECT_TRUE(ended.AllFieldsZero());
  kestrel_fault_clear();
  // The attach and the logon are the calls whose failure stops Connect.
  for (const char *function : {"OCIServerAttach", "OCISessionBegin"}) {
    ASSERT_EQ(kestrel_fault_inject(function, OCI_ERROR, 0, 1, 3113), 0);
    Probe p;
    EXPECT_FALSE(Open(p)) << function;
    EXPECT_EQ(COCIException::errCode(), 3113) << function;
    kestrel_fault_clear();
  }
}

}  // namespace
