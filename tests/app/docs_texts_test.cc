// The trader's table of what fails quotes the product's own texts: each
// quoted text of its "what the trader sees" column is (a piece of) an
// English text of the interface table, the run texts or the engine messages.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/run_texts.h"
#include "app/text_table.h"
#include "install/result_text.h"
#include "platform/platform.h"

namespace copyloom {
namespace {

std::vector<std::wstring> EnglishTexts() {
  std::vector<std::wstring> texts;
  for (int i = 0; i < kTextKeyCount; ++i) {
    texts.emplace_back(TableText(static_cast<TextKey>(i), 0));
  }
  for (int i = 0; i <= static_cast<int>(RunText::LinkLeadsNowhere); ++i) {
    texts.push_back(RunMessageIn(0, static_cast<RunText>(i)));
  }
  for (int i = 0; i < kMessagesPerLanguage; ++i) texts.push_back(GetMessageText(i, 0));
  return texts;
}

std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream in(line);
  for (std::string cell; std::getline(in, cell, '|');) cells.push_back(cell);
  return cells;
}

TEST(DocsTextsTest, WhatTheTraderSeesQuotesTheTextTables) {
  std::ifstream doc(COPYLOOM_DOCS_DIR "/when-something-fails.md");
  ASSERT_TRUE(doc) << COPYLOOM_DOCS_DIR;
  const std::vector<std::wstring> known = EnglishTexts();
  int column = -1, quoted = 0;
  for (std::string line; std::getline(doc, line);) {
    if (line.empty() || line[0] != '|') {
      column = -1;
      continue;
    }
    const std::vector<std::string> cells = Cells(line);
    for (size_t i = 0; i < cells.size() && column < 0; ++i) {
      if (cells[i].find("what the trader sees") != std::string::npos) column = static_cast<int>(i);
    }
    if (column < 0 || column >= static_cast<int>(cells.size())) continue;
    const std::string& cell = cells[column];
    for (size_t open = cell.find('"'); open != std::string::npos; open = cell.find('"', open)) {
      const size_t close = cell.find('"', open + 1);
      ASSERT_NE(close, std::string::npos) << line;
      const std::wstring text = platform::Utf8ToWide(cell.substr(open + 1, close - open - 1));
      bool found = false;
      for (const std::wstring& k : known) found = found || k.find(text) != std::wstring::npos;
      EXPECT_TRUE(found) << "not a text of the product: " << cell.substr(open, close - open + 1);
      ++quoted;
      open = close + 1;
    }
  }
  EXPECT_GT(quoted, 10);
}

}  // namespace
}  // namespace copyloom
