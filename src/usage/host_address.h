#pragma once
// Per-user host traffic and client addresses.
#include <cstdint>
#include <string_view>

#include "usage/usage_tables.h"

namespace sirvane {

// The host of a requested URL (already lower-cased, without spaces): the
// second field of the URL split at '/', which is empty when there is none.
// "http://host.example:8080/x" gives "host.example:8080", "host.example:443"
// gives "", "/index.html" gives "index.html".
std::string_view HostOfUrl(std::string_view url);

// Adds the line's bytes to the user's entry for the URL's host.
void AddHostTraffic(UsageTables& tables, std::string_view url, std::int64_t bytes, TReportRec& user);

// Records the client address once per user. Addresses are not kept while user
// names come from the first field, which is where the address usually is.
void AddAddress(UsageTables& tables, std::int32_t name_field, std::string_view address, TReportRec& user);

}  // namespace sirvane
