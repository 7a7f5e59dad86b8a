#pragma once
// What every report writer reads besides the usage tables.
#include "config/settings.h"
#include "platform/clock.h"
#include "platform/locale.h"
#include "platform/text_file.h"
#include "report/page_templates.h"

namespace sirvane {

struct ReportContext {
  const Settings& settings;
  const PageTemplates& templates;
  double prognosis_factor;
  const Clock& clock;
  const LocaleFormats& formats;
  StagedFiles* staged_files = nullptr;  // null: each file replaces its target on close
  // Whether a user page already on disk is read first, to leave it alone
  // when unchanged (see OldPagesMayMatch); otherwise every page is written.
  bool compare_old_pages = true;
};

}  // namespace sirvane
