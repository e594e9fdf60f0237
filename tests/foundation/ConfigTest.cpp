#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <string>
#include <tuple>

#include "engine/Config.h"
#include "tests/foundation/FoundationKit.h"
#include "tests/support/FailingAllocations.h"

namespace {

using namespace foundation_test;

class ConfigTest : public ::testing::Test {
 protected:
  ~ConfigTest() override {
    g_Header.clear(), g_CommonPackPath.clear(), g_LocalPackPath.clear(), g_Splashes.clear(), g_Texts.clear();
  }
  // Writes the document into the temporary folder and reads it.
  bool Read(const std::string& xml, const std::string& name = "Config.xml") {
    WriteText(folder.File(name), xml);
    return ReadConfig(Wide(folder.File(name)));
  }

  TempFolder folder;
};

std::wstring Describe(const SplashRecord& r) { return std::to_wstring(r.resource) + L"," + r.id + L"," + std::to_wstring(r.when); }

// Only direct element children of the root count, by exact name; later elements add
// to or replace what earlier ones gave.
TEST_F(ConfigTest, OnlyDirectChildrenOfTheRootAreRecognisedAndLaterOnesWin) {
  ASSERT_TRUE(Read(R"(<?xml version="1.0" encoding="utf-8"?><!DOCTYPE Any [<!ENTITY name "Quellor">]><Any>
      <?pi data?><!-- comment -->text<Header>first</Header><Resource common="c1" local="l1"/>
      <Wrapper><Splash><S resource="internal" id="nested" when="start"/></Splash></Wrapper>
      <splash><S resource="internal" id="lower case" when="start"/></splash>
      <Splash>
        <Translate resource="external" id="a splash after all" when="start"/>
        <S id="no resource, no when"/>
        <S resource="Internal" id="odd values" when="later"><Deeper id="not looked at"/></S>
        <S resource="internal" id="end" when="end"/>
      </Splash>
      <Translate><T id="A" idx="1">old</T><T id="B" idx="1">kept</T><T id="S">no idx</T></Translate>
      <Translate><T id="A" idx="1">new</T><T id="S" idx="x1">  two)" "\r\n" R"( lines  </T><T id="D" idx="-2">Нет</T></Translate>
      <Splash><S id="two" when="start"/></Splash><Resource local="only local"/><Header>
  Title &amp; <b>bold <i>&name;</i></b><!-- not this --><![CDATA[<raw>]]>&#x416; </Header>
    </Any>)"));
  ASSERT_EQ(g_Splashes.size(), 5u);
  EXPECT_EQ(Describe(g_Splashes[0]), L"1,a splash after all,0");
  EXPECT_EQ(Describe(g_Splashes[1]), L"4294967295,no resource, no when,4294967295");
  EXPECT_EQ(Describe(g_Splashes[2]), L"4294967295,odd values,4294967295");
  // The n-th "start" record skips the others; one past the last ends the program.
  EXPECT_EQ(std::tuple(CountSplashes(kSplashAtStart), GetSplash(kSplashAtStart, 1).id), std::tuple(2u, L"two"));
  EXPECT_EQ(Describe(GetSplash(kSplashAtEnd, 0)), L"0,end,1");
  EXPECT_EXIT(GetSplash(kSplashAtStart, 2), ::testing::ExitedWithCode(3), "splash");
  // Text content: everything inside, in document order, unchanged but for XML's own
  // escapes and line ends.
  EXPECT_EQ(std::tuple(g_Header, g_CommonPackPath, g_LocalPackPath),
            std::tuple(L"\n  Title & bold Quellor<raw>\x0416 ", L"", L"only local"));
  // A missing idx and "x1" are both 0; sections and indexes must match exactly.
  EXPECT_EQ(std::tuple(LookupText(L"A", 1), LookupText(L"B", 1), LookupText(L"S", 0), LookupText(L"D", -2)),
            std::tuple(L"new", L"kept", L"  two\n lines  ", L"\x041D\x0435\x0442"));
  EXPECT_EQ(std::tuple(LookupText(L"A", 2), LookupText(L"a", 1)), std::tuple(L"", L""));
}

TEST_F(ConfigTest, TextIndexIsTheLeadingDecimalNumber) {
  const std::pair<const wchar_t*, int> cases[] = {
      {L"7", 7}, {L" -3", -3}, {L"\t\n+5", 5}, {L"12ab", 12}, {L"ab", 0}, {L"", 0}, {L"- 3", 0},
      {L"\x0663", 0},  // a digit of another script is no digit here
      {L"2147483647", INT_MAX}, {L"2147483648", INT_MAX}, {L"-2147483648", INT_MIN}, {L"-2147483649", INT_MIN},
      {L"99999999999999999999", INT_MAX}};
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseTextIndex(text), value) << text;
}

// The read runs on a thread with a 1 MiB stack: nothing in it may use stack in
// proportion to the document's depth (Xerces' own getTextContent does).
TEST_F(ConfigTest, ADeeplyNestedFileIsReadWithoutRunningOutOfStack) {
  std::string open, close;
  for (int i = 0; i < 100000; ++i) open += "<a>", close += "</a>";
  std::wstring path = Wide(WriteText(folder.File("deep.xml"), "<C><Header>" + open + "deep" + close + "</Header></C>"));
  pthread_attr_t attributes;
  pthread_attr_init(&attributes);
  pthread_attr_setstacksize(&attributes, 1 << 20);
  pthread_t thread;
  auto read = [](void* path) -> void* { return ReadConfig(*static_cast<std::wstring*>(path)) ? path : nullptr; };
  ASSERT_EQ(pthread_create(&thread, &attributes, read, &path), 0);
  void* result = nullptr;
  pthread_join(thread, &result);
  EXPECT_EQ(result, &path);
  EXPECT_EQ(g_Header, L"deep");
}

// A file that defines one entity of size characters and uses it count times between
// open and close.
std::string Expanding(std::size_t size, std::size_t count, const std::string& open = "<Header>",
                      const std::string& close = "</Header>") {
  std::string xml = "<!DOCTYPE C [<!ENTITY e \"" + std::string(size, 'x') + "\">]><C>" + open;
  for (std::size_t i = 0; i < count; ++i) xml += "&e;";
  return xml + close + "</C>";
}

TEST_F(ConfigTest, BadFilesFailAndLeaveTheGlobalsAsTheyWere) {
  ASSERT_TRUE(Read(R"(<C><Header>good</Header><Splash><S when="start"/></Splash><Translate><T id="A">a</T></Translate></C>)"));
  // Files whose entities expand into gigabytes, in text and in an attribute.
  for (const std::string& xml : {std::string(), std::string("<C><Header>unclosed</C>"),
                                 std::string("<C><Header>x</Header></C><Second/>"), std::string("\x89PNG\r\n\x1a\n"),
                                 std::string("<?xml version=\"1.0\"?><!-- no element -->"),
                                 Expanding(50000, 50000), Expanding(50000, 50000, "<Header a=\"", "\"/>"),
                                 Expanding(4096, kConfigMaxText / 4096, "<Header>", "y</Header>")}) {
    EXPECT_FALSE(Read(xml, "bad.xml")) << xml.substr(0, 60);
  }
  // Missing, a folder, a FIFO (at once, though no one writes to it).
  ASSERT_EQ(::mkfifo(folder.File("fifo.xml").c_str(), 0600), 0);
  for (const std::string& path : {folder.File("missing.xml"), folder.Path(), folder.File("fifo.xml")}) {
    EXPECT_FALSE(ReadConfig(Wide(path))) << path;
  }
  // Memory running out for the file's bytes or for the parser's.
  const std::string big = "<C><Header>" + std::string(1 << 20, 'x') + "</Header></C>";
  WriteText(folder.File("big.xml"), big);
  const auto opened = testsupport::OpenDescriptorCount();
  for (int skip : {0, 1}) {
    testsupport::FailLargeAllocations noMemory(big.size(), skip);
    EXPECT_FALSE(ReadConfig(Wide(folder.File("big.xml")))) << skip;
  }
  EXPECT_EQ(testsupport::OpenDescriptorCount(), opened);  // the file is closed on that road too
  EXPECT_EQ(std::tuple(g_Header, CountSplashes(kSplashAtStart), LookupText(L"A", 0)), std::tuple(L"good", 1u, L"a"));
  // A read adds to what earlier reads gave.
  ASSERT_TRUE(ReadConfig(Wide(folder.File("big.xml"))));
  EXPECT_EQ(std::tuple(g_Header.size(), CountSplashes(kSplashAtStart), LookupText(L"A", 0)),
            std::tuple(std::size_t{1} << 20, 1u, L"a"));
  // Text of exactly the bound is still read.
  ASSERT_TRUE(Read(Expanding(4096, kConfigMaxText / 4096)));
  EXPECT_EQ(g_Header.size(), kConfigMaxText);
}

// The parser's memory is one running total: many moderate blocks (attribute values,
// which pass no text count) fail once together they pass it. Ignorable whitespace is
// text too, the file's size counts whole, and every read closes its file.
TEST_F(ConfigTest, ParserMemoryIsARunningTotalAndEveryTextAndSizeCounts) {
  const auto opened = testsupport::OpenDescriptorCount();
  auto attributes = [](int count) {  // count values of 16 Ki characters, 32 KiB each
    std::string xml = "<!DOCTYPE C [<!ENTITY e \"" + std::string(8192, 'x') + "\">]><C><Header>kept</Header>";
    for (int i = 0; i < count; ++i) xml += "<a v=\"&e;&e;\"/>";
    return xml + "</C>";
  };
  EXPECT_TRUE(Read(attributes(1024)));
  EXPECT_FALSE(Read(attributes(2560), "bad.xml"));
  std::string blanks = "<!DOCTYPE C [<!ELEMENT C (Header)*><!ENTITY w \"" + std::string(4096, ' ') + "\">]><C>";
  for (std::size_t i = 0; i <= kConfigMaxText / 4096; ++i) blanks += "&w;";
  EXPECT_FALSE(Read(blanks + "</C>", "bad.xml"));
  // 4 GiB more than a good document: the low 32 bits of its size are the document's.
  const std::string good = "<C><Header>good</Header></C>";
  ASSERT_EQ(::truncate(WriteText(folder.File("huge.xml"), good).c_str(), (off_t{1} << 32) + off_t(good.size())), 0);
  EXPECT_FALSE(ReadConfig(Wide(folder.File("huge.xml"))));
  EXPECT_EQ(g_Header, L"kept");
  EXPECT_EQ(testsupport::OpenDescriptorCount(), opened);
}

// Nothing outside the file is read, whatever names it: each reference reads as empty.
TEST_F(ConfigTest, ExternalDtdsAndEntitiesAreNeverRead) {
  WriteText(folder.File("outside.txt"), "outside");
  WriteText(folder.File("outside.dtd"), "<!ENTITY x \"outside\">");
  const std::string entity = "<!DOCTYPE C [<!ENTITY x SYSTEM \"", file = folder.File("outside.txt");
  for (const std::string& doctype :
       {entity + "file://" + file + "\">]>", entity + file + "\">]>", entity + "outside.txt\">]>",
        entity + "http://127.0.0.1:1/x\">]>", std::string("<!DOCTYPE C SYSTEM \"outside.dtd\">"),
        std::string("<!DOCTYPE C SYSTEM \"http://127.0.0.1:1/c.dtd\">"),
        std::string("<!DOCTYPE C [<!ENTITY % p SYSTEM \"outside.dtd\"> %p;]>")}) {
    ASSERT_TRUE(Read(doctype + "<C><Header>[&x;]</Header></C>")) << doctype;
    EXPECT_EQ(g_Header, L"[]") << doctype;
  }
}

}  // namespace

// Xerces 3.2 leaks a few bytes for every document whose DOCTYPE names an external subset
// (allocated in XMLScanner::scanProlog and never freed, with or without validation or
// an entity resolver), and an entity's input stream when memory runs out for its reader
// (ReaderMgr::createIntEntReader, called from scanEntityRef, where the fast unwinder
// sees it). LeakSanitizer takes this list when the tests run under it.
extern "C" __attribute__((used, visibility("default"))) const char* __lsan_default_suppressions() {
  return "leak:xercesc_3_2::XMLScanner::scanProlog\n"
         "leak:xercesc_3_2::IGXMLScanner::scanEntityRef\n";
}
