#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <climits>
#include <filesystem>
#include <string>
#include <thread>

#include "engine/Config.h"
#include "tests/foundation/FoundationKit.h"

namespace {

using foundation_test::TempFolder;
using foundation_test::Wide;
using foundation_test::WriteText;

void ClearConfig() {
  g_Header.clear();
  g_CommonPackPath.clear();
  g_LocalPackPath.clear();
  g_Splashes.clear();
  g_Texts.clear();
}

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearConfig(); }
  void TearDown() override { ClearConfig(); }

  // Writes the document into the temporary folder and reads it.
  bool Read(const std::string& xml, const std::string& name = "Config.xml") {
    WriteText(folder.File(name), xml);
    return ReadConfig(Wide(folder.File(name)));
  }

  TempFolder folder;
};

bool SameSplash(const SplashRecord& record, std::uint32_t resource, const std::wstring& id, std::uint32_t when) {
  return record.resource == resource && record.id == id && record.when == when;
}

TEST_F(ConfigTest, ReadsEverySectionOfACompleteFile) {
  ASSERT_TRUE(ReadConfig(Wide(QUELLOR_TEST_DATA_DIR "/foundation/Config.xml")));
  EXPECT_EQ(g_Header, L"Quellor Mobile");
  EXPECT_EQ(g_CommonPackPath, L"Common.pak");
  EXPECT_EQ(g_LocalPackPath, L"Local.pak");
  ASSERT_EQ(CountSplashes(kSplashAtStart), 2u);
  EXPECT_EQ(CountSplashes(kSplashAtEnd), 1u);
  // The "start" records in file order, skipping the "end" one between them.
  EXPECT_TRUE(SameSplash(GetSplash(kSplashAtStart, 0), kSplashInternal, L"/Tamblor", kSplashAtStart));
  EXPECT_TRUE(SameSplash(GetSplash(kSplashAtStart, 1), kSplashInternal, L"/Quellor", kSplashAtStart));
  EXPECT_TRUE(SameSplash(GetSplash(kSplashAtEnd, 0), kSplashExternal, L"Splash\\Partner.png", kSplashAtEnd));
  EXPECT_EQ(LookupText(L"MainMenu", 1), L"Uninstall");
  EXPECT_EQ(LookupText(L"Device", -2), L"\x041D\x0435\x0442 \x0443\x0441\x0442\x0440\x043E\x0439\x0441\x0442\x0432\x0430");
  EXPECT_EQ(LookupText(L"MainMenu", 2), L"");
  EXPECT_EQ(LookupText(L"mainmenu", 1), L"");  // letter case counts
}

TEST_F(ConfigTest, OnlyDirectChildrenOfTheRootAreRecognisedByExactName) {
  ASSERT_TRUE(Read(R"(<Any>
      <?pi data?><!-- comment -->text
      <Wrapper><Splash><S resource="internal" id="nested" when="start"/></Splash></Wrapper>
      <splash><S resource="internal" id="lower case" when="start"/></splash>
      <Splash>
        <Translate resource="external" id="a splash after all" when="start"/>
        <S id="no resource, no when"/>
        <S resource="Internal" id="odd values" when="later"/>
        <S><Deeper resource="internal" id="not looked at" when="start"/></S>
      </Splash>
      <Resource local="only local"/>
    </Any>)"));
  ASSERT_EQ(g_Splashes.size(), 4u);
  EXPECT_TRUE(SameSplash(g_Splashes[0], kSplashExternal, L"a splash after all", kSplashAtStart));
  EXPECT_TRUE(SameSplash(g_Splashes[1], kSplashUnknown, L"no resource, no when", kSplashUnknown));
  EXPECT_TRUE(SameSplash(g_Splashes[2], kSplashUnknown, L"odd values", kSplashUnknown));
  EXPECT_TRUE(SameSplash(g_Splashes[3], kSplashUnknown, L"", kSplashUnknown));
  EXPECT_TRUE(g_Texts.empty());
  EXPECT_EQ(g_CommonPackPath, L"");
  EXPECT_EQ(g_LocalPackPath, L"only local");
}

TEST_F(ConfigTest, LaterElementsAddToOrReplaceEarlierOnes) {
  ASSERT_TRUE(Read(R"(<C>
      <Header>first</Header><Resource common="c1" local="l1"/>
      <Splash><S id="one" when="start"/></Splash>
      <Translate><T id="A" idx="1">old</T><T id="B" idx="1">kept</T></Translate>
      <Translate><T id="A" idx="1">new</T></Translate>
      <Splash><S id="two" when="start"/></Splash>
      <Header>second</Header><Resource common="c2"/>
    </C>)"));
  EXPECT_EQ(g_Header, L"second");
  EXPECT_EQ(g_CommonPackPath, L"c2");
  EXPECT_EQ(g_LocalPackPath, L"");
  ASSERT_EQ(CountSplashes(kSplashAtStart), 2u);
  EXPECT_EQ(GetSplash(kSplashAtStart, 1).id, L"two");
  EXPECT_EQ(LookupText(L"A", 1), L"new");
  EXPECT_EQ(LookupText(L"B", 1), L"kept");
}

TEST_F(ConfigTest, TextIndexIsTheLeadingDecimalNumber) {
  EXPECT_EQ(ParseTextIndex(L"7"), 7);
  EXPECT_EQ(ParseTextIndex(L" -3"), -3);
  EXPECT_EQ(ParseTextIndex(L"\t\n+5"), 5);
  EXPECT_EQ(ParseTextIndex(L"12ab"), 12);
  EXPECT_EQ(ParseTextIndex(L"ab"), 0);
  EXPECT_EQ(ParseTextIndex(L""), 0);
  EXPECT_EQ(ParseTextIndex(L"- 3"), 0);
  EXPECT_EQ(ParseTextIndex(L"\x0663"), 0);  // a digit of another script is no digit here
  EXPECT_EQ(ParseTextIndex(L"99999999999999999999"), INT_MAX);
  EXPECT_EQ(ParseTextIndex(L"-2147483648"), INT_MIN);
  EXPECT_EQ(ParseTextIndex(L"-99999999999999999999"), INT_MIN);

  ASSERT_TRUE(Read(R"(<C><Translate><T id="S">no idx</T><T id="S" idx="x1">letters</T></Translate></C>)"));
  EXPECT_EQ(LookupText(L"S", 0), L"letters");  // both are index 0: the later one wins
}

TEST_F(ConfigTest, TextContentKeepsEverythingInDocumentOrder) {
  ASSERT_TRUE(Read("<!DOCTYPE C [<!ENTITY name \"Quellor\">]>\n"
                   "<C><Header>\n  Title &amp; <b>bold <i>&name;</i></b><!-- not this --><![CDATA[<raw>]]>&#x416; \n</Header>"
                   "<Translate><T id=\"S\" idx=\"0\">  two\r\n lines  </T></Translate></C>"));
  EXPECT_EQ(g_Header, L"\n  Title & bold Quellor<raw>\x0416 \n");
  EXPECT_EQ(LookupText(L"S", 0), L"  two\n lines  ");  // XML itself turns CR LF into LF
}

// Runs the read on a thread with a 1 MiB stack: nothing in it may use stack in
// proportion to the document's depth.
bool ReadOnSmallStack(const std::wstring& path) {
  struct Job {
    std::wstring path;
    bool result = false;
  } job{path};
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 1 << 20);
  pthread_t thread;
  auto run = [](void* data) -> void* {
    auto* job = static_cast<Job*>(data);
    job->result = ReadConfig(job->path);
    return nullptr;
  };
  EXPECT_EQ(pthread_create(&thread, &attributes, run, &job), 0);
  pthread_join(thread, nullptr);
  pthread_attr_destroy(&attributes);
  return job.result;
}

TEST_F(ConfigTest, ADeeplyNestedFileIsReadWithoutRunningOutOfStack) {
  constexpr int kDepth = 100000;
  std::string xml = "<C><Header>";
  for (int i = 0; i < kDepth; ++i) xml += "<a>";
  xml += "deep";
  for (int i = 0; i < kDepth; ++i) xml += "</a>";
  WriteText(folder.File("deep.xml"), xml + "</Header></C>");
  ASSERT_TRUE(ReadOnSmallStack(Wide(folder.File("deep.xml"))));
  EXPECT_EQ(g_Header, L"deep");
}

TEST_F(ConfigTest, BadFilesFailAndLeaveTheGlobalsAsTheyWere) {
  ASSERT_TRUE(Read(R"(<C><Header>good</Header><Splash><S when="start"/></Splash>
                      <Translate><T id="A">a</T></Translate></C>)"));
  const char* bad[] = {
      "",
      "<C><Header>unclosed</C>",
      "<C><Header>x</Header></C><Second/>",
      "\x89PNG\r\n\x1a\n binary",
      "<?xml version=\"1.0\"?><!-- no element -->",
  };
  for (const char* xml : bad) {
    EXPECT_FALSE(Read(xml, "bad.xml")) << xml;
  }
  EXPECT_FALSE(ReadConfig(Wide(folder.File("missing.xml"))));
  EXPECT_FALSE(ReadConfig(Wide(folder.Path())));  // a folder, not a file
  // A file that expands its entities into gigabytes is refused, not expanded.
  std::string laughs = "<!DOCTYPE C [<!ENTITY l0 \"lol\">";
  for (int i = 1; i <= 9; ++i) {
    laughs += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) laughs += "&l" + std::to_string(i - 1) + ";";
    laughs += "\">";
  }
  EXPECT_FALSE(Read(laughs + "]><C><Header>&l9;</Header></C>", "laughs.xml"));

  EXPECT_EQ(g_Header, L"good");
  EXPECT_EQ(CountSplashes(kSplashAtStart), 1u);
  EXPECT_EQ(LookupText(L"A", 0), L"a");
}

TEST_F(ConfigTest, PathsAcceptBackslashSeparators) {
  std::filesystem::create_directory(folder.File("sub"));
  WriteText(folder.File("sub/Config.xml"), "<C><Header>found</Header></C>");
  ASSERT_TRUE(ReadConfig(Wide(folder.Path() + "\\sub\\Config.xml")));
  EXPECT_EQ(g_Header, L"found");
}

TEST_F(ConfigTest, GetSplashBeyondTheListEndsTheProgramSilently) {
  ASSERT_TRUE(Read(R"(<C><Splash><S when="start"/><S when="end"/></Splash></C>)"));
  EXPECT_EXIT(GetSplash(kSplashAtStart, 1), ::testing::ExitedWithCode(3), "splash");
  EXPECT_EXIT(GetSplash(kSplashAtEnd, -1), ::testing::ExitedWithCode(3), "splash");
}

// A listening socket on the loopback address that counts connections and closes each
// at once, so a parser that reaches out fails fast instead of waiting for an answer.
class LoopbackListener {
 public:
  LoopbackListener() {
    fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), length);
    ::listen(fd, 8);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    acceptor = std::thread([this] {
      for (int client; (client = ::accept(fd, nullptr, nullptr)) >= 0;) {
        ++connections;
        ::close(client);
      }
    });
  }
  ~LoopbackListener() {
    ::shutdown(fd, SHUT_RDWR);  // wakes the blocked accept
    acceptor.join();
    ::close(fd);
  }
  int Connections() const { return connections; }
  std::string Url(const std::string& file) const { return "http://127.0.0.1:" + std::to_string(port) + "/" + file; }

 private:
  int fd = -1;
  int port = 0;
  std::atomic<int> connections{0};
  std::thread acceptor;
};

TEST_F(ConfigTest, ExternalDtdsAndEntitiesAreReadOnlyFromLocalFiles) {
  LoopbackListener server;
  ASSERT_TRUE(Read("<!DOCTYPE C SYSTEM \"" + server.Url("config.dtd") + "\">\n<C><Header>remote dtd</Header></C>"));
  EXPECT_EQ(g_Header, L"remote dtd");
  ASSERT_TRUE(Read("<!DOCTYPE C [<!ENTITY far SYSTEM \"" + server.Url("far.txt") +
                   "\">]>\n<C><Header>[&far;]</Header></C>"));
  EXPECT_EQ(g_Header, L"[]");
  EXPECT_EQ(server.Connections(), 0);

  WriteText(folder.File("local.dtd"), "<!ENTITY near \"from the local DTD\">");
  WriteText(folder.File("near.txt"), "from a local file");
  ASSERT_TRUE(Read("<!DOCTYPE C SYSTEM \"local.dtd\" [<!ENTITY file SYSTEM \"file://" + folder.File("near.txt") +
                   "\">]>\n<C><Header>&near;, &file;</Header></C>"));
  EXPECT_EQ(g_Header, L"from the local DTD, from a local file");
}

}  // namespace
