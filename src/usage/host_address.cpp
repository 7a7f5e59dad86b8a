#include "usage/host_address.h"

namespace sirvane {

std::string_view HostOfLongUrl(std::string_view url) {
  std::size_t pos = 0;
  if (url.empty() || url.front() != '/') {
    pos = url.find('/');
    if (pos == std::string_view::npos) return std::string_view();
  }
  pos = url.find_first_not_of('/', pos);
  if (pos == std::string_view::npos) return std::string_view();
  const std::size_t end = url.find('/', pos);
  return url.substr(pos, end == std::string_view::npos ? std::string_view::npos : end - pos);
}

void AddHostTraffic(UsageTables& tables, std::string_view url, std::int64_t bytes, TReportRec& user) {
  tables.AddHostTraffic(user, HostOfUrl(url), bytes);
}

void AddAddress(UsageTables& tables, std::int32_t name_field, std::string_view address, TReportRec& user) {
  if (name_field == 1) return;
  tables.AddAddress(user, address);
}

}  // namespace sirvane
