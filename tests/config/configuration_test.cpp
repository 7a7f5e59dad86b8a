#include "config/configuration.h"

#include <gtest/gtest.h>

#include <sstream>

namespace sirvane {
namespace {

// Reads `content` as of 5 December 2026 and gives every setting on one line,
// the collected errors first; "!" marks a result that disagrees with them.
std::string Apply(const std::string& content) {
  Settings s;
  const bool ok = ApplyConfiguration(content, s, LocalDateTime{2026, 12, 5, 14, 2, 11, 0, 6}, LowerCase());
  std::ostringstream out;
  out << "errors=" << s.ConfigErrors << (ok == s.ConfigErrors.empty() ? "|" : "!") << " export=" << s.ExportCsv
      << s.ExportJson << " limit=" << s.Limit << " period=" << s.ReportMonth << '/' << s.ReportYear;
  out << " fields=" << s.NameField << '/' << s.BytesField << '/' << s.QueryField << '/' << s.IpField
      << " final=" << s.FinalReport << " sep=[" << s.Separator << "] in=" << s.InputPath;
  out << " out=" << s.OutputPath << " log=" << s.WorkLogName << " local=";
  for (const std::string& domain : s.LocalDomains) out << domain << ',';
  out << " hidden=";
  for (const std::string& user : s.InvisibleUsers) out << user << ',';
  return out.str();
}

// Each configuration gives a summary that holds the expected part.
TEST(ConfigurationTest, ValuesAndErrorsFollowTheirRules) {
  const std::string x = "inputpath=x\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      // The documented example, every setting at once.
      {"InputPath = C:\\WebLogs\\access*.log\r\nOutputPath = C:\\InetPub\\Reports\r\n"
       "parser = space\r\nnamefield = 3\r\nbytesfield = 5\r\nqueryfield = 7\r\nipfield = 1\r\n"
       "logfile = C:\\WebLogs\\sirvane.log\r\nfinalreport = no\r\nlimit = 104857600\r\n"
       "localdomain = intranet\r\nlocaldomain = 192.168.\r\ninvisible_user = -\r\ninvisible_user = Administrator\r\n",
       "errors=| export=00 limit=104857600 period=12/2026 fields=3/5/7/1 final=0 sep=[ ] "
       "in=c:\\weblogs\\access*.log out=c:\\inetpub\\reports log=c:\\weblogs\\sirvane.log "
       "local=intranet,192.168., hidden=-,administrator,"},
      {x + "namefield=abc\nmonth=12 ;december\n", "errors=NamePart is not number; Month is not number; |"},
      {x + "bytesfield=-1\nqueryfield=\nipfield=1.5\nyear=+5\nlimit=1073741824\nunknown=1\nnamefield\n",
       "errors=BytesField is not number; QueryField is not number; IPField is not number; Year is not number; "
       "Limit is not number; |"},
      {x + "limit=00000000000000000000001073741823\nmonth=2147483648\nyear=99999999999999999999\n",
       "errors=Month is not number; Year is not number; | export=00 limit=1073741823 period=12/2026 "},
      // Without these two nothing can run: their message replaces the others.
      {"namefield=abc\n", "errors=Input path is not defined; |"},
      {"inputpath=\nlogfile=\n", "errors=Log file path is not defined; |"},
      // A byte-order mark is skipped; Ctrl-Z ends the file.
      {"\xEF\xBB\xBFinputpath=x\n", "errors=|"}, {"inputpath=x\x1Anamefield=abc\n", "errors=|"},
      {"inputpath=a\rnamefield=4\r\nlimit==5\r=5\n", "limit=5 period=12/2026 fields=4/10/7/0 "},
      {x + "namefield=abc\nnamefield=4\n", "fields=4/"}, {x + "namefield=4\nnamefield=abc\n", "fields=4/"},
      {x + "month=0\nyear=0\n", "period=12/2026 "}, {x + "finalreport= YES\n", "final=1 "},
      {x + "localdomain=\ninvisible_user=a\ninvisible_user=A\n", "local=, hidden=a,a,"},
      {x + "OutputPath = C:\\Web Logs\\x\n", "out=c:\\weblogs\\x "},
      {x + "parser=TAB\n", "sep=[ ]"}, {x + "parser=comma\n", "sep=[c]"},
      {x + "export = Json , CSV\n", "errors=| export=11"},
      {x + "export=json\nexport=csv,html\n", "errors=Export is not csv or json; | export=01"},  // json stays
  };
  for (const auto& [content, part] : cases) {
    const std::string summary = Apply(content);
    EXPECT_NE(summary.find(part), std::string::npos) << content << "\n gives " << summary;
  }
}

}  // namespace
}  // namespace sirvane
