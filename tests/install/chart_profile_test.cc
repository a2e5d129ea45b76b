#include "install/chart_profile.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "install/mt_assist.h"
#include "support/test_machine.h"

namespace copyloom {
namespace {

TEST(LastWindowSymbolTest, Samples) {
  struct Case {
    const wchar_t* list;
    std::optional<std::wstring> symbol;
  } cases[] = {
      {L"EURUSD,H1\r\nGBPUSD,H4\r\n", L"GBPUSD"},
      {L"EURUSD,H1", L"EURUSD"},
      {L"EURUSD,H1,x", std::nullopt},               // one line, two commas
      {L"EURUSD,H1\r\nGBPUSD,H4,x", L"GBPUSD,H4"},  // only one line is checked
      {L"EURUSD,H1\rGBPUSD,H4", L"GBPUSD"},         // a lone "\r" breaks too
      {L"EURUSD,H1\n  USDJPY ,H4", L"USDJPY"},
      {L",H1", std::nullopt},                 // comma first
      {L"EURUSD H1", std::nullopt},           // no comma
      {L"EURUSD,H1\r\n  ,H4", std::nullopt},  // empty symbol
      {L"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(LastWindowSymbol(c.list), c.symbol) << c.list;
}

TEST(ChartTextTest, TemplateAndWindowLine) {
  EXPECT_EQ(ChartFileText(L"GBPUSD", L"MyProvider"),
            L"<chart>\r\nsymbol=GBPUSD\r\nperiod=10080\r\ngrid=1\r\nshift=1\r\nwindow_type=3\r\n"
            L"<expert>\r\nname=MyProvider\r\nflags=343\r\n</expert>\r\n</chart>");
  EXPECT_EQ(AppendWindowLine(L"EURUSD,H1", L"EURUSD"), L"EURUSD,H1\r\nEURUSD,Weekly\r\n");
  EXPECT_EQ(AppendWindowLine(L"A,H1\r\n", L"A"), L"A,H1\r\nA,Weekly\r\n");
  EXPECT_EQ(AppendWindowLine(L"A,H1\r", L"A"), L"A,H1\rA,Weekly\r\n");
}

TEST(ChartTextTest, ProfileNamesStayInsideProfiles) {
  EXPECT_TRUE(IsPlainProfileName(L"default"));
  EXPECT_TRUE(IsPlainProfileName(L"My Profile.2"));
  for (const wchar_t* name : {L"", L".", L"..", L"..\\x", L"a/b", L"C:x", L"\\abs"}) {
    EXPECT_FALSE(IsPlainProfileName(name)) << name;
  }
}

class ChartProfileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_.StartProduct();
    machine_.MakeTerminal(L"C:\\MT4");
  }
  void Put(const std::wstring& relative, const std::string& bytes) {
    machine_.WriteFile(L"C:\\MT4\\profiles\\" + relative, bytes);
  }
  std::string Get(const std::wstring& relative) {
    return machine_.ReadFile(L"C:\\MT4\\profiles\\" + relative);
  }
  bool Has(const std::wstring& relative) {
    return machine_.Exists(L"C:\\MT4\\profiles\\" + relative);
  }

  test::TestMachine machine_;
  CMTAssist engine_;
};

TEST_F(ChartProfileTest, WritesTheChartAndOneWindowLineOnce) {
  Put(L"lastprofile.ini", "default\r\n");
  Put(L"default\\order.wnd", "EURUSD,H1\r\nGBPUSD,H4\r\n");
  EXPECT_EQ(engine_.WriteChartProfile(L"C:\\MT4", L"MyProvider"), L"");
  EXPECT_EQ(Get(L"default\\chart00.chr"),
            "<chart>\r\nsymbol=GBPUSD\r\nperiod=10080\r\ngrid=1\r\nshift=1\r\nwindow_type=3\r\n"
            "<expert>\r\nname=MyProvider\r\nflags=343\r\n</expert>\r\n</chart>");
  EXPECT_EQ(Get(L"default\\order.wnd"), "EURUSD,H1\r\nGBPUSD,H4\r\nGBPUSD,Weekly\r\n");

  // A profile with a chart is left alone.
  EXPECT_EQ(engine_.WriteChartProfile(L"C:\\MT4\\", L"Other"), L"SUCC");
  EXPECT_EQ(Get(L"default\\order.wnd"), "EURUSD,H1\r\nGBPUSD,H4\r\nGBPUSD,Weekly\r\n");
  EXPECT_NE(Get(L"default\\chart00.chr").find("name=MyProvider"), std::string::npos);
}

TEST_F(ChartProfileTest, SingleLineWindowListGetsALineBreakFirst) {
  Put(L"lastprofile.ini", "  Trading  ");
  Put(L"Trading\\order.wnd", "EURUSD,H1");
  engine_.WriteChartProfile(L"C:\\MT4", L"_Velmora Signal Receiver");
  EXPECT_EQ(Get(L"Trading\\order.wnd"), "EURUSD,H1\r\nEURUSD,Weekly\r\n");
  EXPECT_NE(Get(L"Trading\\chart00.chr").find("symbol=EURUSD\r\n"), std::string::npos);
}

TEST_F(ChartProfileTest, UnusableInputsWriteNothing) {
  // No lastprofile.ini.
  Put(L"default\\order.wnd", "EURUSD,H1");
  EXPECT_EQ(engine_.WriteChartProfile(L"C:\\MT4", L"X"), L"");
  EXPECT_FALSE(Has(L"default\\chart00.chr"));

  // One that starts with a zero byte counts as empty.
  Put(L"lastprofile.ini", std::string("\0default", 8));
  engine_.WriteChartProfile(L"C:\\MT4", L"X");
  EXPECT_FALSE(Has(L"default\\chart00.chr"));

  // Two commas on the only line.
  Put(L"lastprofile.ini", "default");
  Put(L"default\\order.wnd", "EURUSD,H1,x");
  engine_.WriteChartProfile(L"C:\\MT4", L"X");
  EXPECT_FALSE(Has(L"default\\chart00.chr"));
  EXPECT_EQ(Get(L"default\\order.wnd"), "EURUSD,H1,x");

  // A UTF-16 list holds zero bytes: no ANSI text, left as it is.
  std::string utf16;
  for (char c : std::string("EURUSD,H1\r\nGBPUSD,H4\r\n")) utf16 += {c, '\0'};
  Put(L"default\\order.wnd", utf16);
  engine_.WriteChartProfile(L"C:\\MT4", L"X");
  EXPECT_FALSE(Has(L"default\\chart00.chr"));
  EXPECT_EQ(Get(L"default\\order.wnd"), utf16);

  // An empty window list, then none at all.
  Put(L"default\\order.wnd", "");
  engine_.WriteChartProfile(L"C:\\MT4", L"X");
  EXPECT_FALSE(Has(L"default\\chart00.chr"));
  Put(L"lastprofile.ini", "missing");
  engine_.WriteChartProfile(L"C:\\MT4", L"X");
  EXPECT_FALSE(Has(L"missing\\chart00.chr"));
}

TEST_F(ChartProfileTest, ProfileNameCannotLeadOutOfProfiles) {
  Put(L"lastprofile.ini", "..\\..");
  machine_.WriteFile(L"C:\\order.wnd", "EURUSD,H1");
  EXPECT_EQ(engine_.WriteChartProfile(L"C:\\MT4", L"X"), L"");
  EXPECT_FALSE(machine_.Exists(L"C:\\chart00.chr"));
  EXPECT_EQ(machine_.ReadFile(L"C:\\order.wnd"), "EURUSD,H1");
}

}  // namespace
}  // namespace copyloom
