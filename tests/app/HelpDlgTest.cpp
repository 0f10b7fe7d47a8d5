#include "app/HelpDlg.h"

#include <QTableWidget>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "tests/TestSupport.h"

namespace velmora {
namespace {

std::string Trim(const std::string& s) {
  const auto begin = s.find_first_not_of(' ');
  return begin == std::string::npos ? "" : s.substr(begin, s.find_last_not_of(' ') - begin + 1);
}

// The rows of the README's "Mouse and keyboard" table: input -> effect | caption.
std::map<std::string, std::string> ReadmeRows() {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  std::ifstream in(std::string(source ? source : ".") + "/README.md");
  std::map<std::string, std::string> rows;
  bool inSection = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("## ", 0) == 0) inSection = line.rfind("## Mouse and keyboard", 0) == 0;
    if (!inSection || line.rfind("| ", 0) != 0 || line.rfind("| input", 0) == 0) continue;
    std::vector<std::string> cells;
    std::istringstream fields(line.substr(1));
    for (std::string cell; std::getline(fields, cell, '|');) cells.push_back(Trim(cell));
    if (cells.size() >= 3) rows[cells[0]] = cells[1] + " | " + cells[2];
  }
  return rows;
}

// The help window and the README say the same for every input the README lists, no key
// is given two meanings, and the window shows every row.
TEST(HelpDlg, ListsEveryKeyOfTheReadmeAndTheNewOnesWithoutClashes) {
  const auto readme = ReadmeRows();
  ASSERT_GE(readme.size(), 18u) << "README table not found";
  std::set<std::string> keys;
  std::size_t fromReadme = 0;
  for (const HelpRow& row : HelpRows()) {
    SCOPED_TRACE(row.input);
    if (auto it = readme.find(row.input); it != readme.end()) {
      EXPECT_EQ(std::string(row.effect) + " | " + row.caption, it->second);
      ++fromReadme;
    }
    std::string input = row.input;
    std::replace(input.begin(), input.end(), '/', ',');  // "F8 / F9"
    std::istringstream tokens(input);
    for (std::string key; std::getline(tokens, key, ',');)
      if (Trim(key).find(' ') == std::string::npos) {
        EXPECT_TRUE(keys.insert(Trim(key)).second);
      }
  }
  EXPECT_EQ(fromReadme, readme.size());

  HelpDlg help;
  help.show();
  auto* table = help.findChild<QTableWidget*>();
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->rowCount(), static_cast<int>(HelpRows().size()));
  for (int i = 0; i < table->rowCount(); ++i) {
    EXPECT_EQ(table->item(i, 0)->text(), QString::fromUtf8(HelpRows()[i].input));
    EXPECT_FALSE(table->item(i, 1)->text().contains('`'));
  }
}

}  // namespace
}  // namespace velmora
