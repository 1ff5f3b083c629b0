#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/printf.h"
#include "http_test_fakes.h"
#include "protocols/http/credential_probe.h"
#include "record/profile.h"
#include "test_support.h"

namespace {

using httptest::ScriptedPrompts;

class CredentialProbe : public ::testing::Test {
protected:
    void SetUp() override
    {
        httptest::ClearProxyEnvironment();
        ASSERT_TRUE(server.Start("http_server.py",
                                 {"--log", tmp.File("requests.log"), "--lifetime", "30"}));
        address = Printf("http://127.0.0.1:%d/auth/size/200000", server.port());
    }

    std::vector<std::string> Heads() const
    {
        return httptest::SplitHeads(testsupport::ReadFile(tmp.File("requests.log")));
    }

    testsupport::TempDir tmp;
    testsupport::FakeServer server;
    MemoryProfile profile;
    ScriptedPrompts prompts;
    std::string address;
};

TEST_F(CredentialProbe, AcceptedAtOnceChangesNothing)
{
    EXPECT_FALSE(ProbeCredentials(address, "user", "secret", profile, prompts));
    EXPECT_TRUE(prompts.asked.empty());
    const auto heads = Heads();
    ASSERT_EQ(heads.size(), 1u);
    const std::string expected =
        "GET /auth/size/200000 HTTP/1.0\r\n"
        "Host: 127.0.0.1:" + std::to_string(server.port()) + "\r\n"
        "Authorization: Basic dXNlcjpzZWNyZXQ=\r\n"
        "User-Agent: NSPlayer/4.1.0.3856\r\n"
        "Pragma: no-cache\r\n"
        "Cache-Control: no-cache\r\n"
        "\r\n";
    EXPECT_EQ(heads[0], expected);
}

TEST_F(CredentialProbe, StoredCredentialsThatWorkAreReturned)
{
    profile.WriteString("NetPassword\\127.0.0.1", "User", "user");
    profile.WriteString("NetPassword\\127.0.0.1", "Password", "secret");
    const auto pair = ProbeCredentials(address, "member", "old", profile, prompts);
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->user, "user");
    EXPECT_EQ(pair->password, "secret");
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_EQ(Heads().size(), 2u);
}

TEST_F(CredentialProbe, TheDialogIsAskedUntilAPairWorks)
{
    prompts.Answer("user", "wrong");
    prompts.Answer("user", "secret");
    const auto pair = ProbeCredentials(address, "member", "old", profile, prompts);
    ASSERT_TRUE(pair);
    EXPECT_EQ(pair->user + ":" + pair->password, "user:secret");
    ASSERT_EQ(prompts.asked.size(), 2u);
    EXPECT_EQ(prompts.asked[0].user + ":" + prompts.asked[0].password, "member:old");
    EXPECT_EQ(prompts.asked[1].user + ":" + prompts.asked[1].password, "user:wrong");
}

TEST_F(CredentialProbe, CancelOrNoServerGivesNothing)
{
    EXPECT_FALSE(ProbeCredentials(address, "member", "old", profile, prompts));
    EXPECT_EQ(prompts.asked.size(), 1u);

    server.Stop();
    prompts.asked.clear();
    EXPECT_FALSE(ProbeCredentials(address, "member", "old", profile, prompts));
    EXPECT_TRUE(prompts.asked.empty());
    EXPECT_FALSE(ProbeCredentials("not an address", "member", "old", profile, prompts));
}

}  // namespace
