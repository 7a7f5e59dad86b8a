#include "report/address_list.h"

#include "platform/text_file.h"

namespace sirvane {

void WriteAddressList(const UsageTables& tables, const ReportContext& context) {
  TextFileWriter file;
  file.Create(context.settings.OutputPath + "ipaccess.txt", context.staged_files);
  file.WriteLine("user:                 access from: ");
  std::string line;
  for (const TReportRec& user : tables.Users) {
    line.assign(user.UserName);
    line += " : ";
    for (std::size_t j = 0; j < user.Addresses.size(); ++j) {
      if (j > 0) line += ", ";
      tables.AppendAddressName(line, user.Addresses[j]);
    }
    line += ";";
    file.WriteLine(line);
  }
  file.Close();
}

}  // namespace sirvane
