#include "report/export_json.h"

#include <vector>

namespace sirvane {

namespace {

constexpr std::string_view kReplacement = "\\ufffd";

// The length of the valid UTF-8 sequence at the start of `text` (1 to 4), or
// 0 with `bad` set to the length of the maximal invalid part to replace.
std::size_t Utf8Sequence(std::string_view text, std::size_t& bad) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // overlong
    if (lead == 0xED) high = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // overlong
    if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
  } else {
    bad = 1;
    return 0;
  }
  for (std::size_t i = 1; i < length; ++i) {
    const bool ok = i < text.size() && byte(i) >= (i == 1 ? low : 0x80) && byte(i) <= (i == 1 ? high : 0xBF);
    if (!ok) {
      bad = i;
      return 0;
    }
  }
  return length;
}

class JsonWriter {
 public:
  std::string out;

  void Key(std::string_view key) {
    Separate();
    AppendJsonString(out, key);
    out += ": ";
    pending_value_ = true;  // the value follows without a separator
  }
  void Value(std::int64_t value) {
    BeforeValue();
    AppendJsonInteger(out, value);
  }
  void Value(bool value) {
    BeforeValue();
    out += value ? "true" : "false";
  }
  void Text(std::string_view value) {
    BeforeValue();
    AppendJsonString(out, value);
  }
  void Null() {
    BeforeValue();
    out += "null";
  }
  // A key with its number or truth value.
  template <typename T>
  void Field(std::string_view key, T value) {
    Key(key);
    Value(value);
  }
  // Objects and arrays; a compact one stays on one line.
  void Open(char bracket, bool compact = false) {
    BeforeValue();
    out += bracket;
    compact_.push_back(compact || (!compact_.empty() && compact_.back()));
    first_ = true;
  }
  void Close(char bracket) {
    const bool compact = compact_.back();
    compact_.pop_back();
    if (!first_ && !compact) NewLine();
    out += bracket;
    first_ = false;
  }

 private:
  void NewLine() {
    out += '\n';
    out.append(2 * compact_.size(), ' ');
  }
  void Separate() {
    if (!first_) out += compact_.back() ? ", " : ",";
    if (!compact_.back()) NewLine();
    first_ = false;
  }
  void BeforeValue() {
    if (pending_value_) {
      pending_value_ = false;
    } else if (!compact_.empty()) {
      Separate();
    }
    first_ = false;
  }

  std::vector<bool> compact_;  // one per open object or array
  bool first_ = true;          // nothing written yet in the innermost one
  bool pending_value_ = false; // a key was written; its value comes next
};

void WriteSum(JsonWriter& json, std::string_view key, const ExportSum& sum) {
  json.Key(key);
  json.Open('{', true);
  json.Field("bytes", sum.bytes);
  json.Field("kilobytes", sum.kilobytes);
  json.Field("prognosis_kilobytes", sum.prognosis_kilobytes);
  json.Close('}');
}

}  // namespace

void AppendJsonInteger(std::string& out, std::int64_t value) {
  // The magnitude as unsigned, so that the smallest value has one too.
  std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char digits[20];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude > 0);
  if (value < 0) out += '-';
  while (count > 0) out += digits[--count];
}

void AppendJsonString(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x80) {
      switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
          if (c < 0x20 || c == 0x7F) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
          } else {
            out += static_cast<char>(c);
          }
      }
      ++i;
      continue;
    }
    std::size_t bad = 0;
    const std::size_t length = Utf8Sequence(text.substr(i), bad);
    if (length == 0) {
      out += kReplacement;
      i += bad;
    } else if (text.substr(i, length) == "\xE2\x80\xA8" || text.substr(i, length) == "\xE2\x80\xA9") {
      out += text[i + 2] == '\xA8' ? "\\u2028" : "\\u2029";  // line breaks to JavaScript
      i += length;
    } else {
      out.append(text, i, length);
      i += length;
    }
  }
  out += '"';
}

std::string EncodeJson(const ExportReport& report) {
  JsonWriter json;
  json.Open('{');
  json.Field("month", std::int64_t{report.month});
  json.Field("year", std::int64_t{report.year});
  json.Field("limit", report.limit);
  json.Key("users");
  json.Open('[');
  for (const ExportUser& user : report.users) {
    json.Open('{');
    json.Key("name");
    json.Text(user.name);
    json.Field("visible", user.visible);
    json.Key("page");
    if (user.visible) {
      json.Text(user.page);
    } else {
      json.Null();
    }
    json.Field("bytes", user.bytes);
    json.Field("kilobytes", user.kilobytes);
    json.Field("prognosis_bytes", user.prognosis_bytes);
    json.Field("prognosis_kilobytes", user.prognosis_kilobytes);
    json.Field("traffic_over_limit", user.traffic_over_limit);
    json.Field("prognosis_over_limit", user.prognosis_over_limit);
    json.Key("hosts");
    json.Open('[');
    for (const ExportHost& host : user.hosts) {
      json.Open('{', true);
      json.Key("name");
      json.Text(host.name);
      json.Field("bytes", host.bytes);
      json.Field("kilobytes", host.kilobytes);
      json.Close('}');
    }
    json.Close(']');
    json.Close('}');
  }
  json.Close(']');
  WriteSum(json, "unknown", report.unknown);
  WriteSum(json, "total", report.total);
  json.Close('}');
  json.out += '\n';
  return std::move(json.out);
}

}  // namespace sirvane
