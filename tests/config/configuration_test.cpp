#include "config/configuration.h"

#include <gtest/gtest.h>

#include "platform/error.h"
#include "support/temp_dir.h"

namespace sirvane {
namespace {

const LocalDateTime kDecember2026{2026, 12, 5, 14, 2, 11, 0, 6};

struct Loaded {
  bool ok;
  Settings settings;
};

Loaded Apply(const std::string& content) {
  Loaded result{false, Settings()};
  result.ok = ApplyConfiguration(content, result.settings, kDecember2026, LowerCase());
  return result;
}

TEST(ConfigurationTest, ReadsTheDocumentedExample) {
  const Loaded r = Apply(
      "; Sirvane configuration\r\n"
      "InputPath = C:\\WebLogs\\access*.log\r\n"
      "OutputPath = C:\\InetPub\\Reports\r\n"
      "parser = space\r\n"
      "namefield = 3\r\n"
      "bytesfield = 5\r\n"
      "queryfield = 7\r\n"
      "ipfield = 1\r\n"
      "logfile = C:\\WebLogs\\sirvane.log\r\n"
      "finalreport = no\r\n"
      "limit = 104857600\r\n"
      "localdomain = intranet\r\n"
      "localdomain = 192.168.\r\n"
      "invisible_user = -\r\n"
      "invisible_user = Administrator\r\n");
  ASSERT_TRUE(r.ok) << r.settings.ConfigErrors;
  const Settings& s = r.settings;
  EXPECT_EQ(s.InputPath, "c:\\weblogs\\access*.log");
  EXPECT_EQ(s.OutputPath, "c:\\inetpub\\reports");
  EXPECT_EQ(s.Separator, ' ');
  EXPECT_EQ(s.NameField, 3);
  EXPECT_EQ(s.BytesField, 5);
  EXPECT_EQ(s.QueryField, 7);
  EXPECT_EQ(s.IpField, 1);
  EXPECT_EQ(s.WorkLogName, "c:\\weblogs\\sirvane.log");
  EXPECT_FALSE(s.FinalReport);
  EXPECT_EQ(s.Limit, 104857600);
  EXPECT_EQ(s.LocalDomains, (std::vector<std::string>{"intranet", "192.168."}));
  EXPECT_EQ(s.InvisibleUsers, (std::vector<std::string>{"-", "administrator"}));
  EXPECT_EQ(s.ReportMonth, 12);
  EXPECT_EQ(s.ReportYear, 2026);
}

struct ErrorCase {
  std::string content;
  std::string errors;
};

TEST(ConfigurationTest, CollectsErrorsInFileOrder) {
  const std::string input = "inputpath=x\n";
  const std::vector<ErrorCase> cases = {
      {input + "namefield=three\n", "NamePart is not number; "},
      {input + "namefield=abc\nmonth=xyz\n", "NamePart is not number; Month is not number; "},
      {input + "bytesfield=-1\nqueryfield=\nipfield=1.5\nyear=+5\nlimit=1073741824\nunknown=1\nnamefield\n",
       "BytesField is not number; QueryField is not number; IPField is not number; Year is not number; "
       "Limit is not number; "},
      {input + "month=12 ;december\n", "Month is not number; "},
      {"namefield=abc\n", "Input path is not defined; "},            // replaces the collected text
      {"inputpath=\n", "Input path is not defined; "},
      {input + "logfile=\n", "Log file path is not defined; "},
      {"inputpath=\nlogfile=\n", "Log file path is not defined; "},  // replaces the message before it
      {"inputpath=c:\\a=b\\*.log\n", "Input path is not defined; "}, // three fields: passed over
      {"", "Input path is not defined; "},
      {"; only a comment\n", "Input path is not defined; "},
      {"\xEF\xBB\xBFinputpath=x\n", ""},  // a byte-order mark is skipped
      {" ;inputpath=x\n", "Input path is not defined; "},  // not a comment, but the key is ";inputpath"
      {"inputpath=x\x1Anamefield=abc\n", ""},               // Ctrl-Z ends the file
  };
  for (const ErrorCase& c : cases) {
    const Loaded r = Apply(c.content);
    EXPECT_EQ(r.settings.ConfigErrors, c.errors) << c.content;
    EXPECT_EQ(r.ok, c.errors.empty()) << c.content;
  }
}

TEST(ConfigurationTest, LinesEndAtLfCrLfOrLoneCr) {
  for (const std::string eol : {"\n", "\r\n", "\r"}) {
    const Loaded r = Apply("inputpath=a" + eol + "namefield=4" + eol + "limit==5" + eol + "=5" + eol);
    EXPECT_TRUE(r.ok) << r.settings.ConfigErrors;
    EXPECT_EQ(r.settings.NameField, 4);
    EXPECT_EQ(r.settings.Limit, 5);
  }
}

TEST(ConfigurationTest, ValuesFollowTheirRules) {
  const std::string input = "inputpath=x\n";
  EXPECT_EQ(Apply(input + "namefield=abc\nnamefield=4\n").settings.NameField, 4);
  EXPECT_EQ(Apply(input + "namefield=4\nnamefield=abc\n").settings.NameField, 4);
  const Settings zero = Apply(input + "month=0\nyear=0\n").settings;
  EXPECT_EQ(zero.ReportMonth * 10000 + zero.ReportYear, 122026);
  EXPECT_EQ(Apply(input + "month=007\n").settings.ReportMonth, 7);
  EXPECT_EQ(Apply(input + "limit=1073741823\n").settings.Limit, 1073741823);
  EXPECT_EQ(Apply(input + "localdomain=\ninvisible_user=a\ninvisible_user=A\n").settings.InvisibleUsers,
            (std::vector<std::string>{"a", "a"}));
  EXPECT_EQ(Apply(input + "OutputPath = C:\\Web Logs\\x\n").settings.OutputPath, "c:\\weblogs\\x");

  for (const auto& [value, expected] : std::vector<std::pair<std::string, bool>>{
           {"yes", true}, {" YES", true}, {"true", false}, {"1", false}, {"yes\nfinalreport=no", false}}) {
    EXPECT_EQ(Apply(input + "finalreport=" + value + "\n").settings.FinalReport, expected) << value;
  }
  for (const auto& [value, expected] : std::vector<std::pair<std::string, char>>{
           {"tab", ' '}, {"TAB", ' '}, {"Space", ' '}, {"", ' '}, {";", ';'}, {"|", '|'}, {"comma", 'c'}, {"\t", '\t'}}) {
    EXPECT_EQ(Apply(input + "parser=" + value + "\n").settings.Separator, expected) << value;
  }
}

TEST(ConfigurationTest, MissingFileOrDirectoryIsRefused) {
  testing::TempDir dir;
  Settings settings;
  EXPECT_FALSE(LoadConfiguration(dir.File("none.cfg"), settings, kDecember2026, LowerCase()));
  EXPECT_EQ(settings.ConfigErrors, "Configuration file not exist; ");
  EXPECT_EQ(settings.ReportMonth, 0);  // defaults stay when there is no file

  Settings from_directory;
  EXPECT_FALSE(LoadConfiguration(dir.path(), from_directory, kDecember2026, LowerCase()));
  EXPECT_EQ(from_directory.ConfigErrors, "Configuration file not exist; ");

  testing::WriteFile(dir.File("ok.cfg"), "inputpath=*.log\r\n");
  Settings read;
  EXPECT_TRUE(LoadConfiguration(dir.File("ok.cfg"), read, kDecember2026, LowerCase()));
  EXPECT_EQ(read.InputPath, "*.log");
}

TEST(ConfigurationTest, ExportTakesCsvJsonOrBoth) {
  struct Case {
    std::string lines;  // after inputpath
    bool csv;
    bool json;
    std::string errors;
  };
  const std::vector<Case> cases = {
      {"", false, false, ""},
      {"export=csv\n", true, false, ""},
      {"export=JSON\n", false, true, ""},
      {"export = Json , CSV\n", true, true, ""},
      {"export=csv,csv\n", true, false, ""},
      {"export=csv\nexport=json\n", false, true, ""},  // the last valid line decides
      {"export=xml\n", false, false, "Export is not csv or json; "},
      {"export=\n", false, false, "Export is not csv or json; "},
      {"export=csv,\n", false, false, "Export is not csv or json; "},
      {"export=json\nexport=csv,html\n", false, true, "Export is not csv or json; "},  // keeps json
      {"namefield=x\nexport=pdf\nmonth=y\n", false, false,
       "NamePart is not number; Export is not csv or json; Month is not number; "},
  };
  for (const Case& c : cases) {
    const Loaded r = Apply("inputpath=x\n" + c.lines);
    EXPECT_EQ(r.settings.ConfigErrors, c.errors) << c.lines;
    EXPECT_EQ(r.settings.ExportCsv, c.csv) << c.lines;
    EXPECT_EQ(r.settings.ExportJson, c.json) << c.lines;
  }
}

}  // namespace
}  // namespace sirvane
