#include "app/HelpDlg.h"

#include <QTableWidget>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/TestSupport.h"

namespace velmora {
namespace {

// Every help row appears, as it reads, in the README's "Mouse and keyboard" table, and the
// window shows every row.
TEST(HelpDlg, EveryRowIsInTheReadmeAndInTheWindow) {
  const char* source = std::getenv("VELMORA_SOURCE_DIR");
  std::ifstream in(std::string(source ? source : ".") + "/README.md");
  std::stringstream readme;
  readme << in.rdbuf();
  HelpDlg help;
  auto* table = help.findChild<QTableWidget*>();
  ASSERT_NE(table, nullptr);
  ASSERT_EQ(table->rowCount(), static_cast<int>(HelpRows().size()));
  for (int i = 0; i < table->rowCount(); ++i) {
    const HelpRow& row = HelpRows()[i];
    EXPECT_NE(readme.str().find(std::string("| ") + row.input + " | " + row.effect + " | "),
              std::string::npos)
        << row.input;
    EXPECT_EQ(table->item(i, 0)->text(), QString::fromUtf8(row.input));
    EXPECT_FALSE(table->item(i, 1)->text().contains('`'));
  }
}

}  // namespace
}  // namespace velmora
