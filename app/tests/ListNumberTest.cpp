// The running numbers of every member and statistics list stay on one line with their period
// past 9,999 rows: each template runs over a parish of 10,010 members through orvane-report,
// and pdftotext -raw gives back every row as "N. ..." from 1 to 10,010.
#include "app/Documents.h"
#include "app/tests/DocumentTesting.h"
#include "app/tests/ParishFixture.h"

namespace orv::test {

namespace {

const char* const kMemberLists[] = {
    "members-by-name.xml",        "members-by-saint.xml",         "members-by-group.xml",
    "members-by-code.xml",        "members-by-birthday.xml",      "members-by-house.xml",
    "members-by-family.xml",      "members-by-occupation.xml",    "members-by-death-day.xml",
    "members-by-baptism-godparents.xml", "members-moved-in.xml",  "members-moved-out.xml",
    "members-by-confirmation-sponsors.xml", "members-by-marriage-witnesses.xml",
    "members-by-father.xml",      "members-by-mother.xml",        "members-by-baptism-church.xml"};
const char* const kStatisticsLists[] = {"statistics-birth.xml",        "statistics-baptism.xml",
                                        "statistics-first-communion.xml", "statistics-confirmation.xml",
                                        "statistics-marriage.xml",     "statistics-death.xml"};

}  // namespace

class ListNumberTest : public ParishTest {};

TEST_F(ListNumberTest, RunningNumbersOfFiveDigitsStayOnOneLineInEveryList) {
  constexpr int kMembers = 10010;
  MakeDemo(kMembers);
  // Every member in the list, whatever the search would have picked: the numbers are the point.
  const std::string members = "select *, mtmn_father || '-' || mtmn_mother as FaMo from Orvani order by ID";
  std::string commands;
  std::vector<std::pair<std::string, std::filesystem::path>> pdfs;
  auto add = [&](const char* name, const std::string& data) {
    std::filesystem::path pdf = dir_ / (std::string(name) + ".pdf");
    pdfs.emplace_back(name, pdf);
    commands += std::string(ORVANE_REPORT_PROGRAM) + " " + Quoted(DocumentFile(name)) + " --db " + Quoted(Db()) +
                " " + data + " --pdf " + Quoted(pdf.string()) + " && pdftotext -raw -enc UTF-8 " + Quoted(pdf.string()) +
                " " + Quoted(pdf.string() + ".txt") + "\n";
  };
  for (const char* name : kMemberLists)
    add(name, "--data " + Quoted("kvxDBDataset3=" + members) + " --var " + Quoted("DInBetween='x'") + " --var " + Quoted("DOutBetween='x'"));
  for (const char* name : kStatisticsLists)
    add(name, "--data " + Quoted("kvxDBDataset1=" + members) + " --data " +
                  Quoted("kvxDBDataset2=select * from print") + " --var " + Quoted("TextResult='x'"));
  // Two at a time: the suite shares the machine.
  std::ofstream(dir_ / "runs") << commands;
  std::string out;
  ASSERT_EQ(RunShell("xargs -d '\\n' -n 1 -P 2 sh -c < " + Quoted((dir_ / "runs").string()) + " 2>&1", out), 0) << out;
  for (const auto& [name, pdf] : pdfs) {
    int rows = 0;
    std::string problem;
    for (std::string line : Lines(FileBytes(pdf.string() + ".txt"))) {
      if (line.rfind("\f", 0) == 0) line.erase(0, 1);
      if (line.empty()) continue;
      size_t digits = line.find_first_not_of("0123456789");
      if (digits > 0 && digits != std::string::npos && line.compare(digits, 2, ". ") == 0) {
        if (std::stoi(line.substr(0, digits)) != rows + 1 && problem.empty())
          problem = "row " + std::to_string(rows + 1) + ": " + line;
        ++rows;
      } else if ((digits == std::string::npos || line.rfind(".", 0) == 0) && problem.empty()) {
        // A number cut from its period leaves a line of digits or a lone period.
        problem = "after row " + std::to_string(rows) + ": \"" + line + "\"";
      }
    }
    EXPECT_EQ(rows, kMembers) << name;
    EXPECT_EQ(problem, "") << name;
  }
}

}  // namespace orv::test
