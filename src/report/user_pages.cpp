#include "report/user_pages.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <vector>

#include "platform/file_system.h"
#include "platform/text_file.h"
#include "report/html_encoding.h"
#include "platform/in_order_tasks.h"
#include "report/numbers.h"
#include "report/summary_page.h"
#include "usage/post_processing.h"

namespace sirvane {

namespace {

void AppendLine(std::string& page, std::string_view text) {
  page.append(text);
  page.append("\r\n");
}

// Whether each host's name goes into a page as it is (no byte needs an
// entity): checked once a host, not once a row, as a popular host is on most
// users' pages.
std::vector<std::uint8_t> PlainHostNames(const UsageTables& tables) {
  std::vector<std::uint8_t> plain(tables.HostNameCount());
  for (std::size_t id = 0; id < plain.size(); ++id) {
    plain[id] = !NeedsHtmlEntity(tables.HostName(static_cast<std::uint32_t>(id)));
  }
  return plain;
}

void AppendHostRow(std::string& page, std::string_view host, bool plain, std::int64_t traffic) {
  static constexpr std::string_view kOpen = "<tr><td width=\"60%\" align=\"left\">";
  static constexpr std::string_view kMiddle = "</td><td width=\"40%\" align=\"center\">";
  static constexpr std::string_view kClose = "K</td></tr>\r\n";
  // A row of a usual host is put together on the stack and appended at once:
  // one append costs less than five.
  char row[256];
  constexpr std::size_t kFixed = kOpen.size() + kMiddle.size() + 20 + kClose.size();
  if (!plain || host.size() > sizeof row - kFixed) {
    page.append(kOpen);
    AppendHtmlText(page, host);
    page.append(kMiddle);
    char digits[24];
    const auto converted = std::to_chars(digits, digits + sizeof digits, KiloBytes(traffic));
    page.append(digits, converted.ptr);
    page.append(kClose);
    return;
  }
  char* at = row;
  std::memcpy(at, kOpen.data(), kOpen.size());
  at += kOpen.size();
  if (!host.empty()) std::memcpy(at, host.data(), host.size());  // an empty host may have no data
  at += host.size();
  std::memcpy(at, kMiddle.data(), kMiddle.size());
  at += kMiddle.size();
  at = std::to_chars(at, at + 20, KiloBytes(traffic)).ptr;
  std::memcpy(at, kClose.data(), kClose.size());
  at += kClose.size();
  page.append(row, at);
}

// One page-writing thread's memory: the page being made, and the date line,
// made again only when the clock has moved on (formatting a date costs more
// than the rest of a small page's figures).
struct PageBuffer {
  std::string page;
  LocalDateTime dated;
  std::string date_line;

  const std::string& DateLine(const ReportContext& context) {
    LocalDateTime now = context.clock.Now();
    now.millisecond = 0;  // no date format shows it
    if (date_line.empty() || now != dated) {
      date_line = CreationDateLine(context, now);
      dated = now;
    }
    return date_line;
  }
};

// A page is assembled in memory and handed to `emit` in one piece: pages are
// small and many, and one write costs less than many buffered ones. A user
// with a great many hosts goes a megabyte at a time, so memory stays bounded.
// `emit(piece, last)` returns false to stop; so does this, then.
template <typename Emit>
bool MakeUserPage(PageBuffer& buffer, const TReportRec& user, const UsageTables& tables,
                  const std::vector<std::uint8_t>& plain_hosts, const ReportContext& context, Emit&& emit) {
  constexpr std::size_t kPieceSize = std::size_t{1} << 20;
  std::string& page = buffer.page;
  const PageTemplates& t = context.templates;
  page.clear();
  AppendLine(page, t.PageHeader);
  AppendLine(page, t.Banner);
  AppendLine(page, "<p align=\"center\">");
  AppendLine(page, t.TableOpen);
  AppendLine(page, t.UserTableHeader);
  page.append("<tr>\r\n<td width=\"50%\" align=\"left\"><strong>");
  AppendHtmlText(page, user.UserName);
  AppendUserFigures(page, user, context, "</strong></td>");
  page.append("\r\n");
  AppendLine(page, t.TableClose);
  AppendLine(page, "</p>");
  AppendLine(page, "<p align=\"center\">");
  AppendLine(page, t.TableOpen);
  AppendLine(page, t.UrlTableHeader);
  for (const HostIndex::Entry& host : user.Hosts) {
    if (host.traffic <= 0) continue;
    AppendHostRow(page, tables.HostName(host.id), plain_hosts[host.id] != 0, host.traffic);
    if (page.size() >= kPieceSize) {
      if (!emit(std::string_view(page), false)) return false;
      page.clear();
    }
  }
  AppendLine(page, t.TableClose);
  AppendLine(page, "</p>");
  AppendLine(page, buffer.DateLine(context));
  AppendLine(page, t.PageFooter);
  return emit(std::string_view(page), true);
}

// A page that is already there with the same bytes is left as it is: a rerun
// that changes nothing then creates, moves and deletes no page. A page is
// made twice only when it is bigger than one piece and changed. When the old
// pages cannot match (context.compare_old_pages), none is read.
void WriteUserPage(PageBuffer& buffer, std::size_t position, const UsageTables& tables,
                   const std::vector<std::uint8_t>& plain_hosts, const ReportContext& context) {
  const std::string& page = buffer.page;
  const TReportRec& user = tables.Users[position];
  const std::string path = context.settings.OutputPath + std::string(tables.PageName(position)) + ".html";
  bool whole = false;  // the page came in one piece, still in `page`
  if (context.compare_old_pages) {
    FileComparer old(context.staged_files != nullptr ? context.staged_files->Target(path) : ResolveForCreate(path));
    bool first = true;
    const bool same = MakeUserPage(buffer, user, tables, plain_hosts, context, [&](std::string_view piece, bool last) {
      whole = first && last;
      first = false;
      return old.Continues(piece);
    });
    if (same && old.Same()) return;
  }
  TextFileWriter file;
  file.Create(path, context.staged_files);
  if (whole) {
    file.WriteUnbuffered(page);
  } else {
    MakeUserPage(buffer, user, tables, plain_hosts, context, [&](std::string_view piece, bool) {
      file.WriteUnbuffered(piece);
      return true;
    });
  }
  file.Close();
}

}  // namespace

bool OldPagesMayMatch(const ReportContext& context) {
  PageBuffer buffer;
  const std::string tail = buffer.DateLine(context) + "\r\n" + context.templates.PageFooter + "\r\n";
  return FileEndsWith(context.settings.OutputPath + "report.html", tail);
}

void WriteUserPages(const UsageTables& tables, const ReportContext& context, unsigned threads) {
  std::vector<std::uint32_t> visible;  // positions
  for (std::size_t k = 0; k < tables.Users.size(); ++k) {
    if (IsVisibleUser(tables.Users[k], context.settings)) visible.push_back(static_cast<std::uint32_t>(k));
  }
  // Pages are independent files; with two threads the error reported is
  // still that of the first failing page.
  const std::vector<std::uint8_t> plain_hosts = PlainHostNames(tables);
  std::vector<PageBuffer> buffers(std::max(threads, 1u));
  RunInIndexOrder(visible.size(), threads, [&](unsigned worker, std::size_t i) {
    WriteUserPage(buffers[worker], visible[i], tables, plain_hosts, context);
  });
}

void WriteUserPages(const UsageTables& tables, const ReportContext& context) {
  WriteUserPages(tables, context, TaskThreads());
}

}  // namespace sirvane
