#include "overlay/core/day_bans.h"

#include <cstdio>

#include "common/core/text.h"
#include "overlay/core/rcon_wire.h"

namespace {

constexpr std::string_view kServerBanMark = "server";
constexpr int64_t kSecondsPerDay = 86400;

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar, by
// eras of 400 years, each 146097 days long; March starts the year so that
// February's leap day comes last.
int64_t DaysFromDate(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

struct Date {
  int64_t year;
  int month, day;
};

Date DateFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  const int month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  return {yearOfEra + era * 400 + (month <= 2), month, day};
}

int DaysInMonth(int64_t year, int month) {
  return static_cast<int>(DaysFromDate(month == 12 ? year + 1 : year, month == 12 ? 1 : month + 1, 1) -
                          DaysFromDate(year, month, 1));
}

// Exactly width digits at text[at].
std::optional<int> Digits(std::string_view text, size_t at, size_t width) {
  int value = 0;
  for (size_t i = at; i < at + width; ++i) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// A field of a name never holds the tab that parts the fields or a line end.
std::string FieldText(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

std::optional<DayBan> ReadBanLine(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.empty() || line.front() == '#') return std::nullopt;
  const std::vector<std::string> fields = SplitKeepEmpty(line, '\t');
  if (fields.size() < 3 || fields.size() > 4 || !IsBannableAddress(fields[0])) return std::nullopt;
  const std::optional<int64_t> end = ParseUtcTime(fields[1]);
  if (!end) return std::nullopt;
  return DayBan{fields[0], fields[2], *end, fields.size() == 4 && fields[3] == kServerBanMark};
}

}  // namespace

std::string UtcTimeText(int64_t seconds) {
  const int64_t days = (seconds >= 0 ? seconds : seconds - (kSecondsPerDay - 1)) / kSecondsPerDay;
  const int64_t inDay = seconds - days * kSecondsPerDay;
  const Date date = DateFromDays(days);
  char text[64];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d:%02d", static_cast<long long>(date.year), date.month,
                date.day, static_cast<int>(inDay / 3600), static_cast<int>(inDay / 60 % 60),
                static_cast<int>(inDay % 60));
  return text;
}

std::optional<int64_t> ParseUtcTime(std::string_view text) {
  static constexpr std::string_view kShape = "0000-00-00 00:00:00";
  if (text.size() != kShape.size()) return std::nullopt;
  for (size_t i = 0; i < kShape.size(); ++i) {
    if (kShape[i] != '0' && text[i] != kShape[i]) return std::nullopt;
  }
  const auto year = Digits(text, 0, 4), month = Digits(text, 5, 2), day = Digits(text, 8, 2);
  const auto hour = Digits(text, 11, 2), minute = Digits(text, 14, 2), second = Digits(text, 17, 2);
  if (!year || !month || !day || !hour || !minute || !second) return std::nullopt;
  if (*month < 1 || *month > 12 || *day < 1 || *day > DaysInMonth(*year, *month)) return std::nullopt;
  if (*hour > 23 || *minute > 59 || *second > 59) return std::nullopt;
  return DaysFromDate(*year, *month, *day) * kSecondsPerDay + *hour * 3600 + *minute * 60 + *second;
}

bool IsBannableAddress(std::string_view address) {
  return IsCheckedAddress(address) && address.find_first_of(".:") != std::string_view::npos;
}

std::vector<DayBan> ReadDayBans(std::string_view text) {
  std::vector<DayBan> bans;
  for (const std::string& line : SplitKeepEmpty(text, '\n')) {
    if (std::optional<DayBan> ban = ReadBanLine(line)) bans.push_back(std::move(*ban));
  }
  return DayBanList(std::move(bans)).Bans();
}

std::string WriteDayBans(const std::vector<DayBan>& bans) {
  std::string text = "# corvel2's bans for a day: address, end (UTC), name, \"server\" where the server's ban was used\r\n";
  for (const DayBan& ban : bans) {
    text += FieldText(ban.address) + '\t' + UtcTimeText(ban.end) + '\t' + FieldText(ban.name) + '\t' +
            (ban.serverBan ? std::string(kServerBanMark) : std::string()) + "\r\n";
  }
  return text;
}

DayBanList::DayBanList(std::vector<DayBan> bans) {
  for (DayBan& ban : bans) {
    if (!IsBannableAddress(ban.address)) continue;
    const auto kept = bans_.find(ban.address);
    if (kept != bans_.end()) {
      if (ban.end > kept->second.end) kept->second = std::move(ban);
    } else if (bans_.size() < kMaxBans) {
      std::string address = ban.address;
      bans_.emplace(std::move(address), std::move(ban));
    }
  }
}

bool DayBanList::Add(std::string_view address, std::string_view name, int64_t now, bool serverBan) {
  if (!IsBannableAddress(address)) return false;
  auto kept = bans_.find(address);
  if (kept == bans_.end()) {
    if (bans_.size() >= kMaxBans) return false;
    kept = bans_.emplace(std::string(address), DayBan{std::string(address), {}, 0, false}).first;
  }
  DayBan& ban = kept->second;
  ban.name = FieldText(name);
  ban.end = now + kDayBanSeconds;
  // A server ban from before still needs lifting.
  ban.serverBan = ban.serverBan || serverBan;
  return true;
}

std::vector<DayBan> DayBanList::TakeDue(int64_t now) {
  std::vector<DayBan> due;
  for (auto it = bans_.begin(); it != bans_.end();) {
    if (it->second.end > now) {
      ++it;
      continue;
    }
    due.push_back(std::move(it->second));
    it = bans_.erase(it);
  }
  return due;
}

std::vector<int> DayBanList::ToKickAgain(const RconStatus& status, int64_t now) const {
  std::vector<int> clients;
  for (const RconPlayer& p : status.players) {
    const auto ban = bans_.find(p.host);
    if (ban != bans_.end() && ban->second.end > now) clients.push_back(p.client);
  }
  return clients;
}

std::vector<DayBan> DayBanList::Bans() const {
  std::vector<DayBan> bans;
  bans.reserve(bans_.size());
  for (const auto& [address, ban] : bans_) bans.push_back(ban);
  return bans;
}
